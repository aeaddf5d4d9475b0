// The bad-input matrix: the real programs, once for each kind of input that
// only a process shows: a command line as the system delivers it, special
// files (directories, named pipes), files the process may not open or
// write, files that vanish while it runs, and inputs big enough to test its
// address space. What the tools make of their inputs is tested on their
// drivers in the process (tksub_driver_test.cc, deflib_driver_test.cc).
// Each run is checked for its exact console output and exit status, for
// ending at all (a watchdog ends the test program when a run hangs), and for
// leaving every file it was not asked to write unchanged (checksums of the
// whole scratch directory before and after). timeinfo, which takes no
// arguments and reads no file, has its bad input (arguments, an input that
// ends before a key) in its own end-to-end tests.
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <thread>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "gtest/gtest.h"
#include "tests/expected_texts.h"
#include "tests/test_util.h"

namespace {

namespace fs = std::filesystem;
using tk::test::read_file;
using tk::test::run_output;
using tk::test::snapshot;
using tk::test::temp_dir;
using tk::test::unreadable_file;
using tk::test::write_file;

// ---------------------------------------------------------------------------
// Texts the programs print.

const std::string tksub_usage(tk::test::expected::tksub_usage);
const std::string missing_first =
    std::string(tk::test::expected::tksub_missing_first) + tksub_usage;
const std::string missing_second =
    std::string(tk::test::expected::tksub_missing_second) + tksub_usage;

const std::string deflib_usage(tk::test::expected::deflib_usage);

// The scratch directories sit beside the build's bin/, inside the build
// tree.
const fs::path work = tk::test::bin_dir().parent_path() / "bad-input-work";

// deflib's librarian, in every run here: a program in a directory that
// never exists, so that no librarian installed on the machine is found.
const std::string librarian =
    tk::test::quoted((work / "no-librarian" / "link").string()) +
    " -lib /machine:ix86 /def:";
const tk::test::scoped_env librarian_chosen("DEFLIB_LIBRARIAN",
                                            librarian.c_str());

// What deflib says when the librarian is not there.
std::string no_librarian(std::string_view def_file) {
  return "deflib: cannot start the librarian (not found): " + librarian +
         std::string(def_file) + ".def\r\n";
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

struct expected {
  unsigned status = 0;
  std::string out;
  // Files (relative names) that the run may create or change.
  std::set<std::string> written;
};

// Runs `tool` in `dir`, failing when it changes any file there but those
// of `want`, and checks the exact exit status and console output.
void run_checked(std::string_view tool, const std::string& args,
                 const temp_dir& dir, const expected& want) {
  const run_output r =
      tk::test::run(tool, args, {.cwd = dir.path(), .written = want.written});
  const std::string label = std::string(tool) + " " + args;
  EXPECT_EQ(r.exit_code, want.status) << label;
  if (r.out.size() < 4096) {
    EXPECT_EQ(r.out, want.out) << label;
  } else {
    EXPECT_TRUE(r.out == want.out)
        << label << ": " << r.out.size() << " bytes of output differ";
  }
  EXPECT_EQ(r.err, "") << label;
}

// Runs `tool` in `dir` with `arg_text` after its name exactly as typed (see
// run_options::typed) and checks the exit status and console output.
void run_typed(std::string_view tool, const std::string& arg_text,
               const temp_dir& dir, unsigned status, const std::string& out) {
  const run_output r = tk::test::run(
      tool, arg_text, {.cwd = dir.path(), .typed = true, .watched = true});
  EXPECT_TRUE(r.started) << arg_text;
  EXPECT_EQ(r.exit_code, status) << arg_text;
  EXPECT_EQ(r.out, out) << arg_text;
  EXPECT_EQ(r.err, "") << arg_text;
}

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

// `unit` `times` over, by doubling: a loop of appends is slow under the
// emulation that runs the 32-bit build.
std::string repeated(std::string_view unit, std::size_t times) {
  const std::size_t size = unit.size() * times;
  std::string s(unit);
  s.reserve(size);
  while (2 * s.size() <= size) s.append(s);
  s.append(s, 0, size - s.size());
  return s;
}

std::string written_report(std::string_view target, std::size_t bytes) {
  return std::string(target) + " written at " + std::to_string(bytes) +
         " bytes\r\n";
}

// ---------------------------------------------------------------------------
// tksub

// Unbalanced quotation marks make every argument unavailable on Windows.
// On POSIX the shell has cut the line and a quotation mark is part of the
// name.
TEST(TksubBadInput, CommandLine) {
  const temp_dir dir(work);
  write_file(dir / "p.equ", "a b");
  write_file(dir / "s.asm", "a\r\n");
  const auto before = snapshot(dir.path());
#ifdef _WIN32
  run_typed("tksub", "p.equ s.asm t.asm\"", dir, 1, missing_first);
#else
  run_typed("tksub", "p.equ s.asm t.asm\"", dir, 0,
            "t.asm\" written at 3 bytes\r\n");
  EXPECT_EQ(read_file(dir / "t.asm\""), "b\r\n");
  fs::remove(dir / "t.asm\"");
#endif
  EXPECT_EQ(snapshot(dir.path()), before);
}

TEST(TksubBadInput, NamesThatCannotBeRead) {
  const temp_dir dir(work);
  write_file(dir / "p.equ", "a b");
  write_file(dir / "s.asm", "a\r\n");
  fs::create_directory(dir / "dir");
  run_checked("tksub", "dir s.asm t.asm", dir,
              {1, "Cannot read word file 'dir'\r\n", {}});

  write_file(dir / "locked.equ", "a b");
  const unreadable_file locked(dir / "locked.equ");
  if (!locked.why_not().empty()) {
    std::printf("[ NOTE     ] unreadable word file not tested: %s\n",
                locked.why_not().c_str());
  } else {
    run_checked("tksub", "locked.equ s.asm t.asm", dir,
                {1, "Cannot read word file 'locked.equ'\r\n", {}});
  }
}

#ifndef _WIN32
// A named pipe, as a pipeline gives it: read to its end once its writer
// has come. Before this was fixed it was refused.
TEST(TksubBadInput, NamedPipes) {
  const temp_dir dir(work);
  write_file(dir / "p.equ", "a b");
  write_file(dir / "s.asm", "a\r\n");
  ASSERT_EQ(::mkfifo((dir / "pipe").string().c_str(), 0600), 0);
  {
    const tk::test::fifo_writer writer(dir.file("pipe"), "a zz");
    run_checked("tksub", "pipe s.asm t.asm", dir,
                {0, "t.asm written at 4 bytes\r\n", {"t.asm"}});
  }
  EXPECT_EQ(read_file(dir / "t.asm"), "zz\r\n");
  {
    const tk::test::fifo_writer writer(dir.file("pipe"), "a a");
    run_checked("tksub", "p.equ pipe t.asm", dir,
                {0, "t.asm written at 5 bytes\r\n", {"t.asm"}});
  }
  EXPECT_EQ(read_file(dir / "t.asm"), "b b\r\n");
}
#endif

// Every byte value goes through the process's files untouched: zero bytes
// and bytes from 0x80 up pass through; in 0 to 255 the words "_" and
// "abc...z" stand alone and are swapped, and CR LF is added after the last
// byte, 0xFF.
TEST(TksubBadInput, BinarySource) {
  const temp_dir dir(work);
  write_file(dir / "p.equ",
             "_ underscore\r\nabcdefghijklmnopqrstuvwxyz ALPHABET");
  write_file(dir / "binary.asm", all_bytes(64));
  std::string block = all_bytes(1);
  block.replace(block.find("abcdefghijklmnopqrstuvwxyz"), 26, "ALPHABET");
  block.replace(block.find('_'), 1, "underscore");
  std::string want;
  for (int i = 0; i < 64; ++i) want += block;
  want += "\r\n";
  run_checked("tksub", "p.equ binary.asm t.asm", dir,
              {0, written_report("t.asm", want.size()), {"t.asm"}});
  EXPECT_TRUE(read_file(dir / "t.asm") == want);
}

TEST(TksubBadInput, SixtyFourMegabyteLine) {
  const temp_dir dir(work);
  // One line of 64 MiB, "a " over and over; each a becomes cccc, so the
  // target (160 MiB) outgrows twice the source.
  const std::size_t pairs = std::size_t{32} << 20;
  write_file(dir / "big.asm", repeated("a ", pairs));
  write_file(dir / "p.equ", "a cccc");
  const std::string want = repeated("cccc ", pairs) + "\r\n";
  run_checked("tksub", "p.equ big.asm t.asm", dir,
              {0, written_report("t.asm", want.size()), {"t.asm"}});
  EXPECT_TRUE(read_file(dir / "t.asm") == want) << "160 MiB target differs";
}

// A name that passes the existence check may be gone when the file is
// read. Every run must end with one of the three documented outcomes, and
// a target, when written, is whole.
TEST(TksubBadInput, FilesThatVanish) {
  const temp_dir dir(work);
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
        const run_output r = tk::test::run(
            "tksub", "p.equ s.asm t.asm", {.cwd = dir.path(), .watched = true});
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

TEST(TksubBadInput, TargetThatMayNotBeWritten) {
  const temp_dir dir(work);
  write_file(dir / "p.equ", "a b");
  write_file(dir / "s.asm", "a c a\r\n");
  write_file(dir / "ro.asm", "keep");
  fs::permissions(dir / "ro.asm", fs::perms::owner_read |
                                      fs::perms::group_read |
                                      fs::perms::others_read);
  run_checked("tksub", "p.equ s.asm ro.asm", dir,
              {1, "Cannot write target file 'ro.asm'\r\n", {}});
}

// ---------------------------------------------------------------------------
// deflib

TEST(DeflibBadInput, Arguments) {
  const temp_dir dir(work);
  write_file(dir / "names.txt", "printf\r\n");
  run_checked("deflib", "", dir, {1, deflib_usage, {}});
  const auto before = snapshot(dir.path());
  run_typed("deflib", "\"names.txt", dir, 1, deflib_usage);
  EXPECT_EQ(snapshot(dir.path()), before);
}

TEST(DeflibBadInput, NamesThatCannotBeRead) {
  const temp_dir dir(work);
  write_file(dir / "names.txt", "printf\r\n");
  fs::create_directory(dir / "dir.txt");
  run_checked(
      "deflib", "dir.txt", dir,
      {1,
       "deflib: cannot read the list file dir.txt: it cannot be opened\r\n",
       {}});

  write_file(dir / "locked.txt", "printf\r\n");
  const unreadable_file locked(dir / "locked.txt");
  if (!locked.why_not().empty()) {
    std::printf("[ NOTE     ] unreadable list file not tested: %s\n",
                locked.why_not().c_str());
  } else {
    run_checked("deflib", "locked.txt", dir,
                {1,
                 "deflib: cannot read the list file locked.txt: it cannot be "
                 "opened\r\n",
                 {}});
  }
}

#ifndef _WIN32
TEST(DeflibBadInput, NamedPipe) {
  const temp_dir dir(work);
  ASSERT_EQ(::mkfifo((dir / "pipe.txt").string().c_str(), 0600), 0);
  {
    const tk::test::fifo_writer writer(dir.file("pipe.txt"), "puts\r\n");
    run_checked("deflib", "pipe.txt", dir,
                {1, no_librarian("pipe"), {"pipe.def", "pipe.inc"}});
  }
  EXPECT_EQ(read_file(dir / "pipe.def"),
            def_header("pipe") + "EXPORTS puts\r\n");
}
#endif

TEST(DeflibBadInput, SixtyFourMegabyteLine) {
  const temp_dir dir(work);
  const std::string name(std::size_t{64} << 20, 'n');
  write_file(dir / "big.txt", name);
  run_checked("deflib", "big.txt", dir,
              {1, no_librarian("big"), {"big.def", "big.inc"}});
  EXPECT_TRUE(read_file(dir / "big.def") ==
              def_header("big") + "EXPORTS " + name + "\r\n");
  EXPECT_TRUE(read_file(dir / "big.inc") ==
              inc_header("big") + "    externdef _imp__" + name +
                  ":PTR c_big\r\n    crt_" + name + " equ <_imp__" + name +
                  ">\r\n\r\n");
}

TEST(DeflibBadInput, ListThatVanishes) {
  const temp_dir dir(work);
  write_file(dir / "l.txt", "printf\r\n");
  const std::string unread =
      "deflib: cannot read the list file l.txt: it cannot be opened\r\n";
  std::map<std::string, int> outcomes;
  {
    const vanishing_file flipping(dir / "l.txt");
    for (int i = 0; i < 40; ++i) {
      fs::remove(dir / "l.def");
      fs::remove(dir / "l.inc");
      const run_output r = tk::test::run("deflib", "l.txt",
                                         {.cwd = dir.path(), .watched = true});
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

TEST(DeflibBadInput, OutputThatMayNotBeWritten) {
  const temp_dir dir(work);
  write_file(dir / "x.txt", "printf\r\n");
  write_file(dir / "x.def", "old def");
  fs::permissions(dir / "x.def", fs::perms::owner_read | fs::perms::group_read |
                                     fs::perms::others_read);
  run_checked("deflib", "x.txt", dir,
              {1, "deflib: cannot write x.def\r\n", {}});
  EXPECT_FALSE(fs::exists(dir / "x.inc"));
}

}  // namespace
