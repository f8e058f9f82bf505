// A chain of replace-every-occurrence steps applied one after the other to a whole text,
// computed in one streaming pass.
//
// Step k replaces every non-overlapping occurrence of its pattern, found left to right in the
// output of step k - 1, by its replacement; what a replacement writes may take part in a
// match of a later step.  Each step is run as a streaming stage that holds back at most the
// bytes of a possible match (always a proper prefix of its pattern, so its state is the length
// of that prefix).  The stages are composed lazily: the combined state (which stages hold how
// many bytes) is interned, and the transition of a combined state on an input byte, with the
// bytes it writes, is computed once and then looked up.  The result is exactly that of the
// sequential replacements, but in one pass and constant memory.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "ts/byte_buffer.hpp"

namespace ts {

class ReplacementChain {
 public:
  struct Step {
    std::string pattern;  // not empty
    std::string replacement;
  };

  // Where one text stands in the chain; starts at the empty state.
  struct Cursor {
    std::uint32_t id = 0;
    std::uint64_t generation = 0;
    std::string key;  // the combined state, kept across a reset of the cache
  };

  // `maxStates` bounds the cache of combined states; past it the cache starts afresh.
  explicit ReplacementChain(std::vector<Step> steps, std::size_t maxStates = 1024);

  // Feeds bytes of the text; writes what is decided.
  void feed(Cursor& cursor, const std::uint8_t* s, std::size_t n, ByteBuffer& out);
  // Ends the text: writes every held byte and returns the cursor to the empty state.
  void finish(Cursor& cursor, ByteBuffer& out);

  std::size_t stepCount() const { return steps_.size(); }
  std::size_t cachedStates() const { return keys_.size(); }

 private:
  struct Transition {
    std::int32_t next = -1;
    std::uint32_t offset = 0;
    std::uint32_t length = 0;
  };
  using Holds = std::vector<std::uint8_t>;

  void push(Holds& holds, std::size_t step, std::uint8_t c, std::string& out) const;
  void flush(Holds& holds, std::string& out) const;
  std::string encode(const Holds& holds) const;
  Holds decode(const std::string& key) const;

  std::uint32_t intern(const std::string& key);
  const Transition& transition(std::uint32_t id, std::uint8_t c);
  void resetCache();
  std::uint32_t resume(Cursor& cursor);
  void park(Cursor& cursor, std::uint32_t id);

  std::vector<Step> steps_;
  bool passThrough_[256] = {};  // bytes that start no pattern: unchanged from the empty state

  std::vector<std::string> keys_;
  std::unordered_map<std::string, std::uint32_t> index_;
  std::vector<std::unique_ptr<Transition[]>> transitions_;
  std::vector<std::string> finals_;
  std::vector<bool> finalKnown_;
  std::string pool_;
  std::uint64_t generation_ = 1;
  std::size_t maxStates_;
};

}  // namespace ts
