// A run of the installer for one application, as its button or the command line starts it.
#pragma once

#include <string>

#include "ts/office/routines.hpp"

namespace ts::office {

// The clean-up routine, a second's pause, then the setup routine.  True when the add-in is
// installed afterwards.  `confirmClose` is asked before documents not saved would be closed
// (Routines::confirmClose); when it keeps them, the run ends there and `held` names them.
bool installInto(App app, const OfficeOptions& options, const std::string& folder, StepLog& log,
                 const std::function<bool(const std::vector<std::string>&)>& confirmClose = {},
                 std::vector<std::string>* held = nullptr);

// Removes everything the add-in added.  True when none of it is left.
bool removeAddin(const OfficeOptions& options, const std::string& folder, StepLog& log,
                 const std::function<bool(const std::vector<std::string>&)>& confirmClose = {});

// What the status line says after a run: whether the add-in is now installed.
std::string statusAfterRun(App app, bool installed);

}  // namespace ts::office
