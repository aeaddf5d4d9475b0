#include "tksub/substitution_pass.h"

#include <cstring>

namespace tk::tksub {

bool output_text::reserve(std::size_t capacity) {
  zero_block block = source_(capacity);
  if (!block) return false;
  block_ = std::move(block);
  length_ = 0;
  return true;
}

pass_status output_text::grow(std::size_t needed) {
  if (needed > max_output_size) return pass_status::too_large;
  std::size_t capacity =
      block_.size() < max_output_size / 2 ? 2 * block_.size() : max_output_size;
  if (capacity < needed) capacity = needed;
  // Doubling keeps the copies few; where address space is short (a large
  // source on 32-bit) the gap to what is needed is halved until a block
  // comes, the last try being exactly what is needed.
  zero_block larger = source_(capacity);
  while (!larger && capacity != needed) {
    capacity = needed + (capacity - needed) / 2;
    larger = source_(capacity);
  }
  if (!larger) return pass_status::no_memory;
  if (length_ != 0) std::memcpy(larger.data(), block_.data(), length_);
  block_ = std::move(larger);
  return pass_status::ok;
}

pass_status output_text::append(std::string_view bytes) {
  if (bytes.size() > block_.size() - length_) {
    const pass_status grown = grow(length_ + bytes.size());
    if (grown != pass_status::ok) return grown;
  }
  if (!bytes.empty())
    std::memcpy(block_.data() + length_, bytes.data(), bytes.size());
  length_ += bytes.size();
  return pass_status::ok;
}

pass_status substitute_words(std::string_view source, output_text& out,
                             const char_classes& classes,
                             const word_table& table) {
  const char* p = source.data();
  const char* const end = p + source.size();
  // Everything from here up to the current word is copied in one piece at
  // the next swap, or at the end: most words are no key, so the output
  // grows in long runs of unchanged text.
  const char* unchanged = p;
  auto cls = [&classes](const char* at) {
    return classes[static_cast<unsigned char>(*at)];
  };
  while (p != end) {
    while (p != end && cls(p) != 1) ++p;
    if (p == end) break;
    const char* word = p;
    ++p;
    while (p != end && cls(p) != 0) ++p;
    const std::string_view text(word, static_cast<std::size_t>(p - word));
    const slot_result found = word_find_slot(text, table);
    if (found.found == 0) continue;
    pass_status s =
        out.append({unchanged, static_cast<std::size_t>(word - unchanged)});
    if (s == pass_status::ok) s = out.append(found.slot->partner);
    if (s != pass_status::ok) return s;
    unchanged = p;
  }
  return out.append({unchanged, static_cast<std::size_t>(end - unchanged)});
}

}  // namespace tk::tksub
