#include "ts/web/convert_settings.hpp"

#include <string>

namespace ts::web {

const std::vector<OutputFormat>& outputFormats() {
  static const std::vector<OutputFormat> formats = {
      {"text only", EntityForm::kNumeric, true, true},
      {"html - utf8", EntityForm::kNumeric, true, false},
      {"html - utf7", EntityForm::kNumeric, false, false},
      {"html - utf16", EntityForm::kNumeric, false, false},
      {"html - entities", EntityForm::kNamed, false, false},
      {"html - &#code;", EntityForm::kNumeric, false, false},
      {"html - 8-bit", EntityForm::kEightBit, false, false},
      {"rtf", EntityForm::kNumeric, false, false},
  };
  return formats;
}

const OutputFormat* findFormat(std::string_view name) {
  const std::string n = normalizedName(name);
  for (const OutputFormat& f : outputFormats())
    if (normalizedName(f.name) == n) return &f;
  return nullptr;
}

const OutputFormat& defaultFormatFor(int destination) {
  return outputFormats()[destination == kDecimalEsc || destination == kVnUnicode2 ? 1 : 6];
}

}  // namespace ts::web
