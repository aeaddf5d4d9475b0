// Win32 implementation of starting a program and waiting for its end.
#include <windows.h>

#include <string_view>

#include "lib/args.h"
#include "lib/handle_win32.h"
#include "lib/memory.h"
#include "lib/run.h"

namespace tk {

run_result run_and_wait(const char* command_line,
                        std::uint32_t priority_class) {
  run_result r;
  if (!quotes_balanced(command_line)) {
    r.why_not = start_failure::malformed;
    return r;
  }
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  // CreateProcessA may write into the command line, so it gets a copy.
  text_buffer line(std::string_view(command_line).size());
  line.append(command_line);
  if (line.failed()) {
    r.why_not = start_failure::other;
    r.system_error = ERROR_NOT_ENOUGH_MEMORY;
    return r;
  }
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &info)) {
    const DWORD error = GetLastError();
    r.system_error = error;
    switch (error) {
      case ERROR_FILE_NOT_FOUND:
      case ERROR_PATH_NOT_FOUND:
      case ERROR_INVALID_NAME:
      case ERROR_BAD_PATHNAME:
        r.why_not = start_failure::not_found;
        break;
      case ERROR_ACCESS_DENIED:
      case ERROR_BAD_EXE_FORMAT:
      case ERROR_EXE_MACHINE_TYPE_MISMATCH:
      case ERROR_EXE_MARKED_INVALID:
      case ERROR_INVALID_EXE_SIGNATURE:
        r.why_not = start_failure::not_executable;
        break;
      default:
        r.why_not = start_failure::other;
        break;
    }
    return r;
  }
  r.started = true;
  scoped_handle process(info.hProcess);
  scoped_handle thread(info.hThread);
  SetPriorityClass(process.get(), priority_class);

  const HANDLE self = GetCurrentThread();
  const int saved = GetThreadPriority(self);
  SetThreadPriority(self, THREAD_PRIORITY_IDLE);
  // The exit code alone cannot tell a program that ended with 259 from one
  // still running; the process handle's signalled state can.
  DWORD code = STILL_ACTIVE;
  DWORD wait = WAIT_TIMEOUT;
  while (wait == WAIT_TIMEOUT) wait = WaitForSingleObject(process.get(), 1);
  if (wait != WAIT_OBJECT_0 || !GetExitCodeProcess(process.get(), &code)) {
    r.wait_failed = true;
    r.system_error = GetLastError();
  }
  SetThreadPriority(self, saved);
  r.exit_code = r.wait_failed ? 0 : code;
  return r;
}

}  // namespace tk
