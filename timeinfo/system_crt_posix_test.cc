// The POSIX run-time services read from the real clock and the zone that TZ
// names; the expected texts are worked out from UTC and the zone's offset.
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>
#include <thread>

#include "timeinfo/string_capture.h"
#include "timeinfo/system_crt.h"

namespace tk::timeinfo {
namespace {

// "mm/dd/yy" and "hh:mm:ss" of `t` in a zone `east` seconds ahead of UTC.
std::string clock_texts(std::time_t t, long east) {
  const std::time_t shifted = t + east;
  std::tm u{};
  gmtime_r(&shifted, &u);
  std::array<char, 32> text{};
  std::snprintf(text.data(), text.size(), "%02d/%02d/%02d %02d:%02d:%02d",
                u.tm_mon + 1, u.tm_mday, u.tm_year % 100, u.tm_hour, u.tm_min,
                u.tm_sec);
  return text.data();
}

// 26 hours apart, the two zones always show two different dates, and of
// two neighbouring dates at most one has its day equal to its month: a
// date printed day first shows in at least one of them.
TEST(SystemCrt, OsDateIsMonthDayYear) {
  const struct {
    const char* tz;
    long east;
  } zones[] = {{"AAA12", -12 * 3600L}, {"BBB-14", 14 * 3600L}};
  for (const auto& zone : zones) {
    set_zone_variable(zone.tz);
    string_capture ignored;
    system_crt crt(&ignored.sink);
    crt.tz_set();
    std::array<char, 128> date{};
    std::array<char, 128> time{};
    const std::time_t before = std::time(nullptr);
    crt.str_date(date);
    crt.str_time(time);
    const std::time_t after = std::time(nullptr);
    const std::string got = std::string(date.data()) + " " + time.data();
    bool seen = false;
    for (std::time_t t = before; t <= after; ++t)
      seen = seen || got == clock_texts(t, zone.east);
    EXPECT_TRUE(seen) << zone.tz << ": " << got << ", expected "
                      << clock_texts(before, zone.east);
  }
}

TEST(SystemCrt, DaylightFlagOnlyWhileDaylightTimeIsOn) {
  const struct {
    const char* tz;
    std::int16_t west;
    std::int16_t dstflag;
  } samples[] = {
      {"UTC0", 0, 0},
      {"AAA5", 300, 0},                 // no daylight time at all
      {"AAA5BBB,0/0,J365/25", 300, 1},  // daylight time all the year
      {"CCC-3:30", -210, 0},
  };
  for (const auto& s : samples) {
    set_zone_variable(s.tz);
    string_capture ignored;
    system_crt crt(&ignored.sink);
    crt.tz_set();
    // The clock that ftime64 reads: time() may lag it by a tick, and so be
    // a second behind just after a second begins.
    auto now = [] {
      struct timespec t {};
      clock_gettime(CLOCK_REALTIME, &t);
      return static_cast<std::int64_t>(t.tv_sec);
    };
    const std::int64_t before = now();
    const time_reading r = crt.ftime64();
    EXPECT_EQ(r.dstflag, s.dstflag) << s.tz;
    EXPECT_EQ(r.timezone, s.west) << s.tz;
    EXPECT_GE(r.time, before) << s.tz;
    EXPECT_LE(r.time, now()) << s.tz;
    EXPECT_LT(r.millitm, 1000) << s.tz;
  }
}

// The rest of an escape sequence may come a moment after its ESC: the key
// is read whole, and nothing of it is left for the next reader. The writer
// sends "[A" once the ESC has been taken, after a pause.
TEST(SystemCrt, KeyWhoseBytesArriveApartIsReadWhole) {
  std::array<int, 2> ends{};
  ASSERT_EQ(::pipe(ends.data()), 0);
  const int saved_stdin = ::dup(STDIN_FILENO);
  ASSERT_EQ(::dup2(ends[0], STDIN_FILENO), STDIN_FILENO);
  bool sent = false;
  std::thread writer([&ends, &sent] {
    sent = ::write(ends[1], "\x1B", 1) == 1;
    int queued = 1;
    while (::ioctl(ends[1], FIONREAD, &queued) == 0 && queued > 0)
      std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    sent = sent && ::write(ends[1], "[A", 2) == 2;
  });
  string_capture ignored;
  system_crt crt(&ignored.sink);
  const int first = crt.get_key();
  const int second = crt.get_key();
  writer.join();
  int left = -1;
  ::ioctl(ends[0], FIONREAD, &left);
  ::dup2(saved_stdin, STDIN_FILENO);
  for (const int fd : {saved_stdin, ends[0], ends[1]}) ::close(fd);
  EXPECT_TRUE(sent);
  EXPECT_EQ(first, 0xE0);
  EXPECT_EQ(second, 'A');
  EXPECT_EQ(left, 0);
}

}  // namespace
}  // namespace tk::timeinfo
