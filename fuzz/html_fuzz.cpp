// TS_htmlConvert over every pair with a buffer of exactly the documented size, and the
// streaming scan against the whole text.  Input: source code, destination code, a byte that
// picks where the stream is cut, then the page.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_input.hpp"
#include "ts/html.hpp"
#include "tslib.h"

namespace {

using ts::fuzz::check;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  const std::uint32_t src = data[0] % 46, dst = data[1] % 46;
  const std::size_t cutEvery = 1 + data[2] % 32;
  std::string page(reinterpret_cast<const char*>(data) + 3, size - 3);
  page.resize(std::strlen(page.c_str()));
  TS_Code2Code(src, dst);
  const std::size_t room = 12 * page.size() + 16;
  std::vector<char> out(room + 1, '\x5A');
  const int32_t n = TS_htmlConvert(page.c_str(), out.data());
  check(n >= 0 && static_cast<std::size_t>(n) < room, "result within 12 n + 16");
  check(out[room] == '\x5A', "nothing written past the buffer rule");

  ts::ConverterState conv;
  ts::selectPair(conv, src, dst);
  // The whole page at once and in pieces, with the given settings and font family.
  auto wholeAndPieces = [&](const ts::HtmlSettings& settings, int family, const char* what) {
    ts::FontMapState fonts;
    fonts.destinationFamily = family;
    ts::ByteBuffer whole, pieces;
    ts::HtmlConverter a(conv, fonts, settings), b(conv, fonts, settings);
    a.feed(page, whole);
    a.finish(whole);
    for (std::size_t at = 0; at < page.size(); at += cutEvery)
      b.feed(std::string_view(page).substr(at, cutEvery), pieces);
    b.finish(pieces);
    check(whole.view() == pieces.view(), what);
    return whole.str();
  };
  check(wholeAndPieces({}, 0, "pieces give the whole result") ==
            std::string_view(out.data(), static_cast<std::size_t>(n)),
        "engine equals TS_htmlConvert");
  // With the text of readable attributes converted too, and fonts mapped to another family.
  ts::HtmlSettings readable;
  readable.convertAttributeText = true;
  wholeAndPieces(readable, ts::kDecimalEsc, "pieces give the whole result with attributes");
  return 0;
}
