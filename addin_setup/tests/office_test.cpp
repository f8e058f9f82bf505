// The installer's routines and the add-in's macros against a real headless LibreOffice, each
// test with a user profile of its own.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <com/sun/star/awt/Key.hpp>
#include <com/sun/star/awt/KeyEvent.hpp>
#include <com/sun/star/awt/KeyModifier.hpp>
#include <com/sun/star/beans/NamedValue.hpp>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstring>

#include "ts/office/installer.hpp"
#include "ts/testing/office.hpp"
#include "ts/testing/process.hpp"
#include "ts/testing/scratch.hpp"

namespace {

using namespace ts::office;

// A small extension of our own making with the identifier `id`, packed in `folder`.
std::string makeExtension(const ts::testing::fs::path& folder, const std::string& id) {
  const auto tree = folder / ("ext-" + id);
  ts::testing::writeFile(tree / "description.xml",
                         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                         "<description xmlns=\"http://openoffice.org/extensions/description/2006\">"
                         "<identifier value=\"" +
                             id + "\"/><version value=\"1.0\"/></description>\n");
  ts::testing::writeFile(
      tree / "META-INF/manifest.xml",
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<manifest:manifest xmlns:manifest=\"http://openoffice.org/2001/manifest\"/>\n");
  const auto oxt = folder / (id + ".oxt");
  const std::string cmd = "cd '" + tree.string() + "' && '" CMAKE_COMMAND "' -E tar cf '" +
                          oxt.string() + "' --format=zip description.xml META-INF/manifest.xml";
  EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
  return oxt.string();
}

bool has(const std::vector<std::string>& v, const std::string& s) {
  return std::find(v.begin(), v.end(), s) != v.end();
}

std::vector<std::string> labels(const std::vector<UiItem>& items) {
  std::vector<std::string> out;
  for (const auto& i : items) out.push_back(i.separator ? "-" : i.label);
  return out;
}

const UiItem* popup(const std::vector<UiItem>&& bar, const std::string& label) = delete;
const UiItem* popup(const std::vector<UiItem>& bar, const std::string& label) {
  const UiItem* found = nullptr;
  for (const auto& i : bar)
    if (i.label == label) {
      EXPECT_EQ(found, nullptr) << "two menus " << label;
      found = &i;
    }
  return found;
}

// Makes a toolbar titled `name` in `module`, as an earlier version did.
void makeToolbar(Office& o, const char* module, const std::string& name) {
  const Object manager =
      o.service("com.sun.star.ui.ModuleUIConfigurationManagerSupplier")
          .callObject("getUIConfigurationManager", {Any(rtl::OUString::createFromAscii(module))});
  const Object settings = manager.callObject("createSettings");
  settings.set("UIName", text(name));
  std::string id;
  for (const char c : name) id += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  manager.call("insertSettings", {text("private:resource/toolbar/custom_" + id), settings.value()});
  manager.call("store");
}

class AddinSetup : public ts::testing::ScratchTest {
 protected:
  void SetUp() override {
    ScratchTest::SetUp();
    office_ = std::make_unique<ts::testing::ScratchOffice>(dir_, TSLIB_PATH);
  }
  void TearDown() override {
    office_.reset();
    ScratchTest::TearDown();
  }
  std::unique_ptr<ts::testing::ScratchOffice> office_;
  const std::string folder_ = ADDIN_DIR;
};

TEST_F(AddinSetup, EachApplicationsRoutinesInstallTheAddinAndLeaveTheUsersOwn) {
  ts::testing::guard([&] {
    // An earlier version, an extension of the user's and an earlier version's toolbar.
    {
      Office& o = office_->office();
      addExtension(o, makeExtension(dir_, "example.tessaro.tsadd"));
      addExtension(o, makeExtension(dir_, "example.user.other"));
      makeToolbar(o, appModule(App::kWriter), "TessaroOF");
      makeToolbar(o, appModule(App::kWriter), "My own bar");
      ASSERT_TRUE(has(userExtensions(o), "example.tessaro.tsadd"));
      // The user's own Alt+U in Writer.
      const Object shortcuts =
          o.service("com.sun.star.ui.ModuleUIConfigurationManagerSupplier")
              .callObject("getUIConfigurationManager", {text(appModule(App::kWriter))})
              .callObject("getShortCutManager");
      css::awt::KeyEvent altU;
      altU.KeyCode = css::awt::Key::U;
      altU.Modifiers = css::awt::KeyModifier::MOD2;
      shortcuts.call("setKeyEvent", {Any(altU), text(".uno:Italic")});
      shortcuts.call("store");
      office_->detach();
    }
    // Alt+U and Alt+L in each application, each where it is free: in Writer Alt+U stays the
    // user's.  Asked at the end, of the office the last setup left.
    const auto keysAre = [&](App app, const std::string& u, const std::string& l) {
      Office& o = office_->office();
      EXPECT_EQ(shortcutCommand(o, appModule(app), "Alt+U"), u) << appModule(app);
      EXPECT_EQ(shortcutCommand(o, appModule(app), "Alt+L"), l) << appModule(app);
    };

    const auto failed = [](const StepLog& log) {
      std::string s;
      for (const auto& step : log.steps())
        if (!step.ok) s += step.what + ": " + step.error + "\n";
      return s;
    };
    StepLog writerLog;
    ASSERT_TRUE(installInto(App::kWriter, office_->options(), folder_, writerLog))
        << failed(writerLog);
    {
      Office& o = office_->office();
      const auto ids = userExtensions(o);
      EXPECT_TRUE(has(ids, kExtensionId));
      EXPECT_TRUE(has(ids, "example.user.other"));
      EXPECT_FALSE(has(ids, "example.tessaro.tsadd"));
      bool found = true;
      toolbarItems(o, appModule(App::kWriter), "TessaroOF", &found);
      EXPECT_FALSE(found) << "the earlier version's toolbar stays";
      toolbarItems(o, appModule(App::kWriter), "My own bar", &found);
      EXPECT_TRUE(found) << "the user's own toolbar went";
      // Writer is left running with a document.
      const Object docs = o.desktop().callObject("getComponents").callObject("createEnumeration");
      EXPECT_TRUE(docs.call("hasMoreElements").get<bool>());
      office_->detach();
    }

    // Calc: installed, registered, and the office quit at the end.
    StepLog calcLog;
    ASSERT_TRUE(installInto(App::kCalc, office_->options(), folder_, calcLog)) << failed(calcLog);
    EXPECT_EQ(Office::attach(office_->options()), nullptr) << "Calc's setup quits the office";

    EXPECT_EQ(failed(calcLog), "");

    // Impress, twice: one toolbar and one menu whatever the number of runs.
    for (int run = 0; run < 2; ++run) {
      StepLog log;
      ASSERT_TRUE(installInto(App::kImpress, office_->options(), folder_, log)) << failed(log);
      EXPECT_EQ(failed(log), "");
    }
    Office& o = office_->office();
    const auto items = toolItems();
    bool found = false;
    const auto bar = toolbarItems(o, kImpressModule, kToolbarName, &found);
    ASSERT_TRUE(found);
    EXPECT_EQ(labels(bar),
              (std::vector<std::string>{"~Kiem tra chinh ta tieng Viet...", "Chuyen chu hoa",
                                        "Chuyen chu thuong", "-", "~Chuyen ma/font van ban... ",
                                        "-", "Tessaro ~Panel... "}));
    EXPECT_EQ(bar[0].command, macroUrl("VNSpell"));
    EXPECT_EQ(bar[4].command, macroUrl("tsConvert"));
    EXPECT_EQ(bar[6].command, macroUrl("Tessaro"));
    const auto menuBar = menuBarItems(o, kImpressModule);
    const UiItem* menu = popup(menuBar, "Tess~aro Tools");
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(labels(menu->children),
              (std::vector<std::string>{"~Kiem tra chinh ta tieng Viet...", "Chuyen chu hoa",
                                        "Chuyen chu thuong", "-", "~Chuyen ma/font van ban... ",
                                        "-", "Tessaro ~Panel... ", "Huong dan su dung",
                                        "Dong ~Gop y kien...", "https://tessaro.example/"}));
    EXPECT_EQ(menu->children[7].command, macroUrl("TessaroHelp"));
    EXPECT_EQ(menu->children[9].command, macroUrl("tessaroweb"));
    const std::string upper = macroUrl("tschangeCaseU"), lower = macroUrl("tschangeCaseL");
    keysAre(App::kImpress, upper, lower);
    keysAre(App::kWriter, ".uno:Italic", lower);  // kept through the others' settings
    keysAre(App::kCalc, upper, lower);
    EXPECT_TRUE(has(userExtensions(o), "example.user.other"));
  });
}

TEST_F(AddinSetup, StartAndQuitMeetNoOfficeOnItsWayOut) {
  ts::testing::guard([&] {
    // A start that handed its work to an office on its way out ends with 0 and the pipe never
    // answers: it is made again.  (The first start here only ends with 0.)
    const auto script = dir_ / "soffice";
    ts::testing::writeFile(script, "#!/bin/sh\nif [ ! -e '" + (dir_ / "handed").string() +
                                       "' ]; then : > '" + (dir_ / "handed").string() +
                                       "'; exit 0; fi\nexec soffice \"$@\"\n");
    std::filesystem::permissions(script, std::filesystem::perms::owner_exec,
                                 std::filesystem::perm_options::add);
    auto options = office_->options();
    options.program = script.string();
    std::string why;
    auto started = Office::attachOrStart(options, &why);
    ASSERT_NE(started, nullptr) << why;
    EXPECT_TRUE(started->startedHere());
    started.reset();
    // Quit of an office attached to, not started here (as the routines find the user's),
    // waits for the office itself: the next start of the profile must not meet it.
    auto o = Office::attach(office_->options());
    ASSERT_NE(o, nullptr);
    EXPECT_FALSE(o->startedHere());
    ASSERT_TRUE(o->quit(&why)) << why;
    EXPECT_FALSE(office_->running()) << "an office of the profile still runs after the quit";
  });
}

TEST_F(AddinSetup, AFailingItemAbandonsOnlyTheRestOfItsItemSet) {
  ts::testing::guard([&] {
    StepLog log;
    Routines routines(office_->options(), folder_, log);
    auto items = toolItems();
    items[1].macroUrl = "vnd.sun.star.script:broken";  // no language: not a macro URL
    Office& o = office_->office();
    routines.buildToolMenus(o, items);

    bool found = false;
    const auto bar = toolbarItems(o, kImpressModule, kToolbarName, &found);
    ASSERT_TRUE(found);
    // Item 2 was added and captioned before its macro failed; 3 to 5 never came.
    EXPECT_EQ(labels(bar),
              (std::vector<std::string>{"~Kiem tra chinh ta tieng Viet...", "Chuyen chu hoa"}));
    EXPECT_EQ(bar[1].command, "");
    const auto menuBar = menuBarItems(o, kImpressModule);
    const UiItem* menu = popup(menuBar, "Tess~aro Tools");
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(labels(menu->children),
              (std::vector<std::string>{"~Kiem tra chinh ta tieng Viet...", "Chuyen chu hoa",
                                        "Huong dan su dung", "Dong ~Gop y kien...",
                                        "https://tessaro.example/"}));
    int failures = 0;
    for (const auto& step : log.steps())
      if (!step.ok) {
        ++failures;
        EXPECT_NE(step.error.find("not a macro URL"), std::string::npos) << step.error;
      }
    EXPECT_EQ(failures, 2);  // the menu's item set and the toolbar's
  });
}

// The user's work comes first: an office holding a document not saved is never quit; the
// command stops with status 1 and names it, and only --close-unsaved lets its changes go.
TEST_F(AddinSetup, AnOfficeHoldingUnsavedWorkIsNeverQuit) {
  ts::testing::guard([&] {
    {
      Office& o = office_->office();
      const Object doc = o.wrap(o.desktop().call(
          "loadComponentFromURL", {text("private:factory/swriter"), text("_blank"),
                                   Any(sal_Int32(0)), Any(properties({{"Hidden", Any(true)}}))}));
      doc.getObject("Text").call("setString", {text("Vi\u1EC7c ch\u01B0a l\u01B0u")});
      ASSERT_TRUE(doc.call("isModified").get<bool>());
      office_->detach();
    }
    const auto& opt = office_->options();
    std::vector<std::string> args{"--install", "writer", "--headless",  "--profile", opt.profile,
                                  "--pipe",    opt.pipe, "--addin-dir", ADDIN_DIR};
    auto r = ts::testing::runProgram(TSO_SETUP_PATH, args, dir_);
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_NE(r.err.find("LibreOffice holds documents not saved"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("Untitled"), std::string::npos) << r.err;
    EXPECT_NE(r.out.find("FAILED  Quit LibreOffice: it holds documents not saved"),
              std::string::npos)
        << r.out;
    EXPECT_EQ(r.out.find("Install the add-in"), std::string::npos) << r.out;  // nothing more
    // The office runs on with the document and its changes.
    ASSERT_TRUE(office_->running());
    {
      Office& o = office_->office();
      EXPECT_EQ(unsavedDocuments(o).size(), 1u);
      office_->detach();
    }
    // Told that the changes may go, it closes them and installs.
    args.push_back("--close-unsaved");
    r = ts::testing::runProgram(TSO_SETUP_PATH, args, dir_);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("ok      Close the documents not saved, without saving them"),
              std::string::npos)
        << r.out;
  });
}

// An office started here gets Debian's PATH and none of another Python's variables: with a
// pyenv, conda or other Python first on PATH the add-in still installs.
TEST_F(AddinSetup, StartedOfficesDoNotDependOnTheUsersPython) {
  setenv("PYTHONHOME", "/nowhere", 1);
  const std::vector<std::string> env = officeEnvironment({"TS_X=1", "PATH=/x"});
  unsetenv("PYTHONHOME");
  EXPECT_EQ(std::count_if(env.begin(), env.end(),
                          [](const std::string& e) { return e.starts_with("PYTHONHOME="); }),
            0);
  EXPECT_NE(std::find(env.begin(), env.end(), "TS_X=1"), env.end());
  EXPECT_NE(std::find(env.begin(), env.end(), "PATH=/x"), env.end());  // what the caller adds
  EXPECT_EQ(std::count_if(env.begin(), env.end(),
                          [](const std::string& e) { return e.starts_with("PATH="); }),
            1);
  // Another build of Python first on PATH, and its variables set.
  std::string other;
  for (const char* dir : {"/root/.pyenv/versions", "/opt/conda/bin", "/usr/local/bin"}) {
    std::error_code ec;
    if (std::string(dir).ends_with("versions")) {
      // The same version as LibreOffice's own breaks it most surely.
      for (const auto& v : ts::testing::fs::directory_iterator(dir, ec))
        if (ts::testing::fs::exists(v.path() / "bin" / "python3") &&
            (other.empty() || v.path().filename().string().starts_with("3.11")))
          other = (v.path() / "bin").string();
    } else if (ts::testing::fs::exists(ts::testing::fs::path(dir) / "python3")) {
      other = dir;
    }
    if (!other.empty()) break;
  }
  if (other.empty()) GTEST_SKIP() << "no other Python here";
  const auto& opt = office_->options();
  const std::string command =
      "PATH='" + other + ":" + std::getenv("PATH") + "' PYTHONHOME='" + other +
      "/..' '" TSO_SETUP_PATH "' --install writer --headless --profile '" + opt.profile +
      "' --pipe '" + opt.pipe + "' --addin-dir '" ADDIN_DIR "' > '" + (dir_ / "out.txt").string() +
      "' 2>&1";
  EXPECT_EQ(std::system(command.c_str()), 0) << ts::testing::readFile(dir_ / "out.txt");
  EXPECT_NE(ts::testing::readFile(dir_ / "out.txt").find("TS- installed in LibreOffice Writer"),
            std::string::npos);
}

// A damaged add-in file never removes the add-in that works, and Impress gets no toolbar or
// menu for macros that are not there.
TEST_F(AddinSetup, ADamagedAddinFileKeepsTheInstalledOne) {
  const auto broken = dir_ / "broken";
  ts::testing::fs::create_directories(broken);
  ts::testing::fs::copy(ADDIN_DIR "/icons", broken / "icons",
                        ts::testing::fs::copy_options::recursive);
  ts::testing::writeFile(broken / "Tessaro_O21.oxt", "this is no zip file");
  const auto& opt = office_->options();
  auto run = [&](const std::string& app, const std::string& folder) {
    return ts::testing::runProgram(TSO_SETUP_PATH,
                                   {"--install", app, "--headless", "--profile", opt.profile,
                                    "--pipe", opt.pipe, "--addin-dir", folder},
                                   dir_);
  };
  auto r = run("writer", ADDIN_DIR);
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  r = run("impress", broken.string());
  EXPECT_EQ(r.status, 1) << r.out;
  EXPECT_NE(r.out.find("is no extension"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("the installed add-in is kept"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Build the toolbar and menu (skipped: the add-in is not installed)"),
            std::string::npos)
      << r.out;
  // A whole package whose macros do not compile: refused before the one that works goes.
  const auto faulty = dir_ / "faulty";
  const auto tree = dir_ / "faulty-tree";
  ts::testing::fs::create_directories(tree);
  ts::testing::fs::create_directories(faulty);
  ts::testing::fs::copy(ADDIN_DIR "/icons", faulty / "icons",
                        ts::testing::fs::copy_options::recursive);
  const std::string unpack = "cd '" + tree.string() + "' && '" CMAKE_COMMAND "' -E tar xf '" +
                             std::string(ADDIN_DIR) + "/Tessaro_O21.oxt'";
  ASSERT_EQ(std::system(unpack.c_str()), 0);
  std::string script = ts::testing::readFile(tree / "python" / "tessaro.py");
  ts::testing::writeFile(tree / "python" / "tessaro.py", script + "\ndef broken(:\n    pass\n");
  const std::string pack = "cd '" + tree.string() + "' && '" CMAKE_COMMAND "' -E tar cf '" +
                           (faulty / "Tessaro_O21.oxt").string() + "' --format=zip .";
  ASSERT_EQ(std::system(pack.c_str()), 0);
  r = run("writer", faulty.string());
  EXPECT_EQ(r.status, 1) << r.out;
  EXPECT_NE(r.out.find("its macros do not compile (invalid syntax"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("the installed add-in is kept"), std::string::npos) << r.out;
  ts::testing::guard([&] {
    Office& o = office_->office();
    EXPECT_TRUE(has(userExtensions(o), kExtensionId));
    EXPECT_EQ(utf8(runMacro(o, "tsVersion", {})), TS_VERSION);  // the one that works, loading
    bool found = true;
    toolbarItems(o, kImpressModule, kToolbarName, &found);
    EXPECT_FALSE(found);
    const std::vector<UiItem> bar = menuBarItems(o, kImpressModule);
    EXPECT_EQ(popup(bar, officeLabel(kMenuCaption)), nullptr);
    office_->detach();
  });
}

// A pipe held by something that is not LibreOffice: refused at once, by name, never waited on.
TEST_F(AddinSetup, APipeHeldByAnotherProgramIsRefused) {
  const std::string pipe = "ts-test-fake-" + std::to_string(getpid());
  const std::string path = "/tmp/OSL_PIPE_" + std::to_string(getuid()) + "_" + pipe;
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
  unlink(path.c_str());
  ASSERT_EQ(bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr), 0);
  ASSERT_EQ(listen(fd, 8), 0);
  const auto start = std::chrono::steady_clock::now();
  const auto r =
      ts::testing::runProgram(TSO_SETUP_PATH,
                              {"--install", "writer", "--headless", "--pipe", pipe, "--profile",
                               (dir_ / "fake-profile").string(), "--addin-dir", ADDIN_DIR},
                              dir_);
  close(fd);
  unlink(path.c_str());
  EXPECT_EQ(r.status, 1) << r.out << r.err;
  EXPECT_NE(r.out.find("is held by addin_tests (pid " + std::to_string(getpid()) +
                       "), which is not LibreOffice"),
            std::string::npos)
      << r.out;
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
}

TEST_F(AddinSetup, CommandLineInstallsAndRemovesWithoutATrace) {
  ts::testing::guard([&] {
    const auto run = [&](std::vector<std::string> args) {
      return ts::testing::runProgram(TSO_SETUP_PATH, std::move(args), dir_);
    };
    auto r = run({"--install", "paint"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("--install takes writer, calc, impress or all, not 'paint'"),
              std::string::npos);
    EXPECT_EQ(run({"--install", "writer", "--remove"}).status, 2);
    EXPECT_EQ(run({"--install", "writer", "stray"}).status, 2);

    // The user's own Alt+U in Impress and in Writer.
    {
      Office& o = office_->office();
      css::awt::KeyEvent altU;
      altU.KeyCode = css::awt::Key::U;
      altU.Modifiers = css::awt::KeyModifier::MOD2;
      for (const auto& [module, command] : {std::pair(kImpressModule, ".uno:Bold"),
                                            std::pair(appModule(App::kWriter), ".uno:Italic")}) {
        const Object shortcuts = o.service("com.sun.star.ui.ModuleUIConfigurationManagerSupplier")
                                     .callObject("getUIConfigurationManager", {text(module)})
                                     .callObject("getShortCutManager");
        shortcuts.call("setKeyEvent", {Any(altU), text(command)});
        shortcuts.call("store");
      }
      office_->quit();  // the command starts its own, windowless
    }
    const auto& opt = office_->options();
    const std::vector<std::string> common{"--headless", "--profile",   opt.profile, "--pipe",
                                          opt.pipe,     "--addin-dir", ADDIN_DIR};
    auto args = std::vector<std::string>{"--install", "all"};
    args.insert(args.end(), common.begin(), common.end());
    r = run(args);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("  ok      Add the items 1 to 5 to the toolbar\n"), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("TS- installed in LibreOffice Impress\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Bind Alt+U in LibreOffice Impress (skipped: the key is the user's, "
                         "bound to .uno:Bold)"),
              std::string::npos)
        << r.out;
    // The windowless office it started is not left running unseen.
    EXPECT_TRUE(office_->goneWithin(5));
    {
      Office& o = office_->office();
      ASSERT_TRUE(has(userExtensions(o), kExtensionId));
      EXPECT_EQ(shortcutCommand(o, kImpressModule, "Alt+U"), ".uno:Bold");
      EXPECT_EQ(shortcutCommand(o, kImpressModule, "Alt+L"), macroUrl("tschangeCaseL"));
      EXPECT_EQ(shortcutCommand(o, appModule(App::kWriter), "Alt+U"), ".uno:Italic");
      EXPECT_EQ(shortcutCommand(o, appModule(App::kWriter), "Alt+L"), macroUrl("tschangeCaseL"));
      EXPECT_EQ(shortcutCommand(o, appModule(App::kCalc), "Alt+U"), macroUrl("tschangeCaseU"));
      // The icons are kept by the office started afresh.
      const Object images = o.service("com.sun.star.ui.ModuleUIConfigurationManagerSupplier")
                                .callObject("getUIConfigurationManager", {text(kImpressModule)})
                                .callObject("getImageManager");
      EXPECT_TRUE(images.call("hasImage", {Any(sal_Int16(0)), text(macroUrl("tschangeCaseU"))})
                      .get<bool>());
      // Where Writer showed the extension's toolbar: gone with --remove.
      const Object writerStates =
          o.service("com.sun.star.ui.WindowStateConfiguration")
              .callObject("getByName", {text("com.sun.star.text.TextDocument")});
      const std::string addon =
          "private:resource/toolbar/addon_example.tessaro.Tessaro_O21.toolbar";
      if (!writerStates.call("hasByName", {text(addon)}).get<bool>())
        writerStates.call("insertByName", {text(addon), Any(properties({{"Visible", Any(true)}}))});
      office_->quit();
    }

    args = {"--remove"};
    args.insert(args.end(), common.begin(), common.end());
    r = run(args);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("The add-in is removed.\n"), std::string::npos) << r.out;
    Office& o = office_->office();
    EXPECT_FALSE(has(userExtensions(o), kExtensionId));
    bool found = true;
    toolbarItems(o, kImpressModule, kToolbarName, &found);
    EXPECT_FALSE(found);
    const auto menuBar = menuBarItems(o, kImpressModule);
    EXPECT_EQ(popup(menuBar, "Tess~aro Tools"), nullptr);
    // The user's keys stay, ours go.
    EXPECT_EQ(shortcutCommand(o, kImpressModule, "Alt+U"), ".uno:Bold");
    EXPECT_EQ(shortcutCommand(o, kImpressModule, "Alt+L"), "");
    EXPECT_EQ(shortcutCommand(o, appModule(App::kWriter), "Alt+U"), ".uno:Italic");
    EXPECT_EQ(shortcutCommand(o, appModule(App::kWriter), "Alt+L"), "");
    EXPECT_EQ(shortcutCommand(o, appModule(App::kCalc), "Alt+U"), "");
    EXPECT_EQ(shortcutCommand(o, appModule(App::kCalc), "Alt+L"), "");
    EXPECT_FALSE(o.service("com.sun.star.ui.WindowStateConfiguration")
                     .callObject("getByName", {text("com.sun.star.text.TextDocument")})
                     .call("hasByName", {text("private:resource/toolbar/"
                                              "addon_example.tessaro.Tessaro_O21.toolbar")})
                     .get<bool>());
    const Object manager = o.service("com.sun.star.ui.ModuleUIConfigurationManagerSupplier")
                               .callObject("getUIConfigurationManager", {text(kImpressModule)});
    EXPECT_TRUE(
        manager.call("isDefaultSettings", {text("private:resource/menubar/menubar")}).get<bool>());
    // The menu bar is the office's own again, not a copy kept in the profile (above).

    // Without the add-in file the install says so and fails.
    args = {"--install", "writer", "--headless",  "--profile",  opt.profile,
            "--pipe",    opt.pipe, "--addin-dir", dir_.string()};
    office_->detach();
    r = run(args);
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_NE(r.out.find("TS- NOT installed in LibreOffice Writer\n"), std::string::npos) << r.out;
  });
}

}  // namespace
