// Compiled apart from jump_lookup (and built into a counting test as the
// very same object), so the calls cannot be inlined, merged or dropped.
#include "jumptest/jump_lookup.h"

namespace tk::jumptest {

void jump_lookup_loop() {
  for (std::uint32_t n = benchmark_rounds; n != 0; --n) {
    jump_lookup(14);
    jump_lookup(2);
    jump_lookup(7);
    jump_lookup(13);
    jump_lookup(10);
    jump_lookup(4);
    jump_lookup(9);
    jump_lookup(6);
    jump_lookup(15);
    jump_lookup(8);
  }
}

}  // namespace tk::jumptest
