#include "timeinfo/key_codes.h"

#include <gtest/gtest.h>

#include <string_view>

namespace tk::timeinfo {
namespace {

std::span<const unsigned char> bytes_of(std::string_view s) {
  return {reinterpret_cast<const unsigned char*>(s.data()), s.size()};
}

TEST(KeyCodes, WhenAKeyIsComplete) {
  struct sample {
    std::string_view bytes;
    bool complete;
  };
  const sample samples[] = {
      {"", false},
      {"x", true},
      {"\r", true},
      {std::string_view("\0", 1), true},
      {"\x1b", false},  // ESC alone, or the start of a sequence
      {"\x1b[", false},
      {"\x1b[A", true},  // cursor up
      {"\x1b[1", false},
      {"\x1b[1;5", false},
      {"\x1b[1;5C", true},  // Ctrl+cursor right
      {"\x1b[15~", true},   // F5
      {"\x1b[200", false},
      {"\x1bO", false},
      {"\x1bOP", true},   // F1
      {"\x1b[[", false},  // Linux console F1 to F5
      {"\x1b[[A", true},
      {"\x1b"
       "a",
       true},               // Alt+a
      {"\x1b\x1b", false},  // Alt with a sequence key
      {"\x1b\x1b[A", true},
      {"\x1b[\x01", true},  // a broken sequence ends at once
      {"\xc3", false},      // UTF-8 lead bytes
      {"\xc3\xa9", true},
      {"\xe2\x82", false},
      {"\xe2\x82\xac", true},
      {"\xe0", false},
      {"\xf0\x9f\x98", false},
      {"\xf0\x9f\x98\x80", true},
      {"\xc3x", true},  // not a continuation: no longer waited for
      {"\x80", true},
      {"\xc0", true},  // Latin-1 keys that are no UTF-8 lead bytes
      {"\xc1", true},
      {"\xf5", true},
      {"\xff", true},
      {"\x1b[0000000000000", false},
      {"\x1b[00000000000000", true},  // cut off at max_key_bytes
  };
  for (const sample& s : samples)
    EXPECT_EQ(key_is_complete(bytes_of(s.bytes)), s.complete)
        << testing::PrintToString(std::string(s.bytes));
}

// ESC [ followed by parameter bytes (0x30 to 0x3F, '?' among them, as in
// the private-mode sequences ESC [ ? ...) is still waiting for its final
// byte.
TEST(KeyCodes, ParameterBytesDoNotEndASequence) {
  for (unsigned char p = 0x30; p <= 0x3F; ++p) {
    const unsigned char seq[] = {0x1B, '[', p, p, 'u'};
    EXPECT_FALSE(key_is_complete(std::span(seq, 3))) << int{p};
    EXPECT_FALSE(key_is_complete(std::span(seq, 4))) << int{p};
    EXPECT_TRUE(key_is_complete(std::span(seq, 5))) << int{p};
  }
}

// Every three-byte UTF-8 character, whatever its lead byte, is one key only
// once its third byte is there.
TEST(KeyCodes, ThreeByteCharacterIsNotCutAfterTwoBytes) {
  for (unsigned lead = 0xE0; lead <= 0xEF; ++lead) {
    // The smallest second byte that E0 allows, the largest that ED allows.
    const unsigned char second = lead == 0xE0 ? 0xA0 : 0x9F;
    const unsigned char ch[] = {static_cast<unsigned char>(lead), second, 0x80};
    EXPECT_FALSE(key_is_complete(std::span(ch, 1))) << lead;
    EXPECT_FALSE(key_is_complete(std::span(ch, 2))) << lead;
    EXPECT_TRUE(key_is_complete(std::span(ch, 3))) << lead;
  }
}

TEST(KeyCodes, CodesOfAKey) {
  struct sample {
    std::string_view bytes;
    int first;
    int second;
  };
  const sample samples[] = {
      {"", -1, -1},
      {"x", 'x', -1},
      {"\r", 13, -1},
      {"\x03", 3, -1},
      {std::string_view("\0", 1), 0, 3},
      {"\x1b", 27, -1},
      {"\x1b[A", 0xE0, 'A'},
      {"\x1b[15~", 0xE0, '~'},
      {"\x1bOP", 0xE0, 'P'},
      {"\x1b\x1b[A", 0xE0, 'A'},
      {"\x1b"
       "a",
       0, 'a'},
      {"\x1b[", 0, '['},
      {"\xc3\xa9", 0xC3, -1},
      {"\xe0\xa4\x85", 0xE0, 0xA4},
      {"\xe0", 0xE0, 0},
      {"\xff", 0xFF, -1},
  };
  for (const sample& s : samples) {
    const key_codes codes = codes_of_key(bytes_of(s.bytes));
    const std::string shown = testing::PrintToString(std::string(s.bytes));
    EXPECT_EQ(codes.first, s.first) << shown;
    EXPECT_EQ(codes.second, s.second) << shown;
    // A second code comes exactly when the first announces it.
    EXPECT_EQ(codes.second >= 0, codes.first == 0 || codes.first == 0xE0)
        << shown;
  }
}

}  // namespace
}  // namespace tk::timeinfo
