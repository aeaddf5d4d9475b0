// Helpers shared by the kit's tests: scratch directories, whole files,
// running the built programs with their output captured in files, a
// watchdog against runs that hang, and checksums of a directory's files.
// Built once as the library tk_test_util, which every test program links.
#ifndef TK_TESTS_TEST_UTIL_H_
#define TK_TESTS_TEST_UTIL_H_

#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace tk::test {

// A fresh directory under the system's temporary directory, or under
// `base` (made if missing), removed with everything in it when the object
// goes away, after write permission is given back to what a test took it
// from. Throws std::runtime_error when no directory can be made.
class temp_dir {
 public:
  temp_dir();
  explicit temp_dir(const std::filesystem::path& base);
  temp_dir(const temp_dir&) = delete;
  temp_dir& operator=(const temp_dir&) = delete;
  ~temp_dir();
  const std::filesystem::path& path() const { return path_; }
  // path() / name as a string.
  std::string file(std::string_view name) const;
  std::filesystem::path operator/(std::string_view name) const {
    return path_ / std::string(name);
  }

 private:
  std::filesystem::path path_;
};

// The leaf names in directory `dir`, sorted.
std::vector<std::string> dir_listing(const std::filesystem::path& dir);

// Every argument of `line` as the kit's rules cut it (tk::arg_list::split).
std::vector<std::string> arg_split(std::string_view line);
// Views of `args`, as the tools' drivers take them.
std::vector<std::string_view> views(const std::vector<std::string>& args);

// Whole files, byte for byte.
std::string read_file(const std::filesystem::path& name);
void write_file(const std::filesystem::path& name, std::string_view bytes);

// What a finished program left behind.
struct run_output {
  bool started = false;
  unsigned exit_code = 0;
  std::string out;  // everything written to standard output
  std::string err;  // everything written to standard error
};

// How run() starts a program and what it checks afterwards.
struct run_options {
  std::filesystem::path cwd = {};  // empty: the current directory
  std::string_view stdin_bytes = {};
  // Before the program's quoted path on its command line (setpriv ...).
  std::string prefix = {};
  // POSIX: each blank-separated piece of the arguments becomes one
  // argument, quotation marks and all, as a shell passes a piece in single
  // quotes, so that an unbalanced quotation mark reaches the program. (On
  // Windows the line reaches the program unchanged anyway.)
  bool typed = false;
  // POSIX: exactly these arguments after the program's name, as a shell
  // delivers them after cutting its line, in the place of `args`.
  std::vector<std::string> argv = {};
  // Under a watchdog of run_limit_seconds, which ends the test program when
  // the run hangs. Off by default: under qemu-i386 every thread that a test
  // program starts is one more chance of a crash in Wine's thread-local
  // values.
  bool watched = false;
  // When set, the run is watched, and fails the current test (with
  // GoogleTest's EXPECT)
  // when the program did not start, or when it removed, changed or created
  // any file or directory below `cwd` but those named here (relative
  // names, as snapshot() gives them).
  std::optional<std::set<std::string>> written = {};
};

// Starts `program`, a program of this build by its name (program_path) or
// else by its path, with `args` after its name on the command line; waits
// for it and collects its output through files, never pipes. On Windows the
// line reaches the program unchanged; on POSIX it is cut into argv by the kit's
// own rules.
run_output run(std::string_view program, std::string_view args = {},
               const run_options& options = {});

// The platform's side of run(): starts the program at `path` and collects
// its output, without the watchdog and the checks.
run_output run_started(const std::string& path, std::string_view args,
                       const run_options& options);

#ifndef _WIN32
// POSIX: writes `bytes` to the named pipe `name` from a thread of its own
// once a reader has opened it, then closes it; a reader that goes away
// ends the writing with an error, not a signal. When the object goes away
// it opens the pipe for reading itself, so that a writer still waiting
// for a reader that never came goes on (with no more than a pipe's buffer
// of bytes it then ends), and joins the thread.
class fifo_writer {
 public:
  fifo_writer(std::string name, std::string bytes);
  fifo_writer(const fifo_writer&) = delete;
  fifo_writer& operator=(const fifo_writer&) = delete;
  ~fifo_writer();

 private:
  std::string name_;
  std::thread thread_;
};
#endif

// Ends the test program (exit status 3, after a line "HANG: `what` did not
// end within N s" on standard error) when it is not destroyed within
// `seconds`: a hang fails the test rather than stalling it until CTest's own
// limit.
class watchdog {
 public:
  watchdog(std::string what, int seconds);
  watchdog(const watchdog&) = delete;
  watchdog& operator=(const watchdog&) = delete;
  ~watchdog();

 private:
  std::string what_;
  std::mutex mutex_;
  std::condition_variable done_cv_;
  bool done_ = false;
  std::thread thread_;
};

// The time that one run of a program of this build may take.
inline constexpr int run_limit_seconds = 180;

// Every file and directory below `dir` by its name relative to `dir`
// (generic form), with a checksum of each file's bytes; directories and
// files that cannot be read get fixed marks of their own.
using dir_snapshot = std::map<std::string, std::uint64_t>;
dir_snapshot snapshot(const std::filesystem::path& dir);

// Keeps an existing file from being opened by other programs while the
// object lives, or says why that cannot be done here: on Windows it is held
// open without sharing; elsewhere its permission bits are cleared, which
// stops no one running as root.
class unreadable_file {
 public:
  explicit unreadable_file(const std::filesystem::path& name);
  unreadable_file(const unreadable_file&) = delete;
  unreadable_file& operator=(const unreadable_file&) = delete;
  ~unreadable_file();
  // Empty when the file is unreadable now.
  const std::string& why_not() const { return why_not_; }

 private:
  struct lock;  // what the platform holds, if anything
  std::unique_ptr<lock> lock_;
  std::string why_not_;
};

#ifndef _WIN32
// POSIX: while the object lives, a write that would make a file larger than
// `bytes` fails with EFBIG, as on a file system that has run full, instead
// of ending the process with SIGXFSZ.
class file_size_limit {
 public:
  explicit file_size_limit(std::uint64_t bytes);
  file_size_limit(const file_size_limit&) = delete;
  file_size_limit& operator=(const file_size_limit&) = delete;
  ~file_size_limit();

 private:
  std::uint64_t old_limit_;
  void (*old_handler_)(int);
};
#endif

// The directory of the running test program: the build's bin/, where the
// tools and helper programs are.
std::filesystem::path bin_dir();

// The path of a program of this build: bin_dir()/name, with ".exe" on
// Windows.
std::string program_path(std::string_view name);

// Sets an environment variable of this process, which the programs it
// starts inherit, or removes it (`value` nullptr); the old state comes back
// when the object goes away.
class scoped_env {
 public:
  scoped_env(std::string name, const char* value);
  scoped_env(const scoped_env&) = delete;
  scoped_env& operator=(const scoped_env&) = delete;
  ~scoped_env();

 private:
  std::string name_;
  bool had_ = false;
  std::string old_;
};

// Makes `dir` the process's current directory, for tests that run a tool's
// driver in the process on relative names; the old one comes back when the
// object goes away.
class scoped_current_dir {
 public:
  explicit scoped_current_dir(const std::filesystem::path& dir);
  scoped_current_dir(const scoped_current_dir&) = delete;
  scoped_current_dir& operator=(const scoped_current_dir&) = delete;
  ~scoped_current_dir();

 private:
  std::filesystem::path old_;
};

// The platform's side of scoped_env: the variable's value, if it is set;
// set or remove it.
bool env_get(const std::string& name, std::string& value);
void env_set(const std::string& name, const char* value);

// ".exe" on Windows, "" elsewhere.
std::string_view exe_suffix();

// Wraps a text in quotation marks for a command line.
std::string quoted(std::string_view text);

}  // namespace tk::test

#endif  // TK_TESTS_TEST_UTIL_H_
