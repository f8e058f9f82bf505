#include "ts/detect.hpp"

#include <algorithm>
#include <array>
#include <cstring>
#include <iterator>
#include <memory>
#include <string>

#include "plan.hpp"
#include "syllable.hpp"
#include "ts/catalogue.hpp"
#include "ts/forms.hpp"
#include "ts/repair.hpp"
#include "ts/utf.hpp"

namespace ts {
namespace {

// A reading writes each letter n as these two bytes; every other byte stays itself (the
// marker byte in the text itself is written as the marker and 0).
constexpr std::uint8_t kMark = 0x01;

using syllable::kShapes;
using syllable::LetterShape;

// How a reading scores.
struct Tally {
  std::uint32_t valid = 0;    // words of two letters or more with Vietnamese letters,
                              // syllables the model knows
  std::uint32_t unknown = 0;  // the same, syllables the spelling allows but the model lacks
  std::uint32_t short_ = 0;   // common one-letter words with Vietnamese letters (ở, à, ê)
  std::uint32_t invalid = 0;  // words with Vietnamese letters that are not syllables
  std::uint32_t junk = 0;     // bytes that are no letter and no text character
  std::uint32_t foreign = 0;  // characters of other scripts
  std::uint32_t weights = 0;  // how common the known syllables are, summed (between
                              // readings that score alike, the commoner words win)
  std::int32_t glued = 0;     // the same of words glued to signs (<SỐ>, TẬP_TIN), which
                              // decide between readings that differ there only
  std::uint32_t pairs = 0;    // how common the pairs of syllables side by side are, summed
                              // (THƯ_MỤC, not THỨ_MỤC)
  double score() const {
    return 3.0 * valid + 1.0 * unknown + 1.0 * short_ - 4.0 * invalid - 2.0 * junk -
           1.0 * foreign;
  }
  double confidence() const {
    const double good = valid + 0.5 * unknown + 0.3 * short_;
    return good / (good + invalid + 0.5 * junk + 0.5 * foreign + 1.0);
  }
  std::uint32_t marked() const { return valid + unknown + short_ + invalid; }
  Tally& operator+=(const Tally& o) {
    valid += o.valid;
    unknown += o.unknown;
    short_ += o.short_;
    invalid += o.invalid;
    junk += o.junk;
    foreign += o.foreign;
    weights += o.weights;
    glued += o.glued;
    pairs += o.pairs;
    return *this;
  }
  bool operator==(const Tally&) const = default;
};

bool isAsciiLetter(std::uint8_t b) { return (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z'); }

// Bytes no Vietnamese word touches: digits and the signs of codes and markup.
bool gluesToWords(std::uint8_t b) {
  return (b >= '0' && b <= '9') || b == '&' || b == '#' || b == '\\' || b == '@' || b == '_' ||
         b == '/' || b == '{' || b == '}' || b == '|' || b == '<' || b == '>' || b == '=' ||
         b == '$' || b == '%' || b == '^' || b == '~' || b == '`';
}

// `asItStands`: the reading of good UTF-8 as UTF-8, whose words that are no syllable are words
// of another language, not bad Vietnamese.  `signLetters`: the charset writes letters with
// ASCII signs (writesLettersWithSigns).
Tally scoreReading(const ByteBuffer& reading, bool asItStands, bool signLetters) {
  Tally t;
  const std::uint8_t* s = reading.data();
  const std::size_t n = reading.size();
  constexpr std::size_t kLongest = syllable::kLongest;
  std::uint8_t word[kLongest];
  std::size_t len = 0;
  bool tooLong = false, marked = false, glued = false, small = false, miscased = false;
  int tones = 0, tone = 0;
  int previous = -1;  // the word before, where it was a syllable the model knows: its row
  auto endWord = [&](bool gluedAfter) {
    // A syllable the model knows makes a pair with the one before; any other word breaks them.
    const int before = previous;
    if (len != 0) previous = -1;
    auto pair = [&] {
      previous = syllable::rowOf(word, len, tone);
      if (before >= 0 && previous >= 0)
        t.pairs += static_cast<std::uint32_t>(syllable::pairWeight(before, previous));
    };
    // In a charset that writes letters with signs, a word with a marked capital after a small
    // letter is no word (lỨ: how TCVN1 reads l]).  A word glued to digits or the signs of
    // codes and markup (tiền_tố, x2) says nothing, but between readings that differ there
    // only (<SỐ>).
    if (len != 0 && marked && miscased && signLetters) {
      ++t.invalid;
    } else if (len >= 2 && marked && (glued || gluedAfter)) {
      if (tooLong || tones > 1 || !syllable::allowed(word, len, tone))
        t.glued -= 4;
      else if (const int w = syllable::weight(word, len, tone); w > 0) {
        t.glued += w;
        pair();
      }
    } else if (len != 0 && marked && !glued && !gluedAfter) {
      if (tooLong || tones > 1 || !syllable::allowed(word, len, tone))
        ++(asItStands ? t.foreign : t.invalid);
      else if (len == 1) {
        // One-letter words are few and common (ở, à, ý); a lone letter the model hardly knows
        // (Ỵ, Ử) is more likely a sign some charset writes a letter with (_ and [ in TCVN1).
        if (syllable::weight(word, len, tone) >= 2) ++t.short_;
      }
      else if (const int w = syllable::weight(word, len, tone); w > 0) {
        ++t.valid;
        t.weights += static_cast<std::uint32_t>(w);
        pair();
      } else {
        ++t.unknown;
      }
    }
    len = 0;
    tooLong = marked = small = miscased = false;
    tones = tone = 0;
  };
  auto add = [&](std::uint8_t base) {
    if (len == kLongest)
      tooLong = true;
    else
      word[len++] = base;
  };
  std::uint8_t before = ' ';  // the byte before the word
  for (std::size_t i = 0; i < n;) {
    const std::uint8_t b = s[i];
    if (b == kMark && i + 1 < n) {
      const std::uint8_t letter = s[i + 1];
      i += 2;
      if (letter == 0 || letter > kLetterCount) {
        endWord(false);
        ++t.junk;
        before = kMark;
        continue;
      }
      if (len == 0 && !tooLong) glued = gluesToWords(before);
      const LetterShape& shape = kShapes[letter];
      if (lowerCaseOf(letter) != 0)
        miscased = miscased || small;
      else
        small = true;
      add(shape.base);
      if (shape.tone != 0) {
        ++tones;
        tone = shape.tone;
      }
      if (shape.tone != 0 || shape.base >= 0x80) marked = true;
      continue;
    }
    if (isAsciiLetter(b)) {
      if (len == 0 && !tooLong) glued = gluesToWords(before);
      small = small || b >= 'a';
      add(static_cast<std::uint8_t>(b | 0x20));
      ++i;
      continue;
    }
    endWord(gluesToWords(b));
    before = b;
    if (b >= 0x80) {
      std::uint32_t cp = 0;
      const int seq = wellFormedUtf8(s + i, n - i, cp);
      if (seq > 1) {
        ++t.foreign;
        i += static_cast<std::size_t>(seq);
        continue;
      }
      ++t.junk;
    } else if (b < 0x20 && b != '\t' && b != '\n' && b != '\r' && b != '\f') {
      ++t.junk;
    }
    ++i;
  }
  endWord(false);
  return t;
}

// The plan that reads a source into letter marks.
std::unique_ptr<ConversionPlan> readingPlan(ConverterState::Tables& tables, int source) {
  if (!selectCharset(static_cast<std::uint32_t>(source), kCatalogueSize, tables.source))
    return nullptr;
  selectCharset(kUtf8, kCatalogueSize, tables.destination);
  tables.tree = std::make_unique<DecodeTree>(DecodeTree::build(tables.source));
  auto plan = makePlan(tables, kLibraryOptions);
  for (int n = 1; n <= kLetterCount; ++n) {
    LetterCode c;
    c.len = 2;
    c.bytes[0] = kMark;
    c.bytes[1] = static_cast<std::uint8_t>(n);
    plan->letter[n] = makeOutCode(c);
  }
  for (int b = 0; b < 256; ++b) {
    LetterCode c;
    c.bytes[c.len++] = static_cast<std::uint8_t>(b);
    if (b == kMark) c.bytes[c.len++] = 0;
    plan->copy[b] = makeOutCode(c);
  }
  plan->copiesUnchanged = false;  // the marker byte is written apart
  plan->legacyDestination = false;
  if (plan->path == ConversionPath::kTree) {
    fillRootTable(*plan);
  } else if (plan->path == ConversionPath::kEscapeForms) {
    fillEscapeRootTable(*plan);
  }
  return plan;
}

void read(const ConversionPlan& plan, std::string_view text, ByteBuffer& out) {
  const auto* s = reinterpret_cast<const std::uint8_t*>(text.data());
  switch (plan.path) {
    case ConversionPath::kTree: decodeWithTree(plan, s, text.size(), out); break;
    case ConversionPath::kDecimalEscapes:
      decodeDecimalEscapes(plan, s, text.size(), true, out);
      break;
    case ConversionPath::kEscapeForms: decodeEscapeForms(plan, s, text.size(), true, out); break;
    case ConversionPath::kCopy: out.append(text); break;
  }
}

// The plans of every charset, made once.
struct Readers {
  std::array<ConverterState::Tables, kCatalogueSize + 1> tables;
  std::array<std::unique_ptr<ConversionPlan>, kCatalogueSize + 1> plans;
  Readers() {
    for (int c = 1; c <= kCatalogueSize; ++c) plans[c] = readingPlan(tables[c], c);
  }
};

const Readers& readers() {
  static const Readers r;
  return r;
}

// Where a guess between readings that score alike starts: the charsets most texts are in,
// and every plain form before every carried one.
int commonness(int form) {
  constexpr int kCommon[] = {kUtf8, kTcvn3, kVniWin, kViscii, kHtmlRefs, kViqr, kVpsWin, 27};
  const int code = formCharset(static_cast<CharsetForm>(form));
  int rank = static_cast<int>(std::size(kCommon));
  for (std::size_t i = 0; i < std::size(kCommon); ++i)
    if (kCommon[i] == code) rank = static_cast<int>(i);
  return rank + 16 * formLayers(static_cast<CharsetForm>(form));
}

// Whether each charset writes some letter with a code `test` says yes to, by catalogue code.
template <typename Test>
std::array<bool, kCatalogueSize + 1> writesAny(Test test) {
  std::array<bool, kCatalogueSize + 1> h{};
  for (int c = 1; c <= kCatalogueSize; ++c) {
    CharsetSelection cs;
    if (!selectCharset(static_cast<std::uint32_t>(c), kCatalogueSize, cs)) continue;
    for (int n = 1; n <= static_cast<int>(cs.count) && !h[c]; ++n) h[c] = test(storedCode(cs, n));
  }
  return h;
}

// Whether a charset writes a letter with a byte of 128 or more: only those can be carried
// in a way that differs from their plain form.
bool writesHighBytes(int code) {
  static const std::array<bool, kCatalogueSize + 1> high = writesAny([](const LetterCode& l) {
    bool any = false;
    for (int k = 0; k < l.len; ++k) any = any || l.bytes[k] >= 0x80;
    return any;
  });
  return code >= 1 && code <= kCatalogueSize && high[code];
}

// Whether a charset writes a letter with an ASCII sign ([ and ] in TCVN1): its readings of
// code and markup make letters of signs, and their case is the sign's, not a word's.
bool writesLettersWithSigns(int code) {
  static const std::array<bool, kCatalogueSize + 1> signs = writesAny([](const LetterCode& l) {
    return l.len == 1 && l.bytes[0] > 0x20 && l.bytes[0] < 0x80 && !isAsciiLetter(l.bytes[0]) &&
           !(l.bytes[0] >= '0' && l.bytes[0] <= '9');
  });
  return code >= 1 && code <= kCatalogueSize && signs[code];
}

// Whether a text may be carried: it is UTF-8 (bytes that form no character are rare) and
// holds characters that stand for bytes of 128 or more.
bool mayBeCarried(std::string_view text) {
  std::size_t standing = 0, broken = 0;
  walkUtf8(
      reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), true,
      [&](std::uint32_t cp) {
        // Enough seen: the rest does not change the answer much.
        return carriedByte(cp) < 0x80 || ++standing < 256 || broken * 8 > standing;
      },
      [&broken] {
        ++broken;
        return true;
      });
  return standing != 0 && broken * 8 <= standing;
}

// Whether a text is UTF-8 throughout (its start, where it is long) with at least `least`
// characters of two bytes or more.
bool isUtf8WithCharacters(std::string_view text, std::size_t least) {
  // A piece of a text may begin and end inside a character.
  constexpr std::size_t kLook = 64 * 1024;
  text = wholeCharacters(text.substr(0, kLook), true);
  std::size_t characters = 0;
  bool broken = false;
  walkUtf8(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), true,
           [&characters](std::uint32_t) {
             ++characters;
             return true;
           },
           [&broken] {
             broken = true;
             return false;
           });
  return !broken && characters >= least;
}

// The lines of a text that hold characters of two bytes or more, up to about 8 KiB of them.
std::string linesWithCharacters(std::string_view text) {
  constexpr std::size_t kMost = 8 * 1024;
  std::string lines;
  for (std::size_t at = 0; at < text.size() && lines.size() < kMost;) {
    std::size_t end = text.find('\n', at);
    end = end == std::string_view::npos ? text.size() : end + 1;
    const std::string_view line = text.substr(at, end - at);
    for (char c : line)
      if ((static_cast<std::uint8_t>(c) & 0x80) != 0) {
        lines.append(line.substr(0, kMost));
        if (lines.back() != '\n') lines.push_back('\n');
        break;
      }
    at = end;
  }
  return lines;
}

std::string unwrapped(std::string_view text) {
  ByteBuffer out;
  unwrapLayer(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), true, out);
  return out.str();
}

// The texts are read in windows that end at a blank, so that no code is cut, until one
// reading is well ahead of the others.
constexpr std::size_t kWindow = 1024;
constexpr double kClearLead = 24;  // eight syllables

// The first window is shorter: most texts are told apart within it.
constexpr std::size_t kFirstWindow = 256;

std::size_t windowEnd(std::string_view text, std::size_t from) {
  const std::size_t window = from == 0 ? kFirstWindow : kWindow;
  if (text.size() - from <= window) return text.size();
  const std::size_t limit = from + window;
  for (std::size_t i = limit; i > from + window / 2; --i)
    if (text[i - 1] == ' ' || text[i - 1] == '\n') return i;
  return limit;
}

// The letters of a reading whatever their case: charsets that differ only in how they write
// capitals read a text into the same letters.
std::uint64_t hashLetters(std::uint64_t h, const ByteBuffer& b) {
  const std::uint8_t* s = b.data();
  const std::size_t n = b.size();
  for (std::size_t i = 0; i < n; ++i) {
    std::uint8_t c = s[i];
    if (c == kMark && i + 1 < n) {
      c = s[++i];
      const std::uint16_t cp = letterCodePoint(c);
      if (cp != 0 && cp < 0x80) {  // a, e, i, o, u, y as a table gives them
        c = static_cast<std::uint8_t>(cp | 0x20);
      } else {
        h = (h ^ kMark) * 0x100000001B3ull;
        if (c > 80) c = static_cast<std::uint8_t>(c - 80);
        if (c >= 73 && c <= 80) c = static_cast<std::uint8_t>(lowerCaseOf(c));
      }
    } else if (c >= 'A' && c <= 'Z') {
      c = static_cast<std::uint8_t>(c | 0x20);
    }
    h = (h ^ c) * 0x100000001B3ull;
  }
  return h;
}

}  // namespace

std::vector<int> detectionCandidates(int lastCode, int layers) {
  std::vector<int> forms;
  for (int layer = 0; layer <= layers; ++layer)
    for (int c = 1; c <= lastCode && c <= kCatalogueSize; ++c) {
      if (c == kVnUnicode2 || !hasLetterTable(c)) continue;
      if (layer == 0 || c == kUtf8 || writesHighBytes(c))
        forms.push_back(static_cast<int>(carriedForm(c, layer)));
    }
  return forms;
}

namespace {

// The guess among `candidates`; with `asItStands`, good UTF-8 is read as UTF-8 only.
// One reading of the text being judged: a charset, its plan, its tally and a hash of the
// letters it read so far.
struct Reading {
  int code;
  const ConversionPlan* plan;
  bool signLetters;  // writesLettersWithSigns
  Tally tally;
  std::uint64_t hash = 0xCBF29CE484222325ull;
};

// The carried forms among `candidates` that the text may be in: layers it cannot be carried
// in, byte charsets for good UTF-8 with characters of two bytes or more (legacy bytes make
// such characters by chance only, and then beside bytes that make none), carried forms when
// the text is to be read as it stands.
std::vector<int> possibleForms(std::span<const int> candidates, bool asItStands,
                               const bool (&possible)[3], bool utf8Text) {
  std::vector<int> forms;
  for (int f : candidates) {
    const auto form = static_cast<CharsetForm>(f);
    const int code = readableSource(formCharset(form));
    const int layers = formLayers(form);
    const int r = static_cast<int>(carriedForm(code, layers));
    if (f != static_cast<int>(form & 0xFF) || !hasLetterTable(code) || !possible[layers]) continue;
    if (utf8Text && layers == 0 && code != kUtf8 && writesHighBytes(code)) continue;
    if (layers != 0 && asItStands) continue;
    if (std::find(forms.begin(), forms.end(), r) == forms.end()) forms.push_back(r);
  }
  return forms;
}

// The guesses of the readings so far: readings that give the same letters are one answer, as
// long as they keep doing so; best first by the confidence people are shown (in whole
// percent), then by the score, then by how common the syllables read are.
std::vector<CharsetGuess> guessesOf(const std::vector<Reading>& reads) {
  std::vector<CharsetGuess> guesses;
  std::vector<std::uint32_t> weights;  // each guess's
  std::vector<std::int32_t> glued;
  std::vector<std::uint32_t> pairs;
  std::vector<bool> taken(reads.size(), false);
  for (std::size_t i = 0; i < reads.size(); ++i) {
    if (taken[i]) continue;
    CharsetGuess g;
    g.codes.push_back(reads[i].code);
    for (std::size_t j = i + 1; j < reads.size(); ++j) {
      if (!taken[j] && reads[j].hash == reads[i].hash && reads[j].tally == reads[i].tally) {
        taken[j] = true;
        g.codes.push_back(reads[j].code);
      }
    }
    std::stable_sort(g.codes.begin(), g.codes.end(),
                     [](int a, int b) { return commonness(a) < commonness(b); });
    g.score = reads[i].tally.score();
    g.confidence = reads[i].tally.confidence();
    g.words = reads[i].tally.marked();
    guesses.push_back(std::move(g));
    weights.push_back(reads[i].tally.weights);
    glued.push_back(reads[i].tally.glued);
    pairs.push_back(reads[i].tally.pairs);
  }
  auto percent = [](const CharsetGuess& g) { return static_cast<int>(g.confidence * 100 + 0.5); };
  std::vector<std::size_t> order(guesses.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](std::size_t i, std::size_t j) {
    const CharsetGuess &a = guesses[i], &b = guesses[j];
    if (percent(a) != percent(b)) return percent(a) > percent(b);
    if (a.score != b.score) return a.score > b.score;
    if (weights[i] != weights[j]) return weights[i] > weights[j];
    if (pairs[i] != pairs[j]) return pairs[i] > pairs[j];
    if (glued[i] != glued[j]) return glued[i] > glued[j];
    return commonness(a.codes.front()) < commonness(b.codes.front());
  });
  std::vector<CharsetGuess> sorted;
  sorted.reserve(order.size());
  for (const std::size_t i : order) sorted.push_back(std::move(guesses[i]));
  return sorted;
}

// Reads one window of the text (ending at a blank, so no character is cut) in every reading,
// in each one's layers.
void readWindow(std::string_view piece, const bool (&possible)[3], bool utf8Text,
                std::vector<Reading>& reads, ByteBuffer& letters) {
  // NUL bytes end texts for the converter; for a guess they are bytes like others.
  std::string window;
  if (piece.find('\0') != std::string_view::npos) {
    window.assign(piece);
    std::replace(window.begin(), window.end(), '\0', ' ');
    piece = window;
  }
  std::string_view layered[3] = {piece, {}, {}};
  std::string layerWindow[3];
  for (int k = 1; k < 3 && possible[k]; ++k) {
    // A piece of a text may begin and end inside a character: those bytes stand for none.
    layerWindow[k] = unwrapped(wholeCharacters(layered[k - 1], true));
    layered[k] = layerWindow[k];
  }
  for (Reading& r : reads) {
    letters.clear();
    read(*r.plan, layered[formLayers(static_cast<CharsetForm>(r.code))], letters);
    r.tally += scoreReading(letters, utf8Text && r.code == kUtf8, r.signLetters);
    r.hash = hashLetters(r.hash, letters);
  }
}

// Whether the guesses so far are sure enough to end the reading: the best's score leads every
// other reading's, or it has stayed first with high confidence over several windows (charsets
// that differ in a few capitals only read most texts almost alike, and their scores never
// part far).
class SteadyLead {
 public:
  bool settled(const std::vector<CharsetGuess>& guesses) {
    constexpr double kSteadyConfidence = 0.9;
    constexpr int kSteadyWindows = 2;
    double next = -1e300;
    for (std::size_t g = 1; g < guesses.size(); ++g) next = std::max(next, guesses[g].score);
    if (guesses.size() >= 2 && guesses[0].confidence >= kConfidentGuess &&
        guesses[0].score - next >= kClearLead)
      return true;
    const int first = guesses.empty() ? 0 : guesses[0].codes.front();
    steady_ = !guesses.empty() && first == leader_ && guesses[0].confidence >= kSteadyConfidence
                  ? steady_ + 1
                  : 0;
    leader_ = first;
    return steady_ >= kSteadyWindows;
  }

 private:
  int leader_ = 0, steady_ = 0;
};

Detection detectAmong(std::string_view text, std::span<const int> candidates, bool asItStands) {
  // The layers a text can be carried in: its own characters standing for bytes, and again.
  bool possible[3] = {true, mayBeCarried(text), false};
  if (possible[1]) {
    // Whether the text is carried twice shows in its start as well.
    constexpr std::size_t kLook = 16 * 1024;
    const std::size_t cut = text.size() <= kLook ? text.size() : text.rfind(' ', kLook) + 1;
    possible[2] = mayBeCarried(unwrapped(text.substr(0, cut == 0 ? kLook : cut)));
  }
  const bool utf8Text = isUtf8WithCharacters(text, 1);
  std::vector<Reading> reads;
  for (int f : possibleForms(candidates, asItStands, possible, utf8Text))
    if (const ConversionPlan* plan =
            readers().plans[formCharset(static_cast<CharsetForm>(f))].get())
      reads.push_back(
          {f, plan, writesLettersWithSigns(formCharset(static_cast<CharsetForm>(f))), {}});

  ByteBuffer letters;
  Detection d;
  SteadyLead lead;
  // Readings far behind the best and unsure are read no further: they cannot lead within the
  // windows the others need to settle.  Their tallies so far stay in the answer.
  std::vector<Reading> behind;
  auto all = [&] {
    std::vector<Reading> both(reads);
    both.insert(both.end(), behind.begin(), behind.end());
    return both;
  };
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t end = windowEnd(text, pos);
    readWindow(text.substr(pos, end - pos), possible, utf8Text, reads, letters);
    pos = end;
    if (pos == text.size()) break;
    d.guesses = guessesOf(all());
    if (lead.settled(d.guesses)) return d;
    double best = -1e300;
    for (const Reading& r : reads) best = std::max(best, r.tally.score());
    const auto far = std::stable_partition(reads.begin(), reads.end(), [&](const Reading& r) {
      return r.tally.score() >= best - 3 * kClearLead || r.tally.confidence() >= 0.5;
    });
    behind.insert(behind.end(), far, reads.end());
    reads.erase(far, reads.end());
  }
  reads = all();
  d.guesses = guessesOf(reads);
  bool anyMarked = false;
  for (const Reading& r : reads) anyMarked = anyMarked || r.tally.marked() > 0;
  if (!anyMarked) {
    d.noVietnameseLetters = true;
    d.guesses.clear();
  }
  return d;
}

}  // namespace

Detection detectCharset(std::string_view text, std::span<const int> candidates) {
  static const std::vector<int> kDefault = detectionCandidates(kCatalogueSize, 2);
  if (candidates.empty()) candidates = kDefault;
  Detection d = detectAmong(text, candidates, false);
  // A carried form that wins without a clear lead over good UTF-8 must read as Vietnamese
  // to the repair as well: where the repair leaves the text (words of another language, one
  // word that could be either), the text is read as it stands.
  if (d.guesses.empty()) return d;
  const CharsetGuess& best = d.guesses.front();
  if (formLayers(static_cast<CharsetForm>(best.codes.front())) != 0 &&
      (best.confidence < 0.9 || best.words < 8) && isUtf8WithCharacters(text, 1) &&
      repairLeaves(linesWithCharacters(text)))
    d = detectAmong(text, candidates, true);
  return d;
}

}  // namespace ts
