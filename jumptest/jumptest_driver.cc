#include "jumptest/jumptest_driver.h"

#include "jumptest/dialog_template.h"
#include "jumptest/dialog_win32.h"
#include "lib/kit.h"

namespace tk::jumptest {

std::int32_t run_dialog() {
  const zero_block block = zero_block::allocate(template_block_size);
  return run_dialog_in(block);
}

}  // namespace tk::jumptest
