#include "ts/repair.hpp"

#include <algorithm>
#include <deque>
#include <optional>

#include "latin_letters.hpp"
#include "ts/catalogue.hpp"
#include "ts/detect.hpp"
#include "ts/unicode.hpp"
#include "ts/utf.hpp"
#include "ts/vietnamese.hpp"

namespace ts {
namespace {

bool isBlank(std::uint8_t b) { return b == ' ' || b == '\t' || b == '\r' || b == '\n'; }

// The bytes Windows-1252 leaves undefined: a decoder that met one in UTF-8 encoded twice may
// have written U+FFFD for it.
constexpr std::uint8_t kUndefined[] = {0x81, 0x8D, 0x8F, 0x90, 0x9D};

// Whether a character (a byte, a code point) is an ASCII letter.
constexpr bool asciiLetter(std::uint32_t c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; }

// What a word holds.
struct Holds {
  bool high = false;     // characters that stand for bytes of 128 or more (or U+FFFD)
  bool other = false;    // a character that stands for no byte (U+FFFD apart)
  bool broken = false;   // a byte that starts no UTF-8 character
  bool replaced = false; // U+FFFD
};

Holds holds(std::string_view w) {
  Holds h;
  const auto* s = reinterpret_cast<const std::uint8_t*>(w.data());
  for (std::size_t i = 0; i < w.size();) {
    if (s[i] < 0x80) {
      ++i;
      continue;
    }
    std::uint32_t cp = 0;
    const int len = wellFormedUtf8(s + i, w.size() - i, cp);
    if (len == 0) {
      h.broken = true;
      ++i;
      continue;
    }
    i += static_cast<std::size_t>(len);
    if (cp == 0xFFFD) {
      h.replaced = h.high = true;
    } else if (carriedByte(cp) < 0) {
      h.other = true;
    } else {
      h.high = true;
    }
  }
  return h;
}

// Characters UTF-8 encoded again is expected to give back: letters of the Latin scripts
// (Vietnamese among them), punctuation, symbols.
bool plausibleCharacter(std::uint32_t cp) {
  return (cp >= 0xA0 && cp <= 0x2AF) || (cp >= 0x300 && cp <= 0x36F) ||
         (cp >= 0x1E00 && cp <= 0x1EFF) ||
         (cp >= 0x2000 && cp <= 0x22FF && cp != 0x2028 && cp != 0x2029) ||
         (cp >= 0x27E6 && cp <= 0x27EF);  // ⟨ ⟩ and the like, which groff puts around URLs
}

// A word that is a Vietnamese syllable with a mark as it stands: good text.  Only ASCII signs
// and general punctuation (quotes, dashes) around it are left out, never characters that
// stand for bytes a legacy charset may use for letters.
WordReading goodSyllable(std::string_view word);
bool isGoodSyllable(std::string_view word) {
  const WordReading r = goodSyllable(word);
  return r.vietnamese() && r.marked;
}

// The reading of a word as good text: see isGoodSyllable.
WordReading goodSyllable(std::string_view word) {
  std::string_view core = word;
  // (Punctuation beyond a digit is inside a word, not around it: 10Ã—11.)
  bool digitFront = false, digitBack = false;
  auto digit = [](std::uint8_t c) { return c >= '0' && c <= '9'; };
  for (bool more = true; more && !core.empty();) {
    more = false;
    const auto first = static_cast<std::uint8_t>(core.front());
    const auto last = static_cast<std::uint8_t>(core.back());
    if (first < 0x80 && !asciiLetter(first)) {
      digitFront = digitFront || digit(first);
      core.remove_prefix(1);
      more = true;
    } else if (last < 0x80 && !asciiLetter(last)) {
      digitBack = digitBack || digit(last);
      core.remove_suffix(1);
      more = true;
    } else if (!digitFront && core.size() >= 3 && first == 0xE2 &&
               static_cast<std::uint8_t>(core[1]) == 0x80) {
      core.remove_prefix(3);
      more = true;
    } else if (!digitBack && core.size() >= 3 &&
               static_cast<std::uint8_t>(core[core.size() - 3]) == 0xE2 &&
               static_cast<std::uint8_t>(core[core.size() - 2]) == 0x80) {
      core.remove_suffix(3);
      more = true;
    }
  }
  return readJoined(withDirective(word, core));
}

// The UTF-8 that the bytes of a word's characters make, with U+FFFD standing for any byte
// Windows-1252 leaves undefined.
struct Unwrapped {
  std::string bytes;
  std::vector<std::size_t> wild;  // where U+FFFD stood
};

bool unwrapWord(std::string_view w, Unwrapped& u) {
  const auto* s = reinterpret_cast<const std::uint8_t*>(w.data());
  u.bytes.clear();
  u.wild.clear();
  for (std::size_t i = 0; i < w.size();) {
    if (s[i] < 0x80) {
      u.bytes.push_back(static_cast<char>(s[i++]));
      continue;
    }
    std::uint32_t cp = 0;
    const int len = wellFormedUtf8(s + i, w.size() - i, cp);
    if (len == 0) return false;
    i += static_cast<std::size_t>(len);
    if (cp == 0xFFFD) {
      u.wild.push_back(u.bytes.size());
      u.bytes.push_back('\0');
      continue;
    }
    const int b = carriedByte(cp);
    if (b < 0) return false;
    u.bytes.push_back(static_cast<char>(b));
  }
  return true;
}

// Whether bytes decode as UTF-8 of plausible characters, with at least one of two bytes or
// more; `multi` counts those.
bool decodesPlausibly(std::string_view b, int& multi, bool controls) {
  multi = 0;
  const auto* s = reinterpret_cast<const std::uint8_t*>(b.data());
  bool ok = true;
  walkUtf8(
      s, b.size(), true,
      [&](std::uint32_t cp) {
        ++multi;
        if (!plausibleCharacter(cp) && letterOfCodePoint(cp) == 0 && !(controls && carriedByte(cp) >= 0))
          ok = false;
        return ok;
      },
      [&ok] {
        ok = false;
        return false;
      });
  return ok && multi > 0;
}

// Whether the bytes a word's characters stand for may hold UTF-8 beyond ASCII: a lead byte
// right before a continuation byte (or U+FFFD, which stood for one), or a lead byte of two
// last (its no-break space lost).  Asked before a word is unwrapped, as most words are no such.
bool mayBeTwice(std::string_view w) {
  const auto* s = reinterpret_cast<const std::uint8_t*>(w.data());
  int last = -1;
  for (std::size_t i = 0; i < w.size();) {
    std::uint32_t cp = s[i];
    int len = 1;
    if (cp >= 0x80 && (len = wellFormedUtf8(s + i, w.size() - i, cp)) == 0) len = 1;
    i += static_cast<std::size_t>(len);
    const int b = cp == 0xFFFD ? 0x80 : cp < 0x80 ? static_cast<int>(cp) : carriedByte(cp);
    if (last >= 0xC2 && last <= 0xF4 && b >= 0x80 && b <= 0xBF) return true;
    last = b;
  }
  return last >= 0xC2 && last <= 0xDF;
}

// Whether the last UTF-8 sequence of `b` lacks exactly its last byte.
bool lacksLastByte(std::string_view b) {
  const std::size_t n = b.size();
  for (std::size_t back = 1; back <= 3 && back <= n; ++back) {
    const auto lead = static_cast<std::uint8_t>(b[n - back]);
    if ((lead & 0xC0) == 0x80) continue;
    const std::size_t need = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    return need == back + 1;
  }
  return false;
}

// The parts of a word written together from capitals (GiảmÂmLượng: Giảm, Âm, Lượng), each
// from a capital after a letter that is none: `part(from, to)` for each, in bytes.
template <class Part>
void camelParts(std::string_view w, Part&& part) {
  const auto* p = reinterpret_cast<const std::uint8_t*>(w.data());
  bool small = false;
  std::size_t from = 0;
  for (std::size_t i = 0; i < w.size();) {
    std::uint32_t cp = p[i];
    int len = 1;
    if (cp >= 0x80 && (len = wellFormedUtf8(p + i, w.size() - i, cp)) == 0) len = 1;
    const bool capital = isCapitalChar(cp);
    if (capital && small) {
      part(from, i);
      from = i;
    }
    small = !capital;
    i += static_cast<std::size_t>(len);
  }
  part(from, w.size());
}

}  // namespace

// One carried form, its converter selected once.
struct TextRepairer::Reader {
  CharsetForm form;
  ConverterState state;
  std::size_t index = 0;  // among the repairer's readers
  // How the form reads a word.
  struct Word {
    std::string converted;
    bool known = false;  // read already
    bool valid = false, syllable = false, foreign = false;
    bool marked = false;  // a syllable with a mark, Latin-1 letters left or not
    bool changes = false;  // it differs from the word as it stands
    // The signs around the word's letters (see frameCore) stay as they were.
    bool sameFrame = false;
    int weight = 0;
    // Syllables written together, each from a capital (GiảmÂmLượng) or, asked only where the
    // word could be no word as it stood, small (sốlớn), the rarest's weight; -1: no such, -2:
    // not asked yet whether small ones are.
    int camel = -1;
  };

  void read(std::string_view text, ByteBuffer& buffer, Word& w);
};

// How every form reads the words a text repeats (là, có, và): one entry for each word, one
// reading in it for each form, made when that form first reads the word.
struct TextRepairer::Readings {
  struct Entry {
    std::string key;
    // The word as it stands (see Facts), once read.
    bool known = false, already = false, evidence = false, odd = false;
    bool notTwice = false;         // its characters stand for bytes that cannot be UTF-8
    std::uint8_t undecodable = 0;  // nor can they alone (1) or before a blank (2)
    int strange = 0, weight = 0;
    std::size_t coreFrom = 0, coreSize = 0;

    // How the form `reader` (of `readers`) reads the word.  The first form to ask (in a text
    // of one form, mostly the only one) keeps its reading here, the others in `forms`.
    Reader::Word& reading(std::size_t reader, std::size_t readers) {
      if (firstReader == reader) return first;
      if (firstReader == kNone) {
        firstReader = reader;
        first.known = false;
        return first;
      }
      if (!formsFresh) {
        forms.resize(readers);
        for (Reader::Word& w : forms) w.known = false;
        formsFresh = true;
      }
      return forms[reader];
    }
    void reset(std::string_view word) {
      key.assign(word);
      known = notTwice = false;
      undecodable = 0;
      firstReader = kNone;
      formsFresh = false;
    }

   private:
    static constexpr std::size_t kNone = ~std::size_t{0};
    Reader::Word first;
    std::size_t firstReader = kNone;
    std::vector<Reader::Word> forms;  // by reader, made when a second form asks
    bool formsFresh = false;
  };
  // The entry of a word, made where there is none.  Entries stay where they are until clear()
  // (a deque), and are made again over the old ones after it, their buffers kept.
  Entry& of(std::string_view key) {
    if ((used + 1) * 2 > slots.size()) grow();
    const std::size_t h = std::hash<std::string_view>()(key);
    const std::size_t mask = slots.size() - 1;
    const auto tag = static_cast<std::uint32_t>(h >> 32);
    for (std::size_t i = h & mask;; i = (i + 1) & mask) {
      const std::uint64_t slot = slots[i];
      if (slot == 0) {
        slots[i] = (std::uint64_t{tag} << 32) | (used + 1);
        if (used == entries.size()) entries.emplace_back();
        Entry& e = entries[used++];
        e.reset(key);
        return e;
      }
      if ((slot >> 32) == tag) {
        Entry& e = entries[(slot & 0xFFFFFFFFu) - 1];
        if (e.key == key) return e;
      }
    }
  }
  std::size_t size() const { return used; }
  void clear() {
    used = 0;
    std::fill(slots.begin(), slots.end(), 0);
  }

 private:
  void grow() {
    slots.assign(std::max<std::size_t>(slots.size() * 2, 4096), 0);
    const std::size_t mask = slots.size() - 1;
    for (std::size_t k = 0; k < used; ++k) {
      const std::size_t h = std::hash<std::string_view>()(entries[k].key);
      std::size_t i = h & mask;
      while (slots[i] != 0) i = (i + 1) & mask;
      slots[i] = (std::uint64_t{static_cast<std::uint32_t>(h >> 32)} << 32) | (k + 1);
    }
  }
  std::deque<Entry> entries;
  std::size_t used = 0;
  std::vector<std::uint64_t> slots;  // the hash's high half and the entry's index + 1; 0: none
};

// A word of the line under repair: where it is, what replaces it.  (Made for every word of
// every line: kept small.)
struct TextRepairer::Word {
  std::size_t start = 0, end = 0;  // in the line
  std::string after;
  Readings::Entry* entry = nullptr;  // how the forms read it (words that hold bytes)
  std::uint32_t eatBlank = 0;        // what after it the repair takes in: a blank that was a lost
                                     // no-break space, and the letters after it that were its own
  CharsetForm form = 0;              // what it was read as
  Holds h;
  bool changed = false;
  bool skip = false;  // joined into the word before
  // Read as UTF-8 encoded again, it still holds characters that stand for bytes: legacy
  // text carried twice, perhaps, which the carried forms may read better.
  bool tentative = false;
};

TextRepairer::TextRepairer(std::span<const int> charsets) {
  auto wanted = [&](int code) {
    return charsets.empty() || std::find(charsets.begin(), charsets.end(), code) != charsets.end();
  };
  utf8_ = wanted(kUtf8);
  for (int form : detectionCandidates(kCatalogueSize, 2)) {
    const auto f = static_cast<CharsetForm>(form);
    if (formLayers(f) == 0 || formCharset(f) >= kUtf8 || !wanted(formCharset(f))) continue;
    auto r = std::make_unique<Reader>();
    r->form = f;
    selectForms(r->state, f, kUtf8);
    readers_.push_back(std::move(r));
  }
  // Where forms read a run alike, the charsets most texts are in go first.
  auto rank = [](const std::unique_ptr<Reader>& r) {
    constexpr int kCommon[] = {kTcvn3, kVniWin, kViscii, kVpsWin, 27};
    const int code = formCharset(r->form);
    for (int i = 0; i < 5; ++i)
      if (kCommon[i] == code) return i + 8 * formLayers(r->form);
    return 5 + 8 * formLayers(r->form);
  };
  std::stable_sort(readers_.begin(), readers_.end(),
                   [&](const auto& a, const auto& b) { return rank(a) < rank(b); });
  for (std::size_t i = 0; i < readers_.size(); ++i) readers_[i]->index = i;
  readings_ = std::make_unique<Readings>();
}

void TextRepairer::repair(std::string_view text, std::string& out) {
  while (!text.empty()) {
    const std::size_t nl = text.find('\n');
    const std::size_t end = nl == std::string_view::npos ? text.size() : nl + 1;
    ++line_;
    repairLine(text.substr(0, end), out);
    text.remove_prefix(end);
  }
}

void TextRepairer::record(std::string_view line, const Word& w, CharsetForm form) {
  if (!onChange_) return;
  Change c;
  c.line = line_;
  c.column = 1;
  for (std::size_t i = 0; i < w.start; ++i)
    if ((static_cast<std::uint8_t>(line[i]) & 0xC0) != 0x80) ++c.column;
  c.before.assign(line.substr(w.start, w.end + w.eatBlank - w.start));
  c.after = w.after;
  c.form = form;
  onChange_(c);
}

namespace {

// Whether a text's last character is a letter (ASCII or one of the Vietnamese letters).
bool endsWithLetter(std::string_view t) {
  std::size_t start = t.size();
  while (start > 0 && (static_cast<std::uint8_t>(t[start - 1]) & 0xC0) == 0x80) --start;
  if (start == 0) return false;
  --start;
  std::uint32_t cp = static_cast<std::uint8_t>(t[start]);
  if (cp >= 0x80 && wellFormedUtf8(reinterpret_cast<const std::uint8_t*>(t.data()) + start,
                                   t.size() - start, cp) == 0)
    return false;
  return asciiLetter(cp) || letterOfCodePoint(cp) != 0;
}

// Whether a double quote opened in a text is not closed yet: “ and ” as they stand or
// encoded twice (â€œ, and â€� or â€ with the C1 control of 0x9D for the closing one).
bool quoteOpen(std::string_view t) {
  int depth = 0;
  for (std::size_t i = 0; i < t.size(); ++i) {
    const std::string_view at = t.substr(i);
    if (at.starts_with("\u201C") || at.starts_with("\u00E2\u20AC\u0153"))
      ++depth;
    else if (depth > 0 && (at.starts_with("\u201D") || at.starts_with("\u00E2\u20AC\uFFFD") ||
                           at.starts_with("\u00E2\u20AC\u009D")))
      --depth;
  }
  return depth > 0;
}

// Where in its line a word whose bytes lost one stands: the words around, as read; whether a
// double quote opened before it (“ as it stands or encoded twice); whether it ends the line.
struct Around {
  WordReading before, after;
  bool quoteOpen = false, lineEnds = false;
};

// The decodings of bytes with their U+FFFD filled by undefined bytes; the likeliest by the
// syllable it makes beside its neighbours and alone.  0: none decodes; 1: one chosen; 2:
// several alike (undecided).
int fillReplaced(Unwrapped& u, std::string& best, const Around& around) {
  const WordReading& before = around.before;
  const WordReading& after = around.after;
  const std::size_t k = u.wild.size();
  if (k > 2) return 0;
  std::size_t combos = 1;
  for (std::size_t i = 0; i < k; ++i) combos *= std::size(kUndefined);
  int bestWeight = -1, second = -1, found = 0;
  // The same by the pairs the syllable makes with its neighbours (bề rộng, not bỏ rộng).
  int bestPair = 0, secondPair = 0, pairOfBest = 0;
  std::string byPair;
  for (std::size_t c = 0; c < combos; ++c) {
    std::size_t rest = c;
    for (std::size_t i = 0; i < k; ++i) {
      u.bytes[u.wild[i]] = static_cast<char>(kUndefined[rest % std::size(kUndefined)]);
      rest /= std::size(kUndefined);
    }
    int multi = 0;
    if (!decodesPlausibly(u.bytes, multi, true)) continue;
    ++found;
    const WordReading r = readWord(wordCore(u.bytes));
    // The syllable decides; where it does not, the closing quote does after an opening one
    // (the commonest character with such a byte), else a hyphen after letters at the line's
    // end (grub-in‐, as groff breaks words), and a letter of the word's case (HĐH, not HčH).  A
    // letter does not otherwise: in a word that becomes no syllable, Đ is no likelier than the
    // č or ā of a name (PehÄ�evo).
    int preferred = r.letters && r.cased ? 1 : 0;
    walkUtf8(
        reinterpret_cast<const std::uint8_t*>(u.bytes.data()), u.bytes.size(), true,
        [&](std::uint32_t cp) {
          preferred += cp == 0x201D && around.quoteOpen ? 1 : 0;
          return true;
        },
        [] { return true; });
    if (!around.quoteOpen && around.lineEnds && u.bytes.ends_with("\u2010") &&
        endsWithLetter(std::string_view(u.bytes).substr(0, u.bytes.size() - 3)))
      ++preferred;
    const int w = (r.vietnamese() ? r.weight : 0) * 16 + preferred;
    const int pair = r.vietnamese() ? std::max(pairWeight(before, r), pairWeight(r, after)) : 0;
    if (pair > bestPair) {
      secondPair = bestPair;
      bestPair = pair;
      byPair = u.bytes;
    } else if (pair > secondPair) {
      secondPair = pair;
    }
    if (w > bestWeight) {
      second = bestWeight;
      bestWeight = w;
      best = u.bytes;
      pairOfBest = pair;
    } else if (w > second) {
      second = w;
    }
  }
  if (found == 0) return 0;
  if (found == 1) return 1;
  // A pair with a neighbour four times as common as any other candidate's decides; where
  // the neighbours know a pair but not clearly, the syllable alone does not decide against it.
  if (bestPair >= secondPair + 2) {
    best = std::move(byPair);
    return 1;
  }
  // (Where every candidate makes the same pair, the same syllable with another sign, the pair
  // says nothing: đặt” and đặt‐.)
  if (bestPair > pairOfBest) return 2;
  // Clearly the likeliest: a syllable four times as common as the next (two weight classes),
  // or, where the syllables do not decide, the one preferred character.
  const bool bySyllable = bestWeight >= 16 && bestWeight / 16 >= second / 16 + 2;
  const bool byCharacter = bestWeight / 16 == second / 16 && bestWeight > second;
  return bySyllable || byCharacter ? 1 : 2;
}

}  // namespace

bool TextRepairer::scanWords(std::string_view line) {
  const auto* s = reinterpret_cast<const std::uint8_t*>(line.data());
  const std::size_t n = line.size();
  words_.clear();
  bool any = false;
  for (std::size_t i = 0; i < n;) {
    while (i < n && isBlank(s[i])) ++i;
    if (i == n) break;
    Word& w = words_.emplace_back();
    w.start = i;
    while (i < n) {
      // Most of a word: ASCII letters and signs.
      while (i < n && s[i] > ' ' && s[i] < 0x80) ++i;
      if (i == n) break;
      if (s[i] < 0x80) {
        if (isBlank(s[i])) break;
        ++i;
        continue;
      }
      // U+0080..U+00FF, which all stand for bytes: the commonest by far.
      if ((s[i] == 0xC2 || s[i] == 0xC3) && i + 1 < n && (s[i + 1] & 0xC0) == 0x80) {
        w.h.high = true;
        i += 2;
        continue;
      }
      std::uint32_t cp = 0;
      const int len = wellFormedUtf8(s + i, n - i, cp);
      if (len == 0) {
        w.h.broken = true;
        ++i;
        continue;
      }
      i += static_cast<std::size_t>(len);
      if (cp == 0xFFFD)
        w.h.replaced = w.h.high = true;
      else if (carriedByte(cp) < 0)
        w.h.other = true;
      else
        w.h.high = true;
    }
    w.end = i;
    any = any || w.h.high;
  }
  return any;
}

bool TextRepairer::joinsNext(std::string_view line, std::size_t k, std::string& decoded,
                             bool signs) {
  std::vector<Word>& words = words_;
  const Word& next = words[k + 1];
  const std::string_view nextText = line.substr(next.start, next.end - next.start);
  // (Up to a capital after a small letter: BÃ iKáº¿ is BàiKế.)
  std::size_t letters = 0;
  while (letters < nextText.size() && asciiLetter(nextText[letters])) ++letters;
  bool first = true;
  camelParts(nextText.substr(0, letters), [&](std::size_t, std::size_t to) {
    if (first) letters = to;
    first = false;
  });
  const std::string_view lead = nextText.substr(0, letters);
  // The word's last syllable goes on (cây-là m-việc for cây-làm-việc).
  std::size_t tail = decoded.size();
  for (unsigned char c;
       tail > 0 && ((c = static_cast<unsigned char>(decoded[tail - 1])) >= 0x80 || asciiLetter(c));)
    --tail;
  // (From its last capital after a small letter: GiảmSángBà n for GiảmSángBàn.)
  std::size_t lastPart = 0;
  camelParts(std::string_view(decoded).substr(tail),
             [&](std::size_t from, std::size_t) { lastPart = from; });
  tail += lastPart;
  const WordReading j = readWord(wordCore(decoded.substr(tail) + std::string(lead)));
  const WordReading alone = readWord(lead);
  // Or a sign follows (là: written là :), or a slash before letters (và/hoặc: và /hoặc).
  const bool sign = signs && letters == 0 && !nextText.empty() &&
                    (std::string_view(",.:;!?)]}").find(nextText[0]) != std::string_view::npos ||
                     (nextText[0] == '/' && nextText.size() > 1));
  const bool joins = sign || (letters != 0 && j.vietnamese() &&
                              (!alone.vietnamese() || letters == 1 || j.weight > alone.weight));
  if (joins) {
    // The blank goes, the letters join the word; the rest of the next word is a word of its
    // own still.
    decoded += std::string(lead);
    words[k].eatBlank = static_cast<std::uint32_t>(1 + letters);
    Word& rest = words[k + 1];
    rest.start += letters;
    rest.h = holds(line.substr(rest.start, rest.end - rest.start));
    rest.entry = rest.h.high && !rest.h.other && !rest.h.broken
                     ? &readings_->of(line.substr(rest.start, rest.end - rest.start))
                     : nullptr;
    if (rest.start == rest.end) rest.skip = true;
  }
  return joins;
}

WordReading TextRepairer::neighbour(std::string_view line, std::size_t k, int side) const {
  if ((side < 0 && k == 0) || (side > 0 && k + 1 >= words_.size())) return {};
  const Word& n = words_[side < 0 ? k - 1 : k + 1];
  std::string_view text = n.changed ? std::string_view(n.after)
                                    : line.substr(n.start, n.end - n.start);
  // A neighbour encoded twice as well, read as it decodes where it does so plainly.
  Unwrapped u;
  int multi = 0;
  if (!n.changed && n.h.high && !n.h.other && unwrapWord(text, u) && u.wild.empty() &&
      decodesPlausibly(u.bytes, multi, false))
    return readWord(wordCore(u.bytes));
  return readWord(wordCore(text));
}

bool TextRepairer::othersTwice(std::string_view line, std::size_t k) const {
  Unwrapped u;
  int multi = 0;
  for (std::size_t i = 0; i < words_.size(); ++i) {
    const Word& w = words_[i];
    if (i == k || !w.h.high || w.h.other || w.h.broken) continue;
    const std::string_view text = line.substr(w.start, w.end - w.start);
    if (unwrapWord(text, u) && (!u.wild.empty() || decodesPlausibly(u.bytes, multi, false)) &&
        !isGoodSyllable(text))
      return true;
  }
  return false;
}

void TextRepairer::repairTwice(std::string_view line, std::size_t k) {
  Word& w = words_[k];
  const std::string_view text = line.substr(w.start, w.end - w.start);
  std::size_t blanks = 0;
  while (w.end + blanks < line.size() && line[w.end + blanks] == ' ') ++blanks;
  // (What the word's bytes make does not depend on the words around unless a byte was lost.)
  const std::uint8_t alone = blanks > 0 ? 2 : 1;
  if ((w.entry->undecodable & alone) != 0) return;
  Unwrapped u;
  if (!mayBeTwice(text) || !unwrapWord(text, u)) {
    w.entry->notTwice = true;
    return;
  }
  // A no-break space saved as a plain space: the sequence it ended lacks its last byte.
  bool lostSpace = false;
  if (u.wild.empty() && blanks > 0 && lacksLastByte(u.bytes)) {
    u.bytes.push_back(static_cast<char>(0xA0));
    lostSpace = true;
  }
  std::string decoded;
  const bool lineEnds = line.find_first_not_of(" \t\r\n", w.end) == std::string_view::npos;
  // The neighbours speak only where a byte was lost (they are read for that alone).
  Around around;
  if (!u.wild.empty()) {
    around.before = neighbour(line, k, -1);
    around.after = neighbour(line, k, 1);
    // (Up to the lost byte's character: “%s” is one word.)
    const std::size_t lost = text.find("\uFFFD");
    const std::string_view earlier =
        line.substr(0, w.start + (lost == std::string_view::npos ? 0 : lost));
    around.quoteOpen = quoteOpen(earlier);
    around.lineEnds = lineEnds;
  }
  const int filled = fillReplaced(u, decoded, around);
  if (filled != 1) {
    if (filled == 2) ++left_.undecided;
    if (filled == 0 && u.wild.empty()) w.entry->undecodable |= alone;
    return;
  }
  // Once more for each further layer.
  int layers = 1;
  for (Unwrapped again; layers < kMaxCarriedLayers; ++layers) {
    const Holds h = holds(decoded);
    int multi = 0;
    if (!h.high || h.other || h.replaced || !unwrapWord(decoded, again) ||
        !decodesPlausibly(again.bytes, multi, true))
      break;
    decoded = again.bytes;
  }
  // What it becomes must read better: a syllable, or the word was none as it stood.
  int multi = 0;
  if (!decodesPlausibly(decoded, multi, false) ||
      (isGoodSyllable(text) && !isGoodSyllable(decoded)) || decoded == text)
    return;
  // A lost no-break space only where it completes a syllable (VNI carried writes the capital
  // hat of Ô as Â, which it would complete as well).  One blank: it was the space between
  // words, unless the word goes on after it (tà n for tàn).
  // A syllable as it stood (MÃ, the capital of mã): only in a line with other words encoded
  // twice, or where the letters after the blank are its own (MÃ u for Màu).
  const bool stood = lostSpace && isGoodSyllable(text) && !othersTwice(line, k);
  const bool completes = lostSpace && !stood && isGoodSyllable(decoded);
  const bool joins =
      lostSpace && blanks == 1 && k + 1 < words_.size() && joinsNext(line, k, decoded, !stood);
  if (lostSpace && !completes && !joins) return;
  // Two blanks or more: one of them was the no-break space; so was the blank after the line's
  // last word (phải là ).
  if (lostSpace && !joins && (blanks >= 2 || lineEnds)) w.eatBlank = 1;
  const Holds after = holds(decoded);
  w.tentative = after.high && !after.other;
  w.after = std::move(decoded);
  w.changed = true;
  w.form = carriedForm(kUtf8, layers);
}

void TextRepairer::repairLine(std::string_view line, std::string& out) {
  if (!scanWords(line)) {
    out.append(line);
    return;
  }
  std::vector<Word>& words = words_;
  // The words a text repeats are read once, up to a bound on memory; the readings stay
  // where they are for the line.
  if (readings_->size() >= 8192) readings_->clear();
  for (Word& w : words)
    if (w.h.high && !w.h.other && !w.h.broken)
      w.entry = &readings_->of(line.substr(w.start, w.end - w.start));
  // UTF-8 encoded again, word by word.
  for (std::size_t k = 0; utf8_ && k < words.size(); ++k) {
    const Word& w = words[k];
    if (w.entry != nullptr && !w.skip && !w.entry->notTwice) repairTwice(line, k);
  }

  // A line with words that were UTF-8 encoded again (that now hold letters no legacy text
  // carried in UTF-8 has) is such text throughout: its words read as UTF-8 keep that
  // reading, letters left on them or not.
  bool utf8Line = false;
  for (const Word& w : words) utf8Line = utf8Line || (w.changed && holds(w.after).other);
  if (utf8Line)
    for (Word& w : words) w.tentative = false;

  // Legacy text carried in UTF-8: runs of words that hold such characters (ASCII words may
  // lie between them), up to a word of good Unicode.
  std::size_t runStart = 0;
  for (std::size_t k = 0; k <= words.size(); ++k) {
    bool ends = k == words.size();
    if (!ends) {
      const Word& w = words[k];
      ends = (w.changed && !w.tentative) || w.skip || w.h.other || w.h.broken || w.h.replaced;
    }
    if (!ends) continue;
    if (!readers_.empty() && k > runStart) repairCarried(line, words, runStart, k);
    runStart = k + 1;
  }

  // The line again, with its words replaced; the words repaired counted by form (mostly one).
  std::size_t at = 0;
  CharsetForm form = 0;
  std::uint64_t count = 0;
  for (const Word& w : words) {
    if (w.skip) continue;
    if (!w.changed) continue;
    if (w.form != form) {
      if (count > 0) repaired_[form] += count;
      form = w.form;
      count = 0;
    }
    ++count;
    record(line, w, w.form);
    out.append(line.substr(at, w.start - at));
    out.append(w.after);
    at = w.end + w.eatBlank;
  }
  if (count > 0) repaired_[form] += count;
  out.append(line.substr(at));
}

namespace {

// Where a word is Vietnamese syllables written together, each from a capital (GiảmÂmLượng,
// TắtTiếng), two or more, one at least with a mark: the rarest's weight; else -1.
int camelSyllables(std::string_view core) {
  int rarest = 99, parts = 0;
  bool marked = false;
  camelParts(core, [&](std::size_t from, std::size_t to) {
    const WordReading r = readWord(core.substr(from, to - from));
    ++parts;
    marked = marked || r.marked;
    rarest = std::min(rarest, r.vietnamese() ? r.weight : -1);
  });
  return parts >= 2 && marked && rarest >= 0 ? rarest : -1;
}

// Whether a text holds a character of U+0080..U+00FF but the Vietnamese letters, the
// no-break space and the guillemets, or another Windows-1252 character outside general
// punctuation.
bool holdsLatin1(std::string_view w) {
  bool found = false;
  walkUtf8(reinterpret_cast<const std::uint8_t*>(w.data()), w.size(), true,
           [&](std::uint32_t cp) {
             found = letterOfCodePoint(cp) == 0 &&
                     ((cp <= 0xFF && cp != 0xA0 && cp != 0xAB && cp != 0xBB) ||
                      (cp < 0x2000 && carriedByte(cp) >= 0));
             return !found;
           },
           [] { return true; });
  return found;
}

// A word without the ASCII signs and the punctuation around it that other languages put
// around words (quotes, dashes, guillemets, ©, °, ¡, ¿); the Latin-1 signs that legacy
// charsets use for letters (® for đ, µ for à) stay.
std::string_view frameCore(std::string_view w) {
  auto punctuation = [](std::uint32_t cp) {
    return (cp < 0x80 && !asciiLetter(cp)) || (cp >= 0x2000 && cp <= 0x206F) || cp == 0xA0 ||
           cp == 0xA1 || cp == 0xA7 || cp == 0xA9 || cp == 0xAB || cp == 0xB0 || cp == 0xB1 ||
           cp == 0xBB || cp == 0xBF || cp == 0xD7 || cp == 0xF7;
  };
  const auto* s = reinterpret_cast<const std::uint8_t*>(w.data());
  std::size_t a = 0, b = w.size();
  for (;;) {
    std::uint32_t cp = s[a];
    int len = a < b ? 1 : 0;
    if (a < b && cp >= 0x80) len = wellFormedUtf8(s + a, b - a, cp);
    if (len == 0 || !punctuation(cp)) break;
    a += static_cast<std::size_t>(len);
  }
  while (b > a) {
    std::size_t start = b - 1;
    while (start > a && (s[start] & 0xC0) == 0x80) --start;
    std::uint32_t cp = s[start];
    if (cp >= 0x80 && wellFormedUtf8(s + start, b - start, cp) != static_cast<int>(b - start)) break;
    if (!punctuation(cp)) break;
    b = start;
  }
  return w.substr(a, b - a);
}

bool hasAsciiLetter(std::string_view w) {
  for (char c : w)
    if (asciiLetter(c)) return true;
  return false;
}

// Whether `signs` are Latin-1's signs alone (U+00A1..U+00BF), `least` or more, the first a
// currency, bar, section, copyright, registered or pilcrow sign or a spacing accent: signs
// legacy charsets use for letters, which no language puts before letters or alone (¢m, §«ng,
// ®·: âm, Đông, đã in TCVN3).
bool ledByLetterSign(std::string_view signs, std::size_t least) {
  if (signs.size() < 2 * least || signs.size() % 2 != 0) return false;
  for (std::size_t i = 0; i < signs.size(); i += 2)
    if (static_cast<std::uint8_t>(signs[i]) != 0xC2 ||
        static_cast<std::uint8_t>(signs[i + 1]) < 0xA1 ||
        static_cast<std::uint8_t>(signs[i + 1]) > 0xBF)
      return false;
  return std::string_view("\xA2\xA4\xA5\xA6\xAC\xA7\xA9\xAE\xB6\xB8\xA8").find(signs[1]) !=
         std::string_view::npos;
}

// Whether a word without letters is such signs alone, two or more, between ASCII signs.
bool signsAlone(std::string_view w) {
  while (!w.empty() && static_cast<std::uint8_t>(w.front()) < 0x80) w.remove_prefix(1);
  while (!w.empty() && static_cast<std::uint8_t>(w.back()) < 0x80) w.remove_suffix(1);
  return ledByLetterSign(w, 2);
}

// Whether a word could not be a word of a language written in Latin-1 as it stands: a sign
// between its letters or against them (below), or a capital after a small letter (each part
// of a word joined by ASCII signs or digits alone: Thaï-Lao is two words).
bool cannotBeLatin1Word(std::string_view w) {
  const std::string_view core = wordCore(w);
  if (core.empty()) return signsAlone(w);
  const auto* p = reinterpret_cast<const std::uint8_t*>(core.data());
  // A capital after a small letter counts in a part that holds a character beyond ASCII
  // (MacorÝs); names of programs' things are written so in ASCII (StartServiceByName).
  // Nor small letters after capitals among which one beyond ASCII (MÉu, HËu: TCVN3's ẫ, ậ).
  bool lower = false, sign = false, camel = false, high = false, highCapital = false;
  bool consonants = false;  // the part's letters so far are ASCII consonants, one or more
  int capitals = 0;
  for (std::size_t i = 0; i < core.size();) {
    std::uint32_t cp = p[i];
    int len = 1;
    if (cp >= 0x80) len = wellFormedUtf8(p + i, core.size() - i, cp);
    if (len == 0) return true;
    high = high || cp >= 0x80;
    if (camel && high) return true;
    // Catalan's middle dot between two l (cancel·lar) is no sign.
    if (cp == 0xB7 && i > 0 && (p[i - 1] | 0x20) == 'l' && i + 2 < core.size() &&
        (p[i + 2] | 0x20) == 'l') {
      i += 2;
      continue;
    }
    i += static_cast<std::size_t>(len);
    // A joiner, or a middle dot before a part's letters (%s,·and·%s: a visible space): the
    // next part starts afresh.
    if ((cp < 0x80 && !asciiLetter(cp)) || (cp == 0xB7 && !lower && capitals == 0 && !sign)) {
      lower = sign = camel = high = highCapital = consonants = false;
      capitals = 0;
      continue;
    }
    // A small c cedilla after consonants alone (Lçi, chç: TCVN3's lỗi, chỗ): the languages
    // that write it start no word with consonants before it (but capitals: Turkish GÇ, I/O).
    if (cp == 0xE7 && consonants) return true;
    // A sharp s after a consonant (Lßria, hßa: TCVN3's ò); German writes it after vowels.
    const std::size_t at = i - static_cast<std::size_t>(len);  // where the letter starts
    if (cp == 0xDF && at > 0 &&
        std::string_view("bcdfghjklmnpqrstvwxzBCDFGHJKLMNPQRSTVWXZ")
                .find(static_cast<char>(p[at - 1])) != std::string_view::npos)
      return true;
    consonants =
        (consonants || (!lower && capitals == 0)) && cp < 0x80 &&
        std::string_view("aeiouyAEIOUY").find(static_cast<char>(cp)) == std::string_view::npos;
    const bool small = (cp >= 'a' && cp <= 'z') || (cp >= 0xDF && cp <= 0xFF && cp != 0xF7);
    const bool capital = (cp >= 'A' && cp <= 'Z') || (cp >= 0xC0 && cp <= 0xDE && cp != 0xD7);
    if (sign && (small || capital)) return true;  // a sign between letters
    // An eth first (Ðvora, évora in TCVN3): Icelandic and Faroese, which write it, start no
    // word with it.
    if ((cp == 0xD0 || cp == 0xF0) && !lower && capitals == 0) return true;
    if (!small && !capital) {
      sign = true;
      continue;
    }
    camel = camel || (capital && lower);
    if (camel && high) return true;
    if (small && !lower && capitals >= 2 && highCapital) return true;
    lower = lower || small;
    capitals += capital ? 1 : 0;
    highCapital = highCapital || (capital && cp >= 0x80);
  }
  // Signs no language puts against a word's letters, which legacy charsets use for letters:
  // spacing accents, the micro sign or a sign of arithmetic or logic after its last letter
  // (Cear¸, Cµ, b×, Mant¬), a currency, bar, section, copyright, registered or pilcrow sign or a
  // spacing accent before its first, Latin-1's signs alone between it and the letters (¢m, §«ng,
  // (©m), ®ang, ¶nh, ¸p; not ¡, which Spanish puts before words).
  const std::size_t end = static_cast<std::size_t>(core.data() - w.data()) + core.size();
  const std::string_view after = w.substr(end, 2);
  std::string_view before = w.substr(0, core.data() - w.data());
  while (!before.empty() && static_cast<std::uint8_t>(before.front()) < 0x80)
    before.remove_prefix(1);
  return after == "\u00B8" || after == "\u00A8" || after == "\u00AF" || after == "\u00B5" ||
         after == "\u00D7" || after == "\u00F7" || after == "\u00AC" || ledByLetterSign(before, 1);
}

// How a word's letters follow each other as in no Latin-1 language's words but as VNI writes
// marks after vowels: 2 for a tilde, acute or hook accented letter after a vowel (xoùa,
// caûnh), ê after a, a toned circumflex after the vowels it ends (tieáng: iê; aà), ô after
// o or ơ after ư, ò or ó before nh, ã before a consonant or ï after one (TCVN3's ó, ù);
// 1 for ø after a vowel, a circumflex,
// toned or not, after a or e (or toned after o), or a toned breve after a (vaø, caân, Taäp,
// Baéc), which names and words of other languages have now and then (Laâyoune, Jomfruøerne,
// geändert, gaélica); 0 for neither (regiões, août, où are spared).  Asked only of words a
// text's own form reads.
int strangeInLatin1(std::string_view w) {
  const std::string_view core = wordCore(w);
  const auto* p = reinterpret_cast<const std::uint8_t*>(core.data());
  auto lower = [](std::uint32_t cp) {
    return (cp >= 'A' && cp <= 'Z') || (cp >= 0xC0 && cp <= 0xDE && cp != 0xD7) ? cp + 0x20 : cp;
  };
  auto vowel = [](std::uint32_t c) {
    return c == 'a' || c == 'e' || c == 'i' || c == 'o' || c == 'u' || c == 'y' || c == 0xF4 ||
           c == 0xF6;
  };
  std::uint32_t before = 0, earlier = 0;
  int found = 0;
  for (std::size_t i = 0; i < core.size();) {
    std::uint32_t cp = p[i];
    int len = 1;
    if (cp >= 0x80 && (len = wellFormedUtf8(p + i, core.size() - i, cp)) == 0) return 0;
    i += static_cast<std::size_t>(len);
    const std::uint32_t c = lower(cp);
    // A circumflex with a tone after the vowels it ends (tieáng, ngöôøi: iê, yê, uô; aà, eã).
    const bool hatTone = c == 0xE1 || c == 0xE0 || c == 0xE5 || c == 0xE3 || c == 0xE2;
    if (hatTone && before == 'e' && (earlier == 'i' || earlier == 'y')) return 2;
    if (hatTone && before == 'o' && earlier == 'u') return 2;
    if ((c == 0xE0 || c == 0xE3) && before == 'a') return 2;
    if (c == 0xE3 && (before == 'e' || before == 'o')) return 2;
    // ã before a consonant or a (TCVN3's ó: Aragãn, Cãrdoba, xãa); Portuguese puts o, e, s
    // after it.
    if (before == 0xE3 && c < 0x80 &&
        std::string_view("abcdfghjklmnqrtvwxz").find(static_cast<char>(c)) !=
            std::string_view::npos)
      return 2;
    const bool more = i < core.size() && asciiLetter(p[i]);
    const bool sure = vowel(before) &&
                      ((c == 0xF5 && before != 'i') ||                               // õ
                       (c == 0xF9 && (more || (before != 'o' && before != 'i'))) ||  // ù (où, più)
                       (c == 0xFB && before != 'o' && before != 'e' && before != 'u') ||  // û
                       (c == 0xEA && before == 'a'));                                     // ê
    if (sure) return 2;
    // ï after a consonant, last or before ng (TCVN3's ù: Vïng, tï); other languages put a
    // diaeresis on a vowel after a vowel (naïve, Haïti), or where a compound's part starts
    // with one (herïnstalleren).
    if (c == 0xEF && before < 0x80 && asciiLetter(before) && !vowel(before) &&
        (i == core.size() || core.substr(i, 2) == "ng"))
      return 2;
    // ò or ó before nh (VNI's ị, ĩ: Vònh, Vónh), which no other language writes.
    if ((c == 0xF2 || c == 0xF3) && core.substr(i, 2) == "nh") return 2;
    // ô after o (Droâme: Drôme), ơ after ư (Chöông: Chương).
    if ((c == 0xE2 && before == 'o') || (c == 0xF4 && before == 0xF6)) return 2;
    // ø or ï after ô or ö (ruxôï, löøi: ruxợ, lời), where no language puts a second vowel
    // with a mark.
    if ((c == 0xF8 || c == 0xEF) && (before == 0xF4 || before == 0xF6)) return 2;
    // ø after a vowel, â after a or e, a toned breve after a (Baéc: Bắc; gaélica, Jaén).
    if (vowel(before) && (c == 0xF8 || (c == 0xE2 && (before == 'a' || before == 'e')))) found = 1;
    if (before == 'a' && (c == 0xE9 || c == 0xE8 || c == 0xEB)) found = 1;
    // A toned circumflex after a, e or o (Taäp, Beán, Ñoà: Tập, Bến, Đồ; geändert, área).
    if ((before == 'a' || before == 'e' || before == 'o') &&
        (c == 0xE1 || c == 0xE0 || c == 0xE5 || c == 0xE4))
      found = 1;
    earlier = before;
    before = c;
  }
  return found;
}

// Whether a word starts or ends with a guillemet: a quote in most languages that use it, even
// where a legacy charset has a letter for it («ng, v« are ông, vô in TCVN3).
bool edgedByGuillemet(std::string_view w) {
  auto guillemet = [](std::string_view two) { return two == "\u00AB" || two == "\u00BB"; };
  return w.size() >= 2 && (guillemet(w.substr(0, 2)) || guillemet(w.substr(w.size() - 2)));
}

// Whether a word whose letters both a Latin language and VNI write (ø after a vowel, a Nordic
// compound's letter or VNI's grave accent: Juleøen, Ardeøche; ù after o last, two letters
// before, where French où has none: Chocoù, VNI's Chocó) reads ten times likelier in the
// languages written in Latin-1's letters as a form reads it than as it stands.
bool likelierAsRead(std::string_view core, std::string_view read) {
  bool shared = core.size() >= 5 && core.substr(core.size() - 3) == "o\u00F9" &&
                asciiLetter(core[core.size() - 4]) &&
                asciiLetter(core[core.size() - 5]);  // not d'où
  for (std::size_t i = 1; i + 1 < core.size() && !shared; ++i)
    shared = (core.substr(i, 2) == "\u00F8" || core.substr(i, 2) == "\u00D8") &&
             std::string_view("aeiouyAEIOUY").find(core[i - 1]) != std::string_view::npos;
  if (!shared) return false;
  const std::optional<int> stood = latinUnlikelihood(core),
                           now = latinUnlikelihood(frameCore(read));
  return stood && now && *now + 16 < *stood;
}

// Whether a word made of letters could be a name or word of another language written in
// Latin letters: letters only between the signs around it (parts joined by ASCII signs or
// digits: Ouham-Pendé), each part small, capitalised or all capitals, and a letter beyond
// ASCII; with `vietnameseLetters`, a name written in Vietnamese letters (Aixơlen).
bool readsAsName(std::string_view w, bool vietnameseLetters = false) {
  const std::string_view core = frameCore(w);
  const auto* p = reinterpret_cast<const std::uint8_t*>(core.data());
  bool high = false, small = false;
  int capitals = 0;
  for (std::size_t i = 0; i < core.size();) {
    std::uint32_t cp = p[i];
    int len = 1;
    if (cp >= 0x80) len = wellFormedUtf8(p + i, core.size() - i, cp);
    if (len == 0) return false;
    i += static_cast<std::size_t>(len);
    const bool ascii = asciiLetter(cp);
    if (cp < 0x80 && !ascii) {  // a joiner: the next part starts afresh
      if (capitals > 1 && small) return false;
      small = false;
      capitals = 0;
      continue;
    }
    // Letters other languages write too: Latin-1's, ă (Bacău), đ (Đakovo).
    if (!ascii && letterOfCodePoint(cp) == 0) return false;
    if (!ascii && !vietnameseLetters && cp > 0xFF && cp != 0x102 && cp != 0x103 && cp != 0x110 &&
        cp != 0x111)
      return false;
    high = high || cp >= 0x80;
    const bool capital = isCapitalChar(cp);
    // A capital after a small letter, or small letters after two capitals (MÁcoris).
    if (capital && small) return false;
    capitals += capital ? 1 : 0;
    small = small || !capital;
  }
  return high && !(capitals > 1 && small);
}

bool startsCapital(std::string_view w) {
  std::uint32_t cp = 0;
  return !w.empty() &&
         wellFormedUtf8(reinterpret_cast<const std::uint8_t*>(w.data()), w.size(), cp) > 0 &&
         isCapitalChar(cp);
}

// Syllables written together in small letters (sốlớn, địachỉcơsở; a capital first): the
// rarest's weight, of the split whose rarest is commonest, where two or more are syllables,
// none of them rare, and one has a mark; -1 where no split makes such syllables of all.
int gluedSyllables(std::string_view core) {
  constexpr std::size_t kMost = 48;  // bytes: seven syllables of the longest
  constexpr int kGluedRarest = 3;    // none rare: a split can make rare ones of any letters
  if (core.size() > kMost) return -1;
  // best[i]: the rarest weight of the best split of the first i bytes, -1 for none; parts[i]:
  // how many syllables it has; marked[i]: whether one has a mark.
  std::array<int, kMost + 1> best, parts;
  std::array<bool, kMost + 1> marked{};
  best.fill(-1);
  parts.fill(0);
  best[0] = 99;
  for (std::size_t i = 0; i < core.size(); ++i) {
    if (best[i] < 0 || (static_cast<std::uint8_t>(core[i]) & 0xC0) == 0x80) continue;
    if (i > 0 && startsCapital(core.substr(i))) continue;  // (as camelSyllables reads)
    // (Two letters or more each: a split can make a, i, y of any letter.)
    for (std::size_t j = i + 2; j <= core.size() && j - i <= 21; ++j) {  // 7 letters of 3 bytes
      if (j < core.size() && (static_cast<std::uint8_t>(core[j]) & 0xC0) == 0x80) continue;
      if (std::count_if(core.begin() + i, core.begin() + j,
                        [](char c) { return (static_cast<std::uint8_t>(c) & 0xC0) != 0x80; }) < 2)
        continue;
      const WordReading r = readWord(core.substr(i, j - i));
      if (!r.vietnamese() || r.weight < kGluedRarest) continue;
      const int rarest = std::min(best[i], r.weight);
      if (rarest > best[j] || (rarest == best[j] && parts[i] + 1 < parts[j])) {
        best[j] = rarest;
        parts[j] = parts[i] + 1;
        marked[j] = marked[i] || r.marked;
      }
    }
  }
  const std::size_t n = core.size();
  return parts[n] >= 2 && marked[n] ? best[n] : -1;
}

}  // namespace

// What each word of a run of carried text is as it stands, read once.
struct TextRepairer::Facts {
  std::string_view text, core;  // core: without the punctuation around it
  bool high = false;      // holds characters that stand for bytes of 128 or more
  bool already = false;   // a Vietnamese syllable with a mark as it stands
  bool evidence = false;  // can speak for a form: ASCII letters, no no-break space
  Readings::Entry* readings = nullptr;  // how each form reads it
  bool odd = false;       // could be no word of a Latin-1 language as it stands
  int strange = 0;        // its letters follow each other as VNI writes marks (see below)
  int weight = 0;
  bool speaks = false;  // evidence with letters beyond ASCII inside the signs around it
};

// The words of a run and what they say together.
struct TextRepairer::RunFacts {
  std::vector<Facts> words;
  std::vector<int> speakAfter;  // how many words from each on can speak for a form (evidence)
  std::size_t high = 0, already = 0, evidence = 0;
  int speaking = 0;  // words that speak (Facts::speaks)
  bool odd = false, twice = false;
  // (Of the whole line, read once for its runs: see moreOthers.)
  std::optional<bool> othersLead;  // whether the line's other words are mostly of another language
  bool othersEven = false;         // or as many as are Vietnamese syllables
  bool othersNamed = false;        // mostly, but not beyond its capitalised names (Ireland)
  int unicodeSyllables = 0;        // the line's syllables of good Unicode
  std::uint64_t othersOf = 0;      // the line they were read for
  std::string_view line;           // the line and all its words
  const std::vector<Word>* all = nullptr;
  std::size_t from = 0;  // where the run starts among them
};

// How one form reads a run: a word whose letters become a Vietnamese syllable counts for it,
// one that does not against it.
struct TextRepairer::Reading {
  int good = 0, bad = 0, already = 0, support = 0, rarest = 99;
  int spoke = 0;         // words that speak (Facts::speaks) read as syllables
  int farSupport = 0;    // of `support`, syllables the form makes very much commoner (Sè: Số)
  int named = 0;         // words of another language the form makes of words that were none
  int spelt = 0;         // of them, names spelt in Vietnamese letters (Aixơlen)
  int plausible = 0;     // of those, ones that could be a Latin-1 word as they stood (Baxcô)
  bool odd = false;      // a word read as a syllable could be no Latin-1 word as it stood
  bool sure = false;     // one's letters (tieáng) or signs (§«ng) are no Latin-1 word's at all
  bool foreign = false;  // a word read so holds a part of another language (--prefix=)
  bool valid = true;     // it makes valid UTF-8 of every word
  bool byPrior = false;  // taken as the text's form for syllables that become far commoner
  // (Views of the readings kept for the run's words.)
  std::vector<std::string_view> distinct;  // the syllables it reads, four at most (the
                                           // judgement asks no more)
  std::vector<std::string_view> after;     // each word as it reads (empty: as it stands)
  std::vector<std::uint8_t> marked;        // and whether it reads so as a syllable with a mark

  // Whether names it reads could be Latin-1 words as they stood, with no syllable beside
  // that could be none.
  bool unsureNames() const { return plausible > 0 && !sure; }

  // As new for a run of `n` words, its buffers kept.
  void reset(std::size_t n) {
    good = bad = already = support = farSupport = named = spelt = plausible = spoke = 0;
    rarest = 99;
    odd = sure = foreign = byPrior = false;
    valid = true;
    distinct.clear();
    after.assign(n, {});
    marked.assign(n, 0);
  }
};

// What the repair of a run works in, kept from run to run.
struct TextRepairer::Scratch {
  RunFacts run;
  Reading best, next;
};

void TextRepairer::factsOf(std::string_view line, const std::vector<Word>& words, std::size_t from,
                           std::size_t to, RunFacts& run) {
  run.high = run.already = run.evidence = 0;
  run.speaking = 0;
  run.odd = run.twice = false;
  if (run.othersOf != line_) {
    run.othersLead.reset();
    run.othersEven = run.othersNamed = false;
    run.unicodeSyllables = 0;
  }
  run.line = line;
  run.all = &words;
  run.from = from;
  run.words.assign(to - from, Facts{});
  for (std::size_t k = from; k < to; ++k) {
    Facts& f = run.words[k - from];
    const Word& w = words[k];
    f.text = line.substr(w.start, w.end - w.start);
    if (!w.h.high) continue;
    f.high = true;
    ++run.high;
    Readings::Entry& entry = *w.entry;
    f.readings = &entry;
    run.twice = run.twice || w.tentative;
    if (w.tentative || !entry.known) {
      // A word read as UTF-8 encoded again is judged as it reads so.
      const std::string_view as = w.tentative ? std::string_view(w.after) : f.text;
      const WordReading good = goodSyllable(as);
      f.already = good.vietnamese() && good.marked;
      f.weight = f.already ? good.weight : 0;
      if (!f.already) {
        f.core = frameCore(f.text);
        // (A word with no ASCII letter speaks only where it could be no word as it stands:
        // §é, Độ in TCVN3.)
        const bool odd = cannotBeLatin1Word(as);
        f.evidence =
            (odd || hasAsciiLetter(f.text)) && f.text.find("\xC2\xA0") == std::string_view::npos;
        f.odd = f.evidence && odd;
        f.strange = f.evidence && !f.odd ? strangeInLatin1(as) : 0;
      }
      if (!w.tentative) {
        entry.known = true;
        entry.already = f.already;
        entry.weight = f.weight;
        entry.evidence = f.evidence;
        entry.odd = f.odd;
        entry.strange = f.strange;
        entry.coreFrom = static_cast<std::size_t>(f.core.data() - f.text.data());
        entry.coreSize = f.core.size();
      }
    } else {
      f.already = entry.already;
      f.weight = entry.weight;
      f.evidence = entry.evidence;
      f.odd = entry.odd;
      f.strange = entry.strange;
      if (!f.already) f.core = f.text.substr(entry.coreFrom, entry.coreSize);
    }
    if (f.already) {
      ++run.already;
      continue;
    }
    run.evidence += f.evidence ? 1 : 0;
    run.odd = run.odd || f.odd;
    f.speaks = f.evidence && std::any_of(f.core.begin(), f.core.end(), [](char c) {
                 return static_cast<std::uint8_t>(c) >= 0x80;
               });
    run.speaking += f.speaks ? 1 : 0;
  }
  run.speakAfter.assign(run.words.size() + 1, 0);
  for (std::size_t k = run.words.size(); k-- > 0;) {
    const Facts& f = run.words[k];
    run.speakAfter[k] = run.speakAfter[k + 1] + (f.high && !f.already && f.evidence ? 1 : 0);
  }
}

namespace {

// Whether a word of good Unicode holds a letter of a script beyond Latin-1 (ő, ş, Cyrillic,
// kana); signs and general punctuation are none.
bool holdsOtherLetter(std::string_view w) {
  bool found = false;
  walkUtf8(
      reinterpret_cast<const std::uint8_t*>(w.data()), w.size(), true,
      [&](std::uint32_t cp) {
        found = (cp >= 0x100 && cp < 0x2000) || (cp >= 0x3040 && cp < 0xFFF0);
        return !found;
      },
      [] { return true; });
  return found;
}

// Whether a word of ASCII holds three letters or more in a row that are no printf
// directive's (cd-avbild, --exec).
bool holdsAsciiWord(std::string_view core) {
  std::size_t run = 0;
  for (std::size_t i = 0; i < core.size(); ++i) {
    if (!asciiLetter(core[i])) {
      run = 0;
      continue;
    }
    if (run == 0 && i > 0 && (core[i - 1] == '%' || (core[i - 1] >= '0' && core[i - 1] <= '9')))
      continue;  // a directive's conversion (%lu, %08lx) or a number's unit
    if (++run >= 3) return true;
  }
  return false;
}

}  // namespace

// The line's other words, read only where they decide: in Vietnamese most are syllables (Nam,
// cho, gia), in other languages most are not.  Its ASCII words, and its words of good
// Unicode (được is a syllable, érhető or düşündünüz another language's word); words that may
// be carried are for the forms to read.
bool TextRepairer::moreOthers(RunFacts& run) const {
  if (run.othersLead) return *run.othersLead;
  run.othersOf = line_;
  int syllables = 0, others = 0, names = 0;
  for (const Word& w : *run.all) {
    const std::string_view text = run.line.substr(w.start, w.end - w.start);
    if (w.h.other) {
      if (isGoodSyllable(text))
        ++syllables, ++run.unicodeSyllables;
      else if (holdsOtherLetter(text))
        ++others;
      continue;
    }
    if (w.h.broken) continue;
    if (w.h.high) {
      // A word of ASCII letters in guillemets («ordre, fitxer»): no form's syllable is one.
      const std::string_view core = frameCore(text);
      if (edgedByGuillemet(text) && !core.empty() &&
          std::all_of(core.begin(), core.end(), [](char c) { return asciiLetter(c); }) &&
          holdsAsciiWord(core) && !readWord(core).vietnamese())
        ++others;
      continue;
    }
    const std::string_view core = wordCore(text);
    // Capitals alone, or joined by underscores and digits (ABI, CPU, OPR_ADD), are names of
    // things, of no language.
    if (std::all_of(core.begin(), core.end(), [](char c) {
          return (c >= 'A' && c <= 'Z') || c == '_' || (c >= '0' && c <= '9');
        }))
      continue;
    if (core.size() < 2) continue;  // a, o, y: too short to tell
    const WordReading r = readWord(core);
    if (r.letters) {
      ++(r.allowed ? syllables : others);
      names += !r.allowed && core[0] >= 'A' && core[0] <= 'Z' ? 1 : 0;
    } else if (readJoined(core, false).vietnamese()) {
      ++syllables;  // bộ-nhớ
    } else if (holdsAsciiWord(core) && !readJoined(core).vietnamese()) {
      ++others;  // cd-avbild
    }
  }
  run.othersLead = others > syllables;
  run.othersEven = others > 0 && others == syllables;
  run.othersNamed = others > syllables && others - names <= syllables;
  return *run.othersLead;
}

bool TextRepairer::besideKnown(const RunFacts& run, const Reading& r) const {
  const std::vector<Word>& all = *run.all;
  for (std::size_t k = 0; k < run.words.size(); ++k) {
    if (r.after[k].empty() || run.words[k].already) continue;
    const WordReading read = readJoined(wordCore(r.after[k]));
    for (const int side : {-1, 1}) {
      const std::size_t at = run.from + k + static_cast<std::size_t>(side);
      if (at >= all.size() || all[at].h.high || all[at].h.other || all[at].h.broken) continue;
      const std::string_view text = run.line.substr(all[at].start, all[at].end - all[at].start);
      if (!text.empty() && text.front() == '-') continue;  // a program's option (-o), no word
      const std::string_view core = wordCore(text);
      const WordReading beside = readWord(core);
      // Short or rare ones only: other languages' little words are syllables too (no, se, le,
      // nem); longer common ones are Vietnamese (nhanh, trong).
      if (beside.vietnamese() && (core.size() <= 2 || beside.weight < 3) &&
          (side < 0 ? pairWeight(beside, read) : pairWeight(read, beside)) == 0)
        return false;
    }
  }
  return true;
}

int TextRepairer::pairGain(const RunFacts& run, const Reading& r, std::size_t only) const {
  const std::vector<Word>& all = *run.all;
  auto text = [&](std::size_t at) {
    return run.line.substr(all[at].start, all[at].end - all[at].start);
  };
  // A word as the reading makes it, and as it stands.
  auto read = [&](std::size_t at, bool asRead) {
    const bool inRun = at >= run.from && at < run.from + run.words.size();
    if (asRead && inRun && !r.after[at - run.from].empty())
      return readWord(wordCore(r.after[at - run.from]));
    return readWord(wordCore(text(at)));
  };
  int most = 0;
  for (std::size_t k = 0; k < run.words.size(); ++k) {
    if (r.after[k].empty() || (only != kAll && k != only)) continue;
    const std::size_t at = run.from + k;
    const WordReading made = read(at, true), stood = read(at, false);
    if (!made.vietnamese()) continue;
    for (const int side : {-1, 1}) {
      const std::size_t next = at + static_cast<std::size_t>(side);
      if (next >= all.size()) continue;
      const WordReading beside = read(next, true), besideStood = read(next, false);
      const int now = side < 0 ? pairWeight(beside, made) : pairWeight(made, beside);
      const int before = side < 0 ? pairWeight(besideStood, stood) : pairWeight(stood, besideStood);
      if (before == 0) most = std::max(most, now);
    }
  }
  return most;
}

void TextRepairer::Reader::read(std::string_view text, ByteBuffer& buffer, Word& w) {
  w.known = true;
  w.syllable = w.foreign = w.marked = false;
  w.weight = 0;
  w.camel = -1;
  buffer.clear();
  convert(state, text, buffer);
  w.converted.assign(buffer.view());
  w.valid = validUtf8(w.converted);
  if (w.valid && w.converted != text) {
    const std::string_view core = wordCore(w.converted);
    const WordReading wr = readJoined(core);
    // Under the right form every character that stood for a byte becomes a letter: one
    // left as a Latin-1 character or sign is a byte the form has no letter for.
    const bool latin1 = holdsLatin1(w.converted);
    w.marked = wr.vietnamese() && wr.marked;
    w.syllable = w.marked && !latin1;
    w.weight = wr.weight;
    // (A part of another language's word needs parts: a word of letters alone is one.)
    const bool parts = std::any_of(core.begin(), core.end(), [](char c) {
      return static_cast<std::uint8_t>(c) < 0x80 && !asciiLetter(c);
    });
    // (A program's option before = is a name of a thing: --output=TậP_TIN.)
    std::string_view value = core;
    if (const std::size_t eq = core.find('=');
        w.converted.starts_with('-') && eq != std::string_view::npos && eq > 0 &&
        std::all_of(core.begin(), core.begin() + static_cast<std::ptrdiff_t>(eq), [](char c) {
          return asciiLetter(c) || (c >= '0' && c <= '9') || c == '-' || c == '_';
        }))
      value = core.substr(eq + 1);
    w.foreign = w.syllable && parts && !readJoined(value, false).vietnamese();
    if (!wr.vietnamese() && !latin1) w.camel = camelSyllables(core);
    if (w.camel < 0 && !wr.vietnamese() && !latin1) w.camel = -2;
  }
  w.changes = w.converted != text;
  const std::string_view core = frameCore(w.converted), was = frameCore(text);
  const std::size_t lead = static_cast<std::size_t>(core.data() - w.converted.data());
  const std::size_t wasLead = static_cast<std::size_t>(was.data() - text.data());
  w.sameFrame = !was.empty() && text.substr(0, wasLead) == w.converted.substr(0, lead) &&
                text.substr(wasLead + was.size()) == w.converted.substr(lead + core.size());
}

bool TextRepairer::readRun(Reader& reader, const RunFacts& run, Reading& r, bool settled,
                           int beat) {
  r.reset(run.words.size());
  const std::size_t n = run.words.size();
  for (std::size_t k = 0; k < n; ++k) {
    // Each word left that can speak adds one at most.
    if (r.good - r.bad + run.speakAfter[k] <= beat) return false;
    const Facts& f = run.words[k];
    if (!f.high || (!f.already && !f.evidence && f.text.find("\xC2\xA0") != std::string_view::npos)) {
      if (f.high) ++r.bad;  // a no-break space belongs to good text
      continue;
    }
    Reader::Word& read = f.readings->reading(reader.index, readers_.size());
    if (!read.known) reader.read(f.text, scratch_, read);
    if (!read.valid) return r.valid = false;
    const std::string_view converted = read.converted;
    const bool changes = read.changes;
    // (Syllables written together only in the text's own form, where they could be no word
    // as they stood.)
    if (settled && f.odd && !read.syllable && read.camel == -2)
      read.camel = gluedSyllables(wordCore(read.converted));
    const bool camel = settled && f.odd && !read.syllable && read.camel >= 0;
    const bool syllable = changes && (read.syllable || camel);
    std::string_view& after = r.after[k];
    r.marked[k] = read.marked || camel;
    if (f.already) {
      // A syllable already: changed only where the run around it is clearly legacy text.
      // One that becomes a far commoner syllable speaks for the form a little; one the form
      // leaves as it is (trí) neither.
      r.already += changes ? 1 : 0;
      if (syllable) {
        if (read.weight >= f.weight + 2) ++r.support;
        if (f.weight <= 1 && read.weight >= f.weight + 6) ++r.farSupport;
        after = converted;
      }
      continue;
    }
    // Signs around the letters that became letters: no evidence either way.
    if (!f.evidence || !read.sameFrame) {
      // Signs alone, a one-letter word, signs that became letters: no evidence either way,
      // but in the text's own form (§«ng, Đông) a word that becomes a syllable, or a name
      // where it could be no word as it stood (§¾k, §oc-ric: Đắk, Đoc-ric).
      const bool lettered = syllable && f.evidence && !edgedByGuillemet(f.text);
      const bool name = settled && !syllable && f.evidence && f.odd && !edgedByGuillemet(f.text) &&
                        readsAsName(converted, true);
      if (syllable || name) after = converted;
      r.spoke += lettered && f.speaks ? 1 : 0;
      if (!(settled && lettered) && !name) continue;
    } else if (changes) {
      after = converted;
    }
    if (!syllable) {
      // In the text's own form, a word that could be no word as it stood and becomes one of
      // another language (MacorÝs, Neuch©tel: Macorís, Neuchâtel) is a name in it.
      // (A small word with a guillemet among its letters, like one spelt in Vietnamese
      // letters, only among syllables: l«gÝc for lôgíc, not brukes«in, a quote that lacks its
      // space.)
      // So is one spelt in Vietnamese letters that could be a Latin-1 word as it stood (Tieáng
      // Baxcô: Tiếng Baxcơ), where a syllable of the run could be none.  And one whose letters
      // both a Latin language and VNI write (Juleøen; Ardeøche: Ardèche) that those languages
      // write far likelier as the form reads it, where the last run that could speak read as
      // the form too (not a line of Danish).
      const bool sure = f.odd || f.strange == 2 ||
                        (settled && f.strange < 2 && lastRead_ == reader.form &&
                         likelierAsRead(f.core, converted));
      if (settled && readsAsName(converted, true) && (sure || !readsAsName(converted))) {
        ++r.named;
        r.spelt += readsAsName(converted) && (f.core.find("\u00AB") == std::string_view::npos ||
                                              startsCapital(f.core))
                       ? 0
                       : 1;
        r.plausible += sure ? 0 : 1;
        continue;
      }
      // A name of another language the form leaves as it is (Miền Banskobystrický: ý is ý in
      // TCVN3) is no word against it there.
      if (settled && !changes && startsCapital(f.core) && readsAsName(f.text)) continue;
      ++r.bad;
      continue;
    }
    ++r.good;
    r.spoke += f.speaks ? 1 : 0;
    r.rarest = std::min(r.rarest, camel ? read.camel : read.weight);
    r.foreign = r.foreign || read.foreign;
    if (r.distinct.size() < 4 &&
        std::find(r.distinct.begin(), r.distinct.end(), after) == r.distinct.end())
      r.distinct.push_back(after);
    r.odd = r.odd || f.odd || (settled && f.strange > 0);
    r.sure = r.sure || f.odd || f.strange == 2;
  }
  return r.good > 0;
}

TextRepairer::~TextRepairer() = default;

namespace {
// A pair of syllables that common (bộ nhớ, con trỏ, nội dung: 9, 10, 10) speaks for a reading.
constexpr int kStrongPair = 6;
// One as common as hồ sơ, dự án (5) speaks for a syllable already beside a word that changes.
constexpr int kCommonPair = 4;
}  // namespace

void TextRepairer::repairCarried(std::string_view line, std::vector<Word>& words,
                                 std::size_t from, std::size_t to) {
  if (!pool_) pool_ = std::make_unique<Scratch>();
  Scratch* const scratch = pool_.get();
  RunFacts& run = scratch->run;
  factsOf(line, words, from, to, run);
  // Nothing can speak clearly for a legacy reading (see `clear` below): syllables alone, one
  // word of another language's shape, a few among words of another language.
  const bool hopeless =
      run.evidence == 0 ||
      (!run.odd && (run.evidence + run.already < 2 || (run.evidence < 3 && moreOthers(run))));
  // A form the text's clear runs read it as: it also reads runs that alone are unsure.
  Reader* const prior = run.evidence > 0 || run.already > 0 ? priorReader() : nullptr;
  if (hopeless && prior == nullptr) {
    left_.unsure += run.high - run.already;
    if (run.speaking > 0) lastRead_ = 0;
    return;
  }
  Reading& best = scratch->best;
  Reading& r = scratch->next;
  best.reset(0);
  const Reader* bestReader = nullptr;
  // Two layers only where a word read as UTF-8 once still stood for bytes.
  auto tried = [&](const Reader& reader) {
    return !hopeless && (formLayers(reader.form) == 1 || run.twice);
  };
  // Where the text's own form makes a syllable of every word that can speak (its letters
  // beyond ASCII inside the signs around it: no form makes one of §«ng's ng; §é, whose sign
  // becomes a letter too, is one), no form reads the run better (and it wins ties): the
  // others need not be asked.
  bool settled = false;
  const bool priorTried = prior != nullptr && tried(*prior);
  if (priorTried) {
    if (readRun(*prior, run, r)) {
      settled = r.bad == 0 && r.spoke == run.speaking;
      std::swap(best, r);
      bestReader = prior;
    }
  }
  for (const auto& reader : readers_) {
    if (settled) break;
    if (!tried(*reader) || (priorTried && reader.get() == prior)) continue;
    // Forms that read a run alike: the text's own form, else the commoner charset (the
    // readers' order) wins; one that cannot lead is not read to its end.
    const int most = bestReader == nullptr ? std::numeric_limits<int>::min() : best.good - best.bad;
    if (!readRun(*reader, run, r, false, most)) continue;
    const int lead = r.good - r.bad - (best.good - best.bad);
    if (bestReader == nullptr || lead > 0 || (lead == 0 && reader.get() == prior)) {
      std::swap(best, r);
      bestReader = reader.get();
    }
  }
  // Clearly Vietnamese: four in five words syllables, and two syllables or more (or one that
  // could be no other language's word). Words that could all be another language's as they
  // stand (Portuguese "não são" reads "nào sào") need common syllables and Vietnamese ASCII
  // words around them, or many syllables.
  // A word that could be no other language's word speaks for any form that makes it a
  // syllable; in a text whose clear runs read as one form, for that form only.
  const bool odd = best.odd && (prior == nullptr || bestReader == prior);
  const bool clear = !hopeless && bestReader != nullptr && best.bad * 4 <= best.good &&
                     (odd || best.distinct.size() >= 3 || !moreOthers(run)) &&
                     (odd || (best.distinct.size() + static_cast<std::size_t>(best.support) >= 2 &&
                              (best.rarest >= 3 || best.distinct.size() >= 4)));
  if (clear) {
    ++clearRuns_[bestReader->form];
    // Read as the text's own form, words it leaves may read as names in it (TiÕng §oc-ric:
    // Tiếng Đoc-ric), where it reads the rest alike.
    const bool leaves = std::any_of(best.after.begin(), best.after.end(),
                                    [&, k = std::size_t{0}](std::string_view a) mutable {
                                      const Facts& f = run.words[k++];
                                      return a.empty() && f.high && !f.already && f.odd;
                                    });
    if (leaves && bestReader == prior) {
      r.reset(run.words.size());
      if (readRun(*prior, run, r, true) && r.named > 0 && r.bad <= best.bad &&
          r.good >= best.good && !r.unsureNames())
        std::swap(best, r);
    }
  } else {
    // Unsure alone: in a text its clear runs read as one form, read as that form where every
    // word that can speak becomes a syllable of it (none a rare one, no part of another
    // language's word) and, for one syllable, the ASCII words around are not mostly of another
    // language.
    r.reset(run.words.size());
    const bool read = prior != nullptr && readRun(*prior, run, r, true);
    // Or syllables as they stand, each of which the form makes a far commoner one (cê, cờ).
    // (Or that make a pair that common where they made none: Gì _Bá, Gỡ _Bỏ.)
    const auto strongPair = [&] { return pairGain(run, r) >= kStrongPair; };
    r.byPrior =
        prior != nullptr && !read && r.valid && r.good == 0 && r.bad == 0 && r.named == 0 &&
        r.already > 0 && !moreOthers(run) &&
        (run.evidence > 0 ? r.support == r.already
                          : ((r.farSupport == r.already || (r.support > 0 && strongPair())) &&
                             !run.othersEven && run.unicodeSyllables == 0));
    // Or words that could be no words as they stand, which the form makes names.
    // (Names spelt in Vietnamese letters among Vietnamese syllables only: Tiếng Aixơlen; where
    // they could be Latin-1 words as they stood, beside a syllable that could be none.)
    const bool names = prior != nullptr && r.valid && r.named > 0 && r.bad == 0 && !r.foreign &&
                       (r.spelt == 0 || r.good > 0) && !r.unsureNames();
    // A word that could be no Latin-1 word reads as it even with parts of other languages
    // (Et-toâ-ni-a: Et-tô-ni-a).
    if (!r.byPrior && !names &&
        (!read || r.bad > 0 || r.unsureNames() || (r.foreign && !r.odd) ||
         r.rarest < (r.odd                   ? 1
                     : r.distinct.size() < 2 ? 3
                                             : 2) ||
         (r.distinct.size() < 2 && !r.odd &&
          ((moreOthers(run) && !(run.othersNamed && lastRead_ == prior->form)) ||
           ((run.othersEven || !besideKnown(run, r)) && pairGain(run, r) < kStrongPair))))) {
      left_.unsure += run.high - run.already;
      // (Left though the form reads its words as syllables or names: still the form's text.)
      if (run.speaking > 0 && (!read || r.bad > 0)) lastRead_ = 0;
      return;
    }
    std::swap(best, r);
    bestReader = prior;
  }
  if (run.speaking > 0) lastRead_ = bestReader->form;
  apply(run, best, bestReader->form, words, from);
}

void TextRepairer::apply(const RunFacts& run, Reading& best, CharsetForm form,
                         std::vector<Word>& words, std::size_t from) {
  const bool strong = best.good >= 4 || best.named > 0;
  const bool overAlready =
      best.byPrior || (best.distinct.size() + static_cast<std::size_t>(best.support) >= 2 &&
                       best.good + best.support >= best.already);
  for (std::size_t k = 0; k < run.words.size(); ++k) {
    const std::string_view after = best.after[k];
    if (after.empty()) continue;
    // (A syllable already that makes a common pair in the reading with a word beside where
    // the two made none: Dù ¸n, Dự án.)
    if (!overAlready && run.words[k].already && pairGain(run, best, k) < kCommonPair) continue;
    if (!best.marked[k] && !strong) continue;
    Word& w = words[from + k];
    w.after.assign(after);
    w.changed = true;
    w.eatBlank = 0;
    w.tentative = false;
    w.form = form;
  }
}

TextRepairer::Reader* TextRepairer::priorReader() const {
  if (!oneText_) return nullptr;
  // Three clear runs or more, four times as many as of any other form.
  std::uint64_t most = 0, next = 0;
  CharsetForm form = 0;
  for (const auto& [f, n] : clearRuns_) {
    if (n > most) {
      next = most;
      most = n;
      form = f;
    } else {
      next = std::max(next, n);
    }
  }
  if (most < 3 || next * 4 > most) return nullptr;
  for (const auto& r : readers_)
    if (r->form == form) return r.get();
  return nullptr;
}

bool readsAsGoodUnicode(std::string_view text, int source) {
  if (!validUtf8(text)) return false;
  bool good = false;
  for (std::size_t i = 0; i < text.size() && !good;) {
    while (i < text.size() && isBlank(static_cast<std::uint8_t>(text[i]))) ++i;
    const std::size_t start = i;
    while (i < text.size() && !isBlank(static_cast<std::uint8_t>(text[i]))) ++i;
    if (i == start) break;
    const std::string_view w = text.substr(start, i - start);
    const Holds h = holds(w);
    good = (h.other && !h.replaced) || (h.high && isGoodSyllable(w));
  }
  return good && repairLeaves(text, source);
}

namespace {

// One repairer for each source, made once: values of a column, runs of a document are judged
// one after the other.
TextRepairer& repairerOf(int source) {
  thread_local std::map<int, std::unique_ptr<TextRepairer>> repairers;
  std::unique_ptr<TextRepairer>& repairer = repairers[source];
  if (!repairer) {
    const int only[] = {source};
    repairer = std::make_unique<TextRepairer>(source == 0 ? std::span<const int>()
                                                          : std::span<const int>(only));
    repairer->oneText(false);  // each value is judged by itself
  }
  return *repairer;
}

}  // namespace

bool repairLeaves(std::string_view text, int source) {
  std::string out;
  repairerOf(source).repair(text, out);
  return out == text;
}

bool readsAsCarried(std::string_view text, int source) {
  if (source <= 0 || source == kUtf8 || !hasLetterTable(source) || !validUtf8(text)) return false;
  std::string repaired;
  repairerOf(source).repair(text, repaired);
  if (repaired == text) return false;
  thread_local std::map<int, ConverterState> states;
  auto [at, made] = states.try_emplace(source);
  if (made && !selectForms(at->second, carriedForm(source, 1), kUtf8)) {
    states.erase(at);
    return false;
  }
  return repaired == convert(at->second, text);
}

}  // namespace ts
