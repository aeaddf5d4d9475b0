// Cutting a command line into arguments by the kit's quoting rules, and the
// requests for help and version that both console tools answer.
#include "lib/args.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>

#include "lib/extras.h"

namespace tk {

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }

// Walks a line with an even number of quotation marks position by
// position. One pass with a quoted/unquoted state instead of marking quoted
// blanks with a placeholder byte: a byte of any value in a name (0xFE, a
// thorn in Windows-1252, among them) reaches the caller unchanged.
class arg_walker {
 public:
  explicit arg_walker(std::string_view line) : line_(line) {
    while (at_ < line_.size() && is_blank(line_[at_])) ++at_;
  }

  // Hands each character of the next argument to `take` (quotation marks
  // removed, a quoted tab as a space) and steps over the blanks after it,
  // which open one more position, also at the end of the line. False when
  // no position is left.
  template <class Take>
  bool next(Take&& take) {
    if (!open_) return false;
    bool quoted = false;
    for (; at_ < line_.size(); ++at_) {
      const char c = line_[at_];
      if (c == '"') {
        quoted = !quoted;
      } else if (is_blank(c) && !quoted) {
        break;
      } else {
        take(c == '\t' ? ' ' : c);
      }
    }
    open_ = at_ < line_.size();
    while (at_ < line_.size() && is_blank(line_[at_])) ++at_;
    return true;
  }

 private:
  std::string_view line_;
  std::size_t at_ = 0;
  bool open_ = true;
};

}  // namespace

bool quotes_balanced(std::string_view text) {
  return std::count(text.begin(), text.end(), '"') % 2 == 0;
}

int arg_cut(std::string_view line, std::uint32_t index, std::span<char> dest) {
  if (!quotes_balanced(line)) return arg_odd_quotes;
  arg_walker walk(line);
  for (std::uint32_t i = 0; i < index; ++i) {
    if (!walk.next([](char) {})) {
      if (!dest.empty()) dest[0] = 0;
      return arg_missing;
    }
  }
  std::size_t out = 0;
  bool fits = !dest.empty();
  if (!walk.next([&](char c) {
        if (out + 1 >= dest.size()) fits = false;
        if (fits) dest[out++] = c;
      })) {
    if (!dest.empty()) dest[0] = 0;
    return arg_missing;
  }
  if (!fits) {
    if (!dest.empty()) dest[0] = 0;
    return arg_too_long;
  }
  dest[out] = 0;
  return out == 0 ? arg_empty : arg_found;
}

namespace {

// An arg_list's block: `count` views, then `text_bytes` of texts.
zero_block list_block(std::size_t count, std::size_t text_bytes) {
  return zero_block::allocate(count * sizeof(std::string_view) + text_bytes);
}

}  // namespace

arg_list arg_list::split(std::string_view line) {
  arg_list list;
  if (!quotes_balanced(line)) return list;
  // Counted first, so that one block holds them all.
  std::size_t count = 0;
  std::size_t bytes = 0;
  for (arg_walker walk(line); walk.next([&bytes](char) { ++bytes; });) ++count;
  list.block_ = list_block(count, bytes + count);
  if (!list.block_) {
    list.ok_ = false;
    return list;
  }
  char* const base = list.block_.data();
  char* text = base + count * sizeof(std::string_view);
  arg_walker walk(line);
  for (std::size_t i = 0; i < count; ++i) {
    char* const start = text;
    walk.next([&text](char c) { *text++ = c; });
    new (base + i * sizeof(std::string_view))
        std::string_view(start, static_cast<std::size_t>(text - start));
    ++text;  // the terminator, from the zero fill
  }
  list.count_ = count;
  return list;
}

arg_list arg_list::copy(std::span<char* const> args) {
  arg_list list;
  std::size_t bytes = 0;
  for (const char* a : args) bytes += std::strlen(a) + 1;
  list.block_ = list_block(args.size(), bytes);
  if (!list.block_) {
    list.ok_ = false;
    return list;
  }
  char* const base = list.block_.data();
  char* text = base + args.size() * sizeof(std::string_view);
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::size_t length = std::strlen(args[i]);
    std::memcpy(text, args[i], length);
    new (base + i * sizeof(std::string_view)) std::string_view(text, length);
    text += length + 1;
  }
  list.count_ = args.size();
  return list;
}

int arg_get(std::span<const std::string_view> args, std::uint32_t index,
            std::span<char> dest) {
  if (index >= args.size()) {
    if (!dest.empty()) dest[0] = 0;
    return arg_missing;
  }
  const std::string_view arg = args[index];
  if (arg.size() >= dest.size()) {
    if (!dest.empty()) dest[0] = 0;
    return arg_too_long;
  }
  std::copy(arg.begin(), arg.end(), dest.begin());
  dest[arg.size()] = 0;
  return arg.empty() ? arg_empty : arg_found;
}

info_request info_requested(std::span<const std::string_view> args) {
  // Room for the longest request; anything longer is no request.
  std::array<char, 12> first{};
  if (arg_get(args, 1, first) != arg_found) return info_request::none;
  // Alone: no second argument, or only an empty one (the position that
  // blanks at the end of a Windows command line open).
  std::array<char, 2> next{};
  const int second = arg_get(args, 2, next);
  if (second != arg_missing &&
      (second != arg_empty || arg_get(args, 3, next) != arg_missing))
    return info_request::none;
  const std::string_view arg(first.data());
  if (arg == "-h" || arg == "--help" || arg == "/?") return info_request::usage;
  if (arg == "--version") return info_request::version;
  return info_request::none;
}

}  // namespace tk
