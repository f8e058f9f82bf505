#include "ts/office/documents.hpp"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/document/XTypeDetection.hpp>
#include <com/sun/star/frame/XLoadable.hpp>

#include "ts/office/addin.hpp"
#include "ts/office/packages.hpp"
#include "ts/platform/messages.hpp"

namespace ts::office {

namespace {

// The charset the add-in's macro is given as the destination: Unicode text for 39 to 43.
int officeDestination(int to) { return to >= 39 && to <= 43 ? 41 : to; }

// A document loaded into a model of its kind without a view (no window, no layout), or an
// empty object where its kind is not known.  A view is what LibreOffice without its windows'
// files cannot make for some documents (a Writer document holding comments stops it); the
// conversion needs none.
Object loadWithoutView(Office& office, const std::string& url,
                       const css::uno::Sequence<css::beans::PropertyValue>& how) {
  const css::uno::Reference<css::document::XTypeDetection> detection(
      office.service("com.sun.star.document.TypeDetection").value(), css::uno::UNO_QUERY_THROW);
  css::uno::Sequence<css::beans::PropertyValue> descriptor(properties({{"URL", text(url)}}));
  const rtl::OUString type = detection->queryTypeByDescriptor(descriptor, true);
  if (type.isEmpty()) return Object();
  rtl::OUString filter;
  property(descriptor, "FilterName") >>= filter;
  if (filter.isEmpty()) {
    css::uno::Sequence<css::beans::PropertyValue> typeProps;
    css::uno::Reference<css::container::XNameAccess>(detection, css::uno::UNO_QUERY_THROW)
        ->getByName(type) >>= typeProps;
    property(typeProps, "PreferredFilter") >>= filter;
  }
  if (filter.isEmpty()) return Object();
  css::uno::Sequence<css::beans::PropertyValue> filterProps;
  office.service("com.sun.star.document.FilterFactory").call("getByName", {Any(filter)}) >>=
      filterProps;
  rtl::OUString service;
  property(filterProps, "DocumentService") >>= service;
  if (service.isEmpty()) return Object();
  const Object model =
      office.service(rtl::OUStringToOString(service, RTL_TEXTENCODING_UTF8).getStr());
  css::uno::Sequence<css::beans::PropertyValue> args(how.getLength() + 2);
  auto* a = args.getArray();
  for (sal_Int32 i = 0; i < how.getLength(); ++i) a[i] = how[i];
  a[how.getLength()].Name = "URL";
  a[how.getLength()].Value = text(url);
  a[how.getLength() + 1].Name = "FilterName";
  a[how.getLength() + 1].Value <<= filter;
  try {
    css::uno::Reference<css::frame::XLoadable>(model.value(), css::uno::UNO_QUERY_THROW)
        ->load(args);
  } catch (...) {
    try {
      model.call("close", {Any(true)});  // the empty model goes with it
    } catch (...) {
    }
    throw;
  }
  return model;
}

}  // namespace

DocumentConverter::DocumentConverter(std::string addinFolder, int from, int to,
                                     std::vector<std::string> env)
    : addin_(std::move(addinFolder)), from_(from), to_(officeDestination(to)) {
  options_.headless = true;
  options_.env = std::move(env);
  static std::atomic<int> made{0};  // each converter an office of its own
  options_.pipe = "tessaro-batch-" + std::to_string(getpid()) + "-" + std::to_string(++made);
  options_.startSeconds = 120;
}

DocumentConverter::~DocumentConverter() { drop(); }

void DocumentConverter::drop() {
  convertScript_ = Object();
  if (office_) {
    std::string why;
    office_->quit(&why);  // its own scratch office: nothing of the user's is in it
    office_.reset();
  }
  if (!folder_.empty()) {
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
    folder_.clear();
  }
}

bool DocumentConverter::answers() {
  try {
    office_->desktop();
    return true;
  } catch (...) {
    return false;
  }
}

void DocumentConverter::setCharsets(int from, int to, bool fontless) {
  from_ = from;
  to_ = officeDestination(to);
  fontless_ = fontless;
}

namespace {

// Whether the program of pid `owner` is gone.
bool gone(long owner) {
  return owner > 0 && owner != getpid() && kill(static_cast<pid_t>(owner), 0) != 0 &&
         errno == ESRCH;
}

// What converters of programs that were killed left: their offices (whose pipe names the
// program's pid) are ended, and their scratch profiles (whose "owner" file names it) removed.
// Nothing of the user's is in them.
void endOrphans() {
  namespace fs = std::filesystem;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator("/proc", ec)) {
    const std::string name = e.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream in(e.path() / "cmdline", std::ios::binary);
    std::string cmdline((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string marker = "--accept=pipe,name=tessaro-batch-";
    const std::size_t at = cmdline.find(marker);
    if (at == std::string::npos) continue;
    if (gone(std::strtol(cmdline.c_str() + at + marker.size(), nullptr, 10)))
      kill(static_cast<pid_t>(std::stol(name)), SIGKILL);
  }
  for (const auto& e : fs::directory_iterator("/tmp", ec)) {
    if (e.path().filename().string().rfind("tessaro-office.", 0) != 0) continue;
    std::ifstream in(e.path() / "owner");
    long owner = 0;
    if (in >> owner && gone(owner)) fs::remove_all(e.path(), ec);
  }
}

}  // namespace

bool DocumentConverter::start() {
  if (tried_) return office_ != nullptr;
  tried_ = true;
  endOrphans();
  char templ[] = "/tmp/tessaro-office.XXXXXX";
  if (mkdtemp(templ) == nullptr) {
    startError_ = "cannot make a profile folder for LibreOffice";
    return false;
  }
  folder_ = templ;
  std::ofstream(folder_ + "/owner") << getpid() << "\n";  // for a later run, if this one is killed
  options_.profile = folder_ + "/profile";
  std::string why;
  office_ = attachAnswering(options_, why);
  if (!office_) {
    startError_ = "Attach to LibreOffice or start it: " + why;
    return false;
  }
  // The add-in, installed in the scratch profile where it is not.
  const std::string oxt = addin_ + "/" + kExtensionFile;
  std::string step = "Look for the add-in";
  try {
    if (!extensionRegistered(*office_)) {
      step = std::string("Install the add-in ") + kExtensionFile;
      if (access(oxt.c_str(), R_OK) != 0) throw std::runtime_error("no file " + oxt);
      addExtension(*office_, oxt);
      step = "Check that the add-in is installed";
      if (!extensionRegistered(*office_))
        throw std::runtime_error(std::string("the extension ") + kExtensionId +
                                 " is not installed and enabled");
    }
    step = "Find the add-in's conversion";
    convertScript_ = macroScript(*office_, "tsConvertDocument");
    return true;
  } catch (...) {
    startError_ = step + ": " + currentError();
    drop();
    return false;
  }
}

DocumentOutcome DocumentConverter::convert(const std::string& source, const std::string& target) {
  const DocumentOutcome outcome = convertIn(source, target, true);
  if (outcome.kind != DocumentOutcome::kCannotOpen && (!office_ || answers())) return outcome;
  // The office opened nothing, or stopped on it: once more (in a new office where it
  // stopped) without a view.  The windowless office cannot make the view of everything: it
  // opens nothing of some Writer documents holding comments and stops on others.  A document
  // without a view is read and stored without layout, which for some formats changes what is
  // stored (frames in Word 97 files), so this is the second way only.
  const DocumentOutcome again = convertIn(source, target, false);
  return again.kind == DocumentOutcome::kConverted ||
                 again.kind == DocumentOutcome::kNothingToConvert
             ? again
             : outcome;
}

DocumentOutcome DocumentConverter::convertIn(const std::string& source, const std::string& target,
                                             bool view) {
  DocumentOutcome outcome;
  if (office_ && !answers()) {
    // The office stopped (killed, or it failed on a document before): a new one.
    drop();
    tried_ = false;
  }
  if (!start()) {
    outcome.kind = DocumentOutcome::kCannotOpen;
    outcome.why = ts::platform::formatted(ts::platform::tr("no office to convert it in: %s"),
                                          startError_.c_str());
    return outcome;
  }
  Object doc;
  try {
    // Hidden, its own macros never run, its links never updated; no one to ask for a
    // password: a protected document does not open.  Without a view where asked and its
    // kind is known.
    const auto how = properties({{"Hidden", Any(true)},
                                 {"MacroExecutionMode", Any(sal_Int16(0))},
                                 {"UpdateDocMode", Any(sal_Int16(0))}});
    if (!view) doc = loadWithoutView(*office_, fileUrl(source), how);
    if (doc.empty())
      doc = office_->wrap(office_->desktop().call(
          "loadComponentFromURL",
          {text(fileUrl(source)), text("_blank"), Any(sal_Int32(0)), Any(how)}));
  } catch (...) {
    outcome.kind = DocumentOutcome::kCannotOpen;
    outcome.why =
        (answers() ? "LibreOffice cannot open it: " : "LibreOffice stopped opening it: ") +
        currentError();
    return outcome;
  }
  if (doc.empty()) {
    outcome.kind = DocumentOutcome::kCannotOpen;
    outcome.why = ts::platform::tr("LibreOffice cannot open it (damaged, or protected by a password)");
    return outcome;
  }
  try {
    css::uno::Sequence<css::beans::PropertyValue> args;
    doc.call("getArgs") >>= args;
    const std::string filter = utf8(property(args, "FilterName"));
    const std::string counts =
        utf8(runScript(convertScript_, {doc.value(), Any(sal_Int32(from_)), Any(sal_Int32(to_)),
                                        Any(true), Any(false), Any(fontless_), Any(false)}));
    outcome.runs = std::strtoull(counts.c_str(), nullptr, 10);
    // Then the legacy sheet names, a line each.
    for (std::size_t at = counts.find('\n'); at != std::string::npos;) {
      const std::size_t end = counts.find('\n', at + 1);
      const std::string name = counts.substr(at + 1, end == std::string::npos ? end : end - at - 1);
      if (!name.empty()) outcome.notes.push_back(legacySheetNameNote(name));
      at = end;
    }
    if (outcome.runs == 0) {
      outcome.kind = DocumentOutcome::kNothingToConvert;
    } else {
      if (filter.empty()) throw std::runtime_error("the office did not say the document's format");
      doc.call("storeToURL",
               {text(fileUrl(target)),
                Any(properties({{"FilterName", text(filter)}, {"Overwrite", Any(true)}}))});
      outcome.kind = DocumentOutcome::kConverted;
    }
  } catch (...) {
    outcome.kind = DocumentOutcome::kFailed;
    outcome.why =
        answers() ? currentError() : "LibreOffice stopped converting it: " + currentError();
  }
  try {
    doc.call("close", {Any(true)});
  } catch (...) {
    // closed already, or the office went: the next document says so
  }
  return outcome;
}

DocumentPool::DocumentPool(std::string addinFolder) : addin_(std::move(addinFolder)) {}
DocumentPool::~DocumentPool() = default;

DocumentOutcome DocumentPool::convert(const std::string& source, const std::string& target,
                                      int from, int to, bool fontless) {
  std::unique_ptr<DocumentConverter> office;
  {
    const std::lock_guard<std::mutex> lock(m_);
    if (!idle_.empty()) {
      office = std::move(idle_.back());
      idle_.pop_back();
    }
  }
  if (!office) office = std::make_unique<DocumentConverter>(addin_, from, to);
  office->setCharsets(from, to, fontless);
  const DocumentOutcome outcome = office->convert(source, target);
  const std::lock_guard<std::mutex> lock(m_);
  idle_.push_back(std::move(office));
  return outcome;
}

}  // namespace ts::office
