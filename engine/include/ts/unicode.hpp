// The Unicode bridge (byte texts to and from UTF-16 units) and the letter case of single
// characters.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "ts/converter.hpp"

namespace ts {

// Converts `text` with the selected pair of `conv`, whose destination should be "VN Unicode
// 1" (39), and reads the result as UTF-16 units: an escape (a backslash, "u" and four
// decimal digits) gives the value of its digits, any other byte its own value.  Never more units
// than bytes when the destination is 39.
std::u16string toUtf16(ConverterState& conv, std::string_view text);

// Writes UTF-16 units in the destination charset of `conv`'s current pair: a unit that is a
// Vietnamese letter by its code, any other unit as its low byte.  False (nothing written)
// when the current destination has no letter table.
bool fromUtf16(const ConverterState& conv, std::u16string_view text, std::string& out);

// A text of the programs, stored as TCVN3 bytes, as UTF-8 for showing.
std::string tcvn3ToUtf8(std::string_view tcvn3);

// A close form of a character no legacy charset writes, for transliteration: ASCII for
// punctuation and symbols ("–" "-", "€" "EUR", "©" "(C)"), the base letter for accented
// Latin letters of other languages ("ñ" "n", "ß" "ss").  Empty when there is none.
std::string_view closeForm(std::uint32_t cp);

// Letter case of single characters over A-Z and the Vietnamese letters; every other
// character is neither and is returned unchanged.
bool isCapitalChar(std::uint32_t ch);
std::uint32_t lowerChar(std::uint32_t ch);
std::uint32_t upperChar(std::uint32_t ch);

// The letter number of the other case: n + 80 for lower-case letters 1..72 and n - 80 for
// capitals 81..152, Đ for đ and back; 73..78 (the capital base vowels) lower to ă â ê ô ơ ư.
int upperLetter(int n);
int lowerLetter(int n);

}  // namespace ts

namespace ts {

// Decomposed Vietnamese (a base letter followed by combining marks, as macOS and some pages
// write it) composed into the letters the catalogue has: the circumflex, breve and horn
// (U+0302, U+0306, U+031B) and the five tone marks (U+0300, U+0301, U+0309, U+0303, U+0323).
// A sequence that makes no Vietnamese letter stays as it is.  Appends to `out` and returns
// true when `text` holds a combining mark; otherwise writes nothing and returns false.
bool composeVietnamese(std::string_view text, std::string& out);

// The bytes at the end of `text` that the next bytes may still compose with (its last letter
// and the marks after it): how many.
std::size_t composableTail(std::string_view text);

}  // namespace ts
