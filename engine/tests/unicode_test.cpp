#include "ts/unicode.hpp"

#include <gtest/gtest.h>

#include <string>

#include "test_util.hpp"

namespace ts {
namespace {

using test::bytes;
using test::hex;

std::u16string units(std::initializer_list<int> v) {
  std::u16string s;
  for (int u : v) s.push_back(static_cast<char16_t>(u));
  return s;
}

std::string written(int dst, const std::u16string& text) {
  ConverterState st;
  selectPair(st, 15, static_cast<std::uint32_t>(dst));
  std::string out;
  EXPECT_TRUE(fromUtf16(st, text, out));
  return out;
}

TEST(UnicodeBridge, DocumentedCases) {
  ConverterState st;
  ASSERT_TRUE(selectPair(st, 15, 39));
  EXPECT_EQ(toUtf16(st, "a\xB5"), units({0x61, 0xE0}));
  EXPECT_EQ(hex(written(15, units({0x1EC6}))), "D6");
  EXPECT_EQ(written(15, units({'A'})), "A");
  EXPECT_EQ(hex(written(15, units({0x20AC}))), "AC");  // no letter: the low byte
  EXPECT_EQ(hex(written(29, units({0xC0}))), "41 D8");
  EXPECT_EQ(written(42, units({0x1EA1})), "&#7841;");
  EXPECT_EQ(hex(written(15, units({0xE9}))), "D0");  // é is a letter
  EXPECT_EQ(hex(written(15, units({0xE7}))), "E7");  // ç is not
}

TEST(UnicodeBridge, EscapesAndTheEndOfTheText) {
  ConverterState st;
  ASSERT_TRUE(selectPair(st, 39, 39));  // equal codes: the text is read as it is
  EXPECT_EQ(toUtf16(st, "\\u0224\\u7843"), units({0xE0, 0x1EA3}));
  EXPECT_EQ(toUtf16(st, "x\\u022"), units({'x', '\\', 'u', '0', '2', '2'}));
  EXPECT_EQ(toUtf16(st, "\\u"), units({'\\', 'u'}));
  EXPECT_EQ(toUtf16(st, "\\"), units({'\\'}));
  EXPECT_EQ(toUtf16(st, ""), std::u16string());
  EXPECT_EQ(toUtf16(st, "\xFF"), units({0xFF}));
  // Only four decimal digits make an escape.
  EXPECT_EQ(toUtf16(st, "\\u0:00"), units({'\\', 'u', '0', ':', '0', '0'}));
}

// Every letter of every byte charset goes to its code point and back.  A capital that shares
// its code with its lower-case letter reads as the lower-case letter.
TEST(UnicodeBridge, EveryLetterThereAndBack) {
  for (int c = 1; c <= 43; ++c) {
    if (!test::hasTable(c) || c == 39) continue;
    CharsetSelection cs;
    selectCharset(static_cast<std::uint32_t>(c), kCatalogueSize, cs);
    ConverterState there, back;
    ASSERT_TRUE(selectPair(there, static_cast<std::uint32_t>(c), 39));
    ASSERT_TRUE(selectPair(back, 39, static_cast<std::uint32_t>(c)));
    for (int n = 1; n <= 152; ++n) {
      const std::string code(writeLetter(cs, n).view());
      if (code.empty() || (c == 26 && n % 80 == 8)) continue;  // VN AutoCad: ở hides ằ
      int read = n;
      const int lower = lowerCaseOf(baseCapitalOf(n));
      if (lower != 0 && std::string(writeLetter(cs, lower).view()) == code) read = lower;
      EXPECT_EQ(toUtf16(there, code),
                std::u16string(1, static_cast<char16_t>(letterCodePoint(read))))
          << "charset " << c << " letter " << n;
      std::string out;
      ASSERT_TRUE(
          fromUtf16(back, std::u16string(1, static_cast<char16_t>(letterCodePoint(n))), out));
      EXPECT_EQ(hex(out), hex(code)) << "charset " << c << " letter " << n;
    }
  }
}

TEST(UnicodeBridge, WritesInTheCurrentDestination) {
  ConverterState st;
  std::string out;
  EXPECT_FALSE(fromUtf16(st, units({0xE0}), out));  // nothing selected yet
  ASSERT_TRUE(selectPair(st, 15, 29));
  ASSERT_TRUE(selectPair(st, 25, 25));  // equal codes: the destination is now VISCII
  ASSERT_TRUE(fromUtf16(st, units({0xE0}), out));
  EXPECT_EQ(hex(out), "E0");
  EXPECT_FALSE(selectPair(st, 15, 7));
  out.clear();
  EXPECT_FALSE(fromUtf16(st, units({0xE0}), out));
  EXPECT_TRUE(out.empty());
}

TEST(LetterCase, Characters) {
  EXPECT_TRUE(isCapitalChar(0x0102));
  EXPECT_FALSE(isCapitalChar(0x0111));
  EXPECT_TRUE(isCapitalChar(0x0110));
  EXPECT_FALSE(isCapitalChar(0x00C7));
  EXPECT_TRUE(isCapitalChar('A'));
  EXPECT_FALSE(isCapitalChar('a'));
  EXPECT_FALSE(isCapitalChar('1'));
  EXPECT_EQ(lowerChar(0x1EC6), 0x1EC7u);
  EXPECT_EQ(lowerChar(0x0102), 0x0103u);
  EXPECT_EQ(lowerChar(0x0110), 0x0111u);
  EXPECT_EQ(lowerChar('Q'), static_cast<std::uint32_t>('q'));
  EXPECT_EQ(upperChar(0x0103), 0x0102u);
  EXPECT_EQ(upperChar(0x0102), 0x0102u);
  EXPECT_EQ(upperChar(0x0111), 0x0110u);
  EXPECT_EQ(upperChar('q'), static_cast<std::uint32_t>('Q'));
  for (std::uint32_t other : {0xE7u, 0xC7u, 0xF1u, 0x3B1u, 0x391u, 0x430u, 0x410u, 0x10000u}) {
    EXPECT_EQ(lowerChar(other), other);
    EXPECT_EQ(upperChar(other), other);
  }
  for (int n = 1; n <= 72; ++n) {
    const std::uint32_t lo = letterCodePoint(n), up = letterCodePoint(n + 80);
    EXPECT_EQ(upperChar(lo), up) << n;
    EXPECT_EQ(lowerChar(up), lo) << n;
    EXPECT_FALSE(isCapitalChar(lo)) << n;
    EXPECT_TRUE(isCapitalChar(up)) << n;
    EXPECT_EQ(letterCodePoint(upperLetter(n)), up);
    EXPECT_EQ(letterCodePoint(lowerLetter(n + 80)), lo);
  }
  for (int n = 73; n <= 78; ++n) {
    EXPECT_EQ(letterCodePoint(lowerLetter(n)), lowerChar(letterCodePoint(n))) << n;
    EXPECT_EQ(upperLetter(n), n);
  }
  EXPECT_EQ(upperLetter(79), 80);
  EXPECT_EQ(lowerLetter(80), 79);
}

// The case of every character equals what a search of the letter tables gives.
TEST(LetterCase, EveryCharacterAsTheTablesSay) {
  auto find = [](std::uint32_t ch, int from, int to) {
    for (int n = from; n <= to; ++n)
      if (letterCodePoint(n) == ch) return n;
    return 0;
  };
  // (Beyond the last letter, only characters each function returns as they are.)
  std::uint32_t last = 0;
  for (int n = 1; n <= kLetterCount; ++n) last = std::max<std::uint32_t>(last, letterCodePoint(n));
  for (std::uint32_t ch = 0; ch < last + 0x100; ++ch) {
    const bool capital = (ch >= 'A' && ch <= 'Z') || find(ch, 80, kLetterCount) != 0;
    const int up = find(ch, 81, kLetterCount), low = find(ch, 1, 72);
    const std::uint32_t lower = ch >= 'A' && ch <= 'Z' ? ch + 32
                                : up != 0              ? letterCodePoint(up - 80)
                                : ch == 0x110          ? 0x111
                                                       : ch;
    const std::uint32_t upper = ch >= 'a' && ch <= 'z' ? ch - 32
                                : low != 0             ? letterCodePoint(low + 80)
                                : ch == 0x111          ? 0x110
                                                       : ch;
    ASSERT_EQ(isCapitalChar(ch), capital) << std::hex << ch;
    ASSERT_EQ(lowerChar(ch), lower) << std::hex << ch;
    ASSERT_EQ(upperChar(ch), upper) << std::hex << ch;
  }
}

}  // namespace
}  // namespace ts
