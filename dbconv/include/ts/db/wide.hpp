// Unicode (wide) column values and the bytes the engine converts.  A wide value is carried
// into bytes through the carrier code page (Windows-1252, every byte with its own character,
// the way legacy bytes most often entered Unicode columns) and back the same way; on the side
// of a conversion whose charset is UTF-8 the value is the text it means instead.
#pragma once

#include <string>
#include <string_view>

namespace ts::db {

class WideValues {
 public:
  // For a conversion from `from` to `to` (charset codes).
  WideValues(int from, int to);

  // The bytes of a stored UTF-16 value to convert; false when a character of the value is not
  // in the carrier code page (or, from UTF-8, a lone surrogate): the value is not carried.
  bool toBytes(std::u16string_view text, std::string& bytes) const;
  // The same for a value stored as UTF-8 text.
  bool utf8ToBytes(std::string_view text, std::string& bytes) const;
  // The value to store for converted bytes.
  void fromBytes(std::string_view bytes, std::u16string& text) const;
  void bytesToUtf8(std::string_view bytes, std::string& text) const;

  // The carrier code page alone: a byte's character and a character's byte (-1: none).
  static char16_t carrierChar(unsigned char byte);
  static int carrierByte(char32_t c);

 private:
  bool readUtf8_, writeUtf8_;
};

}  // namespace ts::db
