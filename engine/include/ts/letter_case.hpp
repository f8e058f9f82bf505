// Changing the letter case of a text held in any charset of the catalogue, in pieces.
//
// Letters are recognised as the converter recognises them (the decoding tree of a byte
// charset; UTF-8 sequences, numeric references and escapes in the Unicode forms) and written
// again as the letter of the other case, so capitals appear wherever the charset has codes
// for them.  ASCII letters outside escapes change too; everything else is kept, escapes that
// name no letter included.
#pragma once

#include <memory>
#include <string_view>

#include "ts/byte_buffer.hpp"

namespace ts {

class LetterCaseStream {
 public:
  // `charset` must have a letter table (a source of 40 is read as 39); otherwise
  // std::invalid_argument.
  LetterCaseStream(int charset, bool upper);
  ~LetterCaseStream();
  LetterCaseStream(const LetterCaseStream&) = delete;
  LetterCaseStream& operator=(const LetterCaseStream&) = delete;

  void feed(std::string_view chunk, ByteBuffer& out);
  void finish(ByteBuffer& out);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace ts
