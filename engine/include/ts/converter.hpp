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

// Characters of a UTF-8 source that a legacy destination (codes below 39) cannot write:
// punctuation and symbols (– “ ” € ©) and letters of other languages.  A converter that
// watches them writes them as `action` says and notes what it saw.
struct ForeignCharacters {
  enum class Action {
    kCopy,           // their UTF-8 bytes, as they are
    kDrop,           // nothing
    kTransliterate,  // a close form (closeForm in unicode.hpp), "?" where there is none
  };
  static constexpr std::size_t kKept = 5;
  struct Seen {
    std::uint32_t codePoint;
    std::uint64_t offset;  // in the stream (a StreamConverter) or the text (convert)
  };

  Action action = Action::kCopy;
  std::uint64_t count = 0;
  std::vector<Seen> first;  // the first kKept of them
};

class DecodeTree;       // the decoding tree of a source charset, private to the engine
struct ConversionPlan;  // tables derived from a selected pair, private to the engine
struct StateAccess;     // the engine's own access to a state's tables

// What a converter holds: the options of the program that owns it, the selected pair and
// the tables built for it (kept for a few recent pairs, so that going back to one does not
// build them again).  Callers select, convert and ask; the tables are the engine's.
class ConverterState {
 public:
  ConverterState();
  explicit ConverterState(const EngineOptions& o);
  ConverterState(ConverterState&&) noexcept;
  ConverterState& operator=(ConverterState&&) noexcept;
  ~ConverterState();

  const EngineOptions& options() const { return options_; }
  // The pair of the last selection (a source of 40 reads as 39); both 0 before the first.
  CharsetCode source() const { return source_; }
  CharsetCode destination() const { return destination_; }
  // The forms of the last selection (forms.hpp): with the layers of a carried source and the
  // Windows-1258 flag.
  std::uint32_t sourceForm() const { return sourceForm_; }
  std::uint32_t destinationForm() const { return destinationForm_; }
  int carriedLayers() const { return static_cast<int>((sourceForm_ >> 6) & 3); }
  // Whether texts are converted: the last selection succeeded with two different codes.
  // Otherwise texts are copied unchanged.
  bool converts() const;

  // Watches the foreign characters of the conversions from UTF-8 to a legacy charset (null:
  // none; they are copied).  The object must outlive the watch.
  void watchForeign(ForeignCharacters* foreign) { foreign_ = foreign; }
  ForeignCharacters* foreign() const { return foreign_; }

  struct Tables;  // defined inside the engine

 private:
  friend struct StateAccess;

  EngineOptions options_;
  CharsetCode source_ = 0;
  CharsetCode destination_ = 0;
  std::uint32_t sourceForm_ = 0, destinationForm_ = 0;
  std::unique_ptr<Tables> tables_;
  ForeignCharacters* foreign_ = nullptr;
};

// Selects the pair (low bytes of both arguments); a source of 40 is taken as 39.  Returns false
// when either charset has no letter table; texts are then copied unchanged until a selection
// succeeds.  Equal codes always succeed and copy (a carried source still loses its layers).
bool selectPair(ConverterState& state, std::uint32_t source, std::uint32_t destination);

// The same for forms (forms.hpp): a carried source, Windows-1258 on either side.  A carried
// destination, and the Windows-1258 flag on any code but 27, fail.
bool selectForms(ConverterState& state, std::uint32_t source, std::uint32_t destination);

// Converts `text` with the selected pair and appends the result to `out`.  A NUL byte ends
// one text and starts the next: each run between NULs converts as a text of its own and the
// NULs are kept.
void convert(ConverterState& state, std::string_view text, ByteBuffer& out);
std::string convert(ConverterState& state, std::string_view text);

// The longest result one input byte can give (a one-byte letter written as a C escape).
inline constexpr std::size_t kMaxExpansion = 8;

}  // namespace ts
