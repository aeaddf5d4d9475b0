// POSIX implementation of the process's command line.
#include <string>
#include <vector>

#include "args.h"

namespace tk {

namespace {

struct delivered_arguments {
  std::vector<std::string> argv;
  std::string line;
};

delivered_arguments& arguments() {
  static delivered_arguments args;
  return args;
}

bool needs_quotes(std::string_view arg) {
  return arg.empty() || arg.find_first_of(" \t\"") != std::string_view::npos;
}

}  // namespace

void command_line_init(int argc, char** argv) {
  delivered_arguments& args = arguments();
  args.argv.assign(argv, argv + argc);
  std::string& line = args.line;
  line.clear();
  for (const std::string_view arg : args.argv) {
    if (!line.empty()) line += ' ';
    if (needs_quotes(arg)) {
      line += '"';
      line += arg;
      line += '"';
    } else {
      line += arg;
    }
  }
}

std::string_view command_line() { return arguments().line; }

std::vector<std::string> process_arguments(int argc, char** argv) {
  return {argv, argv + argc};
}

// The shell has cut the line already; its arguments are taken as they are.
int arg_fetch(std::uint32_t index, std::span<char> dest) {
  return arg_get(arguments().argv, index, dest);
}

}  // namespace tk
