#include "tests/test_util.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <utility>

#include "gtest/gtest.h"
#include "lib/kit.h"

namespace tk::test {

namespace fs = std::filesystem;

temp_dir::temp_dir() : temp_dir(fs::temp_directory_path()) {}

temp_dir::temp_dir(const fs::path& base) {
  static std::atomic<unsigned> counter{0};
  std::random_device rd;
  fs::create_directories(base);
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

std::vector<std::string> arg_split(std::string_view line) {
  const tk::arg_list list = tk::arg_list::split(line);
  return {list.view().begin(), list.view().end()};
}

std::vector<std::string_view> views(const std::vector<std::string>& args) {
  return {args.begin(), args.end()};
}

std::vector<std::string> dir_listing(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
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

run_output run(std::string_view program, std::string_view args,
               const run_options& options) {
  const bool by_name = program.find_first_of("/\\") == std::string_view::npos;
  const std::string path =
      by_name ? program_path(program) : std::string(program);
  std::string label = path;
  label += ' ';
  label += args;
  dir_snapshot before;
  if (options.written) before = snapshot(options.cwd);
  run_output r;
  if (options.watched || options.written) {
    const watchdog guard(label, run_limit_seconds);
    r = run_started(path, args, options);
  } else {
    r = run_started(path, args, options);
  }
  if (!options.written) return r;
  EXPECT_TRUE(r.started) << label;
  const std::set<std::string>& written = *options.written;
  const dir_snapshot after = snapshot(options.cwd);
  for (const auto& [name, sum] : before) {
    if (written.contains(name)) continue;
    const auto it = after.find(name);
    EXPECT_TRUE(it != after.end()) << label << ": " << name << " vanished";
    if (it != after.end()) {
      EXPECT_EQ(it->second, sum) << label << ": " << name << " was changed";
    }
  }
  for (const auto& entry : after) {
    if (!before.contains(entry.first)) {
      EXPECT_EQ(written.count(entry.first), 1u)
          << label << ": " << entry.first << " appeared";
    }
  }
  return r;
}

watchdog::watchdog(std::string what, int seconds)
    : what_(std::move(what)), thread_([this, seconds] {
        std::unique_lock<std::mutex> lock(mutex_);
        if (!done_cv_.wait_for(lock, std::chrono::seconds(seconds),
                               [this] { return done_; })) {
          std::fprintf(stderr, "HANG: %s did not end within %d s\n",
                       what_.c_str(), seconds);
          std::fflush(stderr);
          std::_Exit(3);
        }
      }) {}

watchdog::~watchdog() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    done_ = true;
  }
  done_cv_.notify_one();
  thread_.join();
}

namespace {

std::uint64_t checksum(std::string_view bytes) {
  std::uint64_t h = 14695981039346656037ull;  // FNV-1a
  for (const char c : bytes) {
    h ^= static_cast<unsigned char>(c);
    h *= 1099511628211ull;
  }
  return h;
}

}  // namespace

dir_snapshot snapshot(const fs::path& dir) {
  dir_snapshot sums;
  for (const auto& e : fs::recursive_directory_iterator(dir)) {
    const std::string name = fs::relative(e.path(), dir).generic_string();
    std::uint64_t sum = 1;  // a directory
    if (e.is_regular_file()) {
      try {
        sum = checksum(read_file(e.path()));
      } catch (const std::runtime_error&) {
        sum = 2;  // a file that the test itself made unreadable
      }
    }
    sums[name] = sum;
  }
  return sums;
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
