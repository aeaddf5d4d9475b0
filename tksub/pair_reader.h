// The pair-file reader: split_lines cuts a text into lines and words by a
// class table and hands each line to a line handler; pair_line_handler
// enters one pair per line into the word table.
#ifndef TK_TKSUB_PAIR_READER_H_
#define TK_TKSUB_PAIR_READER_H_

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "lib/console.h"
#include "tksub/word_chars.h"
#include "tksub/word_table.h"

namespace tk::tksub {

inline constexpr std::uint32_t word_buffer_count = 16;
inline constexpr std::uint32_t word_buffer_size = 128;

// Called for each line with the word buffers, the number of words in the
// line (words past the last buffer but one are counted, not stored) and the
// context given to split_lines. Gives 0 to go on, non-zero to stop.
using line_handler = std::int32_t (*)(std::span<char* const> words,
                                      std::int32_t word_count, void* context);

// Cuts `text` into lines at each line feed; the text after the last line
// feed is one more line, also when it is empty. Word k goes into words[k]
// (buffers of word_buffer_size bytes), cut to word_buffer_size - 1
// characters, while k is below words.size() - 1; the buffer after the last
// stored word is emptied. A zero byte is an ordinary separator. When the
// handler stops the reading, writes "Line Number " and the line's number to
// `console`. `line`, when given, holds the text of the line (without its
// line feed) during each handler call.
void split_lines(std::string_view text, std::span<char* const> words,
                 const char_classes& classes, line_handler handler,
                 void* context, console_out& console,
                 std::string_view* line = nullptr);

// Set to 1 by pair_line_handler on each error; never reset by the reader.
extern std::int32_t pair_error;

// What pair_line_handler works on.
struct pair_context {
  const word_table* table = nullptr;
  console_out* console = nullptr;
  // The line being handled, as split_lines gives it.
  std::string_view line;
};

// A line_handler whose context is a pair_context. Enters a line of exactly
// two words as key and partner; stops without error on "exit" as the first
// of two words; reports every other line (and redefinitions, words too long
// for a slot, a full table) on the console and sets pair_error. A line
// whose dropped characters could belong to the key or partner rather than
// separate them is refused as ambiguous: one the source reads as part of a
// word glued before the key or after the partner (`@@next @@done`,
// `$MAXLEN 64`), or one other than the colon glued to a word beside another
// separator (`X = ~MASK`). `KEY: value`, `KEY :value`, `a:=b` and `h1!h2`
// are plain pairs.
std::int32_t pair_line_handler(std::span<char* const> words,
                               std::int32_t word_count, void* context);

}  // namespace tk::tksub

#endif  // TK_TKSUB_PAIR_READER_H_
