#include "tksub/word_table.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

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

// Occupies a slot with a key that none of the tests looks up.
void occupy(const word_table& table, std::uint32_t index) {
  const slot_result empty{reinterpret_cast<word_slot*>(table.slots[index]), 0,
                          index};
  ASSERT_TRUE(tk::tksub::word_enter(table, empty, "Q", "q"));
}

// Enters `key` with `partner` where the search for it ends.
void enter(const word_table& table, std::string_view key,
           std::string_view partner) {
  const slot_result r = word_find_slot(key, table);
  ASSERT_NE(r.slot, nullptr) << key;
  ASSERT_EQ(r.found, 0) << key;
  ASSERT_TRUE(tk::tksub::word_enter(table, r, key, partner)) << key;
}

// Looks `key` up as the substitution pass does.
std::string partner_of(const word_table& table, std::string_view key) {
  const slot_result r = word_find_slot(key, table);
  if (r.slot == nullptr || r.found != 1) return "(not found)";
  return r.slot->partner;
}

TEST(BufferArray, NoBuffersNoArray) {
  // Where each buffer lies is seen by every test that reads a pair file.
  EXPECT_FALSE(tk::tksub::buffer_array_create(0, 128));
}

// Worked values of the documented hash; the last two weigh every position.
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
  // 48 × (307 + 293 + ... + 3 + 2) + 63 × 63.
  EXPECT_EQ(word_hash(std::string(63, '0'), 0xFFFFFFFFu, primes), 415905u);
  EXPECT_EQ(word_hash(std::string(63, '0'), table_slot_count, primes), 22686u);
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
  }
  const slot_result empty = word_find_slot("abc", t);
  enter(t, "abc", "xyz");
  const slot_result abc = word_find_slot("abc", t);
  EXPECT_EQ(abc.found, 1);
  EXPECT_EQ(abc.slot, empty.slot);
  EXPECT_STREQ(abc.slot->partner, "xyz");
  for (const char* other : {"ABC", "Abc", "abcd", "ab", "abC"})
    EXPECT_EQ(word_find_slot(other, t).found, 0) << other;
  // Words that no slot can hold are never found and get no slot.
  EXPECT_EQ(word_find_slot("", t).slot, nullptr);
  const std::string long_word(64, 'a');
  EXPECT_EQ(word_find_slot(long_word, t).slot, nullptr);
  EXPECT_NE(word_find_slot(std::string(63, 'a'), t).slot, nullptr);
}

// Words that share a home slot, and words of every length whose home is
// taken, are all entered and found again with their own partners.
TEST(WordTable, CollidingWordsAreFoundAgain) {
  const owned_word_table owned = tk::tksub::word_table_create();
  const word_table& t = owned.table;
  std::map<std::uint32_t, std::vector<std::string>> by_home;
  for (char a = 'a'; a <= 'z'; ++a)
    for (char b = 'A'; b <= 'z'; ++b)
      for (char c = '0'; c <= 'z'; ++c) {
        const std::string w{a, b, c};
        by_home[word_hash(w, t.slot_count, t.primes)].push_back(w);
      }
  const auto crowded = std::max_element(
      by_home.begin(), by_home.end(), [](const auto& x, const auto& y) {
        return x.second.size() < y.second.size();
      });
  const std::vector<std::string>& same_home = crowded->second;
  ASSERT_GE(same_home.size(), 3u);
  for (const std::string& w : same_home) enter(t, w, "p" + w);
  for (const std::string& w : same_home) EXPECT_EQ(partner_of(t, w), "p" + w);

  for (std::size_t n : {1u, 2u, 7u, 63u}) {
    const std::string w(n, 'k');
    const slot_result home = word_find_slot(w, t);
    ASSERT_NE(home.slot, nullptr) << n;
    occupy(t, home.index);
    enter(t, w, "moved");
    EXPECT_EQ(partner_of(t, w), "moved") << n;
  }
}

// A table filled to its last slot: every search that wraps past the end
// still finds its word, and a word with no free slot left gets no slot.
TEST(WordTable, FullTableFindsEveryWordAndHasNoRoomForMore) {
  const owned_word_table owned = tk::tksub::word_table_create(7);
  const word_table& t = owned.table;
  const std::vector<std::string> words = {"a",  "b",  "c", "ab",
                                          "ba", "zz", "q1"};
  for (const std::string& w : words) enter(t, w, w + "!");
  for (const std::string& w : words) EXPECT_EQ(partner_of(t, w), w + "!");
  for (const char* w : {"d", "xy", "abc", "abcdefg"}) {
    const slot_result r = word_find_slot(w, t);
    EXPECT_EQ(r.slot, nullptr) << w;
    EXPECT_EQ(r.found, 0) << w;
  }
}

// 131073 = 3 × 43691: a word whose length is a multiple of 3 searches only
// the slots with its home's remainder modulo 3, so it finds no room once
// they are taken, while a word of another length still does.
TEST(WordTable, LengthsDivisibleByThreeSearchOneThird) {
  const owned_word_table owned = tk::tksub::word_table_create();
  const word_table& t = owned.table;
  const std::uint32_t home = word_find_slot("abc", t).index;
  std::string other = "ab0";  // another length-3 word of the same third
  while (word_find_slot(other, t).index % 3 != home % 3) ++other[2];
  // Every slot of the third but one, far along the search from home.
  std::uint32_t taken = 0;
  for (std::uint32_t i = home % 3; i < table_slot_count; i += 3) {
    if (i != home + 3) occupy(t, i);
    ++taken;
  }
  EXPECT_EQ(taken, 43691u);
  enter(t, "abc", "last");
  EXPECT_EQ(partner_of(t, "abc"), "last");
  EXPECT_EQ(word_find_slot(other, t).slot, nullptr) << other;
  const slot_result r = word_probe("abcd", home, t);
  ASSERT_NE(r.slot, nullptr);
  EXPECT_EQ(r.found, 0);
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
  ASSERT_NE(r.slot, nullptr);
  EXPECT_EQ(r.found, 0);
  EXPECT_FALSE(tk::tksub::word_enter(t, {}, "k", "v"));
  EXPECT_FALSE(tk::tksub::word_enter(t, r, std::string(64, 'k'), "v"));
  EXPECT_FALSE(tk::tksub::word_enter(t, r, "k", ""));
  EXPECT_EQ(word_find_slot("k", t).found, 0);
}

}  // namespace
