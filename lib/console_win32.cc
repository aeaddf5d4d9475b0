// Win32 implementation of the console output.
#include <windows.h>

#include "lib/console.h"
#include "lib/write_win32.h"

namespace tk {

std::uint32_t console_write_bytes(std::string_view bytes) {
  return platform::write_fully(GetStdHandle(STD_OUTPUT_HANDLE), bytes);
}

std::uint32_t console_error_bytes(std::string_view bytes) {
  return platform::write_fully(GetStdHandle(STD_ERROR_HANDLE), bytes);
}

}  // namespace tk
