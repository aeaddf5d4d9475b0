// Fuzzes tksub's pair-file reader (split_lines with pair_line_handler) on any
// bytes. A reference reader, written from the file format, predicts the line
// where reading stops, the message, the error flag and the exact contents of
// every slot. It enters its pairs through the table's own routines (tested
// on their own) into a table of its own, so the reader's table must match it
// slot for slot. Small tables (33 and 993 slots, both multiples of 3) fill up
// after a few keys, so the full table is reached as well as the ordinary
// paths. Every word buffer is a
// heap block of its own 128 bytes, so a write past one is caught.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_util.h"
#include "fuzz/small_word_table.h"
#include "lib/console.h"
#include "tests/string_console.h"
#include "tksub/pair_reader.h"
#include "tksub/word_table.h"

namespace {

using tk::fuzz::fail;
using tk::fuzz::require;

constexpr std::size_t max_word = 63;

enum class stop { none, missing, too_many, exit, too_long, redefined, full };

struct reference_run {
  stop why = stop::none;
  std::uint32_t line = 0;
  std::string key;  // the key named by a redefinition or full-table message
  tk::tksub::owned_word_table table;
};

std::vector<std::string> words_of(std::string_view line) {
  std::vector<std::string> words;
  for (std::size_t i = 0; i < line.size();) {
    if (!tk::fuzz::is_class(tk::fuzz::pair_chars, line[i])) {
      ++i;
      continue;
    }
    std::size_t j = i;
    while (j < line.size() && tk::fuzz::is_class(tk::fuzz::pair_chars, line[j]))
      ++j;
    words.emplace_back(line.substr(i, j - i));
    i = j;
  }
  return words;
}

reference_run read_reference(std::string_view text, std::uint32_t slots) {
  reference_run r;
  r.table = tk::fuzz::small_word_table_create(slots);
  const tk::tksub::word_table& table = r.table.table;
  std::size_t start = 0;
  for (std::uint32_t number = 1;; ++number) {
    const std::size_t lf = text.find('\n', start);
    const std::string_view line = text.substr(
        start, lf == std::string_view::npos ? text.npos : lf - start);
    const std::vector<std::string> w = words_of(line);
    r.line = number;
    if (w.size() < 2) {
      r.why = stop::missing;
      return r;
    }
    if (w.size() > 2) {
      r.why = stop::too_many;
      return r;
    }
    if (w[0] == "exit") {
      r.why = stop::exit;
      return r;
    }
    if (w[0].size() > max_word || w[1].size() > max_word) {
      r.why = stop::too_long;
      return r;
    }
    const tk::tksub::slot_result at = tk::tksub::word_find_slot(w[0], table);
    if (at.slot == nullptr) {
      r.why = stop::full;
      r.key = w[0];
      return r;
    }
    if (at.found == 0) {
      require(tk::tksub::word_enter(table, at, w[0], w[1]),
              "the reference table refused a pair");
    } else if (w[1] != at.slot->partner) {
      r.why = stop::redefined;
      r.key = w[0];
      return r;
    }
    if (lf == std::string_view::npos) {
      r.why = stop::none;
      return r;
    }
    start = lf + 1;
  }
}

std::string expected_message(const reference_run& r) {
  switch (r.why) {
    case stop::missing:
      return "ERROR: MISSING SECOND ARGUMENT\r\n";
    case stop::too_many:
      return "ERROR: TOO MANY ARGUMENTS\r\n";
    case stop::redefined:
      return "ERROR: SYMBOL REDEFINITION \"" + r.key + "\"\r\n";
    default:
      return {};
  }
}

bool pair_word(const char* field) {
  const std::size_t n = strnlen(field, max_word + 1);
  if (n < 1 || n > max_word) return false;
  for (std::size_t i = 0; i < n; ++i)
    if (!tk::fuzz::is_class(tk::fuzz::pair_chars, field[i])) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  for (int c = 0; c < 256; ++c)
    require(tk::tksub::pair_word_chars[static_cast<std::size_t>(c)] ==
                tk::fuzz::pair_chars[static_cast<std::size_t>(c)],
            "pair_word_chars differs from the pair-file word characters");

  FuzzedDataProvider in(data, size);
  const std::uint32_t slots = in.ConsumeBool() ? 33 : 993;
  const std::string text = in.ConsumeRemainingBytesAsString();

  tk::tksub::owned_word_table owned = tk::fuzz::small_word_table_create(slots);
  tk::tksub::word_table& table = owned.table;

  std::vector<std::unique_ptr<char[]>> buffers;
  std::vector<char*> words;
  for (std::uint32_t i = 0; i < tk::tksub::word_buffer_count; ++i) {
    buffers.emplace_back(new char[tk::tksub::word_buffer_size]());
    words.push_back(buffers.back().get());
  }

  tk::string_console console;
  tk::tksub::pair_context context{&table, &console, {}};
  tk::tksub::pair_error = 0;
  tk::tksub::split_lines(text, words, tk::tksub::pair_word_chars,
                         tk::tksub::pair_line_handler, &context, console);

  const reference_run want = read_reference(text, slots);
  const std::string& out = console.text();
  const std::string tail = want.why == stop::none
                               ? std::string()
                               : "Line Number " + std::to_string(want.line);
  require(out.size() >= tail.size() &&
              out.compare(out.size() - tail.size(), tail.size(), tail) == 0,
          "reading stopped at another line than the reference");
  const std::string message = out.substr(0, out.size() - tail.size());
  const bool error = want.why != stop::none && want.why != stop::exit;
  // The error flag is set exactly when a message was written.
  require(tk::tksub::pair_error == (message.empty() ? 0 : 1),
          "pair_error disagrees with the console");
  require(error == !message.empty(), "error message missing or unexpected");
  if (const std::string m = expected_message(want); !m.empty())
    require(message == m, "wrong error message");
  if (error)
    require(message.rfind("ERROR: ", 0) == 0 && message.size() >= 2 &&
                message.compare(message.size() - 2, 2, "\r\n") == 0,
            "error message not of the form ERROR: ... CR LF");

  for (std::uint32_t i = 0; i < slots; ++i) {
    const auto* slot =
        reinterpret_cast<const tk::tksub::word_slot*>(table.slots[i]);
    const auto* ref = reinterpret_cast<const tk::tksub::word_slot*>(
        want.table.table.slots[i]);
    require(std::memcmp(slot, ref, sizeof *slot) == 0,
            "a slot differs from the reference table");
    if (slot->key[0] != 0)
      require(pair_word(slot->key) && pair_word(slot->partner),
              "a slot holds something other than 1 to 63 word characters");
  }

  // Handed each line, the reader also refuses ambiguous lines: it reads
  // exactly as above, or stops with the ambiguity message, which names a
  // stretch of the text that holds a character the pair file drops but the
  // source reads as part of a word.
  tk::tksub::owned_word_table strict_table =
      tk::fuzz::small_word_table_create(slots);
  tk::string_console strict;
  tk::tksub::pair_context strict_context{&strict_table.table, &strict, {}};
  tk::tksub::pair_error = 0;
  tk::tksub::split_lines(text, words, tk::tksub::pair_word_chars,
                         tk::tksub::pair_line_handler, &strict_context, strict,
                         &strict_context.line);
  constexpr std::string_view ambiguous = "ERROR: AMBIGUOUS \"";
  const std::string& got = strict.text();
  if (got.rfind(ambiguous, 0) == 0) {
    const std::size_t end = got.find("\": WRITE KEY AND PARTNER WITH");
    require(end != std::string::npos && end > ambiguous.size(),
            "an ambiguity message without its stretch");
    const std::string stretch =
        got.substr(ambiguous.size(), end - ambiguous.size());
    require(text.find(stretch) != std::string::npos &&
                stretch.find_first_of("!\"#$%&*:?@~") != std::string::npos,
            "the ambiguous stretch is not a stretch of the line");
    require(tk::tksub::pair_error == 1, "an ambiguous line left no error");
  } else {
    require(got == out, "a line that is not ambiguous was read otherwise");
  }
  return 0;
}
