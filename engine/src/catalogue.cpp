#include "ts/catalogue.hpp"

#include <array>
#include <string>

#include "letter_tables.hpp"
#include "ts/utf.hpp"

namespace ts {
namespace {

// clang-format off
// Catalogue names by code; entry 0 is the count.
constexpr const char* kNames[kCatalogueSize + 1] = {
    "44",           "3C 2.5",        "3C 3.0",        "AcadWin",        "B.K HCM 1",
    "B.K HCM 2",    "Bked 56",       "Bked 60",       "DAISY",          "FreeCode",
    "IBM 01129",    "Son Telex",     "T Ventura",     "TCVN1",          "TCVN2",
    "TCVN3 - ABC",  "TVNICP",        "VietChar",      "Tessaro",        "Tessaro 2.x",
    "VietSea",      "VietStar",      "Vietware_F",    "Vietware_X",     "VIQR",
    "VISCII",       "VN AutoCad",    "VN Win 95 ",    "VNI - DOS",      "VNI - WIN",
    "VNij",         "VNLab",         "VNU",           "Vres",           "VS1",
    "VS2",          "VPSWIN",        "ThinART-PC",    "Viet Toan",      "VN Unicode 1",
    "VN Unicode 2", "Ucode1 UTF-8",  "Ucode1 UCS2-W", "Ucode1 C Style", "VNA8256",
};

// TCVN3 bytes of letters 1..80 (index 0 unused).
constexpr std::uint8_t kTcvn3Bytes[81] = {
    0,
    0x61, 0xB5, 0xB8, 0xB6, 0xB7, 0xB9,  // a
    0xA8, 0xBB, 0xBE, 0xBC, 0xBD, 0xC6,  // ă
    0x6F, 0xDF, 0xE3, 0xE1, 0xE2, 0xE4,  // o
    0x65, 0xCC, 0xD0, 0xCE, 0xCF, 0xD1,  // e
    0xA9, 0xC7, 0xCA, 0xC8, 0xC9, 0xCB,  // â
    0xAB, 0xE5, 0xE8, 0xE6, 0xE7, 0xE9,  // ô
    0xAC, 0xEA, 0xED, 0xEB, 0xEC, 0xEE,  // ơ
    0xAD, 0xF5, 0xF8, 0xF6, 0xF7, 0xF9,  // ư
    0x75, 0xEF, 0xF3, 0xF1, 0xF2, 0xF4,  // u
    0x69, 0xD7, 0xDD, 0xD8, 0xDC, 0xDE,  // i
    0x79, 0xFA, 0xFD, 0xFB, 0xFC, 0xFE,  // y
    0xAA, 0xD2, 0xD5, 0xD3, 0xD4, 0xD6,  // ê
    0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xAE, 0xA7,  // Ă Â Ê Ô Ơ Ư đ Đ
};

// Unicode code points of letters 1..152 (entry n - 1 holds letter n).
constexpr std::uint16_t kUnicode[kLetterCount] = {
    0x0061, 0x00E0, 0x00E1, 0x1EA3, 0x00E3, 0x1EA1, 0x0103, 0x1EB1,  //
    0x1EAF, 0x1EB3, 0x1EB5, 0x1EB7, 0x006F, 0x00F2, 0x00F3, 0x1ECF,  //
    0x00F5, 0x1ECD, 0x0065, 0x00E8, 0x00E9, 0x1EBB, 0x1EBD, 0x1EB9,  //
    0x00E2, 0x1EA7, 0x1EA5, 0x1EA9, 0x1EAB, 0x1EAD, 0x00F4, 0x1ED3,  //
    0x1ED1, 0x1ED5, 0x1ED7, 0x1ED9, 0x01A1, 0x1EDD, 0x1EDB, 0x1EDF,  //
    0x1EE1, 0x1EE3, 0x01B0, 0x1EEB, 0x1EE9, 0x1EED, 0x1EEF, 0x1EF1,  //
    0x0075, 0x00F9, 0x00FA, 0x1EE7, 0x0169, 0x1EE5, 0x0069, 0x00EC,  //
    0x00ED, 0x1EC9, 0x0129, 0x1ECB, 0x0079, 0x1EF3, 0x00FD, 0x1EF7,  //
    0x1EF9, 0x1EF5, 0x00EA, 0x1EC1, 0x1EBF, 0x1EC3, 0x1EC5, 0x1EC7,  //
    0x0102, 0x00C2, 0x00CA, 0x00D4, 0x01A0, 0x01AF, 0x0111, 0x0110,  //
    0x0041, 0x00C0, 0x00C1, 0x1EA2, 0x00C3, 0x1EA0, 0x0102, 0x1EB0,  //
    0x1EAE, 0x1EB2, 0x1EB4, 0x1EB6, 0x004F, 0x00D2, 0x00D3, 0x1ECE,  //
    0x00D5, 0x1ECC, 0x0045, 0x00C8, 0x00C9, 0x1EBA, 0x1EBC, 0x1EB8,  //
    0x00C2, 0x1EA6, 0x1EA4, 0x1EA8, 0x1EAA, 0x1EAC, 0x00D4, 0x1ED2,  //
    0x1ED0, 0x1ED4, 0x1ED6, 0x1ED8, 0x01A0, 0x1EDC, 0x1EDA, 0x1EDE,  //
    0x1EE0, 0x1EE2, 0x01AF, 0x1EEA, 0x1EE8, 0x1EEC, 0x1EEE, 0x1EF0,  //
    0x0055, 0x00D9, 0x00DA, 0x1EE6, 0x0168, 0x1EE4, 0x0049, 0x00CC,  //
    0x00CD, 0x1EC8, 0x0128, 0x1ECA, 0x0059, 0x1EF2, 0x00DD, 0x1EF6,  //
    0x1EF8, 0x1EF4, 0x00CA, 0x1EC0, 0x1EBE, 0x1EC2, 0x1EC4, 0x1EC6,  //
};

// clang-format on

// The four Unicode forms, derived from the code points.  Plain ASCII letters (a o e u i y
// and their capitals) are the character itself in every form.
enum class UnicodeForm { kDecimalEscape, kUtf8, kHtmlReference, kCStyle };

constexpr void put(LetterCode& c, char ch) { c.bytes[c.len++] = static_cast<std::uint8_t>(ch); }

constexpr void putDecimal(LetterCode& c, unsigned v, int minDigits) {
  char digits[6] = {};
  int n = 0;
  do {
    digits[n++] = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v != 0);
  while (n < minDigits) digits[n++] = '0';
  while (n > 0) put(c, digits[--n]);
}

consteval LetterTable makeUnicodeTable(UnicodeForm form) {
  LetterTable t{};
  t.kind = 3;
  t.count = kLetterCount;
  for (int n = 1; n <= kLetterCount; ++n) {
    const unsigned cp = kUnicode[n - 1];
    LetterCode& c = t.code[n];
    if (cp < 0x80) {
      put(c, static_cast<char>(cp));
      continue;
    }
    switch (form) {
      case UnicodeForm::kDecimalEscape:
        put(c, '\\');
        put(c, 'u');
        putDecimal(c, cp, 4);
        break;
      case UnicodeForm::kUtf8: c.len = static_cast<std::uint8_t>(encodeUtf8(cp, c.bytes)); break;
      case UnicodeForm::kHtmlReference:
        put(c, '&');
        put(c, '#');
        putDecimal(c, cp, 1);
        put(c, ';');
        break;
      case UnicodeForm::kCStyle: {
        put(c, '\\');
        put(c, 'x');
        char hex[4] = {};
        int h = 0;
        for (unsigned v = cp; v != 0; v >>= 4) hex[h++] = "0123456789ABCDEF"[v & 0xF];
        while (h > 0) put(c, hex[--h]);
        put(c, '"');
        put(c, '"');
        break;
      }
    }
  }
  return t;
}

constexpr LetterTable kDecimalEscapes = makeUnicodeTable(UnicodeForm::kDecimalEscape);
constexpr LetterTable kUtf8Table = makeUnicodeTable(UnicodeForm::kUtf8);
constexpr LetterTable kHtmlRefTable = makeUnicodeTable(UnicodeForm::kHtmlReference);
constexpr LetterTable kCStyleTable = makeUnicodeTable(UnicodeForm::kCStyle);

using namespace tables;

// clang-format off
// Letter tables by code; several codes share one table.
constexpr const LetterTable* kTables[kCatalogueSize + 1] = {
    nullptr,         &k3C_2_5,       &k3C_3_0,     &kAcadWin,       &kB_K_HCM_1,
    &kB_K_HCM_2,     nullptr,        nullptr,      &kDAISY,         &kFreeCode,
    &kIBM_01129,     &kSon_Telex,    nullptr,      &kTCVN1,         &kTCVN2,
    nullptr,         &kTVNICP,       &kVietChar,   &kTessaro,       &kTessaro,
    &kVietSea,       &kVietStar,     &kVietware_F, &kVietware_X,    &kVIQR,
    &kVISCII,        &kVN_AutoCad,   &kIBM_01129,  &kVNI_DOS,       &kVNI_WIN,
    &kVNij,          &kVietChar,     &kVietChar,   &kVres,          &kVS1,
    &kVS2,           &kVPSWIN,       &kThinART_PC, &kViet_Toan,     &kDecimalEscapes,
    nullptr,         &kUtf8Table,    &kHtmlRefTable, &kCStyleTable, nullptr,
};

// Windows-1252 code points of the bytes 0x80..0x9F.
constexpr std::uint16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  //
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  //
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  //
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  //
};

// clang-format on

}  // namespace

std::string_view charsetName(int code) {
  if (code < 1 || code > kCatalogueSize) return {};
  return kNames[code];
}

namespace {

struct Alias {
  const char* name;  // as normalised: lower case, no blanks, tabs or hyphens
  int code;
};
constexpr Alias kAliases[] = {{"tcvn3", 15},
                              {"abc", 15},
                              {"vni", 29},
                              {"viscii", 25},
                              {"viqr", 24},
                              {"vps", 36},
                              {"utf8", 41},
                              {"ncr", 42},
                              // iconv's names of the Windows code page that 27 reads exactly
                              {"cp1258", 27},
                              {"windows1258", 27}};

}  // namespace

std::string normalizedName(std::string_view name) {
  std::string out;
  for (char c : name) {
    if (c == ' ' || c == '-' || c == '\t') continue;
    out += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  }
  return out;
}

int charsetByName(std::string_view name, int lastCode) {
  if (lastCode > kCatalogueSize) lastCode = kCatalogueSize;
  const std::string n = normalizedName(name);
  if (n.empty()) return 0;
  // A signed number ("-1") is no code, though its punctuation is dropped from names.
  const std::size_t first = name.find_first_not_of(" \t");
  if (first != std::string_view::npos && (name[first] == '-' || name[first] == '+')) return 0;
  if (n.find_first_not_of("0123456789") == std::string::npos) {
    if (n.size() > 3) return 0;
    const int code = std::stoi(n);
    return (code >= 1 && code <= lastCode) ? code : 0;
  }
  for (int c = 1; c <= lastCode; ++c)
    if (normalizedName(kNames[c]) == n) return c;
  for (const Alias& a : kAliases)
    if (n == a.name) return a.code <= lastCode ? a.code : 0;
  return 0;
}

std::string_view charsetShortNames(int code) {
  switch (code) {
    case 15: return "tcvn3, abc";
    case 27: return "cp1258, windows-1258";
    case 29: return "vni";
    case 36: return "vps";
    case 41: return "utf-8, utf8";
    case 42: return "ncr";
    default: return {};
  }
}

const LetterTable* letterTable(int code) {
  if (code < 1 || code > kCatalogueSize) return nullptr;
  return kTables[code];
}

std::uint8_t tcvn3Byte(int n) { return (n >= 1 && n <= 80) ? kTcvn3Bytes[n] : 0; }

std::uint16_t letterCodePoint(int n) { return (n >= 1 && n <= kLetterCount) ? kUnicode[n - 1] : 0; }

namespace {

// Letters by code point, the first in letter order where two share one; every letter's code
// point is below U+1F00.
constexpr std::uint32_t kIndexedCodePoints = 0x1F00;
consteval std::array<std::uint8_t, kIndexedCodePoints> makeLetterIndex() {
  std::array<std::uint8_t, kIndexedCodePoints> index{};
  for (int n = kLetterCount; n >= 1; --n) index[kUnicode[n - 1]] = static_cast<std::uint8_t>(n);
  return index;
}
constexpr auto kLetterIndex = makeLetterIndex();

}  // namespace

int letterOfCodePoint(std::uint32_t cp) { return cp < kIndexedCodePoints ? kLetterIndex[cp] : 0; }

int lowerCaseOf(int n) {
  if (n >= 81 && n <= kLetterCount) return n - 80;
  switch (n) {
    case 73: return 7;   // Ă ă
    case 74: return 25;  // Â â
    case 75: return 67;  // Ê ê
    case 76: return 31;  // Ô ô
    case 77: return 37;  // Ơ ơ
    case 78: return 43;  // Ư ư
    case 80: return 79;  // Đ đ
    default: return 0;
  }
}

int baseCapitalOf(int n) {
  switch (n) {
    case 87: return 73;
    case 105: return 74;
    case 147: return 75;
    case 111: return 76;
    case 117: return 77;
    case 123: return 78;
    default: return n;
  }
}

bool selectCharset(std::uint32_t code, int lastCode, CharsetSelection& out) {
  const int c = static_cast<int>(code & 0xFF);
  out = CharsetSelection{};
  out.code = static_cast<std::uint32_t>(c);
  if (c < 1 || c > lastCode) return false;
  if (c == kTcvn3) {
    out.kind = 1;
    out.count = 80;
    return true;
  }
  const LetterTable* t = letterTable(c);
  if (t == nullptr) return false;
  out.kind = t->kind;
  out.count = t->count;
  out.table = t;
  return true;
}

LetterCode storedCode(const CharsetSelection& cs, int n) {
  if (n < 1 || n > static_cast<int>(cs.count)) return {};
  if (cs.table == nullptr) {
    if (cs.code != kTcvn3) return {};
    LetterCode c;
    c.len = 1;
    c.bytes[0] = kTcvn3Bytes[n];
    return c;
  }
  return cs.table->code[n];
}

LetterCode capitalRule(int kind, const LetterCode& lower) {
  LetterCode c = lower;
  if (c.empty()) return c;
  switch (kind) {
    case 1:
      if (c.bytes[0] < 0x7A) c.bytes[0] = static_cast<std::uint8_t>(c.bytes[0] - 32);
      break;
    case 2:
      c.bytes[0] = static_cast<std::uint8_t>(c.bytes[0] - 32);
      if (c.len >= 2) c.bytes[1] = static_cast<std::uint8_t>(c.bytes[1] - 32);
      break;
    case 4: c.bytes[0] = static_cast<std::uint8_t>(c.bytes[0] - 32); break;
    default: break;
  }
  return c;
}

LetterCode writeLetter(const CharsetSelection& cs, int n) {
  if (n < 1 || n > kLetterCount) return {};
  if (cs.count == kLetterCount) return storedCode(cs, n);
  if (cs.count != 80) return {};
  n = baseCapitalOf(n);
  if (n <= 80) return storedCode(cs, n);
  return capitalRule(static_cast<int>(cs.kind), storedCode(cs, n - 80));
}

std::uint32_t windows1252CodePoint(std::uint8_t b) {
  return b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : b;
}

LetterCode windows1252Utf8(std::uint8_t b) {
  LetterCode c;
  const std::uint32_t cp = windows1252CodePoint(b);
  c.len = static_cast<std::uint8_t>(encodeUtf8(cp, c.bytes));
  return c;
}

bool hasLetterTable(int code, int lastCode) {
  CharsetSelection cs;
  return code >= 1 && code <= kCatalogueSize &&
         selectCharset(static_cast<std::uint32_t>(code), lastCode, cs);
}

namespace {

// Capitals that real VISCII and VPS files write at control codes and other bytes, where the
// tables give them their lower-case codes.
constexpr ReadOnlyCode kVisciiCapitals[] = {{0x02, 0x1EB2}, {0x05, 0x1EB4}, {0x06, 0x1EAA},
                                            {0x14, 0x1EF6}, {0x19, 0x1EF8}, {0x1E, 0x1EF4},
                                            {0xA0, 0x00D5}};
constexpr ReadOnlyCode kVpsCapitals[] = {
    {0x02, 0x1EA0}, {0x03, 0x1EAC}, {0x04, 0x1EB6}, {0x05, 0x1EB8}, {0x06, 0x1EC6},
    {0x10, 0x1ECA}, {0x11, 0x1ECC}, {0x12, 0x1ED8}, {0x13, 0x1EE2}, {0x14, 0x1EE4},
    {0x15, 0x1EF0}, {0x19, 0x1EF4}, {0x1C, 0x1EAA}, {0x1D, 0x1EEE}, {0x8F, 0x1EB2},
    {0xB3, 0x1EF8}, {0xBE, 0x00D5}, {0xF0, 0x1EB4}, {0xFD, 0x1EF6}};

}  // namespace

std::span<const ReadOnlyCode> readOnlyCodes(int code) {
  if (code == kViscii) return kVisciiCapitals;
  if (code == kVpsWin) return kVpsCapitals;
  return {};
}

}  // namespace ts
