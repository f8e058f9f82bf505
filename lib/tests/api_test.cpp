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

// Each test runs in a process of its own: the state as the library is loaded.
TEST(Api, InitialState) {
  char out[8] = "xxxxxxx";
  EXPECT_EQ(TS_Convert("\xB5\xF8", out), 2);
  EXPECT_STREQ(out, "\xB5\xF8");
  EXPECT_EQ(TS_defaultCode(0), 0);
  char text[] = "abc";
  EXPECT_EQ(TS_upperStr(text), 0);  // no default charset yet
  EXPECT_STREQ(text, "abc");
  char key[8] = "zz";
  EXPECT_EQ(TS_vn2str7bit(1, "abc", key), 0);
  EXPECT_STREQ(key, "");
  EXPECT_LT(TS_strcmp("a", "b"), 0);
  uint16_t units[8] = {9, 9, 9};
  EXPECT_EQ(TS_Unicode2VN(reinterpret_cast<const uint16_t*>(u"a"), reinterpret_cast<char*>(units)),
            0);  // no destination yet
  EXPECT_EQ(units[0], 9);
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

std::u16string utf16(const char* text) {
  std::vector<uint16_t> out(std::strlen(text) + 1, 0xFFFF);
  const int32_t n = TS_VN2Unicode(text, out.data());
  EXPECT_EQ(out[static_cast<std::size_t>(n)], 0);
  return std::u16string(reinterpret_cast<const char16_t*>(out.data()), static_cast<std::size_t>(n));
}

std::string bytes(const std::u16string& text) {
  std::vector<char> out(8 * text.size() + 1, '\x7F');
  const int32_t n = TS_Unicode2VN(reinterpret_cast<const uint16_t*>(text.c_str()), out.data());
  return std::string(out.data(), static_cast<std::size_t>(n));
}

TEST(Api, UnicodeBridge) {
  ASSERT_EQ(TS_Code2Code(15, 39), 1);
  EXPECT_EQ(utf16("a\xB5"), u"a\u00E0");
  EXPECT_EQ(utf16(""), u"");
  ASSERT_EQ(TS_Code2Code(29, 15), 1);
  EXPECT_EQ(bytes(u"\u1EC6"), "\xD6");
  EXPECT_EQ(bytes(u"A\u20AC"), "A\xAC");
  ASSERT_EQ(TS_Code2Code(15, 29), 1);
  EXPECT_EQ(bytes(u"\u00C0"), "A\xD8");
  ASSERT_EQ(TS_Code2Code(15, 42), 1);
  EXPECT_EQ(bytes(u"\u1EA1"), "&#7841;");
  // With a destination other than 39 the text still comes out as UTF-16 of its charset,
  // one unit per byte at most, and the pair stays.
  ASSERT_EQ(TS_Code2Code(15, 43), 1);
  EXPECT_EQ(utf16("\xB5\xB6"), u"\u00E0\u1EA3");
  char out[32];
  TS_Convert("\xB5", out);
  EXPECT_STREQ(out, "\\xE0\"\"");
  EXPECT_EQ(TS_Code2Code(15, 7), 0);
  uint16_t keep[4] = {7, 7, 7, 7};
  EXPECT_EQ(TS_Unicode2VN(reinterpret_cast<const uint16_t*>(u"a"), reinterpret_cast<char*>(keep)),
            0);
  EXPECT_EQ(keep[0], 7);
  EXPECT_EQ(TS_VN2Unicode(nullptr, keep), 0);
  EXPECT_EQ(TS_Unicode2VN(nullptr, out), 0);
}

TEST(Api, CharacterCase) {
  EXPECT_EQ(TS_isUniCharUp(0x0102), 1);
  EXPECT_EQ(TS_isUniCharUp(0x0111), 0);
  EXPECT_EQ(TS_isUniCharUp(0x00C7), 0);
  EXPECT_EQ(TS_lowerUniChar(0x1EC6), 0x1EC7);
  EXPECT_EQ(TS_lowerUniChar(0x0102), 0x0103);
  EXPECT_EQ(TS_upperUniChar(0x0103), 0x0102);
  EXPECT_EQ(TS_upperUniChar(0x0102), 0x0102);
}

TEST(Api, TextUtilities) {
  EXPECT_EQ(TS_defaultCode(15), 15);
  char t1[] = "a\xA8\xAE\xB5";
  EXPECT_EQ(TS_upperStr(t1), 4);
  EXPECT_STREQ(t1, "A\xA1\xA7\xB5");
  EXPECT_EQ(TS_lowerStr(t1), 4);
  EXPECT_STREQ(t1, "a\xA8\xAE\xB5");
  EXPECT_EQ(TS_upperStr(nullptr), 0);
  EXPECT_EQ(TS_defaultCode(41), 0);
  EXPECT_EQ(TS_defaultCode(0), 15);

  // Sorting leaves the pair (default charset, VIQR) selected.
  ASSERT_EQ(TS_Code2Code(15, 41), 1);
  EXPECT_LT(TS_strcmp("ma", "m\xB5"), 0);
  char out[16];
  TS_Convert("\xB5", out);
  EXPECT_STREQ(out, "a`");

  EXPECT_EQ(TS_defaultCode(24), 24);
  const char* viqr[] = {"an", "anh", "a(n", "a^n"};
  for (int i = 0; i + 1 < 4; ++i) EXPECT_LT(TS_strcmp(viqr[i], viqr[i + 1]), 0) << viqr[i];
  const char* tones[] = {"ma", "ma`", "ma?", "ma~", "ma'", "ma."};
  for (int i = 0; i + 1 < 6; ++i) EXPECT_LT(TS_strcmp(tones[i], tones[i + 1]), 0) << tones[i];
  EXPECT_EQ(TS_strcmp("ma`", "ma`"), 0);
  EXPECT_GT(TS_strcmp("ma.", "ma"), 0);
  EXPECT_EQ(TS_strcmp(nullptr, "a"), 0);

  // The key buffer: three bytes per byte and two more.
  std::vector<char> key(3 * 10 + 2 + 4, '\x7F');
  EXPECT_EQ(TS_vn2str7bit(1, "Vie^.t Nam", key.data()), 11);
  EXPECT_STREQ(key.data(), "Viez}t. Nam");
  EXPECT_EQ(TS_vn2str7bit(0x65, "Nguye^~n Va(n An", key.data()), 18);
  EXPECT_STREQ(key.data(), "An Nguyez}n& Vaz{n");
  EXPECT_EQ(TS_vn2str7bit(3, "Vie^.t", key.data()), 7);
  EXPECT_STREQ(key.data(), "Viez}tj");
  EXPECT_EQ(TS_defaultCode(15), 15);
  std::vector<char> worst(3 * 1 + 2 + 4, '\x7F');
  EXPECT_EQ(TS_vn2str7bit(1, "\xF7", worst.data()), 4);  // ữ, the longest key of one byte
  EXPECT_EQ(worst[5], '\x7F');

  EXPECT_EQ(TS_isBreakChar('?'), 1);
  EXPECT_EQ(TS_isBreakChar('a'), 0);
  EXPECT_EQ(TS_defaultCode(24), 24);
  EXPECT_EQ(TS_isBreakChar('?'), 0);
}

TEST(Api, Detect) {
  // "Người dân cần theo dõi thông tin dự báo thời tiết" in VNI - WIN, made by the library.
  const char* utf8 =
      "Ng\xC6\xB0\xE1\xBB\x9Di d\xC3\xA2n c\xE1\xBA\xA7n theo d\xC3\xB5i "
      "th\xC3\xB4ng tin d\xE1\xBB\xB1 b\xC3\xA1o th\xE1\xBB\x9Di ti\xE1\xBA\xBFt";
  ASSERT_EQ(TS_Code2Code(41, 29), 1);
  char vni[256];
  const int n = TS_Convert(utf8, vni);
  uint8_t codes[44], percent[44];
  const int count = TS_detect(vni, static_cast<uint32_t>(n), codes, percent, 44);
  ASSERT_GE(count, 2);
  EXPECT_EQ(codes[0], 29);
  EXPECT_GE(percent[0], 60);
  EXPECT_LE(percent[0], 100);
  // The selected pair is left alone; a short buffer takes the best guesses only.
  char again[256];
  TS_Convert(utf8, again);
  EXPECT_STREQ(again, vni);
  EXPECT_EQ(TS_detect(vni, static_cast<uint32_t>(n), codes, percent, 1), 1);
  EXPECT_EQ(codes[0], 29);
  // Nothing from nothing, and null pointers refused.
  EXPECT_EQ(TS_detect("plain ASCII text", 16, codes, percent, 44), 0);
  EXPECT_EQ(TS_detect(nullptr, 3, codes, percent, 44), 0);
  EXPECT_EQ(TS_detect(vni, static_cast<uint32_t>(n), nullptr, percent, 44), 0);
  EXPECT_EQ(TS_detect(vni, static_cast<uint32_t>(n), codes, percent, 0), 0);

  // The same VNI bytes read as Windows-1252 and saved as UTF-8: carried VNI (29 + 64), which
  // TS_Code2Code takes as a source.
  std::string carried;
  for (int i = 0; i < n; ++i) {
    char u[4];
    const auto b = static_cast<uint8_t>(vni[i]);
    const unsigned cp = b < 0x80 ? b : b >= 0xA0 ? b : 0;  // the text has no byte 80-9F
    ASSERT_NE(cp, 0u);
    carried.append(u, static_cast<std::size_t>(TS_UTF16toUTF8(cp, u)));
  }
  uint8_t many[128], manyPercent[128];
  const int forms =
      TS_detect(carried.c_str(), static_cast<uint32_t>(carried.size()), many, manyPercent, 128);
  ASSERT_GE(forms, 1);
  EXPECT_EQ(many[0], 29 + 64);
  ASSERT_EQ(TS_Code2Code(29 + 64, 41), 1);
  char back[256];
  TS_Convert(carried.c_str(), back);
  EXPECT_STREQ(back, utf8);
  EXPECT_EQ(TS_Code2Code(29, 41 + 64), 0);  // no carried destination
  EXPECT_EQ(TS_Code2Code(45 + 64, 41), 0);

  // The carried VNI reads as VNI, not as TCVN3; the Unicode sentence reads as neither, though
  // converting it from either would change it.
  const auto size = static_cast<uint32_t>(carried.size());
  EXPECT_EQ(TS_readsAs(carried.c_str(), size, 29), 1);
  EXPECT_EQ(TS_readsAs(carried.c_str(), size, 15), 0);
  EXPECT_EQ(TS_readsAs(utf8, static_cast<uint32_t>(std::strlen(utf8)), 29), 0);
  EXPECT_EQ(TS_readsAs(utf8, static_cast<uint32_t>(std::strlen(utf8)), 15), 0);
  EXPECT_EQ(TS_readsAs("\xC3", 1, 15), -1);  // not UTF-8
  EXPECT_EQ(TS_readsAs(nullptr, 0, 15), -1);
  EXPECT_EQ(TS_readsAs(utf8, 3, 41), -1);  // Unicode is no legacy charset
}

TEST(Api, NameLines) {
  char name[32] = "untouched";
  EXPECT_EQ(TS_getNameCode(0, name), 44);
  EXPECT_STREQ(name, "untouched");
  EXPECT_EQ(TS_getNameCode(45, name), 0);
  EXPECT_STREQ(name, "untouched");
  EXPECT_EQ(TS_getNameCode(15, name), 21);
  EXPECT_STREQ(name, " 15   -   TCVN3 - ABC");
  EXPECT_EQ(TS_getNameCode(0x100 + 43, name), 24);  // the longest line, within 32 bytes
  EXPECT_EQ(TS_getNameCode(15, nullptr), 0);
  EXPECT_EQ(TS_getNameCode(0, nullptr), 44);  // writes nothing, so needs no buffer
}

}  // namespace
