#include "ts/letter_case.hpp"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "test_util.hpp"
#include "ts/unicode.hpp"

namespace ts {
namespace {

using test::hex;

std::string run(int charset, bool upper, const std::string& text, std::size_t piece = 0) {
  LetterCaseStream s(charset, upper);
  ByteBuffer out;
  if (piece == 0) {
    s.feed(text, out);
  } else {
    for (std::size_t at = 0; at < text.size(); at += piece)
      s.feed(std::string_view(text).substr(at, piece), out);
  }
  s.finish(out);
  return out.str();
}

// Every letter written in every charset, upper- and lower-cased letter by letter.
TEST(LetterCaseStream, EveryCharsetAndLetter) {
  for (int c = 1; c <= 43; ++c) {
    CharsetSelection cs;
    if (!selectCharset(static_cast<std::uint32_t>(c), kCatalogueSize, cs)) continue;
    std::string text, upper, lower;
    for (int n = 1; n <= 152; ++n) {
      if (c == 26 && n % 80 == 8) continue;  // VN AutoCad's ở hides ằ
      const int lowerN = lowerLetter(n);
      // A capital that reads as its lower-case letter (one shared code) reads as that.
      const std::string code(writeLetter(cs, n).view());
      if (code.empty()) continue;
      const bool shared = lowerN != n && code == std::string(writeLetter(cs, lowerN).view());
      const int read = shared ? lowerN : n;
      auto other = [&](int m) {  // a case the charset lacks leaves the letter as it is
        const std::string s(writeLetter(cs, m).view());
        return s.empty() ? code : s;
      };
      text += code + " x ";
      upper += other(upperLetter(read)) + " X ";
      lower += other(lowerLetter(read)) + " x ";
    }
    EXPECT_EQ(hex(run(c, true, text)), hex(upper)) << "charset " << c;
    EXPECT_EQ(hex(run(c, false, text)), hex(lower)) << "charset " << c;
    for (std::size_t piece : {1, 2, 5}) {
      EXPECT_EQ(run(c, true, text, piece), run(c, true, text)) << c << " in pieces of " << piece;
    }
  }
}

TEST(LetterCaseStream, UnicodeFormsKeepWhatIsNoLetter) {
  EXPECT_EQ(run(41, true, "vi\xE1\xBB\x87t \xE4\xB8\xAD \xC3"),
            "VI\xE1\xBB\x86T \xE4\xB8\xAD \xC3");
  EXPECT_EQ(run(41, false, "\xC4\x90\xC3\x80\xF0\x9F\x98\x80"), "\xC4\x91\xC3\xA0\xF0\x9F\x98\x80");
  EXPECT_EQ(run(39, true, "\\u0224x\\u9999\\u02"), "\\u0192X\\u9999\\U02");
  EXPECT_EQ(run(42, true, "&#224;&amp;&#20013;&#224"), "&#192;&AMP;&#20013;&#224");
  EXPECT_EQ(run(43, true, "\\xE0\"\"x\\x4e2d\\xe0"), "\\xC0\"\"X\\x4e2d\\xe0");
  EXPECT_EQ(run(43, false, "\\x1EA2\"\"AB"), "\\x1EA3\"\"ab");
  EXPECT_EQ(run(24, true, "dda(ng Vie^.t"), "DDA(NG VIE^.T");
  EXPECT_EQ(run(24, false, "DDA(NG"), "dda(ng");
  EXPECT_EQ(hex(run(15, true, "a\xA8\xAE\xB5")), "41 A1 A7 B5");  // TCVN3 has no À
  EXPECT_EQ(hex(run(27, true, "\xE3n")), "C3 4E");  // kind 5 capitals come from the table
  EXPECT_EQ(hex(run(4, true, "\xFF")), "FF");       // B.K HCM 1 has no Ỵ: ỵ stays
  EXPECT_THROW(LetterCaseStream(7, true), std::invalid_argument);
}

TEST(LetterCaseStream, PiecesOfUnicodeForms) {
  std::mt19937 rng(8);
  for (int c : {39, 41, 42, 43}) {
    CharsetSelection cs;
    selectCharset(static_cast<std::uint32_t>(c), kCatalogueSize, cs);
    std::string text;
    for (int i = 0; i < 400; ++i) {
      text += writeLetter(cs, std::uniform_int_distribution<int>(1, 152)(rng)).view();
      if (i % 7 == 0) text += "\\x9F\\u12&#99999;\xE4\xB8";
    }
    for (bool upper : {true, false}) {
      const std::string whole = run(c, upper, text);
      for (std::size_t piece : {1, 3, 8}) EXPECT_EQ(run(c, upper, text, piece), whole) << c;
    }
  }
}

}  // namespace
}  // namespace ts
