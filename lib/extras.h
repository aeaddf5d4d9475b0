// The support library's routines that none of the kit's tools calls. They
// belong to the library as its users know it, so they are kept, built and
// tested like the rest; their code lives with its subject (args.cc,
// args_*.cc, console.cc, files_*.cc, text.cc). lib/kit.h does not bring this
// header: a program that uses one of them includes it by name.
#ifndef TK_EXTRAS_H_
#define TK_EXTRAS_H_

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string_view>

#include "lib/args.h"
#include "lib/files.h"

namespace tk {

// ---- The command line, one argument at a time (args.h has arg_list).

// Cuts `line` into arguments and copies argument `index` into `dest`,
// quotation marks removed. Blanks (space, tab) outside quotation marks
// separate arguments; runs of blanks count as one separator, and blanks at
// the end open one more, empty position. A tab inside quotes comes back as a
// space. Lines of any length are cut; nothing is written past `dest`.
int arg_cut(std::string_view line, std::uint32_t index, std::span<char> dest);

// Must be called first thing in main() by a program that uses arg_fetch or
// command_line. On Windows the command line comes from GetCommandLineA and
// argc/argv are not used. Elsewhere the shell has already cut the arguments:
// arg_fetch hands out argv as delivered.
void command_line_init(int argc, char** argv);

// The process's command line, for showing it and for sizing an argument
// buffer (no argument is longer): on Windows as the system gives it; on
// POSIX argv joined by blanks, an argument that holds a blank or a
// quotation mark, or is empty, put between quotation marks.
std::string_view command_line();

// Argument `index` of the process into `dest`, with arg_cut's result codes.
// On Windows it is arg_cut on the command line. On POSIX it is argv[index]
// exactly as delivered (quotation marks and tabs included); arg_odd_quotes
// does not occur there.
int arg_fetch(std::uint32_t index, std::span<char> dest);

// ---- Texts.

// Length of a text, scanning four bytes at a time. Reads are aligned to four
// bytes, so no read crosses into a page that the text does not touch.
std::uint32_t str_length_fast(const char* text);

// Copies `source` with its terminator into `dest`. Returns false, with
// `dest` holding an empty text, when it does not fit.
bool str_copy(const char* source, std::span<char> dest);

// Appends each text in turn after the text already in `dest`. Returns `dest`,
// or nullptr when the joined text would not fit, in which case `dest` keeps
// the text it held.
char* str_concat_n(std::span<char> dest,
                   std::initializer_list<const char*> texts);

// The first byte that is neither space nor tab, when it is 33 to 127; else 0.
int skip_blanks(const char* text);

// ---- Standard output.

// Writes `text` (up to its terminator) to standard output. Returns the byte
// count that the system reports as written.
std::uint32_t console_write(const char* text);

// ---- Whole files.

// Creates or truncates the file and writes `data` to it; no other process
// may open it meanwhile. A read-only file (the Windows attribute; on POSIX a
// regular file without any write permission bit) is left alone: ok == false.
// ok only when every byte was written.
write_result file_write_all(const char* name, std::string_view data);

}  // namespace tk

#endif  // TK_EXTRAS_H_
