// POSIX implementation of starting a program and waiting for its end.
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <cerrno>

#include "lib/args.h"
#include "lib/run.h"

extern char** environ;

namespace tk {

run_result run_and_wait(const char* command_line,
                        std::uint32_t priority_class) {
  run_result r;
  const std::string_view line(command_line);
  if (!quotes_balanced(line)) {
    r.why_not = start_failure::malformed;
    return r;
  }
  // Cut the line into argv by the kit's own rules; the arguments' texts
  // are zero-terminated in the list's block.
  const arg_list args = arg_list::split(line);
  if (args.size() == 0 || args[0].empty()) {
    r.why_not = args.ok() ? start_failure::not_found : start_failure::other;
    return r;
  }
  zero_block pointers = zero_block::allocate((args.size() + 1) * sizeof(char*));
  if (!pointers) {
    r.why_not = start_failure::other;
    r.system_error = ENOMEM;
    return r;
  }
  char** const argv = reinterpret_cast<char**>(pointers.data());
  for (std::size_t i = 0; i < args.size(); ++i)
    argv[i] = const_cast<char*>(args[i].data());

  pid_t pid = 0;
  if (const int error =
          ::posix_spawnp(&pid, argv[0], nullptr, nullptr, argv, environ);
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
