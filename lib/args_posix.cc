// POSIX implementation of the process's command line.
#include "lib/args.h"
#include "lib/extras.h"

namespace tk {

namespace {

// argv as command_line_init found it, and the line made of it.
struct delivered_arguments {
  arg_list argv;
  text_buffer line;
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
  args.argv = arg_list::copy({argv, static_cast<std::size_t>(argc)});
  text_buffer& line = args.line;
  line.clear();
  for (const std::string_view arg : args.argv.view()) {
    if (!line.empty()) line.append(' ');
    if (needs_quotes(arg))
      line.append('"').append(arg).append('"');
    else
      line.append(arg);
  }
}

std::string_view command_line() { return arguments().line.view(); }

arg_list process_arguments(int argc, char** argv) {
  return arg_list::copy({argv, static_cast<std::size_t>(argc)});
}

// The shell has cut the line already; its arguments are taken as they are.
int arg_fetch(std::uint32_t index, std::span<char> dest) {
  return arg_get(arguments().argv.view(), index, dest);
}

}  // namespace tk
