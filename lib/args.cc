// Cutting a command line into arguments by the kit's quoting rules, and the
// requests for help and version that both console tools answer.
#include "args.h"

#include <algorithm>
#include <array>

namespace tk {

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

// One pass with a quoted/unquoted state instead of marking quoted blanks
// with a placeholder byte: a byte of any value in a name (0xFE, a thorn in
// Windows-1252, among them) reaches the caller unchanged.
int arg_cut(std::string_view line, std::uint32_t index, std::span<char> dest) {
  if (std::count(line.begin(), line.end(), '"') % 2 != 0) return arg_odd_quotes;

  std::size_t i = 0;
  const std::size_t end = line.size();
  while (i < end && is_blank(line[i])) ++i;

  bool quoted = false;
  std::uint32_t counter = 0;
  while (counter != index && i < end) {
    const char c = line[i];
    if (c == '"') {
      quoted = !quoted;
      ++i;
    } else if (is_blank(c) && !quoted) {
      while (i < end && is_blank(line[i])) ++i;
      ++counter;
    } else {
      ++i;
    }
  }

  if (counter < index) {
    if (!dest.empty()) dest[0] = 0;
    return arg_missing;
  }

  std::size_t out = 0;
  for (; i < end; ++i) {
    const char c = line[i];
    if (c == '"') {
      quoted = !quoted;
      continue;
    }
    if (is_blank(c) && !quoted) break;
    if (out + 1 >= dest.size()) {
      if (!dest.empty()) dest[0] = 0;
      return arg_too_long;
    }
    dest[out++] = c == '\t' ? ' ' : c;
  }
  if (dest.empty()) return arg_too_long;  // not even room for the terminator
  dest[out] = 0;
  return out == 0 ? arg_empty : arg_found;
}

std::vector<std::string> arg_split(std::string_view line) {
  std::vector<std::string> args;
  // No argument is longer than the line.
  std::string arg(line.size() + 1, '\0');
  for (std::uint32_t i = 0;; ++i) {
    const int code = arg_cut(line, i, arg);
    if (code == arg_odd_quotes) return {};
    if (code == arg_missing) return args;
    args.emplace_back(arg.c_str());
  }
}

int arg_get(std::span<const std::string> args, std::uint32_t index,
            std::span<char> dest) {
  if (index >= args.size()) {
    if (!dest.empty()) dest[0] = 0;
    return arg_missing;
  }
  const std::string& arg = args[index];
  if (arg.size() >= dest.size()) {
    if (!dest.empty()) dest[0] = 0;
    return arg_too_long;
  }
  std::copy(arg.begin(), arg.end(), dest.begin());
  dest[arg.size()] = 0;
  return arg.empty() ? arg_empty : arg_found;
}

info_request info_requested(std::span<const std::string> args) {
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

std::string version_line(std::string_view tool) {
  std::string line(tool);
  line += ' ';
  line += kit_version;
  line += "\r\n";
  return line;
}

}  // namespace tk
