// PowerPoint's parts (PresentationML with DrawingML text): the themes, the slide masters'
// text styles and placeholders, the layouts' placeholders, then each master, layout, slide
// and notes page, each run by the chain its shape inherits through.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "runs.hpp"
#include "xml_edit.hpp"

namespace ts::office {

class PptxDocument {
 public:
  explicit PptxDocument(RunConverter& runs) : runs_(runs) {}
  std::optional<std::string> theme(std::string part);
  // presentation.xml (its default text style).
  std::optional<std::string> styles(std::string part);
  std::optional<std::string> slide(std::string part);

  // The parts of a deck: `names` all the package's parts; `read` a part's XML ("" where
  // there is none); `take` reads a part, has it changed by the function given and keeps it.
  using Convert = std::function<std::optional<std::string>(std::string)>;
  void convertDeck(const std::vector<std::string>& names,
                   const std::function<std::string(const std::string&)>& read,
                   const std::function<void(const std::string&, const Convert&)>& take);

 private:
  // What a placeholder's shape says its runs are in ("idx:1", "type:title"), from its list
  // style's first level.
  using Placeholders = std::map<std::string, std::string>;
  struct Master {
    std::string theme, title, body, other;
    Placeholders placeholders;
  };
  struct Layout {
    std::string master;
    Placeholders placeholders;
  };
  std::string resolved(const std::string& face) const;
  void mapTypefaces(XmlEditor& editor, const XmlEditor::Element& e);
  static Placeholders placeholdersOf(const std::string& part);
  // The fonts a part's shapes inherit: its master's, its layout's (empty: none).
  void use(const std::string& master, const std::string& layout);
  std::string placeholderFont(const std::string& idx, const std::string& type) const;

  RunConverter& runs_;
  // A chart's fonts of its cached labels: the category axis's and the legend's text
  // properties, else the chart's own.
  void chartFonts(const std::string& part);
  std::string major_, minor_, title_, body_, other_;
  std::string labelFont_, seriesFont_;
  std::string defaultOther_;  // the presentation's default text style
  const Placeholders* layoutPlaceholders_ = nullptr;
  const Placeholders* masterPlaceholders_ = nullptr;
  std::map<std::string, std::pair<std::string, std::string>> themes_;  // major, minor
  std::map<std::string, Master> masters_;
  std::map<std::string, Layout> layouts_;
};

}  // namespace ts::office
