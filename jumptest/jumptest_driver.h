// jumptest's run: the modal dialog built in memory, whose buttons fetch
// values through the jump table, and the texts it shows.
#ifndef TK_JUMPTEST_JUMPTEST_DRIVER_H_
#define TK_JUMPTEST_JUMPTEST_DRIVER_H_

#include <cstdint>

namespace tk::jumptest {

// Texts the dialog shows.
inline constexpr const char* title_text = "Test Jump Table";
inline constexpr const char* simple_caption = "Get value at label 13";
inline constexpr const char* out_of_range_caption =
    "Sorry, number out of range";
inline constexpr const char* benchmark_text =
    "Milliseconds for 10 million data reads";

// Runs the dialog in a new zero-filled block of template_block_size bytes,
// freed when the dialog has ended. Returns the dialog's result: 0 however it
// is closed, -1 when there is no memory for the block or the dialog cannot
// be created. Windows only.
std::int32_t run_dialog();

}  // namespace tk::jumptest

#endif  // TK_JUMPTEST_JUMPTEST_DRIVER_H_
