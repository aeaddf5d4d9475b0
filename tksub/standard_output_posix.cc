// POSIX: is the target the standard output?
#include <sys/stat.h>
#include <unistd.h>

#include "tksub/standard_output.h"

namespace tk::tksub {

// The file itself, not the name: every spelling that leads to descriptor
// 1's file counts, links followed.
bool target_is_standard_output(const char* name) {
  struct stat target {};
  struct stat out {};
  return ::stat(name, &target) == 0 && ::fstat(STDOUT_FILENO, &out) == 0 &&
         target.st_dev == out.st_dev && target.st_ino == out.st_ino;
}

}  // namespace tk::tksub
