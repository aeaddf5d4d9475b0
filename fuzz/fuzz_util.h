// Small helpers shared by the fuzz targets.
#ifndef TK_FUZZ_FUZZ_UTIL_H_
#define TK_FUZZ_FUZZ_UTIL_H_

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <string_view>
#include <utility>

namespace tk::fuzz {

// Stops the run so that libFuzzer keeps the input as a crash.
[[noreturn]] inline void fail(std::string_view what) {
  std::fprintf(stderr, "property violated: %.*s\n",
               static_cast<int>(what.size()), what.data());
  std::abort();
}

inline void require(bool ok, std::string_view what) {
  if (!ok) fail(what);
}

// A 256-entry class table with 1 for each byte in the given inclusive
// ranges, written out here from the documented character sets rather than
// taken from the code under test.
inline std::array<std::uint8_t, 256> classes_of(
    std::initializer_list<std::pair<int, int>> ranges) {
  std::array<std::uint8_t, 256> t{};
  for (const auto& [lo, hi] : ranges)
    for (int c = lo; c <= hi; ++c) t[static_cast<std::size_t>(c)] = 1;
  return t;
}

// + - . 0-9 A-Z _ a-z
inline const std::array<std::uint8_t, 256> pair_chars =
    classes_of({{0x2B, 0x2B},
                {0x2D, 0x2E},
                {0x30, 0x39},
                {0x41, 0x5A},
                {0x5F, 0x5F},
                {0x61, 0x7A}});

// ! " # $ % & * + - . 0-9 : ? @ A-Z _ a-z ~
inline const std::array<std::uint8_t, 256> source_chars =
    classes_of({{0x21, 0x26},
                {0x2A, 0x2B},
                {0x2D, 0x2E},
                {0x30, 0x3A},
                {0x3F, 0x5A},
                {0x5F, 0x5F},
                {0x61, 0x7A},
                {0x7E, 0x7E}});

inline bool is_class(const std::array<std::uint8_t, 256>& t, char c) {
  return t[static_cast<unsigned char>(c)] != 0;
}

}  // namespace tk::fuzz

#endif  // TK_FUZZ_FUZZ_UTIL_H_
