// The model of Vietnamese every judgement asks: spelling, tone placement, case, how common.
#include "ts/vietnamese.hpp"

#include "latin_letters.hpp"

#include <gtest/gtest.h>

#include <string>

namespace ts {
namespace {

TEST(Vietnamese, SyllablesAsTheSpellingAllowsThem) {
  // Both tone placements, the tone on the vowel with a hat or horn, the stop endings.
  for (const char* word : {"hòa", "hoà", "thúy", "thuý", "người", "Việt", "NGƯỜI", "khuyến",
                           "gì", "quốc", "nghiêng", "của"}) {
    const WordReading r = readWord(word);
    EXPECT_TRUE(r.allowed && r.vietnamese() && r.marked) << word;
  }
  // A tone where no placement puts it, two tones, a stop with the wrong tone, no rhyme.
  for (const char* word : {"hoaì", "ngươì", "maõ", "viềt", "tàc", "nghx", "x̉"}) {
    EXPECT_FALSE(readWord(word).vietnamese()) << word;
  }
  // Case: lower, capitalised or capitals; not a capital after a small letter, but for ASCII
  // capitals beside small marked letters (a program that knew ASCII letters only made them,
  // or TCVN3, which has no capital of marked letters).
  EXPECT_TRUE(readWord("Người").cased);
  EXPECT_FALSE(readWord("NgƯời").cased);
  EXPECT_FALSE(readWord("ngƯời").cased);
  EXPECT_TRUE(readWord("TậP").cased);
  EXPECT_TRUE(readWord("MớI").cased);
  EXPECT_FALSE(readWord("tậP").cased);
  // Words of other languages and signs are no syllables: "not Vietnamese", never bad.
  for (const char* word : {"café", "Straße", "été", "x2", "Москва", "中文", ""}) {
    EXPECT_FALSE(readWord(word).vietnamese()) << word;
  }
  EXPECT_FALSE(readWord("x2").letters);
  // How common: the commonest syllables of real text weigh more than rare ones.
  EXPECT_GT(readWord("không").weight, readWord("khểnh").weight);
  // Pairs: syllables seen side by side, in that order.
  EXPECT_GT(pairWeight(readWord("bàn"), readWord("phím")), 0);
  EXPECT_GT(pairWeight(readWord("Bàn"), readWord("phím")), 0);  // whatever their case
  EXPECT_EQ(pairWeight(readWord("phím"), readWord("khểnh")), 0);
  EXPECT_EQ(pairWeight(readWord("bàn"), readWord("café")), 0);
  EXPECT_GT(readWord("người").weight, 0);
}

TEST(Vietnamese, TheCoreOfAWord) {
  EXPECT_EQ(wordCore("“Việt,”"), "Việt");
  // A printf directive stays with the letters it stands before and is read as a sign.
  EXPECT_EQ(wordCore("(%s):"), "%s");
  EXPECT_EQ(wordCore("(%08lx/%sNgười)"), "%08lx/%sNgười");
  EXPECT_EQ(readJoined(wordCore("(%08lx/%sNgười)"), false).weight, readWord("Người").weight);
  EXPECT_FALSE(readJoined("%sabc", false).vietnamese());  // %s and the word abc
  // A menu's mnemonic inside a syllable; syllables joined by an underscore stay two.
  EXPECT_EQ(readJoined("Khô_ng", false).row, readWord("Không").row);
  EXPECT_EQ(readJoined("tiền_tố").weight, std::min(readWord("tiền").weight, readWord("tố").weight));
  EXPECT_EQ(wordCore("«là»"), "là");
  EXPECT_EQ(wordCore("—"), "");
}

// The letter model of the languages written in Latin-1, which the repair asks where a Latin
// language and VNI write the same letters: each word likelier in its own spelling (by ten
// times at least, a sixteenth of a power of ten each), ASCII signs between words, no answer
// for a letter beyond Latin-1.
TEST(LatinLetters, WordsReadLikelierAsTheirLanguagesWriteThem) {
  auto u = [](const char* w) { return latinUnlikelihood(w).value_or(-1); };
  for (const auto& [own, other] : {std::pair{"Ardèche", "Ardeøche"},
                                   {"Juleøen", "Julèen"},
                                   {"Gjøvik", "Gjòvik"},
                                   {"Pietà", "Pietaø"},
                                   {"Straße", "Straòe"},
                                   {"Tacuarembó", "Tacuaremboù"}}) {
    EXPECT_GT(u(own), 0) << own;
    EXPECT_LT(u(own) + 16, u(other)) << own << " " << other;
  }
  EXPECT_EQ(u("Deux-Sèvres"), u("Deux") + u("Sèvres"));
  EXPECT_FALSE(latinUnlikelihood("Gödöllő").has_value());
  EXPECT_FALSE(latinUnlikelihood("Việt").has_value());
}

}  // namespace
}  // namespace ts
