// tsweb as a user runs it.
#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <thread>

#include "ts/rtf.hpp"
#include "ts/testing/process.hpp"
#include "ts/web/batch_job.hpp"
#include "ts/web/file_converter.hpp"
#include "web_test_util.hpp"

namespace ts::web {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::writeFile;

using Result = ts::testing::ProgramResult;

class Tsweb : public test::Scratch {
 protected:
  // Runs tsweb in the scratch folder; with `killAfterMs` it is killed then.
  Result run(std::vector<std::string> args, int killAfterMs = -1) {
    ts::testing::Program p(TSWEB_PATH, std::move(args), dir_, dir_);
    if (killAfterMs >= 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(killAfterMs));
      p.signal(SIGKILL);
    }
    return p.wait();
  }
};

const std::string kPage = "<font face=\".VnTime\">Vi\xD6t</font>";

TEST_F(Tsweb, ConvertsWithTheWindowsDefaults) {
  writeFile(dir_ / "site" / "a.htm", kPage);
  writeFile(dir_ / "site" / "sub" / "b.html", kPage);
  Result r = run({"site"});  // a relative path: made absolute
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(readFile(dir_ / "site" / "sub" / "b.html"),
            "<font face=\"Times New Roman\">Vi\xE1\xBB\x87t</font>");
  EXPECT_NE(r.out.find("Converted 2 files."), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Total bytes: " + std::to_string(2 * kPage.size()) + "."),
            std::string::npos);

  // To TCVN3 from VNI with entities; the format by name.
  writeFile(dir_ / "vni.htm", "<font face=\"VNI-Times\">Vie\xE4t</font>");
  r = run({"--from", "vni", "--to", "15", "--format", "html - entities", "vni.htm"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(readFile(dir_ / "vni.htm"), "<font face=\".VnTime\">Vi&Ouml;t</font>");
  // Destination TCVN3 without a format: "html - 8-bit".
  writeFile(dir_ / "v2.htm", "Vie\xE4t");
  r = run({"-f", "29", "-t", "tcvn3", "v2.htm"});
  EXPECT_EQ(readFile(dir_ / "v2.htm"), "Vi\xD6t");
}

// UTF-8 text in a legacy charset, and those bytes read as Windows-1252 and saved as UTF-8.
std::string encodedIn(int code, const std::string& utf8) {
  ConverterState st;
  selectPair(st, kUtf8, static_cast<std::uint32_t>(code));
  return convert(st, utf8);
}
std::string carriedIn(int code, const std::string& utf8) {
  std::string out;
  for (char c : encodedIn(code, utf8))
    out.append(windows1252Utf8(static_cast<std::uint8_t>(c)).view());
  return out;
}

// --from auto: each page is read as its own charset, carried forms included; a page that
// reads as nothing confidently, or is UTF-8 already, is left as it is, without a backup.
TEST_F(Tsweb, ReadsEachPagesOwnCharset) {
  const std::string viet =
      "Chi\xE1\xBB\x81u h\xC3\xB4m \xE1\xBA\xA5y tr\xE1\xBB\x9Di \xC4\x91\xE1\xBB\x95 "
      "m\xC6\xB0"
      "a ph\xC3\xB9n, gi\xC3\xB3 b\xE1\xBA\xA5"
      "c th\xE1\xBB\x95i t\xE1\xBB\xABng c\xC6\xA1n l\xE1\xBA\xA1nh bu\xE1\xBB\x91t.";
  auto encoded = [&](int code) { return encodedIn(code, viet); };
  auto carried = [&](int code) { return carriedIn(code, viet); };
  writeFile(dir_ / "s" / "tcvn3.htm", "<p>" + encoded(kTcvn3) + "</p>");
  writeFile(dir_ / "s" / "vni.htm", "<p>" + encoded(kVniWin) + "</p>");
  writeFile(dir_ / "s" / "carried.htm", "<p title=\"\xC3\xA9\">" + carried(kVniWin) + "</p>");
  writeFile(dir_ / "s" / "unsure.htm",
            "<p>caf\xE9 cr\xE8me br\xFBl\xE9"
            "e</p>");
  writeFile(dir_ / "s" / "unicode.htm", "<p>" + viet + "</p>");
  Result r = run({"--from", "auto", "--to", "39", "s"});
  EXPECT_EQ(r.status, 0) << r.err;
  for (const char* page : {"tcvn3.htm", "vni.htm"})
    EXPECT_EQ(readFile(dir_ / "s" / page), "<p>" + viet + "</p>") << page;
  // The carried page's tags keep their UTF-8.
  EXPECT_EQ(readFile(dir_ / "s" / "carried.htm"), "<p title=\"\xC3\xA9\">" + viet + "</p>");
  EXPECT_NE(r.err.find("carried.htm: read as VNI - WIN, carried in UTF-8"), std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("tcvn3.htm: read as TCVN3 - ABC"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("unsure.htm: skipped: reads as no charset confidently"), std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("unicode.htm: skipped: UTF-8 already"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(dir_ / "s" / "unsure.htm.bak"));
  EXPECT_FALSE(fs::exists(dir_ / "s" / "unicode.htm.bak"));
  EXPECT_TRUE(fs::exists(dir_ / "s" / "vni.htm.bak"));
  EXPECT_NE(r.out.find("VNI - WIN, carried in UTF-8: 1 file"), std::string::npos) << r.out;
  // A carried form by name.
  writeFile(dir_ / "named.htm", carried(kTcvn3));
  r = run({"-f", "tcvn3+utf8", "-t", "39", "named.htm"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(readFile(dir_ / "named.htm"), viet);
  EXPECT_EQ(run({"-f", "auto", "-t", "auto", "named.htm"}).status, 2);
  EXPECT_EQ(run({"-f", "15", "-t", "tcvn3+utf8", "named.htm"}).status, 2);
}

// Text files: converted whole, line ends kept; a Unicode destination writes UTF-8 (with a
// byte-order mark only where the original had one); each from its own charset with auto;
// any named file with --type text; the in-place rules as for pages, a killed run completed.
TEST_F(Tsweb, ConvertsTextFiles) {
  const std::string viet =
      "Ti\xE1\xBA\xBFng Vi\xE1\xBB\x87t c\xC3\xB3 s\xC3\xA1u thanh.\r\n"
      "Ng\xC3\xA0y mai tr\xE1\xBB\x9Di s\xE1\xBA\xBD c\xC3\xB3 m\xC6\xB0"
      "a r\xC3\xA0o v\xC3\xA0 d\xC3\xB4ng \xE1\xBB\x9F nhi\xE1\xBB\x81u n\xC6\xA1i.\n";
  auto encoded = [&](int code) { return encodedIn(code, viet); };
  // A byte-order mark, then VNI read as Windows-1252.
  const std::string carried = "\xEF\xBB\xBF" + carriedIn(kVniWin, viet);
  writeFile(dir_ / "t" / "a.txt", encoded(kTcvn3));
  writeFile(dir_ / "t" / "b.TXT", encoded(kVniWin));
  writeFile(dir_ / "t" / "c.txt", carried);
  writeFile(dir_ / "t" / "notes", encoded(kTcvn3));  // not a text file by its name
  Result r = run({"--from", "auto", "--to", "39", "t"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(readFile(dir_ / "t" / "a.txt"), viet);
  EXPECT_EQ(readFile(dir_ / "t" / "b.TXT"), viet);
  EXPECT_EQ(readFile(dir_ / "t" / "c.txt"), "\xEF\xBB\xBF" + viet);
  EXPECT_EQ(readFile(dir_ / "t" / "a.txt.bak"), encoded(kTcvn3));
  EXPECT_EQ(readFile(dir_ / "t" / "notes"), encoded(kTcvn3));
  EXPECT_NE(r.out.find("3 file"), std::string::npos) << r.out;
  // To a legacy charset: no UTF-8 in it, no byte-order mark.
  writeFile(dir_ / "d.txt", carried);
  r = run({"-f", "vni+utf8", "-t", "tcvn3", "d.txt"});
  EXPECT_EQ(readFile(dir_ / "d.txt"), encoded(kTcvn3)) << r.err;
  // Named with --type text.
  r = run({"-f", "tcvn3", "-t", "39", "--type", "text", "t/notes"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(readFile(dir_ / "t" / "notes"), viet);
  EXPECT_EQ(run({"--type", "rtf", "t/notes"}).status, 2);
  // A run killed between its passes leaves the files as backups; the next completes them.
  writeFile(dir_ / "k" / "e.txt", encoded(kTcvn3));
  BatchJob job;
  job.stopAfterFirstPass = true;
  JobObserver quiet;
  job.add((dir_ / "k").string());
  job.run(ConvertSettings{EntityForm::kNumeric, true, kTcvn3, kDecimalEsc, false}, quiet);
  EXPECT_FALSE(fs::exists(dir_ / "k" / "e.txt"));
  r = run({"-f", "tcvn3", "-t", "39", "k"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(readFile(dir_ / "k" / "e.txt"), viet);
  EXPECT_EQ(readFile(dir_ / "k" / "e.txt.bak"), encoded(kTcvn3));
}

// RTF documents: each run by its font, converted in place with the same rules; the result
// opens in LibreOffice with every paragraph reading as its Vietnamese text.
TEST_F(Tsweb, ConvertsRtfDocumentsThatLibreOfficeReads) {
  const std::string lines[] = {
      "Ng\xC3\xA0y mai tr\xE1\xBB\x9Di s\xE1\xBA\xBD c\xC3\xB3 m\xC6\xB0"
      "a r\xC3\xA0o.",
      "Ng\xC6\xB0\xE1\xBB\x9Di d\xC3\xA2n c\xE1\xBA\xA7n theo d\xC3\xB5i.",
      "caf\xC3\xA9 v\xC3\xA0 tr\xC3\xA0"};
  ConverterState st;
  auto escaped = [&](int code, const std::string& utf8) {
    selectPair(st, kUtf8, static_cast<std::uint32_t>(code));
    std::string out;
    for (char c : convert(st, utf8)) {
      char esc[8];
      std::snprintf(esc, sizeof esc, "\\'%02x", static_cast<std::uint8_t>(c));
      out += static_cast<std::uint8_t>(c) >= 0x80 ? std::string(esc) : std::string(1, c);
    }
    return out;
  };
  const std::string rtf =
      "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fcharset0 .VnTime;}"
      "{\\f1\\fcharset0 VNI-Times;}{\\f2\\fcharset0 Times New Roman;}}\n"
      "{\\colortbl;\\red255\\green0\\blue0;}\n"
      "\\pard\\f0 " +
      escaped(kTcvn3, lines[0]) +
      "\\par\n"
      "{\\b\\f1 " +
      escaped(kVniWin, lines[1]) +
      "}\\par\n"
      "{\\f2 caf\\'e9 v\\'e0 tr\\'e0}\\par\n}";
  writeFile(dir_ / "r" / "letter.rtf", rtf);
  Result r = run({"--from", "auto", "--to", "39", "r"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(readFile(dir_ / "r" / "letter.rtf.bak"), rtf);
  EXPECT_NE(r.out.find("Converted 1 file."), std::string::npos) << r.out;
  const std::string converted = readFile(dir_ / "r" / "letter.rtf");
  EXPECT_NE(converted.find("{\\f0\\fcharset0 Times New Roman;}"), std::string::npos) << converted;

  // LibreOffice's own reading, as text.
  if (std::system("command -v soffice > /dev/null") != 0) GTEST_SKIP() << "no LibreOffice";
  const std::string profile = "file://" + (dir_ / "profile").string();
  const std::string command = "cd '" + dir_.string() +
                              "' && soffice -env:UserInstallation=" + profile +
                              " --headless --norestore --convert-to txt:Text --outdir '" +
                              (dir_ / "txt").string() + "' r/letter.rtf > /dev/null 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0);
  const std::string text = readFile(dir_ / "txt" / "letter.txt");
  for (const std::string& line : lines) EXPECT_NE(text.find(line), std::string::npos) << text;
}

TEST_F(Tsweb, ArgumentsAndLists) {
  Result r = run({"-f", "15"});  // with no argument at all it opens the window
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("name the pages and folders to convert"), std::string::npos);
  r = run({"--list-charsets"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 40);
  EXPECT_NE(r.out.find(" 15   -   TCVN3 - ABC\n"), std::string::npos);
  EXPECT_EQ(r.out.find("Ucode1"), std::string::npos);
  r = run({"--list-formats"});
  EXPECT_EQ(r.out,
            "text only\nhtml - utf8\nhtml - utf7\nhtml - utf16\nhtml - entities\n"
            "html - &#code;\nhtml - 8-bit\nrtf\n");
  // Beyond the web converter's catalogue: the way to UTF-8 pages is explained; UTF-8 itself
  // is named as tsconv names it, and means 39 with "html - utf8" (UTF-8 pages).
  r = run({"--to", "ncr", "x.htm"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("charsets 1 to 40"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("--to 39 with --format \"html - utf8\""), std::string::npos) << r.err;
  for (const char* to : {"41", "utf-8", "utf8"}) {
    writeFile(dir_ / "u.htm", kPage);
    r = run({"--to", to, "u.htm"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile(dir_ / "u.htm"), "<font face=\"Times New Roman\">Vi\xE1\xBB\x87t</font>");
    fs::remove(dir_ / "u.htm.bak");
  }
  r = run({"--to", "koi8", "x.htm"});
  EXPECT_NE(r.err.find("unknown charset 'koi8'"), std::string::npos) << r.err;
  r = run({"--to", "7", "x.htm"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("no letter table"), std::string::npos) << r.err;
  r = run({"--format", "pdf", "x.htm"});
  EXPECT_EQ(r.status, 2);
  r = run({"missing.htm"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find((dir_ / "missing.htm").string()), std::string::npos) << r.err;
}

// A page or text file that reads as good Unicode is no text in the source named (the
// default TCVN3 included): left and listed, unless --force.
TEST_F(Tsweb, AUtf8SiteIsLeftAsItIs) {
  const std::string page = "<p>T\xC3\xB4i l\xC3\xA0 sinh vi\xC3\xAAn \xE1\xBB\x9F H\xC3\xA0 N\xE1\xBB\x99i.</p>";
  writeFile(dir_ / "site" / "u.html", page);
  writeFile(dir_ / "site" / "notes.txt", "L\xC3\xAA B\xC3\xA1 T\xC3\xB9ng, c\xC3\xA0 ph\xC3\xAA\n");
  writeFile(dir_ / "site" / "legacy.htm", kPage);
  Result r = run({"site"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(readFile(dir_ / "site" / "u.html"), page);
  EXPECT_FALSE(fs::exists(dir_ / "site" / "u.html.bak"));
  EXPECT_EQ(readFile(dir_ / "site" / "notes.txt"), "L\xC3\xAA B\xC3\xA1 T\xC3\xB9ng, c\xC3\xA0 ph\xC3\xAA\n");
  EXPECT_NE(r.out.find("u.html: UTF-8 already"), std::string::npos) << r.out;
  EXPECT_EQ(readFile(dir_ / "site" / "legacy.htm"),
            "<font face=\"Times New Roman\">Vi\xE1\xBB\x87t</font>");
  r = run({"--force", "site/u.html"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(readFile(dir_ / "site" / "u.html"), page);
  EXPECT_EQ(readFile(dir_ / "site" / "u.html.bak"), page);
}

TEST_F(Tsweb, FailuresGoToStandardError) {
  writeFile(dir_ / "p.htm", kPage);
  writeFile(dir_ / "p.htm.bak", "earlier");
  Result r = run({"p.htm"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find((dir_ / "p.htm").string() + ": its backup"), std::string::npos) << r.err;
  EXPECT_EQ(readFile(dir_ / "p.htm"), kPage);
}

// A run killed at any moment loses no page: each is whole under its own name or its backup.
TEST_F(Tsweb, KilledRunLosesNothing) {
  std::string big;
  while (big.size() < 2 * 1024 * 1024) big += kPage + "\n";
  for (int i = 0; i < 12; ++i)
    writeFile(dir_ / "site" / (std::string("p") + std::to_string(i) + ".htm"), big);
  for (int delay : {5, 40, 120}) {
    run({"site"}, delay);
    for (int i = 0; i < 12; ++i) {
      const fs::path p = dir_ / "site" / (std::string("p") + std::to_string(i) + ".htm");
      const fs::path bak = p.string() + ".bak";
      if (fs::exists(bak)) {
        EXPECT_EQ(readFile(bak), big) << bak;
      } else {
        ASSERT_TRUE(fs::exists(p)) << p;
        EXPECT_EQ(readFile(p), big) << p;
      }
    }
    // Back to the start for the next delay.
    for (int i = 0; i < 12; ++i) {
      const fs::path p = dir_ / "site" / (std::string("p") + std::to_string(i) + ".htm");
      if (fs::exists(p.string() + ".bak")) {
        fs::remove(p);
        fs::rename(p.string() + ".bak", p);
      }
      fs::remove(p.string() + ".tshtm");
    }
  }
}

// Killed at random moments and run again, twenty times: the rerun completes the work, every
// page is the whole conversion of its original and every original is its backup.
TEST_F(Tsweb, RerunAfterAKillCompletesTheWork) {
  constexpr int kPages = 300;
  std::mt19937 rng(42);
  std::vector<std::string> originals, expected;
  ConvertSettings settings;  // the command line's defaults: 15 to 39, html - utf8
  // Pages, text files (every third) and RTF documents (every fifth): one in-place rule.
  auto kindOf = [](int i) { return i % 3 == 1 ? "txt" : i % 5 == 2 ? "rtf" : "htm"; };
  ConverterState toUnicode;
  selectPair(toUnicode, kTcvn3, kUtf8);
  for (int i = 0; i < kPages; ++i) {
    std::string text;
    const int words = std::uniform_int_distribution<int>(10, 600)(rng);
    for (int w = 0; w < words; ++w) text += "Vi\xD6t \xAE\xB9i " + std::to_string(i * w) + " ";
    const std::string kind = kindOf(i);
    if (kind == "htm") {
      const std::string page = "<p title=\"" + std::to_string(i) + "\">" + text;
      originals.push_back(page);
      expected.push_back(FileConverter(settings).convertText(page));
    } else if (kind == "txt") {
      originals.push_back(text);
      expected.push_back(convert(toUnicode, text));
    } else {
      const std::string rtf = "{\\rtf1{\\fonttbl{\\f0 .VnTime;}}\\f0 " + text + "\\par}";
      originals.push_back(rtf);
      RtfConverter c(RtfSettings{kTcvn3, kDecimalEsc});
      ByteBuffer out;
      c.feed(rtf, out);
      c.finish(out);
      expected.push_back(out.str());
    }
  }
  auto pagePath = [&](int i) {
    char name[32];
    std::snprintf(name, sizeof name, "d%d/p%d.%s", i % 7, i, kindOf(i));
    return dir_ / "site" / name;
  };
  auto lay = [&] {
    fs::remove_all(dir_ / "site");
    for (int i = 0; i < kPages; ++i) writeFile(pagePath(i), originals[static_cast<std::size_t>(i)]);
  };
  lay();
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(run({"site"}).status, 0);
  const int fullMs = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now() - start)
                                          .count());
  int recoveredRuns = 0;
  for (int round = 0; round < 20; ++round) {
    lay();
    run({"site"}, std::uniform_int_distribution<int>(0, fullMs)(rng));
    const Result again = run({"site"});
    EXPECT_EQ(again.status, 0) << again.err;
    recoveredRuns += again.out.find("Recovered") != std::string::npos;
    for (int i = 0; i < kPages; ++i) {
      const fs::path p = pagePath(i);
      ASSERT_TRUE(readFile(p) == expected[static_cast<std::size_t>(i)]) << round << " " << p;
      ASSERT_TRUE(readFile(p.string() + ".bak") == originals[static_cast<std::size_t>(i)]) << p;
      ASSERT_FALSE(fs::exists(p.string() + ".tshtm")) << p;
    }
  }
  EXPECT_GT(recoveredRuns, 0);  // some kills did fall inside the conversion
}

// The bundled sample site converts whole: every page, a backup beside each, valid UTF-8.
TEST_F(Tsweb, BundledSite) {
  const fs::path site = fs::path(EXAMPLES_DIR) / "site";
  fs::copy(site, dir_ / "site", fs::copy_options::recursive);
  Result r = run({"--from", "tcvn3", "--to", "39", "site/tcvn3"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("Converted 4 files."), std::string::npos) << r.out;  // 3 pages, a text file
  r = run({"--from", "vni", "site/vni"});
  EXPECT_EQ(r.status, 0) << r.err;
  int pages = 0;
  for (const auto& e : fs::recursive_directory_iterator(dir_ / "site")) {
    const std::string name = e.path().string();
    if (!isPageName(name)) continue;
    ++pages;
    const fs::path original = site / fs::relative(e.path(), dir_ / "site");
    EXPECT_EQ(readFile(name + ".bak"), readFile(original)) << name;
    const std::string converted = readFile(e.path());
    EXPECT_TRUE(test::validUtf8(converted)) << name;
    EXPECT_EQ(converted.find("x-user-defined"), std::string::npos) << name;
    EXPECT_EQ(converted.find("face=\"VNI-"), std::string::npos) << name;
    EXPECT_EQ(converted.find("face=\".Vn"), std::string::npos) << name;
  }
  EXPECT_EQ(pages, 4);
  EXPECT_EQ(readFile(dir_ / "site" / "tcvn3" / "ghi-chu.txt.bak"),
            readFile(site / "tcvn3" / "ghi-chu.txt"));
  EXPECT_NE(readFile(dir_ / "site" / "tcvn3" / "ghi-chu.txt").find("Ghi chú: tsweb chuyển mã"),
            std::string::npos);
  EXPECT_NE(readFile(dir_ / "site" / "tcvn3" / "index.htm").find("Chào mừng bạn"),
            std::string::npos);
}

}  // namespace
}  // namespace ts::web
