// Text routines on zero-terminated 8-bit texts.
#include "lib/text.h"

#include <bit>
#include <cstring>

#include "lib/extras.h"

namespace tk {

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }

// Flags the zero bytes of a little-endian group: the lowest flag marks the
// first zero byte; flags above it may be spurious.
constexpr std::uint32_t zero_flags(std::uint32_t w) {
  return (w - 0x01010101u) & ~w & 0x80808080u;
}

// Place (0 to 3) of the first zero byte in a group with non-zero flags.
constexpr std::uint32_t first_zero_place(std::uint32_t flags) {
  if (flags & 0x8080u) return (flags & 0x80u) ? 0 : 1;
  return (flags & 0x800000u) ? 2 : 3;
}

static_assert(std::endian::native == std::endian::little,
              "the group test assumes little-endian groups");

}  // namespace

// The aligned groups may reach up to three bytes past the terminator, always
// inside the same four-byte word, so inside the same page. The address
// checker cannot see that argument, hence the attribute.
#if defined(__clang__) || defined(__GNUC__)
#define TK_NO_ADDRESS_CHECK __attribute__((no_sanitize("address")))
#else
#define TK_NO_ADDRESS_CHECK
#endif
TK_NO_ADDRESS_CHECK std::uint32_t str_length_fast(const char* text) {
  const char* p = text;
  // Bytes one at a time up to the first four-byte boundary.
  while ((reinterpret_cast<std::uintptr_t>(p) & 3u) != 0) {
    if (*p == 0) return static_cast<std::uint32_t>(p - text);
    ++p;
  }
  for (;;) {
    std::uint32_t w;
    std::memcpy(&w, p, sizeof w);
    const std::uint32_t flags = zero_flags(w);
    if (flags != 0)
      return static_cast<std::uint32_t>(p - text) + first_zero_place(flags);
    p += 4;
  }
}

std::uint32_t str_length(const char* text) {
  std::uint32_t k = 0;
  for (;; k += 4) {
    if (text[k] == 0) return k;
    if (text[k + 1] == 0) return k + 1;
    if (text[k + 2] == 0) return k + 2;
    if (text[k + 3] == 0) return k + 3;
  }
}

bool str_copy(const char* source, std::span<char> dest) {
  const std::size_t n = std::strlen(source);
  if (n >= dest.size()) {
    if (!dest.empty()) dest[0] = 0;
    return false;
  }
  std::memcpy(dest.data(), source, n + 1);
  return true;
}

std::uint32_t str_compare(const char* first, const char* second) {
  std::uint32_t i = 0;
  for (;; ++i) {
    if (first[i] != second[i]) return 0;
    if (first[i] == 0) return i;
  }
}

char* str_concat_n(std::span<char> dest,
                   std::initializer_list<const char*> texts) {
  const void* zero = std::memchr(dest.data(), 0, dest.size());
  if (zero == nullptr) return nullptr;  // no terminator inside dest
  const std::size_t start =
      static_cast<std::size_t>(static_cast<const char*>(zero) - dest.data());
  std::size_t end = start;
  for (const char* t : texts) {
    const std::size_t n = std::strlen(t);
    if (n >= dest.size() - end) {
      dest[start] = 0;
      return nullptr;
    }
    std::memcpy(dest.data() + end, t, n + 1);
    end += n;
  }
  return dest.data();
}

bool int_to_decimal(std::int32_t value, std::span<char> dest) {
  // Unsigned magnitude, so that the most negative value needs no negation.
  const std::uint32_t magnitude = value < 0
                                      ? 0u - static_cast<std::uint32_t>(value)
                                      : static_cast<std::uint32_t>(value);
  decimal_room room;
  const std::string_view digits = decimal_of(magnitude, room);
  const std::size_t sign = value < 0 ? 1 : 0;
  if (dest.size() < sign + digits.size() + 1) return false;
  std::size_t out = 0;
  if (sign) dest[out++] = '-';
  for (const char c : digits) dest[out++] = c;
  dest[out] = 0;
  return true;
}

int skip_blanks(const char* text) {
  while (is_blank(*text)) ++text;
  const auto c = static_cast<unsigned char>(*text);
  return (c < 32 || c >= 128) ? 0 : c;
}

void strip_extension(char* name) {
  for (; *name != 0; ++name) {
    if (*name == '.') {
      *name = 0;
      return;
    }
  }
}

std::uint32_t count_lines(const char* text) {
  std::uint32_t n = 0;
  for (; *text != 0; ++text)
    if (*text == '\n') ++n;
  return n;
}

line_read read_line(const char* block, std::span<char> dest,
                    std::uint32_t position) {
  line_read result;
  std::size_t i = position;
  std::size_t out = 0;
  auto stops = [](char c) { return static_cast<unsigned char>(c) <= 13; };
  for (; !stops(block[i]); ++i) {
    if (out + 1 < dest.size())
      dest[out++] = block[i];
    else
      result.fits = false;
  }
  if (!dest.empty()) dest[out] = 0;
  // A control byte other than a line end ends the name, not the line.
  while (block[i] != 0 && block[i] != '\r' && block[i] != '\n') ++i;
  if (block[i] == 0) {
    result.next = 0;
    return result;
  }
  if (block[i] == '\r' && block[i + 1] == '\n') ++i;
  result.next = static_cast<std::uint32_t>(i + 1);
  return result;
}

std::string_view decimal_of(std::uint32_t value, decimal_room& room) {
  std::size_t at = room.size();
  do {
    room[--at] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  return {room.data() + at, room.size() - at};
}

}  // namespace tk
