// Win32 implementation of the process's command line.
#include <windows.h>

#include "lib/args.h"
#include "lib/extras.h"

namespace tk {

void command_line_init(int, char**) {}

std::string_view command_line() { return GetCommandLineA(); }

arg_list process_arguments(int, char**) {
  return arg_list::split(command_line());
}

int arg_fetch(std::uint32_t index, std::span<char> dest) {
  return arg_cut(command_line(), index, dest);
}

}  // namespace tk
