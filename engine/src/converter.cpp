#include "ts/converter.hpp"

#include <cstring>
#include <stdexcept>

#include "plan.hpp"
#include "ts/forms.hpp"
#include "ts/unicode.hpp"
#include "ts/utf.hpp"

namespace ts {

// ---------------------------------------------------------------------------------------
// Decoding tree

DecodeTree::DecodeTree() { nodes_.emplace_back(); }

std::uint16_t DecodeTree::childOf(std::uint16_t parent, std::uint8_t b) {
  if (nodes_[parent].mark[b] == DecodeNode::kContinues) return nodes_[parent].child[b];
  if (nodes_.size() >= 0xFFFF) throw std::length_error("decoding tree too large");
  nodes_.emplace_back();
  const auto index = static_cast<std::uint16_t>(nodes_.size() - 1);
  nodes_[parent].child[b] = index;
  nodes_[parent].mark[b] = DecodeNode::kContinues;
  return index;
}

// The code goes in last byte first.  A later code replaces an earlier one with the same
// bytes; a one- or two-byte code ending where a longer code continues takes that place (the
// longer one is no longer recognised); a longer code whose first step is taken by a shorter
// letter is not inserted.  Codes of four bytes or more make only their first node and are
// never recognised.
void DecodeTree::insert(const LetterCode& code, int number) {
  const int len = code.len;
  if (len == 0) return;
  const auto num = static_cast<std::uint8_t>(number);
  const std::uint8_t b1 = code.bytes[len - 1];
  if (len == 1) {
    nodes_[0].mark[b1] = DecodeNode::kEnds;
    nodes_[0].number[b1] = num;
    return;
  }
  if (nodes_[0].mark[b1] == DecodeNode::kEnds) return;
  const std::uint16_t first = childOf(0, b1);
  if (len >= 4) return;
  const std::uint8_t b2 = code.bytes[len - 2];
  if (len == 2) {
    nodes_[first].mark[b2] = DecodeNode::kEnds;
    nodes_[first].number[b2] = num;
    return;
  }
  if (nodes_[first].mark[b2] == DecodeNode::kEnds) return;
  const std::uint16_t second = childOf(first, b2);
  const std::uint8_t b3 = code.bytes[len - 3];
  nodes_[second].mark[b3] = DecodeNode::kEnds;
  nodes_[second].number[b3] = num;
}

DecodeTree DecodeTree::build(const CharsetSelection& source) {
  DecodeTree tree;
  const int count = static_cast<int>(source.count);
  // Every letter of the table in letter order.  A capital that shares its code with its own
  // lower-case letter is left out, so that code reads as the lower-case letter.
  for (int n = 1; n <= count; ++n) {
    const LetterCode code = storedCode(source, n);
    const int lower = lowerCaseOf(n);
    if (lower != 0 && lower <= count && code == storedCode(source, lower)) continue;
    tree.insert(code, n);
  }
  if (count == 80) {
    // The capitals of an 80-letter charset, made by its capital rule.  TCVN3 reads no
    // capitals: its bytes go in again as the lower-case letters.
    for (int n = 1; n <= 72; ++n) {
      const LetterCode lower = storedCode(source, n);
      if (source.code == kTcvn3) {
        tree.insert(lower, n);
        continue;
      }
      const LetterCode capital = capitalRule(static_cast<int>(source.kind), lower);
      if (capital == lower) continue;
      tree.insert(capital, n + 80);
    }
  }
  // Capitals other converters write at bytes the table leaves free are read too.
  for (const ReadOnlyCode& extra : readOnlyCodes(static_cast<int>(source.code))) {
    LetterCode code;
    code.len = 1;
    code.bytes[0] = extra.byte;
    tree.insert(code, letterOfCodePoint(extra.codePoint));
  }
  return tree;
}

// ---------------------------------------------------------------------------------------
// Plans

OutCode makeOutCode(const LetterCode& c) {
  OutCode o;
  o.len = c.len;
  for (int i = 0; i < c.len; ++i) {
    o.fwd[i] = c.bytes[i];
    o.rev[8 - c.len + i] = c.bytes[i];
  }
  return o;
}

void fillRootTable(ConversionPlan& plan) {
  const DecodeNode& root = plan.tree->root();
  plan.singleByte = true;
  for (int b = 0; b < 256; ++b) {
    if (root.mark[b] == DecodeNode::kEnds) {
      plan.root[b] = plan.letter[root.number[b]];
    } else {
      plan.root[b] = plan.copy[b];
      if (root.mark[b] == DecodeNode::kContinues) plan.singleByte = false;
    }
    plan.plain[b] = root.mark[b] != DecodeNode::kContinues && plan.root[b].len == 1 &&
                    plan.root[b].fwd[0] == b;
  }
}

void fillEscapeRootTable(ConversionPlan& plan) {
  plan.root = plan.copy;
  for (int n = kLetterCount; n >= 1; --n)  // the first letter of a code wins
    if (letterCodePoint(n) < 0x80) plan.root[letterCodePoint(n)] = plan.letter[n];
}

std::unique_ptr<ConversionPlan> makePlan(const ConverterState::Tables& tables,
                                         const EngineOptions& options, std::uint32_t key) {
  auto plan = std::make_unique<ConversionPlan>();
  const CharsetSelection& src = tables.source;
  const CharsetSelection& dst = tables.destination;
  const bool sourceW = formIsWindows1258(key & 0xFFFF);
  const bool destinationW = formIsWindows1258(key >> 16);
  for (int n = 1; n <= kLetterCount; ++n) {
    plan->letter[n] = makeOutCode(writeLetter(dst, n));
    // Windows-1258 writes a letter it has precomposed as that byte, as its own code page does.
    const int b = destinationW ? windows1258Byte(letterCodePoint(n)) : -1;
    if (b >= 0x80) {
      LetterCode c;
      c.len = 1;
      c.bytes[0] = static_cast<std::uint8_t>(b);
      plan->letter[n] = makeOutCode(c);
    }
  }
  plan->windows1258Destination = destinationW;
  plan->viqrEscapesRead = src.code == kViqr;
  plan->viqrEscapesWrite = dst.code == kViqr;
  plan->copiesUnchanged = dst.code != kUtf8 && dst.code != kViqr;
  for (int b = 0; b < 256; ++b) {
    const auto byte = static_cast<std::uint8_t>(b);
    LetterCode c;
    if (dst.code == kUtf8 && byte >= 0x80) {
      c.len = static_cast<std::uint8_t>(
          encodeUtf8(sourceW ? windows1258CodePoint(byte) : windows1252CodePoint(byte), c.bytes));
    } else if (plan->viqrEscapesWrite && (isViqrEscapable(byte) || byte == kViqrTag)) {
      c.len = 2;
      c.bytes[0] = kViqrTag;
      c.bytes[1] = byte;
    } else {
      c.len = 1;
      c.bytes[0] = byte;
    }
    plan->copy[b] = makeOutCode(c);
  }

  switch (src.code) {
    case kDecimalEsc:
      plan->path = ConversionPath::kDecimalEscapes;
      for (int n = kLetterCount; n >= 1; --n)
        plan->letterOfValue[letterCodePoint(n)] =
            static_cast<std::uint8_t>(n);  // the first letter of a code point wins
      if (options.read208AsDStroke) plan->letterOfValue[208] = 80;
      break;
    case kUtf8:
    case kHtmlRefs:
    case kCStyle:
      plan->path = ConversionPath::kEscapeForms;
      plan->form = static_cast<CharsetCode>(src.code);
      plan->legacyDestination = dst.code < kDecimalEsc;
      // Each code is read as the first letter that has it, as letter order decides.
      for (int n = kLetterCount; n >= 1; --n)
        if (letterCodePoint(n) >= 0x80)
          plan->letterOfValue[letterCodePoint(n)] = static_cast<std::uint8_t>(n);
      fillEscapeRootTable(*plan);
      break;
    default:
      plan->path = ConversionPath::kTree;
      plan->tree = tables.tree.get();
      fillRootTable(*plan);
      break;
  }
  return plan;
}

// ---------------------------------------------------------------------------------------
// Decoders

namespace {

// The scan of the tree from the last byte to the first; `emit` receives the codes to write
// in reverse text order, `emitRun` the runs of bytes written as themselves.
template <class Emit, class EmitRun>
void walkBackward(const ConversionPlan& plan, const std::uint8_t* s, std::size_t n, Emit&& emit,
                  EmitRun&& emitRun) {
  const DecodeTree& tree = *plan.tree;
  const DecodeNode& root = tree.root();
  std::size_t i = n;
  while (i > 0) {
    const std::uint8_t x = s[i - 1];
    if (plan.plain[x]) {
      // A run of bytes written as themselves; the byte before it may begin a code of its own
      // but never takes one of them (none continues a code).
      std::size_t j = i - 1;
      while (j > 0 && plan.plain[s[j - 1]]) --j;
      emitRun(s + j, i - j);
      i = j;
      continue;
    }
    if (root.mark[x] != DecodeNode::kContinues) {
      emit(plan.root[x]);
      --i;
      continue;
    }
    if (i < 2) {  // looking behind the start counts as nothing there
      emit(plan.copy[x]);
      --i;
      continue;
    }
    const DecodeNode& first = tree.node(root.child[x]);
    const std::uint8_t y = s[i - 2];
    const std::uint8_t m = first.mark[y];
    if (m == DecodeNode::kNone) {
      emit(plan.copy[x]);
      --i;
    } else if (m == DecodeNode::kEnds) {
      emit(plan.letter[first.number[y]]);
      i -= 2;
    } else {
      const DecodeNode& second = tree.node(first.child[y]);
      if (i >= 3 && second.mark[s[i - 3]] == DecodeNode::kEnds) {
        emit(plan.letter[second.number[s[i - 3]]]);
        i -= 3;
      } else {
        emit(plan.copy[x]);
        emit(plan.copy[y]);
        i -= 2;
      }
    }
  }
}

// Writes each byte of s as its entry in `table`, eight bytes at a time.
void mapBytes(const std::array<OutCode, 256>& table, const std::uint8_t* s, std::size_t n,
              ByteBuffer& out) {
  constexpr std::size_t kBlock = 4096;
  for (std::size_t i = 0; i < n; i += kBlock) {
    const std::size_t m = std::min(kBlock, n - i);
    std::uint8_t* d = out.reserveMore(m * 8 + 8);
    std::uint8_t* p = d;
    for (std::size_t k = 0; k < m; ++k) {
      const OutCode& oc = table[s[i + k]];
      std::memcpy(p, oc.fwd, 8);
      p += oc.len;
    }
    out.commit(static_cast<std::size_t>(p - d));
  }
}

}  // namespace

namespace {

void decodeTreeText(const ConversionPlan& plan, const std::uint8_t* s, std::size_t n,
                    ByteBuffer& out) {
  if (n == 0) return;
  if (plan.singleByte) {
    // Every code is one byte: the scan never looks behind, so it can run forwards.
    mapBytes(plan.root, s, n, out);
    return;
  }
  // In blocks, each written backwards at the end of room for its longest output and moved
  // to its place.  A block ends between two bytes that end no longer code: no code crosses
  // its ends, so each reads as it does in the whole text.
  const DecodeNode& root = plan.tree->root();
  constexpr std::size_t kBlock = 16 * 1024;
  for (std::size_t from = 0; from < n;) {
    std::size_t to = n;
    if (n - from > kBlock) {
      to = from + kBlock;
      while (to + 1 < n && (root.mark[s[to]] == DecodeNode::kContinues ||
                            root.mark[s[to + 1]] == DecodeNode::kContinues))
        ++to;
      if (to + 1 >= n) to = n;
    }
    const std::size_t room = (to - from) * sizeof(OutCode::rev);
    std::uint8_t* const base = out.reserveMore(room);
    std::uint8_t* const end = base + room;
    std::uint8_t* cur = end;
    walkBackward(
        plan, s + from, to - from,
        [&cur](const OutCode& oc) {
          std::memcpy(cur - 8, oc.rev, 8);  // room for eight: at least one byte read before
          cur -= oc.len;
        },
        [&cur, start = s + from](const std::uint8_t* run, std::size_t len) {
          // Short runs (words between marks) in fixed-size copies: eight bytes that end where
          // the run ends (what they write before it is room not used yet), or two that overlap.
          cur -= len;
          if (len <= 8 && run + len >= start + 8) {
            std::memcpy(cur + len - 8, run + len - 8, 8);
          } else if (len >= 8 && len <= 16) {
            std::memcpy(cur, run, 8);
            std::memcpy(cur + len - 8, run + len - 8, 8);
          } else {
            std::memcpy(cur, run, len);
          }
        });
    const std::size_t total = static_cast<std::size_t>(end - cur);
    std::memmove(base, cur, total);
    out.commit(total);
    from = to;
  }
}

}  // namespace

bool isViqrEscapable(std::uint8_t b) {
  switch (b) {
    case '.':
    case '?':
    case '\'':
    case '`':
    case '~':
    case '(':
    case '^':
    case '+':
    case 'd':
    case 'D':
    case '\\': return true;
    default: return false;
  }
}

void decodeWithTree(const ConversionPlan& plan, const std::uint8_t* s, std::size_t n,
                    ByteBuffer& out) {
  if (!plan.viqrEscapesRead) {
    decodeTreeText(plan, s, n, out);
    return;
  }
  // VIQR: a backslash makes the byte after it literal.  Nothing reads across an escape, so
  // the text between escapes converts on its own.
  std::size_t from = 0;
  for (std::size_t i = 0; i + 1 < n;) {
    const void* bs = std::memchr(s + i, '\\', n - i - 1);
    if (bs == nullptr) break;
    i = static_cast<std::size_t>(static_cast<const std::uint8_t*>(bs) - s);
    if (!isViqrEscapable(s[i + 1])) {
      ++i;
      continue;
    }
    decodeTreeText(plan, s + from, i - from, out);
    const OutCode& oc = plan.copy[s[i + 1]];
    out.append(oc.fwd, oc.len);
    i += 2;
    from = i;
  }
  decodeTreeText(plan, s + from, n - from, out);
}

// ---------------------------------------------------------------------------------------
// VIQR's writing pass

namespace {

// VIQR's own tree, to ask how a reader takes the bytes written.
const DecodeTree& viqrTree() {
  static const DecodeTree tree = [] {
    CharsetSelection cs;
    selectCharset(kViqr, kCatalogueSize, cs);
    return DecodeTree::build(cs);
  }();
  return tree;
}

// Whether a reader takes byte c after the bytes p2 p1 (0: none) as part of a letter.
bool readAsMark(std::uint8_t p2, std::uint8_t p1, std::uint8_t c) {
  const DecodeTree& tree = viqrTree();
  const DecodeNode& root = tree.root();
  if (p1 == 0 || root.mark[c] != DecodeNode::kContinues) return false;
  const DecodeNode& first = tree.node(root.child[c]);
  if (first.mark[p1] == DecodeNode::kEnds) return true;
  if (first.mark[p1] != DecodeNode::kContinues || p2 == 0) return false;
  return tree.node(first.child[p1]).mark[p2] == DecodeNode::kEnds;
}

}  // namespace

void ViqrEscaper::put(std::uint8_t b, ByteBuffer& to) {
  to.push(b);
  prev2_ = prev1_;
  prev1_ = b;
  if (b == 0) prev1_ = prev2_ = 0;  // a NUL ends a text
}

void ViqrEscaper::pass(ByteBuffer& out, std::size_t from, bool final) {
  work_.clear();
  const std::uint8_t* s = out.data() + from;
  const std::size_t n = out.size() - from;
  for (std::size_t i = 0; i < n;) {
    const std::uint8_t b = s[i];
    if (heldBackslash_) {
      // A literal backslash: doubled where the byte after it would be taken as escaped.
      heldBackslash_ = false;
      if (b == kViqrTag || isViqrEscapable(b)) put('\\', work_);
      put('\\', work_);
      continue;
    }
    if (b != kViqrTag || i + 1 == n) {  // a tag is never the last byte of a piece
      put(b, work_);
      ++i;
      continue;
    }
    const std::uint8_t c = s[i + 1];
    i += 2;
    if (c == '\\') {
      heldBackslash_ = true;
      continue;
    }
    if (c != kViqrTag && readAsMark(prev2_, prev1_, c)) put('\\', work_);
    put(c, work_);
  }
  if (final && heldBackslash_) {
    heldBackslash_ = false;
    put('\\', work_);
  }
  out.truncate(from);
  out.append(work_.data(), work_.size());
}

std::size_t decodeDecimalEscapes(const ConversionPlan& plan, const std::uint8_t* s, std::size_t n,
                                 bool final, ByteBuffer& out) {
  std::size_t i = 0;
  while (i < n) {
    const void* bs = std::memchr(s + i, '\\', n - i);
    const std::size_t end =
        bs ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(bs) - s) : n;
    if (plan.copiesUnchanged)
      out.append(s + i, end - i);
    else
      mapBytes(plan.copy, s + i, end - i, out);
    i = end;
    if (i == n) break;
    // s[i] is a backslash: an escape only with "u" and four decimal digits.
    int v = 0;
    const EscapeMatch m = matchDecimalEscape(s + i, n - i, v);
    if (m == EscapeMatch::kUnknown && !final) return i;  // the next bytes decide
    if (m != EscapeMatch::kYes) {
      const OutCode& oc = plan.copy['\\'];
      out.append(oc.fwd, oc.len);
      ++i;
      continue;
    }
    const int letter = v < kEscapeValues ? plan.letterOfValue[v] : 0;
    if (letter != 0) {
      const OutCode& oc = plan.letter[letter];
      out.append(oc.fwd, oc.len);
    }
    i += 6;
  }
  return n;
}

namespace {

bool isHexDigit(std::uint8_t b) {
  return (b >= '0' && b <= '9') || (b >= 'A' && b <= 'F') || (b >= 'a' && b <= 'f');
}
int hexDigitValue(std::uint8_t b) { return b <= '9' ? b - '0' : (b | 0x20) - 'a' + 10; }

// A numeric reference "&#N;" or "&#xH;" (digits in any number up to ten, leading zeros
// included) or a C escape "\xH\"\"" (one to eight hexadecimal digits) at s[0..n): its
// length and value, 0 when there is none, or -1 when the text ends before it decides.
long matchReference(CharsetCode form, const std::uint8_t* s, std::size_t n, std::uint32_t& value) {
  std::size_t k = 2;
  bool hex = form == kCStyle;
  if (n < 2) return -1;
  if (form == kHtmlRefs) {
    if (s[0] != '&' || s[1] != '#') return 0;
    if (n == 2) return -1;
    if (s[2] == 'x' || s[2] == 'X') {
      hex = true;
      k = 3;
    }
  } else if (s[0] != '\\' || s[1] != 'x') {
    return 0;
  }
  const std::size_t maxDigits = hex ? 8 : 10;
  std::uint64_t v = 0;
  const std::size_t first = k;
  for (; k < n && k - first < maxDigits + 1; ++k) {
    const std::uint8_t b = s[k];
    if (hex ? !isHexDigit(b) : !(b >= '0' && b <= '9')) break;
    v = hex ? v * 16 + static_cast<std::uint64_t>(hexDigitValue(b)) : v * 10 + (b - '0');
  }
  const std::size_t digits = k - first;
  if (digits > maxDigits) return 0;
  if (k == n) return -1;
  if (digits == 0) return 0;
  if (form == kHtmlRefs) {
    if (s[k] != ';') return 0;
    ++k;
  } else {
    if (s[k] != '"') return 0;
    if (k + 1 == n) return -1;
    if (s[k + 1] != '"') return 0;
    k += 2;
  }
  value = v > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<std::uint32_t>(v);
  return static_cast<long>(k);
}

// A character of a UTF-8 source the legacy destination cannot write, as the watch says.
void writeForeign(const ConversionPlan& plan, ForeignCharacters& foreign, std::uint32_t cp,
                  std::uint64_t offset, const std::uint8_t* bytes, std::size_t len,
                  ByteBuffer& out) {
  ++foreign.count;
  if (foreign.first.size() < ForeignCharacters::kKept) foreign.first.push_back({cp, offset});
  switch (foreign.action) {
    case ForeignCharacters::Action::kCopy: out.append(bytes, len); break;
    case ForeignCharacters::Action::kDrop: break;
    case ForeignCharacters::Action::kTransliterate: {
      std::string_view close = closeForm(cp);
      if (close.empty()) close = "?";
      for (char c : close) {  // ASCII, through the copy table (VIQR tags its marks)
        const OutCode& oc = plan.copy[static_cast<std::uint8_t>(c)];
        out.append(oc.fwd, oc.len);
      }
      break;
    }
  }
}

}  // namespace

std::size_t decodeEscapeForms(const ConversionPlan& plan, const std::uint8_t* s, std::size_t n,
                              bool final, ByteBuffer& out, ForeignCharacters* foreign,
                              std::uint64_t at) {
  const CharsetCode form = plan.form;
  if (!plan.legacyDestination || form != kUtf8) foreign = nullptr;
  const std::uint8_t lead = form == kHtmlRefs ? '&' : form == kCStyle ? '\\' : 0x80;
  auto letterOf = [&plan](std::uint32_t cp) -> int {
    return cp >= 0x80 && cp < kEscapeValues ? plan.letterOfValue[cp] : 0;
  };
  std::size_t i = 0;
  while (i < n) {
    std::size_t j = i;
    while (j < n && s[j] < 0x80 && s[j] != lead) ++j;
    mapBytes(plan.root, s + i, j - i, out);
    i = j;
    if (i == n) break;
    const std::uint8_t b = s[i];
    if (b >= 0x80) {
      std::uint32_t cp = 0;
      const int len = wellFormedUtf8(s + i, n - i, cp);
      if (len == 0 && !final && utf8MayContinue(s + i, n - i)) return i;
      if (len == 0) {  // a byte that forms no character
        const OutCode& oc = plan.copy[b];
        out.append(oc.fwd, oc.len);
        ++i;
        continue;
      }
      const int letter = form == kUtf8 ? letterOf(cp) : 0;
      const int w1258 = plan.windows1258Destination && letter == 0 ? windows1258Byte(cp) : -1;
      if (letter != 0) {
        const OutCode& oc = plan.letter[letter];
        out.append(oc.fwd, oc.len);
      } else if (w1258 >= 0) {
        out.push(static_cast<std::uint8_t>(w1258));
      } else if (foreign != nullptr && len > 1) {
        writeForeign(plan, *foreign, cp, at + i, s + i, static_cast<std::size_t>(len), out);
      } else {
        out.append(s + i, static_cast<std::size_t>(len));  // a character kept as it is
      }
      i += static_cast<std::size_t>(len);
      continue;
    }
    // b is the lead byte of a reference or escape.
    std::uint32_t cp = 0;
    const long len = matchReference(form, s + i, n - i, cp);
    if (len < 0 && !final) return i;
    const int letter = len > 0 ? letterOf(cp) : 0;
    if (letter != 0) {
      const OutCode& oc = plan.letter[letter];
      out.append(oc.fwd, oc.len);
      i += static_cast<std::size_t>(len);
    } else {
      mapBytes(plan.root, s + i, 1, out);
      ++i;
    }
  }
  return n;
}

std::size_t lastSafeTreeCut(const DecodeTree& tree, const std::uint8_t* s, std::size_t n,
                            std::size_t from) {
  if (n < 3) return 0;
  for (std::size_t p = n - 2; p >= from && p >= 1; --p)
    if (treeSplitIsSafe(tree, s, p)) return p;
  return 0;
}

void TreeStream::feed(const ConversionPlan& plan, const std::uint8_t* s, std::size_t n,
                      ByteBuffer& out) {
  pending_.append(s, n);
  const std::size_t size = pending_.size();
  std::size_t cut = lastSafeTreeCut(*plan.tree, pending_.data(), size, checked_);
  // VIQR's escapes: a run of backslashes goes whole with the byte after it.
  if (plan.viqrEscapesRead)
    while (cut > 0 && pending_.data()[cut - 1] == '\\') --cut;
  if (cut == 0) {
    if (size >= 2) checked_ = size - 1;  // cuts before here were tried
    return;
  }
  decodeWithTree(plan, pending_.data(), cut, out);
  pending_.consumeFront(cut);
  checked_ = 1;
}

void TreeStream::finish(const ConversionPlan& plan, ByteBuffer& out) {
  decodeWithTree(plan, pending_.data(), pending_.size(), out);
  pending_.clear();
  checked_ = 1;
}

bool treeSplitIsSafe(const DecodeTree& tree, const std::uint8_t* s, std::size_t p) {
  const DecodeNode& root = tree.root();
  const std::uint8_t a = s[p - 1];
  const std::uint8_t b0 = s[p];
  const std::uint8_t b1 = s[p + 1];
  // A scan that reaches b0 fresh looks behind it only where b0 can end a longer code.
  if (root.mark[b0] == DecodeNode::kContinues &&
      tree.node(root.child[b0]).mark[a] != DecodeNode::kNone)
    return false;
  // A scan that reaches b1 fresh may take b0 and look behind it for a three-byte code.
  if (root.mark[b1] == DecodeNode::kContinues) {
    const DecodeNode& first = tree.node(root.child[b1]);
    if (first.mark[b0] == DecodeNode::kContinues &&
        tree.node(first.child[b0]).mark[a] == DecodeNode::kEnds)
      return false;
  }
  return true;
}

// ---------------------------------------------------------------------------------------
// Selection and conversion

ConverterState::ConverterState() : tables_(std::make_unique<Tables>()) {}
ConverterState::ConverterState(const EngineOptions& o)
    : options_(o), tables_(std::make_unique<Tables>()) {}
ConverterState::ConverterState(ConverterState&&) noexcept = default;
ConverterState& ConverterState::operator=(ConverterState&&) noexcept = default;
ConverterState::~ConverterState() = default;

bool ConverterState::converts() const {
  return (source_ != destination_ || carriedLayers() != 0) && tables_ &&
         (tables_->plan != nullptr || source_ == destination_);
}

std::unique_ptr<DecodeTree> makeTree(const CharsetSelection& source, bool windows1258) {
  auto tree = std::make_unique<DecodeTree>(DecodeTree::build(source));
  if (windows1258) {
    // The letters Windows-1258 has precomposed, at their own bytes.
    for (int b = 0x80; b < 0x100; ++b) {
      const int n = letterOfCodePoint(windows1258CodePoint(static_cast<std::uint8_t>(b)));
      if (n == 0) continue;
      LetterCode c;
      c.len = 1;
      c.bytes[0] = static_cast<std::uint8_t>(b);
      tree->insert(c, n);
    }
  }
  return tree;
}

namespace {

// The plan that writes a carried source's characters that stand for no byte: UTF-8 to the
// destination, kept for the destination form at hand.
void selectUnicodePlan(ConverterState::Tables& t, const EngineOptions& options,
                       std::uint32_t destinationForm) {
  const std::uint32_t key = kUtf8 | (destinationForm << 16);
  if (t.unicodeKey == key) return;
  t.unicodePlan.reset();
  t.unicodeKey = key;
  if ((destinationForm & 0xFF) == kUtf8) return;  // kept as they are
  ConverterState::Tables u;
  selectCharset(kUtf8, kCatalogueSize, u.source);
  if (!selectCharset(destinationForm & 0xFF, options.lastCode, u.destination)) return;
  t.unicodePlan = makePlan(u, options, key);
}

}  // namespace

bool selectPair(ConverterState& state, std::uint32_t source, std::uint32_t destination) {
  // Plain codes only: a byte beyond the catalogue stands for a code of no table (63).
  auto plain = [](std::uint32_t code) { return (code & 0xFF) > 0x3F ? 0x3Fu : code & 0xFF; };
  return selectForms(state, plain(source), plain(destination));
}

bool selectForms(ConverterState& state, std::uint32_t source, std::uint32_t destination) {
  const std::uint32_t sourceForm = source & 0x1FF;
  const std::uint32_t destinationForm = destination & 0x1FF;
  const int layers = formLayers(sourceForm);
  auto s = static_cast<CharsetCode>(formCharset(sourceForm));
  if (s == kVnUnicode2) s = kDecimalEsc;
  // A carried destination is no destination; the Windows-1258 flag goes with 27 alone.
  const bool badForm = (destinationForm & 0xC0) != 0 ||
                       (formIsWindows1258(sourceForm) && s != 27) ||
                       (formIsWindows1258(destinationForm) && (destinationForm & 0xFF) != 27);
  const auto d = static_cast<CharsetCode>(badForm ? 0 : destinationForm & 0xFF);
  // Without its layers: the plan is the same for every number of them.
  const std::uint32_t key = ((sourceForm & ~0xC0u) & ~0x3Fu) | s | (destinationForm << 16);
  StateAccess::setPair(state, s, d, (sourceForm & ~0x3Fu) | s, destinationForm);
  ConverterState::Tables& t = StateAccess::tables(state);
  const int last = state.options().lastCode;
  if (layers != 0) {
    if (!hasLetterTable(s, last) || !hasLetterTable(d, last)) {
      StateAccess::setPair(state, s, d, s, destinationForm);  // copies, as a failure does
      t.plan.reset();
      return false;
    }
    selectUnicodePlan(t, state.options(), destinationForm);
  }
  if (s == d) return true;  // texts are copied; the previous tree stays
  // The pair of the tables at hand again: building them anew would give the same tables.
  if (t.plan && t.key == key) return true;
  constexpr std::size_t kRecentPairs = 4;
  if (t.plan) {
    if (t.recent.size() == kRecentPairs) t.recent.erase(t.recent.begin());
    t.recent.push_back({t.source, t.destination, t.key, std::move(t.tree), std::move(t.plan)});
  }
  t.plan.reset();
  t.tree.reset();
  for (auto it = t.recent.begin(); it != t.recent.end(); ++it) {
    if (it->key == key) {
      t.source = it->source;
      t.destination = it->destination;
      t.key = it->key;
      t.tree = std::move(it->tree);
      t.plan = std::move(it->plan);
      t.recent.erase(it);
      return true;
    }
  }
  if (!selectCharset(s, last, t.source)) return false;
  if (!selectCharset(d, last, t.destination)) return false;
  t.key = key;
  t.tree = makeTree(t.source, formIsWindows1258(sourceForm));
  t.plan = makePlan(t, state.options(), key);
  return true;
}

namespace {

void convertOne(ConversionPlan& plan, const std::uint8_t* s, std::size_t n, ByteBuffer& out,
                ForeignCharacters* foreign, std::uint64_t at) {
  if (n == 0) return;
  switch (plan.path) {
    case ConversionPath::kCopy: out.append(s, n); break;
    case ConversionPath::kDecimalEscapes: decodeDecimalEscapes(plan, s, n, true, out); break;
    case ConversionPath::kEscapeForms: decodeEscapeForms(plan, s, n, true, out, foreign, at); break;
    case ConversionPath::kTree: decodeWithTree(plan, s, n, out); break;
  }
}

// A text's NUL-separated parts, each converted on its own (null plan: copied).
void convertTexts(ConversionPlan* plan, const std::uint8_t* s, std::size_t n, ByteBuffer& out,
                  ForeignCharacters* foreign, std::uint64_t at) {
  if (n == 0) return;
  if (plan == nullptr) {
    out.append(s, n);
    return;
  }
  std::size_t i = 0;
  for (;;) {
    const void* z = std::memchr(s + i, 0, n - i);
    const std::size_t end =
        z ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(z) - s) : n;
    convertOne(*plan, s + i, end - i, out, foreign, at + i);
    if (end == n) break;
    out.push(0);
    i = end + 1;
  }
}

}  // namespace

CarriedReader::CarriedReader(int layers, bool legacy) : layers_(layers), legacy_(legacy) {}

void convert(ConverterState& state, std::string_view text, ByteBuffer& out) {
  std::string composed;
  if (composesFirst(state) && composeVietnamese(text, composed)) text = composed;
  const auto* s = reinterpret_cast<const std::uint8_t*>(text.data());
  const std::size_t n = text.size();
  if (n == 0) return;
  if (!state.converts()) {
    out.append(s, n);
    return;
  }
  ConversionPlan* plan = StateAccess::plan(state);
  const std::size_t from = out.size();
  if (state.carriedLayers() == 0) {
    convertTexts(plan, s, n, out, state.foreign(), 0);
  } else {
    CarriedReader reader(state.carriedLayers(), state.source() != kUtf8);
    reader.feed(
        s, n, true,
        [&](const std::uint8_t* p, std::size_t m) {
          convertTexts(plan, p, m, out, state.foreign(), 0);
        },
        [&](const std::uint8_t* p, std::size_t m) { convertUnicodeCharacter(state, p, m, out); });
  }
  if (writesTaggedViqr(state)) ViqrEscaper().pass(out, from, true);
}

bool composesFirst(const ConverterState& state) {
  return state.converts() && state.source() == kUtf8 && state.carriedLayers() == 0 &&
         state.destination() != kUtf8;
}

bool writesTaggedViqr(ConverterState& state) {
  if (!state.converts() || state.destination() != kViqr) return false;
  return state.source() != kViqr || state.carriedLayers() != 0;
}

void convertUnicodeCharacter(ConverterState& state, const std::uint8_t* s, std::size_t n,
                             ByteBuffer& out) {
  convertTexts(StateAccess::tables(state).unicodePlan.get(), s, n, out, state.foreign(), 0);
}

std::string convert(ConverterState& state, std::string_view text) {
  ByteBuffer out;
  convert(state, text, out);
  return out.str();
}

}  // namespace ts
