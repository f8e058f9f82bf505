// Repair of legacy text carried in UTF-8 and of UTF-8 encoded twice, word by word, in text
// that is otherwise good UTF-8.
//
// A word is repaired only when what it becomes reads as Vietnamese clearly better than the
// word as it stands:
// - UTF-8 encoded once or twice more (Viá»‡t): the bytes its characters stand for are UTF-8
//   again, of letters and punctuation; a no-break space lost to a plain space and a byte a
//   decoder replaced by U+FFFD are restored where the syllable leaves one choice.
// - Legacy text carried in UTF-8 (ViÖt, Vieät): the run of such words is read in each
//   carried form, and the form under which its words become syllables of the language wins;
//   each word is changed only where it becomes one.
// A word that is already a Vietnamese syllable, and any word holding a character that stands
// for no byte (good Unicode), is never changed; the output is valid UTF-8 wherever the input
// was, and nothing that cannot be repaired is changed.
#pragma once

#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ts/converter.hpp"
#include "ts/forms.hpp"
#include "ts/vietnamese.hpp"

namespace ts {

class TextRepairer {
 public:
  // What one repair changed: where (line from 1, column in characters from 1), the word or
  // words before and after, and the form they were read as.
  struct Change {
    std::uint64_t line = 0;
    std::uint64_t column = 0;
    std::string before, after;
    CharsetForm form = 0;
  };
  // Why words were left.
  struct Left {
    std::uint64_t undecided = 0;  // U+FFFD whose byte more than one syllable could be
    std::uint64_t unsure = 0;     // words that read as legacy text, but not clearly
  };

  // `charsets`: the charsets whose carried forms are tried (kUtf8 for UTF-8 encoded again);
  // empty: all.
  explicit TextRepairer(std::span<const int> charsets = {});
  ~TextRepairer();
  TextRepairer(const TextRepairer&) = delete;
  TextRepairer& operator=(const TextRepairer&) = delete;

  // Appends `text` repaired to `out`.  Lines (cut at LF) are repaired one after the other (see
  // oneText), so a text may be given in pieces that end at line ends.
  void repair(std::string_view text, std::string& out);

  // Whether the pieces given are of one text (the default): a carried form that the text's
  // clear runs read it as (three or more, four times any other form's) also reads the runs
  // after them that alone would be unsure, where every word that can speak becomes a
  // syllable of it.  Off: each line is judged by itself alone.
  void oneText(bool one) { oneText_ = one; }

  // Called for each change, in order.
  void onChange(std::function<void(const Change&)> f) { onChange_ = std::move(f); }

  // The words repaired so far, by the form they were read as; the words left.
  const std::map<CharsetForm, std::uint64_t>& repaired() const { return repaired_; }
  const Left& left() const { return left_; }

 private:
  struct Word;
  void repairLine(std::string_view line, std::string& out);
  void repairCarried(std::string_view line, std::vector<Word>& words, std::size_t from,
                     std::size_t to);
  struct Facts;
  struct RunFacts;
  struct Reading;
  struct Reader;
  struct Readings;
  void factsOf(std::string_view line, const std::vector<Word>& words, std::size_t from,
               std::size_t to, RunFacts& run);
  bool moreOthers(RunFacts& run) const;
  // Whether each word `r` reads as a syllable makes a pair the model knows with each short
  // or rare ASCII syllable beside it (not no sớm, where no is Catalan).
  bool besideKnown(const RunFacts& run, const Reading& r) const;
  // The most common pair a word `r` changes (the run's `only`th, or any) makes with a word
  // beside it (as `r` reads that), where the two made none as they stood: Bé nhí, néi dung
  // read as bộ nhớ, nội dung.
  static constexpr std::size_t kAll = ~std::size_t{0};
  int pairGain(const RunFacts& run, const Reading& r, std::size_t only = kAll) const;
  // How `reader` reads the run; false where it makes no valid UTF-8 or no syllable.
  // `settled`: the reader is the form the text's clear runs read as, which also reads the
  // words of other languages and the words framed by signs it makes letters of.
  // A reading that cannot lead by more than `beat` (good words less bad ones) stops early.
  bool readRun(Reader& reader, const RunFacts& run, Reading& r, bool settled = false,
               int beat = std::numeric_limits<int>::min());
  // The run's words as `best` reads them in `form`, where they are to change.
  void apply(const RunFacts& run, Reading& best, CharsetForm form, std::vector<Word>& words,
             std::size_t from);
  // The words of a line and what each holds (words_); whether any holds a character that
  // stands for a byte.
  bool scanWords(std::string_view line);
  // The word `k` of the line as UTF-8 encoded again, where it reads so.
  void repairTwice(std::string_view line, std::size_t k);
  // Whether a word of the line but `k` reads as UTF-8 encoded twice, and as no syllable as
  // it stands.
  bool othersTwice(std::string_view line, std::size_t k) const;
  // The word before (`side` -1) or after (1) the word `k`, as Vietnamese.
  WordReading neighbour(std::string_view line, std::size_t k, int side) const;
  // After a word whose no-break space was lost (one blank after it): whether the letters of
  // the next word are its own (tà n for tàn) or, with `signs`, a sign follows (là :); then
  // they join it.
  bool joinsNext(std::string_view line, std::size_t k, std::string& decoded, bool signs);
  void record(std::string_view line, const Word& w, CharsetForm form);
  Reader* priorReader() const;

  bool utf8_ = true;
  bool oneText_ = true;
  std::map<CharsetForm, std::uint64_t> clearRuns_;  // runs read clearly, by form
  // The form the last run that could speak read as, or whose words it read as syllables or
  // names though the run was left (0: none, a word of another language).
  CharsetForm lastRead_ = 0;
  std::vector<std::unique_ptr<Reader>> readers_;
  std::unique_ptr<Readings> readings_;
  struct Scratch;
  std::unique_ptr<Scratch> pool_;
  std::map<CharsetForm, std::uint64_t> repaired_;
  Left left_;
  std::uint64_t line_ = 0;
  std::function<void(const Change&)> onChange_;
  std::vector<Word> words_;  // the words of the line under way, kept for the next line
  ByteBuffer scratch_;       // a word as a form reads it
};

// Whether a text reads as good Unicode: valid UTF-8 that the repair above would leave as it
// is, holding at least one Vietnamese syllable with a mark or a character no legacy text
// carried in UTF-8 holds.  `source`: the charset whose carried forms the repair tries (kUtf8
// for UTF-8 encoded again; 0: every form).  Values that do are converted already.
bool readsAsGoodUnicode(std::string_view text, int source = 0);

// Whether the repair above (of the carried forms of `source`, 0 for all) leaves a text as it
// is.
bool repairLeaves(std::string_view text, int source = 0);

// Whether a whole text reads as legacy text of charset `source` carried in UTF-8: the repair
// of that carried form changes it, and into what converting all of it from that form gives.
// Text the repair leaves, or changes only in part (good Unicode beside legacy words, or
// words it is unsure of), does not: converting all of it would change good text.
bool readsAsCarried(std::string_view text, int source);

}  // namespace ts
