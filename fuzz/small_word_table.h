// A word table with fewer slots than the tool's own, so that the fuzz
// targets reach a full search path after a few keys.
#ifndef TK_FUZZ_SMALL_WORD_TABLE_H_
#define TK_FUZZ_SMALL_WORD_TABLE_H_

#include <cstdint>

#include "fuzz_util.h"
#include "word_table.h"

namespace tk::fuzz {

// Owns the blocks that `table` points into; the blocks live on the heap, so
// the pointers stay valid when the object is moved.
struct small_word_table {
  tk::tksub::buffer_array slot_blocks;
  tk::zero_block primes;
  tk::tksub::word_table table;
};

inline small_word_table small_word_table_create(std::uint32_t slots) {
  small_word_table t;
  t.slot_blocks =
      tk::tksub::buffer_array_create(slots, sizeof(tk::tksub::word_slot));
  t.primes = tk::tksub::prime_table_create();
  require(static_cast<bool>(t.slot_blocks) && static_cast<bool>(t.primes),
          "no memory for the table");
  t.table.slots = t.slot_blocks.buffers();
  t.table.slot_count = slots;
  t.table.primes = {reinterpret_cast<const std::uint32_t*>(t.primes.data()),
                    tk::tksub::prime_count};
  return t;
}

}  // namespace tk::fuzz

#endif  // TK_FUZZ_SMALL_WORD_TABLE_H_
