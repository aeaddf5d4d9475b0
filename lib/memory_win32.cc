// Win32 implementation of the zero-filled memory blocks.
#include <windows.h>

#include "lib/memory.h"

namespace tk {

void zero_block::release() noexcept {
  if (ptr_) GlobalFree(static_cast<HGLOBAL>(ptr_));
  ptr_ = nullptr;
  size_ = 0;
}

zero_block zero_block::allocate(std::size_t bytes) {
  zero_block b;
  if (refused()) return b;
  b.ptr_ = static_cast<char*>(GlobalAlloc(GPTR, bytes == 0 ? 1 : bytes));
  if (b.ptr_) b.size_ = bytes;
  return b;
}

}  // namespace tk
