// Helpers shared by the engine tests.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

#include "ts/converter.hpp"

namespace ts::test {

// A byte string from its values.
inline std::string bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s.push_back(static_cast<char>(v));
  return s;
}

// Hexadecimal text of a byte string, for readable failures.
inline std::string hex(const std::string& s) {
  static const char* digits = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : s) {
    if (!out.empty()) out += ' ';
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

// Converts with a freshly selected library-option state.
inline std::string conv(int from, int to, const std::string& text,
                        const EngineOptions& options = kLibraryOptions) {
  ConverterState st(options);
  selectPair(st, static_cast<std::uint32_t>(from), static_cast<std::uint32_t>(to));
  return convert(st, text);
}

// The UTF-8 form of a code point.
inline std::string utf8(std::uint32_t cp) {
  std::string s;
  if (cp < 0x80) {
    s += static_cast<char>(cp);
  } else if (cp < 0x800) {
    s += static_cast<char>(0xC0 | (cp >> 6));
    s += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    s += static_cast<char>(0xE0 | (cp >> 12));
    s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (cp & 0x3F));
  }
  return s;
}

// Codes that have a letter table (the library's catalogue).
inline bool hasTable(int code) {
  CharsetSelection cs;
  return selectCharset(static_cast<std::uint32_t>(code), kCatalogueSize, cs);
}

}  // namespace ts::test
