#include "ts/letter_case.hpp"

#include <cstdio>
#include <stdexcept>

#include "plan.hpp"
#include "ts/unicode.hpp"
#include "ts/utf.hpp"

namespace ts {
namespace {

std::uint8_t asciiCase(std::uint8_t b, bool upper) {
  if (upper && b >= 'a' && b <= 'z') return static_cast<std::uint8_t>(b - 32);
  if (!upper && b >= 'A' && b <= 'Z') return static_cast<std::uint8_t>(b + 32);
  return b;
}

bool isHex(std::uint8_t b) {
  return (b >= '0' && b <= '9') || (b >= 'A' && b <= 'F') || (b >= 'a' && b <= 'f');
}

int hexValue(std::uint8_t b) { return b <= '9' ? b - '0' : (b | 0x20) - 'a' + 10; }

void putUtf8(std::uint32_t cp, ByteBuffer& out) {
  std::uint8_t b[4];
  out.append(b, static_cast<std::size_t>(encodeUtf8(cp, b)));
}

void putText(const char* s, int n, ByteBuffer& out) { out.append(s, static_cast<std::size_t>(n)); }

}  // namespace

struct LetterCaseStream::Impl {
  Impl(int code, bool up) : charset(code == kVnUnicode2 ? kDecimalEsc : code), upper(up) {}

  // The letter of the other case for a code point, or 0 when it is no letter.
  std::uint32_t mapped(std::uint32_t cp) const {
    const int n = letterOfCodePoint(cp);
    if (n == 0) return 0;
    return letterCodePoint(upper ? upperLetter(n) : lowerLetter(n));
  }

  std::size_t unicodeForm(const std::uint8_t* s, std::size_t n, bool final, ByteBuffer& out);

  int charset;
  bool upper;
  // Byte charsets: the tree of the charset and tables that write each letter in the other case.
  CharsetSelection selection;
  std::unique_ptr<DecodeTree> tree;
  std::unique_ptr<ConversionPlan> plan;
  TreeStream treeStream;
  ByteBuffer pending;  // the Unicode forms: the start of an escape not yet complete
};

// One step of the Unicode forms at a time; stops (returns where) when the next bytes decide.
std::size_t LetterCaseStream::Impl::unicodeForm(const std::uint8_t* s, std::size_t n, bool final,
                                                ByteBuffer& out) {
  std::size_t i = 0;
  char buf[32];
  while (i < n) {
    const std::uint8_t b = s[i];
    if (charset == kUtf8 && b >= 0x80) {
      const std::size_t len = (b >= 0xC2 && b <= 0xDF) ? 2 : (b >= 0xE0 && b <= 0xEF) ? 3 : 1;
      if (len > 1 && i + len > n && !final) return i;
      bool valid = len > 1 && i + len <= n;
      for (std::size_t k = 1; valid && k < len; ++k) valid = (s[i + k] & 0xC0) == 0x80;
      std::uint32_t cp = 0, to = 0;
      if (valid) {
        cp = len == 2 ? ((b & 0x1Fu) << 6) | (s[i + 1] & 0x3Fu)
                      : ((b & 0x0Fu) << 12) | ((s[i + 1] & 0x3Fu) << 6) | (s[i + 2] & 0x3Fu);
        to = mapped(cp);
      }
      if (to != 0) {
        putUtf8(to, out);
        i += len;
      } else {
        const std::size_t keep = valid ? len : 1;
        out.append(s + i, keep);
        i += keep;
      }
      continue;
    }
    if (charset == kDecimalEsc && b == '\\') {
      int v = 0;
      const EscapeMatch m = matchDecimalEscape(s + i, n - i, v);
      if (m == EscapeMatch::kUnknown && !final) return i;
      if (m == EscapeMatch::kYes) {
        const std::uint32_t to = mapped(static_cast<std::uint32_t>(v));
        if (to != 0)
          putText(buf, std::snprintf(buf, sizeof buf, "\\u%04u", static_cast<unsigned>(to)), out);
        else
          out.append(s + i, 6);  // an escape that names no letter stays as it is
        i += 6;
        continue;
      }
    }
    if (charset == kHtmlRefs && b == '&') {
      if (i + 1 == n && !final) return i;
      if (i + 1 < n && s[i + 1] == '#') {
        std::size_t j = i + 2;
        while (j < n && j - i < 10 && s[j] >= '0' && s[j] <= '9') ++j;
        if (j == n && !final) return i;
        if (j > i + 2 && j < n && s[j] == ';' && j - i <= 7) {
          std::uint32_t v = 0;
          for (std::size_t k = i + 2; k < j; ++k) v = v * 10 + (s[k] - '0');
          const std::uint32_t to = mapped(v);
          if (to != 0) {
            putText(buf, std::snprintf(buf, sizeof buf, "&#%u;", static_cast<unsigned>(to)), out);
            i = j + 1;
            continue;
          }
        }
      }
    }
    if (charset == kCStyle && b == '\\') {
      if (i + 1 == n && !final) return i;
      if (i + 1 < n && s[i + 1] == 'x') {
        std::size_t j = i + 2;
        while (j < n && isHex(s[j])) ++j;
        if (j + 2 > n && !final) return i;  // the digits or the quotes may go on
        if (j > i + 2) {
          const bool quoted = j + 2 <= n && s[j] == '"' && s[j + 1] == '"';
          std::uint32_t v = 0;
          for (std::size_t k = i + 2; k < j && j - i <= 6; ++k) v = v * 16 + hexValue(s[k]);
          const std::uint32_t to = (quoted && j - i <= 6) ? mapped(v) : 0;
          if (to != 0) {
            putText(buf, std::snprintf(buf, sizeof buf, "\\x%X\"\"", static_cast<unsigned>(to)),
                    out);
            i = j + 2;
          } else {
            out.append(s + i, j - i);  // an escape that names no letter stays as it is
            i = j;
          }
          continue;
        }
      }
    }
    out.push(asciiCase(b, upper));
    ++i;
  }
  return n;
}

LetterCaseStream::LetterCaseStream(int charset, bool upper) : impl_(new Impl(charset, upper)) {
  Impl& m = *impl_;
  if (!selectCharset(static_cast<std::uint32_t>(m.charset), kCatalogueSize, m.selection))
    throw std::invalid_argument("charset " + std::to_string(charset) + " has no letter table");
  if (m.charset >= kDecimalEsc) return;  // the Unicode forms are parsed
  m.tree = std::make_unique<DecodeTree>(DecodeTree::build(m.selection));
  m.plan = std::make_unique<ConversionPlan>();
  ConversionPlan& p = *m.plan;
  p.path = ConversionPath::kTree;
  p.tree = m.tree.get();
  for (int n = 1; n <= kLetterCount; ++n) {
    // A letter whose other case has no code here stays as it is (B.K HCM 1 has no Ỵ).
    LetterCode c = writeLetter(m.selection, upper ? upperLetter(n) : lowerLetter(n));
    if (c.empty()) c = writeLetter(m.selection, n);
    p.letter[n] = makeOutCode(c);
  }
  for (int b = 0; b < 256; ++b) {
    LetterCode c;
    c.len = 1;
    c.bytes[0] = asciiCase(static_cast<std::uint8_t>(b), upper);
    p.copy[b] = makeOutCode(c);
  }
  p.copiesUnchanged = false;
  fillRootTable(p);
}

LetterCaseStream::~LetterCaseStream() = default;

void LetterCaseStream::feed(std::string_view chunk, ByteBuffer& out) {
  Impl& m = *impl_;
  if (m.plan) {
    m.treeStream.feed(*m.plan, reinterpret_cast<const std::uint8_t*>(chunk.data()), chunk.size(),
                      out);
    return;
  }
  m.pending.append(chunk);
  m.pending.consumeFront(m.unicodeForm(m.pending.data(), m.pending.size(), false, out));
}

void LetterCaseStream::finish(ByteBuffer& out) {
  Impl& m = *impl_;
  if (m.plan) {
    m.treeStream.finish(*m.plan, out);
    return;
  }
  m.unicodeForm(m.pending.data(), m.pending.size(), true, out);
  m.pending.clear();
}

}  // namespace ts
