// The kit's support library: command line, console, whole files, text
// routines and starting a program. One header for all of it.
//
// Texts are zero-terminated strings of 8-bit characters; lengths never count
// the terminator. Every routine that writes into a caller's buffer is told
// the buffer's size and never writes past it.
#ifndef TK_KIT_H_
#define TK_KIT_H_

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace tk {

// The kit's version, "major.minor.patch", set once by the build.
inline constexpr std::string_view kit_version = TK_KIT_VERSION;

// ---------------------------------------------------------------------------
// Memory blocks

// A zero-filled block from the platform allocator (GlobalAlloc with
// GMEM_ZEROINIT on Windows, calloc elsewhere; both hand out large blocks as
// untouched zero pages). Freed when the owner goes away.
class zero_block {
 public:
  zero_block() = default;
  // Returns an empty block (data() == nullptr) when the memory cannot be had.
  static zero_block allocate(std::size_t bytes);

  char* data() const { return ptr_.get(); }
  std::size_t size() const { return size_; }
  explicit operator bool() const { return ptr_ != nullptr; }
  std::span<char> span() const { return {ptr_.get(), size_}; }

 private:
  struct release {
    void operator()(char* p) const;
  };
  std::unique_ptr<char, release> ptr_;
  std::size_t size_ = 0;
};

// ---------------------------------------------------------------------------
// Command line

// Result codes of arg_fetch.
enum arg_result : int {
  arg_found = 1,       // the argument exists and is not empty
  arg_missing = 2,     // no argument with this index; destination emptied
  arg_odd_quotes = 3,  // odd number of quotation marks; destination untouched
  arg_empty = 4,       // the position exists but the argument is empty
  arg_too_long = 5,    // the argument does not fit the destination; emptied
};

// Must be called first thing in main(). On Windows the command line comes
// from GetCommandLineA and argc/argv are not used. Elsewhere the shell has
// already cut the arguments: arg_fetch hands out argv as delivered.
void command_line_init(int argc, char** argv);

// The process's command line, for showing it and for sizing an argument
// buffer (no argument is longer): on Windows as the system gives it; on
// POSIX argv joined by blanks, an argument that holds a blank or a
// quotation mark, or is empty, put between quotation marks.
std::string_view command_line();

// Cuts `line` into arguments and copies argument `index` into `dest`,
// quotation marks removed. Blanks (space, tab) outside quotation marks
// separate arguments; runs of blanks count as one separator, and blanks at
// the end open one more, empty position. A tab inside quotes comes back as a
// space. Lines of any length are cut; nothing is written past `dest`.
int arg_cut(std::string_view line, std::uint32_t index, std::span<char> dest);

// Argument `index` of the process into `dest`, with arg_cut's result codes.
// On Windows it is arg_cut on the command line. On POSIX it is argv[index]
// exactly as delivered (quotation marks and tabs included); arg_odd_quotes
// does not occur there.
int arg_fetch(std::uint32_t index, std::span<char> dest);

// What a tool's argument 1, given alone (nothing but blanks after it), asks
// for: "-h", "--help" and "/?" the usage text, "--version" the version.
enum class info_request { none, usage, version };
info_request info_requested();

// "<tool> <kit_version>" and CR LF, the answer to --version.
std::string version_line(std::string_view tool);

// ---------------------------------------------------------------------------
// Console and files

// Writes `text` (up to its terminator) to standard output. Returns the byte
// count that the system reports as written.
std::uint32_t console_write(const char* text);
// Writes exactly `bytes` to standard output; returns the count written.
std::uint32_t console_write_bytes(std::string_view bytes);

// Length of a text, scanning four bytes at a time. Reads are aligned to four
// bytes, so no read crosses into a page that the text does not touch.
std::uint32_t str_length_fast(const char* text);

// Why file_read_all gave no block.
enum class read_status {
  ok,
  open_failed,  // missing, a directory, a pattern, no access
  size_failed,  // the size could not be read
  too_large,    // 4 GiB or more
  no_memory,    // the block could not be obtained
  read_failed,  // the read failed or came up short
};

// What file_read_all gives: a zero-filled block three bytes longer than the
// file, holding the file's bytes, and the number of bytes read. The zero
// bytes behind the contents terminate them as a text; a caller may write a
// CR LF pair and a new terminator there.
struct text_block {
  zero_block block;
  std::uint32_t size = 0;

  char* data() const { return block.data(); }
  std::string_view view() const { return {block.data(), size}; }
};

// Reads the whole file. Returns 1 and fills `out`, or 0 and leaves `out` as
// it was; `why`, when given, tells the reason.
int file_read_all(const char* name, text_block& out,
                  read_status* why = nullptr);

// What file_write_all did.
struct write_result {
  bool ok = false;            // created and every byte written
  std::uint32_t written = 0;  // bytes the system reports as written
};

// Creates or truncates the file and writes `data` to it; no other process
// may open it meanwhile. A read-only file (the Windows attribute; on POSIX a
// regular file without any write permission bit) is left alone: ok == false.
write_result file_write_all(const char* name, std::string_view data);

// Puts `data` in the place of `name`. A regular file, or a name that does
// not exist yet, gets a new file written beside it under a temporary name
// and renamed over it, so a failed or interrupted write leaves any earlier
// file untouched; a read-only file, as for file_write_all, is not replaced.
// A symbolic link is followed and the file it names is replaced; the link
// stays. A device, a pipe or another file that is not a regular file or a
// directory (NUL and CON on Windows; a FIFO, a character device, a name
// that stands for an open file of the process such as /dev/stdout on Linux)
// is written directly, without a temporary file.
write_result file_replace_all(const char* name, std::string_view data);

// The name of a temporary file to stand beside a file whose last name
// component is `leaf_length` characters long: never longer than that name,
// and at most 8 characters ("~tk" and hexadecimal digits made from `seed`),
// so it fits wherever that name fits. Empty when `leaf_length` is 0.
std::string temp_leaf(std::size_t leaf_length, std::uint32_t seed);

// Returns 1 when the name (or pattern with * and ?) matches something on
// disk, a directory included, else 0.
int file_exists(const char* name);

// Returns 1 when both names exist and name the same file (another spelling,
// another letter case where the file system ignores it, a hard link), else
// 0. Names are taken as they stand: no pattern matching.
int file_same(const char* first, const char* second);

// ---------------------------------------------------------------------------
// Text routines

// Length of a text; never reads past the terminator.
std::uint32_t str_length(const char* text);

// Copies `source` with its terminator into `dest`. Returns false, with
// `dest` holding an empty text, when it does not fit.
bool str_copy(const char* source, std::span<char> dest);

// The length of `first` when the two texts are identical, else 0 (so two
// empty texts give 0). Exact and case-sensitive.
std::uint32_t str_compare(const char* first, const char* second);

// Appends each text in turn after the text already in `dest`. Returns `dest`,
// or nullptr when the joined text would not fit, in which case `dest` keeps
// the text it held.
char* str_concat_n(std::span<char> dest,
                   std::initializer_list<const char*> texts);

// Largest text int_to_decimal makes, terminator included.
inline constexpr std::size_t decimal_size = 12;

// Writes `value` as signed decimal text. Returns false, writing nothing,
// when `dest` is shorter than the text needs.
bool int_to_decimal(std::int32_t value, std::span<char> dest);

// The first byte that is neither space nor tab, when it is 33 to 127; else 0.
int skip_blanks(const char* text);

// Cuts the name at its first full stop, in place.
void strip_extension(char* name);

// Number of line feeds before the terminator.
std::uint32_t count_lines(const char* text);

// What read_line found.
struct line_read {
  std::uint32_t next = 0;  // position of the next line; 0 at the end
  bool fits = true;        // false when the line was longer than `dest`
};

// Copies the line at `position` of `block` into `dest`: its bytes up to the
// first byte from 0 to 13 (terminator, tab, other controls, line ends). The
// rest of the line after such a control byte is skipped; the line end is
// CR LF, a lone LF or a lone CR, and is stepped over whole, so every line is
// read once and no byte of the next line is lost. `next` is 0 when the line
// ended at the terminator. A line longer than `dest` is cut to fit and
// reported with fits == false.
line_read read_line(const char* block, std::span<char> dest,
                    std::uint32_t position);

// ---------------------------------------------------------------------------
// Starting a program

inline constexpr std::uint32_t high_priority_class = 0x80;

// Why a program could not be started.
enum class start_failure {
  none,            // it was started
  not_found,       // no such program (or a directory on its path is missing)
  not_executable,  // it exists but cannot be run (no execute permission, not
                   // a program for this system)
  other,           // any other refusal; system_error tells which
};

struct run_result {
  bool started = false;  // false: the program could not be started
  std::uint32_t exit_code = 0;
  start_failure why_not = start_failure::none;  // when !started
  std::uint32_t system_error = 0;  // when !started: errno or GetLastError()
};

// Starts the program that the first item of `command_line` names (searched
// for as the platform does), gives it `priority_class`, and returns when it
// has ended. On POSIX the line is cut by arg_cut's rules and the priority is
// applied where permitted.
run_result run_and_wait(const char* command_line, std::uint32_t priority_class);

}  // namespace tk

#endif  // TK_KIT_H_
