// What a destination cannot hold as it stands: the letters and characters of a text that a
// conversion writes in another form (a capital with its lower-case code, a character as its
// close form) or drops.  Counted from the text's Unicode reading, apart from the conversion.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string_view>
#include <vector>

#include "ts/converter.hpp"
#include "ts/forms.hpp"
#include "ts/stream.hpp"

namespace ts {

class LossCounter {
 public:
  // Counts for the pair of forms; characters the destination has no code for are replaced
  // by their close form or, with `drop`, dropped.
  LossCounter(CharsetForm source, CharsetForm destination, bool drop);
  ~LossCounter();

  // False when the destination holds every text of the source as it stands.
  bool counts() const { return counts_; }

  // The source text, in pieces.
  void feed(std::string_view chunk);
  void finish();

  struct Loss {
    enum class Kind { kLowerCaseCode, kReplaced, kDropped };
    std::uint32_t codePoint;
    Kind kind;
    std::uint64_t count;
    std::uint32_t lowerCase = 0;   // kLowerCaseCode: the letter whose code is written
    std::string_view replacement;  // kReplaced: what is written
  };
  // By code point.
  std::vector<Loss> losses() const;

 private:
  void scan(std::string_view utf8);

  bool counts_ = false;
  bool foreign_ = false;  // characters that are no letter can be lost (a UTF-8 source)
  bool drop_ = false;
  CharsetForm destination_;
  std::vector<bool> lossyLetter_;  // by code point, below U+1F00
  ConverterState reading_;
  std::unique_ptr<StreamConverter> toUnicode_;
  ByteBuffer utf8_, held_;
  std::string composable_, composed_;  // decomposed letters are composed, as converting does
  std::map<std::uint32_t, std::uint64_t> seen_;
};

}  // namespace ts
