// Writing all of a text to a kernel handle, for the library's Windows code
// (standard output and whole files). Windows only.
#ifndef TK_LIB_WRITE_WIN32_H_
#define TK_LIB_WRITE_WIN32_H_

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tk::platform {

// Writes all of `data`; WriteFile may write less than asked on pipes.
inline std::uint32_t write_fully(HANDLE h, std::string_view data) {
  std::size_t done = 0;
  while (done < data.size()) {
    const std::size_t rest = data.size() - done;
    const DWORD chunk =
        rest > 0x40000000u ? 0x40000000u : static_cast<DWORD>(rest);
    DWORD n = 0;
    if (!WriteFile(h, data.data() + done, chunk, &n, nullptr) || n == 0) break;
    done += n;
  }
  return static_cast<std::uint32_t>(done);
}

}  // namespace tk::platform

#endif  // TK_LIB_WRITE_WIN32_H_
