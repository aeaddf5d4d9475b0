// POSIX side of the test helpers.
#include <fcntl.h>
#include <pthread.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <stdexcept>
#include <vector>

#include "lib/kit.h"
#include "tests/test_util.h"

extern char** environ;

namespace tk::test {

namespace fs = std::filesystem;

fifo_writer::fifo_writer(std::string name, std::string bytes)
    : name_(std::move(name)), thread_([name = name_, bytes = std::move(bytes)] {
        sigset_t pipe_signal;
        sigemptyset(&pipe_signal);
        sigaddset(&pipe_signal, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipe_signal, nullptr);
        const int fd = ::open(name.c_str(), O_WRONLY | O_CLOEXEC);
        for (std::size_t done = 0; fd >= 0 && done < bytes.size();) {
          const ssize_t n =
              ::write(fd, bytes.data() + done, bytes.size() - done);
          if (n <= 0) break;
          done += static_cast<std::size_t>(n);
        }
        if (fd >= 0) ::close(fd);
      }) {}

fifo_writer::~fifo_writer() {
  const int reader = ::open(name_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  thread_.join();
  if (reader >= 0) ::close(reader);
}

namespace {

run_output spawn(std::vector<std::string> owned, const fs::path& cwd,
                 std::string_view stdin_bytes) {
  run_output r;
  if (owned.empty()) return r;
  std::vector<char*> argv;
  argv.reserve(owned.size() + 1);
  for (std::string& a : owned) argv.push_back(a.data());
  argv.push_back(nullptr);

  temp_dir io;
  const std::string in_name = io.file("stdin");
  const std::string out_name = io.file("stdout");
  const std::string err_name = io.file("stderr");
  write_file(in_name, stdin_bytes);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, in_name.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, out_name.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, err_name.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  const std::string dir = cwd.string();
  if (!dir.empty()) posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
  pid_t pid = 0;
  const int rc =
      posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return r;
  r.started = true;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status))
    r.exit_code = static_cast<unsigned>(WEXITSTATUS(status));
  else
    r.exit_code = 128u + static_cast<unsigned>(WTERMSIG(status));
  r.out = read_file(out_name);
  r.err = read_file(err_name);
  return r;
}

}  // namespace

run_output run_started(const std::string& path, std::string_view args,
                       const run_options& options) {
  std::vector<std::string> argv;
  if (!options.prefix.empty()) argv = tk::test::arg_split(options.prefix);
  argv.push_back(path);
  if (!options.argv.empty()) {
    argv.insert(argv.end(), options.argv.begin(), options.argv.end());
  } else if (options.typed) {
    std::size_t i = 0;
    while (i < args.size()) {
      const std::size_t end = std::min(args.find(' ', i), args.size());
      if (end > i) argv.emplace_back(args.substr(i, end - i));
      i = end + 1;
    }
  } else {
    const std::vector<std::string> cut =
        tk::test::arg_split("x " + std::string(args));
    argv.insert(argv.end(), cut.begin() + 1, cut.end());
  }
  return spawn(std::move(argv), options.cwd, options.stdin_bytes);
}

// Nothing is held: the permission bits do the work, and temp_dir gives them
// back before it removes the file.
struct unreadable_file::lock {};

unreadable_file::unreadable_file(const fs::path& name) {
  if (::geteuid() == 0)
    why_not_ =
        "running as root: permission bits do not stop reading, so an "
        "unreadable file cannot be made here";
  else
    fs::permissions(name, fs::perms::none);
}

unreadable_file::~unreadable_file() = default;

file_size_limit::file_size_limit(std::uint64_t bytes) {
  struct rlimit limit {};
  ::getrlimit(RLIMIT_FSIZE, &limit);
  old_limit_ = limit.rlim_cur;
  limit.rlim_cur = bytes;
  old_handler_ = std::signal(SIGXFSZ, SIG_IGN);
  if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
    throw std::runtime_error("cannot limit the file size");
}

file_size_limit::~file_size_limit() {
  struct rlimit limit {};
  ::getrlimit(RLIMIT_FSIZE, &limit);
  limit.rlim_cur = old_limit_;
  ::setrlimit(RLIMIT_FSIZE, &limit);
  std::signal(SIGXFSZ, old_handler_);
}

bool env_get(const std::string& name, std::string& value) {
  const char* v = std::getenv(name.c_str());
  if (v == nullptr) return false;
  value = v;
  return true;
}

void env_set(const std::string& name, const char* value) {
  if (value == nullptr)
    ::unsetenv(name.c_str());
  else
    ::setenv(name.c_str(), value, 1);
}

fs::path bin_dir() { return fs::read_symlink("/proc/self/exe").parent_path(); }

std::string_view exe_suffix() { return ""; }

}  // namespace tk::test
