// POSIX implementation of the console output.
#include <unistd.h>

#include "console.h"
#include "write_posix.h"

namespace tk {

std::uint32_t console_write_bytes(std::string_view bytes) {
  return platform::write_fully(STDOUT_FILENO, bytes);
}

}  // namespace tk
