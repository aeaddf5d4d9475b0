// Windows: is the target the standard output?
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <string_view>

#include "tksub/standard_output.h"

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

}  // namespace tk::tksub
