// A console that collects everything written, for tests and fuzz targets.
#ifndef TK_TESTS_STRING_CONSOLE_H_
#define TK_TESTS_STRING_CONSOLE_H_

#include <string>
#include <string_view>

#include "lib/console.h"

namespace tk {

class string_console final : public console_out {
 public:
  void write(std::string_view text) override { text_ += text; }
  const std::string& text() const { return text_; }
  void clear() { text_.clear(); }

 private:
  std::string text_;
};

}  // namespace tk

#endif  // TK_TESTS_STRING_CONSOLE_H_
