#include <cerrno>
#include <chrono>
#include <csignal>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "lib/kit.h"
#include "tests/test_util.h"

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

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

#ifndef _WIN32
TEST(RunAndWait, ProgramEndedBySignalGives128PlusItsNumber) {
  for (const int sig : {SIGTERM, SIGKILL}) {
    const tk::run_result r =
        tk::run_and_wait((child() + " raise " + std::to_string(sig)).c_str(),
                         tk::high_priority_class);
    EXPECT_TRUE(r.started);
    EXPECT_EQ(r.exit_code, 128u + static_cast<unsigned>(sig));
  }
}
#endif

TEST(RunAndWait, MissingProgramIsReportedWithoutWaiting) {
  const tk::run_result r =
      tk::run_and_wait("tk-no-such-program-here -x", tk::high_priority_class);
  EXPECT_FALSE(r.started);
  EXPECT_EQ(r.why_not, tk::start_failure::not_found);
  const tk::run_result r2 = tk::run_and_wait("", tk::high_priority_class);
  EXPECT_FALSE(r2.started);
  EXPECT_EQ(r2.why_not, tk::start_failure::not_found);
}

TEST(RunAndWait, UnbalancedQuotationMarksAreMalformed) {
  const std::string program = child();
  const std::vector<std::string> lines = {'"' + program + " exit 0",
                                          program + " \""};
  for (const std::string& line : lines) {
    const tk::run_result r =
        tk::run_and_wait(line.c_str(), tk::high_priority_class);
    EXPECT_FALSE(r.started) << line;
    EXPECT_EQ(r.why_not, tk::start_failure::malformed) << line;
  }
}

#ifndef _WIN32
TEST(RunAndWait, ProgramIsSearchedOnThePath) {
  const tk::test::temp_dir dir;
  const tk::test::scoped_current_dir cwd(dir.path());
  const tk::test::scoped_env path("PATH", tk::test::bin_dir().c_str());
  const tk::run_result r =
      tk::run_and_wait("child exit 5", tk::high_priority_class);
  EXPECT_TRUE(r.started);
  EXPECT_EQ(r.exit_code, 5u);
}

// A file where a directory should be on the program's path.
TEST(RunAndWait, FileInThePathIsNotFound) {
  const tk::test::temp_dir dir;
  tk::test::write_file(dir.file("file"), "x");
  const tk::run_result r = tk::run_and_wait(
      tk::test::quoted(dir.file("file/link")).c_str(), tk::high_priority_class);
  EXPECT_FALSE(r.started);
  EXPECT_EQ(r.why_not, tk::start_failure::not_found);
  EXPECT_EQ(r.system_error, static_cast<std::uint32_t>(ENOTDIR));
}

// With SIGCHLD ignored the system reaps the child itself, and the wait
// finds no child to wait for.
TEST(RunAndWait, FailedWaitIsNoExitCode) {
  const auto old = std::signal(SIGCHLD, SIG_IGN);
  const tk::run_result r =
      tk::run_and_wait((child() + " exit 3").c_str(), tk::high_priority_class);
  std::signal(SIGCHLD, old);
  EXPECT_TRUE(r.started);
  EXPECT_TRUE(r.wait_failed);
  EXPECT_EQ(r.system_error, static_cast<std::uint32_t>(ECHILD));
}
#endif

TEST(RunAndWait, ProgramThatCannotRunIsNotExecutable) {
  const tk::test::temp_dir dir;
  const std::string name =
      dir.file("link") + std::string(tk::test::exe_suffix());
  tk::test::write_file(name, "not a program\r\n");
  const tk::run_result r =
      tk::run_and_wait(tk::test::quoted(name).c_str(), tk::high_priority_class);
  EXPECT_FALSE(r.started);
  EXPECT_EQ(r.why_not, tk::start_failure::not_executable);
}

#ifdef _WIN32
std::string expected_priority() { return "128"; }
#else
// Nice -10 where the caller may raise priorities; else the caller's own
// nice value.
std::string expected_priority() {
  const pid_t pid = ::fork();
  if (pid == 0) _exit(::setpriority(PRIO_PROCESS, 0, -10) == 0 ? 0 : 1);
  int status = 1;
  ::waitpid(pid, &status, 0);
  const bool may_raise = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return std::to_string(may_raise ? -10 : ::getpriority(PRIO_PROCESS, 0));
}
#endif

TEST(RunAndWait, StartedProgramGetsTheHighPriority) {
  const tk::test::run_output out = tk::test::run(
      "child",
      "run " + tk::test::quoted(tk::test::program_path("child") + " priority"));
  ASSERT_TRUE(out.started);
  EXPECT_EQ(out.out, expected_priority() + "\r\nexit 0\r\n");
}

TEST(RunAndWait, StartedProgramSharesTheConsole) {
  // `child run` starts `child print` with run_and_wait: the inner program's
  // line shows on the outer one's standard output, before its exit report.
  // The inner command line travels as one quoted argument (the build
  // directory has no blanks in its name).
  const tk::test::run_output out = tk::test::run(
      "child", "run " + tk::test::quoted(tk::test::program_path("child") +
                                         " print inner"));
  ASSERT_TRUE(out.started);
  EXPECT_EQ(out.exit_code, 0u);
  EXPECT_EQ(out.out, "inner\r\nexit 0\r\n");
}

}  // namespace
