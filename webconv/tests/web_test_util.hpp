// Helpers of the web converter's tests.
#pragma once

#include <filesystem>
#include <string>

#include "ts/testing/scratch.hpp"

namespace ts::web::test {

namespace fs = std::filesystem;

using ts::testing::readFile;
using ts::testing::writeFile;
using Scratch = ts::testing::ScratchTest;

// Whether a text is valid UTF-8 (no overlong forms, no surrogates, at most U+10FFFF).
inline bool validUtf8(const std::string& s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const auto b = static_cast<unsigned char>(s[i]);
    if (b < 0x80) {
      ++i;
      continue;
    }
    const std::size_t len = (b >= 0xC2 && b <= 0xDF)   ? 2
                            : (b >= 0xE0 && b <= 0xEF) ? 3
                            : (b >= 0xF0 && b <= 0xF4) ? 4
                                                       : 0;
    if (len == 0 || i + len > s.size()) return false;
    unsigned cp = b & (0xFFu >> (len + 1));
    for (std::size_t k = 1; k < len; ++k) {
      const auto c = static_cast<unsigned char>(s[i + k]);
      if ((c & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (c & 0x3F);
    }
    if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF))
      return false;
    i += len;
  }
  return true;
}

}  // namespace ts::web::test
