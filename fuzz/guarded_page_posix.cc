#include <sys/mman.h>
#include <unistd.h>

#include "fuzz/fuzz_util.h"
#include "fuzz/guarded_page.h"

namespace tk::fuzz {

guarded_page::guarded_page()
    : size_(static_cast<std::size_t>(sysconf(_SC_PAGESIZE))) {
  void* p = mmap(nullptr, 2 * size_, PROT_READ | PROT_WRITE,
                 MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  require(p != MAP_FAILED, "mmap failed");
  base_ = static_cast<char*>(p);
  require(mprotect(base_ + size_, size_, PROT_NONE) == 0, "mprotect failed");
}

guarded_page::~guarded_page() { munmap(base_, 2 * size_); }

}  // namespace tk::fuzz
