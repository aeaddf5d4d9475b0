// POSIX implementation of the console output.
#include <unistd.h>

#include "lib/console.h"
#include "lib/write_posix.h"

namespace tk {

std::uint32_t console_write_bytes(std::string_view bytes) {
  return platform::write_fully(STDOUT_FILENO, bytes);
}

std::uint32_t console_error_bytes(std::string_view bytes) {
  return platform::write_fully(STDERR_FILENO, bytes);
}

}  // namespace tk
