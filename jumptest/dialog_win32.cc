#include "jumptest/dialog_win32.h"

#include <commctrl.h>

#include "jumptest/dialog_template.h"
#include "jumptest/jump_lookup.h"

namespace tk::jumptest {

HINSTANCE module_handle = nullptr;
HWND dialog_handle = nullptr;
HWND status_bar_handle = nullptr;
HWND edit_handle = nullptr;

namespace {

// Each number-showing command keeps its text until it runs again.
std::array<char, 20> simple_text{};
std::array<char, 22> out_of_range_text{};
std::array<char, 21> benchmark_caption{};

LPARAM text_param(const char* text) { return reinterpret_cast<LPARAM>(text); }

void show_lookup(std::int32_t index, std::span<char> buffer,
                 const char* caption) {
  int_to_decimal(jump_lookup(index), buffer);
  MessageBoxA(dialog_handle, buffer.data(), caption, MB_OK);
}

void run_benchmark() {
  const DWORD start = GetTickCount();
  jump_lookup_loop();
  // Unsigned difference: right across the tick counter's wrap-around.
  const DWORD elapsed = GetTickCount() - start;
  int_to_decimal(static_cast<std::int32_t>(elapsed), benchmark_caption);
  MessageBoxA(dialog_handle, benchmark_text, benchmark_caption.data(), MB_OK);
}

void set_status_part(WPARAM part, const char* text) {
  SendMessageA(status_bar_handle, SB_SETTEXTA, part, text_param(text));
}

void initialise(HWND window) {
  dialog_handle = window;
  const HICON icon =
      LoadIconA(nullptr, MAKEINTRESOURCEA(32516));  // IDI_ASTERISK
  SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  SetWindowTextA(window, title_text);
  status_bar_handle = GetDlgItem(window, id_status_bar);
  SendMessageA(status_bar_handle, SB_SETPARTS, status_part_edges.size(),
               reinterpret_cast<LPARAM>(status_part_edges.data()));
  edit_handle = GetDlgItem(window, id_edit);
  SendMessageA(edit_handle, WM_SETFONT,
               reinterpret_cast<WPARAM>(GetStockObject(ANSI_FIXED_FONT)), TRUE);
}

// The whole wParam is compared, so only notification code 0 (a click, or
// the IDCANCEL that Esc produces) acts; the edit box's notifications pass.
void command(HWND window, WPARAM wparam) {
  switch (wparam) {
    case id_simple:
      show_lookup(13, simple_text, simple_caption);
      break;
    case id_out_of_range:
      show_lookup(25, out_of_range_text, out_of_range_caption);
      break;
    case id_benchmark:
      run_benchmark();
      break;
    case id_unused_4:
      SetWindowTextA(GetActiveWindow(), "ID 104");
      set_status_part(3, "Test 4");
      SetWindowTextA(edit_handle, "The 4th button was pressed");
      break;
    case id_unused_5:
      SetWindowTextA(GetActiveWindow(), "ID 105");
      set_status_part(4, "Test 5");
      SetWindowTextA(edit_handle, "OK, you pressed button 5");
      break;
    case id_reset:
      SetWindowTextA(edit_handle, nullptr);
      for (WPARAM part = 0; part < status_part_edges.size(); ++part)
        set_status_part(part, nullptr);
      SetWindowTextA(GetActiveWindow(), title_text);
      break;
    case id_close:
      EndDialog(window, 0);
      break;
    default:
      break;
  }
}

// An etched frame around the client area above the status bar.
void paint(HWND window) {
  PAINTSTRUCT ps;
  const HDC hdc = BeginPaint(window, &ps);
  RECT area{};
  GetClientRect(window, &area);
  // Stays empty, so the frame takes the whole client area, should the
  // status bar be missing.
  RECT bar{};
  GetWindowRect(status_bar_handle, &bar);
  area.bottom -= bar.bottom - bar.top;
  DrawEdge(hdc, &area, EDGE_ETCHED, BF_RECT);
  EndPaint(window, &ps);
}

}  // namespace

INT_PTR CALLBACK dialog_proc(HWND window, UINT message, WPARAM wparam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      initialise(window);
      return TRUE;
    case WM_COMMAND:
      command(window, wparam);
      return FALSE;
    case WM_PAINT:
      paint(window);
      return FALSE;
    case WM_CLOSE:
      EndDialog(window, 0);
      return FALSE;
    default:
      return FALSE;
  }
}

std::int32_t run_dialog_in(const zero_block& block) {
  if (!block) return -1;
  InitCommonControls();
  if (module_handle == nullptr) module_handle = GetModuleHandleA(nullptr);
  const std::span<std::byte> bytes = std::as_writable_bytes(block.span());
  if (dialog_template_build(bytes) == 0) return -1;
  const INT_PTR result = DialogBoxIndirectParamA(
      module_handle, reinterpret_cast<LPCDLGTEMPLATEA>(bytes.data()), nullptr,
      dialog_proc, 0);
  return static_cast<std::int32_t>(result);
}

}  // namespace tk::jumptest
