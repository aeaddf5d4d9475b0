// The one program that the tests start, its task chosen by its first
// argument:
//   child exit N        exits with code N
//   child sleep MS N    sleeps MS milliseconds, then exits with code N
//   child print TEXT    writes TEXT and CR LF to standard output
//   child raise N       raises signal N on itself
//   child run LINE      runs LINE with run_and_wait, then writes
//                       "exit CODE" or "not started" and CR LF
//   child priority      writes its own priority (helpers::own_priority)
//                       and CR LF
//   child -lib ...      stands in for the toolkit's librarian (its
//                       arguments start so), see as_librarian()
//   child ANYTHING ELSE prints what arg_fetch gives for arguments 0 to 5,
//                       one line each, "INDEX RESULT [TEXT]", also when
//                       no argument can be read at all
#include <array>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "lib/extras.h"
#include "lib/kit.h"
#include "tests/helpers/priority.h"

namespace {

std::array<char, 256> arg(std::uint32_t i) {
  std::array<char, 256> buf{};
  tk::arg_fetch(i, buf);
  return buf;
}

void echo_arguments() {
  for (std::uint32_t i = 0; i < 6; ++i) {
    std::array<char, 1024> buf{};
    buf[0] = 'X';  // shows whether a result left the buffer untouched
    buf[1] = 0;
    const int code = tk::arg_fetch(i, buf);
    std::array<char, tk::decimal_size> num{};
    tk::int_to_decimal(static_cast<std::int32_t>(i), num);
    tk::console_write(num.data());
    tk::console_write(" ");
    tk::int_to_decimal(code, num);
    tk::console_write(num.data());
    tk::console_write(" [");
    tk::console_write(buf.data());
    tk::console_write("]\r\n");
  }
}

void copy_if_present(const std::string& from, const char* to) {
  tk::text_block b;
  if (tk::file_read_all(from.c_str(), b)) tk::file_write_all(to, b.view());
}

// The stand-in librarian of the 32-bit end-to-end run, where deflib.exe
// starts it as \tolvane\bin\link on its drive. Writes link_record.txt in
// its working directory, one item per line:
//   line: the command line as the kit sees it
//   arg N: each argument from 1 on
//   cwd: the working directory
//   priority: see own_priority()
// copies the module-definition file named by "/def:" and the include file
// beside it, as they are when it starts, to seen.def and seen.inc, writes
// "stand-in librarian" to standard output and exits with the number held
// in link_exit.txt (0 when there is none).
int as_librarian() {
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

}  // namespace

int main(int argc, char** argv) {
  tk::command_line_init(argc, argv);
  const auto verb = arg(1);
  const std::string_view v(verb.data());
  if (v == "exit") return std::atoi(arg(2).data());
  if (v == "sleep") {
    std::this_thread::sleep_for(
        std::chrono::milliseconds(std::atoi(arg(2).data())));
    return std::atoi(arg(3).data());
  }
  if (v == "raise") return std::raise(std::atoi(arg(2).data()));
  if (v == "print") {
    tk::console_write(arg(2).data());
    tk::console_write("\r\n");
    return 0;
  }
  if (v == "priority") {
    std::array<char, tk::decimal_size> num{};
    tk::int_to_decimal(static_cast<std::int32_t>(helpers::own_priority()), num);
    tk::console_write(num.data());
    tk::console_write("\r\n");
    return 0;
  }
  if (v == "run") {
    const tk::run_result r =
        tk::run_and_wait(arg(2).data(), tk::high_priority_class);
    if (!r.started) {
      tk::console_write("not started\r\n");
      return 1;
    }
    std::array<char, tk::decimal_size> num{};
    tk::int_to_decimal(static_cast<std::int32_t>(r.exit_code), num);
    tk::console_write("exit ");
    tk::console_write(num.data());
    tk::console_write("\r\n");
    return 0;
  }
  if (v == "-lib") return as_librarian();
  echo_arguments();
  return 0;
}
