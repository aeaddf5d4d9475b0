// For tests that drive a Windows program from outside: the started program,
// which owns its process and thread handles and ends the program if it is
// still running when it goes away, the text and class of a window, and the
// wait for a dialog of the program. Header only: the 32-bit jumptest driver,
// which links no library, uses it too.
#ifndef TK_TESTS_WIN32_PROCESS_H_
#define TK_TESTS_WIN32_PROCESS_H_

#include <windows.h>

#include <array>
#include <string>

#include "lib/handle_win32.h"

namespace tk::test {

class win32_process {
 public:
  // Starts `command_line`; started() tells whether that worked.
  explicit win32_process(std::string command_line) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (CreateProcessA(nullptr, command_line.data(), nullptr, nullptr, FALSE, 0,
                       nullptr, nullptr, &si, &pi) == 0)
      return;
    process_.reset(pi.hProcess);
    thread_.reset(pi.hThread);
    id_ = pi.dwProcessId;
  }
  win32_process(const win32_process&) = delete;
  win32_process& operator=(const win32_process&) = delete;
  ~win32_process() {
    if (started() && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
      TerminateProcess(process_.get(), 255);
      WaitForSingleObject(process_.get(), 10000);
    }
  }
  bool started() const { return process_.valid(); }
  DWORD id() const { return id_; }
  // The exit code, or STILL_ACTIVE when it has not ended within `ms`.
  DWORD wait(DWORD ms) const {
    if (WaitForSingleObject(process_.get(), ms) != WAIT_OBJECT_0)
      return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_.get(), &code);
    return code;
  }

 private:
  tk::scoped_handle process_;
  tk::scoped_handle thread_;
  DWORD id_ = 0;
};

// The text of window `w` as GetWindowTextA gives it (at most 255 bytes).
inline std::string window_text(HWND w) {
  std::array<char, 256> buf{};
  const int n = GetWindowTextA(w, buf.data(), static_cast<int>(buf.size()));
  return std::string(buf.data(), n > 0 ? static_cast<std::size_t>(n) : 0);
}

// The class name of window `w` (at most 63 bytes).
inline std::string class_name(HWND w) {
  std::array<char, 64> buf{};
  const int n = GetClassNameA(w, buf.data(), static_cast<int>(buf.size()));
  return std::string(buf.data(), n > 0 ? static_cast<std::size_t>(n) : 0);
}

namespace detail {

struct dialog_search {
  DWORD pid;
  HWND owner;
  HWND found;
};

inline BOOL CALLBACK match_dialog(HWND w, LPARAM param) {
  auto& s = *reinterpret_cast<dialog_search*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  if (pid == s.pid && IsWindowVisible(w) && class_name(w) == "#32770" &&
      GetWindow(w, GW_OWNER) == s.owner) {
    s.found = w;
    return FALSE;
  }
  return TRUE;
}

}  // namespace detail

// A visible dialog-class window of process `p` owned by `owner`: with no
// owner its main dialog, with one a message box of it. Waits for it up to
// `limit_ms`, or until the process ends; null when none came.
inline HWND wait_for_dialog(const win32_process& p, HWND owner,
                            DWORD limit_ms) {
  for (DWORD waited = 0; waited < limit_ms; waited += 50) {
    detail::dialog_search s{p.id(), owner, nullptr};
    EnumWindows(detail::match_dialog, reinterpret_cast<LPARAM>(&s));
    if (s.found) return s.found;
    if (p.wait(50) != STILL_ACTIVE) return nullptr;
  }
  return nullptr;
}

}  // namespace tk::test

#endif  // TK_TESTS_WIN32_PROCESS_H_
