// deflib LISTFILE: module-definition and include files from a list of the
// names a C calling convention DLL exports, then the import library.
#include <cstdlib>
#include <string>
#include <vector>

#include "generator_main.h"
#include "kit.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args = tk::process_arguments(argc, argv);
  tk::process_console console;
  tk::system_starter starter;
  return tk::deflib::generator_main(
      args, tk::deflib::librarian_chosen(std::getenv("DEFLIB_LIBRARIAN")),
      console, starter);
}
