#include <array>
#include <charconv>
#include <cstring>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "lib/extras.h"
#include "lib/kit.h"

namespace {

std::string decimal(std::int32_t v) {
  std::array<char, tk::decimal_size> buf{};
  EXPECT_TRUE(tk::int_to_decimal(v, buf));
  return buf.data();
}

std::string reference_decimal(std::int32_t v) {
  char buf[16];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

TEST(StrLength, EveryTerminatorPlaceAndAlignment) {
  // Lengths 0..40 at every start offset within a group; bytes of value 1 and
  // 0x80 and up stand before the terminator, since they trip naive tests.
  alignas(16) char buf[64];
  for (std::size_t offset = 0; offset < 4; ++offset) {
    for (std::uint32_t len = 0; len <= 40; ++len) {
      std::memset(buf, 0x55, sizeof buf);
      char* t = buf + offset;
      for (std::uint32_t i = 0; i < len; ++i)
        t[i] =
            static_cast<char>(i % 3 == 0 ? 0x01 : (i % 3 == 1 ? 0x80 : 0xFF));
      t[len] = 0;
      EXPECT_EQ(tk::str_length(t), len) << offset << " " << len;
      EXPECT_EQ(tk::str_length_fast(t), len) << offset << " " << len;
    }
  }
}

TEST(StrLengthFast, HeapTextEndingAtItsBlock) {
  // A text whose terminator is the block's last byte, at each of four sizes:
  // the aligned reads must stay inside (ASan would see a stray read).
  for (std::size_t size = 1; size <= 9; ++size) {
    std::vector<char> block(size, 'a');
    block[size - 1] = 0;
    EXPECT_EQ(tk::str_length_fast(block.data()), size - 1);
  }
}

TEST(StrCompare, ExactAndCaseSensitive) {
  EXPECT_EQ(tk::str_compare("abc", "abc"), 3u);
  EXPECT_EQ(tk::str_compare("abc", "abcd"), 0u);
  EXPECT_EQ(tk::str_compare("abcd", "abc"), 0u);
  EXPECT_EQ(tk::str_compare("abc", "ABC"), 0u);
  EXPECT_EQ(tk::str_compare("", ""), 0u);
  EXPECT_EQ(tk::str_compare("\xFE\x80", "\xFE\x80"), 2u);
}

TEST(StrCopy, CopiesOrRefusesWithoutOverrun) {
  std::array<char, 8> dest{};
  dest.fill('#');
  EXPECT_TRUE(tk::str_copy("1234567", std::span(dest).first(8)));
  EXPECT_STREQ(dest.data(), "1234567");
  std::array<char, 10> guarded{};
  guarded.fill('#');
  EXPECT_FALSE(tk::str_copy("12345678", std::span(guarded).first(8)));
  EXPECT_EQ(guarded[0], 0);
  EXPECT_EQ(guarded[8], '#');
  EXPECT_EQ(guarded[9], '#');
  EXPECT_TRUE(tk::str_copy("", std::span(guarded).first(1)));
  EXPECT_FALSE(tk::str_copy("", std::span<char>()));
}

TEST(StrConcatN, JoinsAppendsAndRefusesOverflow) {
  std::array<char, 16> buf{};
  EXPECT_EQ(tk::str_concat_n(buf, {"ab", "cd"}), buf.data());
  EXPECT_STREQ(buf.data(), "abcd");
  EXPECT_NE(tk::str_concat_n(buf, {"e", "", "fgh"}), nullptr);
  EXPECT_STREQ(buf.data(), "abcdefgh");
  // 8 + 8 would need 17 bytes: refused, the old text kept.
  std::array<char, 20> guarded{};
  guarded.fill('#');
  std::span<char> sixteen = std::span(guarded).first(16);
  sixteen[0] = 0;
  EXPECT_NE(tk::str_concat_n(sixteen, {"12345678"}), nullptr);
  EXPECT_EQ(tk::str_concat_n(sixteen, {"abc", "defgh"}), nullptr);
  EXPECT_STREQ(guarded.data(), "12345678");
  EXPECT_EQ(guarded[16], '#');
  // Exactly full (15 characters and the terminator) fits.
  EXPECT_NE(tk::str_concat_n(sixteen, {"abc", "defg"}), nullptr);
  EXPECT_STREQ(guarded.data(), "12345678abcdefg");
  // No terminator inside the destination at all: refused.
  std::array<char, 4> full{'a', 'b', 'c', 'd'};
  EXPECT_EQ(tk::str_concat_n(full, {"x"}), nullptr);
  // No texts: the destination as it was.
  EXPECT_EQ(tk::str_concat_n(buf, {}), buf.data());
}

TEST(IntToDecimal, ExtremesAndPowersOfTen) {
  EXPECT_EQ(decimal(0), "0");
  EXPECT_EQ(decimal(-1), "-1");
  EXPECT_EQ(decimal(9), "9");
  EXPECT_EQ(decimal(10), "10");
  EXPECT_EQ(decimal(-10), "-10");
  EXPECT_EQ(decimal(2147483647), "2147483647");
  EXPECT_EQ(decimal(-2147483647 - 1), "-2147483648");
  for (std::int64_t p = 1; p <= 1000000000; p *= 10) {
    for (std::int64_t v : {p - 1, p, p + 1, -p + 1, -p, -p - 1})
      EXPECT_EQ(decimal(static_cast<std::int32_t>(v)),
                reference_decimal(static_cast<std::int32_t>(v)));
  }
}

TEST(IntToDecimal, RefusesShortDestination) {
  std::array<char, 12> buf{};
  buf.fill('#');
  EXPECT_FALSE(tk::int_to_decimal(-2147483647 - 1, std::span(buf).first(11)));
  EXPECT_EQ(buf[0], '#');
  EXPECT_TRUE(tk::int_to_decimal(-2147483647 - 1, buf));
  EXPECT_TRUE(tk::int_to_decimal(7, std::span(buf).first(2)));
  EXPECT_STREQ(buf.data(), "7");
  EXPECT_FALSE(tk::int_to_decimal(10, std::span(buf).first(2)));
}

TEST(SkipBlanks, FirstPrintableOrZero) {
  EXPECT_EQ(tk::skip_blanks(""), 0);
  EXPECT_EQ(tk::skip_blanks(" \t  "), 0);
  EXPECT_EQ(tk::skip_blanks("  \r\n"), 0);
  EXPECT_EQ(tk::skip_blanks(" \x80name"), 0);
  EXPECT_EQ(tk::skip_blanks("\xFF"), 0);
  EXPECT_EQ(tk::skip_blanks(" \t printf"), 'p');
  EXPECT_EQ(tk::skip_blanks("!"), '!');
  EXPECT_EQ(tk::skip_blanks("\x7F"), 0x7F);
}

TEST(StripExtension, CutsAtFirstFullStop) {
  auto strip = [](std::string s) {
    tk::strip_extension(s.data());
    return std::string(s.c_str());
  };
  EXPECT_EQ(strip("names"), "names");
  EXPECT_EQ(strip("names.txt"), "names");
  EXPECT_EQ(strip("a.b.c"), "a");
  EXPECT_EQ(strip(".hidden"), "");
  EXPECT_EQ(strip("..\\names.txt"), "");
  EXPECT_EQ(strip("lists\\names.txt"), "lists\\names");
  EXPECT_EQ(strip(""), "");
}

TEST(CountLines, CountsLineFeeds) {
  EXPECT_EQ(tk::count_lines(""), 0u);
  EXPECT_EQ(tk::count_lines("a\r\n"), 1u);
  EXPECT_EQ(tk::count_lines("a\r\nb"), 1u);
  EXPECT_EQ(tk::count_lines("\n\n\r\r"), 2u);
}

struct line_walk {
  std::vector<std::string> lines;
  std::vector<std::uint32_t> positions;
};

line_walk walk(const char* text) {
  line_walk w;
  std::uint32_t pos = 0;
  for (int guard = 0; guard < 100; ++guard) {
    std::array<char, 64> buf{};
    const tk::line_read r = tk::read_line(text, buf, pos);
    w.lines.emplace_back(buf.data());
    w.positions.push_back(r.next);
    if (r.next == 0) break;
    pos = r.next;
  }
  return w;
}

TEST(ReadLine, EveryLineEndReadOnce) {
  auto w = walk("first\r\nsecond");
  EXPECT_EQ(w.lines, (std::vector<std::string>{"first", "second"}));
  EXPECT_EQ(w.positions, (std::vector<std::uint32_t>{7, 0}));

  w = walk("a\nbc\rdef\r\n\r\nlast\r\n");
  EXPECT_EQ(w.lines,
            (std::vector<std::string>{"a", "bc", "def", "", "last", ""}));
  EXPECT_EQ(w.positions, (std::vector<std::uint32_t>{2, 5, 10, 12, 18, 0}));

  // A tab ends the name; the rest of its line is skipped, the next line whole.
  w = walk("name\tcomment\r\nnext\r\n");
  EXPECT_EQ(w.lines, (std::vector<std::string>{"name", "next", ""}));

  // Bytes 14 and up, 0x80 and above among them, belong to the line.
  w = walk("\x0E\xFF\x80 x");
  EXPECT_EQ(w.lines, (std::vector<std::string>{"\x0E\xFF\x80 x"}));

  w = walk("");
  EXPECT_EQ(w.lines, (std::vector<std::string>{""}));
  EXPECT_EQ(w.positions, (std::vector<std::uint32_t>{0}));
}

TEST(ReadLine, LongLineIsCutAndReported) {
  std::array<char, 8> guarded{};
  guarded.fill('#');
  const char* text = "abcdefghij\r\nk";
  const tk::line_read r = tk::read_line(text, std::span(guarded).first(5), 0);
  EXPECT_FALSE(r.fits);
  EXPECT_STREQ(guarded.data(), "abcd");
  EXPECT_EQ(guarded[5], '#');
  EXPECT_EQ(r.next, 12u);
  std::array<char, 11> exact{};
  const tk::line_read r2 = tk::read_line(text, exact, 0);
  EXPECT_TRUE(r2.fits);
  EXPECT_STREQ(exact.data(), "abcdefghij");
}

}  // namespace
