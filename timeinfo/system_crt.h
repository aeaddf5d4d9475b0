// The platform's own C run-time behind crt_services: msvcrt on Windows, the
// C library (with a terminal in raw mode for the key) on POSIX.
#ifndef TK_TIMEINFO_SYSTEM_CRT_H_
#define TK_TIMEINFO_SYSTEM_CRT_H_

#include "timeinfo/crt_services.h"

namespace tk::timeinfo {

// Where system_crt's printed texts go instead of standard output: each
// formatted text is handed to append(context, text, length).
struct print_capture {
  void (*append)(void* context, const char* text, std::size_t length) = nullptr;
  void* context = nullptr;
};

// The seconds line, with this run-time's printf conversion for an unsigned
// 64-bit integer.
extern const char seconds_line_format[];

class system_crt final : public crt_services {
 public:
  // Prints to standard output (switched to binary mode, so "\r\n" goes out
  // as written), or, with `capture`, hands what printf would have written to
  // it instead, formatted by the same run-time.
  explicit system_crt(const print_capture* capture = nullptr);
  system_crt(const system_crt&) = delete;
  system_crt& operator=(const system_crt&) = delete;
  // Flushes standard output.
  ~system_crt() override;

  void tz_set() override;
  void str_time(std::span<char> buffer) override;
  void str_date(std::span<char> buffer) override;
  std::int64_t time64() override;
  const char* ctime64(std::int64_t t) override;
  const char* asc_time(const std::tm& t) override;
  std::tm* gmtime64(std::int64_t t) override;
  std::tm* localtime64(std::int64_t t) override;
  time_reading ftime64() override;
  const char* tz_name(int index) override;
  std::size_t str_ftime(std::span<char> buffer, const char* format,
                        const std::tm& t) override;
  std::int64_t mktime64(std::tm& t) override;

  void print(const char* format) override;
  void print_text(const char* format, const char* text) override;
  void print_texts(const char* format, const char* first,
                   const char* second) override;
  void print_u64(const char* format, std::uint64_t value) override;
  void print_unsigned(const char* format, unsigned value) override;
  void print_int(const char* format, int value) override;
  void print_double(const char* format, double value) override;
  void flush() override;

  // Windows: _getch on a console; from redirected input one byte, -1 at
  // its end. POSIX: one whole key from standard input (a terminal is put
  // in raw mode meanwhile), -1 at end of input.
  int get_key() override;

  // The zone's standard offset in minutes west of UTC, as the run-time
  // holds it after tz_set.
  std::int16_t zone_minutes_west();

 private:
  // What the platform keeps between calls, in a block of the run-time's
  // calloc, made and freed with the object.
  struct state;
  state* state_;
  const print_capture* capture_;
};

// Sets the TZ environment variable the run-time reads in tz_set ("EST5EDT",
// "UTC0"); an empty text removes it.
void set_zone_variable(const char* tz);

// Flushes standard output and ends the process at once with `code`.
[[noreturn]] void end_process(int code);

}  // namespace tk::timeinfo

#endif  // TK_TIMEINFO_SYSTEM_CRT_H_
