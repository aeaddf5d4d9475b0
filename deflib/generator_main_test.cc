// deflib run end to end: the built program, its files, its console output,
// its exit status and the librarian it starts (a stand-in that records how
// it was started).
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "expected_texts.h"
#include "gtest/gtest.h"
#include "kit.h"
#include "test_util.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;
using tk::test::program_path;
using tk::test::read_file;
using tk::test::run_capture;
using tk::test::run_output;
using tk::test::temp_dir;
using tk::test::write_file;

const std::string usage(tk::test::expected::deflib_usage);

const std::string mylib_def(tk::test::expected::mylib_def);
const std::string mylib_inc(tk::test::expected::mylib_inc);

#ifdef _WIN32
const std::string specified_prefix =
    "\\tolvane\\bin\\link -lib /machine:ix86 /def:";

// Puts the stand-in where deflib's own command line points: link.exe in
// \tolvane\bin at the root of the drive that the scratch directories are
// on. Removes what it created.
class librarian_in_place {
 public:
  librarian_in_place()
      : root_(fs::temp_directory_path().root_path() / "tolvane"),
        default_("DEFLIB_LIBRARIAN", nullptr) {
    existed_ = fs::exists(root_);
    fs::create_directories(root_ / "bin");
    fs::copy_file(program_path("fake_link"), root_ / "bin" / "link.exe",
                  fs::copy_options::overwrite_existing);
  }
  librarian_in_place(const librarian_in_place&) = delete;
  librarian_in_place& operator=(const librarian_in_place&) = delete;
  ~librarian_in_place() {
    std::error_code ec;
    if (existed_)
      fs::remove(root_ / "bin" / "link.exe", ec);
    else
      fs::remove_all(root_, ec);
  }

 private:
  fs::path root_;
  tk::test::scoped_env default_;
  bool existed_ = false;
};

// The real deflib, with its real command line.
std::string deflib_program() { return program_path("deflib"); }
std::string command_in_use(const std::string& def_arg) {
  return specified_prefix + def_arg;
}
// The command line as the stand-in sees it: unchanged.
std::string line_seen(const std::string& def_arg) {
  return command_in_use(def_arg);
}
std::string expected_priority() { return "128"; }
#else
// deflib_with_fake_link starts the stand-in itself.
// A user-provided constructor keeps the guard a used variable.
class librarian_in_place {
 public:
  librarian_in_place() {}  // NOLINT(modernize-use-equals-default)
};

std::string deflib_program() { return program_path("deflib_with_fake_link"); }
std::string command_in_use(const std::string& def_arg) {
  return tk::test::quoted(program_path("fake_link")) +
         " -lib /machine:ix86 /def:" + def_arg;
}
// The stand-in's argv joined again by the kit's rules.
std::string line_seen(const std::string& def_arg) {
  std::string def = "/def:" + def_arg;
  std::erase(def, '"');
  if (def.find(' ') != std::string::npos) def = tk::test::quoted(def);
  return program_path("fake_link") + " -lib /machine:ix86 " + def;
}
// The librarian gets nice -10 where the caller may raise priorities, and
// keeps the caller's own nice value elsewhere.
std::string expected_priority() {
  const pid_t pid = ::fork();
  if (pid == 0) _exit(::setpriority(PRIO_PROCESS, 0, -10) == 0 ? 0 : 1);
  int status = 1;
  ::waitpid(pid, &status, 0);
  const bool may_raise = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return std::to_string(may_raise ? -10 : ::getpriority(PRIO_PROCESS, 0));
}
#endif

// link_record.txt of the stand-in, item by item.
std::map<std::string, std::string> read_record(const fs::path& dir) {
  std::map<std::string, std::string> items;
  const std::string text = read_file(dir / "link_record.txt");
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find("\r\n", at);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(at, end - at);
    const std::size_t colon = line.find(": ");
    if (colon != std::string::npos)
      items[line.substr(0, colon)] = line.substr(colon + 2);
    at = end + 2;
  }
  return items;
}

// Checks how the librarian was started: its arguments, working directory,
// priority, and that it found both files complete.
void expect_librarian_run(const temp_dir& dir, const std::string& def_arg,
                          const std::string& def_file_name,
                          const std::string& def, const std::string& inc) {
  ASSERT_TRUE(fs::exists(dir.file("link_record.txt")));
  auto record = read_record(dir.path());
  EXPECT_EQ(record["line"], line_seen(def_arg));
  EXPECT_EQ(record["arg 1"], "-lib");
  EXPECT_EQ(record["arg 2"], "/machine:ix86");
  EXPECT_EQ(record["arg 3"], "/def:" + def_file_name);
  EXPECT_EQ(record.count("arg 4"), 0u);
  EXPECT_TRUE(fs::equivalent(record["cwd"], dir.path())) << record["cwd"];
  EXPECT_EQ(record["priority"], expected_priority());
  EXPECT_EQ(read_file(dir.file("seen.def")), def);
  EXPECT_EQ(read_file(dir.file("seen.inc")), inc);
}

run_output run_deflib(const std::string& program, const std::string& args,
                      const temp_dir& dir) {
  return run_capture(tk::test::quoted(program) + " " + args, dir.path());
}

TEST(DeflibRun, WritesBothFilesThenRunsTheLibrarian) {
  temp_dir dir;
  write_file(dir.file("mylib.txt"), "printf\r\nputs\r\n");
  // Files from an earlier run are replaced.
  write_file(dir.file("mylib.def"), "old contents that are longer than new");
  librarian_in_place librarian;
  const run_output r = run_deflib(deflib_program(), "mylib.txt", dir);
  ASSERT_TRUE(r.started);
  EXPECT_EQ(r.exit_code, 0u);
  // The librarian's output shares the console; deflib adds nothing.
  EXPECT_EQ(r.out, "stand-in librarian\r\n");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(read_file(dir.file("mylib.def")), mylib_def);
  EXPECT_EQ(read_file(dir.file("mylib.inc")), mylib_inc);
  expect_librarian_run(dir, "mylib.def", "mylib.def", mylib_def, mylib_inc);
}

TEST(DeflibRun, ListsWithEveryKindOfLineEnd) {
  temp_dir dir;
  write_file(dir.file("mixed.lst"),
             "alpha\nbeta\rgamma\r\n\r\n   \r\n\xff\r\ndelta\tnote\r\nomega");
  librarian_in_place librarian;
  const run_output r = run_deflib(deflib_program(), "mixed.lst", dir);
  EXPECT_EQ(r.exit_code, 0u);
  EXPECT_EQ(r.out, "stand-in librarian\r\n");
  EXPECT_EQ(read_file(dir.file("mixed.def")),
            "LIBRARY mixed\r\n\r\nEXPORTS alpha\r\nEXPORTS beta\r\n"
            "EXPORTS gamma\r\nEXPORTS delta\r\nEXPORTS omega\r\n");
  const std::string inc = read_file(dir.file("mixed.inc"));
  for (const char* n : {"alpha", "beta", "gamma", "delta", "omega"}) {
    const std::string entry = std::string("    externdef _imp__") + n +
                              ":PTR c_mixed\r\n    crt_" + n + " equ <_imp__" +
                              n + ">\r\n\r\n";
    EXPECT_NE(inc.find(entry), std::string::npos) << n;
  }
}

TEST(DeflibRun, BlankInTheDirectoryStaysOneArgument) {
  temp_dir dir;
  fs::create_directory(dir.path() / "my dir");
  write_file(dir.path() / "my dir" / "names.txt", "puts");
  librarian_in_place librarian;
  const run_output r =
      run_deflib(deflib_program(), "\"my dir/names.txt\"", dir);
  EXPECT_EQ(r.exit_code, 0u);
  EXPECT_EQ(r.out, "stand-in librarian\r\n");
  const std::string def = "LIBRARY names\r\n\r\nEXPORTS puts\r\n";
  EXPECT_EQ(read_file(dir.path() / "my dir" / "names.def"), def);
  expect_librarian_run(dir, "\"my dir/names.def\"", "my dir/names.def", def,
                       read_file(dir.path() / "my dir" / "names.inc"));
}

// The files go beside the list; only the last component names the library.
TEST(DeflibRun, ListInAnotherDirectory) {
  temp_dir dir;
  fs::create_directories(dir.path() / "lists");
  fs::create_directories(dir.path() / "work");
  write_file(dir.path() / "lists" / "mylib.txt", "printf\r\nputs\r\n");
#ifdef _WIN32
  const char* args[] = {"lists\\mylib.txt", "..\\lists\\mylib.txt"};
#else
  const char* args[] = {"lists/mylib.txt", "../lists/mylib.txt"};
#endif
  librarian_in_place librarian;
  for (const std::string arg : args) {
    SCOPED_TRACE(arg);
    const fs::path cwd = dir.path() / (arg.starts_with("..") ? "work" : "");
    const run_output r =
        run_capture(tk::test::quoted(deflib_program()) + " " + arg, cwd);
    EXPECT_EQ(r.exit_code, 0u);
    EXPECT_EQ(read_file(dir.path() / "lists" / "mylib.def"), mylib_def);
    EXPECT_EQ(read_file(dir.path() / "lists" / "mylib.inc"), mylib_inc);
    auto record = read_record(cwd);
    EXPECT_EQ(record["arg 3"],
              "/def:" + arg.substr(0, arg.size() - 4) + ".def");
    EXPECT_EQ(read_file(cwd / "seen.def"), mylib_def);
    fs::remove(dir.path() / "lists" / "mylib.def");
  }
}

TEST(DeflibRun, LibrarianFailureIsReported) {
  temp_dir dir;
  write_file(dir.file("mylib.txt"), "printf\r\nputs\r\n");
  write_file(dir.file("link_exit.txt"), "3");
  librarian_in_place librarian;
  const run_output r = run_deflib(deflib_program(), "mylib.txt", dir);
  EXPECT_EQ(r.exit_code, 2u);
  EXPECT_EQ(r.out,
            "stand-in librarian\r\n"
            "deflib: the librarian failed with exit code 3: " +
                command_in_use("mylib.def") + "\r\n");
  EXPECT_EQ(read_file(dir.file("mylib.def")), mylib_def);
  EXPECT_EQ(read_file(dir.file("mylib.inc")), mylib_inc);
}

// DEFLIB_LIBRARIAN replaces the whole command line before NAME.def.
TEST(DeflibRun, ChosenLibrarianIsStarted) {
  temp_dir dir;
  write_file(dir.file("mylib.txt"), "printf\r\nputs\r\n");
  const tk::test::scoped_env chosen(
      "DEFLIB_LIBRARIAN",
      (tk::test::quoted(program_path("fake_link")) + " /def:").c_str());
  const run_output r = run_deflib(program_path("deflib"), "mylib.txt", dir);
  EXPECT_EQ(r.exit_code, 0u);
  EXPECT_EQ(r.out, "stand-in librarian\r\n");
  auto record = read_record(dir.path());
  EXPECT_EQ(record["arg 1"], "/def:mylib.def");
  EXPECT_EQ(record.count("arg 2"), 0u);
  EXPECT_EQ(read_file(dir.file("seen.def")), mylib_def);
}

TEST(DeflibRun, LibrarianThatCannotStartIsReportedWithTheReason) {
  temp_dir dir;
  write_file(dir.file("mylib.txt"), "printf\r\nputs\r\n");
  write_file(dir.file("link") + std::string(tk::test::exe_suffix()),
             "not a program\r\n");
  const struct {
    std::string prefix;
    const char* why;
  } samples[] = {
      {tk::test::quoted(dir.file("missing") + "/link") + " /def:", "not found"},
      {tk::test::quoted(dir.file("link")) + " /def:", "not executable"},
  };
  for (const auto& s : samples) {
    const tk::test::scoped_env chosen("DEFLIB_LIBRARIAN", s.prefix.c_str());
    const run_output r = run_deflib(program_path("deflib"), "mylib.txt", dir);
    EXPECT_EQ(r.exit_code, 1u);
    EXPECT_EQ(r.out, "deflib: cannot start the librarian (" +
                         std::string(s.why) + "): " + s.prefix +
                         "mylib.def\r\n");
    EXPECT_EQ(read_file(dir.file("mylib.def")), mylib_def);
    EXPECT_EQ(read_file(dir.file("mylib.inc")), mylib_inc);
  }
}

TEST(DeflibRun, UsageTextForMissingOrBadArguments) {
  temp_dir dir;
  write_file(dir.file("names.txt"), "puts\r\n");
  std::vector<std::string> args = {"", "nosuch.txt", "\"\"", "nosuch.*"};
#ifdef _WIN32
  // Only a Windows command line can carry an odd number of quotation marks.
  args.push_back("\"names.txt");
  args.push_back("names.txt \"");
#endif
  librarian_in_place librarian;
  for (const std::string& a : args) {
    SCOPED_TRACE(a);
    const run_output r = run_capture(
        tk::test::quoted(program_path("deflib")) + (a.empty() ? "" : " " + a),
        dir.path());
    EXPECT_EQ(r.exit_code, 1u);
    EXPECT_EQ(r.out, usage);
    EXPECT_EQ(r.err, "");
  }
  // Nothing written, nothing started.
  std::vector<std::string> left;
  for (const auto& e : fs::directory_iterator(dir.path()))
    left.push_back(e.path().filename().string());
  EXPECT_EQ(left, std::vector<std::string>{"names.txt"});
}

TEST(DeflibRun, HelpAndVersionAlone) {
  temp_dir dir;
  // The usage text without its opening "not found" line.
  const std::string help = usage.substr(usage.find("deflib.exe"));
  for (const char* ask : {"-h", "--help", "/?"}) {
    const run_output r = run_deflib(program_path("deflib"), ask, dir);
    EXPECT_EQ(r.out, help) << ask;
    EXPECT_EQ(r.exit_code, 0u) << ask;
  }
  const run_output r = run_deflib(program_path("deflib"), "--version", dir);
  EXPECT_EQ(r.out, "deflib " + std::string(tk::kit_version) + "\r\n");
  EXPECT_EQ(r.exit_code, 0u);
  EXPECT_TRUE(fs::is_empty(dir.path()));
}

// Runs deflib where it must stop before the librarian, and returns what it
// printed after checking that it failed and started nothing.
std::string failure_output(const temp_dir& dir, const std::string& args) {
  librarian_in_place librarian;
  const run_output r = run_deflib(deflib_program(), args, dir);
  EXPECT_EQ(r.exit_code, 1u);
  EXPECT_EQ(r.err, "");
  EXPECT_FALSE(fs::exists(dir.file("link_record.txt")));
  return r.out;
}

TEST(DeflibRun, UnusableListsAreReported) {
  temp_dir dir;
  fs::create_directory(dir.path() / "sub.txt");
  EXPECT_EQ(failure_output(dir, "sub.txt"),
            "deflib: cannot read the list file sub.txt: it cannot be "
            "opened\r\n");

  write_file(dir.file("names.txt"), "printf\r\n\tputs\r\n");
  EXPECT_EQ(failure_output(dir, "names.txt"),
            "deflib: names.txt: line 2 has text after a tab or other control "
            "character but no name before it\r\n");
  write_file(dir.file("names.txt"), std::string("printf\r\np\0ts\r\n", 13));
  EXPECT_EQ(failure_output(dir, "names.txt"),
            "deflib: names.txt: line 2 holds a zero byte; the list must be "
            "plain text\r\n");
  EXPECT_FALSE(fs::exists(dir.file("names.def")));
  EXPECT_FALSE(fs::exists(dir.file("names.inc")));

  // A last component that starts with a full stop leaves no name.
  write_file(dir.file(".names.txt"), "puts\r\n");
  EXPECT_EQ(failure_output(dir, "./.names.txt"),
            "deflib: ./.names.txt: the name has nothing before its first full "
            "stop to name the output files after\r\n");
  EXPECT_FALSE(fs::exists(dir.file(".def")));
  EXPECT_FALSE(fs::exists(dir.file(".inc")));
}

TEST(DeflibRun, OutputThatCannotBeWrittenStopsBeforeTheLibrarian) {
  {
    temp_dir dir;
    write_file(dir.file("mylib.txt"), "printf\r\nputs\r\n");
    fs::create_directory(dir.path() / "mylib.def");
    EXPECT_EQ(failure_output(dir, "mylib.txt"),
              "deflib: cannot write mylib.def\r\n");
    EXPECT_FALSE(fs::exists(dir.file("mylib.inc")));
  }
  {
    temp_dir dir;
    write_file(dir.file("mylib.txt"), "printf\r\nputs\r\n");
    fs::create_directory(dir.path() / "mylib.inc");
    EXPECT_EQ(failure_output(dir, "mylib.txt"),
              "deflib: cannot write mylib.inc\r\n");
    EXPECT_EQ(read_file(dir.file("mylib.def")), mylib_def);
  }
}

TEST(DeflibRun, ListIsNeverReplacedByItsOutput) {
  temp_dir dir;
  write_file(dir.file("mylib.def"), "printf\r\nputs\r\n");
  EXPECT_EQ(failure_output(dir, "mylib.def"),
            "deflib: the list file mylib.def would be replaced by the output "
            "mylib.def\r\n");
  EXPECT_EQ(read_file(dir.file("mylib.def")), "printf\r\nputs\r\n");
  EXPECT_FALSE(fs::exists(dir.file("mylib.inc")));

  write_file(dir.file("other.inc"), "puts\r\n");
  EXPECT_EQ(failure_output(dir, "other.inc"),
            "deflib: the list file other.inc would be replaced by the output "
            "other.inc\r\n");
  EXPECT_EQ(read_file(dir.file("other.inc")), "puts\r\n");
#ifdef _WIN32
  // Another letter case names the same file here.
  EXPECT_EQ(failure_output(dir, "MYLIB.DEF"),
            "deflib: the list file MYLIB.DEF would be replaced by the output "
            "MYLIB.def\r\n");
  EXPECT_EQ(read_file(dir.file("mylib.def")), "printf\r\nputs\r\n");
#endif
}

}  // namespace
