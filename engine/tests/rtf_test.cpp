// RTF documents read as RTF: each run by its font, the font table mapped, everything that is
// no text passed through; checked by reading the result's text back.
#include "ts/rtf.hpp"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "test_util.hpp"
#include "ts/converter.hpp"
#include "ts/forms.hpp"

namespace ts {
namespace {

std::string rtfEscaped(const std::string& bytes) {
  std::string out;
  for (char c : bytes) {
    const auto b = static_cast<std::uint8_t>(c);
    if (b >= 0x80) {
      char esc[8];
      std::snprintf(esc, sizeof esc, "\\'%02x", b);
      out += esc;
    } else {
      out += c;
    }
  }
  return out;
}

// The document text of an RTF that writes its letters as \uN (or Windows-1252 \'xx): the
// groups of tables, pictures and instructions left out, \par as a line end.
std::string documentText(const std::string& rtf) {
  std::string out;
  struct Group {
    bool skip = false;
    int uc = 1;
  };
  std::vector<Group> stack{{}};
  int skipChars = 0;
  bool first = false;
  for (std::size_t i = 0; i < rtf.size();) {
    const char c = rtf[i];
    if (c == '{') {
      stack.push_back(stack.back());
      first = true;
      ++i;
      continue;
    }
    if (c == '}') {
      stack.pop_back();
      skipChars = 0;
      ++i;
      continue;
    }
    if (c == '\r' || c == '\n') {
      ++i;
      continue;
    }
    Group& g = stack.back();
    auto emit = [&](const std::string& text) {
      if (skipChars > 0) {
        --skipChars;
        return;
      }
      if (!g.skip) out += text;
    };
    if (c != '\\') {
      emit(std::string(1, c));
      ++i;
      first = false;
      continue;
    }
    const char d = i + 1 < rtf.size() ? rtf[i + 1] : 0;
    if (d == '\'') {
      const int v = std::stoi(rtf.substr(i + 2, 2), nullptr, 16);
      emit(test::utf8(windows1252CodePoint(static_cast<std::uint8_t>(v))));
      i += 4;
      first = false;
      continue;
    }
    if (!std::isalpha(static_cast<unsigned char>(d))) {
      if (d == '*' && first) g.skip = true;
      if (d == '\\' || d == '{' || d == '}') emit(std::string(1, d));
      i += 2;
      first = false;
      continue;
    }
    std::size_t j = i + 1;
    while (j < rtf.size() && std::isalpha(static_cast<unsigned char>(rtf[j]))) ++j;
    const std::string word = rtf.substr(i + 1, j - i - 1);
    std::size_t k = j;
    if (k < rtf.size() && (rtf[k] == '-' || std::isdigit(static_cast<unsigned char>(rtf[k])))) ++k;
    while (k < rtf.size() && std::isdigit(static_cast<unsigned char>(rtf[k]))) ++k;
    const std::string param = rtf.substr(j, k - j);
    if (k < rtf.size() && rtf[k] == ' ') ++k;
    i = k;
    if (word == "bin") {
      i += static_cast<std::size_t>(std::stoi(param));
      continue;
    }
    const bool wasFirst = first;
    first = false;
    if (word == "par") emit("\n");
    if (word == "uc") g.uc = std::stoi(param);
    if (word == "u") {
      int v = std::stoi(param);
      if (v < 0) v += 65536;
      emit(test::utf8(static_cast<std::uint32_t>(v)));
      skipChars = g.uc;
    }
    if (wasFirst && (word == "fonttbl" || word == "colortbl" || word == "pict" || word == "info" ||
                     word == "stylesheet"))
      g.skip = true;
  }
  return out;
}

std::string run(const std::string& rtf, RtfSettings settings, std::size_t cut = 0) {
  RtfConverter c(settings);
  ByteBuffer out;
  if (cut == 0) {
    c.feed(rtf, out);
  } else {
    for (std::size_t at = 0; at < rtf.size(); at += cut)
      c.feed(std::string_view(rtf).substr(at, cut), out);
  }
  c.finish(out);
  return out.str();
}

const std::string kTcvn3Line = "Ngày mai trời sẽ có mưa rào, nhiệt độ giảm.";
const std::string kVniLine = "Người dân cần theo dõi thông tin dự báo thời tiết.";

std::string sampleRtf() {
  const std::string tcvn3 = rtfEscaped(test::conv(kUtf8, kTcvn3, kTcvn3Line));
  const std::string vni = rtfEscaped(test::conv(kUtf8, kVniWin, kVniLine));
  // Literal 8-bit bytes in the text too, cut by a line break inside a VNI letter.
  std::string vniLiteral = test::conv(kUtf8, kVniWin, "Việt Nam");
  vniLiteral.insert(4, "\r\n");
  return "{\\rtf1\\ansi\\ansicpg1252\\deff0"
         "{\\fonttbl{\\f0\\froman\\fcharset0 .VnTime;}{\\f1\\fswiss\\fcharset0 VNI-Times;}"
         "{\\f2\\fnil\\fcharset0 Times New Roman;}{\\f3\\fnil Courier;}"
         "{\\f4{\\*\\panose 02020603050405020304}.VnTimeH;}}\n"
         "{\\colortbl;\\red255\\green0\\blue0;}{\\*\\generator Writer\\'e9;}\n"
         "\\pard\\plain\\f0 " +
         tcvn3 +
         "\\par\n"
         "\\f1 " +
         vni +
         "\\par\n"
         "{\\f1 " +
         vniLiteral +
         "}\\par\n"
         "{\\f2 caf\\'e9 \\u7879?x \\{braces\\}\\par}\n"
         "{\\b\\f0 " +
         tcvn3 + "{\\i\\f1 " + vni +
         "}}\\par\n"
         "{\\field{\\*\\fldinst HYPERLINK \"http://vd.vn/a\\'b8\"}{\\fldrslt\\f0 " +
         tcvn3 +
         "}}\\par\n"
         "{\\pict\\pngblip\\picw10\\pich10 89504e470d0a1a0a\\'b8}\\par\n"
         "{\\*\\shppict{\\pict\\wmetafile8\\bin6 {\\}\xB8\x01z}}\n"
         "{\\header\\f1 " +
         vni +
         "\\par}\n"
         "{\\footnote\\f0 " +
         tcvn3 +
         "\\par}\n"
         "{\\uc2\\f0\\u7879\\'3f\\'3f" +
         tcvn3 +
         "\\par}\n"
         "\\f3 " +
         tcvn3 +
         "\\par\n"
         "}";
}

TEST(Rtf, EachRunByItsFontToUnicode) {
  const std::string rtf = sampleRtf();
  const std::string out = run(rtf, {kTcvn3, kDecimalEsc});
  const std::string text = documentText(out);
  const std::string expected = kTcvn3Line + "\n" + kVniLine + "\n" + "Việt Nam\n" +
                               "café ệx {braces}\n" + kTcvn3Line + kVniLine + "\n" + kTcvn3Line +
                               "\n" + "\n" + kVniLine + "\n" + kTcvn3Line + "\n" + "ệ" +
                               kTcvn3Line + "\n" + kTcvn3Line + "\n";
  EXPECT_EQ(text, expected) << out;
  // The font table mapped to the Unicode family; the font that says nothing as it was.
  EXPECT_NE(out.find("{\\f0\\froman\\fcharset0 Times New Roman;}"), std::string::npos) << out;
  EXPECT_NE(out.find("{\\f1\\fswiss\\fcharset0 Times New Roman;}"), std::string::npos) << out;
  EXPECT_NE(out.find("{\\f3\\fnil Courier;}"), std::string::npos) << out;
  EXPECT_NE(out.find("{\\*\\panose 02020603050405020304}"), std::string::npos) << out;
  // Everything that is no text, as it was: tables, instructions, pictures, binary data.
  for (const char* kept :
       {"{\\colortbl;\\red255\\green0\\blue0;}", "{\\*\\generator Writer\\'e9;}",
        "HYPERLINK \"http://vd.vn/a\\'b8\"",
        "{\\pict\\pngblip\\picw10\\pich10 89504e470d0a1a0a\\'b8}", "\\bin6 {\\}\xB8\x01z}}"})
    EXPECT_NE(out.find(kept), std::string::npos) << kept << "\n" << out;
  // In pieces of any size, the same.
  for (std::size_t cut : {1u, 2u, 3u, 7u, 64u})
    EXPECT_EQ(run(rtf, {kTcvn3, kDecimalEsc}, cut), out) << cut;
}

TEST(Rtf, ToALegacyCharsetAndFontsThatSayNothing) {
  const std::string rtf = sampleRtf();
  const std::string out = run(rtf, {kTcvn3, kVniWin});
  // The .VnTime text now VNI bytes in VNI-Times; the VNI text as it was.
  EXPECT_NE(out.find("{\\f0\\froman\\fcharset0 VNI-Times;}"), std::string::npos) << out;
  EXPECT_NE(out.find(rtfEscaped(test::conv(kUtf8, kVniWin, kTcvn3Line))), std::string::npos);
  EXPECT_NE(out.find("\\f1 " + rtfEscaped(test::conv(kUtf8, kVniWin, kVniLine))),
            std::string::npos);
  // Runs whose font says nothing: from the source given, or left as they are with none.
  EXPECT_NE(out.find("\\f3 " + rtfEscaped(test::conv(kUtf8, kVniWin, kTcvn3Line))),
            std::string::npos);
  const std::string left = run(rtf, {0, kVniWin});
  EXPECT_NE(left.find("\\f3 " + rtfEscaped(test::conv(kUtf8, kTcvn3, kTcvn3Line))),
            std::string::npos);
  // Windows-1258 fonts (\fcharset163) are read as that code page.
  const std::string w = "{\\rtf1{\\fonttbl{\\f0\\fcharset163 Arial;}}\\f0 Vi\\'ea\\'f2t \\'fe}";
  EXPECT_EQ(documentText(run(w, {kTcvn3, kDecimalEsc})), "Việt ₫");
}

TEST(Rtf, CutAnywhereAndMalformed) {
  // Random cuts of random fragments never change the result, and nothing is lost or crashes
  // on malformed input (an unfinished escape, an unclosed group, a lone backslash).
  const std::string pieces[] = {"{",
                                "}",
                                "\\par ",
                                "\\f0 ",
                                "\\f1 ",
                                "\\'b8",
                                "\\'e4",
                                "\\'",
                                "\\u7879?",
                                "\\uc2 ",
                                "a",
                                "e\xE4",
                                "\\bin3 xyz",
                                "\\*",
                                " ",
                                "\\{",
                                "\\\\",
                                "\r\n",
                                "{\\fonttbl{\\f1 VNI-Times;}}"};
  std::mt19937 rng(3);
  for (int round = 0; round < 500; ++round) {
    std::string rtf = "{\\rtf1{\\fonttbl{\\f0 .VnTime;}}";
    for (int k = static_cast<int>(rng() % 60); k > 0; --k) rtf += pieces[rng() % std::size(pieces)];
    const std::string whole = run(rtf, {kTcvn3, kDecimalEsc});
    for (std::size_t cut : {1u, 5u}) ASSERT_EQ(run(rtf, {kTcvn3, kDecimalEsc}, cut), whole) << rtf;
  }
}

}  // namespace
}  // namespace ts
