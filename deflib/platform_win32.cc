// What deflib takes from Windows: the librarian's place and the path
// separators.
#include "generator_main.h"

namespace tk::deflib {

std::string_view librarian_prefix() {
  return "\\tolvane\\bin\\link -lib /machine:ix86 /def:";
}

// Both slashes separate directories; a colon ends a drive ("C:names.txt").
std::string_view path_separators() { return "\\/:"; }

}  // namespace tk::deflib
