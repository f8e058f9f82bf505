// UTF-8 for single 16-bit units, after the Unicode Consortium's reference converter.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace ts {

// Writes the UTF-8 bytes of a 16-bit unit (1 to 3; surrogates like any value) and a NUL;
// returns the number of bytes before the NUL.
int utf16ToUtf8(std::uint16_t unit, char out[4]);

// Decodes the sequence whose lead byte is s[0], reading at most `available` bytes.  The lead
// byte gives the number of continuation bytes (0 for 00-BF, so a stray continuation byte is
// a character of its own, 1 for C0-DF, 2 for E0-EF, 3 for F0-F7, 4 for F8-FB, 5 for FC-FF),
// which are taken whatever they hold.  Returns the value, U+FFFD for values above U+FFFF,
// and sets `continuation`; returns 0 and leaves `continuation` when too few bytes remain.
std::uint32_t utf8ToUtf16(const std::uint8_t* s, long available, int& continuation);

}  // namespace ts

namespace ts {

// The UTF-8 bytes of a code point up to U+10FFFF (1 to 4); surrogates like any value.
constexpr int encodeUtf8(std::uint32_t cp, std::uint8_t out[4]) {
  if (cp < 0x80) {
    out[0] = static_cast<std::uint8_t>(cp);
    return 1;
  }
  if (cp < 0x800) {
    out[0] = static_cast<std::uint8_t>(0xC0 | (cp >> 6));
    out[1] = static_cast<std::uint8_t>(0x80 | (cp & 0x3F));
    return 2;
  }
  if (cp < 0x10000) {
    out[0] = static_cast<std::uint8_t>(0xE0 | (cp >> 12));
    out[1] = static_cast<std::uint8_t>(0x80 | ((cp >> 6) & 0x3F));
    out[2] = static_cast<std::uint8_t>(0x80 | (cp & 0x3F));
    return 3;
  }
  out[0] = static_cast<std::uint8_t>(0xF0 | (cp >> 18));
  out[1] = static_cast<std::uint8_t>(0x80 | ((cp >> 12) & 0x3F));
  out[2] = static_cast<std::uint8_t>(0x80 | ((cp >> 6) & 0x3F));
  out[3] = static_cast<std::uint8_t>(0x80 | (cp & 0x3F));
  return 4;
}

// The length of the well-formed UTF-8 sequence at s[0..n) (shortest form, no surrogate, at
// most U+10FFFF), with its value in `cp`; 0 when none starts there.  A sequence cut short by
// the end of s also gives 0.
int wellFormedUtf8(const std::uint8_t* s, std::size_t n, std::uint32_t& cp);

// Whether a well-formed sequence may still start at s[0..n) when more bytes follow.
bool utf8MayContinue(const std::uint8_t* s, std::size_t n);

// A piece of UTF-8 cut from a longer text without the character cut short at its end (if
// any), and with `front` also without the continuation bytes of one cut at its start.
std::string_view wholeCharacters(std::string_view piece, bool front = false);

// Walks the UTF-8 at s[0..n): `character(cp)` for each character of two bytes or more,
// `broken()` for each byte of 128 or more that starts none; either returning false stops the
// walk there.  With `final` false, a sequence cut short at the end is left.  Returns how much
// was read.
template <class Character, class Broken>
std::size_t walkUtf8(const std::uint8_t* s, std::size_t n, bool final, Character&& character,
                     Broken&& broken) {
  std::size_t i = 0;
  while (i < n) {
    if (s[i] < 0x80) {
      ++i;
      continue;
    }
    std::uint32_t cp = 0;
    const int len = wellFormedUtf8(s + i, n - i, cp);
    if (len == 0 && !final && utf8MayContinue(s + i, n - i)) break;
    const bool more = len == 0 ? broken() : character(cp);
    i += len == 0 ? 1 : static_cast<std::size_t>(len);
    if (!more) break;
  }
  return i;
}

// Whether a text is well-formed UTF-8 throughout.
inline bool validUtf8(std::string_view t) {
  bool ok = true;
  walkUtf8(reinterpret_cast<const std::uint8_t*>(t.data()), t.size(), true,
           [](std::uint32_t) { return true; },
           [&ok] {
             ok = false;
             return false;
           });
  return ok;
}

// A decimal escape of "VN Unicode 1": a backslash, "u" and four decimal digits.
enum class EscapeMatch { kNo, kYes, kUnknown };  // kUnknown: the text ends before it decides
EscapeMatch matchDecimalEscape(const std::uint8_t* s, std::size_t n, int& value);

}  // namespace ts
