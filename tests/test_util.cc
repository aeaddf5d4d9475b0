#include "test_util.h"

#include <atomic>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <utility>

namespace tk::test {

namespace fs = std::filesystem;

temp_dir::temp_dir() {
  static std::atomic<unsigned> counter{0};
  std::random_device rd;
  const fs::path base = fs::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string leaf = "tk-test-";
    leaf += std::to_string(rd());
    leaf += '-';
    leaf += std::to_string(counter++);
    const fs::path p = base / leaf;
    std::error_code ec;
    if (fs::create_directory(p, ec)) {
      path_ = p;
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary directory");
}

temp_dir::~temp_dir() {
  std::error_code ec;
  // Restore write permission that a test may have taken away.
  for (auto it = fs::recursive_directory_iterator(path_, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add,
                    ec);
  fs::remove_all(path_, ec);
}

std::string temp_dir::file(std::string_view name) const {
  return (path_ / fs::path(std::string(name))).string();
}

scoped_env::scoped_env(std::string name, const char* value)
    : name_(std::move(name)) {
  had_ = env_get(name_, old_);
  env_set(name_, value);
}

scoped_env::~scoped_env() { env_set(name_, had_ ? old_.c_str() : nullptr); }

scoped_current_dir::scoped_current_dir(const fs::path& dir)
    : old_(fs::current_path()) {
  fs::current_path(dir);
}

scoped_current_dir::~scoped_current_dir() {
  std::error_code ec;
  fs::current_path(old_, ec);
}

std::string read_file(const fs::path& name) {
  std::ifstream in(name, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + name.string());
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void write_file(const fs::path& name, std::string_view bytes) {
  std::ofstream out(name, std::ios::binary | std::ios::trunc);
  if (!out) throw std::runtime_error("cannot write " + name.string());
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + name.string());
}

std::string program_path(std::string_view name) {
  std::string leaf(name);
  leaf += exe_suffix();
  return (bin_dir() / leaf).string();
}

std::string quoted(std::string_view text) {
  std::string s;
  s += '"';
  s += text;
  s += '"';
  return s;
}

}  // namespace tk::test
