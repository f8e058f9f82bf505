// What a run of an office document becomes, by its font: the add-in's rules, for packages
// converted in their own XML.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "ts/converter.hpp"
#include "ts/fonts.hpp"

namespace ts::office {

class RunConverter {
 public:
  // `source`: a catalogue code (a carried form counts as its charset), or 0 to read each run
  // by its font alone (--from auto).  `destination`: 1 to 43; the Unicode charsets (39 to 43)
  // give Unicode text, the others their bytes as the Windows-1252 characters a document in
  // their fonts holds.
  RunConverter(int source, int destination);
  ~RunConverter();

  // A run's text in `font`, converted, or nothing when it stays as it is:
  // - a legacy font (".VnTime", "VNI-Times", a VISCII font) gives its charset, unless the
  //   source is Unicode;
  // - a Unicode font of the lists ("Times New Roman") gives Unicode text, converted only when
  //   the source is Unicode;
  // - a font that names no charset ("Calibri") gives the source, converted only where all
  //   of the text reads as legacy text of it and not as good Unicode (with no source: where
  //   it reads as TCVN3, VNI or VISCII); otherwise the run is left and counted.
  // Text that converts to itself (ASCII) is given back as it is where it is taken (its font
  // is then mapped).  Text a legacy font holds that is no carried bytes (Unicode typed into a ".VnTime" run),
  // and a result XML cannot hold (control codes of some charsets), are left and counted.
  std::optional<std::string> convert(std::string_view font, std::string_view text) {
    return change(font, text, true);
  }
  // A piece of a run that convert() has taken as a whole: converted without judging it
  // again, and not counted.
  std::optional<std::string> convertPiece(std::string_view font, std::string_view text) {
    return change(font, text, false);
  }

  // Whether text in no font reads as legacy text of the source (with no source: of TCVN3, VNI
  // or VISCII) and not as good Unicode, as convert() judges it; nothing is counted.
  bool readsAsLegacy(std::string_view text) const;

  // The destination family's font for a legacy font whose text is converted (".VnTime" to
  // "Times New Roman"), or nothing.
  std::optional<std::string> mappedFont(std::string_view font);

  // A run left for a reason of the format's (a string shown in fonts of more than one
  // charset): counted where it holds more than ASCII.
  void countLeft(std::string_view text) {
    for (const char c : text)
      if (static_cast<unsigned char>(c) >= 0x80) {
        ++left_;
        return;
      }
  }

  std::uint64_t converted() const { return converted_; }
  std::uint64_t left() const { return left_; }

 private:
  struct Conversion;
  std::optional<std::string> change(std::string_view font, std::string_view text, bool whole);
  int charsetOf(std::string_view font) const;
  Conversion* conversion(int charset);

  int source_, destination_, target_;  // target_: the code converted to (41 for Unicode)
  bool sourceUnicode_, destinationUnicode_;
  std::map<int, std::unique_ptr<Conversion>> conversions_;
  std::map<std::string, std::optional<std::string>, std::less<>> fonts_;
  std::uint64_t converted_ = 0, left_ = 0;
  int pieceCharset_ = 0;  // with no source: what the last run judged whole was read as
};

// Whether a font shows every letter as a capital (".VnTimeH", "SONTAYCH0", "UHoàiH 1.1").
bool capitalsFont(std::string_view name);

}  // namespace ts::office
