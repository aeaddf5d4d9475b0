// Conversion of the dialog template's 8-bit texts to UTF-16.
#ifndef TK_JUMPTEST_WIDEN_H_
#define TK_JUMPTEST_WIDEN_H_

#include <cstddef>
#include <span>

namespace tk::jumptest {

// Writes `text` and its terminator as little-endian UTF-16 into `dest`, whose
// room is dest.size() / 2 characters. A text longer than the room is cut so
// that the terminator still fits; nothing is written past `dest`. `dest`
// must start at an even address. On Windows the system's ANSI code page
// decides the characters; elsewhere each byte is taken as its own code
// (ASCII, and Latin-1 above 127).
void widen_text(const char* text, std::span<std::byte> dest);

}  // namespace tk::jumptest

#endif  // TK_JUMPTEST_WIDEN_H_
