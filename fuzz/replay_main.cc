// Replays the fuzz targets' inputs as an ordinary test of every build, so
// that each build's compiler and sanitizers run the targets' reference
// models: each target's entry point, compiled into this program under its
// own name, runs once on every file given or found in a directory given.
//   fuzz_replay PATH...
// A path belongs to the target whose name begins its last component:
// corpus/arg_cut_fuzz/ to arg_cut_fuzz, and so does libFuzzer's crash file
// fuzz-artifacts/arg_cut_fuzz-crash-HASH. Each input's name is printed
// before it runs, since a failing target ends the program.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

extern "C" {
int arg_cut_fuzz_input(const std::uint8_t* data, std::size_t size);
int text_fuzz_input(const std::uint8_t* data, std::size_t size);
int pair_reader_fuzz_input(const std::uint8_t* data, std::size_t size);
int substitution_pass_fuzz_input(const std::uint8_t* data, std::size_t size);
int definition_writer_fuzz_input(const std::uint8_t* data, std::size_t size);
}

namespace {

namespace fs = std::filesystem;

using entry_point = int (*)(const std::uint8_t*, std::size_t);

struct target {
  std::string_view name;
  entry_point run;
};

constexpr target targets[] = {
    {"arg_cut_fuzz", arg_cut_fuzz_input},
    {"text_fuzz", text_fuzz_input},
    {"pair_reader_fuzz", pair_reader_fuzz_input},
    {"substitution_pass_fuzz", substitution_pass_fuzz_input},
    {"definition_writer_fuzz", definition_writer_fuzz_input},
};

const target* target_of(const fs::path& path) {
  const std::string last = path.filename().string();
  for (const target& t : targets)
    if (last.starts_with(t.name)) return &t;
  return nullptr;
}

// The file's bytes in a block of exactly their size, so that the address
// checker sees a read past the input.
bool replay_file(const target& t, const fs::path& file) {
  std::fprintf(stderr, "%s\n", file.string().c_str());
  std::error_code ec;
  const std::uintmax_t size = fs::file_size(file, ec);
  std::ifstream in(file, std::ios::binary);
  if (ec || !in) return false;
  std::vector<char> bytes(static_cast<std::size_t>(size));
  if (!in.read(bytes.data(), static_cast<std::streamsize>(bytes.size())))
    return false;
  static const std::uint8_t none = 0;
  t.run(bytes.empty() ? &none
                      : reinterpret_cast<const std::uint8_t*>(bytes.data()),
        bytes.size());
  return true;
}

// Replays `path`, a directory's files in name order or a single file.
// Returns the number of inputs, or 0 when a file could not be read.
std::size_t replay(const target& t, const fs::path& path) {
  std::vector<fs::path> files;
  std::error_code ec;
  if (fs::is_directory(path, ec)) {
    for (const fs::directory_entry& e : fs::directory_iterator(path, ec))
      if (e.is_regular_file()) files.push_back(e.path());
    std::sort(files.begin(), files.end());
  } else {
    files.push_back(path);
  }
  if (ec) return 0;
  for (const fs::path& f : files)
    if (!replay_file(t, f)) {
      std::printf("cannot read %s\n", f.string().c_str());
      return 0;
    }
  return files.size();
}

int replay_all(std::span<char* const> paths) {
  int status = 0;
  for (const char* arg : paths) {
    const fs::path path(arg);
    const target* t = target_of(path);
    if (t == nullptr) {
      std::printf("%s: no fuzz target of that name\n", arg);
      status = 1;
      continue;
    }
    const std::size_t n = replay(*t, path);
    std::printf("%.*s: %lu inputs from %s\n", static_cast<int>(t->name.size()),
                t->name.data(), static_cast<unsigned long>(n), arg);
    if (n == 0) status = 1;
  }
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::printf("usage: fuzz_replay PATH...\n");
    return 2;
  }
  try {
    return replay_all({argv + 1, static_cast<std::size_t>(argc - 1)});
  } catch (const std::exception& e) {
    std::printf("fuzz_replay: %s\n", e.what());
    return 1;
  }
}
