// The word table: a fixed hash table of 131073 slots with open addressing
// that maps each key of the pair file to its partner word. It is filled
// once while the pair file is read and only read afterwards.
#ifndef TK_TKSUB_WORD_TABLE_H_
#define TK_TKSUB_WORD_TABLE_H_

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "lib/kit.h"

namespace tk::tksub {

inline constexpr std::uint32_t table_slot_count = 131073;  // 2^17 + 1
inline constexpr std::size_t word_field_size = 64;
// Longest key or partner: a slot field holds it with its terminator, and the
// hash weights exactly this many character positions.
inline constexpr std::size_t max_word_length = word_field_size - 1;
inline constexpr std::size_t prime_count = 64;

// One entry: empty while key[0] is zero.
struct word_slot {
  char key[word_field_size];
  char partner[word_field_size];
};
static_assert(sizeof(word_slot) == 128);

// Equal fixed-size buffers in one zero-filled storage block, with a second
// block holding a pointer to each buffer.
struct buffer_array {
  zero_block pointers;
  zero_block storage;

  explicit operator bool() const { return pointers && storage; }
  std::span<char*> buffers() const;
};

// Obtains both blocks for `count` buffers of `size` bytes. Gives an empty
// buffer_array (false) when either block cannot be had or count is 0.
buffer_array buffer_array_create(std::uint32_t count, std::uint32_t size);

// The 64 smallest primes in descending order (311, 307, ..., 3, 2) in a
// zero_block of 64 std::uint32_t; an empty block when memory is short.
zero_block prime_table_create();

// What the callers pass around; the blocks behind it live in an
// owned_word_table.
//
// `tags` holds one byte per slot: 0 while the slot is empty, else a
// fingerprint of its key (word_tag), written by word_enter. A search reads
// the tag before the slot: an empty slot ends it without touching slot
// storage that was never written, and a taken slot whose tag differs from
// the word's is passed without reading its key. Slot storage comes from the
// allocator as untouched pages, and reading such a page costs a page fault
// on some systems, which with few keys almost every lookup would pay; the
// tags are written once when the table is made and stay in the cache. The
// fingerprint matters for keys that share home slots (VAR00001 ...), whose
// searches pass long runs of taken slots.
struct word_table {
  std::span<char* const> slots;  // slot_count pointers, each at a word_slot
  std::uint32_t slot_count = 0;
  std::span<const std::uint32_t> primes;  // prime_count entries
  std::span<std::uint8_t> tags;           // slot_count entries
};

// A word table together with the blocks it lives in.
struct owned_word_table {
  buffer_array slot_blocks;
  zero_block prime_block;
  zero_block tag_block;
  word_table table;

  explicit operator bool() const { return table.slot_count != 0; }
};

// An empty table of `slot_count` slots (the tool always uses
// table_slot_count; smaller tables serve tests); false when memory is short
// or slot_count is 0.
owned_word_table word_table_create(std::uint32_t slot_count = table_slot_count);

// Index from 0 to slot_count - 1. The sum over the word's bytes of the low
// 16 bits of byte × primes[i + 1], plus the length once per byte, modulo
// slot_count. Positions past max_word_length carry no weight.
std::uint32_t word_hash(std::string_view word, std::uint32_t slot_count,
                        std::span<const std::uint32_t> primes);

// Where a search stopped. found 1: the slot's key is the word. found 0 with
// a slot: the slot is empty and the word belongs there. found 0 with no
// slot: the word cannot be in the table (empty or longer than
// max_word_length), or the search came back to its start without meeting
// the word or an empty slot.
struct slot_result {
  word_slot* slot = nullptr;
  std::int32_t found = 0;
  std::uint32_t index = 0;  // the slot's index, when there is a slot
};

// Searches from `start` (below slot_count) with the step 4 × length. Words
// hold no zero byte (no class table counts it as a word character). A
// table with fewer tags than slots gives found 0 with no slot.
slot_result word_probe(std::string_view word, std::uint32_t start,
                       const word_table& table);

// The tag of a slot holding the key `word`: 1 to 255, a hash of all its
// bytes that is independent of word_hash.
std::uint8_t word_tag(std::string_view word);

// word_probe from the word's hash index.
slot_result word_find_slot(std::string_view word, const word_table& table);

// Fills the empty slot that a search gave (found 0 with a slot) with `key`,
// the word searched for, and `partner`, and sets the slot's tag. This is
// the only way a slot is filled. Writes nothing and gives false when there
// is no empty slot or a word is empty or longer than max_word_length.
bool word_enter(const word_table& table, const slot_result& empty_slot,
                std::string_view key, std::string_view partner);

}  // namespace tk::tksub

#endif  // TK_TKSUB_WORD_TABLE_H_
