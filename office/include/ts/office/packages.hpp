// Office documents converted in their own XML, without an office: the packages (zip files of
// XML parts) Word, Excel, PowerPoint and the OpenDocument programs write.  Only the text of legacy runs and the names of legacy fonts change;
// every other part is copied as it was stored, every other byte of a changed part kept.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ts::office {

// Whether a document of this name is converted here: .docx, .docm, .dotx, .dotm; .xlsx, .xlsm,
// .xltx; .pptx, .pptm, .potx; .odt, .ods, .odp, their templates and the flat .fodt, .fods,
// .fodp (one XML file).
bool convertsDirectly(std::string_view name);

struct PackageOutcome {
  enum Kind { kConverted, kNothingToConvert, kFailed };
  Kind kind = kFailed;
  std::string why;             // kFailed: the reason
  std::uint64_t runs = 0;      // runs converted
  std::uint64_t left = 0;      // runs left: text that did not read as legacy, or cannot be held
  std::vector<std::string> parts;  // the parts changed
  std::vector<std::string> notes;  // what the user should know (legacy sheet names, left)
};

// Converts the package at `from` (a document named `name`) into a new file `to` (which must
// not exist), runs by their fonts (see RunConverter): `source` a catalogue code, 0 for none
// (--from auto), `destination` 1 to 43.  A package that is damaged, encrypted, signed (unless
// `force`), too large to be a document (a zip bomb) or holds a document type declaration is
// refused with the reason; `to` is then not made.
// What the user is told of a sheet whose name reads as legacy text: it is left as it is.
std::string legacySheetNameNote(const std::string& name);

PackageOutcome convertPackage(const std::string& from, const std::string& to,
                              std::string_view name, int source, int destination,
                              bool force = false);

}  // namespace ts::office
