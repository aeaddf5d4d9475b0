// The jump table: an index from 0 to 15 reaches code entry point k, which
// yields k. Kept out of line in its own translation units, so that every
// lookup the benchmark makes is a real call with a real indexed transfer.
#ifndef TK_JUMPTEST_JUMP_LOOKUP_H_
#define TK_JUMPTEST_JUMP_LOOKUP_H_

#include <array>
#include <cstdint>

namespace tk::jumptest {

// One of the table's code entry points.
using jump_entry = std::int32_t (*)();
inline constexpr std::uint32_t jump_table_size = 16;
extern const std::array<jump_entry, jump_table_size> jump_table;

// The index itself for 0 to 15, else -1 (negative indices included). One
// unsigned comparison, then one indexed indirect transfer through
// jump_table; no chain of comparisons.
[[gnu::noinline]] std::int32_t jump_lookup(std::int32_t index);

// The benchmark's loop: a counter runs down from benchmark_rounds to zero,
// and each round calls jump_lookup with the ten benchmark_indices in order,
// discarding the results (10,000,000 lookups). Takes no clock readings.
inline constexpr std::uint32_t benchmark_rounds = 1000000;
inline constexpr std::array<std::int32_t, 10> benchmark_indices = {
    14, 2, 7, 13, 10, 4, 9, 6, 15, 8};
[[gnu::noinline]] void jump_lookup_loop();

}  // namespace tk::jumptest

#endif  // TK_JUMPTEST_JUMP_LOOKUP_H_
