// The command line: cutting a line into arguments, the process's own
// arguments, and the requests for help and version.
#ifndef TK_ARGS_H_
#define TK_ARGS_H_

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tk {

// The kit's version, "major.minor.patch", set once by the build.
inline constexpr std::string_view kit_version = TK_KIT_VERSION;

// Result codes of arg_fetch.
enum arg_result : int {
  arg_found = 1,       // the argument exists and is not empty
  arg_missing = 2,     // no argument with this index; destination emptied
  arg_odd_quotes = 3,  // odd number of quotation marks; destination untouched
  arg_empty = 4,       // the position exists but the argument is empty
  arg_too_long = 5,    // the argument does not fit the destination; emptied
};

// Cuts `line` into arguments and copies argument `index` into `dest`,
// quotation marks removed. Blanks (space, tab) outside quotation marks
// separate arguments; runs of blanks count as one separator, and blanks at
// the end open one more, empty position. A tab inside quotes comes back as a
// space. Lines of any length are cut; nothing is written past `dest`.
int arg_cut(std::string_view line, std::uint32_t index, std::span<char> dest);

// Every argument of `line` as arg_cut gives them, empty positions included.
// No arguments at all when the line holds an odd number of quotation marks.
std::vector<std::string> arg_split(std::string_view line);

// Argument `index` of `args` into `dest`, with arg_cut's result codes (but
// never arg_odd_quotes): each argument is taken exactly as it stands.
int arg_get(std::span<const std::string> args, std::uint32_t index,
            std::span<char> dest);

// The arguments the process was started with, argument 0 its name. On
// Windows arg_split of GetCommandLineA (argc and argv are not used); on POSIX
// argv as delivered, since the shell has already cut the line.
std::vector<std::string> process_arguments(int argc, char** argv);

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

// What argument 1 of `args`, given alone (nothing but blanks after it), asks
// for: "-h", "--help" and "/?" the usage text, "--version" the version.
enum class info_request { none, usage, version };
info_request info_requested(std::span<const std::string> args);

// "<tool> <kit_version>" and CR LF, the answer to --version.
std::string version_line(std::string_view tool);

}  // namespace tk

#endif  // TK_ARGS_H_
