// Times the jumptest benchmark loop (10,000,000 calls of jump_lookup).
// Prints the milliseconds of each of `runs` runs (default 5) and the best.
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "jumptest/jump_lookup.h"

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::atoi(argv[1]) : 5;
  double best = 0;
  for (int r = 0; r < runs; ++r) {
    const auto start = std::chrono::steady_clock::now();
    tk::jumptest::jump_lookup_loop();
    const std::chrono::duration<double, std::milli> ms =
        std::chrono::steady_clock::now() - start;
    std::printf("run %d: %.1f ms\n", r + 1, ms.count());
    if (r == 0 || ms.count() < best) best = ms.count();
  }
  std::printf("best: %.1f ms for %u lookups (%.3f ns per lookup)\n", best,
              tk::jumptest::benchmark_rounds * 10u,
              best * 1e6 / (tk::jumptest::benchmark_rounds * 10.0));
  return 0;
}
