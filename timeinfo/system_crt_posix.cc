// The report's run-time services from the POSIX C library. Names, offsets
// and conversions come from localtime_r and friends, tzname and timezone;
// the key is read from standard input, with a terminal in raw mode so that
// one key press is taken without Enter and without echo.
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <new>
#include <utility>

#include "timeinfo/crt_print.h"
#include "timeinfo/key_codes.h"
#include "timeinfo/system_crt.h"

namespace tk::timeinfo {

const char seconds_line_format[] =
    " Time in seconds since UTC 1/1/1970: %" PRIu64 "\r\n";

namespace {

// How long the rest of an escape sequence or a UTF-8 character may take to
// arrive after its first byte.
constexpr int key_rest_wait_ms = 100;

// The run-time's fixed form needs 26 bytes; room for larger years too.
using time_text = std::array<char, 64>;

bool to_time_t(std::int64_t t, std::time_t& out) {
  if (!std::in_range<std::time_t>(t)) return false;
  out = static_cast<std::time_t>(t);
  return true;
}

void put_clock_text(std::span<char> buffer, const char* format) {
  if (buffer.empty()) return;
  buffer[0] = '\0';
  if (buffer.size() < 9) return;
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  if (localtime_r(&now, &local) == nullptr) return;
  if (std::strftime(buffer.data(), buffer.size(), format, &local) == 0)
    buffer[0] = '\0';
}

// The terminal settings to put back if the process is ended by a signal
// while the terminal is raw.
struct termios saved_settings;
volatile sig_atomic_t settings_saved = 0;

void restore_and_reraise(int sig) {
  if (settings_saved != 0) tcsetattr(STDIN_FILENO, TCSANOW, &saved_settings);
  signal(sig, SIG_DFL);
  raise(sig);
}

constexpr std::array<int, 3> ending_signals{SIGHUP, SIGINT, SIGTERM};

// Raw mode for one key: no line editing, no echo, no signal keys, CR kept
// as CR. Does nothing when `fd` is not a terminal.
class raw_terminal {
 public:
  explicit raw_terminal(int fd) : fd_(fd) {
    if (isatty(fd) == 0 || tcgetattr(fd, &saved_) != 0) return;
    struct termios raw = saved_;
    raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ISIG | IEXTEN);
    raw.c_iflag &= ~static_cast<tcflag_t>(IXON | ICRNL | INLCR | IGNCR);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    saved_settings = saved_;
    settings_saved = 1;
    struct sigaction action {};
    action.sa_handler = restore_and_reraise;
    sigemptyset(&action.sa_mask);
    // A signal that the parent chose to ignore (nohup, trap '' HUP) stays
    // ignored.
    for (std::size_t i = 0; i < ending_signals.size(); ++i) {
      sigaction(ending_signals[i], nullptr, &old_actions_[i]);
      if (old_actions_[i].sa_handler != SIG_IGN)
        sigaction(ending_signals[i], &action, nullptr);
    }
    active_ = tcsetattr(fd, TCSANOW, &raw) == 0;
  }
  raw_terminal(const raw_terminal&) = delete;
  raw_terminal& operator=(const raw_terminal&) = delete;
  ~raw_terminal() {
    if (settings_saved == 0) return;
    if (active_) tcsetattr(fd_, TCSANOW, &saved_);
    for (std::size_t i = 0; i < ending_signals.size(); ++i)
      sigaction(ending_signals[i], &old_actions_[i], nullptr);
    settings_saved = 0;
  }

 private:
  int fd_;
  struct termios saved_ {};
  std::array<struct sigaction, ending_signals.size()> old_actions_{};
  bool active_ = false;
};

// Reads one byte; waits at most `wait_ms` for it (-1: as long as it
// takes). False at end of input, on error or when the wait ran out.
bool read_byte(int fd, unsigned char& byte, int wait_ms) {
  if (wait_ms >= 0) {
    struct pollfd p {};
    p.fd = fd;
    p.events = POLLIN;
    int ready = 0;
    while ((ready = poll(&p, 1, wait_ms)) < 0 && errno == EINTR) {
    }
    if (ready <= 0) return false;
  }
  ssize_t n = 0;
  while ((n = read(fd, &byte, 1)) < 0 && errno == EINTR) {
  }
  return n == 1;
}

}  // namespace

void crt_vprint(const print_capture* capture, const char* format,
                va_list args) {
  if (capture == nullptr) {
    std::vprintf(format, args);
    return;
  }
  va_list measure;
  va_copy(measure, args);
  const int n = std::vsnprintf(nullptr, 0, format, measure);
  va_end(measure);
  if (n <= 0) return;
  const auto length = static_cast<std::size_t>(n);
  char* const buffer = static_cast<char*>(std::malloc(length + 1));
  if (buffer == nullptr) return;
  std::vsnprintf(buffer, length + 1, format, args);
  capture->append(capture->context, buffer, length);
  std::free(buffer);
}

struct system_crt::state {
  std::tm converted{};  // shared by gmtime64 and localtime64
  time_text asc{};
  time_text ctime{};
  int pending_key = -1;
};

system_crt::system_crt(const print_capture* capture)
    : state_(static_cast<state*>(std::calloc(1, sizeof(state)))),
      capture_(capture) {
  // Without its state the run-time cannot be served at all.
  if (state_ == nullptr) end_process(1);
  new (state_) state();
}

system_crt::~system_crt() {
  if (capture_ == nullptr) std::fflush(stdout);
  state_->~state();
  std::free(state_);
}

void system_crt::tz_set() { tzset(); }

void system_crt::str_time(std::span<char> buffer) {
  put_clock_text(buffer, "%H:%M:%S");
}

void system_crt::str_date(std::span<char> buffer) {
  put_clock_text(buffer, "%m/%d/%y");
}

std::int64_t system_crt::time64() {
  return static_cast<std::int64_t>(std::time(nullptr));
}

const char* system_crt::ctime64(std::int64_t t) {
  std::time_t v{};
  std::tm local{};
  if (!to_time_t(t, v) || localtime_r(&v, &local) == nullptr) return nullptr;
  return asctime_r(&local, state_->ctime.data());
}

const char* system_crt::asc_time(const std::tm& t) {
  return asctime_r(&t, state_->asc.data());
}

std::tm* system_crt::gmtime64(std::int64_t t) {
  std::time_t v{};
  if (!to_time_t(t, v)) return nullptr;
  return gmtime_r(&v, &state_->converted);
}

std::tm* system_crt::localtime64(std::int64_t t) {
  std::time_t v{};
  if (!to_time_t(t, v)) return nullptr;
  return localtime_r(&v, &state_->converted);
}

time_reading system_crt::ftime64() {
  struct timespec now {};
  clock_gettime(CLOCK_REALTIME, &now);
  time_reading r;
  r.time = static_cast<std::int64_t>(now.tv_sec);
  r.millitm = static_cast<std::uint16_t>(now.tv_nsec / 1000000);
  r.timezone = zone_minutes_west();
  std::tm local{};
  if (localtime_r(&now.tv_sec, &local) != nullptr && local.tm_isdst > 0)
    r.dstflag = 1;
  return r;
}

std::int16_t system_crt::zone_minutes_west() {
  tzset();
  return static_cast<std::int16_t>(::timezone / 60);
}

const char* system_crt::tz_name(int index) {
  const char* name = ::tzname[index != 0 ? 1 : 0];
  return name != nullptr ? name : "";
}

std::size_t system_crt::str_ftime(std::span<char> buffer, const char* format,
                                  const std::tm& t) {
  if (buffer.empty()) return 0;
  const std::size_t n = std::strftime(buffer.data(), buffer.size(), format, &t);
  if (n == 0) buffer[0] = '\0';
  return n;
}

std::int64_t system_crt::mktime64(std::tm& t) {
  return static_cast<std::int64_t>(std::mktime(&t));
}

void system_crt::flush() {
  if (capture_ == nullptr) std::fflush(stdout);
}

int system_crt::get_key() {
  if (state_->pending_key >= 0) return std::exchange(state_->pending_key, -1);
  std::array<unsigned char, max_key_bytes> bytes{};
  std::size_t n = 0;
  {
    raw_terminal raw(STDIN_FILENO);
    if (!read_byte(STDIN_FILENO, bytes[0], -1)) return -1;
    n = 1;
    while (n < bytes.size() && !key_is_complete(std::span(bytes.data(), n)) &&
           read_byte(STDIN_FILENO, bytes[n], key_rest_wait_ms))
      ++n;
  }
  const key_codes codes = codes_of_key(std::span(bytes.data(), n));
  state_->pending_key = codes.second;
  return codes.first;
}

void set_zone_variable(const char* tz) {
  if (*tz == '\0')
    unsetenv("TZ");
  else
    setenv("TZ", tz, 1);
}

void end_process(int code) {
  std::fflush(stdout);
  _exit(code);
}

}  // namespace tk::timeinfo
