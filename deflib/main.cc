// deflib LISTFILE: the process's own parts, handed to the driver.
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
      args.view(), tk::deflib::librarian_of_environment(), console, starter);
}
