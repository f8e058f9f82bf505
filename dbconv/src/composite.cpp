#include "ts/db/composite.hpp"

#include <optional>

namespace ts::db {

namespace {

// Gathers the verdicts of a value's texts.
class Verdicts {
 public:
  void add(Verdict v) {
    if (static_cast<int>(v) < static_cast<int>(value_)) value_ = v;
  }
  Verdict value() const { return value_; }

 private:
  Verdict value_ = Verdict::kUnchanged;
};

// PostgreSQL's array text form: an optional "[1:2]=" of bounds, braces, elements between
// commas, each bare (NULL is none) or in double quotes with backslash escapes.
std::optional<Verdict> convertArray(
    std::string_view v, const std::function<Verdict(std::string_view, std::string&)>& convert,
    std::string& out) {
  Verdicts verdicts;
  std::string text, converted;
  std::size_t i = 0;
  if (!v.empty() && v[0] == '[') {
    const std::size_t equals = v.find('=');
    if (equals == std::string_view::npos) return std::nullopt;
    i = equals + 1;
  }
  out.assign(v.substr(0, i));
  int depth = 0;
  while (i < v.size()) {
    const char c = v[i];
    if (c == '{' || c == '}' || c == ',') {
      depth += c == '{' ? 1 : c == '}' ? -1 : 0;
      if (depth < 0) return std::nullopt;
      out.push_back(c);
      ++i;
      continue;
    }
    if (depth == 0) return std::nullopt;
    const std::size_t start = i;
    text.clear();
    if (c == '"') {
      for (++i; i < v.size() && v[i] != '"'; ++i) {
        if (v[i] == '\\' && ++i == v.size()) return std::nullopt;
        text.push_back(v[i]);
      }
      if (i++ == v.size()) return std::nullopt;
    } else {
      for (; i < v.size() && v[i] != ',' && v[i] != '}' && v[i] != '{'; ++i) {
        if (v[i] == '\\' && ++i == v.size()) return std::nullopt;
        text.push_back(v[i]);
      }
      const std::string_view raw = v.substr(start, i - start);
      if (raw.size() == 4 && (raw[0] | 0x20) == 'n' && (raw[1] | 0x20) == 'u' &&
          (raw[2] | 0x20) == 'l' && (raw[3] | 0x20) == 'l') {
        out.append(raw);  // a NULL element
        continue;
      }
    }
    const Verdict verdict = convert(text, converted);
    verdicts.add(verdict);
    if (verdict != Verdict::kConverted) {
      out.append(v.substr(start, i - start));
      continue;
    }
    out.push_back('"');
    for (const char ch : converted) {
      if (ch == '"' || ch == '\\') out.push_back('\\');
      out.push_back(ch);
    }
    out.push_back('"');
  }
  if (depth != 0) return std::nullopt;
  return verdicts.value();
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if ((c | 0x20) >= 'a' && (c | 0x20) <= 'f') return (c | 0x20) - 'a' + 10;
  return -1;
}

void appendUtf8(std::string& s, char32_t c) {
  if (c < 0x80) {
    s.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    s.push_back(static_cast<char>(0xC0 | (c >> 6)));
    s.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    s.push_back(static_cast<char>(0xE0 | (c >> 12)));
    s.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    s.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    s.push_back(static_cast<char>(0xF0 | (c >> 18)));
    s.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    s.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    s.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

// A JSON string's text from just after its opening quote; `i` ends after the closing quote.
// nullopt for a malformed string; `escapedWide`: it writes a character above ASCII as \u.
std::optional<std::string> jsonString(std::string_view v, std::size_t& i, bool& escapedWide) {
  std::string text;
  auto hex4 = [&](std::size_t at) -> int {
    if (at + 4 > v.size()) return -1;
    int n = 0;
    for (std::size_t k = at; k < at + 4; ++k) {
      const int d = hexDigit(v[k]);
      if (d < 0) return -1;
      n = n * 16 + d;
    }
    return n;
  };
  for (; i < v.size() && v[i] != '"'; ++i) {
    if (v[i] != '\\') {
      text.push_back(v[i]);
      continue;
    }
    if (++i == v.size()) return std::nullopt;
    switch (v[i]) {
      case 'b': text.push_back('\b'); break;
      case 'f': text.push_back('\f'); break;
      case 'n': text.push_back('\n'); break;
      case 'r': text.push_back('\r'); break;
      case 't': text.push_back('\t'); break;
      case 'u': {
        int c = hex4(i + 1);
        if (c < 0) return std::nullopt;
        i += 4;
        if (c >= 0xD800 && c < 0xDC00 && i + 2 < v.size() && v[i + 1] == '\\' && v[i + 2] == 'u') {
          const int low = hex4(i + 3);
          if (low >= 0xDC00 && low < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
            i += 6;
          }
        }
        if (c >= 0x80) escapedWide = true;
        appendUtf8(text, static_cast<char32_t>(c));
        break;
      }
      default: text.push_back(v[i]);  // \" \\ \/
    }
  }
  if (i++ == v.size()) return std::nullopt;
  return text;
}

void appendJsonString(std::string& out, std::string_view text) {
  static const char kHex[] = "0123456789abcdef";
  out.push_back('"');
  for (const char ch : text) {
    const auto u = static_cast<unsigned char>(ch);
    if (ch == '"' || ch == '\\') {
      out.push_back('\\');
      out.push_back(ch);
    } else if (u < 0x20) {
      out += "\\u00";
      out.push_back(kHex[u >> 4]);
      out.push_back(kHex[u & 15]);
    } else {
      out.push_back(ch);
    }
  }
  out.push_back('"');
}

std::optional<Verdict> convertJson(
    std::string_view v, bool keys, bool unicode,
    const std::function<Verdict(std::string_view, std::string&)>& convert, std::string& out) {
  Verdicts verdicts;
  std::string converted;
  out.clear();
  for (std::size_t i = 0; i < v.size();) {
    if (v[i] != '"') {
      out.push_back(v[i++]);
      continue;
    }
    const std::size_t start = i++;
    bool escapedWide = false;
    const std::optional<std::string> text = jsonString(v, i, escapedWide);
    if (!text) return std::nullopt;
    std::size_t next = i;
    while (next < v.size() && (v[next] == ' ' || v[next] == '\t' || v[next] == '\n' ||
                               v[next] == '\r'))
      ++next;
    const bool key = next < v.size() && v[next] == ':';
    // A legacy value holds bytes: a character written as \u there is no byte of it.
    const Verdict verdict = (key && !keys) || (escapedWide && !unicode)
                                ? Verdict::kUnchanged
                                : convert(*text, converted);
    verdicts.add(verdict);
    if (verdict == Verdict::kConverted)
      appendJsonString(out, converted);
    else
      out.append(v.substr(start, i - start));
  }
  return verdicts.value();
}

}  // namespace

Verdict convertInside(ValueShape shape, std::string_view value, bool unicode,
                      const std::function<Verdict(std::string_view, std::string&)>& convert,
                      std::string& out) {
  std::optional<Verdict> verdict;
  switch (shape) {
    case ValueShape::kScalar: return convert(value, out);
    case ValueShape::kArray: verdict = convertArray(value, convert, out); break;
    case ValueShape::kJson:
    case ValueShape::kJsonKeys:
      verdict = convertJson(value, shape == ValueShape::kJsonKeys, unicode, convert, out);
      break;
  }
  return verdict.value_or(Verdict::kUnchanged);
}

}  // namespace ts::db
