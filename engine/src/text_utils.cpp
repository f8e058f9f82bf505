#include "ts/text_utils.hpp"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "ts/utf.hpp"

namespace ts {
namespace {

constexpr int kBaseVowels[6] = {7, 25, 67, 31, 37, 43};  // ă â ê ô ơ ư, capitals 73..78
constexpr char kToneChars[] = "`?~'.";
constexpr char kSortToneKeys[] = "#%&*.";
constexpr char kTelexToneKeys[] = "frxsj";

std::uint8_t firstByte(const CharsetSelection& cs, int n) {
  const LetterCode c = storedCode(cs, n);
  return c.empty() ? 0 : c.bytes[0];
}

bool singleByte(const CharsetSelection& cs, int n) { return storedCode(cs, n).len == 1; }

void rebuildRaisedBytes(TextUtilState& st, const CharsetSelection& cs) {
  st.raisedBytes.clear();
  auto add = [&st](std::uint8_t b) {
    if (std::find(st.raisedBytes.begin(), st.raisedBytes.end(), b) == st.raisedBytes.end())
      st.raisedBytes.push_back(b);
  };
  for (int n = 1; n <= 72; ++n) {
    const LetterCode c = storedCode(cs, n);
    for (int i = 0; i < c.len; ++i)
      if (c.bytes[i] > 0x80) add(c.bytes[i]);
  }
  const LetterCode d = storedCode(cs, 79);
  if (!d.empty()) add(d.bytes[0]);
  st.rebuildRaised = false;
}

// The case of one byte of the charset, as the byte loop defines it.
std::uint8_t caseOfByte(TextUtilState& st, const CharsetSelection& cs, std::uint8_t b, bool upper) {
  if (upper && b >= 'a' && b <= 'z') return static_cast<std::uint8_t>(b - 32);
  if (!upper && b >= 'A' && b <= 'Z') return static_cast<std::uint8_t>(b + 32);
  switch (cs.kind) {
    case 1: {  // TCVN3 and the other one-code charsets: đ and the base vowels
      const std::uint8_t from = firstByte(cs, upper ? 79 : 80);
      if (b == from) return firstByte(cs, upper ? 80 : 79);
      for (int k = 0; k < 6; ++k) {
        if (b == firstByte(cs, upper ? kBaseVowels[k] : 73 + k))
          return firstByte(cs, upper ? 73 + k : kBaseVowels[k]);
      }
      return b;
    }
    case 2: {
      if (st.rebuildRaised) rebuildRaisedBytes(st, cs);
      const auto& set = st.raisedBytes;
      if (upper) {
        if (std::find(set.begin(), set.end(), b) != set.end())
          return static_cast<std::uint8_t>(b - 32);
      } else {
        const int raised = b + 32;
        if (raised <= 0xFF && std::find(set.begin(), set.end(), raised) != set.end())
          return static_cast<std::uint8_t>(raised);
      }
      return b;
    }
    case 3: {
      // Letter by letter in order, each pair seeing the byte as the earlier pairs left it;
      // only letters whose two codes are single bytes (a longer capital would lose its tone).
      auto pair = [&](int lower, int capital) {
        if (!singleByte(cs, lower) || !singleByte(cs, capital)) return;
        const std::uint8_t from = firstByte(cs, upper ? lower : capital);
        if (b == from) b = firstByte(cs, upper ? capital : lower);
      };
      for (int n = 1; n <= 72; ++n) pair(n, n + 80);
      pair(79, 80);
      return b;
    }
    default:  // kinds 4 and 5: only the ASCII letters
      return b;
  }
}

}  // namespace

CharsetCode defaultCharset(TextUtilState& st, std::uint32_t code) {
  const auto c = static_cast<CharsetCode>(code & 0xFF);
  if (c == 0) return st.defaultCharset;
  if (c > 40) return 0;
  st.defaultCharset = c;
  st.rebuildRaised = true;
  st.mapsValid = false;
  return c;
}

bool changeCase(TextUtilState& st, char* text, std::size_t n, bool upper) {
  CharsetSelection cs;
  if (st.defaultCharset > 40 || !selectCharset(st.defaultCharset, 40, cs)) return false;
  if (!st.mapsValid) {
    for (int b = 0; b < 256; ++b) {
      st.upperMap[b] = caseOfByte(st, cs, static_cast<std::uint8_t>(b), true);
      st.lowerMap[b] = caseOfByte(st, cs, static_cast<std::uint8_t>(b), false);
    }
    st.mapsValid = true;
  }
  const auto& map = upper ? st.upperMap : st.lowerMap;
  const bool escapes = st.defaultCharset == kDecimalEsc;
  for (std::size_t i = 0; i < n; ++i) {
    int v = 0;
    if (escapes && text[i] == '\\' &&
        matchDecimalEscape(reinterpret_cast<const std::uint8_t*>(text + i), n - i, v) ==
            EscapeMatch::kYes) {
      i += 5;  // an escape is no text: its "u" and digits stay
      continue;
    }
    text[i] = static_cast<char>(map[static_cast<std::uint8_t>(text[i])]);
  }
  return true;
}

bool sortable(CharsetCode charset) {
  if (charset == kViqr) return true;
  return hasLetterTable(readableSource(charset));
}

std::string sortKey(ConverterState& conv, CharsetCode charset, std::uint32_t mode,
                    std::string_view text) {
  if (!sortable(charset)) return {};
  std::string viqr;
  if (charset == kViqr) {
    viqr.assign(text);
  } else {
    selectPair(conv, charset, kViqr);
    viqr = convert(conv, text);
  }
  const auto m = static_cast<std::uint8_t>(mode & 0xFF);
  const char* toneKeys = m == kSortModeTelex ? kTelexToneKeys : kSortToneKeys;
  std::string key;
  key.reserve(viqr.size() + viqr.size() / 2 + 1);
  char pending = 0;
  for (std::size_t i = 0; i < viqr.size(); ++i) {
    const char c = viqr[i];
    if (c != 0) {
      if (const char* t = std::strchr(kToneChars, c)) {
        pending = toneKeys[t - kToneChars];
        continue;
      }
    }
    switch (c) {
      case ' ':
        if (pending != 0) key += pending;
        key += ' ';
        pending = 0;
        break;
      case '(': key += "z{"; break;
      case '^': key += "z}"; break;
      case '+': key += "z~"; break;
      case 'd':
      case 'D':
        if (i + 1 < viqr.size() && (viqr[i + 1] == 'd' || viqr[i + 1] == 'D')) {
          key += c;
          key += 'z';
          ++i;
          break;
        }
        key += c;
        break;
      default: key += c;
    }
  }
  if (pending != 0) key += pending;

  if (m == kSortModeNames) {
    std::vector<std::string_view> words;
    std::string_view rest(key);
    for (;;) {
      const std::size_t blank = rest.find(' ');
      words.push_back(rest.substr(0, blank));
      if (blank == std::string_view::npos) break;
      rest.remove_prefix(blank + 1);
    }
    if (words.size() > 1) {
      std::string names(words.back());
      names += ' ';
      names += words.front();
      for (std::size_t w = 1; w + 1 < words.size(); ++w) {
        names += ' ';
        names += words[w];
      }
      return names;
    }
  }
  return key;
}

int compareSorted(ConverterState& conv, CharsetCode charset, std::string_view a,
                  std::string_view b) {
  if (!sortable(charset)) return a.compare(b);
  const std::string ka = sortKey(conv, charset, kSortModeDictionary, a);
  const std::string kb = sortKey(conv, charset, kSortModeDictionary, b);
  return ka.compare(kb);
}

bool isBreakChar(const TextUtilState& st, std::uint32_t ch) {
  const auto c = static_cast<std::uint8_t>(ch & 0xFF);
  if (st.defaultCharset == kViqr && c != 0 && std::strchr("'()*+.?^`~", c) != nullptr) return false;
  if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c >= 161) return false;
  return true;
}

std::string nameLine(int code, int count) {
  if (code < 1 || code > count || code > kCatalogueSize) return {};
  char line[64];
  const int n = std::snprintf(line, sizeof line, " %02d   -   %s", code,
                              std::string(charsetName(code)).c_str());
  return std::string(line, static_cast<std::size_t>(n));
}

}  // namespace ts
