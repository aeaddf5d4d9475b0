#include "timeinfo/timeinfo_driver.h"

#include <array>
#include <cstring>

#include "timeinfo/system_crt.h"

namespace tk::timeinfo {

namespace {

constexpr double seconds_per_day = 86400.0;

constexpr char heading[] =
    "\r\n64-bit Date and Time Functions - C Run-time Library\r\n";
constexpr char os_time_format[] = " OS time:                            %s\r\n";
constexpr char os_date_format[] = " OS date:                            %s\r\n";
// The run-time's own strings end with a line feed, which ends these lines.
constexpr char time_string_format[] = " Time and date string:               %s";
constexpr char universal_format[] = " Coordinated universal time:         %s";
constexpr char twelve_hour_format[] =
    " 12-hour time:                       %.8s %s\r\n";
constexpr char twelve_hour_unknown[] =
    " 12-hour time:                       unknown\r\n";
constexpr char millis_format[] = " Plus milliseconds:                  %u\r\n";
// Signed: zones east of UTC have a negative offset.
constexpr char zone_hours_format[] =
    " Zone difference in hours from UTC:  %d\r\n";
constexpr char zone_name_format[] =
    " Time zone name:                     %s\r\n";
constexpr char daylight_label[] = " Daylight savings:                   ";
constexpr char daylight_on[] = "True\r\n";
constexpr char daylight_off[] = "False\r\n";
constexpr char today_format[] = " Today is:                           %s\r\n";
constexpr char christmas_format[] =
    " Christmas this year:                %s\r\n";
constexpr char days_format[] = " Days until Christmas:               %.0lf\r\n";
constexpr char days_unknown[] =
    " Days until Christmas:               unknown\r\n";
constexpr char date_format[] = "%A, %B %d, %Y";
constexpr char unknown_line[] = "unknown\r\n";
constexpr char unknown_value[] = "unknown";

constexpr char prompt[] = "\r\nPress any key to continue...";
constexpr char line_end[] = "\r\n";

// The run-time's fixed form "Www Mmm dd hh:mm:ss yyyy\n": the clock time
// starts at offset 11 and is 8 characters long.
constexpr std::size_t clock_offset = 11;
constexpr std::size_t clock_end = clock_offset + 8;

// Prints a line whose value is a run-time string that brings its own line
// feed, or the placeholder when the run-time gave none.
void print_run_time_line(crt_services& crt, const char* format,
                         const char* value) {
  crt.print_text(format, value != nullptr ? value : unknown_line);
}

void print_twelve_hour(crt_services& crt, std::int64_t now) {
  std::tm* local = crt.localtime64(now);
  if (local == nullptr) {
    crt.print(twelve_hour_unknown);
    return;
  }
  std::array<char, 3> suffix{'A', 'M', '\0'};
  if (local->tm_hour >= 12) {
    std::strcpy(suffix.data(), "PM");
    local->tm_hour -= 12;
  }
  if (local->tm_hour == 0) local->tm_hour = 12;
  const char* text = crt.asc_time(*local);
  // A shorter string than the fixed form would leave "%.8s" reading past
  // its end.
  if (text == nullptr || std::memchr(text, '\0', clock_end) != nullptr) {
    crt.print(twelve_hour_unknown);
    return;
  }
  crt.print_texts(twelve_hour_format, text + clock_offset, suffix.data());
}

void print_date_line(crt_services& crt, const char* format, const std::tm& t,
                     std::span<char> text) {
  if (crt.str_ftime(text, date_format, t) == 0) {
    crt.print_text(format, unknown_value);
    return;
  }
  crt.print_text(format, text.data());
}

}  // namespace

void time_report(crt_services& crt) {
  std::array<char, 128> text{};

  crt.tz_set();
  crt.print(heading);

  crt.str_time(text);
  crt.print_text(os_time_format, text.data());
  crt.str_date(text);
  crt.print_text(os_date_format, text.data());

  const std::int64_t now = crt.time64();
  crt.print_u64(seconds_line_format, static_cast<std::uint64_t>(now));
  print_run_time_line(crt, time_string_format, crt.ctime64(now));
  const std::tm* universal = crt.gmtime64(now);
  print_run_time_line(
      crt, universal_format,
      universal != nullptr ? crt.asc_time(*universal) : nullptr);
  print_twelve_hour(crt, now);

  const time_reading reading = crt.ftime64();
  crt.print_unsigned(millis_format, reading.millitm);
  // Division truncates toward zero: 330 minutes east is -5 hours.
  crt.print_int(zone_hours_format, reading.timezone / 60);
  const char* zone_name = crt.tz_name(reading.dstflag != 0 ? 1 : 0);
  crt.print_text(zone_name_format, zone_name);
  crt.print(daylight_label);
  crt.print(reading.dstflag != 0 ? daylight_on : daylight_off);

  if (const std::tm* today = crt.localtime64(now); today != nullptr)
    print_date_line(crt, today_format, *today, text);
  else
    crt.print_text(today_format, unknown_value);

  std::int64_t christmas_time = -1;
  if (std::tm* christmas = crt.localtime64(now); christmas != nullptr) {
    christmas->tm_mon = 11;
    christmas->tm_mday = 25;
    christmas->tm_hour = 12;
    christmas->tm_min = 0;
    christmas->tm_sec = 0;
    christmas->tm_wday = 0;
    christmas->tm_yday = 0;
    christmas->tm_isdst = 0;
    christmas_time = crt.mktime64(*christmas);
    if (christmas_time != -1)
      print_date_line(crt, christmas_format, *christmas, text);
  }

  if (christmas_time == -1) {
    crt.print(days_unknown);
    return;
  }
  double difference = 0.0;
  time_difference(&now, &christmas_time, &difference);
  crt.print_double(days_format, difference / seconds_per_day);
}

void time_difference(const std::int64_t* first, const std::int64_t* second,
                     double* difference) {
  // long double holds every 64-bit integer exactly on x86 (64-bit
  // mantissa).
  const long double a = static_cast<long double>(*first);
  const long double b = static_cast<long double>(*second);
  *difference = static_cast<double>(a > b ? a - b : b - a);
}

void wait_for_key(crt_services& crt) {
  crt.print(prompt);
  crt.flush();
  const int code = crt.get_key();
  if (code == 0 || code == 0xE0) crt.get_key();
  crt.print(line_end);
}

}  // namespace tk::timeinfo
