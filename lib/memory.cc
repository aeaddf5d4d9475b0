// The portable part of the memory blocks: texts that grow.
#include "lib/memory.h"

#include <cstring>
#include <utility>

#include "lib/text.h"

namespace tk {

namespace {

long blocks_to_grant = -1;

}  // namespace

void zero_block_refuse_after(long granted) { blocks_to_grant = granted; }

bool zero_block::refused() {
  if (blocks_to_grant < 0) return false;
  if (blocks_to_grant == 0) return true;
  --blocks_to_grant;
  return false;
}

bool text_buffer::grow_to(std::size_t capacity) {
  if (capacity < block_.size()) return true;
  if (capacity >= static_cast<std::size_t>(-1) / 2) return false;
  zero_block larger = zero_block::allocate(capacity + 1);
  if (!larger) return false;
  if (size_ != 0) std::memcpy(larger.data(), block_.data(), size_);
  block_ = std::move(larger);
  return true;
}

bool text_buffer::reserve(std::size_t capacity) {
  if (!failed_ && !grow_to(capacity)) failed_ = true;
  return !failed_;
}

text_buffer& text_buffer::append(std::string_view piece) {
  if (failed_ || piece.empty()) return *this;
  const std::size_t needed = size_ + piece.size();
  // Doubling keeps a text of many small pieces to few copies; when twice
  // the room cannot be had, exactly the room needed may still be.
  if (needed < size_ ||
      (needed >= block_.size() &&
       !grow_to(needed > 2 * block_.size() ? needed : 2 * block_.size()) &&
       !grow_to(needed))) {
    failed_ = true;
    return *this;
  }
  std::memcpy(block_.data() + size_, piece.data(), piece.size());
  size_ = needed;
  block_.data()[size_] = 0;
  return *this;
}

text_buffer& text_buffer::append_number(std::uint32_t value) {
  decimal_room room;
  return append(decimal_of(value, room));
}

void text_buffer::clear() {
  size_ = 0;
  if (block_) block_.data()[0] = 0;
}

}  // namespace tk
