// The test helpers' own tests: what the runs of programs_test rely on to
// see every change in a scratch directory and to clean it up.
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

}  // namespace
