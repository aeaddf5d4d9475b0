#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include "tests/helpers/priority.h"

namespace helpers {

long own_priority() {
  // A starter that raises the priority leaves its own nice value as it was.
  const int starter =
      ::getpriority(PRIO_PROCESS, static_cast<id_t>(::getppid()));
  int now = ::getpriority(PRIO_PROCESS, 0);
  for (int i = 0; i < 200 && now >= starter; ++i) {
    const timespec pause{0, 10'000'000};
    ::nanosleep(&pause, nullptr);
    now = ::getpriority(PRIO_PROCESS, 0);
  }
  return now;
}

}  // namespace helpers
