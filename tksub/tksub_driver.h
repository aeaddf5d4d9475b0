// tksub's whole run: the argument checks, the pair file into the word
// table, the substitution pass and the target file.
#ifndef TK_TKSUB_TKSUB_DRIVER_H_
#define TK_TKSUB_TKSUB_DRIVER_H_

#include <span>
#include <string_view>

#include "lib/console.h"

namespace tk::tksub {

// Writes the banner and the usage text.
void show_usage(console_out& console);

// Runs the tool on `args` (argument 0 the program's name, as
// process_arguments gives them), writing every text to `console`, but to
// `errors` every text after the argument checks when the target is the
// standard output (target_is_standard_output). Gives the exit status: 0
// when the target was written or help or the version was asked for (-h,
// --help, /?, --version alone), 1 on every path where it was not.
int substitution_main(std::span<const std::string_view> args,
                      console_out& console, console_out& errors);

}  // namespace tk::tksub

#endif  // TK_TKSUB_TKSUB_DRIVER_H_
