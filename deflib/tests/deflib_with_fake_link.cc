// deflib with the stand-in librarian of the test suite in place of the
// toolkit's, for end-to-end runs where \tolvane\bin\link cannot be put at
// the root of the drive.
#include <string>

#include "generator_main.h"
#include "kit.h"

int main(int argc, char** argv) {
  tk::command_line_init(argc, argv);
  const std::string prefix =
      std::string("\"") + TK_FAKE_LINK + "\" -lib /machine:ix86 /def:";
  return deflib::generator_main(prefix);
}
