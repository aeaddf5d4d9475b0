// The substitution pass: copies the source text and swaps every whole word
// that is a key of the word table for its partner.
#ifndef TK_TKSUB_SUBSTITUTION_PASS_H_
#define TK_TKSUB_SUBSTITUTION_PASS_H_

#include <cstddef>
#include <string_view>

#include "lib/kit.h"
#include "tksub/word_chars.h"
#include "tksub/word_table.h"

namespace tk::tksub {

// Largest output: its byte count is reported as a signed 32-bit number.
inline constexpr std::size_t max_output_size = 0x7FFFFFFF;

enum class pass_status { ok, no_memory, too_large };

// The text the pass makes, in a zero-filled block that is replaced by a
// larger one when a swap needs more room than is left.
class output_text {
 public:
  // Where the blocks come from: zero_block::allocate, or in tests a source
  // that refuses large blocks.
  using block_source = zero_block (*)(std::size_t bytes);

  explicit output_text(block_source source = &zero_block::allocate)
      : source_(source) {}
  // Obtains the first block; false when memory is short.
  bool reserve(std::size_t capacity);
  // A full block is replaced by one twice as large or, when that cannot be
  // had, by the largest that can, down to the size the text needs. Fails
  // when the text would pass max_output_size or not even that much can be
  // had; the text is then left as it was.
  pass_status append(std::string_view bytes);
  std::string_view view() const { return {block_.data(), length_}; }
  std::size_t capacity() const { return block_.size(); }

 private:
  pass_status grow(std::size_t needed);

  block_source source_;
  zero_block block_;
  std::size_t length_ = 0;
};

// Runs over all of `source`, zero bytes included. Bytes outside words go
// through unchanged; a word (a longest run of word characters, which begins
// with a character of class 1) is written as its partner when it is a key,
// else unchanged, whatever its length.
pass_status substitute_words(std::string_view source, output_text& out,
                             const char_classes& classes,
                             const word_table& table);

}  // namespace tk::tksub

#endif  // TK_TKSUB_SUBSTITUTION_PASS_H_
