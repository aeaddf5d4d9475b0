// Fuzzes deflib's definition writer on any list bytes. A reference, written
// from the list and output formats, gives both files byte for byte (so every
// name line appears exactly once in each, in list order, without the spaces
// around it) or says that the list is refused (a zero byte, a name with
// another sign than a letter, digit, _ @ $ ?, one that starts with a digit,
// @ or ?, or is a keyword of module-definition files, or text after a control
// byte with no name before it). A byte-order mark at the start is skipped.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "deflib/definition_writer.h"
#include "fuzz/fuzz_util.h"

namespace {

using tk::fuzz::require;

bool is_control(char c) { return static_cast<unsigned char>(c) <= 13; }

// What a name may be.
bool acceptable(std::string_view name) {
  static const std::string first =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz_$";
  static const std::string keywords =
      " BASE CODE CONSTANT DATA DESCRIPTION EXECUTE EXPORTS HEAPSIZE IMPORTS "
      "INITGLOBAL INITINSTANCE LIBRARY MULTIPLE NAME NONAME NONSHARED PRIVATE "
      "READ SECTIONS SHARED SINGLE STACKSIZE TERMGLOBAL TERMINSTANCE VERSION "
      "WRITE ";
  std::string word(1, ' ');
  word.append(name);
  word += ' ';
  return first.find(name[0]) != std::string::npos &&
         name.find_first_not_of(first + "@?0123456789") == std::string::npos &&
         keywords.find(word) == std::string::npos;
}

// Every byte from 33 to 127.
const std::string printable = [] {
  std::string s;
  for (int c = 33; c <= 127; ++c) s += static_cast<char>(c);
  return s;
}();

struct reference_files {
  bool ok = true;
  std::string def, inc;
};

reference_files reference(std::string_view list, const std::string& base) {
  reference_files r;
  if (list.find('\0') != std::string_view::npos) {
    r.ok = false;
    return r;
  }
  if (list.starts_with("\xEF\xBB\xBF")) list.remove_prefix(3);
  const std::string rule = "  ; ------------------------------------------";
  r.def = "LIBRARY " + base + "\r\n\r\n";
  r.inc = rule + "\r\n  ; prototypes for EXPORT " + base + " functions\r\n" +
          rule + "\r\n\r\n    c_" + base + " typedef PROTO C :VARARG\r\n\r\n";
  // Lines end with CR LF, a lone LF or a lone CR.
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (list[i] != '\r' && list[i] != '\n') continue;
    lines.push_back(list.substr(start, i - start));
    if (list[i] == '\r' && i + 1 < list.size() && list[i + 1] == '\n') ++i;
    start = i + 1;
  }
  lines.push_back(list.substr(start));
  for (const std::string_view line : lines) {
    std::size_t stop = 0;
    while (stop < line.size() && !is_control(line[stop])) ++stop;
    std::string name(line.substr(0, stop));
    name.erase(0, name.find_first_not_of(' '));
    name.erase(name.find_last_not_of(' ') + 1);
    if (!name.empty() && !acceptable(name)) {
      r.ok = false;
      return r;
    }
    if (!name.empty()) {
      r.def.append("EXPORTS ").append(name).append("\r\n");
      r.inc.append("    externdef _imp__").append(name).append(":PTR c_");
      r.inc.append(base).append("\r\n");
      r.inc.append("    crt_").append(name).append(" equ <_imp__");
      r.inc.append(name).append(">\r\n\r\n");
    } else if (stop < line.size() && line.substr(stop + 1).find_first_of(
                                         printable) != std::string_view::npos) {
      r.ok = false;
      return r;
    }
  }
  return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  FuzzedDataProvider in(data, size);
  // NAME as base_name_of gives it: printable, no full stop.
  std::string base;
  for (char c : in.ConsumeRandomLengthString(255))
    if (c > 32 && c < 127 && c != '.') base += c;
  const std::string list = in.ConsumeRemainingBytesAsString();

  const tk::deflib::definition_files got =
      tk::deflib::write_definitions(list, base);
  const reference_files want = reference(list, base);
  if (!want.ok) {
    require(!got.ok, "a list that must be refused was accepted");
    require(got.def.empty() && got.inc.empty() && !got.error.empty(),
            "a refused list left output or no reason");
    return 0;
  }
  require(got.ok, "a good list was refused");
  require(got.def.view() == want.def,
          "the .def file differs from the reference");
  require(got.inc.view() == want.inc,
          "the .inc file differs from the reference");
  return 0;
}
