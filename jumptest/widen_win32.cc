// The system's own code-page conversion.
#include <windows.h>

#include "jumptest/widen.h"

namespace tk::jumptest {

void widen_text(const char* text, std::span<std::byte> dest) {
  const std::size_t room = dest.size() / 2;
  if (room == 0) return;
  const int chars = room > 0x7FFFFFFFu ? 0x7FFFFFFF : static_cast<int>(room);
  auto* wide = reinterpret_cast<WCHAR*>(dest.data());
  if (MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, text, -1, wide, chars) == 0) {
    // Too long for the room: the call may leave the text unterminated, so
    // cut it as the portable conversion would.
    wide[chars - 1] = 0;
  }
}

}  // namespace tk::jumptest
