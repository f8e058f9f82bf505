// tsconv as a user runs it: arguments, files, standard input, errors and exit statuses.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "ts/converter.hpp"
#include "ts/html.hpp"
#include "ts/testing/scratch.hpp"

extern char** environ;

namespace {

namespace fs = std::filesystem;

struct Result {
  int status = -1;
  std::string out;
  std::string err;
};

using ts::testing::readFile;
using ts::testing::writeFile;

class Tsconv : public ts::testing::ScratchTest {
 protected:
  // Runs tsconv with `args`, feeding `input` on standard input.
  Result run(const std::vector<std::string>& args, const std::string& input = "") {
    const fs::path in = dir_ / "stdin", out = dir_ / "stdout", err = dir_ / "stderr";
    writeFile(in, input);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 0, in.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&fa, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<std::string> all = {TSCONV_PATH};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid;
    Result r;
    if (posix_spawn(&pid, TSCONV_PATH, &fa, nullptr, argv.data(), environ) == 0) {
      int st = 0;
      waitpid(pid, &st, 0);
      r.status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
    }
    posix_spawn_file_actions_destroy(&fa);
    r.out = readFile(out);
    r.err = readFile(err);
    return r;
  }

  // The same in a child that first runs `prepare` (limits, another user); status 128 + N
  // when signal N ended it.
  Result runPrepared(const std::vector<std::string>& args, const std::string& input,
                     void (*prepare)()) {
    const fs::path in = dir_ / "stdin", out = dir_ / "stdout", err = dir_ / "stderr";
    writeFile(in, input);
    std::vector<std::string> all = {TSCONV_PATH};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
      if (freopen(in.c_str(), "r", stdin) == nullptr ||
          freopen(out.c_str(), "w", stdout) == nullptr ||
          freopen(err.c_str(), "w", stderr) == nullptr)
        _exit(99);
      prepare();
      execv(TSCONV_PATH, argv.data());
      _exit(98);
    }
    Result r;
    int st = 0;
    waitpid(pid, &st, 0);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
    r.out = readFile(out);
    r.err = readFile(err);
    return r;
  }

  // Names in the scratch folder that start with `prefix`.
  int filesStartingWith(const std::string& prefix) {
    int n = 0;
    for (const auto& e : fs::directory_iterator(dir_))
      n += e.path().filename().string().rfind(prefix, 0) == 0;
    return n;
  }
};

std::string engine(int from, int to, const std::string& text) {
  ts::ConverterState st;
  ts::selectPair(st, static_cast<std::uint32_t>(from), static_cast<std::uint32_t>(to));
  return ts::convert(st, text);
}

TEST_F(Tsconv, ConvertsStandardInputAndFiles) {
  const std::string tcvn = "Vi\xD6t Nam \xAE\xB9i ph\xB8t tri\xD3n\n";
  Result r = run({"-f", "tcvn3", "-t", "utf-8"}, tcvn);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Vi\xE1\xBB\x87t Nam \xC4\x91\xE1\xBA\xA1i ph\xC3\xA1t tri\xE1\xBB\x83n\n");

  // By code, by catalogue name, files one after the other, "-" for standard input.
  writeFile(dir_ / "a.txt", "a\xB5");
  writeFile(dir_ / "b.txt", "\xB8z");
  r = run(
      {"--from=15", "--to", "VNI - WIN", (dir_ / "a.txt").string(), "-", (dir_ / "b.txt").string()},
      "-");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, engine(15, 29, "a\xB5-\xB8z"));

  // Equal charsets copy.
  r = run({"-f", "vni", "-t", "29"}, "a\xF8\x01");
  EXPECT_EQ(r.out, "a\xF8\x01");
}

TEST_F(Tsconv, StreamEqualsWholeConversion) {
  // Several chunks of input with letters cut at every place, NULs included.
  std::mt19937 rng(5);
  std::string text;
  const char* pieces[] = {"a", "\xF8", "\xE2", "A", "\xD8", " ", "\n", "o", "\xEF", "\x00"};
  while (text.size() < 3 * 1024 * 1024)
    text.append(pieces[std::uniform_int_distribution<int>(0, 9)(rng)], 1);
  writeFile(dir_ / "big.txt", text);
  for (int to : {15, 41, 43}) {
    Result r = run({"-f", "29", "-t", std::to_string(to), (dir_ / "big.txt").string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.out == engine(29, to, text)) << "to " << to;
  }
  std::string utf8;
  while (utf8.size() < 1024 * 1024) utf8 += "Vi\xE1\xBB\x87t \xC3\xA0\xC3";
  writeFile(dir_ / "u.txt", utf8);
  Result r = run({"-f", "utf8", "-t", "viscii", (dir_ / "u.txt").string()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(r.out == engine(41, 25, utf8));
}

TEST_F(Tsconv, OutputFileReplacedOnlyOnSuccess) {
  const fs::path out = dir_ / "out.txt";
  writeFile(out, "old contents");
  fs::permissions(out, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  Result r = run({"-f", "tcvn3", "-t", "viqr", "-o", out.string()}, "\xB5\xAE");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(readFile(out), "a`dd");
  EXPECT_EQ(fs::status(out).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

  // A file that cannot be read is reported: the run fails (1) and the file of -o keeps its
  // old contents, as iconv leaves it; no temporary file is left.  A folder likewise.
  r = run({"-f", "tcvn3", "-t", "viqr", "-o", out.string(), "-", (dir_ / "missing").string(), "-"},
          "\xB8");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find((dir_ / "missing").string()), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("No such file"), std::string::npos) << r.err;
  EXPECT_EQ(readFile(out), "a`dd");
  r = run({"-f", "tcvn3", "-t", "utf8", "-o", out.string(), dir_.string()});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(readFile(out), "a`dd");
  r = run({"--fix", "-o", out.string(), (dir_ / "missing").string()});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(readFile(out), "a`dd");
  int files = 0;
  for (const auto& e : fs::directory_iterator(dir_))
    if (e.path().filename().string().rfind("out.txt", 0) == 0) ++files;
  EXPECT_EQ(files, 1);
  const fs::path a = dir_ / "a.t", b = dir_ / "b.t";
  writeFile(a, "\xB5");
  writeFile(b, "\xAE");
  r = run({"-f", "tcvn3", "-t", "viqr", a.string(), (dir_ / "missing").string(), b.string()});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "a`dd");

  // A folder as input.
  r = run({"-f", "tcvn3", "-t", "viqr", dir_.string(), a.string()});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "a`");
  EXPECT_NE(r.err.find("Is a directory"), std::string::npos) << r.err;

  // An output folder that does not exist.
  r = run({"-f", "tcvn3", "-t", "viqr", "-o", (dir_ / "no" / "such.txt").string()}, "x");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("no/such.txt"), std::string::npos) << r.err;
}

// What -o writes to: special files directly, a symbolic link's target, never a file the user
// may not write; the mode and owner are kept; nothing partial after a signal.
TEST_F(Tsconv, OutputTargets) {
  // A FIFO is written as it is: its reader gets the text and it stays a FIFO.
  const fs::path fifo = dir_ / "pipe";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::string got;
  std::thread reader([&] { got = readFile(fifo); });
  Result r = run({"-f", "tcvn3", "-t", "viqr", "-o", fifo.string()}, "\xB5");
  reader.join();
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(got, "a`");
  EXPECT_TRUE(fs::is_fifo(fifo));
  // A device: written, and it stays a device; /dev/full reports the full disk.
  r = run({"-f", "tcvn3", "-t", "viqr", "-o", "/dev/null"}, "\xB5");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(fs::is_character_file("/dev/null"));
  r = run({"-f", "tcvn3", "-t", "viqr", "-o", "/dev/full"}, "\xB5");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("No space left"), std::string::npos) << r.err;
  EXPECT_TRUE(fs::is_character_file("/dev/full"));

  // A symbolic link stays a link; its target gets the text and keeps its mode.
  const fs::path target = dir_ / "target.txt", link = dir_ / "link.txt";
  writeFile(target, "old");
  fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);
  fs::create_symlink(target.filename(), link);
  r = run({"-f", "tcvn3", "-t", "viqr", "-o", link.string()}, "\xAE");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(readFile(target), "dd");
  EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);
  EXPECT_EQ(filesStartingWith("target.txt."), 0);

  // A file the user may not write is refused and left as it is (as another user when root).
  const fs::path locked = dir_ / "locked.txt";
  writeFile(locked, "keep");
  fs::permissions(locked, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  fs::permissions(dir_, fs::perms::all);
  r = runPrepared({"-f", "tcvn3", "-t", "viqr", "-o", locked.string()}, "\xB5", [] {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(97);
  });
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_NE(r.err.find("will not replace"), std::string::npos) << r.err;
  EXPECT_EQ(readFile(locked), "keep");
  EXPECT_EQ(filesStartingWith("locked.txt."), 0);

  // A file-size limit ends the program with SIGXFSZ: the old file stays, nothing is left.
  const fs::path out = dir_ / "out.txt";
  writeFile(out, "before");
  r = runPrepared({"-f", "tcvn3", "-t", "utf-8", "-o", out.string()}, std::string(300000, '\xB5'),
                  [] {
                    const rlimit limit = {65536, 65536};
                    setrlimit(RLIMIT_FSIZE, &limit);
                  });
  EXPECT_EQ(r.status, 128 + SIGXFSZ) << r.err;
  EXPECT_EQ(readFile(out), "before");
  EXPECT_EQ(filesStartingWith("out.txt."), 0);
  // Other signals too, at a moment the temporary file exists (input still coming).
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
    int feed[2];
    ASSERT_EQ(pipe(feed), 0);
    const pid_t pid = fork();
    if (pid == 0) {
      dup2(feed[0], 0);
      close(feed[1]);
      execl(TSCONV_PATH, TSCONV_PATH, "-f", "15", "-t", "41", "-o", out.c_str(), nullptr);
      _exit(98);
    }
    close(feed[0]);
    ASSERT_EQ(write(feed[1], "\xB5\xB5", 2), 2);
    for (int k = 0; k < 1000 && filesStartingWith("out.txt.") == 0; ++k) usleep(5000);
    EXPECT_EQ(filesStartingWith("out.txt."), 1);
    kill(pid, sig);
    int st = 0;
    waitpid(pid, &st, 0);
    close(feed[1]);
    EXPECT_TRUE(WIFSIGNALED(st) && WTERMSIG(st) == sig) << sig;
    EXPECT_EQ(readFile(out), "before") << sig;
    EXPECT_EQ(filesStartingWith("out.txt."), 0) << sig;
  }
}

TEST_F(Tsconv, BadArguments) {
  Result r = run({"-f", "latin1", "-t", "tcvn3"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("unknown charset 'latin1'"), std::string::npos) << r.err;
  r = run({"-t", "tcvn3"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("missing -f"), std::string::npos) << r.err;
  r = run({"-f", "tcvn3"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("missing -t"), std::string::npos) << r.err;
  r = run({"-f", "tcvn3", "-t", "7"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("7 \"Bked 60\" has no letter table"), std::string::npos) << r.err;
  r = run({"-f", "44", "-t", "15"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("44 \"VNA8256\""), std::string::npos) << r.err;
  r = run({"-f", "tcvn3", "-t", "40"});
  EXPECT_EQ(r.status, 2);
  r = run({"--bogus"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("unknown option '--bogus'"), std::string::npos) << r.err;
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;  // a hint, no help
  r = run({"-f"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("missing argument of '-f'"), std::string::npos) << r.err;
  // Options that exclude each other.
  for (const auto& args :
       std::vector<std::vector<std::string>>{{"-f", "15", "-t", "41", "--upper", "--lower"},
                                             {"-f", "15", "-t", "41", "--sort", "--sort-names"},
                                             {"-f", "15", "-f", "29", "-t", "41"},
                                             {"-l", "-f", "15"}}) {
    r = run(args);
    EXPECT_EQ(r.status, 2) << args[4];
  }
  // iconv's names of the Windows code page that VN Win 95 reads.
  r = run({"-f", "CP1258", "-t", "utf-8"}, "a\xCC");
  EXPECT_EQ(r.out, "\xC3\xA0");
  r = run({"-f", "windows-1258", "-t", "utf-8"}, "\xE0");
  EXPECT_EQ(r.out, "\xC3\xA0");
  // VN Unicode 2 is read as VN Unicode 1 when converting from it.
  r = run({"-f", "40", "-t", "15"}, "\\u0224");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "\xB5");
}

// The bundled samples read back as the UTF-8 text they were made from.
TEST_F(Tsconv, BundledSamples) {
  const fs::path ex = EXAMPLES_DIR;
  const std::string utf8 = readFile(ex / "sample.utf8.txt");
  ASSERT_FALSE(utf8.empty());
  for (const auto& [name, code] : std::vector<std::pair<std::string, std::string>>{
           {"tcvn3", "15"}, {"vni", "29"}, {"viscii", "25"}, {"vps", "36"}, {"viqr", "24"}}) {
    const fs::path file = ex / ("sample." + name + ".txt");
    Result r = run({"-f", code, "-t", "utf-8", file.string()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, utf8) << name;
    r = run({"-f", "utf-8", "-t", code}, utf8);
    EXPECT_EQ(r.out, readFile(file)) << name;
  }
}

TEST_F(Tsconv, LetterCase) {
  const std::string viet = "Vi\xE1\xBB\x87t Nam \xC4\x91\xE1\xBA\xB9p";  // Việt Nam đẹp
  Result r = run({"-f", "utf8", "-t", "utf8", "--upper"}, viet);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "VI\xE1\xBB\x86T NAM \xC4\x90\xE1\xBA\xB8P");
  r = run({"-f", "utf8", "-t", "utf8", "--lower"}, r.out);
  EXPECT_EQ(r.out, "vi\xE1\xBB\x87t nam \xC4\x91\xE1\xBA\xB9p");
  // Into every kind of destination, the Unicode forms included.
  r = run({"-f", "utf8", "-t", "vni", "-u"}, viet);
  EXPECT_EQ(r.out, engine(41, 29, "VI\xE1\xBB\x86T NAM \xC4\x90\xE1\xBA\xB8P"));
  r = run({"-f", "utf8", "-t", "ncr", "-u"}, viet);
  EXPECT_EQ(r.out, "VI&#7878;T NAM &#272;&#7864;P");
  r = run({"-f", "utf8", "-t", "39", "-u"}, viet);
  EXPECT_EQ(r.out, "VI\\u7878T NAM \\u0272\\u7864P");
  r = run({"-f", "utf8", "-t", "43", "-u"}, viet);
  EXPECT_EQ(r.out, "VI\\x1EC6\"\"T NAM \\x110\"\"\\x1EB8\"\"P");
  // TCVN3 has capital codes only for Ă Â Ê Ô Ơ Ư Đ.
  r = run({"-f", "utf8", "-t", "tcvn3", "-u"}, "\xC4\x91\xC4\x83 \xC3\xA0");
  EXPECT_EQ(r.out, "\xA7\xA1 \xB5");
}

TEST_F(Tsconv, SortsLines) {
  // ma mà mả mã má mạ man, ăn anh an, in the source charset TCVN3, unordered.
  const std::string in = "man\nm\xB8\nma\nm\xB9\nm\xB5\nm\xB6\nm\xB7\n\xA8n\nanh\nan";
  Result r = run({"-f", "tcvn3", "-t", "tcvn3", "--sort"}, in);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "an\nanh\n\xA8n\nma\nm\xB5\nm\xB6\nm\xB7\nm\xB8\nm\xB9\nman\n");
  // Sorted by the key of the source, written in the destination.
  r = run({"-f", "tcvn3", "-t", "viqr", "-s"}, "m\xB8\nma\n");
  EXPECT_EQ(r.out, "ma\nma'\n");
  // Names: last word first, then the others.
  r = run({"-f", "viqr", "-t", "viqr", "--sort-names"},
          "Tra^`n Va(n Ba\nLe^ Thi. An\nNguye^~n Va(n An\n");
  EXPECT_EQ(r.out, "Le^ Thi. An\nNguye^~n Va(n An\nTra^`n Va(n Ba\n");
  // UTF-8 sorts too.
  r = run({"-f", "utf8", "-t", "utf8", "-s"}, "\xC3\xA2n\n\xC4\x83n\nan\n");
  EXPECT_EQ(r.out, "an\n\xC4\x83n\n\xC3\xA2n\n");
  // Letters first whatever their case; case only breaks ties.  Line ends are kept.
  r = run({"-f", "viqr", "-t", "viqr", "-s"}, "Binh\r\nan\r\nAnh\r\nbinh\r\nAn");
  EXPECT_EQ(r.out, "An\r\nan\r\nAnh\r\nBinh\r\nbinh\r\n");
}

// --html in pieces gives what the library gives for the whole page.
TEST_F(Tsconv, Html) {
  std::string page =
      "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=x\">";
  for (int i = 0; page.size() < 600 * 1024; ++i)
    page += "<p><font face=\".VnTime\">Vi\xD6t Nam &copy; " + std::to_string(i) + "</font></p>\n";
  page += "<i";
  writeFile(dir_ / "page.html", page);
  Result r = run({"-f", "15", "-t", "29", "--html", (dir_ / "page.html").string()});
  ASSERT_EQ(r.status, 0) << r.err;
  ts::ConverterState st;
  ts::selectPair(st, 15, 29);
  ts::FontMapState fonts;
  ts::HtmlConverter html(st, fonts);
  ts::ByteBuffer expect;
  html.feed(page, expect);
  html.finish(expect);
  EXPECT_TRUE(r.out == expect.str());
  EXPECT_NE(r.out.find("<font face=\"VNI-Times\">Vie&#228;t Nam a&#226; 0</font>"),
            std::string::npos);
  EXPECT_NE(r.out.find("charset=windows-1252\">"), std::string::npos);
  r = run({"-f", "15", "-t", "29", "--html", "--upper"});
  EXPECT_EQ(r.status, 2);

  // A Unicode page is declared UTF-8 and its fonts are Unicode fonts; text people read in
  // attributes is converted, URLs are not.
  const std::string small =
      "<meta charset=\"windows-1258\"><font face=\".VnTime\">\xB6nh</font>"
      "<img src=\"\xB6.png\" alt=\"\xB6nh \xAE\xD1p\" title='\xB5'>"
      "<meta name=\"Description\" content=\"\xB6nh\"><meta name=\"x\" content=\"\xB6\">";
  for (const char* to : {"utf-8", "ncr"}) {
    r = run({"-f", "tcvn3", "-t", to, "--html"}, small);
    EXPECT_NE(r.out.find("charset=\"utf-8\""), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("face=\"Times New Roman\""), std::string::npos) << r.out;
  }
  r = run({"-f", "tcvn3", "-t", "utf-8", "--html"}, small);
  EXPECT_NE(r.out.find("src=\"\xB6.png\""), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("alt=\"\xE1\xBA\xA3nh \xC4\x91\xE1\xBA\xB9p\""), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("title='\xC3\xA0'"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("content=\"\xE1\xBA\xA3nh\""), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("content=\"\xB6\""), std::string::npos) << r.out;
  // VIQR's apostrophe inside a value quoted with it is written as a reference.
  r = run({"-f", "tcvn3", "-t", "viqr", "--html"}, "<img alt='\xB8'>");
  EXPECT_EQ(r.out, "<img alt='a&#39;'>");
}

// Characters a legacy charset cannot write: never UTF-8 in a single-byte output.  Written in a
// close form by default, dropped with -c, a failure with --strict; each named with its count.
TEST_F(Tsconv, CharactersWithoutCode) {
  const std::string in =
      "Vi\xE1\xBB\x87t \xE2\x80\x93 \xE2\x80\x9Cn\xC3\xA0y\xE2\x80\x9D \xE2\x82\xAC \xC3\xB1";
  Result r = run({"-f", "utf-8", "-t", "tcvn3"}, in);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "Vi\xD6t - \"n\xB5y\" EUR n");
  EXPECT_NE(r.err.find("cannot hold 5 letters and characters"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("'\xE2\x80\x93' U+2013, 1 time: written as \"-\""), std::string::npos)
      << r.err;
  r = run({"-f", "utf-8", "-t", "tcvn3", "-c"}, in + in);
  EXPECT_EQ(r.out, "Vi\xD6t  n\xB5y  Vi\xD6t  n\xB5y  ");
  EXPECT_NE(r.err.find("'\xE2\x82\xAC' U+20AC, 2 times: dropped"), std::string::npos) << r.err;
  r = run({"-f", "utf-8", "-t", "tcvn3//IGNORE"}, in);
  EXPECT_EQ(r.out, "Vi\xD6t  n\xB5y  ");
  r = run({"-f", "utf-8", "-t", "TCVN3//TRANSLIT"}, in + "\xE2\x86\x92");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Vi\xD6t - \"n\xB5y\" EUR n?");
  r = run({"-f", "utf-8", "-t", "tcvn3//BOGUS"}, in);
  EXPECT_EQ(r.status, 2);
  // --strict fails at the first, naming its place; -o then leaves nothing.
  const fs::path out = dir_ / "strict.txt";
  r = run({"-f", "utf-8", "-t", "tcvn3", "--strict", "-o", out.string()}, in);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("cannot convert U+2013 '\xE2\x80\x93' at byte 7 of standard input to "
                       "\"TCVN3 - ABC\""),
            std::string::npos)
      << r.err;
  EXPECT_FALSE(fs::exists(out));
  EXPECT_EQ(run({"-f", "utf-8", "-t", "tcvn3", "--strict", "-c"}, in).status, 2);
  // To standard output --strict writes what comes before the character and nothing after, as
  // iconv does, however far into the input it stands (past many pieces read).
  std::string many;
  for (int i = 0; many.size() < 600 * 1024; ++i) many += "D\xC3\xB2ng " + std::to_string(i) + "\n";
  r = run({"-f", "utf-8", "-t", "tcvn3", "--strict"}, many + "x \xE2\x82\xAC y\n" + many);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, engine(41, 15, many) + "x ");
  // Decomposed letters (as macOS writes them) are composed, not lost.
  r = run({"-f", "utf-8", "-t", "tcvn3"}, "Tie\xCC\x82\xCC\x81ng Vie\xCC\xA3\xCC\x82t");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, engine(41, 15, "Ti\xE1\xBA\xBFng Vi\xE1\xBB\x87t"));
  EXPECT_EQ(r.err, "");
  // Capitals TCVN3 writes with their lower-case codes are named too; --check only names.
  r = run({"-f", "utf-8", "-t", "tcvn3", "--check"},
          "\xE1\xBB\xA6Y BAN \xE1\xBB\xA6 v\xC3\xA0 \xC4\x90");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("'\xE1\xBB\xA6' U+1EE6, 2 times: written with the code of '\xE1\xBB\xA7'"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(r.err.find("U+0110"), std::string::npos) << r.err;  // Đ has its own code
  r = run({"-f", "vni", "-t", "tcvn3", "--check"}, engine(41, 29, "Vi\xE1\xBB\x87t Nam"));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  // Unicode destinations write them; nothing is said.
  r = run({"-f", "utf-8", "-t", "ncr"}, in);
  EXPECT_EQ(r.err, "");
}

// Guessing the charset: --detect for files, -f auto to convert, refusing when unsure.
TEST_F(Tsconv, GuessesTheCharset) {
  const std::string viet =
      "Chi\xE1\xBB\x81u h\xC3\xB4m \xE1\xBA\xA5y tr\xE1\xBB\x9Di \xC4\x91\xE1\xBB\x95 "
      "m\xC6\xB0"
      "a ph\xC3\xB9n, gi\xC3\xB3 b\xE1\xBA\xA5"
      "c th\xE1\xBB\x95i t\xE1\xBB\xABng c\xC6\xA1n l\xE1\xBA\xA1nh bu\xE1\xBB\x91t.\n";
  writeFile(dir_ / "a.tcvn", engine(41, 15, viet));
  writeFile(dir_ / "b.vni", engine(41, 29, viet));
  writeFile(dir_ / "c.txt", "plain ASCII\n");
  Result r = run({"--detect", (dir_ / "a.tcvn").string(), (dir_ / "b.vni").string(),
                  (dir_ / "c.txt").string(), (dir_ / "missing").string()});
  EXPECT_EQ(r.status, 1) << r.err;  // the missing file
  const std::size_t a = r.out.find("a.tcvn:\n"), b = r.out.find("b.vni:\n");
  ASSERT_NE(a, std::string::npos) << r.out;
  ASSERT_NE(b, std::string::npos) << r.out;
  EXPECT_NE(r.out.find("15 \"TCVN3 - ABC\"", a), std::string::npos) << r.out;
  EXPECT_LT(r.out.find("15 \"TCVN3 - ABC\"", a), b);  // first under its file
  EXPECT_NE(r.out.find("%  29 \"VNI - WIN\"", b), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("c.txt:\n  no Vietnamese letters"), std::string::npos) << r.out;

  // -f auto converts from the best guess and says which it took.
  r = run({"-f", "auto", "-t", "utf-8", (dir_ / "b.vni").string()});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, viet);
  EXPECT_NE(r.err.find("reading the input as 29 \"VNI - WIN\""), std::string::npos) << r.err;
  // The guess from the first bytes only: the rest is converted as well.
  r = run({"-f", "AUTO", "-t", "viqr", "--detect-bytes", "40"}, engine(41, 15, viet + viet));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, engine(41, 24, viet + viet));
  // Unsure: refused with the candidates, and no output file is made.
  const fs::path out = dir_ / "out.txt";
  r = run({"-f", "auto", "-t", "utf-8", "-o", out.string()},
          "caf\xE9 cr\xE8me br\xFBl\xE9"
          "e");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("cannot tell the charset"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(out));
  EXPECT_EQ(filesStartingWith("out.txt"), 0);
  r = run({"--detect", "--detect-bytes", "0"});
  EXPECT_EQ(r.status, 2);
}

// Legacy text carried in UTF-8: named, guessed and read by -f; --fix repairs it in place
// of good UTF-8 it leaves byte for byte.
TEST_F(Tsconv, CarriedTextAndRepair) {
  const std::string viet =
      "Chi\xE1\xBB\x81u h\xC3\xB4m \xE1\xBA\xA5y tr\xE1\xBB\x9Di \xC4\x91\xE1\xBB\x95 "
      "m\xC6\xB0"
      "a ph\xC3\xB9n, gi\xC3\xB3 b\xE1\xBA\xA5"
      "c th\xE1\xBB\x95i t\xE1\xBB\xABng c\xC6\xA1n l\xE1\xBA\xA1nh bu\xE1\xBB\x91t.\n";
  // TCVN3 bytes read as Windows-1252 and saved as UTF-8, as iconv would.
  std::string carried;
  for (char c : engine(41, 15, viet)) {
    const auto b = static_cast<std::uint8_t>(c);
    if (b < 0x80) {
      carried += c;
    } else {
      carried += static_cast<char>(0xC0 | (b >> 6));
      carried += static_cast<char>(0x80 | (b & 0x3F));
    }
  }
  writeFile(dir_ / "carried.txt", carried);
  Result r = run({"--detect", (dir_ / "carried.txt").string()});
  EXPECT_NE(r.out.find("%  tcvn3+utf8 \"TCVN3 - ABC, carried in UTF-8\""), std::string::npos)
      << r.out;
  r = run({"-f", "auto", "-t", "utf-8", (dir_ / "carried.txt").string()});
  EXPECT_EQ(r.out, viet) << r.err;
  EXPECT_NE(r.err.find("reading the input as tcvn3+utf8"), std::string::npos) << r.err;
  r = run({"-f", "tcvn3+utf8", "-t", "vni"}, carried);
  EXPECT_EQ(r.out, engine(41, 29, viet)) << r.err;
  EXPECT_EQ(run({"-f", "utf8", "-t", "tcvn3+utf8"}, viet).status, 2);
  EXPECT_EQ(run({"-f", "utf8+utf8+utf8+utf8+utf8", "-t", "utf8"}, viet).status, 2);
  // --fix: the carried line repaired, the good lines as they were.
  const std::string good =
      "Good: \xE2\x80\x9Cquotes\xE2\x80\x9D, caf\xC3\xA9, \xE4\xB8\xAD\xE6\x96\x87\n" + viet;
  const fs::path out = dir_ / "fixed.txt";
  r = run({"--fix", "-o", out.string(), "-", (dir_ / "carried.txt").string()}, good);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(readFile(out), good + viet);
  EXPECT_NE(r.err.find("as TCVN3 - ABC, carried in UTF-8"), std::string::npos) << r.err;
  // --dry-run lists each change with its place and writes nothing.
  r = run({"--fix", "--dry-run", (dir_ / "carried.txt").string()});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("1:1: "), std::string::npos) << r.out;
  EXPECT_NE(r.err.find("would repair"), std::string::npos) << r.err;
  r = run({"--fix"}, good);
  EXPECT_EQ(r.out, good);
  EXPECT_NE(r.err.find("nothing to repair"), std::string::npos) << r.err;
  // A filter converts what it is told to, but says so where its input reads as UTF-8.
  r = run({"-f", "tcvn3", "-t", "utf8"}, viet);
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.err.find("the input reads as UTF-8"), std::string::npos) << r.err;
  EXPECT_EQ(run({"-f", "tcvn3", "-t", "utf8"}, engine(41, 15, viet)).err, "");
  EXPECT_EQ(run({"--fix", "-f", "15"}, good).status, 2);
}

TEST_F(Tsconv, ListsTheCatalogue) {
  Result r = run({"-l"});
  EXPECT_EQ(r.status, 0);
  int lines = 0;
  for (char c : r.out) lines += c == '\n';
  EXPECT_EQ(lines, 51);  // a heading, 44 charsets and how the carried forms are named
  EXPECT_NE(r.out.find("  15  TCVN3 - ABC      tcvn3, abc"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("   7  Bked 60          no letter table"), std::string::npos);
  r = run({"--help"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("Usage: tsconv -f FROM -t TO"), std::string::npos);
}

}  // namespace
