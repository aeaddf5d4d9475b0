// The two sets of word characters: the pair file's and the source's. The
// source counts more characters as parts of words than the pair file does.
#ifndef TK_TKSUB_WORD_CHARS_H_
#define TK_TKSUB_WORD_CHARS_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>

namespace tk::tksub {

// 256 entries indexed by the byte's unsigned value; non-zero marks a word
// character.
using char_classes = std::array<std::uint8_t, 256>;

namespace word_chars_detail {

constexpr char_classes marked(std::initializer_list<std::array<int, 2>> runs) {
  char_classes c{};
  for (const auto& [first, last] : runs) {
    for (int b = first; b <= last; ++b) c[static_cast<std::size_t>(b)] = 1;
  }
  return c;
}

}  // namespace word_chars_detail

// + - . 0-9 A-Z _ a-z
inline constexpr char_classes pair_word_chars = word_chars_detail::marked(
    {{'+', '+'}, {'-', '.'}, {'0', '9'}, {'A', 'Z'}, {'_', '_'}, {'a', 'z'}});

// ! " # $ % & * + - . 0-9 : ? @ A-Z _ a-z ~
inline constexpr char_classes source_word_chars =
    word_chars_detail::marked({{0x21, 0x26},
                               {0x2A, 0x2B},
                               {0x2D, 0x2E},
                               {0x30, 0x3A},
                               {0x3F, 0x5A},
                               {0x5F, 0x5F},
                               {0x61, 0x7A},
                               {0x7E, 0x7E}});

}  // namespace tk::tksub

#endif  // TK_TKSUB_WORD_CHARS_H_
