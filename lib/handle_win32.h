// The one owner of a Win32 kernel handle, for the library's Windows code
// and the Windows tests and helpers. Windows only.
#ifndef TK_LIB_HANDLE_WIN32_H_
#define TK_LIB_HANDLE_WIN32_H_

#include <windows.h>

namespace tk {

// Owns a kernel handle; INVALID_HANDLE_VALUE and null both mean none.
class scoped_handle {
 public:
  explicit scoped_handle(HANDLE h = INVALID_HANDLE_VALUE) : h_(h) {}
  scoped_handle(const scoped_handle&) = delete;
  scoped_handle& operator=(const scoped_handle&) = delete;
  ~scoped_handle() { close(); }
  HANDLE get() const { return h_; }
  bool valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
  // Takes `h` over, closing the handle held before.
  void reset(HANDLE h) {
    close();
    h_ = h;
  }
  // Gives the handle up without closing it.
  HANDLE release() {
    const HANDLE h = h_;
    h_ = INVALID_HANDLE_VALUE;
    return h;
  }
  // Closes now and reports whether the close succeeded.
  bool close() {
    const HANDLE h = h_;
    h_ = INVALID_HANDLE_VALUE;
    return h == INVALID_HANDLE_VALUE || h == nullptr || CloseHandle(h) != 0;
  }

 private:
  HANDLE h_;
};

}  // namespace tk

#endif  // TK_LIB_HANDLE_WIN32_H_
