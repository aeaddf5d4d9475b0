// Stand-in for the toolkit's librarian, for the end-to-end run of the
// 32-bit deflib.exe, which starts it as \tolvane\bin\link on its drive.
//
// Writes link_record.txt in its working directory, one item per line:
//   line: the command line as the kit sees it
//   arg N: each argument from 1 on
//   cwd: the working directory
//   priority: see own_priority()
// copies the module-definition file named by "/def:" and the include file
// beside it, as they are when it starts, to seen.def and seen.inc, writes
// "stand-in librarian" to standard output and exits with the number held
// in link_exit.txt (0 when there is none).
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "kit.h"
#include "priority.h"

namespace {

void copy_if_present(const std::string& from, const char* to) {
  tk::text_block b;
  if (tk::file_read_all(from.c_str(), b)) tk::file_write_all(to, b.view());
}

}  // namespace

int main(int argc, char** argv) {
  tk::command_line_init(argc, argv);
  const long priority = helpers::own_priority();

  std::string record = "line: " + std::string(tk::command_line()) + "\r\n";
  std::vector<char> arg(tk::command_line().size() + 1);
  std::string def_name;
  for (std::uint32_t i = 1; tk::arg_fetch(i, arg) == tk::arg_found; ++i) {
    const std::string_view a(arg.data());
    record += "arg " + std::to_string(i) + ": " + std::string(a) + "\r\n";
    if (a.starts_with("/def:")) def_name = a.substr(5);
  }
  record += "cwd: " + std::filesystem::current_path().string() + "\r\n";
  record += "priority: " + std::to_string(priority) + "\r\n";
  tk::file_write_all("link_record.txt", record);

  if (!def_name.empty()) {
    copy_if_present(def_name, "seen.def");
    if (def_name.ends_with(".def"))
      copy_if_present(def_name.substr(0, def_name.size() - 4) + ".inc",
                      "seen.inc");
  }
  tk::console_write("stand-in librarian\r\n");

  tk::text_block code;
  if (!tk::file_read_all("link_exit.txt", code)) return 0;
  return std::atoi(code.data());
}
