#include "console_out.h"

#include "kit.h"

namespace tk::tksub {

void process_console::write(std::string_view text) {
  console_write_bytes(text);
}

}  // namespace tk::tksub
