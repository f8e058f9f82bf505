#include "ts/converter.hpp"

#include <gtest/gtest.h>

#include <string>

#include "plan.hpp"
#include "test_util.hpp"

namespace ts {
namespace {

using test::bytes;
using test::conv;
using test::hex;
using test::utf8;

std::string letterUtf8(int n) { return utf8(letterCodePoint(n)); }

TEST(Converter, DocumentedExamples) {
  EXPECT_EQ(hex(conv(15, 29, bytes({0xB8}))), "61 F9");     // á
  EXPECT_EQ(hex(conv(29, 15, bytes({0x41, 0xD8}))), "B5");  // À to TCVN3's à byte
  EXPECT_EQ(hex(conv(29, 15, bytes({0x61, 0xF8}))), "B5");
  EXPECT_EQ(conv(29, 15, "a"), "a");
  EXPECT_EQ(hex(conv(25, 29, bytes({0xC0}))), "41 D8");
  EXPECT_EQ(conv(25, 29, "A"), "A");
  EXPECT_EQ(hex(conv(24, 15, "a(`")), "BB");
  EXPECT_EQ(conv(24, 15, "x(`"), "x(`");
  EXPECT_EQ(hex(conv(39, 15, "x\\u7841y")), "78 B9 79");
  EXPECT_EQ(conv(39, 15, "\\u0065"), "A");
  EXPECT_EQ(conv(39, 15, "\\u9999"), "");
  EXPECT_EQ(hex(conv(41, 15, bytes({0xC3, 0xA0}))), "B5");
  EXPECT_EQ(hex(conv(41, 15, bytes({0xE1, 0xBB, 0x86}))), "D6");
  EXPECT_EQ(conv(25, 41, bytes({0xC0})), letterUtf8(82));
  EXPECT_EQ(conv(29, 29, "\xF8x"), "\xF8x");
  EXPECT_EQ(conv(15, 29, ""), "");
}

TEST(Converter, Selection) {
  ConverterState st;
  EXPECT_EQ(st.source(), 0);
  EXPECT_EQ(st.destination(), 0);
  EXPECT_FALSE(st.converts());
  EXPECT_EQ(convert(st, "\xB5"), "\xB5");  // nothing selected yet: copied

  EXPECT_TRUE(selectPair(st, 40, 15));  // VN Unicode 2 as a source is read as VN Unicode 1
  EXPECT_TRUE(st.converts());
  EXPECT_EQ(st.source(), 39);
  EXPECT_EQ(hex(convert(st, "\\u0224")), "B5");
  EXPECT_FALSE(selectPair(st, 15, 40));  // but not as a destination
  EXPECT_EQ(st.destination(), 40);
  EXPECT_FALSE(st.converts());

  // Only the low bytes of the codes count.
  EXPECT_TRUE(selectPair(st, 0x300 + 15, 0xFF00 + 29));
  EXPECT_EQ(hex(convert(st, "\xB8")), "61 F9");

  // Equal codes: copied, and the tree of the previous pair stays.
  const DecodeTree* tree = StateAccess::tables(st).tree.get();
  ASSERT_NE(tree, nullptr);
  EXPECT_TRUE(selectPair(st, 29, 29));
  EXPECT_FALSE(st.converts());
  EXPECT_EQ(StateAccess::tables(st).tree.get(), tree);
  EXPECT_EQ(StateAccess::tables(st).source.code, 15u);
  EXPECT_EQ(convert(st, "a\xF8"), "a\xF8");
  EXPECT_TRUE(selectPair(st, 7, 7));  // equal codes succeed even without a table
  EXPECT_EQ(convert(st, "\xB5"), "\xB5");

  // A failed selection releases the tree and leaves the converter copying.
  EXPECT_TRUE(selectPair(st, 15, 29));
  for (int bad : {6, 7, 12, 40, 44, 45, 200, 0}) {
    EXPECT_FALSE(selectPair(st, 15, static_cast<std::uint32_t>(bad))) << bad;
    EXPECT_EQ(StateAccess::tables(st).tree, nullptr);
    EXPECT_EQ(convert(st, "\xB8"), "\xB8");
    EXPECT_TRUE(selectPair(st, 15, 29));
    if (bad != 40) {
      EXPECT_FALSE(selectPair(st, static_cast<std::uint32_t>(bad), 15)) << bad;
      EXPECT_EQ(convert(st, "\xB8"), "\xB8");
    }
  }
}

// Going back and forth between more pairs than are kept gives the conversions of fresh
// selections every time.
TEST(Converter, ReselectingPairs) {
  const int pairs[][2] = {{15, 41}, {15, 24}, {41, 15}, {25, 41}, {29, 15}, {24, 43}, {42, 29}};
  const std::string text = "Vi\xD6t \xE1\xBB\x87 a` &#224; \xF8";
  ConverterState st;
  for (int round = 0; round < 3; ++round) {
    for (const auto& p : pairs) {
      ASSERT_TRUE(
          selectPair(st, static_cast<std::uint32_t>(p[0]), static_cast<std::uint32_t>(p[1])));
      EXPECT_EQ(convert(st, text), test::conv(p[0], p[1], text)) << p[0] << " -> " << p[1];
      EXPECT_LE(StateAccess::tables(st).recent.size(), 4u);
    }
    EXPECT_TRUE(selectPair(st, 7, 7));
    EXPECT_FALSE(selectPair(st, 15, 7));
  }
}

TEST(Converter, WebConverterOptions) {
  ConverterState web(kWebOptions);
  EXPECT_FALSE(selectPair(web, 41, 15));
  EXPECT_FALSE(selectPair(web, 15, 41));
  EXPECT_FALSE(selectPair(web, 15, 44));
  EXPECT_TRUE(selectPair(web, 40, 15));
  EXPECT_EQ(hex(convert(web, "\\u0208\\u0272")), "A7 A7");  // 208 read as Đ
  ConverterState lib;
  EXPECT_TRUE(selectPair(lib, 39, 15));
  EXPECT_EQ(hex(convert(lib, "\\u0208\\u0272")), "A7");
  EXPECT_TRUE(selectPair(lib, 41, 15));
}

TEST(Converter, SharedCodesReadAsLowerCase) {
  // A code that a lower-case letter shares with its own capital reads as the lower-case one.
  EXPECT_EQ(conv(25, 41, "\xC6"), letterUtf8(10));  // VISCII ẳ, not Ẳ
  EXPECT_EQ(conv(25, 41, "\xC5"), letterUtf8(73));  // Ă keeps its own code
  EXPECT_EQ(conv(16, 41, "\xE8"), letterUtf8(7));   // TVNICP ă = Ă
  EXPECT_EQ(conv(26, 41, "\xA5"), letterUtf8(7));   // VN AutoCad ă = Ă
  EXPECT_EQ(conv(2, 41, "\xCB"), letterUtf8(67));   // 3C 3.0 ê = Ê
  EXPECT_EQ(conv(36, 41, "\xE5"), letterUtf8(6));   // VPSWIN ạ (Ạ has no code)
  // For every charset and every lower-case letter, its code alone reads as that letter,
  // except where a one-byte code hides a longer one (VN AutoCad's ở EA hides ằ A7 EA).
  for (int c = 1; c <= 38; ++c) {
    if (!test::hasTable(c)) continue;
    CharsetSelection cs;
    selectCharset(static_cast<std::uint32_t>(c), kCatalogueSize, cs);
    for (int n = 1; n <= 79; ++n) {
      if (n >= 73 && n <= 78) continue;
      const std::string code(storedCode(cs, n).view());
      if (code.empty()) continue;
      if (c == 26 && n == 8) {
        EXPECT_EQ(conv(c, 41, code), std::string("\xC2\xA7") + letterUtf8(40));
        continue;
      }
      EXPECT_EQ(hex(conv(c, 41, code)), hex(letterUtf8(n))) << "charset " << c << " letter " << n;
    }
  }
}

TEST(Converter, CapitalBaseVowelsKeepTheirCodes) {
  EXPECT_EQ(hex(conv(25, 15, "\xC5")), "A1");  // VISCII Ă to TCVN3
  const int again[] = {87, 105, 147, 111, 117, 123};
  for (int src = 1; src <= 43; ++src) {
    if (!test::hasTable(src) || src == 40) continue;
    CharsetSelection s;
    selectCharset(static_cast<std::uint32_t>(src), kCatalogueSize, s);
    for (int k = 0; k < 6; ++k) {
      const std::string code(writeLetter(s, again[k]).view());
      const std::string lower(writeLetter(s, lowerCaseOf(73 + k)).view());
      if (code == lower) continue;  // reads as the lower-case letter
      EXPECT_EQ(hex(conv(src, 15, code)), hex(bytes({0xA1 + k}))) << src << " " << again[k];
      EXPECT_EQ(conv(src, 41, code), letterUtf8(73 + k)) << src;
    }
  }
}

TEST(Converter, BytesThatAreNoLetters) {
  EXPECT_EQ(conv(36, 41, "A. B."), "A. B.");  // VPSWIN's full stop is a full stop
  EXPECT_EQ(conv(3, 41, "a b"), "a b");       // AcadWin's blank is a blank
  EXPECT_EQ(conv(3, 41, "\xA0"), letterUtf8(125));
  EXPECT_EQ(conv(15, 41, "A"), "A");  // TCVN3 reads no capitals: ASCII stays ASCII
  EXPECT_EQ(conv(15, 29, "Hello, World!\r\n"), "Hello, World!\r\n");
  // Letters the destination lacks are dropped.
  EXPECT_EQ(conv(41, 21, letterUtf8(46)), "");
  EXPECT_EQ(conv(15, 21, "\xF6x"), "x");
  EXPECT_EQ(conv(15, 21, "\xF6"), "");
  EXPECT_EQ(conv(29, 21, "\xF6\xFB"), "");  // ử
}

TEST(Converter, Utf8DestinationIsAlwaysValid) {
  // Bytes that form no letter are written as their Windows-1252 characters.
  EXPECT_EQ(conv(15, 41, "\x80"), "\xE2\x82\xAC");
  EXPECT_EQ(conv(15, 41, "\x81\x8D\x8F\x90\x9D"), "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D");
  EXPECT_EQ(conv(15, 41, "\xB5\x80"), letterUtf8(2) + "\xE2\x82\xAC");
  EXPECT_EQ(conv(39, 41, "\xE9\\u0224"), std::string("\xC3\xA9") + letterUtf8(2));
  EXPECT_EQ(conv(24, 41, "\xE9"), "\xC3\xA9");
  // A multi-byte candidate that turns out to be no letter copies both bytes that way.
  EXPECT_EQ(conv(29, 41, "\xC3\xFB"), "\xC3\x83\xC3\xBB");
  // Equal codes copy as they are.  From the escape forms, a byte that forms no character
  // is written as its Windows-1252 character too; well-formed UTF-8 stays as it is.
  EXPECT_EQ(conv(41, 41, "\xE9"), "\xE9");
  EXPECT_EQ(conv(42, 41, "caf\xE9&#224;"), std::string("caf\xC3\xA9") + letterUtf8(2));
  EXPECT_EQ(conv(43, 41, "\x80\xC3\xA9"), "\xE2\x82\xAC\xC3\xA9");
  // Other destinations copy the byte.
  EXPECT_EQ(conv(15, 39, "\x80"), "\x80");
}

TEST(Converter, TreeRules) {
  // A one-byte code ending where a longer code ends hides the longer code.
  EXPECT_EQ(conv(26, 41, "\xA7\xEA"), std::string("\xC2\xA7") + letterUtf8(40));
  // VIQR: three-byte codes, and candidates that are no letter.
  EXPECT_EQ(conv(24, 41, "a(`"), letterUtf8(8));
  EXPECT_EQ(conv(24, 41, "A(`"), letterUtf8(88));
  EXPECT_EQ(conv(24, 41, "a("), letterUtf8(7));
  EXPECT_EQ(conv(24, 41, "dd DD Dd"), letterUtf8(79) + std::string(" ") + letterUtf8(80) + " Dd");
  EXPECT_EQ(conv(24, 41, "(`"), "(`");
  EXPECT_EQ(conv(24, 41, "`"), "`");
  EXPECT_EQ(conv(24, 41, "Vie^.t Nam"), std::string("Vi") + letterUtf8(72) + "t Nam");
  // The scan runs from the last byte: "aa`" is a followed by à.
  EXPECT_EQ(conv(24, 41, "aa`"), std::string("a") + letterUtf8(2));
  // "x(`" copies the tone and the parenthesis as they are, and then x.
  EXPECT_EQ(conv(24, 41, "xa(`"), std::string("x") + letterUtf8(8));
  // Two-byte kind: capitals by lowering both bytes.
  EXPECT_EQ(conv(29, 41, "\x41\xD8\x61\xF8"), letterUtf8(82) + letterUtf8(2));
  // Kind 5: a combining byte after the base letter.
  EXPECT_EQ(conv(27, 41,
                 "a\xCC"
                 "A\xEC"),
            letterUtf8(2) + letterUtf8(83));
  // Kind 1: a plain capital vowel is a capital letter.
  EXPECT_EQ(conv(17, 15, "A"), "A");
  EXPECT_EQ(conv(17, 41, "A\xA1"), std::string("A") + letterUtf8(2));

  // Plain runs of every length between letters of two bytes and more, in texts longer than a
  // block of the backward scan: each reads back exactly.
  for (const int code : {24, 28, 29}) {
    for (std::size_t length = 1; length <= 20; ++length) {
      std::string text;
      while (text.size() < 40000) text += "Việt " + std::string(length, 'x') + "ể";
      EXPECT_EQ(conv(code, 41, conv(41, code, text)), text) << code << " " << length;
    }
  }

  // The tree's shape: one node for each distinct last byte of a longer code.
  CharsetSelection viqr;
  selectCharset(24, kCatalogueSize, viqr);
  const DecodeTree t = DecodeTree::build(viqr);
  EXPECT_EQ(t.root().mark['`'], DecodeNode::kContinues);
  EXPECT_EQ(t.root().mark['a'], DecodeNode::kEnds);
  const DecodeNode& grave = t.node(t.root().child['`']);
  EXPECT_EQ(grave.mark['a'], DecodeNode::kEnds);
  EXPECT_EQ(grave.number['a'], 2);
  EXPECT_EQ(grave.mark['('], DecodeNode::kContinues);
  EXPECT_EQ(t.node(grave.child['(']).number['a'], 8);
  EXPECT_EQ(t.node(grave.child['(']).number['A'], 88);

  CharsetSelection tcvn3;
  selectCharset(15, kCatalogueSize, tcvn3);
  const DecodeTree t3 = DecodeTree::build(tcvn3);
  EXPECT_EQ(t3.nodeCount(), 1u);
  EXPECT_EQ(t3.root().mark['A'], DecodeNode::kNone);
  EXPECT_EQ(t3.root().number[0xB5], 2);
}

TEST(Converter, TreeInsertRules) {
  DecodeTree t;
  auto code = [](std::initializer_list<int> b) {
    LetterCode c;
    for (int v : b) c.bytes[c.len++] = static_cast<std::uint8_t>(v);
    return c;
  };
  t.insert(code({1, 2, 3}), 10);
  EXPECT_EQ(t.root().mark[3], DecodeNode::kContinues);
  t.insert(code({2, 3}), 11);  // shorter code at the second level replaces the longer path
  EXPECT_EQ(t.node(t.root().child[3]).mark[2], DecodeNode::kEnds);
  EXPECT_EQ(t.node(t.root().child[3]).number[2], 11);
  t.insert(code({9, 2, 3}), 12);  // its second level is taken: not inserted
  EXPECT_EQ(t.node(t.root().child[3]).number[2], 11);
  t.insert(code({3}), 13);  // one byte takes the root
  EXPECT_EQ(t.root().mark[3], DecodeNode::kEnds);
  t.insert(code({4, 3}), 14);  // not inserted below a root that ends a letter
  EXPECT_EQ(t.root().number[3], 13);
  t.insert(code({5, 6, 7, 8}), 15);  // four bytes: a first node only
  EXPECT_EQ(t.root().mark[8], DecodeNode::kContinues);
  const DecodeNode& n8 = t.node(t.root().child[8]);
  for (int b = 0; b < 256; ++b) EXPECT_EQ(n8.mark[b], DecodeNode::kNone);
  t.insert(LetterCode{}, 16);
  const std::size_t nodes = t.nodeCount();
  t.insert(code({7}), 17);
  t.insert(code({7}), 18);  // later replaces earlier
  EXPECT_EQ(t.root().number[7], 18);
  EXPECT_EQ(t.nodeCount(), nodes);
}

TEST(Converter, DecimalEscapes) {
  EXPECT_EQ(conv(39, 15, "\\u"), "\\u");  // cut short by the end: copied
  EXPECT_EQ(conv(39, 15, "a\\u022"), "a\\u022");
  EXPECT_EQ(conv(39, 15, "\\"), "\\");
  EXPECT_EQ(conv(39, 15, "\\x0224"), "\\x0224");
  EXPECT_EQ(hex(conv(39, 15, "\\\\u0224")), "5C B5");
  EXPECT_EQ(hex(conv(39, 15, "\\u02244")), "B5 34");
  EXPECT_EQ(conv(39, 15, "\\u0258"), "\xA1");  // Ă is U+0102, 258 in decimal
  // Only a backslash, "u" and four decimal digits is an escape; anything else is copied.
  EXPECT_EQ(conv(39, 15, "\\u0:00x"), "\\u0:00x");
  EXPECT_EQ(conv(39, 15, "C:\\users\\uyen\\file"), "C:\\users\\uyen\\file");
  EXPECT_EQ(hex(conv(39, 15, "\\u12\\u0224")), "5C 75 31 32 B5");
  EXPECT_EQ(conv(39, 15, "\\u0066"), "");          // names no letter: dropped
  EXPECT_EQ(conv(39, 29, "\\u0192"), "\x41\xD8");  // À written by the capital rule
  EXPECT_EQ(conv(39, 42, "\\u7843"), "&#7843;");
  EXPECT_EQ(conv(39, 43, "\\u0224"), "\\xE0\"\"");
  EXPECT_EQ(conv(39, 24, "\\u0224\\u0272\\u0110"), "a`DD");  // 110 is "n": no letter
  EXPECT_EQ(conv(39, 15, "\\u\x01\x01\x01\x01-"), "\\u\x01\x01\x01\x01-");
  EXPECT_EQ(conv(39, 15, "\\u\xFF\xFF\xFF\xFFz"), "\\u\xFF\xFF\xFF\xFFz");
}

TEST(Converter, EscapeForms) {
  EXPECT_EQ(hex(conv(42, 15, "&#224;&#7843;x")), "B5 B6 78");
  EXPECT_EQ(hex(conv(43, 15, "\\xE0\"\"\\x1EA3\"\"")), "B5 B6");
  EXPECT_EQ(conv(42, 15, "&#224"), "&#224");  // no closing semicolon: no letter
  EXPECT_EQ(conv(41, 42, "Vi\xE1\xBB\x87t"), "Vi&#7879;t");
  EXPECT_EQ(conv(41, 29, "\xC3\x80"), "\x41\xD8");
  EXPECT_EQ(conv(41, 24, "\xC4\x91\xC4\x90"), "ddDD");
  // Each code is read once, left to right; what is written for it never combines with the
  // bytes around it.  C3 C3 A0 A0 holds à (C3 A0) between two bytes that form no letter.
  EXPECT_EQ(hex(conv(41, 15, "\xC3\xA0\xA0")), "B5 A0");
  EXPECT_EQ(hex(conv(41, 15, "\xC3\xC3\xA0\xA0")), "C3 B5 A0");
  // VISCII writes ắ as A1 and ẳ as C6, and C6 A1 is ơ in UTF-8: still ẳ and ắ.
  EXPECT_EQ(hex(conv(41, 25, letterUtf8(10) + letterUtf8(9))), "C6 A1");
  EXPECT_EQ(conv(41, 22, letterUtf8(12) + letterUtf8(25)),
            conv(41, 22, letterUtf8(12)) + conv(41, 22, letterUtf8(25)));  // ặâ
  // References in the spellings pages use: hexadecimal, leading zeros, either case.
  EXPECT_EQ(hex(conv(42, 15, "&#x1EA3;&#X1ea3;&#0224;&#x00E0;")), "B6 B6 B5 B5");
  EXPECT_EQ(conv(42, 15, "&#x;&#;&#x41;&#00000000224;"), "&#x;&#;&#x41;&#00000000224;");
  EXPECT_EQ(hex(conv(43, 15, "\\xe0\"\"\\x00E0\"\"\\xE0\"")), "B5 B5 5C 78 45 30 22");
  // No length limit.
  std::string big;
  for (int i = 0; i < 5000; ++i) big += letterUtf8(1 + i % 152);
  const std::string tcvn = conv(41, 15, big);
  EXPECT_EQ(tcvn.size(), 5000u);
  EXPECT_EQ(conv(15, 41, tcvn).size() > 5000u, true);
}

TEST(Converter, NulBytesSeparateTexts) {
  // Each run between NULs converts on its own, and the NULs stay.
  const std::string in = std::string("a`") + '\0' + "\\u0224" + '\0' + '\0' + "a";
  EXPECT_EQ(hex(conv(24, 15, in)), "B5 00 5C 75 30 32 32 34 00 00 61");
  const std::string esc = std::string("\\u02") + '\0' + "24";
  EXPECT_EQ(conv(39, 15, esc), esc);
}

TEST(Converter, StatesAreIndependent) {
  ConverterState a, b;
  selectPair(a, 15, 41);
  selectPair(b, 41, 15);
  EXPECT_EQ(convert(a, "\xB5"), letterUtf8(2));
  EXPECT_EQ(hex(convert(b, letterUtf8(2))), "B5");
  ConverterState moved = std::move(a);
  EXPECT_EQ(convert(moved, "\xB8"), letterUtf8(3));
}

}  // namespace
}  // namespace ts
