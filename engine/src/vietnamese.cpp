#include "ts/vietnamese.hpp"

#include <algorithm>
#include <array>
#include <memory>
#include <string>

#include "syllable.hpp"
#include "ts/catalogue.hpp"
#include "ts/utf.hpp"

namespace ts {
namespace syllable {
namespace {

bool isVowel(std::uint8_t b) {
  switch (b) {
    case kA:
    case kE:
    case kI:
    case kO:
    case kU:
    case kY:
    case kAw:
    case kAa:
    case kEe:
    case kOo:
    case kOw:
    case kUw: return true;
    default: return false;
  }
}

// A run of up to three base bytes as one number (its length in the top byte).
constexpr std::uint32_t pack(const std::uint8_t* p, std::size_t n) {
  std::uint32_t k = static_cast<std::uint32_t>(n) << 24;
  for (std::size_t i = 0; i < n; ++i) k |= static_cast<std::uint32_t>(p[i]) << (8 * (2 - i));
  return k;
}

// Spellings with ASCII stand-ins: A = ă, W = â, E = ê, O = ô, P = ơ, U = ư, D = đ.
constexpr std::uint8_t standIn(char c) {
  switch (c) {
    case 'A': return kAw;
    case 'W': return kAa;
    case 'E': return kEe;
    case 'O': return kOo;
    case 'P': return kOw;
    case 'U': return kUw;
    case 'D': return kDd;
    default: return static_cast<std::uint8_t>(c);
  }
}

constexpr std::uint32_t packed(const char* t) {
  std::uint8_t b[3] = {};
  std::size_t n = 0;
  for (; t[n] != 0; ++n) b[n] = standIn(t[n]);
  return pack(b, n);
}

// The nuclei (vowel groups) Vietnamese spelling allows without a final consonant, and with
// one; the final consonants; the initial consonants, longest first.
constexpr const char* kOpen[] = {"a",   "e",   "E",   "i",   "o",   "O",   "P",   "u",   "U",
                                 "y",   "ai",  "ao",  "au",  "ay",  "Wu",  "Wy",  "eo",  "Eu",
                                 "ia",  "iu",  "oa",  "oe",  "oi",  "Oi",  "Pi",  "ua",  "uE",
                                 "ui",  "uP",  "uy",  "Ua",  "Ui",  "Uu",  "iEu", "yEu", "oai",
                                 "oao", "oay", "oeo", "uWy", "uOi", "uya", "uyu", "UPi", "UPu"};
constexpr const char* kClosed[] = {"a",  "A",  "W",  "e",  "E",  "i",  "o",  "O",
                                   "P",  "u",  "U",  "y",  "oa", "oA", "oe", "oo",
                                   "uW", "uE", "uO", "UP", "uy", "iE", "yE", "uyE"};
constexpr const char* kFinals[] = {"ch", "ng", "nh", "c", "m", "n", "p", "t"};
constexpr const char* kInitials[] = {"ngh", "ng", "nh", "ch", "gh", "gi", "kh", "ph", "qu",
                                     "th",  "tr", "b",  "c",  "d",  "D",  "g",  "h",  "k",
                                     "l",   "m",  "n",  "p",  "r",  "s",  "t",  "v",  "x"};

template <std::size_t N>
constexpr std::array<std::uint32_t, N> packAll(const char* const (&t)[N]) {
  std::array<std::uint32_t, N> out{};
  for (std::size_t i = 0; i < N; ++i) out[i] = packed(t[i]);
  return out;
}
constexpr auto kOpenKeys = packAll(kOpen);
constexpr auto kClosedKeys = packAll(kClosed);
constexpr auto kFinalKeys = packAll(kFinals);
constexpr auto kInitialKeys = packAll(kInitials);

template <std::size_t N>
bool contains(const std::array<std::uint32_t, N>& keys, std::uint32_t k) {
  for (std::uint32_t x : keys)
    if (x == k) return true;
  return false;
}

bool isHatted(std::uint8_t b) { return b >= kAw && b <= kUw; }

// Whether the tone mark stands on a vowel of the nucleus w[0..v) where the spelling puts it,
// the old placement (hòa, thúy) and the new (hoà, thuý) both: on the last vowel with a hat
// or horn; else on the only vowel, the second of a nucleus before a final consonant, the
// middle one of three, the first of two in an open syllable (either of oa, oe, uy).
bool tonePlaced(const std::uint8_t* w, std::size_t v, bool closed, int at) {
  if (at < 0) return true;
  if (static_cast<std::size_t>(at) >= v) return false;
  for (std::size_t i = v; i-- > 0;)
    if (isHatted(w[i])) return static_cast<std::size_t>(at) == i;
  if (v == 1) return at == 0;
  if (v == 3) return at == 1;
  if (closed) return at == 1;
  const std::uint32_t nucleus = pack(w, v);
  if (nucleus == packed("oa") || nucleus == packed("oe") || nucleus == packed("uy")) return true;
  return at == 0;
}

bool rhymeAllowed(const std::uint8_t* w, std::size_t n, int tone, int toneAt) {
  std::size_t v = 0;
  while (v < n && isVowel(w[v])) ++v;
  if (v == 0 || v > 3 || n - v > 2) return false;
  if (tone != 0 && !tonePlaced(w, v, v != n, toneAt)) return false;
  const std::uint32_t nucleus = pack(w, v);
  if (v == n) return contains(kOpenKeys, nucleus);
  const std::uint32_t final = pack(w + v, n - v);
  if (!contains(kFinalKeys, final) || !contains(kClosedKeys, nucleus)) return false;
  // A syllable that ends in a stop takes the acute or the dot below, or none.
  const std::uint8_t last = w[n - 1];
  const bool stop = last == 'c' || last == 'p' || last == 't' || (last == 'h' && w[n - 2] == 'c');
  return !stop || tone == 0 || tone == 2 || tone == 5;
}

// A syllable as one number: its bases, then its tone in the top byte.
std::uint64_t keyOf(const std::uint8_t* bases, std::size_t n, int tone) {
  std::uint64_t k = static_cast<std::uint64_t>(tone + 1) << 56;
  for (std::size_t i = 0; i < n; ++i) k |= static_cast<std::uint64_t>(bases[i]) << (8 * i);
  return k;
}

struct Entry {
  const char* text;
  int weight;
};
constexpr Entry kTable[] = {
#include "syllable_table.inc"
};
constexpr std::uint32_t kPairs[] = {
#include "syllable_pairs.inc"
};

// The table's syllables by key, in open addressing.
class Weights {
 public:
  Weights() {
    for (std::size_t row = 0; row < std::size(kTable); ++row) {
      const Entry& e = kTable[row];
      std::uint8_t bases[kLongest];
      std::size_t n = 0;
      int tone = 0;
      if (!decompose(e.text, bases, n, tone)) continue;
      std::size_t i = slot(keyOf(bases, n, tone));
      keys_[i] = keyOf(bases, n, tone);
      weights_[i] = static_cast<std::uint8_t>(e.weight);
      rows_[i] = static_cast<std::int16_t>(row);
    }
  }
  int weight(std::uint64_t key) const { return weights_[slot(key)]; }
  int row(std::uint64_t key) const { return rows_[slot(key)]; }

  // A lower-case UTF-8 syllable of the table as bases and tone.
  static bool decompose(std::string_view text, std::uint8_t* bases, std::size_t& n, int& tone) {
    const auto* s = reinterpret_cast<const std::uint8_t*>(text.data());
    for (std::size_t i = 0; i < text.size();) {
      std::uint32_t cp = s[i];
      int len = 1;
      if (cp >= 0x80 && (len = wellFormedUtf8(s + i, text.size() - i, cp)) == 0) return false;
      i += static_cast<std::size_t>(len);
      const int letter = cp < 0x80 && cp != 'a' && cp != 'e' && cp != 'i' && cp != 'o' &&
                                 cp != 'u' && cp != 'y'
                             ? 0
                             : letterOfCodePoint(cp);
      if (n == kLongest) return false;
      if (letter == 0) {
        bases[n++] = static_cast<std::uint8_t>(cp);
        continue;
      }
      bases[n++] = kShapes[letter].base;
      if (kShapes[letter].tone != 0) tone = kShapes[letter].tone;
    }
    return true;
  }

 private:
  static constexpr std::size_t kSlots = 1 << 14;
  std::size_t slot(std::uint64_t key) const {
    std::size_t i = static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> 50);
    while (keys_[i] != 0 && keys_[i] != key) i = (i + 1) & (kSlots - 1);
    return i;
  }
  std::array<std::uint64_t, kSlots> keys_{};
  std::array<std::uint8_t, kSlots> weights_{};
  std::array<std::int16_t, kSlots> rows_ = [] {
    std::array<std::int16_t, kSlots> r{};
    r.fill(-1);
    return r;
  }();
};

const Weights& weights() {
  static const auto w = std::make_unique<Weights>();
  return *w;
}

}  // namespace

bool allowed(const std::uint8_t* w, std::size_t n, int tone, int toneAt) {
  for (std::size_t i = 0; i < kInitialKeys.size(); ++i) {
    const std::size_t len = kInitialKeys[i] >> 24;
    if (len > n || pack(w, len) != kInitialKeys[i]) continue;
    if (rhymeAllowed(w + len, n - len, tone, toneAt < 0 ? -1 : toneAt - static_cast<int>(len)))
      return true;
    // Where "gi" leaves no rhyme (gì), the loop goes on to "g".
  }
  return rhymeAllowed(w, n, tone, toneAt);
}

int weight(const std::uint8_t* bases, std::size_t n, int tone) {
  if (n == 0 || n > kLongest) return 0;
  return weights().weight(keyOf(bases, n, tone));
}

int rowOf(const std::uint8_t* bases, std::size_t n, int tone) {
  if (n == 0 || n > kLongest) return -1;
  return weights().row(keyOf(bases, n, tone));
}

int pairWeight(int first, int second) {
  const std::uint32_t key =
      (static_cast<std::uint32_t>(first) << 17) | (static_cast<std::uint32_t>(second) << 4);
  const auto* at = std::lower_bound(std::begin(kPairs), std::end(kPairs), key);
  return at != std::end(kPairs) && (*at & ~0xFu) == key ? static_cast<int>(*at & 0xF) : 0;
}

}  // namespace syllable

namespace {

bool isAsciiLetter(std::uint8_t b) { return (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z'); }

}  // namespace

WordReading readWord(std::string_view word) {
  using namespace syllable;
  WordReading r;
  std::uint8_t bases[kLongest];
  std::size_t n = 0;
  int tone = 0, tones = 0, toneAt = -1;
  bool tooLong = false, first = true, firstUpper = false, anyUpper = false, anyLower = false,
       laterUpper = false, untonedLower = false, tonedUpper = false;
  int capitals = 0;
  const auto* s = reinterpret_cast<const std::uint8_t*>(word.data());
  r.letters = !word.empty();
  for (std::size_t i = 0; i < word.size();) {
    std::uint32_t cp = s[i];
    int len = 1;
    if (cp >= 0x80 && (len = wellFormedUtf8(s + i, word.size() - i, cp)) == 0) {
      r.letters = false;
      break;
    }
    i += static_cast<std::size_t>(len);
    std::uint8_t base = 0;
    bool upper = false, toned = false;
    if (cp < 0x80) {
      if (!isAsciiLetter(static_cast<std::uint8_t>(cp))) {
        r.letters = false;
        break;
      }
      upper = cp < 'a';
      base = static_cast<std::uint8_t>(cp | 0x20);
    } else {
      const int letter = letterOfCodePoint(cp);
      if (letter == 0) {
        r.letters = false;
        break;
      }
      upper = lowerCaseOf(letter) != 0;
      base = kShapes[letter].base;
      if (kShapes[letter].tone != 0) {
        ++tones;
        toned = true;
        tone = kShapes[letter].tone;
        toneAt = static_cast<int>(n);
      }
      r.marked = r.marked || kShapes[letter].tone != 0 || base >= 0x80;
    }
    if (first) firstUpper = upper;
    capitals += upper;
    untonedLower = untonedLower || (!upper && !toned);
    tonedUpper = tonedUpper || (upper && toned);
    laterUpper = laterUpper || (!first && upper);
    anyUpper = anyUpper || upper;
    anyLower = anyLower || !upper;
    first = false;
    if (n == kLongest)
      tooLong = true;
    else
      bases[n++] = base;
  }
  if (!r.letters) return r;
  // Capitals made by a program that knew capitals of unmarked letters only, or by a charset
  // that has no capital of a letter with a tone mark (TCVN3 writes them in a capitals font):
  // every letter a capital but those with a tone (MớI, CảNH, ĐộT).
  const bool toneless = capitals >= 2 && !untonedLower && !tonedUpper;
  r.cased = !anyUpper || !anyLower || (firstUpper && !laterUpper) || toneless;
  r.allowed = !tooLong && tones <= 1 && allowed(bases, n, tone, toneAt);
  if (r.allowed) {
    r.weight = weight(bases, n, tone);
    if (r.weight > 0) r.row = rowOf(bases, n, tone);
  }
  return r;
}

int pairWeight(const WordReading& first, const WordReading& second) {
  if (first.row < 0 || second.row < 0) return 0;
  return syllable::pairWeight(first.row, second.row);
}

namespace {

// How many letters at the start of `letters` end a printf directive (s, lu, zu): 0 if none.
std::size_t conversionLength(std::string_view letters) {
  std::size_t n = 0;
  for (const std::string_view length : {"hh", "ll", "h", "l", "z", "j", "t", "L", "q"})
    if (letters.starts_with(length) && letters.size() > length.size()) {
      n = length.size();
      break;
    }
  return n < letters.size() &&
                 std::string_view("diouxXfFeEgGaAcspn").find(letters[n]) != std::string_view::npos
             ? n + 1
             : 0;
}

// Where the printf directive ends whose conversion starts at `at` (%s, %08lx, %.*s): the
// conversion's end, or `at` where no directive is.
std::size_t directiveEnd(std::string_view word, std::size_t at) {
  std::size_t i = at;
  while (i > 0 && std::string_view("0123456789.*-+#").find(word[i - 1]) != std::string_view::npos)
    --i;
  if (i == 0 || word[i - 1] != '%') return at;
  return at + conversionLength(word.substr(at));
}

}  // namespace

std::string_view wordCore(std::string_view word) {
  // Letters are ASCII letters and characters of two bytes or more; the rest is trimmed.
  auto letterAt = [](std::uint8_t b) { return isAsciiLetter(b) || b >= 0x80; };
  std::size_t a = 0, b = word.size();
  while (a < b && !letterAt(static_cast<std::uint8_t>(word[a]))) ++a;
  while (b > a && !letterAt(static_cast<std::uint8_t>(word[b - 1]))) --b;
  // Punctuation of two bytes or more (quotes, dashes, the ellipsis, no-break spaces) too.
  auto punctuation = [](std::string_view w, std::size_t at, std::size_t& len) {
    std::uint32_t cp = 0;
    const int l = wellFormedUtf8(reinterpret_cast<const std::uint8_t*>(w.data()) + at,
                                 w.size() - at, cp);
    len = static_cast<std::size_t>(l);
    // General punctuation, and Latin-1's signs (which legacy charsets carried in UTF-8 use
    // for letters: a word whose letters gain one is judged with care).
    return l > 0 && ((cp >= 0x2000 && cp <= 0x206F) || (cp >= 0x80 && cp <= 0xBF) ||
                     cp == 0xD7 || cp == 0xF7);
  };
  for (bool more = true; more;) {
    more = false;
    for (std::size_t len = 0; a < b && punctuation(word, a, len); more = true) a += len;
    while (a < b && !letterAt(static_cast<std::uint8_t>(word[a]))) {
      ++a;
      more = true;
    }
    for (std::size_t back = 2; back <= 3 && back <= b - a; ++back) {
      std::size_t len = 0;
      if (punctuation(word, b - back, len) && len == back) {
        b -= back;
        more = true;
        break;
      }
    }
    while (b > a && !letterAt(static_cast<std::uint8_t>(word[b - 1]))) {
      --b;
      more = true;
    }
  }
  return withDirective(word, word.substr(a, b - a));
}

std::string_view withDirective(std::string_view word, std::string_view core) {
  const auto start = static_cast<std::size_t>(core.data() - word.data());
  if (start == 0 || core.empty() || directiveEnd(word, start) == start) return core;
  const std::size_t percent = word.rfind('%', start - 1);  // the directive's flags hold none
  return word.substr(percent, start + core.size() - percent);
}

WordReading readJoined(std::string_view word, bool foreignParts) {
  // Joiners: ASCII that is no letter (the legacy charsets write their letters with bytes of
  // 128 and more, so a sign there was the text's own).
  auto joiner = [](char c) {
    return static_cast<std::uint8_t>(c) < 0x80 && !isAsciiLetter(static_cast<std::uint8_t>(c));
  };
  if (std::none_of(word.begin(), word.end(), joiner)) return readWord(word);
  // A menu's mnemonic: one underscore inside a syllable (Khô_ng, Th_uộc).
  if (const std::size_t mark = word.find('_');
      mark != std::string_view::npos && std::count_if(word.begin(), word.end(), joiner) == 1) {
    std::string plain(word);
    plain.erase(mark, 1);
    if (const WordReading r = readWord(plain); r.vietnamese()) return r;
  }
  WordReading joined;
  joined.weight = 99;
  joined.allowed = joined.letters = joined.cased = true;
  int parts = 0;
  for (std::size_t at = 0; at < word.size();) {
    std::size_t end = at;
    while (end < word.size() && !joiner(word[end])) ++end;
    // A printf directive's conversion is a sign (%s/xóa, %sNgười).
    at = std::min(directiveEnd(word, at), end);
    const std::string_view part = word.substr(at, end - at);
    // A part of ASCII letters that is no syllable (a program's option, a foreign word) says
    // nothing either way.
    if (!part.empty() && !(foreignParts && std::all_of(part.begin(), part.end(), [](char c) {
          return static_cast<std::uint8_t>(c) < 0x80;
        }) && !readWord(part).vietnamese())) {
      const WordReading r = readWord(part);
      if (!r.vietnamese()) return {};
      ++parts;
      joined.weight = std::min(joined.weight, r.weight);
      joined.allowed = joined.allowed && r.allowed;
      joined.marked = joined.marked || r.marked;
    }
    at = end + 1;
  }
  return parts == 0 ? WordReading{} : joined;
}

}  // namespace ts
