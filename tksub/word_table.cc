#include "tksub/word_table.h"

#include <array>
#include <cstring>
#include <limits>

namespace tk::tksub {

namespace {

constexpr std::array<std::uint32_t, prime_count> smallest_primes_descending =
    [] {
      std::array<std::uint32_t, prime_count> primes{};
      std::size_t found = 0;
      for (std::uint32_t n = 2; found < prime_count; ++n) {
        bool prime = true;
        for (std::uint32_t d = 2; d * d <= n; ++d) {
          if (n % d == 0) {
            prime = false;
            break;
          }
        }
        if (prime) primes[prime_count - 1 - found++] = n;
      }
      return primes;
    }();

static_assert(smallest_primes_descending[0] == 311);
static_assert(smallest_primes_descending[1] == 307);
static_assert(smallest_primes_descending[62] == 3);
static_assert(smallest_primes_descending[63] == 2);

word_slot* slot_at(const word_table& table, std::uint32_t index) {
  // The slot storage comes from the zero-filling allocator, which creates
  // the word_slot objects in it.
  return reinterpret_cast<word_slot*>(table.slots[index]);
}

// Whether a non-empty key is exactly `word` (1 to max_word_length bytes,
// so key[n] is inside the field). The length comes first, at the key's
// terminator, so that no key matches a word that is only its prefix.
// Similar keys tend to share their start and differ at the end, so the
// bytes are compared from the end; the loop stays inline, which matters
// when a search passes many slots.
bool key_is(const char* key, std::string_view word) {
  std::size_t i = word.size();
  if (key[i] != 0) return false;
  while (i-- > 0)
    if (key[i] != word[i]) return false;
  return true;
}

}  // namespace

std::span<char*> buffer_array::buffers() const {
  if (!pointers) return {};
  return {reinterpret_cast<char**>(pointers.data()),
          pointers.size() / sizeof(char*)};
}

buffer_array buffer_array_create(std::uint32_t count, std::uint32_t size) {
  buffer_array result;
  if (count == 0) return result;
  const std::uint64_t bytes = std::uint64_t{count} * size;
  if (bytes > std::numeric_limits<std::size_t>::max() ||
      std::uint64_t{count} >
          std::numeric_limits<std::size_t>::max() / sizeof(char*))
    return result;
  zero_block pointers = zero_block::allocate(count * sizeof(char*));
  zero_block storage = zero_block::allocate(static_cast<std::size_t>(bytes));
  if (!pointers || !storage) return result;
  result.pointers = std::move(pointers);
  result.storage = std::move(storage);
  const std::span<char*> buffers = result.buffers();
  for (std::uint32_t i = 0; i < count; ++i)
    buffers[i] = result.storage.data() + std::size_t{i} * size;
  return result;
}

zero_block prime_table_create() {
  zero_block block = zero_block::allocate(prime_count * sizeof(std::uint32_t));
  if (block)
    std::memcpy(block.data(), smallest_primes_descending.data(),
                prime_count * sizeof(std::uint32_t));
  return block;
}

owned_word_table word_table_create(std::uint32_t slot_count) {
  owned_word_table result;
  result.slot_blocks = buffer_array_create(slot_count, sizeof(word_slot));
  result.prime_block = prime_table_create();
  result.tag_block = zero_block::allocate(slot_count);
  if (!result.slot_blocks || !result.prime_block || !result.tag_block)
    return owned_word_table{};
  // Written once now, so that no lookup reads a page never written (see
  // word_table). The slot storage itself stays untouched until keys come.
  std::memset(result.tag_block.data(), 0, result.tag_block.size());
  result.table.slots = result.slot_blocks.buffers();
  result.table.slot_count = slot_count;
  result.table.primes = {
      reinterpret_cast<const std::uint32_t*>(result.prime_block.data()),
      prime_count};
  result.table.tags = {reinterpret_cast<std::uint8_t*>(result.tag_block.data()),
                       slot_count};
  return result;
}

std::uint32_t word_hash(std::string_view word, std::uint32_t slot_count,
                        std::span<const std::uint32_t> primes) {
  const auto n = static_cast<std::uint32_t>(word.size());
  const std::size_t weighted =
      word.size() < max_word_length ? word.size() : max_word_length;
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < weighted; ++i) {
    const std::uint32_t b = static_cast<unsigned char>(word[i]);
    sum += (b * primes[i + 1]) & 0xFFFFu;
  }
  // The length is added once for every character.
  sum += n * n;
  // The tool's own slot count is a constant divisor, which the compiler
  // turns into a multiplication.
  return slot_count == table_slot_count ? sum % table_slot_count
                                        : sum % slot_count;
}

std::uint8_t word_tag(std::string_view word) {
  std::uint32_t h = 2166136261u;
  for (const char c : word) h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
  h ^= h >> 16;
  h ^= h >> 8;
  const auto tag = static_cast<std::uint8_t>(h);
  return tag != 0 ? tag : 1;
}

slot_result word_probe(std::string_view word, std::uint32_t start,
                       const word_table& table) {
  const std::size_t n = word.size();
  if (n == 0 || n > max_word_length || start >= table.slot_count ||
      table.tags.size() < table.slot_count)
    return {};
  // Reduced once, so that one subtraction keeps the index in range for any
  // slot count.
  const auto step = static_cast<std::uint32_t>(4 * n) % table.slot_count;
  const std::uint8_t* const tags = table.tags.data();
  std::uint32_t index = start;
  // Most words of a source are no key and most home slots are empty, so
  // the word's own tag is worked out only when it is needed.
  if (tags[index] == 0) return {slot_at(table, index), 0, index};
  const std::uint8_t tag = word_tag(word);
  for (;;) {
    const std::uint8_t here = tags[index];
    if (here == 0) return {slot_at(table, index), 0, index};
    if (here == tag) {
      word_slot* slot = slot_at(table, index);
      if (key_is(slot->key, word)) return {slot, 1, index};
    }
    index += step;
    if (index >= table.slot_count) index -= table.slot_count;
    // Back at the start: every slot on this word's path is taken.
    if (index == start) return {};
  }
}

slot_result word_find_slot(std::string_view word, const word_table& table) {
  if (word.empty() || word.size() > max_word_length) return {};
  return word_probe(word, word_hash(word, table.slot_count, table.primes),
                    table);
}

bool word_enter(const word_table& table, const slot_result& empty_slot,
                std::string_view key, std::string_view partner) {
  if (empty_slot.slot == nullptr || empty_slot.found != 0 ||
      empty_slot.index >= table.tags.size() || key.empty() ||
      key.size() > max_word_length || partner.empty() ||
      partner.size() > max_word_length)
    return false;
  word_slot& slot = *empty_slot.slot;
  std::memcpy(slot.key, key.data(), key.size());
  slot.key[key.size()] = 0;
  std::memcpy(slot.partner, partner.data(), partner.size());
  slot.partner[partner.size()] = 0;
  table.tags[empty_slot.index] = word_tag(key);
  return true;
}

}  // namespace tk::tksub
