// The add-in's macros in a real headless LibreOffice: converting Writer, Calc and Impress
// documents run by run, the fonts mapped, capitals fonts written in capitals, one undo step;
// case changes in the charset of each run's font.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <tuple>

#include <com/sun/star/awt/FontSlant.hpp>
#include <com/sun/star/awt/Rectangle.hpp>
#include <com/sun/star/table/CellRangeAddress.hpp>
#include <com/sun/star/text/TextContentAnchorType.hpp>
#include <rtl/ustrbuf.hxx>

#include "ts/db/wide.hpp"
#include "ts/office/addin.hpp"
#include "ts/testing/office.hpp"
#include "ts/testing/process.hpp"
#include "ts/testing/scratch.hpp"
#include "tslib.h"

namespace {

using namespace ts::office;
using ts::testing::runsOf;
using ts::testing::TextRun;

std::string carried(const std::string& bytes) {
  std::u16string s;
  for (const unsigned char b : bytes) s += ts::db::WideValues::carrierChar(b);
  return utf8(rtl::OUString(reinterpret_cast<const sal_Unicode*>(s.data()),
                            static_cast<sal_Int32>(s.size())));
}

std::string convert(const std::string& text, int from, int to) {
  TS_Code2Code(from, to);
  std::string out(8 * text.size() + 1, '\0');
  out.resize(TS_Convert(text.c_str(), out.data()));
  return out;
}

std::string unicodeUpper(const std::string& text) {
  const rtl::OUString u = ou(text);
  rtl::OUStringBuffer up;
  for (sal_Int32 i = 0; i < u.getLength(); ++i)
    up.append(static_cast<sal_Unicode>(TS_upperUniChar(u[i])));
  return utf8(up.makeStringAndClear());
}

std::string legacyCase(std::string bytes, int code, bool upper) {
  TS_defaultCode(code);
  upper ? TS_upperStr(bytes.data()) : TS_lowerStr(bytes.data());
  return bytes;
}

// Appends a run of `content` to a text at its cursor, with the properties given.
void appendRun(const Object& text, const Object& cursor, const std::string& content,
               std::initializer_list<std::pair<const char*, Any>> props) {
  text.call("insertString", {cursor.value(), ts::office::text(content), Any(false)});
  cursor.call("goLeft", {Any(static_cast<sal_Int16>(ou(content).getLength())), Any(true)});
  for (const auto& [name, value] : props) cursor.set(name, value);
  cursor.call("collapseToEnd");
}

Any weight(bool bold) { return Any(bold ? 150.0f : 100.0f); }

// Appends a paragraph of `text` in `font` to a text at its cursor.
void paragraph(const Object& text, const Object& cursor, const std::string& font,
               const std::string& content, bool last = false) {
  text.call("insertString", {cursor.value(), ts::office::text(content), Any(false)});
  cursor.call("gotoStartOfParagraph", {Any(true)});
  cursor.set("CharFontName", ts::office::text(font));
  cursor.call("gotoEndOfParagraph", {Any(false)});
  if (!last) text.call("insertControlCharacter", {cursor.value(), Any(sal_Int16(0)), Any(false)});
}

class AddinMacros : public ts::testing::ScratchTest {
 protected:
  void SetUp() override {
    ScratchTest::SetUp();
    office_ = std::make_unique<ts::testing::ScratchOffice>(dir_, TSLIB_PATH);
    addExtension(office_->office(), std::string(ADDIN_DIR) + "/" + kExtensionFile);
    ASSERT_TRUE(extensionRegistered(office_->office()));
  }
  void TearDown() override {
    office_.reset();
    ScratchTest::TearDown();
  }
  std::string run(const char* macro, std::initializer_list<Any> args) {
    return utf8(ts::testing::runMacro(office_->office(), macro, args));
  }
  std::unique_ptr<ts::testing::ScratchOffice> office_;
};

const std::string kText = "Chào các bạn, đây là tiếng Việt có dấu: ỹ ữ ặ Đ.";
const std::string kTitle = "tiêu đề viết hoa";
const std::string kUnicode = "Văn bản Unicode sẵn có";

TEST_F(AddinMacros, ConvertingAWriterDocumentMapsEveryRunAndUndoesInOneStep) {
  ts::testing::guard([&] {
    Office& o = office_->office();
    const std::string tcvn = convert(kText, 41, 15), tcvnTitle = convert(kTitle, 41, 15);
    const Object doc = ts::testing::newDocument(o, "swriter");
    const Object body = doc.getObject("Text");
    const Object cursor = body.callObject("createTextCursor");
    paragraph(body, cursor, ".VnTime", carried(tcvn));
    paragraph(body, cursor, ".VnTimeH", carried(tcvnTitle));
    paragraph(body, cursor, "Times New Roman", kUnicode);
    // A table cell and the header hold text too.
    const Object table = doc.callObject("createInstance", {text("com.sun.star.text.TextTable")});
    table.call("initialize", {Any(sal_Int32(1)), Any(sal_Int32(2))});
    body.call("insertTextContent", {cursor.value(), table.value(), Any(false)});
    const Object cell = table.callObject("getCellByName", {text("B1")});
    paragraph(cell, cell.callObject("createTextCursor"), ".VnTime", carried(tcvn), true);
    const Object style = doc.getObject("StyleFamilies")
                             .callObject("getByName", {text("PageStyles")})
                             .callObject("getByName", {text("Standard")});
    style.set("HeaderIsOn", Any(true));
    const Object header = style.getObject("HeaderText");
    paragraph(header, header.callObject("createTextCursor"), ".VnTimeH", carried(tcvnTitle), true);
    const auto bodyBefore = runsOf(o, body);
    const auto headerBefore = runsOf(o, header);

    EXPECT_EQ(run("tsConvertDocument",
                  {doc.value(), Any(sal_Int32(15)), Any(sal_Int32(41)), Any(true), Any(false)}),
              "4 1");  // four runs converted, the Unicode one left as it was
    const std::string unicode = convert(tcvn, 15, 41);
    ASSERT_EQ(unicode, kText);  // the library's own reading
    const auto bodyAfter = runsOf(o, body);
    ASSERT_GE(bodyAfter.size(), 5u);
    EXPECT_EQ(bodyAfter[0], (TextRun{unicode, "Times New Roman"}));
    EXPECT_EQ(bodyAfter[2], (TextRun{unicodeUpper(convert(tcvnTitle, 15, 41)), "Times New Roman"}));
    EXPECT_EQ(bodyAfter[2].text, "TIÊU ĐỀ VIẾT HOA");
    EXPECT_EQ(bodyAfter[4], (TextRun{kUnicode, "Times New Roman"}));
    EXPECT_EQ(runsOf(o, cell), (std::vector<TextRun>{{unicode, "Times New Roman"}}));
    EXPECT_EQ(runsOf(o, header), (std::vector<TextRun>{{"TIÊU ĐỀ VIẾT HOA", "Times New Roman"}}));

    // One undo takes all of it back.
    doc.getObject("UndoManager").call("undo");
    EXPECT_EQ(runsOf(o, body), bodyBefore);
    EXPECT_EQ(runsOf(o, header), headerBefore);
    EXPECT_EQ(runsOf(o, cell), (std::vector<TextRun>{{carried(tcvn), ".VnTime"}}));
    doc.call("close", {Any(true)});

    // VNI text in "VNI-Times".
    const std::string vni = convert(kText, 41, 29);
    const Object vdoc = ts::testing::newDocument(o, "swriter");
    const Object vbody = vdoc.getObject("Text");
    paragraph(vbody, vbody.callObject("createTextCursor"), "VNI-Times", carried(vni), true);
    EXPECT_EQ(run("tsConvertDocument",
                  {vdoc.value(), Any(sal_Int32(29)), Any(sal_Int32(41)), Any(true), Any(false)}),
              "1 0");
    EXPECT_EQ(runsOf(o, vbody), (std::vector<TextRun>{{convert(vni, 29, 41), "Times New Roman"}}));
    // Back to TCVN3, fonts mapped to the TCVN3 family.
    EXPECT_EQ(run("tsConvertDocument",
                  {vdoc.value(), Any(sal_Int32(41)), Any(sal_Int32(15)), Any(true), Any(false)}),
              "1 0");
    EXPECT_EQ(runsOf(o, vbody), (std::vector<TextRun>{{carried(tcvn), ".VnTime"}}));
    vdoc.call("close", {Any(true)});
  });
}

// Each run's font decides its charset, and each run keeps its own attributes: TCVN3 and VNI
// runs in one pass, Unicode runs untouched, runs in fonts that say nothing only with "all
// text", bold and italic where they were.
TEST_F(AddinMacros, EachRunByItsFontKeepingItsAttributes) {
  ts::testing::guard([&] {
    Office& o = office_->office();
    const Object doc = ts::testing::newDocument(o, "swriter");
    const Object body = doc.getObject("Text");
    const Object cursor = body.callObject("createTextCursor");
    // "Một **hai** ba" in .VnTime, the bold run in the middle; then "**Đầu đậm** thường".
    auto put = [&](const std::string& font, const std::string& content, bool bold, bool italic) {
      appendRun(
          body, cursor, content,
          {{"CharFontName", text(font)},
           {"CharWeight", weight(bold)},
           {"CharPosture", Any(italic ? css::awt::FontSlant_ITALIC : css::awt::FontSlant_NONE)}});
    };
    auto tc = [](const std::string& t) { return carried(convert(t, 41, 15)); };
    auto vn = [](const std::string& t) { return carried(convert(t, 41, 29)); };
    put(".VnTime", tc("Một "), false, false);
    put(".VnTime", tc("hai"), true, false);
    put(".VnTime", tc(" ba"), false, true);
    body.call("insertControlCharacter", {cursor.value(), Any(sal_Int16(0)), Any(false)});
    put(".VnTime", tc("Đầu đậm"), true, false);
    put("VNI-Times", vn(" thường"), false, false);
    body.call("insertControlCharacter", {cursor.value(), Any(sal_Int16(0)), Any(false)});
    put("Times New Roman", "Tôi và bà, café naïve", false, false);
    body.call("insertControlCharacter", {cursor.value(), Any(sal_Int16(0)), Any(false)});
    // Paragraphs in one legacy font, a run of each holding Unicode letters no TCVN3 byte
    // stands for: after a converted run, and before any.
    put(".VnTime", tc("Một "), false, false);
    put(".VnTime", "chữ thật", true, false);
    put(".VnTime", tc(" ba"), false, false);
    body.call("insertControlCharacter", {cursor.value(), Any(sal_Int16(0)), Any(false)});
    put(".VnTime", "chữ thật", false, false);
    put(".VnTime", tc(" hai"), true, false);
    body.call("insertControlCharacter", {cursor.value(), Any(sal_Int16(0)), Any(false)});
    put("Liberation Serif", tc("Chưa rõ"), false, false);
    body.call("insertControlCharacter", {cursor.value(), Any(sal_Int16(0)), Any(false)});
    // Unicode in fonts that name no charset, as every modern document holds it: left even
    // with "all text", however many of its letters a TCVN3 byte could stand for.
    put("Calibri", "Tôi là sinh viên, café", false, false);
    put("DejaVu Sans", " Hà Nội", false, false);
    const auto original = runsOf(o, body);

    using R = TextRun;
    const std::string tnr = "Times New Roman";
    const std::vector<R> unicodeRuns{{"Một ", tnr},
                                     {"hai", tnr, true},
                                     {" ba", tnr, false, true},
                                     {"\n", ""},
                                     {"Đầu đậm", tnr, true},
                                     {" thường", tnr},
                                     {"\n", ""},
                                     {"Tôi và bà, café naïve", tnr},
                                     {"\n", ""},
                                     {"Một ", tnr},
                                     {"chữ thật", ".VnTime", true},
                                     {" ba", tnr},
                                     {"\n", ""},
                                     {"chữ thật", ".VnTime"},
                                     {" hai", tnr, true},
                                     {"\n", ""}};
    auto expected = unicodeRuns;
    expected.push_back({tc("Chưa rõ"), "Liberation Serif"});  // its font says nothing
    expected.push_back({"\n", ""});
    expected.push_back({"Tôi là sinh viên, café", "Calibri"});
    expected.push_back({" Hà Nội", "DejaVu Sans"});
    EXPECT_EQ(run("tsConvertDocument",
                  {doc.value(), Any(sal_Int32(15)), Any(sal_Int32(41)), Any(true), Any(false)}),
              "8 6");
    EXPECT_EQ(runsOf(o, body), expected);
    doc.getObject("UndoManager").call("undo");
    EXPECT_EQ(runsOf(o, body), original);
    // With "all text", the run whose font says nothing is read as the source.
    EXPECT_EQ(run("tsConvertDocument", {doc.value(), Any(sal_Int32(15)), Any(sal_Int32(41)),
                                        Any(true), Any(false), Any(true)}),
              "9 5");
    expected[expected.size() - 4] = {"Chưa rõ", "Liberation Serif"};
    EXPECT_EQ(runsOf(o, body), expected);
    doc.call("close", {Any(true)});
  });
}

struct LinkedRun {
  std::string text, url;
  bool bold;
  bool operator==(const LinkedRun&) const = default;
};
std::ostream& operator<<(std::ostream& out, const LinkedRun& r) {
  return out << "{\"" << r.text << "\" " << r.url << (r.bold ? " bold}" : "}");
}

// A run's new text takes every attribute of the run, a hyperlink too, whatever part of
// the run changes (its middle, its end, its start, all of it), and its neighbours stay as
// they were: runs after a field, and after characters taking two UTF-16 units, land where
// they belong.  One undo takes it all back.
TEST_F(AddinMacros, ChangedRunsKeepTheirHyperlinksAndNeighbours) {
  ts::testing::guard([&] {
    Office& o = office_->office();
    const Object doc = ts::testing::newDocument(o, "swriter");
    const Object body = doc.getObject("Text");
    const Object cursor = body.callObject("createTextCursor");
    const std::string url = "https://example.org/";
    auto put = [&](const std::string& font, const std::string& content, bool link,
                   bool bold = false) {
      appendRun(body, cursor, content,
                {{"CharFontName", text(font)},
                 {"HyperLinkURL", text(link ? url : "")},
                 {"CharWeight", weight(bold)}});
    };
    auto tc = [](const std::string& t) { return carried(convert(t, 41, 15)); };
    auto breakParagraph = [&] {
      body.call("insertControlCharacter", {cursor.value(), Any(sal_Int16(0)), Any(false)});
    };
    // The linked run changes in its middle; at its end; at its start; at both ends.
    const std::vector<std::string> linked{"Trang chủ ", "Trang chủ", "đầu trang", "Đề"};
    for (const auto& l : linked) {
      put(".VnTime", tc("Xem "), false);
      put(".VnTime", tc(l), true);
      put(".VnTime", tc(" nhé"), false, true);
      breakParagraph();
    }
    // A field between two runs.
    put(".VnTime", tc("Một "), false);
    const Object field =
        doc.callObject("createInstance", {text("com.sun.star.text.TextField.PageNumber")});
    body.call("insertTextContent", {cursor.value(), field.value(), Any(false)});
    put(".VnTime", tc(" hai"), false, true);
    breakParagraph();
    // Unicode text with an emoji, written in VNI: the bold run after it keeps its place.
    const std::string emoji = "Cười 😀 nhé ";
    put("Times New Roman", emoji, false);
    put("Times New Roman", "Đậm", false, true);

    // The runs as text, link and weight, paragraph by paragraph.
    using Run = LinkedRun;
    auto runs = [&] {
      std::vector<std::vector<Run>> out;
      const Object pars = body.callObject("createEnumeration");
      while (pars.call("hasMoreElements").get<bool>()) {
        const Object par = o.wrap(pars.call("nextElement"));
        out.emplace_back();
        const Object portions = par.callObject("createEnumeration");
        while (portions.call("hasMoreElements").get<bool>()) {
          const Object p = o.wrap(portions.call("nextElement"));
          if (utf8(p.get("TextPortionType")) != "Text") continue;
          float weight = 0;
          p.get("CharWeight") >>= weight;
          out.back().push_back(
              {utf8(p.call("getString")), utf8(p.get("HyperLinkURL")), weight > 100.0f});
        }
      }
      return out;
    };
    const auto before = runs();
    ASSERT_EQ(before.size(), 6u);

    EXPECT_EQ(run("tsConvertDocument",
                  {doc.value(), Any(sal_Int32(15)), Any(sal_Int32(29)), Any(true), Any(false)}),
              "14 2");
    auto vni = [](const std::string& t) { return carried(convert(t, 41, 29)); };
    const auto after = runs();
    ASSERT_EQ(after.size(), 6u);
    for (std::size_t i = 0; i < linked.size(); ++i)
      EXPECT_EQ(after[i], (std::vector<Run>{{vni("Xem "), "", false},
                                            {vni(linked[i]), url, false},
                                            {vni(" nhé"), "", true}}))
          << linked[i];
    EXPECT_EQ(after[4], (std::vector<Run>{{vni("Một "), "", false}, {vni(" hai"), "", true}}));
    // The Unicode runs are left: the source is TCVN3.
    EXPECT_EQ(after[5], (std::vector<Run>{{emoji, "", false}, {"Đậm", "", true}}));

    // From Unicode to VNI, the emoji's run and the one after it.
    EXPECT_EQ(run("tsConvertDocument",
                  {doc.value(), Any(sal_Int32(41)), Any(sal_Int32(29)), Any(true), Any(false)}),
              "2 14");
    EXPECT_EQ(runs()[5], (std::vector<Run>{{carried(convert(emoji, 41, 29)), "", false},
                                           {vni("Đậm"), "", true}}));

    doc.getObject("UndoManager").call("undo");
    doc.getObject("UndoManager").call("undo");
    EXPECT_EQ(runs(), before);
    doc.call("close", {Any(true)});
  });
}

// Every text of a document: footnotes, endnotes, text boxes and input, drop-down and
// placeholder fields in Writer; comments,
// shapes, page headers and string literals in formulas in Calc; notes and master pages in
// Impress; each converted and undone in one step.
TEST_F(AddinMacros, EveryTextOfTheDocument) {
  ts::testing::guard([&] {
    Office& o = office_->office();
    const std::string tcvn = carried(convert(kText, 41, 15));
    auto setFont = [](const Object& t) {
      const Object c = t.callObject("createTextCursor");
      c.call("gotoEnd", {Any(true)});
      c.set("CharFontName", text(".VnTime"));
    };
    auto fill = [&](const Object& t) {
      t.call("setString", {text(tcvn)});
      setFont(t);
    };
    auto textOf = [](const Object& t) { return utf8(t.call("getString")); };

    // Writer.
    const Object doc = ts::testing::newDocument(o, "swriter");
    const Object body = doc.getObject("Text");
    const Object cursor = body.callObject("createTextCursor");
    const Object footnote = doc.callObject("createInstance", {text("com.sun.star.text.Footnote")});
    body.call("insertTextContent", {cursor.value(), footnote.value(), Any(false)});
    fill(footnote);
    const Object endnote = doc.callObject("createInstance", {text("com.sun.star.text.Endnote")});
    body.call("insertTextContent", {cursor.value(), endnote.value(), Any(false)});
    fill(endnote);
    const Object box = doc.callObject("createInstance", {text("com.sun.star.drawing.TextShape")});
    box.set("AnchorType", Any(css::text::TextContentAnchorType_AT_PARAGRAPH));
    body.call("insertTextContent", {cursor.value(), box.value(), Any(false)});
    fill(box);
    // An input field and a drop-down field shown in .VnTime.
    const std::string tcvnItem = carried(convert("Hà Nội", 41, 15));
    const Object input =
        doc.callObject("createInstance", {text("com.sun.star.text.TextField.Input")});
    input.set("Content", text(tcvn));
    input.set("Hint", text(tcvnItem));
    const Object list =
        doc.callObject("createInstance", {text("com.sun.star.text.TextField.DropDown")});
    const rtl::OUString itemList[] = {ou(tcvnItem), ou("Huế")};
    const css::uno::Sequence<rtl::OUString> items(itemList, 2);
    list.set("Items", Any(items));
    list.set("SelectedItem", text(tcvnItem));
    for (const Object* f : {&input, &list}) {
      body.call("insertTextContent", {cursor.value(), f->value(), Any(false)});
      cursor.call("goLeft", {Any(sal_Int16(1)), Any(true)});
      cursor.set("CharFontName", text(".VnTime"));
      cursor.call("collapseToEnd");
    }
    EXPECT_EQ(run("tsConvertDocument",
                  {doc.value(), Any(sal_Int32(15)), Any(sal_Int32(41)), Any(true), Any(false)}),
              "5 0");
    for (const Object* t : {&footnote, &endnote, &box}) EXPECT_EQ(textOf(*t), kText);
    EXPECT_EQ(utf8(input.get("Content")), kText);
    EXPECT_EQ(utf8(input.get("Hint")), "Hà Nội");
    EXPECT_EQ(utf8(input.callObject("getAnchor").get("CharFontName")), "Times New Roman");
    css::uno::Sequence<rtl::OUString> after;
    list.get("Items") >>= after;
    ASSERT_EQ(after.getLength(), 2);
    EXPECT_EQ(utf8(Any(after[0])), "Hà Nội");
    EXPECT_EQ(utf8(Any(after[1])), "Huế");  // as it was: TCVN3 has no such letter
    EXPECT_EQ(utf8(list.get("SelectedItem")), "Hà Nội");
    doc.getObject("UndoManager").call("undo");
    EXPECT_EQ(textOf(footnote), tcvn);
    EXPECT_EQ(textOf(box), tcvn);
    EXPECT_EQ(utf8(input.get("Content")), tcvn);
    EXPECT_EQ(utf8(list.get("SelectedItem")), tcvnItem);
    doc.call("close", {Any(true)});

    // Calc.
    const Object book = ts::testing::newDocument(o, "scalc");
    const Object sheet = book.getObject("Sheets").callObject("getByIndex", {Any(sal_Int32(0))});
    auto cell = [&](int c, int r) {
      return sheet.callObject("getCellByPosition", {Any(sal_Int32(c)), Any(sal_Int32(r))});
    };
    const Object withFormula = cell(0, 0);
    withFormula.call("setFormula", {text("=\"" + tcvn + "\"&\" \"&1")});
    withFormula.set("CharFontName", text(".VnTime"));
    const Object commented = cell(1, 1);
    commented.call("setString", {text("x")});
    sheet.getObject("Annotations").call("insertNew", {commented.get("CellAddress"), text(tcvn)});
    const Object comment = commented.getObject("Annotation").getObject("AnnotationShape");
    setFont(comment);
    const Object sheetShape =
        book.callObject("createInstance", {text("com.sun.star.drawing.TextShape")});
    sheet.getObject("DrawPage").call("add", {sheetShape.value()});
    fill(sheetShape);
    const Object style = book.getObject("StyleFamilies")
                             .callObject("getByName", {text("PageStyles")})
                             .callObject("getByName", {text("Default")});
    // The content is a copy (kept alive while its texts are used) written back whole.
    const Any headerValue = style.get("RightPageHeaderContent");
    const Object header = o.wrap(headerValue);
    fill(header.getObject("CenterText"));
    style.set("RightPageHeaderContent", headerValue);
    // A chart whose title and axis title are in .VnTime.
    cell(3, 0).call("setValue", {Any(1.0)});
    cell(3, 1).call("setValue", {Any(2.0)});
    const css::table::CellRangeAddress range(0, 3, 0, 3, 1);
    sheet.getObject("Charts").call(
        "addNewByName",
        {text("C"), Any(css::awt::Rectangle(0, 0, 8000, 6000)),
         Any(css::uno::Sequence<css::table::CellRangeAddress>(&range, 1)), Any(false), Any(false)});
    const Object chart =
        sheet.getObject("Charts").callObject("getByName", {text("C")}).getObject("EmbeddedObject");
    chart.set("HasMainTitle", Any(true));
    const Object chartTitle = chart.getObject("Title");
    const std::string tcvnTitle = carried(convert("Sản lượng", 41, 15));
    chartTitle.set("String", text(tcvnTitle));
    chartTitle.set("CharFontName", text(".VnTime"));
    const Object diagram = chart.getObject("Diagram");
    diagram.set("HasXAxisTitle", Any(true));
    const Object axisTitle = diagram.getObject("XAxisTitle");
    const std::string tcvnAxis = carried(convert("Năm", 41, 15));
    axisTitle.set("String", text(tcvnAxis));
    axisTitle.set("CharFontName", text(".VnTime"));
    run("tsConvertDocument",
        {book.value(), Any(sal_Int32(15)), Any(sal_Int32(41)), Any(true), Any(false)});
    EXPECT_EQ(utf8(withFormula.call("getFormula")), "=\"" + kText + "\"&\" \"&1");
    EXPECT_EQ(textOf(comment), kText);
    EXPECT_EQ(textOf(sheetShape), kText);
    const Object headerAfter = style.getObject("RightPageHeaderContent");
    EXPECT_EQ(textOf(headerAfter.getObject("CenterText")), kText);
    EXPECT_EQ(utf8(chartTitle.get("String")), "Sản lượng");
    EXPECT_EQ(utf8(chartTitle.get("CharFontName")), "Times New Roman");
    EXPECT_EQ(utf8(axisTitle.get("String")), "Năm");
    {  // and so it is stored
      const std::string url = fileUrl((dir_ / "book.ods").string());
      book.call("storeToURL", {text(url), Any(properties({{"FilterName", text("calc8")}}))});
      const Object stored = o.desktop().callObject(
          "loadComponentFromURL",
          {text(url), text("_blank"), Any(sal_Int32(0)), Any(properties({{"Hidden", Any(true)}}))});
      const Object storedChart = stored.getObject("Sheets")
                                     .callObject("getByIndex", {Any(sal_Int32(0))})
                                     .getObject("Charts")
                                     .callObject("getByName", {text("C")})
                                     .getObject("EmbeddedObject");
      EXPECT_EQ(utf8(storedChart.getObject("Title").get("String")), "Sản lượng");
      stored.call("close", {Any(true)});
    }
    book.getObject("UndoManager").call("undo");
    EXPECT_EQ(utf8(withFormula.call("getFormula")), "=\"" + tcvn + "\"&\" \"&1");
    EXPECT_EQ(textOf(sheetShape), tcvn);
    EXPECT_EQ(utf8(chartTitle.get("String")), tcvnTitle);
    EXPECT_EQ(utf8(chartTitle.get("CharFontName")), ".VnTime");
    EXPECT_EQ(utf8(axisTitle.get("String")), tcvnAxis);
    EXPECT_EQ(textOf(style.getObject("RightPageHeaderContent").getObject("CenterText")), tcvn);
    book.call("close", {Any(true)});

    // Impress: the notes of a slide and a text box on the master page.
    const Object slides = ts::testing::newDocument(o, "simpress");
    const Object slide =
        slides.getObject("DrawPages").callObject("getByIndex", {Any(sal_Int32(0))});
    const Object notesPage = slide.getObject("NotesPage");
    const Object notes =
        slides.callObject("createInstance", {text("com.sun.star.drawing.TextShape")});
    notesPage.call("add", {notes.value()});
    fill(notes);
    const Object master =
        slides.getObject("MasterPages").callObject("getByIndex", {Any(sal_Int32(0))});
    const Object footer =
        slides.callObject("createInstance", {text("com.sun.star.drawing.TextShape")});
    master.call("add", {footer.value()});
    fill(footer);
    EXPECT_EQ(run("tsConvertDocument",
                  {slides.value(), Any(sal_Int32(15)), Any(sal_Int32(41)), Any(true), Any(false)}),
              "2 0");
    EXPECT_EQ(textOf(notes), kText);
    EXPECT_EQ(textOf(footer), kText);
    slides.getObject("UndoManager").call("undo");
    EXPECT_EQ(textOf(notes), tcvn);
    EXPECT_EQ(textOf(footer), tcvn);
    slides.call("close", {Any(true)});
  });
}

// Writer's comments: each converted run by run (its font, weight and paragraphs kept), with
// its author, initials and the text it marks; a comment in a Unicode font is left as it is.
// The document has no view: this LibreOffice, without the files of its windows, stops when
// it shows a comment.
// With Track Changes on, a conversion records no revision (each converted run would be a
// deletion and an insertion), and recording is on again afterwards.
TEST_F(AddinMacros, AConversionRecordsNoRevisions) {
  ts::testing::guard([&] {
    Office& o = office_->office();
    const Object doc = ts::testing::newDocument(o, "swriter");
    const Object body = doc.getObject("Text");
    const Object cursor = body.callObject("createTextCursor");
    const std::string tc = carried(convert("Một hai ba", 41, 15));
    appendRun(body, cursor, tc, {{"CharFontName", text(".VnTime")}});
    doc.set("RecordChanges", Any(true));
    EXPECT_EQ(run("tsConvertDocument",
                  {doc.value(), Any(sal_Int32(15)), Any(sal_Int32(41)), Any(true), Any(false)}),
              "1 0");
    EXPECT_EQ(utf8(body.call("getString")), "Một hai ba");
    EXPECT_EQ(doc.getObject("Redlines").call("getCount").get<sal_Int32>(), 0);
    EXPECT_TRUE(doc.get("RecordChanges").get<bool>());
    doc.call("close", {Any(true)});
  });
}

// A tracked deletion's and insertion's converted text stays inside its change, whole: the
// conversion records no revision of its own, and accepting or rejecting the changes takes
// each word whole.
TEST_F(AddinMacros, TrackedChangesKeepTheirConvertedTextWhole) {
  ts::testing::guard([&] {
    Office& o = office_->office();
    const Object doc = ts::testing::newDocument(o, "swriter");
    const Object body = doc.getObject("Text");
    const Object cursor = body.callObject("createTextCursor");
    appendRun(body, cursor, carried(convert("Trước chữ bị xóa sau", 41, 15)),
              {{"CharFontName", text(".VnTime")}});
    doc.set("RecordChanges", Any(true));
    const Object gone = body.callObject("createTextCursor");
    gone.call("goRight", {Any(sal_Int16(6)), Any(false)});
    gone.call("goRight", {Any(sal_Int16(10)), Any(true)});  // "chữ bị xóa"
    gone.call("setString", {text("")});
    gone.call("gotoEnd", {Any(false)});
    body.call("insertString", {gone.value(), text(carried(convert(" thêm chữ", 41, 15))), Any(false)});
    EXPECT_EQ(run("tsConvertDocument",
                  {doc.value(), Any(sal_Int32(15)), Any(sal_Int32(41)), Any(true), Any(false)}),
              "4 0");
    std::map<std::string, std::string> changed;  // each kind of change's text, in order
    const Object redlines = doc.getObject("Redlines");
    const sal_Int32 count = redlines.call("getCount").get<sal_Int32>();
    for (sal_Int32 i = 0; i < count; ++i) {
      const Object r = redlines.callObject("getByIndex", {Any(i)});
      const Object range = body.callObject("createTextCursorByRange", {r.get("RedlineStart")});
      range.call("gotoRange", {r.get("RedlineEnd"), Any(true)});
      changed[utf8(r.get("RedlineType"))] += utf8(range.call("getString"));
    }
    EXPECT_EQ(changed["Delete"], "chữ bị xóa");
    EXPECT_EQ(changed["Insert"], " thêm chữ");
    EXPECT_EQ(utf8(body.call("getString")), "Trước chữ bị xóa sau thêm chữ");
    EXPECT_TRUE(doc.get("RecordChanges").get<bool>());
    doc.call("close", {Any(true)});
  });
}

TEST_F(AddinMacros, CommentsRunByRun) {
  ts::testing::guard([&] {
    Office& o = office_->office();
    const Object doc = o.service("com.sun.star.text.TextDocument");
    doc.call("initNew");
    const Object body = doc.getObject("Text");
    body.call("insertString",
              {body.callObject("createTextCursor").value(), text("Xin chào thế giới"), Any(false)});
    auto put = [](const Object& t, const Object& c, const std::string& font,
                  const std::string& content, bool bold) {
      appendRun(t, c, content, {{"CharFontName", text(font)}, {"CharWeight", weight(bold)}});
    };
    auto tc = [](const std::string& t) { return carried(convert(t, 41, 15)); };
    auto vn = [](const std::string& t) { return carried(convert(t, 41, 29)); };
    // On `length` characters from the start, or with none at the end.
    auto comment = [&](const std::string& author, int length, auto fill) {
      const Object c =
          doc.callObject("createInstance", {text("com.sun.star.text.TextField.Annotation")});
      c.set("Author", text(author));
      c.set("Initials", text(author.substr(0, 1)));
      const Object t = c.getObject("TextRange");
      fill(t, t.callObject("createTextCursor"));
      const Object at = body.callObject("createTextCursor");
      if (length == 0) at.call("gotoEnd", {Any(false)});
      at.call("goRight", {Any(static_cast<sal_Int16>(length)), Any(true)});
      body.call("insertTextContent", {at.value(), c.value(), Any(length > 0)});
    };
    // Two runs in .VnTime, the second bold, and a paragraph in VNI-Times: on "Xin chào", and
    // at the end.
    auto noted = [&](const Object& t, const Object& c) {
      put(t, c, ".VnTime", tc("Ghi chú "), false);
      put(t, c, ".VnTime", tc("quan trọng"), true);
      t.call("insertControlCharacter", {c.value(), Any(sal_Int16(0)), Any(false)});
      put(t, c, "VNI-Times", vn("dòng hai"), false);
    };
    comment("An", 8, noted);
    comment("Dung", 0, noted);
    // At the end, in Unicode.
    comment("Bình", 0, [&](const Object& t, const Object& c) {
      put(t, c, "Times New Roman", "Đã xem", false);
    });
    // On the whole line: two paragraphs of text in .VnTime alone.
    comment("Chi", 18, [&](const Object& t, const Object& c) {
      put(t, c, ".VnTime", tc("Cả dòng"), false);
      t.call("insertControlCharacter", {c.value(), Any(sal_Int16(0)), Any(false)});
      put(t, c, ".VnTime", tc("hai đoạn"), false);
    });
    auto comments = [&] {
      std::vector<std::tuple<std::string, std::string, std::string, std::vector<TextRun>>> out;
      const Object fields = doc.getObject("TextFields").callObject("createEnumeration");
      while (fields.call("hasMoreElements").get<bool>()) {
        const Object f = o.wrap(fields.call("nextElement"));
        out.emplace_back(utf8(f.get("Author")), utf8(f.get("Initials")) + " " + utf8(f.get("Name")),
                         utf8(f.callObject("getAnchor").call("getString")),
                         runsOf(o, f.getObject("TextRange")));
      }
      std::sort(out.begin(), out.end(), [](const auto& a, const auto& b) {
        return std::get<0>(a) < std::get<0>(b);  // by author
      });
      return out;
    };
    const auto before = comments();
    ASSERT_EQ(before.size(), 4u);
    EXPECT_NE(std::get<1>(before[0]), "A ");  // the initials, and the name Writer gave it

    EXPECT_EQ(run("tsConvertDocument",
                  {doc.value(), Any(sal_Int32(15)), Any(sal_Int32(41)), Any(true), Any(false)}),
              "2 3");  // the body's two runs, in a font that says nothing, are left, and An's
    const std::string tnr = "Times New Roman";
    const auto after = comments();
    ASSERT_EQ(after.size(), 4u);
    // A comment on a range holding more than text and fonts (a bold run) is left; one that
    // holds only those has its text set whole (its fonts the comments' own).
    EXPECT_EQ(after[0], before[0]);
    EXPECT_EQ(after[1], before[1]);
    EXPECT_EQ(std::get<0>(after[2]), "Chi");
    EXPECT_EQ(std::get<1>(after[2]), std::get<1>(before[2]));
    EXPECT_EQ(std::get<2>(after[2]), "Xin chào thế giới");
    std::string chi;
    for (const TextRun& r : std::get<3>(after[2])) chi += r.text;
    EXPECT_EQ(chi, "Cả dòng\nhai đoạn");
    // One on no range is made anew, each run converted in its font, its weight kept.
    EXPECT_EQ(after[3], std::make_tuple(std::string("Dung"), std::get<1>(before[3]), std::string(),
                                        std::vector<TextRun>{{"Ghi chú ", tnr},
                                                             {"quan trọng", tnr, true},
                                                             {"\n", ""},
                                                             {"dòng hai", tnr}}));
    EXPECT_EQ(utf8(body.call("getString")), "Xin chào thế giới");
    // Stored as Word stores it: each range with its comment.
    doc.call("storeToURL", {text(fileUrl((dir_ / "c.docx").string())),
                            Any(properties({{"FilterName", text("MS Word 2007 XML")}}))});
    const std::string stored = ts::testing::runProgram(
        "/usr/bin/python3",
        {"-c",
         "import re, sys, zipfile\n"
         "z = zipfile.ZipFile(sys.argv[1])\n"
         "ranges = re.findall(r'commentRangeStart w:id=\"(\\d+)\"', z.read('word/document.xml').decode())\n"
         "comments = re.findall(r'<w:comment w:id=\"(\\d+)\"', z.read('word/comments.xml').decode())\n"
         "print(len(ranges), len(comments), set(ranges) <= set(comments))\n",
         (dir_ / "c.docx").string()},
        dir_).out;
    EXPECT_EQ(stored, "2 4 True\n");
    doc.call("close", {Any(true)});
  });
}

TEST_F(AddinMacros, ConvertingCalcCellsAndImpressShapes) {
  ts::testing::guard([&] {
    Office& o = office_->office();
    const std::string tcvn = convert(kText, 41, 15), tcvnTitle = convert(kTitle, 41, 15);
    const std::string unicode = convert(tcvn, 15, 41);

    const Object sheetDoc = ts::testing::newDocument(o, "scalc");
    const Object sheet = sheetDoc.getObject("Sheets").callObject("getByIndex", {Any(sal_Int32(0))});
    const Object a1 = sheet.callObject("getCellByPosition", {Any(sal_Int32(0)), Any(sal_Int32(0))});
    const Object b2 = sheet.callObject("getCellByPosition", {Any(sal_Int32(1)), Any(sal_Int32(1))});
    const Object c3 = sheet.callObject("getCellByPosition", {Any(sal_Int32(2)), Any(sal_Int32(2))});
    a1.call("setString", {text(carried(tcvn))});
    a1.set("CharFontName", text(".VnTime"));
    b2.call("setString", {text(carried(tcvnTitle))});
    b2.set("CharFontName", text(".VnTimeH"));
    c3.call("setFormula", {text("=1+2")});
    // A formula showing converted text, in the legacy font; a sheet named in legacy text.
    const Object d4 = sheet.callObject("getCellByPosition", {Any(sal_Int32(3)), Any(sal_Int32(3))});
    d4.call("setFormula", {text("=A1")});
    d4.set("CharFontName", text(".VnTime"));
    const std::string sheetName = carried(convert("Bảng lương", 41, 15));
    sheet.set("Name", text(sheetName));
    EXPECT_EQ(run("tsConvertDocument", {sheetDoc.value(), Any(sal_Int32(15)), Any(sal_Int32(41)),
                                        Any(true), Any(false)}),
              "2 0\n" + sheetName);  // the sheet's name is said, and left
    EXPECT_EQ(utf8(d4.call("getString")), unicode);
    EXPECT_EQ(utf8(d4.get("CharFontName")), "Times New Roman");
    EXPECT_EQ(utf8(sheet.get("Name")), sheetName);
    EXPECT_EQ(utf8(a1.call("getString")), unicode);
    EXPECT_EQ(utf8(a1.get("CharFontName")), "Times New Roman");
    EXPECT_EQ(utf8(b2.call("getString")), "TIÊU ĐỀ VIẾT HOA");
    EXPECT_EQ(utf8(c3.call("getFormula")), "=1+2");
    sheetDoc.getObject("UndoManager").call("undo");
    EXPECT_EQ(utf8(a1.call("getString")), carried(tcvn));
    EXPECT_EQ(utf8(a1.get("CharFontName")), ".VnTime");
    sheetDoc.call("close", {Any(true)});

    const Object slides = ts::testing::newDocument(o, "simpress");
    const Object page = slides.getObject("DrawPages").callObject("getByIndex", {Any(sal_Int32(0))});
    const Object shape =
        slides.callObject("createInstance", {text("com.sun.star.drawing.TextShape")});
    page.call("add", {shape.value()});
    shape.call("setString", {text(carried(tcvn))});
    shape.set("CharFontName", text(".VnTime"));
    // A table, whose shape says it is a presentation shape only.
    const Object table =
        slides.callObject("createInstance", {text("com.sun.star.drawing.TableShape")});
    page.call("add", {table.value()});
    const Object cell = table.getObject("Model").callObject(
        "getCellByPosition", {Any(sal_Int32(0)), Any(sal_Int32(0))});
    cell.call("setString", {text(carried(tcvnTitle))});
    cell.set("CharFontName", text(".VnTime"));
    ASSERT_EQ(utf8(cell.call("getString")), carried(tcvnTitle));
    const auto before = runsOf(o, shape);
    EXPECT_EQ(run("tsConvertDocument",
                  {slides.value(), Any(sal_Int32(15)), Any(sal_Int32(41)), Any(true), Any(false)}),
              "2 0");
    EXPECT_EQ(runsOf(o, shape), (std::vector<TextRun>{{unicode, "Times New Roman"}}));
    EXPECT_EQ(utf8(cell.call("getString")), convert(tcvnTitle, 15, 41));
    slides.getObject("UndoManager").call("undo");
    EXPECT_EQ(runsOf(o, shape), before);
    slides.call("close", {Any(true)});
  });
}

TEST_F(AddinMacros, CaseChangesKeepEachRunInItsCharset) {
  ts::testing::guard([&] {
    Office& o = office_->office();
    const std::string lower = "tiếng việt đẹp";
    const std::string tcvn = convert(lower, 41, 15);
    const Object doc = ts::testing::newDocument(o, "swriter");
    const Object body = doc.getObject("Text");
    const Object cursor = body.callObject("createTextCursor");
    paragraph(body, cursor, "Times New Roman", lower);
    paragraph(body, cursor, ".VnTime", carried(tcvn));
    paragraph(body, cursor, "Times New Roman", "not selected", true);
    // Select the first two paragraphs.
    const Object range = body.callObject("createTextCursor");
    range.call("gotoStart", {Any(false)});
    range.call("gotoNextParagraph", {Any(true)});
    range.call("gotoEndOfParagraph", {Any(true)});
    doc.getObject("CurrentController").call("select", {range.value()});

    EXPECT_EQ(run("tsChangeCaseDocument", {doc.value(), Any(true), Any(true)}), "2");
    auto runs = runsOf(o, body);
    ASSERT_EQ(runs.size(), 5u);
    EXPECT_EQ(runs[0].text, "TIẾNG VIỆT ĐẸP");
    EXPECT_EQ(runs[2].text, carried(legacyCase(tcvn, 15, true)));
    EXPECT_EQ(runs[4].text, "not selected");
    run("tsChangeCaseDocument", {doc.value(), Any(false), Any(true)});
    runs = runsOf(o, body);
    EXPECT_EQ(runs[0].text, lower);
    EXPECT_EQ(runs[2].text, carried(tcvn));
    doc.call("close", {Any(true)});

    // In Calc the selected cell is the selection.
    const Object sheetDoc = ts::testing::newDocument(o, "scalc");
    const Object sheet = sheetDoc.getObject("Sheets").callObject("getByIndex", {Any(sal_Int32(0))});
    const Object a1 = sheet.callObject("getCellByPosition", {Any(sal_Int32(0)), Any(sal_Int32(0))});
    const Object b1 = sheet.callObject("getCellByPosition", {Any(sal_Int32(1)), Any(sal_Int32(0))});
    a1.call("setString", {text(lower)});
    b1.call("setString", {text(lower)});
    sheetDoc.getObject("CurrentController").call("select", {a1.value()});
    EXPECT_EQ(run("tsChangeCaseDocument", {sheetDoc.value(), Any(true), Any(true)}), "1");
    EXPECT_EQ(utf8(a1.call("getString")), "TIẾNG VIỆT ĐẸP");
    EXPECT_EQ(utf8(b1.call("getString")), lower);
    sheetDoc.call("close", {Any(true)});
  });
}

}  // namespace
