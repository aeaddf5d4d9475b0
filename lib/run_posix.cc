// POSIX implementation of starting a program and waiting for its end.
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

#include "args.h"
#include "run.h"

extern char** environ;

namespace tk {

run_result run_and_wait(const char* command_line,
                        std::uint32_t priority_class) {
  run_result r;
  const std::string_view line(command_line);
  if (std::count(line.begin(), line.end(), '"') % 2 != 0) {
    r.why_not = start_failure::malformed;
    return r;
  }
  // Cut the line into argv by the kit's own rules.
  std::vector<std::string> args = arg_split(line);
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
      r.wait_failed = true;
      r.system_error = static_cast<std::uint32_t>(errno);
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
