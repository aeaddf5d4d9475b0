// Links the benchmark loop's object with this counting jump_lookup in place
// of the real one, to show that every one of its calls is really made.
#include <array>
#include <cstdint>
#include <vector>

#include "gtest/gtest.h"
#include "jump_lookup.h"

namespace {

std::uint64_t calls = 0;
std::array<std::uint64_t, 16> per_index{};
std::uint64_t outside = 0;
std::vector<std::int32_t> first_calls;

}  // namespace

namespace tk::jumptest {

std::int32_t jump_lookup(std::int32_t index) {
  ++calls;
  if (first_calls.size() < 25) first_calls.push_back(index);
  if (static_cast<std::uint32_t>(index) > 15) {
    ++outside;
    return -1;
  }
  ++per_index[static_cast<std::uint32_t>(index)];
  return index;
}

}  // namespace tk::jumptest

namespace {

TEST(JumpLookupLoop, MakesEveryCallInOrder) {
  tk::jumptest::jump_lookup_loop();
  EXPECT_EQ(calls, 10000000u);
  EXPECT_EQ(outside, 0u);
  const std::array<std::uint64_t, 16> expected = {
      0,       0,       1000000, 0, 1000000, 0,       1000000, 1000000,
      1000000, 1000000, 1000000, 0, 0,       1000000, 1000000, 1000000};
  EXPECT_EQ(per_index, expected);
  const std::vector<std::int32_t> order = {14, 2,  7,  13, 10, 4,  9, 6, 15,
                                           8,  14, 2,  7,  13, 10, 4, 9, 6,
                                           15, 8,  14, 2,  7,  13, 10};
  EXPECT_EQ(first_calls, order);

  // A second run makes as many calls again: nothing was cached.
  tk::jumptest::jump_lookup_loop();
  EXPECT_EQ(calls, 20000000u);
}

}  // namespace
