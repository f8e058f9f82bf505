#include "ts/office/addin.hpp"
#include "ts/platform/messages.hpp"

#include <com/sun/star/beans/Ambiguous.hpp>
#include <com/sun/star/beans/NamedValue.hpp>
#include <com/sun/star/beans/Optional.hpp>
#include <com/sun/star/deployment/XPackage.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/uno/RuntimeException.hpp>
#include <com/sun/star/uno/Sequence.hxx>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zip.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

namespace ts::office {

using css::uno::Reference;
using css::uno::Sequence;

namespace {

[[noreturn]] void fail(const std::string& message) {
  throw css::uno::RuntimeException(ou(message));
}

// The extension manager's command environment: its questions are approved.
Any approving() { return Office::commandEnvironment(); }

Object extensionManager(Office& office) {
  return office.singleton("com.sun.star.deployment.ExtensionManager");
}

Sequence<Reference<css::deployment::XPackage>> deployed(const Object& manager) {
  Sequence<Reference<css::deployment::XPackage>> packages;
  manager.call("getDeployedExtensions",
               {text("user"), manager.call("createAbortChannel"), approving()}) >>= packages;
  return packages;
}

std::string identifier(Office& office, const Reference<css::deployment::XPackage>& package) {
  css::beans::Optional<rtl::OUString> id;
  office.wrap(Any(package)).call("getIdentifier") >>= id;
  return id.IsPresent ? utf8(id.Value) : std::string();
}

// The user's deployed extensions with the identifier `id` (one, or none).
std::vector<Reference<css::deployment::XPackage>> deployedWithId(Office& office,
                                                                 const Object& manager,
                                                                 const std::string& id) {
  std::vector<Reference<css::deployment::XPackage>> found;
  for (const auto& package : deployed(manager))
    if (identifier(office, package) == id) found.push_back(package);
  return found;
}

// Why the macros of the add-in `oxtPath` do not compile, or nothing: its python/tessaro.py
// compiled by the system's Python, the one LibreOffice runs its macros with.
std::string macroCompileError(const std::string& oxtPath) {
  int error = 0;
  zip_t* zip = zip_open(oxtPath.c_str(), ZIP_RDONLY, &error);
  if (zip == nullptr) return "it cannot be opened as a zip file";
  std::string script;
  zip_stat_t st;
  zip_stat_init(&st);
  if (zip_stat(zip, "python/tessaro.py", 0, &st) == 0 && (st.valid & ZIP_STAT_SIZE) &&
      st.size < (64u << 20)) {
    script.resize(st.size);
    zip_file_t* f = zip_fopen(zip, "python/tessaro.py", 0);
    const bool read =
        f != nullptr && zip_fread(f, script.data(), st.size) == static_cast<zip_int64_t>(st.size);
    if (f != nullptr) zip_fclose(f);
    if (!read) script.clear();
  }
  zip_discard(zip);
  if (script.empty()) return "it holds no python/tessaro.py";
  constexpr const char* kPython = "/usr/bin/python3";
  if (access(kPython, X_OK) != 0) return {};  // no Python to ask: the macros are tried later
  char folder[] = "/tmp/tessaro-addin-check.XXXXXX";
  if (mkdtemp(folder) == nullptr) return {};
  const std::string source = std::string(folder) + "/tessaro.py";
  const std::string said = std::string(folder) + "/said";
  std::ofstream(source, std::ios::binary) << script;
  const std::string check =
      "import sys\ntry:\n compile(open(sys.argv[1], 'rb').read(), 'tessaro.py', 'exec')\n"
      "except SyntaxError as e:\n open(sys.argv[2], 'w').write('%s, line %s' % (e.msg, e.lineno))\n"
      " sys.exit(1)\n";
  pid_t pid = -1;
  const char* argv[] = {kPython, "-I", "-c", check.c_str(), source.c_str(), said.c_str(), nullptr};
  std::string why;
  if (posix_spawn(&pid, kPython, nullptr, nullptr, const_cast<char* const*>(argv), environ) == 0) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      std::ifstream in(said);
      std::getline(in, why);
      if (why.empty()) why = ts::platform::tr("Python could not compile it");
    }
  }
  std::error_code ec;
  std::filesystem::remove_all(folder, ec);
  return why;
}

void removeDeployed(Office& office, const Object& manager, const std::string& id) {
  for (const auto& package : deployedWithId(office, manager, id))
    manager.call("removeExtension",
                 {text(id), office.wrap(Any(package)).call("getName"), text("user"),
                  manager.call("createAbortChannel"), approving()});
}

}  // namespace

std::string addinFolder() {
  if (const char* env = std::getenv("TESSARO_ADDIN_DIR"); env != nullptr && *env != '\0')
    return env;
  std::error_code ec;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return "/usr/share/tessaro";
  return (exe.parent_path().parent_path() / "share" / "tessaro").lexically_normal().string();
}

std::string macroUrl(const std::string& macro) {
  return std::string("vnd.sun.star.script:") + kExtensionFile + "|python|tessaro.py$" + macro +
         "?language=Python&location=user:uno_packages";
}

Object macroScript(Office& office, const std::string& macro) {
  return office.service("com.sun.star.script.provider.MasterScriptProviderFactory")
      .callObject("createScriptProvider", {text("")})
      .callObject("getScript", {text(macroUrl(macro))});
}

Any runMacro(Office& office, const std::string& macro, std::initializer_list<Any> args) {
  return runScript(macroScript(office, macro), args);
}

Any runScript(const Object& script, std::initializer_list<Any> args) {
  css::uno::Sequence<Any> params(static_cast<sal_Int32>(args.size()));
  std::copy(args.begin(), args.end(), params.getArray());
  return script.call("invoke", {Any(params), Any(css::uno::Sequence<sal_Int16>()),
                                Any(css::uno::Sequence<Any>())});
}

std::unique_ptr<Office> attachAnswering(const OfficeOptions& options, std::string& why) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    std::unique_ptr<Office> office = Office::attachOrStart(options, &why);
    if (!office) return nullptr;
    std::this_thread::sleep_for(std::chrono::milliseconds(attempt == 0 ? 300 : 1000));
    try {
      office->desktop().call("getComponents");
      return office;
    } catch (const css::lang::DisposedException&) {
      why = ts::platform::tr("LibreOffice went away as it was attached to");
      office.reset();
      std::this_thread::sleep_for(std::chrono::seconds(1));
    }
  }
  return nullptr;
}

bool extensionRegistered(Office& office) {
  const Object manager = extensionManager(office);
  for (const auto& package : deployedWithId(office, manager, kExtensionId)) {
    css::beans::Optional<css::beans::Ambiguous<sal_Bool>> state;
    office.wrap(Any(package))
        .call("isRegistered", {manager.call("createAbortChannel"), approving()}) >>= state;
    return state.IsPresent && !state.Value.IsAmbiguous && state.Value.Value;
  }
  return false;
}

void addExtension(Office& office, const std::string& oxtPath) {
  // The new file is looked at before the installed copy goes: a damaged one must not leave
  // the user without the add-in that worked.
  Object zip;
  try {
    zip = office.service("com.sun.star.packages.zip.ZipFileAccess", {text(fileUrl(oxtPath))});
  } catch (...) {
    fail(oxtPath + " is no extension (" + currentError() + "); the installed add-in is kept");
  }
  for (const char* entry : {"description.xml", "META-INF/manifest.xml"})
    if (!zip.call("hasByName", {text(entry)}).get<bool>())
      fail(oxtPath + " is no extension (it has no " + entry + "); the installed add-in is kept");
  // Its macros must load where the add-in that works is replaced: compiled first.
  if (zip.call("hasByName", {text("python/tessaro.py")}).get<bool>())
    if (const std::string why = macroCompileError(oxtPath); !why.empty())
      fail(oxtPath + ": its macros do not compile (" + why + "); the installed add-in is kept");
  const Object manager = extensionManager(office);
  // An installed copy is replaced: adding over it would ask whether to.
  removeDeployed(office, manager, kExtensionId);
  const Object package = manager.callObject(
      "addExtension", {text(fileUrl(oxtPath)), Any(Sequence<css::beans::NamedValue>()),
                       text("user"), manager.call("createAbortChannel"), approving()});
  if (package.empty()) fail("the extension manager did not add " + oxtPath);
  // And they load: a harmless macro answers.
  if (extensionRegistered(office)) {
    try {
      runMacro(office, "tsVersion", {});
    } catch (...) {
      fail("the add-in of " + oxtPath + " was added, but its macros do not load: " +
           currentError());
    }
  }
}

void enableExtension(Office& office, bool enable) {
  const Object manager = extensionManager(office);
  for (const auto& package : deployedWithId(office, manager, kExtensionId)) {
    manager.call(enable ? "enableExtension" : "disableExtension",
                 {Any(package), manager.call("createAbortChannel"), approving()});
    return;
  }
  fail(std::string("the extension ") + kExtensionId + " is not deployed");
}

void removeExtension(Office& office, const std::string& id) {
  removeDeployed(office, extensionManager(office), id);
}

std::vector<std::string> userExtensions(Office& office) {
  std::vector<std::string> ids;
  for (const auto& package : deployed(extensionManager(office)))
    ids.push_back(identifier(office, package));
  return ids;
}

}  // namespace ts::office
