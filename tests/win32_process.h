// For tests that drive a Windows program from outside: the started program,
// which owns its process and thread handles and ends the program if it is
// still running when it goes away, and the text of a window.
#ifndef TK_TESTS_WIN32_PROCESS_H_
#define TK_TESTS_WIN32_PROCESS_H_

#include <windows.h>

#include <array>
#include <string>

namespace tk::test {

class win32_process {
 public:
  // Starts `command_line`; started() tells whether that worked.
  explicit win32_process(std::string command_line) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    started_ = CreateProcessA(nullptr, command_line.data(), nullptr, nullptr,
                              FALSE, 0, nullptr, nullptr, &si, &pi_) != 0;
  }
  win32_process(const win32_process&) = delete;
  win32_process& operator=(const win32_process&) = delete;
  ~win32_process() {
    if (!started_) return;
    if (WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) {
      TerminateProcess(pi_.hProcess, 255);
      WaitForSingleObject(pi_.hProcess, 10000);
    }
    CloseHandle(pi_.hThread);
    CloseHandle(pi_.hProcess);
  }
  bool started() const { return started_; }
  DWORD id() const { return pi_.dwProcessId; }
  // The exit code, or STILL_ACTIVE when it has not ended within `ms`.
  DWORD wait(DWORD ms) const {
    if (WaitForSingleObject(pi_.hProcess, ms) != WAIT_OBJECT_0)
      return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(pi_.hProcess, &code);
    return code;
  }

 private:
  PROCESS_INFORMATION pi_{};
  bool started_ = false;
};

// The text of window `w` as GetWindowTextA gives it (at most 255 bytes).
inline std::string window_text(HWND w) {
  std::array<char, 256> buf{};
  const int n = GetWindowTextA(w, buf.data(), static_cast<int>(buf.size()));
  return std::string(buf.data(), n > 0 ? static_cast<std::size_t>(n) : 0);
}

}  // namespace tk::test

#endif  // TK_TESTS_WIN32_PROCESS_H_
