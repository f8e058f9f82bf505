#include "ts/unicode.hpp"

#include "ts/utf.hpp"

namespace ts {

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
  for (char16_t u : text) {
    const int n = letterOfCodePoint(u);
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

std::string_view closeForm(std::uint32_t cp) {
  // Latin-1 letters U+00C0..U+00FF and Latin Extended-A U+0100..U+017F by their base
  // letters, one or two per character ("." for none: × and ÷ are handled below).
  static constexpr std::string_view kLatin1[64] = {
      "A", "A", "A", "A", "A", "A", "AE", "C", "E", "E", "E", "E", "I", "I", "I",  "I",
      "D", "N", "O", "O", "O", "O", "O",  "x", "O", "U", "U", "U", "U", "Y", "TH", "ss",
      "a", "a", "a", "a", "a", "a", "ae", "c", "e", "e", "e", "e", "i", "i", "i",  "i",
      "d", "n", "o", "o", "o", "o", "o",  "/", "o", "u", "u", "u", "u", "y", "th", "y"};
  static constexpr std::string_view kExtendedA =
      "AaAaAaCcCcCcCcDdDdEeEeEeEeEeGgGgGgGgHhHhIiIiIiIiIi..JjKkkLlLlLlLlLlNnNnNnnNnOoOoOo"
      "..RrRrRrSsSsSsSsTtTtTtUuUuUuUuUuUuWwYyYZzZzZzs";
  if (cp >= 0xC0 && cp <= 0xFF) return kLatin1[cp - 0xC0];
  if (cp >= 0x100 && cp <= 0x17F) {
    switch (cp) {
      case 0x132: return "IJ";
      case 0x133: return "ij";
      case 0x152: return "OE";
      case 0x153: return "oe";
      default: return kExtendedA.substr(cp - 0x100, 1);
    }
  }
  switch (cp) {
    case 0xA0: return " ";
    case 0xA9: return "(C)";
    case 0xAB: return "<<";
    case 0xAD: return "-";
    case 0xAE: return "(R)";
    case 0xB7: return ".";
    case 0xBB: return ">>";
    case 0xBC: return "1/4";
    case 0xBD: return "1/2";
    case 0xBE: return "3/4";
    case 0x2010:
    case 0x2011:
    case 0x2012:
    case 0x2013:
    case 0x2014:
    case 0x2015:
    case 0x2212: return "-";
    case 0x2018:
    case 0x2019:
    case 0x201B:
    case 0x2032:
    case 0xB4: return "'";
    case 0x201A: return ",";
    case 0x201C:
    case 0x201D:
    case 0x201E:
    case 0x2033: return "\"";
    case 0x2022: return "*";
    case 0x2026: return "...";
    case 0x2039: return "<";
    case 0x203A: return ">";
    case 0x20AC: return "EUR";
    case 0xA3: return "GBP";
    case 0xA5: return "JPY";
    case 0x2122: return "(TM)";
    default: return {};
  }
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
