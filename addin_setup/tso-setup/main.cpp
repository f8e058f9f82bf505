// tso-setup: installs the Tessaro add-in into LibreOffice Writer, Calc and Impress.  Without
// arguments it opens its window; with them it works on the terminal:
//   tso-setup --install writer|calc|impress|all   clean up earlier versions, install this one
//   tso-setup --remove                            remove everything the add-in added
#include <getopt.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "ts/office/installer.hpp"
#include "ts/platform/messages.hpp"
#include "ts/platform/options.hpp"

#ifdef TS_WITH_WINDOW
#include "setup_window.hpp"
#endif

namespace {

using ts::office::App;

void usage() {
  std::fputs(
      ts::platform::tr(
          "Usage: tso-setup                       open the installer's window\n"
          "       tso-setup --install APP [OPTION...]\n"
          "       tso-setup --remove [OPTION...]\n"
          "Installs the Tessaro add-in (Tessaro_O21.oxt) into LibreOffice, after removing what\n"
          "earlier versions left; APP is writer, calc, impress or all.  --remove takes away\n"
          "everything the add-in added.  Each step is printed; the exit status is 0 when the\n"
          "add-in ended up installed (or, with --remove, wholly removed).\n"
          "\n"
          "  --headless        start LibreOffice without windows when it is not running,\n"
          "                    and quit it at the end\n"
          "  --profile DIR     a LibreOffice user profile of its own (default: the user's)\n"
          "  --pipe NAME       the pipe LibreOffice listens on (default tessaro-setup-UID)\n"
          "  --close-unsaved   when LibreOffice must be quit and holds documents not saved,\n"
          "                    close them without saving (by default nothing is quit then,\n"
          "                    and the run stops with status 1)\n"
          "  --addin-dir DIR   where Tessaro_O21.oxt and its icons lie\n"
          "                    (default: $TESSARO_ADDIN_DIR, else PREFIX/share/tessaro)\n"
          "  -h, --help        this text\n"),
      stdout);
}

[[noreturn]] void usageError(const std::string& message) {
  std::fprintf(stderr, "tso-setup: %s\nTry 'tso-setup --help'.\n", message.c_str());
  std::exit(2);
}

void printStep(const ts::office::Step& step) {
  if (step.ok)
    std::printf("  ok      %s\n", step.what.c_str());
  else
    std::printf("  FAILED  %s: %s\n", step.what.c_str(), step.error.c_str());
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  ts::platform::initMessages();
  // A reader that stops reading does not stop an installation half way.
  signal(SIGPIPE, SIG_IGN);
  ts::office::OfficeOptions options;
#ifdef TS_WITH_WINDOW
  if (argc == 1) return ts::office::window::runWindow(argc, argv, options);
#endif
  enum { kInstall = 1000, kRemove, kHeadless, kProfile, kPipe, kAddinDir, kCloseUnsaved };
  static const char kShortOptions[] = "h";
  static const option kOptions[] = {{"install", required_argument, nullptr, kInstall},
                                    {"remove", no_argument, nullptr, kRemove},
                                    {"headless", no_argument, nullptr, kHeadless},
                                    {"profile", required_argument, nullptr, kProfile},
                                    {"pipe", required_argument, nullptr, kPipe},
                                    {"addin-dir", required_argument, nullptr, kAddinDir},
                                    {"close-unsaved", no_argument, nullptr, kCloseUnsaved},
                                    {"help", no_argument, nullptr, 'h'},
                                    {nullptr, 0, nullptr, 0}};
  std::vector<App> apps;
  bool remove = false;
  std::string folder = ts::office::addinFolder();
  opterr = 0;
  for (;;) {
    const int c = getopt_long(argc, argv, kShortOptions, kOptions, nullptr);
    if (c == -1) break;
    switch (c) {
      case kInstall: {
        const std::string a = optarg;
        if (a == "writer")
          apps.push_back(App::kWriter);
        else if (a == "calc")
          apps.push_back(App::kCalc);
        else if (a == "impress")
          apps.push_back(App::kImpress);
        else if (a == "all")
          apps.insert(apps.end(), {App::kWriter, App::kCalc, App::kImpress});
        else
          usageError(ts::platform::formatted(
              ts::platform::tr("--install takes writer, calc, impress or all, not '%s'"), a.c_str()));
        break;
      }
      case kRemove: remove = true; break;
      case kHeadless: options.headless = true; break;
      case kProfile: options.profile = std::filesystem::absolute(optarg).string(); break;
      case kPipe: options.pipe = optarg; break;
      case kAddinDir: folder = std::filesystem::absolute(optarg).string(); break;
      case kCloseUnsaved: options.closeUnsaved = true; break;
      case 'h': usage(); return 0;
      default: usageError(ts::platform::optionError(argv, kShortOptions, kOptions));
    }
  }
  if (optind < argc)
    usageError(ts::platform::formatted(ts::platform::tr("unexpected argument '%s'"), argv[optind]));
  if (remove == !apps.empty()) usageError(ts::platform::tr("give either --install APP or --remove"));

  ts::office::StepLog log(printStep);
  // An office without windows that this command starts has nothing to show afterwards: it is
  // quit at the end rather than left running unseen.  One that already ran stays.
  const bool quitAtEnd = options.headless && ts::office::Office::attach(options) == nullptr;
  const auto quitIfStarted = [&] {
    if (quitAtEnd) ts::office::Routines(options, folder, log).quitRunning();
  };
  if (remove) {
    std::printf("Removing the Tessaro add-in from LibreOffice\n");
    const bool ok = ts::office::removeAddin(options, folder, log);
    quitIfStarted();
    std::printf("%s\n", ok ? "The add-in is removed." : "The add-in was NOT wholly removed.");
    return ok ? 0 : 1;
  }
  bool all = true;
  for (std::size_t i = 0; i < apps.size(); ++i) {
    std::printf("%s\n", ts::platform::formatted(ts::platform::tr("Installing TS-%s"),
                                                ts::office::appCaption(apps[i]))
                           .c_str());
    std::vector<std::string> held;
    const std::size_t before = log.steps().size();
    const bool installed = ts::office::installInto(apps[i], options, folder, log, {}, &held);
    // An add-in file that could not be installed (the one installed before kept) fails the run.
    bool replaced = true;
    for (std::size_t s = before; s < log.steps().size(); ++s)
      if (!log.steps()[s].ok && log.steps()[s].what.rfind("Install the add-in", 0) == 0)
        replaced = false;
    if (!held.empty()) {
      // The user's unsaved work keeps LibreOffice running: nothing more is done.
      std::printf("%s\n", ts::office::statusAfterRun(apps[i], false).c_str());
      std::fprintf(stderr,
                   "tso-setup: LibreOffice holds documents not saved, so it was not quit:\n");
      for (const auto& name : held) std::fprintf(stderr, "  %s\n", name.c_str());
      std::fprintf(stderr,
                   "tso-setup: save them and run again, or give --close-unsaved to close them "
                   "without saving\n");
      return 1;
    }
    if (i + 1 == apps.size()) quitIfStarted();  // the last line says how it ended
    std::printf("%s\n", ts::office::statusAfterRun(apps[i], installed).c_str());
    all = all && installed && replaced;
  }
  return all ? 0 : 1;
}
