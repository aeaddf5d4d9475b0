/* The yardstick for the tksub benchmark: the same whole-word substitution in
 * plain C, with an ordinary hash table, for timing beside tksub.
 *
 *   yardstick PAIR_FILE SOURCE_FILE TARGET_FILE
 *
 * Pair lines are cut at line feeds into runs of the pair-file word
 * characters (+ - . 0-9 A-Z _ a-z); a line of two words is a pair, "exit" as
 * the first of two words ends the reading, any other line is an error (the
 * run stops with exit code 1, as tksub writes no target then). Source words
 * are longest runs of the source word characters; a word that is a key is
 * written as its partner. A CR LF is added to a source that does not end
 * with a line feed. Both files are read whole, the target is written whole.
 *
 * The table: open addressing with linear probing, a power of two at least
 * twice the number of keys, FNV-1a hashes kept beside the entries so that a
 * slot is rejected without touching the key. */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static unsigned char pair_chars[256];
static unsigned char source_chars[256];

static void mark(unsigned char *c, int first, int last) {
  for (int b = first; b <= last; ++b) c[b] = 1;
}

static void make_classes(void) {
  mark(pair_chars, '+', '+');
  mark(pair_chars, '-', '.');
  mark(pair_chars, '0', '9');
  mark(pair_chars, 'A', 'Z');
  mark(pair_chars, '_', '_');
  mark(pair_chars, 'a', 'z');
  mark(source_chars, 0x21, 0x26);
  mark(source_chars, 0x2A, 0x2B);
  mark(source_chars, 0x2D, 0x2E);
  mark(source_chars, 0x30, 0x3A);
  mark(source_chars, 0x3F, 0x5A);
  mark(source_chars, 0x5F, 0x5F);
  mark(source_chars, 0x61, 0x7A);
  mark(source_chars, 0x7E, 0x7E);
}

struct entry {
  uint64_t hash; /* 0: empty */
  const char *key;
  const char *partner;
  uint32_t key_length;
  uint32_t partner_length;
};

static struct entry *table;
static size_t table_mask;

static uint64_t hash_of(const char *w, size_t n) {
  uint64_t h = 14695981039346656037ull;
  for (size_t i = 0; i < n; ++i) {
    h ^= (unsigned char)w[i];
    h *= 1099511628211ull;
  }
  return h | 1; /* never 0, the empty mark */
}

static struct entry *find(const char *w, size_t n, uint64_t h) {
  size_t i = (size_t)(h ^ (h >> 29)) & table_mask;
  for (;;) {
    struct entry *e = &table[i];
    if (e->hash == 0) return e;
    if (e->hash == h && e->key_length == n && memcmp(e->key, w, n) == 0)
      return e;
    i = (i + 1) & table_mask;
  }
}

static char *read_whole(const char *name, size_t *size) {
  FILE *f = fopen(name, "rb");
  if (!f) return NULL;
  fseek(f, 0, SEEK_END);
  long n = ftell(f);
  fseek(f, 0, SEEK_SET);
  char *text = malloc((size_t)n + 3);
  if (text && fread(text, 1, (size_t)n, f) != (size_t)n) {
    free(text);
    text = NULL;
  }
  fclose(f);
  *size = (size_t)n;
  return text;
}

/* Enters the pairs; returns 0 on a malformed line. */
static int read_pairs(const char *text, size_t size) {
  size_t lines = 1;
  for (size_t i = 0; i < size; ++i) lines += text[i] == '\n';
  size_t capacity = 16;
  while (capacity < 2 * lines) capacity *= 2;
  table = calloc(capacity, sizeof *table);
  if (!table) return 0;
  table_mask = capacity - 1;
  const char *p = text, *end = text + size;
  for (;;) {
    const char *word[3];
    size_t length[3];
    int count = 0;
    while (p != end && *p != '\n') {
      if (!pair_chars[(unsigned char)*p]) {
        ++p;
        continue;
      }
      const char *w = p;
      while (p != end && pair_chars[(unsigned char)*p]) ++p;
      if (count < 3) {
        word[count] = w;
        length[count] = (size_t)(p - w);
      }
      ++count;
    }
    if (count != 2 || length[0] > 63 || length[1] > 63) return 0;
    if (length[0] == 4 && memcmp(word[0], "exit", 4) == 0) return 1;
    const uint64_t h = hash_of(word[0], length[0]);
    struct entry *e = find(word[0], length[0], h);
    if (e->hash == 0) {
      e->hash = h;
      e->key = word[0];
      e->key_length = (uint32_t)length[0];
      e->partner = word[1];
      e->partner_length = (uint32_t)length[1];
    } else if (e->partner_length != length[1] ||
               memcmp(e->partner, word[1], length[1]) != 0) {
      return 0;
    }
    if (p == end) return 1;
    ++p;
  }
}

int main(int argc, char **argv) {
  if (argc != 4) {
    fputs("usage: yardstick PAIR_FILE SOURCE_FILE TARGET_FILE\n", stderr);
    return 2;
  }
  make_classes();
  size_t pair_size, size;
  char *pairs = read_whole(argv[1], &pair_size);
  if (!pairs || !read_pairs(pairs, pair_size)) {
    fputs("yardstick: bad pair file\n", stderr);
    return 1;
  }
  char *source = read_whole(argv[2], &size);
  if (!source) {
    fputs("yardstick: cannot read the source\n", stderr);
    return 1;
  }
  if (size != 0 && source[size - 1] != '\n') {
    source[size++] = '\r';
    source[size++] = '\n';
  }
  size_t capacity = 2 * size + 2, used = 0;
  char *out = malloc(capacity);
  const char *p = source, *end = source + size;
  while (p != end) {
    const char *run = p;
    while (p != end && !source_chars[(unsigned char)*p]) ++p;
    const char *w = p;
    while (p != end && source_chars[(unsigned char)*p]) ++p;
    const size_t n = (size_t)(p - w);
    const char *written = w;
    size_t written_length = n;
    if (n != 0 && n <= 63) {
      const struct entry *e = find(w, n, hash_of(w, n));
      if (e->hash != 0) {
        written = e->partner;
        written_length = e->partner_length;
      }
    }
    const size_t unchanged = (size_t)(w - run);
    if (used + unchanged + written_length > capacity) {
      capacity = 2 * (used + unchanged + written_length);
      out = realloc(out, capacity);
    }
    if (!out) {
      fputs("yardstick: out of memory\n", stderr);
      return 1;
    }
    memcpy(out + used, run, unchanged);
    used += unchanged;
    memcpy(out + used, written, written_length);
    used += written_length;
  }
  FILE *f = fopen(argv[3], "wb");
  if (!f || fwrite(out, 1, used, f) != used || fclose(f) != 0) {
    fputs("yardstick: cannot write the target\n", stderr);
    return 1;
  }
  printf("%s written at %zu bytes\r\n", argv[3], used);
  free(out);
  free(source);
  free(table);
  free(pairs);
  return 0;
}
