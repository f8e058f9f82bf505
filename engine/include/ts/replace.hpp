// Replacement of every occurrence of a pattern in a text.
#pragma once

#include <string>
#include <string_view>

namespace ts {

// Replaces every non-overlapping occurrence of `pattern`, searching from the left and going on
// right after each match (so a replacement that contains the pattern is not searched again).
// Bytes are compared exactly.  An empty pattern, or one that does not occur, gives a copy of
// the text.  Texts and results may be of any length.
void ReplaceAll(std::string_view text, std::string_view pattern, std::string_view replacement,
                std::string& result);
std::string ReplaceAll(std::string_view text, std::string_view pattern,
                       std::string_view replacement);

}  // namespace ts
