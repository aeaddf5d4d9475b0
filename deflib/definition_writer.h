// deflib's definition writer: a list of exported names in, the bytes of the
// module-definition file (NAME.def) and the assembler include file
// (NAME.inc) out. Pure text work; no files, no processes.
#ifndef TK_DEFLIB_DEFINITION_WRITER_H_
#define TK_DEFLIB_DEFINITION_WRITER_H_

#include <string_view>

#include "lib/memory.h"

namespace tk::deflib {

// What write_definitions made of a list.
struct definition_files {
  bool ok = false;
  bool no_memory = false;  // when !ok: the texts could not be held
  text_buffer def;         // NAME.def, byte for byte
  text_buffer inc;         // NAME.inc, byte for byte
  text_buffer error;       // when !ok otherwise: what is wrong, naming the line
};

// Writes one export line to `def` and one import pointer and one alias to
// `inc` for every line of `list` that holds a name, in list order.
//
// A UTF-8 byte-order mark at the very start of `list` is skipped.
// Lines end with CR LF, a lone LF or a lone CR; the last one may have no end.
// A line holds a name when its first byte after spaces and tabs is 33 to 127;
// the name is the line as read, leading and trailing spaces included, up to
// the first control byte (tab, form feed, ...). The rest of a line after
// such a byte is ignored. Names and `library` may be of any length.
//
// Fails, with ok == false and nothing in `def` or `inc`, when the list holds
// a zero byte, or a line without a name that has a byte from 33 to 127
// after a tab or other control byte (that text would otherwise be lost).
definition_files write_definitions(std::string_view list,
                                   std::string_view library);

// Why `name` can stand neither as an export in NAME.def nor, behind "_imp__"
// and "crt_", as an assembler identifier in NAME.inc; nullptr when it can.
// A name holds ASCII letters, digits and _ @ $ ? (so stdcall names such as
// _name@12 and name@12), starts with neither a digit nor @ nor ? (an
// ordinal, a @fastcall@N or a ?C++ name, whose import pointer the include
// file's declaration would not match), and is not one of the upper-case
// keywords of module-definition files (DATA, NAME, ...).
const char* name_fault(std::string_view name);

// What a list file's name gives the outputs.
// Either text failed() when their memory could not be had.
struct list_names {
  // NAME with the list's directory part: the outputs are base + ".def" and
  // base + ".inc", beside the list.
  text_buffer base;
  // NAME alone, for the LIBRARY line, the title and the prototype type.
  text_buffer library;
};

// Splits `list_file` after the last of the `separators`; the part after it
// cut at its first full stop is the library name ("../lists/names.txt" with
// "/" gives "../lists/names" and "names"; ".hidden.txt" gives "" and "").
list_names names_of(std::string_view list_file, std::string_view separators);

// True when `library` can stand after LIBRARY in NAME.def and in the
// assembler identifier c_NAME: one or more ASCII letters, digits and
// underscores.
bool is_library_name(std::string_view library);

// Why `base_name` (NAME with the list's directory part) cannot stand in the
// librarian's command line as it is cut into arguments: a quotation mark is
// taken away there and a tab becomes a blank, and other control characters
// do not survive the trip either. nullptr when it can stand there.
const char* command_line_fault(std::string_view base_name);

// The librarian's command line: `prefix`, then NAME.def. The file name is
// put in quotation marks when it holds a blank, so that it stays one
// argument. failed() when its memory could not be had.
text_buffer librarian_command(std::string_view prefix,
                              std::string_view base_name);

}  // namespace tk::deflib

#endif  // TK_DEFLIB_DEFINITION_WRITER_H_
