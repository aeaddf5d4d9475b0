// Standard output, and the console sink that the tools' drivers write to.
#ifndef TK_CONSOLE_H_
#define TK_CONSOLE_H_

#include <cstdint>
#include <string_view>

namespace tk {

// Writes exactly `bytes` to standard output; returns the count written.
std::uint32_t console_write_bytes(std::string_view bytes);
// Writes exactly `bytes` to standard error; returns the count written.
std::uint32_t console_error_bytes(std::string_view bytes);

// Where a tool's console texts go: standard output in the program, a string
// in the tests, so that every message can be checked byte for byte.
class console_out {
 public:
  virtual ~console_out() = default;
  virtual void write(std::string_view text) = 0;

  // Writes each piece in turn.
  template <class... Pieces>
  void write_all(const Pieces&... pieces) {
    (write(std::string_view(pieces)), ...);
  }
  // Writes `value` in decimal.
  void write_number(std::uint32_t value);
};

// Writes to the process's standard output with console_write_bytes.
class process_console final : public console_out {
 public:
  void write(std::string_view text) override;
};

// Writes to the process's standard error with console_error_bytes.
class process_error_console final : public console_out {
 public:
  void write(std::string_view text) override;
};

// The kit's version, "major.minor.patch", set once by the build.
inline constexpr std::string_view kit_version = TK_KIT_VERSION;

// Writes "<tool> <kit_version>" and CR LF, the answer to --version.
void write_version_line(console_out& console, std::string_view tool);

}  // namespace tk

#endif  // TK_CONSOLE_H_
