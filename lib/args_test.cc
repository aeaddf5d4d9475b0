#include <array>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "lib/extras.h"
#include "lib/kit.h"
#include "tests/test_util.h"

namespace {

struct cut {
  int code;
  std::string text;
  bool operator==(const cut&) const = default;
};

std::ostream& operator<<(std::ostream& os, const cut& c) {
  return os << c.code << " [" << c.text << "]";
}

cut cut_of(std::string_view line, std::uint32_t index) {
  std::array<char, 1024> buf{};
  buf[0] = 'X';
  buf[1] = 0;
  const int code = tk::arg_cut(line, index, buf);
  return {code, buf.data()};
}

TEST(ArgCut, ProgramNameAndQuotedArguments) {
  EXPECT_EQ(cut_of("tksub a.equ b.asm c.asm", 0), (cut{1, "tksub"}));
  EXPECT_EQ(cut_of("tksub a.equ b.asm c.asm", 3), (cut{1, "c.asm"}));
  EXPECT_EQ(cut_of("tksub a.equ b.asm c.asm", 4), (cut{2, ""}));
  EXPECT_EQ(cut_of("\"C:\\My Tools\\tksub.exe\" x", 0),
            (cut{1, "C:\\My Tools\\tksub.exe"}));
  EXPECT_EQ(cut_of("p \"my  file.equ\" next", 1), (cut{1, "my  file.equ"}));
  EXPECT_EQ(cut_of("p \"my  file.equ\" next", 2), (cut{1, "next"}));
  // A tab inside quotes comes back as a space; tabs outside separate.
  EXPECT_EQ(cut_of("p\t\"a\tb\"\tc", 1), (cut{1, "a b"}));
  EXPECT_EQ(cut_of("p\t\"a\tb\"\tc", 2), (cut{1, "c"}));
  // Mixed quoted and unquoted stretches make one argument.
  EXPECT_EQ(cut_of("p ab\"c d\"e\"\"f g", 1), (cut{1, "abc def"}));
  EXPECT_EQ(cut_of("p ab\"c d\"e\"\"f g", 2), (cut{1, "g"}));
  // Leading blanks are skipped; runs of blanks are one separator.
  EXPECT_EQ(cut_of("   p  \t a", 1), (cut{1, "a"}));
}

TEST(ArgCut, EmptyPositionsAndMissingArguments) {
  EXPECT_EQ(cut_of("p \"\" x", 1), (cut{4, ""}));
  EXPECT_EQ(cut_of("p \"\" x", 2), (cut{1, "x"}));
  // A trailing blank opens one more, empty position.
  EXPECT_EQ(cut_of("p a ", 2), (cut{4, ""}));
  EXPECT_EQ(cut_of("p a ", 3), (cut{2, ""}));
  EXPECT_EQ(cut_of("p a", 2), (cut{2, ""}));
  EXPECT_EQ(cut_of("", 0), (cut{4, ""}));
  EXPECT_EQ(cut_of("", 1), (cut{2, ""}));
  EXPECT_EQ(cut_of(" \t ", 0), (cut{4, ""}));
  EXPECT_EQ(cut_of(" \t ", 1), (cut{2, ""}));
  EXPECT_EQ(cut_of("p a", 0xFFFFFFFFu), (cut{2, ""}));
}

TEST(ArgCut, OddQuotesLeaveDestinationUntouched) {
  for (std::string_view line : {"\"p", "p \"a b\" \"", "p \"a\" \"b\" \""}) {
    for (std::uint32_t i = 0; i < 4; ++i)
      EXPECT_EQ(cut_of(line, i), (cut{3, "X"})) << line << " " << i;
  }
}

TEST(ArgCut, BytesOfAnyValueKept) {
  // 0xFE (a thorn in Windows-1252) and other high bytes reach the caller
  // unchanged, quoted or not.
  EXPECT_EQ(cut_of("p \xFE\xFF\x80", 1), (cut{1, "\xFE\xFF\x80"}));
  EXPECT_EQ(cut_of("p \"a\xFE b\"", 1), (cut{1, "a\xFE b"}));
}

TEST(ArgCut, LongLinesAndSmallDestinations) {
  // A line far past 191 characters is cut like any other.
  std::string line = "p";
  for (int i = 0; i < 100; ++i) line += " arg" + std::to_string(i);
  line += " \"" + std::string(300, 'q') + " z\"";
  EXPECT_EQ(cut_of(line, 100), (cut{1, "arg99"}));
  EXPECT_EQ(cut_of(line, 101), (cut{1, std::string(300, 'q') + " z"}));

  // An argument that does not fit is reported, the destination emptied and
  // nothing written past it.
  std::array<char, 12> guarded{};
  guarded.fill('#');
  EXPECT_EQ(tk::arg_cut("p 12345678", 1, std::span(guarded).first(8)),
            tk::arg_too_long);
  EXPECT_EQ(guarded[0], 0);
  EXPECT_EQ(guarded[8], '#');
  EXPECT_EQ(tk::arg_cut("p 1234567", 1, std::span(guarded).first(8)),
            tk::arg_found);
  EXPECT_STREQ(guarded.data(), "1234567");
  EXPECT_EQ(tk::arg_cut("p a", 1, std::span<char>()), tk::arg_too_long);
}

TEST(ArgSplit, EveryPositionOrNoneAtAll) {
  using list = std::vector<std::string>;
  EXPECT_EQ(tk::test::arg_split("p \"a\tb\"  \"\" c "),
            (list{"p", "a b", "", "c", ""}));
  EXPECT_EQ(tk::test::arg_split(""), list{""});
  EXPECT_EQ(tk::test::arg_split("p \"a"), list{});
}

TEST(ArgGet, TakesEachArgumentAsItStands) {
  const std::vector<std::string_view> args = {"p", "a\"b\tc", ""};
  std::array<char, 6> buf{};
  EXPECT_EQ(tk::arg_get(args, 1, buf), tk::arg_found);
  EXPECT_EQ(std::string(buf.data()), "a\"b\tc");
  EXPECT_EQ(tk::arg_get(args, 2, buf), tk::arg_empty);
  EXPECT_EQ(buf[0], 0);
  buf[0] = 'X';
  EXPECT_EQ(tk::arg_get(args, 3, buf), tk::arg_missing);
  EXPECT_EQ(buf[0], 0);
  // Five bytes and the terminator fill the buffer; six do not fit.
  buf[0] = 'X';
  EXPECT_EQ(tk::arg_get(std::vector<std::string_view>{"p", "123456"}, 1, buf),
            tk::arg_too_long);
  EXPECT_EQ(buf[0], 0);
  EXPECT_EQ(tk::arg_get(args, 0, std::span<char>()), tk::arg_too_long);
}

// The tools' own tests ask for help and the version; these are the edges.
TEST(InfoRequested, OnlyAloneAndExact) {
  using list = std::vector<std::string_view>;
  EXPECT_EQ(tk::info_requested(list{"t", "--version", ""}),
            tk::info_request::version);
  EXPECT_EQ(tk::info_requested(list{"t", "--version", "", ""}),
            tk::info_request::none);
  EXPECT_EQ(tk::info_requested(list{"t", "--version-and-more"}),
            tk::info_request::none);
  EXPECT_EQ(tk::info_requested(list{}), tk::info_request::none);
}

#ifndef _WIN32
// On POSIX the line is argv joined by blanks, each argument that holds a
// blank, a tab or a quotation mark, or is empty, between quotation marks.
TEST(CommandLine, PosixArgumentsJoined) {
  std::vector<std::string> args = {"p", "a\"b", "x y", "t\tb", "", "plain"};
  std::vector<char*> argv;
  argv.reserve(args.size());
  for (std::string& a : args) argv.push_back(a.data());
  tk::command_line_init(static_cast<int>(argv.size()), argv.data());
  EXPECT_EQ(std::string(tk::command_line()),
            "p \"a\"b\" \"x y\" \"t\tb\" \"\" plain");
}
#endif

}  // namespace
