// The support library where it starts or meets other processes: run_and_wait
// on the helper program `child`, the arguments and console of a started
// program, a descriptor that another process holds, and the test helpers'
// own run().
#include <array>
#include <cerrno>
#include <csignal>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "lib/kit.h"
#include "tests/test_util.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#endif

namespace {

std::string child() {
  return tk::test::quoted(tk::test::program_path("child"));
}

// The exit code comes only when the program has ended: `sleep` ends with
// its code after the pause.
TEST(RunAndWait, WaitsForTheEndAndReturnsTheExitCode) {
  tk::run_result r =
      tk::run_and_wait((child() + " exit 0").c_str(), tk::high_priority_class);
  EXPECT_TRUE(r.started);
  EXPECT_EQ(r.exit_code, 0u);
  r = tk::run_and_wait((child() + " sleep 1500 7").c_str(),
                       tk::high_priority_class);
  EXPECT_TRUE(r.started);
  EXPECT_EQ(r.exit_code, 7u);
}

TEST(RunAndWait, ExitCode259EndsTheWait) {
  // 259 is the value that means "still running" to an exit-code poll; on
  // POSIX exit codes stop at 255, so 259 arrives as 3 there. A wait that
  // polled the exit code would never end: the watchdog ends the test
  // program then.
  const tk::test::watchdog guard("waiting for exit code 259",
                                 tk::test::run_limit_seconds);
  const tk::run_result r = tk::run_and_wait((child() + " exit 259").c_str(),
                                            tk::high_priority_class);
  EXPECT_TRUE(r.started);
  EXPECT_EQ(r.exit_code & 0xFFu, 259u & 0xFFu);
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

// The cutting rules seen by a real program, started with a command line.
std::string echo(const std::string& args) {
  const tk::test::run_output r = tk::test::run("child", args);
  EXPECT_TRUE(r.started);
  EXPECT_EQ(r.exit_code, 0u);
  return r.out;
}

TEST(ArgFetch, RealProcess) {
  const std::string out = echo("first \"two words\" a\"b c\"d \"\"");
  const std::string tail = out.substr(out.find("\r\n") + 2);
  EXPECT_EQ(tail,
            "1 1 [first]\r\n"
            "2 1 [two words]\r\n"
            "3 1 [ab cd]\r\n"
            "4 4 []\r\n"
            "5 2 []\r\n");
  // Argument 0 is the program's name as typed, without its quotes.
  EXPECT_EQ(out.substr(0, out.find("\r\n")),
            "0 1 [" + tk::test::program_path("child") + "]");
}

#ifndef _WIN32
TEST(ArgFetch, PosixArgumentsAsDelivered) {
  // The shell has cut the line: quotation marks, tabs and blanks inside an
  // argument are part of it, and there are no unbalanced quotes.
  const tk::test::run_output r = tk::test::run(
      "child", {}, {.argv = {"a\"\"b", "a\"b", "x\ty", " b ", ""}});
  ASSERT_TRUE(r.started);
  EXPECT_EQ(r.out.substr(r.out.find("\r\n") + 2),
            "1 1 [a\"\"b]\r\n"
            "2 1 [a\"b]\r\n"
            "3 1 [x\ty]\r\n"
            "4 1 [ b ]\r\n"
            "5 4 []\r\n");
}
#endif

#ifdef _WIN32
TEST(ArgFetch, RealProcessExactWindowsLines) {
  // Only Windows hands a program its command line unchanged: odd quotes,
  // tabs and trailing blanks reach it as typed.
  std::string out = echo(" a \"b");
  EXPECT_EQ(
      out,
      "0 3 [X]\r\n1 3 [X]\r\n2 3 [X]\r\n3 3 [X]\r\n4 3 [X]\r\n5 3 [X]\r\n");
  out = echo("\ta\t\"x\ty\"  ");
  EXPECT_EQ(out.substr(out.find("\r\n") + 2),
            "1 1 [a]\r\n2 1 [x y]\r\n3 4 []\r\n4 2 []\r\n5 2 []\r\n");
  out = echo(" \xFE\xE9");
  EXPECT_EQ(out.substr(out.find("\r\n") + 2, 10), "1 1 [\xFE\xE9]\r\n");
}
#endif

#ifndef _WIN32
// A regular file that another process holds open for appending, named
// through that process's descriptor, is appended to as that process would.
TEST(FileReplaceAll, AnotherProcessesDescriptorIsAppendedTo) {
  const tk::test::temp_dir dir;
  const std::string log = dir.file("log.txt");
  tk::test::write_file(log, "old ");
  std::array<int, 2> ready{};
  std::array<int, 2> release{};
  ASSERT_EQ(::pipe(ready.data()), 0);
  ASSERT_EQ(::pipe(release.data()), 0);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(release[1]);
    const int fd = ::open(log.c_str(), O_WRONLY | O_APPEND);
    char byte = static_cast<char>(fd);
    if (::write(ready[1], &byte, 1) != 1 || ::read(release[0], &byte, 1) < 0)
      _exit(1);
    _exit(0);
  }
  ASSERT_GT(pid, 0);
  char fd = 0;
  ASSERT_EQ(::read(ready[0], &fd, 1), 1);
  const std::string name =
      "/proc/" + std::to_string(pid) + "/fd/" + std::to_string(fd);
  EXPECT_TRUE(tk::file_replace_all(name.c_str(), "new").ok);
  ::close(release[1]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  for (const int p : {ready[0], ready[1], release[0]}) ::close(p);
  EXPECT_EQ(tk::test::read_file(log), "old new");
}
#endif

TEST(ConsoleWrite, ExactBytesReachStandardOutput) {
  const tk::test::run_output r =
      tk::test::run("child", "print \"tab\there \xFE\xFF end\"");
  ASSERT_TRUE(r.started);
  EXPECT_EQ(r.exit_code, 0u);
  EXPECT_EQ(r.out, "tab here \xFE\xFF end\r\n");
}

// child prints what the kit's rules give for arguments 0 to 5.
TEST(Run, TypedLineReachesTheProgramAsTyped) {
  const tk::test::run_output r =
      tk::test::run("child", "a \"b  c", {.typed = true});
  EXPECT_TRUE(r.started);
  EXPECT_EQ(r.exit_code, 0u);
#ifdef _WIN32
  // The unbalanced quotation mark makes every argument unavailable.
  EXPECT_EQ(r.out,
            "0 3 [X]\r\n1 3 [X]\r\n2 3 [X]\r\n3 3 [X]\r\n4 3 [X]\r\n"
            "5 3 [X]\r\n");
#else
  // One argument per blank-separated piece, its quotation mark included.
  EXPECT_EQ(r.out.substr(r.out.find("\r\n") + 2),
            "1 1 [a]\r\n2 1 [\"b]\r\n3 1 [c]\r\n4 2 []\r\n5 2 []\r\n");
#endif
}

}  // namespace
