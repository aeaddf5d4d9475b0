#include "jumptest/jump_lookup.h"

#include <climits>

#include "gtest/gtest.h"

namespace {

TEST(JumpLookup, InsideTheTableGivesTheIndex) {
  for (std::int32_t k = 0; k < 16; ++k)
    EXPECT_EQ(tk::jumptest::jump_lookup(k), k);
}

TEST(JumpLookup, OutsideTheTableGivesMinusOne) {
  const std::int32_t outside[] = {16, 17, 25,  255,     256,         INT_MAX,
                                  -1, -2, -16, INT_MIN, INT_MIN + 15};
  for (std::int32_t i : outside)
    EXPECT_EQ(tk::jumptest::jump_lookup(i), -1) << i;
}

TEST(JumpLookup, EveryEntryIsItsOwnLabel) {
  for (std::uint32_t k = 0; k < tk::jumptest::jump_table_size; ++k) {
    ASSERT_NE(tk::jumptest::jump_table[k], nullptr);
    EXPECT_EQ(tk::jumptest::jump_table[k](), static_cast<std::int32_t>(k));
    for (std::uint32_t j = 0; j < k; ++j)
      EXPECT_NE(tk::jumptest::jump_table[j], tk::jumptest::jump_table[k])
          << j << " " << k;
  }
}

}  // namespace
