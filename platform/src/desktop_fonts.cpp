#include "ts/platform/desktop_fonts.hpp"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <vector>

#include "ts/platform/files.hpp"
#include "ts/platform/process.hpp"
#include "ts/platform/registry.hpp"

namespace ts::platform {
namespace {

constexpr const char* kValueNames[kFontKinds] = {"CaptionFont", "SmCaptionFont", "MenuFont",
                                                 "StatusFont", "MessageFont"};

std::vector<std::string_view> words(std::string_view s) {
  std::vector<std::string_view> w;
  std::size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && s[i] == ' ') ++i;
    const std::size_t start = i;
    while (i < s.size() && s[i] != ' ') ++i;
    if (i > start) w.push_back(s.substr(start, i - start));
  }
  return w;
}

bool isStyleWord(std::string_view w) {
  static constexpr const char* kStyles[] = {
      "Normal",         "Regular",         "Roman",           "Bold",       "Italic",
      "Oblique",        "Light",           "Medium",          "Heavy",      "Thin",
      "Book",           "Ultra-Light",     "Extra-Light",     "Semi-Light", "Semi-Bold",
      "Demi-Bold",      "Ultra-Bold",      "Extra-Bold",      "Black",      "Condensed",
      "Semi-Condensed", "Extra-Condensed", "Ultra-Condensed", "Expanded",   "Semi-Expanded",
      "Extra-Expanded", "Small-Caps",      "Not-Rotated",     "Rotated-90"};
  for (const char* s : kStyles)
    if (w == s) return true;
  return false;
}

bool isSize(std::string_view w) {
  if (w.empty()) return false;
  if (w.back() == 'x' || w.back() == 'X') w.remove_suffix(1);  // "12px"-like sizes
  if (w.size() >= 2 && w.substr(w.size() - 1) == "p") w.remove_suffix(1);
  return !w.empty() && w.find_first_not_of("0123456789.") == std::string_view::npos;
}

// Where the face of a description ends: before the trailing style words and size.
std::size_t faceWords(const std::vector<std::string_view>& w) {
  std::size_t n = w.size();
  if (n > 1 && isSize(w[n - 1])) --n;
  while (n > 1 && isStyleWord(w[n - 1])) --n;
  return n;
}

std::string join(const std::vector<std::string_view>& w, std::size_t from, std::size_t to) {
  std::string s;
  for (std::size_t i = from; i < to; ++i) {
    if (!s.empty()) s += ' ';
    s += w[i];
  }
  return s;
}

// GNOME's settings through the gsettings program.
class GsettingsFonts : public DesktopFonts {
 public:
  bool read(InterfaceFonts& fonts) override {
    std::string body, title;
    if (!get("org.gnome.desktop.interface", "font-name", body) ||
        !get("org.gnome.desktop.wm.preferences", "titlebar-font", title))
      return false;
    fonts.description[kCaption] = title;
    fonts.description[kSmallCaption] = title;
    fonts.description[kMenu] = body;
    fonts.description[kStatus] = body;
    fonts.description[kMessage] = body;
    return true;
  }

  bool apply(const InterfaceFonts& fonts) override {
    return set("org.gnome.desktop.interface", "font-name", fonts.description[kMessage]) &&
           set("org.gnome.desktop.wm.preferences", "titlebar-font", fonts.description[kCaption]);
  }

 private:
  // Without a settings service gsettings falls back to a memory store that keeps nothing.
  static bool usable(const std::string& err) { return err.find("memory") == std::string::npos; }

  static bool get(const char* schema, const char* key, std::string& value) {
    std::string out, err;
    if (!runProgram({"gsettings", "get", schema, key}, out, err) || !usable(err)) return false;
    while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
    if (out.size() >= 2 && out.front() == '\'' && out.back() == '\'')
      out = out.substr(1, out.size() - 2);
    value = out;
    return true;
  }

  static bool set(const char* schema, const char* key, const std::string& value) {
    std::string quoted = "'";
    for (char c : value) {
      if (c == '\'' || c == '\\') quoted += '\\';
      quoted += c;
    }
    quoted += '\'';
    std::string out, err;
    return runProgram({"gsettings", "set", schema, key, quoted}, out, err) && usable(err);
  }
};

// A file of five lines.
class FileFonts : public DesktopFonts {
 public:
  explicit FileFonts(std::string path) : path_(std::move(path)) {}

  bool read(InterfaceFonts& fonts) override {
    std::ifstream in(path_);
    if (!in) return false;
    std::array<bool, kFontKinds> seen{};
    for (std::string line; std::getline(in, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      const std::size_t eq = line.find('=');
      if (eq == std::string::npos) continue;
      for (int k = 0; k < kFontKinds; ++k) {
        if (line.compare(0, eq, kValueNames[k]) == 0 && eq == std::strlen(kValueNames[k])) {
          fonts.description[k] = line.substr(eq + 1);
          seen[k] = true;
        }
      }
    }
    for (bool s : seen)
      if (!s) return false;
    return true;
  }

  bool apply(const InterfaceFonts& fonts) override {
    std::string text;
    for (int k = 0; k < kFontKinds; ++k) {
      if (fonts.description[k].find('\n') != std::string::npos) return false;
      text += std::string(kValueNames[k]) + "=" + fonts.description[k] + "\n";
    }
    return writeFileAtomically(path_, text, 0600);
  }

 private:
  std::string path_;
};

}  // namespace

const char* fontValueName(FontKind kind) { return kValueNames[kind]; }

std::string faceOf(std::string_view description) {
  const auto w = words(description);
  return join(w, 0, faceWords(w));
}

std::string withFace(std::string_view description, std::string_view face) {
  const auto w = words(description);
  std::string rest = join(w, faceWords(w), w.size());
  std::string out(face);
  if (!rest.empty()) out += " " + rest;
  return out;
}

std::unique_ptr<DesktopFonts> desktopFonts() {
  const char* file = std::getenv("TESSARO_DESKTOP_FONTS");
  if (file != nullptr && *file != 0) return std::make_unique<FileFonts>(file);
  if (!findOnPath("gsettings").empty()) {
    std::string out, err;
    if (runProgram({"gsettings", "list-schemas"}, out, err) &&
        out.find("org.gnome.desktop.interface") != std::string::npos &&
        out.find("org.gnome.desktop.wm.preferences") != std::string::npos)
      return std::make_unique<GsettingsFonts>();
  }
  return std::make_unique<FileFonts>(configFolder() + "/desktop-fonts.ini");
}

}  // namespace ts::platform
