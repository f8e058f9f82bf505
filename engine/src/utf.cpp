#include "ts/utf.hpp"

namespace ts {

int utf16ToUtf8(std::uint16_t unit, char out[4]) {
  int n = 0;
  if (unit < 0x80) {
    out[n++] = static_cast<char>(unit);
  } else if (unit < 0x800) {
    out[n++] = static_cast<char>(0xC0 | (unit >> 6));
    out[n++] = static_cast<char>(0x80 | (unit & 0x3F));
  } else {
    out[n++] = static_cast<char>(0xE0 | (unit >> 12));
    out[n++] = static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
    out[n++] = static_cast<char>(0x80 | (unit & 0x3F));
  }
  out[n] = '\0';
  return n;
}

std::uint32_t utf8ToUtf16(const std::uint8_t* s, long available, int& continuation) {
  static constexpr std::uint32_t kOffsets[6] = {0x00000000u, 0x00003080u, 0x000E2080u,
                                                0x03C82080u, 0xFA082080u, 0x82082080u};
  const std::uint8_t lead = s[0];
  const int n = lead < 0xC0   ? 0
                : lead < 0xE0 ? 1
                : lead < 0xF0 ? 2
                : lead < 0xF8 ? 3
                : lead < 0xFC ? 4
                              : 5;
  if (available < n + 1) return 0;
  std::uint32_t v = lead;
  for (int i = 1; i <= n; ++i) v = v * 64 + s[i];  // as the reference does, unchecked
  v -= kOffsets[n];
  continuation = n;
  return v <= 0xFFFF ? v : 0xFFFD;
}

}  // namespace ts
