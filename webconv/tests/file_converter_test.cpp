#include "ts/web/file_converter.hpp"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "web_test_util.hpp"

namespace ts::web {
namespace {

using test::readFile;
using test::validUtf8;
using test::writeFile;

struct Counter : ProgressObserver {
  void tick() override { ++ticks; }
  std::uint64_t ticks = 0;
};

ConvertSettings settings(const char* format, int from, int to) {
  const OutputFormat* f = findFormat(format);
  EXPECT_NE(f, nullptr) << format;
  return f->settings(from, to);
}

std::string page(const char* format, int from, int to, const std::string& text) {
  FileConverter fc(settings(format, from, to));
  return fc.convertText(text);
}

TEST(OutputFormats, ListAndSettings) {
  const auto& f = outputFormats();
  ASSERT_EQ(f.size(), 8u);
  const char* names[] = {"text only",       "html - utf8",    "html - utf7",  "html - utf16",
                         "html - entities", "html - &#code;", "html - 8-bit", "rtf"};
  for (int i = 0; i < 8; ++i) EXPECT_STREQ(f[static_cast<std::size_t>(i)].name, names[i]);
  EXPECT_TRUE(findFormat("text only")->textOnly);
  EXPECT_TRUE(findFormat("Text\tOnly")->utf8Output);  // tabs are blanks too
  EXPECT_TRUE(findFormat("text only")->utf8Output);
  EXPECT_EQ(findFormat("html - utf8")->form, EntityForm::kNumeric);
  EXPECT_TRUE(findFormat("HTML-UTF8")->utf8Output);
  for (const char* n : {"html - utf7", "html - utf16", "html - &#code;", "rtf"}) {
    EXPECT_EQ(findFormat(n)->form, EntityForm::kNumeric) << n;
    EXPECT_FALSE(findFormat(n)->utf8Output) << n;
  }
  EXPECT_EQ(findFormat("html - entities")->form, EntityForm::kNamed);
  EXPECT_EQ(findFormat("html-8bit")->form, EntityForm::kEightBit);
  EXPECT_EQ(findFormat("pdf"), nullptr);
  EXPECT_STREQ(defaultFormatFor(39).name, "html - utf8");
  EXPECT_STREQ(defaultFormatFor(40).name, "html - utf8");
  EXPECT_STREQ(defaultFormatFor(15).name, "html - 8-bit");
  EXPECT_STREQ(defaultFormatFor(38).name, "html - 8-bit");
}

// One TCVN3 page in every output format.
TEST(FileConverter, EveryOutputFormat) {
  const std::string tcvn =
      "<meta content=\"text/html; charset=x\"><font face=\".VnTime\">\xB8 &copy;</font>";
  EXPECT_EQ(page("html - utf8", 15, 39, tcvn),
            "<meta content=\"text/html; charset=utf-8\"><font face=\"Times New Roman\">\xC3\xA1 "
            "\xC3\xA2</font>");
  for (const char* f : {"html - utf7", "html - utf16", "html - &#code;", "rtf"})
    EXPECT_EQ(page(f, 15, 39, tcvn),
              "<meta content=\"text/html; charset=windows-1252\"><font face=\"Times New "
              "Roman\">&#225; &#226;</font>")
        << f;
  EXPECT_EQ(page("html - entities", 15, 29, tcvn),
            "<meta content=\"text/html; charset=windows-1252\"><font face=\"VNI-Times\">a&ugrave; "
            "a&acirc;</font>");
  EXPECT_EQ(page("html - &#code;", 15, 29, tcvn),
            "<meta content=\"text/html; charset=windows-1252\"><font face=\"VNI-Times\">a&#249; "
            "a&#226;</font>");
  EXPECT_EQ(page("html - 8-bit", 15, 29, tcvn),
            "<meta content=\"text/html; charset=windows-1252\"><font face=\"VNI-Times\">a\xF9 "
            "a\xE2</font>");
  EXPECT_EQ(page("text only", 15, 39, tcvn), "\xC3\xA1 \xC3\xA2");
  // A letter, an italic pair around a second letter, nothing else.
  EXPECT_EQ(page("text only", 15, 39, "\xB8<i>\xB5</i>"), "\xC3\xA1\xC3\xA0");
  EXPECT_EQ(page("text only", 15, 15, "a<b"), "ab");  // an open tag at the end is written

  // Text people read inside tags is converted as words are; URLs and names are not.
  const std::string img = "<img src=\"\xB8.png\" ALT=\"\xB8 \xB5\" title=\xB5>";
  EXPECT_EQ(page("html - utf8", 15, 39, img),
            "<img src=\"\xC2\xB8.png\" ALT=\"\xC3\xA1 \xC3\xA0\" title=\xC3\xA0>");
  EXPECT_EQ(page("html - &#code;", 15, 29, img),
            "<img src=\"\xB8.png\" ALT=\"a&#249; a&#248;\" title=a&#248;>");
  EXPECT_EQ(page("html - 8-bit", 15, 24, "<meta content=\"\xB8\" name=keywords>"),
            "<meta content=\"a'\" name=keywords>");
}

TEST(FileConverter, UnicodeEscapeSteps) {
  // Source VN Unicode 1: a numeric reference and the UTF-8 of ệ give the same TCVN3 byte.
  EXPECT_EQ(page("html - 8-bit", 39, 15, "&#7879; \xE1\xBB\x87"), "\xD6 \xD6");
  EXPECT_EQ(page("html - 8-bit", 39, 15, "&#7879;&#7879;x&#7879"), "\xD6\xD6x&#7879");
  EXPECT_EQ(page("html - 8-bit", 39, 15, "&#x1EC7;"), "&#x1EC7;");  // not decimal
  EXPECT_EQ(page("html - 8-bit", 39, 15, "&#208;"), "\xA7");        // 208 is read as Đ
  // Destination VN Unicode 1: escapes become references without one leading zero, or UTF-8.
  EXPECT_EQ(page("html - &#code;", 15, 39, "\xB8\xD6"), "&#225;&#7879;");
  EXPECT_EQ(page("html - utf8", 15, 39, "\xB8"), "\xC3\xA1");
  EXPECT_EQ(page("html - &#code;", 39, 39, "\xC3\xA1&#7879;"), "&#225;&#7879;");
  // Values of five digits stay as the page wrote them (U+4E2D, U+1F600).
  EXPECT_EQ(page("html - utf8", 39, 39, "\xE4\xB8\xAD&#20013;\xC3\xA1"),
            "\xE4\xB8\xAD&#20013;\xC3\xA1");
  EXPECT_EQ(page("html - 8-bit", 39, 15, "\xE4\xB8\xAD\xF0\x9F\x98\x80&#20013;"),
            "\xE4\xB8\xAD\xF0\x9F\x98\x80&#20013;");
  // A value that names no letter is kept, not dropped: “ (U+201C) to TCVN3.
  EXPECT_EQ(page("html - 8-bit", 39, 15, "\xE2\x80\x9C\xC3\xA1&#8220;"), "&#8220;\xB8&#8220;");
  EXPECT_EQ(page("html - utf8", 39, 15, "\xE2\x80\x9C"), "\xE2\x80\x9C");
  EXPECT_EQ(page("html - &#code;", 39, 39, "\xE2\x80\x9C"), "&#8220;");
}

TEST(FileConverter, Utf8OutputIsValid) {
  std::mt19937 rng(21);
  for (int from : {15, 29, 39, 25, 24, 1}) {
    for (int to : {39, 15, 29}) {
      for (int k = 0; k < 50; ++k) {
        std::string text;
        for (int i = 0; i < 120; ++i) {
          const int r = std::uniform_int_distribution<int>(0, 9)(rng);
          if (r == 0)
            text += "<p>";
          else if (r == 1)
            text += " ";
          else if (r == 2)
            text += "&#224;";
          else
            text += static_cast<char>(std::uniform_int_distribution<int>(1, 255)(rng));
        }
        const std::string out = page("html - utf8", from, to, text);
        ASSERT_TRUE(validUtf8(out)) << from << " -> " << to;
      }
    }
  }
}

TEST(FileConverter, LongWordsAndTagsWhole) {
  const std::string word(20000, '\xB8');
  std::string expect;
  for (int i = 0; i < 20000; ++i) expect += "\xC3\xA1";
  EXPECT_EQ(page("html - utf8", 15, 39, word), expect);
  const std::string tag = "<p title=\"" + std::string(15000, 'x') + "\">";
  EXPECT_EQ(page("html - utf8", 15, 39, tag), tag);
}

class FileConverterFiles : public test::Scratch {};

TEST_F(FileConverterFiles, TickCounts) {
  FileConverter fc(settings("html - utf8", 15, 39));
  auto ticksFor = [&](const std::string& content, std::uint64_t interval, std::uint64_t* reading) {
    writeFile(dir_ / "in.htm", content);
    Counter c;
    const FileOutcome o =
        fc.convert((dir_ / "in.htm").string(), (dir_ / "out").string(), interval, c);
    EXPECT_TRUE(o.ok()) << o.describe();
    if (reading != nullptr) *reading = o.ticks < 50 ? o.ticks : 50;
    return c.ticks;
  };
  EXPECT_EQ(ticksFor("", 0, nullptr), 50u);  // an empty file: the 50 all at the end
  // 49 bytes: interval 0, a tick per byte, then one more.
  EXPECT_EQ(ticksFor(std::string(49, 'a'), 49 * 2 / 100, nullptr), 50u);
  // 10,000 bytes, interval 200: 49 ticks while reading, 1 at the end.
  Counter direct;
  writeFile(dir_ / "big.htm", std::string(10000, 'a'));
  FileOutcome o = fc.convert((dir_ / "big.htm").string(), (dir_ / "out").string(), 200, direct);
  EXPECT_EQ(o.ticks, 50u);
  EXPECT_EQ(direct.ticks, 50u);
  // Bytes inside tags do not count: fewer while reading, the top-up restores 50.
  std::string tagged;
  for (int i = 0; i < 100; ++i) tagged += "<" + std::string(98, 'x') + ">";
  writeFile(dir_ / "tags.htm", tagged);
  struct Reading : ProgressObserver {
    void tick() override { ++n; }
    std::uint64_t n = 0;
  } reading;
  o = fc.convert((dir_ / "tags.htm").string(), (dir_ / "out").string(), 0, reading);
  EXPECT_EQ(reading.n, 100u);  // one per "<": interval 0, 100 bytes outside tags
  // More ticks than 50 when the interval is small.
  EXPECT_EQ(ticksFor(std::string(1000, 'a'), 0, nullptr), 1000u);
}

TEST_F(FileConverterFiles, FilesEqualText) {
  std::string text = "<html><meta charset=\"x\">";
  for (int i = 0; text.size() < 700 * 1024; ++i)
    text +=
        "<p><font face=\".VnTime\">Vi\xD6t &amp; \xAE\xB9i " + std::to_string(i) + "</font>\r\n";
  writeFile(dir_ / "in.htm", text);
  for (const char* f : {"html - utf8", "html - entities", "text only"}) {
    FileConverter fc(settings(f, 15, 39));
    Counter c;
    ASSERT_TRUE(fc.convert((dir_ / "in.htm").string(), (dir_ / "out").string(), 100, c).ok());
    EXPECT_TRUE(readFile(dir_ / "out") == fc.convertText(text)) << f;
  }
}

TEST_F(FileConverterFiles, Failures) {
  FileConverter fc(settings("html - utf8", 15, 39));
  Counter c;
  FileOutcome o = fc.convert((dir_ / "missing").string(), (dir_ / "out").string(), 0, c);
  EXPECT_EQ(o.result, FileOutcome::kCannotOpenInput);
  EXPECT_EQ(c.ticks, 0u);
  EXPECT_NE(o.describe().find("No such file"), std::string::npos);
  writeFile(dir_ / "in.htm", "abc");
  o = fc.convert((dir_ / "in.htm").string(), (dir_ / "no" / "out").string(), 0, c);
  EXPECT_EQ(o.result, FileOutcome::kCannotCreateOutput);
  EXPECT_EQ(c.ticks, 0u);
  o = fc.convert(dir_.string(), (dir_ / "out").string(), 0, c);  // a folder reads with an error
  EXPECT_EQ(o.result, FileOutcome::kReadError);
  o = fc.convert((dir_ / "in.htm").string(), "/dev/full", 0, c);  // a full device
  EXPECT_EQ(o.result, FileOutcome::kWriteError);
  EXPECT_NE(o.describe().find("No space"), std::string::npos) << o.describe();
}

}  // namespace
}  // namespace ts::web
