#include "dialog_template.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "widen.h"

namespace {

struct built {
  alignas(8) std::array<std::byte, 1024> block;
  std::size_t size = 0;

  explicit built(std::byte fill = std::byte{0}) {
    block.fill(fill);
    size = tk::jumptest::dialog_template_build(block);
  }
  unsigned u8(std::size_t at) const {
    return std::to_integer<unsigned>(block[at]);
  }
  unsigned u16(std::size_t at) const { return u8(at) | u8(at + 1) << 8; }
  unsigned long u32(std::size_t at) const {
    return u16(at) | static_cast<unsigned long>(u16(at + 2)) << 16;
  }
  int s16(std::size_t at) const {
    const unsigned v = u16(at);
    return v >= 0x8000 ? static_cast<int>(v) - 0x10000 : static_cast<int>(v);
  }
  // The UTF-16 text at `at` with every character below 256, and the offset
  // behind its terminator.
  std::string text(std::size_t at, std::size_t* behind) const {
    std::string s;
    for (; u16(at) != 0; at += 2) {
      EXPECT_LT(u16(at), 0x80u) << "at offset " << at;
      s += static_cast<char>(u16(at));
    }
    *behind = at + 2;
    return s;
  }
};

TEST(DialogTemplate, Header) {
  const built t;
  ASSERT_EQ(t.size, 434u);
  EXPECT_EQ(t.u32(0), 0x00080840ul);  // style
  EXPECT_EQ(t.u32(4), 0ul);           // extended style
  EXPECT_EQ(t.u16(8), 9u);            // items
  EXPECT_EQ(t.s16(10), 50);
  EXPECT_EQ(t.s16(12), 50);
  EXPECT_EQ(t.s16(14), 250);
  EXPECT_EQ(t.s16(16), 106);
  EXPECT_EQ(t.u16(18), 0u);  // no menu
  EXPECT_EQ(t.u16(20), 0u);  // the predefined dialog class
  std::size_t at = 0;
  EXPECT_EQ(t.text(22, &at), "   ");
  EXPECT_EQ(at, 30u);
  EXPECT_EQ(t.u16(30), 10u);  // points
  EXPECT_EQ(t.text(32, &at), "MS Sans Serif");
  EXPECT_EQ(at, 60u);  // the first item follows without padding
}

TEST(DialogTemplate, ItemsFieldByField) {
  struct expected {
    std::size_t offset;
    unsigned long style;
    int x, y, cx, cy;
    unsigned id;
    unsigned ordinal;        // 0: by name
    std::string class_name;  // when by name
    std::string title;
    std::size_t padding;  // zero bytes behind the creation-data word
  };
  const expected items[] = {
      {60, 0x50010000, 5, 5, 50, 13, 101, 0x80, "", "Simple", 2},
      {100, 0x50010000, 5, 20, 50, 13, 102, 0x80, "", "Out of range", 2},
      {152, 0x50010000, 5, 35, 50, 13, 103, 0x80, "", "Benchmark", 0},
      {196, 0x50010000, 5, 50, 50, 13, 104, 0x80, "", "Unused", 2},
      {236, 0x50010000, 5, 65, 50, 13, 105, 0x80, "", "Unused", 2},
      {276, 0x50010000, 60, 65, 50, 13, 106, 0x80, "", "Reset", 0},
      {312, 0x50010000, 192, 65, 50, 13, 2, 0x80, "", "Close", 0},
      {348, 0x50000000, 0, 0, 0, 0, 110, 0, "msctls_statusbar32", "", 0},
      {408, 0x50A11004, 60, 5, 182, 58, 111, 0x81, "", "", 0},
  };
  const built t;
  for (std::size_t i = 0; i < std::size(items); ++i) {
    const expected& e = items[i];
    const std::string item = "item " + std::to_string(i + 1);
    const std::size_t o = e.offset;
    EXPECT_EQ(t.u32(o), e.style) << item;
    EXPECT_EQ(t.u32(o + 4), 0ul) << item;  // extended style
    EXPECT_EQ(t.s16(o + 8), e.x) << item;
    EXPECT_EQ(t.s16(o + 10), e.y) << item;
    EXPECT_EQ(t.s16(o + 12), e.cx) << item;
    EXPECT_EQ(t.s16(o + 14), e.cy) << item;
    EXPECT_EQ(t.u16(o + 16), e.id) << item;
    std::size_t at = o + 18;
    if (e.ordinal != 0) {
      EXPECT_EQ(t.u16(at), 0xFFFFu) << item;
      EXPECT_EQ(t.u16(at + 2), e.ordinal) << item;
      at += 4;
    } else {
      EXPECT_EQ(t.text(at, &at), e.class_name) << item;
    }
    EXPECT_EQ(t.text(at, &at), e.title) << item;
    EXPECT_EQ(at % 2, 0u) << item;
    EXPECT_EQ(t.u16(at), 0u) << item;  // creation-data size
    at += 2;
    for (std::size_t p = 0; p < e.padding; ++p)
      EXPECT_EQ(t.u8(at + p), 0u) << item << ", padding byte " << p;
    at += e.padding;
    if (i + 1 < std::size(items)) {
      EXPECT_EQ(at, items[i + 1].offset) << item;
    } else {
      EXPECT_EQ(at, 434u) << item;
    }
  }
}

TEST(DialogTemplate, TailAndClearing) {
  // A block full of stray bytes gives exactly the bytes of a cleared one.
  const built clean;
  const built dirty(std::byte{0xCC});
  ASSERT_EQ(dirty.size, 434u);
  EXPECT_TRUE(
      std::equal(clean.block.begin(), clean.block.end(), dirty.block.begin()));
  for (std::size_t at = 434; at < 1024; ++at)
    ASSERT_EQ(clean.u8(at), 0u) << "offset " << at;
  // The last bytes of the template are the edit box's empty title and its
  // creation-data word.
  EXPECT_EQ(clean.u32(430), 0ul);
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
