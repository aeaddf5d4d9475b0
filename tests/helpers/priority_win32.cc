#include <windows.h>

#include "tests/helpers/priority.h"

namespace helpers {

long own_priority() {
  const HANDLE self = GetCurrentProcess();
  DWORD now = GetPriorityClass(self);
  for (int i = 0; i < 200 && now == NORMAL_PRIORITY_CLASS; ++i) {
    Sleep(10);
    now = GetPriorityClass(self);
  }
  return static_cast<long>(now);
}

}  // namespace helpers
