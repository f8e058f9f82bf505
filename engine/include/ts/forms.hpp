// The forms a charset's text takes besides its own bytes.
//
// Legacy text mostly arrives today "carried": a file in TCVN3 or VNI was opened as
// Windows-1252 (or Latin-1) and saved as UTF-8, so each of its bytes became the character
// that code page gives it; UTF-8 can arrive the same way, encoded twice or three times.  A
// form names the charset and how many such layers lie over its bytes.  The true Windows-1258
// code page is a form of code 27: the same letters, with that code page's punctuation and
// symbols (0x80-0x9F, the dong sign at 0xFE) where 27 leaves the bytes as Windows-1252.
//
// A form is one number: the charset code in bits 0-5 (codes end at 44), the layers in bits
// 6-7, and bit 8 for Windows-1258.  The low byte alone therefore names every carried form,
// as the library's byte-sized codes do; a plain code is its own form.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "ts/byte_buffer.hpp"
#include "ts/utf.hpp"

namespace ts {

using CharsetForm = std::uint32_t;

inline constexpr int kMaxCarriedLayers = 3;
inline constexpr CharsetForm kLayerUnit = 0x40;
inline constexpr CharsetForm kWindows1258Flag = 0x100;
inline constexpr CharsetForm kWindows1258 = kWindows1258Flag | 27;

constexpr int formCharset(CharsetForm form) { return static_cast<int>(form & 0x3F); }
constexpr int formLayers(CharsetForm form) { return static_cast<int>((form >> 6) & 3); }
constexpr bool formIsWindows1258(CharsetForm form) { return (form & kWindows1258Flag) != 0; }
constexpr CharsetForm carriedForm(int code, int layers) {
  return static_cast<CharsetForm>(code) | static_cast<CharsetForm>(layers) * kLayerUnit;
}

// The form a person means: a charset name as charsetByName takes it, followed by "+utf8"
// once for each layer ("tcvn3+utf8": TCVN3 carried in UTF-8; "utf8+utf8": UTF-8 encoded
// twice); "cp1258" and "windows-1258" name Windows-1258.  0 for an unknown name, for more than
// kMaxCarriedLayers layers and for codes above `lastCode`.
CharsetForm charsetFormByName(std::string_view name, int lastCode = 44);

// How a form is named to people: "TCVN3 - ABC", "TCVN3 - ABC, carried in UTF-8", "Ucode1 UTF-8,
// encoded twice", "Windows-1258".  Empty for a form of no catalogue code.
std::string formName(CharsetForm form);
// The same with its phrase translated by `translate` (given "%s, carried in UTF-8" and the
// like, it gives the phrase to use, %s standing for the charset's name): a program's
// catalogue of messages.
std::string formName(CharsetForm form, const char* (*translate)(const char*));
// A form as the programs name it, typed and named: `15 "TCVN3 - ABC"`,
// `tcvn3+utf8 "TCVN3 - ABC, carried in UTF-8"` (its phrase through `translate`).
std::string formLabel(CharsetForm form, const char* (*translate)(const char*));

// The form as it is typed: "tcvn3+utf8", "utf8+utf8", "cp1258", "15".
std::string formShortName(CharsetForm form);

// The byte a character stands for when bytes were read as Windows-1252 or Latin-1: U+0000 to
// U+00FF for themselves, the Windows-1252 characters for their bytes 0x80-0x9F.  -1 for a
// character that stands for no byte.
int carriedByte(std::uint32_t codePoint);

// The same for the characters below kCarriedTop (Windows-1252's all lie there), 0 for none
// (U+0000 apart).
inline constexpr std::uint32_t kCarriedTop = 0x2200;
extern const std::array<std::uint8_t, kCarriedTop> kCarriedBytes;

// The longest start of s[0..n) (in blocks of 16 bytes, each followed by two more) made of
// characters that stand for a byte (ASCII, U+0080..U+00FF and Windows-1252's others), written
// to `out` as those bytes; `written` says how many.  `out` needs room for the bytes read and 16
// more.  Returns how much was read, the last bytes of a character the blocks began included
// (0 where the processor cannot do it in blocks).
std::size_t unwrapBlocks(const std::uint8_t* s, std::size_t n, std::uint8_t* out,
                         std::size_t& written);

// Walks one carried layer, the UTF-8 text at s[0..n), writing at `p` (room for n + 16 bytes)
// the byte each character stands for (and each byte that starts no character, as itself);
// `other(c, len)` receives a character that stands for none, and may move `p`.  Returns how
// much was read: with `final` false, a sequence cut short at the end is left for the next
// call.
template <class Other>
std::size_t walkCarried(const std::uint8_t* s, std::size_t n, bool final, std::uint8_t*& p,
                        Other&& other) {
  std::size_t i = 0, slowUntil = 0;
  while (i < n) {
    if (i >= slowUntil) {
      // Blocks of the common characters at once; after a block that is not one, a few bytes
      // one at a time.
      std::size_t written = 0;
      i += unwrapBlocks(s + i, n - i, p, written);
      p += written;
      if (i >= n) break;
      slowUntil = i + 16;
    }
    const std::uint8_t b = s[i];
    // ASCII, and U+0080..U+00FF (the commonest): the byte itself, with few branches.
    const bool two = b == 0xC2 || b == 0xC3;
    if (b < 0x80 || (two && i + 1 < n && (s[i + 1] & 0xC0) == 0x80)) {
      *p++ = two ? static_cast<std::uint8_t>(((b & 0x1F) << 6) | (s[i + 1] & 0x3F)) : b;
      i += two ? 2 : 1;
      continue;
    }
    // The other two-byte characters, and the three-byte ones from E2 (Windows-1252's
    // punctuation, commonest in UTF-8 encoded twice), read here; the rest in full.
    std::uint32_t cp = 0;
    int len = 0;
    if (b >= 0xC4 && b <= 0xDF && i + 1 < n && (s[i + 1] & 0xC0) == 0x80) {
      cp = ((b & 0x1Fu) << 6) | (s[i + 1] & 0x3Fu);
      len = 2;
    } else if (b == 0xE2 && i + 2 < n && (s[i + 1] & 0xC0) == 0x80 && (s[i + 2] & 0xC0) == 0x80) {
      cp = 0x2000u | ((s[i + 1] & 0x3Fu) << 6) | (s[i + 2] & 0x3Fu);
      len = 3;
    } else {
      len = wellFormedUtf8(s + i, n - i, cp);
      if (len == 0) {
        if (!final && utf8MayContinue(s + i, n - i)) break;
        *p++ = b;
        ++i;
        continue;
      }
    }
    const int byte = cp < kCarriedTop ? kCarriedBytes[cp] : 0;  // above 0x7F: 0 for none
    if (byte != 0)
      *p++ = static_cast<std::uint8_t>(byte);
    else
      other(s + i, static_cast<std::size_t>(len));
    i += static_cast<std::size_t>(len);
  }
  return i;
}

// One layer off: the UTF-8 text at s[0..n) gives the bytes its characters stand for.  A
// character that stands for no byte keeps its UTF-8 bytes, and a byte that starts no UTF-8
// character stays itself.  Returns how much was read: with `final` false, a sequence cut
// short at the end is left for the next call.
std::size_t unwrapLayer(const std::uint8_t* s, std::size_t n, bool final, ByteBuffer& out);

// The Unicode character of a byte of Windows-1258 (bytes the code page leaves undefined as the
// C1 controls of their value), and the byte of a character in it (-1 for none).
std::uint32_t windows1258CodePoint(std::uint8_t b);
int windows1258Byte(std::uint32_t codePoint);

}  // namespace ts
