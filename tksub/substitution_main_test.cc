// Runs the built tksub program on real files and checks its console output,
// exit status and target bytes.
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "expected_texts.h"
#include "gtest/gtest.h"
#include "test_util.h"

namespace {

namespace fs = std::filesystem;
using tk::test::read_file;
using tk::test::run_output;
using tk::test::temp_dir;
using tk::test::write_file;

const std::string usage(tk::test::expected::tksub_usage);
const std::string missing_first(tk::test::expected::tksub_missing_first);
const std::string missing_second(tk::test::expected::tksub_missing_second);
const std::string missing_third(tk::test::expected::tksub_missing_third);

class Tksub : public ::testing::Test {
 protected:
  run_output run(const std::string& arguments) {
    return tk::test::run_capture(
        tk::test::quoted(tk::test::program_path("tksub")) + " " + arguments,
        dir.path());
  }
  void put(const std::string& name, std::string_view bytes) {
    write_file(dir.path() / name, bytes);
  }
  std::string get(const std::string& name) {
    return read_file(dir.path() / name);
  }
  bool exists(const std::string& name) { return fs::exists(dir.path() / name); }
  std::vector<std::string> listing() {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir.path()))
      names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  temp_dir dir;
};

TEST_F(Tksub, MissingAndOddArguments) {
  put("p.equ", "a b");
  put("s.asm", "a\r\n");
  struct row {
    std::string args;
    std::string out;
  };
  const std::vector<row> rows = {
      {"", missing_first + usage},
      {"none.equ s.asm t.asm", missing_first + usage},
      {"p.equ", missing_second + usage},
      {"p.equ none.asm t.asm", missing_second + usage},
      {"p.equ s.asm", missing_third + usage},
      {"\"\" s.asm t.asm", missing_first + usage},
      {std::string(300, 'n') + " s.asm t.asm",
       "Argument 1 is too long for a file name (259 characters at most)\r\n" +
           usage},
      {"p.equ s.asm " + std::string(300, 't'),
       "Argument 3 is too long for a file name (259 characters at most)\r\n" +
           usage},
  };
  for (const row& r : rows) {
    const run_output o = run(r.args);
    ASSERT_TRUE(o.started);
    EXPECT_EQ(o.out, r.out) << r.args.substr(0, 40);
    EXPECT_EQ(o.exit_code, 1u) << r.args.substr(0, 40);
  }
  EXPECT_EQ(listing(), (std::vector<std::string>{"p.equ", "s.asm"}));
#ifdef _WIN32
  // An odd number of quotation marks makes every argument unavailable.
  const run_output odd = run("\"p.equ s.asm t.asm");
  EXPECT_EQ(odd.out, missing_first + usage);
  EXPECT_EQ(odd.exit_code, 1u);
  EXPECT_FALSE(exists("t.asm"));
#endif
}

TEST_F(Tksub, SubstitutesAndReports) {
  const fs::path data(TKSUB_TESTDATA);
  put("sample.equ", read_file(data / "sample.equ"));
  put("sample.asm", read_file(data / "sample.asm"));
  run_output o = run("sample.equ sample.asm result.asm");
  const std::string expected = read_file(data / "sample_expected.asm");
  // The pair file ends with an "exit" line on line 6.
  EXPECT_EQ(o.out, "Line Number 6result.asm written at " +
                       std::to_string(expected.size()) + " bytes\r\n");
  EXPECT_EQ(o.exit_code, 0u);
  EXPECT_EQ(get("result.asm"), expected);

  put("p.equ", "CONST 10\r\na = b");
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"abc", "abc\r\n"},
      {"abc\n", "abc\n"},
      {"abc\r", "abc\r\r\n"},
      {"", ""},
      {"a", "b\r\n"},
      {"mov eax, CONST\r\n[a] (CONST) CONST: a.b\r\n",
       "mov eax, 10\r\n[b] (10) CONST: a.b\r\n"},
      {std::string("a\0a \x80\xFF\ta\r\n", 10),
       std::string("b\0b \x80\xFF\tb\r\n", 10)},
  };
  for (const auto& [source, target] : cases) {
    put("s.asm", source);
    o = run("p.equ s.asm t.asm");
    EXPECT_EQ(o.out, "t.asm written at " + std::to_string(target.size()) +
                         " bytes\r\n")
        << source;
    EXPECT_EQ(o.exit_code, 0u);
    EXPECT_EQ(get("t.asm"), target) << source;
  }
  // Swaps that make the target more than twice the source.
  put("long.equ", "a " + std::string(63, 'L'));
  put("s.asm", "a a a");
  o = run("long.equ s.asm t.asm");
  const std::string l(63, 'L');
  EXPECT_EQ(get("t.asm"), l + " " + l + " " + l + "\r\n");
  EXPECT_EQ(o.out, "t.asm written at 193 bytes\r\n");
}

TEST_F(Tksub, QuotedNamesWithSpaces) {
  put("my pairs.equ", "x y\r\nexit 0\r\n");
  put("my source.asm", "x\tx\r\n");
  const run_output o =
      run("\"my pairs.equ\"  \t my\" \"source.asm   \"my target.asm\"");
  EXPECT_EQ(o.out, "Line Number 2my target.asm written at 5 bytes\r\n");
  EXPECT_EQ(o.exit_code, 0u);
  EXPECT_EQ(get("my target.asm"), "y\ty\r\n");
}

TEST_F(Tksub, PairErrorsLeaveTheTargetAlone) {
  put("s.asm", "a\r\n");
  put("t.asm", "previous");
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"a b\r\n", "ERROR: MISSING SECOND ARGUMENT\r\nLine Number 2"},
      {"a b c", "ERROR: TOO MANY ARGUMENTS\r\nLine Number 1"},
      {"a b\r\na c", "ERROR: SYMBOL REDEFINITION \"a\"\r\nLine Number 2"},
      {"a " + std::string(64, 'p'),
       "ERROR: WORD LONGER THAN 63 CHARACTERS\r\nLine Number 1"},
  };
  for (const auto& [pairs, out] : cases) {
    put("p.equ", pairs);
    const run_output o = run("p.equ s.asm t.asm");
    EXPECT_EQ(o.out, out);
    EXPECT_EQ(o.exit_code, 1u);
    EXPECT_EQ(get("t.asm"), "previous");
    put("p.equ", pairs);
    EXPECT_EQ(run("p.equ s.asm new.asm").out, out);
    EXPECT_FALSE(exists("new.asm"));
  }
}

TEST_F(Tksub, InPlaceSubstitution) {
  put("p.equ", "old new");
  put("s.asm", "old older old");
  const run_output o = run("p.equ s.asm s.asm");
  EXPECT_EQ(o.out, "s.asm written at 15 bytes\r\n");
  EXPECT_EQ(o.exit_code, 0u);
  EXPECT_EQ(get("s.asm"), "new older new\r\n");
  EXPECT_EQ(listing(), (std::vector<std::string>{"p.equ", "s.asm"}));
}

TEST_F(Tksub, UnreadableInputsAndUnwritableTargets) {
  put("p.equ", "a b");
  put("s.asm", "a\r\n");
  fs::create_directory(dir.path() / "d");
  struct row {
    std::string args;
    std::string out;
  };
  const std::vector<row> rows = {
      {"d s.asm t.asm", "Cannot read word file 'd'\r\n"},
      {"*.equ s.asm t.asm", "Cannot read word file '*.equ'\r\n"},
      {"p.equ d t.asm", "Cannot read source file 'd'\r\n"},
      {"p.equ s.as? t.asm", "Cannot read source file 's.as?'\r\n"},
      {"p.equ s.asm no/such/t.asm",
       "Cannot write target file 'no/such/t.asm'\r\n"},
      {"p.equ s.asm d", "Cannot write target file 'd'\r\n"},
      {"p.equ s.asm \"\"", "Cannot write target file ''\r\n"},
  };
  for (const row& r : rows) {
    const run_output o = run(r.args);
    EXPECT_EQ(o.out, r.out) << r.args;
    EXPECT_EQ(o.exit_code, 1u) << r.args;
  }
  EXPECT_EQ(listing(), (std::vector<std::string>{"d", "p.equ", "s.asm"}));
  EXPECT_TRUE(fs::is_empty(dir.path() / "d"));

  // A read-only target is left as it was.
  put("t.asm", "previous");
  fs::permissions(dir.path() / "t.asm", fs::perms::owner_read);
  const run_output o = run("p.equ s.asm t.asm");
  EXPECT_EQ(o.out, "Cannot write target file 't.asm'\r\n");
  EXPECT_EQ(o.exit_code, 1u);
  EXPECT_EQ(get("t.asm"), "previous");
}

}  // namespace
