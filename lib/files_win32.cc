// Win32 implementation of the file routines (kernel32 only).
#include <windows.h>

#include <string_view>
#include <utility>

#include "lib/extras.h"
#include "lib/files.h"
#include "lib/files_internal.h"
#include "lib/handle_win32.h"
#include "lib/text.h"
#include "lib/write_win32.h"

namespace tk {

namespace {

using platform::write_fully;

// The system refuses to open such a file for writing, but an administrator
// (and Wine run as root) may get through; the attribute is asked for first,
// so that a read-only file is never truncated or replaced.
bool marked_read_only(const char* name) {
  const DWORD a = GetFileAttributesA(name);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_READONLY) != 0 &&
         (a & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace

int file_read_all(const char* name, text_block& out, read_status* why) {
  auto fail = [why](read_status s) {
    if (why) *why = s;
    return 0;
  };
  scoped_handle file(CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, 0, nullptr));
  if (!file.valid()) return fail(read_status::open_failed);
  // A pipe or a character device has no size to go by.
  if (GetFileType(file.get()) != FILE_TYPE_DISK) {
    HANDLE from = file.get();
    return platform::read_to_end(
        [](void* context, char* buffer, std::size_t room) -> std::int64_t {
          const DWORD chunk =
              room > 0x40000000u ? 0x40000000u : static_cast<DWORD>(room);
          DWORD n = 0;
          if (ReadFile(*static_cast<HANDLE*>(context), buffer, chunk, &n,
                       nullptr))
            return n;
          // A pipe whose writer has closed its end has ended.
          return GetLastError() == ERROR_BROKEN_PIPE ? 0 : -1;
        },
        &from, out, why);
  }
  DWORD high = 0;
  const DWORD low = GetFileSize(file.get(), &high);
  if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR)
    return fail(read_status::size_failed);
  if (high != 0 || low > 0xFFFFFFFFu - 3) return fail(read_status::too_large);
  zero_block block = zero_block::allocate(std::size_t{low} + 3);
  if (!block) return fail(read_status::no_memory);
  DWORD done = 0;
  while (done < low) {
    DWORD n = 0;
    if (!ReadFile(file.get(), block.data() + done, low - done, &n, nullptr))
      return fail(read_status::read_failed);
    if (n == 0) break;
    done += n;
  }
  if (done != low) return fail(read_status::read_failed);
  out.block = std::move(block);
  out.size = low;
  if (why) *why = read_status::ok;
  return 1;
}

write_result file_write_all(const char* name, std::string_view data) {
  write_result r;
  if (marked_read_only(name)) return r;
  scoped_handle file(CreateFileA(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return r;
  r.written = write_fully(file.get(), data);
  r.ok = r.written == data.size() && file.close();
  return r;
}

namespace {

// The path that a symbolic link (or another reparse point) finally leads
// to, in the plain form C:\dir\name or \\server\share\name; empty when it
// leads nowhere.
text_buffer final_path(const char* name) {
  text_buffer plain;
  scoped_handle file(CreateFileA(
      name, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!file.valid()) return plain;
  const DWORD flags = FILE_NAME_NORMALIZED | VOLUME_NAME_DOS;
  // The first call tells the size needed, terminator included.
  const DWORD needed = GetFinalPathNameByHandleA(file.get(), nullptr, 0, flags);
  if (needed == 0) return plain;
  zero_block path = zero_block::allocate(needed);
  if (!path) return plain;
  const DWORD n =
      GetFinalPathNameByHandleA(file.get(), path.data(), needed, flags);
  if (n == 0 || n >= needed) return plain;
  std::string_view whole(path.data(), n);
  constexpr std::string_view unc = "\\\\?\\UNC\\";
  constexpr std::string_view local = "\\\\?\\";
  if (whole.starts_with(unc)) {
    plain.append("\\\\").append(text_part(whole, unc.size()));
  } else {
    if (whole.starts_with(local)) whole.remove_prefix(local.size());
    plain.append(whole);
  }
  return plain;
}

// `name` in the form that ReplaceFileA documents: every `/` a `\` (forward
// slashes, which the other calls take, have been seen to fail there), and
// with a directory part, since Wine's refuses a bare file name
// (ERROR_DIRECTORY).
text_buffer with_directory(const char* name) {
  const std::string_view whole(name);
  text_buffer path(whole.size() + 2);
  if (directory_part(whole).empty()) path.append(".\\");
  for (const char c : whole) path.append(c == '/' ? '\\' : c);
  return path;
}

bool is_directory(const char* name) {
  const DWORD a = GetFileAttributesA(name);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

// Both slashes separate directories; a colon ends a drive ("C:names.txt").
std::string_view path_separators() { return "\\/:"; }

namespace platform {

void remove_file(const char* name) { DeleteFileA(name); }
void close_native(std::intptr_t handle) {
  CloseHandle(reinterpret_cast<HANDLE>(handle));
}

}  // namespace platform

write_result staged_file::commit() {
  write_result r;
  if (!result_.ok) return r;
  if (!temp_.empty()) {
    r.written = result_.written;
    // ReplaceFileA keeps what belongs to the file rather than to its text:
    // attributes, access control list, creation time, short name.
    const DWORD attributes = GetFileAttributesA(path_.c_str());
    const bool existing = attributes != INVALID_FILE_ATTRIBUTES;
    // A directory put in the file's place meanwhile is never replaced.
    if (existing && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
      r.ok = false;
    else if (existing)
      r.ok =
          ReplaceFileA(path_.c_str(), temp_.c_str(), nullptr,
                       REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) != 0;
    else
      r.ok = MoveFileExA(temp_.c_str(), path_.c_str(),
                         MOVEFILE_WRITE_THROUGH) != 0;
    if (r.ok) temp_ = text_buffer();
  } else {
    scoped_handle direct(reinterpret_cast<HANDLE>(direct_));
    direct_ = -1;
    r.written = write_fully(direct.get(), data_);
    r.ok = r.written == data_.size() && direct.close();
  }
  discard();
  result_ = {};
  return r;
}

staged_file file_stage(const char* name, std::string_view data) {
  staged_file staged;
  // A device (NUL, CON, a serial port) or a pipe is written as it stands:
  // there is no file to put in its place. It stays open until commit(), so
  // that a pipe's server sees one client.
  scoped_handle direct;
  if (!marked_read_only(name)) {
    direct.reset(CreateFileA(name, GENERIC_WRITE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, 0, nullptr));
  }
  if (direct.valid() && GetFileType(direct.get()) != FILE_TYPE_DISK) {
    staged.direct_ = reinterpret_cast<std::intptr_t>(direct.release());
    staged.data_ = data;
    staged.result_.ok = true;
    return staged;
  }
  direct.close();
  text_buffer path = with_directory(name);
  const DWORD attributes = GetFileAttributesA(name);
  if (attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    // A link is followed and the file it names is replaced; a link that
    // leads nowhere is not written through.
    path = final_path(name);
  }
  if (path.empty() || path.failed()) {
    staged.result_.no_memory = path.failed();
    return staged;
  }
  if (is_directory(path.c_str()) || marked_read_only(path.c_str()))
    return staged;
  // A short name of its own beside the target: a name no longer than the
  // target's, so it fits where the whole path is near its limit too.
  const std::string_view whole = path.view();
  const std::string_view dir = directory_part(whole);
  const std::size_t leaf_length = whole.size() - dir.size();
  if (leaf_length == 0) return staged;
  const std::uint32_t seed =
      static_cast<std::uint32_t>(GetCurrentProcessId()) * 2654435761u;
  scoped_handle file;
  text_buffer temp;
  for (std::uint32_t attempt = 0; attempt < 64 && !file.valid(); ++attempt) {
    if (!platform::temp_name(temp, dir, leaf_length, seed + attempt)) {
      staged.result_.no_memory = true;
      return staged;
    }
    file.reset(CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
    const DWORD error = GetLastError();
    if (!file.valid() && error != ERROR_FILE_EXISTS &&
        error != ERROR_ALREADY_EXISTS)
      return staged;
  }
  if (!file.valid()) return staged;
  staged.temp_ = std::move(temp);
  staged.path_ = std::move(path);
  staged.result_.written = write_fully(file.get(), data);
  const bool written = staged.result_.written == data.size() &&
                       FlushFileBuffers(file.get()) != 0;
  const bool closed = file.close();
  if (written && closed)
    staged.result_.ok = true;
  else
    staged.discard();
  return staged;
}

std::size_t max_name_length() { return MAX_PATH - 1; }

int file_exists(const char* name) {
  WIN32_FIND_DATAA data;
  const HANDLE h = FindFirstFileA(name, &data);
  if (h == INVALID_HANDLE_VALUE) return 0;
  FindClose(h);
  return 1;
}

int file_same(const char* first, const char* second) {
  // The volume and the file index name a file whatever path leads to it.
  struct identity {
    bool known = false;
    BY_HANDLE_FILE_INFORMATION info{};
  };
  auto identify = [](const char* name) {
    identity id;
    // No access rights are asked for: only the file's attributes are read,
    // and a directory needs backup semantics to be opened at all.
    scoped_handle file(CreateFileA(
        name, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    id.known = file.valid() && GetFileInformationByHandle(file.get(), &id.info);
    return id;
  };
  const identity a = identify(first);
  if (!a.known) return 0;
  const identity b = identify(second);
  if (!b.known) return 0;
  const bool same =
      a.info.dwVolumeSerialNumber == b.info.dwVolumeSerialNumber &&
      a.info.nFileIndexHigh == b.info.nFileIndexHigh &&
      a.info.nFileIndexLow == b.info.nFileIndexLow;
  return same ? 1 : 0;
}

}  // namespace tk
