#include "ts/fonts.hpp"

#include <gtest/gtest.h>

#include <string>

namespace ts {
namespace {

std::string mapped(int from, int to, const std::string& name) {
  ConverterState conv;
  selectPair(conv, static_cast<std::uint32_t>(from), static_cast<std::uint32_t>(to));
  FontMapState fonts;
  return mapFontName(conv, fonts, name).value_or("<none>");
}

TEST(Fonts, Lists) {
  EXPECT_EQ(fontList(39)->count, 7);
  EXPECT_EQ(fontList(29)->count, 15);
  EXPECT_EQ(fontList(15)->count, 70);
  EXPECT_EQ(fontList(25)->count, 25);
  EXPECT_STREQ(fontList(39)->defaultName, "Times New Roman");
  EXPECT_STREQ(fontList(29)->defaultName, "VNI-Times");
  EXPECT_STREQ(fontList(15)->defaultName, ".VnTime");
  EXPECT_STREQ(fontList(25)->defaultName, "UHo\xE0i 1.1");  // Windows-1252 à
  EXPECT_STREQ(fontList(25)->entries[15].name, "MinhQu\xE2n 1.1");
  for (int c : {1, 24, 40, 41, 0}) EXPECT_EQ(fontList(c), nullptr);
  for (int c : {15, 25, 29, 39}) {
    const FontNameList* l = fontList(c);
    for (int i = 0; i < l->count; ++i) {
      const std::string code = l->entries[i].code;
      EXPECT_EQ(code.size(), 3u);
      EXPECT_EQ(code.find_first_not_of("0123456789"), std::string::npos) << code;
    }
  }
  EXPECT_STREQ(fontList(15)->entries[69].name, ".VnVogueH");
  EXPECT_STREQ(fontList(29)->entries[14].name, "VNI-Present");
}

TEST(Fonts, DocumentedMappings) {
  EXPECT_EQ(mapped(29, 15, "VNI-Times"), ".VnTime");
  EXPECT_EQ(mapped(29, 15, "VNI-Couri"), ".VnCourier New");
  EXPECT_EQ(mapped(29, 15, "VNI-Helve"), ".VnHelvetIns");
  EXPECT_EQ(mapped(29, 39, "VNI-Helve"), "Arial");           // 237, then 068, then the head 200
  EXPECT_EQ(mapped(15, 39, ".VnTimeH"), "Times New Roman");  // 167, then 100 before it
  EXPECT_EQ(mapped(15, 29, ".Vn3DH"), "VNI-Times");          // nothing fits: the default
  EXPECT_EQ(mapped(29, 15, "vni-times"), "<none>");          // letter case counts
  EXPECT_EQ(mapped(29, 15, "Arial"), "<none>");
  EXPECT_EQ(mapped(15, 29, ""), "VNI-Times");
  EXPECT_EQ(mapped(1, 29, ""), "VNI-Times");  // an empty name needs only the destination
  EXPECT_EQ(mapped(29, 1, ""), "<none>");
  EXPECT_EQ(mapped(1, 29, "VNI-Times"), "<none>");
  EXPECT_EQ(mapped(29, 29, "VNI-Times"), "VNI-Times");
  EXPECT_EQ(mapped(25, 15, "UHo\xE0i 1.1"), ".VnTime");
}

// The fallback rules stated once more, for every name of every list to every other list.
TEST(Fonts, EveryNameToEveryList) {
  const int codes[] = {15, 25, 29, 39};
  auto find = [](const FontNameList* l, const std::string& code) -> std::string {
    for (int i = 0; i < l->count; ++i)
      if (code == l->entries[i].code) return l->entries[i].name;
    return {};
  };
  for (int from : codes) {
    for (int to : codes) {
      const FontNameList* s = fontList(from);
      const FontNameList* d = fontList(to);
      for (int i = 0; i < s->count; ++i) {
        int first = 0;  // the first entry of this name is the one that counts
        while (std::string(s->entries[first].name) != s->entries[i].name) ++first;
        const std::string code = s->entries[first].code;
        std::string expect = find(d, code);
        if (expect.empty())
          expect = find(d, first > 0 ? s->entries[first - 1].code : std::string(s->defaultName, 3));
        if (expect.empty()) expect = find(d, code.substr(0, 1) + "00");
        if (expect.empty()) expect = d->defaultName;
        EXPECT_EQ(mapped(from, to, s->entries[i].name), expect)
            << from << " -> " << to << ": " << s->entries[i].name;
      }
    }
  }
}

TEST(Fonts, ListsChosenAgainAfterEachSelection) {
  ConverterState conv;
  FontMapState fonts;
  selectPair(conv, 29, 15);
  EXPECT_EQ(mapFontName(conv, fonts, "VNI-Times").value_or(""), ".VnTime");
  selectPair(conv, 29, 39);
  EXPECT_EQ(mapFontName(conv, fonts, "VNI-Times").value_or(""), "Times New Roman");
  selectPair(conv, 15, 15);  // equal codes select too
  EXPECT_EQ(mapFontName(conv, fonts, ".VnTime").value_or(""), ".VnTime");
  EXPECT_FALSE(selectPair(conv, 29, 7));
  EXPECT_FALSE(mapFontName(conv, fonts, "VNI-Times").has_value());
  EXPECT_FALSE(mapFontName(conv, fonts, "").has_value());

  // Each mapping state chooses for itself: a second state on the same pair maps as well.
  selectPair(conv, 15, 29);
  FontMapState first, second;
  EXPECT_EQ(mapFontName(conv, first, ".VnTime").value_or(""), "VNI-Times");
  EXPECT_EQ(mapFontName(conv, second, ".VnTime").value_or(""), "VNI-Times");
  EXPECT_EQ(mapFontName(conv, first, ".VnArial").value_or(""), "VNI-Aptima");
}

}  // namespace
}  // namespace ts
