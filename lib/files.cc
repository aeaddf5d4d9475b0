// The portable part of the file routines.
#include "files.h"

#include <algorithm>
#include <cstring>

namespace tk {

int read_to_end(
    const std::function<std::int64_t(char*, std::size_t)>& read_some,
    text_block& out, read_status* why) {
  auto fail = [why](read_status s) {
    if (why) *why = s;
    return 0;
  };
  // The largest content a text_block holds: its size plus three fits 32 bits.
  constexpr std::uint64_t largest = 0xFFFFFFFFull - 3;
  zero_block block = zero_block::allocate(std::size_t{1} << 16);
  if (!block) return fail(read_status::no_memory);
  std::size_t done = 0;
  for (;;) {
    if (done == block.size()) {
      if (done > largest) return fail(read_status::too_large);
      const std::uint64_t want =
          std::min(2 * std::uint64_t{block.size()}, largest + 1);
      zero_block larger = zero_block::allocate(static_cast<std::size_t>(want));
      if (!larger) return fail(read_status::no_memory);
      std::memcpy(larger.data(), block.data(), done);
      block = std::move(larger);
    }
    const std::int64_t n = read_some(block.data() + done, block.size() - done);
    if (n < 0) return fail(read_status::read_failed);
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  zero_block exact = zero_block::allocate(done + 3);
  if (!exact) return fail(read_status::no_memory);
  std::memcpy(exact.data(), block.data(), done);
  out.block = std::move(exact);
  out.size = static_cast<std::uint32_t>(done);
  if (why) *why = read_status::ok;
  return 1;
}

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
