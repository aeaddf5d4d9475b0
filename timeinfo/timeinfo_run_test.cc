// The real timeinfo program, started with its output captured in files.
#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

#include "tests/test_util.h"

namespace {

// A labelled line: the label fills the first 37 characters.
constexpr std::size_t label_width = 37;

struct line {
  std::string label;
  std::string value;
};

// Cuts the report into its labelled lines, and gives in `shape` the whole
// report with every value replaced by V, as the stored report shape holds
// it (heading, labels, line ends, prompt).
std::vector<line> lines_of(const std::string& out, std::string& shape) {
  std::vector<line> lines;
  std::size_t start = 0;
  for (std::size_t lf; (lf = out.find('\n', start)) != std::string::npos;
       start = lf + 1) {
    std::string text = out.substr(start, lf - start);
    const bool crlf = !text.empty() && text.back() == '\r';
    if (crlf) text.pop_back();
    if (text.size() > label_width && text[0] == ' ') {
      lines.push_back({text.substr(0, label_width), text.substr(label_width)});
      text = lines.back().label + "V";
    }
    shape += text + (crlf ? "\r\n" : "\n");
  }
  shape += out.substr(start);
  return lines;
}

bool matches(const std::string& text, const char* pattern) {
  return std::regex_match(text, std::regex(pattern));
}

int current_year(std::time_t t) {
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &t);
#else
  localtime_r(&t, &local);
#endif
  return local.tm_year + 1900;
}

void check_report(const std::string& out, std::time_t before,
                  std::time_t after) {
  std::string shape;
  const std::vector<line> lines = lines_of(out, shape);
  EXPECT_EQ(shape,
            tk::test::read_file(std::filesystem::path(TK_SOURCE_DIR) /
                                "tests/end_to_end/testdata/timeinfo.labels"));
  ASSERT_EQ(lines.size(), 13u) << out;
  EXPECT_TRUE(matches(lines[0].value, R"(\d\d:\d\d:\d\d)")) << lines[0].value;
  EXPECT_TRUE(matches(lines[1].value, R"(\d\d/\d\d/\d\d)")) << lines[1].value;
  const long long seconds = std::stoll(lines[2].value);
  EXPECT_GE(seconds, static_cast<long long>(before));
  EXPECT_LE(seconds, static_cast<long long>(after));
  const char* fixed_form =
      R"([A-Z][a-z]{2} [A-Z][a-z]{2} [ 0-9]\d \d\d:\d\d:\d\d \d{4})";
  EXPECT_TRUE(matches(lines[3].value, fixed_form)) << lines[3].value;
  EXPECT_TRUE(matches(lines[4].value, fixed_form)) << lines[4].value;
  EXPECT_TRUE(
      matches(lines[5].value, R"((0[1-9]|1[0-2]):[0-5]\d:[0-5]\d [AP]M)"))
      << lines[5].value;
  // The 12-hour clock shows the same minutes and seconds as the time string.
  EXPECT_EQ(lines[5].value.substr(2, 6), lines[3].value.substr(13, 6));
  EXPECT_TRUE(matches(lines[6].value, R"(\d{1,3})")) << lines[6].value;
  EXPECT_TRUE(matches(lines[7].value, R"(-?\d{1,2})")) << lines[7].value;
  EXPECT_FALSE(lines[8].value.empty());
  EXPECT_TRUE(lines[9].value == "True" || lines[9].value == "False");
  const char* long_date = R"([A-Z][a-z]+day, [A-Z][a-z]+ \d\d, \d{4})";
  EXPECT_TRUE(matches(lines[10].value, long_date)) << lines[10].value;
  const std::string year = lines[10].value.substr(lines[10].value.size() - 4);
  EXPECT_TRUE(year == std::to_string(current_year(before)) ||
              year == std::to_string(current_year(after)))
      << year;
  EXPECT_TRUE(matches(lines[11].value, R"([A-Z][a-z]+day, December 25, \d{4})"))
      << lines[11].value;
  EXPECT_TRUE(lines[11].value.ends_with(year));
  EXPECT_TRUE(matches(lines[12].value, R"(\d{1,3})")) << lines[12].value;
  EXPECT_LE(std::stoi(lines[12].value), 366);
}

// Runs timeinfo with `args` and standard input `input` in a scratch
// directory, under the watchdog and failing if it writes any file there;
// checks its status, its silent standard error and the whole report.
void check_run(std::string_view args, const std::string& input) {
  const tk::test::temp_dir dir;
  const std::time_t before = std::time(nullptr);
  const tk::test::run_output r =
      tk::test::run("timeinfo", args,
                    {.cwd = dir.path(), .stdin_bytes = input, .written = {{}}});
  const std::time_t after = std::time(nullptr);
  std::string label = testing::PrintToString(input);
  label.append(" ").append(args);
  EXPECT_EQ(r.exit_code, 0u) << label;
  EXPECT_EQ(r.err, "") << label;
  check_report(r.out, before, after);
}

TEST(TimeinfoProgram, ReportThenOneKey) { check_run("", "x"); }

TEST(TimeinfoProgram, EndsAtEndOfInput) {
  // Empty input, an escape sequence and a two-code key: each run ends by
  // itself after one key (or none) with the same closing text.
  for (const char* input : {"", "\x1b[A", "\xe0H", "\r\n"})
    check_run("", input);
}

// It takes no arguments: any it is given change nothing.
TEST(TimeinfoProgram, IgnoresArguments) {
  check_run("unexpected \"argument\" *.txt", "");
}

}  // namespace
