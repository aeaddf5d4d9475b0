// The four Windows programs as their users run them, and the inputs that
// the 32-bit address space makes its own (lines of 64 MiB). This file is
// the whole of programs_test in the 32-bit tree, where every start is
// emulated: each program starts once per kind of use, and no case starts a
// watchdog thread (under qemu-i386 every thread is one more chance of a
// crash in Wine's thread-local values).
//   - tksub on the shipped example, its inputs under names with blanks (so
//     that the program cuts its command line), report and target byte for
//     byte as testdata/myresult.out and myresult.asm hold them, then again
//     over an existing target named ./sub\t.asm;
//   - deflib with `child` as the stand-in librarian at its default place,
//     \tolvane\bin\link on the working directory's drive, so that its real
//     command line, directory and priority are seen, then again on
//     lists/mylib.txt over existing outputs;
//   - timeinfo with its key from a file;
//   - jumptest in its window, driven by dialog_robot: Unused 4 and 5
//     pressed, a picture taken (jumptest-win32.bmp beside the build's bin/,
//     which the 32-bit tree converts to jumptest-win32.png), closed with Esc.
#include <ctime>
#include <filesystem>
#include <string>
#include <string_view>

#include "gtest/gtest.h"
#include "tests/programs/program_checks.h"
#include "tests/test_util.h"

namespace {

namespace fs = std::filesystem;
using tk::test::read_file;
using tk::test::run_output;
using tk::test::testdata;
using tk::test::write_file;

// The working directories, on drive C: as a user's are (deflib's default
// librarian is named from the root of the working directory's drive).
const fs::path work_base = "C:\\tk-deliverables";

class Win32Deliverables : public ::testing::Test {
 protected:
  // Runs `program` in the working directory; checks that it started, ended
  // with `status` and wrote nothing to standard error.
  run_output run_in(std::string_view program, std::string_view args,
                    const fs::path& cwd, unsigned status = 0) {
    run_output r = tk::test::run(program, args, {.cwd = cwd});
    const std::string label = std::string(program) + " " + std::string(args);
    EXPECT_TRUE(r.started) << label;
    EXPECT_EQ(r.exit_code, status) << label;
    EXPECT_EQ(r.err, "") << label;
    return r;
  }
  std::string get(std::string_view name) const { return read_file(dir / name); }

  const tk::test::temp_dir dir{work_base};
};

TEST_F(Win32Deliverables, TksubOnTheExampleUnderNamesWithBlanks) {
  const fs::path examples = fs::path(TK_SOURCE_DIR) / "examples";
  fs::copy_file(examples / "myequate.equ", dir / "my equate.equ");
  fs::copy_file(examples / "mysource.asm", dir / "my source.asm");
  const std::string report = read_file(testdata("myresult.out"));
  const std::string target = read_file(testdata("myresult.asm"));
  const std::string inputs = "\"my equate.equ\" \"my source.asm\" ";
  EXPECT_EQ(run_in("tksub", inputs + "myresult.asm", dir.path()).out, report);
  EXPECT_EQ(get("myresult.asm"), target);

  // Over an existing target, named with ./, / and \ as scripts and
  // makefiles hand names to Windows programs.
  fs::create_directory(dir / "sub");
  write_file(dir / "sub/t.asm", "stale");
  std::string renamed = report;
  renamed.replace(renamed.find("myresult.asm"), 12, "./sub\\t.asm");
  EXPECT_EQ(run_in("tksub", inputs + "./sub\\t.asm", dir.path()).out, renamed);
  EXPECT_EQ(get("sub/t.asm"), target);
}

// The stand-in librarian at C:\tolvane\bin\link.exe, removed afterwards. A
// librarian already there is neither used nor replaced: the case fails.
class scoped_librarian {
 public:
  scoped_librarian() {
    if (fs::exists(root)) {
      ADD_FAILURE() << root.string()
                    << " is there already: no stand-in is put in its place";
      return;
    }
    fs::create_directories(root / "bin");
    fs::copy_file(tk::test::program_path("child"), root / "bin/link.exe");
    made_ = true;
  }
  scoped_librarian(const scoped_librarian&) = delete;
  scoped_librarian& operator=(const scoped_librarian&) = delete;
  ~scoped_librarian() {
    std::error_code ec;
    if (made_) fs::remove_all(root, ec);
  }
  bool made() const { return made_; }

 private:
  const fs::path root = "C:\\tolvane";
  bool made_ = false;
};

TEST_F(Win32Deliverables, DeflibStartsTheLibrarianAtItsDefaultPlace) {
  const tk::test::scoped_env not_chosen("DEFLIB_LIBRARIAN", nullptr);
  const scoped_librarian librarian;
  ASSERT_TRUE(librarian.made());
  const std::string def = read_file(testdata("mylib.def"));
  const std::string inc = read_file(testdata("mylib.inc"));
  write_file(dir / "mylib.txt", "printf\r\nputs\r\n");
  // The console holds the librarian's line only.
  EXPECT_EQ(run_in("deflib", "mylib.txt", dir.path()).out,
            "stand-in librarian\r\n");
  EXPECT_EQ(get("mylib.def"), def);
  EXPECT_EQ(get("mylib.inc"), inc);
  EXPECT_EQ(get("link_record.txt"),
            "line: \\tolvane\\bin\\link -lib /machine:ix86 /def:mylib.def\r\n"
            "arg 1: -lib\r\narg 2: /machine:ix86\r\narg 3: /def:mylib.def\r\n"
            "cwd: " +
                dir.path().string() + "\r\npriority: 128\r\n");
  // The librarian saw the whole .def file.
  EXPECT_EQ(get("seen.def"), def);

  // Again, the list in a directory named with /, over existing outputs.
  fs::create_directory(dir / "lists");
  write_file(dir / "lists/mylib.txt", "printf\r\nputs\r\n");
  write_file(dir / "lists/mylib.def", "stale");
  write_file(dir / "lists/mylib.inc", "stale");
  EXPECT_EQ(run_in("deflib", "lists/mylib.txt", dir.path()).out,
            "stand-in librarian\r\n");
  EXPECT_EQ(get("lists/mylib.def"), def);
  EXPECT_EQ(get("lists/mylib.inc"), inc);
}

TEST_F(Win32Deliverables, TimeinfoWithItsKeyFromAFile) {
  const tk::test::scoped_env zone("TZ", "EST5EDT");
  const std::time_t before = std::time(nullptr);
  const run_output r =
      tk::test::run("timeinfo", {}, {.cwd = dir.path(), .stdin_bytes = "k"});
  const std::time_t after = std::time(nullptr);
  EXPECT_EQ(r.exit_code, 0u);
  EXPECT_EQ(r.err, "");
  tk::test::check_timeinfo_report(r.out, before, after);
}

TEST_F(Win32Deliverables, JumptestDrivenFromOutside) {
  const std::string args =
      tk::test::quoted(tk::test::program_path("jumptest")) + " jumptest.bmp";
  EXPECT_EQ(run_in("dialog_robot", args, dir.path()).out,
            read_file(testdata("jumptest.txt")));
  ASSERT_TRUE(fs::exists(dir / "jumptest.bmp"));
  EXPECT_GT(fs::file_size(dir / "jumptest.bmp"), 54u);  // more than a header
  fs::copy_file(dir / "jumptest.bmp",
                tk::test::bin_dir().parent_path() / "jumptest-win32.bmp",
                fs::copy_options::overwrite_existing);
}

// One line of 64 MiB, "a " over and over; each a becomes cccc, so the
// target (160 MiB) outgrows twice the source.
TEST_F(Win32Deliverables, TksubSixtyFourMegabyteLine) {
  const std::size_t pairs = std::size_t{32} << 20;
  write_file(dir / "big.asm", tk::test::repeated("a ", pairs));
  write_file(dir / "p.equ", "a cccc");
  const std::string want = tk::test::repeated("cccc ", pairs) + "\r\n";
  EXPECT_EQ(run_in("tksub", "p.equ big.asm t.asm", dir.path()).out,
            tk::test::written_report("t.asm", want.size()));
  EXPECT_TRUE(get("t.asm") == want) << "160 MiB target differs";
}

// A name of 64 MiB, with a librarian that is not there.
TEST_F(Win32Deliverables, DeflibSixtyFourMegabyteLine) {
  const std::string librarian =
      tk::test::quoted((dir / "no-librarian" / "link").string()) + " /def:";
  const tk::test::scoped_env chosen("DEFLIB_LIBRARIAN", librarian.c_str());
  const std::string name(std::size_t{64} << 20, 'n');
  write_file(dir / "big.txt", name);
  EXPECT_EQ(run_in("deflib", "big.txt", dir.path(), 1).out,
            "deflib: cannot start the librarian (not found): " + librarian +
                "big.def\r\n");
  EXPECT_TRUE(get("big.def") ==
              tk::test::def_header("big") + "EXPORTS " + name + "\r\n");
  EXPECT_TRUE(get("big.inc") == tk::test::inc_header("big") +
                                    "    externdef _imp__" + name +
                                    ":PTR c_big\r\n    crt_" + name +
                                    " equ <_imp__" + name + ">\r\n\r\n");
}

}  // namespace
