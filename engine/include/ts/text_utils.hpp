// Text utilities for text held in one charset, the default charset: letter case in place,
// the 7-bit sort key and the comparison built on it, word breaks and the catalogue names.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ts/converter.hpp"

namespace ts {

// The state of the text utilities, separate from the converter's.
struct TextUtilState {
  CharsetCode defaultCharset = 0;  // 0 until set
  // Kind-2 charsets: every byte above 0x80 in the codes of letters 1..72 and the first byte
  // of đ; capitals lower such a byte by 32.  Rebuilt after each change of the charset.
  std::vector<std::uint8_t> raisedBytes;
  bool rebuildRaised = true;
  // Byte maps of the case functions, derived from the charset (valid with the flag).
  std::array<std::uint8_t, 256> upperMap{}, lowerMap{};
  bool mapsValid = false;
};

// With 0: the default charset.  With 1..40 (low byte): makes it the default and returns it.
// Anything else: 0, nothing changed.
CharsetCode defaultCharset(TextUtilState& st, std::uint32_t code);

// Changes the case of text[0..n) in place.  Returns false (text unchanged) when the default
// charset is above 40 or has no letter table.  Only letters whose lower-case and capital
// codes are single bytes change; with "VN Unicode 1" (39) the escapes stay as they are.
bool changeCase(TextUtilState& st, char* text, std::size_t n, bool upper);

// The sort tone keys of mode 3 (Telex: f r x s j) or of the other modes (# % & * .).
inline constexpr std::uint32_t kSortModeDictionary = 1;
inline constexpr std::uint32_t kSortModeTelex = 3;
inline constexpr std::uint32_t kSortModeNames = 0x65;  // 'e': last word first

// Whether `charset` can give sort keys (it converts to VIQR).
bool sortable(CharsetCode charset);

// The 7-bit sort key of a text in `charset` (mode: low byte).  The text goes to VIQR through
// `conv` (selecting the pair (charset, 24) unless the charset is VIQR); every tone mark moves
// to the end of its word as a key that sorts grave < hook < tilde < acute < dot below, and ă
// â ê ô ơ ư đ sort after the plain letters.  Empty when the charset is not sortable.
std::string sortKey(ConverterState& conv, CharsetCode charset, std::uint32_t mode,
                    std::string_view text);

// The longest key a text of n bytes can give: 3n + 1.
inline constexpr std::size_t maxSortKeyLength(std::size_t n) { return 3 * n + 1; }

// Compares the mode-1 keys of two texts byte by byte (unsigned); the texts themselves when
// the charset is not sortable.  Negative, 0 or positive.
int compareSorted(ConverterState& conv, CharsetCode charset, std::string_view a,
                  std::string_view b);

// Whether a byte (low byte of ch) ends a word.  With VIQR as the default charset its tone
// and diacritic characters belong to words.
bool isBreakChar(const TextUtilState& st, std::uint32_t ch);

// The name line of a code: " NN   -   Name"; empty for codes outside 1..count.
std::string nameLine(int code, int count = kCatalogueSize);

}  // namespace ts
