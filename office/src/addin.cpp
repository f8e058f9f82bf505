#include "ts/office/addin.hpp"

#include <com/sun/star/beans/Ambiguous.hpp>
#include <com/sun/star/beans/NamedValue.hpp>
#include <com/sun/star/beans/Optional.hpp>
#include <com/sun/star/deployment/XPackage.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/uno/RuntimeException.hpp>
#include <com/sun/star/uno/Sequence.hxx>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
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
      why = "LibreOffice went away as it was attached to";
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
  const Object manager = extensionManager(office);
  // An installed copy is replaced: adding over it would ask whether to.
  removeDeployed(office, manager, kExtensionId);
  const Object package = manager.callObject(
      "addExtension", {text(fileUrl(oxtPath)), Any(Sequence<css::beans::NamedValue>()),
                       text("user"), manager.call("createAbortChannel"), approving()});
  if (package.empty()) fail("the extension manager did not add " + oxtPath);
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
