#include <string>
#include <vector>

#include "kit.h"
#include "report_stream.h"
#include "substitution_main.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args = tk::process_arguments(argc, argv);
  tk::process_console console;
  tk::tksub::error_console errors;
  return tk::tksub::substitution_main(args, console, errors);
}
