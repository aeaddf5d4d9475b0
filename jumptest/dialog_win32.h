// The jumptest dialog: its procedure and the modal run. Windows only.
#ifndef TK_JUMPTEST_DIALOG_WIN32_H_
#define TK_JUMPTEST_DIALOG_WIN32_H_

#include <windows.h>

#include <array>
#include <cstdint>

#include "kit.h"

namespace tk::jumptest {

// The executable's module, set by the program entry before run_dialog.
extern HINSTANCE module_handle;

// Set at WM_INITDIALOG and valid until the dialog ends.
extern HWND dialog_handle;
extern HWND status_bar_handle;
extern HWND edit_handle;

// Right edges of the status bar's five parts, in pixels; -1 runs to the end.
inline constexpr std::array<int, 5> status_part_edges = {100, 200, 300, 400,
                                                         -1};

// Texts the dialog shows.
inline constexpr const char* title_text = "Test Jump Table";
inline constexpr const char* simple_caption = "Get value at label 13";
inline constexpr const char* out_of_range_caption =
    "Sorry, number out of range";
inline constexpr const char* benchmark_text =
    "Milliseconds for 10 million data reads";

// TRUE for WM_INITDIALOG (the platform then focuses "Simple"), FALSE for
// every other message, so the default dialog handling always runs too.
INT_PTR CALLBACK dialog_proc(HWND window, UINT message, WPARAM wparam,
                             LPARAM lparam);

// Builds the template in `block` and runs the dialog modally with
// module_handle. Returns the dialog's result: 0 however it is closed, -1
// when the block is missing or too small or the dialog cannot be created.
std::int32_t run_dialog_in(const zero_block& block);

// run_dialog_in with a new zero-filled block of template_block_size bytes,
// after registering the common control classes; the block is freed when the
// dialog has ended.
std::int32_t run_dialog();

}  // namespace tk::jumptest

#endif  // TK_JUMPTEST_DIALOG_WIN32_H_
