// Font-name mapping: a font of the source charset's family to the corresponding font of the
// destination charset's family.
//
// Each charset with fonts has a list: a default name and entries of a three-digit family
// code and a name.  Entries with one code in different lists are one design in the
// respective charsets; a code ending in "00" heads its family.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ts/converter.hpp"

namespace ts {

struct FontEntry {
  const char* code;  // three digits
  const char* name;  // Windows-1252 bytes
};

struct FontNameList {
  const char* defaultName;
  const FontEntry* entries;
  int count;
};

// The list of a charset (15, 25, 29, 39), or nullptr.
const FontNameList* fontList(int charset);

// The charset a font's name says its text is in: the list that names it (15 TCVN3, 29 VNI,
// 25 VISCII, 39 for the Unicode fonts), or the family's prefix (".Vn", "VNI-"); letter case
// and surrounding blanks do not count.  0 when the name says nothing.
int fontCharset(std::string_view name);

// The lists chosen for a pair, and the pair they were chosen for: a mapping state chooses
// again whenever the converter's pair is not that pair.
struct FontMapState {
  // The family to map to, when not the destination's own: a program that writes Unicode
  // (41, 42) maps to the Unicode family of 39.
  int destinationFamily = 0;
  const FontNameList* source = nullptr;
  const FontNameList* destination = nullptr;
  bool chosen = false;
  CharsetCode chosenSource = 0, chosenDestination = 0;
  int chosenFamily = 0;
  // Names mapped with these lists and their results: pages name a few fonts again and again.
  std::vector<std::pair<std::string, std::optional<std::string>>> mapped;
};

// Maps `name` from the source charset's list to the destination's, by the family code of
// the first entry of that name; failing that, by the code of the entry before it, then by
// the head of its family, then the destination's default name.  An empty name gives the
// destination's default.  Nothing when a list is missing or no source entry has the name.
std::optional<std::string> mapFontName(const ConverterState& conv, FontMapState& fonts,
                                       std::string_view name);

}  // namespace ts
