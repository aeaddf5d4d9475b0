// The bad-input matrix: the real programs, started with bad arguments, files
// that cannot be read, odd contents, huge inputs and targets that cannot be
// written. Each run is checked for its exact console output and exit
// status, for ending at all (a watchdog ends the test program when a run
// hangs), and for leaving every file it was not asked to write unchanged
// (checksums of the whole scratch directory before and after). timeinfo,
// which takes no arguments and reads no file, has its bad input (arguments,
// an input that ends before a key) in its own end-to-end tests.
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "expected_texts.h"
#include "gtest/gtest.h"
#include "test_util.h"

namespace {

namespace fs = std::filesystem;
using tk::test::program_path;
using tk::test::read_file;
using tk::test::run_output;
using tk::test::snapshot;
using tk::test::temp_dir;
using tk::test::unreadable_file;
using tk::test::write_file;

// ---------------------------------------------------------------------------
// Texts the programs print.

const std::string tksub_usage(tk::test::expected::tksub_usage);
const std::string missing_first =
    std::string(tk::test::expected::tksub_missing_first) + tksub_usage;
const std::string missing_second =
    std::string(tk::test::expected::tksub_missing_second) + tksub_usage;
const std::string missing_third =
    std::string(tk::test::expected::tksub_missing_third) + tksub_usage;

const std::string deflib_usage(tk::test::expected::deflib_usage);

// The scratch directories sit beside the build's bin/, inside the build
// tree.
const fs::path work = tk::test::bin_dir().parent_path() / "bad-input-work";

// deflib's librarian, in every run here: a program in a directory that
// never exists, so that no librarian installed on the machine is found.
const std::string librarian =
    tk::test::quoted((work / "no-librarian" / "link").string()) +
    " -lib /machine:ix86 /def:";
const tk::test::scoped_env librarian_chosen("DEFLIB_LIBRARIAN",
                                            librarian.c_str());

// What deflib says when the librarian is not there.
std::string no_librarian(std::string_view def_file) {
  return "deflib: cannot start the librarian (not found): " + librarian +
         std::string(def_file) + ".def\r\n";
}

const std::string rule = "  ; ------------------------------------------\r\n";

std::string def_header(std::string_view base) {
  return "LIBRARY " + std::string(base) + "\r\n\r\n";
}
std::string inc_header(std::string_view base) {
  const std::string b(base);
  return rule + "  ; prototypes for EXPORT " + b + " functions\r\n" + rule +
         "\r\n    c_" + b + " typedef PROTO C :VARARG\r\n\r\n";
}

// ---------------------------------------------------------------------------
// Running a program and checking what it left behind.

struct expected {
  unsigned status = 0;
  std::string out;
  // Files (relative names) that the run may create or change.
  std::set<std::string> written;
};

// run_guarded in `dir`, and the exact exit status and console output.
void run_checked(std::string_view tool, const std::string& args,
                 const temp_dir& dir, const expected& want) {
  const run_output r =
      tk::test::run_guarded(tool, args, dir.path(), want.written);
  const std::string label = std::string(tool) + " " + args;
  EXPECT_EQ(r.exit_code, want.status) << label;
  if (r.out.size() < 4096) {
    EXPECT_EQ(r.out, want.out) << label;
  } else {
    EXPECT_TRUE(r.out == want.out)
        << label << ": " << r.out.size() << " bytes of output differ";
  }
  EXPECT_EQ(r.err, "") << label;
}

// Runs `tool` in `dir` with `arg_text` after its name exactly as typed (see
// run_capture_typed) and checks the exit status and console output.
void run_typed(std::string_view tool, const std::string& arg_text,
               const temp_dir& dir, unsigned status, const std::string& out) {
  const run_output r =
      tk::test::run_capture_typed(program_path(tool), arg_text, dir.path());
  EXPECT_TRUE(r.started) << arg_text;
  EXPECT_EQ(r.exit_code, status) << arg_text;
  EXPECT_EQ(r.out, out) << arg_text;
  EXPECT_EQ(r.err, "") << arg_text;
}

// Makes `name` vanish and come back, over and over, by renaming it away and
// back (each rename is atomic, so the file is whole whenever it is there),
// until the object goes away. A rename that the system refuses because a
// program has the file open is simply tried again.
class vanishing_file {
 public:
  explicit vanishing_file(fs::path name)
      : name_(std::move(name)),
        away_(name_.string() + ".away"),
        thread_([this] {
          std::error_code ec;
          while (!stop_.load()) {
            fs::rename(name_, away_, ec);
            std::this_thread::yield();
            fs::rename(away_, name_, ec);
            std::this_thread::yield();
          }
          if (!fs::exists(name_)) fs::rename(away_, name_, ec);
        }) {}
  vanishing_file(const vanishing_file&) = delete;
  vanishing_file& operator=(const vanishing_file&) = delete;
  ~vanishing_file() {
    stop_ = true;
    thread_.join();
  }

 private:
  fs::path name_, away_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// How often each of the accepted outcomes of a racing run came up.
void note_outcomes(std::string_view what, const std::map<std::string, int>& n) {
  std::string text;
  for (const auto& [outcome, count] : n)
    text += " " + outcome + "=" + std::to_string(count);
  std::printf("[ NOTE     ] %.*s:%s\n", static_cast<int>(what.size()),
              what.data(), text.c_str());
}

// Every byte value from 0 to 255, `times` times over.
std::string all_bytes(int times) {
  std::string block;
  for (int c = 0; c < 256; ++c) block += static_cast<char>(c);
  std::string s;
  for (int i = 0; i < times; ++i) s += block;
  return s;
}

std::string written_report(std::string_view target, std::size_t bytes) {
  return std::string(target) + " written at " + std::to_string(bytes) +
         " bytes\r\n";
}

// ---------------------------------------------------------------------------
// tksub

TEST(TksubBadInput, Arguments) {
  const temp_dir dir(work);
  write_file(dir / "p.equ", "a b");
  write_file(dir / "s.asm", "a\r\n");
  run_checked("tksub", "", dir, {1, missing_first, {}});
  run_checked("tksub", "\"\" s.asm t.asm", dir, {1, missing_first, {}});
  run_checked("tksub", "p.equ \"\" t.asm", dir, {1, missing_second, {}});
  run_checked("tksub", "p.equ s.asm", dir, {1, missing_third, {}});
  run_checked("tksub", "nothing.equ s.asm t.asm", dir, {1, missing_first, {}});
  // An empty third argument names no file that can be written.
  run_checked("tksub", "p.equ s.asm \"\"", dir,
              {1, "Cannot write target file ''\r\n", {}});
  // One more than the longest name the system takes.
#ifdef _WIN32
  const std::string long_name(260, 'n');
  const std::string longest = "259";
#else
  const std::string long_name(4096, 'n');
  const std::string longest = "4095";
#endif
  run_checked("tksub", "p.equ " + long_name + " t.asm", dir,
              {1,
               "Argument 2 is too long for a file name (" + longest +
                   " characters at most)\r\n" + tksub_usage,
               {}});

  // Unbalanced quotation marks make every argument unavailable on Windows.
  // On POSIX the shell has cut the line and a quotation mark is part of the
  // name: here two inputs that do not exist, and a target name.
  const auto before = snapshot(dir.path());
  struct quoted_row {
    const char* line;
    unsigned status;
    std::string out;
  };
#ifdef _WIN32
  const std::vector<quoted_row> rows = {
      {"\"p.equ s.asm t.asm", 1, missing_first},
      {"p.equ \"s.asm t.asm", 1, missing_first},
      {"p.equ s.asm t.asm\"", 1, missing_first}};
#else
  const std::vector<quoted_row> rows = {
      {"\"p.equ s.asm t.asm", 1, missing_first},
      {"p.equ \"s.asm t.asm", 1, missing_second},
      {"p.equ s.asm t.asm\"", 0, "t.asm\" written at 3 bytes\r\n"}};
#endif
  for (const quoted_row& row : rows) {
    run_typed("tksub", row.line, dir, row.status, row.out);
  }
  fs::remove(dir / "t.asm\"");
  EXPECT_EQ(snapshot(dir.path()), before);
}

TEST(TksubBadInput, NamesThatCannotBeRead) {
  const temp_dir dir(work);
  write_file(dir / "p.equ", "a b");
  write_file(dir / "s.asm", "a\r\n");
  fs::create_directory(dir / "dir");
  run_checked("tksub", "dir s.asm t.asm", dir,
              {1, "Cannot read word file 'dir'\r\n", {}});
  run_checked("tksub", "p.equ dir t.asm", dir,
              {1, "Cannot read source file 'dir'\r\n", {}});
  // Patterns count as existing when they match, but are not read.
  run_checked("tksub", "*.equ s.asm t.asm", dir,
              {1, "Cannot read word file '*.equ'\r\n", {}});
  run_checked("tksub", "p.equ s.as? t.asm", dir,
              {1, "Cannot read source file 's.as?'\r\n", {}});
  run_checked("tksub", "p.equ *.none t.asm", dir, {1, missing_second, {}});

  write_file(dir / "locked.equ", "a b");
  const unreadable_file locked(dir / "locked.equ");
  if (!locked.why_not().empty()) {
    std::printf("[ NOTE     ] unreadable word file not tested: %s\n",
                locked.why_not().c_str());
  } else {
    run_checked("tksub", "locked.equ s.asm t.asm", dir,
                {1, "Cannot read word file 'locked.equ'\r\n", {}});
    run_checked("tksub", "p.equ locked.equ t.asm", dir,
                {1, "Cannot read source file 'locked.equ'\r\n", {}});
  }
}

#ifndef _WIN32
// A named pipe, as a pipeline gives it: read to its end once its writer
// has come. Before this was fixed it was refused.
TEST(TksubBadInput, NamedPipes) {
  const temp_dir dir(work);
  write_file(dir / "p.equ", "a b");
  write_file(dir / "s.asm", "a\r\n");
  ASSERT_EQ(::mkfifo((dir / "pipe").string().c_str(), 0600), 0);
  {
    const tk::test::fifo_writer writer(dir.file("pipe"), "a zz");
    run_checked("tksub", "pipe s.asm t.asm", dir,
                {0, "t.asm written at 4 bytes\r\n", {"t.asm"}});
  }
  EXPECT_EQ(read_file(dir / "t.asm"), "zz\r\n");
  {
    const tk::test::fifo_writer writer(dir.file("pipe"), "a a");
    run_checked("tksub", "p.equ pipe t.asm", dir,
                {0, "t.asm written at 5 bytes\r\n", {"t.asm"}});
  }
  EXPECT_EQ(read_file(dir / "t.asm"), "b b\r\n");
}
#endif

TEST(TksubBadInput, OddContents) {
  const temp_dir dir(work);
  write_file(dir / "p.equ",
             "_ underscore\r\nabcdefghijklmnopqrstuvwxyz ALPHABET");
  const std::string missing = "ERROR: MISSING SECOND ARGUMENT\r\nLine Number ";

  // Pair files: empty, only line ends, binary.
  write_file(dir / "s.asm", "a\r\n");
  write_file(dir / "empty.equ", "");
  run_checked("tksub", "empty.equ s.asm t.asm", dir, {1, missing + "1", {}});
  write_file(dir / "ends.equ", "\r\n\r\n\n");
  run_checked("tksub", "ends.equ s.asm t.asm", dir, {1, missing + "1", {}});
  write_file(dir / "binary.equ", all_bytes(4));
  run_checked("tksub", "binary.equ s.asm t.asm", dir, {1, missing + "1", {}});
  // A key of 10,000 characters.
  write_file(dir / "long.equ", "ok fine\r\n" + std::string(10000, 'K') + " v");
  run_checked(
      "tksub", "long.equ s.asm t.asm", dir,
      {1, "ERROR: WORD LONGER THAN 63 CHARACTERS\r\nLine Number 2", {}});

  // Sources: empty, only line ends, binary, 10,000-character lines.
  write_file(dir / "empty.asm", "");
  run_checked("tksub", "p.equ empty.asm t.asm", dir,
              {0, written_report("t.asm", 0), {"t.asm"}});
  EXPECT_EQ(read_file(dir / "t.asm"), "");

  write_file(dir / "ends.asm", "\r\n\n\r\n");
  run_checked("tksub", "p.equ ends.asm t.asm", dir,
              {0, written_report("t.asm", 5), {"t.asm"}});
  EXPECT_EQ(read_file(dir / "t.asm"), "\r\n\n\r\n");

  // Zero bytes and bytes from 0x80 up pass through; in 0 to 255 the words
  // "_" and "abc...z" stand alone and are swapped, and CR LF is added after
  // the last byte, 0xFF.
  write_file(dir / "binary.asm", all_bytes(64));
  std::string block = all_bytes(1);
  block.replace(block.find("abcdefghijklmnopqrstuvwxyz"), 26, "ALPHABET");
  block.replace(block.find('_'), 1, "underscore");
  std::string want;
  for (int i = 0; i < 64; ++i) want += block;
  want += "\r\n";
  run_checked("tksub", "p.equ binary.asm t.asm", dir,
              {0, written_report("t.asm", want.size()), {"t.asm"}});
  EXPECT_TRUE(read_file(dir / "t.asm") == want);

  const std::string long_word(10000, 'W');
  const std::string long_line(10000, '_');
  write_file(dir / "long.asm", long_word + " _\r\n" + long_line + "\r\n");
  const std::string long_want =
      long_word + " underscore\r\n" + long_line + "\r\n";
  run_checked("tksub", "p.equ long.asm t.asm", dir,
              {0, written_report("t.asm", long_want.size()), {"t.asm"}});
  EXPECT_TRUE(read_file(dir / "t.asm") == long_want);
}

TEST(TksubBadInput, SixtyFourMegabyteLines) {
  const temp_dir dir(work);
  // One line of 64 MiB, "a " over and over; each a becomes cccc, so the
  // target (160 MiB) outgrows twice the source.
  const std::size_t pairs = std::size_t{32} << 20;
  std::string source;
  source.reserve(2 * pairs);
  for (std::size_t i = 0; i < pairs; ++i) source += "a ";
  write_file(dir / "big.asm", source);
  source.clear();
  source.shrink_to_fit();
  write_file(dir / "p.equ", "a cccc");
  std::string want;
  want.reserve(5 * pairs + 2);
  for (std::size_t i = 0; i < pairs; ++i) want += "cccc ";
  want += "\r\n";
  run_checked("tksub", "p.equ big.asm t.asm", dir,
              {0, written_report("t.asm", want.size()), {"t.asm"}});
  EXPECT_TRUE(read_file(dir / "t.asm") == want) << "160 MiB target differs";

  // The same line as a pair file holds far too many words.
  fs::rename(dir / "big.asm", dir / "big.equ");
  write_file(dir / "s.asm", "a\r\n");
  run_checked("tksub", "big.equ s.asm t.asm", dir,
              {1, "ERROR: TOO MANY ARGUMENTS\r\nLine Number 1", {}});
}

// The table's hash, as documented: per byte, the low 16 bits of the byte
// times its prime (307, 293, ... for positions 0, 1, ...) plus the length,
// summed, modulo 131073.
std::uint32_t table_hash(std::string_view w) {
  static constexpr std::uint32_t primes[] = {307, 293, 283};
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < w.size(); ++i)
    sum += ((static_cast<unsigned char>(w[i]) * primes[i]) & 0xFFFFu) +
           static_cast<std::uint32_t>(w.size());
  return sum % 131073u;
}

TEST(TksubBadInput, FiftyThousandKeys) {
  const temp_dir dir(work);
  const std::string chars =
      "+-.0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ_abcdefghijklmnopqrstuvwxyz";

  // 50,000 keys of four characters: their searches visit every slot, so
  // all of them fit, and every one is swapped.
  std::string pair_file, source, want;
  int n = 0;
  for (char a : chars)
    for (char b : chars)
      for (char c : chars)
        for (char d : {'x', 'y', 'z'}) {
          if (n == 50000) break;
          const std::string key{a, b, c, d};
          // Built piece by piece: GCC 12 warns falsely (-Wrestrict) about
          // a literal + to_string().
          std::string partner(1, 'P');
          partner += std::to_string(n++);
          pair_file.append(key).append(" ").append(partner).append("\r\n");
          source.append(key).append(";").append(key).append("\r\n");
          want.append(partner).append(";").append(partner).append("\r\n");
        }
  pair_file += "exit now\r\n";
  write_file(dir / "p.equ", pair_file);
  write_file(dir / "s.asm", source);
  run_checked("tksub", "p.equ s.asm t.asm", dir,
              {0,
               "Line Number 50001" + written_report("t.asm", want.size()),
               {"t.asm"}});
  EXPECT_TRUE(read_file(dir / "t.asm") == want);

  // 50,000 keys of three characters whose home slots share one remainder
  // modulo 3: their searches only ever visit the 43691 slots of that
  // remainder, so key 43692 finds no room.
  pair_file.clear();
  n = 0;
  std::string refused;
  for (char a : chars)
    for (char b : chars)
      for (char c : chars) {
        const std::string key{a, b, c};
        if (n == 50000 || table_hash(key) % 3 != 0) continue;
        if (++n == 43692) refused = key;
        pair_file += key + " v\r\n";
      }
  ASSERT_EQ(n, 50000);
  write_file(dir / "full.equ", pair_file);
  // The target of the first run is left as it was.
  run_checked("tksub", "full.equ s.asm t.asm", dir,
              {1,
               "ERROR: NO ROOM IN WORD TABLE FOR \"" + refused +
                   "\"\r\nLine Number 43692",
               {}});
}

// A name that passes the existence check may be gone when the file is
// read. Every run must end with one of the three documented outcomes, and
// a target, when written, is whole.
TEST(TksubBadInput, FilesThatVanish) {
  const temp_dir dir(work);
  write_file(dir / "p.equ", "a b");
  write_file(dir / "s.asm", "a c a\r\n");
  for (const bool pairs : {true, false}) {
    const std::string name = pairs ? "p.equ" : "s.asm";
    const std::string gone = pairs ? missing_first : missing_second;
    const std::string unread = pairs ? "Cannot read word file 'p.equ'\r\n"
                                     : "Cannot read source file 's.asm'\r\n";
    std::map<std::string, int> outcomes;
    {
      const vanishing_file flipping(dir / name);
      for (int i = 0; i < 40; ++i) {
        fs::remove(dir / "t.asm");
        const run_output r =
            tk::test::run_program("tksub", "p.equ s.asm t.asm", dir.path());
        if (r.exit_code == 0 && r.out == written_report("t.asm", 7)) {
          EXPECT_EQ(read_file(dir / "t.asm"), "b c b\r\n");
          ++outcomes["written"];
          continue;
        }
        EXPECT_EQ(r.exit_code, 1u) << r.out;
        EXPECT_TRUE(r.out == gone || r.out == unread) << r.out;
        EXPECT_FALSE(fs::exists(dir / "t.asm"));
        ++outcomes[r.out == gone ? "missing" : "unreadable"];
      }
    }
    note_outcomes("tksub with a vanishing " + name, outcomes);
  }
  EXPECT_EQ(read_file(dir / "p.equ"), "a b");
  EXPECT_EQ(read_file(dir / "s.asm"), "a c a\r\n");
}

TEST(TksubBadInput, Targets) {
  const temp_dir dir(work);
  write_file(dir / "p.equ", "a b");
  write_file(dir / "s.asm", "a c a\r\n");
  fs::create_directory(dir / "dir");
  run_checked("tksub", "p.equ s.asm missing/t.asm", dir,
              {1, "Cannot write target file 'missing/t.asm'\r\n", {}});
  EXPECT_FALSE(fs::exists(dir / "missing"));
  run_checked("tksub", "p.equ s.asm dir", dir,
              {1, "Cannot write target file 'dir'\r\n", {}});
  EXPECT_TRUE(fs::is_directory(dir / "dir"));

  write_file(dir / "ro.asm", "keep");
  fs::permissions(dir / "ro.asm", fs::perms::owner_read |
                                      fs::perms::group_read |
                                      fs::perms::others_read);
  run_checked("tksub", "p.equ s.asm ro.asm", dir,
              {1, "Cannot write target file 'ro.asm'\r\n", {}});

  // The target may be the source: it is read whole before it is replaced.
  run_checked("tksub", "p.equ s.asm s.asm", dir,
              {0, written_report("s.asm", 7), {"s.asm"}});
  EXPECT_EQ(read_file(dir / "s.asm"), "b c b\r\n");
}

// ---------------------------------------------------------------------------
// deflib

TEST(DeflibBadInput, Arguments) {
  const temp_dir dir(work);
  write_file(dir / "names.txt", "printf\r\n");
  run_checked("deflib", "", dir, {1, deflib_usage, {}});
  run_checked("deflib", "\"\"", dir, {1, deflib_usage, {}});
  run_checked("deflib", "nothing.txt", dir, {1, deflib_usage, {}});
  run_checked("deflib", "missing/names.txt", dir, {1, deflib_usage, {}});
  const auto before = snapshot(dir.path());
  for (const char* line : {"\"names.txt", "names.txt\"", "\"names.txt\" \""}) {
    run_typed("deflib", line, dir, 1, deflib_usage);
  }
  EXPECT_EQ(snapshot(dir.path()), before);
}

TEST(DeflibBadInput, NamesThatCannotBeRead) {
  const temp_dir dir(work);
  write_file(dir / "names.txt", "printf\r\n");
  fs::create_directory(dir / "dir.txt");
  run_checked(
      "deflib", "dir.txt", dir,
      {1,
       "deflib: cannot read the list file dir.txt: it cannot be opened\r\n",
       {}});
  run_checked(
      "deflib", "*.txt", dir,
      {1,
       "deflib: cannot read the list file *.txt: it cannot be opened\r\n",
       {}});
  run_checked("deflib", ".names.txt", dir, {1, deflib_usage, {}});
  write_file(dir / ".hidden.txt", "printf\r\n");
  run_checked("deflib", ".hidden.txt", dir,
              {1,
               "deflib: .hidden.txt: the name has nothing before its first "
               "full stop to name the output files after\r\n",
               {}});

  write_file(dir / "locked.txt", "printf\r\n");
  const unreadable_file locked(dir / "locked.txt");
  if (!locked.why_not().empty()) {
    std::printf("[ NOTE     ] unreadable list file not tested: %s\n",
                locked.why_not().c_str());
  } else {
    run_checked("deflib", "locked.txt", dir,
                {1,
                 "deflib: cannot read the list file locked.txt: it cannot be "
                 "opened\r\n",
                 {}});
  }
}

#ifndef _WIN32
TEST(DeflibBadInput, NamedPipe) {
  const temp_dir dir(work);
  ASSERT_EQ(::mkfifo((dir / "pipe.txt").string().c_str(), 0600), 0);
  {
    const tk::test::fifo_writer writer(dir.file("pipe.txt"), "puts\r\n");
    run_checked("deflib", "pipe.txt", dir,
                {1, no_librarian("pipe"), {"pipe.def", "pipe.inc"}});
  }
  EXPECT_EQ(read_file(dir / "pipe.def"),
            def_header("pipe") + "EXPORTS puts\r\n");
}
#endif

TEST(DeflibBadInput, OddContents) {
  const temp_dir dir(work);
  const std::set<std::string> both = {"x.def", "x.inc"};
  for (const std::string& list :
       {std::string(), std::string("\r\n\n\r\r\n"), std::string(" \t\r\n")}) {
    write_file(dir / "x.txt", list);
    run_checked("deflib", "x.txt", dir, {1, no_librarian("x"), both});
    EXPECT_EQ(read_file(dir / "x.def"), def_header("x"));
    EXPECT_EQ(read_file(dir / "x.inc"), inc_header("x"));
  }
  fs::remove(dir / "x.def");
  fs::remove(dir / "x.inc");

  write_file(dir / "bin.txt", all_bytes(4));
  run_checked("deflib", "bin.txt", dir,
              {1,
               "deflib: bin.txt: line 1 holds a zero byte; the list must be "
               "plain text\r\n",
               {}});
  // A line that starts with a byte above 127 is no name, nor blank.
  write_file(dir / "hi.txt", "printf\r\n\x80\xFF\r\n");
  run_checked("deflib", "hi.txt", dir,
              {1,
               "deflib: hi.txt: line 2 holds no valid name: a name may hold "
               "only letters, digits and _ @ $ ?, and may not start with a "
               "digit\r\n",
               {}});
  write_file(dir / "tab.txt", "printf\r\n\tputs\r\n");
  run_checked("deflib", "tab.txt", dir,
              {1,
               "deflib: tab.txt: line 2 has text after a tab or other "
               "control character but no name before it\r\n",
               {}});

  const std::string name(10000, 'n');
  write_file(dir / "long.txt", "a\r\n" + name + "\r\nb");
  run_checked("deflib", "long.txt", dir,
              {1, no_librarian("long"), {"long.def", "long.inc"}});
  std::string def = def_header("long");
  std::string inc = inc_header("long");
  for (const std::string& n : {std::string("a"), name, std::string("b")}) {
    def += "EXPORTS " + n + "\r\n";
    inc += "    externdef _imp__" + n + ":PTR c_long\r\n";
    inc.append("    crt_").append(n).append(" equ <_imp__").append(n);
    inc += ">\r\n\r\n";
  }
  EXPECT_TRUE(read_file(dir / "long.def") == def);
  EXPECT_TRUE(read_file(dir / "long.inc") == inc);
}

TEST(DeflibBadInput, ListNamesWithDirectoriesAndSigns) {
  const temp_dir dir(work);
  fs::create_directory(dir / "lists");
  fs::create_directory(dir / "v1.2");
  for (const char* list : {"mylib.txt", "lists/mylib.txt", "v1.2/mylib.txt"})
    write_file(dir / list, "puts\r\n");
  // NAME is the last component up to its first full stop; the files go
  // beside the list.
  struct sample {
    std::string arg;
    std::string base;    // in the librarian's command line
    std::string at_dir;  // where the files are written
  };
  std::vector<sample> runs = {
      {"./mylib.txt", "./mylib", ""},
      {"lists/mylib.txt", "lists/mylib", "lists/"},
      {"v1.2/../lists/mylib.txt", "v1.2/../lists/mylib", "lists/"},
      {"v1.2/mylib.txt", "v1.2/mylib", "v1.2/"},
  };
#ifdef _WIN32
  runs.push_back({".\\mylib.txt", ".\\mylib", ""});
  runs.push_back({"lists\\mylib.txt", "lists\\mylib", "lists/"});
#endif
  const std::string def = def_header("mylib") + "EXPORTS puts\r\n";
  const std::string inc = inc_header("mylib") +
                          "    externdef _imp__puts:PTR c_mylib\r\n"
                          "    crt_puts equ <_imp__puts>\r\n\r\n";
  for (const sample& s : runs) {
    const std::string def_file = s.at_dir + "mylib.def";
    const std::string inc_file = s.at_dir + "mylib.inc";
    run_checked("deflib", s.arg, dir,
                {1, no_librarian(s.base), {def_file, inc_file}});
    EXPECT_EQ(read_file(dir / def_file), def) << s.arg;
    EXPECT_EQ(read_file(dir / inc_file), inc) << s.arg;
    fs::remove(dir / def_file);
    fs::remove(dir / inc_file);
  }

  // A NAME that is no identifier is refused before anything is written.
  for (const std::string name : {"my lib", "my-lib"}) {
    const std::string arg = name + ".x.txt";
    write_file(dir / arg, "puts\r\n");
    std::string message = "deflib: " + arg;
    message += ": the library name \"" + name;
    message += "\" may hold only letters, digits and underscores\r\n";
    run_checked("deflib", tk::test::quoted(arg), dir, {1, message, {}});
  }
}

TEST(DeflibBadInput, ByteOrderMarkAndControlBytesBeforeAName) {
  const temp_dir dir(work);
  // The mark is skipped, the first name kept.
  write_file(dir / "bom.txt", "\xEF\xBB\xBFprintf\r\nputs\r\n");
  run_checked("deflib", "bom.txt", dir,
              {1, no_librarian("bom"), {"bom.def", "bom.inc"}});
  EXPECT_EQ(read_file(dir / "bom.def"),
            def_header("bom") + "EXPORTS printf\r\nEXPORTS puts\r\n");
  // A name behind a tab and a vertical tab is refused, never dropped.
  write_file(dir / "vt.txt", "printf\r\n\t\x0bputs\r\nstrlen\r\n");
  run_checked("deflib", "vt.txt", dir,
              {1,
               "deflib: vt.txt: line 2 has text after a tab or other "
               "control character but no name before it\r\n",
               {}});
}

TEST(DeflibBadInput, SixtyFourMegabyteLine) {
  const temp_dir dir(work);
  const std::string name(std::size_t{64} << 20, 'n');
  write_file(dir / "big.txt", name);
  run_checked("deflib", "big.txt", dir,
              {1, no_librarian("big"), {"big.def", "big.inc"}});
  EXPECT_TRUE(read_file(dir / "big.def") ==
              def_header("big") + "EXPORTS " + name + "\r\n");
  EXPECT_TRUE(read_file(dir / "big.inc") ==
              inc_header("big") + "    externdef _imp__" + name +
                  ":PTR c_big\r\n    crt_" + name + " equ <_imp__" + name +
                  ">\r\n\r\n");
}

TEST(DeflibBadInput, ListThatVanishes) {
  const temp_dir dir(work);
  write_file(dir / "l.txt", "printf\r\n");
  const std::string unread =
      "deflib: cannot read the list file l.txt: it cannot be opened\r\n";
  std::map<std::string, int> outcomes;
  {
    const vanishing_file flipping(dir / "l.txt");
    for (int i = 0; i < 40; ++i) {
      fs::remove(dir / "l.def");
      fs::remove(dir / "l.inc");
      const run_output r = tk::test::run_program("deflib", "l.txt", dir.path());
      EXPECT_EQ(r.exit_code, 1u) << r.out;
      if (r.out == no_librarian("l")) {
        EXPECT_EQ(read_file(dir / "l.def"),
                  def_header("l") + "EXPORTS printf\r\n");
        ++outcomes["written"];
        continue;
      }
      EXPECT_TRUE(r.out == deflib_usage || r.out == unread) << r.out;
      EXPECT_FALSE(fs::exists(dir / "l.def"));
      EXPECT_FALSE(fs::exists(dir / "l.inc"));
      ++outcomes[r.out == unread ? "unreadable" : "missing"];
    }
  }
  note_outcomes("deflib with a vanishing list", outcomes);
  EXPECT_EQ(read_file(dir / "l.txt"), "printf\r\n");
}

TEST(DeflibBadInput, Outputs) {
  const temp_dir dir(work);
  write_file(dir / "x.txt", "printf\r\n");
  write_file(dir / "x.def", "old def");
  fs::permissions(dir / "x.def", fs::perms::owner_read | fs::perms::group_read |
                                     fs::perms::others_read);
  run_checked("deflib", "x.txt", dir,
              {1, "deflib: cannot write x.def\r\n", {}});
  EXPECT_FALSE(fs::exists(dir / "x.inc"));

  // An output that would be the list itself.
  write_file(dir / "y.def", "printf\r\n");
  run_checked("deflib", "y.def", dir,
              {1,
               "deflib: the list file y.def would be replaced by the output "
               "y.def\r\n",
               {}});
  write_file(dir / "z.inc", "printf\r\n");
  run_checked("deflib", "z.inc", dir,
              {1,
               "deflib: the list file z.inc would be replaced by the output "
               "z.inc\r\n",
               {}});
}

}  // namespace
