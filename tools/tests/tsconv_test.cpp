// tsconv as a user runs it: arguments, files, standard input, errors and exit statuses.
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
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

  // A missing input fails: the output keeps its contents and no temporary file is left.
  r = run({"-f", "tcvn3", "-t", "viqr", "-o", out.string(), "-", (dir_ / "missing").string()},
          "\xB8");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find((dir_ / "missing").string()), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("No such file"), std::string::npos) << r.err;
  EXPECT_EQ(readFile(out), "a`dd");
  int files = 0;
  for (const auto& e : fs::directory_iterator(dir_))
    if (e.path().filename().string().rfind("out.txt", 0) == 0) ++files;
  EXPECT_EQ(files, 1);

  // A folder as input.
  r = run({"-f", "tcvn3", "-t", "viqr", "-o", out.string(), dir_.string()});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(readFile(out), "a`dd");

  // An output folder that does not exist.
  r = run({"-f", "tcvn3", "-t", "viqr", "-o", (dir_ / "no" / "such.txt").string()}, "x");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("no/such.txt"), std::string::npos) << r.err;
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
  r = run({"-f"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("missing argument of '-f'"), std::string::npos) << r.err;
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
}

TEST_F(Tsconv, ListsTheCatalogue) {
  Result r = run({"-l"});
  EXPECT_EQ(r.status, 0);
  int lines = 0;
  for (char c : r.out) lines += c == '\n';
  EXPECT_EQ(lines, 45);  // a heading and 44 charsets
  EXPECT_NE(r.out.find("  15  TCVN3 - ABC      tcvn3, abc"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("   7  Bked 60          no letter table"), std::string::npos);
  r = run({"--help"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("Usage: tsconv -f FROM -t TO"), std::string::npos);
}

}  // namespace
