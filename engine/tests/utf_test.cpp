#include "ts/utf.hpp"

#include <gtest/gtest.h>

#include <string>

namespace ts {
namespace {

std::uint32_t decode(const std::string& s, long available, int& n) {
  return utf8ToUtf16(reinterpret_cast<const std::uint8_t*>(s.data()), available, n);
}

TEST(Utf, DocumentedCases) {
  char out[4];
  EXPECT_EQ(utf16ToUtf8(0x1EC7, out), 3);
  EXPECT_EQ(std::string(out), "\xE1\xBB\x87");
  EXPECT_EQ(utf16ToUtf8(0x41, out), 1);
  EXPECT_EQ(std::string(out), "A");
  EXPECT_EQ(out[1], 0);
  int n = 99;
  EXPECT_EQ(decode("\xE1\xBB\x87", 3, n), 0x1EC7u);
  EXPECT_EQ(n, 2);
  n = 99;
  EXPECT_EQ(decode("\xE1\xBB\x87", 2, n), 0u);
  EXPECT_EQ(n, 99);  // left as it was
  EXPECT_EQ(decode("A", 1, n), 0x41u);
  EXPECT_EQ(n, 0);
  n = 99;
  EXPECT_EQ(decode("A", 0, n), 0u);
  EXPECT_EQ(n, 99);
}

// Every 16-bit value, surrogates included, goes to UTF-8 and back.
TEST(Utf, EverySixteenBitValue) {
  for (std::uint32_t u = 0; u <= 0xFFFF; ++u) {
    char out[4];
    const int len = utf16ToUtf8(static_cast<std::uint16_t>(u), out);
    ASSERT_EQ(len, u < 0x80 ? 1 : u < 0x800 ? 2 : 3) << u;
    int n = -1;
    ASSERT_EQ(decode(std::string(out, static_cast<std::size_t>(len)), len, n), u) << u;
    ASSERT_EQ(n, len - 1);
  }
}

TEST(Utf, MalformedSequences) {
  int n = -1;
  EXPECT_EQ(decode("\x80", 1, n), 0x80u);  // a stray continuation byte is itself
  EXPECT_EQ(n, 0);
  EXPECT_EQ(decode("\xBF", 1, n), 0xBFu);
  // Continuation bytes are taken whatever they hold.
  EXPECT_EQ(decode("\xC3"
                   "A",
                   2, n),
            ((0xC3u << 6) + 'A' - 0x3080u) & 0xFFFFFFFFu);
  EXPECT_EQ(n, 1);
  EXPECT_EQ(decode("\xC0\x80", 2, n), 0u);  // overlong NUL
  EXPECT_EQ(n, 1);
  EXPECT_EQ(decode("\xED\xA0\x80", 3, n), 0xD800u);  // a surrogate, as it is
  // Four bytes: U+1F600 has no 16-bit form.
  EXPECT_EQ(decode("\xF0\x9F\x98\x80", 4, n), 0xFFFDu);
  EXPECT_EQ(n, 3);
  EXPECT_EQ(decode("\xF4\x8F\xBF\xBF", 4, n), 0xFFFDu);  // U+10FFFF
  EXPECT_EQ(decode("\xF7\xBF\xBF\xBF", 4, n), 0xFFFDu);  // above U+10FFFF
  EXPECT_EQ(decode("\xFB\xBF\xBF\xBF\xBF", 5, n), 0xFFFDu);
  EXPECT_EQ(n, 4);
  EXPECT_EQ(decode("\xFD\xBF\xBF\xBF\xBF\xBF", 6, n), 0xFFFDu);
  EXPECT_EQ(n, 5);
  n = 7;
  EXPECT_EQ(decode("\xFD\xBF\xBF", 3, n), 0u);
  EXPECT_EQ(n, 7);
  EXPECT_EQ(decode("\xF0\x9F\x98\x80", -1, n), 0u);
}

}  // namespace
}  // namespace ts
