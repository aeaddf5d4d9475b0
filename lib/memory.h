// Zero-filled memory blocks from the platform allocator, and texts that
// grow in them.
#ifndef TK_MEMORY_H_
#define TK_MEMORY_H_

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <utility>

namespace tk {

// A zero-filled block from the platform allocator (GlobalAlloc with
// GMEM_ZEROINIT on Windows, calloc elsewhere; both hand out large blocks as
// untouched zero pages). Freed when the owner goes away. Move-only.
class zero_block {
 public:
  zero_block() = default;
  zero_block(zero_block&& other) noexcept
      : ptr_(other.ptr_), size_(other.size_) {
    other.ptr_ = nullptr;
    other.size_ = 0;
  }
  zero_block& operator=(zero_block&& other) noexcept {
    if (this != &other) {
      release();
      ptr_ = other.ptr_;
      size_ = other.size_;
      other.ptr_ = nullptr;
      other.size_ = 0;
    }
    return *this;
  }
  zero_block(const zero_block&) = delete;
  zero_block& operator=(const zero_block&) = delete;
  ~zero_block() { release(); }

  // Returns an empty block (data() == nullptr) when the memory cannot be had.
  static zero_block allocate(std::size_t bytes);

  char* data() const { return ptr_; }
  std::size_t size() const { return size_; }
  explicit operator bool() const { return ptr_ != nullptr; }
  std::span<char> span() const { return {ptr_, size_}; }

 private:
  void release() noexcept;  // frees the block, if any
  // True when zero_block_refuse_after says this request is refused.
  static bool refused();

  char* ptr_ = nullptr;
  std::size_t size_ = 0;
};

// For the tests of the paths that report "not enough memory": after
// `granted` more blocks, zero_block::allocate refuses every request, until
// this is called again. A negative count refuses none (the default).
void zero_block_refuse_after(long granted);

// A text composed piece by piece in a zero_block that is replaced by a
// larger one as it fills; always zero-terminated. When a larger block cannot
// be had, the text keeps what it held, every later append is dropped, and
// failed() tells: the caller reports "not enough memory" once, at the end.
class text_buffer {
 public:
  text_buffer() = default;
  // Obtains room for `capacity` characters and the terminator at once.
  explicit text_buffer(std::size_t capacity) { reserve(capacity); }
  text_buffer(text_buffer&& other) noexcept
      : block_(std::move(other.block_)),
        size_(other.size_),
        failed_(other.failed_) {
    other.size_ = 0;
    other.failed_ = false;
  }
  text_buffer& operator=(text_buffer&& other) noexcept {
    if (this != &other) {
      block_ = std::move(other.block_);
      size_ = other.size_;
      failed_ = other.failed_;
      other.size_ = 0;
      other.failed_ = false;
    }
    return *this;
  }

  bool reserve(std::size_t capacity);
  text_buffer& append(std::string_view piece);
  text_buffer& append(char c) { return append(std::string_view(&c, 1)); }
  // Appends `value` in decimal.
  text_buffer& append_number(std::uint32_t value);
  // Empties the text; keeps the block and the failure.
  void clear();

  bool failed() const { return failed_; }
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  std::string_view view() const { return {c_str(), size_}; }
  const char* c_str() const { return block_ ? block_.data() : ""; }
  char* data() { return block_.data(); }

 private:
  bool grow_to(std::size_t capacity);

  zero_block block_;
  std::size_t size_ = 0;
  bool failed_ = false;
};

}  // namespace tk

#endif  // TK_MEMORY_H_
