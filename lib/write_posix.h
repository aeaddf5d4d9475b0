// Writing all of a text to a file descriptor, for the library's POSIX code
// (standard output and whole files). POSIX only.
#ifndef TK_LIB_WRITE_POSIX_H_
#define TK_LIB_WRITE_POSIX_H_

#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tk::platform {

// Writes all of `data`, going on after partial writes and interruptions.
inline std::uint32_t write_fully(int fd, std::string_view data) {
  std::size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  return static_cast<std::uint32_t>(done);
}

}  // namespace tk::platform

#endif  // TK_LIB_WRITE_POSIX_H_
