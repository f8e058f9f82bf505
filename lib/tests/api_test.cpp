// The C interface: results as documented, null pointers refused, buffers as stated.
#include "tslib.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

extern "C" int tslibHeaderIsC(void);

namespace {

std::string convert(const std::string& in) {
  std::vector<char> out(8 * in.size() + 1, '\x7F');
  const int32_t n = TS_Convert(in.c_str(), out.data());
  EXPECT_EQ(static_cast<std::size_t>(n), std::strlen(out.data()));
  return std::string(out.data(), static_cast<std::size_t>(n));
}

// Runs first in this binary: the state as the library is loaded.
TEST(Api, InitialStateCopies) {
  char out[8] = "xxxxxxx";
  EXPECT_EQ(TS_Convert("\xB5\xF8", out), 2);
  EXPECT_STREQ(out, "\xB5\xF8");
}

TEST(Api, DocumentedConversions) {
  ASSERT_EQ(TS_Code2Code(15, 29), 1);
  EXPECT_EQ(convert("\xB8"), "a\xF9");
  ASSERT_EQ(TS_Code2Code(29, 15), 1);
  EXPECT_EQ(convert("A\xD8"), "\xB5");
  EXPECT_EQ(convert("a\xF8"), "\xB5");
  ASSERT_EQ(TS_Code2Code(41, 15), 1);
  EXPECT_EQ(convert("\xE1\xBB\x86"), "\xD6");
  ASSERT_EQ(TS_Code2Code(29, 29), 1);
  EXPECT_EQ(convert("a\xF8"), "a\xF8");
  EXPECT_EQ(TS_Code2Code(40, 15), 1);
  EXPECT_EQ(convert("\\u0224"), "\xB5");
  EXPECT_EQ(TS_Code2Code(15, 40), 0);
  EXPECT_EQ(convert("\xB8"), "\xB8");  // after a failed selection the text is copied
  EXPECT_EQ(TS_Code2Code(0x100 + 15, 0x200 + 29), 1);  // low bytes only
  EXPECT_EQ(convert("\xB8"), "a\xF9");
  EXPECT_EQ(tslibHeaderIsC(), 2);
}

TEST(Api, EmptyTextAndNullPointers) {
  ASSERT_EQ(TS_Code2Code(15, 41), 1);
  char out[4] = "abc";
  EXPECT_EQ(TS_Convert("", out), 0);
  EXPECT_STREQ(out, "abc");  // not even terminated
  EXPECT_EQ(TS_Convert(nullptr, out), 0);
  EXPECT_STREQ(out, "abc");
  EXPECT_EQ(TS_Convert("a", nullptr), 0);
  EXPECT_EQ(TS_replace(nullptr, "a", "b"), nullptr);
  EXPECT_EQ(TS_replace("a", nullptr, "b"), nullptr);
  EXPECT_EQ(TS_replace("a", "a", nullptr), nullptr);
}

// Eight bytes per input byte and the terminator always suffice.
TEST(Api, BufferRuleHolds) {
  for (uint32_t src = 1; src <= 44; ++src) {
    for (uint32_t dst = 1; dst <= 44; ++dst) {
      if (!TS_Code2Code(src, dst)) continue;
      for (int b = 1; b < 256; ++b) {
        const char in[2] = {static_cast<char>(b), 0};
        std::vector<char> out(9 + 16, '\x7F');
        const int32_t n = TS_Convert(in, out.data());
        ASSERT_LE(n, 8) << src << " " << dst << " " << b;
        for (std::size_t k = static_cast<std::size_t>(n) + 1; k < out.size(); ++k)
          ASSERT_EQ(out[k], '\x7F') << "wrote past the result";
      }
    }
  }
  ASSERT_EQ(TS_Code2Code(15, 43), 1);
  EXPECT_EQ(convert("\xB6"), "\\x1EA3\"\"");  // ả: eight bytes for one
}

TEST(Api, Replace) {
  EXPECT_STREQ(TS_replace("aaa", "aa", "b"), "ba");
  EXPECT_STREQ(TS_replace("x-x-x", "x", "xx"), "xx-xx-xx");
  EXPECT_STREQ(TS_replace("plain", "q", "r"), "plain");  // right after a call that replaced
  EXPECT_STREQ(TS_replace("abc", "", "X"), "abc");
  // The result of the last call may be passed back in.
  const char* first = TS_replace("one two", "two", "three");
  EXPECT_STREQ(TS_replace(first, "one", first), "one three three");
  // No length limit.
  const std::string big(3000, 'a');
  const char* r = TS_replace(big.c_str(), "a", "bb");
  EXPECT_EQ(std::strlen(r), 6000u);
  // Converting does not disturb the last result.
  const char* kept = TS_replace("keep", "k", "K");
  ASSERT_EQ(TS_Code2Code(41, 15), 1);
  char out[64];
  TS_Convert("\xC3\xA0 \xC3\xA1", out);
  EXPECT_STREQ(kept, "Keep");
}

}  // namespace
