#include "ts/web/file_converter.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "ts/forms.hpp"
#include "ts/replace.hpp"
#include "ts/rtf.hpp"
#include "ts/stream.hpp"
#include "ts/utf.hpp"
#include "ts/platform/messages.hpp"

namespace ts::web {
namespace {

constexpr std::size_t kChunk = 256 * 1024;

// Values the four-digit escapes cannot hold stay as the page wrote them.
constexpr std::uint32_t kFirstFiveDigitValue = 10000;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Whether s[0..len) is one well-formed UTF-8 sequence (shortest form, no surrogate).
bool isOneSequence(const std::uint8_t* s, std::size_t len) {
  std::uint32_t cp = 0;
  return len >= 2 && ts::wellFormedUtf8(s, len, cp) == static_cast<int>(len);
}

void putEscape(std::string& s, std::uint32_t v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "\\u%04u", static_cast<unsigned>(v));
  s += buf;
}

}  // namespace

namespace {

// A reason of the catalogue with the system's.
std::string because(const char* english, int error) {
  return platform::formatted(platform::tr(english), std::strerror(error));
}

}  // namespace

std::string FileOutcome::describe() const {
  switch (result) {
    case kOk: return platform::tr("converted");
    case kCannotOpenInput: return because("cannot open the backup: %s", error);
    case kCannotCreateOutput: return because("cannot create the temporary file: %s", error);
    case kReadError: return because("cannot read the backup: %s", error);
    case kWriteError: return because("cannot write the temporary file: %s", error);
  }
  return platform::tr("failed");
}

void FileConverter::setSource(int source) {
  settings_.source = source;
  selectForms(conv_, static_cast<std::uint32_t>(source),
              static_cast<std::uint32_t>(settings_.destination));
}

FileConverter::FileConverter(const ConvertSettings& settings)
    : settings_(settings), conv_(kWebOptions) {
  tagSettings_.charsetName = settings.utf8Output ? "utf-8" : "windows-1252";
  selectForms(conv_, static_cast<std::uint32_t>(settings.source),
              static_cast<std::uint32_t>(settings.destination));
}

// The last steps of a converted piece: with destination "VN Unicode 1" its escapes become
// UTF-8 or numeric references; bytes of 128 and more become entities, or with UTF-8 output
// their Windows-1252 characters, so the output is valid UTF-8.
void FileConverter::finishPiece(const ByteBuffer& converted, ByteBuffer& out) {
  const std::uint8_t* c = converted.data();
  const std::size_t n = converted.size();
  const bool escapes = settings_.destination == kDecimalEsc;
  const EntityForm form = settings_.form;
  const bool entities = !settings_.utf8Output && form != EntityForm::kEightBit;
  for (std::size_t i = 0; i < n;) {
    // A run of plain ASCII goes as it is.
    std::size_t j = i;
    while (j < n && c[j] < 0x80 && c[j] != '\\') ++j;
    if (j > i) {
      out.append(c + i, j - i);
      i = j;
      if (i == n) break;
    }
    const std::uint8_t b = c[i];
    if (escapes && b == '\\' && i + 6 <= n && c[i + 1] == 'u' &&
        isDigit(static_cast<char>(c[i + 2])) && isDigit(static_cast<char>(c[i + 3])) &&
        isDigit(static_cast<char>(c[i + 4])) && isDigit(static_cast<char>(c[i + 5]))) {
      const char* d = reinterpret_cast<const char*>(c + i + 2);
      if (settings_.utf8Output) {
        const unsigned v = static_cast<unsigned>((d[0] - '0') * 1000 + (d[1] - '0') * 100 +
                                                 (d[2] - '0') * 10 + (d[3] - '0'));
        char u[4];
        out.append(u, static_cast<std::size_t>(utf16ToUtf8(static_cast<std::uint16_t>(v), u)));
      } else {
        out.append("&#");
        out.append(d[0] == '0' ? d + 1 : d, d[0] == '0' ? 3 : 4);  // one leading zero goes
        out.push(';');
      }
      i += 6;
      continue;
    }
    if (b < 0x80) {
      out.push(b);
    } else if (settings_.utf8Output) {
      const LetterCode u = windows1252Utf8(b);
      out.append(u.bytes, u.len);
    } else if (const char* e = entities ? htmlEntityOf(b, form) : nullptr) {
      out.append(std::string_view(e));
    } else {
      out.push(b);
    }
    ++i;
  }
}

// Tags are not converted.  With UTF-8 output their bytes of 128 and more are written as
// Windows-1252 characters, except well-formed UTF-8 in pages that are Unicode already.
void FileConverter::writeMarkup(std::string_view markup, ByteBuffer& out) {
  if (!settings_.utf8Output) {
    out.append(markup);
    return;
  }
  const auto* m = reinterpret_cast<const std::uint8_t*>(markup.data());
  for (std::size_t i = 0; i < markup.size();) {
    if (m[i] < 0x80) {
      out.push(m[i++]);
      continue;
    }
    // Pages that are Unicode already (escapes, or carried in UTF-8) keep their UTF-8 in tags.
    if (settings_.source == kDecimalEsc ||
        formLayers(static_cast<CharsetForm>(settings_.source)) != 0) {
      std::size_t len = m[i] >= 0xF0 ? 4 : m[i] >= 0xE0 ? 3 : 2;
      if (i + len <= markup.size() && isOneSequence(m + i, len)) {
        out.append(m + i, len);
        i += len;
        continue;
      }
    }
    const LetterCode u = windows1252Utf8(m[i++]);
    out.append(u.bytes, u.len);
  }
}

void FileConverter::convertPiece(std::string_view text, ByteBuffer& out) {
  converted_.clear();
  ts::convert(conv_, text, converted_);
  finishPiece(converted_, out);
}

// Source "VN Unicode 1": UTF-8 sequences and then numeric references become escapes.  A
// value the escapes cannot hold (10,000 or more) stays as the page's own bytes; so does one
// that names no letter, which the conversion would drop, unless the destination writes
// escapes itself (then it is written from its escape) - without UTF-8 output such a UTF-8
// sequence is written as its numeric reference.
void FileConverter::decodeUnicodeSource(std::string_view word, ByteBuffer& out) {
  const bool keepsEscapes = settings_.destination == kDecimalEsc;
  auto namesLetter = [](std::uint32_t v) { return letterOfCodePoint(v) != 0 || v == 208; };
  work_.clear();
  auto flush = [&] {
    if (work_.empty()) return;
    // Numeric references, all equal ones at once; a "&#" without ";" ends this step.
    std::size_t pos = 0;
    for (;;) {
      const std::size_t p = work_.find("&#", pos);
      if (p == std::string::npos) break;
      const std::size_t q = work_.find(';', p + 2);
      if (q == std::string::npos) break;
      const std::string_view digits(work_.data() + p + 2, q - p - 2);
      if (digits.empty() || digits.size() > 9 ||
          digits.find_first_not_of("0123456789") != std::string_view::npos) {
        pos = p + 2;
        continue;
      }
      const auto v = static_cast<std::uint32_t>(std::stoul(std::string(digits)));
      if (v >= kFirstFiveDigitValue || (!keepsEscapes && !namesLetter(v))) {
        pos = q + 1;  // the reference stays
        continue;
      }
      std::string escape;
      putEscape(escape, v);
      work_ = ReplaceAll(work_, std::string(work_, p, q - p + 1), escape);
      pos = p + escape.size();
    }
    convertPiece(work_, out);
    work_.clear();
  };
  for (std::size_t i = 0; i < word.size();) {
    const auto b = static_cast<std::uint8_t>(word[i]);
    int more = -1;
    std::uint32_t v = 0;
    if (b >= 0xC0)
      v = utf8ToUtf16(reinterpret_cast<const std::uint8_t*>(word.data() + i),
                      static_cast<long>(word.size() - i), more);
    if (more <= 0) {
      work_.push_back(static_cast<char>(b));
      ++i;
      continue;
    }
    const std::size_t len = static_cast<std::size_t>(more) + 1;
    const bool kept = v >= kFirstFiveDigitValue || (!keepsEscapes && !namesLetter(v));
    if (kept && !isOneSequence(reinterpret_cast<const std::uint8_t*>(word.data() + i), len)) {
      // No character: its bytes go on as bytes that form no letter.
      work_.append(word.data() + i, len);
      i += len;
      continue;
    }
    if (kept) {
      flush();
      if (v >= kFirstFiveDigitValue || settings_.utf8Output) {
        out.append(word.data() + i, len);  // the page's own bytes
      } else {
        char ref[16];
        out.append(ref, static_cast<std::size_t>(
                            std::snprintf(ref, sizeof ref, "&#%u;", static_cast<unsigned>(v))));
      }
    } else {
      putEscape(work_, v);
    }
    i += len;
  }
  flush();
}

void FileConverter::convertWord(std::string_view word, ByteBuffer& out) {
  if (settings_.source == kDecimalEsc) {
    decodeUnicodeSource(word, out);
    return;
  }
  if (word.find('&') != std::string_view::npos) {
    decodeHtmlEntities(word, decoded_);
    convertPiece(decoded_, out);
  } else {
    convertPiece(word, out);
  }
}

struct FileConverter::Scan : HtmlScanner::Handler {
  Scan(FileConverter& c, ByteBuffer& o, std::uint64_t interval, ProgressObserver* p)
      : self(c), out(o), period(interval + 1), progress(p) {}

  void word(std::string_view w) override { self.convertWord(w, out); }
  void breakByte(char b) override {
    if (b == '<' && self.settings_.textOnly) return;
    out.push(static_cast<std::uint8_t>(b));
  }
  void tag(std::string_view inside) override {
    const ConvertSettings& s = self.settings_;
    selectForms(self.conv_, static_cast<std::uint32_t>(s.source),
                static_cast<std::uint32_t>(s.destination));
    if (s.textOnly) return;
    // The text people read in the tag (alt, title, ...) is converted as words are.
    writeTagConvertingText(
        rewriteHtmlTag(self.conv_, self.fonts_, self.tagSettings_, inside),
        [this](std::string_view w, ByteBuffer& o) { self.convertWord(w, o); },
        [this](std::string_view m, ByteBuffer& o) { self.writeMarkup(m, o); }, out);
    out.push('>');
  }
  void unclosedTag(std::string_view inside) override { self.writeMarkup(inside, out); }
  // One tick for every `period` bytes outside tags.
  void textBytes(std::size_t n) override {
    if (progress == nullptr) return;
    counter += n;
    while (counter >= period) {
      counter -= period;
      ++ticks;
      progress->tick();
    }
  }

  FileConverter& self;
  ByteBuffer& out;
  std::uint64_t period;
  ProgressObserver* progress;
  std::uint64_t counter = 0;
  std::uint64_t ticks = 0;
};

std::string FileConverter::convertText(std::string_view page) {
  selectForms(conv_, static_cast<std::uint32_t>(settings_.source),
              static_cast<std::uint32_t>(settings_.destination));
  ByteBuffer out;
  HtmlScanner scanner;
  Scan scan(*this, out, 0, nullptr);
  scanner.feed(page, scan);
  scanner.finish(scan);
  return out.str();
}

namespace {

// One file into another in pieces: `feed(piece, out)` for each piece read, `finish(out)` at
// the end; what they write goes to the output as it grows.  The output is created (or
// truncated) with the input's permissions.  `ticks()` says how many ticks the pieces gave.
template <class Feed, class Finish, class Ticks>
FileOutcome streamFile(const std::string& input, const std::string& output, ByteBuffer& out,
                       std::vector<char>& buf, ProgressObserver& progress, Feed&& feed,
                       Finish&& finish, Ticks&& ticks) {
  FileOutcome outcome;
  const int in = open(input.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) {
    outcome.result = FileOutcome::kCannotOpenInput;
    outcome.error = errno;
    return outcome;
  }
  struct stat st;
  const mode_t mode = fstat(in, &st) == 0 ? (st.st_mode & 0777) : 0644;
  const int fd = open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, mode);
  if (fd < 0) {
    outcome.result = FileOutcome::kCannotCreateOutput;
    outcome.error = errno;
    close(in);
    return outcome;
  }
  fchmod(fd, mode);
  out.clear();
  buf.resize(kChunk);
  auto flushOut = [&]() -> bool {
    const std::uint8_t* p = out.data();
    std::size_t left = out.size();
    while (left > 0) {
      const ssize_t w = write(fd, p, left);
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) {
        outcome.result = FileOutcome::kWriteError;
        outcome.error = w < 0 ? errno : EIO;
        return false;
      }
      p += w;
      left -= static_cast<std::size_t>(w);
    }
    out.clear();
    return true;
  };
  bool ok = true;
  for (;;) {
    const ssize_t n = read(in, buf.data(), buf.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      outcome.result = FileOutcome::kReadError;
      outcome.error = errno;
      ok = false;
      break;
    }
    if (n == 0) break;
    feed(std::string_view(buf.data(), static_cast<std::size_t>(n)), out);
    if (out.size() >= kChunk && !(ok = flushOut())) break;
  }
  if (ok) {
    finish(out);
    ok = flushOut();
  }
  close(in);
  if (close(fd) != 0 && ok) {
    outcome.result = FileOutcome::kWriteError;
    outcome.error = errno;
    ok = false;
  }
  outcome.ticks = ticks();
  if (ok) {
    for (; outcome.ticks < kMinimumTicks; ++outcome.ticks) progress.tick();
  }
  return outcome;
}

}  // namespace

FileOutcome FileConverter::convert(const std::string& input, const std::string& output,
                                   std::uint64_t tickInterval, ProgressObserver& progress) {
  selectForms(conv_, static_cast<std::uint32_t>(settings_.source),
              static_cast<std::uint32_t>(settings_.destination));
  HtmlScanner scanner;
  Scan scan(*this, output_, tickInterval, &progress);
  return streamFile(
      input, output, output_, input_, progress,
      [&](std::string_view piece, ByteBuffer&) { scanner.feed(piece, scan); },
      [&](ByteBuffer&) { scanner.finish(scan); }, [&] { return scan.ticks; });
}

// ---------------------------------------------------------------------------------------
// Text files

TextFileConverter::TextFileConverter(const ConvertSettings& settings)
    : settings_(settings), conv_(kLibraryOptions) {
  foreign_.action = ForeignCharacters::Action::kTransliterate;  // no UTF-8 in a legacy file
  conv_.watchForeign(&foreign_);
}

void TextFileConverter::setSource(int source) { settings_.source = source; }

bool TextFileConverter::writesUtf8() const {
  return settings_.destination == kDecimalEsc || settings_.destination == kVnUnicode2;
}

FileOutcome TextFileConverter::convert(const std::string& input, const std::string& output,
                                       std::uint64_t tickInterval, ProgressObserver& progress) {
  // A Unicode destination writes UTF-8 text.
  const int destination = writesUtf8() ? kUtf8 : settings_.destination;
  selectForms(conv_, static_cast<std::uint32_t>(settings_.source),
              static_cast<std::uint32_t>(destination));
  // A byte-order mark starts UTF-8 text only: a text read as UTF-8 keeps it where it is
  // written as UTF-8, and loses it elsewhere.
  const bool unicodeSource =
      formLayers(static_cast<CharsetForm>(settings_.source)) != 0 || settings_.source == kUtf8;
  StreamConverter stream(conv_);
  bool first = true;
  std::uint64_t counted = 0, ticks = 0;
  const std::uint64_t period = tickInterval + 1;
  std::string head;  // the first bytes, until a byte-order mark can be told
  auto pass = [&](std::string_view piece, ByteBuffer& out) {
    if (first) {
      head.append(piece);
      if (head.size() < 3) return;
      first = false;
      piece = head;
      if (unicodeSource && piece.starts_with("\xEF\xBB\xBF")) {
        if (destination == kUtf8) out.append(piece.substr(0, 3));
        piece.remove_prefix(3);
      }
    }
    stream.feed(piece, out);
    counted += piece.size();
    for (; counted >= period; counted -= period, ++ticks) progress.tick();
  };
  return streamFile(
      input, output, output_, input_, progress, pass,
      [&](ByteBuffer& out) {
        if (first && !head.empty()) {  // a file of fewer than three bytes
          first = false;
          stream.feed(head, out);
        }
        stream.finish(out);
      },
      [&] { return ticks; });
}

// ---------------------------------------------------------------------------------------
// RTF documents

RtfFileConverter::RtfFileConverter(const ConvertSettings& settings) : settings_(settings) {}

FileOutcome RtfFileConverter::convert(const std::string& input, const std::string& output,
                                      std::uint64_t tickInterval, ProgressObserver& progress) {
  RtfSettings rtf;
  rtf.source = settings_.source == kAutoSource ? 0 : static_cast<std::uint32_t>(settings_.source);
  rtf.destination = settings_.destination == kVnUnicode2 ? kDecimalEsc : settings_.destination;
  RtfConverter converter(rtf);
  std::uint64_t counted = 0, ticks = 0;
  const std::uint64_t period = tickInterval + 1;
  return streamFile(
      input, output, output_, input_, progress,
      [&](std::string_view piece, ByteBuffer& out) {
        converter.feed(piece, out);
        counted += piece.size();
        for (; counted >= period; counted -= period, ++ticks) progress.tick();
      },
      [&](ByteBuffer& out) { converter.finish(out); }, [&] { return ticks; });
}

}  // namespace ts::web
