#include "word_table.h"

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
// so key[n] is inside the field). Similar keys tend to share their start
// and differ at the end, so the bytes are compared from the end.
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

owned_word_table word_table_create() {
  owned_word_table result;
  result.slot_blocks = buffer_array_create(table_slot_count, sizeof(word_slot));
  result.prime_block = prime_table_create();
  if (!result.slot_blocks || !result.prime_block) return owned_word_table{};
  result.table.slots = result.slot_blocks.buffers();
  result.table.slot_count = table_slot_count;
  result.table.primes = {
      reinterpret_cast<const std::uint32_t*>(result.prime_block.data()),
      prime_count};
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
  return sum % slot_count;
}

slot_result word_probe(std::string_view word, std::uint32_t start,
                       const word_table& table) {
  const std::size_t n = word.size();
  if (n == 0 || n > max_word_length || start >= table.slot_count) return {};
  // Reduced once, so that one subtraction keeps the index in range for any
  // slot count.
  const auto step = static_cast<std::uint32_t>(4 * n) % table.slot_count;
  std::uint32_t index = start;
  for (;;) {
    word_slot* slot = slot_at(table, index);
    if (slot->key[0] == 0) return {slot, 0};
    if (key_is(slot->key, word)) return {slot, 1};
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

}  // namespace tk::tksub
