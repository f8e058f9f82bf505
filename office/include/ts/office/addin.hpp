// The office add-in as the programs reach it in a LibreOffice: its identity, its macros, and
// its deployment for the user of a profile (the installer and the document converter add it
// the same way).
#pragma once

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "ts/office/office.hpp"

namespace ts::office {

// The extension of this version; the extensions of earlier versions.
inline constexpr const char* kExtensionId = "example.tessaro.Tessaro_O21";
inline constexpr const char* kExtensionFile = "Tessaro_O21.oxt";
inline constexpr const char* kOldExtensionIds[] = {"example.tessaro.tsadd",
                                                   "example.tessaro.TessaroOF"};

// The folder that holds Tessaro_O21.oxt and its icons: $TESSARO_ADDIN_DIR, else
// share/tessaro beside the program's bin folder.
std::string addinFolder();

// The script URL of a macro of the add-in.
std::string macroUrl(const std::string& macro);
// Runs one of the add-in's macros with `args`; its result.
Any runMacro(Office& office, const std::string& macro, std::initializer_list<Any> args);
// The same in two steps: the macro's script, looked up once, then run as often as needed.
Object macroScript(Office& office, const std::string& macro);
Any runScript(const Object& script, std::initializer_list<Any> args);

// Attaches to the office of `options` or starts it, and waits until it answers: an office
// of the profile still on its way out may take a new start on itself and answer for a
// moment, so one that does not answer a second later is left and another started.  Null with
// `why` when none answers.
std::unique_ptr<Office> attachAnswering(const OfficeOptions& options, std::string& why);

// Whether this version's extension is deployed for the user and enabled.
bool extensionRegistered(Office& office);
// Deploys the extension `oxtPath` for the user, in the place of an installed copy; the file
// is looked at first, so that a damaged one leaves the installed add-in.  Throws with the
// reason on failure.
void addExtension(Office& office, const std::string& oxtPath);
// Enables or disables the deployed extension; throws when it is not deployed.
void enableExtension(Office& office, bool enable);
// Removes the user's extension with the identifier `id`, when there is one.
void removeExtension(Office& office, const std::string& id);
// The identifiers of the extensions deployed for the user.
std::vector<std::string> userExtensions(Office& office);

}  // namespace ts::office
