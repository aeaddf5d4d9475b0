// The test helpers' own tests: what the bad-input matrix relies on to see
// every change in a scratch directory, to clean it up, and to hand a program
// a line as typed.
#include "tests/test_util.h"

#include <filesystem>
#include <string>

#include "gtest/gtest.h"

namespace {

namespace fs = std::filesystem;
using tk::test::dir_snapshot;
using tk::test::snapshot;
using tk::test::temp_dir;
using tk::test::write_file;

TEST(Snapshot, SeesEveryChangeBelowTheDirectory) {
  const temp_dir dir;
  fs::create_directory(dir / "sub");
  write_file(dir / "sub/a", "abc");
  const dir_snapshot before = snapshot(dir.path());
  ASSERT_EQ(before.size(), 2u);
  EXPECT_EQ(before.count("sub"), 1u);
  EXPECT_EQ(before.count("sub/a"), 1u);

  write_file(dir / "sub/a", "abd");
  EXPECT_NE(snapshot(dir.path()), before);
  write_file(dir / "sub/a", "abc");
  EXPECT_EQ(snapshot(dir.path()), before);
  // A file and a directory where there was none: both are listed.
  write_file(dir / "sub/b", "");
  fs::create_directory(dir / "sub/c");
  const dir_snapshot after = snapshot(dir.path());
  EXPECT_EQ(after.size(), 4u);
  EXPECT_NE(after.at("sub/b"), after.at("sub/c"));
}

TEST(TempDir, UnderItsBaseAndRemovedWithReadOnlyContents) {
  const temp_dir outer;
  fs::path inner_path;
  {
    const temp_dir inner(outer / "base");
    inner_path = inner.path();
    EXPECT_EQ(inner_path.parent_path(), outer / "base");
    fs::create_directory(inner / "locked");
    write_file(inner / "locked/ro", "x");
    fs::permissions(inner / "locked/ro", fs::perms::owner_read);
    fs::permissions(inner / "locked",
                    fs::perms::owner_read | fs::perms::owner_exec);
  }
  EXPECT_FALSE(fs::exists(inner_path));
  EXPECT_TRUE(fs::is_directory(outer / "base"));
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
