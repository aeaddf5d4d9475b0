// How one key press arrives from a terminal as bytes, and the key codes
// those bytes stand for in the run-time's _getch convention.
#ifndef TK_TIMEINFO_KEY_CODES_H_
#define TK_TIMEINFO_KEY_CODES_H_

#include <cstddef>
#include <span>

namespace tk::timeinfo {

// The longest key a terminal sends that is taken whole; longer runs end the
// key there.
inline constexpr std::size_t max_key_bytes = 16;

// Whether `bytes` (at least one) make a whole key, or a terminal that sent
// them would send more for the same key: the rest of an escape sequence
// (ESC [ ... final, ESC O x, ESC [ [ x) or of a UTF-8 character. A lone
// ESC is incomplete; the reader decides by a short wait whether more
// follows.
bool key_is_complete(std::span<const unsigned char> bytes);

// The codes of one key: `first`, and `second` (else -1) when `first` is 0
// or 0xE0. A lone NUL gives 0 then 3, an escape sequence 0xE0 then its last
// byte, ESC followed by one character 0 then that character, a lone ESC 27,
// anything else its first byte (0xE0 then the next byte, or 0, when that
// byte is 0xE0).
struct key_codes {
  int first = -1;
  int second = -1;
};
key_codes codes_of_key(std::span<const unsigned char> bytes);

}  // namespace tk::timeinfo

#endif  // TK_TIMEINFO_KEY_CODES_H_
