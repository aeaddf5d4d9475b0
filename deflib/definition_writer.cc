#include "deflib/definition_writer.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <limits>
#include <string_view>
#include <utility>

#include "lib/kit.h"

namespace tk::deflib {

namespace {

constexpr const char* rule = "  ; ------------------------------------------";

bool ends_line(char c) { return c == '\0' || c == '\r' || c == '\n'; }

bool is_printable(char c) {
  const auto b = static_cast<unsigned char>(c);
  return b >= 33 && b <= 127;
}

bool is_letter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Words that a module-definition file reads as keywords wherever they
// stand: an export of that name is lost, and the librarian may take the
// lines after it for something else.
// Each between blanks, so that one is found only whole.
constexpr std::string_view definition_keywords =
    " BASE CODE CONSTANT DATA DESCRIPTION EXECUTE EXPORTS HEAPSIZE IMPORTS"
    " INITGLOBAL INITINSTANCE LIBRARY MULTIPLE NAME NONAME NONSHARED PRIVATE"
    " READ SECTIONS SHARED SINGLE STACKSIZE TERMGLOBAL TERMINSTANCE VERSION"
    " WRITE ";

// True when `word`, which holds no blank, is one of definition_keywords.
bool is_keyword(std::string_view word) {
  for (std::size_t at = definition_keywords.find(word);
       at != std::string_view::npos;
       at = definition_keywords.find(word, at + 1)) {
    if (definition_keywords[at - 1] == ' ' &&
        definition_keywords[at + word.size()] == ' ')
      return true;
  }
  return false;
}

bool stops_name(char c) { return static_cast<unsigned char>(c) <= 13; }

// 1-based number of the line that holds byte `offset`, counting CR LF, a
// lone LF and a lone CR as one line end each.
std::uint32_t line_number_at(std::string_view text, std::size_t offset) {
  std::uint32_t line = 1;
  for (std::size_t i = 0; i < offset && i < text.size(); ++i) {
    if (text[i] == '\n' ||
        (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n')))
      ++line;
  }
  return line;
}

// Longest run of bytes that read_line copies into its destination.
std::size_t longest_name(std::string_view text) {
  std::size_t longest = 0;
  std::size_t run = 0;
  for (const char c : text) {
    run = stops_name(c) ? 0 : run + 1;
    longest = std::max(longest, run);
  }
  return longest;
}

// Appends the pieces of one line in order.
void compose(text_buffer& out, std::initializer_list<std::string_view> pieces) {
  for (const std::string_view piece : pieces) out.append(piece);
}

definition_files failure(std::uint32_t line, std::string_view message) {
  definition_files f;
  if (line != 0) f.error.append("line ").append_number(line).append(' ');
  f.error.append(message);
  f.no_memory = f.error.failed();
  return f;
}

definition_files out_of_memory() {
  definition_files f;
  f.no_memory = true;
  return f;
}

}  // namespace

definition_files write_definitions(std::string_view list,
                                   std::string_view library) {
  // Editors on Windows often start a UTF-8 file with this mark; it is no
  // part of the first name.
  if (list.starts_with("\xEF\xBB\xBF")) list.remove_prefix(3);
  if (const std::size_t zero = list.find('\0');
      zero != std::string_view::npos) {
    return failure(line_number_at(list, zero),
                   "holds a zero byte; the list must be plain text");
  }
  if (list.size() >= std::numeric_limits<std::uint32_t>::max())
    return failure(0, "the list is too large");

  // read_line walks a zero-terminated text.
  text_buffer text(list.size());
  text.append(list);
  const std::size_t longest = longest_name(list);
  zero_block name_block = zero_block::allocate(longest + 1);
  if (text.failed() || !name_block) return out_of_memory();
  const std::span<char> name = name_block.span();

  definition_files f;
  const std::size_t lines = std::size_t{tk::count_lines(text.c_str())} + 1;
  f.def.reserve(16 + library.size() + lines * 10 + list.size());
  f.inc.reserve(200 + 3 * library.size() + lines * 60 + 3 * list.size());

  compose(f.def, {"LIBRARY ", library, "\r\n", "\r\n"});
  compose(f.inc, {rule, "\r\n", "  ; prototypes for EXPORT ", library,
                  " functions", "\r\n", rule, "\r\n", "\r\n", "    c_", library,
                  " typedef PROTO C :VARARG", "\r\n", "\r\n"});

  std::uint32_t position = 0;
  for (std::uint32_t line_no = 1;; ++line_no) {
    const tk::line_read read = tk::read_line(text.c_str(), name, position);
    if (!read.fits) return failure(0, "internal error: a line did not fit");
    const std::string_view part(name.data());
    const std::size_t first = part.find_first_not_of(' ');
    if (first != std::string_view::npos) {
      const std::size_t last = part.find_last_not_of(' ');
      if (const char* fault =
              name_fault(tk::text_part(part, first, last + 1 - first)))
        return failure(line_no, fault);
      const std::string_view n(name.data() + first, last + 1 - first);
      compose(f.def, {"EXPORTS ", n, "\r\n"});
      compose(f.inc,
              {"    externdef _imp__", n, ":PTR c_", library, "\r\n",
               "    crt_", n, " equ ", "<", "_imp__", n, ">", "\r\n", "\r\n"});
    } else {
      // A blank name part followed by a tab and text: the text cannot be
      // taken as the name (the name ends at the tab), and dropping the line
      // silently would lose it.
      // The text ends with its terminator, which ends_line() takes.
      const char* const all = text.c_str();
      const std::size_t stop = position + part.size();
      if (!ends_line(all[stop])) {
        std::size_t end = stop + 1;
        while (!ends_line(all[end])) ++end;
        // Any printable byte counts, also one behind further control
        // bytes ("\t\vputs").
        const std::string_view rest(all + stop + 1, end - stop - 1);
        if (std::any_of(rest.begin(), rest.end(), is_printable)) {
          return failure(line_no,
                         "has text after a tab or other control character "
                         "but no name before it");
        }
      }
    }
    if (read.next == 0) break;
    position = read.next;
  }
  if (f.def.failed() || f.inc.failed()) return out_of_memory();
  f.ok = true;
  return f;
}

const char* name_fault(std::string_view name) {
  const bool signs_ok = !name.empty() && !is_digit(name.front()) &&
                        std::all_of(name.begin(), name.end(), [](char c) {
                          return is_letter(c) || is_digit(c) || c == '_' ||
                                 c == '@' || c == '$' || c == '?';
                        });
  if (!signs_ok)
    return "holds no valid name: a name may hold only letters, digits and "
           "_ @ $ ?, and may not start with a digit";
  // "@" opens an ordinal in a module-definition file, and the librarian
  // gives a @fastcall@N or ?C++ name an import pointer without the
  // underscore that the include file's declaration adds.
  if (name.front() == '@')
    return "starts with @, which the librarian reads as an ordinal or a "
           "@fastcall@N name; list the plain C name";
  if (name.front() == '?')
    return "starts with ?, a decorated C++ name whose import pointer the "
           "include file cannot declare; list the plain C name";
  if (is_keyword(name))
    return "holds a keyword of module-definition files, not a name";
  return nullptr;
}

list_names names_of(std::string_view list_file, std::string_view separators) {
  const std::size_t last = tk::directory_part(list_file, separators).size();
  list_names names;
  // The component, cut at its first full stop in place.
  names.library.append(tk::text_part(list_file, last));
  if (!names.library.empty()) {
    tk::strip_extension(names.library.data());
    const std::string_view cut_name(names.library.c_str());
    text_buffer library(cut_name.size());
    library.append(cut_name);
    names.library = std::move(library);
  }
  names.base.append(tk::text_part(list_file, 0, last))
      .append(names.library.view());
  return names;
}

bool is_library_name(std::string_view library) {
  return !library.empty() &&
         std::all_of(library.begin(), library.end(), [](char c) {
           return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                  (c >= '0' && c <= '9') || c == '_';
         });
}

const char* command_line_fault(std::string_view base_name) {
  const bool unfit = std::any_of(
      base_name.begin(), base_name.end(),
      [](char c) { return c == '"' || static_cast<unsigned char>(c) < 32; });
  return unfit ? "the librarian's command line cannot carry the quotation "
                 "mark, tab or other control character in the list's path; "
                 "move or rename the list"
               : nullptr;
}

text_buffer librarian_command(std::string_view prefix,
                              std::string_view base_name) {
  const bool blank = base_name.find_first_of(" \t") != std::string_view::npos;
  const std::string_view quote = blank ? "\"" : "";
  text_buffer line(prefix.size() + base_name.size() + 8);
  line.append(prefix).append(quote).append(base_name).append(".def").append(
      quote);
  return line;
}

}  // namespace tk::deflib
