// A program for tests of starting and waiting:
//   child exit N        exits with code N
//   child sleep MS N    sleeps MS milliseconds, then exits with code N
//   child print TEXT    writes TEXT and CR LF to standard output
#include <array>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "kit.h"

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
    std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(arg(2).data())));
    return std::atoi(arg(3).data());
  }
  if (v == "print") {
    tk::console_write(arg(2).data());
    tk::console_write("\r\n");
    return 0;
  }
  return 99;
}
