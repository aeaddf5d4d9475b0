// Win32 implementation of the zero-filled memory blocks.
#include <windows.h>

#include "memory.h"

namespace tk {

void zero_block::release::operator()(char* p) const {
  GlobalFree(static_cast<HGLOBAL>(p));
}

zero_block zero_block::allocate(std::size_t bytes) {
  zero_block b;
  b.ptr_.reset(static_cast<char*>(GlobalAlloc(GPTR, bytes == 0 ? 1 : bytes)));
  if (b.ptr_) b.size_ = bytes;
  return b;
}

}  // namespace tk
