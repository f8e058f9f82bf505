// TS_Convert over every charset pair.  Input: source code, destination code, a byte that
// picks where a stream is cut, then the text.  Checks the documented buffer rule, the
// literal rules and the stream converter.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_input.hpp"
#include "reference.hpp"
#include "ts/converter.hpp"
#include "ts/detect.hpp"
#include "ts/stream.hpp"
#include "tslib.h"

namespace {

using ts::fuzz::check;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  const std::uint32_t src = data[0] % 46, dst = data[1] % 46;
  const std::size_t cutEvery = 1 + data[2] % 64;
  std::string text(reinterpret_cast<const char*>(data) + 3, size - 3);
  const std::string cText = text.substr(0, text.find('\0'));

  // Through the library's C interface; the buffer is exactly the documented size, with a
  // guard byte after it.
  const unsigned char selected = TS_Code2Code(src, dst);
  std::vector<char> out(8 * cText.size() + 2, '\x5A');
  const int32_t n = TS_Convert(cText.c_str(), out.data());
  check(n >= 0 && static_cast<std::size_t>(n) <= 8 * cText.size(), "result within 8x");
  check(out[8 * cText.size() + 1] == '\x5A', "nothing written past the buffer rule");
  if (!cText.empty()) check(out[static_cast<std::size_t>(n)] == 0, "terminated");

  // The engine against the literal rules, and the stream against the whole conversion.
  ts::ConverterState st;
  check(ts::selectPair(st, src, dst) == (selected == 1), "same selection");
  const std::string whole = ts::convert(st, text);
  if (!cText.empty())
    check(whole.compare(0, std::string::npos, out.data(), static_cast<std::size_t>(n)) == 0 ||
              text.find('\0') != std::string::npos,
          "engine equals TS_Convert");
  if (text.size() <= 512) check(whole == ts::reference::convert(st, text), "literal rules");
  ts::StreamConverter stream(st);
  ts::ByteBuffer pieces;
  for (std::size_t at = 0; at < text.size(); at += cutEvery)
    stream.feed(std::string_view(text).substr(at, cutEvery), pieces);
  stream.finish(pieces);
  check(pieces.view() == whole, "stream equals whole");

  // Watching foreign characters changes nothing of a copy and counts the same in pieces.
  ts::ForeignCharacters wholeSeen, streamSeen;
  st.watchForeign(&wholeSeen);
  check(ts::convert(st, text) == whole, "a watch that copies changes nothing");
  st.watchForeign(&streamSeen);
  ts::StreamConverter watched(st);
  ts::ByteBuffer watchedPieces;
  for (std::size_t at = 0; at < text.size(); at += cutEvery)
    watched.feed(std::string_view(text).substr(at, cutEvery), watchedPieces);
  watched.finish(watchedPieces);
  check(watchedPieces.view() == whole && streamSeen.count == wholeSeen.count,
        "the stream's watch sees what the whole text's does");

  // The guess: each charset named once, confidences below 1, best first by the confidence
  // shown (whole percent), then by score.
  const ts::Detection d = ts::detectCharset(text);
  std::vector<int> named;
  for (std::size_t g = 0; g < d.guesses.size(); ++g) {
    check(d.guesses[g].confidence >= 0 && d.guesses[g].confidence < 1, "confidence in range");
    if (g > 0) {
      const auto shown = [](double c) { return static_cast<int>(c * 100 + 0.5); };
      const int before = shown(d.guesses[g - 1].confidence), now = shown(d.guesses[g].confidence);
      check(before > now || (before == now && d.guesses[g - 1].score >= d.guesses[g].score),
            "best first");
    }
    for (int c : d.guesses[g].codes) {
      check(std::find(named.begin(), named.end(), c) == named.end(), "each charset once");
      named.push_back(c);
    }
  }
  check(!d.noVietnameseLetters || d.guesses.empty(), "nothing guessed from nothing");
  return 0;
}
