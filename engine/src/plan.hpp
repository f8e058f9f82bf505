// Tables derived from a selected charset pair, and the decoders that use them.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "decode_tree.hpp"
#include "ts/converter.hpp"
#include "ts/forms.hpp"
#include "ts/utf.hpp"

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
  // Bytes that end no longer code and are written as themselves (most ASCII): runs of them
  // are copied whole.
  std::array<bool, 256> plain{};

  // Decimal-escape and escape-form paths: the letter a code point names, 0 for none.  The
  // escape forms also write ASCII bytes through `root` (a letter whose code is one ASCII
  // byte, or the byte's copy).
  std::array<std::uint8_t, kEscapeValues> letterOfValue{};
  CharsetCode form = 0;            // escape-form path: the source, 41, 42 or 43
  bool legacyDestination = false;  // a charset below 39: no code for foreign characters

  // Destination Windows-1258: characters that are no letter are written as its bytes.
  bool windows1258Destination = false;
  // Source VIQR: a backslash before a mark (or d, or a backslash) gives that byte itself.
  bool viqrEscapesRead = false;
  // Destination VIQR: bytes that may be read as marks are written tagged (kViqrTag and the
  // byte), and escapeViqr() decides which of them need a backslash.
  bool viqrEscapesWrite = false;
};

// VIQR's escapes: the bytes a backslash makes literal, and the tag of the writing pass.
inline constexpr std::uint8_t kViqrTag = 0x01;
bool isViqrEscapable(std::uint8_t b);

// The writing pass of a VIQR destination over the tagged bytes it produced.  It keeps the
// last bytes written across pieces of a stream.
class ViqrEscaper {
 public:
  // Rewrites out[from..) in place of the tagged output; with `final` false a backslash at the
  // end waits for the byte after it.
  void pass(ByteBuffer& out, std::size_t from, bool final);
  void reset() { prev1_ = prev2_ = 0; }

 private:
  void put(std::uint8_t b, ByteBuffer& to);
  std::uint8_t prev1_ = 0, prev2_ = 0;  // the last two bytes written, 0 for none
  bool heldBackslash_ = false;          // a literal backslash waiting for the next byte
  ByteBuffer work_;
};

// The tables of a state: those of the selected pair and of a few pairs selected before.
struct ConverterState::Tables {
  CharsetSelection source, destination;
  std::uint32_t key = 0;                 // the pair's forms without their layers
  std::unique_ptr<DecodeTree> tree;      // null until the first successful selection
  std::unique_ptr<ConversionPlan> plan;  // null after a failed selection

  struct Recent {
    CharsetSelection source, destination;
    std::uint32_t key;
    std::unique_ptr<DecodeTree> tree;
    std::unique_ptr<ConversionPlan> plan;
  };
  std::vector<Recent> recent;

  // Carried sources: what a character that stands for no byte is converted with (UTF-8 to
  // the destination), for the destination form `unicodeKey`; null where it is copied.
  std::unique_ptr<ConversionPlan> unicodePlan;
  std::uint32_t unicodeKey = 0;
};

// The engine's own view of a state's tables.
struct StateAccess {
  static ConverterState::Tables& tables(ConverterState& s) {
    if (!s.tables_) s.tables_ = std::make_unique<ConverterState::Tables>();  // moved from
    return *s.tables_;
  }
  static void setPair(ConverterState& s, CharsetCode source, CharsetCode destination,
                      std::uint32_t sourceForm, std::uint32_t destinationForm) {
    s.source_ = source;
    s.destination_ = destination;
    s.sourceForm_ = sourceForm;
    s.destinationForm_ = destinationForm;
  }
  static const ConverterState::Tables& tables(const ConverterState& s) { return *s.tables_; }
  // The plan that converts texts now, or null when texts are copied.
  static ConversionPlan* plan(ConverterState& s) {
    return s.converts() && s.source_ != s.destination_ ? s.tables_->plan.get() : nullptr;
  }
};

// The plan of the selected pair of `tables`; `key` adds the Windows-1258 forms.
std::unique_ptr<ConversionPlan> makePlan(const ConverterState::Tables& tables,
                                         const EngineOptions& options, std::uint32_t key = 0);

// The decoding tree of a source form: Windows-1258 also reads its precomposed letters.
std::unique_ptr<DecodeTree> makeTree(const CharsetSelection& source, bool windows1258);

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

// Whether the selected pair writes VIQR through the tagged writing pass.
bool writesTaggedViqr(ConverterState& state);

// Whether decomposed letters of the source are composed before converting: UTF-8 into
// anything but UTF-8.
bool composesFirst(const ConverterState& state);

// A character of a carried source that stands for no byte, converted from UTF-8.
void convertUnicodeCharacter(ConverterState& state, const std::uint8_t* s, std::size_t n,
                             ByteBuffer& out);

// A carried source's layers taken off in turn.  The charset's bytes go to `bytes`; for a
// legacy charset, a character of the last layer that stands for no byte goes to `character`
// as its UTF-8 (for UTF-8 such characters simply stay in the bytes).
class CarriedReader {
 public:
  CarriedReader(int layers, bool legacy);

  // With `final` false, a character cut short at the end of s waits for the next call.
  template <class Bytes, class Character>
  void feed(const std::uint8_t* s, std::size_t n, bool final, Bytes&& bytes,
            Character&& character) {
    const int keep = legacy_ ? layers_ - 1 : layers_;
    for (int k = 0; k < keep; ++k) {
      const std::uint8_t* in = s;
      std::size_t m = n;
      if (!held_[k].empty()) {
        held_[k].append(s, n);
        in = held_[k].data();
        m = held_[k].size();
      }
      unwrapped_[k].clear();
      const std::size_t used = unwrapLayer(in, m, final, unwrapped_[k]);
      keepRest(held_[k], in, m, used);
      s = unwrapped_[k].data();
      n = unwrapped_[k].size();
    }
    if (!legacy_) {
      bytes(s, n);
      return;
    }
    ByteBuffer& held = held_[layers_ - 1];
    if (!held.empty()) {
      held.append(s, n);
      s = held.data();
      n = held.size();
    }
    // The last layer: runs of bytes, cut by the characters that stand for none.
    run_.clear();
    std::uint8_t* p = run_.reserveMore(n + 16);
    const std::size_t i = walkCarried(s, n, final, p, [&](const std::uint8_t* c, std::size_t len) {
      run_.commit(static_cast<std::size_t>(p - (run_.data() + run_.size())));
      bytes(run_.data(), run_.size());
      character(c, len);
      run_.clear();
      p = run_.reserveMore(n + 16);
    });
    run_.commit(static_cast<std::size_t>(p - (run_.data() + run_.size())));
    bytes(run_.data(), run_.size());
    keepRest(held, s, n, i);
  }

  // Bytes held back at the moment.
  std::size_t pending() const {
    std::size_t total = 0;
    for (const ByteBuffer& h : held_) total += h.size();
    return total;
  }

 private:
  // `held` keeps in[used..m) for the next call (in may be held's own bytes).
  static void keepRest(ByteBuffer& held, const std::uint8_t* in, std::size_t m, std::size_t used) {
    if (in == held.data()) {
      held.consumeFront(used);
    } else {
      held.clear();
      held.append(in + used, m - used);
    }
  }

  int layers_;
  bool legacy_;
  ByteBuffer held_[kMaxCarriedLayers];
  ByteBuffer unwrapped_[kMaxCarriedLayers];
  ByteBuffer run_;
};

}  // namespace ts
