// Drives the real jumptest program from outside, as a user would: starts
// it, waits for its dialog, presses Unused 4 and Unused 5, saves a picture
// of the dialog, closes it with Esc and reports the exit status. One line
// per step on standard output:
//   dialog_robot JUMPTEST_EXE PICTURE.bmp
// What each button does is tested in-process (jumptest/dialog_win32_test.cc);
// here the buttons only bring the dialog into the state the picture shows.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "tests/win32_process.h"

namespace {

constexpr DWORD limit_ms = 120000;  // a start is slow under emulation

using process = tk::test::win32_process;

using tk::test::window_text;

// Presses a button and waits until the dialog's title is `title`.
bool press(HWND dialog, int id, const std::string& title) {
  PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
  for (DWORD waited = 0; waited < limit_ms; waited += 50) {
    if (window_text(dialog) == title) return true;
    Sleep(50);
  }
  std::printf("button %d: the title did not become \"%s\"\r\n", id,
              title.c_str());
  return false;
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
    const DWORD code = p.wait(0);
    if (code == STILL_ACTIVE)
      std::printf("no dialog appeared\r\n");
    else
      std::printf("no dialog appeared; jumptest ended with exit status %lu\r\n",
                  static_cast<unsigned long>(code));
    return 1;
  }
  std::printf("dialog \"%s\"\r\n", window_text(w).c_str());
  if (!press(w, 104, "ID 104") || !press(w, 105, "ID 105")) return 1;
  if (!save_picture(w, picture)) {
    std::printf("the picture could not be saved\r\n");
    return 1;
  }
  std::printf("picture after Unused 4 and Unused 5\r\n");
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
    std::printf("usage: dialog_robot JUMPTEST_EXE PICTURE.bmp\r\n");
    return 2;
  }
  _setmode(_fileno(stdout), _O_BINARY);  // CR LF as written
  const int status = drive(argv[1], argv[2]);
  std::fflush(stdout);
  return status;
}
