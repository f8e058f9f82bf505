// The core converter: selection of a charset pair, the decoding tree and the conversion of
// byte texts from the source charset to the destination charset.
//
// The state is a value the caller owns; every function takes it.  Nothing here is shared
// between states, so two programs (or two parts of one program) convert independently.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ts/byte_buffer.hpp"
#include "ts/catalogue.hpp"

namespace ts {

// The few differences between the programs that carry the engine.
struct EngineOptions {
  int lastCode = kCatalogueSize;  // the catalogue ends here; later codes have no table
  bool read208AsDStroke = false;  // a decimal escape of value 208 reads as Đ
};
inline constexpr EngineOptions kLibraryOptions{kCatalogueSize, false};
inline constexpr EngineOptions kWebOptions{40, true};

// One node of the decoding tree, keyed by one byte of a letter code.
struct DecodeNode {
  enum : std::uint8_t { kNone = 0, kContinues = 1, kEnds = 2 };
  std::uint8_t mark[256] = {};
  std::uint8_t number[256] = {};  // letter number where mark is kEnds
  std::uint16_t child[256] = {};  // node index where mark is kContinues (0: none)
};

// The tree that recognises the letter codes of the source charset from their last byte
// backwards: the root is keyed by the last byte of a code, its children by the byte before
// it, their children by the one before that.
class DecodeTree {
 public:
  DecodeTree();

  // Builds the tree of a source charset.
  static DecodeTree build(const CharsetSelection& source);

  // Inserts one code (bytes in text order) for a letter number; see the build rules.
  void insert(const LetterCode& code, int number);

  const DecodeNode& root() const { return nodes_[0]; }
  const DecodeNode& node(std::uint16_t index) const { return nodes_[index]; }
  std::size_t nodeCount() const { return nodes_.size(); }

 private:
  std::uint16_t childOf(std::uint16_t parent, std::uint8_t b);  // creates when absent
  std::vector<DecodeNode> nodes_;
};

struct ConversionPlan;  // tables derived from a selected pair, private to the engine

struct ConverterState {
  ConverterState();
  explicit ConverterState(const EngineOptions& o);
  ConverterState(ConverterState&&) noexcept;
  ConverterState& operator=(ConverterState&&) noexcept;
  ~ConverterState();

  EngineOptions options;
  CharsetCode source = 0;  // both 0 until the first selection: texts are copied
  CharsetCode destination = 0;
  CharsetSelection sourceSelection;
  CharsetSelection destinationSelection;
  std::unique_ptr<DecodeTree> tree;      // null until the first successful selection
  bool fontListsStale = true;            // set by every selection; font mapping re-chooses
  std::unique_ptr<ConversionPlan> plan;  // null after a failed selection

  // Pairs selected before, kept so that going back to one (converting and sorting in turn)
  // does not build its tables again.
  struct Recent {
    CharsetSelection source, destination;
    std::unique_ptr<DecodeTree> tree;
    std::unique_ptr<ConversionPlan> plan;
  };
  std::vector<Recent> recent;
};

// Selects the pair (low bytes of both arguments); a source of 40 is taken as 39.  Returns
// false when either charset has no letter table; texts are then copied unchanged until a
// selection succeeds.  Equal codes always succeed and copy.
bool selectPair(ConverterState& state, std::uint32_t source, std::uint32_t destination);

// Converts `text` with the selected pair and appends the result to `out`.  A NUL byte ends
// one text and starts the next: each run between NULs converts as a text of its own and the
// NULs are kept.
void convert(ConverterState& state, std::string_view text, ByteBuffer& out);
std::string convert(ConverterState& state, std::string_view text);

// The longest result one input byte can give (a one-byte letter written as a C escape).
inline constexpr std::size_t kMaxExpansion = 8;

}  // namespace ts
