// POSIX implementation of the file routines.
#include <fcntl.h>
#include <glob.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdio>
#include <utility>

#include "lib/extras.h"
#include "lib/files.h"
#include "lib/files_internal.h"
#include "lib/text.h"
#include "lib/write_posix.h"

namespace tk {

namespace {

using platform::write_fully;

// A regular file without any write permission bit counts as read-only, like
// a file with the read-only attribute on Windows: it is neither truncated
// nor replaced, also not by root, whom the permission bits do not stop.
bool marked_read_only(const char* name) {
  struct stat st {};
  return ::stat(name, &st) == 0 && S_ISREG(st.st_mode) &&
         (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

class scoped_fd {
 public:
  explicit scoped_fd(int fd) : fd_(fd) {}
  scoped_fd(const scoped_fd&) = delete;
  scoped_fd& operator=(const scoped_fd&) = delete;
  ~scoped_fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }
  // Takes `fd` over, closing the descriptor held before.
  void reset(int fd) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }
  // Closes now and reports whether the close succeeded.
  bool close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

// The directory part of a path with its final slash; empty for a bare name.
// True when `path` lies in the kernel's process file system, whose links
// (/proc/self/fd/1, reached from /dev/stdout) stand for open files rather
// than for the names their text shows.
bool in_process_file_system(std::string_view path) {
  constexpr long proc_super_magic = 0x9fa0;
  text_buffer dir;
  dir.append(directory_part(path));
  if (dir.empty()) dir.append('.');
  struct statfs fs {};
  return !dir.failed() && ::statfs(dir.c_str(), &fs) == 0 &&
         static_cast<long>(fs.f_type) == proc_super_magic;
}

// Where a name leads when its symbolic links are followed.
struct link_end {
  bool ok = false;         // false: a loop of links, one unreadable, no memory
  bool no_memory = false;  // not ok for want of memory
  text_buffer path;        // the last name reached
  bool open_file = false;  // path is a link that stands for an open file
};

link_end follow_links(const char* name) {
  link_end end;
  text_buffer path;
  path.append(name);
  zero_block text = zero_block::allocate(PATH_MAX);
  if (path.failed() || !text) {
    end.no_memory = true;
    return end;
  }
  // As many links as the system itself follows in one name.
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st {};
    const bool link = ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
    if (!link || in_process_file_system(path.view())) {
      end.ok = true;
      end.open_file = link;
      end.path = std::move(path);
      return end;
    }
    const ssize_t n = ::readlink(path.c_str(), text.data(), text.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= text.size()) return end;
    const std::string_view target(text.data(), static_cast<std::size_t>(n));
    // A relative link is read from the link's own directory.
    text_buffer next;
    if (target.front() != '/') next.append(directory_part(path.view()));
    next.append(target);
    if (next.failed()) {
      end.no_memory = true;
      return end;
    }
    path = std::move(next);
  }
  return end;
}

// The descriptor of this process that a link such as /proc/self/fd/1 or
// /dev/fd/1 stands for, when it is the same file as `target`; else -1.
int own_descriptor(std::string_view link, const struct stat& target) {
  const std::string_view digits = text_part(link, link.rfind('/') + 1);
  int fd = -1;
  const auto [end, ec] =
      std::from_chars(digits.data(), digits.data() + digits.size(), fd);
  if (ec != std::errc() || end != digits.data() + digits.size() || fd < 0)
    return -1;
  struct stat st {};
  return ::fstat(fd, &st) == 0 && st.st_dev == target.st_dev &&
                 st.st_ino == target.st_ino
             ? fd
             : -1;
}

bool has_wildcards(const char* name) {
  return std::string_view(name).find_first_of("*?") != std::string_view::npos;
}

}  // namespace

int file_read_all(const char* name, text_block& out, read_status* why) {
  auto fail = [why](read_status s) {
    if (why) *why = s;
    return 0;
  };
  // A named pipe is opened as a shell opens it for a reader: the open waits
  // for the writer, so that what the writer sends is read, not an empty
  // pipe.
  scoped_fd fd(::open(name, O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) return fail(read_status::open_failed);
  int descriptor = fd.get();
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) return fail(read_status::size_failed);
  if (S_ISDIR(st.st_mode)) return fail(read_status::open_failed);
  // A pipe, a terminal or a device has no size to go by, and the files of
  // /proc report 0 whatever they hold.
  if (!S_ISREG(st.st_mode) || st.st_size == 0) {
    return platform::read_to_end(
        [](void* context, char* buffer, std::size_t room) -> std::int64_t {
          const int from = *static_cast<const int*>(context);
          for (;;) {
            const ssize_t n = ::read(from, buffer, room);
            if (n >= 0 || errno != EINTR) return n;
          }
        },
        &descriptor, out, why);
  }
  if (st.st_size < 0) return fail(read_status::size_failed);
  const auto size = static_cast<std::uint64_t>(st.st_size);
  if (size > 0xFFFFFFFFull - 3) return fail(read_status::too_large);
  zero_block block = zero_block::allocate(static_cast<std::size_t>(size) + 3);
  if (!block) return fail(read_status::no_memory);
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::read(fd.get(), block.data() + done, size - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return fail(read_status::read_failed);
    }
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  if (done != size) return fail(read_status::read_failed);
  out.block = std::move(block);
  out.size = static_cast<std::uint32_t>(size);
  if (why) *why = read_status::ok;
  return 1;
}

write_result file_write_all(const char* name, std::string_view data) {
  write_result r;
  if (marked_read_only(name)) return r;
  scoped_fd fd(::open(name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
  if (fd.get() < 0) return r;
  r.written = write_fully(fd.get(), data);
  r.ok = r.written == data.size() && fd.close();
  return r;
}

// A backslash is an ordinary character in a POSIX file name.
std::string_view path_separators() { return "/"; }

namespace platform {

void remove_file(const char* name) { ::unlink(name); }
void close_native(std::intptr_t handle) { ::close(static_cast<int>(handle)); }

}  // namespace platform

write_result staged_file::commit() {
  write_result r;
  if (!result_.ok) return r;
  if (!temp_.empty()) {
    r.written = result_.written;
    r.ok = ::rename(temp_.c_str(), path_.c_str()) == 0;
    if (r.ok) temp_ = text_buffer();
  } else {
    const int fd = own_ >= 0 ? own_ : static_cast<int>(direct_);
    r.written = write_fully(fd, data_);
    bool closed = true;
    if (own_ < 0) {
      closed = ::close(fd) == 0;
      direct_ = -1;
    }
    r.ok = r.written == data_.size() && closed;
  }
  discard();
  result_ = {};
  return r;
}

staged_file file_stage(const char* name, std::string_view data) {
  staged_file staged;
  struct stat st {};
  const bool exists = ::stat(name, &st) == 0;
  if (exists && S_ISDIR(st.st_mode)) return staged;
  // rename() would put a new file in the place of a read-only one.
  if (marked_read_only(name)) return staged;
  link_end end = follow_links(name);
  if (!end.ok) {
    staged.result_.no_memory = end.no_memory;
    return staged;
  }
  if (end.open_file || (exists && !S_ISREG(st.st_mode))) {
    // /dev/stdout and its kind are written through the process's own
    // descriptor, so the text joins that stream in order. Another open
    // file, a pipe or a device is written as it stands: a new file in its
    // place would cut it off from whoever reads it, and a regular file
    // reached through another process's descriptor is written at its end,
    // as that process would.
    if (end.open_file) staged.own_ = own_descriptor(end.path.view(), st);
    if (staged.own_ < 0) {
      const int append = end.open_file && S_ISREG(st.st_mode) ? O_APPEND : 0;
      const int fd = ::open(name, O_WRONLY | O_NOCTTY | O_CLOEXEC | append);
      if (fd < 0) return staged;
      staged.direct_ = fd;
    }
    staged.data_ = data;
    staged.result_.ok = true;
    return staged;
  }
  // A short name of its own beside the file, never longer than the file's.
  const std::string_view dir = directory_part(end.path.view());
  const std::size_t leaf_length = end.path.size() - dir.size();
  if (leaf_length == 0) return staged;
  const std::uint32_t seed =
      static_cast<std::uint32_t>(::getpid()) * 2654435761u;
  scoped_fd fd(-1);
  text_buffer temp;
  for (std::uint32_t attempt = 0; attempt < 64 && fd.get() < 0; ++attempt) {
    if (!platform::temp_name(temp, dir, leaf_length, seed + attempt)) {
      staged.result_.no_memory = true;
      return staged;
    }
    // Mode 0666 leaves to the umask what a new file gets.
    fd.reset(
        ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (fd.get() < 0 && errno != EEXIST) return staged;
  }
  if (fd.get() < 0) return staged;
  staged.temp_ = std::move(temp);
  staged.path_ = std::move(end.path);
  // The replaced file's permission bits go to its successor.
  const bool mode_kept = !exists || ::fchmod(fd.get(), st.st_mode & 07777) == 0;
  staged.result_.written = write_fully(fd.get(), data);
  const bool written = mode_kept && staged.result_.written == data.size() &&
                       ::fsync(fd.get()) == 0;
  const bool closed = fd.close();
  if (written && closed)
    staged.result_.ok = true;
  else
    staged.discard();
  return staged;
}

std::size_t max_name_length() { return PATH_MAX - 1; }

int file_exists(const char* name) {
  struct stat st {};
  if (::stat(name, &st) == 0) return 1;
  if (!has_wildcards(name)) return 0;
  glob_t g{};
  const int rc = ::glob(name, GLOB_NOSORT, nullptr, &g);
  const bool found = rc == 0 && g.gl_pathc > 0;
  ::globfree(&g);
  return found ? 1 : 0;
}

int file_same(const char* first, const char* second) {
  struct stat a {};
  struct stat b {};
  if (::stat(first, &a) != 0 || ::stat(second, &b) != 0) return 0;
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino ? 1 : 0;
}

}  // namespace tk
