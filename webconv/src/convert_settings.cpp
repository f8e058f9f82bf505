#include "ts/web/convert_settings.hpp"

#include <string>

namespace ts::web {
namespace {

std::string normal(std::string_view s) {
  std::string out;
  for (char c : s) {
    if (c == ' ' || c == '-') continue;
    out += (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
  }
  return out;
}

}  // namespace

const std::vector<OutputFormat>& outputFormats() {
  static const std::vector<OutputFormat> formats = {
      {"text only", EntityForm::kTextOnly, true},
      {"html - utf8", EntityForm::kNumeric, true},
      {"html - utf7", EntityForm::kNumeric, false},
      {"html - utf16", EntityForm::kNumeric, false},
      {"html - entities", EntityForm::kNamed, false},
      {"html - &#code;", EntityForm::kNumeric, false},
      {"html - 8-bit", EntityForm::kEightBit, false},
      {"rtf", EntityForm::kNumeric, false},
  };
  return formats;
}

const OutputFormat* findFormat(std::string_view name) {
  const std::string n = normal(name);
  for (const OutputFormat& f : outputFormats())
    if (normal(f.name) == n) return &f;
  return nullptr;
}

const OutputFormat& defaultFormatFor(int destination) {
  return outputFormats()[destination == 39 || destination == 40 ? 1 : 6];
}

}  // namespace ts::web
