// The built deflib, where only a process shows the behaviour: its arguments
// as the system delivers them, its console, the librarian it starts, and
// lists that are locked, named pipes or vanish while it runs. What it makes
// of its lists is tested on its driver in the process
// (deflib/deflib_driver_test.cc).
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>

#ifndef _WIN32
#include <sys/stat.h>
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
using tk::test::temp_dir;
using tk::test::write_file;

const std::string deflib_usage_text(tk::test::expected::deflib_usage);

// The built program: its arguments, its console, the librarian that
// DEFLIB_LIBRARIAN names (the helper `child`, which prints its argument),
// and its exit status.
TEST(DeflibProgram, RunsEndToEnd) {
  const temp_dir dir;
  write_file(dir.file("mylib.txt"), "printf\r\nputs\r\n");
  const tk::test::scoped_env chosen(
      "DEFLIB_LIBRARIAN",
      (tk::test::quoted(tk::test::program_path("child")) + " print /def:")
          .c_str());
  const run_output r = tk::test::run(
      "deflib", "mylib.txt",
      {.cwd = dir.path(), .written = {{"mylib.def", "mylib.inc"}}});
  EXPECT_EQ(r.exit_code, 0u);
  EXPECT_EQ(r.out, "/def:mylib.def\r\n");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(read_file(dir.file("mylib.def")),
            read_file(tk::test::testdata("mylib.def")));
  EXPECT_EQ(read_file(dir.file("mylib.inc")),
            read_file(tk::test::testdata("mylib.inc")));
}

// Bad input, with a librarian in a directory that never exists, so that no
// librarian installed on the machine is found.
class DeflibBadInput : public ::testing::Test {
 protected:
  // What deflib says when the librarian is not there.
  std::string no_librarian(std::string_view def_file) const {
    return "deflib: cannot start the librarian (not found): " + librarian +
           std::string(def_file) + ".def\r\n";
  }

  temp_dir dir{tk::test::programs_work()};
  const std::string librarian =
      tk::test::quoted((dir / "no-librarian" / "link").string()) +
      " -lib /machine:ix86 /def:";
  const tk::test::scoped_env librarian_chosen{"DEFLIB_LIBRARIAN",
                                              librarian.c_str()};
};

// An unbalanced quotation mark: on Windows no argument at all, on POSIX a
// list name that holds it.
TEST_F(DeflibBadInput, UnbalancedQuotationMark) {
  write_file(dir / "names.txt", "printf\r\n");
  const auto before = tk::test::snapshot(dir.path());
  tk::test::run_typed("deflib", "\"names.txt", dir, 1, deflib_usage_text);
  EXPECT_EQ(tk::test::snapshot(dir.path()), before);
}

TEST_F(DeflibBadInput, ListHeldByAnotherProgram) {
  write_file(dir / "locked.txt", "printf\r\n");
  const tk::test::unreadable_file locked(dir / "locked.txt");
  if (!locked.why_not().empty()) {
    std::printf("[ NOTE     ] unreadable list file not tested: %s\n",
                locked.why_not().c_str());
    return;
  }
  run_checked(
      "deflib", "locked.txt", dir,
      {1,
       "deflib: cannot read the list file locked.txt: it cannot be opened\r\n",
       {}});
}

#ifndef _WIN32
TEST_F(DeflibBadInput, NamedPipe) {
  ASSERT_EQ(::mkfifo((dir / "pipe.txt").string().c_str(), 0600), 0);
  {
    const tk::test::fifo_writer writer(dir.file("pipe.txt"), "puts\r\n");
    run_checked("deflib", "pipe.txt", dir,
                {1, no_librarian("pipe"), {"pipe.def", "pipe.inc"}});
  }
  EXPECT_EQ(read_file(dir / "pipe.def"),
            tk::test::def_header("pipe") + "EXPORTS puts\r\n");
}
#endif

TEST_F(DeflibBadInput, ListThatVanishes) {
  write_file(dir / "l.txt", "printf\r\n");
  const std::string unread =
      "deflib: cannot read the list file l.txt: it cannot be opened\r\n";
  std::map<std::string, int> outcomes;
  {
    const tk::test::vanishing_file flipping(dir / "l.txt");
    for (int i = 0; i < 40; ++i) {
      fs::remove(dir / "l.def");
      fs::remove(dir / "l.inc");
      const run_output r = tk::test::run("deflib", "l.txt",
                                         {.cwd = dir.path(), .watched = true});
      EXPECT_EQ(r.exit_code, 1u) << r.out;
      if (r.out == no_librarian("l")) {
        EXPECT_EQ(read_file(dir / "l.def"),
                  tk::test::def_header("l") + "EXPORTS printf\r\n");
        ++outcomes["written"];
        continue;
      }
      EXPECT_TRUE(r.out == deflib_usage_text || r.out == unread) << r.out;
      EXPECT_FALSE(fs::exists(dir / "l.def"));
      EXPECT_FALSE(fs::exists(dir / "l.inc"));
      ++outcomes[r.out == unread ? "unreadable" : "missing"];
    }
  }
  tk::test::note_outcomes("deflib with a vanishing list", outcomes);
  EXPECT_EQ(read_file(dir / "l.txt"), "printf\r\n");
}

TEST_F(DeflibBadInput, OutputThatMayNotBeWritten) {
  write_file(dir / "x.txt", "printf\r\n");
  write_file(dir / "x.def", "old def");
  fs::permissions(dir / "x.def", fs::perms::owner_read | fs::perms::group_read |
                                     fs::perms::others_read);
  run_checked("deflib", "x.txt", dir,
              {1, "deflib: cannot write x.def\r\n", {}});
  EXPECT_FALSE(fs::exists(dir / "x.inc"));
}

}  // namespace
