// tsconv: converts a stream of Vietnamese text between two charsets of the catalogue.
//
//   tsconv -f FROM -t TO [-o OUT] [--upper|--lower] [--sort|--sort-names] [FILE...]
//   tsconv --fix [-o OUT] [FILE...]
//   tsconv -l
//
// Files are read one after the other as one stream (standard input when none is named) in
// pieces, so memory stays the same whatever the size of the input; the result is the
// engine's conversion of the whole input.  Sorting reads the whole input first.
#include <fcntl.h>
#include <getopt.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "output.hpp"
#include "ts/byte_buffer.hpp"
#include "ts/catalogue.hpp"
#include "ts/converter.hpp"
#include "ts/detect.hpp"
#include "ts/fonts.hpp"
#include "ts/forms.hpp"
#include "ts/html.hpp"
#include "ts/letter_case.hpp"
#include "ts/losses.hpp"
#include "ts/platform/files.hpp"
#include "ts/platform/messages.hpp"
#include "ts/platform/options.hpp"
#include "ts/repair.hpp"
#include "ts/stream.hpp"
#include "ts/text_utils.hpp"
#include "ts/unicode.hpp"
#include "ts/utf.hpp"
#include "ts/version.hpp"

namespace {

using tsconv::Output;

constexpr std::size_t kChunk = 256 * 1024;

const char* g_program = "tsconv";

using ts::platform::tf;

[[noreturn]] void fail(int status, const std::string& message) {
  std::fprintf(stderr, "%s: %s\n", g_program, message.c_str());
  std::exit(status);
}

[[noreturn]] void usageError(const std::string& message) {
  fail(2, message + ts::platform::tr(" (tsconv --help lists the options)"));
}

void usage(std::FILE* to) {
  std::fputs(
      ts::platform::tr(
          "Usage: tsconv -f FROM -t TO [-o OUT] [OPTION...] [FILE...]\n"
          "       tsconv --fix[=CHARSETS] [--dry-run] [-o OUT] [FILE...]\n"
          "       tsconv -l\n"
          "Converts Vietnamese text between two charsets of the catalogue.\n"
          "\n"
          "  -f, --from=CHARSET    charset of the input\n"
          "  -t, --to=CHARSET      charset of the output; //IGNORE or //TRANSLIT after it\n"
          "                        as -c or --translit\n"
          "  -o, --output=FILE     write to FILE; a regular file is replaced only when the\n"
          "                        whole conversion succeeds\n"
          "  -c                    drop characters the output charset cannot write\n"
          "      --translit        write them in a close form (- for \xE2\x80\x93, EUR for "
          "\xE2\x82\xAC, ? where\n"
          "                        there is none): the default\n"
          "      --strict          fail at the first of them, naming its place\n"
          "      --check           only say what the output charset cannot hold as it\n"
          "                        stands; write nothing\n"
          "      --detect          name the likely charsets of each FILE, best first\n"
          "      --detect-bytes=N  guess from the first N bytes (65536)\n"
          "      --fix[=CHARSETS]  repair UTF-8: words that read as legacy text carried in\n"
          "                        UTF-8 or as UTF-8 encoded twice become the text they\n"
          "                        mean where that reads clearly as Vietnamese; the rest\n"
          "                        is copied as it is.  CHARSETS (tcvn3,vni,utf8) limits\n"
          "                        the forms tried\n"
          "      --dry-run         with --fix: list each change (line, column, before,\n"
          "                        after) and write nothing; --check does the same\n"
          "  -u, --upper           write the letters as capitals\n"
          "      --lower           write the letters in lower case\n"
          "  -s, --sort            sort the lines in Vietnamese dictionary order\n"
          "      --sort-names      sort the lines as personal names (last word first)\n"
          "      --html            convert an HTML page: the text of words and of readable\n"
          "                        attributes, entities, font names and the charset\n"
          "                        declaration in tags\n"
          "  -l, --list            list the charsets\n"
          "  -h, --help            show this help\n"
          "  -V, --version         show the version\n"
          "\n"
          "CHARSET is a code (15), a catalogue name (\"TCVN3 - ABC\"; case, blanks and\n"
          "hyphens are ignored) or a short name: tcvn3, abc, vni, viscii, viqr, vps,\n"
          "utf-8, ncr, cp1258 (Windows-1258).  NAME+utf8 reads a charset carried in UTF-8\n"
          "(its bytes read as Windows-1252 and saved as UTF-8: tcvn3+utf8, vni+utf8), and\n"
          "utf8+utf8 UTF-8 encoded twice.  -f auto guesses the charset of the input, carried\n"
          "forms included, and refuses when it cannot tell.  With no FILE, or when FILE is\n"
          "-, standard input is read.  What the output charset cannot hold as it stands is\n"
          "named on standard error.\n"
          "A file that cannot be read is reported and skipped; the exit status is then 1.\n"),
      to);
}

void listCharsets() {
  std::printf("Code  Charset          Also\n");
  for (int c = 1; c <= ts::kCatalogueSize; ++c) {
    std::string also(ts::charsetShortNames(c));
    if (!ts::hasLetterTable(c))
      also = c == ts::kVnUnicode2 ? "read as 39 when converting from it" : "no letter table";
    const std::string name(ts::charsetName(c));
    if (also.empty())
      std::printf("%4d  %s\n", c, name.c_str());
    else
      std::printf("%4d  %-16s %s\n", c, name.c_str(), also.c_str());
  }
  std::printf(
      "\nAny charset with a letter table can also be read carried in UTF-8: its name with\n"
      "+utf8 (tcvn3+utf8, vni+utf8, 29+utf8) reads text whose bytes were read as\n"
      "Windows-1252 or Latin-1 and saved as UTF-8; +utf8+utf8 when that happened twice.\n"
      "utf8+utf8 reads UTF-8 encoded twice, utf8+utf8+utf8 three times.  cp1258 and\n"
      "windows-1258 name Windows-1258: the letters of 27 with that code page's symbols.\n");
}

// A charset argument: the form, and for the destination the suffixes iconv takes.
struct CharsetArgument {
  ts::CharsetForm form = 0;
  bool ignore = false;
  bool translit = false;
};

CharsetArgument resolve(const char* option, const char* text, bool destination) {
  if (text == nullptr) usageError(tf("missing %s CHARSET", option));
  std::string name = text;
  CharsetArgument arg;
  for (std::size_t at = name.find("//"); destination && at != std::string::npos;
       at = name.find("//")) {
    std::string rest = name.substr(at + 2);
    const std::size_t next = rest.find("//");
    const std::string suffix = ts::normalizedName(rest.substr(0, next));
    if (suffix == "ignore")
      arg.ignore = true;
    else if (suffix == "translit")
      arg.translit = true;
    else if (!suffix.empty())
      usageError(tf("unknown suffix '//%s' (//IGNORE, //TRANSLIT)", rest.substr(0, next).c_str()));
    name.erase(at, next == std::string::npos ? std::string::npos : next + 2);
  }
  arg.form = ts::charsetFormByName(name);
  if (arg.form == 0)
    fail(2, ts::platform::formatted(ts::platform::tr("unknown charset '%s' (tsconv -l lists the charsets)"), text));
  if (destination && ts::formLayers(arg.form) != 0)
    fail(2, tf("'%s' is a form text is read in, not written in: -t takes the charset alone", text));
  return arg;
}

// Where the inputs start in the stream, to name the place of a character.
struct InputStart {
  std::uint64_t offset;
  std::string name;
};

std::string utf8Of(std::uint32_t cp) {
  std::uint8_t utf8[4];
  const int len = ts::encodeUtf8(cp, utf8);
  return std::string(reinterpret_cast<const char*>(utf8), static_cast<std::size_t>(len));
}

std::string codePointText(std::uint32_t cp) {
  char text[16];
  std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(cp));
  return text;
}

// The place of a stream offset: "at byte N of NAME".
std::string placeOf(std::uint64_t offset, const std::vector<InputStart>& inputs) {
  auto in = inputs.begin();
  for (auto next = in; next != inputs.end() && next->offset <= offset; ++next) in = next;
  if (in == inputs.end())
    return tf("at byte %llu", static_cast<unsigned long long>(offset));
  return tf("at byte %llu of %s", static_cast<unsigned long long>(offset - in->offset),
            in->name.c_str());
}

// What the destination could not hold as it stands, one line for each letter or character.
void reportLosses(const ts::LossCounter& losses, const std::string& destination) {
  const std::vector<ts::LossCounter::Loss> all = losses.losses();
  if (all.empty()) return;
  std::fprintf(stderr, "%s: %s\n", g_program,
               ts::platform::formatted(ts::platform::trn("%s cannot hold %zu letter or character as it stands:",
                                                         "%s cannot hold %zu letters and characters as they stand:",
                                                         all.size()),
                                       destination.c_str(), all.size())
                   .c_str());
  for (const ts::LossCounter::Loss& l : all) {
    std::string what;
    switch (l.kind) {
      case ts::LossCounter::Loss::Kind::kLowerCaseCode:
        what = tf("written with the code of '%s'", utf8Of(l.lowerCase).c_str());
        break;
      case ts::LossCounter::Loss::Kind::kReplaced:
        what = tf("written as \"%s\"", std::string(l.replacement).c_str());
        break;
      case ts::LossCounter::Loss::Kind::kDropped: what = ts::platform::tr("dropped"); break;
    }
    std::fprintf(stderr, "%s:   '%s' %s, %s: %s\n", g_program, utf8Of(l.codePoint).c_str(),
                 codePointText(l.codePoint).c_str(),
                 ts::platform::formatted(ts::platform::trn("%llu time", "%llu times", l.count),
                                         static_cast<unsigned long long>(l.count))
                     .c_str(),
                 what.c_str());
  }
}

// A form as tsconv names it: `15 "TCVN3 - ABC"`, `tcvn3+utf8 "TCVN3 - ABC, carried in UTF-8"`.
std::string describe(int form) {
  return ts::formLabel(static_cast<ts::CharsetForm>(form), ts::platform::tr);
}

std::string percent(double confidence) {
  return std::to_string(static_cast<int>(confidence * 100 + 0.5)) + "%";
}

// The charsets of one guess: at most four named, then how many more.
std::string guessNames(const ts::CharsetGuess& guess) {
  std::string names;
  for (std::size_t i = 0; i < guess.codes.size() && i < 4; ++i)
    names += (i == 0 ? "" : ", ") + describe(guess.codes[i]);
  if (guess.codes.size() > 4) names += tf(" and %zu more", guess.codes.size() - 4);
  return names;
}

// The guesses worth naming: up to five, those with some confidence.
std::vector<const ts::CharsetGuess*> namedGuesses(const ts::Detection& d) {
  std::vector<const ts::CharsetGuess*> named;
  for (const ts::CharsetGuess& g : d.guesses)
    if (named.size() < 5 && g.confidence >= 0.01) named.push_back(&g);
  return named;
}

// The guesses of a detection on one line: `15 "TCVN3 - ABC" 97%; 29 "VNI - WIN" 12%`.
std::string guessList(const ts::Detection& d) {
  std::string text;
  for (const ts::CharsetGuess* g : namedGuesses(d))
    text += (text.empty() ? "" : "; ") + guessNames(*g) + " " + percent(g->confidence);
  return text.empty() ? "none reads it as Vietnamese" : text;
}

// Where in `text` (UTF-8, or carried in it) the first character stands that a conversion from
// `source` to `destination` cannot write: how many bytes come before it (text.size() for
// none).  Found by halving, each half converted afresh.
std::size_t firstUnwritable(int source, int destination, std::string_view text) {
  std::vector<std::size_t> starts;  // where each character starts
  for (std::size_t i = 0; i < text.size(); ++i)
    if ((static_cast<std::uint8_t>(text[i]) & 0xC0) != 0x80) starts.push_back(i);
  starts.push_back(text.size());
  auto fails = [&](std::size_t characters) {
    ts::ConverterState st(ts::kLibraryOptions);
    ts::selectForms(st, static_cast<std::uint32_t>(source), static_cast<std::uint32_t>(destination));
    ts::ForeignCharacters f;
    f.action = ts::ForeignCharacters::Action::kDrop;
    st.watchForeign(&f);
    ts::convert(st, text.substr(0, starts[characters]));
    return f.count != 0;
  };
  // The fewest characters whose conversion fails; the character that fails is the last.
  std::size_t lo = 0, hi = starts.size() - 1;
  if (!fails(hi)) return text.size();
  while (hi - lo > 1) {
    const std::size_t mid = lo + (hi - lo) / 2;
    (fails(mid) ? hi : lo) = mid;
  }
  return starts[lo];
}

// tsconv --detect: the guesses for each file, best first, one to a line.
int detectFiles(const std::vector<const char*>& inputs, std::size_t bytes) {
  int status = 0;
  for (const char* input : inputs) {
    const bool standardInput = std::strcmp(input, "-") == 0;
    const std::string name = standardInput ? "standard input" : std::string(input);
    const int fd = standardInput ? 0 : open(input, O_RDONLY | O_CLOEXEC);
    std::string head;
    const bool read =
        fd >= 0 && ts::platform::readInPieces(fd, kChunk, [&](std::string_view piece) {
          head.append(piece.substr(0, std::min(piece.size(), bytes - head.size())));
          return head.size() < bytes;
        });
    const int e = errno;
    if (fd > 0) close(fd);
    if (!read) {
      std::fprintf(stderr, ts::platform::tr("%s: cannot read '%s': %s\n"), g_program, name.c_str(),
                   std::strerror(e));
      status = 1;
      continue;
    }
    const ts::Detection d = ts::detectCharset(head);
    std::printf("%s:\n", name.c_str());
    if (d.noVietnameseLetters) {
      std::printf("  no Vietnamese letters: every charset reads it the same\n");
      continue;
    }
    const std::vector<const ts::CharsetGuess*> named = namedGuesses(d);
    if (named.empty()) std::printf("  no charset reads it as Vietnamese\n");
    for (const ts::CharsetGuess* g : named)
      std::printf("  %4s  %s\n", percent(g->confidence).c_str(), guessNames(*g).c_str());
  }
  return status;
}

// The converted text on its way out, through the letter-case stage when one is asked for.
class Pipeline {
 public:
  Pipeline(ts::ConverterState& state, Output& out, int caseMode, int destination, bool html)
      : stream_(state), out_(out) {
    if (caseMode != 0)
      caseStage_ = std::make_unique<ts::LetterCaseStream>(destination, caseMode > 0);
    if (html) {
      // A Unicode page is declared UTF-8 (references are valid under any declaration) and
      // its fonts are mapped to the Unicode family.
      ts::HtmlSettings settings;
      settings.convertAttributeText = true;
      if (destination == ts::kUtf8 || destination == ts::kHtmlRefs) {
        settings.charsetName = "utf-8";
        fonts_.destinationFamily = ts::kDecimalEsc;
      }
      html_ = std::make_unique<ts::HtmlConverter>(state, fonts_, settings);
    }
  }

  void feed(std::string_view bytes) {
    converted_.clear();
    if (html_)
      html_->feed(bytes, converted_);
    else
      stream_.feed(bytes, converted_);
    pass();
  }

  // With `into`, the output is kept there instead of being written (null: written again).
  void holdOutput(ts::ByteBuffer* into) { held_ = into; }

  void finish() {
    converted_.clear();
    if (html_)
      html_->finish(converted_);
    else
      stream_.finish(converted_);
    pass();
    if (caseStage_) {
      cased_.clear();
      caseStage_->finish(cased_);
      write(cased_);
    }
  }

 private:
  void write(const ts::ByteBuffer& b) {
    if (held_ != nullptr)
      held_->append(b.view());
    else
      out_.write(b);
  }

  void pass() {
    if (!caseStage_) {
      write(converted_);
      return;
    }
    cased_.clear();
    caseStage_->feed(converted_.view(), cased_);
    write(cased_);
  }

  ts::StreamConverter stream_;
  ts::FontMapState fonts_;
  std::unique_ptr<ts::HtmlConverter> html_;
  Output& out_;
  std::unique_ptr<ts::LetterCaseStream> caseStage_;
  ts::ByteBuffer converted_, cased_;
  ts::ByteBuffer* held_ = nullptr;
};

// Sorting: lines in dictionary order of their letters whatever their case, case breaking
// ties; equal lines keep their order.  Each line keeps its own end (LF or CRLF); a last line
// without one gets the end of the line before it.
void sortLines(std::string_view all, int source, std::uint32_t mode,
               const std::function<void(std::string_view)>& write) {
  struct Line {
    std::string_view text, end;
    std::string folded, key;
  };
  std::vector<Line> lines;
  ts::ConverterState keys, unwrap;
  std::string_view rest = all, lastEnd = "\n";
  while (!rest.empty()) {
    const std::size_t nl = rest.find('\n');
    std::string_view text = rest.substr(0, nl), end;
    if (nl != std::string_view::npos) {
      end = "\n";
      if (!text.empty() && text.back() == '\r') {
        text.remove_suffix(1);
        end = "\r\n";
      }
      lastEnd = end;
    } else {
      end = lastEnd;
    }
    // A carried text's key comes from the bytes its characters stand for.
    std::string own;
    if (ts::formLayers(static_cast<ts::CharsetForm>(source)) != 0) {
      ts::selectForms(
          unwrap, static_cast<ts::CharsetForm>(source),
          static_cast<std::uint32_t>(ts::formCharset(static_cast<ts::CharsetForm>(source))));
      own = ts::convert(unwrap, text);
    }
    Line line{text,
              end,
              {},
              ts::sortKey(keys,
                          static_cast<ts::CharsetCode>(
                              ts::formCharset(static_cast<ts::CharsetForm>(source))),
                          mode, own.empty() ? text : std::string_view(own))};
    line.folded = line.key;
    for (char& c : line.folded)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    lines.push_back(std::move(line));
    if (nl == std::string_view::npos) break;
    rest.remove_prefix(nl + 1);
  }
  std::stable_sort(lines.begin(), lines.end(), [](const Line& a, const Line& b) {
    if (a.folded != b.folded) return a.folded < b.folded;
    return a.key < b.key;
  });
  for (const Line& line : lines) {
    write(line.text);
    write(line.end);
  }
}

}  // namespace

// Reads the inputs one after the other in pieces: `begin(name)` as each opens, `piece(text)`
// for its bytes (false stops everything).  A file that cannot be opened or read is reported
// and skipped; returns 1 then, else 0.
int readInputs(const std::vector<const char*>& inputs,
               const std::function<void(const std::string&)>& begin,
               const std::function<bool(std::string_view)>& piece) {
  int status = 0;
  for (const char* input : inputs) {
    const bool standardInput = std::strcmp(input, "-") == 0;
    const std::string name = standardInput ? std::string(ts::platform::tr("standard input"))
                                           : std::string("'").append(input).append("'");
    const int fd = standardInput ? 0 : open(input, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
      std::fprintf(stderr, ts::platform::tr("%s: cannot open %s: %s\n"), g_program, name.c_str(),
                   std::strerror(errno));
      status = 1;
      continue;
    }
    begin(name);
    bool stopped = false;
    const bool read = ts::platform::readInPieces(fd, kChunk, [&](std::string_view text) {
      stopped = !piece(text);
      return !stopped;
    });
    const int e = errno;
    if (!standardInput) close(fd);
    if (stopped) break;
    if (!read) {
      std::fprintf(stderr, ts::platform::tr("%s: cannot read %s: %s\n"), g_program, name.c_str(),
                   std::strerror(e));
      status = 1;
    }
  }
  return status;
}

// The charsets --fix=LIST names (empty: all).
std::vector<int> fixCharsets(const char* list) {
  std::vector<int> codes;
  if (list == nullptr) return codes;
  std::string rest = list;
  for (std::size_t at = 0; at <= rest.size();) {
    std::size_t comma = rest.find(',', at);
    if (comma == std::string::npos) comma = rest.size();
    const std::string name = rest.substr(at, comma - at);
    const ts::CharsetForm form = ts::charsetFormByName(name);
    if (form == 0 || ts::formLayers(form) != 0)
      fail(2, tf("--fix takes charsets (tcvn3,vni,utf8), not '%s' (tsconv -l lists them)", name.c_str()));
    codes.push_back(ts::formCharset(form));
    at = comma + 1;
  }
  return codes;
}

// tsconv --fix: UTF-8 in, UTF-8 out, line by line; with `dryRun`, the changes listed instead.
int fixFiles(const std::vector<const char*>& inputs, const char* output, const char* charsets,
             bool dryRun) {
  Output::installSignalHandlers();
  Output out(dryRun ? "/dev/null" : output);
  if (!out.ok()) fail(1, out.error());
  const std::vector<int> codes = fixCharsets(charsets);
  ts::TextRepairer repairer(codes);
  if (dryRun)
    repairer.onChange([](const ts::TextRepairer::Change& c) {
      std::printf("%llu:%llu: %s -> %s (%s)\n", static_cast<unsigned long long>(c.line),
                  static_cast<unsigned long long>(c.column), c.before.c_str(), c.after.c_str(),
                  ts::formShortName(c.form).c_str());
    });
  std::string line, fixed;
  ts::ByteBuffer buffer;
  auto flush = [&](std::string_view text) {
    fixed.clear();
    repairer.repair(text, fixed);
    buffer.clear();
    buffer.append(fixed);
    out.write(buffer);
  };
  const int status = readInputs(
      inputs, [](const std::string&) {},
      [&](std::string_view piece) {
        // Whole lines go on; the last, unfinished one waits for the rest of it.
        const std::size_t nl = piece.rfind('\n');
        if (nl == std::string_view::npos) {
          line.append(piece);
          return out.ok();
        }
        line.append(piece.substr(0, nl + 1));
        flush(line);
        line.assign(piece.substr(nl + 1));
        return out.ok();
      });
  if (out.ok() && !line.empty()) flush(line);
  // An input that could not be read leaves the file of -o as it was.
  if (status != 0 && output != nullptr) {
    out.abandon();
    if (!dryRun) fail(1, ts::platform::formatted(ts::platform::tr("'%s' is left as it was"), output));
  }
  if (dryRun) {
    out.abandon();
  } else if (!out.commit()) {
    out.abandon();
    fail(1, out.error());
  }
  std::uint64_t total = 0;
  std::string what;
  for (const auto& [form, count] : repairer.repaired()) {
    total += count;
    what += (what.empty() ? "" : "; ") +
            ts::platform::formatted(ts::platform::tr("%llu as %s"), static_cast<unsigned long long>(count),
                ts::formName(form, ts::platform::tr).c_str());
  }
  if (total == 0)
    std::fprintf(stderr, ts::platform::tr("%s: nothing to repair\n"), g_program);
  else
    std::fprintf(stderr,
                 dryRun ? ts::platform::trn("%s: would repair %llu word: %s\n",
                                            "%s: would repair %llu words: %s\n", total)
                        : ts::platform::trn("%s: repaired %llu word: %s\n",
                                            "%s: repaired %llu words: %s\n", total),
                 g_program, static_cast<unsigned long long>(total), what.c_str());
  const ts::TextRepairer::Left& left = repairer.left();
  if (left.undecided != 0)
    std::fprintf(stderr,
                 ts::platform::trn("%s: left %llu word with U+FFFD where more than one letter "
                                   "could stand\n",
                                   "%s: left %llu words with U+FFFD where more than one letter "
                                   "could stand\n",
                                   left.undecided),
                 g_program, static_cast<unsigned long long>(left.undecided));
  if (left.unsure != 0)
    std::fprintf(stderr,
                 ts::platform::trn("%s: left %llu word that may be legacy text but does not "
                                   "read clearly as Vietnamese\n",
                                   "%s: left %llu words that may be legacy text but do not "
                                   "read clearly as Vietnamese\n",
                                   left.unsure),
                 g_program, static_cast<unsigned long long>(left.unsure));
  return status;
}

namespace {

// What the command line asks.
struct Options {
  const char* from = nullptr;
  const char* to = nullptr;
  const char* output = nullptr;
  bool list = false;
  int caseMode = 0;  // 1 upper, -1 lower
  std::uint32_t sortMode = 0;
  bool html = false, drop = false, translit = false, detect = false;
  bool strict = false, check = false, fix = false, dryRun = false;
  const char* fixList = nullptr;
  std::size_t detectBytes = 65536;
  std::vector<const char*> inputs;
};

std::size_t detectBytesOf(const char* text) {
  char* end = nullptr;
  errno = 0;
  const unsigned long long n = std::strtoull(text, &end, 10);
  if (errno != 0 || end == text || *end != 0 || n == 0 || text[0] == '-')
    usageError(tf("--detect-bytes takes a number of bytes above 0, not '%s'", text));
  return static_cast<std::size_t>(n);
}

// Reads the options into `o`; an exit status where they were all there is to do (--help,
// --version).
std::optional<int> parseOptions(int argc, char** argv, Options& o) {
  enum { kLower = 1000, kSortNames, kHtml, kTranslit, kDetect, kDetectBytes, kStrict, kCheck,
         kFix, kDryRun };
  static const ts::platform::CommandLine kCommandLine(
      "ftV", "o:lcusS",
      {{"output", required_argument, nullptr, 'o'},
       {"list", no_argument, nullptr, 'l'},
       {"upper", no_argument, nullptr, 'u'},
       {"lower", no_argument, nullptr, kLower},
       {"sort", no_argument, nullptr, 's'},
       {"sort-names", no_argument, nullptr, kSortNames},
       {"html", no_argument, nullptr, kHtml},
       {"translit", no_argument, nullptr, kTranslit},
       {"detect", no_argument, nullptr, kDetect},
       {"detect-bytes", required_argument, nullptr, kDetectBytes},
       {"strict", no_argument, nullptr, kStrict},
       {"check", no_argument, nullptr, kCheck},
       {"fix", optional_argument, nullptr, kFix},
       {"dry-run", no_argument, nullptr, kDryRun}});
  auto setCase = [&o](int mode) {
    if (o.caseMode != 0 && o.caseMode != mode)
      usageError(ts::platform::tr("--upper and --lower exclude each other"));
    o.caseMode = mode;
  };
  auto setSort = [&o](std::uint32_t mode) {
    if (o.sortMode != 0 && o.sortMode != mode)
      usageError(ts::platform::tr("--sort and --sort-names exclude each other"));
    o.sortMode = mode;
  };
  ts::platform::SharedOptions shared;
  const int first = kCommandLine.read(
      argc, argv, shared,
      [&](int c, const char* argument) {
        switch (c) {
          case 'o':
            if (o.output != nullptr && std::strcmp(o.output, argument) != 0)
              usageError(tf("%s is given twice", "-o"));
            o.output = argument;
            break;
          case 'l': o.list = true; break;
          case 'c': o.drop = true; break;
          case kTranslit: o.translit = true; break;
          case 'u': setCase(1); break;
          case kLower: setCase(-1); break;
          case 's': setSort(ts::kSortModeDictionary); break;
          case kSortNames: setSort(ts::kSortModeNames); break;
          case kHtml: o.html = true; break;
          case kDetect: o.detect = true; break;
          case kStrict: o.strict = true; break;
          case kCheck: o.check = true; break;
          case kFix:
            o.fix = true;
            o.fixList = argument;
            break;
          case kDryRun: o.dryRun = true; break;
          case kDetectBytes: o.detectBytes = detectBytesOf(argument); break;
        }
      },
      [](const std::string& why) { usageError(why); });
  if (shared.help) {
    usage(stdout);
    return 0;
  }
  if (shared.version) {
    std::printf("tsconv %s\n", ts::kVersion);
    return 0;
  }
  o.from = shared.from;
  o.to = shared.to;
  o.inputs.assign(argv + first, argv + argc);
  return std::nullopt;
}

// The modes other than a conversion (-l, --detect, --fix), run when asked; their status.
std::optional<int> runOtherMode(Options& o, bool namedInputs) {
  if (o.list) {
    if (o.from || o.to || o.output || o.caseMode || o.sortMode || o.html || namedInputs)
      usageError(ts::platform::tr("-l lists the charsets and takes nothing else"));
    listCharsets();
    return 0;
  }
  if (o.detect) {
    if (o.from || o.to || o.output || o.caseMode || o.sortMode || o.html || o.drop ||
        o.translit || o.strict || o.check || o.fix)
      usageError(ts::platform::tr("--detect names the charsets of the files and takes no other option"));
    return detectFiles(o.inputs, o.detectBytes);
  }
  if (o.fix) {
    if (o.from || o.to || o.caseMode || o.sortMode || o.html || o.drop || o.translit || o.strict)
      usageError(ts::platform::tr("--fix repairs UTF-8 as UTF-8 and takes no option but -o and --dry-run"));
    if ((o.dryRun || o.check) && o.output)
      usageError(ts::platform::tr("--dry-run writes nothing: it does not go with -o"));
    return fixFiles(o.inputs, o.output, o.fixList, o.dryRun || o.check);
  }
  return std::nullopt;
}

// The options of a conversion that exclude each other.
void checkConversion(const Options& o) {
  if (o.dryRun)
    usageError(ts::platform::tr("--dry-run goes with --fix; --check shows what a conversion loses"));
  if (o.check && o.output)
    usageError(ts::platform::tr("--check writes nothing: it does not go with -o"));
  if (o.strict && (o.drop || o.translit))
    usageError(ts::platform::tr(
        "--strict fails where -c drops and --translit writes a close form: choose one"));
  if (o.html && (o.caseMode != 0 || o.sortMode != 0))
    usageError(ts::platform::tr(
        "--html converts a page as it is: it does not go with --upper, --lower or --sort"));
}

// One conversion of the inputs: read as they come (the start held while -f auto guesses), the
// losses counted, written through the pipeline (or held whole to be sorted, or line by line
// where --strict must stop before the first character the destination cannot write).
class Conversion {
 public:
  explicit Conversion(Options& o)
      : o_(o),
        guess_(o.from != nullptr && ts::normalizedName(o.from) == "auto"),
        source_(guess_ ? 0 : static_cast<int>(resolve("-f", o.from, false).form)),
        dest_(resolve("-t", o.to, true)),
        destination_(static_cast<int>(dest_.form)),
        destinationCode_(ts::formCharset(dest_.form)),
        destinationName_("\"" + ts::formName(dest_.form, ts::platform::tr) + "\""),
        state_(ts::kLibraryOptions),
        guessing_(guess_) {
    o_.drop = o_.drop || dest_.ignore;
    o_.translit = o_.translit || dest_.translit;
    if (o_.strict && (o_.drop || o_.translit))
      usageError(ts::platform::tr(
          "--strict fails where //IGNORE drops and //TRANSLIT writes a close form: choose one"));
    if (guess_ && !ts::hasLetterTable(destinationCode_))
      fail(2, tf("charset %s has no letter table and cannot be converted to",
                 describe(destination_).c_str()));
    if (!guess_) select();
    // UTF-8 input to a legacy charset: characters that are no Vietnamese letter have no code.
    // A single-byte output never holds UTF-8: they are written in a close form unless -c
    // drops them or --strict stops at the first.
    foreign_.action = o_.drop || o_.strict ? ts::ForeignCharacters::Action::kDrop
                                           : ts::ForeignCharacters::Action::kTransliterate;
    state_.watchForeign(&foreign_);
    Output::installSignalHandlers();
    out_ = std::make_unique<Output>(o_.check ? "/dev/null" : o_.output);
    if (!out_->ok()) fail(1, out_->error());
    pipeline_ =
        std::make_unique<Pipeline>(state_, *out_, o_.caseMode, destinationCode_, o_.html);
  }

  int run() {
    int status = readInputs(
        o_.inputs, [&](const std::string& name) { starts_.push_back({streamed_, name}); },
        [&](std::string_view piece) {
          take(piece);
          return out_->ok();
        });
    if (guessing_ && out_->ok()) decide();
    // An input that could not be read leaves the file of -o as it was.
    if (status != 0 && o_.output != nullptr && !o_.check) {
      out_->abandon();
      fail(1, ts::platform::formatted(ts::platform::tr("'%s' is left as it was"), o_.output));
    }
    if (losses_) losses_->finish();
    if (o_.check) {
      out_->abandon();
      if (losses_) reportLosses(*losses_, destinationName_);
      return status == 0 && losses_ && !losses_->losses().empty() ? 1 : status;
    }
    finishOutput();
    if (losses_) reportLosses(*losses_, destinationName_);
    return status;
  }

 private:
  void select() {
    if (ts::selectForms(state_, static_cast<std::uint32_t>(source_),
                        static_cast<std::uint32_t>(destination_))) {
      losses_ = std::make_unique<ts::LossCounter>(static_cast<ts::CharsetForm>(source_),
                                                  dest_.form, o_.drop);
      return;
    }
    const int code = ts::formCharset(static_cast<ts::CharsetForm>(source_));
    const int bad = ts::hasLetterTable(ts::readableSource(code)) ? destination_ : source_;
    fail(2, bad == source_
                ? tf("charset %s has no letter table and cannot be converted from", describe(bad).c_str())
                : tf("charset %s has no letter table and cannot be converted to", describe(bad).c_str()));
  }

  void checkStrict() {
    if (!o_.strict || foreign_.count == 0) return;
    const ts::ForeignCharacters::Seen& first = foreign_.first.front();
    const std::string character = codePointText(first.codePoint) + " '" + utf8Of(first.codePoint) + "'";
    fail(1, o_.sortMode == 0 && !o_.html
                ? tf("cannot convert %s %s to %s", character.c_str(),
                     placeOf(first.offset, starts_).c_str(), destinationName_.c_str())
                : tf("cannot convert %s to %s", character.c_str(), destinationName_.c_str()));
  }

  // --strict: the output ends just before the first character the destination cannot write,
  // as iconv's does.  Whole lines go through, their output held until they are clean; lines
  // that are not go through again one at a time from a fresh converter, and the line that
  // fails gives the output of its start alone.
  void flushClean() {
    out_->write(cleanOutput_);
    cleanOutput_.clear();
  }
  void freshState(ts::ConverterState& st, ts::ForeignCharacters& f) const {
    ts::selectForms(st, static_cast<std::uint32_t>(source_),
                    static_cast<std::uint32_t>(destination_));
    f.action = ts::ForeignCharacters::Action::kDrop;
    st.watchForeign(&f);
  }
  void failInLine(std::string_view line) {
    flushClean();
    if (o_.output == nullptr) {  // a file of -o is left as it was
      ts::ConverterState st(ts::kLibraryOptions);
      ts::ForeignCharacters f;
      freshState(st, f);
      Pipeline start(st, *out_, o_.caseMode, destinationCode_, false);
      start.feed(line.substr(0, firstUnwritable(source_, destination_, line)));
      start.finish();
      out_->commit();
    }
    out_->abandon();
    checkStrict();
  }
  void strictFeed(std::string_view lines) {
    const std::uint64_t seen = foreign_.count;
    const std::size_t before = cleanOutput_.size();
    pipeline_->holdOutput(&cleanOutput_);
    pipeline_->feed(lines);
    pipeline_->holdOutput(nullptr);
    if (foreign_.count == seen) {
      if (cleanOutput_.size() >= kChunk) flushClean();
      return;
    }
    cleanOutput_.truncate(before);
    ts::ConverterState st(ts::kLibraryOptions);
    ts::ForeignCharacters f;
    freshState(st, f);
    Pipeline again(st, *out_, o_.caseMode, destinationCode_, false);
    for (std::size_t at = 0; at < lines.size();) {
      const std::size_t nl = lines.find('\n', at);
      const std::size_t end = nl == std::string_view::npos ? lines.size() : nl + 1;
      const std::string_view line = lines.substr(at, end - at);
      const std::size_t held = cleanOutput_.size();
      again.holdOutput(&cleanOutput_);
      again.feed(line);
      if (f.count != 0) {
        cleanOutput_.truncate(held);
        failInLine(line);
      }
      at = end;
    }
  }

  void pass(std::string_view piece) {
    if (losses_) losses_->feed(piece);
    if (o_.check) return;
    if (o_.sortMode != 0) {
      all_.append(piece);
    } else if (o_.strict && !o_.html) {
      strictLine_.append(piece);
      const std::size_t nl = strictLine_.rfind('\n');
      if (nl != std::string::npos) {
        strictFeed(std::string_view(strictLine_).substr(0, nl + 1));
        strictLine_.erase(0, nl + 1);
      }
    } else {
      pipeline_->feed(piece);
      if (o_.strict && foreign_.count != 0) {
        out_->abandon();
        checkStrict();
      }
    }
  }

  // -f auto: the start of the input is held until the guess is made from it.
  void decide() {
    guessing_ = false;
    const ts::Detection d = ts::detectCharset(
        std::string_view(head_).substr(0, std::min(head_.size(), o_.detectBytes)));
    if (d.noVietnameseLetters) {
      source_ = ts::kTcvn3;
      std::fprintf(stderr,
                   ts::platform::tr("%s: no Vietnamese letters: every charset reads the text the same\n"),
                   g_program);
    } else if (d.guesses.empty() || d.guesses.front().confidence < ts::kConfidentGuess) {
      out_->abandon();
      fail(2, ts::platform::formatted(ts::platform::tr("cannot tell the charset of the input; the candidates: %s (name it "
                        "with -f)"),
                     guessList(d).c_str()));
    } else {
      source_ = d.guesses.front().codes.front();
      std::fprintf(stderr, ts::platform::tr("%s: reading the input as %s (%s)\n"), g_program,
                   describe(source_).c_str(), percent(d.guesses.front().confidence).c_str());
    }
    select();
    pass(head_);
    head_.clear();
    head_.shrink_to_fit();
  }

  // A filter converts what it is given, but not silently where the input reads as good
  // Unicode rather than as the legacy charset named.
  void lookAtStart(std::string_view piece) {
    looked_ = true;
    const auto form = static_cast<ts::CharsetForm>(source_);
    if (ts::formLayers(form) != 0 || ts::formCharset(form) >= ts::kDecimalEsc) return;
    if (ts::readsAsGoodUnicode(ts::wholeCharacters(piece.substr(0, 64 * 1024))))
      std::fprintf(stderr,
                   ts::platform::tr("%s: the input reads as UTF-8 (good Unicode), not as %s; converting it "
                       "as asked\n"),
                   g_program, describe(source_).c_str());
  }

  void take(std::string_view piece) {
    streamed_ += piece.size();
    if (!guessing_) {
      if (!looked_) lookAtStart(piece);
      pass(piece);
      return;
    }
    head_.append(piece);
    if (head_.size() >= o_.detectBytes) decide();
  }

  // What is held (sorted lines, a --strict line) goes out, then the file is committed.
  void finishOutput() {
    if (o_.sortMode != 0 && out_->ok())
      sortLines(all_.view(), source_, o_.sortMode,
                [&](std::string_view t) { pipeline_->feed(t); });
    if (out_->ok() && !strictLine_.empty()) strictFeed(strictLine_);
    if (out_->ok() && !cleanOutput_.empty()) flushClean();
    if (out_->ok()) pipeline_->finish();
    if (out_->ok() && o_.strict && foreign_.count != 0) {
      out_->abandon();
      checkStrict();
    }
    if (!out_->commit()) {
      out_->abandon();
      fail(1, out_->error());
    }
  }

  Options& o_;
  const bool guess_;
  int source_;
  const CharsetArgument dest_;
  const int destination_, destinationCode_;
  const std::string destinationName_;
  ts::ConverterState state_;
  std::unique_ptr<ts::LossCounter> losses_;
  ts::ForeignCharacters foreign_;
  std::vector<InputStart> starts_;
  std::uint64_t streamed_ = 0;
  std::unique_ptr<Output> out_;
  std::unique_ptr<Pipeline> pipeline_;
  ts::ByteBuffer all_;        // the whole input, when it is sorted
  std::string strictLine_;    // --strict: the line under way
  ts::ByteBuffer cleanOutput_;  // --strict: the output of the clean lines, written in blocks
  std::string head_;          // -f auto: the start the guess is made from
  bool guessing_;
  bool looked_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  ts::platform::initMessages();
  Options options;
  if (const std::optional<int> done = parseOptions(argc, argv, options)) return *done;
  const bool namedInputs = !options.inputs.empty();
  if (options.inputs.empty()) options.inputs.push_back("-");
  if (const std::optional<int> status = runOtherMode(options, namedInputs)) return *status;
  checkConversion(options);
  return Conversion(options).run();
}
