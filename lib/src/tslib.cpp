// The exports of libtslib over one process-wide engine state.
//
// The state lives from the library's load to its unload; its destructor releases the
// decoding tree.  Every export catches everything: failures are results, never exceptions.
#include <algorithm>
#include <climits>
#include <cstring>
#include <string>

#include "system.hpp"
#include "ts/converter.hpp"
#include "ts/detect.hpp"
#include "ts/fonts.hpp"
#include "ts/html.hpp"
#include "ts/repair.hpp"
#include "ts/replace.hpp"
#include "ts/text_utils.hpp"
#include "ts/unicode.hpp"
#include "ts/utf.hpp"
#include "tslib.h"

namespace {

struct LibraryState {
  ts::ConverterState converter{ts::kLibraryOptions};
  ts::TextUtilState text;
  ts::FontMapState fonts;
  // TS_VN2Unicode converts from the current source to "VN Unicode 1" here when the pair's
  // destination is another charset, so its result never outgrows one unit per byte.
  ts::ConverterState bridge{ts::kLibraryOptions};
  // TS_replace copies its arguments before it writes its result, so callers may pass the
  // pointer it returned last time.
  std::string replaceText, replacePattern, replaceWith, replaceResult;
};

LibraryState g_state;

// Copies a result to a caller's buffer with its terminator; 0 and nothing written when its
// length cannot be reported.
int32_t deliver(std::string_view out, char* destination) {
  if (out.size() > static_cast<std::size_t>(INT32_MAX)) return 0;
  if (!out.empty()) std::memcpy(destination, out.data(), out.size());
  destination[out.size()] = '\0';
  return static_cast<int32_t>(out.size());
}

int32_t sign(int v) { return (v > 0) - (v < 0); }

int32_t changeCase(char* text, bool upper) {
  if (text == nullptr) return 0;
  try {
    const std::size_t n = std::strlen(text);
    if (n > static_cast<std::size_t>(INT32_MAX)) return 0;
    return ts::changeCase(g_state.text, text, n, upper) ? static_cast<int32_t>(n) : 0;
  } catch (...) {
    return 0;
  }
}

}  // namespace

extern "C" {

TS_EXPORT unsigned char TS_API TS_Code2Code(uint32_t source, uint32_t destination) {
  try {
    // Low bytes: a source byte of 64 or more names a charset carried in UTF-8 (forms.hpp).
    return ts::selectForms(g_state.converter, source & 0xFF, destination & 0xFF) ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

TS_EXPORT int32_t TS_API TS_Convert(const char* source, char* destination) {
  if (source == nullptr || destination == nullptr) return 0;
  try {
    const std::size_t n = std::strlen(source);
    if (n == 0) return 0;  // the destination is left as it was
    ts::ByteBuffer out;
    ts::convert(g_state.converter, std::string_view(source, n), out);
    return deliver(out.view(), destination);
  } catch (...) {
    return 0;
  }
}

TS_EXPORT const char* TS_API TS_replace(const char* text, const char* pattern,
                                        const char* replacement) {
  if (text == nullptr || pattern == nullptr || replacement == nullptr) return nullptr;
  try {
    g_state.replaceText.assign(text);
    g_state.replacePattern.assign(pattern);
    g_state.replaceWith.assign(replacement);
    ts::ReplaceAll(g_state.replaceText, g_state.replacePattern, g_state.replaceWith,
                   g_state.replaceResult);
    return g_state.replaceResult.c_str();
  } catch (...) {
    return nullptr;
  }
}

TS_EXPORT int32_t TS_API TS_VN2Unicode(const char* text, uint16_t* result) {
  if (text == nullptr || result == nullptr) return 0;
  try {
    ts::ConverterState* conv = &g_state.converter;
    if (conv->destination() != ts::kDecimalEsc) {
      ts::selectForms(g_state.bridge, conv->sourceForm() & 0xFF, ts::kDecimalEsc);
      conv = &g_state.bridge;
    }
    const std::u16string units = ts::toUtf16(*conv, text);
    if (units.size() > static_cast<std::size_t>(INT32_MAX)) return 0;
    if (!units.empty()) std::memcpy(result, units.data(), units.size() * sizeof(uint16_t));
    result[units.size()] = 0;
    return static_cast<int32_t>(units.size());
  } catch (...) {
    return 0;
  }
}

TS_EXPORT int32_t TS_API TS_Unicode2VN(const uint16_t* text, char* result) {
  if (text == nullptr || result == nullptr) return 0;
  try {
    std::size_t n = 0;
    while (text[n] != 0) ++n;
    std::string out;
    if (!ts::fromUtf16(g_state.converter,
                       std::u16string_view(reinterpret_cast<const char16_t*>(text), n), out))
      return 0;
    return deliver(out, result);
  } catch (...) {
    return 0;
  }
}

TS_EXPORT int32_t TS_API TS_isUniCharUp(uint32_t ch) { return ts::isCapitalChar(ch) ? 1 : 0; }

TS_EXPORT int32_t TS_API TS_lowerUniChar(uint32_t ch) {
  return static_cast<int32_t>(ts::lowerChar(ch));
}

TS_EXPORT int32_t TS_API TS_upperUniChar(uint32_t ch) {
  return static_cast<int32_t>(ts::upperChar(ch));
}

TS_EXPORT unsigned char TS_API TS_defaultCode(uint32_t code) {
  return ts::defaultCharset(g_state.text, code);
}

TS_EXPORT int32_t TS_API TS_upperStr(char* text) { return changeCase(text, true); }

TS_EXPORT int32_t TS_API TS_lowerStr(char* text) { return changeCase(text, false); }

TS_EXPORT int32_t TS_API TS_vn2str7bit(uint32_t mode, const char* text, char* result) {
  if (text == nullptr || result == nullptr) return 0;
  try {
    const std::string key = ts::sortKey(g_state.converter, g_state.text.defaultCharset, mode, text);
    return deliver(key, result);
  } catch (...) {
    return 0;
  }
}

TS_EXPORT int32_t TS_API TS_strcmp(const char* text1, const char* text2) {
  if (text1 == nullptr || text2 == nullptr) return 0;
  try {
    return sign(ts::compareSorted(g_state.converter, g_state.text.defaultCharset, text1, text2));
  } catch (...) {
    return 0;
  }
}

TS_EXPORT unsigned char TS_API TS_isBreakChar(uint32_t ch) {
  return ts::isBreakChar(g_state.text, ch) ? 1 : 0;
}

TS_EXPORT int32_t TS_API TS_getNameCode(uint32_t code, char* name) {
  const auto c = static_cast<int>(code & 0xFF);
  if (c == 0) return ts::kCatalogueSize;  // nothing is written
  if (name == nullptr) return 0;
  try {
    const std::string line = ts::nameLine(c);
    return line.empty() ? 0 : deliver(line, name);
  } catch (...) {
    return 0;
  }
}

TS_EXPORT unsigned char TS_API TS_UTF16toUTF8(uint32_t code, char* out) {
  if (out == nullptr) return 0;
  return static_cast<unsigned char>(ts::utf16ToUtf8(static_cast<uint16_t>(code & 0xFFFF), out));
}

TS_EXPORT int32_t TS_API TS_UTF8toUTF16(const char* text, int32_t* seqLength, int32_t available) {
  if (text == nullptr || seqLength == nullptr) return 0;
  int continuation = -1;
  const uint32_t v =
      ts::utf8ToUtf16(reinterpret_cast<const std::uint8_t*>(text), available, continuation);
  if (continuation >= 0) *seqLength = continuation;
  return static_cast<int32_t>(v);
}

TS_EXPORT int32_t TS_API TS_htmlConvert(const char* source, char* destination) {
  if (source == nullptr || destination == nullptr) return 0;
  try {
    ts::HtmlConverter html(g_state.converter, g_state.fonts);
    ts::ByteBuffer out;
    html.feed(source, out);
    html.finish(out);
    return deliver(out.view(), destination);
  } catch (...) {
    return 0;
  }
}

TS_EXPORT int32_t TS_API TS_convertFont(const char* name, char* out) {
  if (name == nullptr || out == nullptr) return 0;
  try {
    const std::optional<std::string> mapped =
        ts::mapFontName(g_state.converter, g_state.fonts, name);
    return mapped ? deliver(*mapped, out) : 0;
  } catch (...) {
    return 0;
  }
}

TS_EXPORT int32_t TS_API TS_sysFont(uint32_t mode) {
  try {
    return tslib::switchInterfaceFonts((mode & 0xFF) != 0);
  } catch (...) {
    return 1;
  }
}

TS_EXPORT unsigned char TS_API TS_run(uint32_t mode) {
  try {
    return tslib::runKeyboardProgram(mode & 0xFF) ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

TS_EXPORT void* TS_API TS_noClipboard(int32_t) {
  try {
    return tslib::raiseClipboardGuard();
  } catch (...) {
    return nullptr;
  }
}

TS_EXPORT int32_t TS_API TS_detect(const char* text, uint32_t length, uint8_t* codes,
                                   uint8_t* percent, uint32_t max) {
  if (text == nullptr || codes == nullptr || percent == nullptr || max == 0) return 0;
  try {
    constexpr uint32_t kRead = 65536;
    const ts::Detection d = ts::detectCharset(std::string_view(text, std::min(length, kRead)));
    uint32_t written = 0;
    for (const ts::CharsetGuess& g : d.guesses) {
      const auto p = static_cast<uint8_t>(g.confidence * 100.0 + 0.5);
      for (int code : g.codes) {
        if (written == max) return static_cast<int32_t>(written);
        codes[written] = static_cast<uint8_t>(code);
        percent[written] = p;
        ++written;
      }
    }
    return static_cast<int32_t>(written);
  } catch (...) {
    return 0;
  }
}

TS_EXPORT int32_t TS_API TS_readsAs(const char* text, uint32_t length, uint32_t code) {
  if (text == nullptr || code == 0 || code > static_cast<uint32_t>(ts::kCatalogueSize) ||
      code == static_cast<uint32_t>(ts::kUtf8) || !ts::hasLetterTable(static_cast<int>(code)))
    return -1;
  try {
    const std::string_view t(text, length);
    if (!ts::validUtf8(t)) return -1;
    return ts::readsAsCarried(t, static_cast<int>(code)) ? 1 : 0;
  } catch (...) {
    return -1;
  }
}

}  // extern "C"
