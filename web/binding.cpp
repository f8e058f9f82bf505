// The engine for the web page, through embind: conversion as tsconv converts (same options,
// same bytes), detection, the repair of --fix, and files converted as tsweb converts them, in
// the browser's memory.
#include <emscripten/bind.h>
#include <emscripten/val.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "ts/catalogue.hpp"
#include "ts/converter.hpp"
#include "ts/detect.hpp"
#include "ts/forms.hpp"
#include "ts/losses.hpp"
#include "ts/platform/messages.hpp"
#include "ts/repair.hpp"
#include "ts/stream.hpp"
#include "ts/web/batch_job.hpp"
#include "ts/web/convert_settings.hpp"

using emscripten::val;

namespace {

std::string bytesOf(const val& array) {
  const auto data = emscripten::convertJSArrayToNumberVector<std::uint8_t>(array);
  return std::string(data.begin(), data.end());
}

// A copy the page owns (a view into the module's memory would move when it grows).
val arrayOf(std::string_view bytes) {
  const val view(emscripten::typed_memory_view(bytes.size(),
                                               reinterpret_cast<const std::uint8_t*>(bytes.data())));
  return val::global("Uint8Array").new_(view);
}

val failure(const std::string& why) {
  val r = val::object();
  r.set("error", why);
  return r;
}

// A form as tsconv names it: `15 "TCVN3 - ABC"`, `tcvn3+utf8 "TCVN3 - ABC, carried in UTF-8"`.
std::string describe(int form) {
  return ts::formLabel(static_cast<ts::CharsetForm>(form), ts::platform::tr);
}

val guessesOf(const ts::Detection& d) {
  val list = val::array();
  for (const ts::CharsetGuess& g : d.guesses) {
    val codes = val::array();
    val names = val::array();
    for (int c : g.codes) {
      codes.call<void>("push", c);
      names.call<void>("push", describe(c));
    }
    val one = val::object();
    one.set("codes", codes);
    one.set("names", names);
    one.set("confidence", g.confidence);
    list.call<void>("push", one);
  }
  return list;
}

val detect(const val& bytes) {
  const std::string text = bytesOf(bytes);
  const ts::Detection d = ts::detectCharset(std::string_view(text).substr(0, 65536));
  val r = val::object();
  r.set("guesses", guessesOf(d));
  r.set("noVietnameseLetters", d.noVietnameseLetters);
  r.set("confident", !d.guesses.empty() && d.guesses.front().confidence >= ts::kConfidentGuess);
  return r;
}

// Converts as `tsconv -f FROM -t TO` does: letters the destination cannot hold are written in
// a close form, and counted.  `from` may be "auto" (the start of the text decides, as tsconv's
// -f auto; an unsure guess converts nothing and says so).
// `losses`: count what the destination cannot hold, as tsconv --check does (a second pass).
val convert(const val& bytes, const std::string& from, const std::string& to, bool losses) {
  const std::string text = bytesOf(bytes);
  int source = 0;
  val r = val::object();
  if (ts::normalizedName(from) == "auto") {
    const ts::Detection d = ts::detectCharset(std::string_view(text).substr(0, 65536));
    if (d.noVietnameseLetters) {
      source = ts::kTcvn3;
    } else if (d.guesses.empty() || d.guesses.front().confidence < ts::kConfidentGuess) {
      val f = failure("cannot tell the charset of the text (name it)");
      f.set("guesses", guessesOf(d));
      return f;
    } else {
      source = d.guesses.front().codes.front();
    }
    r.set("readAs", describe(source));
  } else {
    source = static_cast<int>(ts::charsetFormByName(from));
    if (source == 0) return failure("unknown charset '" + from + "'");
  }
  const auto destination = ts::charsetFormByName(to);
  if (destination == 0) return failure("unknown charset '" + to + "'");
  if (ts::formLayers(destination) != 0)
    return failure("'" + to + "' is a form text is read in, not written in");
  ts::ConverterState state(ts::kLibraryOptions);
  if (!ts::selectForms(state, static_cast<std::uint32_t>(source), destination)) {
    const int code = ts::formCharset(static_cast<ts::CharsetForm>(source));
    const int bad = ts::hasLetterTable(ts::readableSource(code)) ? destination : source;
    return failure("charset " + describe(bad) + " has no letter table");
  }
  ts::ForeignCharacters foreign;
  foreign.action = ts::ForeignCharacters::Action::kTransliterate;
  state.watchForeign(&foreign);
  ts::LossCounter counter(static_cast<ts::CharsetForm>(source), destination, false);
  if (losses) {
    counter.feed(text);
    counter.finish();
  }
  ts::StreamConverter stream(state);
  ts::ByteBuffer out;
  stream.feed(text, out);
  stream.finish(out);
  r.set("bytes", arrayOf(out.view()));
  val lost = val::array();
  for (const ts::LossCounter::Loss& l : losses ? counter.losses() : std::vector<ts::LossCounter::Loss>{}) {
    val one = val::object();
    one.set("codePoint", l.codePoint);
    one.set("count", static_cast<double>(l.count));
    switch (l.kind) {
      case ts::LossCounter::Loss::Kind::kLowerCaseCode:
        one.set("kind", std::string("lowerCaseCode"));
        one.set("as", l.lowerCase);
        break;
      case ts::LossCounter::Loss::Kind::kReplaced:
        one.set("kind", std::string("replaced"));
        one.set("as", std::string(l.replacement));
        break;
      case ts::LossCounter::Loss::Kind::kDropped: one.set("kind", std::string("dropped")); break;
    }
    lost.call<void>("push", one);
  }
  r.set("losses", lost);
  r.set("destination", describe(static_cast<int>(destination)));
  return r;
}

// Repairs UTF-8 as `tsconv --fix` does.
val fix(const std::string& text) {
  ts::TextRepairer repairer;
  std::string out;
  repairer.repair(text, out);
  val r = val::object();
  r.set("text", out);
  std::uint64_t words = 0;
  for (const auto& [form, count] : repairer.repaired()) words += count;
  r.set("repaired", static_cast<double>(words));
  r.set("undecided", static_cast<double>(repairer.left().undecided));
  r.set("unsure", static_cast<double>(repairer.left().unsure));
  return r;
}

// The charsets, for the page's lists: code, name, short name.
val charsets() {
  val list = val::array();
  for (int c = 1; c <= ts::kCatalogueSize; ++c) {
    val one = val::object();
    one.set("code", c);
    one.set("name", std::string(ts::charsetName(c)));
    one.set("short", ts::formShortName(static_cast<ts::CharsetForm>(c)));
    one.set("letters", ts::hasLetterTable(c));
    list.call<void>("push", one);
  }
  return list;
}

// Tells the page how far the file has come: `progress(ticks)`, about 50 for a file.
struct Ticks : ts::web::JobObserver {
  explicit Ticks(val progress) : progress_(std::move(progress)) {}
  void tick() override {
    if (progress_.typeOf().as<std::string>() == "function") progress_(static_cast<double>(++ticks_));
  }
  val progress_;
  std::uint64_t ticks_ = 0;
};

// Converts one file as `tsweb -f FROM -t TO NAME` does, in a folder of the module's memory:
// the converted bytes and tsweb's report.
val convertFile(const std::string& name, const val& bytes, const std::string& from,
                const std::string& to, val progress) {
  std::string why;
  const std::optional<int> source = ts::web::webCharset(from, true, why);
  if (!source) return failure(why);
  const std::optional<int> destination = ts::web::webCharset(to, false, why);
  if (!destination) return failure(why);
  const std::string base = std::filesystem::path(name).filename().string();
  if (base.empty() || base == "." || base == "..") return failure("no file name");
  std::filesystem::remove_all("/job");
  std::filesystem::create_directories("/job");
  const std::string path = "/job/" + base;
  {
    const std::string data = bytesOf(bytes);
    std::ofstream(path, std::ios::binary).write(data.data(), static_cast<std::streamsize>(data.size()));
  }
  ts::web::BatchJob job;
  job.add(path);
  const ts::web::ConvertSettings settings =
      ts::web::defaultFormatFor(*destination).settings(*source, *destination);
  Ticks ticks(std::move(progress));
  const ts::web::JobReport report = job.run(settings, ticks);
  std::ifstream in(path, std::ios::binary);
  const std::string converted((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::filesystem::remove_all("/job");
  val r = val::object();
  r.set("bytes", arrayOf(converted));
  r.set("converted", report.pages == 1);
  std::string text = report.text;  // names the file, not the folder it was converted in
  for (std::size_t at; (at = text.find("/job/")) != std::string::npos;) text.erase(at, 5);
  r.set("report", text);
  val failures = val::array();
  for (const auto& f : report.failures) failures.call<void>("push", f.why);
  for (const auto& f : report.skipped) failures.call<void>("push", f.why);
  r.set("left", failures);
  return r;
}

}  // namespace

// The language of the reports convertFile gives ("vi", "en"): the catalogue is embedded at
// /locale.
void setLanguage(const std::string& language) {
  ts::platform::setMessageLanguage(language, "/locale");
}

EMSCRIPTEN_BINDINGS(tessaro) {
  emscripten::function("detect", &detect);
  emscripten::function("convert", &convert);
  emscripten::function("fix", &fix);
  emscripten::function("charsets", &charsets);
  emscripten::function("convertFile", &convertFile);
  emscripten::function("setLanguage", &setLanguage);
}
