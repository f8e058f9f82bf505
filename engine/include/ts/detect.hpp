// Guessing the charset of a text: each candidate reads the text, and the reading is scored by
// how Vietnamese it is - syllables Vietnamese spelling allows (an initial consonant, a rhyme,
// one tone mark), against letters no syllable holds, bytes that are no letter and characters
// of other scripts.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace ts {

struct CharsetGuess {
  std::vector<int> codes;   // forms (forms.hpp) that read the text into the same letters
  double confidence = 0;    // 0..1
  double score = 0;         // the evidence for, less the evidence against
  std::uint32_t words = 0;  // words with Vietnamese letters the reading finds
};

struct Detection {
  // No candidate reads a Vietnamese letter with a mark: every charset reads the text the same,
  // and nothing is guessed.
  bool noVietnameseLetters = false;
  std::vector<CharsetGuess> guesses;  // best first
};

// The confidence from which a guess is taken without asking.
inline constexpr double kConfidentGuess = 0.6;

// The forms detection considers in a catalogue that ends at `lastCode`: every charset with a
// letter table (40 read as 39), and carried in up to `layers` layers those whose letters use
// bytes of 128 or more, and UTF-8.
std::vector<int> detectionCandidates(int lastCode, int layers);

// Guesses among `candidates` (forms; default: detectionCandidates(44, 2)).  Carried forms are
// read only when the text is UTF-8 whose characters stand for such bytes, and a plain form
// wins over a carried one that reads the text as well.
Detection detectCharset(std::string_view text, std::span<const int> candidates = {});

}  // namespace ts
