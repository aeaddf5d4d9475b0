// Where tksub's texts go when its target is the standard output: there the
// target text stands alone, and the texts go to the standard error.
#ifndef TK_TKSUB_REPORT_STREAM_H_
#define TK_TKSUB_REPORT_STREAM_H_

#include <string_view>

#include "console.h"

namespace tk::tksub {

// True when the target `name` is the process's standard output. POSIX: the
// name leads to the same file as descriptor 1 (/dev/stdout, /dev/fd/1, the
// terminal's own name, the file or FIFO that descriptor 1 was opened on).
// Windows: the standard output is a console and `name` is CON or CONOUT$
// in any letter case; a redirected standard output never counts.
bool target_is_standard_output(const char* name);

// Writes to the process's standard error.
class error_console final : public console_out {
 public:
  void write(std::string_view text) override;
};

}  // namespace tk::tksub

#endif  // TK_TKSUB_REPORT_STREAM_H_
