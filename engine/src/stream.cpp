#include "ts/stream.hpp"

#include <cstring>

#include "plan.hpp"

namespace ts {

struct StreamConverter::Impl {
  explicit Impl(ConverterState& s) : state(s) {}

  bool copies() const { return !state.converts(); }
  void feedText(const std::uint8_t* s, std::size_t n, ByteBuffer& out);
  void endText(ByteBuffer& out);

  ConverterState& state;
  ByteBuffer pending;  // the start of a code not yet complete
  TreeStream tree;
  std::uint64_t position = 0;  // stream offset of the next byte to feedText
};

StreamConverter::StreamConverter(ConverterState& state) : impl_(new Impl(state)) {}
StreamConverter::~StreamConverter() = default;

std::size_t StreamConverter::pending() const {
  return impl_->pending.size() + impl_->tree.pending();
}

void StreamConverter::Impl::feedText(const std::uint8_t* s, std::size_t n, ByteBuffer& out) {
  if (n == 0) return;
  ConversionPlan& plan = *StateAccess::plan(state);
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
  ConversionPlan& plan = *StateAccess::plan(state);
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

void StreamConverter::feed(std::string_view chunk, ByteBuffer& out) {
  const auto* s = reinterpret_cast<const std::uint8_t*>(chunk.data());
  const std::size_t n = chunk.size();
  if (n == 0) return;
  if (impl_->copies()) {
    out.append(s, n);
    return;
  }
  std::size_t i = 0;
  for (;;) {
    const void* z = std::memchr(s + i, 0, n - i);
    if (z == nullptr) {
      impl_->feedText(s + i, n - i, out);
      impl_->position += n - i;
      return;
    }
    const auto end = static_cast<std::size_t>(static_cast<const std::uint8_t*>(z) - s);
    impl_->feedText(s + i, end - i, out);
    impl_->position += end - i;
    impl_->endText(out);
    out.push(0);
    ++impl_->position;
    i = end + 1;
    if (i == n) return;
  }
}

void StreamConverter::finish(ByteBuffer& out) {
  if (impl_->copies()) return;
  impl_->endText(out);
}

}  // namespace ts
