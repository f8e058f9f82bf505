#include "ts/replace.hpp"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "reference.hpp"
#include "replacement_chain.hpp"
#include "test_util.hpp"

namespace ts {
namespace {

TEST(ReplaceAll, DocumentedCases) {
  EXPECT_EQ(ReplaceAll("abcabc", "b", "XX"), "aXXcaXXc");
  EXPECT_EQ(ReplaceAll("no match here", "zz", "y"), "no match here");
  EXPECT_EQ(ReplaceAll("x-x-x", "x", "xx"), "xx-xx-xx");  // no further replacement
  EXPECT_EQ(ReplaceAll("aaa", "aa", "b"), "ba");          // left to right, no overlap
  EXPECT_EQ(ReplaceAll("aaaa", "aa", "a"), "aa");
  EXPECT_EQ(ReplaceAll("abc", "", "X"), "abc");  // empty pattern: a copy
  EXPECT_EQ(ReplaceAll("", "a", "X"), "");
  EXPECT_EQ(ReplaceAll("abc", "abc", ""), "");
  EXPECT_EQ(ReplaceAll("abc", "abcd", "X"), "abc");
  // Texts and results of any length.
  const std::string big(5000, 'a');
  std::string expectBig;
  for (int i = 0; i < 5000; ++i) expectBig += "bc";
  EXPECT_EQ(ReplaceAll(big, "a", "bc"), expectBig);
  // A result buffer that is reused starts empty.
  std::string result = "left over";
  ReplaceAll("plain", "q", "r", result);
  EXPECT_EQ(result, "plain");
}

TEST(ReplaceAll, EqualsTheByteByByteRule) {
  std::mt19937 rng(1);
  auto word = [&](int maxLen) {
    std::string s;
    const int n = std::uniform_int_distribution<int>(0, maxLen)(rng);
    for (int i = 0; i < n; ++i) s += "ab\x80"[std::uniform_int_distribution<int>(0, 2)(rng)];
    return s;
  };
  for (int i = 0; i < 20000; ++i) {
    const std::string t = word(40), p = word(4), r = word(4);
    ASSERT_EQ(ReplaceAll(t, p, r), reference::replaceAll(t, p, r)) << t << " / " << p;
  }
}

// The chain against replacements made one after the other, with patterns and replacements
// over three letters so that replacements keep forming new matches.
TEST(ReplacementChain, EqualsSequentialReplacement) {
  std::mt19937 rng(2);
  auto word = [&](int minLen, int maxLen) {
    std::string s;
    const int n = std::uniform_int_distribution<int>(minLen, maxLen)(rng);
    for (int i = 0; i < n; ++i) s += "abc"[std::uniform_int_distribution<int>(0, 2)(rng)];
    return s;
  };
  for (int round = 0; round < 400; ++round) {
    std::vector<ReplacementChain::Step> steps;
    const int count = std::uniform_int_distribution<int>(1, 8)(rng);
    for (int k = 0; k < count; ++k) steps.push_back({word(1, 4), word(0, 4)});
    const std::size_t maxStates = round % 3 == 0 ? 3 : 1024;  // also with a cache that resets
    ReplacementChain chain(steps, maxStates);
    for (int t = 0; t < 20; ++t) {
      const std::string text = word(0, 60);
      std::string expect = text;
      for (const auto& s : steps) expect = reference::replaceAll(expect, s.pattern, s.replacement);
      // Fed whole, and fed in random pieces.
      ByteBuffer out;
      ReplacementChain::Cursor cursor;
      chain.feed(cursor, reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), out);
      chain.finish(cursor, out);
      ASSERT_EQ(out.str(), expect) << "text " << text;
      out.clear();
      std::size_t at = 0;
      while (at < text.size()) {
        const std::size_t n = std::uniform_int_distribution<std::size_t>(1, 7)(rng);
        const std::size_t m = std::min(n, text.size() - at);
        chain.feed(cursor, reinterpret_cast<const std::uint8_t*>(text.data()) + at, m, out);
        at += m;
      }
      chain.finish(cursor, out);
      ASSERT_EQ(out.str(), expect) << "text " << text << " in pieces";
    }
  }
}

TEST(ReplacementChain, TwoCursorsShareOneChain) {
  ReplacementChain chain(std::vector<ReplacementChain::Step>{{"ab", "b"}, {"bb", "X"}}, 3);
  ReplacementChain::Cursor one, two;
  ByteBuffer a, b;
  const std::string t1 = "aab", t2 = "abbab";
  chain.feed(one, reinterpret_cast<const std::uint8_t*>(t1.data()), 2, a);
  chain.feed(two, reinterpret_cast<const std::uint8_t*>(t2.data()), t2.size(), b);
  chain.feed(one, reinterpret_cast<const std::uint8_t*>(t1.data()) + 2, 1, a);
  chain.finish(one, a);
  chain.finish(two, b);
  EXPECT_EQ(a.str(), reference::replaceAll(reference::replaceAll(t1, "ab", "b"), "bb", "X"));
  EXPECT_EQ(b.str(), reference::replaceAll(reference::replaceAll(t2, "ab", "b"), "bb", "X"));
}

TEST(ReplacementChain, RefusesPatternsItCannotHold) {
  using Steps = std::vector<ReplacementChain::Step>;
  EXPECT_THROW(ReplacementChain(Steps{{"", "x"}}), std::invalid_argument);
  EXPECT_THROW(ReplacementChain(Steps{{std::string(256, 'a'), "x"}}), std::invalid_argument);
  EXPECT_NO_THROW(ReplacementChain(Steps{{std::string(255, 'a'), "x"}}));
}

}  // namespace
}  // namespace ts
