#include "replacement_chain.hpp"

#include <cstring>
#include <stdexcept>

namespace ts {
namespace {

// Bounds of the transition cache; past them it starts afresh (results are unaffected).
constexpr std::size_t kMaxPool = std::size_t{1} << 20;

}  // namespace

ReplacementChain::ReplacementChain(std::vector<Step> steps, std::size_t maxStates)
    : steps_(std::move(steps)), maxStates_(maxStates < 2 ? 2 : maxStates) {
  if (steps_.size() > 0xFFFF) throw std::invalid_argument("too many replacement steps");
  for (const Step& s : steps_)
    if (s.pattern.empty() || s.pattern.size() > 255)
      throw std::invalid_argument("a replacement pattern must hold 1 to 255 bytes");
  for (int b = 0; b < 256; ++b) passThrough_[b] = true;
  for (const Step& s : steps_) passThrough_[static_cast<std::uint8_t>(s.pattern[0])] = false;
  resetCache();
}

void ReplacementChain::resetCache() {
  keys_.clear();
  index_.clear();
  transitions_.clear();
  finals_.clear();
  finalKnown_.clear();
  pool_.clear();
  ++generation_;
  intern(std::string());  // the empty state is always id 0
}

// One byte enters stage `step`.  A stage holds a proper prefix of its pattern; the byte
// extends it, and whatever can no longer start a match leaves the stage in order, as does
// the replacement of a completed match.
void ReplacementChain::push(Holds& holds, std::size_t step, std::uint8_t c,
                            std::string& out) const {
  for (; step < steps_.size(); ++step) {
    const std::string& p = steps_[step].pattern;
    const std::size_t held = holds[step];
    if (held == 0 && static_cast<std::uint8_t>(p[0]) != c) continue;  // passes unchanged
    std::string w(p.data(), held);  // the held prefix and the new byte
    w.push_back(static_cast<char>(c));
    const std::size_t wl = w.size();
    holds[step] = 0;
    for (std::size_t start = 0; start < wl; ++start) {
      const std::size_t len = wl - start;
      if (len <= p.size() && std::memcmp(w.data() + start, p.data(), len) == 0) {
        if (len == p.size()) {
          for (char r : steps_[step].replacement)
            push(holds, step + 1, static_cast<std::uint8_t>(r), out);
        } else {
          holds[step] = static_cast<std::uint8_t>(len);
        }
        return;
      }
      push(holds, step + 1, static_cast<std::uint8_t>(w[start]), out);
    }
    return;
  }
  out.push_back(static_cast<char>(c));
}

// The end of the text: each stage in turn lets its held bytes go on unmatched.
void ReplacementChain::flush(Holds& holds, std::string& out) const {
  for (std::size_t step = 0; step < steps_.size(); ++step) {
    const std::size_t held = holds[step];
    if (held == 0) continue;
    holds[step] = 0;
    const std::string& p = steps_[step].pattern;
    for (std::size_t i = 0; i < held; ++i)
      push(holds, step + 1, static_cast<std::uint8_t>(p[i]), out);
  }
}

std::string ReplacementChain::encode(const Holds& holds) const {
  std::string key;
  for (std::size_t s = 0; s < holds.size(); ++s) {
    if (holds[s] == 0) continue;
    key.push_back(static_cast<char>(s & 0xFF));
    key.push_back(static_cast<char>(s >> 8));
    key.push_back(static_cast<char>(holds[s]));
  }
  return key;
}

ReplacementChain::Holds ReplacementChain::decode(const std::string& key) const {
  Holds holds(steps_.size(), 0);
  for (std::size_t i = 0; i + 2 < key.size(); i += 3) {
    const std::size_t s = static_cast<std::uint8_t>(key[i]) |
                          (static_cast<std::size_t>(static_cast<std::uint8_t>(key[i + 1])) << 8);
    holds[s] = static_cast<std::uint8_t>(key[i + 2]);
  }
  return holds;
}

std::uint32_t ReplacementChain::intern(const std::string& key) {
  auto it = index_.find(key);
  if (it != index_.end()) return it->second;
  const auto id = static_cast<std::uint32_t>(keys_.size());
  keys_.push_back(key);
  index_.emplace(key, id);
  transitions_.emplace_back(new Transition[256]);
  finals_.emplace_back();
  finalKnown_.push_back(false);
  return id;
}

const ReplacementChain::Transition& ReplacementChain::transition(std::uint32_t id, std::uint8_t c) {
  Transition& t = transitions_[id][c];
  if (t.next >= 0) return t;
  Holds holds = decode(keys_[id]);
  std::string out;
  push(holds, 0, c, out);
  const std::uint32_t next = intern(encode(holds));
  Transition& slot = transitions_[id][c];  // the table of `id` does not move
  slot.offset = static_cast<std::uint32_t>(pool_.size());
  slot.length = static_cast<std::uint32_t>(out.size());
  pool_ += out;
  slot.next = static_cast<std::int32_t>(next);
  return slot;
}

std::uint32_t ReplacementChain::resume(Cursor& cursor) {
  if (cursor.generation == generation_) return cursor.id;
  return intern(cursor.key);
}

void ReplacementChain::park(Cursor& cursor, std::uint32_t id) {
  cursor.id = id;
  cursor.generation = generation_;
  cursor.key = keys_[id];
}

void ReplacementChain::feed(Cursor& cursor, const std::uint8_t* s, std::size_t n, ByteBuffer& out) {
  std::uint32_t id = resume(cursor);
  std::size_t i = 0;
  while (i < n) {
    if (id == 0) {
      std::size_t j = i;
      while (j < n && passThrough_[s[j]]) ++j;
      out.append(s + i, j - i);
      i = j;
      if (i == n) break;
    }
    if (keys_.size() >= maxStates_ || pool_.size() >= kMaxPool) {
      const std::string key = keys_[id];
      resetCache();
      id = intern(key);
    }
    const Transition& t = transition(id, s[i]);
    out.append(pool_.data() + t.offset, t.length);
    id = static_cast<std::uint32_t>(t.next);
    ++i;
  }
  park(cursor, id);
}

void ReplacementChain::finish(Cursor& cursor, ByteBuffer& out) {
  const std::uint32_t id = resume(cursor);
  if (id != 0) {
    if (!finalKnown_[id]) {
      Holds holds = decode(keys_[id]);
      flush(holds, finals_[id]);
      finalKnown_[id] = true;
    }
    out.append(finals_[id]);
  }
  park(cursor, 0);
}

}  // namespace ts
