#include "console_out.h"
#include "kit.h"
#include "substitution_main.h"

int main(int argc, char** argv) {
  tk::command_line_init(argc, argv);
  tk::tksub::process_console console;
  return tk::tksub::substitution_main(console);
}
