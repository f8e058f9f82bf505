#include "ts/stream.hpp"

#include <cstring>

#include "plan.hpp"
#include "ts/unicode.hpp"

namespace ts {

struct StreamConverter::Impl {
  explicit Impl(ConverterState& s) : state(s) {}

  bool copies() const { return !state.converts(); }
  void feedText(const std::uint8_t* s, std::size_t n, ByteBuffer& out);
  void endText(ByteBuffer& out);
  void feedTexts(const std::uint8_t* s, std::size_t n, ByteBuffer& out);
  void start();

  ConverterState& state;
  bool started = false;
  std::unique_ptr<CarriedReader> carried;  // for a carried source
  bool viqr = false;                       // the writing pass of a VIQR destination
  bool compose = false;                    // decomposed letters composed first
  std::string composable, composed;        // a letter that marks in the next piece may follow
  ViqrEscaper escaper;
  ByteBuffer pending;  // the start of a code not yet complete
  TreeStream tree;
  std::uint64_t position = 0;  // stream offset of the next byte to feedText
};

StreamConverter::StreamConverter(ConverterState& state) : impl_(new Impl(state)) {}
StreamConverter::~StreamConverter() = default;

std::size_t StreamConverter::pending() const {
  return impl_->pending.size() + impl_->tree.pending() + impl_->composable.size() +
         (impl_->carried ? impl_->carried->pending() : 0);
}

void StreamConverter::Impl::start() {
  started = true;
  viqr = writesTaggedViqr(state);
  compose = composesFirst(state);
  if (state.carriedLayers() != 0)
    carried = std::make_unique<CarriedReader>(state.carriedLayers(), state.source() != kUtf8);
}

void StreamConverter::Impl::feedText(const std::uint8_t* s, std::size_t n, ByteBuffer& out) {
  if (n == 0) return;
  ConversionPlan* selected = StateAccess::plan(state);
  if (selected == nullptr) {  // a carried source in its own charset: its bytes as they are
    out.append(s, n);
    return;
  }
  ConversionPlan& plan = *selected;
  switch (plan.path) {
    case ConversionPath::kCopy: out.append(s, n); return;
    case ConversionPath::kEscapeForms:
      feedHeld(pending, s, n, position, out,
               [&plan, this](const std::uint8_t* p, std::size_t m, bool final, ByteBuffer& o,
                             std::uint64_t at) {
                 return decodeEscapeForms(plan, p, m, final, o, state.foreign(), at);
               });
      return;
    case ConversionPath::kDecimalEscapes:
      feedHeld(pending, s, n, position, out,
               [&plan](const std::uint8_t* p, std::size_t m, bool final, ByteBuffer& o,
                       std::uint64_t) { return decodeDecimalEscapes(plan, p, m, final, o); });
      return;
    case ConversionPath::kTree: tree.feed(plan, s, n, out); return;
  }
}

void StreamConverter::Impl::endText(ByteBuffer& out) {
  ConversionPlan* selected = StateAccess::plan(state);
  if (selected == nullptr) return;
  ConversionPlan& plan = *selected;
  switch (plan.path) {
    case ConversionPath::kCopy: break;
    case ConversionPath::kEscapeForms:
      decodeEscapeForms(plan, pending.data(), pending.size(), true, out, state.foreign(),
                        position - pending.size());
      break;
    case ConversionPath::kDecimalEscapes:
      decodeDecimalEscapes(plan, pending.data(), pending.size(), true, out);
      break;
    case ConversionPath::kTree: tree.finish(plan, out); break;
  }
  pending.clear();
}

void StreamConverter::Impl::feedTexts(const std::uint8_t* s, std::size_t n, ByteBuffer& out) {
  std::size_t i = 0;
  while (i < n) {
    const void* z = std::memchr(s + i, 0, n - i);
    if (z == nullptr) {
      feedText(s + i, n - i, out);
      position += n - i;
      return;
    }
    const auto end = static_cast<std::size_t>(static_cast<const std::uint8_t*>(z) - s);
    feedText(s + i, end - i, out);
    position += end - i;
    endText(out);
    out.push(0);
    ++position;
    i = end + 1;
  }
}

void StreamConverter::feed(std::string_view chunk, ByteBuffer& out) {
  const auto* s = reinterpret_cast<const std::uint8_t*>(chunk.data());
  const std::size_t n = chunk.size();
  if (n == 0) return;
  if (impl_->copies()) {
    out.append(s, n);
    return;
  }
  Impl& im = *impl_;
  if (!im.started) im.start();
  const std::size_t from = out.size();
  if (im.carried) {
    im.carried->feed(
        s, n, false, [&](const std::uint8_t* p, std::size_t m) { im.feedTexts(p, m, out); },
        [&](const std::uint8_t* p, std::size_t m) {
          im.endText(out);
          convertUnicodeCharacter(im.state, p, m, out);
        });
  } else if (im.compose) {
    // The last letter waits for the marks that may follow it in the next piece.
    im.composable.append(chunk);
    const std::string_view all = im.composable;
    // Only once the text shows a mark: a plain text is never held back.
    const bool marks = all.find('\xCC') != std::string_view::npos || all.find('\xCD') != std::string_view::npos;
    const std::string_view ready = all.substr(0, all.size() - (marks ? composableTail(all) : 0));
    im.composed.clear();
    const std::string_view text = composeVietnamese(ready, im.composed) ? im.composed : ready;
    im.feedTexts(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), out);
    im.composable.erase(0, ready.size());
  } else {
    im.feedTexts(s, n, out);
  }
  if (im.viqr) im.escaper.pass(out, from, false);
}

void StreamConverter::finish(ByteBuffer& out) {
  if (impl_->copies()) return;
  Impl& im = *impl_;
  if (!im.started) im.start();
  const std::size_t from = out.size();
  if (im.carried) {
    im.carried->feed(
        nullptr, 0, true, [&](const std::uint8_t* p, std::size_t m) { im.feedTexts(p, m, out); },
        [&](const std::uint8_t* p, std::size_t m) {
          im.endText(out);
          convertUnicodeCharacter(im.state, p, m, out);
        });
  } else if (im.compose && !im.composable.empty()) {
    im.composed.clear();
    const std::string_view rest = im.composable;
    const std::string_view text = composeVietnamese(rest, im.composed) ? im.composed : rest;
    im.feedTexts(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), out);
    im.composable.clear();
  }
  im.endText(out);
  if (im.viqr) im.escaper.pass(out, from, true);
}

}  // namespace ts
