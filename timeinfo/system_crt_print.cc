// The print_* services of system_crt, shared by both run-time back ends:
// each one passes its arguments on to crt_vprint unchanged.
#include <cstdarg>

#include "timeinfo/crt_print.h"
#include "timeinfo/system_crt.h"

namespace tk::timeinfo {

namespace {

void print_through(const print_capture* capture, const char* format, ...) {
  va_list args;
  va_start(args, format);
  crt_vprint(capture, format, args);
  va_end(args);
}

}  // namespace

void system_crt::print(const char* format) { print_through(capture_, format); }

void system_crt::print_text(const char* format, const char* text) {
  print_through(capture_, format, text);
}

void system_crt::print_texts(const char* format, const char* first,
                             const char* second) {
  print_through(capture_, format, first, second);
}

void system_crt::print_u64(const char* format, std::uint64_t value) {
  print_through(capture_, format, value);
}

void system_crt::print_unsigned(const char* format, unsigned value) {
  print_through(capture_, format, value);
}

void system_crt::print_int(const char* format, int value) {
  print_through(capture_, format, value);
}

void system_crt::print_double(const char* format, double value) {
  print_through(capture_, format, value);
}

}  // namespace tk::timeinfo
