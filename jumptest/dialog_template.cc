#include "jumptest/dialog_template.h"

#include <algorithm>
#include <cstring>

#include "jumptest/widen.h"

namespace tk::jumptest {

namespace {

// Header.
constexpr std::uint32_t dialog_style =
    0x00080840;  // WS_SYSMENU|DS_CENTER|DS_SETFONT
constexpr std::int16_t dialog_x = 50;
constexpr std::int16_t dialog_y = 50;
constexpr std::int16_t dialog_cx = 250;
constexpr std::int16_t dialog_cy = 106;
// Replaced at initialisation; the blanks only keep the title bar's height.
constexpr const char* dialog_title = "   ";
constexpr std::uint16_t font_points = 10;
constexpr const char* font_face = "MS Sans Serif";

// Items.
constexpr std::uint32_t push_button =
    0x50010000;  // WS_CHILD|WS_VISIBLE|WS_TABSTOP
constexpr std::uint32_t status_bar = 0x50000000;  // WS_CHILD|WS_VISIBLE
// WS_CHILD|WS_VISIBLE|WS_BORDER|WS_VSCROLL|WS_TABSTOP|ES_WANTRETURN|ES_MULTILINE
constexpr std::uint32_t edit_box = 0x50A11004;
constexpr std::uint16_t class_button = 0x0080;
constexpr std::uint16_t class_edit = 0x0081;

struct item {
  std::uint32_t style;
  std::int16_t x, y, cx, cy;
  std::uint16_t id;
  std::uint16_t class_ordinal;  // 0: the class goes by class_name
  const char* class_name;
  const char* title;  // empty: a lone terminator
};

// Template order is also tab order and z-order.
constexpr item items[] = {
    {push_button, 5, 5, 50, 13, id_simple, class_button, nullptr, "Simple"},
    {push_button, 5, 20, 50, 13, id_out_of_range, class_button, nullptr,
     "Out of range"},
    {push_button, 5, 35, 50, 13, id_benchmark, class_button, nullptr,
     "Benchmark"},
    {push_button, 5, 50, 50, 13, id_unused_4, class_button, nullptr, "Unused"},
    {push_button, 5, 65, 50, 13, id_unused_5, class_button, nullptr, "Unused"},
    {push_button, 60, 65, 50, 13, id_reset, class_button, nullptr, "Reset"},
    {push_button, 192, 65, 50, 13, id_close, class_button, nullptr, "Close"},
    // A status bar places itself along its parent's bottom edge.
    {status_bar, 0, 0, 0, 0, id_status_bar, 0, "msctls_statusbar32", ""},
    {edit_box, 60, 5, 182, 58, id_edit, class_edit, nullptr, ""},
};

// Writes little-endian fields at a position that only moves forward.
class template_writer {
 public:
  explicit template_writer(std::span<std::byte> block) : block_(block) {}

  std::size_t position() const { return pos_; }

  void put16(std::uint16_t v) {
    block_[pos_] = static_cast<std::byte>(v & 0xFF);
    block_[pos_ + 1] = static_cast<std::byte>(v >> 8);
    pos_ += 2;
  }
  void put16(std::int16_t v) { put16(static_cast<std::uint16_t>(v)); }
  void put32(std::uint32_t v) {
    put16(static_cast<std::uint16_t>(v & 0xFFFF));
    put16(static_cast<std::uint16_t>(v >> 16));
  }
  // The room is the text's length plus its terminator, so the conversion
  // fills it exactly for ASCII texts.
  void put_text(const char* text) {
    const std::size_t bytes = 2 * (std::strlen(text) + 1);
    widen_text(text, block_.subspan(pos_, bytes));
    pos_ += bytes;
  }
  void skip(std::size_t bytes) { pos_ += bytes; }
  void align(std::size_t to) { pos_ = (pos_ + to - 1) & ~(to - 1); }

 private:
  std::span<std::byte> block_;
  std::size_t pos_ = 0;
};

}  // namespace

std::size_t dialog_template_build(std::span<std::byte> block) {
  // With the block on a 4-byte boundary, aligning offsets aligns addresses.
  if (block.size() < template_size ||
      reinterpret_cast<std::uintptr_t>(block.data()) % 4 != 0)
    return 0;
  std::fill(block.begin(), block.end(), std::byte{0});

  template_writer w(block);
  w.put32(dialog_style);
  w.skip(4);  // extended style
  w.put16(static_cast<std::uint16_t>(std::size(items)));
  w.put16(dialog_x);
  w.put16(dialog_y);
  w.put16(dialog_cx);
  w.put16(dialog_cy);
  w.skip(2);  // no menu
  w.skip(2);  // the predefined dialog class
  w.put_text(dialog_title);
  w.put16(font_points);
  w.put_text(font_face);
  w.align(4);

  std::size_t end = 0;
  for (const item& it : items) {
    w.put32(it.style);
    w.skip(4);  // extended style
    w.put16(it.x);
    w.put16(it.y);
    w.put16(it.cx);
    w.put16(it.cy);
    w.put16(it.id);
    if (it.class_name != nullptr) {
      w.put_text(it.class_name);
    } else {
      w.put16(std::uint16_t{0xFFFF});
      w.put16(it.class_ordinal);
    }
    if (it.title[0] != 0)
      w.put_text(it.title);
    else
      w.skip(2);  // the cleared block supplies the lone terminator
    w.align(2);
    w.skip(2);  // creation-data size 0
    end = w.position();
    w.align(4);
  }
  return end;
}

}  // namespace tk::jumptest
