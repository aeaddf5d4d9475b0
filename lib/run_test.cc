#include <chrono>
#include <string>

#include "gtest/gtest.h"
#include "kit.h"
#include "test_util.h"

namespace {

std::string child() {
  return tk::test::quoted(tk::test::program_path("child"));
}

TEST(RunAndWait, ReturnsTheProgramsExitCode) {
  tk::run_result r =
      tk::run_and_wait((child() + " exit 0").c_str(), tk::high_priority_class);
  EXPECT_TRUE(r.started);
  EXPECT_EQ(r.exit_code, 0u);
  r = tk::run_and_wait((child() + " exit 3").c_str(), tk::high_priority_class);
  EXPECT_TRUE(r.started);
  EXPECT_EQ(r.exit_code, 3u);
}

TEST(RunAndWait, ExitCode259EndsTheWait) {
  // 259 is the value that means "still running" to an exit-code poll; on
  // POSIX exit codes stop at 255, so 259 arrives as 3 there. A wait that
  // polled the exit code would never end; the limit only tells such a hang
  // from a slow start (32-bit programs start in seconds under emulation).
  const auto start = std::chrono::steady_clock::now();
  const tk::run_result r = tk::run_and_wait((child() + " exit 259").c_str(),
                                            tk::high_priority_class);
  EXPECT_TRUE(r.started);
  EXPECT_EQ(r.exit_code & 0xFFu, 259u & 0xFFu);
  EXPECT_LT(std::chrono::steady_clock::now() - start,
            std::chrono::seconds(300));
}

TEST(RunAndWait, WaitsForTheEnd) {
  const auto start = std::chrono::steady_clock::now();
  const tk::run_result r = tk::run_and_wait((child() + " sleep 1500 7").c_str(),
                                            tk::high_priority_class);
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_TRUE(r.started);
  EXPECT_EQ(r.exit_code, 7u);
  EXPECT_GE(took, std::chrono::milliseconds(1500));
}

TEST(RunAndWait, MissingProgramIsReportedWithoutWaiting) {
  const tk::run_result r =
      tk::run_and_wait("tk-no-such-program-here -x", tk::high_priority_class);
  EXPECT_FALSE(r.started);
  const tk::run_result r2 = tk::run_and_wait("", tk::high_priority_class);
  EXPECT_FALSE(r2.started);
}

TEST(RunAndWait, StartedProgramSharesTheConsole) {
  // `child run` starts `child print` with run_and_wait: the inner program's
  // line shows on the outer one's standard output, before its exit report.
  // The inner command line travels as one quoted argument (the build
  // directory has no blanks in its name).
  const std::string line =
      child() + " run " +
      tk::test::quoted(tk::test::program_path("child") + " print inner");
  const tk::test::run_output out = tk::test::run_capture(line);
  ASSERT_TRUE(out.started);
  EXPECT_EQ(out.exit_code, 0u);
  EXPECT_EQ(out.out, "inner\r\nexit 0\r\n");
}

}  // namespace
