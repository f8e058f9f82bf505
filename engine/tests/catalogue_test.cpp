#include "ts/catalogue.hpp"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "test_util.hpp"

namespace ts {
namespace {

using test::bytes;
using test::hex;

std::string code(int charset, int n) {
  CharsetSelection cs;
  if (!selectCharset(static_cast<std::uint32_t>(charset), kCatalogueSize, cs)) return "?";
  return std::string(storedCode(cs, n).view());
}

std::string written(int charset, int n) {
  CharsetSelection cs;
  if (!selectCharset(static_cast<std::uint32_t>(charset), kCatalogueSize, cs)) return "?";
  return std::string(writeLetter(cs, n).view());
}

TEST(Catalogue, NamesAreExact) {
  const char* expected[] = {
      "3C 2.5",       "3C 3.0",        "AcadWin",        "B.K HCM 1",    "B.K HCM 2",
      "Bked 56",      "Bked 60",       "DAISY",          "FreeCode",     "IBM 01129",
      "Son Telex",    "T Ventura",     "TCVN1",          "TCVN2",        "TCVN3 - ABC",
      "TVNICP",       "VietChar",      "Tessaro",        "Tessaro 2.x",  "VietSea",
      "VietStar",     "Vietware_F",    "Vietware_X",     "VIQR",         "VISCII",
      "VN AutoCad",   "VN Win 95 ",    "VNI - DOS",      "VNI - WIN",    "VNij",
      "VNLab",        "VNU",           "Vres",           "VS1",          "VS2",
      "VPSWIN",       "ThinART-PC",    "Viet Toan",      "VN Unicode 1", "VN Unicode 2",
      "Ucode1 UTF-8", "Ucode1 UCS2-W", "Ucode1 C Style", "VNA8256"};
  for (int c = 1; c <= kCatalogueSize; ++c) EXPECT_EQ(charsetName(c), expected[c - 1]) << c;
  EXPECT_EQ(charsetName(27).back(), ' ');
  EXPECT_TRUE(charsetName(0).empty());
  EXPECT_TRUE(charsetName(45).empty());
  EXPECT_TRUE(charsetName(-1).empty());
}

TEST(Catalogue, KindsCountsAndSharedTables) {
  // code -> kind (0: no letter table)
  const int kind[kCatalogueSize + 1] = {0, 2, 1, 3, 3, 2, 0, 0, 3, 3, 5, 1, 0, 3, 3,
                                        1, 1, 1, 1, 1, 1, 1, 1, 2, 4, 3, 1, 5, 3, 2,
                                        2, 1, 1, 1, 3, 2, 3, 3, 3, 3, 0, 3, 3, 3, 0};
  for (int c = 1; c <= kCatalogueSize; ++c) {
    CharsetSelection cs;
    const bool ok = selectCharset(static_cast<std::uint32_t>(c), kCatalogueSize, cs);
    EXPECT_EQ(ok, kind[c] != 0) << c;
    EXPECT_EQ(cs.code, static_cast<std::uint32_t>(c));
    if (!ok) continue;
    EXPECT_EQ(cs.kind, static_cast<std::uint32_t>(kind[c])) << c;
    EXPECT_EQ(cs.count, (kind[c] == 3 || kind[c] == 5) ? 152u : 80u) << c;
    EXPECT_EQ(cs.table == nullptr, c == kTcvn3) << c;
  }
  EXPECT_EQ(letterTable(10), letterTable(27));
  EXPECT_EQ(letterTable(17), letterTable(31));
  EXPECT_EQ(letterTable(17), letterTable(32));
  EXPECT_EQ(letterTable(18), letterTable(19));
  for (int c : {6, 7, 12, 15, 40, 44, 0, 45, 255}) EXPECT_EQ(letterTable(c), nullptr) << c;

  // Only the low byte of a code counts; the catalogue of a program may end early.
  CharsetSelection cs;
  EXPECT_TRUE(selectCharset(0x100 + 25, kCatalogueSize, cs));
  EXPECT_EQ(cs.code, 25u);
  EXPECT_FALSE(selectCharset(41, 40, cs));
  EXPECT_TRUE(selectCharset(39, 40, cs));
}

TEST(Catalogue, EveryTableKeepsTheSharedStructure) {
  for (int c = 1; c <= kCatalogueSize; ++c) {
    CharsetSelection cs;
    if (!selectCharset(static_cast<std::uint32_t>(c), kCatalogueSize, cs)) continue;
    SCOPED_TRACE(c);
    // The plain ASCII vowels are themselves everywhere.
    const int vowels[] = {1, 13, 19, 49, 55, 61};
    const char* ascii = "aoeuiy";
    for (int k = 0; k < 6; ++k) {
      EXPECT_EQ(code(c, vowels[k]), std::string(1, ascii[k]));
      EXPECT_EQ(written(c, vowels[k] + 80), std::string(1, ascii[k] - 32));
    }
    for (int n = 1; n <= static_cast<int>(cs.count); ++n) {
      const std::string s = code(c, n);
      EXPECT_LE(s.size(), 8u) << n;
      // No letter is written as a blank or a full stop.
      EXPECT_NE(s, " ") << n;
      EXPECT_NE(s, ".") << n;
      const std::size_t longest = cs.kind == 1   ? (c == 26 ? 2 : 1)
                                  : cs.kind == 4 ? 3
                                  : cs.kind == 3 ? 8
                                                 : 2;
      EXPECT_LE(s.size(), longest) << n;
    }
    if (cs.count == 152) {
      // The capital base vowels occur twice with one code.
      const int again[] = {87, 105, 147, 111, 117, 123};
      for (int k = 0; k < 6; ++k) EXPECT_EQ(code(c, again[k]), code(c, 73 + k)) << again[k];
    }
  }
}

TEST(Catalogue, EmptyEntries) {
  std::set<std::pair<int, int>> empty;
  for (int c = 1; c <= kCatalogueSize; ++c) {
    CharsetSelection cs;
    if (!selectCharset(static_cast<std::uint32_t>(c), kCatalogueSize, cs)) continue;
    for (int n = 1; n <= static_cast<int>(cs.count); ++n)
      if (code(c, n).empty()) empty.insert({c, n});
  }
  // VietStar lacks ử ữ ỷ ỹ, B.K HCM 1 lacks Ỵ; every other letter has a code.
  const std::set<std::pair<int, int>> expected = {{21, 46}, {21, 47}, {21, 64}, {21, 65}, {4, 146}};
  EXPECT_EQ(empty, expected);
}

TEST(Catalogue, MendedEntries) {
  // TCVN1: Đ is A7 and the capitals start with A; they equal those of VS1.
  EXPECT_EQ(code(13, 80), bytes({0xA7}));
  EXPECT_EQ(code(13, 81), "A");
  EXPECT_EQ(code(13, 82), bytes({0x80}));
  EXPECT_EQ(code(13, 86), bytes({0x84}));
  EXPECT_EQ(code(13, 87), bytes({0xA1}));
  EXPECT_EQ(code(13, 152), bytes({0x8C}));
  for (int n = 1; n <= 152; ++n) EXPECT_EQ(code(13, n), code(34, n)) << n;
  // TCVN2: capital I is plain I; Ì keeps 8D.
  EXPECT_EQ(code(14, 135), "I");
  EXPECT_EQ(code(14, 136), bytes({0x8D}));
  // AcadWin: Ứ is A0 between Ừ A1 and Ử A2.
  EXPECT_EQ(code(3, 124), bytes({0xA1}));
  EXPECT_EQ(code(3, 125), bytes({0xA0}));
  EXPECT_EQ(code(3, 126), bytes({0xA2}));
  // Vres: ă A0 and ỳ FA, as in VietSea.
  EXPECT_EQ(code(33, 7), bytes({0xA0}));
  EXPECT_EQ(code(33, 62), bytes({0xFA}));
  for (int n = 1; n <= 80; ++n) EXPECT_EQ(code(33, n), code(20, n)) << n;
  // VPSWIN: the twelve capitals it lacks are written with their lower-case codes.
  for (int n : {86, 92, 98, 104, 110, 116, 122, 127, 128, 134, 140, 152})
    EXPECT_EQ(code(36, n), code(36, n - 80)) << n;
  EXPECT_EQ(code(36, 86), bytes({0xE5}));
  EXPECT_EQ(code(36, 152), bytes({0x8C}));
}

TEST(Catalogue, Tcvn3Bytes) {
  std::set<int> seen;
  for (int n = 1; n <= 80; ++n) seen.insert(tcvn3Byte(n));
  EXPECT_EQ(seen.size(), 80u);  // no byte stands for two letters
  EXPECT_EQ(tcvn3Byte(2), 0xB5);
  EXPECT_EQ(tcvn3Byte(72), 0xD6);
  EXPECT_EQ(tcvn3Byte(79), 0xAE);
  EXPECT_EQ(tcvn3Byte(80), 0xA7);
  EXPECT_EQ(tcvn3Byte(0), 0);
  EXPECT_EQ(tcvn3Byte(81), 0);
  // TCVN3's lower half equals that of the TCVN charsets that carry it.
  for (int n = 1; n <= 80; ++n) EXPECT_EQ(code(15, n), code(34, n)) << n;
}

TEST(Catalogue, UnicodeLetterTable) {
  EXPECT_EQ(letterCodePoint(1), 0x61);
  EXPECT_EQ(letterCodePoint(2), 0xE0);
  EXPECT_EQ(letterCodePoint(3), 0xE1);
  EXPECT_EQ(letterCodePoint(4), 0x1EA3);
  const std::uint16_t mid[] = {0x0102, 0x00C2, 0x00CA, 0x00D4, 0x01A0, 0x01AF, 0x0111, 0x0110};
  for (int k = 0; k < 8; ++k) EXPECT_EQ(letterCodePoint(73 + k), mid[k]);
  EXPECT_EQ(letterCodePoint(81), 'A');
  EXPECT_EQ(letterCodePoint(152), 0x1EC6);
  EXPECT_EQ(letterCodePoint(0), 0);
  EXPECT_EQ(letterCodePoint(153), 0);
  // The first match wins, so the capital base vowels resolve to 73..78.
  EXPECT_EQ(letterOfCodePoint(0xC2), 74);
  EXPECT_EQ(letterOfCodePoint(0x102), 73);
  EXPECT_EQ(letterOfCodePoint(0x20AC), 0);
  for (int n = 1; n <= 152; ++n) EXPECT_EQ(letterOfCodePoint(letterCodePoint(n)), baseCapitalOf(n));
  // Letters n and n + 80 are one letter in two cases; all 146 code points differ.
  std::set<int> cps;
  for (int n = 1; n <= 152; ++n) cps.insert(letterCodePoint(n));
  EXPECT_EQ(cps.size(), 146u);
  for (int n = 1; n <= 72; ++n) {
    const int lo = letterCodePoint(n), up = letterCodePoint(n + 80);
    EXPECT_EQ(up, lo < 0x100 ? lo - 32 : lo - 1) << n;
  }
}

TEST(Catalogue, UnicodeForms) {
  EXPECT_EQ(code(39, 2), "\\u0224");
  EXPECT_EQ(code(39, 4), "\\u7843");
  EXPECT_EQ(code(39, 1), "a");
  EXPECT_EQ(code(39, 81), "A");
  EXPECT_EQ(code(41, 2), bytes({0xC3, 0xA0}));
  EXPECT_EQ(code(41, 152), bytes({0xE1, 0xBB, 0x86}));
  EXPECT_EQ(code(42, 2), "&#224;");
  EXPECT_EQ(code(42, 4), "&#7843;");
  EXPECT_EQ(code(43, 2), "\\xE0\"\"");
  EXPECT_EQ(code(43, 4), "\\x1EA3\"\"");
  EXPECT_EQ(code(43, 79), "\\x111\"\"");
  for (int n = 1; n <= 152; ++n) {
    const int cp = letterCodePoint(n);
    if (cp < 0x80) {
      for (int c : {39, 41, 42, 43}) EXPECT_EQ(code(c, n), std::string(1, static_cast<char>(cp)));
      continue;
    }
    char buf[32];
    std::snprintf(buf, sizeof buf, "\\u%04d", cp);
    EXPECT_EQ(code(39, n), buf);
    EXPECT_EQ(code(41, n), test::utf8(static_cast<std::uint32_t>(cp)));
    std::snprintf(buf, sizeof buf, "&#%d;", cp);
    EXPECT_EQ(code(42, n), buf);
    std::snprintf(buf, sizeof buf, "\\x%X\"\"", cp);
    EXPECT_EQ(code(43, n), buf);
  }
}

TEST(Catalogue, WritingRuleEdgeCases) {
  EXPECT_EQ(written(15, 82), bytes({0xB5}));  // capital À in TCVN3 is à's byte
  EXPECT_EQ(written(15, 81), "A");
  EXPECT_EQ(written(29, 82), bytes({0x41, 0xD8}));        // VNI - WIN: both bytes lowered
  EXPECT_EQ(written(29, 123), bytes({0xD6}));             // Ư from the one-byte ư F6
  EXPECT_EQ(written(24, 88), bytes({0x41, 0x28, 0x60}));  // VIQR: first byte only
  EXPECT_EQ(written(21, 46), "");                         // VietStar has no ử
  EXPECT_EQ(written(21, 126), "");
  // Ă Â Ê Ô Ơ Ư keep their own capital codes in 80-letter charsets.
  EXPECT_EQ(written(15, 87), bytes({0xA1}));
  EXPECT_EQ(written(15, 147), bytes({0xA3}));
  EXPECT_EQ(written(29, 87), bytes({0x41, 0xCA}));
  EXPECT_EQ(written(24, 123), "U+");
  for (int c = 1; c <= kCatalogueSize; ++c) {
    CharsetSelection cs;
    if (!selectCharset(static_cast<std::uint32_t>(c), kCatalogueSize, cs)) continue;
    for (int k = 0; k < 6; ++k) {
      const int again[] = {87, 105, 147, 111, 117, 123};
      EXPECT_EQ(written(c, again[k]), code(c, 73 + k)) << c;
    }
  }
  EXPECT_EQ(written(15, 0), "");
  EXPECT_EQ(written(15, 153), "");
}

TEST(Catalogue, Windows1252AsUtf8) {
  auto w = [](int b) { return std::string(windows1252Utf8(static_cast<std::uint8_t>(b)).view()); };
  EXPECT_EQ(w(0x41), "A");
  EXPECT_EQ(w(0x80), bytes({0xE2, 0x82, 0xAC}));  // €
  EXPECT_EQ(w(0x81), bytes({0xC2, 0x81}));
  EXPECT_EQ(w(0x8D), bytes({0xC2, 0x8D}));
  EXPECT_EQ(w(0x8F), bytes({0xC2, 0x8F}));
  EXPECT_EQ(w(0x90), bytes({0xC2, 0x90}));
  EXPECT_EQ(w(0x9D), bytes({0xC2, 0x9D}));
  EXPECT_EQ(w(0x9F), bytes({0xC5, 0xB8}));  // Ÿ
  EXPECT_EQ(w(0xA0), bytes({0xC2, 0xA0}));
  EXPECT_EQ(w(0xFF), bytes({0xC3, 0xBF}));
  EXPECT_EQ(w(0x99), bytes({0xE2, 0x84, 0xA2}));  // ™
}

TEST(Catalogue, LowerCasePartners) {
  EXPECT_EQ(lowerCaseOf(81), 1);
  EXPECT_EQ(lowerCaseOf(152), 72);
  EXPECT_EQ(lowerCaseOf(73), 7);
  EXPECT_EQ(lowerCaseOf(74), 25);
  EXPECT_EQ(lowerCaseOf(75), 67);
  EXPECT_EQ(lowerCaseOf(76), 31);
  EXPECT_EQ(lowerCaseOf(77), 37);
  EXPECT_EQ(lowerCaseOf(78), 43);
  EXPECT_EQ(lowerCaseOf(80), 79);
  EXPECT_EQ(lowerCaseOf(79), 0);
  EXPECT_EQ(lowerCaseOf(1), 0);
  for (int n = 73; n <= 78; ++n)
    EXPECT_EQ(letterCodePoint(lowerCaseOf(n) + 80), letterCodePoint(n)) << n;
}

TEST(Catalogue, CharsetsByName) {
  EXPECT_EQ(charsetByName("15"), 15);
  EXPECT_EQ(charsetByName("015"), 15);
  EXPECT_EQ(charsetByName("0"), 0);
  EXPECT_EQ(charsetByName("45"), 0);
  EXPECT_EQ(charsetByName("1234"), 0);
  EXPECT_EQ(charsetByName("TCVN3 - ABC"), 15);
  EXPECT_EQ(charsetByName("tcvn3abc"), 15);
  EXPECT_EQ(charsetByName("tcvn3"), 15);
  EXPECT_EQ(charsetByName("ABC"), 15);
  EXPECT_EQ(charsetByName("vni"), 29);
  EXPECT_EQ(charsetByName("VNI-WIN"), 29);
  EXPECT_EQ(charsetByName("vni dos"), 28);
  EXPECT_EQ(charsetByName("viscii"), 25);
  EXPECT_EQ(charsetByName("VIQR"), 24);
  EXPECT_EQ(charsetByName("vps"), 36);
  EXPECT_EQ(charsetByName("vpswin"), 36);
  EXPECT_EQ(charsetByName("utf-8"), 41);
  EXPECT_EQ(charsetByName("UTF8"), 41);
  EXPECT_EQ(charsetByName("ncr"), 42);
  EXPECT_EQ(charsetByName("VN Win 95"), 27);
  EXPECT_EQ(charsetByName("Ucode1 C Style"), 43);
  EXPECT_EQ(charsetByName("3c 2.5"), 1);
  EXPECT_EQ(charsetByName("b.k hcm 2"), 5);
  EXPECT_EQ(charsetByName("latin1"), 0);
  EXPECT_EQ(charsetByName(""), 0);
  EXPECT_EQ(charsetByName(" - "), 0);
  // A program whose catalogue ends at 40 does not know the later names.
  EXPECT_EQ(charsetByName("utf-8", 40), 0);
  EXPECT_EQ(charsetByName("42", 40), 0);
  EXPECT_EQ(charsetByName("vn unicode 2", 40), 40);
  for (int c = 1; c <= kCatalogueSize; ++c) {
    EXPECT_EQ(charsetByName(charsetName(c)), c) << c;
    // Every short name listed for a code leads back to it.
    std::string names(charsetShortNames(c));
    for (std::size_t at = 0; !names.empty() && at != std::string::npos;) {
      const std::size_t comma = names.find(", ", at);
      const std::string one = names.substr(at, comma == std::string::npos ? comma : comma - at);
      EXPECT_EQ(charsetByName(one), c) << one;
      at = comma == std::string::npos ? comma : comma + 2;
    }
  }
}

}  // namespace
}  // namespace ts
