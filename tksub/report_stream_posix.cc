// POSIX: the standard output as a target, and the standard error.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "report_stream.h"

namespace tk::tksub {

// The file itself, not the name: every spelling that leads to descriptor
// 1's file counts, links followed.
bool target_is_standard_output(const char* name) {
  struct stat target {};
  struct stat out {};
  return ::stat(name, &target) == 0 && ::fstat(STDOUT_FILENO, &out) == 0 &&
         target.st_dev == out.st_dev && target.st_ino == out.st_ino;
}

void error_console::write(std::string_view text) {
  while (!text.empty()) {
    const ssize_t n = ::write(STDERR_FILENO, text.data(), text.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    text.remove_prefix(static_cast<std::size_t>(n));
  }
}

}  // namespace tk::tksub
