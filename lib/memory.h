// Zero-filled memory blocks from the platform allocator.
#ifndef TK_MEMORY_H_
#define TK_MEMORY_H_

#include <cstddef>
#include <memory>
#include <span>

namespace tk {

// A zero-filled block from the platform allocator (GlobalAlloc with
// GMEM_ZEROINIT on Windows, calloc elsewhere; both hand out large blocks as
// untouched zero pages). Freed when the owner goes away.
class zero_block {
 public:
  zero_block() = default;
  // Returns an empty block (data() == nullptr) when the memory cannot be had.
  static zero_block allocate(std::size_t bytes);

  char* data() const { return ptr_.get(); }
  std::size_t size() const { return size_; }
  explicit operator bool() const { return ptr_ != nullptr; }
  std::span<char> span() const { return {ptr_.get(), size_}; }

 private:
  struct release {
    void operator()(char* p) const;
  };
  std::unique_ptr<char, release> ptr_;
  std::size_t size_ = 0;
};

}  // namespace tk

#endif  // TK_MEMORY_H_
