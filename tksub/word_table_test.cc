#include "word_table.h"

#include <cstring>
#include <map>
#include <string>
#include <utility>

#include "gtest/gtest.h"

namespace {

using tk::tksub::owned_word_table;
using tk::tksub::slot_result;
using tk::tksub::table_slot_count;
using tk::tksub::word_find_slot;
using tk::tksub::word_hash;
using tk::tksub::word_probe;
using tk::tksub::word_slot;
using tk::tksub::word_table;

std::uint32_t index_of(const word_table& table, const word_slot* slot) {
  const auto offset = reinterpret_cast<const char*>(slot) - table.slots[0];
  return static_cast<std::uint32_t>(offset / 128);
}

// Occupies a slot with a key that none of the tests looks up.
void occupy(const word_table& table, std::uint32_t index) {
  const slot_result empty{reinterpret_cast<word_slot*>(table.slots[index]), 0,
                          index};
  ASSERT_TRUE(tk::tksub::word_enter(table, empty, "Q", "q"));
}

void enter(const word_table& table, const char* key, const char* partner) {
  const slot_result r = word_find_slot(key, table);
  ASSERT_NE(r.slot, nullptr);
  ASSERT_EQ(r.found, 0);
  ASSERT_TRUE(tk::tksub::word_enter(table, r, key, partner));
}

TEST(PrimeTable, SixtyFourSmallestPrimesDescending) {
  const tk::zero_block block = tk::tksub::prime_table_create();
  ASSERT_TRUE(block);
  ASSERT_EQ(block.size(), 64 * sizeof(std::uint32_t));
  std::uint32_t p[64];
  std::memcpy(p, block.data(), sizeof p);
  EXPECT_EQ(p[0], 311u);
  EXPECT_EQ(p[1], 307u);
  EXPECT_EQ(p[2], 293u);
  EXPECT_EQ(p[3], 283u);
  EXPECT_EQ(p[62], 3u);
  EXPECT_EQ(p[63], 2u);
  for (int i = 0; i < 63; ++i) EXPECT_GT(p[i], p[i + 1]) << i;
}

TEST(BufferArray, NoBuffersNoArray) {
  // Where each buffer lies is seen by every test that reads a pair file.
  EXPECT_FALSE(tk::tksub::buffer_array_create(0, 128));
}

TEST(WordHash, WorkedValuesAndTheSixteenBitCut) {
  const owned_word_table owned = tk::tksub::word_table_create();
  ASSERT_TRUE(owned);
  const auto primes = owned.table.primes;
  EXPECT_EQ(word_hash("a", table_slot_count, primes), 29780u);
  EXPECT_EQ(word_hash("abc", table_slot_count, primes), 86519u);
  EXPECT_EQ(word_hash("exit", table_slot_count, primes), 128494u);
  EXPECT_EQ(word_hash("MyConst", table_slot_count, primes), 71059u);
  EXPECT_EQ(word_hash("MyConst", 0xFFFFFFFFu, primes), 202132u);
  // 255 × 307 = 78285, whose low 16 bits are 12749; then the length, 1.
  EXPECT_EQ(word_hash("\xFF", 0xFFFFFFFFu, primes), 12750u);
  // 128 × 307 = 39296 needs no cut; 200 × 293 = 58600 neither; 2 × 2.
  EXPECT_EQ(word_hash("\x80\xC8", 0xFFFFFFFFu, primes), 39296u + 58600u + 4u);
  // All 63 positions weighted: 63 × '0' over primes 307 .. 2, plus 63².
  std::uint32_t sum = 63u * 63u;
  for (int i = 1; i <= 63; ++i)
    sum += 48u * primes[static_cast<std::size_t>(i)];
  EXPECT_EQ(word_hash(std::string(63, '0'), 0xFFFFFFFFu, primes), sum);
}

TEST(WordTable, NewTableEntriesAndCase) {
  const owned_word_table owned = tk::tksub::word_table_create();
  ASSERT_TRUE(owned);
  const word_table& t = owned.table;
  EXPECT_EQ(t.slot_count, table_slot_count);
  ASSERT_EQ(t.slots.size(), table_slot_count);
  for (const char* w : {"a", "abc", "exit", "MyConst", "x1.5"}) {
    const slot_result r = word_find_slot(w, t);
    ASSERT_NE(r.slot, nullptr) << w;
    EXPECT_EQ(r.found, 0) << w;
    EXPECT_EQ(index_of(t, r.slot), word_hash(w, t.slot_count, t.primes)) << w;
  }
  enter(t, "abc", "xyz");
  const slot_result abc = word_find_slot("abc", t);
  EXPECT_EQ(abc.found, 1);
  EXPECT_EQ(index_of(t, abc.slot), 86519u);
  EXPECT_STREQ(abc.slot->partner, "xyz");
  for (const char* other : {"ABC", "Abc", "abcd", "ab", "abC"})
    EXPECT_EQ(word_find_slot(other, t).found, 0) << other;
  // Words that no slot can hold are never found and get no slot.
  EXPECT_EQ(word_find_slot("", t).slot, nullptr);
  const std::string long_word(64, 'a');
  EXPECT_EQ(word_find_slot(long_word, t).slot, nullptr);
  EXPECT_NE(word_find_slot(std::string(63, 'a'), t).slot, nullptr);
}

TEST(WordTable, CollisionsStepFourTimesTheLength) {
  const owned_word_table owned = tk::tksub::word_table_create();
  const word_table& t = owned.table;
  // Two different three-letter words with one hash.
  std::map<std::uint32_t, std::string> seen;
  std::string first, second;
  for (char a = 'a'; a <= 'z' && second.empty(); ++a)
    for (char b = 'A'; b <= 'z' && second.empty(); ++b)
      for (char c = '0'; c <= 'z' && second.empty(); ++c) {
        const std::string w{a, b, c};
        const auto [it, fresh] =
            seen.emplace(word_hash(w, t.slot_count, t.primes), w);
        if (!fresh) {
          first = it->second;
          second = w;
        }
      }
  ASSERT_FALSE(second.empty());
  const std::uint32_t home = word_hash(first, t.slot_count, t.primes);
  enter(t, first.c_str(), "one");
  const slot_result r = word_find_slot(second, t);
  ASSERT_EQ(r.found, 0);
  EXPECT_EQ(index_of(t, r.slot), (home + 12) % table_slot_count);
  enter(t, second.c_str(), "two");
  EXPECT_STREQ(word_find_slot(first, t).slot->partner, "one");
  EXPECT_STREQ(word_find_slot(second, t).slot->partner, "two");

  // The step depends on the length alone: 4, 8, ..., 252.
  for (std::size_t n : {1u, 2u, 7u, 63u}) {
    const std::string w(n, 'k');
    occupy(t, 1000);
    const slot_result s = word_probe(w, 1000, t);
    EXPECT_EQ(index_of(t, s.slot), 1000 + 4 * n) << n;
    EXPECT_EQ(s.found, 0);
  }
}

TEST(WordTable, WrapAroundAtTheEnd) {
  const owned_word_table owned = tk::tksub::word_table_create();
  const word_table& t = owned.table;
  occupy(t, 131070);
  slot_result r = word_probe("xy", 131070, t);
  EXPECT_EQ(index_of(t, r.slot), 5u);  // 131070 + 8 - 131073
  occupy(t, 5);
  r = word_probe("xy", 131070, t);
  EXPECT_EQ(index_of(t, r.slot), 13u);
  occupy(t, 131072);
  r = word_probe(std::string(63, 'z'), 131072, t);
  EXPECT_EQ(index_of(t, r.slot), 251u);  // 131072 + 252 - 131073
}

TEST(WordTable, LengthsDivisibleByThreeStayOnOneThirdAndTheProbeEnds) {
  const owned_word_table owned = tk::tksub::word_table_create();
  const word_table& t = owned.table;
  const std::string word = "abc";  // home 86519, 86519 % 3 == 2
  const std::uint32_t home = 86519;
  for (std::uint32_t k = 0; k < 5; ++k) occupy(t, home + 12 * k);
  slot_result r = word_find_slot(word, t);
  EXPECT_EQ(index_of(t, r.slot), home + 60);
  // Take every slot with the same remainder modulo 3: 43691 of them.
  std::uint32_t taken = 0;
  for (std::uint32_t i = home % 3; i < table_slot_count; i += 3) {
    occupy(t, i);
    ++taken;
  }
  EXPECT_EQ(taken, 43691u);
  r = word_find_slot(word, t);
  EXPECT_EQ(r.slot, nullptr);
  EXPECT_EQ(r.found, 0);
  // Another length from the same start reaches the other two thirds.
  r = word_probe("abcd", home, t);
  ASSERT_NE(r.slot, nullptr);
  EXPECT_NE(index_of(t, r.slot) % 3, home % 3);
}

TEST(WordTable, FullTableEndsTheProbe) {
  const owned_word_table owned = tk::tksub::word_table_create(7);
  const word_table& small = owned.table;
  for (std::uint32_t i = 0; i < 7; ++i)
    if (i != 3) occupy(small, i);
  const slot_result k = word_probe("k", 0, small);
  ASSERT_EQ(index_of(small, k.slot), 3u);
  enter(small, "k", "v");
  EXPECT_EQ(word_probe("k", 0, small).found, 1);
  for (const char* w : {"a", "ab", "abc", "abcdefg"}) {
    const slot_result r = word_find_slot(w, small);
    EXPECT_EQ(r.slot, nullptr) << w;
    EXPECT_EQ(r.found, 0) << w;
  }
}

// A key matches only a word of its own length, also where the search starts
// at the key's own slot, one word is a prefix of the other and both have
// the same tag, so that the keys are compared.
TEST(WordTable, PrefixOfAKeyIsNoMatch) {
  std::string key = "abc";
  for (int i = 0; tk::tksub::word_tag(key) != tk::tksub::word_tag("ab"); ++i)
    key = "ab" + std::to_string(i);
  for (const auto& [stored, probed] :
       {std::pair{key, std::string("ab")}, std::pair{std::string("ab"), key}}) {
    const owned_word_table owned = tk::tksub::word_table_create(7);
    const word_table& t = owned.table;
    enter(t, stored.c_str(), "x");
    const slot_result at = word_find_slot(stored, t);
    ASSERT_EQ(at.found, 1);
    const slot_result r = word_probe(probed, at.index, t);
    EXPECT_EQ(r.found, 0) << probed;
    EXPECT_NE(r.slot, at.slot) << probed;
  }
}

// Only entered slots count: storage that was written some other way is never
// read, as a search decides by the bitmap whether a slot is taken.
TEST(WordTable, SearchReadsOnlyEnteredSlots) {
  const owned_word_table owned = tk::tksub::word_table_create(7);
  const word_table& t = owned.table;
  for (char* slot : t.slots) std::strcpy(slot, "k");
  const slot_result r = word_find_slot("k", t);
  EXPECT_EQ(r.found, 0);
  EXPECT_EQ(index_of(t, r.slot), word_hash("k", 7, t.primes));
  EXPECT_FALSE(tk::tksub::word_enter(t, {}, "k", "v"));
  EXPECT_FALSE(tk::tksub::word_enter(t, r, std::string(64, 'k'), "v"));
  EXPECT_FALSE(tk::tksub::word_enter(t, r, "k", ""));
  EXPECT_EQ(word_find_slot("k", t).found, 0);
}

}  // namespace
