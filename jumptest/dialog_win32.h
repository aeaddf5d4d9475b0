// The jumptest dialog: its procedure and the modal run. Windows only.
#ifndef TK_JUMPTEST_DIALOG_WIN32_H_
#define TK_JUMPTEST_DIALOG_WIN32_H_

#include <windows.h>

#include <array>
#include <cstdint>

#include "jumptest/jumptest_driver.h"
#include "lib/kit.h"

namespace tk::jumptest {

// The executable's module; run_dialog_in sets it when it is not set.
extern HINSTANCE module_handle;

// Set at WM_INITDIALOG and valid until the dialog ends.
extern HWND dialog_handle;
extern HWND status_bar_handle;
extern HWND edit_handle;

// Right edges of the status bar's five parts, in pixels; -1 runs to the end.
inline constexpr std::array<int, 5> status_part_edges = {100, 200, 300, 400,
                                                         -1};

// TRUE for WM_INITDIALOG (the platform then focuses "Simple"), FALSE for
// every other message, so the default dialog handling always runs too.
INT_PTR CALLBACK dialog_proc(HWND window, UINT message, WPARAM wparam,
                             LPARAM lparam);

// Registers the common control classes, builds the template in `block` and
// runs the dialog modally with module_handle. Returns the dialog's result: 0
// however it is closed, -1 when the block is missing or too small or the dialog
// cannot be created.
std::int32_t run_dialog_in(const zero_block& block);

}  // namespace tk::jumptest

#endif  // TK_JUMPTEST_DIALOG_WIN32_H_
