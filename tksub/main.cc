#include "kit.h"
#include "report_stream.h"
#include "substitution_main.h"

int main(int argc, char** argv) {
  const tk::arg_list args = tk::process_arguments(argc, argv);
  tk::process_console console;
  tk::tksub::error_console errors;
  if (!args.ok()) {
    console.write("Not enough memory for the arguments\r\n");
    return 1;
  }
  return tk::tksub::substitution_main(args.view(), console, errors);
}
