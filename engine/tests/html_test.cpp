#include "ts/html.hpp"

#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>

#include "test_util.hpp"
#include "ts/replace.hpp"

namespace ts {
namespace {

using test::hex;

std::string html(int from, int to, const std::string& text, HtmlSettings settings = {},
                 std::size_t piece = 0) {
  ConverterState conv;
  selectPair(conv, static_cast<std::uint32_t>(from), static_cast<std::uint32_t>(to));
  FontMapState fonts;
  HtmlConverter h(conv, fonts, settings);
  ByteBuffer out;
  if (piece == 0) {
    h.feed(text, out);
  } else {
    for (std::size_t at = 0; at < text.size(); at += piece)
      h.feed(std::string_view(text).substr(at, piece), out);
  }
  h.finish(out);
  return out.str();
}

std::string tag(int from, int to, const std::string& inside, HtmlSettings settings = {}) {
  ConverterState conv;
  selectPair(conv, static_cast<std::uint32_t>(from), static_cast<std::uint32_t>(to));
  FontMapState fonts;
  return rewriteHtmlTag(conv, fonts, settings, inside);
}

TEST(Html, EntityTable) {
  const char* low =
      "euro - sbquo fnof bdquo hellip dagger Dagger circ permil Scaron lsaquo OElig - - - - "
      "lsquo rsquo ldquo rdquo bull ndash mdash tilde trade scaron rsaquo oelig - - Yuml";
  const char* high =
      "iexcl cent pound curren yen brvbar sect uml copy ordf laquo not shy reg macr deg plusmn "
      "sup2 sup3 acute micro para middot cedil sup1 ordm raquo frac14 frac12 frac34 iquest "
      "Agrave Aacute Acirc Atilde Auml Aring AElig Ccedil Egrave Eacute Ecirc Euml Igrave "
      "Iacute Icirc Iuml ETH Ntilde Ograve Oacute Ocirc Otilde Ouml times Oslash Ugrave Uacute "
      "Ucirc Uuml Yacute THORN szlig agrave aacute acirc atilde auml aring aelig ccedil egrave "
      "eacute ecirc euml igrave iacute icirc iuml eth ntilde ograve oacute ocirc otilde ouml "
      "divide oslash ugrave uacute ucirc uuml yacute thorn yuml";
  std::vector<std::pair<int, std::string>> expected;
  std::istringstream lo(low), hi(high);
  std::string w;
  for (int b = 128; lo >> w; ++b)
    if (w != "-") expected.push_back({b, w});
  for (int b = 161; hi >> w; ++b) expected.push_back({b, w});
  ASSERT_EQ(expected.size(), 120u);
  const HtmlEntity* t = htmlEntityTable();
  for (int i = 0; i < kHtmlEntityCount; ++i) {
    const int b = expected[static_cast<std::size_t>(i)].first;
    EXPECT_EQ(t[i].byte, b);
    EXPECT_EQ(std::string(t[i].name), "&" + expected[static_cast<std::size_t>(i)].second + ";");
    EXPECT_EQ(std::string(t[i].numeric), "&#" + std::to_string(b) + (b >= 161 ? ";" : ""));
  }
  for (int b : {129, 141, 142, 143, 144, 157, 158, 160})
    for (int i = 0; i < kHtmlEntityCount; ++i) EXPECT_NE(t[i].byte, b);
}

TEST(Html, WordConverter) {
  ConverterState conv;
  HtmlSettings numeric, named, eightBit;
  named.form = EntityForm::kNamed;
  eightBit.form = EntityForm::kEightBit;
  selectPair(conv, 15, 29);
  EXPECT_EQ(convertHtmlWord(conv, numeric, "\xB8"), "a&#249;");  // á written a + F9
  EXPECT_EQ(convertHtmlWord(conv, named, "\xB8"), "a&ugrave;");
  EXPECT_EQ(convertHtmlWord(conv, eightBit, "\xB8"), "a\xF9");
  // Entities are decoded to bytes of the source charset: DD is TCVN3's í, ED in VNI.
  EXPECT_EQ(convertHtmlWord(conv, numeric, "&Yacute;&#221;"), "&#237;&#237;");
  EXPECT_EQ(convertHtmlWord(conv, numeric, "&amp;&#38;&NoSuch;"), "&amp;&#38;&NoSuch;");
  selectPair(conv, 15, 15);
  // The references of 128..159 have no semicolon, so one written with it leaves ";".
  EXPECT_EQ(convertHtmlWord(conv, numeric, "&#128;"), "&#128;");
  EXPECT_EQ(convertHtmlWord(conv, eightBit, "&#128;"), "\x80;");
  EXPECT_EQ(convertHtmlWord(conv, numeric, "\x81\x8D\xA0\xA1"), "\x81\x8D\xA0&#161;");
  EXPECT_EQ(convertHtmlWord(conv, numeric, "\x99"), "&#153");
  // UTF-8 output takes no entities.
  selectPair(conv, 15, 41);
  EXPECT_EQ(convertHtmlWord(conv, numeric, "\xB5"), "\xC3\xA0");
  EXPECT_EQ(convertHtmlWord(conv, numeric, "&#224;"), "\xC3\xA0");  // E0: no TCVN3 letter
}

TEST(Html, TagRewriter) {
  EXPECT_EQ(tag(29, 15, "font face=\"VNI-Times\" size=2"), "font face=\".VnTime\" size=2");
  EXPECT_EQ(tag(29, 15, "FONT FACE=VNI-Times"), "FONT FACE=.VnTime");
  EXPECT_EQ(tag(29, 15, "span style=\"font-family:Arial\""), "span style=\"font-family:Arial\"");
  EXPECT_EQ(tag(29, 15, "span style=\"FONT-FAMILY: &quot;VNI-Times&quot;; color: red\""),
            "span style=\"FONT-FAMILY: &quot;.VnTime&quot;; color: red\"");
  EXPECT_EQ(tag(29, 15, "p style=\"font-family: VNI-Couri\" title=\"VNI-Couri\""),
            "p style=\"font-family: .VnCourier New\" title=\".VnCourier New\"");
  // A name is the longest run of name bytes: the blank before ";" belongs to it.
  EXPECT_EQ(tag(29, 15, "p style=\"font-family: VNI-Times ; x\""),
            "p style=\"font-family: VNI-Times ; x\"");
  EXPECT_EQ(tag(29, 29, "font face=\"VNI-Times\""), "font face=\"VNI-Times\"");
  EXPECT_EQ(tag(29, 15, "font face=\"\""), "font face=\"\"");
  // Charset declarations, in a tag that names no font.
  EXPECT_EQ(
      tag(29, 15, "meta http-equiv=\"Content-Type\" content=\"text/html; charset=x-user-defined\""),
      "meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1252\"");
  EXPECT_EQ(
      tag(29, 15, "meta content=\"text/html; charset=x-user-defined\" http-equiv=\"Content-Type\""),
      "meta content=\"text/html; charset=windows-1252\" http-equiv=\"Content-Type\"");
  EXPECT_EQ(tag(29, 15, "meta charset=\"utf-8\" /"), "meta charset=\"windows-1252\" /");
  EXPECT_EQ(tag(29, 15, "meta charset='utf-8'"), "meta charset='windows-1252'");
  EXPECT_EQ(tag(29, 15, "meta charset=utf-8"), "meta charset=windows-1252");
  EXPECT_EQ(tag(29, 15, "META CONTENT=\"text/html; CHARSET=VNI"),
            "META CONTENT=\"text/html; CHARSET=windows-1252\"");  // the open quote is closed
  EXPECT_EQ(tag(29, 15, "meta charset = utf-8 x"), "meta charset=windows-1252 x");
  EXPECT_EQ(tag(29, 15, "a title=\"charset\""), "a title=\"charset\"");  // declares nothing
  EXPECT_EQ(tag(29, 15, "b"), "b");
  HtmlSettings utf8;
  utf8.charsetName = "utf-8";
  EXPECT_EQ(tag(29, 41, "meta content=\"text/html; charset=VNI\"", utf8),
            "meta content=\"text/html; charset=utf-8\"");
  // A tag with a font declaration keeps its charset.
  EXPECT_EQ(tag(29, 15, "font face=\"VNI-Times\" charset=x"), "font face=\".VnTime\" charset=x");
  // The name runs on over blanks: here it would be "VNI-Times charset", no font.
  EXPECT_EQ(tag(29, 15, "font face=VNI-Times charset=x"), "font face=VNI-Times charset=x");
}

TEST(Html, ReadableAttributeValues) {
  auto values = [](std::string_view inside) {
    std::string out;
    for (const AttributeValue& v : readableAttributeValues(inside))
      out += std::string(inside.substr(v.offset, v.length)) + (v.quote ? v.quote : '_') + "|";
    return out;
  };
  EXPECT_EQ(values("img src=\"a b\" alt=\"x y\" TITLE='z' label=w summary = \"s\""),
            "x y\"|z'|w_|s\"|");
  EXPECT_EQ(values("input placeholder=\"p\" value=\"v\""), "p\"|");
  // A meta's content, wherever its name stands; only descriptions and keywords.
  EXPECT_EQ(values("meta content=\"c\" name=\"Keywords\""), "c\"|");
  EXPECT_EQ(values("META NAME=description CONTENT='d'"), "d'|");
  EXPECT_EQ(values("meta name=\"author\" content=\"c\""), "");
  EXPECT_EQ(values("meta http-equiv=\"Content-Type\" content=\"text/html\""), "");
  // Not the same as an attribute whose name ends alike, nor one without a value.
  EXPECT_EQ(values("img data-alt=\"x\" alt"), "");
  EXPECT_EQ(values("img alt=\"open"), "open\"|");  // a quote that never closes: to the end
  EXPECT_EQ(values(""), "");
}

TEST(Html, Scan) {
  EXPECT_EQ(html(15, 15, "abcd efgh"), "abcd efgh");  // the last word needs no break
  EXPECT_EQ(html(15, 29, "<b>\xB8</b> \xB8-x"), "<b>a&#249;</b> a&#249;-x");
  EXPECT_EQ(html(15, 29, "<p class=\xB8>"), "<p class=\xB8>");  // tags are not text
  EXPECT_EQ(html(15, 29, "a <b class=\"x"), "a <b class=\"x");  // an open tag is kept
  EXPECT_EQ(html(15, 29, "<"), "<");
  EXPECT_EQ(html(15, 29, "x>y"), "x>y");
  EXPECT_EQ(html(15, 29, "<!-- \xB8 --> \xB8"), "<!-- \xB8 --> a&#249;");
  EXPECT_EQ(html(15, 29, "<script>s='\xB8';</script>"), "<script>s='a&#249;';</script>");
  EXPECT_EQ(html(15, 15, ""), "");
  // Long words and tags are converted whole.
  const std::string longWord(1500, '\xB8');
  std::string expectWord;
  for (int i = 0; i < 1500; ++i) expectWord += "a&#249;";
  EXPECT_EQ(html(15, 29, longWord + " x"), expectWord + " x");
  const std::string longTag = "<p title=\"" + std::string(1200, 'z') + "\">";
  EXPECT_EQ(html(15, 29, longTag), longTag);
  const std::string page =
      "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=x-user-defined\">"
      "</head><body><font face=\".VnTime\">Vi\xD6t Nam &copy; 2024</font></body></html>";
  // &copy; is the byte A9, which in TCVN3 is â.
  const std::string expect =
      "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1252\">"
      "</head><body><font face=\"VNI-Times\">Vie&#228;t Nam a&#226; 2024</font></body></html>";
  EXPECT_EQ(html(15, 29, page), expect);
  for (std::size_t piece : {1, 2, 7, 64}) EXPECT_EQ(html(15, 29, page, {}, piece), expect);
}

TEST(Html, PiecesGiveTheWholeResult) {
  std::mt19937 rng(12);
  const char* parts[] = {
      "<", ">",           " ",    "\xB8", "&#224;", "&amp;", "font face=.VnTime ",
      "a", "charset=x\"", "\r\n", "-",    "\xAE"};
  for (int k = 0; k < 200; ++k) {
    std::string text;
    for (int i = 0; i < 60; ++i) text += parts[std::uniform_int_distribution<int>(0, 11)(rng)];
    const std::string whole = html(15, 41, text);
    EXPECT_EQ(html(15, 41, text, {}, 1 + static_cast<std::size_t>(k % 9)), whole) << hex(text);
  }
}

// Entity decoding against the rows applied one after the other over the whole word.
TEST(Html, EntityDecodingEqualsTheRowsInTurn) {
  auto literal = [](std::string w) {
    for (int i = 0; i < kHtmlEntityCount; ++i) {
      const HtmlEntity& e = htmlEntityTable()[i];
      for (const char* form : {e.name, e.numeric}) {
        if (w.find(form) == std::string::npos) continue;
        w = ReplaceAll(w, form, std::string(1, static_cast<char>(e.byte)));
      }
    }
    return w;
  };
  std::mt19937 rng(13);
  std::vector<std::string> pieces = {"&",     "#",      ";",      "1",       "2",    "5",
                                     "8",     "9",      "0",      "a",       "&amp", "&#12",
                                     "&#128", "&#255;", "&copy;", "&#1289;", "&&#"};
  for (int i = 0; i < kHtmlEntityCount; ++i) {
    pieces.push_back(htmlEntityTable()[i].name);
    pieces.push_back(htmlEntityTable()[i].numeric);
  }
  std::string got;
  for (int k = 0; k < 20000; ++k) {
    std::string w;
    const int n = std::uniform_int_distribution<int>(0, 8)(rng);
    for (int i = 0; i < n; ++i)
      w += pieces[std::uniform_int_distribution<std::size_t>(0, pieces.size() - 1)(rng)];
    decodeHtmlEntities(w, got);
    ASSERT_EQ(got, literal(w)) << w;
  }
}

}  // namespace
}  // namespace ts
