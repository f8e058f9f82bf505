// The charset catalogue, the Vietnamese letter order and the letter tables.
//
// Every conversion goes through one vocabulary: 152 Vietnamese letters in a fixed order
// (letter numbers 1..152) and, for each charset that has one, a letter table giving the
// byte code of each letter in that charset.  All of it is constant data.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace ts {

using CharsetCode = std::uint8_t;

inline constexpr int kCatalogueSize = 44;  // charset codes 1..44
inline constexpr int kLetterCount = 152;   // letter numbers 1..152
inline constexpr int kMaxCodeLength = 8;   // longest letter code of any charset

// Charset codes the engine and the programs name.
inline constexpr CharsetCode kTcvn3 = 15;       // "TCVN3 - ABC", its own byte table
inline constexpr CharsetCode kViqr = 24;        // "VIQR"
inline constexpr CharsetCode kViscii = 25;      // "VISCII"
inline constexpr CharsetCode kVniWin = 29;      // "VNI - WIN"
inline constexpr CharsetCode kVpsWin = 36;      // "VPSWIN"
inline constexpr CharsetCode kDecimalEsc = 39;  // "VN Unicode 1": \uNNNN in decimal
inline constexpr CharsetCode kVnUnicode2 = 40;  // "VN Unicode 2": read as 39 when a source
inline constexpr CharsetCode kUtf8 = 41;        // "Ucode1 UTF-8"
inline constexpr CharsetCode kHtmlRefs = 42;    // "Ucode1 UCS2-W": &#NNNN;
inline constexpr CharsetCode kCStyle = 43;      // "Ucode1 C Style": \xHHHH""

// The byte code of one letter in one charset: 0 to 8 bytes (0 = no code).
struct LetterCode {
  std::uint8_t len = 0;
  std::uint8_t bytes[kMaxCodeLength] = {};

  std::string_view view() const { return {reinterpret_cast<const char*>(bytes), len}; }
  bool empty() const { return len == 0; }
  friend constexpr bool operator==(const LetterCode& a, const LetterCode& b) {
    if (a.len != b.len) return false;
    for (int i = 0; i < a.len; ++i)
      if (a.bytes[i] != b.bytes[i]) return false;
    return true;
  }
};

// A letter table: kind 1..5 and the codes of letters 1..count (index 0 unused).
//   kind 1: 80 letters, one code per letter, capital rule 1
//   kind 2: 80 letters, base byte plus tone byte, capital rule 2
//   kind 3: 152 letters with their own capital codes
//   kind 4: 80 letters, ASCII mnemonics (VIQR), capital rule 4
//   kind 5: 152 letters, base letter followed by a combining-mark byte
struct LetterTable {
  std::uint8_t kind = 0;
  std::uint8_t count = 0;
  std::array<LetterCode, kLetterCount + 1> code{};
};

// The catalogue name of a charset code (1..44); empty for any other value.  Code 27's name
// ends in a blank.
std::string_view charsetName(int code);

// A name as names are compared: lower case (ASCII), without blanks, tabs and hyphens.
std::string normalizedName(std::string_view name);

// The code a person means by `name`: a code number ("15"), a catalogue name with case,
// blanks and hyphens ignored ("tcvn3 abc", "VNI-WIN"), or a short name (tcvn3, abc, vni,
// viscii, viqr, vps, utf-8, utf8, ncr).  Names of codes above `lastCode` are not known; 0 for
// an unknown name.
int charsetByName(std::string_view name, int lastCode = kCatalogueSize);

// The short names of a code that differ from its catalogue name, comma-separated ("" if none).
std::string_view charsetShortNames(int code);

// The letter table of a code, or nullptr: codes 6, 7, 12, 15 (which has the TCVN3 byte table
// instead), 40, 44 and everything outside 1..43 have none.
const LetterTable* letterTable(int code);

// The TCVN3 byte of letter n, 1..80.
std::uint8_t tcvn3Byte(int n);

// The Unicode code point of letter n, 1..152.
std::uint16_t letterCodePoint(int n);

// The first letter whose code point is cp (so Ă Â Ê Ô Ơ Ư give 73..78), or 0.
int letterOfCodePoint(std::uint32_t cp);

// The lower-case letter that shares a code with capital n when the charset gives both one
// code: n - 80 for 81..152, the base vowels ă â ê ô ơ ư for 73..78, đ for Đ; 0 otherwise.
int lowerCaseOf(int n);

// The letter (73..78) that is the same capital as n for 87, 105, 147, 111, 117, 123; else n.
int baseCapitalOf(int n);

// What a converter knows about one charset of a selected pair.
struct CharsetSelection {
  std::uint32_t code = 0;
  std::uint32_t kind = 0;              // 1..5
  std::uint32_t count = 0;             // 80 or 152
  const LetterTable* table = nullptr;  // null for TCVN3
};

// Fills `out` for `code` (its low byte); false when the code has no letter table.  Codes
// above `lastCode` are outside the catalogue of the program and have none.
bool selectCharset(std::uint32_t code, int lastCode, CharsetSelection& out);

// Whether `code` has a letter table in a catalogue that ends at `lastCode`: whether a pair
// can convert to it, and from it (a source of 40 reads as 39, see readableSource).
bool hasLetterTable(int code, int lastCode = kCatalogueSize);

// A code read but never written: the byte another standard gives a capital that the
// catalogue's table writes with its lower-case code.
struct ReadOnlyCode {
  std::uint8_t byte;
  std::uint16_t codePoint;
};

// The read-only codes of a charset (VISCII after RFC 1456, VPSWIN as the other converters
// read it); empty for the others.
std::span<const ReadOnlyCode> readOnlyCodes(int code);

// The code a source is read as: 40 ("VN Unicode 2") as 39, any other as itself.
constexpr int readableSource(int code) { return code == kVnUnicode2 ? kDecimalEsc : code; }

// The code of letter n (1..count) as stored in the charset's table (TCVN3: its byte).
LetterCode storedCode(const CharsetSelection& cs, int n);

// The capital form of a lower-case code under the capital rule of `kind` (TCVN3 uses kind 1).
LetterCode capitalRule(int kind, const LetterCode& lower);

// The writing rule: the code that writes letter n (1..152) in the charset.  Charsets of 152
// letters write their entry; the others write letters above 80 from the lower-case entry by
// their capital rule, except that the capitals Ă Â Ê Ô Ơ Ư always take their own codes
// (entries 73..78).
LetterCode writeLetter(const CharsetSelection& cs, int n);

// The Windows-1252 character of a byte (the five undefined bytes as U+0081, U+008D, U+008F,
// U+0090, U+009D).
std::uint32_t windows1252CodePoint(std::uint8_t b);

// The Windows-1252 character of a byte as UTF-8 (the five undefined bytes as U+0081,
// U+008D, U+008F, U+0090, U+009D).
LetterCode windows1252Utf8(std::uint8_t b);

}  // namespace ts
