// Word's packages: each run's font resolved as Word resolves it (the run's own w:rFonts, its
// character style, its paragraph's style, its table's style, their w:basedOn chains, the
// document defaults; theme fonts through the theme part), its text converted by that font,
// legacy font names mapped.
#include "word.hpp"

#include <map>
#include <optional>

#include "xml_edit.hpp"

namespace ts::office {

namespace {

using Element = XmlEditor::Element;

// Word's namespace, transitional or strict, and DrawingML's.
bool isWord(std::string_view name, std::string_view local) {
  return isNamed(name, local,
                 {"http://schemas.openxmlformats.org/wordprocessingml/2006/main",
                  "http://purl.oclc.org/ooxml/wordprocessingml/main"});
}

// A w: attribute's value, by local name.
const XmlEditor::Attribute* wordAttribute(const Element& e, std::string_view local) {
  for (const XmlEditor::Attribute& a : e.attributes)
    if (isWord(a.name, local)) return &a;
  return nullptr;
}

// Fonts as one level of the chain sets them.
struct Fonts {
  std::optional<std::string> ascii, hAnsi, asciiTheme, hAnsiTheme;
  void readFrom(const Element& rFonts) {
    auto take = [&](std::optional<std::string>& slot, std::string_view local) {
      if (const auto* a = wordAttribute(rFonts, local)) slot = a->value;
    };
    take(ascii, "ascii");
    take(hAnsi, "hAnsi");
    take(asciiTheme, "asciiTheme");
    take(hAnsiTheme, "hAnsiTheme");
  }
};

struct Style {
  std::string basedOn;
  Fonts fonts;
};

// Map every legacy font name an element names (w:rFonts' four, a:latin's typeface).
void mapFontAttributes(XmlEditor& editor, const Element& e, RunConverter& runs) {
  for (const XmlEditor::Attribute& a : e.attributes) {
    const bool font = (isWord(e.name, "rFonts") &&
                       (isWord(a.name, "ascii") || isWord(a.name, "hAnsi") ||
                        isWord(a.name, "cs") || isWord(a.name, "eastAsia"))) ||
                      (isWord(e.name, "font") && isWord(a.name, "name")) ||
                      ((isDrawing(e.name, "latin") || isDrawing(e.name, "cs") ||
                        isDrawing(e.name, "ea")) &&
                       a.name == "typeface");
    if (!font || a.size == 0) continue;
    if (const std::optional<std::string> mapped = runs.mappedFont(a.value))
      editor.replaceValue(a, *mapped);
  }
}

}  // namespace

struct WordDocument::Impl {
  std::map<std::string, Style> styles;
  Fonts defaults;
  std::string defaultParagraphStyle;
  std::string minorFont, majorFont;

  std::string themeFont(const std::string& which) const {
    return which.rfind("major", 0) == 0 ? majorFont : minorFont;
  }
  // One attribute ("ascii" or "hAnsi") of a level: its theme font first, as Word reads it.
  std::optional<std::string> at(const Fonts& f, bool hAnsi) const {
    const auto& theme = hAnsi ? f.hAnsiTheme : f.asciiTheme;
    if (theme) return themeFont(*theme);
    return hAnsi ? f.hAnsi : f.ascii;
  }
  std::optional<std::string> fromStyle(const std::string& id, bool hAnsi) const {
    std::string at_ = id;
    for (int depth = 0; depth < 64 && !at_.empty(); ++depth) {  // a loop of basedOn ends
      const auto s = styles.find(at_);
      if (s == styles.end()) break;
      if (auto f = at(s->second.fonts, hAnsi)) return f;
      at_ = s->second.basedOn;
    }
    return std::nullopt;
  }
  // The chain as the style hierarchy lays it: direct formatting, the run's character style,
  // the paragraph's style, the table's style, the document defaults.
  std::string resolve(const Fonts& direct, const std::string& runStyle,
                      const std::string& paragraphStyle, const std::string& tableStyle,
                      bool hAnsi) const {
    if (auto f = at(direct, hAnsi)) return *f;
    if (auto f = fromStyle(runStyle, hAnsi)) return *f;
    if (auto f = fromStyle(paragraphStyle.empty() ? defaultParagraphStyle : paragraphStyle, hAnsi))
      return *f;
    if (auto f = fromStyle(tableStyle, hAnsi)) return *f;
    if (auto f = at(defaults, hAnsi)) return *f;
    return {};
  }
};

WordDocument::WordDocument(RunConverter& runs) : impl_(std::make_unique<Impl>()), runs_(runs) {}
WordDocument::~WordDocument() = default;

std::optional<std::string> WordDocument::theme(std::string part) {
  XmlEditor editor(std::move(part));
  editor.read({[&](const std::vector<Element>& open, bool&) {
                 const Element& e = open.back();
                 if (isDrawing(e.name, "latin") && open.size() >= 2) {
                   const std::string& parent = open[open.size() - 2].name;
                   if (const std::string* face = e.attribute("typeface")) {
                     if (isDrawing(parent, "majorFont")) impl_->majorFont = *face;
                     if (isDrawing(parent, "minorFont")) impl_->minorFont = *face;
                   }
                 }
                 mapFontAttributes(editor, e, runs_);
               },
               nullptr, nullptr});
  if (!editor.changed()) return std::nullopt;
  return editor.result();
}

std::optional<std::string> WordDocument::styles(std::string part) {
  XmlEditor editor(std::move(part));
  std::string id;
  editor.read({[&](const std::vector<Element>& open, bool&) {
                 const Element& e = open.back();
                 if (isWord(e.name, "style")) {
                   const auto* styleId = wordAttribute(e, "styleId");
                   id = styleId ? styleId->value : "";
                   impl_->styles[id];
                   const auto* type = wordAttribute(e, "type");
                   const auto* isDefault = wordAttribute(e, "default");
                   if (type && type->value == "paragraph" && isDefault &&
                       (isDefault->value == "1" || isDefault->value == "true"))
                     impl_->defaultParagraphStyle = id;
                 } else if (isWord(e.name, "basedOn") && !id.empty()) {
                   if (const auto* v = wordAttribute(e, "val")) impl_->styles[id].basedOn = v->value;
                 } else if (isWord(e.name, "rFonts")) {
                   bool inDefaults = false;
                   for (const Element& o : open) inDefaults = inDefaults || isWord(o.name, "rPrDefault");
                   if (inDefaults)
                     impl_->defaults.readFrom(e);
                   else if (!id.empty())
                     impl_->styles[id].fonts.readFrom(e);
                 }
                 mapFontAttributes(editor, e, runs_);
               },
               [&](const std::vector<Element>& open) {
                 if (isWord(open.back().name, "style")) id.clear();
               }, nullptr});
  if (!editor.changed()) return std::nullopt;
  return editor.result();
}

std::optional<std::string> WordDocument::fontTable(std::string part) {
  XmlEditor editor(std::move(part));
  editor.read({[&](const std::vector<Element>& open, bool&) {
                 mapFontAttributes(editor, open.back(), runs_);
               },
               nullptr, nullptr});
  if (!editor.changed()) return std::nullopt;
  return editor.result();
}

std::optional<std::string> WordDocument::content(std::string part) {
  XmlEditor editor(std::move(part));
  std::vector<std::string> paragraphStyles;  // of the open paragraphs (text boxes nest them)
  std::vector<std::string> tableStyles;      // of the open tables (tables nest)
  struct Run {
    Fonts fonts;
    std::string style;
    std::vector<Element> texts;
    std::vector<Element> rFonts;  // the run's own font elements, mapped where it converts
  };
  std::vector<Run> runs;  // the open runs (a run holds a text box, whose runs nest)
  auto inRunProperties = [](const std::vector<Element>& open) {
    return open.size() >= 3 && isWord(open[open.size() - 2].name, "rPr") &&
           isWord(open[open.size() - 3].name, "r");
  };
  editor.read(
      {[&](const std::vector<Element>& open, bool& collect) {
         const Element& e = open.back();
         if (isWord(e.name, "p")) {
           paragraphStyles.emplace_back();
         } else if (isWord(e.name, "tbl")) {
           tableStyles.emplace_back();
         } else if (isWord(e.name, "tblStyle") && open.size() >= 3 &&
                    isWord(open[open.size() - 2].name, "tblPr") &&
                    isWord(open[open.size() - 3].name, "tbl")) {
           if (const auto* v = wordAttribute(e, "val")) tableStyles.back() = v->value;
         } else if (isWord(e.name, "pStyle") && open.size() >= 3 &&
                    isWord(open[open.size() - 2].name, "pPr") && !paragraphStyles.empty()) {
           if (const auto* v = wordAttribute(e, "val")) paragraphStyles.back() = v->value;
         } else if (isWord(e.name, "r")) {
           runs.emplace_back();
         } else if (!runs.empty() && inRunProperties(open) && isWord(e.name, "rFonts")) {
           runs.back().fonts.readFrom(e);
           runs.back().rFonts.push_back(e);
           return;  // mapped with its run
         } else if (!runs.empty() && inRunProperties(open) && isWord(e.name, "rStyle")) {
           if (const auto* v = wordAttribute(e, "val")) runs.back().style = v->value;
         } else if (!runs.empty() && (isWord(e.name, "t") || isWord(e.name, "delText")) &&
                    open.size() >= 2 && isWord(open[open.size() - 2].name, "r")) {
           collect = true;
         }
         mapFontAttributes(editor, e, runs_);
       },
       [&](const std::vector<Element>& open) {
         const Element& e = open.back();
         if (isWord(e.name, "p")) {
           if (!paragraphStyles.empty()) paragraphStyles.pop_back();
         } else if (isWord(e.name, "tbl")) {
           if (!tableStyles.empty()) tableStyles.pop_back();
         } else if ((isWord(e.name, "t") || isWord(e.name, "delText")) && !runs.empty() &&
                    open.size() >= 2 && isWord(open[open.size() - 2].name, "r")) {
           if (!e.text.empty()) runs.back().texts.push_back(e);
         } else if (isWord(e.name, "r") && !runs.empty()) {
           Run run = std::move(runs.back());
           runs.pop_back();
           if (run.texts.empty()) return;
           // The font of the characters that are not ASCII (w:hAnsi) decides where there are
           // any: legacy letters lie above ASCII.
           std::string all;
           for (const Element& t : run.texts) all += t.text;
           bool high = false;
           for (const char c : all) high = high || static_cast<unsigned char>(c) >= 0x80;
           const std::string font = impl_->resolve(
               run.fonts, run.style, paragraphStyles.empty() ? "" : paragraphStyles.back(),
               tableStyles.empty() ? "" : tableStyles.back(), high);
           const std::optional<std::string> whole = runs_.convert(font, all);
           if (!whole) return;
           // The run reads as its charset: each piece converted alone (letters never straddle
           // Word's pieces of one run), its own font names mapped.
           if (run.texts.size() == 1 && *whole != all) editor.replaceContent(run.texts[0], *whole);
           for (const Element& t : run.texts) {
             if (run.texts.size() == 1) break;
             const std::optional<std::string> piece = runs_.convertPiece(font, t.text);
             if (piece && *piece != t.text) editor.replaceContent(t, *piece);
           }
           for (const Element& f : run.rFonts) mapFontAttributes(editor, f, runs_);
         }
       }, nullptr});
  if (!editor.changed()) return std::nullopt;
  return editor.result();
}

}  // namespace ts::office
