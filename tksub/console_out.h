// Where tksub's console texts go: standard output in the program, a string
// in the tests, so that every message can be checked byte for byte.
#ifndef TK_TKSUB_CONSOLE_OUT_H_
#define TK_TKSUB_CONSOLE_OUT_H_

#include <string>
#include <string_view>

namespace tk::tksub {

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

// Collects everything written, for the tests.
class string_console final : public console_out {
 public:
  void write(std::string_view text) override { text_ += text; }
  const std::string& text() const { return text_; }
  void clear() { text_.clear(); }

 private:
  std::string text_;
};

}  // namespace tk::tksub

#endif  // TK_TKSUB_CONSOLE_OUT_H_
