// Two pages, the second unreadable: a text whose terminator sits in the
// last bytes of the first page shows any read that crosses into the next.
#ifndef TK_FUZZ_GUARDED_PAGE_H_
#define TK_FUZZ_GUARDED_PAGE_H_

#include <cstddef>

namespace tk::fuzz {

class guarded_page {
 public:
  // Stops the run (fuzz_util.h's fail) when the pages cannot be had.
  guarded_page();
  guarded_page(const guarded_page&) = delete;
  guarded_page& operator=(const guarded_page&) = delete;
  ~guarded_page();

  // The readable page, and its size in bytes.
  char* base() const { return base_; }
  std::size_t size() const { return size_; }

 private:
  char* base_ = nullptr;
  std::size_t size_ = 0;
};

}  // namespace tk::fuzz

#endif  // TK_FUZZ_GUARDED_PAGE_H_
