// Conversion of a stream in pieces, with the result of converting the whole stream at once.
#pragma once

#include <memory>
#include <string_view>

#include "ts/byte_buffer.hpp"
#include "ts/converter.hpp"

namespace ts {

// Feeds a stream through the selected pair of a converter state.  Bytes are held back only
// where the next bytes may change how they convert: the few bytes of an escape that has not
// ended, or, for byte charsets, the bytes after the last place where no letter code can span
// the cut.  As in convert(), a NUL byte ends one text and starts the next.  The pair must
// stay selected until finish().
class StreamConverter {
 public:
  explicit StreamConverter(ConverterState& state);
  ~StreamConverter();
  StreamConverter(const StreamConverter&) = delete;
  StreamConverter& operator=(const StreamConverter&) = delete;

  void feed(std::string_view chunk, ByteBuffer& out);
  void finish(ByteBuffer& out);

  // Bytes held back at the moment.
  std::size_t pending() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace ts
