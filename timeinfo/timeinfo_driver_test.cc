// The report made from a fixed instant by the platform's own run-time: the
// zone comes from TZ, every conversion and every printf is the real one.
#include "timeinfo/timeinfo_driver.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <limits>
#include <string>
#include <vector>

#include "timeinfo/string_capture.h"
#include "timeinfo/system_crt.h"

namespace tk::timeinfo {
namespace {

#ifdef _WIN32
constexpr bool on_windows = true;
#else
constexpr bool on_windows = false;
#endif

// Sets TZ for the run-time. The zone stays for the rest of the test
// program: every test names the zone it needs. It is never emptied, since
// Wine's msvcrt, once it has read the host's zone for an empty TZ, applies
// no daylight saving time to any TZ set later in the same process.
void use_zone(const std::string& tz) {
  set_zone_variable(tz.c_str());
  string_capture ignored;
  system_crt crt(&ignored.sink);
  crt.tz_set();
}

// The real run-time, but the clock stands still at `instant`, any of the
// conversions can be made to fail and the keyboard plays prepared codes.
class fixed_instant final : public crt_services {
 public:
  fixed_instant(std::int64_t instant, std::uint16_t millis)
      : crt_(&out_.sink), instant_(instant), millis_(millis) {}

  bool no_ctime = false;
  bool no_gmtime = false;
  bool no_localtime = false;
  bool short_asctime = false;
  bool mktime_fails = false;
  // The keys still to come; flush and get_key leave marks in the output.
  std::deque<int> keys;

  const std::string& out() const { return out_.text; }

  void tz_set() override { crt_.tz_set(); }
  void str_time(std::span<char> buffer) override {
    clock_text(buffer, "%H:%M:%S");
  }
  void str_date(std::span<char> buffer) override {
    clock_text(buffer, "%m/%d/%y");
  }
  std::int64_t time64() override { return instant_; }
  const char* ctime64(std::int64_t t) override {
    return no_ctime ? nullptr : crt_.ctime64(t);
  }
  const char* asc_time(const std::tm& t) override {
    return short_asctime ? "Mon\n" : crt_.asc_time(t);
  }
  std::tm* gmtime64(std::int64_t t) override {
    return no_gmtime ? nullptr : crt_.gmtime64(t);
  }
  std::tm* localtime64(std::int64_t t) override {
    return no_localtime ? nullptr : crt_.localtime64(t);
  }
  time_reading ftime64() override {
    time_reading r;
    r.time = instant_;
    r.millitm = millis_;
    r.timezone = crt_.zone_minutes_west();
    const std::tm* local = crt_.localtime64(instant_);
    r.dstflag = local != nullptr && local->tm_isdst > 0 ? 1 : 0;
    return r;
  }
  const char* tz_name(int index) override { return crt_.tz_name(index); }
  std::size_t str_ftime(std::span<char> buffer, const char* format,
                        const std::tm& t) override {
    return crt_.str_ftime(buffer, format, t);
  }
  std::int64_t mktime64(std::tm& t) override {
    return mktime_fails ? -1 : crt_.mktime64(t);
  }
  void print(const char* format) override { crt_.print(format); }
  void print_text(const char* format, const char* text) override {
    crt_.print_text(format, text);
  }
  void print_texts(const char* format, const char* first,
                   const char* second) override {
    crt_.print_texts(format, first, second);
  }
  void print_u64(const char* format, std::uint64_t value) override {
    crt_.print_u64(format, value);
  }
  void print_unsigned(const char* format, unsigned value) override {
    crt_.print_unsigned(format, value);
  }
  void print_int(const char* format, int value) override {
    crt_.print_int(format, value);
  }
  void print_double(const char* format, double value) override {
    crt_.print_double(format, value);
  }
  void flush() override { out_.text += "<flush>"; }
  int get_key() override {
    out_.text += "<key>";
    if (keys.empty()) return -1;
    const int code = keys.front();
    keys.pop_front();
    return code;
  }

 private:
  void clock_text(std::span<char> buffer, const char* format) {
    buffer[0] = '\0';
    if (const std::tm* local = crt_.localtime64(instant_); local != nullptr)
      crt_.str_ftime(buffer, format, *local);
  }

  string_capture out_;
  system_crt crt_;
  std::int64_t instant_;
  std::uint16_t millis_;
};

std::string report_at(const std::string& tz, std::int64_t instant,
                      std::uint16_t millis = 0) {
  use_zone(tz);
  fixed_instant crt(instant, millis);
  time_report(crt);
  return crt.out();
}

// The line of `report` that starts with `label`, without its line end;
// empty when there is none.
std::string line_of(const std::string& report, const std::string& label) {
  const std::size_t at = report.find("\n" + label);
  if (at == std::string::npos) return {};
  const std::size_t start = at + 1;
  std::size_t end = report.find('\n', start);
  if (end == std::string::npos) end = report.size();
  if (end > start && report[end - 1] == '\r') --end;
  return report.substr(start, end - start);
}

// The value of the labelled line: everything from column 38 on.
std::string value_of(const std::string& report, const std::string& label) {
  const std::string line = line_of(report, label);
  return line.size() > 37 ? line.substr(37) : std::string();
}

// The run-time's day of the month in its fixed time form: msvcrt writes a
// leading zero, the C library a space.
std::string fixed_form_day(int day) {
  std::string s = std::to_string(day);
  if (s.size() == 1) s.insert(0, 1, on_windows ? '0' : ' ');
  return s;
}

// The zone names as the run-time parsed them from TZ (Wine's msvcrt keeps
// only two letters of each).
std::string zone_name(const std::string& tz, int index) {
  use_zone(tz);
  string_capture ignored;
  system_crt crt(&ignored.sink);
  return crt.tz_name(index);
}

TEST(TimeReport, WholeReportByteExact) {
  // Monday 7 December 2026, 06:00:00 EST.
  const std::string report = report_at("EST5EDT", 1796641200, 250);
  const std::string expected =
      "\r\n64-bit Date and Time Functions - C Run-time Library\r\n"
      " OS time:                            06:00:00\r\n"
      " OS date:                            12/07/26\r\n"
      " Time in seconds since UTC 1/1/1970: 1796641200\r\n"
      " Time and date string:               Mon Dec " +
      fixed_form_day(7) +
      " 06:00:00 2026\n"
      " Coordinated universal time:         Mon Dec " +
      fixed_form_day(7) +
      " 11:00:00 2026\n"
      " 12-hour time:                       06:00:00 AM\r\n"
      " Plus milliseconds:                  250\r\n"
      " Zone difference in hours from UTC:  5\r\n"
      " Time zone name:                     " +
      zone_name("EST5EDT", 0) +
      "\r\n"
      " Daylight savings:                   False\r\n"
      " Today is:                           Monday, December 07, 2026\r\n"
      " Christmas this year:                Friday, December 25, 2026\r\n"
      " Days until Christmas:               18\r\n";
  EXPECT_EQ(report, expected);
}

TEST(TimeReport, TwelveHourClock) {
  struct sample {
    std::int64_t instant;  // 10 March 2026 at UTC
    const char* shown;
  };
  const sample samples[] = {
      {1773102005, "12:20:05 AM"},  // 00:20:05
      {1773104400, "01:00:00 AM"},  // 01:00:00
      {1773143999, "11:59:59 AM"},  // 11:59:59
      {1773144000, "12:00:00 PM"},  // 12:00:00
      {1773147909, "01:05:09 PM"},  // 13:05:09
      {1773187199, "11:59:59 PM"},  // 23:59:59
  };
  for (const sample& s : samples) {
    const std::string report = report_at("UTC0", s.instant);
    EXPECT_EQ(value_of(report, " 12-hour time:"), s.shown) << s.instant;
    // The 12-hour change must not leak into the lines made afterwards.
    EXPECT_EQ(value_of(report, " Today is:"), "Tuesday, March 10, 2026")
        << s.instant;
  }
}

TEST(TimeReport, ZoneAndDaylightLines) {
  struct sample {
    const char* tz;
    std::int64_t instant;
    const char* hours;
    bool daylight;
  };
  const sample samples[] = {
      {"EST5EDT", 1796641200, "5", false},  // December
      {"EST5EDT", 1784122200, "5", true},   // July
      {"NST3:30", 1796641200, "3", false},  // 210 minutes west
      {"UTC0", 1796641200, "0", false},
      {"CET-1", 1796641200, "-1", false},     // 60 minutes east
      {"IST-5:30", 1796641200, "-5", false},  // 330 minutes east
  };
  for (const sample& s : samples) {
    const std::string report = report_at(s.tz, s.instant);
    EXPECT_EQ(value_of(report, " Zone difference in hours from UTC:"), s.hours)
        << s.tz;
    EXPECT_EQ(value_of(report, " Daylight savings:"),
              s.daylight ? "True" : "False")
        << s.tz;
    const std::string name = zone_name(s.tz, s.daylight ? 1 : 0);
    EXPECT_FALSE(name.empty()) << s.tz;
    EXPECT_EQ(name[0], s.tz[0]) << s.tz;
    EXPECT_EQ(value_of(report, " Time zone name:"), name) << s.tz;
  }
  // The two names differ, so the wrong choice shows.
  EXPECT_NE(zone_name("EST5EDT", 0), zone_name("EST5EDT", 1));
}

TEST(TimeReport, ChristmasAndDays) {
  struct sample {
    std::int64_t instant;  // EST5EDT
    const char* christmas;
    const char* days;
  };
  const sample samples[] = {
      {1798196400, "Friday, December 25, 2026", "0"},       // 25 Dec, 06:00
      {1798736400, "Friday, December 25, 2026", "6"},       // 31 Dec, noon
      {1767286800, "Friday, December 25, 2026", "358"},     // 1 Jan, noon
      {1704128400, "Wednesday, December 25, 2024", "359"},  // leap year
      {1829754000, "Saturday, December 25, 2027", "0"},     // 25 Dec, noon
  };
  for (const sample& s : samples) {
    const std::string report = report_at("EST5EDT", s.instant);
    EXPECT_EQ(value_of(report, " Christmas this year:"), s.christmas)
        << s.instant;
    EXPECT_EQ(value_of(report, " Days until Christmas:"), s.days) << s.instant;
  }
}

TEST(TimeReport, MissingConversionsShowUnknown) {
  use_zone("UTC0");
  {
    fixed_instant crt(1796641200, 0);
    crt.no_ctime = true;
    crt.no_gmtime = true;
    time_report(crt);
    EXPECT_EQ(line_of(crt.out(), " Time and date string:"),
              " Time and date string:               unknown");
    EXPECT_EQ(line_of(crt.out(), " Coordinated universal time:"),
              " Coordinated universal time:         unknown");
    EXPECT_NE(crt.out().find("unknown\r\n 12-hour time:"), std::string::npos);
    EXPECT_EQ(value_of(crt.out(), " 12-hour time:"), "11:00:00 AM");
  }
  {
    fixed_instant crt(1796641200, 0);
    crt.no_localtime = true;
    time_report(crt);
    EXPECT_EQ(value_of(crt.out(), " 12-hour time:"), "unknown");
    EXPECT_EQ(value_of(crt.out(), " Today is:"), "unknown");
    EXPECT_EQ(line_of(crt.out(), " Christmas this year:"), "");
    EXPECT_EQ(value_of(crt.out(), " Days until Christmas:"), "unknown");
    EXPECT_TRUE(crt.out().ends_with("unknown\r\n"));
  }
  {
    fixed_instant crt(1796641200, 0);
    crt.mktime_fails = true;
    time_report(crt);
    EXPECT_EQ(value_of(crt.out(), " Today is:"), "Monday, December 07, 2026");
    EXPECT_EQ(line_of(crt.out(), " Christmas this year:"), "");
    EXPECT_TRUE(
        crt.out().ends_with("December 07, 2026\r\n Days until Christmas:       "
                            "        unknown\r\n"));
  }
  {
    // A time string shorter than the fixed form is not read past its end.
    fixed_instant crt(1796641200, 0);
    crt.short_asctime = true;
    time_report(crt);
    EXPECT_EQ(value_of(crt.out(), " 12-hour time:"), "unknown");
    EXPECT_EQ(value_of(crt.out(), " Coordinated universal time:"), "Mon");
  }
}

TEST(TimeReport, EveryValueStartsInColumn38) {
  const std::string report = report_at("EST5EDT", 1796641200, 7);
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t lf; (lf = report.find('\n', start)) != std::string::npos;
       start = lf + 1)
    lines.push_back(report.substr(start, lf - start));
  ASSERT_EQ(lines.size(), 15u);
  EXPECT_EQ(lines[0], "\r");
  for (std::size_t i = 2; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    ASSERT_GT(line.size(), 38u) << line;
    // " Label:" padded with spaces to 37 characters.
    const std::string label = line.substr(0, 37);
    const std::size_t colon = label.rfind(':');
    EXPECT_EQ(label[0], ' ') << line;
    ASSERT_NE(colon, std::string::npos) << line;
    EXPECT_EQ(label.find_first_not_of(' ', colon + 1), std::string::npos)
        << line;
    EXPECT_NE(line[37], ' ') << line;
    // Only the run-time's own time strings end with a bare line feed.
    const bool bare = i == 5 || i == 6;
    EXPECT_EQ(line.back() == '\r', !bare) << line;
  }
}

TEST(TimeDifference, AbsoluteAndExact) {
  constexpr std::int64_t max = std::numeric_limits<std::int64_t>::max();
  constexpr std::int64_t min = std::numeric_limits<std::int64_t>::min();
  struct sample {
    std::int64_t first;
    std::int64_t second;
    double difference;
  };
  const sample samples[] = {
      {0, 0, 0.0},
      {5, 2, 3.0},
      {2, 5, 3.0},
      {-1, 1, 2.0},
      {1798196400, 1798218000, 21600.0},
      // Neighbours that a double cannot tell apart.
      {max, max - 1, 1.0},
      {min + 1, min, 1.0},
      // Would overflow as an integer subtraction.
      {min, max, 18446744073709551616.0},
      {max, min, 18446744073709551616.0},
      {max, -1, 9223372036854775808.0},
  };
  for (const sample& s : samples) {
    double difference = -1.0;
    time_difference(&s.first, &s.second, &difference);
    EXPECT_EQ(difference, s.difference) << s.first << " " << s.second;
  }
}

TEST(WaitForKey, OneKeyPressWithOneOrTwoCodes) {
  struct sample {
    std::deque<int> codes;
    const char* log;
    std::size_t left;
  };
  const char* one = "\r\nPress any key to continue...<flush><key>\r\n";
  const char* two = "\r\nPress any key to continue...<flush><key><key>\r\n";
  const sample samples[] = {
      {{'x', 'y'}, one, 1},
      {{13}, one, 0},
      {{27, '['}, one, 1},
      {{0, 0x3B, 'y'}, two, 1},     // F1
      {{0xE0, 0x48, 'y'}, two, 1},  // cursor up
      {{0xE0, 0xE0, 'y'}, two, 1},  // the second code is never a new key
      {{0, 0}, two, 0},
      {{-1}, one, 0},  // no console, input at its end
      {{}, one, 0},
  };
  for (const sample& s : samples) {
    fixed_instant keys(0, 0);
    keys.keys = s.codes;
    wait_for_key(keys);
    EXPECT_EQ(keys.out(), s.log);
    EXPECT_EQ(keys.keys.size(), s.left);
  }
}

}  // namespace
}  // namespace tk::timeinfo
