// Prints what arg_fetch gives for the first indices of its command line,
// one line each: "INDEX RESULT [TEXT]". Used to test the cutting rules on
// real processes.
#include <array>
#include <cstdlib>

#include "kit.h"

int main(int argc, char** argv) {
  tk::command_line_init(argc, argv);
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
  return 0;
}
