#include "latin_letters.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <iterator>
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

// How unlikely in one family.
std::optional<int> unlikelihood(const Table& table, std::string_view word) {
  const auto* p = reinterpret_cast<const std::uint8_t*>(word.data());
  int sum = 0, a = 0, b = 0;
  bool inWord = false;
  for (std::size_t i = 0; i <= word.size();) {
    std::uint32_t cp = '-';  // past the end: the last word ends
    int len = 1;
    if (i < word.size() && (cp = p[i]) >= 0x80 &&
        (len = wellFormedUtf8(p + i, word.size() - i, cp)) == 0)
      return std::nullopt;
    i += static_cast<std::size_t>(len);
    const int letter = letterIndex(cp);
    if (letter == -1) return std::nullopt;
    if (letter == -2) {
      if (inWord) sum += unlikelihood(table, a, b, 0);
      a = b = 0;
      inWord = false;
      continue;
    }
    sum += unlikelihood(table, a, b, letter);
    a = b;
    b = letter;
    inWord = true;
  }
  return sum;
}

}  // namespace

std::optional<int> latinUnlikelihood(std::string_view word) {
  std::optional<int> least;
  for (const Table& table : families()) {
    const std::optional<int> u = unlikelihood(table, word);
    if (!u) return std::nullopt;
    if (!least || *u < *least) least = u;
  }
  return least;
}

}  // namespace ts
