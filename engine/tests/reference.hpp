// Slow, literal forms of the conversion rules, kept as references for the fast engine.
//
// Each function follows the rule step by step: the replacement passes one after the other
// over the whole text, the escapes byte by byte, the tree scan from the last byte to the
// first with the output written backwards and reversed at the end.
#pragma once

#include "ts/unicode.hpp"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "plan.hpp"
#include "ts/catalogue.hpp"
#include "ts/converter.hpp"

namespace ts::reference {

// Replace every occurrence, byte by byte: at each position, either the pattern starts there
// (write the replacement and jump over it) or the byte is copied.
inline std::string replaceAll(std::string_view text, std::string_view pattern,
                              std::string_view replacement) {
  if (pattern.empty()) return std::string(text);
  std::string out;
  std::size_t i = 0;
  while (i < text.size()) {
    bool match = i + pattern.size() <= text.size();
    for (std::size_t k = 0; match && k < pattern.size(); ++k) match = text[i + k] == pattern[k];
    if (match) {
      out += replacement;
      i += pattern.size();
    } else {
      out += text[i];
      ++i;
    }
  }
  return out;
}

inline std::string codeText(const LetterCode& c) { return std::string(c.view()); }

// The bytes a backslash makes literal in VIQR.
inline bool viqrEscapable(std::uint8_t b) {
  return std::string_view(".?'`~(^+dD\\").find(static_cast<char>(b)) != std::string_view::npos;
}

// A byte that forms no letter, as the destination receives it.  VIQR receives a byte that may
// need its backslash with a tag before it (see viqrEscapes).
inline std::string copied(const CharsetSelection& dst, std::uint8_t b) {
  if (dst.code == kUtf8 && b >= 0x80) return codeText(windows1252Utf8(b));
  if (dst.code == kViqr && (viqrEscapable(b) || b == 1))
    return std::string{'\x01', static_cast<char>(b)};
  return std::string(1, static_cast<char>(b));
}

// Whether bytes t[i..] start a well-formed UTF-8 sequence, and its length (0: none).
inline std::size_t utf8Length(std::string_view t, std::size_t i) {
  const auto b = static_cast<std::uint8_t>(t[i]);
  const std::size_t len = b < 0x80                   ? 1
                          : (b >= 0xC2 && b <= 0xDF) ? 2
                          : (b >= 0xE0 && b <= 0xEF) ? 3
                          : (b >= 0xF0 && b <= 0xF4) ? 4
                                                     : 0;
  if (len == 0 || i + len > t.size()) return 0;
  std::uint32_t cp = len == 1 ? b : len == 2 ? (b & 0x1Fu) : len == 3 ? (b & 0x0Fu) : (b & 0x07u);
  for (std::size_t k = 1; k < len; ++k) {
    const auto c = static_cast<std::uint8_t>(t[i + k]);
    if ((c & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (c & 0x3Fu);
  }
  if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
      (cp >= 0xD800 && cp <= 0xDFFF))
    return 0;
  return len;
}

// Bytes that are no letter code, as the destination receives them from an escape form: with
// UTF-8 output, well-formed sequences as they are and any other byte of 128 or more as its
// Windows-1252 character; otherwise as they are.
inline std::string copiedRun(const CharsetSelection& dst, std::string_view run) {
  if (dst.code == kViqr) {
    std::string out;
    for (char c : run) out += copied(dst, static_cast<std::uint8_t>(c));
    return out;
  }
  if (dst.code != kUtf8) return std::string(run);
  std::string out;
  for (std::size_t i = 0; i < run.size();) {
    const std::size_t len = utf8Length(run, i);
    if (len == 0) {
      out += copied(dst, static_cast<std::uint8_t>(run[i]));
      ++i;
    } else {
      out.append(run.substr(i, len));
      i += len;
    }
  }
  return out;
}

// The escape forms (sources 41..43) by the old literal rule: for each letter in number
// order, every occurrence of its source code in the whole text is replaced by its
// destination code.  `merged` tells whether a replacement matched bytes that an earlier
// replacement wrote: only then can the result differ from reading each code once.
inline std::string escapeFormsLiteral(const CharsetSelection& src, const CharsetSelection& dst,
                                      std::string_view text, bool& merged) {
  std::string work(text);
  std::vector<bool> written(work.size(), false);
  merged = false;
  for (int n = 1; n <= kLetterCount; ++n) {
    const std::string p = codeText(storedCode(src, n));
    const std::string r = codeText(writeLetter(dst, n));
    if (p.empty() || p == r || work.find(p) == std::string::npos) continue;
    std::string next;
    std::vector<bool> nextWritten;
    for (std::size_t i = 0; i < work.size();) {
      if (work.compare(i, p.size(), p) == 0) {
        for (std::size_t k = 0; k < p.size(); ++k) merged = merged || written[i + k];
        next += r;
        nextWritten.insert(nextWritten.end(), r.size(), true);
        i += p.size();
      } else {
        next += work[i];
        nextWritten.push_back(written[i]);
        ++i;
      }
    }
    work.swap(next);
    written.swap(nextWritten);
  }
  // The bytes no replacement wrote, run by run, as copies.
  std::string out;
  for (std::size_t i = 0; i < work.size();) {
    std::size_t j = i;
    while (j < work.size() && written[j] == written[i]) ++j;
    const std::string_view run(work.data() + i, j - i);
    out += written[i] ? std::string(run) : copiedRun(dst, run);
    i = j;
  }
  return out;
}

// The escape forms as the engine reads them: left to right, at each position the first
// letter in number order whose source code starts there is written, else the byte copied.
inline std::string escapeForms(const CharsetSelection& src, const CharsetSelection& dst,
                               std::string_view text) {
  std::string out, run;
  for (std::size_t i = 0; i < text.size();) {
    // A reference in another spelling (hexadecimal, leading zeros, lower-case digits) is
    // read as its stored spelling.
    std::string canonical;
    std::size_t spelled = 0;
    if (src.code == kHtmlRefs || src.code == kCStyle) {
      const bool refs = src.code == kHtmlRefs;
      std::size_t k = i + 2;
      bool hex = !refs;
      if (text.compare(i, 2, refs ? "&#" : "\\x") == 0) {
        if (refs && k < text.size() && (text[k] == 'x' || text[k] == 'X')) hex = true, ++k;
        const std::size_t first = k;
        while (k < text.size() && (hex ? std::isxdigit(static_cast<unsigned char>(text[k]))
                                       : std::isdigit(static_cast<unsigned char>(text[k]))))
          ++k;
        const std::string end = refs ? ";" : "\"\"";
        if (k > first && k - first <= (hex ? 8u : 10u) && text.compare(k, end.size(), end) == 0) {
          const unsigned long long v =
              std::stoull(std::string(text.substr(first, k - first)), nullptr, hex ? 16 : 10);
          char buf[32];
          std::snprintf(buf, sizeof buf, refs ? "&#%llu;" : "\\x%llX\"\"", v);
          canonical = buf;
          spelled = k + end.size() - i;
        }
      }
    }
    int found = 0;
    std::size_t len = 0;
    for (int n = 1; n <= kLetterCount && found == 0; ++n) {
      const std::string p = codeText(storedCode(src, n));
      if (p.empty()) continue;
      if (!canonical.empty() && p == canonical)
        found = n, len = spelled;
      else if (text.compare(i, p.size(), p) == 0)
        found = n, len = p.size();
    }
    if (found == 0) {
      run += text[i++];
      continue;
    }
    out += copiedRun(dst, run);
    run.clear();
    out += codeText(writeLetter(dst, found));
    i += len;
  }
  return out + copiedRun(dst, run);
}

// Decimal escapes (source 39), byte by byte from the start.
inline std::string decimalEscapes(const CharsetSelection& dst, std::string_view t, bool read208) {
  std::string out;
  std::size_t i = 0;
  while (i < t.size()) {
    const auto b = static_cast<std::uint8_t>(t[i]);
    bool escape = b == '\\' && i + 6 <= t.size() && t[i + 1] == 'u';
    for (std::size_t k = 2; escape && k < 6; ++k) escape = t[i + k] >= '0' && t[i + k] <= '9';
    if (escape) {
      int v = 0;
      for (int k = 2; k < 6; ++k) v = v * 10 + (static_cast<std::uint8_t>(t[i + k]) - '0');
      int n = 0;
      for (int m = 1; m <= kLetterCount && n == 0; ++m)
        if (letterCodePoint(m) == v) n = m;
      if (read208 && v == 208) n = 80;
      if (n != 0) out += codeText(writeLetter(dst, n));
      i += 6;
    } else {
      out += copied(dst, b);
      ++i;
    }
  }
  return out;
}

// The tree scan from the last byte to the first; the output is built backwards.
inline std::string treeScan(const DecodeTree& tree, const CharsetSelection& dst,
                            std::string_view t) {
  std::string rev;
  auto writeLetterBack = [&](int n) {
    std::string c = codeText(writeLetter(dst, n));
    std::reverse(c.begin(), c.end());
    rev += c;
  };
  auto copyBack = [&](std::uint8_t b) {
    std::string c = copied(dst, b);
    std::reverse(c.begin(), c.end());
    rev += c;
  };
  const DecodeNode& root = tree.root();
  long i = static_cast<long>(t.size()) - 1;
  auto at = [&](long k) { return static_cast<std::uint8_t>(t[static_cast<std::size_t>(k)]); };
  while (i >= 0) {
    const std::uint8_t x = at(i);
    if (root.mark[x] == 0) {
      copyBack(x);
      i -= 1;
    } else if (root.mark[x] == 2) {
      writeLetterBack(root.number[x]);
      i -= 1;
    } else {
      const DecodeNode& c = tree.node(root.child[x]);
      const int my = i - 1 >= 0 ? c.mark[at(i - 1)] : 0;
      if (my == 0) {
        copyBack(x);
        i -= 1;
      } else if (my == 2) {
        writeLetterBack(c.number[at(i - 1)]);
        i -= 2;
      } else {
        const DecodeNode& g = tree.node(c.child[at(i - 1)]);
        const int mz = i - 2 >= 0 ? g.mark[at(i - 2)] : 0;
        if (mz == 2) {
          writeLetterBack(g.number[at(i - 2)]);
          i -= 3;
        } else {
          copyBack(x);
          copyBack(at(i - 1));
          i -= 2;
        }
      }
    }
  }
  std::reverse(rev.begin(), rev.end());
  return rev;
}

// VIQR written: each tagged byte that a reader would take, after the text written before it,
// as the last byte of a letter (the first step of the backward scan over it) gets a
// backslash; a literal backslash gets a second one where the byte after it is one a
// backslash makes literal.  A NUL starts a new text.
inline std::string viqrEscapes(std::string_view tagged) {
  CharsetSelection viqr;
  selectCharset(kViqr, kCatalogueSize, viqr);
  const DecodeTree tree = DecodeTree::build(viqr);
  std::string out;
  std::size_t textStart = 0;
  auto takenAsMark = [&](std::uint8_t c) {
    const std::string before = out.substr(textStart);
    const DecodeNode& root = tree.root();
    if (before.empty() || root.mark[c] != 1) return false;
    const auto b1 = static_cast<std::uint8_t>(before[before.size() - 1]);
    const DecodeNode& first = tree.node(root.child[c]);
    if (first.mark[b1] == 2) return true;
    if (first.mark[b1] != 1 || before.size() < 2) return false;
    const auto b2 = static_cast<std::uint8_t>(before[before.size() - 2]);
    return tree.node(first.child[b1]).mark[b2] == 2;
  };
  for (std::size_t i = 0; i < tagged.size(); ++i) {
    const auto b = static_cast<std::uint8_t>(tagged[i]);
    if (b == 0) textStart = out.size() + 1;
    if (b != 1) {
      out += static_cast<char>(b);
      continue;
    }
    const auto c = static_cast<std::uint8_t>(tagged[++i]);
    if (c == '\\') {
      const bool escapedNext =
          i + 1 < tagged.size() &&
          (tagged[i + 1] == 1 || viqrEscapable(static_cast<std::uint8_t>(tagged[i + 1])));
      out += escapedNext ? "\\\\" : "\\";
      continue;
    }
    if (c != 1 && takenAsMark(c)) out += '\\';
    out += static_cast<char>(c);
  }
  return out;
}

// One NUL-free text through the selected pair, as the rules give it.
inline std::string convertText(const ConverterState& st, std::string_view text) {
  if (text.empty()) return {};
  if (!st.converts()) return std::string(text);
  const ConverterState::Tables& tables = StateAccess::tables(st);
  const CharsetSelection& src = tables.source;
  const CharsetSelection& dst = tables.destination;
  if (src.code == kViqr) {
    // A backslash makes the byte after it literal; the text between escapes reads on its own.
    std::string out;
    std::size_t from = 0;
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
      if (text[i] != '\\' || !viqrEscapable(static_cast<std::uint8_t>(text[i + 1]))) continue;
      out += treeScan(*tables.tree, dst, text.substr(from, i - from));
      out += copied(dst, static_cast<std::uint8_t>(text[i + 1]));
      from = i + 2;
      i = from - 1;
    }
    return out + treeScan(*tables.tree, dst, text.substr(from));
  }
  if (src.code == kDecimalEsc) return decimalEscapes(dst, text, st.options().read208AsDStroke);
  if (src.code == kUtf8 || src.code == kHtmlRefs || src.code == kCStyle)
    return escapeForms(src, dst, text);
  return treeScan(*tables.tree, dst, text);
}

// A text that may hold NUL bytes: each run between them converts on its own.
inline std::string convert(const ConverterState& st, std::string_view text) {
  // Decomposed letters are composed first (composition has tests of its own).
  std::string composed;
  if (st.converts() && st.source() == kUtf8 && st.carriedLayers() == 0 &&
      st.destination() != kUtf8 && composeVietnamese(text, composed))
    text = composed;
  std::string out;
  std::size_t i = 0;
  for (;;) {
    const std::size_t z = text.find('\0', i);
    if (z == std::string_view::npos) {
      out += convertText(st, text.substr(i));
      if (st.converts() && st.destination() == kViqr) return viqrEscapes(out);
      return out;
    }
    out += convertText(st, text.substr(i, z - i));
    out += '\0';
    i = z + 1;
  }
}

}  // namespace ts::reference
