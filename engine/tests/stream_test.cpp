#include "ts/stream.hpp"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "reference.hpp"
#include "test_util.hpp"

namespace ts {
namespace {

using test::hex;

std::string streamed(ConverterState& st, const std::string& text, std::mt19937& rng,
                     std::size_t maxPiece) {
  StreamConverter sc(st);
  ByteBuffer out;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t n = std::uniform_int_distribution<std::size_t>(1, maxPiece)(rng);
    const std::size_t m = std::min(n, text.size() - at);
    sc.feed(std::string_view(text).substr(at, m), out);
    at += m;
  }
  sc.finish(out);
  return out.str();
}

// Random letters, bytes and escape pieces of the source, cut at random places.
TEST(StreamConverter, EqualsWholeConversionForEveryPair) {
  std::mt19937 rng(3);
  for (int src = 0; src <= 44; ++src) {
    CharsetSelection s;
    const bool has = selectCharset(static_cast<std::uint32_t>(src), kCatalogueSize, s);
    for (int dst : {0, 3, 7, 15, 24, 25, 29, 39, 41, 42, 43}) {
      ConverterState st;
      selectPair(st, static_cast<std::uint32_t>(src), static_cast<std::uint32_t>(dst));
      for (int k = 0; k < 6; ++k) {
        std::string text;
        for (int i = 0; i < 300; ++i) {
          const int what = std::uniform_int_distribution<int>(0, 5)(rng);
          if (what == 0 || !has) {
            text += static_cast<char>(std::uniform_int_distribution<int>(0, 255)(rng));
          } else if (what == 1) {
            text += "\\u0"[std::uniform_int_distribution<int>(0, 2)(rng)];
          } else {
            text += writeLetter(s, std::uniform_int_distribution<int>(1, 152)(rng)).view();
          }
        }
        const std::string whole = convert(st, text);
        ASSERT_EQ(whole, reference::convert(st, text)) << src << " -> " << dst;
        for (std::size_t piece : {1, 2, 3, 7, 64}) {
          ASSERT_EQ(hex(streamed(st, text, rng, piece)), hex(whole))
              << src << " -> " << dst << " pieces of up to " << piece;
        }
      }
    }
  }
}

// Characters of UTF-8 that a legacy charset cannot write: copied, dropped or transliterated,
// counted with their offsets in the stream, however the stream is cut.
TEST(StreamConverter, ForeignCharactersWhereverTheCutFalls) {
  const std::string text = "x\xE2\x80\x93 \xC3\xA0\xE2\x82\xAC" + std::string(1, '\0') +
                           "\xC3\xB1\xF0\x9F\x98\x80";  // x – à €, NUL, ñ 😀
  using Action = ForeignCharacters::Action;
  const std::pair<Action, std::string> expected[] = {
      {Action::kCopy,
       "x\xE2\x80\x93 \xB5\xE2\x82\xAC" + std::string(1, '\0') + "\xC3\xB1\xF0\x9F\x98\x80"},
      {Action::kDrop, "x \xB5" + std::string(1, '\0')},
      {Action::kTransliterate, "x- \xB5" "EUR" + std::string(1, '\0') + "n?"}};
  for (const auto& [action, want] : expected) {
    for (std::size_t cut = 0; cut <= text.size(); ++cut) {
      ConverterState st;
      ForeignCharacters foreign;
      foreign.action = action;
      st.watchForeign(&foreign);
      ASSERT_TRUE(selectPair(st, kUtf8, kTcvn3));
      StreamConverter stream(st);
      ByteBuffer out;
      stream.feed(std::string_view(text).substr(0, cut), out);
      stream.feed(std::string_view(text).substr(cut), out);
      stream.finish(out);
      ASSERT_EQ(test::hex(out.str()), test::hex(want)) << cut;
      ASSERT_EQ(foreign.count, 4u);
      const std::uint64_t offsets[] = {1, 7, 11, 13};
      for (int k = 0; k < 4; ++k)
        EXPECT_EQ(foreign.first[static_cast<std::size_t>(k)].offset, offsets[k]) << cut;
      EXPECT_EQ(foreign.first[3].codePoint, 0x1F600u);
    }
  }
  // Unicode destinations write them; no watch applies.
  ConverterState st;
  ForeignCharacters foreign;
  st.watchForeign(&foreign);
  selectPair(st, kUtf8, kHtmlRefs);
  EXPECT_EQ(convert(st, "\xE2\x80\x93"), "\xE2\x80\x93");
  EXPECT_EQ(foreign.count, 0u);
}

TEST(StreamConverter, HoldsBackOnlyWhatTheNextBytesDecide) {
  ConverterState st;
  ASSERT_TRUE(selectPair(st, 39, 15));
  StreamConverter esc(st);
  ByteBuffer out;
  esc.feed("a\\u02", out);
  EXPECT_EQ(out.str(), "a");
  EXPECT_EQ(esc.pending(), 4u);
  esc.feed("24b", out);
  EXPECT_EQ(hex(out.str()), "61 B5 62");
  esc.feed("\\", out);
  esc.finish(out);
  EXPECT_EQ(hex(out.str()), "61 B5 62 5C");

  ASSERT_TRUE(selectPair(st, 29, 15));
  StreamConverter tree(st);
  out.clear();
  tree.feed("ca", out);
  tree.feed("\xF8y", out);
  tree.finish(out);
  EXPECT_EQ(hex(out.str()), "63 B5 79");
}

// VIQR's "dd" leaves no safe place to cut a run of d's: whether the run converts as
// d + đđ... or đđ... depends on its length, so the stream holds the whole run.
TEST(StreamConverter, RunWithoutSafeCut) {
  ConverterState st;
  ASSERT_TRUE(selectPair(st, 24, 41));
  for (std::size_t len : {100001u, 100000u}) {
    const std::string text(len, 'd');
    StreamConverter sc(st);
    ByteBuffer out;
    for (std::size_t at = 0; at < len; at += 4096)
      sc.feed(std::string_view(text).substr(at, 4096), out);
    EXPECT_EQ(out.size(), 0u);
    sc.finish(out);
    EXPECT_EQ(out.str(), convert(st, text));
    EXPECT_EQ(out.str().front() == 'd', len % 2 == 1);
  }
}

TEST(StreamConverter, NulBytesEndTexts) {
  ConverterState st;
  ASSERT_TRUE(selectPair(st, 41, 15));
  const std::string text = std::string("\xC3") + '\0' + "\xA0\xC3\xA0";
  std::mt19937 rng(4);
  EXPECT_EQ(hex(streamed(st, text, rng, 1)), "C3 00 A0 B5");
  EXPECT_EQ(hex(convert(st, text)), "C3 00 A0 B5");
}

TEST(StreamConverter, CopiesWhenNothingIsSelected) {
  ConverterState st;
  StreamConverter sc(st);
  ByteBuffer out;
  sc.feed("a\0b", out);
  sc.finish(out);
  EXPECT_EQ(out.size(), 1u);  // the view ends at the NUL of the literal
  EXPECT_FALSE(selectPair(st, 15, 7));
  StreamConverter failed(st);
  out.clear();
  failed.feed("\xB5", out);
  failed.finish(out);
  EXPECT_EQ(out.str(), "\xB5");
}

}  // namespace
}  // namespace ts
