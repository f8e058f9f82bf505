// PowerPoint's packages: each run by its own a:latin, else by the text style its shape takes
// from the slide master (titles, bodies, other text) or the presentation's default text
// style, theme fonts (+mj-lt, +mn-lt) through the theme; legacy typefaces mapped.
#include "pptx.hpp"

#include "xml_edit.hpp"

namespace ts::office {

namespace {

using Element = XmlEditor::Element;

bool isA(std::string_view name, std::string_view local) { return isDrawing(name, local); }
bool isP(std::string_view name, std::string_view local) {
  return isNamed(name, local,
            {"http://schemas.openxmlformats.org/presentationml/2006/main",
             "http://purl.oclc.org/ooxml/presentationml/main"});
}
bool within(const std::vector<Element>& open, bool (*is)(std::string_view, std::string_view),
            std::string_view local) {
  for (const Element& e : open)
    if (is(e.name, local)) return true;
  return false;
}

}  // namespace

std::string PptxDocument::resolved(const std::string& face) const {
  if (face == "+mj-lt") return major_;
  if (face == "+mn-lt") return minor_;
  return face;
}

void PptxDocument::mapTypefaces(XmlEditor& editor, const Element& e) {
  if (!isA(e.name, "latin") && !isA(e.name, "cs") && !isA(e.name, "ea")) return;
  for (const XmlEditor::Attribute& a : e.attributes)
    if (a.name == "typeface" && a.size > 0 && a.value.front() != '+')
      if (const auto mapped = runs_.mappedFont(a.value)) editor.replaceValue(a, *mapped);
}

std::optional<std::string> PptxDocument::theme(std::string part) {
  XmlEditor editor(std::move(part));
  editor.read({[&](const std::vector<Element>& open, bool&) {
                 const Element& e = open.back();
                 if (isA(e.name, "latin") && open.size() >= 2) {
                   const std::string* face = e.attribute("typeface");
                   if (face && isA(open[open.size() - 2].name, "majorFont")) major_ = *face;
                   if (face && isA(open[open.size() - 2].name, "minorFont")) minor_ = *face;
                 }
                 mapTypefaces(editor, e);
               },
               nullptr, nullptr});
  if (!editor.changed()) return std::nullopt;
  return editor.result();
}

std::optional<std::string> PptxDocument::styles(std::string part) {
  XmlEditor editor(std::move(part));
  editor.read({[&](const std::vector<Element>& open, bool&) {
                 const Element& e = open.back();
                 // The first level's default run properties of each text style.
                 if (isA(e.name, "latin") && within(open, isA, "lvl1pPr") &&
                     within(open, isA, "defRPr")) {
                   if (const std::string* face = e.attribute("typeface")) {
                     if (within(open, isP, "titleStyle")) title_ = *face;
                     else if (within(open, isP, "bodyStyle")) body_ = *face;
                     else if (within(open, isP, "otherStyle")) other_ = *face;
                     else if (within(open, isP, "defaultTextStyle") && other_.empty()) other_ = *face;
                   }
                 }
                 mapTypefaces(editor, e);
               },
               nullptr, nullptr});
  if (!editor.changed()) return std::nullopt;
  return editor.result();
}

std::optional<std::string> PptxDocument::slide(std::string part) {
  XmlEditor editor(std::move(part));
  std::string shapeFont;  // the font of the shape's text style
  std::string listFont;   // of the shape's own list style (its first level)
  std::string paragraphFont;  // of the paragraph's default run properties
  struct Run {
    std::optional<std::string> face;
    std::optional<Element> latin;
    std::vector<Element> texts;
  };
  std::optional<Run> run;
  editor.read(
      {[&](const std::vector<Element>& open, bool& collect) {
         const Element& e = open.back();
         if (isP(e.name, "sp") || isP(e.name, "graphicFrame")) {
           shapeFont = other_;
           listFont.clear();
         } else if (isA(e.name, "p")) {
           paragraphFont.clear();
         } else if (!run && isA(e.name, "latin") && within(open, isA, "defRPr")) {
           // A shape's list style, or a paragraph's default: fonts its runs inherit.
           if (const std::string* face = e.attribute("typeface")) {
             if (within(open, isA, "lstStyle") && within(open, isA, "lvl1pPr")) listFont = *face;
             else if (within(open, isA, "pPr") && !within(open, isA, "lstStyle")) paragraphFont = *face;
           }
         } else if (isP(e.name, "ph")) {
           const std::string* type = e.attribute("type");
           const bool title = type && (*type == "title" || *type == "ctrTitle");
           shapeFont = title ? title_ : body_;
         } else if (isA(e.name, "r") || isA(e.name, "fld")) {
           run.emplace();
         } else if (run && isA(e.name, "latin") && open.size() >= 2 &&
                    isA(open[open.size() - 2].name, "rPr")) {
           if (const std::string* face = e.attribute("typeface")) run->face = *face;
           run->latin = e;
           return;  // mapped with its run
         } else if (run && isA(e.name, "t")) {
           collect = true;
         }
         mapTypefaces(editor, e);
       },
       [&](const std::vector<Element>& open) {
         const Element& e = open.back();
         if (run && isA(e.name, "t") && !e.text.empty()) {
           run->texts.push_back(e);
         } else if (run && (isA(e.name, "r") || isA(e.name, "fld"))) {
           const Run r = std::move(*run);
           run.reset();
           std::string all;
           for (const Element& t : r.texts) all += t.text;
           // The run's own typeface, else its paragraph's, its shape's list style's, the text
           // style of its placeholder, the theme's body font.
           const std::string& inherited = !paragraphFont.empty() ? paragraphFont
                                          : !listFont.empty()    ? listFont
                                          : !shapeFont.empty()   ? shapeFont
                                                                 : minor_;
           const std::string font = resolved(r.face ? *r.face : inherited);
           const std::optional<std::string> out = runs_.convert(font, all);
           if (!out) return;
           if (r.texts.size() == 1 && *out != all) editor.replaceContent(r.texts[0], *out);
           if (r.latin) mapTypefaces(editor, *r.latin);
         }
       },
       nullptr});
  if (!editor.changed()) return std::nullopt;
  return editor.result();
}

}  // namespace ts::office
