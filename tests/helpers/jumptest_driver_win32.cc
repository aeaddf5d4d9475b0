// Drives the real jumptest program from outside, as a user would: starts
// it, waits for its dialog, presses its buttons, reads the message boxes
// they open, saves a picture of the dialog, closes it with Esc and reports
// the exit status. One line per step on standard output:
//   jumptest_driver JUMPTEST_EXE PICTURE.bmp
// Only what another process can see is read: window texts and the boxes'
// texts (the status bar's parts need a buffer in jumptest's own memory).
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "win32_process.h"

namespace {

constexpr DWORD limit_ms = 120000;  // a start is slow under emulation

using process = tk::test::win32_process;

using tk::test::class_name;
using tk::test::window_text;

// A control's own text: asked of the control itself, since GetWindowText
// gives another process's controls only the text they were created with.
std::string control_text(HWND w) {
  std::array<char, 256> buf{};
  DWORD_PTR n = 0;
  if (!SendMessageTimeoutA(w, WM_GETTEXT, buf.size(),
                           reinterpret_cast<LPARAM>(buf.data()),
                           SMTO_ABORTIFHUNG, limit_ms, &n))
    return "<no answer>";
  return std::string(buf.data(), std::min<std::size_t>(n, buf.size() - 1));
}

// Waits until `w` shows `text`; true when it did.
bool wait_for_text(HWND w, const std::string& text) {
  for (DWORD waited = 0; waited < limit_ms; waited += 50) {
    if (window_text(w) == text) return true;
    Sleep(50);
  }
  return false;
}

BOOL CALLBACK read_static(HWND child, LPARAM param) {
  if (class_name(child) == "Static") {
    const std::string t = window_text(child);
    if (!t.empty()) *reinterpret_cast<std::string*>(param) += t;
  }
  return TRUE;
}

// Presses a button that opens a message box, reports the box's caption
// (`digits` when it holds only digits, as the benchmark's milliseconds do)
// and text, and closes it with its OK button.
bool press_for_box(const process& p, HWND dialog, int id, const char* button) {
  PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
  const HWND box = tk::test::wait_for_dialog(p, dialog, limit_ms);
  if (!box) {
    std::printf("%s (%d): no message box\r\n", button, id);
    return false;
  }
  std::string caption = window_text(box);
  if (!caption.empty() &&
      caption.find_first_not_of("0123456789") == std::string::npos)
    caption = "digits";
  std::string text;
  EnumChildWindows(box, read_static, reinterpret_cast<LPARAM>(&text));
  std::printf("%s (%d): box \"%s\": \"%s\", dialog %s\r\n", button, id,
              caption.c_str(), text.c_str(),
              IsWindowEnabled(dialog) ? "enabled" : "disabled");
  PostMessageA(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
  for (DWORD waited = 0; waited < limit_ms && IsWindow(box); waited += 50)
    Sleep(50);
  return !IsWindow(box);
}

// Presses a button that changes the dialog's title and reports the title
// and the edit box's text.
bool press(HWND dialog, int id, const char* button, const std::string& title) {
  PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
  const bool seen = wait_for_text(dialog, title);
  std::printf("%s (%d): title \"%s\", edit box \"%s\"\r\n", button, id,
              window_text(dialog).c_str(),
              control_text(GetDlgItem(dialog, 111)).c_str());
  return seen;
}

// The dialog as it shows on the screen, as a 24-bit BMP file.
class screen_dc {
 public:
  screen_dc() : dc_(GetDC(nullptr)) {}
  screen_dc(const screen_dc&) = delete;
  screen_dc& operator=(const screen_dc&) = delete;
  ~screen_dc() {
    if (dc_) ReleaseDC(nullptr, dc_);
  }
  HDC get() const { return dc_; }

 private:
  HDC dc_;
};

class memory_dc {
 public:
  memory_dc(HDC screen, int width, int height)
      : dc_(CreateCompatibleDC(screen)),
        bitmap_(CreateCompatibleBitmap(screen, width, height)),
        old_(dc_ && bitmap_ ? SelectObject(dc_, bitmap_) : nullptr) {}
  memory_dc(const memory_dc&) = delete;
  memory_dc& operator=(const memory_dc&) = delete;
  ~memory_dc() {
    if (old_) SelectObject(dc_, old_);
    if (bitmap_) DeleteObject(bitmap_);
    if (dc_) DeleteDC(dc_);
  }
  bool ok() const { return old_ != nullptr; }
  HDC get() const { return dc_; }
  HBITMAP bitmap() const { return bitmap_; }

 private:
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ old_;
};

bool save_picture(HWND w, const char* file_name) {
  RedrawWindow(w, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  Sleep(500);
  RECT r;
  if (!GetWindowRect(w, &r)) return false;
  const int width = r.right - r.left;
  const int height = r.bottom - r.top;
  if (width <= 0 || height <= 0) return false;
  const screen_dc screen;
  const memory_dc mem(screen.get(), width, height);
  if (!screen.get() || !mem.ok()) return false;
  if (!BitBlt(mem.get(), 0, 0, width, height, screen.get(), r.left, r.top,
              SRCCOPY))
    return false;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;  // bottom-up rows, as BMP files keep them
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  const std::size_t row = (static_cast<std::size_t>(width) * 3 + 3) & ~3u;
  std::vector<char> pixels(row * static_cast<std::size_t>(height));
  if (GetDIBits(mem.get(), mem.bitmap(), 0, static_cast<UINT>(height),
                pixels.data(), &info, DIB_RGB_COLORS) != height)
    return false;
  BITMAPFILEHEADER head{};
  head.bfType = 0x4D42;  // "BM"
  head.bfOffBits = sizeof head + sizeof info.bmiHeader;
  head.bfSize = static_cast<DWORD>(head.bfOffBits + pixels.size());
  info.bmiHeader.biSizeImage = static_cast<DWORD>(pixels.size());
  std::ofstream out(file_name, std::ios::binary);
  out.write(reinterpret_cast<const char*>(&head), sizeof head);
  out.write(reinterpret_cast<const char*>(&info.bmiHeader),
            sizeof info.bmiHeader);
  out.write(pixels.data(), static_cast<std::streamsize>(pixels.size()));
  return static_cast<bool>(out);
}

int drive(const char* program, const char* picture) {
  // Built piece by piece: GCC 12 warns falsely (-Wrestrict) about a
  // literal + std::string.
  std::string line(1, '"');
  line.append(program).append(1, '"');
  const process p(line);
  if (!p.started()) {
    std::printf("jumptest did not start\r\n");
    return 1;
  }
  const HWND w = tk::test::wait_for_dialog(p, nullptr, limit_ms);
  if (!w) {
    std::printf("no dialog appeared\r\n");
    return 1;
  }
  std::printf("dialog \"%s\"\r\n", window_text(w).c_str());
  bool ok =
      press(w, 104, "Unused", "ID 104") && press(w, 105, "Unused", "ID 105");
  if (ok && !save_picture(w, picture)) {
    std::printf("the picture could not be saved\r\n");
    ok = false;
  }
  ok = ok && press_for_box(p, w, 101, "Simple") &&
       press_for_box(p, w, 102, "Out of range") &&
       press_for_box(p, w, 103, "Benchmark") &&
       press(w, 106, "Reset", "Test Jump Table");
  if (!ok) return 1;
  // Esc reaches the control with the focus; the dialog manager turns it
  // into Cancel.
  PostMessageA(GetDlgItem(w, 101), WM_KEYDOWN, VK_ESCAPE, 0x00010001);
  const DWORD code = p.wait(limit_ms);
  if (code == STILL_ACTIVE) {
    std::printf("Esc: jumptest did not end\r\n");
    return 1;
  }
  std::printf("Esc: jumptest ended with exit status %lu\r\n",
              static_cast<unsigned long>(code));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::printf("usage: jumptest_driver JUMPTEST_EXE PICTURE.bmp\r\n");
    return 2;
  }
  _setmode(_fileno(stdout), _O_BINARY);  // CR LF as written
  const int status = drive(argv[1], argv[2]);
  std::fflush(stdout);
  return status;
}
