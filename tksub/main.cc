#include "lib/kit.h"
#include "tksub/standard_output.h"
#include "tksub/tksub_driver.h"

int main(int argc, char** argv) {
  const tk::arg_list args = tk::process_arguments(argc, argv);
  tk::process_console console;
  tk::process_error_console errors;
  if (!args.ok()) {
    console.write("Not enough memory for the arguments\r\n");
    return 1;
  }
  return tk::tksub::substitution_main(args.view(), console, errors);
}
