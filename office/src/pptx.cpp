// PowerPoint's packages: each run by its own a:latin, else its paragraph's, its shape's list
// style's, the placeholder it fills on its layout and on its master, the master's text style
// (titles, bodies, other text) or the presentation's default text style; theme fonts (+mj-lt,
// +mn-lt) through its master's theme; legacy typefaces mapped.  A slide finds its layout, a
// layout its master and a master its theme through their relationships.
#include "pptx.hpp"

#include <algorithm>

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
bool isC(std::string_view name, std::string_view local) {
  return isNamed(name, local,
                 {"http://schemas.openxmlformats.org/drawingml/2006/chart",
                  "http://purl.oclc.org/ooxml/drawingml/chart"});
}
bool within(const std::vector<Element>& open, bool (*is)(std::string_view, std::string_view),
            std::string_view local) {
  for (const Element& e : open)
    if (is(e.name, local)) return true;
  return false;
}

// The part a relationship of `part` points to whose Type ends in `type` ("" where none).
std::string relationshipTarget(const std::string& part, std::string_view type,
                               const std::function<std::string(const std::string&)>& read) {
  const std::size_t slash = part.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : part.substr(0, slash + 1);
  const std::string rels = read(folder + "_rels/" + part.substr(folder.size()) + ".rels");
  if (rels.empty()) return {};
  std::string target;
  try {
    XmlEditor editor(rels);
    editor.read({[&](const std::vector<Element>& open, bool&) {
                   const Element& e = open.back();
                   const std::string* kind = e.attribute("Type");
                   const std::string* to = e.attribute("Target");
                   const std::string* mode = e.attribute("TargetMode");
                   if (target.empty() && kind && to && !to->empty() &&
                       !(mode && *mode == "External") && kind->size() > type.size() &&
                       kind->ends_with(type) && (*kind)[kind->size() - type.size() - 1] == '/')
                     target = *to;
                 },
                 nullptr, nullptr});
  } catch (const XmlError&) {
    return {};  // relationships that cannot be read: the defaults
  }
  if (target.empty()) return {};
  // Relative to the part's folder (or, from "/", to the package's root); ".." climbs.
  const std::string path = target.front() == '/' ? target.substr(1) : folder + target;
  std::vector<std::string> pieces;
  for (std::size_t at = 0; at <= path.size();) {
    std::size_t end = path.find('/', at);
    if (end == std::string::npos) end = path.size();
    const std::string piece = path.substr(at, end - at);
    if (piece == "..") {
      if (!pieces.empty()) pieces.pop_back();
    } else if (!piece.empty() && piece != ".") {
      pieces.push_back(piece);
    }
    at = end + 1;
  }
  std::string resolved;
  for (const std::string& piece : pieces) resolved += (resolved.empty() ? "" : "/") + piece;
  return resolved;
}

// The first level's typeface of a text style or list style being read ("" where this is none).
const std::string* firstLevelFace(const std::vector<Element>& open) {
  const Element& e = open.back();
  if (!isA(e.name, "latin") || !within(open, isA, "lvl1pPr") || !within(open, isA, "defRPr"))
    return nullptr;
  return e.attribute("typeface");
}

}  // namespace

PptxDocument::Placeholders PptxDocument::placeholdersOf(const std::string& part) {
  Placeholders found;
  std::string idx, type, face;
  bool placeholder = false;
  XmlEditor editor(part);
  editor.read({[&](const std::vector<Element>& open, bool&) {
                 const Element& e = open.back();
                 if (isP(e.name, "sp")) {
                   idx.clear();
                   face.clear();
                   type = "body";
                   placeholder = false;
                 } else if (isP(e.name, "ph") && within(open, isP, "sp")) {
                   placeholder = true;
                   if (const std::string* i = e.attribute("idx")) idx = *i;
                   if (const std::string* t = e.attribute("type")) type = *t;
                 } else if (within(open, isA, "lstStyle") && within(open, isP, "sp")) {
                   if (const std::string* f = firstLevelFace(open)) face = *f;
                 }
               },
               [&](const std::vector<Element>& open) {
                 if (!isP(open.back().name, "sp") || !placeholder || face.empty()) return;
                 if (!idx.empty()) found.emplace("idx:" + idx, face);
                 found.emplace("type:" + type, face);
               },
               nullptr});
  return found;
}

void PptxDocument::use(const std::string& master, const std::string& layout) {
  const auto m = masters_.count(master) ? masters_.find(master) : masters_.begin();
  const Master* chosen = m == masters_.end() ? nullptr : &m->second;
  const auto t = chosen && themes_.count(chosen->theme) ? themes_.find(chosen->theme) : themes_.begin();
  if (t != themes_.end()) {
    major_ = t->second.first;
    minor_ = t->second.second;
  }
  title_ = chosen ? chosen->title : "";
  body_ = chosen ? chosen->body : "";
  other_ = chosen && !chosen->other.empty() ? chosen->other : defaultOther_;
  masterPlaceholders_ = chosen ? &chosen->placeholders : nullptr;
  const auto l = layouts_.find(layout);
  layoutPlaceholders_ = l == layouts_.end() ? nullptr : &l->second.placeholders;
}

std::string PptxDocument::placeholderFont(const std::string& idx, const std::string& type) const {
  for (const Placeholders* on : {layoutPlaceholders_, masterPlaceholders_}) {
    if (on == nullptr) continue;
    if (!idx.empty() && on == layoutPlaceholders_)
      if (const auto at = on->find("idx:" + idx); at != on->end()) return at->second;
    if (const auto at = on->find("type:" + type); at != on->end()) return at->second;
  }
  return {};
}

void PptxDocument::convertDeck(const std::vector<std::string>& names,
                               const std::function<std::string(const std::string&)>& read,
                               const std::function<void(const std::string&, const Convert&)>& take) {
  // The parts of one folder named `stem`N.xml, no deeper.
  auto parts = [&](const std::string& folder, const std::string& stem) {
    std::vector<std::string> found;
    for (const std::string& name : names)
      if (name.rfind(folder + stem, 0) == 0 && name.ends_with(".xml") &&
          name.find('/', folder.size()) == std::string::npos)
        found.push_back(name);
    return found;
  };
  auto slideOf = [this](std::string xml) { return slide(std::move(xml)); };
  for (const std::string& name : parts("ppt/theme/", "theme"))
    take(name, [&](std::string xml) {
      major_.clear();
      minor_.clear();
      auto changed = theme(std::move(xml));
      themes_[name] = {major_, minor_};
      return changed;
    });
  take("ppt/presentation.xml", [this](std::string xml) { return styles(std::move(xml)); });
  // What masters and layouts say first, read as they stand.
  const std::vector<std::string> masters = parts("ppt/slideMasters/", "slideMaster");
  const std::vector<std::string> layouts = parts("ppt/slideLayouts/", "slideLayout");
  for (const std::string& name : masters) {
    Master& m = masters_[name];
    m.theme = relationshipTarget(name, "theme", read);
    const std::string xml = read(name);
    m.placeholders = placeholdersOf(xml);
    XmlEditor editor(xml);
    editor.read({[&](const std::vector<Element>& open, bool&) {
                   const std::string* face = firstLevelFace(open);
                   if (face == nullptr || !within(open, isP, "txStyles")) return;
                   if (within(open, isP, "titleStyle")) m.title = *face;
                   else if (within(open, isP, "bodyStyle")) m.body = *face;
                   else if (within(open, isP, "otherStyle")) m.other = *face;
                 },
                 nullptr, nullptr});
  }
  for (const std::string& name : layouts)
    layouts_[name] = {relationshipTarget(name, "slideMaster", read), placeholdersOf(read(name))};
  // Then their text, and the slides' by the chain each inherits through.
  for (const std::string& name : masters) {
    use(name, "");
    take(name, slideOf);
  }
  for (const std::string& name : layouts) {
    use(layouts_[name].master, "");
    take(name, slideOf);
  }
  for (const std::string& name : parts("ppt/slides/", "slide")) {
    const std::string layout = relationshipTarget(name, "slideLayout", read);
    use(layouts_.count(layout) ? layouts_[layout].master : "", layout);
    take(name, slideOf);
  }
  use("", "");
  for (const std::string& name : parts("ppt/notesSlides/", "")) take(name, slideOf);
  for (const std::string& name : parts("ppt/notesMasters/", "")) take(name, slideOf);
  for (const std::string& name : parts("ppt/charts/", "chart")) take(name, slideOf);
  for (const std::string& name : parts("ppt/diagrams/", "data")) take(name, slideOf);
  for (const std::string& name : parts("ppt/diagrams/", "drawing")) take(name, slideOf);
}

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
                 // The first level's default run properties of the default text style.
                 if (const std::string* face = firstLevelFace(open))
                   if (within(open, isP, "defaultTextStyle")) defaultOther_ = other_ = *face;
                 mapTypefaces(editor, e);
               },
               nullptr, nullptr});
  if (!editor.changed()) return std::nullopt;
  return editor.result();
}

void PptxDocument::chartFonts(const std::string& part) {
  labelFont_.clear();
  seriesFont_.clear();
  std::string chartFont;
  XmlEditor reader(part);
  reader.read({[&](const std::vector<Element>& open, bool&) {
                 const Element& e = open.back();
                 if (!isA(e.name, "latin") || !within(open, isC, "txPr")) return;
                 const std::string* face = e.attribute("typeface");
                 if (face == nullptr) return;
                 // The chart's own text properties, its category axis's, its legend's.
                 if (open.size() >= 2 && within(open, isC, "catAx")) labelFont_ = *face;
                 else if (within(open, isC, "dateAx")) labelFont_ = *face;
                 else if (within(open, isC, "legend")) seriesFont_ = *face;
                 else if (!within(open, isC, "plotArea") && !within(open, isC, "title"))
                   chartFont = *face;
               },
               nullptr, nullptr});
  if (labelFont_.empty()) labelFont_ = chartFont;
  if (seriesFont_.empty()) seriesFont_ = chartFont;
}

std::optional<std::string> PptxDocument::slide(std::string part) {
  const bool chart = part.find("drawingml/2006/chart") != std::string::npos ||
                     part.find("drawingml/chart") != std::string::npos;
  if (chart) chartFonts(part);
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
           // The placeholder it fills on its layout (by index, else type) and its master,
           // else the master's text style for it.
           const std::string* idx = e.attribute("idx");
           const std::string* type = e.attribute("type");
           const std::string kind = type ? *type : "body";
           const std::string font = placeholderFont(idx ? *idx : "", kind);
           const bool title = kind == "title" || kind == "ctrTitle";
           shapeFont = !font.empty() ? font : title ? title_ : body_;
         } else if (isA(e.name, "r") || isA(e.name, "fld")) {
           run.emplace();
         } else if (run && isA(e.name, "latin") && open.size() >= 2 &&
                    isA(open[open.size() - 2].name, "rPr")) {
           if (const std::string* face = e.attribute("typeface")) run->face = *face;
           run->latin = e;
           return;  // mapped with its run
         } else if (run && isA(e.name, "t")) {
           collect = true;
         } else if (chart && isC(e.name, "v") && within(open, isC, "strCache")) {
           collect = true;
         }
         mapTypefaces(editor, e);
       },
       [&](const std::vector<Element>& open) {
         const Element& e = open.back();
         if (chart && isC(e.name, "v") && within(open, isC, "strCache") && !e.text.empty()) {
           // A cached label the chart shows (a category's, a series' name): by the font of
           // its axis or legend, else the chart's, else the theme's body font.
           const std::string& face = within(open, isC, "cat") ? labelFont_ : seriesFont_;
           const std::optional<std::string> out =
               runs_.convert(resolved(face.empty() ? minor_ : face), e.text);
           if (out && *out != e.text) editor.replaceContent(e, *out);
           return;
         }
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
