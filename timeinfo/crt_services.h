// The C run-time services the date and time report is made of. The report
// asks for everything through this interface, so the real run-time can be
// swapped for one that holds a fixed instant or fails on purpose.
#ifndef TK_TIMEINFO_CRT_SERVICES_H_
#define TK_TIMEINFO_CRT_SERVICES_H_

#include <cstdint>
#include <ctime>
#include <span>

namespace tk::timeinfo {

// One reading of the clock with the zone data that goes with it.
struct time_reading {
  std::int64_t time = 0;      // seconds since 1970-01-01 00:00:00 UTC
  std::uint16_t millitm = 0;  // milliseconds, 0 to 999
  std::int16_t timezone = 0;  // minutes west of UTC, standard time
  std::int16_t dstflag = 0;   // non-zero while daylight saving time is on
};

// The run-time's clock, zone, conversion and console services. Pointers to
// structures and strings that a call returns belong to the run-time and
// stay valid only until the next call of the same kind; a null pointer
// means the run-time could not convert the time.
class crt_services {
 public:
  virtual ~crt_services() = default;

  // Sets up the zone data (names, offsets) from the environment.
  virtual void tz_set() = 0;
  // The local time now as "hh:mm:ss" and the local date as "mm/dd/yy".
  // A buffer shorter than 9 bytes receives an empty text.
  virtual void str_time(std::span<char> buffer) = 0;
  virtual void str_date(std::span<char> buffer) = 0;
  // Seconds since 1970-01-01 00:00:00 UTC.
  virtual std::int64_t time64() = 0;
  // The run-time's fixed 24-character form plus a line feed.
  virtual const char* ctime64(std::int64_t t) = 0;
  virtual const char* asc_time(const std::tm& t) = 0;
  virtual std::tm* gmtime64(std::int64_t t) = 0;
  virtual std::tm* localtime64(std::int64_t t) = 0;
  virtual time_reading ftime64() = 0;
  // The standard (0) or daylight (1) zone name; never null.
  virtual const char* tz_name(int index) = 0;
  // strftime into `buffer`; returns the length written, 0 when it does
  // not fit.
  virtual std::size_t str_ftime(std::span<char> buffer, const char* format,
                                const std::tm& t) = 0;
  // Local time to seconds, normalising `t` in place; -1 on failure.
  virtual std::int64_t mktime64(std::tm& t) = 0;

  // The run-time's printf, one shape of argument list each.
  virtual void print(const char* format) = 0;
  virtual void print_text(const char* format, const char* text) = 0;
  virtual void print_texts(const char* format, const char* first,
                           const char* second) = 0;
  virtual void print_u64(const char* format, std::uint64_t value) = 0;
  virtual void print_unsigned(const char* format, unsigned value) = 0;
  virtual void print_int(const char* format, int value) = 0;
  virtual void print_double(const char* format, double value) = 0;
  // Makes everything printed so far visible.
  virtual void flush() = 0;

  // One key code from the keyboard, like the run-time's _getch: a key that
  // has no single code gives 0 or 0xE0 first and its second code on the
  // next call. -1 when no key can come (no console, input at its end).
  virtual int get_key() = 0;
};

}  // namespace tk::timeinfo

#endif  // TK_TIMEINFO_CRT_SERVICES_H_
