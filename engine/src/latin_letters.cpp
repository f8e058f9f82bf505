#include "latin_letters.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <iterator>
#include <limits>
#include <vector>

#include "ts/utf.hpp"

namespace ts {
namespace {

// For each family of languages (Romance; German, Dutch and English; Nordic), each three
// letters it writes (a word's edge 0, a-z 1..26, ß and Latin-1's small letters 27..58) and how
// unlikely the third after the first two: -log10, in sixteenths.  Each entry is its key's
// distance from the one before (five bits a digit, the last below 32, those before 32 or
// more) and then that (one digit).
constexpr const char* kFamilies[] = {
#include "latin_trigrams.inc"
};
constexpr int kUnseen = 64;  // as unlikely as 10^-4, or less: left out of the tables

// A family's table as (key << 8 | unlikelihood), in the order of the keys.
using Table = std::vector<std::uint32_t>;

constexpr auto kDigitValues = [] {
  constexpr std::string_view digits =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::array<std::uint8_t, 256> values{};
  for (std::size_t i = 0; i < digits.size(); ++i)
    values[static_cast<std::uint8_t>(digits[i])] = static_cast<std::uint8_t>(i);
  return values;
}();

Table decode(std::string_view text) {
  Table table;
  table.reserve(text.size() / 2);
  std::uint32_t key = 0, gap = 0;
  bool inGap = true;
  for (const char c : text) {
    const std::uint32_t digit = kDigitValues[static_cast<std::uint8_t>(c)];
    if (inGap) {
      gap = gap << 5 | (digit & 31);
      if (digit < 32) {
        key += gap;
        gap = 0;
        inGap = false;
      }
    } else {
      table.push_back(key << 8 | digit);
      inGap = true;
    }
  }
  return table;
}

const std::array<Table, std::size(kFamilies)>& families() {
  static const auto tables = [] {
    std::array<Table, std::size(kFamilies)> t;
    for (std::size_t i = 0; i < t.size(); ++i) t[i] = decode(kFamilies[i]);
    return t;
  }();
  return tables;
}

// A letter's index, capitals as small ones; -1 for no letter, -2 for an ASCII sign.
int letterIndex(std::uint32_t cp) {
  if (cp < 0x80) {
    const std::uint32_t small = cp | 0x20;
    return small >= 'a' && small <= 'z' ? static_cast<int>(small - 'a' + 1) : -2;
  }
  if (cp >= 0xC0 && cp <= 0xDE && cp != 0xD7) cp += 0x20;
  if (cp < 0xDF || cp > 0xFF || cp == 0xF7) return -1;
  return static_cast<int>(27 + (cp - 0xDF) - (cp > 0xF7 ? 1 : 0));
}

int unlikelihood(const Table& table, int a, int b, int c) {
  const std::uint32_t key = static_cast<std::uint32_t>((a * 64 + b) * 64 + c);
  const auto at =
      std::lower_bound(table.begin(), table.end(), key,
                       [](std::uint32_t entry, std::uint32_t k) { return (entry >> 8) < k; });
  return at != table.end() && (*at >> 8) == key ? static_cast<int>(*at & 0xFF) : kUnseen;
}

// A word's letters as indices, 0 between its words (ASCII signs) and at its end; none for a
// character that is neither.
std::optional<std::vector<int>> lettersOf(std::string_view word) {
  const auto* p = reinterpret_cast<const std::uint8_t*>(word.data());
  std::vector<int> letters;
  for (std::size_t i = 0; i < word.size();) {
    std::uint32_t cp = p[i];
    int len = 1;
    if (cp >= 0x80 && (len = wellFormedUtf8(p + i, word.size() - i, cp)) == 0) return std::nullopt;
    i += static_cast<std::size_t>(len);
    const int letter = letterIndex(cp);
    if (letter == -1) return std::nullopt;
    if (letter == -2 && (letters.empty() || letters.back() == 0)) continue;
    letters.push_back(letter == -2 ? 0 : letter);
  }
  if (!letters.empty() && letters.back() != 0) letters.push_back(0);
  return letters;
}

// How unlikely the letters are in one family: each after the two before it in its word.
int unlikelihood(const Table& table, const std::vector<int>& letters) {
  int sum = 0, a = 0, b = 0;
  for (const int letter : letters) {
    sum += unlikelihood(table, a, b, letter);
    a = letter == 0 ? 0 : b;
    b = letter;
  }
  return sum;
}

}  // namespace

std::optional<int> latinUnlikelihood(std::string_view word) {
  const std::optional<std::vector<int>> letters = lettersOf(word);
  if (!letters) return std::nullopt;
  int least = std::numeric_limits<int>::max();
  for (const Table& table : families()) least = std::min(least, unlikelihood(table, *letters));
  return least;
}

}  // namespace ts
