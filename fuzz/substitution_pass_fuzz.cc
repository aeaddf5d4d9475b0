// Fuzzes tksub's substitution pass on any source and any table: the output
// must equal a plain reference substitution (every longest run of source
// word characters that is a key replaced by its partner, every other byte
// copied), whatever the first size of the output block, so that growing the
// block is exercised too.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "fuzz/fuzz_util.h"
#include "fuzz/small_word_table.h"
#include "tksub/substitution_pass.h"
#include "tksub/word_table.h"

namespace {

using tk::fuzz::is_class;
using tk::fuzz::require;

constexpr std::size_t max_word = 63;

std::string pair_word_from(std::string_view bytes) {
  std::string w;
  for (char c : bytes)
    if (is_class(tk::fuzz::pair_chars, c) && w.size() < max_word) w += c;
  return w;
}

std::string reference_substitution(
    std::string_view source, const std::map<std::string, std::string>& pairs) {
  std::string out;
  for (std::size_t i = 0; i < source.size();) {
    if (!is_class(tk::fuzz::source_chars, source[i])) {
      out += source[i++];
      continue;
    }
    std::size_t j = i;
    while (j < source.size() && is_class(tk::fuzz::source_chars, source[j]))
      ++j;
    const std::string word(source.substr(i, j - i));
    const auto it = pairs.find(word);
    out += it == pairs.end() ? word : it->second;
    i = j;
  }
  return out;
}

// Enters the pair the way the pair-file reader does; the first partner of a
// key stays. A full search path leaves the pair out.
void enter(const tk::tksub::word_table& table,
           std::map<std::string, std::string>& pairs, const std::string& key,
           const std::string& partner) {
  if (key.empty() || partner.empty()) return;
  const tk::tksub::slot_result r = tk::tksub::word_find_slot(key, table);
  if (r.slot == nullptr || r.found != 0) return;
  tk::tksub::word_enter(table, r, key, partner);
  pairs.emplace(key, partner);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  for (int c = 0; c < 256; ++c)
    require(tk::tksub::source_word_chars[static_cast<std::size_t>(c)] ==
                tk::fuzz::source_chars[static_cast<std::size_t>(c)],
            "source_word_chars differs from the source word characters");

  FuzzedDataProvider in(data, size);
  const std::uint32_t slots = in.ConsumeBool() ? 33 : 993;
  const int given_pairs = in.ConsumeIntegralInRange<int>(0, 6);
  const bool source_keys = in.ConsumeBool();
  const std::size_t first_capacity =
      in.ConsumeIntegralInRange<std::size_t>(1, 64);
  std::string keys[6], partners[6];
  for (int i = 0; i < given_pairs; ++i) {
    keys[i] = pair_word_from(in.ConsumeRandomLengthString(80));
    partners[i] = pair_word_from(in.ConsumeRandomLengthString(80));
  }
  const std::string source = in.ConsumeRemainingBytesAsString();

  tk::tksub::owned_word_table owned = tk::fuzz::small_word_table_create(slots);
  tk::tksub::word_table& table = owned.table;

  std::map<std::string, std::string> pairs;
  for (int i = 0; i < given_pairs; ++i)
    enter(table, pairs, keys[i], partners[i]);
  if (source_keys) {
    // Some words of the source itself, so that swaps are frequent; each is
    // given a partner of another length.
    int taken = 0;
    for (std::size_t i = 0; i < source.size() && taken < 4;) {
      if (!is_class(tk::fuzz::pair_chars, source[i])) {
        ++i;
        continue;
      }
      std::size_t j = i;
      while (j < source.size() && is_class(tk::fuzz::pair_chars, source[j]))
        ++j;
      const std::string w = source.substr(i, j - i);
      if (w.size() <= max_word) {
        const std::string partner =
            taken % 2 == 0 ? std::string(max_word, 'W') : std::string("x");
        enter(table, pairs, w, partner);
        ++taken;
      }
      i = j;
    }
  }

  tk::tksub::output_text out;
  require(out.reserve(first_capacity), "no memory for the output");
  const tk::tksub::pass_status status = tk::tksub::substitute_words(
      source, out, tk::tksub::source_word_chars, table);
  require(status == tk::tksub::pass_status::ok, "the pass failed");
  require(out.view() == reference_substitution(source, pairs),
          "the output differs from the reference substitution");
  return 0;
}
