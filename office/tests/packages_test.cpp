#include <gtest/gtest.h>
#include <zip.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "ts/catalogue.hpp"
#include "ts/converter.hpp"
#include "ts/office/packages.hpp"
#include "ts/testing/scratch.hpp"

namespace ts::office {
namespace {

namespace fs = std::filesystem;

// Text in a legacy charset, as the Windows-1252 characters a document in its font holds.
std::string carriedIn(int code, const std::string& utf8) {
  ConverterState s(kLibraryOptions);
  selectPair(s, kUtf8, static_cast<std::uint32_t>(code));
  std::string out;
  for (const char c : convert(s, utf8)) {
    const auto b = static_cast<std::uint8_t>(c);
    if (b < 0x80) {
      out += c;
    } else {
      const LetterCode u = windows1252Utf8(b);
      out.append(reinterpret_cast<const char*>(u.bytes), u.len);
    }
  }
  return out;
}
std::string tc(const std::string& utf8) { return carriedIn(kTcvn3, utf8); }

std::string xmlText(std::string s) {
  for (std::size_t at = 0; (at = s.find('&', at)) != std::string::npos; at += 5) s.replace(at, 1, "&amp;");
  return s;
}

using Entries = std::vector<std::pair<std::string, std::string>>;

void writeZip(const fs::path& path, const Entries& entries) {
  int error = 0;
  zip_t* z = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  ASSERT_NE(z, nullptr);
  for (const auto& [name, data] : entries) {
    zip_source_t* s = zip_source_buffer(z, data.data(), data.size(), 0);
    const zip_int64_t i = zip_file_add(z, name.c_str(), s, ZIP_FL_ENC_UTF_8);
    ASSERT_GE(i, 0) << name;
    zip_set_file_compression(z, static_cast<zip_uint64_t>(i),
                             name.ends_with(".png") ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 9);
  }
  ASSERT_EQ(zip_close(z), 0);
}

// Each entry's name, stored (compressed) bytes and unpacked bytes, in order.
struct Stored {
  std::string name, compressed, data;
  bool operator==(const Stored&) const = default;
};
std::vector<Stored> readZip(const fs::path& path) {
  int error = 0;
  zip_t* z = zip_open(path.c_str(), ZIP_RDONLY, &error);
  std::vector<Stored> out;
  if (z == nullptr) return out;
  for (zip_int64_t i = 0; i < zip_get_num_entries(z, 0); ++i) {
    zip_stat_t st;
    zip_stat_index(z, static_cast<zip_uint64_t>(i), 0, &st);
    Stored e{st.name, std::string(st.comp_size, '\0'), std::string(st.size, '\0')};
    zip_file_t* f = zip_fopen_index(z, static_cast<zip_uint64_t>(i), ZIP_FL_COMPRESSED);
    zip_fread(f, e.compressed.data(), st.comp_size);
    zip_fclose(f);
    f = zip_fopen_index(z, static_cast<zip_uint64_t>(i), 0);
    zip_fread(f, e.data.data(), st.size);
    zip_fclose(f);
    out.push_back(std::move(e));
  }
  zip_discard(z);
  return out;
}

const char* const kW = "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"";

std::string styles() {
  return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n<w:styles ") +
         kW +
         "><w:docDefaults><w:rPrDefault><w:rPr><w:rFonts w:asciiTheme=\"minorHAnsi\" "
         "w:hAnsiTheme=\"minorHAnsi\"/></w:rPr></w:rPrDefault></w:docDefaults>"
         "<w:style w:type=\"paragraph\" w:default=\"1\" w:styleId=\"Normal\"><w:name "
         "w:val=\"Normal\"/></w:style>"
         "<w:style w:type=\"paragraph\" w:styleId=\"VnBase\"><w:basedOn w:val=\"Normal\"/>"
         "<w:rPr><w:rFonts w:ascii=\".VnTime\" w:hAnsi=\".VnTime\"/></w:rPr></w:style>"
         "<w:style w:type=\"paragraph\" w:styleId=\"Heading1\"><w:basedOn w:val=\"VnBase\"/>"
         "<w:rPr><w:b/></w:rPr></w:style>"
         "<w:style w:type=\"character\" w:styleId=\"VnCaps\"><w:rPr><w:rFonts "
         "w:ascii=\".VnTimeH\" w:hAnsi=\".VnTimeH\"/></w:rPr></w:style></w:styles>";
}

const char* const kTheme =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n<a:theme "
    "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" name=\"Office\">"
    "<a:themeElements><a:fontScheme name=\"Office\"><a:majorFont><a:latin "
    "typeface=\"Calibri Light\"/></a:majorFont><a:minorFont><a:latin typeface=\"Calibri\"/>"
    "</a:minorFont></a:fontScheme></a:themeElements></a:theme>";

// The body, with its texts given: each run as Word writes it.
std::string document(const std::vector<std::string>& t) {
  return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n<w:document ") +
         kW +
         " xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
         "<w:body><w:p w:rsidR=\"00A1\"><w:r><w:rPr><w:rFonts w:ascii=\"" + t[0] +
         "\" w:hAnsi=\"" + t[0] + "\"/><w:b/></w:rPr><w:t>" + t[1] +
         "</w:t></w:r><w:r><w:rPr><w:rFonts w:ascii=\".VnTime\" w:hAnsi=\"Arial\"/></w:rPr>"
         "<w:t xml:space=\"preserve\"> Tôi là</w:t></w:r></w:p>\r\n"
         "<w:p><w:pPr><w:pStyle w:val=\"Heading1\"/></w:pPr><w:r><w:t>" + t[2] +
         "</w:t><w:tab/><w:t>" + t[3] + "</w:t></w:r></w:p>"
         "<w:p><w:r><w:t>Tôi là sinh viên, café</w:t></w:r><w:r><w:t xml:space='preserve'> " +
         t[4] + "</w:t></w:r></w:p>"
         "<w:p><w:r><w:rPr><w:rStyle w:val=\"VnCaps\"/></w:rPr><w:t>" + t[5] +
         "</w:t></w:r><w:del w:id=\"1\" w:author=\"Ann\" w:date=\"2026-12-01T10:00:00Z\"><w:r>"
         "<w:rPr><w:rFonts w:ascii=\"" + t[0] + "\" w:hAnsi=\"" + t[0] +
         "\"/></w:rPr><w:delText>" + t[6] + "</w:delText></w:r></w:del>"
         "<w:ins w:id=\"2\" w:author=\"Ann\"><w:r><w:rPr><w:rFonts w:ascii=\"" + t[0] +
         "\" w:hAnsi=\"" + t[0] + "\"/></w:rPr><w:t>" + t[7] + "</w:t></w:r></w:ins></w:p>"
         "<w:p><w:r><w:rPr><w:rFonts w:ascii=\".VnTime\" w:hAnsi=\".VnTime\"/></w:rPr><w:t>chữ thật"
         "</w:t></w:r></w:p><w:sectPr/></w:body></w:document>";
}

class Packages : public ts::testing::ScratchTest {};

TEST_F(Packages, AWordDocumentRunByRunEveryOtherByteKept) {
  const std::string png = std::string("\x89PNG\r\n\x1a\n", 8) + std::string(3000, '\x07');
  const std::string types =
      "<?xml version=\"1.0\"?><Types xmlns=\"http://schemas.openxmlformats.org/package/2006/"
      "content-types\"/>";
  const std::string fonts = std::string("<w:fonts ") + kW +
                            "><w:font w:name=\".VnTime\"/><w:font w:name=\"Calibri\"/></w:fonts>";
  const std::vector<std::string> legacy{".VnTime",
                                        tc("Một hai"),
                                        tc("Chương một"),
                                        tc("Mở đầu"),
                                        xmlText(tc("Người dân cần theo dõi & báo cáo")),
                                        tc("chữ hoa"),
                                        tc("chữ bị xóa"),
                                        tc("chữ thêm vào")};
  const std::vector<std::string> unicode{"Times New Roman",
                                         "Một hai",
                                         "Chương một",
                                         "Mở đầu",
                                         xmlText("Người dân cần theo dõi & báo cáo"),
                                         "CHỮ HOA",
                                         "chữ bị xóa",
                                         "chữ thêm vào"};
  const Entries entries{{"[Content_Types].xml", types},
                        {"word/document.xml", document(legacy)},
                        {"word/media/image1.png", png},
                        {"word/styles.xml", styles()},
                        {"word/theme/theme1.xml", kTheme},
                        {"word/fontTable.xml", fonts},
                        {"../outside.xml", "<x/>"}};
  writeZip(dir_ / "a.docx.bak", entries);
  const PackageOutcome o =
      convertPackage((dir_ / "a.docx.bak").string(), (dir_ / "a.docx.tshtm").string(), "a.docx",
                     kTcvn3, kDecimalEsc);
  ASSERT_EQ(o.kind, PackageOutcome::kConverted) << o.why;
  EXPECT_EQ(o.parts, (std::vector<std::string>{"word/document.xml", "word/fontTable.xml",
                                                "word/styles.xml"}));
  // Unicode in Calibri and in a run shown in Arial stays; "chữ thật" (Unicode typed in a
  // .VnTime run) stays in its font.  Counted: the Calibri run and "chữ thật".
  EXPECT_EQ(o.runs, 6u);
  EXPECT_EQ(o.left, 2u);

  const std::vector<Stored> before = readZip(dir_ / "a.docx.bak");
  const std::vector<Stored> after = readZip(dir_ / "a.docx.tshtm");
  ASSERT_EQ(after.size(), before.size());
  std::map<std::string, std::string> want{
      {"word/document.xml", document(unicode)},
      {"word/fontTable.xml", std::string("<w:fonts ") + kW +
                                 "><w:font w:name=\"Times New Roman\"/><w:font "
                                 "w:name=\"Calibri\"/></w:fonts>"}};
  std::string s = styles();
  s.replace(s.find("w:ascii=\".VnTime\" w:hAnsi=\".VnTime\""), 35,
            "w:ascii=\"Times New Roman\" w:hAnsi=\"Times New Roman\"");
  const std::size_t caps = s.find("w:ascii=\".VnTimeH\" w:hAnsi=\".VnTimeH\"");
  ASSERT_NE(caps, std::string::npos);
  s.replace(caps, 37, "w:ascii=\"Times New Roman\" w:hAnsi=\"Times New Roman\"");
  want["word/styles.xml"] = s;
  for (std::size_t i = 0; i < after.size(); ++i) {
    EXPECT_EQ(after[i].name, before[i].name);
    const auto w = want.find(after[i].name);
    if (w == want.end()) {
      EXPECT_EQ(after[i], before[i]) << after[i].name << ": not copied as it was stored";
    } else {
      EXPECT_EQ(after[i].data, w->second) << after[i].name;
    }
  }
  EXPECT_FALSE(fs::exists(dir_.parent_path() / "outside.xml"));

  // Converted again: nothing left to convert, and nothing made.
  const PackageOutcome again =
      convertPackage((dir_ / "a.docx.tshtm").string(), (dir_ / "b.docx").string(), "b.docx",
                     kTcvn3, kDecimalEsc);
  EXPECT_EQ(again.kind, PackageOutcome::kNothingToConvert) << again.why;
  EXPECT_FALSE(fs::exists(dir_ / "b.docx"));
  // With --from auto, a run in Calibri is converted only where it reads clearly as legacy.
  const PackageOutcome guessed =
      convertPackage((dir_ / "a.docx.bak").string(), (dir_ / "c.docx").string(), "c.docx", 0,
                     kDecimalEsc);
  ASSERT_EQ(guessed.kind, PackageOutcome::kConverted) << guessed.why;
  const std::vector<Stored> c = readZip(dir_ / "c.docx");
  EXPECT_NE(c[1].data.find("Tôi là sinh viên, café"), std::string::npos);
}

// An OpenDocument text as LibreOffice writes one: each piece of text by its style chain (a
// span's text style, the paragraph's style and its parent, the default style), mixed content
// with entities and spaces kept, the legacy font face mapped; mimetype first and stored.
TEST_F(Packages, AnOpenDocumentTextPieceByPiece) {
  const std::string ns =
      "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
      "xmlns:style=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\" "
      "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
      "xmlns:svg=\"urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0\" "
      "xmlns:fo=\"urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0\"";
  auto content = [&](const std::string& face, const std::vector<std::string>& t) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<office:document-content " + ns +
           " office:version=\"1.3\"><office:font-face-decls><style:font-face style:name=\"VnTime\" "
           "svg:font-family=\"" + face + "\"/><style:font-face style:name=\"Liberation Serif\" "
           "svg:font-family=\"'Liberation Serif'\"/></office:font-face-decls>"
           "<office:automatic-styles><style:style style:name=\"P1\" style:family=\"paragraph\" "
           "style:parent-style-name=\"Vn\"/><style:style style:name=\"T1\" style:family=\"text\">"
           "<style:text-properties style:font-name=\"Liberation Serif\"/></style:style>"
           "</office:automatic-styles><office:body><office:text>\n"
           "<text:p text:style-name=\"P1\">" + t[0] + "<text:s/>" + t[1] +
           "<text:span text:style-name=\"T1\">Tôi là</text:span>" + t[2] + "</text:p>\n"
           "<text:p>Tôi là sinh viên</text:p></office:text></office:body>"
           "</office:document-content>";
  };
  auto meta = [](const std::string& title) {
    return "<office:document-meta xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
           "xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><office:meta><dc:title>" + title +
           "</dc:title><dc:description>Tôi là sinh viên</dc:description></office:meta>"
           "</office:document-meta>";
  };
  const std::string styles =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<office:document-styles " + ns +
      "><office:styles><style:default-style style:family=\"paragraph\"><style:text-properties "
      "style:font-name=\"Liberation Serif\"/></style:default-style><style:style style:name=\"Vn\" "
      "style:family=\"paragraph\"><style:text-properties style:font-name=\"VnTime\"/>"
      "</style:style></office:styles></office:document-styles>";
  writeZip(dir_ / "a.odt.bak",
           {{"mimetype", "application/vnd.oasis.opendocument.text"},
            {"content.xml", content(".VnTime", {tc("Một"), xmlText(tc("hai & ba")), tc(" bốn")})},
            {"styles.xml", styles},
            {"Pictures/a.png", std::string("\x89PNG\r\n\x1a\n", 8) + std::string(500, 'x')},
            {"meta.xml", meta(tc("Báo cáo năm"))}});
  const PackageOutcome o =
      convertPackage((dir_ / "a.odt.bak").string(), (dir_ / "a.odt.tshtm").string(), "a.odt",
                     kTcvn3, kDecimalEsc);
  ASSERT_EQ(o.kind, PackageOutcome::kConverted) << o.why;
  EXPECT_EQ(o.parts, (std::vector<std::string>{"content.xml", "meta.xml"}));
  const std::vector<Stored> before = readZip(dir_ / "a.odt.bak");
  const std::vector<Stored> after = readZip(dir_ / "a.odt.tshtm");
  ASSERT_EQ(after.size(), 5u);
  // The document's title, legacy text in no font, converted; its Unicode description left.
  EXPECT_EQ(after[4].data, meta("Báo cáo năm"));
  EXPECT_EQ(after[0], before[0]);  // mimetype, first and as stored
  EXPECT_EQ(after[1].data,
            content("Times New Roman", {"Một", xmlText("hai & ba"), " bốn"}));
  EXPECT_EQ(after[2], before[2]);
  EXPECT_EQ(after[3], before[3]);

  // The same in a flat file (.fodt): one XML document.
  auto flat = [&](const std::string& face, const std::string& text) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<office:document " + ns +
           " office:mimetype=\"application/vnd.oasis.opendocument.text\"><office:font-face-decls>"
           "<style:font-face style:name=\"VnTime\" svg:font-family=\"" + face + "\"/>"
           "</office:font-face-decls><office:styles><style:style style:name=\"Vn\" "
           "style:family=\"paragraph\"><style:text-properties style:font-name=\"VnTime\"/>"
           "</style:style></office:styles><office:body><office:text><text:p "
           "text:style-name=\"Vn\">" + text + "</text:p></office:text></office:body>"
           "</office:document>";
  };
  ts::testing::writeFile(dir_ / "f.fodt.bak", flat(".VnTime", tc("Ngày mai")));
  const PackageOutcome f =
      convertPackage((dir_ / "f.fodt.bak").string(), (dir_ / "f.fodt.tshtm").string(), "f.fodt",
                     kTcvn3, kDecimalEsc);
  ASSERT_EQ(f.kind, PackageOutcome::kConverted) << f.why;
  EXPECT_EQ(ts::testing::readFile(dir_ / "f.fodt.tshtm"), flat("Times New Roman", "Ngày mai"));
}

// An Excel workbook: a cell's text by its format's font, a rich string's run by its own; a
// shared string shown in fonts of two charsets is left (no one reading of it is right).
TEST_F(Packages, AnExcelWorkbookCellByCell) {
  const std::string ns = "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"";
  auto strings = [&](const std::vector<std::string>& t) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n<sst " + ns +
           " count=\"5\" uniqueCount=\"4\"><si><t>" + t[0] + "</t></si><si><t>Tôi là sinh viên</t>"
           "</si><si><t>" + t[1] + "</t></si><si><r><t xml:space=\"preserve\">Đầu: </t></r><r><rPr>"
           "<rFont val=\"" + t[2] + "\"/></rPr><t>" + t[3] + "</t></r></si></sst>";
  };
  auto styles = [&](const std::string& font) {
    return "<styleSheet " + ns + "><fonts count=\"2\"><font><name val=\"Calibri\"/></font><font>"
           "<sz val=\"12\"/><name val=\"" + font + "\"/></font></fonts><cellXfs count=\"2\"><xf "
           "fontId=\"0\"/><xf fontId=\"1\" applyFont=\"1\"/></cellXfs></styleSheet>";
  };
  auto sheet = [&](const std::string& inline_) {
    return "<worksheet " + ns + "><sheetData><row r=\"1\"><c r=\"A1\" s=\"1\" t=\"s\"><v>0</v></c>"
           "<c r=\"A2\" t=\"s\"><v>1</v></c><c r=\"A3\" s=\"1\" t=\"s\"><v>2</v></c><c r=\"A4\" "
           "t=\"s\"><v>2</v></c><c r=\"A5\" s=\"1\" t=\"inlineStr\"><is><t>" + inline_ +
           "</t></is></c><c r=\"A6\" t=\"s\"><v>3</v></c><c r=\"A7\"><f>1+1</f><v>2</v></c>"
           "</row></sheetData></worksheet>";
  };
  writeZip(dir_ / "b.xlsx.bak",
           {{"[Content_Types].xml", "<Types/>"},
            {"xl/workbook.xml", "<workbook " + ns + "><sheets><sheet name=\"" +
                                    tc("Bảng lương tháng mười hai") + "\" sheetId=\"1\"/>"
                                    "<sheet name=\"Tổng hợp\" sheetId=\"2\"/></sheets></workbook>"},
            {"xl/styles.xml", styles(".VnTime")},
            {"xl/worksheets/sheet1.xml", sheet(tc("Hà Nội"))},
            {"xl/sharedStrings.xml",
             strings({tc("Việt Nam"), tc("Huế"), ".VnTime", tc("chữ đậm")})}});
  const PackageOutcome o =
      convertPackage((dir_ / "b.xlsx.bak").string(), (dir_ / "b.xlsx.tshtm").string(), "b.xlsx",
                     kTcvn3, kDecimalEsc);
  ASSERT_EQ(o.kind, PackageOutcome::kConverted) << o.why;
  EXPECT_EQ(o.runs, 3u);  // A1, A5, the rich run
  // A legacy sheet name is left (formulas refer to it) and said; a Unicode one is not.
  ASSERT_EQ(o.notes.size(), 1u);
  EXPECT_NE(o.notes[0].find("the sheet name '" + tc("Bảng lương tháng mười hai") + "'"),
            std::string::npos)
      << o.notes[0];
  // Left: the Unicode string and the rich string's first run in Calibri, and the string
  // shown in both fonts.
  EXPECT_EQ(o.left, 3u);
  const std::vector<Stored> after = readZip(dir_ / "b.xlsx.tshtm");
  ASSERT_EQ(after.size(), 5u);
  EXPECT_EQ(after[2].data, styles("Times New Roman"));
  EXPECT_EQ(after[3].data, sheet("Hà Nội"));
  EXPECT_EQ(after[4].data, strings({"Việt Nam", tc("Huế"), "Times New Roman", "chữ đậm"}));
}

// A PowerPoint deck: a run by its own typeface, else by the master's text style for its
// placeholder (the body's is .VnTime here), else the theme's minor font.
TEST_F(Packages, APowerPointDeckRunByRun) {
  const std::string a = "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\"";
  const std::string p = "xmlns:p=\"http://schemas.openxmlformats.org/presentationml/2006/main\"";
  const std::string theme = "<a:theme " + a + "><a:themeElements><a:fontScheme><a:majorFont>"
                            "<a:latin typeface=\"Arial\"/></a:majorFont><a:minorFont><a:latin "
                            "typeface=\"Arial\"/></a:minorFont></a:fontScheme></a:themeElements>"
                            "</a:theme>";
  const std::string master = "<p:sldMaster " + a + " " + p + "><p:txStyles><p:titleStyle>"
                             "<a:lvl1pPr><a:defRPr><a:latin typeface=\"+mj-lt\"/></a:defRPr>"
                             "</a:lvl1pPr></p:titleStyle><p:bodyStyle><a:lvl1pPr><a:defRPr>"
                             "<a:latin typeface=\".VnTime\"/></a:defRPr></a:lvl1pPr></p:bodyStyle>"
                             "</p:txStyles></p:sldMaster>";
  auto slide = [&](const std::vector<std::string>& t) {
    return "<p:sld " + a + " " + p + "><p:cSld><p:spTree>"
           "<p:sp><p:nvSpPr><p:nvPr><p:ph type=\"title\"/></p:nvPr></p:nvSpPr><p:txBody><a:p><a:r>"
           "<a:rPr lang=\"vi-VN\"><a:latin typeface=\"" + t[0] + "\"/></a:rPr><a:t>" + t[1] +
           "</a:t></a:r></a:p></p:txBody></p:sp>"
           "<p:sp><p:nvSpPr><p:nvPr><p:ph idx=\"1\"/></p:nvPr></p:nvSpPr><p:txBody><a:p><a:r>"
           "<a:rPr lang=\"vi-VN\"/><a:t>" + t[2] + "</a:t></a:r></a:p></p:txBody></p:sp>"
           "<p:sp><p:nvSpPr><p:nvPr/></p:nvSpPr><p:txBody><a:p><a:r><a:t>Tôi là sinh viên</a:t>"
           "</a:r></a:p></p:txBody></p:sp>"
           "<p:sp><p:nvSpPr><p:nvPr/></p:nvSpPr><p:txBody><a:lstStyle><a:lvl1pPr><a:defRPr>"
           "<a:latin typeface=\"" + t[3] + "\"/></a:defRPr></a:lvl1pPr></a:lstStyle><a:p><a:r>"
           "<a:t>" + t[4] + "</a:t></a:r></a:p></p:txBody></p:sp></p:spTree></p:cSld></p:sld>";
  };
  auto vni = [](const std::string& t) { return carriedIn(kVniWin, t); };
  writeZip(dir_ / "c.pptx.bak",
           {{"[Content_Types].xml", "<Types/>"},
            {"ppt/presentation.xml", "<p:presentation " + p + "/>"},
            {"ppt/theme/theme1.xml", theme},
            {"ppt/slideMasters/slideMaster1.xml", master},
            {"ppt/slides/slide1.xml", slide({"VNI-Times", vni("Tiêu đề"), tc("Nội dung chính"),
                                             ".VnTime", tc("Danh sách lớp")})}});
  const PackageOutcome o =
      convertPackage((dir_ / "c.pptx.bak").string(), (dir_ / "c.pptx.tshtm").string(), "c.pptx",
                     kTcvn3, kDecimalEsc);
  ASSERT_EQ(o.kind, PackageOutcome::kConverted) << o.why;
  EXPECT_EQ(o.runs, 3u);  // the last by its shape's list style
  EXPECT_EQ(o.left, 0u);  // Unicode in the theme's Arial, a Unicode font: not converted
  const std::vector<Stored> after = readZip(dir_ / "c.pptx.tshtm");
  ASSERT_EQ(after.size(), 5u);
  std::string m = master;
  m.replace(m.find(".VnTime"), 7, "Times New Roman");
  EXPECT_EQ(after[3].data, m);
  EXPECT_EQ(after[4].data, slide({"Times New Roman", "Tiêu đề", "Nội dung chính",
                                  "Times New Roman", "Danh sách lớp"}));
}

// A deck of two masters with their own themes: a slide finds its layout, the layout its master
// and the master its theme through their relationships; a placeholder takes its layout's list
// style (by index); the layouts' own text is converted too.
TEST_F(Packages, APowerPointDeckThroughItsLayoutsAndMasters) {
  const std::string a = "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\"";
  const std::string p = "xmlns:p=\"http://schemas.openxmlformats.org/presentationml/2006/main\"";
  auto theme = [&](const std::string& minor) {
    return "<a:theme " + a + "><a:themeElements><a:fontScheme><a:majorFont><a:latin typeface="
           "\"Arial\"/></a:majorFont><a:minorFont><a:latin typeface=\"" + minor + "\"/>"
           "</a:minorFont></a:fontScheme></a:themeElements></a:theme>";
  };
  auto rels = [](const std::string& type, const std::string& target) {
    return "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
           "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/"
           "2006/relationships/" + type + "\" Target=\"" + target + "\"/></Relationships>";
  };
  auto shape = [&](const std::string& ph, const std::string& list, const std::string& text) {
    return "<p:sp><p:nvSpPr><p:nvPr>" + ph + "</p:nvPr></p:nvSpPr><p:txBody>" +
           (list.empty() ? "" : "<a:lstStyle><a:lvl1pPr><a:defRPr><a:latin typeface=\"" + list +
                                    "\"/></a:defRPr></a:lvl1pPr></a:lstStyle>") +
           "<a:p><a:r><a:t>" + text + "</a:t></a:r></a:p></p:txBody></p:sp>";
  };
  auto part = [&](const std::string& root, const std::string& shapes) {
    return "<p:" + root + " " + a + " " + p + "><p:cSld><p:spTree>" + shapes +
           "</p:spTree></p:cSld></p:" + root + ">";
  };
  auto layout1 = [&](const std::string& face, const std::string& text) {
    return part("sldLayout", shape("<p:ph type=\"body\" idx=\"1\"/>", face, "") + shape("", face, text));
  };
  auto slide1 = [&](const std::string& body) {
    return part("sld", shape("<p:ph type=\"title\"/>", "", "Tiêu đề") +
                           shape("<p:ph idx=\"1\"/>", "", body));
  };
  auto slide2 = [&](const std::string& text) { return part("sld", shape("", "", text)); };
  writeZip(dir_ / "d.pptx.bak",
           {{"[Content_Types].xml", "<Types/>"},
            {"ppt/presentation.xml", "<p:presentation " + p + "/>"},
            {"ppt/theme/theme1.xml", theme("Arial")},
            {"ppt/theme/theme2.xml", theme(".VnTime")},
            {"ppt/slideMasters/slideMaster1.xml", part("sldMaster", "")},
            {"ppt/slideMasters/_rels/slideMaster1.xml.rels", rels("theme", "../theme/theme1.xml")},
            {"ppt/slideMasters/slideMaster2.xml", part("sldMaster", "")},
            {"ppt/slideMasters/_rels/slideMaster2.xml.rels", rels("theme", "../theme/theme2.xml")},
            {"ppt/slideLayouts/slideLayout1.xml", layout1(".VnTime", tc("Mẫu"))},
            {"ppt/slideLayouts/_rels/slideLayout1.xml.rels",
             rels("slideMaster", "../slideMasters/slideMaster1.xml")},
            {"ppt/slideLayouts/slideLayout2.xml", part("sldLayout", "")},
            {"ppt/slideLayouts/_rels/slideLayout2.xml.rels",
             rels("slideMaster", "/ppt/slideMasters/slideMaster2.xml")},
            {"ppt/slides/slide1.xml", slide1(tc("Nội dung"))},
            {"ppt/slides/_rels/slide1.xml.rels", rels("slideLayout", "../slideLayouts/slideLayout1.xml")},
            {"ppt/slides/slide2.xml", slide2(tc("Hà Nội"))},
            {"ppt/slides/_rels/slide2.xml.rels", rels("slideLayout", "../slideLayouts/slideLayout2.xml")}});
  const PackageOutcome o = convertPackage((dir_ / "d.pptx.bak").string(),
                                          (dir_ / "d.pptx.tshtm").string(), "d.pptx", kTcvn3, kDecimalEsc);
  ASSERT_EQ(o.kind, PackageOutcome::kConverted) << o.why;
  EXPECT_EQ(o.runs, 3u);  // the layout's text, slide 1's body, slide 2's text in theme 2's font
  std::map<std::string, std::string> after;
  for (const Stored& st : readZip(dir_ / "d.pptx.tshtm")) after[st.name] = st.data;
  EXPECT_EQ(after["ppt/theme/theme2.xml"], theme("Times New Roman"));
  EXPECT_EQ(after["ppt/slideLayouts/slideLayout1.xml"], layout1("Times New Roman", "Mẫu"));
  EXPECT_EQ(after["ppt/slides/slide1.xml"], slide1("Nội dung"));
  EXPECT_EQ(after["ppt/slides/slide2.xml"], slide2("Hà Nội"));
}

// A run in a table takes the table style's font where its paragraph's and its own say none;
// a paragraph's style says before it.
TEST_F(Packages, ARunInATableTakesTheTableStylesFont) {
  const std::string styles = std::string("<w:styles ") + kW +
                             "><w:style w:type=\"paragraph\" w:default=\"1\" w:styleId=\"Normal\">"
                             "</w:style><w:style w:type=\"paragraph\" w:styleId=\"Uni\"><w:rPr>"
                             "<w:rFonts w:ascii=\"Arial\" w:hAnsi=\"Arial\"/></w:rPr></w:style>"
                             "<w:style w:type=\"table\" w:styleId=\"VnTable\"><w:rPr><w:rFonts "
                             "w:ascii=\".VnTime\" w:hAnsi=\".VnTime\"/></w:rPr></w:style></w:styles>";
  auto body = [](const std::string& cell, const std::string& styled) {
    return std::string("<w:document ") + kW + "><w:body><w:tbl><w:tblPr><w:tblStyle "
           "w:val=\"VnTable\"/></w:tblPr><w:tr><w:tc><w:p><w:r><w:t>" + cell +
           "</w:t></w:r></w:p><w:p><w:pPr><w:pStyle w:val=\"Uni\"/></w:pPr><w:r><w:t>" + styled +
           "</w:t></w:r></w:p></w:tc></w:tr></w:tbl><w:p><w:r><w:t>" + styled +
           "</w:t></w:r></w:p></w:body></w:document>";
  };
  writeZip(dir_ / "t.docx.bak", {{"[Content_Types].xml", "<Types/>"},
                                 {"word/document.xml", body(tc("Họ và tên"), "Tôi là")},
                                 {"word/styles.xml", styles}});
  const PackageOutcome o = convertPackage((dir_ / "t.docx.bak").string(),
                                          (dir_ / "t.docx.tshtm").string(), "t.docx",
                                          kVniWin, kDecimalEsc);  // the table's font says TCVN3
  ASSERT_EQ(o.kind, PackageOutcome::kConverted) << o.why;
  EXPECT_EQ(o.runs, 1u);
  const std::vector<Stored> after = readZip(dir_ / "t.docx.tshtm");
  ASSERT_EQ(after.size(), 3u);
  EXPECT_EQ(after[1].data, body("Họ và tên", "Tôi là"));
}

// The text of charts and SmartArt is DrawingML: each run by its typeface, else the theme's
// body font (Calibri: the Unicode title stays); the charts' cached values are data, left.  The
// document's properties, in no font, are converted where they read as legacy text.
TEST_F(Packages, ChartSmartArtAndPropertiesText) {
  const std::string a = "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\"";
  const std::string c = "xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\"";
  const std::string dgm = "xmlns:dgm=\"http://schemas.openxmlformats.org/drawingml/2006/diagram\"";
  auto chart = [&](const std::vector<std::string>& t) {
    return "<c:chartSpace " + c + " " + a + " xmlns:r=\"http://schemas.openxmlformats.org/"
           "officeDocument/2006/relationships\"><c:chart><c:title><c:tx><c:rich><a:bodyPr/><a:p>"
           "<a:r><a:rPr lang=\"vi-VN\"><a:latin typeface=\"" + t[0] + "\"/></a:rPr><a:t>" + t[1] +
           "</a:t></a:r></a:p></c:rich></c:tx></c:title><c:plotArea><c:barChart><c:ser><c:tx>"
           "<c:strRef><c:strCache><c:pt idx=\"0\"><c:v>" + t[2] + "</c:v></c:pt>"
           "</c:strCache></c:strRef></c:tx><c:cat><c:strRef><c:strCache><c:pt idx=\"0\"><c:v>" +
           t[3] + "</c:v></c:pt></c:strCache></c:strRef></c:cat><c:val><c:numRef><c:numCache>"
           "<c:pt idx=\"0\"><c:v>12</c:v></c:pt></c:numCache></c:numRef></c:val></c:ser>"
           "</c:barChart><c:catAx><c:txPr><a:bodyPr/><a:p><a:pPr><a:defRPr><a:latin typeface=\"" +
           t[4] + "\"/></a:defRPr></a:pPr></a:p></c:txPr></c:catAx></c:plotArea><c:legend><c:txPr>"
           "<a:bodyPr/><a:p><a:pPr><a:defRPr><a:latin typeface=\"" + t[5] + "\"/></a:defRPr>"
           "</a:pPr></a:p></c:txPr></c:legend><c:title><c:tx>"
           "<c:rich><a:p><a:r><a:t>Tôi là</a:t></a:r></a:p></c:rich></c:tx></c:title></c:chart>"
           "<c:externalData r:id=\"rId1\"/></c:chartSpace>";
  };
  // The chart's data: a workbook embedded in the document, its cell in .VnTime.
  auto workbook = [&](const std::string& text) {
    const fs::path book = dir_ / "embedded.xlsx";
    const std::string ns = "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"";
    writeZip(book, {{"[Content_Types].xml", "<Types/>"},
                    {"xl/workbook.xml", "<workbook " + ns + "><sheets><sheet name=\"Sheet1\" "
                                        "sheetId=\"1\"/></sheets></workbook>"},
                    {"xl/styles.xml", "<styleSheet " + ns + "><fonts count=\"1\"><font><name "
                                      "val=\".VnTime\"/></font></fonts><cellXfs count=\"1\"><xf "
                                      "fontId=\"0\"/></cellXfs></styleSheet>"},
                    {"xl/worksheets/sheet1.xml", "<worksheet " + ns + "><sheetData><row r=\"1\">"
                                                 "<c r=\"A1\" t=\"inlineStr\"><is><t>" + text +
                                                 "</t></is></c></row></sheetData></worksheet>"}});
    return ts::testing::readFile(book);
  };
  auto data = [&](const std::string& face, const std::string& text) {
    return "<dgm:dataModel " + dgm + " " + a + "><dgm:ptLst><dgm:pt modelId=\"1\"><dgm:t>"
           "<a:bodyPr/><a:p><a:r><a:rPr><a:latin typeface=\"" + face + "\"/></a:rPr><a:t>" + text +
           "</a:t></a:r></a:p></dgm:t></dgm:pt></dgm:ptLst></dgm:dataModel>";
  };
  auto core = [](const std::string& title, const std::string& author) {
    return "<cp:coreProperties xmlns:cp=\"http://schemas.openxmlformats.org/package/2006/"
           "metadata/core-properties\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><dc:title>" +
           title + "</dc:title><dc:creator>" + author + "</dc:creator></cp:coreProperties>";
  };
  writeZip(dir_ / "d.docx.bak",
           {{"[Content_Types].xml", "<Types/>"},
            {"word/document.xml", document({"Arial", "x", "y", "z", "w", "v", "u", "t"})},
            {"word/theme/theme1.xml", kTheme},
            {"word/charts/chart1.xml", chart({".VnTime", tc("Biểu đồ năm"), tc("Doanh số"),
                                              tc("Quý một"), ".VnTime", ".VnTime"})},
            {"word/embeddings/Microsoft_Excel_Worksheet.xlsx", workbook(tc("Quý một"))},
            {"word/diagrams/data1.xml", data(".VnTimeH", tc("QUY TRÌNH"))},
            {"docProps/core.xml", core(tc("Báo cáo tổng kết năm học của trường"), "Nguyễn Văn Đức")}});
  const PackageOutcome o = convertPackage((dir_ / "d.docx.bak").string(),
                                          (dir_ / "d.docx.tshtm").string(), "d.docx", kTcvn3,
                                          kDecimalEsc);
  ASSERT_EQ(o.kind, PackageOutcome::kConverted) << o.why;
  const std::vector<Stored> after = readZip(dir_ / "d.docx.tshtm");
  ASSERT_EQ(after.size(), 7u);
  // The cached labels too: the series' name by its legend's font, the category's by its
  // axis's; the numbers stay.
  EXPECT_EQ(after[3].data, chart({"Times New Roman", "Biểu đồ năm", "Doanh số", "Quý một",
                                  "Times New Roman", "Times New Roman"}));
  EXPECT_EQ(after[6].data, core("Báo cáo tổng kết năm học của trường", "Nguyễn Văn Đức"));
  EXPECT_EQ(after[5].data, data("Times New Roman", "QUY TRÌNH"));
  // The embedded workbook, converted as a package of its own, its cell with the label.
  fs::path converted = dir_ / "converted.xlsx";
  {
    std::ofstream f(converted, std::ios::binary);
    f << after[4].data;
  }
  bool found = false;
  for (const Stored& st : readZip(converted))
    if (st.name == "xl/worksheets/sheet1.xml")
      found = st.data.find("<t>Quý một</t>") != std::string::npos;
  EXPECT_TRUE(found);
}

TEST_F(Packages, DamagedHostileAndProtectedPackagesAreRefused) {
  auto refused = [&](const std::string& name, const std::string& why) {
    const PackageOutcome o = convertPackage((dir_ / name).string(), (dir_ / "out.docx").string(),
                                            name, kTcvn3, kDecimalEsc);
    EXPECT_EQ(o.kind, PackageOutcome::kFailed) << name;
    EXPECT_NE(o.why.find(why), std::string::npos) << name << ": " << o.why;
    EXPECT_FALSE(fs::exists(dir_ / "out.docx")) << name;
  };
  const std::string types = "<Types/>";
  // Entities that expand a billion times.
  writeZip(dir_ / "laughs.docx",
           {{"[Content_Types].xml", types},
            {"word/document.xml",
             "<?xml version=\"1.0\"?><!DOCTYPE d [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b "
             "\"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">]><d>&b;</d>"}});
  refused("laughs.docx", "document type declaration");
  // A part that unpacks to far more than it holds.
  writeZip(dir_ / "bomb.docx", {{"[Content_Types].xml", types},
                                {"word/document.xml", std::string(40 << 20, ' ')}});
  refused("bomb.docx", "zip bomb");
  // Cut short, not XML, no document, encrypted (a compound file).
  writeZip(dir_ / "whole.docx", {{"[Content_Types].xml", types},
                                 {"word/document.xml", "<w:document " + std::string(kW) + "/>"}});
  const std::string whole = ts::testing::readFile(dir_ / "whole.docx");
  ts::testing::writeFile(dir_ / "cut.docx", whole.substr(0, whole.size() / 2));
  refused("cut.docx", "not a package");
  writeZip(dir_ / "broken.docx", {{"[Content_Types].xml", types}, {"word/document.xml", "<a><b></a>"}});
  refused("broken.docx", "no XML that can be read");
  writeZip(dir_ / "sheet.docx", {{"[Content_Types].xml", types}, {"visio/document.xml", "<x/>"}});
  refused("sheet.docx", "not a Word, Excel, PowerPoint or OpenDocument package");
  ts::testing::writeFile(dir_ / "secret.docx", std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) +
                                                   std::string(600, '\0'));
  refused("secret.docx", "protected by a password");
  writeZip(dir_ / "signed.docx",
           {{"[Content_Types].xml", types},
            {"word/document.xml", document({".VnTime", tc("Một"), "", "", "", "", "", ""})},
            {"_xmlsignatures/sig1.xml", "<Signature/>"}});
  refused("signed.docx", "digitally signed");
  EXPECT_EQ(convertPackage((dir_ / "signed.docx").string(), (dir_ / "out.docx").string(),
                           "signed.docx", kTcvn3, kDecimalEsc, true)
                .kind,
            PackageOutcome::kConverted);
}

}  // namespace
}  // namespace ts::office
