// Windows side of the test helpers.
#include <windows.h>

#include <memory>
#include <stdexcept>
#include <utility>

#include "lib/handle_win32.h"
#include "tests/test_util.h"

namespace tk::test {

namespace fs = std::filesystem;

namespace {

using handle = tk::scoped_handle;

HANDLE open_inheritable(const std::string& name, DWORD access,
                        DWORD disposition) {
  SECURITY_ATTRIBUTES sa{};
  sa.nLength = sizeof sa;
  sa.bInheritHandle = TRUE;
  return CreateFileA(name.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE,
                     &sa, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

run_output run_started(const std::string& path, std::string_view args,
                       const run_options& options) {
  std::string line = options.prefix + tk::test::quoted(path);
  if (!args.empty()) {
    line += ' ';
    line += args;
  }
  const std::string_view stdin_bytes = options.stdin_bytes;
  const fs::path& cwd = options.cwd;
  run_output r;
  temp_dir io;
  const std::string in_name = io.file("stdin");
  const std::string out_name = io.file("stdout");
  const std::string err_name = io.file("stderr");
  write_file(in_name, stdin_bytes);
  {
    handle in(open_inheritable(in_name, GENERIC_READ, OPEN_EXISTING));
    handle out(open_inheritable(out_name, GENERIC_WRITE, CREATE_ALWAYS));
    handle err(open_inheritable(err_name, GENERIC_WRITE, CREATE_ALWAYS));
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = in.get();
    si.hStdOutput = out.get();
    si.hStdError = err.get();
    PROCESS_INFORMATION pi{};
    const std::string dir = cwd.string();
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0,
                        nullptr, dir.empty() ? nullptr : dir.c_str(), &si, &pi))
      return r;
    r.started = true;
    handle process(pi.hProcess);
    handle thread(pi.hThread);
    WaitForSingleObject(process.get(), INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.get(), &code);
    r.exit_code = code;
  }
  r.out = read_file(out_name);
  r.err = read_file(err_name);
  return r;
}

// The file held open without sharing: every other open fails until it is
// closed.
struct unreadable_file::lock {
  explicit lock(const fs::path& name)
      : file(CreateFileA(name.string().c_str(), GENERIC_READ, 0, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  handle file;
};

unreadable_file::unreadable_file(const fs::path& name)
    : lock_(std::make_unique<lock>(name)) {
  if (lock_->file.get() == INVALID_HANDLE_VALUE)
    why_not_ = "cannot lock the file";
}

unreadable_file::~unreadable_file() = default;

bool env_get(const std::string& name, std::string& value) {
  const DWORD size = GetEnvironmentVariableA(name.c_str(), nullptr, 0);
  if (size == 0) return false;
  std::string v(size, '\0');
  const DWORD length = GetEnvironmentVariableA(name.c_str(), v.data(), size);
  if (length == 0 || length >= size) return false;
  v.resize(length);
  value = std::move(v);
  return true;
}

// The programs started with CreateProcessA inherit this block.
void env_set(const std::string& name, const char* value) {
  SetEnvironmentVariableA(name.c_str(), value);
}

fs::path bin_dir() {
  char name[MAX_PATH * 4];
  const DWORD n = GetModuleFileNameA(nullptr, name, sizeof name);
  if (n == 0 || n >= sizeof name)
    throw std::runtime_error("cannot find the test program's directory");
  return fs::path(std::string(name, n)).parent_path();
}

std::string_view exe_suffix() { return ".exe"; }

}  // namespace tk::test
