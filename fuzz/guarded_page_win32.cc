#include <windows.h>

#include "fuzz/fuzz_util.h"
#include "fuzz/guarded_page.h"

namespace tk::fuzz {

guarded_page::guarded_page() {
  SYSTEM_INFO info{};
  GetSystemInfo(&info);
  size_ = info.dwPageSize;
  base_ = static_cast<char*>(VirtualAlloc(
      nullptr, 2 * size_, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
  require(base_ != nullptr, "VirtualAlloc failed");
  DWORD old = 0;
  require(VirtualProtect(base_ + size_, size_, PAGE_NOACCESS, &old) != 0,
          "VirtualProtect failed");
}

guarded_page::~guarded_page() { VirtualFree(base_, 0, MEM_RELEASE); }

}  // namespace tk::fuzz
