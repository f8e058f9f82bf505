// Vietnamese syllables as the engine reads them: each letter as its base (a lower-case ASCII
// letter, or one byte for ă â ê ô ơ ư đ) and its tone, and whether a run of bases with one
// tone is a syllable Vietnamese spelling allows.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "ts/catalogue.hpp"

namespace ts::syllable {

// The vowels and đ as one byte each (ASCII letters stand for themselves).
enum : std::uint8_t {
  kA = 'a',
  kE = 'e',
  kI = 'i',
  kO = 'o',
  kU = 'u',
  kY = 'y',
  kAw = 0x81,
  kAa = 0x82,
  kEe = 0x83,
  kOo = 0x84,
  kOw = 0x85,
  kUw = 0x86,
  kDd = 0x87,
};

// What a letter number is: its base letter (lower case) and its tone (0 none, 1 grave,
// 2 acute, 3 hook, 4 tilde, 5 dot below).
struct LetterShape {
  std::uint8_t base = 0;
  std::uint8_t tone = 0;
};

constexpr std::array<LetterShape, kLetterCount + 1> makeShapes() {
  // Letters 1..72: twelve vowels with six tones each, in this order of vowels.
  constexpr std::uint8_t groups[12] = {kA, kAw, kO, kE, kAa, kOo, kOw, kUw, kU, kI, kY, kEe};
  constexpr std::uint8_t capitals[6] = {kAw, kAa, kEe, kOo, kOw, kUw};  // letters 73..78
  std::array<LetterShape, kLetterCount + 1> s{};
  for (int n = 1; n <= 72; ++n) {
    s[n] = {groups[(n - 1) / 6], static_cast<std::uint8_t>((n - 1) % 6)};
    s[n + 80] = s[n];
  }
  for (int k = 0; k < 6; ++k) s[73 + k] = {capitals[k], 0};
  s[79] = s[80] = {kDd, 0};
  return s;
}
inline constexpr auto kShapes = makeShapes();

// The longest syllable, in letters (nghiêng).
inline constexpr std::size_t kLongest = 7;

// Whether a word (lower-case bases, its tone, the base the tone mark stands on or -1 for
// anywhere) is a syllable Vietnamese spelling allows.
bool allowed(const std::uint8_t* bases, std::size_t n, int tone, int toneAt = -1);

// How common the syllable is in Vietnamese text: 0 for none the model knows, 1 (known, never
// seen in the counted text) to 15 (the commonest).
int weight(const std::uint8_t* bases, std::size_t n, int tone);
// The row of the syllable in the table (for pairs), -1 for none.
int rowOf(const std::uint8_t* bases, std::size_t n, int tone);
// How common the syllables of two rows are side by side (1 to 15), 0 where not seen so.
int pairWeight(int first, int second);

}  // namespace ts::syllable
