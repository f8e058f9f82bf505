// The settings of one run of the web converter: how bytes of 128 and more are written,
// whether the output is UTF-8, and the charset pair.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ts/catalogue.hpp"
#include "ts/html.hpp"

namespace ts::web {

// The source of a run that reads each file's charset from the file.
inline constexpr int kAutoSource = 0;

struct ConvertSettings {
  EntityForm form = EntityForm::kNumeric;  // unless the output is UTF-8
  bool utf8Output = true;
  int source = kTcvn3;            // 1..40, a carried form of one (forms.hpp), or kAutoSource
  int destination = kDecimalEsc;  // 1..40
  bool textOnly = false;          // the text without its tags
  // A named source converts pages that read as good Unicode too (otherwise they are left,
  // "UTF-8 already").
  bool force = false;
};

// The entries of the output-format list, in list order, with the settings they give.
struct OutputFormat {
  const char* name;
  EntityForm form;
  bool utf8Output;
  bool textOnly;

  // The settings of a run in this format between two charsets.
  ConvertSettings settings(int source, int destination) const {
    return ConvertSettings{form, utf8Output, source, destination, textOnly};
  }
};
const std::vector<OutputFormat>& outputFormats();

// A format by its name; case, blanks and hyphens are ignored ("html-utf8").  Null if none.
const OutputFormat* findFormat(std::string_view name);

// A charset of a run named as tsconv names it (a code, a name, a carried form for the source;
// "auto" for a source read from each file; UTF-8 as a destination is 39, which writes UTF-8
// pages with "html - utf8"), or nullopt with `why` set: unknown, beyond the charsets 1 to 40,
// or without a letter table.
std::optional<int> webCharset(std::string_view name, bool source, std::string& why);

// The format the window picks for a destination: "html - utf8" for the Unicode charsets
// 39 and 40, otherwise "html - 8-bit".
const OutputFormat& defaultFormatFor(int destination);

}  // namespace ts::web
