// Fuzzes the text routines against the standard library and small reference
// versions: int_to_decimal against std::to_chars, both length routines
// against strlen with the text at the very end of its block at every
// alignment, and the routines that write into a caller's buffer (str_copy,
// str_concat_n, read_line) with destinations of exactly the size they are
// told.
#include <fuzzer/FuzzedDataProvider.h>

#include <charconv>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "fuzz/fuzz_util.h"
#include "fuzz/guarded_page.h"
#include "lib/extras.h"
#include "lib/kit.h"

namespace {

using tk::fuzz::require;

constexpr char sentinel = '\xA5';

// A heap block of exactly `size` bytes, every byte set to the sentinel.
std::unique_ptr<char[]> sentinel_block(std::size_t size) {
  std::unique_ptr<char[]> block(new char[size]);
  std::memset(block.get(), sentinel, size);
  return block;
}

bool untouched(const char* p, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i)
    if (p[i] != sentinel) return false;
  return true;
}

void check_decimal(std::int32_t value) {
  char want[16];
  const auto [end, ec] = std::to_chars(want, want + sizeof want, value);
  require(ec == std::errc(), "to_chars failed");
  const std::size_t len = static_cast<std::size_t>(end - want);
  for (std::size_t size = 0; size <= tk::decimal_size; ++size) {
    const auto block = sentinel_block(size);
    const bool ok = tk::int_to_decimal(value, {block.get(), size});
    if (size < len + 1) {
      require(!ok, "int_to_decimal accepted a destination too small");
      require(untouched(block.get(), size),
              "int_to_decimal wrote into a destination too small");
    } else {
      require(ok, "int_to_decimal refused a destination large enough");
      require(std::memcmp(block.get(), want, len) == 0 && block[len] == 0,
              "int_to_decimal differs from to_chars");
      require(untouched(block.get() + len + 1, size - len - 1),
              "int_to_decimal wrote behind its terminator");
    }
  }
}

void check_lengths(std::string_view text) {
  const std::size_t want = std::strlen(std::string(text).c_str());
  // At the end of a heap block: the start moves through the four places of
  // a group, and so does the end of the block.
  for (std::size_t shift = 0; shift < 4; ++shift) {
    const std::size_t size = shift + text.size() + 1;
    const auto block = sentinel_block(size);
    char* t = block.get() + shift;
    std::memcpy(t, text.data(), text.size());
    t[text.size()] = 0;
    require(tk::str_length_fast(t) == want,
            "str_length_fast differs from strlen");
    require(tk::str_length(t) == want, "str_length differs from strlen");
  }
  // Against an unreadable page, with the terminator in each of the last four
  // bytes of the readable one.
  static const tk::fuzz::guarded_page guard;
  if (text.size() + 4 >= guard.size()) return;
  for (std::size_t gap = 0; gap < 4; ++gap) {
    char* t = guard.base() + guard.size() - gap - text.size() - 1;
    std::memcpy(t, text.data(), text.size());
    t[text.size()] = 0;
    require(tk::str_length_fast(t) == want,
            "str_length_fast differs from strlen before an unreadable page");
  }
}

void check_copy(const std::string& text, std::size_t size) {
  const std::size_t len = std::strlen(text.c_str());
  const auto block = sentinel_block(size);
  const bool ok = tk::str_copy(text.c_str(), {block.get(), size});
  if (len + 1 > size) {
    require(!ok, "str_copy accepted a destination too small");
    require(size == 0 || block[0] == 0,
            "str_copy left a refused copy non-empty");
  } else {
    require(ok, "str_copy refused a destination large enough");
    require(std::memcmp(block.get(), text.c_str(), len + 1) == 0,
            "str_copy differs from the source");
  }
}

void check_concat(const std::string& head, const std::string& a,
                  const std::string& b, std::size_t size) {
  const std::string h = head.c_str(), x = a.c_str(), y = b.c_str();
  if (h.size() + 1 > size) return;  // the destination must hold its own text
  const auto block = sentinel_block(size);
  std::memcpy(block.get(), h.c_str(), h.size() + 1);
  char* got = tk::str_concat_n({block.get(), size}, {x.c_str(), y.c_str()});
  const std::string want = h + x + y;
  if (want.size() + 1 > size) {
    require(got == nullptr, "str_concat_n accepted a destination too small");
    require(std::strcmp(block.get(), h.c_str()) == 0,
            "str_concat_n lost the text of a refused destination");
  } else {
    require(got == block.get(),
            "str_concat_n refused a destination large enough");
    require(std::memcmp(block.get(), want.c_str(), want.size() + 1) == 0,
            "str_concat_n differs from the joined texts");
  }
}

// The line at `position`: bytes above 13 up to the first byte from 0 to 13,
// the rest of the line skipped, and CR LF, LF or CR stepped over whole.
tk::line_read reference_line(std::string_view text, std::size_t size,
                             std::uint32_t position, std::string& line) {
  std::size_t i = position;
  line.clear();
  tk::line_read r;
  for (; i < text.size() && static_cast<unsigned char>(text[i]) > 13; ++i) {
    if (line.size() + 1 < size)
      line.push_back(text[i]);
    else
      r.fits = false;
  }
  while (i < text.size() && text[i] != '\r' && text[i] != '\n') ++i;
  if (i == text.size()) return r;
  if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
  r.next = static_cast<std::uint32_t>(i + 1);
  return r;
}

void check_read_line(const std::string& text, std::uint32_t position,
                     std::size_t size) {
  // The block exactly as long as the text and its terminator.
  const std::string_view t(text.c_str());
  if (position > t.size()) position = static_cast<std::uint32_t>(t.size());
  const auto src = sentinel_block(t.size() + 1);
  std::memcpy(src.get(), t.data(), t.size() + 1);
  const auto dest = sentinel_block(size);
  const tk::line_read got =
      tk::read_line(src.get(), {dest.get(), size}, position);
  std::string line;
  const tk::line_read want = reference_line(t, size, position, line);
  require(got.next == want.next, "read_line gives the wrong next position");
  require(got.fits == want.fits, "read_line misreports whether the line fit");
  if (size > 0)
    require(std::memcmp(dest.get(), line.c_str(), line.size() + 1) == 0,
            "read_line gives the wrong line");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  FuzzedDataProvider in(data, size);
  check_decimal(in.ConsumeIntegral<std::int32_t>());
  const std::size_t dest_size = in.ConsumeIntegralInRange<std::size_t>(0, 80);
  const auto position = in.ConsumeIntegralInRange<std::uint32_t>(0, 4096);
  const std::string a = in.ConsumeRandomLengthString(64);
  const std::string b = in.ConsumeRandomLengthString(64);
  const std::string rest = in.ConsumeRemainingBytesAsString();

  check_lengths(rest);
  check_copy(rest, dest_size);
  check_concat(a, b, rest, dest_size);
  check_read_line(rest, position, dest_size);
  return 0;
}
