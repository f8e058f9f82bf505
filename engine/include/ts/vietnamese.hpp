// A model of Vietnamese: which words are syllables Vietnamese spelling allows, and how common
// each syllable is in real text.  Every judgement of text (detection, repair, the guards that
// leave good Unicode alone) asks it.
#pragma once

#include <cstdint>
#include <string_view>

namespace ts {

// A word of UTF-8 text (composed letters) as Vietnamese.
struct WordReading {
  int weight = 0;          // 0: no syllable the model knows; 1 (rare) to 15 (commonest)
  bool allowed = false;    // a syllable Vietnamese spelling allows (known or not)
  bool marked = false;     // holds ă â ê ô ơ ư đ or a tone mark
  bool letters = false;    // letters only (ASCII and Vietnamese), at least one
  bool cased = false;      // lower case, capitalised or all capitals
  int row = -1;            // the syllable in the model's table (for pairWeight); -1: none
  bool vietnamese() const { return weight > 0 && cased; }
};

// Reads a word (no blanks, no punctuation: see wordCore).
WordReading readWord(std::string_view word);

// The word without the punctuation, digits and symbols before and after its letters; a
// printf directive before them stays (%s/xóa, %08lx: its conversion is no letter, see
// readJoined).
std::string_view wordCore(std::string_view word);
// `core`, a piece of `word`, with the printf directive before it that it starts with the
// conversion of (%s, %.*s, %08lx) where there is one.
std::string_view withDirective(std::string_view word, std::string_view core);

// How common two syllables are side by side (bàn phím, bề rộng): 1 (seen twice) to 15, 0
// where the model has not seen them so.
int pairWeight(const WordReading& first, const WordReading& second);

// Reads a word (as readWord) whose syllables may be joined by ASCII signs or digits (mô-đun,
// tiền_tố, đường/dẫn, bộ=nhớ) as the syllables together: Vietnamese where each part is (parts
// of ASCII letters that are no syllable aside where `foreignParts`: --prefix=<tiền-tố>;
// printf directives aside always: nhập:%s, %sNgười), marked where one is, its weight the
// rarest part's.
WordReading readJoined(std::string_view word, bool foreignParts = true);

}  // namespace ts
