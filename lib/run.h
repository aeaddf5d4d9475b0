// Starting a program and waiting for its end.
#ifndef TK_RUN_H_
#define TK_RUN_H_

#include <cstdint>

namespace tk {

inline constexpr std::uint32_t high_priority_class = 0x80;

// Why a program could not be started.
enum class start_failure {
  none,            // it was started
  not_found,       // no such program (or a directory on its path is missing)
  not_executable,  // it exists but cannot be run (no execute permission, not
                   // a program for this system)
  malformed,       // the command line holds an odd number of quotation marks
  other,           // any other refusal; system_error tells which
};

struct run_result {
  bool started = false;  // false: the program could not be started
  std::uint32_t exit_code = 0;
  start_failure why_not = start_failure::none;  // when !started
  // Started, but its end could not be waited for or its exit code not be
  // read: exit_code means nothing.
  bool wait_failed = false;
  // When !started or wait_failed: errno or GetLastError().
  std::uint32_t system_error = 0;
};

// Starts the program that the first item of `command_line` names (searched
// for as the platform does), gives it `priority_class`, and returns when it
// has ended. On POSIX the line is cut by arg_cut's rules and the priority is
// applied where permitted. A line with an odd number of quotation marks is
// not started (malformed) on either system.
run_result run_and_wait(const char* command_line, std::uint32_t priority_class);

// What starts a program for a tool's driver: the system in the program, a
// stand-in that records the request in the tests.
class process_starter {
 public:
  virtual ~process_starter() = default;
  // Starts the program and waits for it, as run_and_wait does.
  virtual run_result run(const char* command_line,
                         std::uint32_t priority_class) = 0;
};

// Starts programs with run_and_wait.
class system_starter final : public process_starter {
 public:
  run_result run(const char* command_line,
                 std::uint32_t priority_class) override;
};

}  // namespace tk

#endif  // TK_RUN_H_
