// The bad-input matrix: the real programs, started with bad arguments, files
// that cannot be read, odd contents, huge inputs and targets that cannot be
// written. Each run is checked for its exact console output and exit
// status, for ending at all (a watchdog ends the test program when a run
// hangs), and for leaving every file it was not asked to write unchanged
// (checksums of the whole scratch directory before and after).
#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <random>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "expected_texts.h"
#include "gtest/gtest.h"
#include "test_util.h"

namespace {

namespace fs = std::filesystem;
using tk::test::program_path;
using tk::test::read_file;
using tk::test::run_output;
using tk::test::write_file;

// ---------------------------------------------------------------------------
// Texts the programs print.

const std::string tksub_usage(tk::test::expected::tksub_usage);
const std::string missing_first =
    std::string(tk::test::expected::tksub_missing_first) + tksub_usage;
const std::string missing_second =
    std::string(tk::test::expected::tksub_missing_second) + tksub_usage;
const std::string missing_third =
    std::string(tk::test::expected::tksub_missing_third) + tksub_usage;

const std::string deflib_usage(tk::test::expected::deflib_usage);

#ifdef _WIN32
const std::string librarian = "\\tolvane\\bin\\link";
#else
const std::string librarian = "/tolvane/bin/link";
#endif

// What deflib says when the librarian is not there (never, in these
// tests: the scratch directories' drive has no \tolvane).
std::string no_librarian(std::string_view base) {
  return "deflib: cannot start the librarian: " + librarian +
         " -lib /machine:ix86 /def:" + std::string(base) + ".def\r\n";
}

const std::string rule = "  ; ------------------------------------------\r\n";

std::string def_header(std::string_view base) {
  return "LIBRARY " + std::string(base) + "\r\n\r\n";
}
std::string inc_header(std::string_view base) {
  const std::string b(base);
  return rule + "  ; prototypes for EXPORT " + b + " functions\r\n" + rule +
         "\r\n    c_" + b + " typedef PROTO C :VARARG\r\n\r\n";
}

// ---------------------------------------------------------------------------
// Running a program and checking what it left behind.

// Ends the test program when a run has not ended within its time: a hang
// must fail the test rather than stall it until CTest's own timeout.
class watchdog {
 public:
  watchdog(std::string what, int seconds)
      : what_(std::move(what)), thread_([this, seconds] {
          std::unique_lock<std::mutex> lock(mutex_);
          if (!done_cv_.wait_for(lock, std::chrono::seconds(seconds),
                                 [this] { return done_; })) {
            std::fprintf(stderr, "HANG: %s did not end within %d s\n",
                         what_.c_str(), seconds);
            std::fflush(stderr);
            std::_Exit(3);
          }
        }) {}
  watchdog(const watchdog&) = delete;
  watchdog& operator=(const watchdog&) = delete;
  ~watchdog() {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      done_ = true;
    }
    done_cv_.notify_one();
    thread_.join();
  }

 private:
  std::string what_;
  std::mutex mutex_;
  std::condition_variable done_cv_;
  bool done_ = false;
  std::thread thread_;
};

constexpr int run_limit_seconds = 180;

std::uint64_t checksum(std::string_view bytes) {
  std::uint64_t h = 14695981039346656037ull;  // FNV-1a
  for (const char c : bytes) {
    h ^= static_cast<unsigned char>(c);
    h *= 1099511628211ull;
  }
  return h;
}

// Every file and directory below `dir`, with a checksum of each file.
std::map<std::string, std::uint64_t> snapshot(const fs::path& dir) {
  std::map<std::string, std::uint64_t> sums;
  for (const auto& e : fs::recursive_directory_iterator(dir)) {
    const std::string name = fs::relative(e.path(), dir).generic_string();
    std::uint64_t sum = 1;  // a directory
    if (e.is_regular_file()) {
      try {
        sum = checksum(read_file(e.path()));
      } catch (const std::runtime_error&) {
        sum = 2;  // a file that the test itself made unreadable
      }
    }
    sums[name] = sum;
  }
  return sums;
}

// A scratch directory beside the build's bin/. Under Wine it is on the
// drive of the build tree, whose root holds no \tolvane, so deflib never
// finds a librarian there (the deflib tests put a stand-in on the drive of
// the system's temporary directory).
class scratch_dir {
 public:
  scratch_dir() {
    std::random_device rd;
    const fs::path base = tk::test::bin_dir().parent_path() / "bad-input-work";
    fs::create_directories(base);
    for (int attempt = 0;; ++attempt) {
      path_ = base / ("case-" + std::to_string(rd()));
      if (fs::create_directory(path_)) break;
      if (attempt > 100) throw std::runtime_error("no scratch directory");
    }
  }
  scratch_dir(const scratch_dir&) = delete;
  scratch_dir& operator=(const scratch_dir&) = delete;
  ~scratch_dir() {
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(path_, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
      fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add,
                      ec);
    fs::remove_all(path_, ec);
  }
  const fs::path& path() const { return path_; }
  fs::path operator/(std::string_view name) const {
    return path_ / std::string(name);
  }

 private:
  fs::path path_;
};

struct expected {
  unsigned status = 0;
  std::string out;
  // Files (relative names) that the run may create or change.
  std::set<std::string> written;
};

// Runs `tool` with `args` in `dir`, within the time limit, and checks that
// it changed or created no file but those in `written`.
run_output run_guarded(const std::string& tool, const std::string& args,
                       const scratch_dir& dir,
                       const std::set<std::string>& written,
                       std::string_view stdin_bytes = {}) {
  const auto before = snapshot(dir.path());
  run_output r;
  {
    const watchdog guard(tool + args, run_limit_seconds);
    r = tk::test::run_capture(tk::test::quoted(program_path(tool)) + args,
                              dir.path(), stdin_bytes);
  }
  const std::string label = tool + args;
  EXPECT_TRUE(r.started) << label;
  const auto after = snapshot(dir.path());
  for (const auto& [name, sum] : before) {
    if (written.count(name) != 0) continue;
    const auto it = after.find(name);
    EXPECT_TRUE(it != after.end()) << label << ": " << name << " vanished";
    if (it != after.end()) {
      EXPECT_EQ(it->second, sum) << label << ": " << name << " was changed";
    }
  }
  for (const auto& [name, sum] : after) {
    (void)sum;
    if (before.count(name) == 0) {
      EXPECT_EQ(written.count(name), 1u)
          << label << ": " << name << " appeared";
    }
  }
  return r;
}

// run_guarded, and the exact exit status and console output.
void run_checked(const std::string& tool, const std::string& args,
                 const scratch_dir& dir, const expected& want) {
  const run_output r = run_guarded(tool, args, dir, want.written);
  const std::string label = tool + args;
  EXPECT_EQ(r.exit_code, want.status) << label;
  if (r.out.size() < 4096) {
    EXPECT_EQ(r.out, want.out) << label;
  } else {
    EXPECT_TRUE(r.out == want.out)
        << label << ": " << r.out.size() << " bytes of output differ";
  }
  EXPECT_EQ(r.err, "") << label;
}

bool program_built(const std::string& tool) {
  return fs::exists(program_path(tool));
}

#define REQUIRE_PROGRAM(tool)                        \
  do {                                               \
    if (!program_built(tool)) {                      \
      GTEST_SKIP() << (tool) << " is not built yet"; \
    }                                                \
  } while (false)

// Runs `tool` with `arg_text` as its command line after the program name,
// handed over exactly as typed, so that an unbalanced quotation mark
// reaches the program. Gives the exit status and standard output.
struct raw_run {
  unsigned status = 0;
  std::string out;
};

#ifdef _WIN32
raw_run run_raw(const std::string& tool, const std::string& arg_text,
                const scratch_dir& dir) {
  // Windows hands the command line over unchanged.
  const run_output r = tk::test::run_capture(
      tk::test::quoted(program_path(tool)) + " " + arg_text, dir.path());
  return {r.exit_code, r.out};
}
#else
raw_run run_raw(const std::string& tool, const std::string& arg_text,
                const scratch_dir& dir) {
  // POSIX programs get argv; each blank-separated piece of the text becomes
  // one argument, quotation marks and all, through the shell's single
  // quotes.
  std::string command =
      "cd '" + dir.path().string() + "' && '" + program_path(tool) + "'";
  std::size_t i = 0;
  while (i < arg_text.size()) {
    const std::size_t end = std::min(arg_text.find(' ', i), arg_text.size());
    if (end > i) command += " '" + arg_text.substr(i, end - i) + "'";
    i = end + 1;
  }
  const std::string out_file = (dir / "raw-stdout").string();
  command += " >'" + out_file + "' 2>&1 </dev/null";
  const int rc = std::system(command.c_str());
  raw_run r;
  r.status = WIFEXITED(rc) ? static_cast<unsigned>(WEXITSTATUS(rc)) : 999u;
  r.out = read_file(out_file);
  fs::remove(out_file);
  return r;
}
#endif

// Keeps a file from being opened by the programs while it lives, or says
// why that cannot be done here.
#ifdef _WIN32
class unreadable_file {
 public:
  // Opened without sharing: every other open fails until it is closed.
  explicit unreadable_file(const fs::path& name)
      : handle_(CreateFileA(name.string().c_str(), GENERIC_READ, 0, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {
    if (handle_ == INVALID_HANDLE_VALUE) why_not_ = "cannot lock the file";
  }
  unreadable_file(const unreadable_file&) = delete;
  unreadable_file& operator=(const unreadable_file&) = delete;
  ~unreadable_file() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  // Empty when the file is unreadable now.
  const std::string& why_not() const { return why_not_; }

 private:
  HANDLE handle_;
  std::string why_not_;
};
#else
class unreadable_file {
 public:
  explicit unreadable_file(const fs::path& name) {
    if (::geteuid() == 0) {
      why_not_ =
          "running as root: permission bits do not stop reading, so an "
          "unreadable file cannot be made here";
    } else {
      fs::permissions(name, fs::perms::none);
    }
  }
  // Empty when the file is unreadable now.
  const std::string& why_not() const { return why_not_; }

 private:
  std::string why_not_;
};
#endif

// Makes `name` vanish and come back, over and over, by renaming it away and
// back (each rename is atomic, so the file is whole whenever it is there),
// until the object goes away. A rename that the system refuses because a
// program has the file open is simply tried again.
class vanishing_file {
 public:
  explicit vanishing_file(fs::path name)
      : name_(std::move(name)),
        away_(name_.string() + ".away"),
        thread_([this] {
          std::error_code ec;
          while (!stop_.load()) {
            fs::rename(name_, away_, ec);
            std::this_thread::yield();
            fs::rename(away_, name_, ec);
            std::this_thread::yield();
          }
          if (!fs::exists(name_)) fs::rename(away_, name_, ec);
        }) {}
  vanishing_file(const vanishing_file&) = delete;
  vanishing_file& operator=(const vanishing_file&) = delete;
  ~vanishing_file() {
    stop_ = true;
    thread_.join();
  }

 private:
  fs::path name_, away_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// How often each of the accepted outcomes of a racing run came up.
void note_outcomes(std::string_view what, const std::map<std::string, int>& n) {
  std::string text;
  for (const auto& [outcome, count] : n)
    text += " " + outcome + "=" + std::to_string(count);
  std::printf("[ NOTE     ] %.*s:%s\n", static_cast<int>(what.size()),
              what.data(), text.c_str());
}

// Every byte value from 0 to 255, `times` times over.
std::string all_bytes(int times) {
  std::string block;
  for (int c = 0; c < 256; ++c) block += static_cast<char>(c);
  std::string s;
  for (int i = 0; i < times; ++i) s += block;
  return s;
}

std::string written_report(std::string_view target, std::size_t bytes) {
  return std::string(target) + " written at " + std::to_string(bytes) +
         " bytes\r\n";
}

// ---------------------------------------------------------------------------
// tksub

TEST(TksubBadInput, Arguments) {
  REQUIRE_PROGRAM("tksub");
  scratch_dir dir;
  write_file(dir / "p.equ", "a b");
  write_file(dir / "s.asm", "a\r\n");
  run_checked("tksub", "", dir, {1, missing_first, {}});
  run_checked("tksub", " \"\" s.asm t.asm", dir, {1, missing_first, {}});
  run_checked("tksub", " p.equ \"\" t.asm", dir, {1, missing_second, {}});
  run_checked("tksub", " p.equ s.asm", dir, {1, missing_third, {}});
  run_checked("tksub", " nothing.equ s.asm t.asm", dir, {1, missing_first, {}});
  // An empty third argument names no file that can be written.
  run_checked("tksub", " p.equ s.asm \"\"", dir,
              {1, "Cannot write target file ''\r\n", {}});
  const std::string long_name(300, 'n');
  run_checked("tksub", " p.equ " + long_name + " t.asm", dir,
              {1,
               "Argument 2 is too long for a file name (259 characters at "
               "most)\r\n" +
                   tksub_usage,
               {}});

  // Unbalanced quotation marks make every argument unavailable.
  const auto before = snapshot(dir.path());
  for (const char* line :
       {"\"p.equ s.asm t.asm", "p.equ \"s.asm t.asm", "p.equ s.asm t.asm\""}) {
    const raw_run r = run_raw("tksub", line, dir);
    EXPECT_EQ(r.status, 1u) << line;
    EXPECT_EQ(r.out, missing_first) << line;
  }
  EXPECT_EQ(snapshot(dir.path()), before);
}

TEST(TksubBadInput, NamesThatCannotBeRead) {
  REQUIRE_PROGRAM("tksub");
  scratch_dir dir;
  write_file(dir / "p.equ", "a b");
  write_file(dir / "s.asm", "a\r\n");
  fs::create_directory(dir / "dir");
  run_checked("tksub", " dir s.asm t.asm", dir,
              {1, "Cannot read word file 'dir'\r\n", {}});
  run_checked("tksub", " p.equ dir t.asm", dir,
              {1, "Cannot read source file 'dir'\r\n", {}});
  // Patterns count as existing when they match, but are not read.
  run_checked("tksub", " *.equ s.asm t.asm", dir,
              {1, "Cannot read word file '*.equ'\r\n", {}});
  run_checked("tksub", " p.equ s.as? t.asm", dir,
              {1, "Cannot read source file 's.as?'\r\n", {}});
  run_checked("tksub", " p.equ *.none t.asm", dir, {1, missing_second, {}});

  write_file(dir / "locked.equ", "a b");
  const unreadable_file locked(dir / "locked.equ");
  if (!locked.why_not().empty()) {
    std::printf("[ NOTE     ] unreadable word file not tested: %s\n",
                locked.why_not().c_str());
  } else {
    run_checked("tksub", " locked.equ s.asm t.asm", dir,
                {1, "Cannot read word file 'locked.equ'\r\n", {}});
    run_checked("tksub", " p.equ locked.equ t.asm", dir,
                {1, "Cannot read source file 'locked.equ'\r\n", {}});
  }
}

#ifndef _WIN32
// A named pipe passes the existence check; reading it must not wait for a
// writer that never comes.
TEST(TksubBadInput, NamedPipes) {
  REQUIRE_PROGRAM("tksub");
  scratch_dir dir;
  write_file(dir / "p.equ", "a b");
  write_file(dir / "s.asm", "a\r\n");
  ASSERT_EQ(::mkfifo((dir / "pipe").string().c_str(), 0600), 0);
  run_checked("tksub", " pipe s.asm t.asm", dir,
              {1, "Cannot read word file 'pipe'\r\n", {}});
  run_checked("tksub", " p.equ pipe t.asm", dir,
              {1, "Cannot read source file 'pipe'\r\n", {}});
}
#endif

TEST(TksubBadInput, OddContents) {
  REQUIRE_PROGRAM("tksub");
  scratch_dir dir;
  write_file(dir / "p.equ",
             "_ underscore\r\nabcdefghijklmnopqrstuvwxyz ALPHABET");
  const std::string missing = "ERROR: MISSING SECOND ARGUMENT\r\nLine Number ";

  // Pair files: empty, only line ends, binary.
  write_file(dir / "s.asm", "a\r\n");
  write_file(dir / "empty.equ", "");
  run_checked("tksub", " empty.equ s.asm t.asm", dir, {1, missing + "1", {}});
  write_file(dir / "ends.equ", "\r\n\r\n\n");
  run_checked("tksub", " ends.equ s.asm t.asm", dir, {1, missing + "1", {}});
  write_file(dir / "binary.equ", all_bytes(4));
  run_checked("tksub", " binary.equ s.asm t.asm", dir, {1, missing + "1", {}});
  // A key of 10,000 characters.
  write_file(dir / "long.equ", "ok fine\r\n" + std::string(10000, 'K') + " v");
  run_checked(
      "tksub", " long.equ s.asm t.asm", dir,
      {1, "ERROR: WORD LONGER THAN 63 CHARACTERS\r\nLine Number 2", {}});

  // Sources: empty, only line ends, binary, 10,000-character lines.
  write_file(dir / "empty.asm", "");
  run_checked("tksub", " p.equ empty.asm t.asm", dir,
              {0, written_report("t.asm", 0), {"t.asm"}});
  EXPECT_EQ(read_file(dir / "t.asm"), "");

  write_file(dir / "ends.asm", "\r\n\n\r\n");
  run_checked("tksub", " p.equ ends.asm t.asm", dir,
              {0, written_report("t.asm", 5), {"t.asm"}});
  EXPECT_EQ(read_file(dir / "t.asm"), "\r\n\n\r\n");

  // Zero bytes and bytes from 0x80 up pass through; in 0 to 255 the words
  // "_" and "abc...z" stand alone and are swapped, and CR LF is added after
  // the last byte, 0xFF.
  write_file(dir / "binary.asm", all_bytes(64));
  std::string block = all_bytes(1);
  block.replace(block.find("abcdefghijklmnopqrstuvwxyz"), 26, "ALPHABET");
  block.replace(block.find('_'), 1, "underscore");
  std::string want;
  for (int i = 0; i < 64; ++i) want += block;
  want += "\r\n";
  run_checked("tksub", " p.equ binary.asm t.asm", dir,
              {0, written_report("t.asm", want.size()), {"t.asm"}});
  EXPECT_TRUE(read_file(dir / "t.asm") == want);

  const std::string long_word(10000, 'W');
  const std::string long_line(10000, '_');
  write_file(dir / "long.asm", long_word + " _\r\n" + long_line + "\r\n");
  const std::string long_want =
      long_word + " underscore\r\n" + long_line + "\r\n";
  run_checked("tksub", " p.equ long.asm t.asm", dir,
              {0, written_report("t.asm", long_want.size()), {"t.asm"}});
  EXPECT_TRUE(read_file(dir / "t.asm") == long_want);
}

TEST(TksubBadInput, SixtyFourMegabyteLines) {
  REQUIRE_PROGRAM("tksub");
  scratch_dir dir;
  // One line of 64 MiB, "a " over and over; each a becomes cccc, so the
  // target (160 MiB) outgrows twice the source.
  const std::size_t pairs = std::size_t{32} << 20;
  std::string source;
  source.reserve(2 * pairs);
  for (std::size_t i = 0; i < pairs; ++i) source += "a ";
  write_file(dir / "big.asm", source);
  source.clear();
  source.shrink_to_fit();
  write_file(dir / "p.equ", "a cccc");
  std::string want;
  want.reserve(5 * pairs + 2);
  for (std::size_t i = 0; i < pairs; ++i) want += "cccc ";
  want += "\r\n";
  run_checked("tksub", " p.equ big.asm t.asm", dir,
              {0, written_report("t.asm", want.size()), {"t.asm"}});
  EXPECT_TRUE(read_file(dir / "t.asm") == want) << "160 MiB target differs";

  // The same line as a pair file holds far too many words.
  fs::rename(dir / "big.asm", dir / "big.equ");
  write_file(dir / "s.asm", "a\r\n");
  run_checked("tksub", " big.equ s.asm t.asm", dir,
              {1, "ERROR: TOO MANY ARGUMENTS\r\nLine Number 1", {}});
}

// The table's hash, as documented: per byte, the low 16 bits of the byte
// times its prime (307, 293, ... for positions 0, 1, ...) plus the length,
// summed, modulo 131073.
std::uint32_t table_hash(std::string_view w) {
  static constexpr std::uint32_t primes[] = {307, 293, 283};
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < w.size(); ++i)
    sum += ((static_cast<unsigned char>(w[i]) * primes[i]) & 0xFFFFu) +
           static_cast<std::uint32_t>(w.size());
  return sum % 131073u;
}

TEST(TksubBadInput, FiftyThousandKeys) {
  REQUIRE_PROGRAM("tksub");
  scratch_dir dir;
  const std::string chars =
      "+-.0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ_abcdefghijklmnopqrstuvwxyz";

  // 50,000 keys of four characters: their searches visit every slot, so
  // all of them fit, and every one is swapped.
  std::string pair_file, source, want;
  int n = 0;
  for (char a : chars)
    for (char b : chars)
      for (char c : chars)
        for (char d : {'x', 'y', 'z'}) {
          if (n == 50000) break;
          const std::string key{a, b, c, d};
          // Built piece by piece: GCC 12 warns falsely (-Wrestrict) about
          // a literal + to_string().
          std::string partner(1, 'P');
          partner += std::to_string(n++);
          pair_file.append(key).append(" ").append(partner).append("\r\n");
          source.append(key).append(";").append(key).append("\r\n");
          want.append(partner).append(";").append(partner).append("\r\n");
        }
  pair_file += "exit now\r\n";
  write_file(dir / "p.equ", pair_file);
  write_file(dir / "s.asm", source);
  run_checked("tksub", " p.equ s.asm t.asm", dir,
              {0,
               "Line Number 50001" + written_report("t.asm", want.size()),
               {"t.asm"}});
  EXPECT_TRUE(read_file(dir / "t.asm") == want);

  // 50,000 keys of three characters whose home slots share one remainder
  // modulo 3: their searches only ever visit the 43691 slots of that
  // remainder, so key 43692 finds no room.
  pair_file.clear();
  n = 0;
  std::string refused;
  for (char a : chars)
    for (char b : chars)
      for (char c : chars) {
        const std::string key{a, b, c};
        if (n == 50000 || table_hash(key) % 3 != 0) continue;
        if (++n == 43692) refused = key;
        pair_file += key + " v\r\n";
      }
  ASSERT_EQ(n, 50000);
  write_file(dir / "full.equ", pair_file);
  // The target of the first run is left as it was.
  run_checked("tksub", " full.equ s.asm t.asm", dir,
              {1,
               "ERROR: NO ROOM IN WORD TABLE FOR \"" + refused +
                   "\"\r\nLine Number 43692",
               {}});
}

// A name that passes the existence check may be gone when the file is
// read. Every run must end with one of the three documented outcomes, and
// a target, when written, is whole.
TEST(TksubBadInput, FilesThatVanish) {
  REQUIRE_PROGRAM("tksub");
  scratch_dir dir;
  write_file(dir / "p.equ", "a b");
  write_file(dir / "s.asm", "a c a\r\n");
  for (const bool pairs : {true, false}) {
    const std::string name = pairs ? "p.equ" : "s.asm";
    const std::string gone = pairs ? missing_first : missing_second;
    const std::string unread = pairs ? "Cannot read word file 'p.equ'\r\n"
                                     : "Cannot read source file 's.asm'\r\n";
    std::map<std::string, int> outcomes;
    {
      const vanishing_file flipping(dir / name);
      for (int i = 0; i < 40; ++i) {
        fs::remove(dir / "t.asm");
        run_output r;
        {
          const watchdog guard("tksub with a vanishing " + name,
                               run_limit_seconds);
          r = tk::test::run_capture(
              tk::test::quoted(program_path("tksub")) + " p.equ s.asm t.asm",
              dir.path());
        }
        if (r.exit_code == 0 && r.out == written_report("t.asm", 7)) {
          EXPECT_EQ(read_file(dir / "t.asm"), "b c b\r\n");
          ++outcomes["written"];
          continue;
        }
        EXPECT_EQ(r.exit_code, 1u) << r.out;
        EXPECT_TRUE(r.out == gone || r.out == unread) << r.out;
        EXPECT_FALSE(fs::exists(dir / "t.asm"));
        ++outcomes[r.out == gone ? "missing" : "unreadable"];
      }
    }
    note_outcomes("tksub with a vanishing " + name, outcomes);
  }
  EXPECT_EQ(read_file(dir / "p.equ"), "a b");
  EXPECT_EQ(read_file(dir / "s.asm"), "a c a\r\n");
}

TEST(TksubBadInput, Targets) {
  REQUIRE_PROGRAM("tksub");
  scratch_dir dir;
  write_file(dir / "p.equ", "a b");
  write_file(dir / "s.asm", "a c a\r\n");
  fs::create_directory(dir / "dir");
  run_checked("tksub", " p.equ s.asm missing/t.asm", dir,
              {1, "Cannot write target file 'missing/t.asm'\r\n", {}});
  EXPECT_FALSE(fs::exists(dir / "missing"));
  run_checked("tksub", " p.equ s.asm dir", dir,
              {1, "Cannot write target file 'dir'\r\n", {}});
  EXPECT_TRUE(fs::is_directory(dir / "dir"));

  write_file(dir / "ro.asm", "keep");
  fs::permissions(dir / "ro.asm", fs::perms::owner_read |
                                      fs::perms::group_read |
                                      fs::perms::others_read);
  run_checked("tksub", " p.equ s.asm ro.asm", dir,
              {1, "Cannot write target file 'ro.asm'\r\n", {}});

  // The target may be the source: it is read whole before it is replaced.
  run_checked("tksub", " p.equ s.asm s.asm", dir,
              {0, written_report("s.asm", 7), {"s.asm"}});
  EXPECT_EQ(read_file(dir / "s.asm"), "b c b\r\n");
}

// ---------------------------------------------------------------------------
// deflib

TEST(DeflibBadInput, Arguments) {
  REQUIRE_PROGRAM("deflib");
  scratch_dir dir;
  write_file(dir / "names.txt", "printf\r\n");
  run_checked("deflib", "", dir, {1, deflib_usage, {}});
  run_checked("deflib", " \"\"", dir, {1, deflib_usage, {}});
  run_checked("deflib", " nothing.txt", dir, {1, deflib_usage, {}});
  run_checked("deflib", " missing/names.txt", dir, {1, deflib_usage, {}});
  const auto before = snapshot(dir.path());
  for (const char* line : {"\"names.txt", "names.txt\"", "\"names.txt\" \""}) {
    const raw_run r = run_raw("deflib", line, dir);
    EXPECT_EQ(r.status, 1u) << line;
    EXPECT_EQ(r.out, deflib_usage) << line;
  }
  EXPECT_EQ(snapshot(dir.path()), before);
}

TEST(DeflibBadInput, NamesThatCannotBeRead) {
  REQUIRE_PROGRAM("deflib");
  scratch_dir dir;
  write_file(dir / "names.txt", "printf\r\n");
  fs::create_directory(dir / "dir.txt");
  run_checked(
      "deflib", " dir.txt", dir,
      {1,
       "deflib: cannot read the list file dir.txt: it cannot be opened\r\n",
       {}});
  run_checked(
      "deflib", " *.txt", dir,
      {1,
       "deflib: cannot read the list file *.txt: it cannot be opened\r\n",
       {}});
  run_checked("deflib", " .names.txt", dir, {1, deflib_usage, {}});
  write_file(dir / ".hidden.txt", "printf\r\n");
  run_checked("deflib", " .hidden.txt", dir,
              {1,
               "deflib: .hidden.txt: the name has nothing before its first "
               "full stop to name the output files after\r\n",
               {}});

  write_file(dir / "locked.txt", "printf\r\n");
  const unreadable_file locked(dir / "locked.txt");
  if (!locked.why_not().empty()) {
    std::printf("[ NOTE     ] unreadable list file not tested: %s\n",
                locked.why_not().c_str());
  } else {
    run_checked("deflib", " locked.txt", dir,
                {1,
                 "deflib: cannot read the list file locked.txt: it cannot be "
                 "opened\r\n",
                 {}});
  }
}

#ifndef _WIN32
TEST(DeflibBadInput, NamedPipe) {
  REQUIRE_PROGRAM("deflib");
  scratch_dir dir;
  ASSERT_EQ(::mkfifo((dir / "pipe.txt").string().c_str(), 0600), 0);
  run_checked(
      "deflib", " pipe.txt", dir,
      {1,
       "deflib: cannot read the list file pipe.txt: it cannot be opened\r\n",
       {}});
}
#endif

TEST(DeflibBadInput, OddContents) {
  REQUIRE_PROGRAM("deflib");
  scratch_dir dir;
  const std::set<std::string> both = {"x.def", "x.inc"};
  for (const std::string& list : {std::string(), std::string("\r\n\n\r\r\n"),
                                  std::string("\x80\xFF\r\n \xA0name\r\n")}) {
    write_file(dir / "x.txt", list);
    run_checked("deflib", " x.txt", dir, {1, no_librarian("x"), both});
    EXPECT_EQ(read_file(dir / "x.def"), def_header("x"));
    EXPECT_EQ(read_file(dir / "x.inc"), inc_header("x"));
  }
  fs::remove(dir / "x.def");
  fs::remove(dir / "x.inc");

  write_file(dir / "bin.txt", all_bytes(4));
  run_checked("deflib", " bin.txt", dir,
              {1,
               "deflib: bin.txt: line 1 holds a zero byte; the list must be "
               "plain text\r\n",
               {}});
  write_file(dir / "tab.txt", "printf\r\n\tputs\r\n");
  run_checked("deflib", " tab.txt", dir,
              {1,
               "deflib: tab.txt: line 2 has text after a tab or other "
               "control character but no name before it\r\n",
               {}});

  const std::string name(10000, 'n');
  write_file(dir / "long.txt", "a\r\n" + name + "\r\nb");
  run_checked("deflib", " long.txt", dir,
              {1, no_librarian("long"), {"long.def", "long.inc"}});
  std::string def = def_header("long");
  std::string inc = inc_header("long");
  for (const std::string& n : {std::string("a"), name, std::string("b")}) {
    def += "EXPORTS " + n + "\r\n";
    inc += "    externdef _imp__" + n + ":PTR c_long\r\n";
    inc.append("    crt_").append(n).append(" equ <_imp__").append(n);
    inc += ">\r\n\r\n";
  }
  EXPECT_TRUE(read_file(dir / "long.def") == def);
  EXPECT_TRUE(read_file(dir / "long.inc") == inc);
}

TEST(DeflibBadInput, SixtyFourMegabyteLine) {
  REQUIRE_PROGRAM("deflib");
  scratch_dir dir;
  const std::string name(std::size_t{64} << 20, 'n');
  write_file(dir / "big.txt", name);
  run_checked("deflib", " big.txt", dir,
              {1, no_librarian("big"), {"big.def", "big.inc"}});
  EXPECT_TRUE(read_file(dir / "big.def") ==
              def_header("big") + "EXPORTS " + name + "\r\n");
  EXPECT_TRUE(read_file(dir / "big.inc") ==
              inc_header("big") + "    externdef _imp__" + name +
                  ":PTR c_big\r\n    crt_" + name + " equ <_imp__" + name +
                  ">\r\n\r\n");
}

TEST(DeflibBadInput, ListThatVanishes) {
  REQUIRE_PROGRAM("deflib");
  scratch_dir dir;
  write_file(dir / "l.txt", "printf\r\n");
  const std::string unread =
      "deflib: cannot read the list file l.txt: it cannot be opened\r\n";
  std::map<std::string, int> outcomes;
  {
    const vanishing_file flipping(dir / "l.txt");
    for (int i = 0; i < 40; ++i) {
      fs::remove(dir / "l.def");
      fs::remove(dir / "l.inc");
      run_output r;
      {
        const watchdog guard("deflib with a vanishing list", run_limit_seconds);
        r = tk::test::run_capture(
            tk::test::quoted(program_path("deflib")) + " l.txt", dir.path());
      }
      EXPECT_EQ(r.exit_code, 1u) << r.out;
      if (r.out == no_librarian("l")) {
        EXPECT_EQ(read_file(dir / "l.def"),
                  def_header("l") + "EXPORTS printf\r\n");
        ++outcomes["written"];
        continue;
      }
      EXPECT_TRUE(r.out == deflib_usage || r.out == unread) << r.out;
      EXPECT_FALSE(fs::exists(dir / "l.def"));
      EXPECT_FALSE(fs::exists(dir / "l.inc"));
      ++outcomes[r.out == unread ? "unreadable" : "missing"];
    }
  }
  note_outcomes("deflib with a vanishing list", outcomes);
  EXPECT_EQ(read_file(dir / "l.txt"), "printf\r\n");
}

TEST(DeflibBadInput, Outputs) {
  REQUIRE_PROGRAM("deflib");
  scratch_dir dir;
  write_file(dir / "x.txt", "printf\r\n");
  write_file(dir / "x.def", "old def");
  fs::permissions(dir / "x.def", fs::perms::owner_read | fs::perms::group_read |
                                     fs::perms::others_read);
  run_checked("deflib", " x.txt", dir,
              {1, "deflib: cannot write x.def\r\n", {}});
  EXPECT_FALSE(fs::exists(dir / "x.inc"));

  // An output that would be the list itself.
  write_file(dir / "y.def", "printf\r\n");
  run_checked("deflib", " y.def", dir,
              {1,
               "deflib: the list file y.def would be replaced by the output "
               "y.def\r\n",
               {}});
  write_file(dir / "z.inc", "printf\r\n");
  run_checked("deflib", " z.inc", dir,
              {1,
               "deflib: the list file z.inc would be replaced by the output "
               "z.inc\r\n",
               {}});
}

// ---------------------------------------------------------------------------
// timeinfo: no arguments and no files; what it can be given is a standard
// input that ends before any key.

TEST(TimeinfoBadInput, EndsWithoutAKeyAndIgnoresArguments) {
  REQUIRE_PROGRAM("timeinfo");
  scratch_dir dir;
  for (const std::string args : {"", " unexpected \"argument\" *.txt"}) {
    const run_output r = run_guarded("timeinfo", args, dir, {});
    EXPECT_EQ(r.exit_code, 0u) << args;
    EXPECT_EQ(
        r.out.rfind(
            "\r\n64-bit Date and Time Functions - C Run-time Library\r\n", 0),
        0u)
        << args;
    const std::string prompt = "\r\nPress any key to continue...\r\n";
    EXPECT_TRUE(
        r.out.size() > prompt.size() &&
        r.out.compare(r.out.size() - prompt.size(), prompt.size(), prompt) == 0)
        << args << ": " << r.out;
  }
}

}  // namespace
