#include "ts/forms.hpp"

#include <algorithm>
#include <array>
#include <cstring>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

#include "ts/catalogue.hpp"
#include "ts/utf.hpp"

namespace ts {
namespace {

// Where Windows-1258 differs from Latin-1 at 0xA0 and above.
constexpr std::pair<std::uint8_t, std::uint16_t> kCp1258Upper[] = {
    {0xC3, 0x0102}, {0xCC, 0x0300}, {0xD0, 0x0110}, {0xD2, 0x0309}, {0xD5, 0x01A0},
    {0xDD, 0x01AF}, {0xDE, 0x0303}, {0xE3, 0x0103}, {0xEC, 0x0301}, {0xF0, 0x0111},
    {0xF2, 0x0323}, {0xF5, 0x01A1}, {0xFD, 0x01B0}, {0xFE, 0x20AB},
};

std::array<std::uint32_t, 256> makeCp1258() {
  std::array<std::uint32_t, 256> t{};
  for (int b = 0; b < 256; ++b) t[b] = windows1252CodePoint(static_cast<std::uint8_t>(b));
  // The Windows-1252 letters with caron Windows-1258 does not have.
  for (int b : {0x8A, 0x8E, 0x9A, 0x9E}) t[b] = static_cast<std::uint32_t>(b);
  for (const auto& [b, cp] : kCp1258Upper) t[b] = cp;
  return t;
}
const std::array<std::uint32_t, 256> kCp1258 = makeCp1258();

// Characters to bytes, sorted by character, for the code points that are not their byte.
struct Reverse {
  std::array<std::pair<std::uint32_t, std::uint8_t>, 256> entries{};
  std::size_t size = 0;
};

template <class Table>
Reverse makeReverse(const Table& forward) {
  Reverse r;
  for (int b = 0x80; b < 256; ++b)
    if (forward(b) != static_cast<std::uint32_t>(b))
      r.entries[r.size++] = {forward(b), static_cast<std::uint8_t>(b)};
  std::sort(r.entries.begin(), r.entries.begin() + static_cast<std::ptrdiff_t>(r.size));
  return r;
}
const Reverse kCp1258Reverse =
    makeReverse([](int b) { return kCp1258[static_cast<std::size_t>(b)]; });

int lookUp(const Reverse& r, std::uint32_t cp) {
  const auto* begin = r.entries.data();
  const auto* end = begin + r.size;
  const auto* it = std::lower_bound(begin, end, std::pair<std::uint32_t, std::uint8_t>{cp, 0});
  return it != end && it->first == cp ? it->second : -1;
}

}  // namespace

// The five bytes Windows-1252 leaves undefined arrive as C1 controls; the other C1 controls
// are the Latin-1 reading of bytes Windows-1252 gives other characters.  Every character below
// U+0100 therefore stands for its own byte.
const std::array<std::uint8_t, kCarriedTop> kCarriedBytes = [] {
  std::array<std::uint8_t, kCarriedTop> t{};
  for (int b = 0; b < 0x100; ++b) t[static_cast<std::size_t>(b)] = static_cast<std::uint8_t>(b);
  for (int b = 0x80; b < 0xA0; ++b) {
    const std::uint32_t cp = windows1252CodePoint(static_cast<std::uint8_t>(b));
    if (cp >= 0x100) t[cp] = static_cast<std::uint8_t>(b);
  }
  return t;
}();

int carriedByte(std::uint32_t codePoint) {
  if (codePoint < 0x100) return static_cast<int>(codePoint);
  const int b = codePoint < kCarriedTop ? kCarriedBytes[codePoint] : 0;
  return b == 0 ? -1 : b;
}

std::size_t unwrapLayer(const std::uint8_t* s, std::size_t n, bool final, ByteBuffer& out) {
  std::uint8_t* const d = out.reserveMore(n + 16);
  std::uint8_t* p = d;
  const std::size_t used =
      walkCarried(s, n, final, p, [&p](const std::uint8_t* c, std::size_t len) {
        std::memcpy(p, c, len);  // kept as its UTF-8
        p += len;
      });
  out.commit(static_cast<std::size_t>(p - d));
  return used;
}

#if defined(__x86_64__) && defined(__GNUC__)

namespace {

// For each 8-bit mask of kept bytes: the indexes of the kept bytes, in order.
struct Compress {
  alignas(16) std::uint8_t index[256][8];
  Compress() {
    for (int m = 0; m < 256; ++m) {
      int k = 0;
      for (int b = 0; b < 8; ++b)
        if (m & (1 << b)) index[m][k++] = static_cast<std::uint8_t>(b);
      for (int r = k; r < 8; ++r) index[m][r] = 0x80;
    }
  }
};
const Compress kCompress;

// Writes the kept bytes of `bytes` (bit k of `keep` for byte k) at out + w, advancing w.
__attribute__((target("ssse3,popcnt"), always_inline)) inline void compress16(__m128i bytes,
                                                                              unsigned keep,
                                                                              std::uint8_t* out,
                                                                              std::size_t& w) {
  const unsigned low = keep & 0xFF, hi = (keep >> 8) & 0xFF;
  const __m128i lowIndex = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(kCompress.index[low]));
  const __m128i hiIndex = _mm_add_epi8(
      _mm_loadl_epi64(reinterpret_cast<const __m128i*>(kCompress.index[hi])), _mm_set1_epi8(8));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(out + w), _mm_shuffle_epi8(bytes, lowIndex));
  // Indexes of 0x80 | 8 still have their top bit set: those bytes stay zero.
  _mm_storel_epi64(reinterpret_cast<__m128i*>(out + w + __builtin_popcount(low)),
                   _mm_shuffle_epi8(bytes, hiIndex));
  w += static_cast<std::size_t>(__builtin_popcount(keep & 0xFFFF));
}

// Blocks go at a fixed stride, so that no block waits for the one before it: a character that
// starts in a block takes its last bytes from the next, which then drops them (`carry`: bit k
// for byte k of the next block).  ASCII and the pairs C2/C3 are read in the vector; the other
// characters of two bytes and those of three from E2 (Windows-1252's letters and punctuation
// above U+00FF) one by one through kCarriedBytes.
//
// One block of 16 bytes at s (s[16] and s[17] readable): false, with nothing written, where it
// holds anything else or a character that stands for no byte.
__attribute__((target("ssse3,popcnt,bmi"), always_inline)) inline bool carriedBlock(
    const std::uint8_t* s, std::uint8_t* out, std::size_t& w, int& carry) {
  const __m128i x80 = _mm_set1_epi8(static_cast<char>(0x80));
  const __m128i xC0 = _mm_set1_epi8(static_cast<char>(0xC0));
  const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
  const int high = _mm_movemask_epi8(v);
  if (high == 0) {  // ASCII (the block before cannot have ended inside a character)
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + w), v);
    w += 16;
    return true;
  }
  const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 1));
  const __m128i latin = _mm_cmpeq_epi8(_mm_and_si128(v, _mm_set1_epi8(static_cast<char>(0xFE))),
                                       _mm_set1_epi8(static_cast<char>(0xC2)));
  const int latins = _mm_movemask_epi8(latin);
  const int conts = _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_and_si128(v, xC0), x80));
  // Every byte of 128 or more a lead or a continuation, each continuation where a lead puts
  // it, including the bytes after the block.
  int expected = 0, others = 0;
  if ((high & ~(latins | conts)) == 0) {  // pairs C2/C3 alone, as in carried legacy text
    const int nextConts = _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_and_si128(next, xC0), x80));
    if ((latins & ~nextConts) != 0) return false;
    expected = (latins << 1) | carry;
  } else {
    const int twos = _mm_movemask_epi8(
        _mm_cmpeq_epi8(_mm_and_si128(v, _mm_set1_epi8(static_cast<char>(0xE0))), xC0));
    const int threes = _mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8(static_cast<char>(0xE2))));
    if ((high & ~(twos | threes | conts)) != 0) return false;
    others = (twos & ~latins) | threes;  // C0 and C1 among them: no byte, below
    expected = (twos << 1) | (threes << 1) | (threes << 2) | carry;
    const int after = ((s[16] & 0xC0) == 0x80 ? 1 : 0) | ((s[17] & 0xC0) == 0x80 ? 2 : 0);
    if (((expected >> 16) & ~after) != 0) return false;
  }
  if (conts != (expected & 0xFFFF)) return false;
  // A pair C2/C3 becomes the byte it stands for: the continuation, plus 0x40 after C3.
  const __m128i value =
      _mm_add_epi8(next, _mm_and_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8(static_cast<char>(0xC3))),
                                       _mm_set1_epi8(0x40)));
  __m128i bytes = _mm_or_si128(_mm_and_si128(latin, value), _mm_andnot_si128(latin, v));
  if (others != 0) {
    alignas(16) std::uint8_t lane[16];
    _mm_store_si128(reinterpret_cast<__m128i*>(lane), bytes);
    bool none = false;
    for (unsigned m = static_cast<unsigned>(others); m != 0; m &= m - 1) {
      const unsigned k = static_cast<unsigned>(__builtin_ctz(m));
      const std::uint8_t* c = s + k;
      const std::uint32_t cp = c[0] == 0xE2 ? 0x2000u | ((c[1] & 0x3Fu) << 6) | (c[2] & 0x3Fu)
                                            : ((c[0] & 0x1Fu) << 6) | (c[1] & 0x3Fu);
      const std::uint8_t b = cp < kCarriedTop ? kCarriedBytes[cp] : 0;
      none |= b == 0 || cp < 0x80;  // C0 and C1 start no character
      lane[k] = b;
    }
    if (none) return false;
    bytes = _mm_load_si128(reinterpret_cast<const __m128i*>(lane));
  }
  compress16(bytes, static_cast<unsigned>(~conts), out, w);
  carry = expected >> 16;
  return true;
}

__attribute__((target("ssse3,popcnt,bmi"))) std::size_t carriedBlocks(const std::uint8_t* s,
                                                                      std::size_t n,
                                                                      std::uint8_t* out,
                                                                      std::size_t& written) {
  std::size_t i = 0, w = 0;
  int carry = 0;
  while (i + 18 <= n && carriedBlock(s + i, out, w, carry)) i += 16;
  written = w;
  return i + static_cast<std::size_t>(__builtin_popcount(carry));  // past the last character
}

// The same, 32 bytes at a time where they hold ASCII and pairs C2/C3 alone.
__attribute__((target("avx2,popcnt,bmi"))) std::size_t carriedBlocksAvx2(const std::uint8_t* s,
                                                                         std::size_t n,
                                                                         std::uint8_t* out,
                                                                         std::size_t& written) {
  const __m256i x80 = _mm256_set1_epi8(static_cast<char>(0x80));
  const __m256i xC0 = _mm256_set1_epi8(static_cast<char>(0xC0));
  const __m256i xFE = _mm256_set1_epi8(static_cast<char>(0xFE));
  const __m256i xC2 = _mm256_set1_epi8(static_cast<char>(0xC2));
  const __m256i xC3 = _mm256_set1_epi8(static_cast<char>(0xC3));
  const __m256i x40 = _mm256_set1_epi8(0x40);
  std::size_t i = 0, w = 0;
  int carry = 0;
  while (i + 34 <= n) {
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i));
    const auto high = static_cast<std::uint32_t>(_mm256_movemask_epi8(v));
    if (high == 0) {
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + w), v);
      w += 32;
      i += 32;
      continue;
    }
    const __m256i latin = _mm256_cmpeq_epi8(_mm256_and_si256(v, xFE), xC2);
    const auto latins = static_cast<std::uint32_t>(_mm256_movemask_epi8(latin));
    const auto conts = static_cast<std::uint32_t>(
        _mm256_movemask_epi8(_mm256_cmpeq_epi8(_mm256_and_si256(v, xC0), x80)));
    if ((high & ~(latins | conts)) == 0) {
      const __m256i next = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i + 1));
      const auto nextConts = static_cast<std::uint32_t>(
          _mm256_movemask_epi8(_mm256_cmpeq_epi8(_mm256_and_si256(next, xC0), x80)));
      if ((latins & ~nextConts) == 0 &&
          conts == ((latins << 1) | static_cast<std::uint32_t>(carry))) {
        const __m256i value =
            _mm256_add_epi8(next, _mm256_and_si256(_mm256_cmpeq_epi8(v, xC3), x40));
        const __m256i bytes = _mm256_blendv_epi8(v, value, latin);
        compress16(_mm256_castsi256_si128(bytes), ~conts & 0xFFFF, out, w);
        compress16(_mm256_extracti128_si256(bytes, 1), (~conts >> 16) & 0xFFFF, out, w);
        carry = static_cast<int>(latins >> 31);
        i += 32;
        continue;
      }
    }
    if (!carriedBlock(s + i, out, w, carry)) break;  // anything else: 16 bytes as above
    i += 16;
  }
  if (i + 34 > n)
    while (i + 18 <= n && carriedBlock(s + i, out, w, carry)) i += 16;
  written = w;
  return i + static_cast<std::size_t>(__builtin_popcount(carry));
}

const bool kHasSsse3 = __builtin_cpu_supports("ssse3");
const bool kHasAvx2 = __builtin_cpu_supports("avx2");

}  // namespace

std::size_t unwrapBlocks(const std::uint8_t* s, std::size_t n, std::uint8_t* out,
                         std::size_t& written) {
  written = 0;
  if (kHasAvx2) return carriedBlocksAvx2(s, n, out, written);
  return kHasSsse3 ? carriedBlocks(s, n, out, written) : 0;
}

#else

std::size_t unwrapBlocks(const std::uint8_t*, std::size_t, std::uint8_t*, std::size_t& written) {
  written = 0;
  return 0;
}

#endif

std::uint32_t windows1258CodePoint(std::uint8_t b) { return kCp1258[b]; }

int windows1258Byte(std::uint32_t codePoint) {
  if (codePoint < 0x80) return static_cast<int>(codePoint);
  const int b = lookUp(kCp1258Reverse, codePoint);
  if (b >= 0) return b;
  if (codePoint < 0x100 && kCp1258[codePoint] == codePoint) return static_cast<int>(codePoint);
  return -1;
}

CharsetForm charsetFormByName(std::string_view name, int lastCode) {
  int layers = 0;
  std::string_view base = name;
  for (;;) {
    const std::size_t plus = base.rfind('+');
    if (plus == std::string_view::npos) break;
    const std::string layer = normalizedName(base.substr(plus + 1));
    if (layer != "utf8") return 0;
    if (++layers > kMaxCarriedLayers) return 0;
    base = base.substr(0, plus);
  }
  const std::string n = normalizedName(base);
  if (layers == 0 && (n == "cp1258" || n == "windows1258"))
    return lastCode >= 27 ? kWindows1258 : 0;
  const int code = charsetByName(base, lastCode);
  if (code == 0) return 0;
  return carriedForm(code, layers);
}

std::string formName(CharsetForm form) {
  return formName(form, [](const char* english) { return english; });
}

// The phrases of the forms' names, marked for the programs' catalogues.
#define TS_PHRASE(english) english

std::string formName(CharsetForm form, const char* (*translate)(const char*)) {
  if (formIsWindows1258(form)) return formCharset(form) == 27 ? "Windows-1258" : "";
  const std::string name(charsetName(formCharset(form)));
  const int layers = formLayers(form);
  if (name.empty() || layers == 0) return name;
  std::string text = name;
  while (!text.empty() && text.back() == ' ') text.pop_back();  // code 27's name
  const char* phrase = nullptr;
  if (formCharset(form) == kUtf8)
    phrase = layers == 1   ? TS_PHRASE("%s, encoded twice")
             : layers == 2 ? TS_PHRASE("%s, encoded three times")
                           : TS_PHRASE("%s, encoded four times");
  else
    phrase = layers == 1   ? TS_PHRASE("%s, carried in UTF-8")
             : layers == 2 ? TS_PHRASE("%s, carried in UTF-8 encoded twice")
                           : TS_PHRASE("%s, carried in UTF-8 encoded three times");
  std::string out = translate(phrase);
  const std::size_t at = out.find("%s");
  return at == std::string::npos ? out : out.replace(at, 2, text);
}

std::string formLabel(CharsetForm form, const char* (*translate)(const char*)) {
  const bool plain = formLayers(form) == 0 && !formIsWindows1258(form);
  return (plain ? std::to_string(form) : formShortName(form)) + " \"" + formName(form, translate) +
         "\"";
}

std::string formShortName(CharsetForm form) {
  if (formIsWindows1258(form)) return "cp1258";
  const int code = formCharset(form);
  std::string text;
  switch (code) {
    case kTcvn3: text = "tcvn3"; break;
    case kViqr: text = "viqr"; break;
    case kViscii: text = "viscii"; break;
    case kVniWin: text = "vni"; break;
    case kVpsWin: text = "vps"; break;
    case kUtf8: text = "utf8"; break;
    case kHtmlRefs: text = "ncr"; break;
    default: text = std::to_string(code);
  }
  for (int i = 0; i < formLayers(form); ++i) text += "+utf8";
  return text;
}

}  // namespace ts
