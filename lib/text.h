// Text routines on zero-terminated 8-bit texts.
#ifndef TK_TEXT_H_
#define TK_TEXT_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string_view>

namespace tk {

// The `count` characters of `text` from `at` on (fewer at its end). Unlike
// std::string_view::substr it never throws, so the programs carry no
// exception code for it.
constexpr std::string_view text_part(
    std::string_view text, std::size_t at,
    std::size_t count = std::string_view::npos) {
  if (at > text.size()) at = text.size();
  const std::size_t rest = text.size() - at;
  return {text.data() + at, count < rest ? count : rest};
}

// Length of a text; never reads past the terminator.
std::uint32_t str_length(const char* text);

// The length of `first` when the two texts are identical, else 0 (so two
// empty texts give 0). Exact and case-sensitive.
std::uint32_t str_compare(const char* first, const char* second);

// Largest text int_to_decimal makes, terminator included.
inline constexpr std::size_t decimal_size = 12;

// Room for any 32-bit unsigned number in decimal.
using decimal_room = std::array<char, 10>;

// `value` in decimal, written at the end of `room`.
std::string_view decimal_of(std::uint32_t value, decimal_room& room);

// Writes `value` as signed decimal text. Returns false, writing nothing,
// when `dest` is shorter than the text needs.
bool int_to_decimal(std::int32_t value, std::span<char> dest);

// Cuts the name at its first full stop, in place.
void strip_extension(char* name);

// Number of line feeds before the terminator.
std::uint32_t count_lines(const char* text);

// What read_line found.
struct line_read {
  std::uint32_t next = 0;  // position of the next line; 0 at the end
  bool fits = true;        // false when the line was longer than `dest`
};

// Copies the line at `position` of `block` into `dest`: its bytes up to the
// first byte from 0 to 13 (terminator, tab, other controls, line ends). The
// rest of the line after such a control byte is skipped; the line end is
// CR LF, a lone LF or a lone CR, and is stepped over whole, so every line is
// read once and no byte of the next line is lost. `next` is 0 when the line
// ended at the terminator. A line longer than `dest` is cut to fit and
// reported with fits == false.
line_read read_line(const char* block, std::span<char> dest,
                    std::uint32_t position);

}  // namespace tk

#endif  // TK_TEXT_H_
