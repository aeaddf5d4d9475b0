#include "jumptest/dialog_template.h"

#include <algorithm>
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "gtest/gtest.h"
#include "jumptest/widen.h"

namespace {

// The template as the platform reads it, in bytes (two hexadecimal digits
// each; blanks only group them): the header, then each item from a 4-byte
// boundary. Numbers are little-endian, texts UTF-16 with a terminator.
constexpr std::string_view expected_template =
    // Style WS_SYSMENU|DS_CENTER|DS_SETFONT, no extended style, 9 items,
    // x 50, y 50, width 250, height 106, no menu, the dialog class.
    "40080800 00000000 0900 3200 3200 fa00 6a00 0000 0000"
    // Title "   ", 10 points, font "MS Sans Serif".
    "2000 2000 2000 0000 0a00"
    "4d00 5300 2000 5300 6100 6e00 7300 2000 5300 6500 7200 6900 6600 0000"
    // Push buttons (WS_CHILD|WS_VISIBLE|WS_TABSTOP, class 0x80): x, y,
    // width, height, id, class, title, creation-data size, padding.
    // "Simple", 101.
    "00000150 00000000 0500 0500 3200 0d00 6500 ffff 8000"
    "5300 6900 6d00 7000 6c00 6500 0000 0000 0000"
    // "Out of range", 102.
    "00000150 00000000 0500 1400 3200 0d00 6600 ffff 8000"
    "4f00 7500 7400 2000 6f00 6600 2000 7200 6100 6e00 6700 6500 0000"
    "0000 0000"
    // "Benchmark", 103.
    "00000150 00000000 0500 2300 3200 0d00 6700 ffff 8000"
    "4200 6500 6e00 6300 6800 6d00 6100 7200 6b00 0000 0000"
    // "Unused", 104 and 105.
    "00000150 00000000 0500 3200 3200 0d00 6800 ffff 8000"
    "5500 6e00 7500 7300 6500 6400 0000 0000 0000"
    "00000150 00000000 0500 4100 3200 0d00 6900 ffff 8000"
    "5500 6e00 7500 7300 6500 6400 0000 0000 0000"
    // "Reset", 106.
    "00000150 00000000 3c00 4100 3200 0d00 6a00 ffff 8000"
    "5200 6500 7300 6500 7400 0000 0000"
    // "Close", 2 (IDCANCEL).
    "00000150 00000000 c000 4100 3200 0d00 0200 ffff 8000"
    "4300 6c00 6f00 7300 6500 0000 0000"
    // The status bar (WS_CHILD|WS_VISIBLE), 110, class "msctls_statusbar32",
    // no title.
    "00000050 00000000 0000 0000 0000 0000 6e00"
    "6d00 7300 6300 7400 6c00 7300 5f00 7300 7400 6100 7400 7500 7300 6200"
    "6100 7200 3300 3200 0000 0000 0000"
    // The edit box (WS_CHILD|WS_VISIBLE|WS_BORDER|WS_VSCROLL|WS_TABSTOP|
    // ES_WANTRETURN|ES_MULTILINE), 111, class 0x81, no title.
    "0410a150 00000000 3c00 0500 b600 3a00 6f00 ffff 8100 0000 0000";

std::vector<unsigned> bytes_of(std::string_view hex) {
  std::vector<unsigned> out;
  out.reserve(hex.size() / 2);
  std::string digits;
  for (const char c : hex) {
    if (c == ' ') continue;
    digits += c;
    if (digits.size() == 2) {
      out.push_back(static_cast<unsigned>(std::stoul(digits, nullptr, 16)));
      digits.clear();
    }
  }
  return out;
}

TEST(DialogTemplate, WholeTemplateByteForByte) {
  // A block full of stray bytes: the template, and zero bytes behind it.
  alignas(8) std::array<std::byte, tk::jumptest::template_block_size> block;
  block.fill(std::byte{0xCC});
  ASSERT_EQ(tk::jumptest::dialog_template_build(block),
            tk::jumptest::template_size);
  const std::vector<unsigned> want = bytes_of(expected_template);
  ASSERT_EQ(want.size(), 434u);
  for (std::size_t i = 0; i < block.size(); ++i)
    ASSERT_EQ(std::to_integer<unsigned>(block[i]),
              i < want.size() ? want[i] : 0u)
        << "offset " << i;
}

TEST(DialogTemplate, RefusesBlocksItCannotFill) {
  alignas(8) std::array<std::byte, 1024> block;
  block.fill(std::byte{0x5A});
  const auto untouched = [&block] {
    return std::all_of(block.begin(), block.end(),
                       [](std::byte b) { return b == std::byte{0x5A}; });
  };
  EXPECT_EQ(tk::jumptest::dialog_template_build(std::span(block).first(433)),
            0u);
  EXPECT_TRUE(untouched());
  EXPECT_EQ(tk::jumptest::dialog_template_build(std::span(block).subspan(2)),
            0u);
  EXPECT_TRUE(untouched());
  EXPECT_EQ(tk::jumptest::dialog_template_build({}), 0u);
  // Exactly the template's length is enough.
  EXPECT_EQ(tk::jumptest::dialog_template_build(std::span(block).first(434)),
            434u);
  EXPECT_EQ(std::to_integer<unsigned>(block[434]), 0x5Au);
}

TEST(WidenText, FillsTheRoomAndNeverPassesIt) {
  std::array<std::byte, 16> out;
  out.fill(std::byte{0x77});
  tk::jumptest::widen_text("Abc", std::span(out).first(8));
  const unsigned char abc[] = {'A', 0, 'b', 0, 'c', 0, 0, 0};
  for (std::size_t i = 0; i < 8; ++i)
    EXPECT_EQ(std::to_integer<unsigned>(out[i]), abc[i]) << i;
  EXPECT_EQ(out[8], std::byte{0x77});

  // Too little room: cut, still terminated, nothing written behind.
  out.fill(std::byte{0x77});
  tk::jumptest::widen_text("Simple", std::span(out).first(6));
  const unsigned char si[] = {'S', 0, 'i', 0, 0, 0};
  for (std::size_t i = 0; i < 6; ++i)
    EXPECT_EQ(std::to_integer<unsigned>(out[i]), si[i]) << i;
  EXPECT_EQ(out[6], std::byte{0x77});

  out.fill(std::byte{0x77});
  tk::jumptest::widen_text("", std::span(out).first(2));
  EXPECT_EQ(out[0], std::byte{0});
  EXPECT_EQ(out[1], std::byte{0});
  EXPECT_EQ(out[2], std::byte{0x77});
  tk::jumptest::widen_text("x", std::span(out).first(0));
  EXPECT_EQ(out[2], std::byte{0x77});
}

}  // namespace
