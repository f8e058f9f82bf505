// A LibreOffice of a test's own: headless, with a scratch user profile and a pipe of its own,
// the add-in's macros pointed at the build's libtslib.  It is quit at the end, and killed
// when it will not go.  Also helpers to make documents and read their text runs.
#pragma once

#include <signal.h>
#include <unistd.h>
#include <com/sun/star/awt/FontSlant.hpp>

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/uno/Sequence.hxx>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ts/office/office.hpp"
#include "ts/office/addin.hpp"

namespace ts::testing {

// Runs a test's body; a UNO exception fails the test with its message.
inline void guard(const std::function<void()>& body) {
  try {
    body();
  } catch (...) {
    ADD_FAILURE() << "exception: " << office::currentError();
  }
}

class ScratchOffice {
 public:
  // `folder`: where the profile goes; `libtslib`: the library the macros load.
  ScratchOffice(const std::filesystem::path& folder, const std::string& libtslib) {
    static int count = 0;
    options_.profile = (folder / "profile").string();
    options_.pipe = "ts-test-" + std::to_string(getpid()) + "-" + std::to_string(++count);
    options_.headless = true;
    options_.env = {"TESSARO_LIBTSLIB=" + libtslib};
  }
  ScratchOffice(const ScratchOffice&) = delete;
  ScratchOffice& operator=(const ScratchOffice&) = delete;
  ~ScratchOffice() { quit(); }

  const office::OfficeOptions& options() const { return options_; }

  // The office, started when none listens on the pipe.
  office::Office& office() {
    if (!office_) {
      std::string why;
      office_ = office::Office::attachOrStart(options_, &why);
      if (!office_) throw std::runtime_error("LibreOffice did not start: " + why);
    }
    return *office_;
  }
  // Drops the connection (routines of the installer attach on their own).
  void detach() { office_.reset(); }

  // Quits the office; one that will not quit, or hangs on its way out, is killed.
  void quit() {
    if (!office_) office_ = office::Office::attach(options_);
    if (office_) {
      std::string why;
      if (!office_->quit(&why))
        std::fprintf(stderr, "LibreOffice of %s did not quit: %s\n", options_.profile.c_str(),
                     why.c_str());
      office_.reset();
    }
    for (int i = 0; i < 40; ++i) {
      if (!running()) return;
      usleep(250 * 1000);
    }
    std::fprintf(stderr, "LibreOffice of %s is still running: killed\n", options_.profile.c_str());
    if (std::system(("pkill -KILL -f -- " + pattern()).c_str()) != 0)
      std::fprintf(stderr, "pkill found nothing\n");
  }

  // Whether the processes of this office are all gone within `seconds` (the launcher may end
  // a moment after the office it waited for, on a loaded machine).
  bool goneWithin(int seconds) const {
    for (int i = 0; i < seconds * 10; ++i) {
      if (!running()) return true;
      usleep(100 * 1000);
    }
    return !running();
  }

  // Whether a process of this office (one given its pipe) runs.
  bool running() const {
    return std::system(("pgrep -f -- " + pattern() + " > /dev/null").c_str()) == 0;
  }

 private:
  // "[n]": the pattern does not match the shell that runs pgrep with it.
  std::string pattern() const { return "'[n]ame=" + options_.pipe + ";'"; }

 public:
 private:
  office::OfficeOptions options_;
  std::unique_ptr<office::Office> office_;
};

// A new hidden document of a factory ("swriter", "scalc", "simpress").
inline office::Object newDocument(office::Office& o, const std::string& factory) {
  return o.desktop().callObject("loadComponentFromURL",
                                {office::text("private:factory/" + factory), office::text("_blank"),
                                 office::Any(sal_Int32(0)),
                                 office::Any(office::properties({{"Hidden", office::Any(true)}}))});
}

// Runs a macro of the installed add-in with arguments; its result.
inline office::Any runMacro(office::Office& o, const std::string& name,
                            std::initializer_list<office::Any> args) {
  return office::runMacro(o, name, args);
}

// One text run: its text (UTF-8), font, and whether it is bold or italic.
struct TextRun {
  std::string text, font;
  bool bold = false, italic = false;
  bool operator==(const TextRun&) const = default;
};

// The text runs of a text (paragraph by paragraph; paragraphs joined by "\n" runs).
inline std::vector<TextRun> runsOf(office::Office& o, const office::Object& text) {
  std::vector<TextRun> runs;
  const office::Object paragraphs = text.callObject("createEnumeration");
  bool first = true;
  while (paragraphs.call("hasMoreElements").get<bool>()) {
    const office::Object par = o.wrap(paragraphs.call("nextElement"));
    if (!par.has("createEnumeration")) continue;
    if (!first) runs.push_back({"\n", ""});
    first = false;
    const office::Object portions = par.callObject("createEnumeration");
    while (portions.call("hasMoreElements").get<bool>()) {
      const office::Object portion = o.wrap(portions.call("nextElement"));
      if (portion.has("TextPortionType") && office::utf8(portion.get("TextPortionType")) != "Text")
        continue;
      float weight = 0;
      portion.get("CharWeight") >>= weight;
      com::sun::star::awt::FontSlant slant = com::sun::star::awt::FontSlant_NONE;
      portion.get("CharPosture") >>= slant;
      runs.push_back({office::utf8(portion.call("getString")),
                      office::utf8(portion.get("CharFontName")), weight >= 150.0f,
                      slant == com::sun::star::awt::FontSlant_ITALIC});
    }
  }
  return runs;
}

}  // namespace ts::testing
