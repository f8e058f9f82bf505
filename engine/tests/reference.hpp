// Slow, literal forms of the conversion rules, kept as references for the fast engine.
//
// Each function follows the rule step by step: the replacement passes one after the other
// over the whole text, the escapes byte by byte, the tree scan from the last byte to the
// first with the output written backwards and reversed at the end.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

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

// A byte that forms no letter, as the destination receives it.
inline std::string copied(const CharsetSelection& dst, std::uint8_t b) {
  if (dst.code == kUtf8 && b >= 0x80) return codeText(windows1252Utf8(b));
  return std::string(1, static_cast<char>(b));
}

// The escape forms (sources 41..43): for each letter in number order, every occurrence of its
// source code in the whole text is replaced by its destination code.
inline std::string escapeForms(const CharsetSelection& src, const CharsetSelection& dst,
                               std::string work) {
  for (int n = 1; n <= kLetterCount; ++n) {
    const std::string p = codeText(storedCode(src, n));
    if (p.empty() || work.find(p) == std::string::npos) continue;
    work = replaceAll(work, p, codeText(writeLetter(dst, n)));
  }
  return work;
}

// Decimal escapes (source 39), byte by byte from the start.
inline std::string decimalEscapes(const CharsetSelection& dst, std::string_view t, bool read208) {
  std::string out;
  std::size_t i = 0;
  while (i < t.size()) {
    const auto b = static_cast<std::uint8_t>(t[i]);
    if (b == '\\' && i + 1 < t.size() && t[i + 1] == 'u' && i + 6 <= t.size()) {
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

// One NUL-free text through the selected pair, as the rules give it.
inline std::string convertText(const ConverterState& st, std::string_view text) {
  if (text.empty()) return {};
  if (st.source == st.destination || !st.plan) return std::string(text);
  const CharsetSelection& src = st.sourceSelection;
  const CharsetSelection& dst = st.destinationSelection;
  if (src.code == kDecimalEsc) return decimalEscapes(dst, text, st.options.read208AsDStroke);
  if (src.code == kUtf8 || src.code == kHtmlRefs || src.code == kCStyle)
    return escapeForms(src, dst, std::string(text));
  return treeScan(*st.tree, dst, text);
}

// A text that may hold NUL bytes: each run between them converts on its own.
inline std::string convert(const ConverterState& st, std::string_view text) {
  std::string out;
  std::size_t i = 0;
  for (;;) {
    const std::size_t z = text.find('\0', i);
    if (z == std::string_view::npos) {
      out += convertText(st, text.substr(i));
      return out;
    }
    out += convertText(st, text.substr(i, z - i));
    out += '\0';
    i = z + 1;
  }
}

}  // namespace ts::reference
