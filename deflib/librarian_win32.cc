// Where the toolkit's librarian lies on Windows: at the root of the current
// drive.
#include "deflib/deflib_driver.h"

namespace tk::deflib {

std::string_view librarian_prefix() {
  return "\\tolvane\\bin\\link -lib /machine:ix86 /def:";
}

}  // namespace tk::deflib
