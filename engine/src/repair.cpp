#include "ts/repair.hpp"

#include "ts/catalogue.hpp"
#include "ts/detect.hpp"
#include "ts/utf.hpp"

namespace ts {
namespace {

// Whether the character at s[i..n) (its length in `len`) is one no carried text holds: a
// character that stands for no byte, or a byte that starts no UTF-8 character.
bool noCarriedCharacter(const std::uint8_t* s, std::size_t n, std::size_t i, std::size_t& len) {
  len = 1;
  if (s[i] < 0x80) return false;
  std::uint32_t cp = 0;
  const int l = wellFormedUtf8(s + i, n - i, cp);
  if (l == 0) return true;
  len = static_cast<std::size_t>(l);
  return carriedByte(cp) < 0;
}

bool isBlank(std::uint8_t b) { return b == ' ' || b == '\t' || b == '\r' || b == '\n'; }

}  // namespace

TextRepairer::TextRepairer() {
  // Plain UTF-8 against every carried form.
  candidates_.push_back(kUtf8);
  for (int form : detectionCandidates(kCatalogueSize, 2))
    if (formLayers(static_cast<CharsetForm>(form)) != 0) candidates_.push_back(form);
}

void TextRepairer::repair(std::string_view text, std::string& out) {
  while (!text.empty()) {
    const std::size_t nl = text.find('\n');
    const std::size_t end = nl == std::string_view::npos ? text.size() : nl + 1;
    repairLine(text.substr(0, end), out);
    text.remove_prefix(end);
  }
}

void TextRepairer::repairLine(std::string_view line, std::string& out) {
  const auto* s = reinterpret_cast<const std::uint8_t*>(line.data());
  const std::size_t n = line.size();
  // Words (runs without blanks); a stretch is a run of words none of which holds a character
  // that stands for no byte, or a byte that is no UTF-8.
  std::size_t stretch = 0;  // where the stretch under way starts
  std::size_t i = 0;
  while (i < n) {
    while (i < n && isBlank(s[i])) ++i;
    const std::size_t wordStart = i;
    bool keep = false;
    while (i < n && !isBlank(s[i])) {
      std::size_t len = 1;
      keep = noCarriedCharacter(s, n, i, len) || keep;
      i += len;
    }
    if (keep) {
      repairStretch(line.substr(stretch, wordStart - stretch), out);
      out.append(line.substr(wordStart, i - wordStart));
      stretch = i;
    }
  }
  repairStretch(line.substr(stretch), out);
}

void TextRepairer::repairStretch(std::string_view stretch, std::string& out) {
  bool high = false;
  for (char c : stretch) high = high || static_cast<std::uint8_t>(c) >= 0x80;
  if (!high) {
    out.append(stretch);
    return;
  }
  const Detection d = detectCharset(stretch, candidates_);
  const CharsetGuess* best = d.guesses.empty() ? nullptr : &d.guesses.front();
  const CharsetGuess* plain = nullptr;
  for (const CharsetGuess& g : d.guesses)
    for (int f : g.codes)
      if (f == kUtf8) plain = &g;
  const bool repairs = best != nullptr && best != plain && best->confidence >= kConfidentGuess &&
                       best->words > 0 && (plain == nullptr || best->score > plain->score);
  if (!repairs) {
    out.append(stretch);
    return;
  }
  const auto form = static_cast<CharsetForm>(best->codes.front());
  selectForms(state_, form, kUtf8);
  out.append(convert(state_, stretch));
  ++repaired_[form];
}

}  // namespace ts
