#include "ts/platform/messages.hpp"

#include <libintl.h>
#include <locale.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#ifdef __EMSCRIPTEN__
#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>
#endif

namespace ts::platform {

namespace {

bool vietnamese = false;
#ifndef __EMSCRIPTEN__
constexpr const char* kDomain = "tessaro";
#endif

// The locale named by the environment for the messages, as setlocale reads it.
std::string localeName() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"})
    if (const char* v = std::getenv(name); v != nullptr && *v != '\0') return v;
  return "C";
}

bool isPlain(const std::string& locale) {
  return locale == "C" || locale == "POSIX" || locale.rfind("C.", 0) == 0;
}

// The language the messages take: the first of LANGUAGE's list that has a catalogue (only
// Vietnamese has one; English is the sources'), else the locale's own; English under C.
bool wantsVietnamese(const std::string& locale) {
  if (isPlain(locale)) return false;
  if (const char* list = std::getenv("LANGUAGE"); list != nullptr && *list != '\0') {
    std::string all = list;
    for (std::size_t start = 0; start <= all.size();) {
      const std::size_t end = std::min(all.find(':', start), all.size());
      const std::string entry = all.substr(start, end - start);
      if (entry.rfind("vi", 0) == 0) return true;
      if (entry.rfind("en", 0) == 0) return false;
      start = end + 1;
    }
  }
  return locale.rfind("vi", 0) == 0;
}

#ifndef __EMSCRIPTEN__
std::string catalogueDir() {
  std::error_code ec;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (!ec) {
    const auto installed = exe.parent_path().parent_path() / "share" / "locale";
    if (std::filesystem::exists(installed / "vi" / "LC_MESSAGES" / "tessaro.mo", ec))
      return installed.string();
  }
#ifdef TS_BUILD_LOCALEDIR
  return TS_BUILD_LOCALEDIR;
#else
  return "/usr/share/locale";
#endif
}

void bind(const std::string& dir) {
  bindtextdomain(kDomain, dir.c_str());
  bind_textdomain_codeset(kDomain, "UTF-8");
}
#endif

#ifdef __EMSCRIPTEN__
// Emscripten's libc cannot read a catalogue (its gettext maps the file and reads past it):
// the page's engine reads the Vietnamese catalogue itself, the .mo file's sorted tables of
// messages and translations.  A plural's message is "one\0many"; Vietnamese has one form.
std::map<std::string, std::string, std::less<>>& webCatalogue() {
  static std::map<std::string, std::string, std::less<>> messages;
  return messages;
}

void readWebCatalogue(const std::string& localeDir) {
  std::ifstream in(localeDir + "/vi/LC_MESSAGES/tessaro.mo", std::ios::binary);
  const std::string mo((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  auto word = [&](std::size_t at) -> std::uint32_t {
    if (at + 4 > mo.size()) return 0;
    std::uint32_t v;
    std::memcpy(&v, mo.data() + at, 4);
    return v;
  };
  if (word(0) != 0x950412deu) return;  // no catalogue, or not one this machine's byte order
  const std::uint32_t count = word(8), originals = word(12), translations = word(16);
  auto text = [&](std::uint32_t table, std::uint32_t i) {
    const std::uint32_t length = word(table + 8 * i), at = word(table + 8 * i + 4);
    return at + static_cast<std::size_t>(length) <= mo.size() ? mo.substr(at, length)
                                                               : std::string();
  };
  for (std::uint32_t i = 0; i < count; ++i) {
    std::string message = text(originals, i), translation = text(translations, i);
    translation = translation.substr(0, translation.find('\0'));  // the one form
    webCatalogue()[std::move(message)] = std::move(translation);
  }
}

const char* webLookup(const char* one, const char* many, unsigned long n) {
  const char* english = n == 1 || many == nullptr ? one : many;
  if (!vietnamese) return english;
  std::string key = one;
  if (many != nullptr) key.append(1, '\0').append(many);
  const auto it = webCatalogue().find(key);
  return it == webCatalogue().end() || it->second.empty() ? english : it->second.c_str();
}
#endif

}  // namespace

void initMessages() {
  const std::string locale = localeName();
  vietnamese = wantsVietnamese(locale);
  // Only the messages follow the locale: numbers stay as the C locale writes and reads them.
  if (isPlain(locale)) {
    setlocale(LC_MESSAGES, "C");  // English, whatever LANGUAGE says
  } else if (const char* set = setlocale(LC_MESSAGES, ""); set == nullptr || isPlain(set)) {
    // The locale is not installed: its language still chooses the messages.
    setlocale(LC_MESSAGES, "C.UTF-8");
    if (vietnamese) setenv("LANGUAGE", "vi", 1);
  }
#ifndef __EMSCRIPTEN__
  bind(catalogueDir());
#endif
}

#ifndef __EMSCRIPTEN__
extern "C" int _nl_msg_cat_cntr;  // glibc's count of message catalogue changes
#endif

void setMessageLanguage(const std::string& language, const std::string& localeDir) {
  vietnamese = language.rfind("vi", 0) == 0;
#ifdef __EMSCRIPTEN__
  if (!localeDir.empty() && webCatalogue().empty()) readWebCatalogue(localeDir);
#else
  if (!localeDir.empty()) bind(localeDir);
  setlocale(LC_MESSAGES, "C.UTF-8");
  setenv("LANGUAGE", vietnamese ? "vi" : "en", 1);
  // gettext keeps the translations it found: this tells it the language changed (the way
  // the gettext manual gives for a program that changes LANGUAGE while it runs).
  ++_nl_msg_cat_cntr;
#endif
}

bool vietnameseMessages() { return vietnamese; }

#ifdef __EMSCRIPTEN__
const char* tr(const char* english) { return webLookup(english, nullptr, 1); }

const char* trn(const char* one, const char* many, unsigned long n) {
  return webLookup(one, many, n);
}
#else
const char* tr(const char* english) { return dgettext(kDomain, english); }

const char* trn(const char* one, const char* many, unsigned long n) {
  return dngettext(kDomain, one, many, n);
}
#endif

std::string timeTaken(std::int64_t seconds) {
  const std::int64_t s = seconds < 0 ? 0 : seconds;
  char text[256];
  std::snprintf(text, sizeof text, tr("Time taken: %02lld:%02lld:%02lld."),
                static_cast<long long>(s / 3600), static_cast<long long>(s / 60 % 60),
                static_cast<long long>(s % 60));
  return text;
}

}  // namespace ts::platform
