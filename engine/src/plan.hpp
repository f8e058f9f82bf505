// Tables derived from a selected charset pair, and the decoders that use them.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "replacement_chain.hpp"
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
  kEscapeForms,     // sources 41..43: replacement letter by letter
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

  // Decimal-escape path: the letter an escape value names, 0 for none.
  std::array<std::uint8_t, kEscapeValues> letterOfValue{};

  // Escape-form path.
  std::unique_ptr<ReplacementChain> chain;
};

std::unique_ptr<ConversionPlan> makePlan(const ConverterState& state);

// Fills `root` and `singleByte` of a tree plan from its tree, letter and copy tables.
void fillRootTable(ConversionPlan& plan);

// One text (no NUL inside) through the tree.
void decodeWithTree(const ConversionPlan& plan, const std::uint8_t* s, std::size_t n,
                    ByteBuffer& out);

// Decimal escapes from the start of s.  When `final` is false, stops before a backslash that
// may start an escape the next bytes complete, and returns how many bytes it consumed.
std::size_t decodeDecimalEscapes(const ConversionPlan& plan, const std::uint8_t* s, std::size_t n,
                                 bool final, ByteBuffer& out);

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
