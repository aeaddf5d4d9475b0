// A program for tests of starting and waiting:
//   child exit N        exits with code N
//   child sleep MS N    sleeps MS milliseconds, then exits with code N
//   child print TEXT    writes TEXT and CR LF to standard output
//   child raise N       raises signal N on itself
//   child run LINE      runs LINE with run_and_wait, then writes
//                       "exit CODE" or "not started" and CR LF
//   child priority      writes its own priority (helpers::own_priority)
//                       and CR LF
#include <array>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <thread>

#include "kit.h"
#include "priority.h"

namespace {

std::array<char, 256> arg(std::uint32_t i) {
  std::array<char, 256> buf{};
  tk::arg_fetch(i, buf);
  return buf;
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
  return 99;
}
