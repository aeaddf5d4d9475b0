// The kit's support library, one header per subject: memory blocks (memory.h),
// the command line (args.h), the console (console.h), whole files
// (files.h), text routines (text.h) and starting a program (run.h). This
// header brings them all.
//
// Texts are zero-terminated strings of 8-bit characters; lengths never count
// the terminator. Every routine that writes into a caller's buffer is told
// the buffer's size and never writes past it.
#ifndef TK_KIT_H_
#define TK_KIT_H_

#include "lib/args.h"
#include "lib/console.h"
#include "lib/files.h"
#include "lib/memory.h"
#include "lib/run.h"
#include "lib/text.h"

#endif  // TK_KIT_H_
