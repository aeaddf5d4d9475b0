// tksub's driver in the process, with a console that collects its texts;
// and the built program end to end, where only a process shows the
// behaviour: its arguments as the system delivers them, its exit status, and
// targets that stand for the process's own output or that only another user
// may not write.
#include "substitution_main.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#endif

#include "expected_texts.h"
#include "gtest/gtest.h"
#include "kit.h"
#include "test_util.h"

namespace {

namespace fs = std::filesystem;
using tk::test::read_file;
using tk::test::run_output;
using tk::test::temp_dir;
using tk::test::write_file;

const std::string usage(tk::test::expected::tksub_usage);
const std::string missing_first(tk::test::expected::tksub_missing_first);
const std::string missing_second(tk::test::expected::tksub_missing_second);
const std::string missing_third(tk::test::expected::tksub_missing_third);

// A scratch directory and its files.
class TksubFiles : public ::testing::Test {
 protected:
  void put(const std::string& name, std::string_view bytes) {
    write_file(dir.path() / name, bytes);
  }
  std::string get(const std::string& name) {
    return read_file(dir.path() / name);
  }
  bool exists(const std::string& name) { return fs::exists(dir.path() / name); }
  std::vector<std::string> listing() {
    return tk::test::dir_listing(dir.path());
  }

  temp_dir dir;
};

// What a run of the driver gave.
struct outcome {
  int status = -1;
  std::string out;
};

// The driver, run in the scratch directory.
class Tksub : public TksubFiles {
 protected:
  // Runs on the arguments that the kit's rules cut from "tksub " + `line`,
  // as the Windows program gets them from its command line.
  outcome run(const std::string& line) {
    tk::string_console console;
    const std::vector<std::string> args =
        tk::arg_split(line.empty() ? "tksub" : "tksub " + line);
    const int status = tk::tksub::substitution_main(args, console);
    return {status, console.text()};
  }

  tk::test::scoped_current_dir cwd{dir.path()};
};

// The built program.
class TksubProgram : public TksubFiles {
 protected:
  // `prefix` starts the program through another one (setpriv).
  run_output run(const std::string& arguments, const std::string& prefix = {}) {
    return tk::test::run_capture(
        prefix + tk::test::quoted(tk::test::program_path("tksub")) + " " +
            arguments,
        dir.path());
  }
};

TEST_F(Tksub, MissingAndOddArguments) {
  put("p.equ", "a b");
  put("s.asm", "a\r\n");
  struct row {
    std::string args;
    std::string out;
  };
  // No arguments, an empty first one, a missing first input and no third
  // argument: the bad-input matrix runs the program on them.
  const std::vector<row> rows = {
      {"p.equ", missing_second + usage},
      {"p.equ none.asm t.asm", missing_second + usage},
      {std::string(300, 'n') + " s.asm t.asm",
       "Argument 1 is too long for a file name (259 characters at most)\r\n" +
           usage},
      {"p.equ s.asm " + std::string(300, 't'),
       "Argument 3 is too long for a file name (259 characters at most)\r\n" +
           usage},
  };
  for (const row& r : rows) {
    const outcome o = run(r.args);
    EXPECT_EQ(o.out, r.out) << r.args.substr(0, 40);
    EXPECT_EQ(o.status, 1) << r.args.substr(0, 40);
  }
  EXPECT_EQ(listing(), (std::vector<std::string>{"p.equ", "s.asm"}));
  // On Windows an odd number of quotation marks makes every argument
  // unavailable.
  const outcome odd = run("\"p.equ s.asm t.asm");
  EXPECT_EQ(odd.out, missing_first + usage);
  EXPECT_EQ(odd.status, 1);
  EXPECT_FALSE(exists("t.asm"));
}

TEST_F(Tksub, SubstitutesAndReports) {
  const fs::path data(TKSUB_TESTDATA);
  put("sample.equ", read_file(data / "sample.equ"));
  put("sample.asm", read_file(data / "sample.asm"));
  outcome o = run("sample.equ sample.asm result.asm");
  const std::string expected = read_file(data / "sample_expected.asm");
  // The pair file ends with an "exit" line on line 6.
  EXPECT_EQ(o.out, "Line Number 6result.asm written at " +
                       std::to_string(expected.size()) + " bytes\r\n");
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(get("result.asm"), expected);

  put("p.equ", "CONST 10\r\na = b");
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"abc", "abc\r\n"},
      {"abc\n", "abc\n"},
      {"abc\r", "abc\r\r\n"},
      {"", ""},
      {"a", "b\r\n"},
      {"mov eax, CONST\r\n[a] (CONST) CONST: a.b\r\n",
       "mov eax, 10\r\n[b] (10) CONST: a.b\r\n"},
      {std::string("a\0a \x80\xFF\ta\r\n", 10),
       std::string("b\0b \x80\xFF\tb\r\n", 10)},
  };
  for (const auto& [source, target] : cases) {
    put("s.asm", source);
    o = run("p.equ s.asm t.asm");
    EXPECT_EQ(o.out, "t.asm written at " + std::to_string(target.size()) +
                         " bytes\r\n")
        << source;
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(get("t.asm"), target) << source;
  }
  // Swaps that make the target more than twice the source.
  put("long.equ", "a " + std::string(63, 'L'));
  put("s.asm", "a a a");
  o = run("long.equ s.asm t.asm");
  const std::string l(63, 'L');
  EXPECT_EQ(get("t.asm"), l + " " + l + " " + l + "\r\n");
  EXPECT_EQ(o.out, "t.asm written at 193 bytes\r\n");
}

TEST_F(Tksub, QuotedNamesWithSpaces) {
  put("my pairs.equ", "x y\r\nexit 0\r\n");
  put("my source.asm", "x\tx\r\n");
  const outcome o =
      run("\"my pairs.equ\"  \t my\" \"source.asm   \"my target.asm\"");
  EXPECT_EQ(o.out, "Line Number 2my target.asm written at 5 bytes\r\n");
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(get("my target.asm"), "y\ty\r\n");
}

TEST_F(Tksub, PairErrorsLeaveTheTargetAlone) {
  put("s.asm", "a\r\n");
  put("t.asm", "previous");
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"a b\r\n", "ERROR: MISSING SECOND ARGUMENT\r\nLine Number 2"},
      {"a b c", "ERROR: TOO MANY ARGUMENTS\r\nLine Number 1"},
      {"a b\r\na c", "ERROR: SYMBOL REDEFINITION \"a\"\r\nLine Number 2"},
      {"a " + std::string(64, 'p'),
       "ERROR: WORD LONGER THAN 63 CHARACTERS\r\nLine Number 1"},
  };
  for (const auto& [pairs, out] : cases) {
    put("p.equ", pairs);
    const outcome o = run("p.equ s.asm t.asm");
    EXPECT_EQ(o.out, out);
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(get("t.asm"), "previous");
    put("p.equ", pairs);
    EXPECT_EQ(run("p.equ s.asm new.asm").out, out);
    EXPECT_FALSE(exists("new.asm"));
  }
}

TEST_F(Tksub, InPlaceSubstitution) {
  put("p.equ", "old new");
  put("s.asm", "old older old");
  const outcome o = run("p.equ s.asm s.asm");
  EXPECT_EQ(o.out, "s.asm written at 15 bytes\r\n");
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(get("s.asm"), "new older new\r\n");
  EXPECT_EQ(listing(), (std::vector<std::string>{"p.equ", "s.asm"}));
}

// Inputs that cannot be read and targets that cannot be written: the
// bad-input matrix runs the program on them (TksubBadInput).

TEST_F(Tksub, HelpAndVersionAlone) {
  for (const char* ask : {"-h", "--help", "/?"}) {
    const outcome o = run(ask);
    EXPECT_EQ(o.out, usage) << ask;
    EXPECT_EQ(o.status, 0) << ask;
  }
  const outcome o = run("--version");
  EXPECT_EQ(o.out, "tksub " + std::string(tk::kit_version) + "\r\n");
  EXPECT_EQ(o.status, 0);
  // Not alone, they are file names like any other.
  EXPECT_EQ(run("-h x").out, missing_first + usage);
  EXPECT_TRUE(listing().empty());
}

// Before this was fixed, the temporary name was the target's name and a
// suffix, too long beside a name as long as the file system takes.
TEST_F(Tksub, LongestTargetName) {
  put("p.equ", "a b");
  put("s.asm", "a");
  const std::string name(255, 't');
  const outcome o = run("p.equ s.asm " + name);
  EXPECT_EQ(o.out, name + " written at 3 bytes\r\n");
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(get(name), "b\r\n");
  EXPECT_EQ(listing().size(), 3u);
}

#ifdef _WIN32
TEST_F(Tksub, DeviceTargetIsWrittenDirectly) {
  put("p.equ", "a b");
  put("s.asm", "a");
  const outcome o = run("p.equ s.asm NUL");
  EXPECT_EQ(o.out, "NUL written at 3 bytes\r\n");
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(listing(), (std::vector<std::string>{"p.equ", "s.asm"}));
}
#endif

// The program as the system starts it: its arguments, console and status.
TEST_F(TksubProgram, RunsEndToEnd) {
  const fs::path data(TKSUB_TESTDATA);
  put("sample.equ", read_file(data / "sample.equ"));
  put("sample.asm", read_file(data / "sample.asm"));
  run_output o = run("sample.equ sample.asm result.asm");
  const std::string expected = read_file(data / "sample_expected.asm");
  ASSERT_TRUE(o.started);
  EXPECT_EQ(o.out, "Line Number 6result.asm written at " +
                       std::to_string(expected.size()) + " bytes\r\n");
  EXPECT_EQ(o.exit_code, 0u);
  EXPECT_EQ(o.err, "");
  EXPECT_EQ(get("result.asm"), expected);

  // Cut from a Windows command line by the kit's rules; elsewhere by
  // run_capture before the start.
  put("my pairs.equ", "x y\r\nexit 0\r\n");
  put("my source.asm", "x\tx\r\n");
  o = run("\"my pairs.equ\"  \t my\" \"source.asm   \"my target.asm\"");
  EXPECT_EQ(o.out, "Line Number 2my target.asm written at 5 bytes\r\n");
  EXPECT_EQ(o.exit_code, 0u);
  EXPECT_EQ(get("my target.asm"), "y\ty\r\n");

  o = run("sample.equ");
  EXPECT_EQ(o.out, missing_second + usage);
  EXPECT_EQ(o.exit_code, 1u);
#ifndef _WIN32
  // POSIX: argv as delivered, quotation marks and tabs included.
  for (const std::string name : {"a\"\"b", "a\"b", "tab\there"}) {
    o = tk::test::run_capture_argv({tk::test::program_path("tksub"),
                                    "my pairs.equ", "my source.asm", name},
                                   dir.path());
    EXPECT_EQ(o.out, "Line Number 2" + name + " written at 5 bytes\r\n");
    EXPECT_EQ(o.exit_code, 0u);
    EXPECT_EQ(get(name), "y\ty\r\n");
  }
#endif
}

#ifndef _WIN32
// The ways the next test starts tksub: as the test's own user, and when
// that is root, also as an unprivileged one, for whom permission bits count.
std::vector<std::pair<std::string, std::string>> starters() {
  const bool root = ::geteuid() == 0;
  std::vector<std::pair<std::string, std::string>> out = {
      {root ? "as root" : "as an unprivileged user", ""}};
  if (!root) return out;
  const std::string prefix =
      "setpriv --reuid=65534 --regid=65534 --clear-groups ";
  const run_output probe = tk::test::run_capture(
      prefix + tk::test::quoted(tk::test::program_path("tksub")));
  if (probe.out == missing_first + usage)
    out.emplace_back("as user 65534", prefix);
  else
    std::printf(
        "[  SKIPPED ] not run as an unprivileged user: setpriv did "
        "not start tksub (%s)\n",
        probe.started ? probe.err.c_str() : "not found");
  return out;
}

// Before this was fixed, every target was replaced by a new regular file:
// a link, a FIFO, a device and /dev/stdout itself. Each case runs once for
// each of starters().
class TksubSpecialTarget : public TksubProgram {
 protected:
  void SetUp() override {
    put("p.equ", "a b");
    put("s.asm", "a a");
    fs::permissions(dir.path(), fs::perms::all);
  }
  static std::string report(const std::string& name) {
    return name + " written at 5 bytes\r\n";
  }
  // Runs tksub on target `name`; checks the report, the status and that no
  // temporary file is left, and gives standard output.
  std::string run_on(const std::string& name, const std::string& prefix) {
    const std::vector<std::string> before = listing();
    const run_output o = run("p.equ s.asm " + name, prefix);
    EXPECT_TRUE(o.out.ends_with(report(name))) << o.out;
    EXPECT_EQ(o.exit_code, 0u);
    EXPECT_EQ(listing(), before);
    return o.out;
  }
  const std::string text = "b b\r\n";
};

TEST_F(TksubSpecialTarget, LinksAreFollowed) {
  for (const auto& [who, prefix] : starters()) {
    SCOPED_TRACE(who);
    fs::create_directory(dir.path() / "sub");
    fs::permissions(dir.path() / "sub", fs::perms::all);
    put("sub/real.asm", "old");
    fs::create_symlink("sub/real.asm", dir.path() / "link.asm");
    // A link to a name not there yet: the file is made under that name.
    fs::create_symlink("sub/new.asm", dir.path() / "dangling.asm");
    run_on("link.asm", prefix);
    run_on("dangling.asm", prefix);
    EXPECT_TRUE(fs::is_symlink(dir.path() / "link.asm"));
    EXPECT_TRUE(fs::is_symlink(dir.path() / "dangling.asm"));
    EXPECT_EQ(get("sub/real.asm"), text);
    EXPECT_EQ(get("sub/new.asm"), text);
    // A read-only file stays as it is, also behind a link.
    fs::permissions(dir.path() / "sub/real.asm", fs::perms::owner_read);
    EXPECT_EQ(run("p.equ s.asm link.asm", prefix).out,
              "Cannot write target file 'link.asm'\r\n");
    EXPECT_EQ(get("sub/real.asm"), text);
    for (const char* name : {"sub", "link.asm", "dangling.asm"})
      fs::remove_all(dir.path() / name);
  }
}

TEST_F(TksubSpecialTarget, FifoIsWrittenForItsReader) {
  for (const auto& [who, prefix] : starters()) {
    SCOPED_TRACE(who);
    const std::string fifo = dir.file("pipe.asm");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0666), 0);
    ::chmod(fifo.c_str(), 0666);
    // Held open for reading, so that tksub's open does not wait.
    const int reader = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    run_on("pipe.asm", prefix);
    std::string got(64, '\0');
    const ssize_t n = ::read(reader, got.data(), got.size());
    ::close(reader);
    got.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    EXPECT_EQ(got, text);
    EXPECT_TRUE(fs::is_fifo(fifo));
    fs::remove(fifo);
  }
}

TEST_F(TksubSpecialTarget, StandardOutputByName) {
  for (const auto& [who, prefix] : starters()) {
    SCOPED_TRACE(who);
    // A link made as /dev/stdout is: the text joins standard output, ahead
    // of the report.
    fs::create_symlink("/proc/self/fd/1", dir.path() / "out.asm");
    EXPECT_EQ(run_on("out.asm", prefix), text + report("out.asm"));
    EXPECT_TRUE(fs::is_symlink(dir.path() / "out.asm"));
    fs::remove(dir.path() / "out.asm");
    // The real one only without privileges: as root a fault here would
    // replace the machine's own /dev/stdout.
    if (!prefix.empty() || ::geteuid() != 0) {
      EXPECT_EQ(run_on("/dev/stdout", prefix), text + report("/dev/stdout"));
    }
  }
}

TEST_F(TksubSpecialTarget, CharacterDeviceIsWrittenDirectly) {
  for (const auto& [who, prefix] : starters()) {
    SCOPED_TRACE(who);
    if (!prefix.empty() || ::geteuid() != 0) {
      // Safe only without privileges, as above.
      EXPECT_EQ(run_on("/dev/null", prefix), report("/dev/null"));
    } else if (::mknod(dir.file("null.asm").c_str(), S_IFCHR | 0666,
                       ::makedev(1, 3)) != 0) {
      std::printf("[  SKIPPED ] no character device can be made here: %s\n",
                  std::strerror(errno));
    } else {
      EXPECT_EQ(run_on("null.asm", prefix), report("null.asm"));
      EXPECT_TRUE(fs::is_character_file(dir.path() / "null.asm"));
      fs::remove(dir.path() / "null.asm");
    }
  }
}
#endif

#ifdef _WIN32
// A Windows file name holds at most 259 characters and its terminator.
TEST_F(Tksub, NameLengthLimitOnWindows) {
  EXPECT_EQ(run(std::string(259, 'n') + " s.asm t.asm").out,
            missing_first + usage);
  EXPECT_EQ(run(std::string(260, 'n') + " s.asm t.asm").out,
            "Argument 1 is too long for a file name (259 characters at "
            "most)\r\n" +
                usage);
}
#endif

}  // namespace
