// Reads each line of a file as a pair file of its own and counts how the
// pair-file reader takes it: entered, or stopped by which message. Used to
// see what a reading rule refuses in pair files made from real headers.
//   pair_forms LINES_FILE
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <string>

#include "lib/console.h"
#include "tests/string_console.h"
#include "tksub/pair_reader.h"
#include "tksub/word_table.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: pair_forms LINES_FILE\n";
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::cerr << "pair_forms: cannot read " << argv[1] << "\n";
    return 1;
  }
  tk::tksub::buffer_array words = tk::tksub::buffer_array_create(16, 128);
  std::map<std::string, long> counts;
  std::string line;
  long total = 0;
  while (std::getline(in, line)) {
    ++total;
    // A table of its own for each line, so that no line meets another's key.
    const tk::tksub::owned_word_table table = tk::tksub::word_table_create(7);
    tk::string_console console;
    tk::tksub::pair_context context{&table.table, &console, {}};
    tk::tksub::pair_error = 0;
    tk::tksub::split_lines(line, words.buffers(), tk::tksub::pair_word_chars,
                           tk::tksub::pair_line_handler, &context, console,
                           &context.line);
    std::string out = console.text();
    // The message up to the word it names, or its line end.
    out = out.substr(0, out.find_first_of("\"\r"));
    ++counts[out.empty() ? "entered" : out];
  }
  std::cout << total << " lines\n";
  for (const auto& [what, n] : counts) std::cout << n << "\t" << what << "\n";
  return 0;
}
