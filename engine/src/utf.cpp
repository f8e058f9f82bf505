#include "ts/utf.hpp"

namespace ts {

int utf16ToUtf8(std::uint16_t unit, char out[4]) {
  std::uint8_t b[4];
  const int n = encodeUtf8(unit, b);
  for (int i = 0; i < n; ++i) out[i] = static_cast<char>(b[i]);
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

namespace ts {

int wellFormedUtf8(const std::uint8_t* s, std::size_t n, std::uint32_t& cp) {
  if (n == 0) return 0;
  const std::uint8_t b = s[0];
  int len;
  std::uint32_t v;
  if (b < 0x80) {
    cp = b;
    return 1;
  } else if (b >= 0xC2 && b <= 0xDF) {
    len = 2, v = b & 0x1Fu;
  } else if (b >= 0xE0 && b <= 0xEF) {
    len = 3, v = b & 0x0Fu;
  } else if (b >= 0xF0 && b <= 0xF4) {
    len = 4, v = b & 0x07u;
  } else {
    return 0;
  }
  if (n < static_cast<std::size_t>(len)) return 0;
  for (int k = 1; k < len; ++k) {
    if ((s[k] & 0xC0) != 0x80) return 0;
    v = (v << 6) | (s[k] & 0x3Fu);
  }
  if ((len == 3 && v < 0x800) || (len == 4 && (v < 0x10000 || v > 0x10FFFF)) ||
      (v >= 0xD800 && v <= 0xDFFF))
    return 0;
  cp = v;
  return len;
}

bool utf8MayContinue(const std::uint8_t* s, std::size_t n) {
  if (n == 0) return true;
  const std::uint8_t b = s[0];
  const std::size_t len = (b >= 0xC2 && b <= 0xDF)   ? 2
                          : (b >= 0xE0 && b <= 0xEF) ? 3
                          : (b >= 0xF0 && b <= 0xF4) ? 4
                                                     : 0;
  if (len == 0 || n >= len) return false;
  for (std::size_t k = 1; k < n; ++k)
    if ((s[k] & 0xC0) != 0x80) return false;
  return true;
}

EscapeMatch matchDecimalEscape(const std::uint8_t* s, std::size_t n, int& value) {
  static constexpr char kHead[2] = {'\\', 'u'};
  int v = 0;
  for (std::size_t k = 0; k < 6; ++k) {
    if (k == n) return EscapeMatch::kUnknown;
    if (k < 2) {
      if (s[k] != kHead[k]) return EscapeMatch::kNo;
      continue;
    }
    if (s[k] < '0' || s[k] > '9') return EscapeMatch::kNo;
    v = v * 10 + (s[k] - '0');
  }
  value = v;
  return EscapeMatch::kYes;
}

std::string_view wholeCharacters(std::string_view piece, bool front) {
  for (int k = 0; front && k < 3 && !piece.empty() &&
                  (static_cast<std::uint8_t>(piece.front()) & 0xC0) == 0x80;
       ++k)
    piece.remove_prefix(1);
  for (std::size_t back = 1; back <= 3 && back <= piece.size(); ++back) {
    const auto* tail = reinterpret_cast<const std::uint8_t*>(piece.data()) + piece.size() - back;
    if ((*tail & 0xC0) == 0x80) continue;
    if (*tail >= 0xC0 && utf8MayContinue(tail, back)) piece.remove_suffix(back);
    break;
  }
  return piece;
}

}  // namespace ts
