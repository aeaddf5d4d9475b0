// Fuzzes arg_cut, the command-line cutter behind arg_fetch on Windows and
// behind run_and_wait on POSIX, against a reference cutter that first splits
// the whole line into its items and only then picks one. Every destination is a
// heap block of exactly the size that arg_cut is told, so the address checker
// sees any write past it.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "lib/extras.h"
#include "lib/kit.h"

namespace {

constexpr char sentinel = '\xA5';

bool is_blank(char c) { return c == ' ' || c == '\t'; }

struct expected_cut {
  int code = 0;
  std::string text;
};

// The line as a list of items: blanks outside quotation marks separate,
// runs of them count once, blanks at the end open one more empty item,
// quotation marks vanish and a tab inside quotes reads as a space.
std::vector<std::string> split_items(std::string_view line) {
  std::vector<std::string> items(1);
  std::size_t i = 0;
  while (i < line.size() && is_blank(line[i])) ++i;
  bool quoted = false;
  for (; i < line.size(); ++i) {
    const char c = line[i];
    if (c == '"') {
      quoted = !quoted;
    } else if (is_blank(c) && !quoted) {
      while (i + 1 < line.size() && is_blank(line[i + 1])) ++i;
      items.emplace_back();
    } else {
      items.back().push_back(c == '\t' ? ' ' : c);
    }
  }
  return items;
}

expected_cut reference_cut(std::string_view line, std::uint32_t index,
                           std::size_t dest_size) {
  if (std::count(line.begin(), line.end(), '"') % 2 != 0)
    return {tk::arg_odd_quotes, {}};
  const std::vector<std::string> items = split_items(line);
  if (index >= items.size()) return {tk::arg_missing, {}};
  const std::string& item = items[index];
  if (item.size() + 1 > dest_size) return {tk::arg_too_long, {}};
  return {item.empty() ? tk::arg_empty : tk::arg_found, item};
}

[[noreturn]] void fail(const char* what, std::string_view line,
                       std::uint32_t index, std::size_t dest_size, int got,
                       int want) {
  std::fprintf(stderr,
               "arg_cut: %s (index %u, destination %zu bytes, line %zu "
               "bytes): result %d, reference %d\n",
               what, index, dest_size, line.size(), got, want);
  std::abort();
}

// One call with a destination of exactly `dest_size` bytes, checked against
// the reference.
void check_cut(std::string_view line, std::uint32_t index,
               std::size_t dest_size) {
  const std::unique_ptr<char[]> block(new char[dest_size]);
  std::memset(block.get(), sentinel, dest_size);
  const std::span<char> dest(block.get(), dest_size);
  const int got = tk::arg_cut(line, index, dest);
  const expected_cut want = reference_cut(line, index, dest_size);
  if (got != want.code)
    fail("wrong result", line, index, dest_size, got, want.code);
  switch (got) {
    case tk::arg_odd_quotes:
      // Nothing was cut, so the destination keeps every byte it held.
      for (char c : dest)
        if (c != sentinel)
          fail("destination touched", line, index, dest_size, got, want.code);
      break;
    case tk::arg_missing:
    case tk::arg_too_long:
    case tk::arg_empty:
      if (!dest.empty() && dest[0] != 0)
        fail("destination not emptied", line, index, dest_size, got, want.code);
      break;
    case tk::arg_found:
      if (std::memcmp(dest.data(), want.text.data(), want.text.size()) != 0 ||
          dest[want.text.size()] != 0)
        fail("wrong argument text", line, index, dest_size, got, want.code);
      break;
    default:
      fail("result out of range", line, index, dest_size, got, want.code);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  FuzzedDataProvider in(data, size);
  // Mostly small indexes, which name items that exist; sometimes any value.
  const std::uint32_t index =
      in.ConsumeBool() ? in.ConsumeIntegral<std::uint32_t>()
                       : in.ConsumeIntegralInRange<std::uint32_t>(0, 7);
  const std::size_t dest_size = in.ConsumeIntegralInRange<std::size_t>(0, 300);
  const std::string line = in.ConsumeRemainingBytesAsString();

  check_cut(line, index, dest_size);
  // The sizes where the argument just fits and just does not.
  const expected_cut roomy = reference_cut(line, index, line.size() + 1);
  if (roomy.code == tk::arg_found || roomy.code == tk::arg_empty) {
    check_cut(line, index, roomy.text.size() + 1);
    check_cut(line, index, roomy.text.size());
  }
  return 0;
}
