// Helpers shared by the kit's tests: scratch directories, whole files and
// running the built programs with their output captured in files.
#ifndef TK_TESTS_TEST_UTIL_H_
#define TK_TESTS_TEST_UTIL_H_

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tk::test {

// A fresh directory under the system's temporary directory, removed with
// everything in it when the object goes away.
class temp_dir {
 public:
  temp_dir();
  temp_dir(const temp_dir&) = delete;
  temp_dir& operator=(const temp_dir&) = delete;
  ~temp_dir();
  const std::filesystem::path& path() const { return path_; }
  // path() / name as a string.
  std::string file(std::string_view name) const;

 private:
  std::filesystem::path path_;
};

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

// Starts `command_line` (its first item names the program) in directory
// `cwd` (empty: the current one), with standard input read from
// `stdin_bytes`, waits for it and collects its output. Output goes through
// files, never pipes. On Windows the line reaches the program unchanged; on
// POSIX it is cut into argv by the kit's own rules.
run_output run_capture(const std::string& command_line,
                       const std::filesystem::path& cwd = {},
                       std::string_view stdin_bytes = {});

#ifndef _WIN32
// POSIX: starts argv[0] with exactly these arguments, as a shell would after
// cutting its line, and collects the output as run_capture does.
run_output run_capture_argv(const std::vector<std::string>& argv,
                            const std::filesystem::path& cwd = {},
                            std::string_view stdin_bytes = {});
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
