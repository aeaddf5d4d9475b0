// The report's run-time services from the system's msvcrt.dll. The printf
// family is called through msvcrt's own entry points (__ms_printf and
// _vsnprintf), since the compiler's C++ headers swap printf for a
// replacement that formats "%I64u" and "%.0lf" in its own way.
#include <conio.h>
#include <fcntl.h>
#include <io.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/timeb.h>
#include <time.h>
#include <windows.h>

#include <new>

#include "timeinfo/crt_print.h"
#include "timeinfo/system_crt.h"

namespace tk::timeinfo {

const char seconds_line_format[] =
    " Time in seconds since UTC 1/1/1970: %I64u\r\n";

namespace {

// What msvcrt's printf would write, formatted by msvcrt itself, handed to
// `capture`.
void capture_formatted(const print_capture& capture, const char* format,
                       va_list args) {
  for (std::size_t size = 256; size <= (std::size_t{1} << 20); size *= 2) {
    char* const buffer = static_cast<char*>(malloc(size));
    if (buffer == nullptr) return;
    va_list copy;
    va_copy(copy, args);
    // _vsnprintf gives -1, or the full size without room for the zero,
    // when the text does not fit.
    const int n = _vsnprintf(buffer, size - 1, format, copy);
    va_end(copy);
    const bool fits = n >= 0 && static_cast<std::size_t>(n) < size - 1;
    if (fits)
      capture.append(capture.context, buffer, static_cast<std::size_t>(n));
    free(buffer);
    if (fits) return;
  }
}

bool is_console_input(HANDLE in) {
  DWORD mode = 0;
  return in != nullptr && in != INVALID_HANDLE_VALUE &&
         GetConsoleMode(in, &mode) != 0;
}

}  // namespace

void crt_vprint(const print_capture* capture, const char* format,
                va_list args) {
  if (capture != nullptr)
    capture_formatted(*capture, format, args);
  else
    __ms_vprintf(format, args);
}

// msvcrt keeps all of its state itself.
struct system_crt::state {};

system_crt::system_crt(const print_capture* capture)
    : state_(nullptr), capture_(capture) {
  if (capture_ == nullptr) _setmode(_fileno(stdout), _O_BINARY);
}

system_crt::~system_crt() {
  if (capture_ == nullptr) fflush(stdout);
}

void system_crt::tz_set() { _tzset(); }

void system_crt::str_time(std::span<char> buffer) {
  if (buffer.empty()) return;
  buffer[0] = '\0';
  if (buffer.size() >= 9) _strtime(buffer.data());
}

void system_crt::str_date(std::span<char> buffer) {
  if (buffer.empty()) return;
  buffer[0] = '\0';
  if (buffer.size() >= 9) _strdate(buffer.data());
}

std::int64_t system_crt::time64() { return _time64(nullptr); }

const char* system_crt::ctime64(std::int64_t t) {
  const __time64_t v = t;
  return _ctime64(&v);
}

const char* system_crt::asc_time(const std::tm& t) { return asctime(&t); }

std::tm* system_crt::gmtime64(std::int64_t t) {
  const __time64_t v = t;
  return _gmtime64(&v);
}

std::tm* system_crt::localtime64(std::int64_t t) {
  const __time64_t v = t;
  return _localtime64(&v);
}

time_reading system_crt::ftime64() {
  __timeb64 reading{};
  _ftime64(&reading);
  time_reading r;
  r.time = reading.time;
  r.millitm = reading.millitm;
  r.timezone = reading.timezone;
  r.dstflag = reading.dstflag;
  return r;
}

std::int16_t system_crt::zone_minutes_west() {
  _tzset();
  return static_cast<std::int16_t>(_timezone / 60);
}

const char* system_crt::tz_name(int index) {
  const char* name = _tzname[index != 0 ? 1 : 0];
  return name != nullptr ? name : "";
}

std::size_t system_crt::str_ftime(std::span<char> buffer, const char* format,
                                  const std::tm& t) {
  if (buffer.empty()) return 0;
  const std::size_t n = strftime(buffer.data(), buffer.size(), format, &t);
  if (n == 0) buffer[0] = '\0';
  return n;
}

std::int64_t system_crt::mktime64(std::tm& t) { return _mktime64(&t); }

void system_crt::flush() {
  if (capture_ == nullptr) fflush(stdout);
}

int system_crt::get_key() {
  if (is_console_input(GetStdHandle(STD_INPUT_HANDLE))) return _getch();
  // Redirected input: a script's key is the next byte, and the end of the
  // input ends the wait instead of blocking on a console nobody watches.
  _setmode(_fileno(stdin), _O_BINARY);
  unsigned char byte = 0;
  return _read(_fileno(stdin), &byte, 1) == 1 ? byte : -1;
}

void set_zone_variable(const char* tz) {
  const std::size_t length = strlen(tz);
  char* const assignment = static_cast<char*>(malloc(length + 4));
  if (assignment == nullptr) return;
  _snprintf(assignment, length + 4, "TZ=%s", tz);
  assignment[length + 3] = '\0';
  // _putenv copies the text.
  _putenv(assignment);
  free(assignment);
}

void end_process(int code) {
  fflush(stdout);
  _exit(code);
}

}  // namespace tk::timeinfo
