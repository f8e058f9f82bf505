// The exports of libtslib over one process-wide engine state.
//
// The state lives from the library's load to its unload; its destructor releases the
// decoding tree.  Every export catches everything: failures are results, never exceptions.
#include <climits>
#include <cstring>
#include <string>

#include "tslib.h"
#include "ts/converter.hpp"
#include "ts/replace.hpp"

namespace {

struct LibraryState {
  ts::ConverterState converter{ts::kLibraryOptions};
  // TS_replace copies its arguments before it writes its result, so callers may pass the
  // pointer it returned last time.
  std::string replaceText, replacePattern, replaceWith, replaceResult;
};

LibraryState g_state;

// Copies a result to a caller's buffer with its terminator; 0 and nothing written when its
// length cannot be reported.
int32_t deliver(const ts::ByteBuffer& out, char* destination) {
  if (out.size() > static_cast<std::size_t>(INT32_MAX)) return 0;
  if (out.size() != 0) std::memcpy(destination, out.data(), out.size());
  destination[out.size()] = '\0';
  return static_cast<int32_t>(out.size());
}

}  // namespace

extern "C" {

TS_EXPORT unsigned char TS_API TS_Code2Code(uint32_t source, uint32_t destination) {
  try {
    return ts::selectPair(g_state.converter, source, destination) ? 1 : 0;
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
    return deliver(out, destination);
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

}  // extern "C"
