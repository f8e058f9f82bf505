#include "ts/unicode.hpp"

#include <array>

#include "ts/utf.hpp"

namespace ts {
namespace {

// Letters by code point, first match of the letter order (0: no letter).
struct LetterIndex {
  std::array<std::uint8_t, 0x1F00> letter{};
  LetterIndex() {
    for (int n = kLetterCount; n >= 1; --n)
      letter[letterCodePoint(n)] = static_cast<std::uint8_t>(n);
  }
  int operator()(std::uint32_t cp) const { return cp < letter.size() ? letter[cp] : 0; }
};
const LetterIndex& letterIndex() {
  static const LetterIndex index;
  return index;
}

}  // namespace

std::u16string toUtf16(ConverterState& conv, std::string_view text) {
  const std::string escaped = convert(conv, text);
  std::u16string out;
  out.reserve(escaped.size());
  const std::size_t n = escaped.size();
  for (std::size_t i = 0; i < n;) {
    int v = 0;
    if (escaped[i] == '\\' &&
        matchDecimalEscape(reinterpret_cast<const std::uint8_t*>(escaped.data() + i), n - i, v) ==
            EscapeMatch::kYes) {
      out.push_back(static_cast<char16_t>(v));
      i += 6;
    } else {
      out.push_back(static_cast<char16_t>(static_cast<std::uint8_t>(escaped[i])));
      ++i;
    }
  }
  return out;
}

bool fromUtf16(const ConverterState& conv, std::u16string_view text, std::string& out) {
  CharsetSelection dst;
  if (!selectCharset(conv.destination(), conv.options().lastCode, dst)) return false;
  const LetterIndex& index = letterIndex();
  for (char16_t u : text) {
    const int n = index(u);
    if (n != 0)
      out += writeLetter(dst, n).view();
    else
      out += static_cast<char>(u & 0xFF);
  }
  return true;
}

std::string tcvn3ToUtf8(std::string_view tcvn3) {
  ConverterState st;
  selectPair(st, kTcvn3, kUtf8);
  return convert(st, tcvn3);
}

int upperLetter(int n) {
  if (n >= 1 && n <= 72) return n + 80;
  if (n == 79) return 80;
  return n;
}

int lowerLetter(int n) {
  if (n >= 81 && n <= kLetterCount) return n - 80;
  const int lower = lowerCaseOf(n);  // 73..78 and Đ
  return lower != 0 ? lower : n;
}

bool isCapitalChar(std::uint32_t ch) {
  if (ch >= 'A' && ch <= 'Z') return true;
  for (int n = 80; n <= kLetterCount; ++n)
    if (letterCodePoint(n) == ch) return true;
  return false;
}

std::uint32_t lowerChar(std::uint32_t ch) {
  if (ch >= 'A' && ch <= 'Z') return ch + 32;
  for (int n = 81; n <= kLetterCount; ++n)
    if (letterCodePoint(n) == ch) return letterCodePoint(n - 80);
  if (ch == 0x0110) return 0x0111;
  return ch;
}

std::uint32_t upperChar(std::uint32_t ch) {
  if (ch >= 'a' && ch <= 'z') return ch - 32;
  for (int n = 1; n <= 72; ++n)
    if (letterCodePoint(n) == ch) return letterCodePoint(n + 80);
  if (ch == 0x0111) return 0x0110;
  return ch;
}

}  // namespace ts
