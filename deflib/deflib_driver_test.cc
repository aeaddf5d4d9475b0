// deflib's driver in the process, with a console that collects its texts and
// a stand-in for the librarian that records what deflib asks to start. The
// built program is tested in tests/programs/deflib_test.cc.
#include "deflib/deflib_driver.h"

#include <filesystem>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "lib/kit.h"
#include "tests/expected_texts.h"
#include "tests/string_console.h"
#include "tests/test_util.h"

namespace {

namespace fs = std::filesystem;
using tk::test::read_file;
using tk::test::temp_dir;
using tk::test::write_file;

const std::string usage(tk::test::expected::deflib_usage);
// The files deflib makes from the list "printf\r\nputs\r\n" named mylib,
// as the programs' end-to-end runs expect them too.
const fs::path data = fs::path(TK_SOURCE_DIR) / "tests/testdata";
const std::string mylib_def = read_file(data / "mylib.def");
const std::string mylib_inc = read_file(data / "mylib.inc");

// Records each request to start a program, and the module-definition file
// that its "/def:" argument names and the include file beside it as they are
// at that moment; answers with `answer`.
class recording_starter final : public tk::process_starter {
 public:
  tk::run_result run(const char* command_line,
                     std::uint32_t priority_class) override {
    lines.emplace_back(command_line);
    priority = priority_class;
    args = tk::test::arg_split(command_line);
    for (const std::string& a : args) {
      if (!a.starts_with("/def:")) continue;
      const std::string def = a.substr(5);
      def_seen = read_file(def);
      inc_seen = read_file(def.substr(0, def.size() - 4) + ".inc");
    }
    return answer;
  }

  tk::run_result answer{.started = true};
  std::vector<std::string> lines;
  std::vector<std::string> args;  // the last line cut by the kit's rules
  std::uint32_t priority = 0;
  std::string def_seen;
  std::string inc_seen;
};

class Deflib : public ::testing::Test {
 protected:
  // Runs the driver in the scratch directory on the arguments that the kit's
  // rules cut from "deflib " + `line`, with the toolkit's own librarian
  // line; gives the exit status and leaves the text in `out`.
  int run(const std::string& line) {
    const std::vector<std::string> args =
        tk::test::arg_split(line.empty() ? "deflib" : "deflib " + line);
    console.clear();
    const int status = tk::deflib::generator_main(
        tk::test::views(args), tk::deflib::librarian_prefix(), console,
        starter);
    out = console.text();
    return status;
  }
  // Runs deflib where it must stop before the librarian; checks that it
  // failed and started nothing, and gives what it printed.
  std::string failure(const std::string& line) {
    EXPECT_EQ(run(line), 1) << line;
    EXPECT_TRUE(starter.lines.empty()) << line;
    return out;
  }
  std::string command(const std::string& def_arg) const {
    return std::string(tk::deflib::librarian_prefix()) + def_arg;
  }
  std::vector<std::string> listing() const {
    return tk::test::dir_listing(dir.path());
  }

  temp_dir dir;
  tk::test::scoped_current_dir cwd{dir.path()};
  tk::string_console console;
  recording_starter starter;
  std::string out;
};

TEST_F(Deflib, WritesBothFilesThenRunsTheLibrarian) {
  write_file("mylib.txt", "printf\r\nputs\r\n");
  // Files from an earlier run are replaced.
  write_file("mylib.def", "old contents that are longer than new");
  EXPECT_EQ(run("mylib.txt"), 0);
  // The librarian's output shares the console; deflib adds nothing.
  EXPECT_EQ(out, "");
  EXPECT_EQ(read_file("mylib.def"), mylib_def);
  EXPECT_EQ(read_file("mylib.inc"), mylib_inc);
  // Started once, in the high priority class, with both files complete.
  EXPECT_EQ(starter.lines, std::vector<std::string>{command("mylib.def")});
  EXPECT_EQ(starter.priority, tk::high_priority_class);
  EXPECT_EQ(starter.args,
            (std::vector<std::string>{starter.args.at(0), "-lib",
                                      "/machine:ix86", "/def:mylib.def"}));
  EXPECT_EQ(starter.def_seen, mylib_def);
  EXPECT_EQ(starter.inc_seen, mylib_inc);
}

TEST_F(Deflib, ListsWithEveryKindOfLineEnd) {
  write_file("mixed.lst",
             "alpha\nbeta\rgamma\r\n\r\n   \r\n\t\r\ndelta\tnote\r\nomega");
  EXPECT_EQ(run("mixed.lst"), 0);
  EXPECT_EQ(out, "");
  EXPECT_EQ(read_file("mixed.def"),
            "LIBRARY mixed\r\n\r\nEXPORTS alpha\r\nEXPORTS beta\r\n"
            "EXPORTS gamma\r\nEXPORTS delta\r\nEXPORTS omega\r\n");
  const std::string inc = read_file("mixed.inc");
  for (const char* n : {"alpha", "beta", "gamma", "delta", "omega"}) {
    const std::string entry = std::string("    externdef _imp__") + n +
                              ":PTR c_mixed\r\n    crt_" + n + " equ <_imp__" +
                              n + ">\r\n\r\n";
    EXPECT_NE(inc.find(entry), std::string::npos) << n;
  }
}

TEST_F(Deflib, BlankInTheDirectoryStaysOneArgument) {
  fs::create_directory("my dir");
  write_file("my dir/names.txt", "puts");
  EXPECT_EQ(run("\"my dir/names.txt\""), 0);
  const std::string def = "LIBRARY names\r\n\r\nEXPORTS puts\r\n";
  EXPECT_EQ(read_file("my dir/names.def"), def);
  EXPECT_EQ(starter.lines,
            std::vector<std::string>{command("\"my dir/names.def\"")});
  ASSERT_EQ(starter.args.size(), 4u);
  EXPECT_EQ(starter.args[3], "/def:my dir/names.def");
  EXPECT_EQ(starter.def_seen, def);
}

#ifndef _WIN32
// Cut into arguments, the librarian's command line would drop the quotation
// mark and turn the tab into a blank: such a path is refused before
// anything is written. (Windows file names hold neither.)
TEST_F(Deflib, PathTheCommandLineCannotCarryIsRefused) {
  for (const std::string directory : {"tab\tdir", "quote\"dir"}) {
    fs::create_directory(directory);
    write_file(directory + "/names.txt", "puts\r\n");
    const std::string list = directory + "/names.txt";
    const std::vector<std::string> args = {"deflib", list};
    EXPECT_EQ(tk::deflib::generator_main(tk::test::views(args),
                                         tk::deflib::librarian_prefix(),
                                         console, starter),
              1);
    EXPECT_EQ(console.text(),
              "deflib: " + list +
                  ": the librarian's command line cannot carry the quotation "
                  "mark, tab or other control character in the list's path; "
                  "move or rename the list\r\n");
    EXPECT_EQ(tk::test::dir_listing(directory),
              std::vector<std::string>{"names.txt"});
    console.clear();
  }
  EXPECT_TRUE(starter.lines.empty());
}
#endif

// The files go beside the list; only the last component names the library.
TEST_F(Deflib, ListInAnotherDirectory) {
  fs::create_directories("lists");
  fs::create_directories("work");
  write_file("lists/mylib.txt", "printf\r\nputs\r\n");
  const std::string list =
      "lists" + std::string(tk::path_separators().substr(0, 1)) + "mylib.txt";
  const std::string up = ".." + list.substr(5, 1);
  for (const std::string& arg : {list, up + list}) {
    // No SCOPED_TRACE here: GoogleTest keeps its traces in Windows
    // thread-local values, which crash now and then under qemu-i386.
    const tk::test::scoped_current_dir in(
        dir.path() / (arg.starts_with("..") ? "work" : ""));
    starter.lines.clear();
    EXPECT_EQ(run(arg), 0) << arg;
    EXPECT_EQ(read_file(dir.path() / "lists" / "mylib.def"), mylib_def) << arg;
    EXPECT_EQ(read_file(dir.path() / "lists" / "mylib.inc"), mylib_inc) << arg;
    EXPECT_EQ(starter.lines, std::vector<std::string>{command(
                                 arg.substr(0, arg.size() - 4) + ".def")})
        << arg;
    EXPECT_EQ(starter.def_seen, mylib_def) << arg;
    fs::remove(dir.path() / "lists" / "mylib.def");
  }
}

TEST_F(Deflib, LibrarianFailuresAreReported) {
  write_file("mylib.txt", "printf\r\nputs\r\n");
  starter.answer = {.started = true, .exit_code = 3};
  EXPECT_EQ(run("mylib.txt"), 2);
  EXPECT_EQ(out, "deflib: the librarian failed with exit code 3: " +
                     command("mylib.def") + "\r\n");
  EXPECT_EQ(read_file("mylib.def"), mylib_def);
  EXPECT_EQ(read_file("mylib.inc"), mylib_inc);

  const struct {
    tk::start_failure why_not;
    const char* text;
  } refusals[] = {
      {tk::start_failure::not_found, "not found"},
      {tk::start_failure::not_executable, "not executable"},
      {tk::start_failure::other, "system error 1450"},
  };
  for (const auto& r : refusals) {
    starter.answer = {.why_not = r.why_not, .system_error = 1450};
    EXPECT_EQ(run("mylib.txt"), 1) << r.text;
    EXPECT_EQ(out, "deflib: cannot start the librarian (" +
                       std::string(r.text) + "): " + command("mylib.def") +
                       "\r\n");
  }
}

// DEFLIB_LIBRARIAN replaces the whole command line before NAME.def.
TEST(DeflibLibrarian, ChosenBySetting) {
  const std::string own(tk::deflib::librarian_prefix());
  EXPECT_EQ(tk::deflib::librarian_chosen("my link /def:"), "my link /def:");
  EXPECT_EQ(tk::deflib::librarian_chosen(""), own);
  EXPECT_EQ(tk::deflib::librarian_chosen(nullptr), own);
}

TEST_F(Deflib, UsageTextForMissingOrBadArguments) {
  write_file("names.txt", "puts\r\n");
  // An odd number of quotation marks leaves no arguments at all.
  for (const char* line : {"", "\"\"", "nothing.txt", "missing/names.txt",
                           ".names.txt", "nosuch.*", "\"names.txt",
                           "names.txt \"", "names.txt\"", "\"names.txt\" \""})
    EXPECT_EQ(failure(line), usage) << line;
  EXPECT_TRUE(starter.lines.empty());
  EXPECT_EQ(listing(), std::vector<std::string>{"names.txt"});
}

TEST_F(Deflib, HelpAndVersionAlone) {
  // The usage text without its opening "not found" line.
  const std::string help = usage.substr(usage.find("deflib.exe"));
  for (const char* ask : {"-h", "--help", "/?"}) {
    EXPECT_EQ(run(ask), 0) << ask;
    EXPECT_EQ(out, help) << ask;
  }
  EXPECT_EQ(run("--version "), 0);
  EXPECT_EQ(out, "deflib " + std::string(tk::kit_version) + "\r\n");
  // Not alone, it is a list name like any other.
  EXPECT_EQ(run("--version x"), 1);
  EXPECT_EQ(out, usage);
  EXPECT_TRUE(listing().empty());
}

TEST_F(Deflib, UnusableListsAreReported) {
  write_file("names.txt", "printf\r\n\r\nmy func\r\n");
  EXPECT_EQ(failure("names.txt"),
            "deflib: names.txt: line 3 holds no valid name: a name may hold "
            "only letters, digits and _ @ $ ?, and may not start with a "
            "digit\r\n");
  write_file("names.txt", std::string("printf\r\np\0ts\r\n", 13));
  EXPECT_EQ(failure("names.txt"),
            "deflib: names.txt: line 2 holds a zero byte; the list must be "
            "plain text\r\n");
  EXPECT_FALSE(fs::exists("names.def"));
  EXPECT_FALSE(fs::exists("names.inc"));

  // A last component that starts with a full stop leaves no name.
  write_file(".names.txt", "puts\r\n");
  EXPECT_EQ(failure("./.names.txt"),
            "deflib: ./.names.txt: the name has nothing before its first full "
            "stop to name the output files after\r\n");
  EXPECT_FALSE(fs::exists(".def"));
  EXPECT_FALSE(fs::exists(".inc"));
  write_file(".hidden.txt", "puts\r\n");
  EXPECT_EQ(failure(".hidden.txt"),
            "deflib: .hidden.txt: the name has nothing before its first full "
            "stop to name the output files after\r\n");

  // Directories and patterns are not read.
  fs::create_directory("dir.txt");
  for (const std::string line : {"dir.txt", "*.txt"})
    EXPECT_EQ(failure(line), "deflib: cannot read the list file " + line +
                                 ": it cannot be opened\r\n");
  EXPECT_EQ(listing(), (std::vector<std::string>{".hidden.txt", ".names.txt",
                                                 "dir.txt", "names.txt"}));
#ifndef _WIN32
  // Opened, but the read fails: /proc/self/mem holds nothing at address 0.
  EXPECT_EQ(failure("/proc/self/mem"),
            "deflib: cannot read the list file /proc/self/mem: reading it "
            "failed\r\n");
#endif
}

// NAME is the last component up to its first full stop; the files go
// beside the list. A NAME that is no identifier is refused.
TEST_F(Deflib, ListNamesWithDirectoriesAndSigns) {
  fs::create_directory("lists");
  fs::create_directory("v1.2");
  for (const char* list : {"mylib.txt", "lists/mylib.txt", "v1.2/mylib.txt"})
    write_file(list, "printf\r\nputs\r\n");
  struct sample {
    std::string arg;
    std::string base;    // in the librarian's command line
    std::string at_dir;  // where the files are written
  };
  std::vector<sample> runs = {
      {"./mylib.txt", "./mylib", ""},
      {"v1.2/../lists/mylib.txt", "v1.2/../lists/mylib", "lists/"},
      {"v1.2/mylib.txt", "v1.2/mylib", "v1.2/"},
  };
#ifdef _WIN32
  runs.push_back({".\\mylib.txt", ".\\mylib", ""});
  runs.push_back({"lists\\mylib.txt", "lists\\mylib", "lists/"});
#endif
  for (const sample& s : runs) {
    starter.lines.clear();
    EXPECT_EQ(run(s.arg), 0) << s.arg;
    EXPECT_EQ(starter.lines,
              std::vector<std::string>{command(s.base + ".def")});
    EXPECT_EQ(read_file(s.at_dir + "mylib.def"), mylib_def) << s.arg;
    EXPECT_EQ(read_file(s.at_dir + "mylib.inc"), mylib_inc) << s.arg;
    fs::remove(s.at_dir + "mylib.def");
    fs::remove(s.at_dir + "mylib.inc");
  }
  starter.lines.clear();
  for (const std::string name : {"my lib", "my-lib"}) {
    const std::string arg = name + ".x.txt";
    write_file(arg, "puts\r\n");
    std::string message = "deflib: " + arg;
    message += ": the library name \"" + name;
    message += "\" may hold only letters, digits and underscores\r\n";
    EXPECT_EQ(failure(tk::test::quoted(arg)), message);
  }
  EXPECT_EQ(listing(),
            (std::vector<std::string>{"lists", "my lib.x.txt", "my-lib.x.txt",
                                      "mylib.txt", "v1.2"}));
}

TEST_F(Deflib, OutputThatCannotBeWrittenStopsBeforeTheLibrarian) {
  write_file("mylib.txt", "printf\r\nputs\r\n");
  fs::create_directory("mylib.def");
  EXPECT_EQ(failure("mylib.txt"), "deflib: cannot write mylib.def\r\n");
  EXPECT_FALSE(fs::exists("mylib.inc"));
  fs::remove("mylib.def");
  fs::create_directory("mylib.inc");
  EXPECT_EQ(failure("mylib.txt"), "deflib: cannot write mylib.inc\r\n");
  EXPECT_EQ(listing(), (std::vector<std::string>{"mylib.inc", "mylib.txt"}));
}

TEST_F(Deflib, ListIsNeverReplacedByItsOutput) {
  write_file("mylib.def", "printf\r\nputs\r\n");
  EXPECT_EQ(failure("mylib.def"),
            "deflib: the list file mylib.def would be replaced by the output "
            "mylib.def\r\n");
  EXPECT_EQ(read_file("mylib.def"), "printf\r\nputs\r\n");
  EXPECT_FALSE(fs::exists("mylib.inc"));

  write_file("other.inc", "puts\r\n");
  EXPECT_EQ(failure("other.inc"),
            "deflib: the list file other.inc would be replaced by the output "
            "other.inc\r\n");
  EXPECT_EQ(read_file("other.inc"), "puts\r\n");
#ifdef _WIN32
  // Another letter case names the same file here.
  EXPECT_EQ(failure("MYLIB.DEF"),
            "deflib: the list file MYLIB.DEF would be replaced by the output "
            "MYLIB.def\r\n");
  EXPECT_EQ(read_file("mylib.def"), "printf\r\nputs\r\n");
#endif
}

// Neither earlier file changes unless both new ones are complete, and no
// temporary file stays behind.
TEST_F(Deflib, OutputsAreReplacedBothOrNeither) {
  write_file("r.txt", "printf\r\nputs\r\n");
  write_file("r.def", "old def");
  write_file("r.inc", "old inc");
  fs::permissions("r.inc", fs::perms::owner_read | fs::perms::group_read |
                               fs::perms::others_read);
  EXPECT_EQ(failure("r.txt"), "deflib: cannot write r.inc\r\n");
  fs::permissions("r.inc", fs::perms::owner_write, fs::perm_options::add);
  EXPECT_EQ(read_file("r.def"), "old def");
  EXPECT_EQ(read_file("r.inc"), "old inc");
  EXPECT_EQ(listing(), (std::vector<std::string>{"r.def", "r.inc", "r.txt"}));
#ifndef _WIN32
  // A file system that fills up while NAME.inc is written: the largest
  // file the process may write stands in for it.
  std::string list;
  for (int i = 0; i < 500; ++i)
    list += "function_" + std::to_string(i) + "\r\n";
  write_file("big.txt", list);
  write_file("big.def", "old def");
  write_file("big.inc", "old inc");
  {
    const tk::test::file_size_limit full(std::uint64_t{16} << 10);
    EXPECT_EQ(failure("big.txt"), "deflib: cannot write big.inc\r\n");
  }
  EXPECT_EQ(read_file("big.def"), "old def");
  EXPECT_EQ(read_file("big.inc"), "old inc");
  EXPECT_EQ(listing().size(), 6u);
#endif
}

TEST_F(Deflib, LibrarianSettingAndWaitFailures) {
  write_file("mylib.txt", "printf\r\nputs\r\n");
  // An unbalanced quotation mark: refused before anything is written.
  const std::vector<std::string> args = {"deflib", "mylib.txt"};
  const std::string odd = "\"C:\\my tools\\link.exe -lib /def:";
  EXPECT_EQ(
      tk::deflib::generator_main(tk::test::views(args), odd, console, starter),
      1);
  EXPECT_EQ(console.text(),
            "deflib: DEFLIB_LIBRARIAN is malformed (unbalanced "
            "quotation marks): " +
                odd + "\r\n");
  EXPECT_TRUE(starter.lines.empty());
  EXPECT_EQ(listing(), std::vector<std::string>{"mylib.txt"});

  starter.answer = {.started = true, .wait_failed = true, .system_error = 6};
  EXPECT_EQ(run("mylib.txt"), 1);
  EXPECT_EQ(out, "deflib: cannot wait for the librarian (system error 6): " +
                     command("mylib.def") + "\r\n");
}

// Memory that runs out anywhere in the run ends it with the one message,
// writes nothing and starts nothing: every block in turn is refused.
TEST_F(Deflib, NoMemoryIsReported) {
  write_file("mylib.txt", "printf\r\nputs\r\n");
  int refusals = 0;
  const std::vector<std::string> args = {"deflib", "mylib.txt"};
  for (long granted = 0;; ++granted) {
    console.clear();
    tk::zero_block_refuse_after(granted);
    const int status = tk::deflib::generator_main(
        tk::test::views(args), tk::deflib::librarian_prefix(), console,
        starter);
    tk::zero_block_refuse_after(-1);
    out = console.text();
    if (status == 0) break;
    ++refusals;
    EXPECT_EQ(status, 1) << granted;
    EXPECT_TRUE(out == "deflib: not enough memory\r\n" ||
                out ==
                    "deflib: cannot read the list file mylib.txt: there is "
                    "not enough memory for it\r\n")
        << granted << ": " << out;
    EXPECT_EQ(listing(), std::vector<std::string>{"mylib.txt"}) << granted;
    EXPECT_TRUE(starter.lines.empty()) << granted;
  }
  EXPECT_GT(refusals, 3);
  EXPECT_EQ(read_file("mylib.def"), mylib_def);
}

#ifdef _WIN32
// "C:mylib.txt" is mylib.txt in the current directory of drive C.
TEST_F(Deflib, DriveRelativeListName) {
  write_file("mylib.txt", "printf\r\nputs\r\n");
  const std::string drive = fs::current_path().string().substr(0, 2);
  ASSERT_EQ(drive[1], ':');
  EXPECT_EQ(run(drive + "mylib.txt"), 0) << out;
  EXPECT_EQ(read_file("mylib.def"), mylib_def);
  EXPECT_EQ(read_file("mylib.inc"), mylib_inc);
  EXPECT_EQ(starter.lines,
            std::vector<std::string>{command(drive + "mylib.def")});
}
#endif

}  // namespace
