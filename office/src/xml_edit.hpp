// Reading an XML part with expat and changing pieces of it in place: the text inside an
// element, the value of an attribute.  Everything else of the part stays as it was written
// (declaration, namespaces, attribute order, quotes, whitespace, entity references).
#pragma once

#include <cstddef>
#include <functional>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace ts::office {

// A part that is no well-formed XML, or one holding a document type declaration (refused:
// entity expansion is the way XML bombs work, and no package part needs one).
struct XmlError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

class XmlEditor {
 public:
  // An attribute: its namespace URI and local name ("uri|local", or "local" for none), its
  // value as read, and where its value stands in the part (between the quotes).
  struct Attribute {
    std::string name;
    std::string value;
    std::size_t at = 0, size = 0;
  };
  // An element: its name ("uri|local"), its attributes, and where its content stands (from
  // the end of its start tag; `end` is set when it ends).
  struct Element {
    std::string name;
    std::vector<Attribute> attributes;
    std::size_t contentAt = 0, contentEnd = 0;
    std::string text;  // its character data, as read (with `collect`)
    const std::string* attribute(std::string_view name) const;
  };

  // What the reader is told, in document order.  In `start`, setting `collect` keeps the
  // element's character data in Element::text.
  struct Handler {
    std::function<void(const std::vector<Element>& open, bool& collect)> start;
    std::function<void(const std::vector<Element>& open)> end;  // the ending one is last
    // Character data as expat gives it, piece by piece: the text, and where its raw bytes
    // (entity references included) stand in the part.
    std::function<void(const std::vector<Element>& open, std::string_view text, std::size_t at,
                       std::size_t size)>
        text;
  };

  explicit XmlEditor(std::string part) : part_(std::move(part)) {}

  // Reads the whole part; XmlError when it is no well-formed XML.
  void read(const Handler& handler);

  // Changes to make: the content of an element (text, escaped here), an attribute's value.
  void replaceContent(const Element& e, std::string_view text);
  void replaceValue(const Attribute& a, std::string_view value);
  // Raw bytes of the part replaced by `text`, escaped here.
  void replaceRange(std::size_t at, std::size_t size, std::string_view text);

  bool changed() const { return !edits_.empty(); }
  // The part with its changes.
  std::string result() const;

 private:
  struct Edit {
    std::size_t at, size;
    std::string with;
  };
  std::string part_;
  std::vector<Edit> edits_;
};

// Whether an expanded name ("uri|local") is `local` in one of the namespaces `uris` (the
// transitional and the strict one of a format, say).
inline bool isNamed(std::string_view name, std::string_view local,
                    std::initializer_list<std::string_view> uris) {
  const std::size_t bar = name.rfind('|');
  if (bar == std::string_view::npos || name.substr(bar + 1) != local) return false;
  for (const std::string_view uri : uris)
    if (name.substr(0, bar) == uri) return true;
  return false;
}

// DrawingML's names (the text of shapes in Word, Excel and PowerPoint, and their themes).
inline bool isDrawing(std::string_view name, std::string_view local) {
  return isNamed(name, local,
                 {"http://schemas.openxmlformats.org/drawingml/2006/main",
                  "http://purl.oclc.org/ooxml/drawingml/main"});
}

// Text escaped for XML content or a double- or single-quoted attribute value.
std::string escaped(std::string_view text, char quote = 0);

}  // namespace ts::office
