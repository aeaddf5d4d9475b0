// deflib LISTFILE: module-definition and include files from a list of the
// names a C calling convention DLL exports, then the import library.
#include "generator_main.h"
#include "kit.h"

int main(int argc, char** argv) {
  tk::command_line_init(argc, argv);
  return deflib::generator_main(deflib::librarian_chosen());
}
