// The built tksub, where only a process shows the behaviour: its arguments
// as the system delivers them, its exit status, special files and files
// that vanish while it runs, and targets that stand for the process's own
// output or that only another user may not write. What it makes of its
// inputs is tested on its driver in the process (tksub/tksub_driver_test.cc).
// The bad-input runs are checked for their exact console output and exit
// status, for ending at all (a watchdog ends the test program when a run
// hangs), and for leaving every file they were not asked to write unchanged.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#endif

#include "gtest/gtest.h"
#include "tests/expected_texts.h"
#include "tests/programs/program_checks.h"
#include "tests/test_util.h"

namespace {

namespace fs = std::filesystem;
using tk::test::read_file;
using tk::test::run_checked;
using tk::test::run_output;
using tk::test::snapshot;
using tk::test::temp_dir;
using tk::test::write_file;
using tk::test::written_report;

const std::string tksub_usage_text(tk::test::expected::tksub_usage);
const std::string missing_first =
    std::string(tk::test::expected::tksub_missing_first) + tksub_usage_text;
const std::string missing_second =
    std::string(tk::test::expected::tksub_missing_second) + tksub_usage_text;

// A scratch directory and its files.
class TksubProgram : public ::testing::Test {
 protected:
  void put(const std::string& name, std::string_view bytes) {
    write_file(dir.path() / name, bytes);
  }
  std::string get(const std::string& name) {
    return read_file(dir.path() / name);
  }
  std::vector<std::string> listing() {
    return tk::test::dir_listing(dir.path());
  }
  // `prefix` starts the program through another one (setpriv).
  run_output run(const std::string& arguments, const std::string& prefix = {}) {
    return tk::test::run("tksub", arguments,
                         {.cwd = dir.path(), .prefix = prefix});
  }

  temp_dir dir{tk::test::programs_work()};
};

// The program as the system starts it: its arguments, console and status.
TEST_F(TksubProgram, RunsEndToEnd) {
  // Cut from a Windows command line by the kit's rules; elsewhere by
  // tk::test::run before the start.
  put("my pairs.equ", "x y\r\nexit 0\r\n");
  put("my source.asm", "x\tx\r\n");
  run_output o =
      run("\"my pairs.equ\"  \t my\" \"source.asm   \"my target.asm\"");
  ASSERT_TRUE(o.started);
  EXPECT_EQ(o.out, "Line Number 2my target.asm written at 5 bytes\r\n");
  EXPECT_EQ(o.exit_code, 0u);
  EXPECT_EQ(o.err, "");
  EXPECT_EQ(get("my target.asm"), "y\ty\r\n");

  o = run("my\" \"pairs.equ");
  EXPECT_EQ(o.out, missing_second);
  EXPECT_EQ(o.exit_code, 1u);
#ifndef _WIN32
  // POSIX: argv as delivered, quotation marks and tabs included.
  for (const std::string name : {"a\"\"b", "a\"b", "tab\there"}) {
    o = tk::test::run(
        "tksub", {},
        {.cwd = dir.path(), .argv = {"my pairs.equ", "my source.asm", name}});
    EXPECT_EQ(o.out, "Line Number 2" + name + " written at 5 bytes\r\n");
    EXPECT_EQ(o.exit_code, 0u);
    EXPECT_EQ(get(name), "y\ty\r\n");
  }
#endif
}

#ifndef _WIN32
// The ways the special-target cases start tksub: as the test's own user,
// and when that is root, also as an unprivileged one, for whom permission
// bits count. Found once for all of them.
std::vector<std::pair<std::string, std::string>> find_starters() {
  const bool root = ::geteuid() == 0;
  std::vector<std::pair<std::string, std::string>> out = {
      {root ? "as root" : "as an unprivileged user", ""}};
  if (!root) return out;
  const std::string prefix =
      "setpriv --reuid=65534 --regid=65534 --clear-groups ";
  const run_output probe = tk::test::run("tksub", {}, {.prefix = prefix});
  if (probe.out == missing_first)
    out.emplace_back("as user 65534", prefix);
  else
    std::printf(
        "[  SKIPPED ] not run as an unprivileged user: setpriv did "
        "not start tksub (%s)\n",
        probe.started ? probe.err.c_str() : "not found");
  return out;
}

const std::vector<std::pair<std::string, std::string>>& starters() {
  static const auto found = find_starters();
  return found;
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
  // Runs tksub on target `name`; checks the status and that no temporary
  // file is left, and gives what the run wrote.
  run_output run_on(const std::string& name, const std::string& prefix) {
    const std::vector<std::string> before = listing();
    run_output o = run("p.equ s.asm " + name, prefix);
    EXPECT_EQ(o.exit_code, 0u);
    EXPECT_EQ(listing(), before);
    return o;
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
    EXPECT_EQ(run_on("link.asm", prefix).out, report("link.asm"));
    EXPECT_EQ(run_on("dangling.asm", prefix).out, report("dangling.asm"));
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
    EXPECT_EQ(run_on("pipe.asm", prefix).out, report("pipe.asm"));
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
    // A link made as /dev/stdout is: the text alone goes to standard
    // output, the report to standard error.
    fs::create_symlink("/proc/self/fd/1", dir.path() / "out.asm");
    run_output o = run_on("out.asm", prefix);
    EXPECT_EQ(o.out, text);
    EXPECT_EQ(o.err, report("out.asm"));
    EXPECT_TRUE(fs::is_symlink(dir.path() / "out.asm"));
    fs::remove(dir.path() / "out.asm");
    // The real one only without privileges: as root a fault here would
    // replace the machine's own /dev/stdout.
    if (!prefix.empty() || ::geteuid() != 0) {
      o = run_on("/dev/stdout", prefix);
      EXPECT_EQ(o.out, text);
      EXPECT_EQ(o.err, report("/dev/stdout"));
    }
  }
}

TEST_F(TksubSpecialTarget, CharacterDeviceIsWrittenDirectly) {
  for (const auto& [who, prefix] : starters()) {
    SCOPED_TRACE(who);
    if (!prefix.empty() || ::geteuid() != 0) {
      // Safe only without privileges, as above.
      EXPECT_EQ(run_on("/dev/null", prefix).out, report("/dev/null"));
    } else if (::mknod(dir.file("null.asm").c_str(), S_IFCHR | 0666,
                       ::makedev(1, 3)) != 0) {
      std::printf("[  SKIPPED ] no character device can be made here: %s\n",
                  std::strerror(errno));
    } else {
      EXPECT_EQ(run_on("null.asm", prefix).out, report("null.asm"));
      EXPECT_TRUE(fs::is_character_file(dir.path() / "null.asm"));
      fs::remove(dir.path() / "null.asm");
    }
  }
}
#endif

// ---------------------------------------------------------------------------
// Bad input

// Unbalanced quotation marks make every argument unavailable on Windows.
// On POSIX the shell has cut the line and a quotation mark is part of the
// name.
TEST_F(TksubProgram, UnbalancedQuotationMark) {
  put("p.equ", "a b");
  put("s.asm", "a\r\n");
  const auto before = snapshot(dir.path());
#ifdef _WIN32
  tk::test::run_typed("tksub", "p.equ s.asm t.asm\"", dir, 1, missing_first);
#else
  tk::test::run_typed("tksub", "p.equ s.asm t.asm\"", dir, 0,
                      "t.asm\" written at 3 bytes\r\n");
  EXPECT_EQ(get("t.asm\""), "b\r\n");
  fs::remove(dir / "t.asm\"");
#endif
  EXPECT_EQ(snapshot(dir.path()), before);
}

#ifndef _WIN32
// A named pipe, as a pipeline gives it, for the pairs and for the source:
// read to its end once its writer has come.
TEST_F(TksubProgram, NamedPipesAsInputs) {
  put("p.equ", "a b");
  put("s.asm", "a\r\n");
  ASSERT_EQ(::mkfifo((dir / "pipe").string().c_str(), 0600), 0);
  {
    const tk::test::fifo_writer writer(dir.file("pipe"), "a zz");
    run_checked("tksub", "pipe s.asm t.asm", dir,
                {0, "t.asm written at 4 bytes\r\n", {"t.asm"}});
  }
  EXPECT_EQ(get("t.asm"), "zz\r\n");
  {
    const tk::test::fifo_writer writer(dir.file("pipe"), "a a");
    run_checked("tksub", "p.equ pipe t.asm", dir,
                {0, "t.asm written at 5 bytes\r\n", {"t.asm"}});
  }
  EXPECT_EQ(get("t.asm"), "b b\r\n");
}
#endif

// Every byte value goes through the process's files untouched: zero bytes
// and bytes from 0x80 up pass through; in 0 to 255 the words "_" and
// "abc...z" stand alone and are swapped, and CR LF is added after the last
// byte, 0xFF.
TEST_F(TksubProgram, BinarySource) {
  put("p.equ", "_ underscore\r\nabcdefghijklmnopqrstuvwxyz ALPHABET");
  put("binary.asm", tk::test::all_bytes(64));
  std::string block = tk::test::all_bytes(1);
  block.replace(block.find("abcdefghijklmnopqrstuvwxyz"), 26, "ALPHABET");
  block.replace(block.find('_'), 1, "underscore");
  std::string want;
  for (int i = 0; i < 64; ++i) want += block;
  want += "\r\n";
  run_checked("tksub", "p.equ binary.asm t.asm", dir,
              {0, written_report("t.asm", want.size()), {"t.asm"}});
  EXPECT_TRUE(get("t.asm") == want);
}

// A name that passes the existence check may be gone when the file is
// read. Every run must end with one of the three documented outcomes, and
// a target, when written, is whole.
TEST_F(TksubProgram, FilesThatVanish) {
  put("p.equ", "a b");
  put("s.asm", "a c a\r\n");
  for (const bool pairs : {true, false}) {
    const std::string name = pairs ? "p.equ" : "s.asm";
    const std::string gone = pairs ? missing_first : missing_second;
    const std::string unread = pairs ? "Cannot read word file 'p.equ'\r\n"
                                     : "Cannot read source file 's.asm'\r\n";
    std::map<std::string, int> outcomes;
    {
      const tk::test::vanishing_file flipping(dir / name);
      for (int i = 0; i < 40; ++i) {
        fs::remove(dir / "t.asm");
        const run_output r = tk::test::run(
            "tksub", "p.equ s.asm t.asm", {.cwd = dir.path(), .watched = true});
        if (r.exit_code == 0 && r.out == written_report("t.asm", 7)) {
          EXPECT_EQ(get("t.asm"), "b c b\r\n");
          ++outcomes["written"];
          continue;
        }
        EXPECT_EQ(r.exit_code, 1u) << r.out;
        EXPECT_TRUE(r.out == gone || r.out == unread) << r.out;
        EXPECT_FALSE(fs::exists(dir / "t.asm"));
        ++outcomes[r.out == gone ? "missing" : "unreadable"];
      }
    }
    tk::test::note_outcomes("tksub with a vanishing " + name, outcomes);
  }
  EXPECT_EQ(get("p.equ"), "a b");
  EXPECT_EQ(get("s.asm"), "a c a\r\n");
}

TEST_F(TksubProgram, TargetThatMayNotBeWritten) {
  put("p.equ", "a b");
  put("s.asm", "a c a\r\n");
  put("ro.asm", "keep");
  fs::permissions(dir / "ro.asm", fs::perms::owner_read |
                                      fs::perms::group_read |
                                      fs::perms::others_read);
  run_checked("tksub", "p.equ s.asm ro.asm", dir,
              {1, "Cannot write target file 'ro.asm'\r\n", {}});
}

}  // namespace
