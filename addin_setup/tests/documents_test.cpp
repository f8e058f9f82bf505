// tsweb converting office documents in place through a LibreOffice of its own: documents the
// office makes (Writer as .odt, .docx and .doc, Calc as .xlsx), one with no legacy text, a
// damaged one and one protected by a password.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>

#include "ts/db/wide.hpp"
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
    ts::testing::writeFile(docs / "broken.docx", "PK\3\4 this is no document");
    // The user's own office stays running beside tsweb's, with work not saved.
    const Object unsaved = ts::testing::newDocument(office_->office(), "swriter");
    unsaved.getObject("Text").call("setString", {text("bản nháp chưa lưu")});
    ASSERT_TRUE(unsaved.call("isModified").get<bool>());
    std::map<std::string, std::string> before;
    for (const auto& e : fs::directory_iterator(docs))
      before[e.path().filename().string()] = ts::testing::readFile(e.path());

    setenv("TESSARO_ADDIN_DIR", ADDIN_DIR, 1);
    setenv("TESSARO_LIBTSLIB", TSLIB_PATH, 1);
    const auto r =
        ts::testing::runProgram(TSWEB_PATH, {"--from", "tcvn3", "--to", "39", docs.string()}, dir_);
    EXPECT_EQ(r.status, 1) << r.out << r.err;  // two documents could not be opened
    EXPECT_NE(r.out.find("Đã chuyển mã xong 5 file"), std::string::npos) << r.out;
    for (const char* left : {"broken.docx", "locked.odt"}) {
      EXPECT_NE(r.err.find((docs / left).string() + ": LibreOffice cannot open it"),
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

    // The user's office and its unsaved document are as they were.
    EXPECT_TRUE(unsaved.call("isModified").get<bool>());
    EXPECT_EQ(utf8(unsaved.getObject("Text").call("getString")), "bản nháp chưa lưu");
    unsaved.call("close", {Any(true)});

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

TEST_F(OfficeDocuments, AKilledRunIsCompletedByTheNextAndLeavesNoOffice) {
  ts::testing::guard([&] {
    const fs::path docs = dir_ / "docs";
    fs::create_directories(docs);
    std::vector<std::pair<std::string, std::string>> paragraphs;
    for (int i = 0; i < 200; ++i) paragraphs.push_back({".VnTime", carried(tcvn3(kText))});
    for (const char* name : {"a.odt", "b.odt", "c.odt"}) writer(docs / name, "writer8", paragraphs);
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
    for (const char* name : {"a.odt", "b.odt", "c.odt"}) {
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
