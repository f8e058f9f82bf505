#include "ts/rtf.hpp"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "ts/catalogue.hpp"
#include "ts/converter.hpp"
#include "ts/fonts.hpp"
#include "ts/forms.hpp"
#include "ts/stream.hpp"
#include "ts/unicode.hpp"
#include "ts/utf.hpp"

namespace ts {
namespace {

// Destinations whose text is no text of the document: it passes through as it is.
bool keepsItsText(std::string_view word) {
  static constexpr std::string_view kKept[] = {"colortbl",
                                               "stylesheet",
                                               "info",
                                               "pict",
                                               "object",
                                               "objdata",
                                               "fldinst",
                                               "datastore",
                                               "themedata",
                                               "colorschememapping",
                                               "latentstyles",
                                               "listtable",
                                               "listoverridetable",
                                               "rsidtbl",
                                               "generator",
                                               "xmlnstbl",
                                               "mmathPr",
                                               "shpinst",
                                               "nonshppict",
                                               "falt",
                                               "panose",
                                               "filetbl",
                                               "revtbl",
                                               "pgdsctbl",
                                               "template",
                                               "userprops",
                                               "docvar",
                                               "bkmkstart",
                                               "bkmkend"};
  for (std::string_view k : kKept)
    if (word == k) return true;
  return false;
}

// The ASCII a letter or character falls back to in a reader without Unicode.
char fallbackOf(std::uint32_t cp) {
  static const CharsetSelection viqr = [] {
    CharsetSelection cs;
    selectCharset(kViqr, kCatalogueSize, cs);
    return cs;
  }();
  if (const int n = letterOfCodePoint(cp)) {
    const LetterCode c = writeLetter(viqr, n);
    if (!c.empty()) return static_cast<char>(c.bytes[0]);
  }
  const std::string_view close = closeForm(cp);
  return close.size() == 1 ? close[0] : '?';
}

bool isHex(std::uint8_t b) {
  return (b >= '0' && b <= '9') || (b >= 'a' && b <= 'f') || (b >= 'A' && b <= 'F');
}
int hexValue(std::uint8_t b) { return b <= '9' ? b - '0' : (b | 0x20) - 'a' + 10; }

constexpr std::uint32_t kUnicodeFont = 0xFFFF;  // a font whose text is left as it is

}  // namespace

struct RtfConverter::Impl {
  explicit Impl(const RtfSettings& s) : settings(s) {
    unicodeOut = s.destination >= kDecimalEsc;
    engineDestination = unicodeOut ? kUtf8 : s.destination;
  }

  struct Group {
    int font = -1;
    int uc = 1;
    bool text = true;        // document text is converted here
    bool fontTable = false;  // in the font table
    bool first = true;       // nothing read in the group yet: a destination may follow
    bool ignorable = false;  // \* seen first
  };
  struct Font {
    int charset = 0;  // \fcharset
    std::uint32_t form = 0;
  };

  enum class Lex { kText, kBackslash, kWord, kParam, kHex1, kHex2, kBin };

  void feed(const std::uint8_t* s, std::size_t n, ByteBuffer& out);
  // One byte in each state of the lexer.  wordByte: false when the byte ended the word and
  // must be read again as itself.
  void plainByte(std::uint8_t b, ByteBuffer& out);
  void backslashByte(std::uint8_t b, ByteBuffer& out);
  bool wordByte(std::uint8_t b, ByteBuffer& out);
  void hexByte(std::uint8_t b, ByteBuffer& out);
  void word(ByteBuffer& out);
  void symbol(std::uint8_t c, ByteBuffer& out);
  void textByte(std::uint8_t b, ByteBuffer& out);
  void flushRun(ByteBuffer& out);
  void writeConverted(const ByteBuffer& converted, ByteBuffer& out);
  void endFontEntry(ByteBuffer& out);
  std::uint32_t formOf(const std::string& name, int charset) const;

  RtfSettings settings;
  bool unicodeOut = false;
  int engineDestination = 0;

  std::vector<Group> stack;
  Group cur;
  Lex lex = Lex::kText;
  std::string token;  // the control word or symbol being read, as written
  std::string name;   // its letters
  std::string param;
  int hex = 0;
  std::uint64_t binLeft = 0;
  int ucSkip = 0;  // fallback characters of a \uN still to pass through
  int ansiCodePage = 0;
  int defaultFont = -1;

  // The font table: the entry being read, and the forms of the fonts.
  int entryFont = -1, entryCharset = 0;
  std::string entryName;
  bool inEntry = false;
  std::map<int, Font> fonts;

  // The run under way: its form, the stream converting it, the line breaks inside it.
  std::uint32_t runForm = 0;
  bool inRun = false;
  ConverterState conv;
  std::unique_ptr<StreamConverter> stream;
  ByteBuffer runBytes, converted;
  int runBreaks = 0;
};

std::uint32_t RtfConverter::Impl::formOf(const std::string& fontName, int charset) const {
  const int byName = fontCharset(fontName);
  if (byName != 0 && byName != kDecimalEsc) return static_cast<std::uint32_t>(byName);
  // The 8-bit text of any other font is in the code page its charset, or the document's,
  // names.
  if (charset == 163 || ((charset == 0 || charset == 1) && ansiCodePage == 1258))
    return kWindows1258;
  if (byName == kDecimalEsc) return kUnicodeFont;
  return 0;  // says nothing
}

// A font entry's name ends at ";": the font's form is known, its name mapped.
void RtfConverter::Impl::endFontEntry(ByteBuffer& out) {
  if (!inEntry) return;
  inEntry = false;
  const std::uint32_t form = formOf(entryName, entryCharset);
  if (entryFont >= 0) fonts[entryFont] = {entryCharset, form};
  std::string written = entryName;
  const int legacy =
      form == kUnicodeFont || form == 0 || form == kWindows1258 ? 0 : static_cast<int>(form);
  if (legacy != 0) {
    ConverterState pair;
    FontMapState map;
    map.destinationFamily = unicodeOut ? kDecimalEsc : 0;
    selectPair(pair, static_cast<std::uint32_t>(legacy),
               static_cast<std::uint32_t>(unicodeOut ? kDecimalEsc : settings.destination));
    if (const auto mapped = mapFontName(pair, map, entryName)) written = *mapped;
  }
  for (char c : written) {
    const auto b = static_cast<std::uint8_t>(c);
    if (b >= 0x80) {
      char esc[8];
      std::snprintf(esc, sizeof esc, "\\'%02x", b);
      out.append(std::string_view(esc, 4));
    } else {
      if (b == '\\' || b == '{' || b == '}') out.push('\\');
      out.push(b);
    }
  }
  entryName.clear();
}

void RtfConverter::Impl::flushRun(ByteBuffer& out) {
  if (!inRun) return;
  converted.clear();
  if (stream) {
    stream->feed(runBytes.view(), converted);
    stream->finish(converted);
    stream.reset();
  } else {
    converted.append(runBytes.data(), runBytes.size());
  }
  writeConverted(converted, out);
  runBytes.clear();
  inRun = false;
  for (; runBreaks > 0; --runBreaks) out.push('\n');
}

// The converted text as RTF: ASCII as it is (with \, { and } escaped), the rest as \uN with
// a fallback (Unicode) or as \'xx.
void RtfConverter::Impl::writeConverted(const ByteBuffer& text, ByteBuffer& out) {
  const std::uint8_t* s = text.data();
  const std::size_t n = text.size();
  const bool unicode = unicodeOut && runForm != kUnicodeFont;
  bool opened = false;
  for (std::size_t i = 0; i < n;) {
    const std::uint8_t b = s[i];
    if (b < 0x80) {
      if (b == '\\' || b == '{' || b == '}') out.push('\\');
      out.push(b);
      ++i;
      continue;
    }
    if (!unicode) {
      char esc[8];
      std::snprintf(esc, sizeof esc, "\\'%02x", b);
      out.append(std::string_view(esc, 4));
      ++i;
      continue;
    }
    std::uint32_t cp = 0;
    int len = wellFormedUtf8(s + i, n - i, cp);
    if (len == 0) {
      cp = windows1252CodePoint(b);
      len = 1;
    }
    i += static_cast<std::size_t>(len);
    if (cur.uc != 1 && !opened) {  // one fallback character each, whatever the group said
      out.append("{\\uc1");
      opened = true;
    }
    auto unit = [&](std::uint32_t u) {
      char esc[24];
      const int v = u >= 0x8000 ? static_cast<int>(u) - 0x10000 : static_cast<int>(u);
      out.append(std::string_view(
          esc, static_cast<std::size_t>(std::snprintf(esc, sizeof esc, "\\u%d ", v))));
    };
    if (cp >= 0x10000) {
      unit(0xD800 + ((cp - 0x10000) >> 10));
      out.push('?');
      unit(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      unit(cp);
    }
    out.push(static_cast<std::uint8_t>(fallbackOf(cp)));
  }
  if (opened) out.push('}');
}

void RtfConverter::Impl::textByte(std::uint8_t b, ByteBuffer& out) {
  cur.first = false;
  if (ucSkip > 0) {  // a \uN's fallback: as it is
    --ucSkip;
    if (inRun) flushRun(out);
    char esc[8];
    if (b >= 0x80 || token.size() == 4) {
      std::snprintf(esc, sizeof esc, "\\'%02x", b);
      out.append(std::string_view(esc, 4));
    } else {
      if (b == '\\' || b == '{' || b == '}') out.push('\\');
      out.push(b);
    }
    return;
  }
  if (cur.fontTable) {
    if (b == ';') {
      endFontEntry(out);
      out.push(';');
      return;
    }
    if (!inEntry) {
      inEntry = true;
      entryName.clear();
    }
    if (!(entryName.empty() && b == ' ')) entryName.push_back(static_cast<char>(b));
    return;
  }
  if (!cur.text) {  // not converted: as it was written
    if (token.size() == 4) {
      out.append(token);
    } else {
      if (b == '\\' || b == '{' || b == '}') out.push('\\');
      out.push(b);
    }
    return;
  }
  // Document text: into the run of its font (a run ends where the font or the group does).
  if (inRun) {
    runBytes.push(b);
    if (runBytes.size() >= 64 * 1024 && stream) {  // memory stays the same: the stream holds
      converted.clear();
      stream->feed(runBytes.view(), converted);
      writeConverted(converted, out);
      runBytes.clear();
    }
    return;
  }
  std::uint32_t form = settings.source == 0 ? kUnicodeFont : settings.source;
  const auto f = fonts.find(cur.font >= 0 ? cur.font : defaultFont);
  if (f != fonts.end() && f->second.form != 0) form = f->second.form;
  inRun = true;
  runForm = form;
  if (form != kUnicodeFont &&
      selectForms(conv, form, static_cast<std::uint32_t>(engineDestination)) && conv.converts())
    stream = std::make_unique<StreamConverter>(conv);
  runBytes.push(b);
}

// A control word has ended (its delimiter read).
void RtfConverter::Impl::word(ByteBuffer& out) {
  const bool first = cur.first;
  cur.first = false;
  const int value = param.empty() || param == "-" ? 0 : std::atoi(param.c_str());
  if (name == "u" && !param.empty()) {
    flushRun(out);
    out.append(token);
    ucSkip = cur.uc;
    return;
  }
  if (ucSkip > 0) {  // a control word stands for one fallback character
    --ucSkip;
    flushRun(out);
    out.append(token);
    return;
  }
  if (name == "par" || name == "line" || name == "tab" || name == "cell" || name == "row" ||
      name == "sect" || name == "page") {
    flushRun(out);
    out.append(token);
    return;
  }
  if (name == "fonttbl") {
    cur.fontTable = true;
    cur.text = false;
  } else if (name == "f" && cur.fontTable) {
    endFontEntry(out);
    entryFont = value;
    entryCharset = 0;
  } else if (name == "fcharset" && cur.fontTable) {
    entryCharset = value;
  } else if (name == "deff") {
    defaultFont = value;
  } else if (name == "ansicpg") {
    ansiCodePage = value;
  } else if (name == "uc") {
    cur.uc = value;
  } else if (name == "bin") {
    flushRun(out);
    out.append(token);
    binLeft = value > 0 ? static_cast<std::uint64_t>(value) : 0;
    if (binLeft > 0) lex = Lex::kBin;
    return;
  } else if ((first || cur.ignorable) && keepsItsText(name)) {
    cur.text = false;
    if (cur.fontTable) cur.fontTable = false;  // \falt, \panose inside an entry
  } else if (name == "f" && !cur.fontTable) {
    if (cur.font != value) flushRun(out);
    cur.font = value;
    out.append(token);
    return;
  }
  flushRun(out);
  out.append(token);
}

void RtfConverter::Impl::symbol(std::uint8_t c, ByteBuffer& out) {
  const bool first = cur.first;
  cur.first = false;
  if (c == '*') {
    flushRun(out);
    out.append(token);
    if (first) {
      cur.ignorable = true;
      cur.text = false;       // an ignorable destination the reader may not know
      cur.fontTable = false;  // \*\panose, \*\falt inside a font entry: no name
    }
    return;
  }
  if (c == '\\' || c == '{' || c == '}') {
    textByte(c, out);
    return;
  }
  if (ucSkip > 0) --ucSkip;
  flushRun(out);
  out.append(token);
}

void RtfConverter::Impl::plainByte(std::uint8_t b, ByteBuffer& out) {
  if (b == '\\') {
    lex = Lex::kBackslash;
    token.assign(1, '\\');
  } else if (b == '{') {
    flushRun(out);
    stack.push_back(cur);
    cur.first = true;
    cur.ignorable = false;
    ucSkip = 0;
    out.push('{');
  } else if (b == '}') {
    if (cur.fontTable) endFontEntry(out);
    flushRun(out);
    if (!stack.empty()) {
      cur = stack.back();
      stack.pop_back();
    }
    ucSkip = 0;
    out.push('}');
  } else if (b == '\r' || b == '\n') {
    // Line breaks mean nothing in RTF: inside a run they go after it, so that a letter cut
    // by one stays whole.
    if (inRun)
      ++runBreaks;
    else
      out.push(b);
  } else {
    token.clear();
    textByte(b, out);
  }
}

void RtfConverter::Impl::backslashByte(std::uint8_t b, ByteBuffer& out) {
  token.push_back(static_cast<char>(b));
  if ((b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z')) {
    lex = Lex::kWord;
    name.assign(1, static_cast<char>(b));
    param.clear();
  } else if (b == '\'') {
    lex = Lex::kHex1;
  } else {
    lex = Lex::kText;
    symbol(b, out);
  }
}

bool RtfConverter::Impl::wordByte(std::uint8_t b, ByteBuffer& out) {
  const bool letter = (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z');
  const bool digit = b >= '0' && b <= '9';
  if (lex == Lex::kWord && letter) {
    token.push_back(static_cast<char>(b));
    name.push_back(static_cast<char>(b));
    return true;
  }
  if (digit || (lex == Lex::kWord && b == '-')) {
    token.push_back(static_cast<char>(b));
    param.push_back(static_cast<char>(b));
    lex = Lex::kParam;
    return true;
  }
  lex = Lex::kText;
  if (b == ' ') {
    token.push_back(' ');  // the delimiter belongs to the word
    word(out);
    return true;
  }
  word(out);
  return false;  // the byte after the word is read again as itself
}

void RtfConverter::Impl::hexByte(std::uint8_t b, ByteBuffer& out) {
  token.push_back(static_cast<char>(b));
  const bool first = lex == Lex::kHex1;
  if (!isHex(b)) {  // not an escape after all: as it was written
    lex = Lex::kText;
    flushRun(out);
    out.append(token);
    return;
  }
  if (first) {
    hex = hexValue(b);
    lex = Lex::kHex2;
    return;
  }
  lex = Lex::kText;
  textByte(static_cast<std::uint8_t>(hex * 16 + hexValue(b)), out);
}

void RtfConverter::Impl::feed(const std::uint8_t* s, std::size_t n, ByteBuffer& out) {
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint8_t b = s[i];
    switch (lex) {
      case Lex::kBin: {
        // Binary data: as it is, however many bytes it holds.
        const std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(binLeft, n - i));
        out.append(s + i, take);
        binLeft -= take;
        i += take - 1;
        if (binLeft == 0) lex = Lex::kText;
        break;
      }
      case Lex::kText: plainByte(b, out); break;
      case Lex::kBackslash: backslashByte(b, out); break;
      case Lex::kWord:
      case Lex::kParam:
        if (!wordByte(b, out)) --i;
        break;
      case Lex::kHex1:
      case Lex::kHex2: hexByte(b, out); break;
    }
  }
}

RtfConverter::RtfConverter(const RtfSettings& settings) : impl_(new Impl(settings)) {}
RtfConverter::~RtfConverter() = default;

void RtfConverter::feed(std::string_view chunk, ByteBuffer& out) {
  impl_->feed(reinterpret_cast<const std::uint8_t*>(chunk.data()), chunk.size(), out);
}

void RtfConverter::finish(ByteBuffer& out) {
  Impl& im = *impl_;
  switch (im.lex) {
    case Impl::Lex::kWord:
    case Impl::Lex::kParam:
      im.lex = Impl::Lex::kText;
      im.word(out);
      break;
    case Impl::Lex::kText:
    case Impl::Lex::kBin: break;
    default: out.append(im.token); break;  // a cut escape, as it was
  }
  im.endFontEntry(out);
  im.flushRun(out);
}

}  // namespace ts
