// Conversion of RTF documents, read as RTF, in pieces and with memory that does not grow with
// the document.
//
// Each run of text takes its charset from its font: the font table's names say it (".VnTime"
// TCVN3, "VNI-Times" VNI, the Unicode fonts nothing to convert), or \fcharset163 and
// \ansicpg1258 (Windows-1258); a font that says nothing is read as the source given.  Text in
// \'xx escapes and literal bytes is converted; \uN text is left.  The font table maps the
// legacy fonts to the destination's family.  A Unicode destination writes \uN escapes with an
// ASCII fallback, a legacy one \'xx escapes.  Groups, pictures (\pict, \bin data), fields'
// instructions, the style sheet and the other tables pass through as they are; headers,
// footnotes and fields' results are text like the body.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "ts/byte_buffer.hpp"

namespace ts {

struct RtfSettings {
  std::uint32_t source = 15;  // the form of runs whose font says nothing; 0: they are left
  int destination = 39;       // 1..43; 39..43 write Unicode (\uN escapes)
};

class RtfConverter {
 public:
  explicit RtfConverter(const RtfSettings& settings);
  ~RtfConverter();
  RtfConverter(const RtfConverter&) = delete;
  RtfConverter& operator=(const RtfConverter&) = delete;

  void feed(std::string_view chunk, ByteBuffer& out);
  void finish(ByteBuffer& out);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace ts
