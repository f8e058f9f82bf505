// Excel's parts (SpreadsheetML): the styles first (a cell's font comes through its format),
// then the sheets (which fonts show each shared string; inline strings converted), then the
// shared strings.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "runs.hpp"
#include "xml_edit.hpp"

namespace ts::office {

class XlsxDocument {
 public:
  explicit XlsxDocument(RunConverter& runs);
  ~XlsxDocument();
  std::optional<std::string> styles(std::string part);
  std::optional<std::string> sheet(std::string part);
  // A shared string shown by cells of one font is converted by it; one shown by cells of
  // different fonts is left and counted (no one reading of it is right).
  std::optional<std::string> sharedStrings(std::string part);

 private:
  void mapRunFont(XmlEditor& editor, const std::optional<XmlEditor::Element>& rFont);
  struct Impl;
  std::unique_ptr<Impl> impl_;
  RunConverter& runs_;
};

}  // namespace ts::office
