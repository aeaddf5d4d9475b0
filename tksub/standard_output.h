// When tksub's target is the standard output, the target text stands alone
// there and tksub's texts go to the standard error.
#ifndef TK_TKSUB_STANDARD_OUTPUT_H_
#define TK_TKSUB_STANDARD_OUTPUT_H_

namespace tk::tksub {

// True when the target `name` is the process's standard output. POSIX: the
// name leads to the same file as descriptor 1 (/dev/stdout, /dev/fd/1, the
// terminal's own name, the file or FIFO that descriptor 1 was opened on).
// Windows: the standard output is a console and `name` is CON or CONOUT$
// in any letter case; a redirected standard output never counts.
bool target_is_standard_output(const char* name);

}  // namespace tk::tksub

#endif  // TK_TKSUB_STANDARD_OUTPUT_H_
