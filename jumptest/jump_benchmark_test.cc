// Links the benchmark loop's object with this counting jump_lookup in place
// of the real one, to show that the "10 million data reads" of the
// benchmark's box are really made.
#include <cstdint>
#include <vector>

#include "gtest/gtest.h"
#include "jumptest/jump_lookup.h"

namespace {

std::uint64_t calls = 0;
std::uint64_t outside = 0;
// The indices of the first round; a mistyped index reads another entry in
// every round, and stays inside the table.
std::vector<std::int32_t> first_round;

}  // namespace

namespace tk::jumptest {

std::int32_t jump_lookup(std::int32_t index) {
  ++calls;
  if (first_round.size() < 10) first_round.push_back(index);
  if (static_cast<std::uint32_t>(index) > 15) {
    ++outside;
    return -1;
  }
  return index;
}

}  // namespace tk::jumptest

namespace {

TEST(JumpLookupLoop, TenMillionReadsInsideTheTableInOrder) {
  tk::jumptest::jump_lookup_loop();
  EXPECT_EQ(calls, 10000000u);
  EXPECT_EQ(outside, 0u);
  EXPECT_EQ(first_round,
            (std::vector<std::int32_t>{14, 2, 7, 13, 10, 4, 9, 6, 15, 8}));

  // A second run makes as many calls again: nothing was cached.
  tk::jumptest::jump_lookup_loop();
  EXPECT_EQ(calls, 20000000u);
}

}  // namespace
