#include "ts/web/convert_settings.hpp"

#include <string>

#include "ts/converter.hpp"
#include "ts/forms.hpp"
#include "ts/catalogue.hpp"
#include "ts/platform/messages.hpp"

namespace ts::web {

std::optional<int> webCharset(std::string_view name, bool source, std::string& why) {
  constexpr int kWebCatalogue = kWebOptions.lastCode;
  if (source && normalizedName(name) == "auto") return kAutoSource;
  // UTF-8 as a destination is what 39 writes with the "html - utf8" format: UTF-8 pages.
  if (!source && charsetFormByName(name) == kUtf8) return kDecimalEsc;
  const auto form = charsetFormByName(name, kWebCatalogue);
  if (form != 0 && (source || formLayers(form) == 0) && !formIsWindows1258(form)) {
    // A source of 40 is read as 39; as a destination it has no table.
    const bool letters = source ? hasLetterTable(readableSource(formCharset(form)), kWebCatalogue)
                                : hasLetterTable(static_cast<int>(form), kWebCatalogue);
    if (letters) return static_cast<int>(form);
    why = platform::formatted(platform::tr("charset %d \"%s\" has no letter table"), static_cast<int>(form),
                              formName(form, platform::tr).c_str());
    return std::nullopt;
  }
  const int beyond = charsetByName(name);
  if (beyond != 0)
    why = platform::formatted(
        platform::tr("charset %d \"%s\" is not one tsweb writes: it converts between the "
                     "charsets 1 to 40; for UTF-8 pages use --to 39 with --format \"html - utf8\""),
        beyond, std::string(charsetName(beyond)).c_str());
  else
    why = platform::formatted(platform::tr("unknown charset '%s'"), std::string(name).c_str());
  return std::nullopt;
}

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
