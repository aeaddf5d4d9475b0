// The portable part of the file routines.
#include "lib/files.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "lib/extras.h"
#include "lib/files_internal.h"
#include "lib/text.h"

namespace tk {

namespace platform {

int read_to_end(read_some_fn read_some, void* context, text_block& out,
                read_status* why) {
  auto fail = [why](read_status s) {
    if (why) *why = s;
    return 0;
  };
  // The largest content a text_block holds: its size plus three fits 32 bits.
  constexpr std::uint64_t largest = 0xFFFFFFFFull - 3;
  zero_block block = zero_block::allocate(std::size_t{1} << 16);
  if (!block) return fail(read_status::no_memory);
  std::size_t done = 0;
  for (;;) {
    if (done == block.size()) {
      if (done > largest) return fail(read_status::too_large);
      const std::uint64_t want =
          std::min(2 * std::uint64_t{block.size()}, largest + 1);
      zero_block larger = zero_block::allocate(static_cast<std::size_t>(want));
      if (!larger) return fail(read_status::no_memory);
      std::memcpy(larger.data(), block.data(), done);
      block = std::move(larger);
    }
    const std::int64_t n =
        read_some(context, block.data() + done, block.size() - done);
    if (n < 0) return fail(read_status::read_failed);
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  zero_block exact = zero_block::allocate(done + 3);
  if (!exact) return fail(read_status::no_memory);
  std::memcpy(exact.data(), block.data(), done);
  out.block = std::move(exact);
  out.size = static_cast<std::uint32_t>(done);
  if (why) *why = read_status::ok;
  return 1;
}

leaf_text temp_leaf(std::size_t leaf_length, std::uint32_t seed) {
  constexpr char hex[] = "0123456789abcdef";
  leaf_text leaf{};
  const std::size_t length = std::min(leaf_length, leaf.size() - 1);
  std::size_t at = 0;
  // A name too short for the prefix "~tk" is all digits.
  if (length >= 4)
    for (const char c : {'~', 't', 'k'}) leaf[at++] = c;
  for (; at < length; ++at) {
    leaf[at] = hex[seed & 0xFu];
    seed >>= 4;
  }
  return leaf;
}

bool temp_name(text_buffer& temp, std::string_view dir, std::size_t leaf_length,
               std::uint32_t seed) {
  temp.clear();
  temp.append(dir).append(temp_leaf(leaf_length, seed).data());
  return !temp.failed();
}

}  // namespace platform

std::string_view directory_part(std::string_view path,
                                std::string_view separators) {
  const std::size_t cut = path.find_last_of(separators);
  return cut == std::string_view::npos ? std::string_view()
                                       : text_part(path, 0, cut + 1);
}

staged_file::staged_file() noexcept = default;

staged_file::staged_file(staged_file&& other) noexcept
    : temp_(std::move(other.temp_)),
      path_(std::move(other.path_)),
      direct_(other.direct_),
      own_(other.own_),
      data_(other.data_),
      result_(other.result_) {
  other.temp_ = text_buffer();
  other.direct_ = -1;
  other.own_ = -1;
  other.result_ = {};
}

staged_file& staged_file::operator=(staged_file&& other) noexcept {
  if (this != &other) {
    discard();
    temp_ = std::move(other.temp_);
    path_ = std::move(other.path_);
    direct_ = other.direct_;
    own_ = other.own_;
    data_ = other.data_;
    result_ = other.result_;
    other.temp_ = text_buffer();
    other.direct_ = -1;
    other.own_ = -1;
    other.result_ = {};
  }
  return *this;
}

staged_file::~staged_file() { discard(); }

void staged_file::discard() {
  if (!temp_.empty()) platform::remove_file(temp_.c_str());
  if (direct_ != -1) platform::close_native(direct_);
  temp_ = text_buffer();
  path_ = text_buffer();
  direct_ = -1;
  own_ = -1;
  data_ = {};
}

write_result file_replace_all(const char* name, std::string_view data) {
  staged_file staged = file_stage(name, data);
  if (!staged.ok()) return staged.result();
  return staged.commit();
}

}  // namespace tk
