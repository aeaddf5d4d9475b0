// What the file routines share between their portable and platform parts;
// not for the tools.
#ifndef TK_FILES_INTERNAL_H_
#define TK_FILES_INTERNAL_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "lib/files.h"

namespace tk::platform {

// Reads at most `room` bytes into `buffer` and gives the count, 0 at the
// end, or a negative number when the read failed.
using read_some_fn = std::int64_t (*)(void* context, char* buffer,
                                      std::size_t room);

// file_read_all's reading of an input whose size is not known beforehand:
// read_some until it gives 0, into blocks that double as they fill.
int read_to_end(read_some_fn read_some, void* context, text_block& out,
                read_status* why);

// The name of a temporary file to stand beside a file whose last name
// component is `leaf_length` characters long, zero-terminated: never longer
// than that name, and at most 8 characters ("~tk" and hexadecimal digits
// made from `seed`), so it fits wherever that name fits. Empty when
// `leaf_length` is 0.
using leaf_text = std::array<char, 9>;
leaf_text temp_leaf(std::size_t leaf_length, std::uint32_t seed);

// `dir` followed by temp_leaf(leaf_length, seed), in `temp`; false when
// there is no memory for it.
bool temp_name(text_buffer& temp, std::string_view dir, std::size_t leaf_length,
               std::uint32_t seed);

// The platform's part of staged_file::discard().
void remove_file(const char* name);
void close_native(std::intptr_t handle);

}  // namespace tk::platform

#endif  // TK_FILES_INTERNAL_H_
