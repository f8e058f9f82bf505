// The engine against the literal rules, over random and adversarial texts for every pair.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "reference.hpp"
#include "test_util.hpp"
#include "ts/converter.hpp"

namespace ts {
namespace {

using test::hex;

std::vector<int> allCodes() {
  std::vector<int> v;
  for (int c = 0; c <= 45; ++c) v.push_back(c);
  return v;
}

CharsetSelection selection(int code) {
  CharsetSelection cs;
  selectCharset(static_cast<std::uint32_t>(code == 40 ? 39 : code), kCatalogueSize, cs);
  return cs;
}

// Pieces that make conversions interesting: codes of both charsets, pieces of codes, the
// syntax of the escape forms, stray bytes of every kind.
class TextMaker {
 public:
  TextMaker(int src, int dst, std::uint32_t seed) : rng_(seed) {
    add(selection(src));
    add(selection(dst));
    for (const char* f : {"\\u", "\\x", "&#", ";", "\"", "\"\"", "\\", "u", "x",  "#",   "&", " ",
                          "0",   "1",   "2",  "7", "9",  "A",    "E",  "F", "(",  "^",   "+", "`",
                          "?",   "~",   "'",  ".", "d",  "D",    "dd", "a", "A(", "\r\n"})
      pieces_.push_back(f);
  }

  std::string make(std::size_t maxPieces) {
    std::string s;
    const std::size_t count = std::uniform_int_distribution<std::size_t>(0, maxPieces)(rng_);
    for (std::size_t i = 0; i < count; ++i) {
      switch (std::uniform_int_distribution<int>(0, 9)(rng_)) {
        case 0:  // any byte but NUL
          s += static_cast<char>(std::uniform_int_distribution<int>(1, 255)(rng_));
          break;
        case 1:  // a high byte or a UTF-8 continuation
          s += static_cast<char>(std::uniform_int_distribution<int>(0x80, 0xFF)(rng_));
          break;
        case 2: {  // a piece of a code
          const std::string& p = pick();
          const std::size_t a = std::uniform_int_distribution<std::size_t>(0, p.size())(rng_);
          const std::size_t b = std::uniform_int_distribution<std::size_t>(a, p.size())(rng_);
          s += p.substr(a, b - a);
          break;
        }
        case 3:
          if (std::uniform_int_distribution<int>(0, 30)(rng_) == 0) s += '\0';
          break;
        default: s += pick();
      }
    }
    return s;
  }

 private:
  void add(const CharsetSelection& cs) {
    if (cs.count == 0) return;
    for (int n = 1; n <= kLetterCount; ++n) {
      const LetterCode c = writeLetter(cs, n);
      if (!c.empty()) pieces_.emplace_back(c.view());
      if (n <= static_cast<int>(cs.count)) {
        const LetterCode st = storedCode(cs, n);
        if (!st.empty()) pieces_.emplace_back(st.view());
      }
    }
  }
  const std::string& pick() {
    return pieces_[std::uniform_int_distribution<std::size_t>(0, pieces_.size() - 1)(rng_)];
  }

  std::mt19937 rng_;
  std::vector<std::string> pieces_;
};

void checkPair(int src, int dst, const EngineOptions& options, int texts, std::size_t pieces) {
  ConverterState st(options);
  selectPair(st, static_cast<std::uint32_t>(src), static_cast<std::uint32_t>(dst));
  TextMaker maker(src, dst, static_cast<std::uint32_t>(src * 1000 + dst));
  for (int i = 0; i < texts; ++i) {
    const std::string text = maker.make(pieces);
    const std::string expect = reference::convert(st, text);
    const std::string got = convert(st, text);
    if (got != expect) {
      ADD_FAILURE() << "pair " << src << " -> " << dst << "\n  text   " << hex(text)
                    << "\n  engine " << hex(got) << "\n  rule   " << hex(expect);
      return;
    }
  }
}

TEST(Differential, TreeAndDecimalPathsForEveryPair) {
  for (int src : allCodes()) {
    if (src >= 41 && src <= 43) continue;
    for (int dst : allCodes()) checkPair(src, dst, kLibraryOptions, 60, 24);
  }
}

TEST(Differential, EscapeFormsForEveryDestination) {
  for (int src = 41; src <= 43; ++src)
    for (int dst : allCodes()) checkPair(src, dst, kLibraryOptions, 120, 16);
}

TEST(Differential, WebConverterOptions) {
  for (int src : allCodes())
    for (int dst : {15, 25, 29, 39, 24, 41}) checkPair(src, dst, kWebOptions, 40, 24);
}

// The escape forms against the literal procedure, 152 passes over the whole text: equal on
// every text where no pass matched bytes an earlier pass wrote; those merging texts are the
// only difference.  Texts of letters only, in the spellings the literal procedure reads.
TEST(Differential, EscapeFormsEqualTheLiteralPassesUnlessTheyMerge) {
  std::mt19937 rng(11);
  int merging = 0, plain = 0;
  for (int src = 41; src <= 43; ++src) {
    const CharsetSelection s = selection(src);
    for (int dst = 1; dst <= 43; ++dst) {
      if (dst == src || !test::hasTable(dst)) continue;
      const CharsetSelection d = selection(dst);
      ConverterState st;
      ASSERT_TRUE(selectPair(st, static_cast<std::uint32_t>(src), static_cast<std::uint32_t>(dst)));
      for (int k = 0; k < 300; ++k) {
        std::string text;
        const int letters = std::uniform_int_distribution<int>(1, 4)(rng);
        for (int i = 0; i < letters; ++i)
          text += storedCode(s, std::uniform_int_distribution<int>(1, 152)(rng)).view();
        bool merged = false;
        const std::string literal = reference::escapeFormsLiteral(s, d, text, merged);
        const std::string got = convert(st, text);
        ASSERT_EQ(hex(got), hex(reference::escapeForms(s, d, text))) << src << " -> " << dst;
        if (merged) {
          ++merging;
        } else {
          ++plain;
          ASSERT_EQ(hex(got), hex(literal)) << src << " -> " << dst << ": " << hex(text);
        }
      }
    }
  }
  EXPECT_GT(merging, 0);  // the texts do reach the merging cases
  EXPECT_GT(plain, merging);
}

// Texts longer than the blocks the decoder writes in, of letters, blanks and signs: each
// block ends where no code crosses, so the whole reads as the rules read it.
TEST(Differential, TextsLongerThanABlock) {
  std::mt19937 rng(5);
  for (int src = 1; src <= 43; ++src) {
    if (!test::hasTable(src) || src >= 39) continue;
    const CharsetSelection s = selection(src);
    for (int dst : {15, 29, 39, 24}) {
      if (dst == src) continue;
      ConverterState st;
      ASSERT_TRUE(selectPair(st, static_cast<std::uint32_t>(src), static_cast<std::uint32_t>(dst)));
      std::string text;
      while (text.size() < 40000) {
        const int pick = std::uniform_int_distribution<int>(0, 9)(rng);
        text += pick == 0 ? std::string(" ") : pick == 1 ? std::string("a.") :
                writeLetter(s, std::uniform_int_distribution<int>(1, 152)(rng)).view();
      }
      ASSERT_EQ(hex(convert(st, text)), hex(reference::convert(st, text))) << src << " -> " << dst;
    }
  }
}

// Whole texts of letters: long runs where codes meet codes.
TEST(Differential, RunsOfLetters) {
  std::mt19937 rng(7);
  for (int src = 1; src <= 43; ++src) {
    if (!test::hasTable(src)) continue;
    const CharsetSelection s = selection(src);
    for (int dst : {2, 3, 8, 13, 14, 15, 21, 24, 25, 26, 29, 36, 39, 41, 42, 43}) {
      if (dst == src) continue;
      ConverterState st;
      ASSERT_TRUE(selectPair(st, static_cast<std::uint32_t>(src), static_cast<std::uint32_t>(dst)));
      for (int k = 0; k < 8; ++k) {
        std::string text;
        for (int i = 0; i < 200; ++i)
          text += writeLetter(s, std::uniform_int_distribution<int>(1, 152)(rng)).view();
        ASSERT_EQ(hex(convert(st, text)), hex(reference::convert(st, text)))
            << src << " -> " << dst;
      }
    }
  }
}

}  // namespace
}  // namespace ts
