#include "deflib/definition_writer.h"

#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "gtest/gtest.h"

namespace tk::deflib {
namespace {

using namespace std::literals;

TEST(WriteDefinitions, NamesWithoutTheSpacesAroundThem) {
  // Decorated names keep their signs; a byte-order mark before the first
  // name is skipped; a line without a final line end is still read.
  const definition_files f = write_definitions(
      "\xEF\xBB\xBF  printf  \r\n_name@12\r\nname@4 "
      "\r\n$x\r\nx9_?\r\n"
      "data\r\nlast",
      "lib");
  ASSERT_TRUE(f.ok) << f.error.view();
  EXPECT_EQ(f.def.view(),
            "LIBRARY lib\r\n\r\nEXPORTS printf\r\nEXPORTS _name@12\r\n"
            "EXPORTS name@4\r\nEXPORTS $x\r\n"
            "EXPORTS x9_?\r\nEXPORTS data\r\nEXPORTS last\r\n");
  EXPECT_NE(f.inc.view().find("    externdef _imp__printf:PTR c_lib\r\n"
                              "    crt_printf equ <_imp__printf>\r\n"),
            std::string::npos);
}

// A line whose name can be neither exported nor declared is refused, never
// passed over or written.
TEST(WriteDefinitions, RefusesLinesThatHoldNoName) {
  const std::string signs =
      "holds no valid name: a name may hold only letters, digits and _ @ $ ?, "
      "and may not start with a digit";
  const std::string keyword =
      "holds a keyword of module-definition files, not a name";
  const std::string ordinal =
      "starts with @, which the librarian reads as an ordinal or a "
      "@fastcall@N name; list the plain C name";
  const std::string cpp =
      "starts with ?, a decorated C++ name whose import pointer the include "
      "file cannot declare; list the plain C name";
  const std::pair<std::string, std::string> lines[] = {
      {"; comment line", signs},
      {"# another comment", signs},
      {"my func", signs},
      {"foo\xc3\xa9", signs},
      {"\xc3\xa9t\xc3\xa9", signs},
      {"\x0eputs", signs},
      {"  \x1f", signs},
      {"\x80", signs},
      {" \xff ", signs},
      {"9lives", signs},
      {"foo.bar", signs},
      {"a-b", signs},
      {"a\x7f", signs},
      {"@", ordinal},
      {"@1", ordinal},
      {"@9x", ordinal},
      {"@@foo", ordinal},
      {"@fast@8", ordinal},
      {"?name@@YAXXZ", cpp},
      {"  NAME  ", keyword},
  };
  std::vector<std::pair<std::string, std::string>> rows(std::begin(lines),
                                                        std::end(lines));
  for (const char* word :
       {"BASE",        "CODE",       "CONSTANT",     "DATA",
        "DESCRIPTION", "EXECUTE",    "EXPORTS",      "HEAPSIZE",
        "IMPORTS",     "INITGLOBAL", "INITINSTANCE", "LIBRARY",
        "MULTIPLE",    "NAME",       "NONAME",       "NONSHARED",
        "PRIVATE",     "READ",       "SECTIONS",     "SHARED",
        "SINGLE",      "STACKSIZE",  "TERMGLOBAL",   "TERMINSTANCE",
        "VERSION",     "WRITE"})
    rows.emplace_back(word, keyword);
  for (const auto& [line, why] : rows) {
    const definition_files f =
        write_definitions("puts\r\n\r\n" + line + "\r\nfree\r\n", "m");
    EXPECT_FALSE(f.ok) << line;
    EXPECT_EQ(f.error.view(), "line 3 " + why) << line;
    EXPECT_EQ(f.def.view(), "") << line;
    EXPECT_EQ(f.inc.view(), "") << line;
  }
}

TEST(WriteDefinitions, RefusesListsThatWouldLoseNames) {
  struct sample {
    std::string list;
    std::string error;
  };
  const sample samples[] = {
      {"printf\r\n\tputs\r\n",
       "line 2 has text after a tab or other control character but no name "
       "before it"},
      {"a\nb\r  \x0c  c\r\n",
       "line 3 has text after a tab or other control character but no name "
       "before it"},
      {"printf\r\n\t\x0bputs\r\nstrlen\r\n",
       "line 2 has text after a tab or other control character but no name "
       "before it"},
      {"\x0b\x0c\x80x\r\n",
       "line 1 has text after a tab or other control character but no name "
       "before it"},
      {std::string("printf\r\nputs\r\nst\0rlen\r\nfree"sv),
       "line 3 holds a zero byte; the list must be plain text"},
      {std::string("\0"sv),
       "line 1 holds a zero byte; the list must be plain text"},
      {std::string("a\rb\nc\r\n\0"sv),
       "line 4 holds a zero byte; the list must be plain text"},
  };
  for (const sample& s : samples) {
    const definition_files f = write_definitions(s.list, "m");
    const std::string shown = testing::PrintToString(s.list);
    EXPECT_FALSE(f.ok) << shown;
    EXPECT_EQ(f.error.view(), s.error) << shown;
    EXPECT_EQ(f.def.view(), "") << shown;
    EXPECT_EQ(f.inc.view(), "") << shown;
  }
}

TEST(NamesOf, LastComponentUpToItsFirstFullStop) {
  struct sample {
    std::string arg, separators, base, library;
  };
  const sample samples[] = {
      {"mylib.txt", "/", "mylib", "mylib"},
      {"names", "/", "names", "names"},
      {"a.b.c", "/", "a", "a"},
      {"names.", "/", "names", "names"},
      {".hidden", "/", "", ""},
      {"./mylib.txt", "/", "./mylib", "mylib"},
      {"../lists/mylib.txt", "/", "../lists/mylib", "mylib"},
      {"v1.2/names.txt", "/", "v1.2/names", "names"},
      {"/abs/x.y/n", "/", "/abs/x.y/n", "n"},
      {"lists/", "/", "lists/", ""},
      {"lists\\names.txt", "/", "lists\\names", "lists\\names"},
      {".\\mylib.txt", "\\/:", ".\\mylib", "mylib"},
      {"..\\a.b/names.txt", "\\/:", "..\\a.b/names", "names"},
      {"C:names.txt", "\\/:", "C:names", "names"},
      {std::string(300, 'z') + ".txt", "/", std::string(300, 'z'),
       std::string(300, 'z')},
  };
  for (const sample& s : samples) {
    const list_names got = names_of(s.arg, s.separators);
    EXPECT_EQ(got.base.view(), s.base) << s.arg;
    EXPECT_EQ(got.library.view(), s.library) << s.arg;
  }
}

TEST(IsLibraryName, LettersDigitsAndUnderscoresOnly) {
  for (const char* good : {"mylib", "_x", "V2", "9lives", "a_B_9"})
    EXPECT_TRUE(is_library_name(good)) << good;
  for (const char* bad :
       {"", "my lib", "my-lib", "a\tb", "lists/n", "x$", "\xE9t\xE9", "a\\b"})
    EXPECT_FALSE(is_library_name(bad)) << bad;
}

// arg_cut takes quotation marks away and turns a tab into a blank.
TEST(CommandLineFault, QuotesAndControlCharactersCannotBeCarried) {
  for (const char* fits :
       {"mylib", "my dir/mylib", "C:\\lists\\names", "\xE9t\xE9/n", "~$/n"})
    EXPECT_EQ(command_line_fault(fits), nullptr) << fits;
  for (const char* unfit : {"tab\tdir/n", "q\"d/n", "line\nend/n", "\x1f/n"})
    EXPECT_NE(command_line_fault(unfit), nullptr) << unfit;
}

TEST(LibrarianCommand, AppendsTheDefinitionFile) {
  const std::string prefix = "\\tolvane\\bin\\link -lib /machine:ix86 /def:";
  EXPECT_EQ(librarian_command(prefix, "mylib").view(),
            "\\tolvane\\bin\\link -lib /machine:ix86 /def:mylib.def");
  EXPECT_EQ(librarian_command(prefix, "lists\\names").view(),
            prefix + "lists\\names.def");
  // A blank would split the file name into two arguments.
  EXPECT_EQ(librarian_command(prefix, "my lib").view(),
            prefix + "\"my lib.def\"");
  EXPECT_EQ(librarian_command(prefix, "a\tb").view(), prefix + "\"a\tb.def\"");
  const std::string long_base(400, 'L');
  EXPECT_EQ(librarian_command(prefix, long_base).view(),
            prefix + long_base + ".def");
}

}  // namespace
}  // namespace tk::deflib
