#include "ts/html.hpp"

#include <array>
#include <cstring>
#include <unordered_map>

#include "ts/replace.hpp"

namespace ts {
namespace {

constexpr HtmlEntity kEntities[kHtmlEntityCount] = {
    {"&euro;", "&#128", 128},    {"&sbquo;", "&#130", 130},   {"&fnof;", "&#131", 131},
    {"&bdquo;", "&#132", 132},   {"&hellip;", "&#133", 133},  {"&dagger;", "&#134", 134},
    {"&Dagger;", "&#135", 135},  {"&circ;", "&#136", 136},    {"&permil;", "&#137", 137},
    {"&Scaron;", "&#138", 138},  {"&lsaquo;", "&#139", 139},  {"&OElig;", "&#140", 140},
    {"&lsquo;", "&#145", 145},   {"&rsquo;", "&#146", 146},   {"&ldquo;", "&#147", 147},
    {"&rdquo;", "&#148", 148},   {"&bull;", "&#149", 149},    {"&ndash;", "&#150", 150},
    {"&mdash;", "&#151", 151},   {"&tilde;", "&#152", 152},   {"&trade;", "&#153", 153},
    {"&scaron;", "&#154", 154},  {"&rsaquo;", "&#155", 155},  {"&oelig;", "&#156", 156},
    {"&Yuml;", "&#159", 159},    {"&iexcl;", "&#161;", 161},  {"&cent;", "&#162;", 162},
    {"&pound;", "&#163;", 163},  {"&curren;", "&#164;", 164}, {"&yen;", "&#165;", 165},
    {"&brvbar;", "&#166;", 166}, {"&sect;", "&#167;", 167},   {"&uml;", "&#168;", 168},
    {"&copy;", "&#169;", 169},   {"&ordf;", "&#170;", 170},   {"&laquo;", "&#171;", 171},
    {"&not;", "&#172;", 172},    {"&shy;", "&#173;", 173},    {"&reg;", "&#174;", 174},
    {"&macr;", "&#175;", 175},   {"&deg;", "&#176;", 176},    {"&plusmn;", "&#177;", 177},
    {"&sup2;", "&#178;", 178},   {"&sup3;", "&#179;", 179},   {"&acute;", "&#180;", 180},
    {"&micro;", "&#181;", 181},  {"&para;", "&#182;", 182},   {"&middot;", "&#183;", 183},
    {"&cedil;", "&#184;", 184},  {"&sup1;", "&#185;", 185},   {"&ordm;", "&#186;", 186},
    {"&raquo;", "&#187;", 187},  {"&frac14;", "&#188;", 188}, {"&frac12;", "&#189;", 189},
    {"&frac34;", "&#190;", 190}, {"&iquest;", "&#191;", 191}, {"&Agrave;", "&#192;", 192},
    {"&Aacute;", "&#193;", 193}, {"&Acirc;", "&#194;", 194},  {"&Atilde;", "&#195;", 195},
    {"&Auml;", "&#196;", 196},   {"&Aring;", "&#197;", 197},  {"&AElig;", "&#198;", 198},
    {"&Ccedil;", "&#199;", 199}, {"&Egrave;", "&#200;", 200}, {"&Eacute;", "&#201;", 201},
    {"&Ecirc;", "&#202;", 202},  {"&Euml;", "&#203;", 203},   {"&Igrave;", "&#204;", 204},
    {"&Iacute;", "&#205;", 205}, {"&Icirc;", "&#206;", 206},  {"&Iuml;", "&#207;", 207},
    {"&ETH;", "&#208;", 208},    {"&Ntilde;", "&#209;", 209}, {"&Ograve;", "&#210;", 210},
    {"&Oacute;", "&#211;", 211}, {"&Ocirc;", "&#212;", 212},  {"&Otilde;", "&#213;", 213},
    {"&Ouml;", "&#214;", 214},   {"&times;", "&#215;", 215},  {"&Oslash;", "&#216;", 216},
    {"&Ugrave;", "&#217;", 217}, {"&Uacute;", "&#218;", 218}, {"&Ucirc;", "&#219;", 219},
    {"&Uuml;", "&#220;", 220},   {"&Yacute;", "&#221;", 221}, {"&THORN;", "&#222;", 222},
    {"&szlig;", "&#223;", 223},  {"&agrave;", "&#224;", 224}, {"&aacute;", "&#225;", 225},
    {"&acirc;", "&#226;", 226},  {"&atilde;", "&#227;", 227}, {"&auml;", "&#228;", 228},
    {"&aring;", "&#229;", 229},  {"&aelig;", "&#230;", 230},  {"&ccedil;", "&#231;", 231},
    {"&egrave;", "&#232;", 232}, {"&eacute;", "&#233;", 233}, {"&ecirc;", "&#234;", 234},
    {"&euml;", "&#235;", 235},   {"&igrave;", "&#236;", 236}, {"&iacute;", "&#237;", 237},
    {"&icirc;", "&#238;", 238},  {"&iuml;", "&#239;", 239},   {"&eth;", "&#240;", 240},
    {"&ntilde;", "&#241;", 241}, {"&ograve;", "&#242;", 242}, {"&oacute;", "&#243;", 243},
    {"&ocirc;", "&#244;", 244},  {"&otilde;", "&#245;", 245}, {"&ouml;", "&#246;", 246},
    {"&divide;", "&#247;", 247}, {"&oslash;", "&#248;", 248}, {"&ugrave;", "&#249;", 249},
    {"&uacute;", "&#250;", 250}, {"&ucirc;", "&#251;", 251},  {"&uuml;", "&#252;", 252},
    {"&yacute;", "&#253;", 253}, {"&thorn;", "&#254;", 254},  {"&yuml;", "&#255;", 255},
};

// The entity of each byte in each form (empty: the byte has no row), and the byte of each
// entity string.
struct EntityIndex {
  std::array<const char*, 256> numeric{};
  std::array<const char*, 256> named{};
  std::unordered_map<std::string_view, std::uint8_t> byteOf;
  std::size_t shortest = 99, longest = 0;
  EntityIndex() {
    for (const HtmlEntity& e : kEntities) {
      numeric[e.byte] = e.numeric;
      named[e.byte] = e.name;
      for (const char* form : {e.name, e.numeric}) {
        const std::string_view f(form);
        byteOf.emplace(f, e.byte);
        shortest = std::min(shortest, f.size());
        longest = std::max(longest, f.size());
      }
    }
  }
};
const EntityIndex& entityIndex() {
  static const EntityIndex index;
  return index;
}

bool isFontNameByte(std::uint8_t b) {
  return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') || b == ' ' ||
         b == '-' || b == '.';
}

std::size_t findEither(std::string_view s, const char* upper, const char* lower) {
  const std::size_t at = s.find(upper);
  return at != std::string_view::npos ? at : s.find(lower);
}

// The charset declaration's value replaced: after "charset" and "=", the value up to a
// quote, blank, ";" or the end; a quoted value stays quoted.  A value that runs to the end
// of the tag inside inside an open attribute quote gets that quote closed.
std::string rewriteCharset(std::string_view inside, std::size_t keyword,
                           std::string_view charsetName) {
  std::size_t i = keyword + 7;
  while (i < inside.size() && inside[i] == ' ') ++i;
  if (i >= inside.size() || inside[i] != '=') return std::string(inside);  // declares nothing
  ++i;
  while (i < inside.size() && inside[i] == ' ') ++i;
  std::string out(inside.substr(0, keyword + 7));
  out += '=';
  if (i < inside.size() && (inside[i] == '"' || inside[i] == '\'')) {
    const char quote = inside[i];
    const std::size_t close = inside.find(quote, i + 1);
    out += quote;
    out += charsetName;
    out += quote;
    if (close != std::string_view::npos) out += inside.substr(close + 1);
    return out;
  }
  std::size_t end = i;
  while (end < inside.size() && std::strchr("\"' ;", inside[end]) == nullptr) ++end;
  out += charsetName;
  if (end < inside.size()) {
    out += inside.substr(end);
  } else {
    std::size_t quotes = 0;
    for (std::size_t k = 0; k < keyword; ++k) quotes += inside[k] == '"';
    if (quotes % 2 == 1) out += '"';
  }
  return out;
}

}  // namespace

const HtmlEntity* htmlEntityTable() { return kEntities; }

namespace {
struct BreakTable {
  bool is[256] = {};
  constexpr BreakTable() {
    for (char c : {' ', '.', ',', '<', '>', '-', '\r', '\n'})
      is[static_cast<std::uint8_t>(c)] = true;
  }
};
constexpr BreakTable kBreaks;
}  // namespace

bool isHtmlBreak(std::uint8_t b) { return kBreaks.is[b]; }

// The rows replace their strings one after the other.  Every entity string starts with its
// only "&", no string is the start of another, and each becomes a byte of 128 or more that no
// string holds: so at any "&" at most one string can match, replacements never meet, and one
// pass that replaces the string found at each "&" gives the same text.
void decodeHtmlEntities(std::string_view word, std::string& out) {
  const EntityIndex& index = entityIndex();
  out.clear();
  std::size_t i = 0;
  while (i < word.size()) {
    const std::size_t amp = word.find('&', i);
    if (amp == std::string_view::npos) break;
    out.append(word, i, amp - i);
    std::size_t used = 0;
    for (std::size_t len = index.shortest; len <= index.longest && amp + len <= word.size();
         ++len) {
      const auto it = index.byteOf.find(word.substr(amp, len));
      if (it != index.byteOf.end()) {
        out.push_back(static_cast<char>(it->second));
        used = len;
        break;
      }
    }
    if (used == 0) {
      out.push_back('&');
      used = 1;
    }
    i = amp + used;
  }
  out.append(word.substr(std::min(i, word.size())));
}

void HtmlWordConverter::convert(ConverterState& conv, const HtmlSettings& settings,
                                std::string_view word, ByteBuffer& out) {
  std::string_view text = word;
  if (word.find('&') != std::string_view::npos) {
    decodeHtmlEntities(word, decoded_);
    text = decoded_;
  }
  const bool encode = settings.form != EntityForm::kEightBit && conv.destination() != kUtf8;
  if (!encode) {
    ts::convert(conv, text, out);
    return;
  }
  converted_.clear();
  ts::convert(conv, text, converted_);
  // Entity encoding.  Each row replaces its byte by ASCII, which no later row matches, so
  // one pass over the bytes gives the same as the rows one after the other.
  const auto& forms =
      settings.form == EntityForm::kNamed ? entityIndex().named : entityIndex().numeric;
  const std::uint8_t* c = converted_.data();
  const std::size_t n = converted_.size();
  std::uint8_t* d = out.reserveMore(n * 8);  // no entity is longer than eight bytes
  std::uint8_t* p = d;
  for (std::size_t i = 0; i < n; ++i) {
    const char* entity = forms[c[i]];
    if (entity == nullptr) {
      *p++ = c[i];
    } else {
      while (*entity != 0) *p++ = static_cast<std::uint8_t>(*entity++);
    }
  }
  out.commit(static_cast<std::size_t>(p - d));
}

std::string convertHtmlWord(ConverterState& conv, const HtmlSettings& settings,
                            std::string_view word) {
  HtmlWordConverter words;
  ByteBuffer out;
  words.convert(conv, settings, word, out);
  return out.str();
}

std::string rewriteHtmlTag(ConverterState& conv, FontMapState& fonts, const HtmlSettings& settings,
                           std::string_view inside) {
  std::size_t start = std::string_view::npos;
  std::size_t at = findEither(inside, "FONT-FAMILY", "font-family");
  if (at != std::string_view::npos) {
    const std::size_t quot = inside.find("&quot;", at);
    start = quot != std::string_view::npos ? quot + 6 : at + 11;
  } else {
    at = findEither(inside, "FONT FACE", "font face");
    if (at != std::string_view::npos) start = at + 9;
  }
  if (start == std::string_view::npos) {
    at = findEither(inside, "CHARSET", "charset");
    if (at == std::string_view::npos) return std::string(inside);
    return rewriteCharset(inside, at, settings.charsetName);
  }
  // The name: past the bytes that cannot be part of one (and blanks), the longest run of
  // font-name bytes, blanks included.
  std::size_t i = std::min(start, inside.size());
  while (i < inside.size() &&
         (!isFontNameByte(static_cast<std::uint8_t>(inside[i])) || inside[i] == ' '))
    ++i;
  std::size_t end = i;
  while (end < inside.size() && isFontNameByte(static_cast<std::uint8_t>(inside[end]))) ++end;
  const std::string_view old = inside.substr(i, end - i);
  if (old.empty()) return std::string(inside);
  const std::optional<std::string> mapped = mapFontName(conv, fonts, old);
  if (!mapped || *mapped == old) return std::string(inside);
  return ReplaceAll(inside, old, *mapped);
}

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

bool equalsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + 32);
    if (x != y) return false;
  }
  return true;
}

}  // namespace

std::vector<AttributeValue> readableAttributeValues(std::string_view inside) {
  std::vector<AttributeValue> values;
  std::size_t i = 0;
  const std::size_t n = inside.size();
  while (i < n && isBlank(inside[i])) ++i;
  const std::size_t nameStart = i;
  while (i < n && !isBlank(inside[i]) && inside[i] != '/') ++i;
  const std::string_view tagName = inside.substr(nameStart, i - nameStart);
  const bool meta = equalsNoCase(tagName, "meta");
  bool readableMeta = false;
  AttributeValue content;
  bool hasContent = false;
  while (i < n) {
    while (i < n && (isBlank(inside[i]) || inside[i] == '/')) ++i;
    const std::size_t a = i;
    while (i < n && !isBlank(inside[i]) && inside[i] != '=' && inside[i] != '/') ++i;
    const std::string_view name = inside.substr(a, i - a);
    if (name.empty()) {
      ++i;
      continue;
    }
    std::size_t j = i;
    while (j < n && isBlank(inside[j])) ++j;
    if (j >= n || inside[j] != '=') continue;  // an attribute without a value
    ++j;
    while (j < n && isBlank(inside[j])) ++j;
    AttributeValue v;
    if (j < n && (inside[j] == '"' || inside[j] == '\'')) {
      v.quote = inside[j];
      const std::size_t close = inside.find(v.quote, j + 1);
      v.offset = j + 1;
      v.length = (close == std::string_view::npos ? n : close) - v.offset;
      i = close == std::string_view::npos ? n : close + 1;
    } else {
      v.offset = j;
      while (j < n && !isBlank(inside[j])) ++j;
      v.length = j - v.offset;
      i = j;
    }
    const std::string_view value = inside.substr(v.offset, v.length);
    bool readable = false;
    switch (name.size()) {
      case 3: readable = equalsNoCase(name, "alt"); break;
      case 5: readable = equalsNoCase(name, "title") || equalsNoCase(name, "label"); break;
      case 7: readable = equalsNoCase(name, "summary"); break;
      case 11: readable = equalsNoCase(name, "placeholder"); break;
      default: break;
    }
    if (readable) {
      values.push_back(v);
    } else if (meta && equalsNoCase(name, "name")) {
      readableMeta = equalsNoCase(value, "description") || equalsNoCase(value, "keywords");
    } else if (meta && equalsNoCase(name, "content")) {
      content = v;
      hasContent = true;
    }
  }
  if (readableMeta && hasContent) {
    auto at = values.begin();
    while (at != values.end() && at->offset < content.offset) ++at;
    values.insert(at, content);
  }
  return values;
}

void writeConvertedValue(char quote, const ByteBuffer& converted, ByteBuffer& out) {
  for (std::size_t k = 0; k < converted.size(); ++k) {
    const auto c = static_cast<char>(converted.data()[k]);
    if (quote != 0 && c == quote)
      out.append(c == '"' ? std::string_view("&quot;") : std::string_view("&#39;"));
    else
      out.push(static_cast<std::uint8_t>(c));
  }
}

const char* htmlEntityOf(std::uint8_t byte, EntityForm form) {
  switch (form) {
    case EntityForm::kNumeric: return entityIndex().numeric[byte];
    case EntityForm::kNamed: return entityIndex().named[byte];
    default: return nullptr;
  }
}

void HtmlScanner::feed(std::string_view chunk, Handler& h) {
  std::size_t i = 0;
  while (i < chunk.size()) {
    if (inTag_) {
      const std::size_t close = chunk.find('>', i);
      if (close == std::string_view::npos) {
        tag_.append(chunk.substr(i));
        return;
      }
      tag_.append(chunk.substr(i, close - i));
      h.tag(tag_);
      tag_.clear();
      inTag_ = false;
      i = close + 1;
      continue;
    }
    // Word bytes up to the next break.
    std::size_t j = i;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(chunk.data());
    while (j < chunk.size() && !kBreaks.is[bytes[j]]) ++j;
    if (j == chunk.size()) {
      h.textBytes(j - i);
      word_.append(chunk.substr(i));
      return;
    }
    h.textBytes(j - i + 1);
    if (!word_.empty()) {
      word_.append(chunk.substr(i, j - i));
      h.word(word_);
      word_.clear();
    } else if (j > i) {
      h.word(chunk.substr(i, j - i));
    }
    h.breakByte(chunk[j]);
    if (chunk[j] == '<') inTag_ = true;
    i = j + 1;
  }
}

void HtmlScanner::finish(Handler& h) {
  if (inTag_)
    h.unclosedTag(tag_);
  else if (!word_.empty())
    h.word(word_);
  word_.clear();
  tag_.clear();
  inTag_ = false;
}

struct HtmlConverter::Writer : HtmlScanner::Handler {
  Writer(HtmlConverter& c, ByteBuffer& o) : self(c), out(o) {}
  void word(std::string_view w) override {
    self.words_.convert(self.conv_, self.settings_, w, out);
  }
  void breakByte(char b) override { out.push(static_cast<std::uint8_t>(b)); }
  void tag(std::string_view inside) override {
    const std::string rewritten = rewriteHtmlTag(self.conv_, self.fonts_, self.settings_, inside);
    if (self.settings_.convertAttributeText) {
      writeTagConvertingText(
          rewritten,
          [this](std::string_view w, ByteBuffer& o) {
            self.words_.convert(self.conv_, self.settings_, w, o);
          },
          [](std::string_view m, ByteBuffer& o) { o.append(m); }, out);
    } else {
      out.append(rewritten);
    }
    out.push('>');
  }
  void unclosedTag(std::string_view inside) override { out.append(inside); }
  HtmlConverter& self;
  ByteBuffer& out;
};

HtmlConverter::HtmlConverter(ConverterState& conv, FontMapState& fonts, HtmlSettings settings)
    : conv_(conv), fonts_(fonts), settings_(std::move(settings)) {}

void HtmlConverter::feed(std::string_view chunk, ByteBuffer& out) {
  Writer w(*this, out);
  scanner_.feed(chunk, w);
}

void HtmlConverter::finish(ByteBuffer& out) {
  Writer w(*this, out);
  scanner_.finish(w);
}

}  // namespace ts
