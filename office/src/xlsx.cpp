// Excel's packages: a cell's text by the font of its cell format (cellXfs -> fonts), a rich
// string's runs by their own rFont; shared strings by the font of the cells that show them.
#include "xlsx.hpp"

#include <map>
#include <set>

#include "xml_edit.hpp"

namespace ts::office {

namespace {

using Element = XmlEditor::Element;

bool isCell(std::string_view name, std::string_view local) {
  return isNamed(name, local,
                 {"http://schemas.openxmlformats.org/spreadsheetml/2006/main",
                  "http://purl.oclc.org/ooxml/spreadsheetml/main"});
}
const std::string* plain(const Element& e, std::string_view local) {
  for (const XmlEditor::Attribute& a : e.attributes)
    if (a.name == local) return &a.value;
  return nullptr;
}

}  // namespace

struct XlsxDocument::Impl {
  std::vector<std::string> fonts;              // by fontId
  std::vector<std::size_t> cellFonts;          // cellXfs: the font of each cell format
  std::map<std::size_t, std::set<std::string>> shownIn;  // shared string -> cells' fonts

  std::string fontOfFormat(std::size_t s) const {
    if (s >= cellFonts.size() || cellFonts[s] >= fonts.size()) return {};
    return fonts[cellFonts[s]];
  }
};

void XlsxDocument::mapRunFont(XmlEditor& editor, const std::optional<XmlEditor::Element>& rFont) {
  if (!rFont) return;
  for (const XmlEditor::Attribute& a : rFont->attributes)
    if (a.name == "val" && a.size > 0)
      if (const auto mapped = runs_.mappedFont(a.value)) editor.replaceValue(a, *mapped);
}

XlsxDocument::XlsxDocument(RunConverter& runs) : impl_(std::make_unique<Impl>()), runs_(runs) {}
XlsxDocument::~XlsxDocument() = default;

std::optional<std::string> XlsxDocument::styles(std::string part) {
  XmlEditor editor(std::move(part));
  bool inFonts = false, inCellXfs = false;
  editor.read({[&](const std::vector<Element>& open, bool&) {
                 const Element& e = open.back();
                 if (isCell(e.name, "fonts")) inFonts = true;
                 if (isCell(e.name, "cellXfs")) inCellXfs = true;
                 if (inFonts && isCell(e.name, "font")) impl_->fonts.emplace_back();
                 if (inFonts && isCell(e.name, "name") && !impl_->fonts.empty()) {
                   if (const std::string* v = plain(e, "val")) {
                     impl_->fonts.back() = *v;
                     for (const XmlEditor::Attribute& a : e.attributes)
                       if (a.name == "val" && a.size > 0)
                         if (const auto mapped = runs_.mappedFont(*v)) editor.replaceValue(a, *mapped);
                   }
                 }
                 if (inCellXfs && isCell(e.name, "xf")) {
                   const std::string* id = plain(e, "fontId");
                   impl_->cellFonts.push_back(id ? std::stoul(*id) : 0);
                 }
               },
               [&](const std::vector<Element>& open) {
                 if (isCell(open.back().name, "fonts")) inFonts = false;
                 if (isCell(open.back().name, "cellXfs")) inCellXfs = false;
               },
               nullptr});
  if (!editor.changed()) return std::nullopt;
  return editor.result();
}

std::optional<std::string> XlsxDocument::sheet(std::string part) {
  XmlEditor editor(std::move(part));
  std::string cellFont, cellType;
  std::optional<std::string> runFont;
  std::optional<Element> runFontElement;  // mapped where the run is converted
  editor.read(
      {[&](const std::vector<Element>& open, bool& collect) {
         const Element& e = open.back();
         if (isCell(e.name, "c")) {
           const std::string* s = plain(e, "s");
           const std::string* t = plain(e, "t");
           cellFont = impl_->fontOfFormat(s ? std::stoul(*s) : 0);
           cellType = t ? *t : "n";
         } else if (isCell(e.name, "v") && cellType == "s") {
           collect = true;
         } else if (isCell(e.name, "r")) {
           runFont.reset();
           runFontElement.reset();
         } else if (isCell(e.name, "rFont") && cellType == "inlineStr") {
           if (const std::string* v = plain(e, "val")) {
             runFont = *v;
             runFontElement = e;
           }
         } else if (isCell(e.name, "t") && cellType == "inlineStr") {
           collect = true;
         }
       },
       [&](const std::vector<Element>& open) {
         const Element& e = open.back();
         if (isCell(e.name, "v") && cellType == "s") {
           try {
             impl_->shownIn[std::stoul(e.text)].insert(cellFont);
           } catch (const std::exception&) {
           }
         } else if (isCell(e.name, "t") && cellType == "inlineStr" && !e.text.empty()) {
           const std::string& font = runFont ? *runFont : cellFont;
           if (const auto out = runs_.convert(font, e.text)) {
             if (*out != e.text) editor.replaceContent(e, *out);
             mapRunFont(editor, runFontElement);
           }
         }
       },
       nullptr});
  if (!editor.changed()) return std::nullopt;
  return editor.result();
}

std::optional<std::string> XlsxDocument::sharedStrings(std::string part) {
  XmlEditor editor(std::move(part));
  std::size_t index = 0;
  bool started = false;
  std::optional<std::string> runFont;
  std::optional<Element> runFontElement;
  auto fontOfString = [&]() -> std::optional<std::string> {
    const auto shown = impl_->shownIn.find(index);
    if (shown == impl_->shownIn.end()) return std::nullopt;
    // Cells of different fonts show it: no one reading of it is right; left and counted.
    if (shown->second.size() != 1) return std::nullopt;
    return *shown->second.begin();
  };
  editor.read({[&](const std::vector<Element>& open, bool& collect) {
                 const Element& e = open.back();
                 if (isCell(e.name, "si")) {
                   index = started ? index + 1 : 0;
                   started = true;
                 } else if (isCell(e.name, "r")) {
                   runFont.reset();
                   runFontElement.reset();
                 } else if (isCell(e.name, "rFont")) {
                   if (const std::string* v = plain(e, "val")) {
                     runFont = *v;
                     runFontElement = e;
                   }
                 } else if (isCell(e.name, "t") && open.size() >= 2 &&
                            !isCell(open[open.size() - 2].name, "rPh")) {
                   collect = true;
                 }
               },
               [&](const std::vector<Element>& open) {
                 const Element& e = open.back();
                 if (!isCell(e.name, "t") || e.text.empty() || open.size() < 2 ||
                     isCell(open[open.size() - 2].name, "rPh"))
                   return;
                 const bool inRun = isCell(open[open.size() - 2].name, "r");
                 const std::optional<std::string> font =
                     inRun && runFont ? runFont : fontOfString();
                 if (!font) {
                   if (impl_->shownIn.count(index)) runs_.countLeft(e.text);
                   return;
                 }
                 if (const auto out = runs_.convert(*font, e.text)) {
                   if (*out != e.text) editor.replaceContent(e, *out);
                   if (inRun) mapRunFont(editor, runFontElement);
                 }
               },
               nullptr});
  if (!editor.changed()) return std::nullopt;
  return editor.result();
}

}  // namespace ts::office
