// Guessing a text's charset: every charset recognised in long and short texts, texts without
// Vietnamese letters, charsets that read alike, and texts of other languages not mistaken.
#include "ts/detect.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "test_util.hpp"
#include "ts/converter.hpp"
#include "ts/forms.hpp"

namespace ts {
namespace {

const std::string kLong =
    "Ngày mai trời sẽ có mưa rào và dông ở nhiều nơi, nhiệt độ giảm mạnh. Người dân cần theo "
    "dõi thông tin dự báo thời tiết và chuẩn bị áo ấm khi ra đường. Các trường học vẫn mở cửa "
    "bình thường.";
// A short heading and a name.
const std::string kShort = "Hội nghị khoa học quốc gia lần thứ ba, Đỗ Văn Khánh";

std::string encoded(int code, const std::string& utf8) { return test::conv(kUtf8, code, utf8); }

bool firstNames(const Detection& d, int code) {
  if (d.guesses.empty()) return false;
  const std::vector<int>& best = d.guesses.front().codes;
  return std::find(best.begin(), best.end(), code) != best.end();
}

TEST(Detect, EveryCharsetInLongAndShortTexts) {
  for (int code = 1; code <= 43; ++code) {
    if (code == kVnUnicode2 || !test::hasTable(code)) continue;
    for (const std::string* text : {&kLong, &kShort}) {
      const Detection d = detectCharset(encoded(code, *text));
      ASSERT_FALSE(d.noVietnameseLetters) << code;
      // A short text may read as well in a close charset (ThinART-PC and VISCII differ in a
      // few letters): then the right one scores as well as the first.
      bool tied = false;
      for (const CharsetGuess& g : d.guesses)
        tied = tied || (g.score == d.guesses.front().score &&
                        std::find(g.codes.begin(), g.codes.end(), code) != g.codes.end());
      EXPECT_TRUE(text == &kShort ? tied : firstNames(d, code))
          << "charset " << code << " in " << text->size() << " bytes";
      if (text == &kLong) {
        EXPECT_GE(d.guesses.front().confidence, kConfidentGuess) << code;
      }
    }
  }
}

TEST(Detect, CharsetsThatReadAlikeAreOneAnswer) {
  // 17, 31 and 32 share a table; so do 18 and 19, and 10 and 27.
  for (const std::vector<int>& same : {std::vector<int>{17, 31, 32}, {18, 19}, {10, 27}}) {
    const Detection d = detectCharset(encoded(same[0], kLong));
    ASSERT_FALSE(d.guesses.empty());
    for (int c : same) EXPECT_TRUE(firstNames(d, c)) << c;
  }
  // The answers come with the more common charsets first and each charset once.
  const Detection d = detectCharset(encoded(kTcvn3, kLong));
  EXPECT_EQ(d.guesses.front().codes.front(), kTcvn3);
  std::vector<int> all;
  for (const CharsetGuess& g : d.guesses) all.insert(all.end(), g.codes.begin(), g.codes.end());
  std::sort(all.begin(), all.end());
  EXPECT_TRUE(std::adjacent_find(all.begin(), all.end()) == all.end());
}

TEST(Detect, NothingGuessedFromNothing) {
  for (const std::string& text : {std::string(), std::string("Hello world 2026."),
                                  std::string("a b c\n\t1234"), std::string(300, 'x')}) {
    const Detection d = detectCharset(text);
    EXPECT_TRUE(d.noVietnameseLetters) << text;
    EXPECT_TRUE(d.guesses.empty());
  }
}

TEST(Detect, OtherLanguagesAndUnicodeVietnamese) {
  const std::string others[] = {
      "The committee met on Tuesday to review the annual budget and the new library plans.",
      "Le conseil s'est réuni hier soir pour débattre du projet de rénovation de la place.",
      "Am Wochenende fand in der Stadthalle ein großes Konzert für junge Musiker statt.",
      "昨天下午，市政府召开新闻发布会，介绍了今年城市建设的主要成果。"};
  for (const std::string& text : others) {
    const Detection d = detectCharset(text);
    for (const CharsetGuess& g : d.guesses) {
      if (g.codes.front() < kDecimalEsc) {
        EXPECT_LT(g.confidence, kConfidentGuess) << text;
      }
    }
  }
  // Vietnamese in UTF-8 is UTF-8, not what a legacy charset makes of its bytes.
  const Detection d = detectCharset(kShort);
  ASSERT_FALSE(d.guesses.empty());
  EXPECT_EQ(d.guesses.front().codes.front(), kUtf8);
  EXPECT_GE(d.guesses.front().confidence, kConfidentGuess);
  // The candidates can be narrowed; 40 is read as 39.
  const int two[] = {kTcvn3, kVniWin};
  const Detection narrowed = detectCharset(encoded(kVniWin, kLong), two);
  ASSERT_EQ(narrowed.guesses.size(), 2u);
  EXPECT_EQ(narrowed.guesses.front().codes, std::vector<int>{kVniWin});
  const int forty[] = {kVnUnicode2};
  EXPECT_EQ(detectCharset(encoded(kDecimalEsc, kLong), forty).guesses.front().codes,
            std::vector<int>{kDecimalEsc});
}

// Text as programs and people write it: signs of code beside the words, other languages
// cut anywhere, one letter of another language in a line.
TEST(Detect, SignsOfCodeAndPiecesOfOtherLanguages) {
  // TCVN3 holding _ [ ] is TCVN3, not TCVN1 reading them as letters.
  const std::string code = "dùng [<tiền_tố>] thay cho [VÁ]\nsử dụng <tiền_tố> để đặt tên các "
                           "tập tin xuất ra, giá_trị|mặc_định\n";
  const Detection d = detectCharset(encoded(kTcvn3, code));
  ASSERT_FALSE(d.guesses.empty());
  EXPECT_EQ(d.guesses.front().codes.front(), kTcvn3);
  // A lone sign TCVN1 and VS1 write capitals with (Ỵ for _) is no word, even in 64 bytes.
  const Detection sign = detectCharset(encoded(kTcvn3, "ghi tập tin với ký hiệu có tiền tố _ đóng gói"));
  ASSERT_FALSE(sign.guesses.empty());
  EXPECT_EQ(sign.guesses.front().codes.front(), kTcvn3);
  // Charsets that differ in the tones of capitals: the reading of commoner syllables wins
  // (VS2's Ứng, not Ừng as VN Win 95 reads it).
  const Detection capitals = detectCharset(encoded(
      35, "giá trị đếm qua các đối tượng Ứng dụng chạy phía sau cho bộ"));
  ASSERT_FALSE(capitals.guesses.empty());
  EXPECT_TRUE(firstNames(capitals, 35)) << capitals.guesses.front().codes.front();
  // Where the capitals that tell them apart stand in words glued to signs only (<SỐ>,
  // TẬP_TIN1), those words decide.
  const Detection glued = detectCharset(encoded(
      35, "đặt kích cỡ bảng băm mặc định thành gần <SỐ> dòng chung của TẬP_TIN1 và TẬP_TIN2"));
  ASSERT_FALSE(glued.guesses.empty());
  EXPECT_TRUE(firstNames(glued, 35)) << glued.guesses.front().codes.front();
  // Where they stand in one word only, the syllables beside it decide (Son Telex's THƯ_MỤC:
  // thư mục is common, thứ mục is not).
  const Detection pairs = detectCharset(
      encoded(11, "thư mục gốc sẽ chuyển đến   -b, --base-dir THƯ_MỤC   đặt thư mục cơ bản"));
  ASSERT_FALSE(pairs.guesses.empty());
  EXPECT_TRUE(firstNames(pairs, 11)) << pairs.guesses.front().codes.front();
  // A sign TCVN1 writes a capital with, after a letter, makes no word (l] is no lỨ).
  const Detection brackets = detectCharset(encoded(
      kTcvn3, "fixup [-C | -c] <commit> = giống như \"squash\", nhưng chỉ giữ lại phần [-l] "
              "[<mẫu>...] Không còn có tập tin"));
  ASSERT_FALSE(brackets.guesses.empty());
  EXPECT_EQ(brackets.guesses.front().codes.front(), kTcvn3);
  // Good UTF-8 of other languages, in pieces that begin and end inside a character, is never
  // a legacy charset or a carried form that can be taken.
  const std::string french =
      ".\nIl n'y a pas de mise à jour disponible pour le moment.\nIl n'y a rien à faire. "
      "Échec du téléchargement dû à une limite du serveur; n° de ligne.";
  for (std::size_t at = 0; at + 64 <= french.size(); ++at) {
    const Detection w = detectCharset(std::string_view(french).substr(at, 64));
    if (w.guesses.empty()) continue;
    const int first = w.guesses.front().codes.front();
    EXPECT_FALSE(w.guesses.front().confidence >= kConfidentGuess &&
                 (first < kDecimalEsc || formLayers(static_cast<CharsetForm>(first)) != 0))
        << french.substr(at, 64);
  }
}

}  // namespace
}  // namespace ts
