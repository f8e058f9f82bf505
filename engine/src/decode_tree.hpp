// The decoding tree: recognises the letter codes of a source charset from their last byte
// backwards.  Private to the engine.
#pragma once

#include <cstdint>
#include <vector>

#include "ts/catalogue.hpp"

namespace ts {

// One node of the decoding tree, keyed by one byte of a letter code.
struct DecodeNode {
  enum : std::uint8_t { kNone = 0, kContinues = 1, kEnds = 2 };
  std::uint8_t mark[256] = {};
  std::uint8_t number[256] = {};  // letter number where mark is kEnds
  std::uint16_t child[256] = {};  // node index where mark is kContinues (0: none)
};

// The root is keyed by the last byte of a code, its children by the byte before it, their
// children by the one before that.
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

}  // namespace ts
