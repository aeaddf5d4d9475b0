// POSIX implementation of the zero-filled memory blocks.
#include <cstdlib>

#include "lib/memory.h"

namespace tk {

void zero_block::release() noexcept {
  std::free(ptr_);
  ptr_ = nullptr;
  size_ = 0;
}

zero_block zero_block::allocate(std::size_t bytes) {
  zero_block b;
  if (refused()) return b;
  // calloc hands large blocks out as fresh zero pages without touching them.
  b.ptr_ = static_cast<char*>(std::calloc(bytes == 0 ? 1 : bytes, 1));
  if (b.ptr_) b.size_ = bytes;
  return b;
}

}  // namespace tk
