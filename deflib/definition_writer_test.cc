#include "definition_writer.h"

#include <string>
#include <utility>
#include <vector>

#include "expected_texts.h"
#include "gtest/gtest.h"

namespace tk::deflib {
namespace {

using namespace std::literals;

const std::string rule = "  ; ------------------------------------------";

// NAME.inc up to the first import pointer.
std::string inc_header(const std::string& base) {
  return rule + "\r\n" + "  ; prototypes for EXPORT " + base +
         " functions\r\n" + rule + "\r\n\r\n" + "    c_" + base +
         " typedef PROTO C :VARARG\r\n\r\n";
}

// The lines one name adds to NAME.inc.
std::string inc_entry(const std::string& name, const std::string& base) {
  return "    externdef _imp__" + name + ":PTR c_" + base + "\r\n" +
         "    crt_" + name + " equ <_imp__" + name + ">\r\n\r\n";
}

// Both files for `names`, in order.
definition_files expected(const std::vector<std::string>& names,
                          const std::string& base) {
  definition_files f;
  f.ok = true;
  f.def = "LIBRARY " + base + "\r\n\r\n";
  f.inc = inc_header(base);
  for (const std::string& n : names) {
    f.def += "EXPORTS " + n + "\r\n";
    f.inc += inc_entry(n, base);
  }
  return f;
}

void expect_files(const definition_files& got, const definition_files& want,
                  const std::string& what) {
  EXPECT_TRUE(got.ok) << what << ": " << got.error;
  EXPECT_EQ(got.def, want.def) << what;
  EXPECT_EQ(got.inc, want.inc) << what;
  EXPECT_EQ(got.error, "") << what;
}

TEST(WriteDefinitions, MylibExampleByteForByte) {
  const definition_files f = write_definitions("printf\r\nputs\r\n", "mylib");
  ASSERT_TRUE(f.ok);
  EXPECT_EQ(f.def, tk::test::expected::mylib_def);
  EXPECT_EQ(f.inc, tk::test::expected::mylib_inc);
}

TEST(WriteDefinitions, BlankLinesAndEmptyLists) {
  struct sample {
    const char* list;
    std::vector<std::string> names;
  };
  const sample samples[] = {
      {"", {}},
      {"\r\n", {}},
      {"   \r\n\t\t\r\n \t \r\n", {}},
      {"\r\n\r\nprintf\r\n\r\n  \r\nputs\r\n\r\n", {"printf", "puts"}},
      // A line of control bytes that end a name, and nothing after them.
      {"\x0c\r\nputs\r\n\x0b\t\x01\r\n", {"puts"}},
      {"   ", {}},
  };
  for (const sample& s : samples)
    expect_files(write_definitions(s.list, "x"), expected(s.names, "x"),
                 std::string("list: ") + s.list);
}

TEST(WriteDefinitions, NamesWithoutTheSpacesAroundThem) {
  // Decorated names keep their signs; a line without a final line end is
  // still read.
  const definition_files f = write_definitions(
      "  printf  \r\n_name@12\r\n?name@@YAXXZ\r\n@f@8 \r\n$x\r\nx9_\r\n"
      "data\r\nlast",
      "lib");
  expect_files(f,
               expected({"printf", "_name@12", "?name@@YAXXZ", "@f@8", "$x",
                         "x9_", "data", "last"},
                        "lib"),
               "names");
  EXPECT_NE(f.inc.find("    crt_printf equ <_imp__printf>\r\n"),
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
      {"DATA", keyword},
      {"  NAME  ", keyword},
      {"EXPORTS", keyword},
  };
  for (const auto& [line, why] : lines) {
    const definition_files f =
        write_definitions("puts\r\n\r\n" + line + "\r\nfree\r\n", "m");
    EXPECT_FALSE(f.ok) << line;
    EXPECT_EQ(f.error, "line 3 " + why) << line;
    EXPECT_EQ(f.def, "") << line;
    EXPECT_EQ(f.inc, "") << line;
  }
}

TEST(WriteDefinitions, EveryLineEndReadsEachLineOnce) {
  const std::vector<std::string> abcd = {"alpha", "beta", "gamma", "delta"};
  const char* lists[] = {
      "alpha\r\nbeta\r\ngamma\r\ndelta\r\n",
      "alpha\nbeta\ngamma\ndelta\n",
      "alpha\rbeta\rgamma\rdelta\r",
      "alpha\r\nbeta\ngamma\rdelta",
      "alpha\nbeta\r\ngamma\r\ndelta\r",
      // A lone CR followed by an empty CR LF line.
      "alpha\r\r\nbeta\n\ngamma\r\rdelta\n\r",
  };
  for (const char* list : lists)
    expect_files(write_definitions(list, "m"), expected(abcd, "m"),
                 std::string("list: ") + list);

  // Many lines with lone line ends: none lost, none repeated.
  std::string many;
  std::vector<std::string> names;
  for (int i = 0; i < 500; ++i) {
    names.push_back("fn" + std::to_string(i));
    many += names.back() + (i % 3 == 0 ? "\n" : i % 3 == 1 ? "\r" : "\r\n");
  }
  expect_files(write_definitions(many, "m"), expected(names, "m"), "many");
}

TEST(WriteDefinitions, TabEndsTheNameAndTheRestOfTheLineIsIgnored) {
  expect_files(
      write_definitions("printf\tthe C one\r\nputs\r\nstrlen\t\r\nfree", "m"),
      expected({"printf", "puts", "strlen", "free"}, "m"), "tab");
  expect_files(write_definitions("ab\x0b"
                                 "c d\r\ne\x01\x02 f\ng",
                                 "m"),
               expected({"ab", "e", "g"}, "m"), "other controls");
  expect_files(write_definitions("name  \t; note\r\n", "m"),
               expected({"name"}, "m"), "spaces before tab");
  // Blanks after the tab only: a blank line.
  expect_files(write_definitions("  \t  \r\nx\r\n", "m"), expected({"x"}, "m"),
               "blank after tab");
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
    EXPECT_EQ(f.error, s.error) << shown;
    EXPECT_EQ(f.def, "") << shown;
    EXPECT_EQ(f.inc, "") << shown;
  }
}

TEST(WriteDefinitions, LongNamesAndBaseNamesAreWrittenWhole) {
  const std::string name(300, 'n');
  const std::string base = std::string(200, 'b');
  std::string list = "short\r\n" + name + "\r\n" + name + "x";
  expect_files(write_definitions(list, base),
               expected({"short", name, name + "x"}, base), "long");
  // The 52-character name that used to be the longest that fits, and the
  // ones around it.
  for (std::size_t n : {51u, 52u, 53u, 127u, 128u, 129u}) {
    const std::string s(n, 'q');
    expect_files(write_definitions(s, "m"), expected({s}, "m"),
                 "length " + std::to_string(n));
  }
}

TEST(WriteDefinitions, ByteOrderMarkAtTheStartIsSkipped) {
  expect_files(write_definitions("\xEF\xBB\xBFprintf\r\nputs\r\n", "m"),
               expected({"printf", "puts"}, "m"), "mark");
  expect_files(write_definitions("\xEF\xBB\xBF", "m"), expected({}, "m"),
               "mark only");
  // Elsewhere it is no part of a name.
  EXPECT_EQ(write_definitions("a\r\n\xEF\xBB\xBF"
                              "b\r\n",
                              "m")
                .error,
            "line 2 holds no valid name: a name may hold only letters, digits "
            "and _ @ $ ?, and may not start with a digit");
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
    EXPECT_EQ(got.base, s.base) << s.arg;
    EXPECT_EQ(got.library, s.library) << s.arg;
  }
}

TEST(IsLibraryName, LettersDigitsAndUnderscoresOnly) {
  for (const char* good : {"mylib", "_x", "V2", "9lives", "a_B_9"})
    EXPECT_TRUE(is_library_name(good)) << good;
  for (const char* bad :
       {"", "my lib", "my-lib", "a\tb", "lists/n", "x$", "\xE9t\xE9", "a\\b"})
    EXPECT_FALSE(is_library_name(bad)) << bad;
}

TEST(LibrarianCommand, AppendsTheDefinitionFile) {
  const std::string prefix = "\\tolvane\\bin\\link -lib /machine:ix86 /def:";
  EXPECT_EQ(librarian_command(prefix, "mylib"),
            "\\tolvane\\bin\\link -lib /machine:ix86 /def:mylib.def");
  EXPECT_EQ(librarian_command(prefix, "lists\\names"),
            prefix + "lists\\names.def");
  // A blank would split the file name into two arguments.
  EXPECT_EQ(librarian_command(prefix, "my lib"), prefix + "\"my lib.def\"");
  EXPECT_EQ(librarian_command(prefix, "a\tb"), prefix + "\"a\tb.def\"");
  const std::string long_base(400, 'L');
  EXPECT_EQ(librarian_command(prefix, long_base), prefix + long_base + ".def");
}

}  // namespace
}  // namespace tk::deflib
