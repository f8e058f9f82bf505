#include "ts/fonts.hpp"

#include <cstring>

namespace ts {
namespace {

constexpr FontEntry kUnicodeFonts[] = {
    {"100", "Times New Roman"},   {"200", "Arial"},
    {"300", "Courier New"},       {"400", "Tahoma"},
    {"500", "Verdana"},           {"600", "Arial Unicode MS"},
    {"700", "Palatino Linotype"},
};

constexpr FontEntry kVniFonts[] = {
    {"200", "VNI-Aptima"}, {"214", "VNI-Auchon"},         {"031", "VNI-Brush"},
    {"120", "VNI-Centur"}, {"026", "VNI-Cooper"},         {"300", "VNI-Couri"},
    {"056", "VNI-Revue"},  {"024", "VNI-Script"},         {"062", "VNI-Tekon"},
    {"100", "VNI-Times"},  {"068", "VNI-Univer"},         {"237", "VNI-Helve"},
    {"041", "VNI-Maria"},  {"237", "VNI-Helve-condense"}, {"054", "VNI-Present"},
};

constexpr FontEntry kTcvn3Fonts[] = {
    {"001", ".Vn3DH"},
    {"002", ".VnArabia"},
    {"003", ".VnArabiaH"},
    {"200", ".VnArial"},
    {"205", ".VnArialH"},
    {"206", ".VnArial Narrow"},
    {"207", ".VnArial NarrowH"},
    {"008", ".VnAristote"},
    {"009", ".VnAristoteH"},
    {"210", ".VnAvant"},
    {"211", ".VnAvantH"},
    {"212", ".VnBahamasB"},
    {"213", ".VnBahamasBH"},
    {"214", ".VnBlack"},
    {"215", ".VnBlackH"},
    {"116", ".VnBodoni"},
    {"117", ".VnBodoniH"},
    {"118", ".VnBook -Antiqua"},
    {"119", ".VnBook -AntiquaH"},
    {"120", ".VnCentury Schoolbook"},
    {"121", ".VnCentury SchoolbookH"},
    {"122", ".VnClarendon"},
    {"123", ".VnClarendonH"},
    {"024", ".VnCommercial Script"},
    {"025", ".VnCommercial ScriptH"},
    {"026", ".VnCooper"},
    {"027", ".VnCooperH"},
    {"300", ".VnCourier New"},
    {"330", ".VnCourier NewH"},
    {"031", ".VnExotic"},
    {"032", ".VnExoticH"},
    {"033", ".VnFree"},
    {"034", ".VnFreeH"},
    {"035", ".VnGothic"},
    {"036", ".VnGothicH"},
    {"237", ".VnHelvetIns"},
    {"238", ".VnHelvetInsH"},
    {"039", ".VnKoala"},
    {"040", ".VnKoalaH"},
    {"041", ".VnLincoln"},
    {"042", ".VnLincolnH"},
    {"043", ".VnLinus"},
    {"044", ".VnLinusH"},
    {"545", ".VnLucida sans"},
    {"146", ".VnMemorandum"},
    {"147", ".VnMemorandumH"},
    {"048", ".VnMonotype corsiva"},
    {"049", ".VnMonotype corsivaH"},
    {"050", ".VnMystical"},
    {"051", ".VnMysticalH"},
    {"052", ".VnPark"},
    {"053", ".VnParkH"},
    {"054", ".VnPresent"},
    {"055", ".VnPresentH"},
    {"056", ".VnRevue"},
    {"057", ".VnRevueH"},
    {"058", ".VnShelley Allegro"},
    {"159", ".VnSouthern"},
    {"160", ".VnSouthernH"},
    {"061", ".VnStamp"},
    {"062", ".VnTeknical"},
    {"063", ".VnTeknicalH"},
    {"064", ".VnTifani Heavy"},
    {"065", ".VnTifani HeavyH"},
    {"100", ".VnTime"},
    {"167", ".VnTimeH"},
    {"068", ".VnUniverse"},
    {"069", ".VnUniverseH"},
    {"270", ".VnVogue"},
    {"271", ".VnVogueH"},
};

// The VISCII names are Windows-1252 bytes: à is E0, â is E2.
constexpr FontEntry kVisciiFonts[] = {
    {"100", "CaMauCT0"},        {"167", "CAMAUCH0"},         {"040", "CANTHOCH0"},
    {"062", "DuyenHaiCT0"},     {"063", "DUYENHAICH0"},      {"120", "HANOICH0"},
    {"121", "HaNoiCT0"},        {"200", "Heo May 1.1"},      {"205", "Heo May Hoa 1.1"},
    {"054", "HoangYen 1.1"},    {"055", "HoangYenH 1.1"},    {"100", "LangSon"},
    {"167", "LANGSONCH0"},      {"025", "LOCNINHCH0"},       {"024", "LocNinhCT0"},
    {"300", "MinhQu\xE2n 1.1"}, {"330", "MinhQu\xE2nH 1.1"}, {"100", "NgheAnCT0"},
    {"167", "NGHEANCH0"},       {"160", "QUANGNAM"},         {"100", "SonTay"},
    {"167", "SONTAYCH0"},       {"100", "UHo\xE0i 1.1"},     {"167", "UHo\xE0iH 1.1"},
    {"237", "UngBinh"},
};

template <std::size_t N>
constexpr FontNameList makeList(const char* def, const FontEntry (&e)[N]) {
  return {def, e, static_cast<int>(N)};
}

constexpr FontNameList kLists[] = {
    makeList("Times New Roman", kUnicodeFonts),
    makeList("VNI-Times", kVniFonts),
    makeList(".VnTime", kTcvn3Fonts),
    makeList("UHo\xE0i 1.1", kVisciiFonts),
};

// The destination entry with `code` (three characters), or nullptr.
const char* findCode(const FontNameList& list, std::string_view code) {
  for (int i = 0; i < list.count; ++i)
    if (code == list.entries[i].code) return list.entries[i].name;
  return nullptr;
}

}  // namespace

const FontNameList* fontList(int charset) {
  switch (charset) {
    case kDecimalEsc: return &kLists[0];
    case kVniWin: return &kLists[1];
    case kTcvn3: return &kLists[2];
    case kViscii: return &kLists[3];
    default: return nullptr;
  }
}

int fontCharset(std::string_view name) {
  auto same = [](std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
      const char x = (a[i] >= 'A' && a[i] <= 'Z') ? static_cast<char>(a[i] + 32) : a[i];
      const char y = (b[i] >= 'A' && b[i] <= 'Z') ? static_cast<char>(b[i] + 32) : b[i];
      if (x != y) return false;
    }
    return true;
  };
  while (!name.empty() && name.front() == ' ') name.remove_prefix(1);
  while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
  for (int charset : {kTcvn3, kVniWin, kViscii, kDecimalEsc}) {
    const FontNameList* list = fontList(charset);
    if (same(name, list->defaultName)) return charset;
    for (int i = 0; i < list->count; ++i)
      if (same(name, list->entries[i].name)) return charset;
  }
  // The families' own prefixes: every TCVN3 font is ".Vn...", every VNI font "VNI-...".
  if (name.size() > 3 && same(name.substr(0, 3), ".vn")) return kTcvn3;
  if (name.size() > 4 && same(name.substr(0, 4), "vni-")) return kVniWin;
  return 0;
}

namespace {

std::optional<std::string> mapWithLists(const FontMapState& fonts, std::string_view name) {
  const FontNameList* src = fonts.source;
  const FontNameList* dst = fonts.destination;
  if (name.empty()) {
    if (dst == nullptr) return std::nullopt;
    return std::string(dst->defaultName);
  }
  if (src == nullptr || dst == nullptr) return std::nullopt;
  int match = -1;
  for (int i = 0; i < src->count && match < 0; ++i)
    if (name == src->entries[i].name) match = i;
  if (match < 0) return std::nullopt;
  const std::string_view code = src->entries[match].code;
  if (const char* found = findCode(*dst, code)) return std::string(found);
  // The entry before; for the first entry the start of the default name, which is no code.
  const std::string_view before = match > 0 ? std::string_view(src->entries[match - 1].code)
                                            : std::string_view(src->defaultName).substr(0, 3);
  if (const char* found = findCode(*dst, before)) return std::string(found);
  const std::string head = std::string(1, code[0]) + "00";
  if (const char* found = findCode(*dst, head)) return std::string(found);
  return std::string(dst->defaultName);
}

}  // namespace

std::optional<std::string> mapFontName(const ConverterState& conv, FontMapState& fonts,
                                       std::string_view name) {
  if (!fonts.chosen || fonts.chosenSource != conv.source() ||
      fonts.chosenDestination != conv.destination() ||
      fonts.chosenFamily != fonts.destinationFamily) {
    fonts.source = fontList(conv.source());
    fonts.destination =
        fontList(fonts.destinationFamily != 0 ? fonts.destinationFamily : conv.destination());
    fonts.chosen = true;
    fonts.chosenSource = conv.source();
    fonts.chosenDestination = conv.destination();
    fonts.chosenFamily = fonts.destinationFamily;
    fonts.mapped.clear();
  }
  for (const auto& [known, result] : fonts.mapped)
    if (known == name) return result;
  constexpr std::size_t kRemembered = 16;
  if (fonts.mapped.size() == kRemembered) fonts.mapped.erase(fonts.mapped.begin());
  fonts.mapped.emplace_back(std::string(name), mapWithLists(fonts, name));
  return fonts.mapped.back().second;
}

}  // namespace ts
