// The command line: cutting a line into arguments, the process's own
// arguments, and the requests for help and version.
#ifndef TK_ARGS_H_
#define TK_ARGS_H_

#include <cstdint>
#include <span>
#include <string_view>

#include "lib/memory.h"

namespace tk {

// Result codes of arg_get (and arg_cut, arg_fetch: lib/extras.h).
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

// Argument `index` of `args` into `dest`, with the result codes above (but
// never arg_odd_quotes): each argument is taken exactly as it stands.
int arg_get(std::span<const std::string_view> args, std::uint32_t index,
            std::span<char> dest);

// The arguments the process was started with, argument 0 its name. On
// Windows arg_list::split of GetCommandLineA (argc and argv are not used); on
// POSIX argv as delivered, since the shell has already cut the line.
arg_list process_arguments(int argc, char** argv);

// What argument 1 of `args`, given alone (nothing but blanks after it), asks
// for: "-h", "--help" and "/?" the usage text, "--version" the version.
enum class info_request { none, usage, version };
info_request info_requested(std::span<const std::string_view> args);

}  // namespace tk

#endif  // TK_ARGS_H_
