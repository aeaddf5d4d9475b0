#include "jumptest/jump_lookup.h"

namespace tk::jumptest {

std::int32_t jump_lookup(std::int32_t index) {
  // Negative indices become huge unsigned ones and fail the same test.
  const auto i = static_cast<std::uint32_t>(index);
  if (i > jump_table_size - 1) return -1;
  return jump_table[i]();
}

}  // namespace tk::jumptest
