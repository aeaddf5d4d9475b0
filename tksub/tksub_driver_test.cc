// tksub's driver in the process, with a console that collects its texts.
// The built program, where only a process shows the behaviour, is tested in
// tests/programs/tksub_test.cc.
#include "tksub/tksub_driver.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

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

const std::string usage(tk::test::expected::tksub_usage);
const std::string missing_first(tk::test::expected::tksub_missing_first);
const std::string missing_second(tk::test::expected::tksub_missing_second);
const std::string missing_third(tk::test::expected::tksub_missing_third);

// The longest name the system takes.
#ifdef _WIN32
constexpr std::size_t longest_name = 259;
const std::string too_long_tail =
    " is too long for a file name (259 characters at most)\r\n";
#else
constexpr std::size_t longest_name = 4095;
const std::string too_long_tail =
    " is too long for a file name (4095 characters at most)\r\n";
#endif

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
  std::string err;  // what went to the standard error's console
};

// The driver, run in the scratch directory.
class Tksub : public TksubFiles {
 protected:
  // Runs on the arguments that the kit's rules cut from "tksub " + `line`,
  // as the Windows program gets them from its command line.
  outcome run(const std::string& line) {
    tk::string_console console;
    tk::string_console errors;
    const std::vector<std::string> args =
        tk::test::arg_split(line.empty() ? "tksub" : "tksub " + line);
    const int status =
        tk::tksub::substitution_main(tk::test::views(args), console, errors);
    return {status, console.text(), errors.text()};
  }
  // Runs on `line` and checks the status, the console's text and that no
  // file changed but those named in `written`.
  void expect_run(const std::string& line, int status, const std::string& out,
                  const std::set<std::string>& written = {}) {
    tk::test::dir_snapshot before = tk::test::snapshot(dir.path());
    const outcome o = run(line);
    tk::test::dir_snapshot after = tk::test::snapshot(dir.path());
    for (const std::string& name : written) {
      before.erase(name);
      after.erase(name);
    }
    const std::string label = line.substr(0, 40);
    EXPECT_EQ(o.status, status) << label;
    EXPECT_TRUE(o.out == out) << label << ": " << o.out.substr(0, 200);
    EXPECT_EQ(o.err, "") << label;
    EXPECT_TRUE(before == after) << label;
  }

  tk::test::scoped_current_dir cwd{dir.path()};
};

TEST_F(Tksub, MissingAndOddArguments) {
  put("p.equ", "a b");
  put("s.asm", "a\r\n");
  struct row {
    std::string args;
    std::string out;
  };
  const std::string long_name(longest_name + 1, 'n');
  const std::vector<row> rows = {
      {"", missing_first + usage},
      {"\"\" s.asm t.asm", missing_first + usage},
      {"nothing.equ s.asm t.asm", missing_first + usage},
      {"p.equ \"\" t.asm", missing_second + usage},
      {"p.equ none.asm t.asm", missing_second + usage},
      {"p.equ *.none t.asm", missing_second + usage},
      {"p.equ", missing_second + usage},
      {"p.equ s.asm", missing_third + usage},
      // An empty third argument names no file that can be written.
      {"p.equ s.asm \"\"", "Cannot write target file ''\r\n"},
      {long_name + " s.asm t.asm", "Argument 1" + too_long_tail + usage},
      {"p.equ " + long_name + " t.asm", "Argument 2" + too_long_tail + usage},
      {"p.equ s.asm " + long_name, "Argument 3" + too_long_tail + usage},
      // An odd number of quotation marks makes every argument unavailable.
      {"\"p.equ s.asm t.asm", missing_first + usage},
      {"p.equ \"s.asm t.asm", missing_first + usage},
      {"p.equ s.asm t.asm\"", missing_first + usage},
  };
  for (const row& r : rows) expect_run(r.args, 1, r.out);
}

// Directories and patterns count as existing but are not read; a pattern
// that matches nothing is missing.
TEST_F(Tksub, InputsThatCannotBeReadAndTargetsThatCannotBeWritten) {
  put("p.equ", "a b");
  put("s.asm", "a\r\n");
  put("locked.asm", "a\r\n");
  fs::create_directory(dir.path() / "dir");
  const std::vector<std::pair<std::string, std::string>> rows = {
      {"dir s.asm t.asm", "Cannot read word file 'dir'\r\n"},
      {"p.equ dir t.asm", "Cannot read source file 'dir'\r\n"},
      {"*.equ s.asm t.asm", "Cannot read word file '*.equ'\r\n"},
      {"p.equ s.as? t.asm", "Cannot read source file 's.as?'\r\n"},
      {"p.equ s.asm missing/t.asm",
       "Cannot write target file 'missing/t.asm'\r\n"},
      {"p.equ s.asm dir", "Cannot write target file 'dir'\r\n"},
  };
  for (const auto& [line, out] : rows) expect_run(line, 1, out);
  const tk::test::unreadable_file locked(dir.path() / "locked.asm");
  if (locked.why_not().empty())
    expect_run("p.equ locked.asm t.asm", 1,
               "Cannot read source file 'locked.asm'\r\n");
  // A sparse file of 4 GiB, refused by its size before anything is read.
  put("big.asm", "");
  fs::resize_file(dir.path() / "big.asm", std::uintmax_t{1} << 32);
  const outcome big = run("p.equ big.asm t.asm");
  EXPECT_EQ(big.status, 1);
  EXPECT_EQ(big.out, "Cannot read source file 'big.asm': 4 GiB or more\r\n");
  EXPECT_FALSE(exists("t.asm"));
}

// Memory that runs out anywhere in the run ends it with a message that says
// so, and no target: every block in turn is refused.
TEST_F(Tksub, NoMemoryIsReported) {
  put("p.equ", "a bb\r\nexit x\r\n");
  put("s.asm", "a a a\r\n");
  int refusals = 0;
  const std::vector<std::string> args = {"tksub", "p.equ", "s.asm", "t.asm"};
  for (long granted = 0;; ++granted) {
    outcome o;
    tk::string_console console;
    tk::string_console errors;
    tk::zero_block_refuse_after(granted);
    o.status =
        tk::tksub::substitution_main(tk::test::views(args), console, errors);
    tk::zero_block_refuse_after(-1);
    o.out = console.text();
    if (o.status == 0) break;
    ++refusals;
    EXPECT_EQ(o.status, 1) << granted;
    EXPECT_TRUE(o.out.starts_with("Not enough memory") ||
                o.out.starts_with("Line Number 2Not enough memory"))
        << granted << ": " << o.out;
    EXPECT_FALSE(exists("t.asm")) << granted;
  }
  EXPECT_GT(refusals, 3);
  EXPECT_EQ(get("t.asm"), "bb bb bb\r\n");
}

// The table's hash, as documented: per byte, the low 16 bits of the byte
// times its prime (307, 293, ... for positions 0, 1, ...) plus the length,
// summed, modulo 131073.
std::uint32_t table_hash(std::string_view w) {
  static constexpr std::uint32_t primes[] = {307, 293, 283};
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < w.size(); ++i)
    sum += ((static_cast<unsigned char>(w[i]) * primes[i]) & 0xFFFFu) +
           static_cast<std::uint32_t>(w.size());
  return sum % 131073u;
}

TEST_F(Tksub, FiftyThousandKeys) {
  const std::string chars =
      "+-.0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ_abcdefghijklmnopqrstuvwxyz";

  // 50,000 keys of four characters: their searches visit every slot, so
  // all of them fit, and every one is swapped.
  std::string pair_file, source, want;
  int n = 0;
  for (char a : chars)
    for (char b : chars)
      for (char c : chars)
        for (char d : {'x', 'y', 'z'}) {
          if (n == 50000) break;
          const std::string key{a, b, c, d};
          // Built piece by piece: GCC 12 warns falsely (-Wrestrict) about
          // a literal + to_string().
          std::string partner(1, 'P');
          partner += std::to_string(n++);
          pair_file.append(key).append(" ").append(partner).append("\r\n");
          source.append(key).append(";").append(key).append("\r\n");
          want.append(partner).append(";").append(partner).append("\r\n");
        }
  pair_file += "exit now\r\n";
  put("p.equ", pair_file);
  put("s.asm", source);
  expect_run("p.equ s.asm t.asm", 0,
             "Line Number 50001t.asm written at " +
                 std::to_string(want.size()) + " bytes\r\n",
             {"t.asm"});
  EXPECT_TRUE(get("t.asm") == want);

  // 50,000 keys of three characters whose home slots share one remainder
  // modulo 3: their searches only ever visit the 43691 slots of that
  // remainder, so key 43692 finds no room.
  pair_file.clear();
  n = 0;
  std::string refused;
  for (char a : chars)
    for (char b : chars)
      for (char c : chars) {
        const std::string key{a, b, c};
        if (n == 50000 || table_hash(key) % 3 != 0) continue;
        if (++n == 43692) refused = key;
        pair_file += key + " v\r\n";
      }
  ASSERT_EQ(n, 50000);
  put("full.equ", pair_file);
  // The target of the first run is left as it was.
  expect_run("full.equ s.asm t.asm", 1,
             "ERROR: NO ROOM IN WORD TABLE FOR \"" + refused +
                 "\"\r\nLine Number 43692");
}

// The shipped example, with the result that the 32-bit end-to-end run
// expects too.
TEST_F(Tksub, SubstitutesAndReports) {
  const fs::path source_dir(TK_SOURCE_DIR);
  const fs::path data = source_dir / "tests/testdata";
  for (const char* name : {"myequate.equ", "mysource.asm"})
    put(name, read_file(source_dir / "examples" / name));
  expect_run("myequate.equ mysource.asm myresult.asm", 0,
             read_file(data / "myresult.out"), {"myresult.asm"});
  EXPECT_EQ(get("myresult.asm"), read_file(data / "myresult.asm"));

  put("p.equ", "CONST 10\r\na = b\r\nMAX_PATH = 260\r\nhOut hStdOut");
  outcome o;
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"abc", "abc\r\n"},
      {"abc\n", "abc\n"},
      {"abc\r", "abc\r\r\n"},
      {"", ""},
      {"\r\n\n\r\n", "\r\n\n\r\n"},
      {"a", "b\r\n"},
      {std::string(10000, 'W') + " a\r\n" + std::string(10000, '_') + "\r\n",
       std::string(10000, 'W') + " b\r\n" + std::string(10000, '_') + "\r\n"},
      {"mov eax, CONST\r\n[a] (CONST) CONST: a.b\r\n",
       "mov eax, 10\r\n[b] (10) CONST: a.b\r\n"},
      {"\tsub esp, MAX_PATH+4\r\nlabel_hOut: db \"hOut\", 0\r\n\tret",
       "\tsub esp, MAX_PATH+4\r\nlabel_hOut: db \"hOut\", 0\r\n\tret\r\n"},
      {std::string("a\0a \x80\xFF\ta\r\n", 10),
       std::string("b\0b \x80\xFF\tb\r\n", 10)},
  };
  for (const auto& [source, target] : cases) {
    put("s.asm", source);
    o = run("p.equ s.asm t.asm");
    EXPECT_EQ(o.out, "t.asm written at " + std::to_string(target.size()) +
                         " bytes\r\n")
        << source.substr(0, 40);
    EXPECT_EQ(o.status, 0);
    EXPECT_TRUE(get("t.asm") == target) << source.substr(0, 40);
  }
  // Swaps that make the target more than twice the source.
  put("long.equ", "a " + std::string(63, 'L'));
  put("s.asm", "a a a");
  o = run("long.equ s.asm t.asm");
  const std::string l(63, 'L');
  EXPECT_EQ(get("t.asm"), l + " " + l + " " + l + "\r\n");
  EXPECT_EQ(o.out, "t.asm written at 193 bytes\r\n");
}

TEST_F(Tksub, PairErrorsLeaveTheTargetAlone) {
  put("s.asm", "a\r\n");
  put("t.asm", "previous");
  // The reader's texts for every error: pair_reader_test.cc.
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"a b c", "ERROR: TOO MANY ARGUMENTS\r\nLine Number 1"},
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

// Before this was fixed, "tksub pk.equ src.asm pk.equ" put the target in
// the place of the word file.
TEST_F(Tksub, TargetThatIsTheWordFileIsRefused) {
  put("pk.equ", "old new");
  put("s.asm", "old");
  fs::create_directory(dir.path() / "sub");
  fs::create_hard_link(dir.path() / "pk.equ", dir.path() / "sub" / "hard.equ");
  for (const std::string target :
       {"pk.equ", "./pk.equ", "sub/../pk.equ", "sub/hard.equ"}) {
    const outcome o = run("pk.equ s.asm " + target);
    EXPECT_EQ(o.out, "Cannot write target file '" + target +
                         "': it is the word file 'pk.equ'\r\n");
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(get("pk.equ"), "old new");
  }
  EXPECT_EQ(listing(), (std::vector<std::string>{"pk.equ", "s.asm", "sub"}));
}

// The name limit is the system's: 259 characters on Windows, 4095 on POSIX.
TEST_F(Tksub, NamesAsLongAsTheSystemTakes) {
  put("p.equ", "a b");
  put("s.asm", "a");
  const std::string at_limit = "none/" + std::string(longest_name - 5, 't');
  outcome o = run("p.equ s.asm " + at_limit);
  EXPECT_EQ(o.out, "Cannot write target file '" + at_limit + "'\r\n");
  o = run("p.equ s.asm " + at_limit + "t");
  EXPECT_EQ(o.out, "Argument 3" + too_long_tail + usage);
  EXPECT_EQ(o.status, 1);
#ifndef _WIN32
  // A name 1,000 characters long, through directories.
  std::string deep;
  for (int i = 0; i < 4; ++i) deep += std::string(200, 'd') + "/";
  fs::create_directories(dir.path() / deep);
  deep += std::string(199, 't');
  o = run("p.equ s.asm " + deep);
  EXPECT_EQ(o.out, deep + " written at 3 bytes\r\n");
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(get(deep), "b\r\n");
#endif
}

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

#ifndef _WIN32
// Before this was fixed, with the standard output as the target, "Line
// Number 2" stood before the target text there and the report after it.
TEST_F(Tksub, StandardOutputAsTargetHoldsTheTextAlone) {
  put("p.equ", "a b\r\nexit now");
  put("s.asm", "a a");
  put("out.txt", "");
  struct step {
    outcome o;
    std::string file;  // out.txt after the run
  };
  // Nothing may print while descriptor 1 is the file, failures included.
  std::vector<step> steps;
  std::fflush(stdout);
  const int saved = ::dup(STDOUT_FILENO);
  const int file = ::open(dir.file("out.txt").c_str(), O_WRONLY | O_APPEND);
  if (saved >= 0 && file >= 0 && ::dup2(file, STDOUT_FILENO) >= 0) {
    // The file by its own name comes last: it is replaced, not written
    // through the descriptor.
    for (const char* target : {"/dev/stdout", "/dev/fd/1", "t.asm", "out.txt"})
      steps.push_back(
          {run(std::string("p.equ s.asm ") + target), get("out.txt")});
    ::dup2(saved, STDOUT_FILENO);
  }
  if (file >= 0) ::close(file);
  if (saved >= 0) ::close(saved);
  ASSERT_EQ(steps.size(), 4u);
  const std::string text = "b b\r\n";
  const std::vector<step> want = {
      {{0, "", "Line Number 2/dev/stdout written at 5 bytes\r\n"}, text},
      {{0, "", "Line Number 2/dev/fd/1 written at 5 bytes\r\n"}, text + text},
      {{0, "Line Number 2t.asm written at 5 bytes\r\n", ""}, text + text},
      {{0, "", "Line Number 2out.txt written at 5 bytes\r\n"}, text},
  };
  for (std::size_t i = 0; i < want.size(); ++i) {
    EXPECT_EQ(steps[i].o.status, want[i].o.status) << i;
    EXPECT_EQ(steps[i].o.out, want[i].o.out) << i;
    EXPECT_EQ(steps[i].o.err, want[i].o.err) << i;
    EXPECT_EQ(steps[i].file, want[i].file) << i;
  }
}
#endif

}  // namespace
