#include "ts/replace.hpp"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "reference.hpp"
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

}  // namespace
}  // namespace ts
