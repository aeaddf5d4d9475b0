// Console output of zero-terminated texts, and the process's console sink.
#include "console.h"

#include "text.h"

namespace tk {

std::uint32_t console_write(const char* text) {
  return console_write_bytes({text, str_length_fast(text)});
}

void process_console::write(std::string_view text) {
  console_write_bytes(text);
}

}  // namespace tk
