#include "tests/programs/program_checks.h"

#include <cstdio>
#include <regex>
#include <vector>

#include "gtest/gtest.h"

namespace tk::test {

namespace fs = std::filesystem;

fs::path programs_work() { return bin_dir().parent_path() / "programs-work"; }

fs::path testdata(std::string_view name) {
  return fs::path(TK_SOURCE_DIR) / "tests/testdata" / std::string(name);
}

void run_checked(std::string_view tool, const std::string& args,
                 const temp_dir& dir, const outcome& want) {
  const run_output r =
      run(tool, args, {.cwd = dir.path(), .written = want.written});
  const std::string label = std::string(tool) + " " + args.substr(0, 60);
  EXPECT_EQ(r.exit_code, want.status) << label;
  if (r.out.size() < 4096) {
    EXPECT_EQ(r.out, want.out) << label;
  } else {
    EXPECT_TRUE(r.out == want.out)
        << label << ": " << r.out.size() << " bytes of output differ";
  }
  EXPECT_EQ(r.err, "") << label;
}

void run_typed(std::string_view tool, const std::string& arg_text,
               const temp_dir& dir, unsigned status, const std::string& out) {
  const run_output r =
      run(tool, arg_text, {.cwd = dir.path(), .typed = true, .watched = true});
  EXPECT_TRUE(r.started) << arg_text;
  EXPECT_EQ(r.exit_code, status) << arg_text;
  EXPECT_EQ(r.out, out) << arg_text;
  EXPECT_EQ(r.err, "") << arg_text;
}

vanishing_file::vanishing_file(fs::path name)
    : name_(std::move(name)), away_(name_.string() + ".away"), thread_([this] {
        std::error_code ec;
        while (!stop_.load()) {
          fs::rename(name_, away_, ec);
          std::this_thread::yield();
          fs::rename(away_, name_, ec);
          std::this_thread::yield();
        }
        if (!fs::exists(name_)) fs::rename(away_, name_, ec);
      }) {}

vanishing_file::~vanishing_file() {
  stop_ = true;
  thread_.join();
}

void note_outcomes(std::string_view what, const std::map<std::string, int>& n) {
  std::string text;
  for (const auto& [kind, count] : n)
    text += " " + kind + "=" + std::to_string(count);
  std::printf("[ NOTE     ] %.*s:%s\n", static_cast<int>(what.size()),
              what.data(), text.c_str());
}

std::string all_bytes(int times) {
  std::string block;
  for (int c = 0; c < 256; ++c) block += static_cast<char>(c);
  std::string s;
  for (int i = 0; i < times; ++i) s += block;
  return s;
}

std::string repeated(std::string_view unit, std::size_t times) {
  const std::size_t size = unit.size() * times;
  std::string s(unit);
  s.reserve(size);
  while (2 * s.size() <= size) s.append(s);
  s.append(s, 0, size - s.size());
  return s;
}

std::string written_report(std::string_view target, std::size_t bytes) {
  return std::string(target) + " written at " + std::to_string(bytes) +
         " bytes\r\n";
}

std::string def_header(std::string_view base) {
  return "LIBRARY " + std::string(base) + "\r\n\r\n";
}

std::string inc_header(std::string_view base) {
  const std::string rule = "  ; ------------------------------------------\r\n";
  const std::string b(base);
  return rule + "  ; prototypes for EXPORT " + b + " functions\r\n" + rule +
         "\r\n    c_" + b + " typedef PROTO C :VARARG\r\n\r\n";
}

namespace {

// A labelled line of timeinfo's report: the label fills the first 37
// characters.
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

}  // namespace

void check_timeinfo_report(const std::string& out, std::time_t before,
                           std::time_t after) {
  std::string shape;
  const std::vector<line> lines = lines_of(out, shape);
  EXPECT_EQ(shape, read_file(testdata("timeinfo.labels")));
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

}  // namespace tk::test
