#include "ts/replace.hpp"

namespace ts {

void ReplaceAll(std::string_view text, std::string_view pattern, std::string_view replacement,
                std::string& result) {
  result.clear();
  if (pattern.empty()) {
    result.assign(text);
    return;
  }
  std::size_t from = 0;
  for (;;) {
    const std::size_t at = text.find(pattern, from);
    if (at == std::string_view::npos) break;
    result.append(text, from, at - from);
    result.append(replacement);
    from = at + pattern.size();
  }
  result.append(text, from);
}

std::string ReplaceAll(std::string_view text, std::string_view pattern,
                       std::string_view replacement) {
  std::string result;
  ReplaceAll(text, pattern, replacement, result);
  return result;
}

}  // namespace ts
