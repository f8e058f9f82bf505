// The programs' messages in the user's language, through gettext (the domain "tessaro"): the
// sources say them in English, translations/vi.po in Vietnamese.  The language is chosen as
// Linux programs choose it (LANGUAGE, LC_ALL, LC_MESSAGES, LANG): English by default and under
// C, Vietnamese under vi, whether or not the Vietnamese locale is installed.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace ts::platform {

// Chooses the language from the environment and finds the catalogues: PREFIX/share/locale
// beside the program, or the build tree's.  Call once, first thing in main.
void initMessages();
// Makes `language` ("vi", "en") the messages' language, whatever the environment says (the
// web page's switch); the catalogues are looked for in `localeDir` when given.
void setMessageLanguage(const std::string& language, const std::string& localeDir = {});
// Whether the messages are Vietnamese (the windows take their translations by it).
bool vietnameseMessages();

// `english` in the messages' language.
const char* tr(const char* english);
// The form of `one`/`many` for the count `n`, in the messages' language.
const char* trn(const char* one, const char* many, unsigned long n);

// printf's text of `format` (a message, translated or not), as long as it comes.
template <class... Args>
std::string formatted(const char* format, Args... args) {
  const int n = std::snprintf(nullptr, 0, format, args...);
  if (n <= 0) return n == 0 ? std::string() : std::string(format);
  std::string text(static_cast<std::size_t>(n) + 1, '\0');
  std::snprintf(text.data(), text.size(), format, args...);
  text.resize(static_cast<std::size_t>(n));
  return text;
}

// `english` in the messages' language with its values, printf's way.
template <class... Args>
std::string tf(const char* english, Args... args) {
  return formatted(tr(english), args...);
}

// "Time taken: 01:02:03." in the messages' language: the time of a run, said alike by every
// program (a run of more than a day says its hours: 25:00:00).
std::string timeTaken(std::int64_t seconds);

}  // namespace ts::platform
