// Links the benchmark loop's object with this counting jump_lookup in place
// of the real one, to show that the "10 million data reads" of the
// benchmark's box are really made.
#include <cstdint>

#include "gtest/gtest.h"
#include "jump_lookup.h"

namespace {

std::uint64_t calls = 0;
std::uint64_t outside = 0;

}  // namespace

namespace tk::jumptest {

std::int32_t jump_lookup(std::int32_t index) {
  ++calls;
  if (static_cast<std::uint32_t>(index) > 15) {
    ++outside;
    return -1;
  }
  return index;
}

}  // namespace tk::jumptest

namespace {

TEST(JumpLookupLoop, TenMillionReadsInsideTheTable) {
  tk::jumptest::jump_lookup_loop();
  EXPECT_EQ(calls, 10000000u);
  EXPECT_EQ(outside, 0u);

  // A second run makes as many calls again: nothing was cached.
  tk::jumptest::jump_lookup_loop();
  EXPECT_EQ(calls, 20000000u);
}

}  // namespace
