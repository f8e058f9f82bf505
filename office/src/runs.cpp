#include "runs.hpp"

#include "ts/catalogue.hpp"
#include "ts/forms.hpp"
#include "ts/letter_case.hpp"
#include "ts/repair.hpp"
#include "ts/utf.hpp"

namespace ts::office {

namespace {

constexpr int kLegacyFamilies[] = {kTcvn3, kVniWin, kViscii};

bool unicodeCharset(int code) { return code >= kDecimalEsc && code <= 43; }

// The bytes a text carries (its characters as Windows-1252 bytes), or nothing when a
// character stands for none.
std::optional<std::string> carriedBytes(std::string_view text) {
  const auto* s = reinterpret_cast<const std::uint8_t*>(text.data());
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    if (s[i] < 0x80) {
      out += static_cast<char>(s[i++]);
      continue;
    }
    std::uint32_t cp = 0;
    const int len = wellFormedUtf8(s + i, text.size() - i, cp);
    const int b = len == 0 ? -1 : carriedByte(cp);
    if (b < 0) return std::nullopt;
    out += static_cast<char>(b);
    i += static_cast<std::size_t>(len);
  }
  return out;
}

// Bytes as the characters a document in their font holds.
std::string carriedText(std::string_view bytes) {
  std::string out;
  for (const char c : bytes) {
    const auto b = static_cast<std::uint8_t>(c);
    if (b < 0x80) {
      out += c;
      continue;
    }
    const LetterCode u = windows1252Utf8(b);
    out.append(reinterpret_cast<const char*>(u.bytes), u.len);
  }
  return out;
}

// Text XML 1.0 cannot hold: control codes other than tab, line feed and carriage return.
bool holdsControlCodes(std::string_view text) {
  for (const char c : text)
    if (static_cast<std::uint8_t>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r') return true;
  return false;
}

}  // namespace

bool capitalsFont(std::string_view name) {
  return (name.starts_with(".Vn") && name.ends_with("H")) || name.ends_with("CH0") ||
         name.ends_with("H 1.1");
}

struct RunConverter::Conversion {
  ConverterState state{kLibraryOptions};
  bool converts = false;
};

RunConverter::RunConverter(int source, int destination)
    : source_(source),
      destination_(destination),
      target_(unicodeCharset(destination) ? kUtf8 : destination),
      sourceUnicode_(unicodeCharset(source)),
      destinationUnicode_(unicodeCharset(destination)) {}

RunConverter::~RunConverter() = default;

int RunConverter::charsetOf(std::string_view font) const {
  const int family = fontCharset(font);
  if (family == kDecimalEsc) return sourceUnicode_ ? kUtf8 : 0;
  if (family != 0) return sourceUnicode_ ? 0 : family;
  if (source_ == 0) return -1;  // judged against each legacy family
  return sourceUnicode_ ? kUtf8 : source_;
}

RunConverter::Conversion* RunConverter::conversion(int charset) {
  std::unique_ptr<Conversion>& c = conversions_[charset];
  if (!c) {
    c = std::make_unique<Conversion>();
    const std::uint32_t from = charset == kUtf8 ? kUtf8 : carriedForm(charset, 1);
    c->converts = (charset != target_ || !destinationUnicode_) && charset != destination_ &&
                  selectForms(c->state, from, static_cast<std::uint32_t>(target_));
  }
  return c->converts ? c.get() : nullptr;
}

bool RunConverter::readsAsLegacy(std::string_view text) const {
  if (sourceUnicode_) return false;
  if (source_ != 0) return readsAsCarried(text, source_);
  for (const int family : kLegacyFamilies)
    if (readsAsCarried(text, family)) return true;
  return false;
}

std::optional<std::string> RunConverter::change(std::string_view font, std::string_view text,
                                                bool whole) {
  if (text.empty()) return std::nullopt;
  int charset = charsetOf(font);
  const bool judged = whole && fontCharset(font) == 0 && !sourceUnicode_;
  // A piece of a run judged whole is read as the run was.
  if (!whole && charset == -1) charset = pieceCharset_;
  if (charset == 0) return std::nullopt;
  if (charset == -1) {
    // No source: only text that reads clearly as one legacy family.
    for (const int family : kLegacyFamilies)
      if (whole && readsAsCarried(text, family)) {
        charset = family;
        break;
      }
    if (charset == -1) {
      bool plain = true;
      for (const char ch : text) plain = plain && static_cast<std::uint8_t>(ch) < 0x80;
      if (!plain && whole) ++left_;
      return std::nullopt;
    }
    pieceCharset_ = charset;
  }
  Conversion* c = conversion(charset);
  if (c == nullptr) return std::nullopt;
  std::string input(text);
  if (charset != kUtf8) {
    const std::optional<std::string> bytes = carriedBytes(text);
    if (!bytes) {  // Unicode typed into a legacy font's run
      left_ += whole;
      return std::nullopt;
    }
    input = *bytes;
  }
  std::string out = ts::convert(c->state, input);
  if (capitalsFont(font)) {
    const std::optional<std::string> mapped = mappedFont(font);
    if (!mapped || !capitalsFont(*mapped)) {
      LetterCaseStream upper(target_, true);
      ByteBuffer cased;
      upper.feed(out, cased);
      upper.finish(cased);
      out = std::string(cased.view());
    }
  }
  if (!destinationUnicode_) out = carriedText(out);
  // Text that reads the same (ASCII): taken, so that its font is mapped with the others.
  if (out == text) return judged ? std::nullopt : std::optional<std::string>(out);
  // Judged last: converting it would change it, so the judgement decides.
  if (judged && !readsAsCarried(text, charset)) {
    ++left_;
    return std::nullopt;
  }
  if (holdsControlCodes(out)) {
    left_ += whole;
    return std::nullopt;
  }
  converted_ += whole;
  return out;
}

std::optional<std::string> RunConverter::mappedFont(std::string_view font) {
  const auto known = fonts_.find(font);
  if (known != fonts_.end()) return known->second;
  std::optional<std::string> mapped;
  const int family = fontCharset(font);
  const std::optional<std::string> bytes = carriedBytes(font);
  if (family != 0 && family != kDecimalEsc && !sourceUnicode_ && bytes) {
    ConverterState pair(kLibraryOptions);
    FontMapState lists;
    lists.destinationFamily = destinationUnicode_ ? kDecimalEsc : 0;
    const int to = destinationUnicode_ ? kDecimalEsc : destination_;
    if (family != to && selectPair(pair, static_cast<std::uint32_t>(family),
                                   static_cast<std::uint32_t>(to))) {
      const std::optional<std::string> name = mapFontName(pair, lists, *bytes);
      if (name && *name != *bytes) mapped = carriedText(*name);
    }
  } else if (family == kDecimalEsc && sourceUnicode_ && !destinationUnicode_ && bytes) {
    ConverterState pair(kLibraryOptions);
    FontMapState lists;
    if (selectPair(pair, kDecimalEsc, static_cast<std::uint32_t>(destination_))) {
      const std::optional<std::string> name = mapFontName(pair, lists, *bytes);
      if (name && *name != *bytes) mapped = carriedText(*name);
    }
  }
  fonts_.emplace(std::string(font), mapped);
  return mapped;
}

}  // namespace ts::office
