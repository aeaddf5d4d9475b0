#include "tksub/substitution_pass.h"

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#ifndef _WIN32
#include <sys/mman.h>
#endif

#include "gtest/gtest.h"

namespace {

using tk::tksub::pass_status;
using tk::tksub::source_word_chars;

class SubstitutionPass : public ::testing::Test {
 protected:
  void enter(const std::string& key, const std::string& partner) {
    const tk::tksub::slot_result r =
        tk::tksub::word_find_slot(key, owned.table);
    ASSERT_NE(r.slot, nullptr);
    ASSERT_EQ(r.found, 0);
    ASSERT_TRUE(tk::tksub::word_enter(owned.table, r, key, partner));
  }

  // The output for `source`, starting from the block size that the tool
  // uses: twice the source plus room for a line end.
  std::string run(std::string_view source) {
    tk::tksub::output_text out;
    EXPECT_TRUE(out.reserve(2 * source.size() + 2));
    EXPECT_EQ(tk::tksub::substitute_words(source, out, source_word_chars,
                                          owned.table),
              pass_status::ok);
    return std::string(out.view());
  }

  tk::tksub::owned_word_table owned = tk::tksub::word_table_create();
};

TEST_F(SubstitutionPass, WholeWordsWithCase) {
  enter("CONST", "10");
  enter("a", "b");
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"mov eax, CONST\r\n", "mov eax, 10\r\n"},
      {"(CONST)", "(10)"},
      {"[a]", "[b]"},
      {"const CONSTANT CONST: CONST+1 $a a.b a? a! @a a~ ~a",
       "const CONSTANT CONST: CONST+1 $a a.b a? a! @a a~ ~a"},
      {"a,a;a/a<a>a=a'a`a^a|a\\a{a}", "b,b;b/b<b>b=b'b`b^b|b\\b{b}"},
      {"\x80"
       "a\xFF"
       "a\ta\x7F"
       "a",
       "\x80"
       "b\xFF"
       "b\tb\x7F"
       "b"},
      {"push CONST\r\npop a", "push 10\r\npop b"},
      {"", ""},
      {"a", "b"},
      {"nothing to swap here\r\n", "nothing to swap here\r\n"},
  };
  for (const auto& [source, target] : cases)
    EXPECT_EQ(run(source), target) << source;
}

TEST_F(SubstitutionPass, PartnersAreNotLookedUpAgain) {
  enter("a", "b");
  enter("b", "c");
  enter("c", "a");
  EXPECT_EQ(run("a b c\r\n"), "b c a\r\n");
}

TEST_F(SubstitutionPass, ZeroBytesAndTheEndOfTheTextLoseNothing) {
  enter("a", "xyz");
  const std::string source("a\0a\0\0a", 6);
  EXPECT_EQ(run(source), std::string("xyz\0xyz\0\0xyz", 12));
  EXPECT_EQ(run(std::string("\0", 1)), std::string("\0", 1));
}

TEST_F(SubstitutionPass, LongSourceWordsAreWrittenWhole) {
  const std::string key(63, 'k');
  enter(key, "short");
  EXPECT_EQ(run(key + " " + key), "short short");
  for (std::size_t n : {64u, 127u, 128u, 129u, 5000u}) {
    const std::string word = key + std::string(n - 63, 'k');
    std::string source = word;
    source += "\r\n";
    source += key;
    EXPECT_EQ(run(source), word + "\r\nshort") << n;
  }
}

TEST_F(SubstitutionPass, OutputGrowsPastTwiceTheSource) {
  const std::string partner(63, 'P');
  enter("a", partner);
  std::string source, expected;
  for (int i = 0; i < 1000; ++i) {
    source += "a ";
    expected += partner + " ";
  }
  tk::tksub::output_text out;
  ASSERT_TRUE(out.reserve(2 * source.size() + 2));
  ASSERT_EQ(
      tk::tksub::substitute_words(source, out, source_word_chars, owned.table),
      pass_status::ok);
  EXPECT_EQ(out.view(), expected);
  EXPECT_GE(out.capacity(), expected.size());

  // From a block of a single byte as well.
  tk::tksub::output_text tiny;
  ASSERT_TRUE(tiny.reserve(1));
  ASSERT_EQ(
      tk::tksub::substitute_words("a", tiny, source_word_chars, owned.table),
      pass_status::ok);
  EXPECT_EQ(tiny.view(), partner);
}

// Memory that runs out at 100 bytes, as address space does for a large
// source on 32-bit: a failed doubling must not give up while a block of
// what the text needs can still be had.
tk::zero_block small_memory(std::size_t bytes) {
  return bytes <= 100 ? tk::zero_block::allocate(bytes) : tk::zero_block();
}

TEST_F(SubstitutionPass, GrowsToWhatFitsWhenDoublingFails) {
  const std::string p(30, 'P');
  enter("a", p);
  struct row {
    std::string_view source;
    std::string target;  // empty: no memory
  };
  // A first block of 60 bytes doubles to 120: the text needs 93 (and then
  // 100) bytes. Past 100 even the needed size cannot be had.
  const std::vector<row> rows = {
      {"a a a ", p + " " + p + " " + p + " "},
      {"a a a 1234567", p + " " + p + " " + p + " 1234567"},
      {"a a a 12345678", ""},
  };
  for (const row& r : rows) {
    tk::tksub::output_text out(&small_memory);
    ASSERT_TRUE(out.reserve(60));
    EXPECT_EQ(tk::tksub::substitute_words(r.source, out, source_word_chars,
                                          owned.table),
              r.target.empty() ? pass_status::no_memory : pass_status::ok)
        << r.source;
    if (r.target.empty()) continue;
    EXPECT_EQ(out.view(), r.target);
    EXPECT_LE(out.capacity(), 100u);
  }
}

#ifndef _WIN32
// The text may grow to 2^31 - 1 bytes, no further. Appended bytes are only
// read once a block for them is had, which small_memory never gives here,
// so address space that cannot be read stands in for 2 GiB of text.
TEST(OutputText, LargestTextIsTwoGiBLessOne) {
  constexpr std::size_t two_gib = std::size_t{1} << 31;
  void* space = ::mmap(nullptr, two_gib, PROT_NONE,
                       MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  ASSERT_NE(space, MAP_FAILED);
  const char* text = static_cast<const char*>(space);
  tk::tksub::output_text out(&small_memory);
  ASSERT_TRUE(out.reserve(60));
  ASSERT_EQ(out.append("x"), pass_status::ok);
  EXPECT_EQ(out.append({text, two_gib - 2}), pass_status::no_memory);
  EXPECT_EQ(out.append({text, two_gib - 1}), pass_status::too_large);
  EXPECT_EQ(out.view(), "x");
  ::munmap(space, two_gib);
}
#endif

}  // namespace
