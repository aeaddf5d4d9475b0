// A word table with fewer slots than the tool's own, so that the fuzz
// targets reach a full search path after a few keys.
#ifndef TK_FUZZ_SMALL_WORD_TABLE_H_
#define TK_FUZZ_SMALL_WORD_TABLE_H_

#include <cstdint>

#include "fuzz/fuzz_util.h"
#include "tksub/word_table.h"

namespace tk::fuzz {

// A table of `slots` slots; the blocks live on the heap, so the pointers
// stay valid when the object is moved.
inline tk::tksub::owned_word_table small_word_table_create(
    std::uint32_t slots) {
  tk::tksub::owned_word_table t = tk::tksub::word_table_create(slots);
  require(static_cast<bool>(t), "no memory for the table");
  return t;
}

}  // namespace tk::fuzz

#endif  // TK_FUZZ_SMALL_WORD_TABLE_H_
