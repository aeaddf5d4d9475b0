// The one print path of the run-time back ends.
#ifndef TK_TIMEINFO_CRT_PRINT_H_
#define TK_TIMEINFO_CRT_PRINT_H_

#include <cstdarg>

#include "timeinfo/system_crt.h"

namespace tk::timeinfo {

// Formats with this platform's run-time printf family: written to standard
// output, or, with `capture`, handed to it instead. Each back end defines
// it with its own run-time (msvcrt's entry points on Windows).
void crt_vprint(const print_capture* capture, const char* format, va_list args);

}  // namespace tk::timeinfo

#endif  // TK_TIMEINFO_CRT_PRINT_H_
