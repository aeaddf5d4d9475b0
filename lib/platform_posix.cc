// POSIX implementation of the kit's platform routines.
#include <fcntl.h>
#include <glob.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "kit.h"

extern char** environ;

namespace tk {

namespace {

std::string& line_storage() {
  static std::string line;
  return line;
}

// A regular file without any write permission bit counts as read-only, like
// a file with the read-only attribute on Windows: it is neither truncated
// nor replaced, also not by root, whom the permission bits do not stop.
bool marked_read_only(const char* name) {
  struct stat st {};
  return ::stat(name, &st) == 0 && S_ISREG(st.st_mode) &&
         (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

bool needs_quotes(std::string_view arg) {
  return arg.empty() || arg.find_first_of(" \t\"") != std::string_view::npos;
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
  // Closes now and reports whether the close succeeded.
  bool close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

// Writes all of `data`, going on after partial writes and interruptions.
std::uint32_t write_fully(int fd, std::string_view data) {
  std::size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  return static_cast<std::uint32_t>(done);
}

bool has_wildcards(const char* name) {
  return std::string_view(name).find_first_of("*?") != std::string_view::npos;
}

}  // namespace

void zero_block::release::operator()(char* p) const { std::free(p); }

zero_block zero_block::allocate(std::size_t bytes) {
  zero_block b;
  // calloc hands large blocks out as fresh zero pages without touching them.
  b.ptr_.reset(static_cast<char*>(std::calloc(bytes == 0 ? 1 : bytes, 1)));
  if (b.ptr_) b.size_ = bytes;
  return b;
}

void command_line_init(int argc, char** argv) {
  std::string& line = line_storage();
  line.clear();
  for (int i = 0; i < argc; ++i) {
    if (i > 0) line += ' ';
    const std::string_view arg(argv[i]);
    if (needs_quotes(arg)) {
      line += '"';
      line += arg;
      line += '"';
    } else {
      line += arg;
    }
  }
}

std::string_view command_line() { return line_storage(); }

std::uint32_t console_write_bytes(std::string_view bytes) {
  return write_fully(STDOUT_FILENO, bytes);
}

int file_read_all(const char* name, text_block& out, read_status* why) {
  auto fail = [why](read_status s) {
    if (why) *why = s;
    return 0;
  };
  // Without O_NONBLOCK, opening a named pipe waits for a writer, for ever
  // if none comes; only regular files are read, so the flag changes nothing
  // else.
  scoped_fd fd(::open(name, O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (fd.get() < 0) return fail(read_status::open_failed);
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) return fail(read_status::size_failed);
  if (!S_ISREG(st.st_mode)) return fail(read_status::open_failed);
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

write_result file_replace_all(const char* name, std::string_view data) {
  write_result r;
  // rename() would put a new file in the place of a read-only one.
  if (marked_read_only(name)) return r;
  std::string temp = std::string(name) + ".XXXXXX";
  scoped_fd fd(::mkstemp(temp.data()));
  if (fd.get() < 0) return r;
  // Keep an existing target's permission bits; a new one gets the usual ones.
  struct stat st {};
  mode_t mode = 0666;
  if (::stat(name, &st) == 0) {
    mode = st.st_mode & 07777;
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode &= ~mask;
  }
  ::fchmod(fd.get(), mode);
  r.written = write_fully(fd.get(), data);
  const bool written = r.written == data.size() && ::fsync(fd.get()) == 0;
  const bool closed = fd.close();
  if (written && closed && ::rename(temp.c_str(), name) == 0) {
    r.ok = true;
  } else {
    ::unlink(temp.c_str());
  }
  return r;
}

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

run_result run_and_wait(const char* command_line,
                        std::uint32_t priority_class) {
  run_result r;
  // Cut the line into argv by the kit's own rules.
  const std::string_view line(command_line);
  std::vector<std::string> args;
  std::string arg(line.size() + 1, '\0');
  for (std::uint32_t i = 0;; ++i) {
    const int code = arg_cut(line, i, arg);
    if (code == arg_missing || code == arg_odd_quotes) break;
    args.emplace_back(arg.c_str());
  }
  if (args.empty() || args[0].empty()) {
    r.why_not = start_failure::not_found;
    return r;
  }
  std::vector<char*> argv;
  argv.reserve(args.size() + 1);
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  pid_t pid = 0;
  if (const int error =
          ::posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ);
      error != 0) {
    r.system_error = static_cast<std::uint32_t>(error);
    r.why_not = error == ENOENT || error == ENOTDIR ? start_failure::not_found
                : error == EACCES || error == ENOEXEC || error == EPERM
                    ? start_failure::not_executable
                    : start_failure::other;
    return r;
  }
  r.started = true;
  // Windows' high priority class corresponds to a lower nice value, which
  // only a privileged caller may set; without that right it is left as is.
  if (priority_class == high_priority_class)
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(pid), -10);

  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) {
      r.exit_code = 0xFFFFFFFFu;
      return r;
    }
  }
  if (WIFEXITED(status))
    r.exit_code = static_cast<std::uint32_t>(WEXITSTATUS(status));
  else if (WIFSIGNALED(status))
    r.exit_code = 128u + static_cast<std::uint32_t>(WTERMSIG(status));
  return r;
}

}  // namespace tk
