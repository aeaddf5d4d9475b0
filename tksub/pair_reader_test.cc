#include "tksub/pair_reader.h"

#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "gtest/gtest.h"
#include "tests/string_console.h"

namespace {

using tk::tksub::pair_error;
using tk::tksub::pair_word_chars;

constexpr const char* missing = "ERROR: MISSING SECOND ARGUMENT\r\n";
constexpr const char* too_many = "ERROR: TOO MANY ARGUMENTS\r\n";
constexpr const char* too_long = "ERROR: WORD LONGER THAN 63 CHARACTERS\r\n";

// A fresh table and word buffers per reading, as one run of the tool has.
class PairReader : public ::testing::Test {
 protected:
  // Reads `text` and gives what was written to the console.
  std::string read(std::string_view text) {
    pair_error = 0;
    console.clear();
    tk::tksub::pair_context context{&owned.table, &console, {}};
    tk::tksub::split_lines(text, words.buffers(), pair_word_chars,
                           tk::tksub::pair_line_handler, &context, console,
                           &context.line);
    return console.text();
  }

  std::string partner_of(const std::string& key) const {
    const tk::tksub::slot_result r =
        tk::tksub::word_find_slot(key, owned.table);
    return r.found ? r.slot->partner : "<none>";
  }

  tk::tksub::owned_word_table owned = tk::tksub::word_table_create();
  tk::tksub::buffer_array words = tk::tksub::buffer_array_create(16, 128);
  tk::string_console console;
};

TEST_F(PairReader, SeparatorsBetweenKeyAndPartner) {
  for (const char* line :
       {"this that", "this = that", "this=that", "this, that",
        "  this\t:=\t'that';", "this:that", "this that\r\n\r"}) {
    owned = tk::tksub::word_table_create();
    const std::string out = read(line);
    EXPECT_EQ(partner_of("this"), "that") << line;
    if (std::strchr(line, '\n') == nullptr) {
      EXPECT_EQ(out, "") << line;
      EXPECT_EQ(pair_error, 0) << line;
    }
  }
  EXPECT_EQ(read("x 1.5\r\ny -2+3\r\n_z. +"), "");
  EXPECT_EQ(partner_of("x"), "1.5");
  EXPECT_EQ(partner_of("y"), "-2+3");
  EXPECT_EQ(partner_of("_z."), "+");
}

TEST_F(PairReader, EveryRowOfTheFailureTable) {
  struct row {
    std::string text;
    std::string out;
    int error;
  };
  std::string bytes;  // every byte value, four times over
  for (int c = 0; c < 4 * 256; ++c) bytes += static_cast<char>(c % 256);
  std::string huge;  // one line of 64 MiB
  huge.reserve(std::size_t{64} << 20);
  while (huge.size() < (std::size_t{64} << 20)) huge += "a ";
  const std::vector<row> rows = {
      {"", std::string(missing) + "Line Number 1", 1},
      {"\r\n\r\n\n", std::string(missing) + "Line Number 1", 1},
      {bytes, std::string(missing) + "Line Number 1", 1},
      {"ok fine\r\n" + std::string(10000, 'K') + " v",
       std::string(too_long) + "Line Number 2", 1},
      {huge, std::string(too_many) + "Line Number 1", 1},
      {"one", std::string(missing) + "Line Number 1", 1},
      {"exit", std::string(missing) + "Line Number 1", 1},
      {"a b\r\n", std::string(missing) + "Line Number 2", 1},
      {"a b\n", std::string(missing) + "Line Number 2", 1},
      {"a b\r\n\r\nc d", std::string(missing) + "Line Number 2", 1},
      {"a b\r\n ;=, \t\r\nc d", std::string(missing) + "Line Number 2", 1},
      {"a b ; note", std::string(too_many) + "Line Number 1", 1},
      {"a b\r\nexit now more\r\n", std::string(too_many) + "Line Number 2", 1},
      {"a b\r\na c\r\n", "ERROR: SYMBOL REDEFINITION \"a\"\r\nLine Number 2",
       1},
      {"a b\r\nc d\r\nexit now\r\n;;;\r\nbad line here\r\n", "Line Number 3",
       0},
      {"exit 1", "Line Number 1", 0},
      {"a b\rc d\r", std::string(too_many) + "Line Number 1", 1},
  };
  for (const row& r : rows) {
    EXPECT_EQ(read(r.text), r.out) << r.text.substr(0, 40);
    EXPECT_EQ(pair_error, r.error) << r.text.substr(0, 40);
  }
}

// A character that the source reads as part of a word but the pair file
// drops is read as a separator only where it can be nothing else. Entered
// without it, "@@next @@done" would swap "next" and never "@@next", and
// "X = ~MASK" would write MASK where ~MASK was meant.
TEST_F(PairReader, AmbiguousLinesAreRefusedPlainPairsRead) {
  for (const auto& [text, key, partner] :
       {std::tuple{"KEY: value", "KEY", "value"},
        {"KEY :value", "KEY", "value"},
        {"KEY : value", "KEY", "value"},
        {"KEY:value", "KEY", "value"},
        {"KEY:: value", "KEY", "value"},
        {"a:=b", "a", "b"},
        {"KEY := value", "KEY", "value"},
        {"five, six", "five", "six"},
        {"h1!h2", "h1", "h2"},
        {"g ! h", "g", "h"}}) {
    owned = tk::tksub::word_table_create();
    EXPECT_EQ(read(text), "") << text;
    EXPECT_EQ(partner_of(key), partner) << text;
  }
  auto refused = [](const std::string& stretch, int line) {
    return "ERROR: AMBIGUOUS \"" + stretch +
           "\": WRITE KEY AND PARTNER WITH + - . 0-9 A-Z _ a-z ONLY, "
           "SEPARATED BY BLANKS, = OR :\r\nLine Number " +
           std::to_string(line);
  };
  const std::vector<std::pair<std::string, std::string>> rows = {
      {"@@next @@done", refused("@@next", 1)},
      {"a b\r\n$MAXLEN 64", refused("$MAXLEN", 2)},
      {"X = ~MASK", refused("~MASK", 1)},
      {"MSG = \"hello\"", refused("\"hello\"", 1)},
      {"\"q1\" \"q2\"", refused("\"q1\"", 1)},
      {"a b?\r\n", refused("b?", 1)},
      {"KEY:~MASK", refused("KEY:~MASK", 1)},
      {"a!=b", refused("a!", 1)},
  };
  for (const auto& [text, out] : rows) {
    owned = tk::tksub::word_table_create();
    EXPECT_EQ(read(text), out) << text;
    EXPECT_EQ(pair_error, 1) << text;
  }
}

TEST_F(PairReader, PairsBeforeAStopStayAndNothingAfterIsRead) {
  EXPECT_EQ(read("a b\r\nc d\r\nexit x\r\ne f"), "Line Number 3");
  EXPECT_EQ(partner_of("a"), "b");
  EXPECT_EQ(partner_of("c"), "d");
  EXPECT_EQ(partner_of("e"), "<none>");
  EXPECT_EQ(partner_of("exit"), "<none>");

  EXPECT_EQ(read("EXIT now\r\nExit then\r\nsame same\r\nsame same"), "");
  EXPECT_EQ(pair_error, 0);
  EXPECT_EQ(partner_of("EXIT"), "now");
  EXPECT_EQ(partner_of("Exit"), "then");
  EXPECT_EQ(partner_of("same"), "same");
}

TEST_F(PairReader, WordsTooLongForASlotAreRefused) {
  const std::string w63(63, 'k'), w64(64, 'k'), w127(127, 'p'), w500(500, 'q');
  EXPECT_EQ(read(w63 + " " + w63), "");
  EXPECT_EQ(partner_of(w63), w63);
  const std::vector<std::string> refused = {w64 + " v", "k " + w64, w127 + " v",
                                            "k " + w500, w500 + " " + w500};
  for (const std::string& line : refused) {
    EXPECT_EQ(read("ok fine\r\n" + line),
              std::string(too_long) + "Line Number 2")
        << line.size();
    EXPECT_EQ(pair_error, 1);
  }
  EXPECT_EQ(partner_of("k"), "<none>");
}

TEST_F(PairReader, LongLinesAreRefusedWithoutOverrun) {
  for (int n : {3, 15, 16, 17, 40}) {
    std::string line;
    for (int i = 0; i < n; ++i)
      line.append("w").append(std::to_string(i)).append(" ");
    EXPECT_EQ(read(line), std::string(too_many) + "Line Number 1") << n;
  }
  // The sixteenth buffer is the empty text behind the last stored word.
  EXPECT_EQ(words.buffers()[15][0], 0);
}

TEST_F(PairReader, NoRoomInTheTableIsReported) {
  // A table of 7 slots, all taken: the probe comes back to its start.
  const tk::tksub::owned_word_table small_table =
      tk::tksub::word_table_create(7);
  const tk::tksub::word_table& small = small_table.table;
  for (std::uint32_t i = 0; i < 7; ++i)
    ASSERT_TRUE(tk::tksub::word_enter(
        small, {reinterpret_cast<tk::tksub::word_slot*>(small.slots[i]), 0, i},
        "Q", "q"));
  tk::tksub::pair_context context{&small, &console, {}};
  pair_error = 0;
  tk::tksub::split_lines("Q same\r\nabc def\r\n", words.buffers(),
                         pair_word_chars, tk::tksub::pair_line_handler,
                         &context, console);
  EXPECT_EQ(console.text(),
            "ERROR: SYMBOL REDEFINITION \"Q\"\r\nLine Number 1");
  console.clear();
  pair_error = 0;
  tk::tksub::split_lines("abc def\r\n", words.buffers(), pair_word_chars,
                         tk::tksub::pair_line_handler, &context, console);
  EXPECT_EQ(console.text(),
            "ERROR: NO ROOM IN WORD TABLE FOR \"abc\"\r\nLine Number 1");
  EXPECT_EQ(pair_error, 1);
}

// Records what split_lines hands over, line by line.
struct recorded_line {
  std::int32_t count;
  std::vector<std::string> words;
};

std::int32_t record(std::span<char* const> words, std::int32_t count,
                    void* context) {
  auto& lines = *static_cast<std::vector<recorded_line>*>(context);
  recorded_line line{count, {}};
  for (std::size_t i = 0; words[i][0] != 0; ++i)
    line.words.emplace_back(words[i]);
  lines.push_back(line);
  return lines.size() == 4 ? 1 : 0;
}

TEST(SplitLines, LinesWordsAndBounds) {
  tk::tksub::buffer_array words = tk::tksub::buffer_array_create(16, 128);
  tk::string_console console;
  std::vector<recorded_line> lines;
  const std::string long_word(300, 'L');
  const std::string text = std::string("one two\r\n\r\n") + long_word +
                           std::string(" x\xE9y\0z\r\nfour\nfive", 17);
  tk::tksub::split_lines(std::string_view(text.data(), text.size()),
                         words.buffers(), pair_word_chars, record, &lines,
                         console);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0].count, 2);
  EXPECT_EQ(lines[0].words, (std::vector<std::string>{"one", "two"}));
  EXPECT_EQ(lines[1].count, 0);
  EXPECT_TRUE(lines[1].words.empty());
  // A word is cut to the buffer; bytes from 0x80 up and the zero byte
  // separate words.
  EXPECT_EQ(lines[2].count, 4);
  EXPECT_EQ(lines[2].words, (std::vector<std::string>{long_word.substr(0, 127),
                                                      "x", "y", "z"}));
  EXPECT_EQ(lines[3].words, (std::vector<std::string>{"four"}));
  EXPECT_EQ(console.text(), "Line Number 4");

  lines.clear();
  console.clear();
  std::string many;
  for (int i = 0; i < 20; ++i)
    many.append("w").append(std::to_string(i)).append(",");
  tk::tksub::split_lines(many, words.buffers(), pair_word_chars, record, &lines,
                         console);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].count, 20);
  ASSERT_EQ(lines[0].words.size(), 15u);
  EXPECT_EQ(lines[0].words[14], "w14");
  EXPECT_EQ(console.text(), "");
}

}  // namespace
