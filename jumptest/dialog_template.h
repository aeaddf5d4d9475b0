// The jumptest dialog's template in the platform's in-memory format
// (DLGTEMPLATE followed by DLGITEMTEMPLATE items), built without the
// platform's headers so that its bytes can be checked anywhere.
#ifndef TK_JUMPTEST_DIALOG_TEMPLATE_H_
#define TK_JUMPTEST_DIALOG_TEMPLATE_H_

#include <cstddef>
#include <cstdint>
#include <span>

namespace tk::jumptest {

// The block the template is written into, and the bytes the template fills.
inline constexpr std::size_t template_block_size = 1024;
inline constexpr std::size_t template_size = 434;

// Control ids of the dialog's items.
inline constexpr std::uint16_t id_simple = 101;
inline constexpr std::uint16_t id_out_of_range = 102;
inline constexpr std::uint16_t id_benchmark = 103;
inline constexpr std::uint16_t id_unused_4 = 104;
inline constexpr std::uint16_t id_unused_5 = 105;
inline constexpr std::uint16_t id_reset = 106;
inline constexpr std::uint16_t id_close = 2;  // IDCANCEL, so Esc closes too
inline constexpr std::uint16_t id_status_bar = 110;
inline constexpr std::uint16_t id_edit = 111;

// Clears `block` and writes the dialog template at its start. Returns the
// template's length in bytes (template_size), or 0, writing nothing, when
// the block is shorter than the template or does not start at a multiple of
// four bytes (the platform wants each item on a 4-byte boundary, and the
// items are aligned by address).
std::size_t dialog_template_build(std::span<std::byte> block);

}  // namespace tk::jumptest

#endif  // TK_JUMPTEST_DIALOG_TEMPLATE_H_
