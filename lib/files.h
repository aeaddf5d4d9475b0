// Whole files: reading, writing and replacing them, and asking after names.
#ifndef TK_FILES_H_
#define TK_FILES_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "memory.h"

namespace tk {

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
// it was; `why`, when given, tells the reason. A regular file is read to the
// size it reports when opened, and refused when it holds less. An input
// whose size is not known beforehand (a pipe, a named pipe once its writer
// has come, a terminal, a device; on POSIX also a regular file reporting a
// size of 0, as the files of /proc do) is read to its end.
int file_read_all(const char* name, text_block& out,
                  read_status* why = nullptr);

// file_read_all's reading to the end: `read_some(buffer, room)` reads at
// most `room` bytes into `buffer` and gives the count, 0 at the end, or a
// negative number when the read failed.
int read_to_end(
    const std::function<std::int64_t(char*, std::size_t)>& read_some,
    text_block& out, read_status* why);

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

// The longest file name, in characters, that the system takes: 259 on
// Windows (MAX_PATH less the terminator), PATH_MAX less the terminator on
// POSIX (4095 on Linux).
std::size_t max_name_length();

// Returns 1 when the name (or pattern with * and ?) matches something on
// disk, a directory included, else 0.
int file_exists(const char* name);

// Returns 1 when both names exist and name the same file (another spelling,
// another letter case where the file system ignores it, a hard link), else
// 0. Names are taken as they stand: no pattern matching.
int file_same(const char* first, const char* second);

}  // namespace tk

#endif  // TK_FILES_H_
