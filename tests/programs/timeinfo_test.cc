// The built timeinfo: its report on standard output and the one key it
// waits for read from standard input, one start per kind of input. It takes
// no arguments and reads no file, so these runs are also its bad input.
#include <ctime>
#include <string>
#include <string_view>

#include "gtest/gtest.h"
#include "tests/programs/program_checks.h"
#include "tests/test_util.h"

namespace {

// Runs timeinfo with `args` and standard input `input` in a scratch
// directory, under the watchdog and failing if it writes any file there;
// checks its status, its silent standard error and the whole report.
void check_run(std::string_view args, const std::string& input) {
  const tk::test::temp_dir dir;
  const std::time_t before = std::time(nullptr);
  const tk::test::run_output r =
      tk::test::run("timeinfo", args,
                    {.cwd = dir.path(), .stdin_bytes = input, .written = {{}}});
  const std::time_t after = std::time(nullptr);
  SCOPED_TRACE(testing::PrintToString(input) + " " + std::string(args));
  EXPECT_EQ(r.exit_code, 0u);
  EXPECT_EQ(r.err, "");
  tk::test::check_timeinfo_report(r.out, before, after);
}

// Each run ends by itself after one key, or none at the end of the input,
// with the same closing text; arguments change nothing.
TEST(TimeinfoProgram, ReportThenOneKeyOrTheEndOfInput) {
  check_run("unexpected \"argument\" *.txt", "x");
  for (const char* input : {"", "\x1b[A", "\xe0H", "\r\n"})
    check_run("", input);
}

}  // namespace
