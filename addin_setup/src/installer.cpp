#include "ts/office/installer.hpp"

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "ts/platform/messages.hpp"

namespace ts::office {

bool installInto(App app, const OfficeOptions& options, const std::string& folder, StepLog& log,
                 const std::function<bool(const std::vector<std::string>&)>& confirmClose,
                 std::vector<std::string>* held) {
  Routines routines(options, folder, log);
  routines.confirmClose = confirmClose;
  routines.clean(app);
  if (!routines.held().empty()) {  // the user's unsaved work keeps the office: nothing more
    if (held != nullptr) *held = routines.held();
    log.skip(std::string("Set up ") + appCaption(app), "LibreOffice was not quit");
    return false;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(1000));
  routines.setup(app);
  return routines.installed();
}

bool removeAddin(const OfficeOptions& options, const std::string& folder, StepLog& log,
                 const std::function<bool(const std::vector<std::string>&)>& confirmClose) {
  Routines routines(options, folder, log);
  routines.confirmClose = confirmClose;
  routines.removeAll();
  for (const auto& step : log.steps())
    if (!step.ok) return false;
  return true;
}

std::string statusAfterRun(App app, bool installed) {
  return platform::formatted(installed ? platform::tr("TS- installed in %s")
                                       : platform::tr("TS- NOT installed in %s"),
                             appCaption(app));
}

}  // namespace ts::office
