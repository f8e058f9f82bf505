// OpenDocument packages (.odt, .ods, .odp): each piece of text by the font its style chain
// resolves to (the span's text style, else the paragraph's, the cell's or the frame's, their
// parent styles, the family's default style), converted by that font as Word's runs are;
// the font faces of legacy fonts mapped.
#include "odf.hpp"

#include <map>
#include <optional>

#include "xml_edit.hpp"

namespace ts::office {

namespace {

using Element = XmlEditor::Element;

constexpr std::string_view kText = "urn:oasis:names:tc:opendocument:xmlns:text:1.0";
constexpr std::string_view kStyle = "urn:oasis:names:tc:opendocument:xmlns:style:1.0";
constexpr std::string_view kFo = "urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0";
constexpr std::string_view kSvg = "urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0";
constexpr std::string_view kTable = "urn:oasis:names:tc:opendocument:xmlns:table:1.0";
constexpr std::string_view kDraw = "urn:oasis:names:tc:opendocument:xmlns:drawing:1.0";
constexpr std::string_view kPresentation =
    "urn:oasis:names:tc:opendocument:xmlns:presentation:1.0";

bool is(std::string_view name, std::string_view uri, std::string_view local) {
  return name.size() == uri.size() + 1 + local.size() && name.substr(0, uri.size()) == uri &&
         name[uri.size()] == '|' && name.substr(uri.size() + 1) == local;
}
std::string key(std::string_view uri, std::string_view local) {
  return std::string(uri) + "|" + std::string(local);
}

// A font family as written ("'.VnTime'", "VNI-Times"): without its quotes.
std::string unquoted(std::string s) {
  if (s.size() >= 2 && (s.front() == '\'' || s.front() == '"') && s.back() == s.front())
    s = s.substr(1, s.size() - 2);
  return s;
}

}  // namespace

struct OdfDocument::Impl {
  struct Style {
    std::string parent;
    std::optional<std::string> font;  // a font face's name, or a family itself
    bool face = false;                // `font` names a font face
  };
  std::map<std::string, std::string> faces;  // font face name -> family
  std::map<std::string, Style> styles;        // "family/name"
  std::map<std::string, Style> defaults;      // by family

  std::string familyOf(const Style& s) const {
    if (!s.face) return *s.font;
    const auto f = faces.find(*s.font);
    return f != faces.end() ? f->second : *s.font;
  }
  std::optional<std::string> fontOf(const std::string& family, std::string name) const {
    for (int depth = 0; depth < 64 && !name.empty(); ++depth) {
      const auto s = styles.find(family + "/" + name);
      if (s == styles.end()) break;
      if (s->second.font) return familyOf(s->second);
      name = s->second.parent;
    }
    return std::nullopt;
  }
  std::optional<std::string> defaultOf(const std::string& family) const {
    const auto d = defaults.find(family);
    if (d == defaults.end() || !d->second.font) return std::nullopt;
    return familyOf(d->second);
  }

  // Reads the font faces and styles of a part.
  void collect(const std::string& part) {
    XmlEditor reader(part);
    Style* current = nullptr;
    reader.read({[&](const std::vector<Element>& open, bool&) {
                   const Element& e = open.back();
                   if (is(e.name, kStyle, "font-face")) {
                     const std::string* name = e.attribute(key(kStyle, "name"));
                     const std::string* family = e.attribute(key(kSvg, "font-family"));
                     if (name) faces[*name] = family ? unquoted(*family) : *name;
                   } else if (is(e.name, kStyle, "style")) {
                     const std::string* name = e.attribute(key(kStyle, "name"));
                     const std::string* family = e.attribute(key(kStyle, "family"));
                     const std::string* parent = e.attribute(key(kStyle, "parent-style-name"));
                     current = name && family ? &styles[*family + "/" + *name] : nullptr;
                     if (current && parent) current->parent = *parent;
                   } else if (is(e.name, kStyle, "default-style")) {
                     const std::string* family = e.attribute(key(kStyle, "family"));
                     current = family ? &defaults[*family] : nullptr;
                   } else if (is(e.name, kStyle, "text-properties") && current) {
                     if (const std::string* f = e.attribute(key(kStyle, "font-name"))) {
                       current->font = *f;
                       current->face = true;
                     } else if (const std::string* ff = e.attribute(key(kFo, "font-family"))) {
                       current->font = unquoted(*ff);
                       current->face = false;
                     }
                   }
                 },
                 [&](const std::vector<Element>& open) {
                   const Element& e = open.back();
                   if (is(e.name, kStyle, "style") || is(e.name, kStyle, "default-style"))
                     current = nullptr;
                 },
                 nullptr});
  }
};

OdfDocument::OdfDocument(RunConverter& runs) : impl_(std::make_unique<Impl>()), runs_(runs) {}
OdfDocument::~OdfDocument() = default;

void OdfDocument::collect(const std::string& part) { impl_->collect(part); }

std::optional<std::string> OdfDocument::convert(std::string part) {
  XmlEditor editor(std::move(part));
  // The font in force at each open element (empty: none known), and the text gathered
  // since the last element began or ended.
  std::vector<std::string> fonts;
  struct Piece {
    std::size_t at = 0, end = 0;
    std::string text;
  } piece;
  bool pending = false;
  auto flush = [&] {
    if (!pending) return;
    pending = false;
    if (fonts.empty() || fonts.back().empty()) return;
    if (const std::optional<std::string> out = runs_.convert(fonts.back(), piece.text);
        out && *out != piece.text)
      editor.replaceRange(piece.at, piece.end - piece.at, *out);
  };
  auto styled = [&](const Element& e) -> std::optional<std::string> {
    struct Way {
      std::string_view uri, local, attrUri, attr, family;
    };
    static const Way kWays[] = {
        {kText, "span", kText, "style-name", "text"},
        {kText, "p", kText, "style-name", "paragraph"},
        {kText, "h", kText, "style-name", "paragraph"},
        {kTable, "table-cell", kTable, "style-name", "table-cell"},
        {kDraw, "frame", kPresentation, "style-name", "presentation"},
        {kDraw, "frame", kDraw, "text-style-name", "paragraph"},
        {kDraw, "custom-shape", kDraw, "style-name", "graphic"},
        {kDraw, "rect", kDraw, "style-name", "graphic"},
        {kDraw, "frame", kDraw, "style-name", "graphic"},
    };
    for (const Way& w : kWays) {
      if (!is(e.name, w.uri, w.local)) continue;
      const std::string* name = e.attribute(key(w.attrUri, w.attr));
      if (!name) continue;
      if (auto f = impl_->fontOf(std::string(w.family), *name)) return f;
    }
    // A cell without a style of its own shows the default cell style.
    if (is(e.name, kTable, "table-cell")) {
      if (auto f = impl_->fontOf("table-cell", "Default")) return f;
      return impl_->defaultOf("table-cell");
    }
    // A paragraph whose style says nothing shows the paragraph family's default.
    if (is(e.name, kText, "p") || is(e.name, kText, "h")) {
      if (!fonts.empty() && !fonts.back().empty()) return std::nullopt;
      return impl_->defaultOf("paragraph");
    }
    return std::nullopt;
  };
  editor.read({[&](const std::vector<Element>& open, bool&) {
                 flush();
                 const Element& e = open.back();
                 const std::optional<std::string> own = styled(e);
                 fonts.push_back(own ? *own : fonts.empty() ? std::string() : fonts.back());
                 if (is(e.name, kStyle, "font-face")) {
                   for (const XmlEditor::Attribute& a : e.attributes)
                     if (is(a.name, kSvg, "font-family") && a.size > 0) {
                       const std::string family = unquoted(a.value);
                       if (const auto mapped = runs_.mappedFont(family))
                         editor.replaceValue(a, a.value != family ? "'" + *mapped + "'" : *mapped);
                     }
                 }
                 if (is(e.name, kStyle, "text-properties")) {
                   for (const XmlEditor::Attribute& a : e.attributes)
                     if (is(a.name, kFo, "font-family") && a.size > 0)
                       if (const auto mapped = runs_.mappedFont(unquoted(a.value)))
                         editor.replaceValue(a, *mapped);
                 }
               },
               [&](const std::vector<Element>&) {
                 flush();
                 fonts.pop_back();
               },
               [&](const std::vector<Element>&, std::string_view text, std::size_t at,
                   std::size_t size) {
                 if (pending && at == piece.end) {
                   piece.text.append(text);
                   piece.end = at + size;
                   return;
                 }
                 flush();
                 piece = {at, at + size, std::string(text)};
                 pending = true;
               }});
  if (!editor.changed()) return std::nullopt;
  return editor.result();
}

}  // namespace ts::office
