#include "ts/text_utils.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "test_util.hpp"

namespace ts {
namespace {

using test::bytes;
using test::hex;

std::string cased(int charset, std::string text, bool upper, bool* ok = nullptr) {
  TextUtilState st;
  defaultCharset(st, static_cast<std::uint32_t>(charset));
  const bool done = changeCase(st, text.data(), text.size(), upper);
  if (ok != nullptr) *ok = done;
  return text;
}

std::string key(int charset, std::uint32_t mode, const std::string& text) {
  ConverterState conv;
  return sortKey(conv, static_cast<CharsetCode>(charset), mode, text);
}

TEST(TextUtils, DefaultCharset) {
  TextUtilState st;
  EXPECT_EQ(defaultCharset(st, 0), 0);
  EXPECT_EQ(defaultCharset(st, 15), 15);
  EXPECT_EQ(defaultCharset(st, 41), 0);
  EXPECT_EQ(defaultCharset(st, 0), 15);
  EXPECT_EQ(defaultCharset(st, 0x100 + 29), 29);  // the low byte
  EXPECT_EQ(defaultCharset(st, 40), 40);
  EXPECT_EQ(defaultCharset(st, 0x100), 40);  // low byte 0 asks
}

TEST(TextUtils, CaseInPlaceDocumentedCases) {
  EXPECT_EQ(hex(cased(15, bytes({0x61, 0xA8, 0xAE, 0xB5}), true)), "41 A1 A7 B5");
  EXPECT_EQ(hex(cased(15, bytes({0x41, 0xA1, 0xA7, 0xB5}), false)), "61 A8 AE B5");
  EXPECT_EQ(hex(cased(18, bytes({0xA5, 0xD1}), true)), "86 A4");
  EXPECT_EQ(hex(cased(18, bytes({0x86, 0xA4}), false)), "A5 D1");
  EXPECT_EQ(hex(cased(29, bytes({0x61, 0xF8}), true)), "41 D8");
  EXPECT_EQ(hex(cased(29, bytes({0x41, 0xD8}), false)), "61 F8");
  EXPECT_EQ(hex(cased(25, bytes({0xE0}), true)), "C0");
  EXPECT_EQ(cased(24, "dda(ng", true), "DDA(NG");  // VIQR: only ASCII letters
  // TCVN2's À is two bytes: à keeps its byte rather than lose its tone.
  EXPECT_EQ(hex(cased(14, bytes({0xB5, 0x61}), true)), "B5 41");
  EXPECT_EQ(hex(cased(14, bytes({0xA8}), true)), "A1");  // ă Ă are single bytes
  // VN Unicode 1: escapes are not text.
  EXPECT_EQ(cased(39, "x\\u0224y\\u7843", true), "X\\u0224Y\\u7843");
  EXPECT_EQ(cased(39, "\\U0224", false), "\\u0224");  // no escape: bytes
  EXPECT_EQ(cased(39, "ab\\u02", true), "AB\\U02");   // too short to be one
}

TEST(TextUtils, CaseNeedsAUsableCharset) {
  for (int c : {0, 7, 12, 40, 41}) {
    bool ok = true;
    EXPECT_EQ(cased(c, "abc", true, &ok), "abc") << c;
    EXPECT_FALSE(ok) << c;
  }
}

// The byte loop as the rules give it, pair after pair with no tables built, for every
// charset and every byte.
std::uint8_t literalCase(const CharsetSelection& cs, std::uint8_t b, bool upper) {
  if (upper && b >= 'a' && b <= 'z') return static_cast<std::uint8_t>(b - 32);
  if (!upper && b >= 'A' && b <= 'Z') return static_cast<std::uint8_t>(b + 32);
  auto first = [&](int n) {
    const LetterCode c = storedCode(cs, n);
    return c.empty() ? std::uint8_t{0} : c.bytes[0];
  };
  const int base[] = {7, 25, 67, 31, 37, 43};
  if (cs.kind == 1) {
    if (b == first(upper ? 79 : 80)) return first(upper ? 80 : 79);
    for (int k = 0; k < 6; ++k)
      if (b == first(upper ? base[k] : 73 + k)) return first(upper ? 73 + k : base[k]);
  } else if (cs.kind == 2) {
    std::vector<int> raised;
    for (int n = 1; n <= 72; ++n) {
      const LetterCode c = storedCode(cs, n);
      for (int i = 0; i < c.len; ++i)
        if (c.bytes[i] > 0x80) raised.push_back(c.bytes[i]);
    }
    raised.push_back(first(79));
    auto in = [&](int v) { return std::find(raised.begin(), raised.end(), v) != raised.end(); };
    if (upper && in(b)) return static_cast<std::uint8_t>(b - 32);
    if (!upper && in(b + 32)) return static_cast<std::uint8_t>(b + 32);
  } else if (cs.kind == 3) {
    auto single = [&](int n) { return storedCode(cs, n).len == 1; };
    for (int n = 1; n <= 73; ++n) {
      const int lo = n == 73 ? 79 : n, up = n == 73 ? 80 : n + 80;
      if (!single(lo) || !single(up)) continue;
      if (b == first(upper ? lo : up)) b = first(upper ? up : lo);
    }
  }
  return b;
}

TEST(TextUtils, CaseEqualsTheByteLoop) {
  for (int c = 1; c <= 40; ++c) {
    CharsetSelection cs;
    if (!selectCharset(static_cast<std::uint32_t>(c), 40, cs) || c == 39) continue;
    std::string all;
    for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
    for (bool upper : {true, false}) {
      const std::string got = cased(c, all, upper);
      for (int b = 1; b < 256; ++b)
        ASSERT_EQ(static_cast<std::uint8_t>(got[b - 1]),
                  literalCase(cs, static_cast<std::uint8_t>(b), upper))
            << "charset " << c << " byte " << b << (upper ? " upper" : " lower");
    }
  }
}

// Upper then lower gives the lower-case text back, for every letter whose codes allow it:
// the letter's capital is written by the capital rule or has single-byte codes.
TEST(TextUtils, CaseRoundTrips) {
  int checked = 0;
  for (int c = 1; c <= 40; ++c) {
    CharsetSelection cs;
    if (!selectCharset(static_cast<std::uint32_t>(c), 40, cs) || c == 39) continue;
    for (int n = 1; n <= 79; ++n) {
      if (n >= 73 && n <= 78) continue;
      const std::string lower(writeLetter(cs, n).view());
      const std::string capital(writeLetter(cs, n == 79 ? 80 : n + 80).view());
      if (lower.empty()) continue;
      const bool single = lower.size() == 1 && capital.size() == 1;
      // Kind 5 changes only ASCII letters; kind 3 only single-byte codes.
      const bool expected =
          cs.kind == 1 || cs.kind == 2 || cs.kind == 4 || (cs.kind == 3 && single) ||
          (cs.kind == 5 && static_cast<unsigned char>(lower[0]) < 0x80 && n != 79);
      if (!expected) {
        EXPECT_EQ(cased(c, lower, true), lower) << c << " " << n;  // left as it was
        continue;
      }
      EXPECT_EQ(hex(cased(c, lower, true)), hex(capital)) << "charset " << c << " letter " << n;
      EXPECT_EQ(hex(cased(c, capital, false)), hex(lower)) << "charset " << c << " letter " << n;
      ++checked;
    }
  }
  EXPECT_GT(checked, 1500);
}

TEST(TextUtils, SortKeys) {
  EXPECT_EQ(key(24, 1, "Vie^.t Nam"), "Viez}t. Nam");
  EXPECT_EQ(key(24, 1, "dda(ng"), "dzaz{ng");
  EXPECT_EQ(key(24, 3, "Vie^.t"), "Viez}tj");
  EXPECT_EQ(key(24, 0x65, "Nguye^~n Va(n An"), "An Nguyez}n& Vaz{n");
  EXPECT_EQ(key(24, 0x65, "Nguye^~n An"), "An Nguyez}n&");
  EXPECT_EQ(key(24, 0x65, "An"), "An");
  EXPECT_EQ(key(24, 0x100 + 3, "a`"), "af");  // the low byte of the mode
  EXPECT_EQ(key(24, 1, "a`?"), "a%");         // a later tone replaces the earlier one
  EXPECT_EQ(key(24, 1, "u+~ u+~"), "uz~& uz~&");
  EXPECT_EQ(key(24, 1, "DD Dd dD"), "Dz Dz dz");
  EXPECT_EQ(key(24, 1, ""), "");
  // Through the converter for other charsets; the pair (charset, VIQR) stays selected.
  ConverterState conv;
  EXPECT_EQ(sortKey(conv, 15, 1, "Vi\xD6t"), "Viez}t.");
  EXPECT_EQ(conv.source(), 15);
  EXPECT_EQ(conv.destination(), 24);
  EXPECT_EQ(sortKey(conv, 40, 1, "\\u7879"), "ez}.");  // VN Unicode 2 reads as 1
  // No usable charset: no key, and the pair is left alone.
  EXPECT_EQ(sortKey(conv, 0, 1, "abc"), "");
  EXPECT_EQ(sortKey(conv, 7, 1, "abc"), "");
  EXPECT_EQ(conv.source(), 39);
}

// The longest key: one letter with a diacritic and a tone per byte, in one word.
TEST(TextUtils, SortKeyLengthBound) {
  std::mt19937 rng(9);
  for (int c = 1; c <= 40; ++c) {
    if (!sortable(static_cast<CharsetCode>(c))) continue;
    ConverterState conv;
    for (int b = 1; b < 256; ++b) {
      const std::string one(1, static_cast<char>(b));
      ASSERT_LE(sortKey(conv, static_cast<CharsetCode>(c), 1, one).size(), maxSortKeyLength(1));
    }
    for (int k = 0; k < 300; ++k) {
      std::string t;
      const int len = std::uniform_int_distribution<int>(1, 12)(rng);
      for (int i = 0; i < len; ++i)
        t += static_cast<char>(std::uniform_int_distribution<int>(1, 255)(rng));
      for (std::uint32_t mode : {1u, 3u, 0x65u})
        ASSERT_LE(sortKey(conv, static_cast<CharsetCode>(c), mode, t).size(),
                  maxSortKeyLength(t.size()));
    }
  }
  EXPECT_EQ(key(15, 1, "\xF7").size(), 4u);  // TCVN3 ữ: "u+~" keyed "uz~&"
}

// Dictionary order: letters first (a < ă < â, d < đ, e < ê, o < ô < ơ, u < ư), then the
// tone (none < grave < hook < tilde < acute < dot below).
TEST(TextUtils, DictionaryOrder) {
  const std::vector<std::string> ordered = {
      "a",  "à",  "ả",  "ã",  "á",  "ạ",   "an", "anh", "ă", "ằ",  "ẳ", "ẵ", "ắ", "ặ", "ăn",
      "â",  "ầ",  "ẩ",  "ẫ",  "ấ",  "ậ",   "ân", "b",   "d", "da", "đ", "e", "è", "ẻ", "ẽ",
      "é",  "ẹ",  "ê",  "ề",  "ể",  "ễ",   "ế",  "ệ",   "i", "ì",  "ỉ", "ĩ", "í", "ị", "ma",
      "mà", "mả", "mã", "má", "mạ", "man", "o",  "ò",   "ỏ", "õ",  "ó", "ọ", "ô", "ồ", "ổ",
      "ỗ",  "ố",  "ộ",  "ơ",  "ờ",  "ở",   "ỡ",  "ớ",   "ợ", "u",  "ù", "ủ", "ũ", "ú", "ụ",
      "ư",  "ừ",  "ử",  "ữ",  "ứ",  "ự",   "y",  "ỳ",   "ỷ", "ỹ",  "ý", "ỵ"};
  for (int c : {15, 24, 25, 29, 39, 27, 36}) {
    ConverterState toCharset;
    ASSERT_TRUE(selectPair(toCharset, 41, static_cast<std::uint32_t>(c)));
    std::vector<std::string> words;
    for (const auto& w : ordered) words.push_back(convert(toCharset, w));
    std::vector<std::string> shuffled = words;
    std::mt19937 rng(static_cast<unsigned>(c));
    std::shuffle(shuffled.begin(), shuffled.end(), rng);
    ConverterState conv;
    std::stable_sort(shuffled.begin(), shuffled.end(),
                     [&](const std::string& a, const std::string& b) {
                       return compareSorted(conv, static_cast<CharsetCode>(c), a, b) < 0;
                     });
    EXPECT_EQ(shuffled, words) << "charset " << c;
  }
  ConverterState conv;
  EXPECT_LT(compareSorted(conv, 0, "a", "b"), 0);     // no charset: the bytes
  EXPECT_GT(compareSorted(conv, 0, "\xE0", "b"), 0);  // compared unsigned
  EXPECT_EQ(compareSorted(conv, 24, "a`", "a`"), 0);
}

TEST(TextUtils, BreakCharacters) {
  TextUtilState st;
  for (const char* viqrMarks = "'()*+.?^`~"; *viqrMarks; ++viqrMarks) {
    EXPECT_TRUE(isBreakChar(st, static_cast<std::uint8_t>(*viqrMarks))) << *viqrMarks;
  }
  EXPECT_FALSE(isBreakChar(st, 'a'));
  EXPECT_FALSE(isBreakChar(st, 'Z'));
  EXPECT_FALSE(isBreakChar(st, 161));
  EXPECT_FALSE(isBreakChar(st, 255));
  EXPECT_TRUE(isBreakChar(st, 160));
  EXPECT_TRUE(isBreakChar(st, ' '));
  EXPECT_TRUE(isBreakChar(st, '1'));
  EXPECT_TRUE(isBreakChar(st, 0x100 + '1'));
  EXPECT_FALSE(isBreakChar(st, 0x100 + 'a'));  // the low byte
  defaultCharset(st, 24);
  for (const char* viqrMarks = "'()*+.?^`~"; *viqrMarks; ++viqrMarks)
    EXPECT_FALSE(isBreakChar(st, static_cast<std::uint8_t>(*viqrMarks))) << *viqrMarks;
  EXPECT_TRUE(isBreakChar(st, ','));
}

TEST(TextUtils, NameLines) {
  EXPECT_EQ(nameLine(15), " 15   -   TCVN3 - ABC");
  EXPECT_EQ(nameLine(15).size(), 21u);
  EXPECT_EQ(nameLine(1), " 01   -   3C 2.5");
  EXPECT_EQ(nameLine(27), " 27   -   VN Win 95 ");
  for (int c = 1; c <= 44; ++c)
    EXPECT_EQ(nameLine(c), std::string(" ") + (c < 10 ? "0" : "") + std::to_string(c) + "   -   " +
                               std::string(charsetName(c)));
  EXPECT_EQ(nameLine(0), "");
  EXPECT_EQ(nameLine(45), "");
  EXPECT_EQ(nameLine(41, 40), "");  // the web converter's catalogue ends at 40
  EXPECT_EQ(nameLine(40, 40), " 40   -   VN Unicode 2");
}

}  // namespace
}  // namespace ts
