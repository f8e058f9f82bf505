#include "ts/office/office.hpp"

#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

extern char** environ;
#include <com/sun/star/bridge/BridgeFactory.hpp>
#include <com/sun/star/bridge/XBridge.hpp>
#include <com/sun/star/connection/Connector.hpp>
#include <com/sun/star/deployment/DeploymentException.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/lang/WrappedTargetException.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/lang/XMultiComponentFactory.hpp>
#include <com/sun/star/lang/XSingleServiceFactory.hpp>
#include <com/sun/star/reflection/InvocationTargetException.hpp>
#include <com/sun/star/task/XInteractionApprove.hpp>
#include <com/sun/star/task/XInteractionHandler.hpp>
#include <com/sun/star/ucb/XCommandEnvironment.hpp>
#include <com/sun/star/ucb/XProgressHandler.hpp>
#include <com/sun/star/uno/Exception.hpp>
#include <com/sun/star/uno/RuntimeException.hpp>
#include <cppuhelper/bootstrap.hxx>
#include <cppuhelper/exc_hlp.hxx>
#include <cppuhelper/implbase3.hxx>
#include <osl/file.hxx>
#include <rtl/bootstrap.hxx>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <fstream>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "ts/platform/process.hpp"
#include "ts/platform/messages.hpp"

namespace ts::office {

using css::uno::Reference;
using css::uno::Sequence;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;

std::string utf8(const rtl::OUString& text) {
  const rtl::OString s = rtl::OUStringToOString(text, RTL_TEXTENCODING_UTF8);
  return std::string(s.getStr(), static_cast<std::size_t>(s.getLength()));
}

std::string utf8(const Any& value) {
  rtl::OUString s;
  return (value >>= s) ? utf8(s) : std::string();
}

rtl::OUString ou(const std::string& utf8Text) {
  return rtl::OStringToOUString(
      rtl::OString(utf8Text.data(), static_cast<sal_Int32>(utf8Text.size())),
      RTL_TEXTENCODING_UTF8);
}

Any text(const std::string& utf8Text) { return Any(ou(utf8Text)); }

std::string fileUrl(const std::string& path) {
  rtl::OUString url;
  if (osl::FileBase::getFileURLFromSystemPath(ou(path), url) != osl::FileBase::E_None)
    return "file://" + path;
  return utf8(url);
}

css::uno::Sequence<css::beans::PropertyValue> properties(
    std::initializer_list<std::pair<const char*, Any>> values) {
  css::uno::Sequence<css::beans::PropertyValue> seq(static_cast<sal_Int32>(values.size()));
  auto* p = seq.getArray();
  for (const auto& [name, value] : values) {
    p->Name = rtl::OUString::createFromAscii(name);
    p->Value = value;
    ++p;
  }
  return seq;
}

Any property(const css::uno::Sequence<css::beans::PropertyValue>& values, const char* name) {
  for (const auto& p : values)
    if (p.Name.equalsAscii(name)) return p.Value;
  return {};
}

namespace {

// An exception held in an Any as "Type: message", with the exception it wraps (the error an
// invoked method raised) in its place.
std::string describe(const Any& caught) {
  css::reflection::InvocationTargetException invocation;
  if (caught >>= invocation)
    if (invocation.TargetException.hasValue()) return describe(invocation.TargetException);
  css::lang::WrappedTargetException wrapped;
  if (caught >>= wrapped)
    if (wrapped.TargetException.hasValue()) return describe(wrapped.TargetException);
  css::deployment::DeploymentException deployment;
  if (caught >>= deployment)
    if (deployment.Cause.hasValue())
      return utf8(deployment.Message) + ": " + describe(deployment.Cause);
  css::uno::Exception e;
  caught >>= e;
  std::string type = utf8(caught.getValueTypeName());
  if (const auto dot = type.rfind('.'); dot != std::string::npos) type = type.substr(dot + 1);
  const std::string message = utf8(e.Message);
  // A plain RuntimeException is how our own checks fail: its message says it all.
  if (type == "RuntimeException" && !message.empty()) return message;
  return message.empty() ? type : type + ": " + message;
}

}  // namespace

std::string currentError() {
  try {
    throw;
  } catch (const css::uno::Exception&) {
    return describe(cppu::getCaughtException());
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "unknown error";
  }
}

namespace {

// The process's own UNO context, which only bridges to the office; made once.
Reference<css::uno::XComponentContext> localContext() {
  static std::once_flag once;
  static Reference<css::uno::XComponentContext> context;
  std::call_once(once, [] {
    // The bridge writes to a pipe the office closes when it quits: a write then must fail,
    // not kill this process with SIGPIPE (where nobody has taken the signal already).
    struct sigaction current {};
    if (sigaction(SIGPIPE, nullptr, &current) == 0 && current.sa_handler == SIG_DFL)
      signal(SIGPIPE, SIG_IGN);
    // The URE finds its types and services through the office's fundamentalrc.
    rtl::Bootstrap::set("URE_BOOTSTRAP",
                        "vnd.sun.star.pathname:" TS_LO_PROGRAM_DIR "/fundamentalrc");
    context = cppu::defaultBootstrap_InitialComponentContext();
  });
  return context;
}

// A bridge of our own to the office on a pipe, whose component context is reached through
// it.  Disposing the bridge closes the connection and ends its threads before that returns.
Reference<css::lang::XComponent> connect(const std::string& pipe,
                                         Reference<css::uno::XComponentContext>& context) {
  const Reference<css::connection::XConnection> connection =
      css::connection::Connector::create(localContext())->connect(ou("pipe,name=" + pipe));
  const Reference<css::bridge::XBridge> bridge = css::bridge::BridgeFactory::create(localContext())
                                                     ->createBridge("", "urp", connection, nullptr);
  const Reference<css::lang::XComponent> component(bridge, UNO_QUERY_THROW);
  try {
    context.set(bridge->getInstance("StarOffice.ComponentContext"), UNO_QUERY_THROW);
  } catch (...) {
    component->dispose();
    throw;
  }
  return component;
}

void dispose(Reference<css::lang::XComponent>& bridge) {
  if (!bridge.is()) return;
  try {
    bridge->dispose();
  } catch (...) {
    // Already gone with its connection.
  }
  bridge.clear();
}

using Clock = std::chrono::steady_clock;

// The process listening on a named office pipe, from the peer credentials of a connection of
// our own to the pipe's socket (the office keeps it in /tmp, else /var/tmp); -1 when none
// answers.  The office takes the short connection for a client that left at once.
int pipeListener(const std::string& pipe) {
  for (const char* dir : {"/tmp", "/var/tmp"}) {
    const std::string path =
        std::string(dir) + "/OSL_PIPE_" + std::to_string(getuid()) + "_" + pipe;
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (path.size() >= sizeof addr.sun_path) continue;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    int pid = -1;
    if (connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0) {
      ucred cred{};
      socklen_t len = sizeof cred;
      if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) == 0) pid = cred.pid;
    }
    close(fd);
    if (pid > 0) return pid;
  }
  return -1;
}

// The extension manager's questions ("about to be installed", a version to replace) answered
// with yes, as a user who asked for the installation would; progress is not shown.
class Approver
    : public cppu::WeakImplHelper3<css::ucb::XCommandEnvironment, css::task::XInteractionHandler,
                                   css::ucb::XProgressHandler> {
 public:
  Reference<css::task::XInteractionHandler> SAL_CALL getInteractionHandler() override {
    return this;
  }
  Reference<css::ucb::XProgressHandler> SAL_CALL getProgressHandler() override { return this; }
  void SAL_CALL handle(const Reference<css::task::XInteractionRequest>& request) override {
    for (const auto& c : request->getContinuations()) {
      const Reference<css::task::XInteractionApprove> approve(c, UNO_QUERY);
      if (approve.is()) {
        approve->select();
        return;
      }
    }
  }
  void SAL_CALL push(const Any&) override {}
  void SAL_CALL update(const Any&) override {}
  void SAL_CALL pop() override {}
};

}  // namespace

Any Office::commandEnvironment() {
  return Any(Reference<css::ucb::XCommandEnvironment>(new Approver));
}

// ---- Object ------------------------------------------------------------------------------

Any Object::call(const char* method, std::initializer_list<Any> args) const {
  if (!inv_.is()) throw css::uno::RuntimeException(ou(std::string("no object for ") + method));
  Sequence<Any> in(static_cast<sal_Int32>(args.size()));
  std::copy(args.begin(), args.end(), in.getArray());
  Sequence<sal_Int16> outIndex;
  Sequence<Any> out;
  return inv_->invoke(rtl::OUString::createFromAscii(method), in, outIndex, out);
}

Any Object::get(const char* property) const {
  if (!inv_.is()) throw css::uno::RuntimeException(ou(std::string("no object for ") + property));
  return inv_->getValue(rtl::OUString::createFromAscii(property));
}

void Object::set(const char* property, const Any& value) const {
  if (!inv_.is()) throw css::uno::RuntimeException(ou(std::string("no object for ") + property));
  inv_->setValue(rtl::OUString::createFromAscii(property), value);
}

Object Object::callObject(const char* method, std::initializer_list<Any> args) const {
  return office_->wrap(call(method, args));
}

Object Object::getObject(const char* property) const { return office_->wrap(get(property)); }

bool Object::has(const char* name) const {
  const rtl::OUString n = rtl::OUString::createFromAscii(name);
  return inv_.is() && (inv_->hasMethod(n) || inv_->hasProperty(n));
}

// ---- Office ------------------------------------------------------------------------------

std::vector<std::string> officeEnvironment(const std::vector<std::string>& added) {
  // LibreOffice's Python finds its home through the first python3 on PATH and the Python
  // variables: another build's (pyenv, conda, a virtual environment) breaks it.  An office
  // started here gets Debian's PATH and none of them.
  static constexpr std::string_view kDropped[] = {
      "PATH=",           "PYTHONHOME=",       "PYTHONPATH=",  "PYTHONSTARTUP=",
      "PYTHONUSERBASE=", "PYTHONEXECUTABLE=", "VIRTUAL_ENV=", "CONDA_PREFIX="};
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string_view entry(*e);
    bool dropped = false;
    for (std::string_view d : kDropped) dropped = dropped || entry.starts_with(d);
    if (!dropped) env.emplace_back(entry);
  }
  env.emplace_back("PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin");
  for (const std::string& assignment : added) {
    const auto eq = assignment.find('=');
    if (eq == std::string::npos) continue;
    const std::string prefix = assignment.substr(0, eq + 1);
    std::erase_if(env, [&](const std::string& e) { return e.starts_with(prefix); });
    env.push_back(assignment);
  }
  return env;
}

std::string Office::pipeName(const OfficeOptions& options) {
  return options.pipe.empty() ? "tessaro-setup-" + std::to_string(getuid()) : options.pipe;
}

std::string Office::foreignPipeHolder(const OfficeOptions& options) {
  const int pid = pipeListener(pipeName(options));
  if (pid <= 0) return {};
  std::ifstream in("/proc/" + std::to_string(pid) + "/comm");
  std::string comm;
  std::getline(in, comm);
  if (comm.starts_with("soffice") || comm.starts_with("oosplash")) return {};
  return (comm.empty() ? std::string("a process") : comm) + " (pid " + std::to_string(pid) + ")";
}

std::unique_ptr<Office> Office::attach(const OfficeOptions& options) {
  // A pipe held by another program would take the connection and never answer it.
  if (!foreignPipeHolder(options).empty()) return nullptr;
  std::unique_ptr<Office> office(new Office);
  office->pipe_ = pipeName(options);
  try {
    office->bridge_ = connect(office->pipe_, office->context_);
    office->invocationFactory_ = office->context_->getServiceManager()->createInstanceWithContext(
        "com.sun.star.script.Invocation", office->context_);
    if (!office->invocationFactory_.is()) return nullptr;
  } catch (...) {
    return nullptr;
  }
  return office;
}

std::unique_ptr<Office> Office::attachOrStart(const OfficeOptions& options, std::string* why) {
  try {
    localContext();
  } catch (...) {
    if (why != nullptr)
      *why = ts::platform::formatted(ts::platform::tr("the UNO runtime cannot start: %s"),
                                     currentError().c_str());
    return nullptr;
  }
  if (const std::string holder = foreignPipeHolder(options); !holder.empty()) {
    if (why != nullptr)
      *why = ts::platform::formatted(
          ts::platform::tr("the pipe %s is held by %s, which is not LibreOffice (give another with --pipe)"),
          pipeName(options).c_str(), holder.c_str());
    return nullptr;
  }
  if (auto office = attach(options)) return office;

  std::string program = options.program;
  if (program.empty()) {
    const char* env = std::getenv("TESSARO_SOFFICE");
    program = env != nullptr && *env != '\0' ? env : "soffice";
  }
  const std::string pipe = pipeName(options);
  std::vector<std::string> argv{program, "--accept=pipe,name=" + pipe + ";urp;", "--norestore",
                                "--nologo", "--nodefault"};
  if (options.headless) {
    argv.emplace_back("--headless");
    argv.emplace_back("--invisible");
  }
  if (!options.profile.empty()) argv.push_back("-env:UserInstallation=" + fileUrl(options.profile));
  const std::vector<std::string> environment = officeEnvironment(options.env);
  platform::StartedProgram started = platform::startProgram(argv, &environment);
  if (started.pid < 0) {
    if (why != nullptr)
      *why = ts::platform::formatted(ts::platform::tr("cannot start %s: %s"), program.c_str(),
                                     std::strerror(started.error));
    return nullptr;
  }
  const auto deadline = Clock::now() + std::chrono::seconds(options.startSeconds);
  Clock::time_point endedAt{};
  int status = -1;
  while (Clock::now() < deadline) {
    if (auto office = attach(options)) {
      // A program that handed its work to a running office has ended: nothing of ours runs.
      office->pid_ = status < 0 ? started.pid : -1;
      return office;
    }
    if (status < 0) {
      status = platform::programStatus(started.pid);
      if (status >= 0) endedAt = Clock::now();
    }
    // A program that failed is given a few seconds for an office it may have woken.
    if (status > 0 && Clock::now() - endedAt > std::chrono::seconds(5)) break;
    // One that handed the pipe to a running office ends at once with 0 and the pipe soon
    // answers; when it does not, that office was on its way out: start again.
    if (status == 0 && Clock::now() - endedAt > std::chrono::seconds(10)) {
      const platform::StartedProgram again = platform::startProgram(argv, &environment);
      if (again.pid < 0) break;
      started = again;
      status = -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  if (status < 0) platform::releaseProgram(started.pid);
  if (why != nullptr)
    *why = status > 0 ? program + " ended with status " + std::to_string(status) +
                            " before it listened on the pipe " + pipe
                      : program + " did not listen on the pipe " + pipe + " within " +
                            std::to_string(options.startSeconds) + " seconds";
  return nullptr;
}

Office::~Office() {
  // Our references go first, then the connection with its threads: nothing of it is left
  // running when the process ends.
  context_.clear();
  invocationFactory_.clear();
  dispose(bridge_);
  if (pid_ > 0) platform::releaseProgram(pid_);
}

Object Office::wrap(const Any& value) {
  Object o;
  o.office_ = this;
  Reference<css::uno::XInterface> target;
  if (!(value >>= target) || !target.is()) return o;
  Reference<css::lang::XSingleServiceFactory> factory(invocationFactory_, UNO_QUERY_THROW);
  Sequence<Any> args(1);
  args.getArray()[0] = value;
  // The Invocation service is a factory of that (deprecated) kind.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  o.inv_.set(factory->createInstanceWithArguments(args), UNO_QUERY_THROW);
#pragma GCC diagnostic pop
  o.value_ = value;
  return o;
}

Object Office::service(const char* name, std::initializer_list<Any> args) {
  const auto smgr = context_->getServiceManager();
  Reference<css::uno::XInterface> instance;
  if (args.size() == 0) {
    instance = smgr->createInstanceWithContext(rtl::OUString::createFromAscii(name), context_);
  } else {
    Sequence<Any> in(static_cast<sal_Int32>(args.size()));
    std::copy(args.begin(), args.end(), in.getArray());
    instance = smgr->createInstanceWithArgumentsAndContext(rtl::OUString::createFromAscii(name), in,
                                                           context_);
  }
  if (!instance.is())
    throw css::uno::RuntimeException(ou(std::string("the office has no service ") + name));
  return wrap(Any(instance));
}

Object Office::singleton(const char* name) {
  const Any value = context_->getValueByName(ou(std::string("/singletons/") + name));
  Object o = wrap(value);
  if (o.empty())
    throw css::uno::RuntimeException(ou(std::string("the office has no singleton ") + name));
  return o;
}

Object Office::desktop() { return service("com.sun.star.frame.Desktop"); }

bool Office::quit(std::string* why) {
  // The office's own process, whoever started it: the pipe closes before it has ended, and
  // until it has, a new office of the same profile would hand over to it or find it locked.
  const int listener = pipeListener(pipe_);
  try {
    bool agreed = false;
    if (!(desktop().call("terminate") >>= agreed) || !agreed) {
      if (why != nullptr) *why = ts::platform::tr("LibreOffice did not quit (a document may be unsaved)");
      return false;
    }
  } catch (const css::lang::DisposedException&) {
    // The office went before it answered.
  } catch (const css::uno::RuntimeException&) {
    // The bridge closed as the office ended.
  }
  context_.clear();
  invocationFactory_.clear();
  dispose(bridge_);
  // Release wait: the office has gone when its pipe no longer answers, its process has ended
  // and so has a process started here; a new office can then take the profile.
  const auto pipeAnswers = [&] { return attach({pipe_, {}, {}, false, 0, {}}) != nullptr; };
  const auto waitGone = [&](int seconds) {
    const auto deadline = Clock::now() + std::chrono::seconds(seconds);
    while (Clock::now() < deadline) {
      if (pid_ > 0 && platform::programStatus(pid_) >= 0) pid_ = -1;
      if (pid_ <= 0 && !platform::processRunning(listener) && !pipeAnswers()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
  };
  if (waitGone(30)) return true;
  if (!pipeAnswers() && platform::processRunning(listener)) {
    // Its pipe closed and its documents with it, but the process stays: an office hung on its
    // way out is ended, or no office of that profile could start again.
    platform::endProcess(listener, 5000);
    if (waitGone(10)) {
      if (why != nullptr) *why = ts::platform::tr("LibreOffice hung on its way out and was ended");
      return true;
    }
  } else if (waitGone(30)) {
    return true;
  }
  if (why != nullptr)
    *why = ts::platform::tr("LibreOffice agreed to quit but was still running after a minute");
  return false;
}

}  // namespace ts::office
