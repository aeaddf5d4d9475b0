// Byte-for-code conversion, enough for the template's plain-ASCII texts.
#include "jumptest/widen.h"

namespace tk::jumptest {

void widen_text(const char* text, std::span<std::byte> dest) {
  const std::size_t room = dest.size() / 2;
  if (room == 0) return;
  std::size_t i = 0;
  for (; i + 1 < room && text[i] != 0; ++i) {
    dest[2 * i] = static_cast<std::byte>(static_cast<unsigned char>(text[i]));
    dest[2 * i + 1] = std::byte{0};
  }
  dest[2 * i] = std::byte{0};
  dest[2 * i + 1] = std::byte{0};
}

}  // namespace tk::jumptest
