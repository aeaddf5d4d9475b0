// Whole files: reading, writing and replacing them, and asking after names.
#ifndef TK_FILES_H_
#define TK_FILES_H_

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "lib/memory.h"

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

// What writing a whole file did.
struct write_result {
  bool ok = false;            // created and every byte written
  std::uint32_t written = 0;  // bytes the system reports as written
  bool no_memory = false;     // not ok for want of memory for a name
};

// A new text for a file, staged by file_stage and put in the file's place
// by commit(). Until then the file is untouched; a staged text that is
// never committed leaves nothing behind (its temporary file is removed when
// the object goes away). Move-only.
class staged_file {
 public:
  staged_file() noexcept;
  staged_file(staged_file&& other) noexcept;
  staged_file& operator=(staged_file&& other) noexcept;
  staged_file(const staged_file&) = delete;
  staged_file& operator=(const staged_file&) = delete;
  ~staged_file();

  // True when the text is ready to be put in place.
  bool ok() const { return result_.ok; }
  // What staging did: ok, and the bytes written to the temporary file.
  const write_result& result() const { return result_; }

  // Puts the staged text in the file's place: the temporary file is renamed
  // over the file (on Windows an existing file is replaced with ReplaceFileA,
  // which keeps its attributes and its access control list), or the text is
  // written directly where file_stage said so. Gives ok == false, removing
  // the temporary file, when that fails or nothing is staged; a second
  // commit fails too.
  write_result commit();

 private:
  friend staged_file file_stage(const char* name, std::string_view data);
  // Removes the temporary file, if any, closes a target opened for commit,
  // and forgets the target.
  void discard();

  text_buffer temp_;  // the temporary file, while it exists
  text_buffer path_;  // the file that the temporary file is to replace
  // A device or pipe opened by file_stage and written by commit(): a
  // HANDLE on Windows, a descriptor on POSIX; -1 when there is none.
  std::intptr_t direct_ = -1;
  int own_ = -1;           // POSIX: the process's own descriptor for the target
  std::string_view data_;  // what commit() writes to direct_ or own_
  write_result result_;
};

// Writes `data` in full under a temporary name in the directory of the file
// that `name` finally names (symbolic links are followed; a relative link is
// read from the link's own directory), so that commit() can put it in place
// of that file. The new file gets an existing file's permission bits, or
// those that the umask leaves for a new one. Not ok, with nothing left
// behind, when the write fails or the target is a directory or read-only
// (the Windows attribute; on POSIX a regular file without any write
// permission bit). A device, a pipe or another target that is not a regular
// file (NUL, CON and \\.\pipe\NAME on Windows; a FIFO, a character device
// and a name for an open file of the process such as /dev/stdout on Linux)
// has no temporary file: it is opened now and written by commit(), from
// `data`, which must then still be valid.
staged_file file_stage(const char* name, std::string_view data);

// Puts `data` in the place of `name`: file_stage, then commit(). A failed or
// interrupted write leaves any earlier file untouched and no temporary file.
// Other hard links of a replaced file keep the old text: the name gets a new
// file.
write_result file_replace_all(const char* name, std::string_view data);

// The characters that end a directory in a file name here: `/` on POSIX,
// where a backslash is an ordinary character; `\`, `/` and the colon of a
// drive ("C:names.txt") on Windows.
std::string_view path_separators();

// The part of `path` up to and including the last of `separators`; empty
// when it has none.
std::string_view directory_part(
    std::string_view path, std::string_view separators = path_separators());

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
