// tsweb converting office documents in place through a LibreOffice of its own: documents the
// office makes (Writer as .odt, .docx and .doc, Calc as .xlsx, Impress as .pptx), a .docx
// written by hand, one with no legacy text, a damaged one and one protected by a password,
// one holding a comment and a Word 97 file with a frame.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>
#include <regex>

#include <com/sun/star/awt/Size.hpp>

#include "ts/db/wide.hpp"
#include "ts/office/documents.hpp"
#include "ts/testing/office.hpp"
#include "ts/testing/process.hpp"
#include "ts/testing/scratch.hpp"
#include "tslib.h"

namespace {

using namespace ts::office;
namespace fs = std::filesystem;

std::string tcvn3(const std::string& utf8) {
  TS_Code2Code(41, 15);
  std::string out(8 * utf8.size() + 1, '\0');
  out.resize(TS_Convert(utf8.c_str(), out.data()));
  return out;
}

// Legacy bytes as an office holds them: each byte the Windows-1252 character it reads as.
std::string carried(const std::string& bytes) {
  std::string text;
  ts::db::WideValues(0, 0).bytesToUtf8(bytes, text);
  return text;
}

// A package (.docx) of `parts` (name, content), zipped by the system's Python.
void zipParts(const fs::path& folder, const fs::path& out,
              const std::vector<std::pair<std::string, std::string>>& parts) {
  const fs::path tree = folder / (out.filename().string() + ".parts");
  std::vector<std::string> args{"-c",
                                "import sys, zipfile\n"
                                "with zipfile.ZipFile(sys.argv[1], 'w') as z:\n"
                                "    for name in sys.argv[3:]:\n"
                                "        z.write(sys.argv[2] + '/' + name, name)\n",
                                out.string(), tree.string()};
  for (const auto& [name, content] : parts) {
    fs::create_directories((tree / name).parent_path());
    ts::testing::writeFile(tree / name, content);
    args.push_back(name);
  }
  const auto r = ts::testing::runProgram("/usr/bin/python3", args, folder);
  ASSERT_EQ(r.status, 0) << r.err;
}

// A .docx of one part, its document.xml, with the package's content types and relationship.
void wordDocument(const fs::path& folder, const fs::path& out, const std::string& document) {
  zipParts(
      folder, out,
      {{"[Content_Types].xml",
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<Types "
        "xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"><Default "
        "Extension=\"rels\" "
        "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/><Default "
        "Extension=\"xml\" ContentType=\"application/xml\"/><Override "
        "PartName=\"/word/document.xml\" "
        "ContentType=\"application/"
        "vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/></Types>"},
       {"_rels/.rels",
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<Relationships "
        "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship "
        "Id=\"rId1\" "
        "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
        "officeDocument\" Target=\"word/document.xml\"/></Relationships>"},
       {"word/document.xml", document}});
}

// One part of a package.
std::string partOf(const fs::path& folder, const fs::path& package, const std::string& name) {
  const auto r = ts::testing::runProgram(
      "/usr/bin/python3",
      {"-c",
       "import sys, zipfile\n"
       "sys.stdout.buffer.write(zipfile.ZipFile(sys.argv[1]).read(sys.argv[2]))\n",
       package.string(), name},
      folder);
  EXPECT_EQ(r.status, 0) << r.err;
  return r.out;
}

std::string plainText(std::string s) {
  for (const auto& [from, to] : std::vector<std::pair<std::string, std::string>>{
           {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&amp;", "&"}}) {
    for (std::size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + 1))
      s.replace(at, from.size(), to);
  }
  return s;
}

// A run of a WordprocessingML document: its text, font and weight.
struct WordRun {
  std::string text, font;
  bool bold = false;
  bool operator==(const WordRun&) const = default;
};
std::ostream& operator<<(std::ostream& out, const WordRun& r) {
  return out << "{\"" << r.text << "\" " << r.font << (r.bold ? " bold}" : "}");
}

// The runs of a document.xml, paragraph by paragraph (a "\n" run between them), runs of the
// same font and weight joined (the office may cut a run where the document did not).
std::vector<WordRun> wordRuns(const std::string& xml) {
  static const std::regex paragraph("<w:p[ >][\\s\\S]*?</w:p>");
  static const std::regex run("<w:r[ >][\\s\\S]*?</w:r>");
  static const std::regex font("<w:rFonts [^>]*w:ascii=\"([^\"]*)\"");
  static const std::regex bold("<w:b/>|<w:b w:val=\"(true|1|on)\"/>");
  // Text, and the soft hyphens written as elements of their own (TCVN3's "ư" is one).
  static const std::regex text("<w:t(?: [^>]*)?>([^<]*)</w:t>|<w:softHyphen/>");
  std::vector<WordRun> runs;
  for (auto p = std::sregex_iterator(xml.begin(), xml.end(), paragraph);
       p != std::sregex_iterator(); ++p) {
    if (!runs.empty()) runs.push_back({"\n", ""});
    const std::string par = p->str();
    for (auto r = std::sregex_iterator(par.begin(), par.end(), run); r != std::sregex_iterator();
         ++r) {
      const std::string body = r->str();
      WordRun w;
      std::smatch m;
      if (std::regex_search(body, m, font)) w.font = m[1];
      w.bold = std::regex_search(body, bold);
      for (auto t = std::sregex_iterator(body.begin(), body.end(), text);
           t != std::sregex_iterator(); ++t)
        w.text += (*t)[1].matched ? plainText((*t)[1]) : std::string("\u00AD");
      if (w.text.empty()) continue;
      if (!runs.empty() && runs.back().font == w.font && runs.back().bold == w.bold)
        runs.back().text += w.text;
      else
        runs.push_back(w);
    }
  }
  return runs;
}

const std::string kText = "Chào các bạn, đây là tiếng Việt có dấu.";
const std::string kUnicode = "Văn bản Unicode sẵn có";

class OfficeDocuments : public ts::testing::ScratchTest {
 protected:
  void SetUp() override {
    ScratchTest::SetUp();
    office_ = std::make_unique<ts::testing::ScratchOffice>(dir_ / "maker", TSLIB_PATH);
  }
  void TearDown() override {
    office_.reset();
    ScratchTest::TearDown();
  }
  // Stores a new Writer document of `paragraphs` (font, text) with the filter given.
  void writer(const fs::path& path, const char* filter,
              const std::vector<std::pair<std::string, std::string>>& paragraphs,
              const std::string& password = {}) {
    Office& o = office_->office();
    const Object doc = ts::testing::newDocument(o, "swriter");
    const Object body = doc.getObject("Text");
    const Object cursor = body.callObject("createTextCursor");
    for (std::size_t i = 0; i < paragraphs.size(); ++i) {
      body.call("insertString", {cursor.value(), text(paragraphs[i].second), Any(false)});
      cursor.call("gotoStartOfParagraph", {Any(true)});
      cursor.set("CharFontName", text(paragraphs[i].first));
      cursor.call("gotoEndOfParagraph", {Any(false)});
      if (i + 1 < paragraphs.size())
        body.call("insertControlCharacter", {cursor.value(), Any(sal_Int16(0)), Any(false)});
    }
    store(doc, path, filter, password);
  }
  void store(const Object& doc, const fs::path& path, const char* filter,
             const std::string& password = {}) {
    auto props = password.empty()
                     ? properties({{"FilterName", text(filter)}})
                     : properties({{"FilterName", text(filter)}, {"Password", text(password)}});
    doc.call("storeToURL", {text(fileUrl(path.string())), Any(props)});
    doc.call("close", {Any(true)});
  }
  // The paragraphs of a Writer document's body: (font, text).
  std::vector<std::pair<std::string, std::string>> paragraphsOf(const fs::path& path) {
    Office& o = office_->office();
    const Object doc = o.desktop().callObject(
        "loadComponentFromURL", {text(fileUrl(path.string())), text("_blank"), Any(sal_Int32(0)),
                                 Any(properties({{"Hidden", Any(true)}}))});
    std::vector<std::pair<std::string, std::string>> out;
    const Object each = doc.getObject("Text").callObject("createEnumeration");
    while (each.call("hasMoreElements").get<bool>()) {
      const Object p = office_->office().wrap(each.call("nextElement"));
      out.emplace_back(utf8(p.get("CharFontName")), utf8(p.call("getString")));
    }
    doc.call("close", {Any(true)});
    return out;
  }
  std::unique_ptr<ts::testing::ScratchOffice> office_;
};

TEST_F(OfficeDocuments, TswebConvertsThemInPlaceAndLeavesWhatItCannot) {
  ts::testing::guard([&] {
    const fs::path docs = dir_ / "docs";
    fs::create_directories(docs);
    const std::vector<std::pair<std::string, std::string>> letter{
        {".VnTime", carried(tcvn3(kText))}, {"Liberation Serif", kUnicode}};
    writer(docs / "letter.odt", "writer8", letter);
    writer(docs / "letter.docx", "MS Word 2007 XML", letter);
    writer(docs / "letter.doc", "MS Word 97", letter);
    writer(docs / "plain.odt", "writer8", {{"Liberation Serif", kUnicode}});
    writer(docs / "locked.odt", "writer8", letter, "secret");
    {
      const Object sheet = ts::testing::newDocument(office_->office(), "scalc");
      const Object cell =
          sheet.getObject("Sheets")
              .callObject("getByIndex", {Any(sal_Int32(0))})
              .callObject("getCellByPosition", {Any(sal_Int32(0)), Any(sal_Int32(0))});
      cell.call("setString", {text(carried(tcvn3(kText)))});
      cell.set("CharFontName", text(".VnTime"));
      store(sheet, docs / "sheet.xlsx", "Calc MS Excel 2007 XML");
    }
    {
      const Object slides = ts::testing::newDocument(office_->office(), "simpress");
      const Object page =
          slides.getObject("DrawPages").callObject("getByIndex", {Any(sal_Int32(0))});
      const Object shape =
          slides.callObject("createInstance", {text("com.sun.star.drawing.TextShape")});
      page.call("add", {shape.value()});
      shape.call("setString", {text(carried(tcvn3(kText)))});
      shape.set("CharFontName", text(".VnTime"));
      store(slides, docs / "slides.pptx", "Impress MS PowerPoint 2007 XML");
    }
    {
      // A comment in .VnTime (made without a view: this LibreOffice stops showing one).
      const Object doc = office_->office().service("com.sun.star.text.TextDocument");
      doc.call("initNew");
      const Object body = doc.getObject("Text");
      body.call("setString", {text(kUnicode)});
      const Object comment =
          doc.callObject("createInstance", {text("com.sun.star.text.TextField.Annotation")});
      const Object content = comment.getObject("TextRange");
      content.call("setString", {text(carried(tcvn3(kText)))});
      const Object all = content.callObject("createTextCursor");
      all.call("gotoEnd", {Any(true)});
      all.set("CharFontName", text(".VnTime"));
      body.call("insertTextContent",
                {body.callObject("createTextCursor").value(), comment.value(), Any(false)});
      store(doc, docs / "commented.odt", "writer8");
    }
    {
      // A Word 97 file with a frame: read with a view, it stays a frame.
      const Object doc = ts::testing::newDocument(office_->office(), "swriter");
      const Object body = doc.getObject("Text");
      const Object frame = doc.callObject("createInstance", {text("com.sun.star.text.TextFrame")});
      frame.call("setSize", {Any(css::awt::Size(4000, 2000))});
      body.call("insertTextContent",
                {body.callObject("createTextCursor").value(), frame.value(), Any(false)});
      const Object inside = frame.getObject("Text");
      inside.call("setString", {text(carried(tcvn3(kText)))});
      const Object all = inside.callObject("createTextCursor");
      all.call("gotoEnd", {Any(true)});
      all.set("CharFontName", text(".VnTime"));
      store(doc, docs / "framed.doc", "MS Word 97");
    }
    ts::testing::writeFile(docs / "broken.docx", "PK\3\4 this is no document");
    // The user's own office stays running beside tsweb's, with work not saved.
    const Object unsaved = ts::testing::newDocument(office_->office(), "swriter");
    unsaved.getObject("Text").call("setString", {text("bản nháp chưa lưu")});
    ASSERT_TRUE(unsaved.call("isModified").get<bool>());
    // And a legacy document of the batch open there, changed: the user's next save and the
    // conversion would overwrite each other.
    writer(docs / "open.odt", "writer8", letter);
    const Object open = office_->office().desktop().callObject(
        "loadComponentFromURL", {text(fileUrl((docs / "open.odt").string())), text("_blank"),
                                 Any(sal_Int32(0)), Any(properties({{"Hidden", Any(true)}}))});
    open.getObject("Text").call("setString", {text("đang sửa")});
    ASSERT_TRUE(fs::exists(docs / ".~lock.open.odt#"));
    std::map<std::string, std::string> before;
    for (const auto& e : fs::directory_iterator(docs))
      before[e.path().filename().string()] = ts::testing::readFile(e.path());

    setenv("TESSARO_ADDIN_DIR", ADDIN_DIR, 1);
    setenv("TESSARO_LIBTSLIB", TSLIB_PATH, 1);
    const auto r =
        ts::testing::runProgram(TSWEB_PATH, {"--from", "tcvn3", "--to", "39", docs.string()}, dir_);
    EXPECT_EQ(r.status, 1) << r.out << r.err;  // two documents could not be opened
    EXPECT_NE(r.out.find("Converted 7 files"), std::string::npos) << r.out;
    for (const char* left : {"broken.docx", "locked.odt"}) {
      // Both packages, read without an office.
      EXPECT_NE(r.err.find((docs / left).string() +
                           (std::string(left) == "broken.docx" ? ": not a package that can be read"
                                                               : ": protected by a password")),
                std::string::npos)
          << r.err;
      EXPECT_EQ(ts::testing::readFile(docs / left), before[left]) << left;
      EXPECT_FALSE(fs::exists(docs / (std::string(left) + ".bak"))) << left;
    }
    EXPECT_NE(r.err.find((docs / "plain.odt").string() + ": skipped: no legacy text"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(ts::testing::readFile(docs / "plain.odt"), before["plain.odt"]);
    EXPECT_FALSE(fs::exists(docs / "plain.odt.bak"));

    EXPECT_NE(r.err.find((docs / "open.odt").string() + ": skipped: open in LibreOffice by "),
              std::string::npos)
        << r.err;
    EXPECT_EQ(ts::testing::readFile(docs / "open.odt"), before["open.odt"]);
    EXPECT_FALSE(fs::exists(docs / "open.odt.bak"));
    EXPECT_TRUE(open.call("isModified").get<bool>());
    open.call("close", {Any(true)});
    // The user's office and its unsaved document are as they were.
    EXPECT_TRUE(unsaved.call("isModified").get<bool>());
    EXPECT_EQ(utf8(unsaved.getObject("Text").call("getString")), "bản nháp chưa lưu");
    unsaved.call("close", {Any(true)});

    {
      const Object doc = office_->office().desktop().callObject(
          "loadComponentFromURL", {text(fileUrl((docs / "framed.doc").string())), text("_blank"),
                                   Any(sal_Int32(0)), Any(properties({{"Hidden", Any(true)}}))});
      const Object frames = doc.getObject("TextFrames");
      ASSERT_EQ(frames.call("getCount").get<sal_Int32>(), 1);
      EXPECT_EQ(utf8(frames.callObject("getByIndex", {Any(sal_Int32(0))})
                         .getObject("Text")
                         .call("getString")),
                kText);
      doc.call("close", {Any(true)});
    }
    {  // The comment converted, the document's own text as it was.
      const Object doc = office_->office().service("com.sun.star.text.TextDocument");
      doc.call("load", {Any(properties({{"URL", text(fileUrl((docs / "commented.odt").string()))},
                                        {"FilterName", text("writer8")}}))});
      EXPECT_EQ(utf8(doc.getObject("Text").call("getString")), kUnicode);
      const Object fields = doc.getObject("TextFields").callObject("createEnumeration");
      ASSERT_TRUE(fields.call("hasMoreElements").get<bool>());
      const Object comment = office_->office().wrap(fields.call("nextElement"));
      EXPECT_EQ(ts::testing::runsOf(office_->office(), comment.getObject("TextRange")),
                (std::vector<ts::testing::TextRun>{{kText, "Times New Roman"}}));
      doc.call("close", {Any(true)});
    }
    // Each converted document in its own format, its legacy run now Unicode text in a
    // Unicode font, the Unicode run as it was; the original kept as its backup.
    for (const char* name : {"letter.odt", "letter.docx", "letter.doc"}) {
      EXPECT_EQ(ts::testing::readFile(docs / (std::string(name) + ".bak")), before[name]) << name;
      const auto paragraphs = paragraphsOf(docs / name);
      ASSERT_EQ(paragraphs.size(), 2u) << name;
      EXPECT_EQ(paragraphs[0].second, kText) << name;
      EXPECT_NE(paragraphs[0].first, ".VnTime") << name;
      // The Unicode run as the original reads (as its format gives it back).
      EXPECT_EQ(paragraphs[1], paragraphsOf(docs / (std::string(name) + ".bak"))[1]) << name;
      EXPECT_EQ(paragraphs[1].second, kUnicode) << name;
    }
    const Object sheet = office_->office().desktop().callObject(
        "loadComponentFromURL", {text(fileUrl((docs / "sheet.xlsx").string())), text("_blank"),
                                 Any(sal_Int32(0)), Any(properties({{"Hidden", Any(true)}}))});
    const Object cell =
        sheet.getObject("Sheets")
            .callObject("getByIndex", {Any(sal_Int32(0))})
            .callObject("getCellByPosition", {Any(sal_Int32(0)), Any(sal_Int32(0))});
    EXPECT_EQ(utf8(cell.call("getString")), kText);
    sheet.call("close", {Any(true)});
    const Object slides = office_->office().desktop().callObject(
        "loadComponentFromURL", {text(fileUrl((docs / "slides.pptx").string())), text("_blank"),
                                 Any(sal_Int32(0)), Any(properties({{"Hidden", Any(true)}}))});
    const Object slide =
        slides.getObject("DrawPages").callObject("getByIndex", {Any(sal_Int32(0))});
    std::vector<std::string> shapes;  // the slide's texts (its layout's placeholders too)
    for (sal_Int32 i = 0; i < slide.call("getCount").get<sal_Int32>(); ++i)
      shapes.push_back(utf8(slide.callObject("getByIndex", {Any(i)}).call("getString")));
    EXPECT_NE(std::find(shapes.begin(), shapes.end(), kText), shapes.end())
        << testing::PrintToString(shapes);
    slides.call("close", {Any(true)});
    // No temporary file is left.
    for (const auto& e : fs::directory_iterator(docs))
      EXPECT_EQ(e.path().string().find(".tshtm"), std::string::npos) << e.path();
  });
}

// A .docx written by hand, as Word writes one: runs in .VnTime (one bold), in VNI-Times, in
// a Unicode font, and in a font that names no charset.  With --from auto each legacy run is
// read in its own font's charset and the others are left (in the .docx, converted in its own
// XML, a run whose font says nothing is read where it reads clearly as legacy text); a named
// --from reads the runs whose font says nothing too.  Checked in the saved document.xml, run by run; the same
// document as LibreOffice saves it as .odt and .doc converted alike.
TEST_F(OfficeDocuments, EachRunOfAHandWrittenDocumentByItsFont) {
  ts::testing::guard([&] {
    auto tc = [](const std::string& t) { return carried(tcvn3(t)); };
    auto vni = [](const std::string& t) {
      TS_Code2Code(41, 29);
      std::string out(8 * t.size() + 1, '\0');
      out.resize(TS_Convert(t.c_str(), out.data()));
      return carried(out);
    };
    auto wordRun = [](const std::string& font, const std::string& content, bool bold = false) {
      return "<w:r><w:rPr><w:rFonts w:ascii=\"" + font + "\" w:hAnsi=\"" + font + "\"/>" +
             (bold ? "<w:b/>" : "") + "</w:rPr><w:t xml:space=\"preserve\">" +
             ts::testing::xmlText(content) + "</w:t></w:r>";
    };
    const std::string document =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
        "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
        "<w:body><w:p>" +
        wordRun(".VnTime", tc("Một & ")) + wordRun(".VnTime", tc("hai"), true) +
        wordRun(".VnTime", tc(" <ba>")) + "</w:p><w:p>" +
        wordRun("VNI-Times", vni("Tiếng Việt. ")) +
        wordRun("Times New Roman", "café naïve Tôi ", true) +
        wordRun("Liberation Serif", tc("Chưa rõ")) + "</w:p></w:body></w:document>";
    const fs::path docs = dir_ / "docs", named = dir_ / "named";
    fs::create_directories(docs);
    fs::create_directories(named);
    wordDocument(dir_, docs / "hand.docx", document);
    fs::copy_file(docs / "hand.docx", named / "hand.docx");
    // The office reads it as written.
    using W = WordRun;
    const std::vector<W> written{
        {tc("Một & "), ".VnTime"},          {tc("hai"), ".VnTime", true},
        {tc(" <ba>"), ".VnTime"},           {"\n", ""},
        {vni("Tiếng Việt. "), "VNI-Times"}, {"café naïve Tôi ", "Times New Roman", true},
        {tc("Chưa rõ"), "Liberation Serif"}};
    EXPECT_EQ(wordRuns(partOf(dir_, docs / "hand.docx", "word/document.xml")), written);
    // The same document as LibreOffice stores it in its own and in Word 97's format.
    {
      const Object doc = office_->office().desktop().callObject(
          "loadComponentFromURL", {text(fileUrl((docs / "hand.docx").string())), text("_blank"),
                                   Any(sal_Int32(0)), Any(properties({{"Hidden", Any(true)}}))});
      doc.call("storeToURL", {text(fileUrl((docs / "hand.odt").string())),
                              Any(properties({{"FilterName", text("writer8")}}))});
      doc.call("storeToURL", {text(fileUrl((docs / "hand.doc").string())),
                              Any(properties({{"FilterName", text("MS Word 97")}}))});
      doc.call("close", {Any(true)});
    }

    setenv("TESSARO_ADDIN_DIR", ADDIN_DIR, 1);
    setenv("TESSARO_LIBTSLIB", TSLIB_PATH, 1);
    auto r =
        ts::testing::runProgram(TSWEB_PATH, {"--from", "auto", "--to", "39", docs.string()}, dir_);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    const std::string tnr = "Times New Roman";
    std::vector<W> converted{{"Một & ", tnr},
                             {"hai", tnr, true},
                             {" <ba>", tnr},
                             {"\n", ""},
                             {"Tiếng Việt. ", tnr},
                             {"café naïve Tôi ", tnr, true},
                             {"Chưa rõ", "Liberation Serif"}};
    // The .docx, converted in its own XML: the run whose font says nothing reads clearly as
    // TCVN3, so --from auto converts it too (its font kept).
    EXPECT_EQ(wordRuns(partOf(dir_, docs / "hand.docx", "word/document.xml")), converted);
    // LibreOffice reads the converted package.
    const auto word = paragraphsOf(docs / "hand.docx");
    ASSERT_EQ(word.size(), 2u);
    EXPECT_EQ(word[0].second, "Một & hai <ba>");
    EXPECT_EQ(word[1].second, "Tiếng Việt. café naïve Tôi Chưa rõ");
    EXPECT_EQ(ts::testing::readFile(docs / "hand.docx.bak"),
              ts::testing::readFile(named / "hand.docx"));
    // The .odt holds the converted text, and no run of the legacy text is left.
    const std::string content = partOf(dir_, docs / "hand.odt", "content.xml");
    for (const char* t : {"Một &amp; ", "Tiếng Việt. ", "café naïve Tôi "})
      EXPECT_NE(content.find(t), std::string::npos) << t << "\n" << content;
    EXPECT_EQ(content.find(ts::testing::xmlText(tc("Một & "))), std::string::npos) << content;
    // The .doc's text, read back by the office, paragraph by paragraph.
    const auto doc = paragraphsOf(docs / "hand.doc");
    ASSERT_EQ(doc.size(), 2u);
    EXPECT_EQ(doc[0].second, "Một & hai <ba>");
    EXPECT_EQ(doc[1].second, "Tiếng Việt. café naïve Tôi " + tc("Chưa rõ"));

    // Named, the source is read for the run whose font says nothing (its font kept).
    r = ts::testing::runProgram(TSWEB_PATH, {"--from", "tcvn3", "--to", "39", named.string()},
                                dir_);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(wordRuns(partOf(dir_, named / "hand.docx", "word/document.xml")), converted);
  });
}

// The add-in in a .docx written by hand as Word writes one: a text box (the shape's text is
// a frame of its own), a drop-down content control (its shown text and its items), and a
// symbol (w:sym) in a run of text, which LibreOffice reads all in the symbol's font.  Each
// is converted, the symbol stays alone in its font, and one undo gives the text back.
TEST_F(OfficeDocuments, TheAddinReachesTextBoxesControlsAndTextBesideSymbols) {
  ts::testing::guard([&] {
    auto tc = [](const std::string& t) { return ts::testing::xmlText(carried(tcvn3(t))); };
    auto run = [](const std::string& content) {
      return "<w:r><w:rPr><w:rFonts w:ascii=\".VnTime\" w:hAnsi=\".VnTime\"/></w:rPr><w:t "
             "xml:space=\"preserve\">" + content + "</w:t></w:r>";
    };
    const std::string box =
        "<w:r><mc:AlternateContent><mc:Choice Requires=\"wps\"><w:drawing><wp:anchor "
        "simplePos=\"0\" relativeHeight=\"1\" behindDoc=\"0\" locked=\"0\" layoutInCell=\"1\" "
        "allowOverlap=\"1\"><wp:simplePos x=\"0\" y=\"0\"/><wp:positionH "
        "relativeFrom=\"column\"><wp:posOffset>0</wp:posOffset></wp:positionH><wp:positionV "
        "relativeFrom=\"paragraph\"><wp:posOffset>0</wp:posOffset></wp:positionV><wp:extent "
        "cx=\"1828800\" cy=\"914400\"/><wp:wrapNone/><wp:docPr id=\"1\" name=\"Text Box "
        "1\"/><a:graphic><a:graphicData "
        "uri=\"http://schemas.microsoft.com/office/word/2010/wordprocessingShape\"><wps:wsp><wps:"
        "cNvSpPr txBox=\"1\"/><wps:spPr><a:xfrm><a:off x=\"0\" y=\"0\"/><a:ext cx=\"1828800\" "
        "cy=\"914400\"/></a:xfrm><a:prstGeom "
        "prst=\"rect\"/></wps:spPr><wps:txbx><w:txbxContent><w:p>" +
        run(tc("Hộp chữ tiếng Việt")) +
        "</w:p></w:txbxContent></wps:txbx><wps:bodyPr/></wps:wsp></a:graphicData></a:graphic></"
        "wp:anchor></w:drawing></mc:Choice></mc:AlternateContent></w:r>";
    const std::string control =
        "<w:sdt><w:sdtPr><w:dropDownList><w:listItem w:displayText=\"" + tc("Một") +
        "\" w:value=\"1\"/><w:listItem w:displayText=\"" + tc("Hai") +
        "\" w:value=\"2\"/></w:dropDownList></w:sdtPr><w:sdtContent>" + run(tc("Một")) +
        "</w:sdtContent></w:sdt>";
    const std::string symbol =
        "<w:r><w:rPr><w:rFonts w:ascii=\".VnTime\" w:hAnsi=\".VnTime\"/></w:rPr><w:sym "
        "w:font=\"Symbol\" w:char=\"F0B7\"/><w:t xml:space=\"preserve\">" + tc(" sau ký hiệu") +
        "</w:t></w:r>";
    const std::string document =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<w:document "
        "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
        "xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\" "
        "xmlns:wp=\"http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing\" "
        "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" "
        "xmlns:wps=\"http://schemas.microsoft.com/office/word/2010/wordprocessingShape\" "
        "mc:Ignorable=\"wps\"><w:body><w:p>" + run(tc("Thân bài ")) + box + "</w:p><w:p>" +
        control + run(tc(" và")) + "</w:p><w:p>" + run(tc("Trước ")) + symbol +
        "</w:p></w:body></w:document>";
    wordDocument(dir_, dir_ / "word.docx", document);
    Office& o = office_->office();
    addExtension(o, std::string(ADDIN_DIR) + "/" + kExtensionFile);
    const Object doc = o.desktop().callObject(
        "loadComponentFromURL", {text(fileUrl((dir_ / "word.docx").string())), text("_blank"),
                                 Any(sal_Int32(0)), Any(properties({{"Hidden", Any(true)}}))});
    const std::string before = utf8(doc.getObject("Text").call("getString"));
    const std::string counts = utf8(ts::testing::runMacro(
        o, "tsConvertDocument",
        {doc.value(), Any(sal_Int32(15)), Any(sal_Int32(41)), Any(true), Any(false)}));
    EXPECT_EQ(counts.substr(counts.find(' ')), " 0") << counts;  // nothing left
    doc.call("storeToURL", {text(fileUrl((dir_ / "out.docx").string())),
                            Any(properties({{"FilterName", text("MS Word 2007 XML")}}))});
    const std::string xml = partOf(dir_, dir_ / "out.docx", "word/document.xml");
    for (const char* converted :
         {"<w:t>Hộp chữ tiếng Việt</w:t>", "w:displayText=\"Một\"", "w:displayText=\"Hai\"",
          "<w:t>Một</w:t>", ">Trước </w:t>"})
      EXPECT_NE(xml.find(converted), std::string::npos) << converted << "\n" << xml;
    // The text after the symbol is in a run of its own, in the font of the text before it.
    std::smatch m;
    ASSERT_TRUE(std::regex_search(xml, m, std::regex("<w:r>(?:(?!<w:r>).)*> sau ký hiệu</w:t>")))
        << xml;
    EXPECT_NE(m.str().find("w:ascii=\"Times New Roman\""), std::string::npos) << m.str();
    EXPECT_EQ(m.str().find("\uF0B7"), std::string::npos) << m.str();
    // One undo gives every text back (a content control's items stay converted).
    doc.getObject("UndoManager").call("undo");
    EXPECT_EQ(utf8(doc.getObject("Text").call("getString")), before);
    doc.call("close", {Any(true)});
  });
}

// An office that stops between documents (killed here; a document it fails on does the same)
// is started again for the next one, and the one it stopped on is said so.
TEST_F(OfficeDocuments, AnOfficeThatStopsIsStartedAgainForTheNextDocument) {
  ts::testing::guard([&] {
    const fs::path docs = dir_ / "docs";
    fs::create_directories(docs);
    for (const char* name : {"a.odt", "b.odt"})
      writer(docs / name, "writer8", {{".VnTime", carried(tcvn3(kText))}});
    office_->quit();
    const std::string pipes = "[t]essaro-batch-" + std::to_string(getpid()) + "-";
    auto officePids = [&] {
      const auto r = ts::testing::runProgram("/usr/bin/pgrep", {"-f", pipes}, dir_);
      return r.out;
    };
    {
      DocumentConverter converter(ADDIN_DIR, 15, 39,
                                  {std::string("TESSARO_LIBTSLIB=") + TSLIB_PATH});
      auto o = converter.convert((docs / "a.odt").string(), (docs / "a.out.odt").string());
      EXPECT_EQ(o.kind, DocumentOutcome::kConverted) << o.why;
      const std::string first = officePids();
      ASSERT_FALSE(first.empty());
      ASSERT_EQ(std::system(("pkill -KILL -f '" + pipes + "'").c_str()), 0);
      for (int i = 0; i < 100 && !officePids().empty(); ++i) usleep(100 * 1000);
      o = converter.convert((docs / "b.odt").string(), (docs / "b.out.odt").string());
      EXPECT_EQ(o.kind, DocumentOutcome::kConverted) << o.why;
      EXPECT_EQ(paragraphsOf(docs / "b.out.odt").front().second, kText);
      EXPECT_FALSE(officePids().empty());
      EXPECT_NE(officePids(), first);
    }
    EXPECT_EQ(officePids(), "");  // the new office quit with the converter
  });
}

TEST_F(OfficeDocuments, AKilledRunIsCompletedByTheNextAndLeavesNoOffice) {
  ts::testing::guard([&] {
    const fs::path docs = dir_ / "docs";
    fs::create_directories(docs);
    std::vector<std::pair<std::string, std::string>> paragraphs;
    for (int i = 0; i < 200; ++i) paragraphs.push_back({".VnTime", carried(tcvn3(kText))});
    // Word 97 files: they go through the office (the packages are converted without one).
    for (const char* name : {"a.doc", "b.doc", "c.doc"}) writer(docs / name, "MS Word 97", paragraphs);
    office_->quit();
    setenv("TESSARO_ADDIN_DIR", ADDIN_DIR, 1);
    setenv("TESSARO_LIBTSLIB", TSLIB_PATH, 1);
    long killed = 0;  // the killed run's pid: its office's pipe and its profile's owner say it
    {
      // Killed once its office is up: the documents are left as their backups.
      ts::testing::Program tsweb(TSWEB_PATH, {"--from", "tcvn3", "--to", "39", docs.string()},
                                 dir_);
      killed = tsweb.pid();
      auto up = [&] {
        return std::system(
                   ("pgrep -f '[t]essaro-batch-" + std::to_string(killed) + "-' > /dev/null")
                       .c_str()) == 0;
      };
      for (int i = 0; i < 300 && !up(); ++i) usleep(100 * 1000);
      ASSERT_TRUE(up()) << "tsweb's office did not start";
      tsweb.signal(SIGKILL);
      tsweb.wait();
    }

    const auto r =
        ts::testing::runProgram(TSWEB_PATH, {"--from", "tcvn3", "--to", "39", docs.string()}, dir_);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    for (const char* name : {"a.doc", "b.doc", "c.doc"}) {
      ASSERT_TRUE(fs::exists(docs / name)) << name;
      EXPECT_TRUE(fs::exists(docs / (std::string(name) + ".bak"))) << name;
      EXPECT_EQ(paragraphsOf(docs / name).front().second, kText) << name;
    }
    // The killed run's office and scratch profile are gone (the next run ends them).
    EXPECT_NE(
        std::system(
            ("pgrep -f '[t]essaro-batch-" + std::to_string(killed) + "-' > /dev/null").c_str()),
        0);
    for (const auto& e : fs::directory_iterator("/tmp")) {
      std::ifstream owner(e.path() / "owner");
      long pid = 0;
      if (e.path().filename().string().rfind("tessaro-office.", 0) == 0 && owner >> pid) {
        EXPECT_NE(pid, killed) << e.path();
      }
    }
  });
}

}  // namespace
