#include "xml_edit.hpp"

#include <expat.h>

#include <algorithm>
#include <memory>

namespace ts::office {

const std::string* XmlEditor::Element::attribute(std::string_view n) const {
  for (const Attribute& a : attributes)
    if (a.name == n) return &a.value;
  return nullptr;
}

std::string escaped(std::string_view text, char quote) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += quote == '"' ? "&quot;" : "\""; break;
      case '\'': out += quote == '\'' ? "&apos;" : "'"; break;
      default: out += c;
    }
  }
  return out;
}

namespace {

bool blank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// The attributes of a start tag as written: name, and where the value stands.
struct RawAttribute {
  std::string_view name;
  std::size_t at, size;
  char quote;
};
std::vector<RawAttribute> rawAttributes(std::string_view tag, std::size_t offset) {
  std::vector<RawAttribute> out;
  std::size_t i = 1;
  while (i < tag.size() && !blank(tag[i]) && tag[i] != '>' && tag[i] != '/') ++i;  // the name
  for (;;) {
    while (i < tag.size() && blank(tag[i])) ++i;
    if (i >= tag.size() || tag[i] == '>' || tag[i] == '/') break;
    const std::size_t nameAt = i;
    while (i < tag.size() && tag[i] != '=' && !blank(tag[i])) ++i;
    const std::string_view name = tag.substr(nameAt, i - nameAt);
    while (i < tag.size() && tag[i] != '"' && tag[i] != '\'') ++i;
    if (i >= tag.size()) break;
    const char quote = tag[i++];
    const std::size_t valueAt = i;
    while (i < tag.size() && tag[i] != quote) ++i;
    out.push_back({name, offset + valueAt, i - valueAt, quote});
    ++i;
  }
  return out;
}

struct Reader {
  XML_Parser parser;
  const std::string& part;
  const XmlEditor::Handler& handler;
  std::vector<XmlEditor::Element> open;
  std::vector<bool> collecting;
  std::string error;

  static void onStart(void* self, const XML_Char* name, const XML_Char** atts) {
    auto& r = *static_cast<Reader*>(self);
    const auto at = static_cast<std::size_t>(XML_GetCurrentByteIndex(r.parser));
    const auto count = static_cast<std::size_t>(XML_GetCurrentByteCount(r.parser));
    XmlEditor::Element e;
    e.name = name;
    e.contentAt = at + count;
    const std::string_view tag = std::string_view(r.part).substr(at, count);
    std::vector<RawAttribute> raw;
    for (const RawAttribute& a : rawAttributes(tag, at))
      if (a.name != "xmlns" && a.name.substr(0, 6) != "xmlns:") raw.push_back(a);
    std::size_t k = 0;
    for (const XML_Char** p = atts; p[0] != nullptr; p += 2, ++k) {
      XmlEditor::Attribute a;
      a.name = p[0];
      a.value = p[1];
      if (k < raw.size()) {
        a.at = raw[k].at;
        a.size = raw[k].size;
      }
      e.attributes.push_back(std::move(a));
    }
    // An empty element (<a/>) has no content to change.
    if (tag.size() >= 2 && tag[tag.size() - 2] == '/') e.contentAt = std::string::npos;
    r.open.push_back(std::move(e));
    bool collect = false;
    if (r.handler.start) r.handler.start(r.open, collect);
    r.collecting.push_back(collect);
  }
  static void onEnd(void* self, const XML_Char*) {
    auto& r = *static_cast<Reader*>(self);
    XmlEditor::Element& e = r.open.back();
    e.contentEnd = e.contentAt == std::string::npos
                       ? std::string::npos
                       : static_cast<std::size_t>(XML_GetCurrentByteIndex(r.parser));
    if (r.handler.end) r.handler.end(r.open);
    r.open.pop_back();
    r.collecting.pop_back();
  }
  static void onText(void* self, const XML_Char* s, int len) {
    auto& r = *static_cast<Reader*>(self);
    if (!r.collecting.empty() && r.collecting.back())
      r.open.back().text.append(s, static_cast<std::size_t>(len));
    if (r.handler.text)
      r.handler.text(r.open, std::string_view(s, static_cast<std::size_t>(len)),
                     static_cast<std::size_t>(XML_GetCurrentByteIndex(r.parser)),
                     static_cast<std::size_t>(XML_GetCurrentByteCount(r.parser)));
  }
  static void onDoctype(void* self, const XML_Char*, const XML_Char*, const XML_Char*, int) {
    auto& r = *static_cast<Reader*>(self);
    r.error = "a document type declaration (refused: no package part needs one)";
    XML_StopParser(r.parser, XML_FALSE);
  }
};

}  // namespace

void XmlEditor::read(const Handler& handler) {
  std::unique_ptr<std::remove_pointer_t<XML_Parser>, void (*)(XML_Parser)> parser(
      XML_ParserCreateNS("UTF-8", '|'), XML_ParserFree);
  if (!parser) throw XmlError("out of memory");
  Reader r{parser.get(), part_, handler, {}, {}, {}};
  XML_SetUserData(parser.get(), &r);
  XML_SetElementHandler(parser.get(), &Reader::onStart, &Reader::onEnd);
  XML_SetCharacterDataHandler(parser.get(), &Reader::onText);
  XML_SetStartDoctypeDeclHandler(parser.get(), &Reader::onDoctype);
  XML_SetParamEntityParsing(parser.get(), XML_PARAM_ENTITY_PARSING_NEVER);
  if (XML_Parse(parser.get(), part_.data(), static_cast<int>(part_.size()), XML_TRUE) !=
      XML_STATUS_OK) {
    if (!r.error.empty()) throw XmlError(r.error);
    throw XmlError(std::string(XML_ErrorString(XML_GetErrorCode(parser.get()))) + " at line " +
                   std::to_string(XML_GetCurrentLineNumber(parser.get())));
  }
}

void XmlEditor::replaceContent(const Element& e, std::string_view text) {
  if (e.contentAt == std::string::npos || e.contentEnd < e.contentAt) return;
  edits_.push_back({e.contentAt, e.contentEnd - e.contentAt, escaped(text)});
}

void XmlEditor::replaceRange(std::size_t at, std::size_t size, std::string_view text) {
  edits_.push_back({at, size, escaped(text)});
}

void XmlEditor::replaceValue(const Attribute& a, std::string_view value) {
  const char quote = a.at > 0 ? part_[a.at - 1] : '"';
  edits_.push_back({a.at, a.size, escaped(value, quote)});
}

std::string XmlEditor::result() const {
  std::vector<Edit> edits = edits_;
  std::sort(edits.begin(), edits.end(), [](const Edit& a, const Edit& b) { return a.at < b.at; });
  std::string out;
  out.reserve(part_.size() + part_.size() / 8);
  std::size_t from = 0;
  for (const Edit& e : edits) {
    if (e.at < from) continue;  // one change to a place is enough
    out.append(part_, from, e.at - from);
    out += e.with;
    from = e.at + e.size;
  }
  out.append(part_, from, std::string::npos);
  return out;
}

}  // namespace ts::office
