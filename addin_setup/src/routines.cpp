#include "ts/office/routines.hpp"

#include <unistd.h>
#include <com/sun/star/awt/Key.hpp>
#include <com/sun/star/awt/KeyEvent.hpp>
#include <com/sun/star/awt/KeyModifier.hpp>
#include <com/sun/star/beans/Ambiguous.hpp>
#include <com/sun/star/beans/NamedValue.hpp>
#include <com/sun/star/beans/Optional.hpp>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/container/NoSuchElementException.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/reflection/InvocationTargetException.hpp>
#include <com/sun/star/deployment/XPackage.hpp>
#include <com/sun/star/graphic/XGraphic.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/ui/ItemType.hpp>
#include <com/sun/star/ui/UIElementType.hpp>
#include <com/sun/star/uno/RuntimeException.hpp>
#include <com/sun/star/uno/Sequence.hxx>

#include <algorithm>
#include <chrono>
#include <thread>

namespace ts::office {

using css::beans::PropertyValue;
using css::uno::Reference;
using css::uno::Sequence;

namespace {

constexpr const char* kMenuBarUrl = "private:resource/menubar/menubar";
constexpr const char* kToolbarUrl = "private:resource/toolbar/custom_tessaro_tools";
constexpr const char* kPopupCommand = "vnd.tessaro:TessaroTools";
constexpr const char* kWriterModule = "com.sun.star.text.TextDocument";
constexpr const char* kCalcModule = "com.sun.star.sheet.SpreadsheetDocument";

[[noreturn]] void fail(const std::string& message) {
  throw css::uno::RuntimeException(ou(message));
}

void setProp(Sequence<PropertyValue>& seq, const char* name, const Any& value) {
  for (sal_Int32 i = 0; i < seq.getLength(); ++i)
    if (seq[i].Name.equalsAscii(name)) {
      seq.getArray()[i].Value = value;
      return;
    }
  const sal_Int32 n = seq.getLength();
  seq.realloc(n + 1);
  seq.getArray()[n].Name = rtl::OUString::createFromAscii(name);
  seq.getArray()[n].Value = value;
}

std::string withoutTilde(const std::string& label) {
  std::string s;
  for (const char c : label)
    if (c != '~') s += c;
  return s;
}

bool fileExists(const std::string& path) { return access(path.c_str(), R_OK) == 0; }

Object uiManager(Office& office, const char* module) {
  return office.service("com.sun.star.ui.ModuleUIConfigurationManagerSupplier")
      .callObject("getUIConfigurationManager", {Any(rtl::OUString::createFromAscii(module))});
}

// Reads an item container into UiItems.
std::vector<UiItem> readItems(Office& office, const Any& container) {
  std::vector<UiItem> items;
  Reference<css::container::XIndexAccess> access;
  if (!(container >>= access) || !access.is()) return items;
  for (sal_Int32 i = 0; i < access->getCount(); ++i) {
    Sequence<PropertyValue> p;
    access->getByIndex(i) >>= p;
    UiItem item;
    sal_Int16 type = 0;
    property(p, "Type") >>= type;
    item.separator = type != css::ui::ItemType::DEFAULT;
    item.label = utf8(property(p, "Label"));
    item.command = utf8(property(p, "CommandURL"));
    item.children = readItems(office, property(p, "ItemDescriptorContainer"));
    items.push_back(std::move(item));
  }
  return items;
}

bool sameItems(const std::vector<UiItem>& a, const std::vector<UiItem>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a[i].label != b[i].label || a[i].command != b[i].command ||
        a[i].separator != b[i].separator || !sameItems(a[i].children, b[i].children))
      return false;
  return true;
}

// The URLs our toolbar may have: its own and, where the office still holds a removal of that
// one from this session (an insertion there then takes no effect), the next ones.
// The toolbar of the extension's Addons.xcu, as the office names it.
constexpr const char* kAddonToolbarUrl =
    "private:resource/toolbar/addon_example.tessaro.Tessaro_O21.toolbar";

std::vector<std::string> ourToolbarUrls() {
  std::vector<std::string> urls{kToolbarUrl};
  for (int n = 2; n <= 9; ++n) urls.push_back(std::string(kToolbarUrl) + "_" + std::to_string(n));
  return urls;
}

// The resource URLs of the custom toolbars titled `name` (the office does not list a custom
// toolbar made in the running session: ours are looked for by their URLs too).
std::vector<std::string> toolbarUrls(Office& office, const Object& manager,
                                     const std::string& name) {
  Sequence<Sequence<PropertyValue>> infos;
  manager.call("getUIElementsInfo", {Any(css::ui::UIElementType::TOOLBAR)}) >>= infos;
  std::vector<std::string> candidates = ourToolbarUrls();
  for (const auto& info : infos) {
    const std::string url = utf8(property(info, "ResourceURL"));
    if (url.rfind("private:resource/toolbar/custom_", 0) == 0 &&
        std::find(candidates.begin(), candidates.end(), url) == candidates.end())
      candidates.push_back(url);
  }
  std::vector<std::string> urls;
  for (const auto& url : candidates) {
    if (!manager.call("hasSettings", {text(url)}).get<bool>()) continue;
    const Object settings = office.wrap(manager.call("getSettings", {text(url), Any(false)}));
    if (!settings.empty() && settings.has("UIName") && utf8(settings.get("UIName")) == name)
      urls.push_back(url);
  }
  return urls;
}

bool isOurs(const std::string& url) {
  const auto ours = ourToolbarUrls();
  return std::find(ours.begin(), ours.end(), url) != ours.end();
}

// "Alt+U" as a key event.
css::awt::KeyEvent keyEvent(const std::string& key) {
  css::awt::KeyEvent e;
  const auto plus = key.rfind('+');
  const char letter = plus == std::string::npos || plus + 2 != key.size() ? 0 : key[plus + 1];
  if (letter < 'A' || letter > 'Z') fail("no key " + key);
  e.KeyCode = static_cast<sal_Int16>(css::awt::Key::A + (letter - 'A'));
  const std::string mods = key.substr(0, plus);
  if (mods.find("Alt") != std::string::npos) e.Modifiers |= css::awt::KeyModifier::MOD2;
  if (mods.find("Ctrl") != std::string::npos) e.Modifiers |= css::awt::KeyModifier::MOD1;
  if (mods.find("Shift") != std::string::npos) e.Modifiers |= css::awt::KeyModifier::SHIFT;
  return e;
}

// The command `key` is bound to in a shortcut configuration; empty when it is bound to none
// there (the office says so with NoSuchElementException).  Any other failure is thrown.
std::string commandOf(const Object& config, const Any& event) {
  try {
    return utf8(config.call("getCommandByKeyEvent", {event}));
  } catch (const css::container::NoSuchElementException&) {
    return {};
  } catch (const css::reflection::InvocationTargetException& e) {
    if (e.TargetException.getValueType() ==
        cppu::UnoType<css::container::NoSuchElementException>::get())
      return {};
    throw;
  }
}

}  // namespace

// ---- names and items ---------------------------------------------------------------------

const char* appCaption(App app) {
  switch (app) {
    case App::kWriter: return "LibreOffice Writer";
    case App::kCalc: return "LibreOffice Calc";
    case App::kImpress: return "LibreOffice Impress";
  }
  return "";
}

const char* appModule(App app) {
  switch (app) {
    case App::kWriter: return kWriterModule;
    case App::kCalc: return kCalcModule;
    case App::kImpress: return kImpressModule;
  }
  return "";
}

std::vector<ToolItem> toolItems() {
  return {
      {"&Kiem tra chinh ta tieng Viet...", macroUrl("VNSpell"), 2566, "", false},
      {"Chuyen chu hoa", macroUrl("tschangeCaseU"), 252, "Alt+U", false},
      {"Chuyen chu thuong", macroUrl("tschangeCaseL"), 252, "Alt+L", false},
      {"&Chuyen ma/font van ban... ", macroUrl("tsConvert"), 13, "", true},
      {"Tessaro &Panel... ", macroUrl("Tessaro"), 2892, "", true},
      {"Huong dan su dung", macroUrl("TessaroHelp"), 1589, "", false},
      {"Dong &Gop y kien...", macroUrl("tessaroweb"), 1589, "", false},
      {"https://tessaro.example/", macroUrl("tessaroweb"), 3021, "", false},
  };
}

std::string officeLabel(const std::string& caption) {
  std::string s;
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] != '&') {
      s += caption[i] == '~' ? std::string("~~") : std::string(1, caption[i]);
    } else if (i + 1 < caption.size() && caption[i + 1] == '&') {
      s += '&';
      ++i;
    } else {
      s += '~';
    }
  }
  return s;
}

// ---- StepLog -----------------------------------------------------------------------------

bool StepLog::run(const std::string& what, const std::function<void()>& work) {
  Step step{what, true, {}};
  try {
    work();
  } catch (...) {
    step.ok = false;
    step.error = currentError();
  }
  steps_.push_back(step);
  if (listener_) listener_(step);
  return step.ok;
}

void StepLog::skip(const std::string& what, const std::string& reason) {
  Step step{what + " (skipped: " + reason + ")", true, {}};
  steps_.push_back(step);
  if (listener_) listener_(step);
}

// ---- Routines ----------------------------------------------------------------------------

Routines::Routines(OfficeOptions options, std::string addinFolder, StepLog& log)
    : items(toolItems()),
      options_(std::move(options)),
      folder_(std::move(addinFolder)),
      log_(log) {}

std::string Routines::oxtPath() const { return folder_ + "/" + kExtensionFile; }

std::string Routines::iconPath(int faceId) const {
  return folder_ + "/icons/face-" + std::to_string(faceId) + ".png";
}

std::unique_ptr<Office> Routines::attachOrStart() {
  std::unique_ptr<Office> office;
  log_.run("Attach to LibreOffice or start it", [&] {
    std::string why;
    office = attachAnswering(options_, why);
    if (!office) fail(why);
  });
  return office;
}

std::vector<std::string> unsavedDocuments(Office& office) {
  std::vector<std::string> names;
  const Object documents =
      office.desktop().callObject("getComponents").callObject("createEnumeration");
  while (documents.call("hasMoreElements").get<bool>()) {
    const Object document = office.wrap(documents.call("nextElement"));
    if (document.empty() || !document.has("isModified") || !document.call("isModified").get<bool>())
      continue;
    std::string name = document.has("getURL") ? utf8(document.call("getURL")) : std::string();
    if (name.empty() && document.has("getTitle")) name = utf8(document.call("getTitle"));
    if (name.empty()) {
      // A new document: its window's title ("Untitled 1").
      const Object controller = document.getObject("CurrentController");
      if (!controller.empty()) name = utf8(controller.getObject("Frame").get("Title"));
    }
    names.push_back(name.empty() ? "a document without a name" : name);
  }
  return names;
}

void Routines::quit(std::unique_ptr<Office>& office) {
  if (!office) return;
  // The user's work comes first: an office holding documents not saved is not quit unless
  // the user said their changes may go.
  std::vector<std::string> unsaved;
  const bool looked =
      log_.run("Look for documents not saved", [&] { unsaved = unsavedDocuments(*office); });
  if (!looked || !unsaved.empty()) {
    const bool close = looked && (confirmClose ? confirmClose(unsaved) : options_.closeUnsaved);
    if (!close) {
      std::string list;
      for (const auto& name : unsaved) list += (list.empty() ? "" : ", ") + name;
      held_ = looked ? unsaved : std::vector<std::string>{"documents that could not be checked"};
      log_.run("Quit LibreOffice", [&] {
        fail(looked ? "it holds documents not saved: " + list +
                          " (save them, or close them without saving with --close-unsaved)"
                    : "its documents could not be checked for unsaved changes, so it stays");
      });
      office.reset();
      return;
    }
    log_.run("Close the documents not saved, without saving them", [&] {
      const Object documents =
          office->desktop().callObject("getComponents").callObject("createEnumeration");
      while (documents.call("hasMoreElements").get<bool>()) {
        const Object document = office->wrap(documents.call("nextElement"));
        if (document.empty() || !document.has("isModified") ||
            !document.call("isModified").get<bool>())
          continue;
        document.call("setModified", {Any(false)});
        if (document.has("close")) document.call("close", {Any(true)});
      }
    });
  }
  log_.run("Quit LibreOffice", [&] {
    std::string why;
    const bool gone = office->quit(&why);
    if (!gone) fail(why);
  });
  office.reset();  // release wait: the reference is dropped
}

void Routines::quitRunning() {
  auto office = Office::attach(options_);
  quit(office);
}

void Routines::removeOldExtensions(Office& office) {
  for (const char* id : kOldExtensionIds) {
    log_.run(std::string("Remove the earlier add-in ") + id,
             [&] { removeExtension(office, id); });
  }
}

void Routines::removeCommandBars(Office& office, const char* module,
                                 const std::vector<std::string>& names, const std::string& keep) {
  Object manager;
  if (!log_.run(std::string("Open the user interface settings of ") + module,
                [&] { manager = uiManager(office, module); }))
    return;
  bool changed = false;
  for (const auto& name : names) {
    log_.run("Delete the toolbar " + name, [&] {
      for (const auto& url : toolbarUrls(office, manager, name)) {
        if (url == keep) continue;
        manager.call("removeSettings", {text(url)});
        changed = true;
      }
    });
  }
  for (const auto& name : names) {
    log_.run("Delete the menu " + name, [&] {
      const Any settings = manager.call("getSettings", {text(kMenuBarUrl), Any(true)});
      const Object menu = office.wrap(settings);
      bool removed = false;
      for (sal_Int32 i = 0; i < menu.call("getCount").get<sal_Int32>();) {
        Sequence<PropertyValue> p;
        menu.call("getByIndex", {Any(i)}) >>= p;
        if (withoutTilde(utf8(property(p, "Label"))) == name) {
          menu.call("removeByIndex", {Any(i)});
          removed = true;
        } else {
          ++i;
        }
      }
      if (!removed) return;
      // A menu bar that is the default one again is no longer kept in the profile.
      const auto defaults =
          readItems(office, manager.call("getDefaultSettings", {text(kMenuBarUrl)}));
      if (sameItems(readItems(office, settings), defaults))
        manager.call("removeSettings", {text(kMenuBarUrl)});
      else
        manager.call("replaceSettings", {text(kMenuBarUrl), settings});
      changed = true;
    });
  }
  if (changed) log_.run("Store the user interface settings", [&] { manager.call("store"); });
}

void Routines::checkInstalled(Office& office, App app) {
  installed_ = false;
  log_.run("Check that the add-in is installed", [&] {
    if (!extensionRegistered(office))
      fail("the extension " + std::string(kExtensionId) + " is not installed and enabled");
    bool toolbar = false;
    if (app == App::kImpress &&
        toolbarItems(office, kImpressModule, kToolbarName, &toolbar).empty())
      fail(std::string("the toolbar ") + kToolbarName + (toolbar ? " is empty" : " is missing"));
    installed_ = true;
  });
}

void Routines::showApplication(Office& office, App app) {
  log_.run(std::string("Show ") + appCaption(app), [&] {
    Object desktop = office.desktop();
    const Object components = desktop.callObject("getComponents").callObject("createEnumeration");
    while (components.call("hasMoreElements").get<bool>()) {
      const Object doc = office.wrap(components.call("nextElement"));
      if (doc.has("supportsService") &&
          doc.call("supportsService", {Any(rtl::OUString::createFromAscii(appModule(app)))})
              .get<bool>()) {
        doc.getObject("CurrentController").getObject("Frame").call("activate");
        return;
      }
    }
    static const char* const kFactories[] = {"private:factory/swriter", "private:factory/scalc",
                                             "private:factory/simpress"};
    desktop.call("loadComponentFromURL",
                 {Any(rtl::OUString::createFromAscii(kFactories[static_cast<int>(app)])),
                  text("_default"), Any(sal_Int32(0)), Any(Sequence<PropertyValue>())});
  });
}

void Routines::clean(App app) {
  auto office = attachOrStart();
  if (office) {
    removeOldExtensions(*office);
    // Only what earlier versions added goes: their toolbars and menus by name.  The
    // user's own settings stay.
    removeCommandBars(*office, appModule(app), {kOldCommandBars[0], kOldCommandBars[1]});
  }
  quit(office);
}

void Routines::setup(App app) {
  installed_ = false;
  auto office = attachOrStart();
  if (!office) return;
  const bool haveFile = fileExists(oxtPath());
  switch (app) {
    case App::kWriter:
      if (haveFile)
        log_.run(std::string("Install the add-in ") + kExtensionFile,
                 [&] { addExtension(*office, oxtPath()); });
      else
        log_.skip("Install the add-in", "no file " + oxtPath());
      checkInstalled(*office, app);
      if (installed_) bindShortcuts(*office, app);
      showApplication(*office, app);
      break;
    case App::kCalc: {
      log_.run(std::string("Install the add-in ") + kExtensionFile, [&] {
        if (!haveFile) fail("no file " + oxtPath());
        addExtension(*office, oxtPath());
      });
      // Registered afresh: disabled until the office says so (a bounded number of tries),
      // then enabled.
      const auto setEnabled = [&](bool enable) { enableExtension(*office, enable); };
      log_.run("Unregister the add-in", [&] {
        for (int tries = 0; tries < 20; ++tries) {
          setEnabled(false);
          if (!extensionRegistered(*office)) return;
          std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        fail("the add-in stays registered");
      });
      log_.run("Register the add-in", [&] { setEnabled(true); });
      checkInstalled(*office, app);
      if (installed_) bindShortcuts(*office, app);
      quit(office);
      break;
    }
    case App::kImpress:
      if (haveFile) {
        // The toolbar and menu only once their macros are there.
        if (log_.run(std::string("Install the add-in ") + kExtensionFile,
                     [&] { addExtension(*office, oxtPath()); }))
          buildToolMenus(*office, items);
        else
          log_.skip("Build the toolbar and menu", "the add-in is not installed");
      } else {
        log_.skip("Build the toolbar and menu and install the add-in", "no file " + oxtPath());
      }
      checkInstalled(*office, app);
      if (installed_) bindShortcuts(*office, app);
      showApplication(*office, app);
      break;
  }
}

void Routines::addToolItems(Office& office, const Object& container,
                            const std::vector<ToolItem>& list, bool menu) {
  // One step: the first failure abandons the rest of this item set.
  log_.run(std::string("Add the items 1 to 5 to the ") + (menu ? "menu" : "toolbar"), [&] {
    const Object images = uiManager(office, kImpressModule).callObject("getImageManager");
    for (std::size_t n = 0; n < 5 && n < list.size(); ++n) {
      const ToolItem& item = list[n];
      sal_Int32 at = container.call("getCount").get<sal_Int32>();
      if (item.beginGroup) {
        container.call(
            "insertByIndex",
            {Any(at++), Any(properties({{"Type", Any(css::ui::ItemType::SEPARATOR_LINE)}}))});
      }
      // Add, then set the properties one by one, as the command bars were.
      Sequence<PropertyValue> p = properties({{"Type", Any(css::ui::ItemType::DEFAULT)},
                                              {"CommandURL", text("")},
                                              {"Label", text("")},
                                              {"Style", Any(sal_Int16(0))},
                                              {"IsVisible", Any(true)}});
      container.call("insertByIndex", {Any(at), Any(p)});
      setProp(p, "Label", text(officeLabel(item.caption)));
      container.call("replaceByIndex", {Any(at), Any(p)});
      // The macro: a script URL the office can parse, with its language.
      const Object uri = office.service("com.sun.star.uri.UriReferenceFactory")
                             .callObject("parse", {text(item.macroUrl)});
      if (uri.empty() || !uri.has("getParameter") ||
          utf8(uri.call("getParameter", {text("language")})).empty())
        fail("not a macro URL: " + item.macroUrl);
      setProp(p, "CommandURL", text(item.macroUrl));
      container.call("replaceByIndex", {Any(at), Any(p)});
      // The face: our icon for the command.
      const std::string icon = iconPath(item.faceId);
      const Any graphic =
          office.service("com.sun.star.graphic.GraphicProvider")
              .call("queryGraphic", {Any(properties({{"URL", text(fileUrl(icon))}}))});
      Reference<css::graphic::XGraphic> g;
      if (!(graphic >>= g) || !g.is()) fail("cannot read the icon " + icon);
      const rtl::OUString command = ou(item.macroUrl);
      const Sequence<rtl::OUString> commands(&command, 1);
      const Sequence<Reference<css::graphic::XGraphic>> graphics(&g, 1);
      const bool has =
          images.call("hasImage", {Any(sal_Int16(0)), text(item.macroUrl)}).get<bool>();
      images.call(has ? "replaceImages" : "insertImages",
                  {Any(sal_Int16(0)), Any(commands), Any(graphics)});
    }
  });
}

void Routines::bindShortcuts(Office& office, App app) {
  std::vector<std::pair<std::string, std::string>> kept;  // a key, the user's command
  const std::string where = std::string(" in ") + appCaption(app);
  log_.run("Bind Alt+U and Alt+L" + where, [&] {
    const Object shortcuts = uiManager(office, appModule(app)).callObject("getShortCutManager");
    for (const ToolItem& item : items) {
      if (item.shortcut.empty()) continue;
      // A key the user has given to something else stays the user's.
      const std::string owner = boundCommand(office, shortcuts, item.shortcut);
      if (owner.empty() || owner == item.macroUrl)
        shortcuts.call("setKeyEvent", {Any(keyEvent(item.shortcut)), text(item.macroUrl)});
      else
        kept.emplace_back(item.shortcut, owner);
    }
    shortcuts.call("store");
  });
  for (const auto& [key, owner] : kept)
    log_.skip("Bind " + key + where, "the key is the user's, bound to " + owner);
}

std::string Routines::boundCommand(Office& office, const Object& shortcuts,
                                   const std::string& key) {
  const Any event(keyEvent(key));
  const std::string command = commandOf(shortcuts, event);
  if (!command.empty()) return command;
  return commandOf(office.service("com.sun.star.ui.GlobalAcceleratorConfiguration"), event);
}

void Routines::buildToolMenus(Office& office, const std::vector<ToolItem>& list) {
  Object manager;
  if (!log_.run("Open the user interface settings of Impress",
                [&] { manager = uiManager(office, kImpressModule); }))
    return;
  // Our own toolbar from an earlier run is replaced in place, the others titled so go.
  std::string target;
  log_.run(std::string("Find the toolbar ") + kToolbarName, [&] {
    for (const auto& url : toolbarUrls(office, manager, kToolbarName))
      if (isOurs(url)) target = url;
  });
  removeCommandBars(office, kImpressModule, {kOldCommandBars[0], kOldCommandBars[1], kToolbarName},
                    target);

  Object toolbar;
  log_.run(std::string("Create the toolbar ") + kToolbarName, [&] {
    // Its settings are handed to the office once they hold the items.
    toolbar = manager.callObject("createSettings");
    toolbar.set("UIName", text(kToolbarName));
  });
  // The pop-up on the menu bar: items 1 to 5, then 6 to 8.
  Any menuBar;
  Object popup;
  log_.run(std::string("Add the menu ") + kMenuCaption, [&] {
    menuBar = manager.call("getSettings", {text(kMenuBarUrl), Any(true)});
    popup = office.wrap(menuBar).callObject("createInstanceWithContext", {Any(office.context())});
  });
  if (!popup.empty()) addToolItems(office, popup, list, true);
  for (std::size_t n = 5; n < 8 && n < list.size(); ++n) {
    log_.run("Add the menu item " + std::to_string(n + 1), [&] {
      const ToolItem& item = list[n];
      popup.call("insertByIndex", {Any(popup.call("getCount").get<sal_Int32>()),
                                   Any(properties({{"Type", Any(css::ui::ItemType::DEFAULT)},
                                                   {"Label", text(officeLabel(item.caption))},
                                                   {"CommandURL", text(item.macroUrl)},
                                                   {"Style", Any(sal_Int16(0))}}))});
    });
  }
  log_.run(std::string("Put the menu ") + kMenuCaption + " on the menu bar", [&] {
    const Object bar = office.wrap(menuBar);
    bar.call("insertByIndex",
             {bar.call("getCount"), Any(properties({{"Type", Any(css::ui::ItemType::DEFAULT)},
                                                    {"Label", text(officeLabel(kMenuCaption))},
                                                    {"CommandURL", text(kPopupCommand)},
                                                    {"ItemDescriptorContainer", popup.value()}}))});
    manager.call("replaceSettings", {text(kMenuBarUrl), menuBar});
  });

  if (!toolbar.empty()) {
    addToolItems(office, toolbar, list, false);
    log_.run(std::string("Store the toolbar ") + kToolbarName, [&] {
      if (!target.empty()) {
        manager.call("replaceSettings", {text(target), toolbar.value()});
        return;
      }
      for (const auto& url : ourToolbarUrls()) {
        if (manager.call("hasSettings", {text(url)}).get<bool>()) continue;
        manager.call("insertSettings", {text(url), toolbar.value()});
        if (manager.call("hasSettings", {text(url)}).get<bool>()) {
          target = url;
          return;
        }
      }
      fail("the office took the toolbar under none of its names");
    });
    log_.run(std::string("Show the toolbar ") + kToolbarName, [&] {
      if (target.empty()) fail("there is no toolbar to show");
      const Object states = office.service("com.sun.star.ui.WindowStateConfiguration")
                                .callObject("getByName", {text(kImpressModule)});
      const Any state = Any(properties({{"UIName", text(kToolbarName)},
                                        {"Visible", Any(true)},
                                        {"Docked", Any(true)},
                                        {"DockingArea", Any(sal_Int16(0))}}));
      states.call(
          states.call("hasByName", {text(target)}).get<bool>() ? "replaceByName" : "insertByName",
          {text(target), state});
    });
  }
  log_.run("Store the user interface settings", [&] {
    manager.call("store");
    // The icons too: without this the office has forgotten them after a restart.
    manager.callObject("getImageManager").call("store");
  });
}

void Routines::removeAll() {
  installed_ = false;
  auto office = attachOrStart();
  if (!office) return;
  removeOldExtensions(*office);
  log_.run(std::string("Remove the add-in ") + kExtensionId,
           [&] { removeExtension(*office, kExtensionId); });
  for (const App app : {App::kWriter, App::kCalc, App::kImpress})
    removeCommandBars(*office, appModule(app),
                      {kOldCommandBars[0], kOldCommandBars[1], kToolbarName});
  log_.run("Remove the shortcuts and icons of the add-in", [&] {
    // Only the keys bound to our macros: a key the user bound stays.
    for (const App app : {App::kWriter, App::kCalc, App::kImpress}) {
      const Object shortcuts = uiManager(*office, appModule(app)).callObject("getShortCutManager");
      for (const auto& item : items) {
        if (item.shortcut.empty()) continue;
        const Any key(keyEvent(item.shortcut));
        std::string bound;
        try {
          bound = utf8(shortcuts.call("getCommandByKeyEvent", {key}));
        } catch (...) {
        }
        if (bound == item.macroUrl) shortcuts.call("removeKeyEvent", {key});
      }
      shortcuts.call("store");
    }
    const Object manager = uiManager(*office, kImpressModule);
    const Object images = manager.callObject("getImageManager");
    for (const auto& item : items) {
      if (images.call("hasImage", {Any(sal_Int16(0)), text(item.macroUrl)}).get<bool>()) {
        const rtl::OUString command = ou(item.macroUrl);
        const Sequence<rtl::OUString> commands(&command, 1);
        images.call("removeImages", {Any(sal_Int16(0)), Any(commands)});
      }
    }
    images.call("store");
    manager.call("store");
  });
  log_.run("Remove the window state of the toolbars", [&] {
    const Object all = office->service("com.sun.star.ui.WindowStateConfiguration");
    const Object impress = all.callObject("getByName", {text(kImpressModule)});
    for (const auto& url : ourToolbarUrls())
      if (impress.call("hasByName", {text(url)}).get<bool>())
        impress.call("removeByName", {text(url)});
    // The extension's own toolbar, where Writer and Calc remember where it was shown.
    for (const char* module : {kWriterModule, kCalcModule, kImpressModule}) {
      const Object states = all.callObject("getByName", {text(module)});
      if (states.call("hasByName", {text(kAddonToolbarUrl)}).get<bool>())
        states.call("removeByName", {text(kAddonToolbarUrl)});
    }
  });
  if (office->startedHere()) quit(office);
}

// ---- reading the configuration -----------------------------------------------------------

std::vector<UiItem> toolbarItems(Office& office, const char* module, const std::string& name,
                                 bool* found) {
  const Object manager = uiManager(office, module);
  const auto urls = toolbarUrls(office, manager, name);
  if (found != nullptr) *found = !urls.empty();
  if (urls.empty()) return {};
  const std::string& url = urls.front();
  return readItems(office, manager.call("getSettings", {text(url), Any(false)}));
}

std::vector<UiItem> menuBarItems(Office& office, const char* module) {
  return readItems(office,
                   uiManager(office, module).call("getSettings", {text(kMenuBarUrl), Any(false)}));
}

std::string shortcutCommand(Office& office, const char* module, const std::string& key) {
  return commandOf(uiManager(office, module).callObject("getShortCutManager"), Any(keyEvent(key)));
}

}  // namespace ts::office
