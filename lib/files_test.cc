#include <algorithm>
#include <array>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#ifdef _WIN32
#include <thread>

#include "lib/handle_win32.h"
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#endif

#include "gtest/gtest.h"
#include "lib/extras.h"
#include "lib/files_internal.h"
#include "lib/kit.h"
#include "tests/test_util.h"

namespace {

namespace fs = std::filesystem;
using tk::test::read_file;
using tk::test::temp_dir;
using tk::test::write_file;

TEST(FileReadAll, ContentsFollowedByThreeZeros) {
  temp_dir dir;
  const std::string bytes("line 1\r\n\0\xFF\x80 end", 15);
  write_file(dir.file("a.txt"), bytes);
  tk::text_block block;
  tk::read_status why = tk::read_status::open_failed;
  ASSERT_EQ(tk::file_read_all(dir.file("a.txt").c_str(), block, &why), 1);
  EXPECT_EQ(why, tk::read_status::ok);
  EXPECT_EQ(block.size, 15u);
  EXPECT_EQ(block.block.size(), 18u);
  EXPECT_EQ(block.view(), bytes);
  for (std::size_t i = 15; i < 18; ++i) EXPECT_EQ(block.data()[i], 0);

  write_file(dir.file("empty"), "");
  tk::text_block empty;
  ASSERT_EQ(tk::file_read_all(dir.file("empty").c_str(), empty), 1);
  EXPECT_EQ(empty.size, 0u);
  ASSERT_EQ(empty.block.size(), 3u);
  EXPECT_EQ(std::string(empty.data(), 3), std::string(3, '\0'));
}

TEST(FileReadAll, FailuresLeaveTheCallersBlockAlone) {
  temp_dir dir;
  write_file(dir.file("keep"), "kept");
  tk::text_block block;
  ASSERT_EQ(tk::file_read_all(dir.file("keep").c_str(), block), 1);
  const char* before = block.data();
  fs::create_directory(dir.path() / "sub");
  for (const std::string& name :
       {dir.file("missing"), dir.file("sub"), dir.file("k*")}) {
    tk::read_status why = tk::read_status::ok;
    EXPECT_EQ(tk::file_read_all(name.c_str(), block, &why), 0) << name;
    EXPECT_EQ(why, tk::read_status::open_failed) << name;
    EXPECT_EQ(block.data(), before);
    EXPECT_EQ(block.view(), "kept");
  }
}

#ifndef _WIN32
// Before this was fixed, every input that was not a regular file was
// refused ("Cannot read word file '/dev/fd/63'" for "<(printf ...)"), and a
// file of /proc, which reports a size of 0, was read as empty.
TEST(FileReadAll, PipesAndProcFilesAreReadToTheirEnd) {
  temp_dir dir;
  // More than the first block of 64 KiB, so that it has to grow.
  std::string bytes(200000, 'x');
  bytes[0] = 'a';
  bytes.back() = 'z';
  auto read_name = [](const std::string& name) {
    tk::text_block block;
    tk::read_status why = tk::read_status::open_failed;
    const int ok = tk::file_read_all(name.c_str(), block, &why);
    EXPECT_EQ(ok, 1) << name;
    EXPECT_EQ(why, tk::read_status::ok) << name;
    EXPECT_EQ(block.block.size(), std::size_t{block.size} + 3) << name;
    if (ok == 1) {
      EXPECT_EQ(std::string(block.data() + block.size, 3),
                std::string(3, '\0'));
    }
    return std::string(block.view());
  };

  // A named pipe: the open waits for the writer. The watchdog ends a wait
  // that never ends.
  const std::string fifo = dir.file("pipe.equ");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  {
    const tk::test::watchdog guard("reading a named pipe", 60);
    const tk::test::fifo_writer writer(fifo, bytes);
    EXPECT_EQ(read_name(fifo), bytes);
  }

  // A pipe reached through the process's descriptors, as a shell's "<(...)"
  // or /dev/stdin gives it; its writer has closed its end.
  int ends[2];
  ASSERT_EQ(::pipe(ends), 0);
  ASSERT_EQ(::write(ends[1], "a zz", 4), 4);
  ::close(ends[1]);
  EXPECT_EQ(read_name("/dev/fd/" + std::to_string(ends[0])), "a zz");
  ::close(ends[0]);

  // A file of /proc, which reports a size of 0.
  const std::string proc = "/proc/self/cmdline";
  struct stat st {};
  if (::stat(proc.c_str(), &st) == 0 && st.st_size == 0) {
    EXPECT_EQ(read_name(proc), read_file(proc));
  } else {
    std::printf("[ NOTE     ] %s not tested: no such file of size 0\n",
                proc.c_str());
  }
}

// A file whose reported size is larger than what can be read from it: the
// attribute files under /sys report a whole page and hold a few bytes.
std::string file_shorter_than_its_size() {
  for (const char* where : {"/sys/kernel", "/sys/devices/system/cpu"}) {
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(where, ec)) {
      struct stat st {};
      std::string name = e.path().string();
      if (::stat(name.c_str(), &st) != 0 || !S_ISREG(st.st_mode) ||
          st.st_size <= 0)
        continue;
      try {
        if (read_file(name).size() < static_cast<std::size_t>(st.st_size))
          return name;
      } catch (const std::exception&) {  // unreadable: try the next one
      }
    }
  }
  return {};
}

TEST(FileReadAll, ShortReadIsRefused) {
  const std::string name = file_shorter_than_its_size();
  if (name.empty())
    GTEST_SKIP() << "no file under /sys reports more bytes than it holds";
  tk::text_block block;
  tk::read_status why = tk::read_status::ok;
  EXPECT_EQ(tk::file_read_all(name.c_str(), block, &why), 0) << name;
  EXPECT_EQ(why, tk::read_status::read_failed) << name;
  EXPECT_EQ(block.data(), nullptr);
}
#elif defined(_WIN64)
// A pipe whose writer has written and closed its end holds the whole input:
// the reader then sees a broken pipe, which is the end, not a failure. Not
// in the 32-bit build: its writer is a second thread, which 32-bit Wine
// under qemu-i386 does not run reliably; the code is the same in both.
TEST(FileReadAll, NamedPipeIsReadToItsEnd) {
  const std::string name =
      "\\\\.\\pipe\\tk-files-read-" + std::to_string(GetCurrentProcessId());
  tk::scoped_handle server(CreateNamedPipeA(name.c_str(), PIPE_ACCESS_OUTBOUND,
                                            PIPE_TYPE_BYTE | PIPE_WAIT, 1,
                                            65536, 0, 0, nullptr));
  ASSERT_TRUE(server.valid());
  const std::string bytes("from the pipe\r\n\0\xFF", 17);
  const tk::test::watchdog guard("reading a named pipe", 60);
  std::thread writer([&server, &bytes] {
    ConnectNamedPipe(server.get(), nullptr);
    DWORD n = 0;
    WriteFile(server.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &n,
              nullptr);
    FlushFileBuffers(server.get());
    server.close();
  });
  tk::text_block block;
  tk::read_status why = tk::read_status::open_failed;
  EXPECT_EQ(tk::file_read_all(name.c_str(), block, &why), 1);
  writer.join();
  EXPECT_EQ(why, tk::read_status::ok);
  EXPECT_EQ(block.view(), bytes);
}
#endif

TEST(FileExists, NamesPatternsAndDirectories) {
  temp_dir dir;
  write_file(dir.file("names.txt"), "x");
  fs::create_directory(dir.path() / "sub");
  EXPECT_EQ(tk::file_exists(dir.file("names.txt").c_str()), 1);
  EXPECT_EQ(tk::file_exists(dir.file("sub").c_str()), 1);
  EXPECT_EQ(tk::file_exists(dir.file("na*.t?t").c_str()), 1);
  EXPECT_EQ(tk::file_exists(dir.file("zz*").c_str()), 0);
  EXPECT_EQ(tk::file_exists(dir.file("names.tx").c_str()), 0);
  EXPECT_EQ(tk::file_exists(""), 0);
}

TEST(FileSame, OneFileUnderTwoNamesOnly) {
  temp_dir dir;
  write_file(dir.file("a.txt"), "same text");
  write_file(dir.file("b.txt"), "same text");
  fs::create_directory(dir.path() / "sub");
  fs::create_hard_link(dir.path() / "a.txt", dir.path() / "link.txt");
  const std::string a = dir.file("a.txt");
  EXPECT_EQ(tk::file_same(a.c_str(), a.c_str()), 1);
  EXPECT_EQ(tk::file_same(a.c_str(), dir.file("sub/../a.txt").c_str()), 1);
  EXPECT_EQ(tk::file_same(a.c_str(), dir.file("link.txt").c_str()), 1);
  // Equal contents, a directory, a missing file and a pattern are not it.
  EXPECT_EQ(tk::file_same(a.c_str(), dir.file("b.txt").c_str()), 0);
  EXPECT_EQ(tk::file_same(a.c_str(), dir.file("sub").c_str()), 0);
  EXPECT_EQ(tk::file_same(dir.file("sub").c_str(), dir.file("sub").c_str()), 1);
  EXPECT_EQ(tk::file_same(a.c_str(), dir.file("missing").c_str()), 0);
  EXPECT_EQ(tk::file_same(dir.file("missing").c_str(), a.c_str()), 0);
  EXPECT_EQ(tk::file_same(a.c_str(), dir.file("a.tx?").c_str()), 0);
#ifdef _WIN32
  EXPECT_EQ(tk::file_same(a.c_str(), dir.file("A.TXT").c_str()), 1);
#endif
}

TEST(FileWriteAll, WritesExactBytesAndReportsFailure) {
  temp_dir dir;
  const std::string bytes("a\r\nb\0c\xFE", 7);
  tk::write_result r = tk::file_write_all(dir.file("out").c_str(), bytes);
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.written, 7u);
  EXPECT_EQ(read_file(dir.file("out")), bytes);
  // Overwrites, and a count of 0 makes an empty file that counts as written.
  r = tk::file_write_all(dir.file("out").c_str(), std::string_view());
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.written, 0u);
  EXPECT_EQ(read_file(dir.file("out")), "");
  // A missing directory cannot hold the file.
  r = tk::file_write_all(dir.file("no/such/out").c_str(), bytes);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.written, 0u);
#ifndef _WIN32
  // A file system that runs full takes only part of the bytes.
  {
    const tk::test::file_size_limit full(4);
    r = tk::file_write_all(dir.file("out").c_str(), bytes);
  }
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.written, 4u);
#endif
}

TEST(FileReplaceAll, ReplacesWholeOrLeavesTheOldFile) {
  temp_dir dir;
  const std::string target = dir.file("target.asm");
  write_file(target, "old contents");
  tk::write_result r = tk::file_replace_all(target.c_str(), "new");
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.written, 3u);
  EXPECT_EQ(read_file(target), "new");
  // Nothing is left beside the target.
  int files = 0;
  for (const auto& e : fs::directory_iterator(dir.path())) {
    (void)e;
    ++files;
  }
  EXPECT_EQ(files, 1);
  // Spelled with forward slashes, as makefiles and scripts hand it to a
  // Windows program, an existing target is replaced all the same.
  std::string slashed = target;
  std::replace(slashed.begin(), slashed.end(), '\\', '/');
  EXPECT_TRUE(tk::file_replace_all(slashed.c_str(), "newer").ok) << slashed;
  EXPECT_EQ(read_file(target), "newer");
  // A target in a missing directory: failure, nothing created.
  r = tk::file_replace_all(dir.file("missing/t.asm").c_str(), "x");
  EXPECT_FALSE(r.ok);
  EXPECT_FALSE(fs::exists(dir.path() / "missing"));
  // A target that is a directory stays a directory.
  fs::create_directory(dir.path() / "d");
  r = tk::file_replace_all(dir.file("d").c_str(), "x");
  EXPECT_FALSE(r.ok);
  EXPECT_TRUE(fs::is_directory(dir.path() / "d"));
}

TEST(FileStage, NothingChangesUntilCommitAndNothingStays) {
  temp_dir dir;
  const std::string target = dir.file("t.asm");
  write_file(target, "old");
  {
    const tk::staged_file staged = tk::file_stage(target.c_str(), "new");
    EXPECT_TRUE(staged.ok());
    EXPECT_EQ(staged.result().written, 3u);
    EXPECT_EQ(read_file(target), "old");
    EXPECT_EQ(tk::test::dir_listing(dir.path()).size(), 2u);
  }
  EXPECT_EQ(read_file(target), "old");
  EXPECT_EQ(tk::test::dir_listing(dir.path()),
            std::vector<std::string>{"t.asm"});

  tk::staged_file staged = tk::file_stage(target.c_str(), "new");
  EXPECT_TRUE(staged.commit().ok);
  EXPECT_EQ(read_file(target), "new");
  EXPECT_FALSE(staged.commit().ok);

  // The rename fails: the target became a directory meanwhile.
  staged = tk::file_stage(target.c_str(), "newer");
  ASSERT_TRUE(staged.ok());
  fs::remove(target);
  fs::create_directory(target);
  write_file(target + "/inside", "x");
  EXPECT_FALSE(staged.commit().ok);
  EXPECT_EQ(tk::test::dir_listing(dir.path()),
            std::vector<std::string>{"t.asm"});
}

// A target named with one character has sixteen temporary names; with all
// but one of them taken by stale files, the free one is found.
TEST(FileReplaceAll, StaleTemporaryFilesAreStepped) {
  temp_dir dir;
  const std::string hex = "0123456789abcdef";
  for (const char free : hex) {
    for (const char stale : hex)
      if (stale != free) write_file(dir / std::string(1, stale), "stale");
    EXPECT_TRUE(tk::file_replace_all(dir.file("x").c_str(), "new").ok) << free;
    EXPECT_EQ(read_file(dir.file("x")), "new");
    EXPECT_EQ(tk::test::dir_listing(dir.path()).size(), 16u) << free;
    for (const char stale : hex) fs::remove(dir / std::string(1, stale));
  }
}

TEST(TempLeaf, NeverLongerThanTheNameItStandsBeside) {
  EXPECT_EQ(std::string(tk::platform::temp_leaf(0, 5).data()), "");
  for (std::size_t length = 1; length <= 300; ++length) {
    std::set<std::string> names;
    for (std::uint32_t seed = 0; seed < 16; ++seed) {
      const std::string leaf =
          tk::platform::temp_leaf(length, 0x9E3779B0u + seed).data();
      EXPECT_EQ(leaf.size(), std::min<std::size_t>(length, 8)) << leaf;
      EXPECT_EQ(leaf.find_first_of("/\\:*?\"<>|. "), std::string::npos);
      names.insert(leaf);
    }
    // Consecutive seeds give distinct names, also of one character.
    EXPECT_EQ(names.size(), 16u) << length;
  }
}

// Before this was fixed, the POSIX build replaced a read-only target through
// rename(), and as root truncated one through open(); Windows refuses both.
TEST(FileWriteAll, ReadOnlyTargetIsLeftAlone) {
  temp_dir dir;
  const std::string target = dir.file("locked.asm");
  write_file(target, "keep me");
  const fs::perms read_only =
      fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
  fs::permissions(target, read_only);
  EXPECT_FALSE(tk::file_write_all(target.c_str(), "new").ok);
  EXPECT_FALSE(tk::file_replace_all(target.c_str(), "new").ok);
  fs::permissions(target, read_only | fs::perms::owner_write);
  EXPECT_EQ(read_file(target), "keep me");
  int files = 0;
  for (const auto& e : fs::directory_iterator(dir.path())) {
    (void)e;
    ++files;
  }
  EXPECT_EQ(files, 1);
  EXPECT_TRUE(tk::file_replace_all(target.c_str(), "new").ok);
  EXPECT_EQ(read_file(target), "new");
}

#ifndef _WIN32
// The permission bits of the umask, put back when the object goes away.
class scoped_umask {
 public:
  explicit scoped_umask(mode_t mask) : old_(::umask(mask)) {}
  scoped_umask(const scoped_umask&) = delete;
  scoped_umask& operator=(const scoped_umask&) = delete;
  ~scoped_umask() { ::umask(old_); }

 private:
  mode_t old_;
};

mode_t mode_of(const std::string& name) {
  struct stat st {};
  EXPECT_EQ(::stat(name.c_str(), &st), 0) << name;
  return st.st_mode & 07777;
}

// An existing file keeps its bits; a new one gets what the umask leaves. Any
// write bit, not only the owner's, makes a file writable.
TEST(FileReplaceAll, PermissionBits) {
  temp_dir dir;
  const scoped_umask mask(027);
  const std::string fresh = dir.file("fresh");
  ASSERT_TRUE(tk::file_replace_all(fresh.c_str(), "x").ok);
  EXPECT_EQ(mode_of(fresh), 0640u);
  for (const mode_t mode : {0604u, 0464u, 0446u}) {
    const std::string name = dir.file("kept");
    write_file(name, "old");
    ASSERT_EQ(::chmod(name.c_str(), mode), 0);
    EXPECT_TRUE(tk::file_replace_all(name.c_str(), "new").ok) << mode;
    EXPECT_EQ(read_file(name), "new") << mode;
    EXPECT_EQ(mode_of(name), mode);
  }
}

// A file system that runs full during the write.
TEST(FileReplaceAll, FailedWriteLeavesTheOldFileAndNoOther) {
  temp_dir dir;
  const std::string target = dir.file("t.asm");
  write_file(target, "old");
  tk::write_result r;
  {
    const tk::test::file_size_limit full(4096);
    r = tk::file_replace_all(target.c_str(), std::string(10000, 'n'));
  }
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.written, 4096u);
  EXPECT_EQ(read_file(target), "old");
  EXPECT_EQ(tk::test::dir_listing(dir.path()),
            std::vector<std::string>{"t.asm"});
}

// A relative link is read from the directory that holds it; a chain of
// links is followed to its end.
TEST(FileReplaceAll, RelativeLinkInAnotherDirectory) {
  temp_dir dir;
  const tk::test::scoped_current_dir cwd(dir.path());
  fs::create_directory("sub");
  write_file("sub/real.txt", "old");
  fs::create_symlink("real.txt", "sub/link");
  EXPECT_TRUE(tk::file_replace_all("sub/link", "new").ok);
  EXPECT_EQ(read_file("sub/real.txt"), "new");
  EXPECT_TRUE(fs::is_symlink("sub/link"));
  EXPECT_EQ(tk::test::dir_listing(dir.path()), std::vector<std::string>{"sub"});
  // chain -> sub/link2 -> sub/link -> sub/real.txt
  fs::create_symlink("link", "sub/link2");
  fs::create_symlink("sub/link2", "chain");
  EXPECT_TRUE(tk::file_replace_all("chain", "newer").ok);
  EXPECT_EQ(read_file("sub/real.txt"), "newer");
  EXPECT_TRUE(fs::is_symlink("chain"));
  EXPECT_EQ(tk::test::dir_listing("sub"),
            (std::vector<std::string>{"link", "link2", "real.txt"}));
}

// A name for an open file of this process (/dev/fd/N) is written through
// that descriptor, at commit; a pipe that takes only part of the text is a
// failure.
TEST(FileReplaceAll, OwnDescriptorReportsShortWrites) {
  std::array<int, 2> fds{};
  ASSERT_EQ(::pipe(fds.data()), 0);
  const auto fd_name = [](int fd) { return "/dev/fd/" + std::to_string(fd); };
  tk::staged_file staged = tk::file_stage(fd_name(fds[1]).c_str(), "abc");
  ASSERT_TRUE(staged.ok());
  ASSERT_EQ(::fcntl(fds[0], F_SETFL, O_NONBLOCK), 0);
  std::array<char, 8> got{};
  EXPECT_EQ(::read(fds[0], got.data(), got.size()), -1);
  EXPECT_TRUE(staged.commit().ok);
  EXPECT_EQ(::read(fds[0], got.data(), got.size()), 3);
  EXPECT_EQ(std::string(got.data(), 3), "abc");

  ASSERT_EQ(::fcntl(fds[1], F_SETFL, O_NONBLOCK), 0);
  ASSERT_GT(::fcntl(fds[1], F_SETPIPE_SZ, 4096), 0);
  const tk::write_result r =
      tk::file_replace_all(fd_name(fds[1]).c_str(), std::string(100000, 'x'));
  EXPECT_FALSE(r.ok);
  EXPECT_GT(r.written, 0u);
  EXPECT_LT(r.written, 100000u);
  ::close(fds[0]);
  ::close(fds[1]);
}

#endif

#ifdef _WIN32
// A pipe's server gets the text: the name is opened once, as a client.
TEST(FileReplaceAll, NamedPipeIsWrittenInPlace) {
  const std::string name =
      "\\\\.\\pipe\\tk-files-test-" + std::to_string(GetCurrentProcessId());
  const tk::scoped_handle server(
      CreateNamedPipeA(name.c_str(), PIPE_ACCESS_INBOUND,
                       PIPE_TYPE_BYTE | PIPE_WAIT, 1, 0, 65536, 0, nullptr));
  ASSERT_TRUE(server.valid());
  const tk::write_result r = tk::file_replace_all(name.c_str(), "to the pipe");
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.written, 11u);
  std::array<char, 64> got{};
  DWORD n = 0;
  ASSERT_TRUE(ReadFile(server.get(), got.data(), 64, &n, nullptr));
  EXPECT_EQ(std::string(got.data(), n), "to the pipe");
}
#endif

}  // namespace
