// PowerPoint's parts (PresentationML with DrawingML text): the theme and the slide master's
// text styles first, then each slide and notes page.
#pragma once

#include <optional>
#include <string>

#include "runs.hpp"
#include "xml_edit.hpp"

namespace ts::office {

class PptxDocument {
 public:
  explicit PptxDocument(RunConverter& runs) : runs_(runs) {}
  std::optional<std::string> theme(std::string part);
  // The slide master (its title, body and other text styles) or presentation.xml (its
  // default text style).
  std::optional<std::string> styles(std::string part);
  std::optional<std::string> slide(std::string part);

 private:
  std::string resolved(const std::string& face) const;
  void mapTypefaces(XmlEditor& editor, const XmlEditor::Element& e);
  RunConverter& runs_;
  std::string major_, minor_, title_, body_, other_;
};

}  // namespace ts::office
