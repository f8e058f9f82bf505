// Conversion of HTML text: words converted with the selected pair, entities decoded and
// encoded around them, font names and the charset declaration rewritten inside tags.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ts/byte_buffer.hpp"
#include "ts/converter.hpp"
#include "ts/fonts.hpp"

namespace ts {

// One row of the entity table: the named entity, the numeric reference and the
// Windows-1252 byte both stand for.  Rows for 128..159 have references without semicolon.
struct HtmlEntity {
  const char* name;
  const char* numeric;
  std::uint8_t byte;
};
inline constexpr int kHtmlEntityCount = 120;
const HtmlEntity* htmlEntityTable();  // kHtmlEntityCount rows in byte order

// The bytes that end words: space . , < > - CR LF.
bool isHtmlBreak(std::uint8_t b);

// How bytes of 128 and more are written after conversion.
enum class EntityForm { kNumeric, kEightBit, kNamed };

struct HtmlSettings {
  EntityForm form = EntityForm::kNumeric;
  std::string charsetName = "windows-1252";  // written into charset declarations
  // The text people read inside tags (see readableAttributeValues) converted as words are.
  bool convertAttributeText = false;
};

// Entity decoding: every named entity and numeric reference of the table is replaced by its
// byte, as if row after row, the named form and then the numeric, went over the word.
void decodeHtmlEntities(std::string_view word, std::string& out);

// One word: entities decoded (every row in order, the named form and then the numeric),
// converted with the selected pair, then bytes that have a row written in the entity form.
// Destination UTF-8 writes no entities.
std::string convertHtmlWord(ConverterState& conv, const HtmlSettings& settings,
                            std::string_view word);

// The same, appending to `out`, with work buffers kept from word to word.
class HtmlWordConverter {
 public:
  void convert(ConverterState& conv, const HtmlSettings& settings, std::string_view word,
               ByteBuffer& out);

 private:
  std::string decoded_;
  ByteBuffer converted_;
};

// The inside of one tag, from "<" to ">" exclusive.  The first font declaration
// ("FONT-FAMILY" or "font-family", else "FONT FACE" or "font face") has its font name
// mapped to the destination's family, every occurrence of it; a tag that names no font
// has the value of its charset declaration replaced by the settings' charset name.
std::string rewriteHtmlTag(ConverterState& conv, FontMapState& fonts, const HtmlSettings& settings,
                           std::string_view inside);

// Where a tag's inside holds text people read: the values of alt, title, placeholder, label
// and summary, and the content of a meta tag named description or keywords.  In order.
struct AttributeValue {
  std::size_t offset = 0;
  std::size_t length = 0;
  char quote = 0;  // '"', '\'' or 0 for an unquoted value
};
std::vector<AttributeValue> readableAttributeValues(std::string_view inside);

// Writes a converted attribute value, its own quote written as a reference.
void writeConvertedValue(char quote, const ByteBuffer& converted, ByteBuffer& out);

// Writes a tag's inside with its readable values converted: the rest through `markup`, each
// word of a value (bytes between break bytes) through `word` and the break bytes as they
// are.  A converted value that came to hold its own quote has it written as a reference.
// Both writers take (std::string_view text, ByteBuffer& out).
template <class Word, class Markup>
void writeTagConvertingText(std::string_view inside, Word&& word, Markup&& markup,
                            ByteBuffer& out) {
  // End tags, comments and declarations, and tags without a value hold no such text.
  if (inside.empty() || inside[0] == '/' || inside[0] == '!' || inside[0] == '?' ||
      inside.find('=') == std::string_view::npos) {
    markup(inside, out);
    return;
  }
  const std::vector<AttributeValue> values = readableAttributeValues(inside);
  if (values.empty()) {
    markup(inside, out);
    return;
  }
  std::size_t done = 0;
  ByteBuffer converted;
  for (const AttributeValue& v : values) {
    markup(inside.substr(done, v.offset - done), out);
    const std::string_view text = inside.substr(v.offset, v.length);
    converted.clear();
    std::size_t start = 0;
    for (std::size_t k = 0; k <= text.size(); ++k) {
      if (k < text.size() && !isHtmlBreak(static_cast<std::uint8_t>(text[k]))) continue;
      if (k > start) word(text.substr(start, k - start), converted);
      if (k < text.size()) converted.push(static_cast<std::uint8_t>(text[k]));
      start = k + 1;
    }
    writeConvertedValue(v.quote, converted, out);
    done = v.offset + v.length;
  }
  markup(inside.substr(done), out);
}

// The HTML scan over a stream: words (runs of bytes between break bytes), break bytes, and
// after each "<" the inside of a tag up to the next ">".  Words and tags are held until they
// end, so memory grows with the longest word or tag, not with the text.
class HtmlScanner {
 public:
  struct Handler {
    virtual ~Handler() = default;
    virtual void word(std::string_view word) = 0;
    virtual void breakByte(char b) = 0;  // "<" included; a tag follows it
    virtual void tag(std::string_view inside) = 0;
    // The text ended inside a tag.
    virtual void unclosedTag(std::string_view inside) = 0;
    // Bytes scanned outside tags (word and break bytes), counted as they are read.
    virtual void textBytes(std::size_t /*n*/) {}
  };

  void feed(std::string_view chunk, Handler& h);
  void finish(Handler& h);

 private:
  std::string word_;
  std::string tag_;
  bool inTag_ = false;
};

// Returns the entity of a byte in a form (numeric or named), or nullptr when the byte has no
// row (or the form writes no entities).
const char* htmlEntityOf(std::uint8_t byte, EntityForm form);

// The HTML scan with the library's conversion of words and tags.  A tag that does not end
// before the end of the text is written with the bytes after its "<" as they are.
class HtmlConverter {
 public:
  HtmlConverter(ConverterState& conv, FontMapState& fonts, HtmlSettings settings = {});
  void feed(std::string_view chunk, ByteBuffer& out);
  void finish(ByteBuffer& out);

 private:
  struct Writer;
  ConverterState& conv_;
  FontMapState& fonts_;
  HtmlSettings settings_;
  HtmlWordConverter words_;
  HtmlScanner scanner_;
};

}  // namespace ts
