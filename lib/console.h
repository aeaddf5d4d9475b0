// Standard output, and the console sink that the tools' drivers write to.
#ifndef TK_CONSOLE_H_
#define TK_CONSOLE_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace tk {

// Writes `text` (up to its terminator) to standard output. Returns the byte
// count that the system reports as written.
std::uint32_t console_write(const char* text);
// Writes exactly `bytes` to standard output; returns the count written.
std::uint32_t console_write_bytes(std::string_view bytes);

// Where a tool's console texts go: standard output in the program, a string
// in the tests, so that every message can be checked byte for byte.
class console_out {
 public:
  virtual ~console_out() = default;
  virtual void write(std::string_view text) = 0;
};

// Writes to the process's standard output with console_write_bytes.
class process_console final : public console_out {
 public:
  void write(std::string_view text) override;
};

// Collects everything written.
class string_console final : public console_out {
 public:
  void write(std::string_view text) override { text_ += text; }
  const std::string& text() const { return text_; }
  void clear() { text_.clear(); }

 private:
  std::string text_;
};

}  // namespace tk

#endif  // TK_CONSOLE_H_
