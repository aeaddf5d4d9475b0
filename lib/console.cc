// Console output of zero-terminated texts.
#include "kit.h"

namespace tk {

std::uint32_t console_write(const char* text) {
  return console_write_bytes({text, str_length_fast(text)});
}

}  // namespace tk
