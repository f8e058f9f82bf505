#include "ts/losses.hpp"

#include "ts/catalogue.hpp"
#include "ts/unicode.hpp"
#include "ts/utf.hpp"

namespace ts {
namespace {

constexpr std::uint32_t kLetterRange = 0x1F00;  // every letter's code point is below this

}  // namespace

LossCounter::LossCounter(CharsetForm source, CharsetForm destination, bool drop)
    : drop_(drop), destination_(destination), lossyLetter_(kLetterRange, false) {
  const int dst = formCharset(destination);
  CharsetSelection cs;
  if (!selectCharset(static_cast<std::uint32_t>(dst), kCatalogueSize, cs)) return;
  // A capital whose code is its lower-case letter's: the reader gets the lower-case letter.
  for (int n = 1; n <= kLetterCount; ++n) {
    const int lower = lowerCaseOf(n);
    if (lower == 0 || letterOfCodePoint(letterCodePoint(n)) != n) continue;
    if (writeLetter(cs, n) == writeLetter(cs, lower)) {
      lossyLetter_[letterCodePoint(n)] = true;
      counts_ = true;
    }
  }
  foreign_ = formCharset(source) == kUtf8 && dst < kDecimalEsc;
  counts_ = counts_ || foreign_;
  if (!counts_) return;
  if (source != kUtf8) {
    selectForms(reading_, source, kUtf8);
    toUnicode_ = std::make_unique<StreamConverter>(reading_);
  }
}

LossCounter::~LossCounter() = default;

void LossCounter::feed(std::string_view chunk) {
  if (!counts_) return;
  if (!toUnicode_) {
    // The last letter waits for the marks that may follow it.
    composable_.append(chunk);
    const std::string_view all = composable_;
    // Only once the text shows a mark: a plain text is never held back.
    const bool marks = all.find('\xCC') != std::string_view::npos || all.find('\xCD') != std::string_view::npos;
    const std::string_view ready = all.substr(0, all.size() - (marks ? composableTail(all) : 0));
    composed_.clear();
    scan(composeVietnamese(ready, composed_) ? std::string_view(composed_) : ready);
    composable_.erase(0, ready.size());
    return;
  }
  utf8_.clear();
  toUnicode_->feed(chunk, utf8_);
  scan(utf8_.view());
}

void LossCounter::finish() {
  if (!counts_) return;
  if (toUnicode_) {
    utf8_.clear();
    toUnicode_->finish(utf8_);
    scan(utf8_.view());
  } else if (!composable_.empty()) {
    composed_.clear();
    const std::string_view rest = composable_;
    scan(composeVietnamese(rest, composed_) ? std::string_view(composed_) : rest);
    composable_.clear();
  }
  held_.clear();  // a sequence cut short at the very end is no character
}

void LossCounter::scan(std::string_view text) {
  const std::uint8_t* s = reinterpret_cast<const std::uint8_t*>(text.data());
  std::size_t n = text.size();
  if (!held_.empty()) {
    held_.append(s, n);
    s = held_.data();
    n = held_.size();
  }
  const std::size_t i = walkUtf8(
      s, n, false,
      [this](std::uint32_t cp) {
        const bool letter = cp < kLetterRange && letterOfCodePoint(cp) != 0;
        if (letter ? lossyLetter_[cp]
                   : foreign_ && !(formIsWindows1258(destination_) && windows1258Byte(cp) >= 0))
          ++seen_[cp];
        return true;
      },
      [] { return true; });
  ByteBuffer rest;
  rest.append(s + i, n - i);
  held_ = std::move(rest);
}

std::vector<LossCounter::Loss> LossCounter::losses() const {
  std::vector<Loss> out;
  for (const auto& [cp, count] : seen_) {
    Loss loss{cp, Loss::Kind::kDropped, count, 0, {}};
    const int n = cp < kLetterRange ? letterOfCodePoint(cp) : 0;
    if (n != 0) {
      loss.kind = Loss::Kind::kLowerCaseCode;
      loss.lowerCase = letterCodePoint(lowerCaseOf(n));
    } else if (!drop_) {
      loss.kind = Loss::Kind::kReplaced;
      loss.replacement = closeForm(cp);
      if (loss.replacement.empty()) loss.replacement = "?";
    }
    out.push_back(loss);
  }
  return out;
}

}  // namespace ts
