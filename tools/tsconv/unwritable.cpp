#include "unwritable.hpp"

#include <cstdio>

#include "ts/catalogue.hpp"
#include "ts/unicode.hpp"
#include "ts/utf.hpp"

namespace tsconv {
namespace {

constexpr std::size_t kExamples = 5;

}  // namespace

void UnwritableFilter::startInput(const std::string& name) {
  input_ = name;
  offset_ = 0;
}

void UnwritableFilter::feed(std::string_view piece, std::string& out) {
  if (pending_.empty()) {
    scan(piece, false, out);
    return;
  }
  pending_.append(piece);
  const std::string held = std::move(pending_);
  pending_.clear();
  scan(held, false, out);
}

void UnwritableFilter::finish(std::string& out) {
  const std::string held = std::move(pending_);
  pending_.clear();
  scan(held, true, out);
}

void UnwritableFilter::scan(std::string_view bytes, bool final, std::string& out) {
  const auto* s = reinterpret_cast<const std::uint8_t*>(bytes.data());
  const std::size_t n = bytes.size();
  std::size_t i = 0, copied = 0;
  while (i < n) {
    if (s[i] < 0x80) {
      ++i;
      continue;
    }
    std::uint32_t cp = 0;
    const int len = ts::wellFormedUtf8(s + i, n - i, cp);
    if (len == 0) {
      if (!final && ts::utf8MayContinue(s + i, n - i)) break;
      ++i;  // a byte that forms no character: the converter copies it
      continue;
    }
    if (ts::letterOfCodePoint(cp) != 0) {
      i += static_cast<std::size_t>(len);
      continue;
    }
    ++count_;
    if (examples_.size() < kExamples) examples_.push_back({cp, offset_ + i, input_});
    if (mode_ != Unwritable::kCopy) {
      out.append(bytes.substr(copied, i - copied));
      if (mode_ == Unwritable::kTransliterate) {
        const std::string_view close = ts::closeForm(cp);
        out.append(close.empty() ? std::string_view("?") : close);
      }
      copied = i + static_cast<std::size_t>(len);
    }
    i += static_cast<std::size_t>(len);
  }
  out.append(bytes.substr(copied, i - copied));
  pending_.assign(bytes.substr(i));
  offset_ += i;
}

std::string describeUnwritable(const UnwritableFilter& filter, std::string_view destination) {
  std::string text = std::to_string(filter.count()) + " character" +
                     (filter.count() == 1 ? "" : "s") + " that \"" + std::string(destination) +
                     "\" cannot write " + (filter.count() == 1 ? "was" : "were") +
                     " copied as UTF-8 bytes:";
  for (const UnwritableFilter::Example& e : filter.examples()) {
    char cp[16];
    std::snprintf(cp, sizeof cp, "U+%04X", static_cast<unsigned>(e.codePoint));
    std::uint8_t utf8[4];
    const int len = ts::encodeUtf8(e.codePoint, utf8);
    text += std::string(" ") + cp + " '" +
            std::string(reinterpret_cast<const char*>(utf8), static_cast<std::size_t>(len)) +
            "' at byte " + std::to_string(e.offset) + " of " + e.input + ",";
  }
  if (filter.count() > filter.examples().size()) text += " ...,";
  text.back() = ';';
  text += " -c drops them, //TRANSLIT after the charset writes close forms";
  return text;
}

}  // namespace tsconv
