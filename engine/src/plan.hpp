// Tables derived from a selected charset pair, and the decoders that use them.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "decode_tree.hpp"
#include "ts/converter.hpp"

namespace ts {

// A code ready to be written: `fwd` holds the bytes from the start, `rev` the same bytes
// ending at its last position (for writing backwards with one 8-byte store).
struct OutCode {
  std::uint8_t fwd[8] = {};
  std::uint8_t rev[8] = {};
  std::uint8_t len = 0;
};
OutCode makeOutCode(const LetterCode& c);

enum class ConversionPath {
  kCopy,            // equal codes
  kDecimalEscapes,  // source 39: \uNNNN parsed directly
  kEscapeForms,     // sources 41..43: UTF-8, numeric references or C escapes read in turn
  kTree,            // byte charsets: decoding tree, last byte first
};

// Highest decimal-escape value that can name a letter, plus one.
inline constexpr int kEscapeValues = 8192;

struct ConversionPlan {
  ConversionPath path = ConversionPath::kCopy;
  std::array<OutCode, kLetterCount + 1> letter{};  // each letter written in the destination
  std::array<OutCode, 256> copy{};                 // a byte that forms no letter
  bool copiesUnchanged = true;  // false for UTF-8, which writes high bytes as Windows-1252

  // Tree path.
  const DecodeTree* tree = nullptr;
  std::array<OutCode, 256> root{};  // what a byte alone writes where the root ends or has nothing
  bool singleByte = false;          // no code of the source is longer than one byte

  // Decimal-escape and escape-form paths: the letter a code point names, 0 for none.  The
  // escape forms also write ASCII bytes through `root` (a letter whose code is one ASCII
  // byte, or the byte's copy).
  std::array<std::uint8_t, kEscapeValues> letterOfValue{};
  CharsetCode form = 0;            // escape-form path: the source, 41, 42 or 43
  bool legacyDestination = false;  // a charset below 39: no code for foreign characters
};

// The tables of a state: those of the selected pair and of a few pairs selected before.
struct ConverterState::Tables {
  CharsetSelection source, destination;
  std::unique_ptr<DecodeTree> tree;      // null until the first successful selection
  std::unique_ptr<ConversionPlan> plan;  // null after a failed selection

  struct Recent {
    CharsetSelection source, destination;
    std::unique_ptr<DecodeTree> tree;
    std::unique_ptr<ConversionPlan> plan;
  };
  std::vector<Recent> recent;
};

// The engine's own view of a state's tables.
struct StateAccess {
  static ConverterState::Tables& tables(ConverterState& s) {
    if (!s.tables_) s.tables_ = std::make_unique<ConverterState::Tables>();  // moved from
    return *s.tables_;
  }
  static void setPair(ConverterState& s, CharsetCode source, CharsetCode destination) {
    s.source_ = source;
    s.destination_ = destination;
  }
  static const ConverterState::Tables& tables(const ConverterState& s) { return *s.tables_; }
  // The plan that converts texts now, or null when texts are copied.
  static ConversionPlan* plan(ConverterState& s) {
    return s.converts() ? s.tables_->plan.get() : nullptr;
  }
};

std::unique_ptr<ConversionPlan> makePlan(const ConverterState::Tables& tables,
                                         const EngineOptions& options);

// Fills `root` and `singleByte` of a tree plan from its tree, letter and copy tables.
void fillRootTable(ConversionPlan& plan);

// Fills `root` of an escape-form plan: each ASCII byte as its copy, or as the letter whose
// code it is.
void fillEscapeRootTable(ConversionPlan& plan);

// One text (no NUL inside) through the tree.
void decodeWithTree(const ConversionPlan& plan, const std::uint8_t* s, std::size_t n,
                    ByteBuffer& out);

// Decimal escapes from the start of s.  When `final` is false, stops before a backslash that
// may start an escape the next bytes complete, and returns how many bytes it consumed.
std::size_t decodeDecimalEscapes(const ConversionPlan& plan, const std::uint8_t* s, std::size_t n,
                                 bool final, ByteBuffer& out);

// The escape forms from the start of s, each source code read once, left to right, and
// written whole: what is written never combines with the bytes that follow.  When `final`
// is false, stops before bytes that may start a code the next bytes complete, and returns
// how many bytes it consumed.
// `foreign` (may be null) watches the characters of a UTF-8 source that are no letter, with
// `at` the offset of s[0] in what it counts.
std::size_t decodeEscapeForms(const ConversionPlan& plan, const std::uint8_t* s, std::size_t n,
                              bool final, ByteBuffer& out, ForeignCharacters* foreign = nullptr,
                              std::uint64_t at = 0);

// Feeds s (at offset `at` of the stream) through a decoder of the form above, holding back
// in `pending` the bytes it leaves for the next piece.  `decode` takes the bytes, whether they
// are final, the output and the stream offset of their first byte.
template <class Decode>
void feedHeld(ByteBuffer& pending, const std::uint8_t* s, std::size_t n, std::uint64_t at,
              ByteBuffer& out, Decode&& decode) {
  if (!pending.empty()) {
    // Complete the held bytes with a few new ones; no code is longer than this.
    constexpr std::size_t kLook = 32;
    const std::size_t old = pending.size();
    const std::size_t take = n < kLook ? n : kLook;
    pending.append(s, take);
    const std::size_t used = decode(pending.data(), pending.size(), false, out, at - old);
    if (used < old) {
      pending.consumeFront(used);
      pending.append(s + take, n - take);
      return;
    }
    pending.clear();
    s += used - old;
    n -= used - old;
    at += used - old;
  }
  const std::size_t used = decode(s, n, false, out, at);
  pending.append(s + used, n - used);
}

// Whether a text through the tree may be cut before position p (1 <= p <= n - 2) and the two
// parts converted separately with the same result.
bool treeSplitIsSafe(const DecodeTree& tree, const std::uint8_t* s, std::size_t p);

// The last safe cut at a position from `from` (at least 1) to n - 2, or 0 when there is none.
std::size_t lastSafeTreeCut(const DecodeTree& tree, const std::uint8_t* s, std::size_t n,
                            std::size_t from);

// A stream through a tree plan: bytes are held from the last safe cut on.
class TreeStream {
 public:
  void feed(const ConversionPlan& plan, const std::uint8_t* s, std::size_t n, ByteBuffer& out);
  void finish(const ConversionPlan& plan, ByteBuffer& out);
  std::size_t pending() const { return pending_.size(); }

 private:
  ByteBuffer pending_;
  std::size_t checked_ = 1;  // cuts before this position of pending_ were found unsafe
};

}  // namespace ts
