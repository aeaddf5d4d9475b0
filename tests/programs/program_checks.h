// What the cases of programs_test share: running a built program in a
// scratch directory and checking its exact status, console output and the
// files it leaves, inputs made for them, and timeinfo's report.
#ifndef TK_TESTS_PROGRAMS_PROGRAM_CHECKS_H_
#define TK_TESTS_PROGRAMS_PROGRAM_CHECKS_H_

#include <atomic>
#include <ctime>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <thread>

#include "tests/test_util.h"

namespace tk::test {

// The scratch directories of the bad-input cases: beside the build's bin/,
// inside the build tree.
std::filesystem::path programs_work();

// The files several tests read (tests/testdata/ in the sources).
std::filesystem::path testdata(std::string_view name);

struct outcome {
  unsigned status = 0;
  std::string out;
  // Files (relative names) that the run may create or change.
  std::set<std::string> written;
};

// Runs `tool` in `dir`, failing when it changes any file there but those
// of `want`, and checks the exact exit status and console output, and that
// nothing went to standard error.
void run_checked(std::string_view tool, const std::string& args,
                 const temp_dir& dir, const outcome& want);

// Runs `tool` in `dir` with `arg_text` after its name exactly as typed (see
// run_options::typed) and checks the exit status and console output.
void run_typed(std::string_view tool, const std::string& arg_text,
               const temp_dir& dir, unsigned status, const std::string& out);

// Makes `name` vanish and come back, over and over, by renaming it away and
// back (each rename is atomic, so the file is whole whenever it is there),
// until the object goes away. A rename that the system refuses because a
// program has the file open is simply tried again.
class vanishing_file {
 public:
  explicit vanishing_file(std::filesystem::path name);
  vanishing_file(const vanishing_file&) = delete;
  vanishing_file& operator=(const vanishing_file&) = delete;
  ~vanishing_file();

 private:
  std::filesystem::path name_, away_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// Prints how often each of the accepted outcomes of a racing run came up.
void note_outcomes(std::string_view what, const std::map<std::string, int>& n);

// Every byte value from 0 to 255, `times` times over.
std::string all_bytes(int times);

// `unit` `times` over, by doubling: a loop of appends is slow under the
// emulation that runs the 32-bit build.
std::string repeated(std::string_view unit, std::size_t times);

// The end of tksub's report: "TARGET written at N bytes" and CR LF.
std::string written_report(std::string_view target, std::size_t bytes);

// The first lines of the .def and .inc files deflib writes for list `base`.
std::string def_header(std::string_view base);
std::string inc_header(std::string_view base);

// Checks a whole report of timeinfo, read between the clock readings
// `before` and `after`: its shape against testdata/timeinfo.labels and
// every value against its form and the clock.
void check_timeinfo_report(const std::string& out, std::time_t before,
                           std::time_t after);

}  // namespace tk::test

#endif  // TK_TESTS_PROGRAMS_PROGRAM_CHECKS_H_
