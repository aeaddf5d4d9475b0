#include "generator_main.h"

namespace deflib {

std::string_view librarian_prefix() {
  return "/tolvane/bin/link -lib /machine:ix86 /def:";
}

}  // namespace deflib
