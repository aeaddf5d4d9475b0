// The command line: cutting a line into arguments, the process's own
// arguments, and the requests for help and version.
#ifndef TK_ARGS_H_
#define TK_ARGS_H_

#include <cstdint>
#include <span>
#include <string_view>

#include "lib/memory.h"

namespace tk {

// Result codes of arg_fetch.
enum arg_result : int {
  arg_found = 1,       // the argument exists and is not empty
  arg_missing = 2,     // no argument with this index; destination emptied
  arg_odd_quotes = 3,  // odd number of quotation marks; destination untouched
  arg_empty = 4,       // the position exists but the argument is empty
  arg_too_long = 5,    // the argument does not fit the destination; emptied
};

// True when `text` holds an even number of quotation marks: a command line
// with an odd number is malformed and gives no argument.
bool quotes_balanced(std::string_view text);

// Cuts `line` into arguments and copies argument `index` into `dest`,
// quotation marks removed. Blanks (space, tab) outside quotation marks
// separate arguments; runs of blanks count as one separator, and blanks at
// the end open one more, empty position. A tab inside quotes comes back as a
// space. Lines of any length are cut; nothing is written past `dest`.
int arg_cut(std::string_view line, std::uint32_t index, std::span<char> dest);

// Arguments held in one zero_block: a view of each, then their texts.
// Move-only; empty when made empty, or when its memory could not be had
// (ok() false).
class arg_list {
 public:
  arg_list() = default;
  // Every argument of `line` as arg_cut gives them, empty positions
  // included; none at all when the line holds an odd number of quotation
  // marks.
  static arg_list split(std::string_view line);
  // A copy of `args`, each taken exactly as it stands (argv as delivered).
  static arg_list copy(std::span<char* const> args);

  std::span<const std::string_view> view() const {
    return {reinterpret_cast<const std::string_view*>(block_.data()), count_};
  }
  std::size_t size() const { return count_; }
  std::string_view operator[](std::size_t i) const { return view()[i]; }
  bool ok() const { return ok_; }

 private:
  zero_block block_;
  std::size_t count_ = 0;
  bool ok_ = true;
};

// Argument `index` of `args` into `dest`, with arg_cut's result codes (but
// never arg_odd_quotes): each argument is taken exactly as it stands.
int arg_get(std::span<const std::string_view> args, std::uint32_t index,
            std::span<char> dest);

// The arguments the process was started with, argument 0 its name. On
// Windows arg_list::split of GetCommandLineA (argc and argv are not used); on
// POSIX argv as delivered, since the shell has already cut the line.
arg_list process_arguments(int argc, char** argv);

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
info_request info_requested(std::span<const std::string_view> args);

}  // namespace tk

#endif  // TK_ARGS_H_
