#include "ts/forms.hpp"

#include <algorithm>
#include <array>
#include <cstring>

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
const Reverse kCp1252Reverse =
    makeReverse([](int b) { return windows1252CodePoint(static_cast<std::uint8_t>(b)); });
const Reverse kCp1258Reverse =
    makeReverse([](int b) { return kCp1258[static_cast<std::size_t>(b)]; });

int lookUp(const Reverse& r, std::uint32_t cp) {
  const auto* begin = r.entries.data();
  const auto* end = begin + r.size;
  const auto* it = std::lower_bound(begin, end, std::pair<std::uint32_t, std::uint8_t>{cp, 0});
  return it != end && it->first == cp ? it->second : -1;
}

const char* timesWord(int n) {
  switch (n) {
    case 1: return "twice";
    case 2: return "three times";
    default: return "four times";
  }
}

}  // namespace

int carriedByte(std::uint32_t codePoint) {
  if (codePoint < 0x100) {
    // The five bytes Windows-1252 leaves undefined arrive as C1 controls; the other C1
    // controls are the Latin-1 reading of bytes Windows-1252 gives other characters.
    return static_cast<int>(codePoint);
  }
  return lookUp(kCp1252Reverse, codePoint);
}

std::size_t unwrapLayer(const std::uint8_t* s, std::size_t n, bool final, ByteBuffer& out) {
  std::uint8_t* const d = out.reserveMore(n);
  std::uint8_t* p = d;
  const std::size_t used = walkCarried(
      s, n, final, [&p](std::uint8_t b) { *p++ = b; },
      [&p](const std::uint8_t* c, std::size_t len) {
        std::memcpy(p, c, len);  // kept as its UTF-8
        p += len;
      });
  out.commit(static_cast<std::size_t>(p - d));
  return used;
}

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
  if (formIsWindows1258(form)) return formCharset(form) == 27 ? "Windows-1258" : "";
  const std::string name(charsetName(formCharset(form)));
  const int layers = formLayers(form);
  if (name.empty() || layers == 0) return name;
  std::string text = name;
  while (!text.empty() && text.back() == ' ') text.pop_back();  // code 27's name
  if (formCharset(form) == kUtf8) return text + ", encoded " + timesWord(layers);
  text += ", carried in UTF-8";
  if (layers > 1) text += std::string(" encoded ") + timesWord(layers - 1);
  return text;
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
