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
#include <memory>
#include <string>
#include <vector>

#include "ts/byte_buffer.hpp"
#include "ts/catalogue.hpp"
#include "ts/converter.hpp"
#include "ts/fonts.hpp"
#include "ts/html.hpp"
#include "ts/letter_case.hpp"
#include "ts/stream.hpp"
#include "ts/text_utils.hpp"
#include "ts/version.hpp"

namespace {

constexpr std::size_t kChunk = 256 * 1024;

const char* g_program = "tsconv";

[[noreturn]] void fail(int status, const std::string& message) {
  std::fprintf(stderr, "%s: %s\n", g_program, message.c_str());
  std::exit(status);
}

void usage(std::FILE* to) {
  std::fprintf(to,
               "Usage: tsconv -f FROM -t TO [-o OUT] [OPTION...] [FILE...]\n"
               "       tsconv -l\n"
               "Converts Vietnamese text between two charsets of the catalogue.\n"
               "\n"
               "  -f, --from=CHARSET    charset of the input\n"
               "  -t, --to=CHARSET      charset of the output\n"
               "  -o, --output=FILE     write to FILE; it is replaced only when the whole\n"
               "                        conversion succeeds\n"
               "  -u, --upper           write the letters as capitals\n"
               "      --lower           write the letters in lower case\n"
               "  -s, --sort            sort the lines in Vietnamese dictionary order\n"
               "      --sort-names      sort the lines as personal names (last word first)\n"
               "      --html            convert an HTML page: the text of words, entities,\n"
               "                        font names and the charset declaration in tags\n"
               "  -l, --list            list the charsets\n"
               "  -h, --help            show this help\n"
               "  -V, --version         show the version\n"
               "\n"
               "CHARSET is a code (15), a catalogue name (\"TCVN3 - ABC\"; case, blanks and\n"
               "hyphens are ignored) or a short name: tcvn3, abc, vni, viscii, viqr, vps,\n"
               "utf-8, ncr.  With no FILE, or when FILE is -, standard input is read.\n");
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

int resolve(const char* option, const char* name) {
  if (name == nullptr)
    fail(2, std::string("missing ") + option + " CHARSET (tsconv -l lists the charsets)");
  const int code = ts::charsetByName(name);
  if (code == 0)
    fail(2, std::string("unknown charset '") + name + "' (tsconv -l lists the charsets)");
  return code;
}

std::string describe(int code) {
  return std::to_string(code) + " \"" + std::string(ts::charsetName(code)) + "\"";
}

// The output: standard output, or a temporary file beside OUT renamed onto it at the end.
class Output {
 public:
  explicit Output(const char* path) {
    if (path == nullptr) return;
    path_ = path;
    tmp_ = path_ + ".tsconv-XXXXXX";
    fd_ = mkstemp(tmp_.data());
    if (fd_ < 0) fail(1, "cannot create a file beside '" + path_ + "': " + std::strerror(errno));
    s_tmp = tmp_.c_str();
    struct stat st;
    mode_t mode;
    if (stat(path, &st) == 0) {
      mode = st.st_mode & 07777;
    } else {
      const mode_t mask = umask(0);
      umask(mask);
      mode = 0666 & ~mask;
    }
    fchmod(fd_, mode);
  }

  void write(const ts::ByteBuffer& b) {
    const std::uint8_t* p = b.data();
    std::size_t n = b.size();
    while (n > 0) {
      const ssize_t w = ::write(fd_, p, n);
      if (w < 0) {
        if (errno == EINTR) continue;
        abandon();
        fail(1, "cannot write " + name() + ": " + std::strerror(errno));
      }
      p += w;
      n -= static_cast<std::size_t>(w);
    }
  }

  void commit() {
    if (path_.empty()) return;
    if (close(fd_) != 0) {
      fd_ = -1;
      abandon();
      fail(1, "cannot write " + name() + ": " + std::strerror(errno));
    }
    fd_ = -1;
    if (rename(tmp_.c_str(), path_.c_str()) != 0) {
      abandon();
      fail(1, "cannot replace '" + path_ + "': " + std::strerror(errno));
    }
    s_tmp = nullptr;
  }

  // Leaves no partial file behind.
  void abandon() {
    if (path_.empty()) return;
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
    unlink(tmp_.c_str());
    s_tmp = nullptr;
  }

  static void onSignal(int sig) {
    if (s_tmp != nullptr) unlink(s_tmp);
    signal(sig, SIG_DFL);
    raise(sig);
  }

 private:
  std::string name() const { return path_.empty() ? "standard output" : "'" + path_ + "'"; }

  std::string path_;
  std::string tmp_;
  int fd_ = 1;
  static inline const char* volatile s_tmp = nullptr;
};

// The converted text on its way out, through the letter-case stage when one is asked for.
class Pipeline {
 public:
  Pipeline(ts::ConverterState& state, Output& out, int caseMode, int destination, bool html)
      : stream_(state), out_(out) {
    if (caseMode != 0)
      caseStage_ = std::make_unique<ts::LetterCaseStream>(destination, caseMode > 0);
    if (html) html_ = std::make_unique<ts::HtmlConverter>(state, fonts_);
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

}  // namespace

int main(int argc, char** argv) {
  const char* from = nullptr;
  const char* to = nullptr;
  const char* output = nullptr;
  bool list = false;
  int caseMode = 0;  // 1 upper, -1 lower
  std::uint32_t sortMode = 0;
  bool html = false;
  enum { kLower = 1000, kSortNames, kHtml };
  static const option kOptions[] = {
      {"from", required_argument, nullptr, 'f'},   {"to", required_argument, nullptr, 't'},
      {"output", required_argument, nullptr, 'o'}, {"list", no_argument, nullptr, 'l'},
      {"upper", no_argument, nullptr, 'u'},        {"lower", no_argument, nullptr, kLower},
      {"sort", no_argument, nullptr, 's'},         {"sort-names", no_argument, nullptr, kSortNames},
      {"html", no_argument, nullptr, kHtml},       {"help", no_argument, nullptr, 'h'},
      {"version", no_argument, nullptr, 'V'},      {nullptr, 0, nullptr, 0}};
  opterr = 0;
  for (;;) {
    const int c = getopt_long(argc, argv, "f:t:o:lusShV", kOptions, nullptr);
    if (c == -1) break;
    switch (c) {
      case 'f': from = optarg; break;
      case 't': to = optarg; break;
      case 'o': output = optarg; break;
      case 'l': list = true; break;
      case 'u': caseMode = 1; break;
      case kLower: caseMode = -1; break;
      case 's': sortMode = ts::kSortModeDictionary; break;
      case kSortNames: sortMode = ts::kSortModeNames; break;
      case kHtml: html = true; break;
      case 'h': usage(stdout); return 0;
      case 'V': std::printf("tsconv %s\n", ts::kVersion); return 0;
      default: {
        const std::string bad = optopt != 0 ? std::string("-") + static_cast<char>(optopt)
                                            : std::string(argv[optind - 1]);
        std::fprintf(
            stderr, "%s: %s '%s'\n", g_program,
            (optopt != 0 && std::strchr("fto", optopt)) ? "missing argument of" : "unknown option",
            bad.c_str());
        usage(stderr);
        return 2;
      }
    }
  }
  if (list) {
    listCharsets();
    return 0;
  }
  if (html && (caseMode != 0 || sortMode != 0))
    fail(2, "--html converts a page as it is: it does not go with --upper, --lower or --sort");
  const int source = resolve("-f", from);
  const int destination = resolve("-t", to);

  ts::ConverterState state(ts::kLibraryOptions);
  if (!ts::selectPair(state, static_cast<std::uint32_t>(source),
                      static_cast<std::uint32_t>(destination))) {
    const int bad = ts::hasLetterTable(ts::readableSource(source)) ? destination : source;
    fail(2, "charset " + describe(bad) + " has no letter table and cannot be converted " +
                (bad == source ? "from" : "to"));
  }

  std::vector<const char*> inputs(argv + optind, argv + argc);
  if (inputs.empty()) inputs.push_back("-");

  signal(SIGINT, Output::onSignal);
  signal(SIGTERM, Output::onSignal);
  signal(SIGHUP, Output::onSignal);
  Output out(output);
  Pipeline pipeline(state, out, caseMode, state.destination(), html);
  ts::ByteBuffer all;  // the whole input, when it is sorted
  std::vector<char> buffer(kChunk);
  for (const char* input : inputs) {
    const bool standardInput = std::strcmp(input, "-") == 0;
    const std::string name = standardInput ? "standard input" : "'" + std::string(input) + "'";
    const int fd = standardInput ? 0 : open(input, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
      const int e = errno;
      out.abandon();
      fail(1, "cannot open " + name + ": " + std::strerror(e));
    }
    for (;;) {
      const ssize_t n = read(fd, buffer.data(), buffer.size());
      if (n < 0) {
        if (errno == EINTR) continue;
        const int e = errno;
        out.abandon();
        fail(1, "cannot read " + name + ": " + std::strerror(e));
      }
      if (n == 0) break;
      const std::string_view piece(buffer.data(), static_cast<std::size_t>(n));
      if (sortMode != 0)
        all.append(piece);
      else
        pipeline.feed(piece);
    }
    if (!standardInput) close(fd);
  }
  if (sortMode != 0) {
    // Lines in the order of their sort keys in the source charset; equal keys keep their
    // order.  Every line ends with a line feed.
    struct Line {
      std::string_view text;
      std::string key;
    };
    std::vector<Line> lines;
    std::string_view rest = all.view();
    ts::ConverterState keys;
    while (!rest.empty()) {
      const std::size_t end = rest.find('\n');
      const std::string_view line = rest.substr(0, end);
      lines.push_back(
          {line, ts::sortKey(keys, static_cast<ts::CharsetCode>(source), sortMode, line)});
      if (end == std::string_view::npos) break;
      rest.remove_prefix(end + 1);
    }
    std::stable_sort(lines.begin(), lines.end(),
                     [](const Line& a, const Line& b) { return a.key < b.key; });
    for (const Line& line : lines) {
      pipeline.feed(line.text);
      pipeline.feed("\n");
    }
  }
  pipeline.finish();
  out.commit();
  return 0;
}
