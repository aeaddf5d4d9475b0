// deflib's run: reads the list file named by argument 1, writes NAME.def and
// NAME.inc, and starts the librarian on NAME.def.
#ifndef TK_DEFLIB_DEFLIB_DRIVER_H_
#define TK_DEFLIB_DEFLIB_DRIVER_H_

#include <span>
#include <string_view>

#include "lib/console.h"
#include "lib/run.h"

namespace tk::deflib {

// The command line that starts the toolkit's librarian, up to the name of
// the module-definition file: the program link in \tolvane\bin at the root
// of the current drive.
std::string_view librarian_prefix();

// The librarian's command line up to NAME.def as deflib uses it: `setting`,
// the value of the environment variable DEFLIB_LIBRARIAN (nullptr when it is
// not set), when it is not empty, else librarian_prefix(). NAME.def follows
// it directly.
std::string_view librarian_chosen(const char* setting);

// librarian_chosen() of the environment variable DEFLIB_LIBRARIAN.
std::string_view librarian_of_environment();

// What deflib says when memory runs out, anywhere in the run.
inline constexpr std::string_view no_memory_text =
    "deflib: not enough memory\r\n";

// Does the whole run on `args` (argument 0 the program's name, as
// tk::process_arguments gives them) and returns the exit status:
//   0  both files written, the librarian ran and exited with 0; or the
//      usage text or the version shown on request (-h, --help, /?,
//      --version alone);
//   1  usage text shown, list unreadable or unusable, an output file not
//      written (the librarian is then not started), the librarian could
//      not be started, or memory ran out;
//   2  the librarian ran and exited with a non-zero code.
// Every failure is reported with one line on `console`. The librarian is
// started through `starter` with `librarian` followed by NAME.def, in the
// high priority class; deflib itself passes librarian_chosen() of its
// environment.
int generator_main(std::span<const std::string_view> args,
                   std::string_view librarian, tk::console_out& console,
                   tk::process_starter& starter);

}  // namespace tk::deflib

#endif  // TK_DEFLIB_DEFLIB_DRIVER_H_
