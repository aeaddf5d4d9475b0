// Console output of zero-terminated texts, and the process's console sink.
#include "lib/console.h"

#include "lib/extras.h"
#include "lib/text.h"

namespace tk {

std::uint32_t console_write(const char* text) {
  return console_write_bytes({text, str_length_fast(text)});
}

void console_out::write_number(std::uint32_t value) {
  decimal_room room;
  write(decimal_of(value, room));
}

void process_console::write(std::string_view text) {
  console_write_bytes(text);
}

void process_error_console::write(std::string_view text) {
  console_error_bytes(text);
}

void write_version_line(console_out& console, std::string_view tool) {
  console.write_all(tool, " ", kit_version, "\r\n");
}

}  // namespace tk
