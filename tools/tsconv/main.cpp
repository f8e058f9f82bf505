// tsconv: converts a stream of Vietnamese text between two charsets of the catalogue.
//
//   tsconv -f FROM -t TO [-o OUT] [--upper|--lower] [--sort|--sort-names] [FILE...]
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
#include <string>
#include <vector>

#include "output.hpp"
#include "ts/byte_buffer.hpp"
#include "ts/catalogue.hpp"
#include "ts/converter.hpp"
#include "ts/detect.hpp"
#include "ts/fonts.hpp"
#include "ts/html.hpp"
#include "ts/letter_case.hpp"
#include "ts/platform/files.hpp"
#include "ts/platform/options.hpp"
#include "ts/stream.hpp"
#include "ts/text_utils.hpp"
#include "ts/unicode.hpp"
#include "ts/utf.hpp"
#include "ts/version.hpp"

namespace {

using tsconv::Output;

constexpr std::size_t kChunk = 256 * 1024;

const char* g_program = "tsconv";

[[noreturn]] void fail(int status, const std::string& message) {
  std::fprintf(stderr, "%s: %s\n", g_program, message.c_str());
  std::exit(status);
}

[[noreturn]] void usageError(const std::string& message) {
  fail(2, message + " (tsconv --help lists the options)");
}

void usage(std::FILE* to) {
  std::fprintf(to,
               "Usage: tsconv -f FROM -t TO [-o OUT] [OPTION...] [FILE...]\n"
               "       tsconv -l\n"
               "Converts Vietnamese text between two charsets of the catalogue.\n"
               "\n"
               "  -f, --from=CHARSET    charset of the input\n"
               "  -t, --to=CHARSET      charset of the output; //IGNORE or //TRANSLIT after it\n"
               "                        as -c or --translit\n"
               "  -o, --output=FILE     write to FILE; a regular file is replaced only when the\n"
               "                        whole conversion succeeds\n"
               "  -c                    drop characters the output charset cannot write\n"
               "      --detect          name the likely charsets of each FILE, best first\n"
               "      --detect-bytes=N  guess from the first N bytes (65536)\n"
               "      --translit        write them in a close form (- for \xE2\x80\x93, EUR for "
               "\xE2\x82\xAC)\n"
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
               "utf-8, ncr, cp1258.  -f auto guesses the charset of the input and refuses when\n"
               "it cannot tell.  With no FILE, or when FILE is -, standard input is read.\n"
               "A file that cannot be read is reported and skipped; the exit status is then 1.\n");
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
}

// A charset argument: the name, and for the destination the suffixes iconv takes.
struct CharsetArgument {
  int code = 0;
  bool ignore = false;
  bool translit = false;
};

CharsetArgument resolve(const char* option, const char* text, bool suffixes) {
  if (text == nullptr) usageError(std::string("missing ") + option + " CHARSET");
  std::string name = text;
  CharsetArgument arg;
  for (std::size_t at = name.find("//"); suffixes && at != std::string::npos;
       at = name.find("//")) {
    std::string rest = name.substr(at + 2);
    const std::size_t next = rest.find("//");
    const std::string suffix = ts::normalizedName(rest.substr(0, next));
    if (suffix == "ignore")
      arg.ignore = true;
    else if (suffix == "translit")
      arg.translit = true;
    else if (!suffix.empty())
      usageError("unknown suffix '//" + rest.substr(0, next) + "' (//IGNORE, //TRANSLIT)");
    name.erase(at, next == std::string::npos ? std::string::npos : next + 2);
  }
  arg.code = ts::charsetByName(name);
  if (arg.code == 0)
    fail(2, std::string("unknown charset '") + text + "' (tsconv -l lists the charsets)");
  return arg;
}

// Where the inputs start in the stream, to name the place of a character.
struct InputStart {
  std::uint64_t offset;
  std::string name;
};

// What tsconv says of the characters it copied as UTF-8 bytes.  Places are given when the
// stream is the inputs one after the other (not sorted, not read as HTML words).
std::string describeForeign(const ts::ForeignCharacters& seen, std::string_view destination,
                            const std::vector<InputStart>* inputs) {
  const bool one = seen.count == 1;
  std::string text = std::to_string(seen.count) + (one ? " character" : " characters") +
                     " that \"" + std::string(destination) + "\" cannot write " +
                     (one ? "was" : "were") + " copied as UTF-8 bytes:";
  for (const ts::ForeignCharacters::Seen& c : seen.first) {
    char cp[16];
    std::snprintf(cp, sizeof cp, "U+%04X", static_cast<unsigned>(c.codePoint));
    std::uint8_t utf8[4];
    const int len = ts::encodeUtf8(c.codePoint, utf8);
    text += std::string(" ") + cp + " '" +
            std::string(reinterpret_cast<const char*>(utf8), static_cast<std::size_t>(len)) + "'";
    if (inputs != nullptr) {
      auto in = inputs->begin();
      for (auto next = in; next != inputs->end() && next->offset <= c.offset; ++next) in = next;
      if (in != inputs->end())
        text += " at byte " + std::to_string(c.offset - in->offset) + " of " + in->name;
    }
    text += ",";
  }
  if (seen.count > seen.first.size()) text += " ...,";
  text.back() = ';';
  text += " -c drops them, //TRANSLIT after the charset writes close forms";
  return text;
}

std::string describe(int code) {
  return std::to_string(code) + " \"" + std::string(ts::charsetName(code)) + "\"";
}

std::string percent(double confidence) {
  return std::to_string(static_cast<int>(confidence * 100 + 0.5)) + "%";
}

// The charsets of one guess: at most four named, then how many more.
std::string guessNames(const ts::CharsetGuess& guess) {
  std::string names;
  for (std::size_t i = 0; i < guess.codes.size() && i < 4; ++i)
    names += (i == 0 ? "" : ", ") + describe(guess.codes[i]);
  if (guess.codes.size() > 4) names += " and " + std::to_string(guess.codes.size() - 4) + " more";
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
      std::fprintf(stderr, "%s: cannot read '%s': %s\n", g_program, name.c_str(), std::strerror(e));
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
      out_.write(cased_);
    }
  }

 private:
  void pass() {
    if (!caseStage_) {
      out_.write(converted_);
      return;
    }
    cased_.clear();
    caseStage_->feed(converted_.view(), cased_);
    out_.write(cased_);
  }

  ts::StreamConverter stream_;
  ts::FontMapState fonts_;
  std::unique_ptr<ts::HtmlConverter> html_;
  Output& out_;
  std::unique_ptr<ts::LetterCaseStream> caseStage_;
  ts::ByteBuffer converted_, cased_;
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
  ts::ConverterState keys;
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
    Line line{text, end, {}, ts::sortKey(keys, static_cast<ts::CharsetCode>(source), mode, text)};
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

int main(int argc, char** argv) {
  const char* from = nullptr;
  const char* to = nullptr;
  const char* output = nullptr;
  bool list = false;
  int caseMode = 0;  // 1 upper, -1 lower
  std::uint32_t sortMode = 0;
  bool html = false, drop = false, translit = false, detect = false;
  std::size_t detectBytes = 65536;
  enum { kLower = 1000, kSortNames, kHtml, kTranslit, kDetect, kDetectBytes };
  static const char kShortOptions[] = "f:t:o:lcusShV";
  static const option kOptions[] = {{"from", required_argument, nullptr, 'f'},
                                    {"to", required_argument, nullptr, 't'},
                                    {"output", required_argument, nullptr, 'o'},
                                    {"list", no_argument, nullptr, 'l'},
                                    {"upper", no_argument, nullptr, 'u'},
                                    {"lower", no_argument, nullptr, kLower},
                                    {"sort", no_argument, nullptr, 's'},
                                    {"sort-names", no_argument, nullptr, kSortNames},
                                    {"html", no_argument, nullptr, kHtml},
                                    {"translit", no_argument, nullptr, kTranslit},
                                    {"detect", no_argument, nullptr, kDetect},
                                    {"detect-bytes", required_argument, nullptr, kDetectBytes},
                                    {"help", no_argument, nullptr, 'h'},
                                    {"version", no_argument, nullptr, 'V'},
                                    {nullptr, 0, nullptr, 0}};
  auto once = [](const char*& slot, const char* value, const char* option) {
    if (slot != nullptr && std::strcmp(slot, value) != 0)
      usageError(std::string(option) + " is given twice");
    slot = value;
  };
  auto setCase = [&caseMode](int mode) {
    if (caseMode != 0 && caseMode != mode) usageError("--upper and --lower exclude each other");
    caseMode = mode;
  };
  auto setSort = [&sortMode](std::uint32_t mode) {
    if (sortMode != 0 && sortMode != mode) usageError("--sort and --sort-names exclude each other");
    sortMode = mode;
  };
  opterr = 0;
  for (;;) {
    const int c = getopt_long(argc, argv, kShortOptions, kOptions, nullptr);
    if (c == -1) break;
    switch (c) {
      case 'f': once(from, optarg, "-f"); break;
      case 't': once(to, optarg, "-t"); break;
      case 'o': once(output, optarg, "-o"); break;
      case 'l': list = true; break;
      case 'c': drop = true; break;
      case kTranslit: translit = true; break;
      case 'u': setCase(1); break;
      case kLower: setCase(-1); break;
      case 's': setSort(ts::kSortModeDictionary); break;
      case kSortNames: setSort(ts::kSortModeNames); break;
      case kHtml: html = true; break;
      case kDetect: detect = true; break;
      case kDetectBytes: {
        char* end = nullptr;
        errno = 0;
        const unsigned long long n = std::strtoull(optarg, &end, 10);
        if (errno != 0 || end == optarg || *end != 0 || n == 0 || optarg[0] == '-')
          usageError(std::string("--detect-bytes takes a number of bytes above 0, not '") + optarg +
                     "'");
        detectBytes = static_cast<std::size_t>(n);
        break;
      }
      case 'h': usage(stdout); return 0;
      case 'V': std::printf("tsconv %s\n", ts::kVersion); return 0;
      default:
        usageError(ts::platform::optionError(argv, kShortOptions, kOptions));
    }
  }
  if (list) {
    if (from || to || output || caseMode || sortMode || html || optind < argc)
      usageError("-l lists the charsets and takes nothing else");
    listCharsets();
    return 0;
  }
  std::vector<const char*> inputs(argv + optind, argv + argc);
  if (inputs.empty()) inputs.push_back("-");
  if (detect) {
    if (from || to || output || caseMode || sortMode || html || drop || translit)
      usageError("--detect names the charsets of the files and takes no other option");
    return detectFiles(inputs, detectBytes);
  }
  if (html && (caseMode != 0 || sortMode != 0))
    usageError("--html converts a page as it is: it does not go with --upper, --lower or --sort");
  const bool guess = from != nullptr && ts::normalizedName(from) == "auto";
  int source = guess ? 0 : resolve("-f", from, false).code;
  const CharsetArgument dest = resolve("-t", to, true);
  const int destination = dest.code;
  drop = drop || dest.ignore;
  translit = translit || dest.translit;

  ts::ConverterState state(ts::kLibraryOptions);
  auto select = [&] {
    if (ts::selectPair(state, static_cast<std::uint32_t>(source),
                       static_cast<std::uint32_t>(destination)))
      return;
    const int bad = ts::hasLetterTable(ts::readableSource(source)) ? destination : source;
    fail(2, "charset " + describe(bad) + " has no letter table and cannot be converted " +
                (bad == source ? "from" : "to"));
  };
  if (guess && !ts::hasLetterTable(destination))
    fail(2, "charset " + describe(destination) + " has no letter table and cannot be converted to");
  if (!guess) select();
  // UTF-8 input to a legacy charset: characters that are no Vietnamese letter have no code.
  ts::ForeignCharacters foreign;
  foreign.action = translit ? ts::ForeignCharacters::Action::kTransliterate
                   : drop   ? ts::ForeignCharacters::Action::kDrop
                            : ts::ForeignCharacters::Action::kCopy;
  state.watchForeign(&foreign);
  std::vector<InputStart> starts;
  std::uint64_t streamed = 0;

  Output::installSignalHandlers();
  Output out(output);
  if (!out.ok()) fail(1, out.error());
  Pipeline pipeline(state, out, caseMode, destination, html);
  ts::ByteBuffer all;  // the whole input, when it is sorted
  auto pass = [&](std::string_view piece) {
    if (sortMode != 0)
      all.append(piece);
    else
      pipeline.feed(piece);
  };
  // -f auto: the start of the input is held until the guess is made from it.
  std::string head;
  bool guessing = guess;
  auto decide = [&] {
    guessing = false;
    const ts::Detection d =
        ts::detectCharset(std::string_view(head).substr(0, std::min(head.size(), detectBytes)));
    if (d.noVietnameseLetters) {
      source = ts::kTcvn3;
      std::fprintf(stderr, "%s: no Vietnamese letters: every charset reads the text the same\n",
                   g_program);
    } else if (d.guesses.empty() || d.guesses.front().confidence < ts::kConfidentGuess) {
      out.abandon();
      fail(2, "cannot tell the charset of the input; the candidates: " + guessList(d) +
                  " (name it with -f)");
    } else {
      source = d.guesses.front().codes.front();
      std::fprintf(stderr, "%s: reading the input as %s (%s)\n", g_program,
                   describe(source).c_str(), percent(d.guesses.front().confidence).c_str());
    }
    select();
    pass(head);
    head.clear();
    head.shrink_to_fit();
  };
  auto take = [&](std::string_view piece) {
    streamed += piece.size();
    if (!guessing) {
      pass(piece);
      return;
    }
    head.append(piece);
    if (head.size() >= detectBytes) decide();
  };
  int status = 0;
  for (const char* input : inputs) {
    const bool standardInput = std::strcmp(input, "-") == 0;
    const std::string name = standardInput ? "standard input" : "'" + std::string(input) + "'";
    const int fd = standardInput ? 0 : open(input, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
      std::fprintf(stderr, "%s: cannot open %s: %s\n", g_program, name.c_str(),
                   std::strerror(errno));
      status = 1;
      continue;
    }
    starts.push_back({streamed, name});
    const bool read = ts::platform::readInPieces(fd, kChunk, [&](std::string_view piece) {
      take(piece);
      return out.ok();
    });
    const int e = errno;
    if (!standardInput) close(fd);
    if (!out.ok()) break;
    if (!read) {
      std::fprintf(stderr, "%s: cannot read %s: %s\n", g_program, name.c_str(), std::strerror(e));
      status = 1;
    }
  }
  if (guessing && out.ok()) decide();
  if (sortMode != 0 && out.ok())
    sortLines(all.view(), source, sortMode, [&](std::string_view t) { pipeline.feed(t); });
  if (out.ok()) pipeline.finish();
  if (!out.commit()) {
    out.abandon();
    fail(1, out.error());
  }
  if (foreign.count != 0 && !drop && !translit)
    std::fprintf(stderr, "%s: %s\n", g_program,
                 describeForeign(foreign, ts::charsetName(destination),
                                 sortMode == 0 && !html ? &starts : nullptr)
                     .c_str());
  return status;
}
