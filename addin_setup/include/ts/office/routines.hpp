// The installer's routines on LibreOffice: for each application a clean-up routine that
// removes what earlier versions of the add-in left and a setup routine that installs this
// one, the Impress toolbar and menu builder, and the check whether the add-in is installed.
// Every step runs under an ignore-and-continue policy: a failing step is recorded and the
// next one runs.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "ts/office/addin.hpp"
#include "ts/office/office.hpp"

namespace ts::office {

enum class App { kWriter, kCalc, kImpress };
// "LibreOffice Writer", "LibreOffice Calc", "LibreOffice Impress".
const char* appCaption(App app);
// The module of the application's documents ("com.sun.star.text.TextDocument", ...).
const char* appModule(App app);

// Toolbars and menus of earlier versions, and this version's, by their names.
inline constexpr const char* kOldCommandBars[] = {"TessaroO2.1", "TessaroOF"};
inline constexpr const char* kToolbarName = "Tessaro Tools";
inline constexpr const char* kMenuCaption = "Tess&aro Tools";
inline constexpr const char* kImpressModule = "com.sun.star.presentation.PresentationDocument";

// One item of the Impress toolbar and menu.  Items 1 to 5 go on the toolbar and into the
// menu, 6 to 8 into the menu only.  `macroUrl` runs the macro of that name.
struct ToolItem {
  std::string caption;  // with "&" before the mnemonic, as the office marks it
  std::string macroUrl;
  int faceId = 0;
  std::string shortcut;  // "Alt+U" or empty
  bool beginGroup = false;
};
std::vector<ToolItem> toolItems();
// A caption with the office's "&" mnemonic written as LibreOffice's "~" ("&&" stays "&").
std::string officeLabel(const std::string& caption);

// One step of a routine and how it ended.
struct Step {
  std::string what;
  bool ok = true;
  std::string error;
};

class StepLog {
 public:
  using Listener = std::function<void(const Step&)>;
  explicit StepLog(Listener listener = {}) : listener_(std::move(listener)) {}
  // Runs `work` as one step; a failure (any exception) is recorded and dropped.  True when
  // the step succeeded.
  bool run(const std::string& what, const std::function<void()>& work);
  // Records a step that was not run.
  void skip(const std::string& what, const std::string& reason);
  const std::vector<Step>& steps() const { return steps_; }

 private:
  Listener listener_;
  std::vector<Step> steps_;
};

class Routines {
 public:
  // `addinFolder`: where Tessaro_O21.oxt and the toolbar icons lie.
  Routines(OfficeOptions options, std::string addinFolder, StepLog& log);

  void clean(App app);
  void setup(App app);
  // Removes everything the add-in and its earlier versions added: the extensions, the
  // Impress toolbar and menu, the shortcuts.  Quits an office started for it.
  void removeAll();
  // Quits the office listening on the pipe, when one does.
  void quitRunning();

  // Builds the Impress toolbar "Tessaro Tools" and the menu "Tess&aro Tools" from `items`
  // (eight, in the order of toolItems()).
  void buildToolMenus(Office& office, const std::vector<ToolItem>& items);
  // Adds items 1 to 5 to an item container; its first failing step abandons the rest.
  void addToolItems(Office& office, const Object& container, const std::vector<ToolItem>& items,
                    bool menu);
  // Binds the items' keys (Alt+U, Alt+L) in an application, each where it is free (or ours
  // already); a key the user bound stays theirs, and the log says so.
  void bindShortcuts(Office& office, App app);

  // Whether this version's extension was found installed and enabled by the last routine
  // that looked (every setup routine does, as its last step on the office).
  bool installed() const { return installed_; }

  // Asked when the office to be quit holds documents not saved (their URLs or titles): true
  // closes them without saving, false keeps the office running and the routine's run ends
  // (held() says so).  Without it, OfficeOptions::closeUnsaved answers.
  std::function<bool(const std::vector<std::string>&)> confirmClose;
  // The documents not saved that kept an office from being quit; empty when none did.
  const std::vector<std::string>& held() const { return held_; }

  std::string oxtPath() const;
  std::string iconPath(int faceId) const;
  // The items of this version, the way buildToolMenus() is given them.
  std::vector<ToolItem> items;

 private:
  std::unique_ptr<Office> attachOrStart();
  void quit(std::unique_ptr<Office>& office);
  void removeOldExtensions(Office& office);
  // Deletes the toolbars and menu bar pop-ups titled `names`, but not the toolbar at `keep`.
  void removeCommandBars(Office& office, const char* module, const std::vector<std::string>& names,
                         const std::string& keep = {});
  // The command a key is bound to in an application's own settings (`shortcuts`) or the
  // global ones; empty when it is free.
  static std::string boundCommand(Office& office, const Object& shortcuts, const std::string& key);
  void showApplication(Office& office, App app);
  void checkInstalled(Office& office, App app);

  OfficeOptions options_;
  std::string folder_;
  StepLog& log_;
  bool installed_ = false;
  std::vector<std::string> held_;
};

// The documents of the office that hold changes not saved: their URLs, or titles for new ones.
std::vector<std::string> unsavedDocuments(Office& office);

// Reading an office's UI configuration (tests, and the installer's own checks).
struct UiItem {
  std::string label;
  std::string command;
  bool separator = false;
  std::vector<UiItem> children;  // a pop-up's items
};
// The items of the custom toolbar titled `name` in `module`; empty when there is none.
std::vector<UiItem> toolbarItems(Office& office, const char* module, const std::string& name,
                                 bool* found = nullptr);
// The menu bar of `module`.
std::vector<UiItem> menuBarItems(Office& office, const char* module);
// The command a key is bound to in `module` ("Alt+U"), or empty.
std::string shortcutCommand(Office& office, const char* module, const std::string& key);

}  // namespace ts::office
