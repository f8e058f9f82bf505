// tsweb: the web, RTF and text file converter.  With arguments it runs the batch job over
// the pages and folders named, without a window:
//   tsweb [--from CHARSET] [--to CHARSET] [--format FORMAT] PATH...
#include <getopt.h>
#include <signal.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "ts/catalogue.hpp"
#include "ts/converter.hpp"
#include "ts/forms.hpp"
#include "ts/office/packages.hpp"
#include "ts/platform/messages.hpp"
#include "ts/platform/options.hpp"
#include "ts/platform/progress_bar.hpp"
#include "ts/text_utils.hpp"
#include "ts/web/batch_job.hpp"
#ifdef TS_WITH_WINDOW
#include "web_window.hpp"
#endif
#ifdef TS_WITH_OFFICE
#include "ts/office/addin.hpp"
#include "ts/office/documents.hpp"
#endif

namespace {

constexpr int kWebCatalogue = ts::kWebOptions.lastCode;

using ts::platform::tf;

[[noreturn]] void usageError(const std::string& message) {
  std::fprintf(stderr, "tsweb: %s (tsweb --help)\n", message.c_str());
  std::exit(2);
}

void usage() {
  std::fputs(
      ts::platform::tr(
          "Usage: tsweb [--from CHARSET] [--to CHARSET] [--format FORMAT] PATH...\n"
          "       tsweb --list-charsets | --list-formats\n"
          "Converts web pages (.htm, .html, .shtml), text files (.txt), RTF documents (.rtf) and\n"
          "office documents (.docx, .xlsx, .pptx, .odt, .ods, .odp, .doc, .xls, .ppt) in place,\n"
          "and every one in the folder trees named, keeping each file's original as FILE.bak.\n"
          "RTF and office documents' runs are read in the charsets their fonts say; .docx,\n"
          ".xlsx, .pptx and the OpenDocument files are converted in their own XML, the binary\n"
          ".doc, .xls and .ppt in a headless LibreOffice of tsweb's own, with the office add-in,\n"
          "started once per run.  One without legacy text is left without a backup.\n"
          "\n"
          "  -f, --from=CHARSET    charset of the pages (default 15, TCVN3 - ABC); auto reads\n"
          "                        each page's own, carried forms (tcvn3+utf8) included, and\n"
          "                        leaves a page that reads as none confidently\n"
          "  -t, --to=CHARSET      charset to convert to (default 39, VN Unicode 1: UTF-8\n"
          "                        pages with the default format; utf8 names it too)\n"
          "      --force           convert pages and files that read as good Unicode too\n"
          "                        (a named source leaves them: \"UTF-8 already\")\n"
          "  -F, --format=FORMAT   output format (default \"html - utf8\" for the Unicode\n"
          "                        charsets 39 and 40, otherwise \"html - 8-bit\")\n"
          "      --type=text       the files named are text files, whatever their names\n"
          "  -j, --jobs=N          convert N office documents at a time, each in an office of\n"
          "                        its own (default 1)\n"
          "      --list-charsets   list the charsets 1 to 40\n"
          "      --list-formats    list the output formats\n"
          "\n"
          "CHARSET is a code or a name as tsconv takes it.  Ctrl-C finishes the file under way.\n"
          "Exit status: 0 when every page converted, 1 when any did not, 2 for bad arguments,\n"
          "128 + the signal after a stop.\n"),
      stdout);
}

int charset(const char* name, bool source) {
  std::string why;
  const std::optional<int> form = ts::web::webCharset(name, source, why);
  if (!form) usageError(why);
  return *form;
}

volatile std::sig_atomic_t stopSignal = 0;
void onSignal(int sig) { stopSignal = sig; }

// A progress bar per page on a terminal.
class Terminal : public ts::web::JobObserver {
 public:
  // Ctrl-C, a hang-up or a termination: the page under way is finished, the converted ones
  // get their names back, and the office started for the run is quit.
  bool stopRequested() override { return stopSignal != 0; }

  void pageStarted(const std::string& path, std::uint64_t, const std::string&) override {
    end();
    name_ = std::filesystem::path(path).filename().string();
    ticks_ = 0;
    draw();
  }
  void tick() override {
    ++ticks_;
    if (ticks_ <= ts::web::kMinimumTicks) draw();
  }
  void pageFailed(const std::string& path, const std::string& why) override {
    end();
    std::fprintf(stderr, "tsweb: %s: %s\n", path.c_str(), why.c_str());
  }
  void pageSkipped(const std::string& path, const std::string& why) override {
    end();
    std::fprintf(stderr, "tsweb: %s: skipped: %s\n", path.c_str(), why.c_str());
  }
  void pageReadAs(const std::string& path, const std::string& what) override {
    end();
    std::fprintf(stderr, "tsweb: %s: read as %s\n", path.c_str(), what.c_str());
  }
  void message(const std::string& text) override {
    end();
    std::printf("%s\n", text.c_str());
  }
  void end() { bar_.end(); }

 private:
  void draw() { bar_.draw(ts::web::progressPosition(ticks_), name_); }

  ts::platform::ProgressBar bar_;
  std::string name_;
  std::uint64_t ticks_ = 0;
};

// Office documents through LibreOffices of tsweb's own, one for each worker of the job,
// started at its first document and quit at the end of the program; none where the office
// add-in was not built.
struct OfficeDocuments {
#ifdef TS_WITH_OFFICE
  ts::office::DocumentPool pool{ts::office::addinFolder()};
#endif
  // Word's packages in their own XML; the other documents through LibreOffice, where the
  // add-in was built.
  std::function<ts::web::DocumentResult(const std::string&, const std::string&,
                                        const ts::web::ConvertSettings&)>
  hook() {
    return [this](const std::string& from, const std::string& to,
                  const ts::web::ConvertSettings& settings) {
      std::string name = from;  // the document's own name, not its backup's
      if (name.ends_with(".bak")) name.resize(name.size() - 4);
      if (ts::office::convertsDirectly(name)) return direct(from, to, name, settings);
      return viaOffice(from, to, settings);
    };
  }

  static ts::web::DocumentResult direct(const std::string& from, const std::string& to,
                                        const std::string& name,
                                        const ts::web::ConvertSettings& settings) {
    const bool named = settings.source != ts::web::kAutoSource;
    const ts::office::PackageOutcome o =
        ts::office::convertPackage(from, to, name, named ? ts::formCharset(settings.source) : 0,
                                   settings.destination, settings.force);
    ts::web::DocumentResult r;
    r.why = o.why;
    r.notes = o.notes;
    r.kind = o.kind == ts::office::PackageOutcome::kConverted ? ts::web::DocumentResult::kConverted
             : o.kind == ts::office::PackageOutcome::kNothingToConvert
                 ? ts::web::DocumentResult::kNothingToConvert
                 : ts::web::DocumentResult::kFailed;
    return r;
  }

  ts::web::DocumentResult viaOffice(const std::string& from, const std::string& to,
                                    const ts::web::ConvertSettings& settings) {
#ifdef TS_WITH_OFFICE
    // Each run is read in the charset its font names; runs whose font names none are read
    // as a source the user named, and left with --from auto.
    const bool named = settings.source != ts::web::kAutoSource;
    const ts::office::DocumentOutcome o =
        pool.convert(from, to, named ? ts::formCharset(settings.source) : ts::kTcvn3,
                     settings.destination, named);
    ts::web::DocumentResult r;
    r.why = o.why;
    r.notes = o.notes;
    switch (o.kind) {
      case ts::office::DocumentOutcome::kConverted:
        r.kind = ts::web::DocumentResult::kConverted;
        break;
      case ts::office::DocumentOutcome::kNothingToConvert:
        r.kind = ts::web::DocumentResult::kNothingToConvert;
        break;
      default: r.kind = ts::web::DocumentResult::kFailed;
    }
    return r;
#else
    (void)from, (void)to, (void)settings;
    ts::web::DocumentResult r;
    r.kind = ts::web::DocumentResult::kLeft;
    r.why = "an office document: converted where LibreOffice and the office add-in are installed";
    return r;
#endif
  }
};

// What the command line asks.
struct Options {
  int from = ts::kTcvn3, to = ts::kDecimalEsc;
  const ts::web::OutputFormat* format = nullptr;
  bool namedText = false, force = false;
  unsigned workers = 1;
  int first = 0;  // the first page or folder named
};

// Reads the options into `o`; an exit status where they were all there is to do.
std::optional<int> parseOptions(int argc, char** argv, Options& o) {
  enum { kListCharsets = 1000, kListFormats, kType, kForce };
  static const ts::platform::CommandLine kCommandLine(
      "ft", "F:j:",
      {{"format", required_argument, nullptr, 'F'},
       {"type", required_argument, nullptr, kType},
       {"force", no_argument, nullptr, kForce},
       {"jobs", required_argument, nullptr, 'j'},
       {"list-charsets", no_argument, nullptr, kListCharsets},
       {"list-formats", no_argument, nullptr, kListFormats}});
  std::optional<int> done;
  ts::platform::SharedOptions shared;
  o.first = kCommandLine.read(
      argc, argv, shared,
      [&](int c, const char* argument) {
        if (done) return;
        switch (c) {
          case 'F':
            o.format = ts::web::findFormat(argument);
            if (o.format == nullptr) usageError(tf("unknown format '%s'", argument));
            break;
          case kForce: o.force = true; break;
          case kType:
            if (std::strcmp(argument, "text") == 0)
              o.namedText = true;
            else if (std::strcmp(argument, "page") != 0)
              usageError(tf("--type takes text or page, not '%s'", argument));
            break;
          case kListCharsets:
            for (int code = 1; code <= kWebCatalogue; ++code)
              std::printf("%s\n", ts::nameLine(code, kWebCatalogue).c_str());
            done = 0;
            break;
          case kListFormats:
            for (const auto& f : ts::web::outputFormats()) std::printf("%s\n", f.name);
            done = 0;
            break;
          case 'j': {
            char* end = nullptr;
            const long n = std::strtol(argument, &end, 10);
            if (*argument == '\0' || *end != '\0' || n < 1 || n > 64)
              usageError(tf("--jobs takes a count from 1 to 64, not '%s'", argument));
            o.workers = static_cast<unsigned>(n);
            break;
          }
        }
      },
      [](const std::string& why) { usageError(why); });
  if (done) return done;
  if (shared.help) {
    usage();
    return 0;
  }
  if (shared.from) o.from = charset(shared.from, true);
  if (shared.to) o.to = charset(shared.to, false);
  return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
  ts::platform::initMessages();
  OfficeDocuments documents;
#ifdef TS_WITH_WINDOW
  if (argc == 1) return ts::web::window::runWindow(argc, argv, documents.hook());
#endif
  Options o;
  if (const std::optional<int> done = parseOptions(argc, argv, o)) return *done;
  if (o.first == argc) usageError(ts::platform::tr("name the pages and folders to convert"));
  const ts::web::OutputFormat* format = o.format ? o.format : &ts::web::defaultFormatFor(o.to);
  const int from = o.from, to = o.to;
  const bool force = o.force;

  ts::web::BatchJob job;
  job.namedFilesAreText = o.namedText;
  job.documents = documents.hook();
  job.documentWorkers = o.workers;
  job.needsNoOffice = [](const std::string& page) { return ts::office::convertsDirectly(page); };
  for (int i = o.first; i < argc; ++i) {
    std::error_code ec;
    const std::filesystem::path p = std::filesystem::absolute(argv[i], ec);
    if (ec) usageError(ts::platform::formatted(ts::platform::tr("cannot use the path '%s'"), argv[i]));
    // A page an interrupted run left as its backup alone is named by its own name.
    if (!std::filesystem::exists(std::filesystem::symlink_status(p)) &&
        !std::filesystem::is_regular_file(p.string() + ".bak"))
      usageError(ts::platform::formatted(ts::platform::tr("no such file or folder: '%s'"), p.string().c_str()));
    job.add(p.lexically_normal().string());
  }
  ts::web::ConvertSettings settings = format->settings(from, to);
  settings.force = force;
  struct sigaction sa {};
  sa.sa_handler = onSignal;
  for (const int sig : {SIGINT, SIGTERM, SIGHUP}) sigaction(sig, &sa, nullptr);
  signal(SIGPIPE, SIG_IGN);  // a reader that stops reading does not stop the pages' conversion
  Terminal terminal;
  const ts::web::JobReport report = job.run(settings, terminal);
  terminal.end();
  if (std::fflush(stdout) != 0 || std::ferror(stdout))
    std::fprintf(stderr, "tsweb: %s\n",
                 tf("standard output was closed; the run went on to its end (%zu failed)",
                    report.failures.size())
                     .c_str());
  if (stopSignal != 0) return 128 + stopSignal;  // stopped: the pages done keep their names
  return report.failures.empty() ? 0 : 1;
}
