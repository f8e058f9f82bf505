#include "ts/db/wide.hpp"

#include <array>

#include "ts/catalogue.hpp"
#include "ts/utf.hpp"

namespace ts::db {

namespace {

const std::array<char16_t, 256>& carrierTable() {
  static const std::array<char16_t, 256> table = [] {
    std::array<char16_t, 256> t{};
    for (int b = 0; b < 256; ++b) {
      const LetterCode u = windows1252Utf8(static_cast<std::uint8_t>(b));
      const std::string_view s = u.view();
      std::uint32_t cp = 0;
      wellFormedUtf8(reinterpret_cast<const std::uint8_t*>(s.data()), s.size(), cp);
      t[static_cast<std::size_t>(b)] = static_cast<char16_t>(cp);
    }
    return t;
  }();
  return table;
}

void appendUtf16(char32_t c, std::u16string& out) {
  if (c >= 0x10000) {
    c -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
  } else {
    out.push_back(static_cast<char16_t>(c));
  }
}

void appendUtf8(char32_t c, std::string& out) {
  std::uint8_t b[4];
  out.append(reinterpret_cast<const char*>(b), static_cast<std::size_t>(encodeUtf8(c, b)));
}

// Calls `each` with every character of UTF-16 text; false at a lone surrogate.
template <typename F>
bool eachUtf16(std::u16string_view text, F each) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c < 0xE000) {
      return false;
    }
    if (!each(c)) return false;
  }
  return true;
}

// The same for UTF-8 text; false at a byte that does not begin a well-formed character.
template <typename F>
bool eachUtf8(std::string_view text, F each) {
  const auto* p = reinterpret_cast<const std::uint8_t*>(text.data());
  for (std::size_t i = 0; i < text.size();) {
    std::uint32_t cp = 0;
    const int n = wellFormedUtf8(p + i, text.size() - i, cp);
    if (n == 0 || !each(static_cast<char32_t>(cp))) return false;
    i += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

WideValues::WideValues(int from, int to) : readUtf8_(from == kUtf8), writeUtf8_(to == kUtf8) {}

char16_t WideValues::carrierChar(unsigned char byte) { return carrierTable()[byte]; }

int WideValues::carrierByte(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c < 0x100)) return static_cast<int>(c);
  for (int b = 0x80; b < 0xA0; ++b)
    if (carrierTable()[static_cast<std::size_t>(b)] == c) return b;
  return -1;
}

bool WideValues::toBytes(std::u16string_view text, std::string& bytes) const {
  bytes.clear();
  return eachUtf16(text, [&](char32_t c) {
    if (readUtf8_) {
      appendUtf8(c, bytes);
      return true;
    }
    const int b = carrierByte(c);
    if (b >= 0) bytes.push_back(static_cast<char>(b));
    return b >= 0;
  });
}

bool WideValues::utf8ToBytes(std::string_view text, std::string& bytes) const {
  bytes.clear();
  if (readUtf8_) {
    bytes.assign(text);
    return eachUtf8(text, [](char32_t) { return true; });
  }
  return eachUtf8(text, [&](char32_t c) {
    const int b = carrierByte(c);
    if (b >= 0) bytes.push_back(static_cast<char>(b));
    return b >= 0;
  });
}

void WideValues::fromBytes(std::string_view bytes, std::u16string& text) const {
  text.clear();
  const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data());
  for (std::size_t i = 0; i < bytes.size();) {
    std::uint32_t cp = 0;
    const int n = writeUtf8_ ? wellFormedUtf8(p + i, bytes.size() - i, cp) : 0;
    if (n > 0) {  // a byte that is not part of a character keeps its carrier character
      appendUtf16(cp, text);
      i += static_cast<std::size_t>(n);
    } else {
      text.push_back(carrierChar(p[i++]));
    }
  }
}

void WideValues::bytesToUtf8(std::string_view bytes, std::string& text) const {
  text.clear();
  const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data());
  for (std::size_t i = 0; i < bytes.size();) {
    std::uint32_t cp = 0;
    const int n = writeUtf8_ ? wellFormedUtf8(p + i, bytes.size() - i, cp) : 0;
    if (n > 0) {
      text.append(bytes.substr(i, static_cast<std::size_t>(n)));
      i += static_cast<std::size_t>(n);
    } else {
      appendUtf8(carrierChar(p[i++]), text);
    }
  }
}

}  // namespace ts::db
