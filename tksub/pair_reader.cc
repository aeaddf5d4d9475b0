#include "tksub/pair_reader.h"

#include <algorithm>
#include <limits>

namespace tk::tksub {

namespace {

constexpr std::string_view missing_second_text =
    "ERROR: MISSING SECOND ARGUMENT\r\n";
constexpr std::string_view too_many_text = "ERROR: TOO MANY ARGUMENTS\r\n";
constexpr std::string_view redefinition_text = "ERROR: SYMBOL REDEFINITION \"";
constexpr std::string_view quote_line_end = "\"\r\n";
constexpr std::string_view too_long_text =
    "ERROR: WORD LONGER THAN 63 CHARACTERS\r\n";
constexpr std::string_view table_full_text =
    "ERROR: NO ROOM IN WORD TABLE FOR \"";
constexpr std::string_view ambiguous_text = "ERROR: AMBIGUOUS \"";
constexpr std::string_view ambiguous_end_text =
    "\": WRITE KEY AND PARTNER WITH + - . 0-9 A-Z _ a-z ONLY, SEPARATED BY "
    "BLANKS, = OR :\r\n";
constexpr std::string_view line_number_text = "Line Number ";

std::int32_t refuse(console_out& console, std::string_view message) {
  console.write(message);
  pair_error = 1;
  return 1;
}

std::int32_t refuse_word(console_out& console, std::string_view message,
                         const char* word) {
  console.write(message);
  console.write(word);
  console.write(quote_line_end);
  pair_error = 1;
  return 1;
}

bool pair_char(char c) {
  return pair_word_chars[static_cast<unsigned char>(c)] != 0;
}
bool source_char(char c) {
  return source_word_chars[static_cast<unsigned char>(c)] != 0;
}

// A character that the source reads as part of a word but the pair file
// drops: ! " # $ % & * ? @ ~ and the colon.
bool source_only(char c) { return source_char(c) && !pair_char(c); }
// What may stand between key and partner as nothing but a separator: what
// the source never reads as part of a word, and the colon of `NAME: value`.
bool separator(char c) { return !source_char(c) || c == ':'; }

// The stretch of a two-word `line` that makes it ambiguous, empty when there
// is none. The characters that the pair file drops are read as the format
// says only where they can be nothing but the separator. Refused: a
// source-only character glued before the key or after the partner
// (`@@next @@done`, `$MAXLEN 64`, `MSG "hello"`), and one other than the
// colon glued to either word where a separator already stands between them
// (`X = ~MASK`, `KEY:~MASK`). A run of such characters that is all that
// stands between the words (`h1!h2`) can only be the separator. The
// stretch shown is the word as the source would cut it.
std::string_view ambiguous_stretch(std::string_view line) {
  struct span {
    std::size_t begin = 0, end = 0;
  };
  std::size_t at = 0;
  auto next_word = [&line, &at]() {
    while (at < line.size() && !pair_char(line[at])) ++at;
    span w{at, at};
    while (at < line.size() && pair_char(line[at])) ++at;
    w.end = at;
    return w;
  };
  auto as_source_cuts = [&line](span w) {
    while (w.begin > 0 && source_char(line[w.begin - 1])) --w.begin;
    while (w.end < line.size() && source_char(line[w.end])) ++w.end;
    return text_part(line, w.begin, w.end - w.begin);
  };
  const span key = next_word();
  const span partner = next_word();
  if (partner.begin == partner.end) return {};  // not two words in `line`
  if (key.begin > 0 && source_only(line[key.begin - 1]))
    return as_source_cuts(key);
  if (partner.end < line.size() && source_only(line[partner.end]))
    return as_source_cuts(partner);
  const std::string_view between =
      text_part(line, key.end, partner.begin - key.end);
  if (std::none_of(between.begin(), between.end(), separator)) return {};
  if (!separator(between.front())) return as_source_cuts(key);
  if (!separator(between.back())) return as_source_cuts(partner);
  return {};
}

}  // namespace

std::int32_t pair_error = 0;

void split_lines(std::string_view text, std::span<char* const> words,
                 const char_classes& classes, line_handler handler,
                 void* context, console_out& console, std::string_view* line) {
  if (words.empty()) return;
  // The last buffer is kept for the empty text behind the last stored word.
  const std::size_t storable = words.size() - 1;
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const unsigned char* const end = p + text.size();
  std::int32_t line_number = 0;
  for (;;) {
    std::int32_t count = 0;
    bool text_ended = false;
    const unsigned char* const line_start = p;
    for (;;) {
      if (p == end) {
        text_ended = true;
        break;
      }
      const unsigned char c = *p++;
      if (classes[c] == 0) {
        if (c == '\n') break;
        continue;
      }
      // A word: stored while it fits its buffer and there is a buffer for
      // it; the rest of an over-long word is read and dropped, and words
      // past the last buffer are only counted.
      const auto k = static_cast<std::size_t>(count);
      char* const buffer = k < storable ? words[k] : nullptr;
      if (count < std::numeric_limits<std::int32_t>::max()) ++count;
      std::size_t length = 0;
      if (buffer) buffer[length++] = static_cast<char>(c);
      while (p != end && classes[*p] != 0) {
        if (buffer && length < word_buffer_size - 1)
          buffer[length++] = static_cast<char>(*p);
        ++p;
      }
      if (buffer) buffer[length] = 0;
      // The character that ends the word is used up with it.
      if (p == end) {
        text_ended = true;
        break;
      }
      if (*p++ == '\n') break;
    }
    ++line_number;
    const auto k = static_cast<std::size_t>(count);
    words[k < storable ? k : storable][0] = 0;
    if (line) {
      // p stands behind the line feed that ended the line, if one did.
      const unsigned char* const line_end = text_ended ? p : p - 1;
      *line = {reinterpret_cast<const char*>(line_start),
               static_cast<std::size_t>(line_end - line_start)};
    }
    if (handler(words, count, context) != 0) {
      char number[decimal_size];
      int_to_decimal(line_number, number);
      console.write(line_number_text);
      console.write(number);
      return;
    }
    if (text_ended) return;
  }
}

std::int32_t pair_line_handler(std::span<char* const> words,
                               std::int32_t word_count, void* context) {
  const auto& pairs = *static_cast<const pair_context*>(context);
  console_out& console = *pairs.console;
  if (word_count < 2) return refuse(console, missing_second_text);
  if (word_count > 2) return refuse(console, too_many_text);
  const char* key = words[0];
  const char* partner = words[1];
  if (str_compare(key, "exit") != 0) return 1;
  if (const std::string_view stretch = ambiguous_stretch(pairs.line);
      !stretch.empty()) {
    console.write(ambiguous_text);
    console.write(stretch);
    console.write(ambiguous_end_text);
    pair_error = 1;
    return 1;
  }
  const std::uint32_t key_length = str_length(key);
  if (key_length > max_word_length || str_length(partner) > max_word_length)
    return refuse(console, too_long_text);
  const slot_result found = word_find_slot({key, key_length}, *pairs.table);
  if (found.slot == nullptr) return refuse_word(console, table_full_text, key);
  if (found.found == 0) {
    word_enter(*pairs.table, found, {key, key_length}, partner);
    return 0;
  }
  if (str_compare(found.slot->partner, partner) != 0) return 0;
  return refuse_word(console, redefinition_text, key);
}

}  // namespace tk::tksub
