// deflib LISTFILE: module-definition and include files from a list of the
// names a C calling convention DLL exports, then the import library.
#include <cstdlib>

#include "deflib/deflib_driver.h"
#include "lib/kit.h"

int main(int argc, char** argv) {
  const tk::arg_list args = tk::process_arguments(argc, argv);
  tk::process_console console;
  if (!args.ok()) {
    console.write(tk::deflib::no_memory_text);
    return 1;
  }
  tk::system_starter starter;
  return tk::deflib::generator_main(
      args.view(),
      tk::deflib::librarian_chosen(std::getenv("DEFLIB_LIBRARIAN")), console,
      starter);
}
