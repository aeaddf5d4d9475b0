// The portable part of the file routines.
#include "files.h"

#include <algorithm>

namespace tk {

write_result file_replace_all(const char* name, std::string_view data) {
  staged_file staged = file_stage(name, data);
  if (!staged.ok()) return staged.result();
  return staged.commit();
}

std::string temp_leaf(std::size_t leaf_length, std::uint32_t seed) {
  constexpr std::size_t longest = 8;
  constexpr std::string_view prefix = "~tk";
  constexpr std::string_view hex = "0123456789abcdef";
  const std::size_t length = std::min(leaf_length, longest);
  // A name too short for the prefix is all digits.
  std::string leaf(length >= prefix.size() + 1 ? prefix : std::string_view());
  while (leaf.size() < length) {
    leaf += hex[seed & 0xFu];
    seed >>= 4;
  }
  return leaf;
}

}  // namespace tk
