// Windows: the standard output as a target, and the standard error.
#include <windows.h>

#include <algorithm>
#include <cctype>

#include "report_stream.h"

namespace tk::tksub {

namespace {

bool same_letters(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::toupper(static_cast<unsigned char>(x)) ==
           std::toupper(static_cast<unsigned char>(y));
  });
}

}  // namespace

// Only the console's own device names: a disk file or a pipe that the
// standard output was redirected to is not recognised, so the report stays
// where it always went.
bool target_is_standard_output(const char* name) {
  DWORD mode = 0;
  if (!GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode)) return false;
  const std::string_view n(name);
  return same_letters(n, "CON") || same_letters(n, "CONOUT$");
}

void error_console::write(std::string_view text) {
  const HANDLE h = GetStdHandle(STD_ERROR_HANDLE);
  while (!text.empty()) {
    const DWORD chunk =
        static_cast<DWORD>(std::min<std::size_t>(text.size(), 0x40000000u));
    DWORD n = 0;
    if (!WriteFile(h, text.data(), chunk, &n, nullptr) || n == 0) return;
    text.remove_prefix(n);
  }
}

}  // namespace tk::tksub
