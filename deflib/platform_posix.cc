// What deflib takes from a POSIX system: the librarian's place and the path
// separator.
#include "generator_main.h"

namespace tk::deflib {

std::string_view librarian_prefix() {
  return "/tolvane/bin/link -lib /machine:ix86 /def:";
}

// A backslash is an ordinary character in a POSIX file name.
std::string_view path_separators() { return "/"; }

}  // namespace tk::deflib
