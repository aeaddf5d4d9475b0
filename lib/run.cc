// The portable part of starting programs.
#include "lib/run.h"

namespace tk {

run_result system_starter::run(const char* command_line,
                               std::uint32_t priority_class) {
  return run_and_wait(command_line, priority_class);
}

}  // namespace tk
