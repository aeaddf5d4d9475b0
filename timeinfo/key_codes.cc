#include "timeinfo/key_codes.h"

namespace tk::timeinfo {

namespace {

constexpr unsigned char escape = 0x1B;

bool is_continuation(unsigned char b) { return b >= 0x80 && b <= 0xBF; }

// Control sequences end with a byte from 0x40 to 0x7E; before it come
// parameter and intermediate bytes from 0x20 to 0x3F. Anything else breaks
// the sequence off.
bool ends_control_sequence(unsigned char b) { return b < 0x20 || b > 0x3F; }

}  // namespace

bool key_is_complete(std::span<const unsigned char> bytes) {
  if (bytes.empty()) return false;
  if (bytes.size() >= max_key_bytes) return true;
  const unsigned char first = bytes[0];
  if (first == escape) {
    if (bytes.size() == 1) return false;
    switch (bytes[1]) {
      case escape:  // Alt with a key that sends a sequence itself
        return key_is_complete(bytes.subspan(1));
      case '[':
        if (bytes.size() == 2) return false;
        if (bytes[2] == '[') return bytes.size() >= 4;  // Linux console F1-F5
        return ends_control_sequence(bytes.back());
      case 'O':
        return bytes.size() >= 3;
      default:
        return true;  // Alt with a character
    }
  }
  if (first >= 0xC2 && first <= 0xF4) {
    const std::size_t length = first < 0xE0 ? 2 : first < 0xF0 ? 3 : 4;
    for (std::size_t i = 1; i < bytes.size(); ++i)
      if (!is_continuation(bytes[i])) return true;
    return bytes.size() >= length;
  }
  return true;
}

key_codes codes_of_key(std::span<const unsigned char> bytes) {
  if (bytes.empty()) return {};
  const unsigned char first = bytes[0];
  if (first == 0) return {0, 3};
  if (first == escape) {
    if (bytes.size() == 1) return {escape, -1};
    if (bytes.size() >= 3) return {0xE0, bytes.back()};
    return {0, bytes[1]};
  }
  if (first == 0xE0) return {0xE0, bytes.size() > 1 ? bytes[1] : 0};
  return {first, -1};
}

}  // namespace tk::timeinfo
