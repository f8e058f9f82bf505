// Values that hold texts inside them: an array's text form ({"Hà Nội",NULL,"Huế"}) and a JSON
// document.  The texts inside are converted one by one, every other byte of the value kept.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace ts::db {

enum class ValueShape {
  kScalar,    // the value is the text
  kArray,     // PostgreSQL's array text form: its elements, NULL elements left
  kJson,      // a JSON document: its string values, object keys left
  kJsonKeys,  // a JSON document: its string values and its object keys
};

// How one text inside was judged, in the order a value's verdict takes them: a value is
// converted when any text inside it is, else it takes the first verdict of its texts in this
// order after kConverted (a value with no text inside is unchanged).
enum class Verdict { kConverted, kUncarried, kUndecided, kAlready, kUnchanged };

// Converts each text inside `value` through `convert` (the text and where to put its new
// form) and writes the value with the new texts into `out` when the verdict is kConverted.
// A value that does not parse as its shape is kUnchanged (left as it is).  `unicode`: the
// value is UTF-8 text (else legacy bytes, where a JSON string with a \u escape above ASCII is
// left).
Verdict convertInside(ValueShape shape, std::string_view value, bool unicode,
                      const std::function<Verdict(std::string_view, std::string&)>& convert,
                      std::string& out);

}  // namespace ts::db
