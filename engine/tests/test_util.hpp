// Helpers shared by the engine tests.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

#include "ts/converter.hpp"
#include "ts/utf.hpp"

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
  std::uint8_t b[4];
  return std::string(reinterpret_cast<const char*>(b), static_cast<std::size_t>(encodeUtf8(cp, b)));
}

// Codes that have a letter table (the library's catalogue).
inline bool hasTable(int code) { return hasLetterTable(code); }

}  // namespace ts::test
