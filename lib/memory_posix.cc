// POSIX implementation of the zero-filled memory blocks.
#include <cstdlib>

#include "memory.h"

namespace tk {

void zero_block::release::operator()(char* p) const { std::free(p); }

zero_block zero_block::allocate(std::size_t bytes) {
  zero_block b;
  // calloc hands large blocks out as fresh zero pages without touching them.
  b.ptr_.reset(static_cast<char*>(std::calloc(bytes == 0 ? 1 : bytes, 1)));
  if (b.ptr_) b.size_ = bytes;
  return b;
}

}  // namespace tk
