#include "ts/unicode.hpp"

#include <cstring>

#include "syllable.hpp"
#include "ts/catalogue.hpp"

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

// By the letter tables' index: capitals are 73..78 and 80..152, their small letters
// lowerCaseOf's.
bool isCapitalChar(std::uint32_t ch) {
  if (ch < 0x80) return ch >= 'A' && ch <= 'Z';
  return lowerCaseOf(letterOfCodePoint(ch)) != 0;
}

std::uint32_t lowerChar(std::uint32_t ch) {
  if (ch < 0x80) return ch >= 'A' && ch <= 'Z' ? ch + 32 : ch;
  const int lower = lowerCaseOf(letterOfCodePoint(ch));
  return lower != 0 ? letterCodePoint(lower) : ch;
}

std::uint32_t upperChar(std::uint32_t ch) {
  if (ch < 0x80) return ch >= 'a' && ch <= 'z' ? ch - 32 : ch;
  const int n = letterOfCodePoint(ch);
  if (n >= 1 && n <= 72) return letterCodePoint(n + 80);
  return n == 79 ? letterCodePoint(80) : ch;
}

}  // namespace ts

namespace ts {
namespace {

// The combining marks Vietnamese is decomposed into: what each does to a letter.
struct Mark {
  int tone = 0;           // 1 grave, 2 acute, 3 hook, 4 tilde, 5 dot below
  std::uint8_t hat = 0;   // the base it gives: ă, â/ê/ô, ơ/ư (0: a tone)
};

bool markOf(std::uint32_t cp, Mark& m) {
  switch (cp) {
    case 0x300:
    case 0x340: m = {1, 0}; return true;
    case 0x301:
    case 0x341: m = {2, 0}; return true;
    case 0x309: m = {3, 0}; return true;
    case 0x303: m = {4, 0}; return true;
    case 0x323: m = {5, 0}; return true;
    case 0x302: m = {0, 1}; return true;  // circumflex
    case 0x306: m = {0, 2}; return true;  // breve
    case 0x31B: m = {0, 3}; return true;  // horn
    default: return false;
  }
}

// The letters by base, tone and case, for composing.
struct Letters {
  int number[256][6][2] = {};
  Letters() {
    for (int n = 1; n <= kLetterCount; ++n) {
      const auto& shape = syllable::kShapes[n];
      if (shape.base == 0 || shape.base == syllable::kDd) continue;
      const int upper = n > 80 || (n >= 73 && n <= 78) ? 1 : 0;
      if (number[shape.base][shape.tone][upper] == 0) number[shape.base][shape.tone][upper] = n;
    }
  }
};

const Letters& letters() {
  static const Letters l;
  return l;
}

std::uint8_t withHat(std::uint8_t base, int hat) {
  using namespace syllable;
  switch (hat) {
    case 1: return base == kA ? kAa : base == kE ? kEe : base == kO ? kOo : 0;
    case 2: return base == kA ? kAw : 0;
    case 3: return base == kO ? kOw : base == kU ? kUw : 0;
    default: return base;
  }
}

}  // namespace

bool composeVietnamese(std::string_view text, std::string& out) {
  const auto* s = reinterpret_cast<const std::uint8_t*>(text.data());
  const std::size_t n = text.size();
  if (std::memchr(s, 0xCC, n) == nullptr && std::memchr(s, 0xCD, n) == nullptr) return false;
  std::size_t i = 0, copied = 0;
  while (i < n) {
    std::uint32_t cp = s[i];
    int len = 1;
    if (cp >= 0x80 && (len = wellFormedUtf8(s + i, n - i, cp)) == 0) len = 1;
    const int letter = letterOfCodePoint(cp);
    const std::size_t start = i;
    i += static_cast<std::size_t>(len);
    if (letter == 0) continue;
    const auto& shape = syllable::kShapes[letter];
    std::uint8_t base = shape.base;
    int tone = shape.tone;
    const int upper = lowerCaseOf(letter) != 0 ? 1 : 0;
    std::size_t end = i;
    bool marked = false, fits = true;
    for (;;) {
      std::uint32_t m = 0;
      const int ml = end < n ? wellFormedUtf8(s + end, n - end, m) : 0;
      Mark mark;
      if (ml == 0 || !markOf(m, mark)) break;
      end += static_cast<std::size_t>(ml);
      marked = true;
      if (mark.hat != 0) {
        base = withHat(base, mark.hat);
        fits = fits && base != 0;
      } else {
        fits = fits && tone == 0;
        tone = mark.tone;
      }
    }
    if (!marked || !fits) continue;
    const int composed = letters().number[base][tone][upper];
    if (composed == 0) continue;
    out.append(text.substr(copied, start - copied));
    std::uint8_t utf8[4];
    out.append(reinterpret_cast<const char*>(utf8),
               static_cast<std::size_t>(encodeUtf8(letterCodePoint(composed), utf8)));
    copied = i = end;
  }
  out.append(text.substr(copied));
  return true;
}

std::size_t composableTail(std::string_view text) {
  const auto* s = reinterpret_cast<const std::uint8_t*>(text.data());
  std::size_t i = text.size();
  // Back over the marks and the character before them.
  for (int steps = 0; i > 0 && steps < 16; ++steps) {
    std::size_t start = i - 1;
    while (start > 0 && i - start < 4 && (s[start] & 0xC0) == 0x80) --start;
    std::uint32_t cp = 0;
    Mark m;
    // A sequence cut short at the end may be a mark yet.
    const bool cut = i == text.size() && utf8MayContinue(s + start, i - start) &&
                     wellFormedUtf8(s + start, i - start, cp) == 0;
    const bool isMark = cut || (wellFormedUtf8(s + start, i - start, cp) ==
                                    static_cast<int>(i - start) &&
                                markOf(cp, m));
    i = start;
    if (!isMark) break;
  }
  return text.size() - i;
}

}  // namespace ts
