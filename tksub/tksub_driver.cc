#include "tksub/tksub_driver.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "lib/kit.h"
#include "tksub/pair_reader.h"
#include "tksub/standard_output.h"
#include "tksub/substitution_pass.h"
#include "tksub/word_table.h"

namespace tk::tksub {

namespace {

constexpr std::string_view usage_text =
    "TKSUB : 'Token Substitute' Version 3\r\n\r\n"
    "ARGUMENTS\r\n"
    "  1. File with word pairs 'this that' or 'this = that'\r\n"
    "  2. Source file to replace word in\r\n"
    "  3. Target file to write results to\r\n\r\n"
    "EXAMPLE : tksub myequate.equ mysource.asm myresult.asm\r\n";

constexpr std::string_view missing_first_text =
    "Missing first argument 'word file'\r\n";
constexpr std::string_view missing_second_text =
    "Missing second argument 'source file'\r\n";
constexpr std::string_view missing_third_text =
    "Missing third argument 'target file'\r\n";
constexpr std::string_view written_at_text = " written at ";
constexpr std::string_view bytes_text = " bytes\r\n";

constexpr std::string_view no_table_memory_text =
    "Not enough memory for the word table\r\n";
constexpr std::string_view no_output_memory_text =
    "Not enough memory for the target text\r\n";
constexpr std::string_view output_too_large_text =
    "Target text would be larger than 2147483647 bytes\r\n";

// "<verb><what> '<name>'<why>\r\n" about one of the three files.
constexpr std::string_view cannot_read_text = "Cannot read ";
constexpr std::string_view no_read_memory_text = "Not enough memory to read ";
constexpr std::string_view cannot_write_text = "Cannot write ";
constexpr std::string_view word_file_text = "word file";
constexpr std::string_view source_file_text = "source file";
constexpr std::string_view target_file_text = "target file";
constexpr std::string_view too_large_input_text = ": 4 GiB or more";

// "Argument <n> is too long for a file name (<max> characters at most)".
constexpr std::string_view argument_text = "Argument ";
constexpr std::string_view too_long_name_text =
    " is too long for a file name (";
constexpr std::string_view characters_at_most_text = " characters at most)\r\n";

// "Cannot write target file '<target>': it is the word file '<pairs>'".
constexpr std::string_view target_is_word_file_text =
    "': it is the word file '";

// Room for a name of the longest that either system takes (259 characters
// on Windows, 4,095 on Linux) and its terminator; a name is held in the
// first max_name_length() + 1 bytes.
using name_buffer = std::array<char, 4096>;

// "<first> '<name>'<last>\r\n".
void write_about_file(console_out& console, std::string_view first,
                      const char* name, std::string_view last) {
  console.write_all(first, " '", name, "'", last, "\r\n");
}

// Reads a whole input file; says why when it cannot.
bool read_input(console_out& console, std::string_view what, const char* name,
                text_block& text) {
  read_status why = read_status::ok;
  if (file_read_all(name, text, &why) != 0) return true;
  switch (why) {
    case read_status::too_large:
      console.write(cannot_read_text);
      write_about_file(console, what, name, too_large_input_text);
      break;
    case read_status::no_memory:
      console.write(no_read_memory_text);
      write_about_file(console, what, name, "");
      break;
    default:
      console.write(cannot_read_text);
      write_about_file(console, what, name, "");
      break;
  }
  return false;
}

// Fetches argument `index`. An argument that does not fit the buffer is
// reported here; every other failure leaves the buffer empty for the
// caller's own check.
bool fetch_name(std::span<const std::string_view> args, console_out& console,
                std::uint32_t index, name_buffer& name, int& result) {
  name[0] = 0;
  result = arg_get(
      args, index,
      std::span(name).first(std::min(name.size(), max_name_length() + 1)));
  if (result != arg_too_long) return true;
  console.write(argument_text);
  console.write_number(index);
  console.write(too_long_name_text);
  console.write_number(static_cast<std::uint32_t>(max_name_length()));
  console.write(characters_at_most_text);
  show_usage(console);
  return false;
}

int usage_after(console_out& console, std::string_view message) {
  console.write(message);
  show_usage(console);
  return 1;
}

// Everything after the argument checks: the word table, the source and the
// target.
int substitute(const char* pair_name, const char* source_name,
               const char* target_name, console_out& console) {
  // A typo such as "tksub p.equ s.asm p.equ" would put the target in the
  // place of the word file.
  if (file_same(target_name, pair_name) != 0) {
    console.write_all(cannot_write_text, target_file_text, " '", target_name,
                      target_is_word_file_text, pair_name, "'\r\n");
    return 1;
  }
  owned_word_table table;
  {
    text_block pairs;
    if (!read_input(console, word_file_text, pair_name, pairs)) return 1;
    table = word_table_create();
    const buffer_array words =
        buffer_array_create(word_buffer_count, word_buffer_size);
    if (!table || !words) {
      console.write(no_table_memory_text);
      return 1;
    }
    pair_context context{&table.table, &console, {}};
    pair_error = 0;
    split_lines(pairs.view(), words.buffers(), pair_word_chars,
                pair_line_handler, &context, console, &context.line);
  }
  if (pair_error != 0) return 1;

  text_block source;
  if (!read_input(console, source_file_text, source_name, source)) return 1;
  std::size_t size = source.size;
  // The block holds three zero bytes behind the contents for this line end.
  if (size != 0 && source.data()[size - 1] != '\n') {
    source.data()[size++] = '\r';
    source.data()[size++] = '\n';
  }
  output_text output;
  // Twice the source covers every target but those where the swaps add more
  // than the source's own size; the output block grows for those. Where
  // that much cannot be had, the block starts at the source's own size.
  const std::uint64_t twice = 2 * std::uint64_t{source.size} + 2;
  if (!output.reserve(twice < max_output_size ? static_cast<std::size_t>(twice)
                                              : max_output_size) &&
      !output.reserve(size)) {
    console.write(no_output_memory_text);
    return 1;
  }
  const pass_status status = substitute_words({source.data(), size}, output,
                                              source_word_chars, table.table);
  if (status != pass_status::ok) {
    console.write(status == pass_status::too_large ? output_too_large_text
                                                   : no_output_memory_text);
    return 1;
  }
  // The source's memory goes back before the target is written.
  source = text_block{};
  const std::string_view text = output.view();
  const write_result written = file_replace_all(target_name, text);
  if (written.no_memory) {
    console.write(no_output_memory_text);
    return 1;
  }
  if (!written.ok) {
    console.write(cannot_write_text);
    write_about_file(console, target_file_text, target_name, "");
    return 1;
  }
  console.write_all(target_name, written_at_text);
  console.write_number(static_cast<std::uint32_t>(text.size()));
  console.write(bytes_text);
  return 0;
}

}  // namespace

void show_usage(console_out& console) { console.write(usage_text); }

int substitution_main(std::span<const std::string_view> args,
                      console_out& console, console_out& errors) {
  name_buffer pair_name;
  name_buffer source_name;
  name_buffer target_name;
  int result = 0;

  switch (info_requested(args)) {
    case info_request::usage:
      show_usage(console);
      return 0;
    case info_request::version:
      write_version_line(console, "tksub");
      return 0;
    case info_request::none:
      break;
  }
  if (!fetch_name(args, console, 1, pair_name, result)) return 1;
  if (file_exists(pair_name.data()) == 0)
    return usage_after(console, missing_first_text);
  if (!fetch_name(args, console, 2, source_name, result)) return 1;
  if (file_exists(source_name.data()) == 0)
    return usage_after(console, missing_second_text);
  if (!fetch_name(args, console, 3, target_name, result)) return 1;
  if (result == arg_missing) return usage_after(console, missing_third_text);
  // The standard output as the target holds the target text alone; what
  // the run says goes to the standard error then.
  return substitute(
      pair_name.data(), source_name.data(), target_name.data(),
      target_is_standard_output(target_name.data()) ? errors : console);
}

}  // namespace tk::tksub
