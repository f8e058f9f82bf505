// LibreOffice driven over UNO: attaching to an office that listens on our pipe or starting
// one, and its objects reached late bound, every member by its name at run time through the
// Invocation service.
#pragma once

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/script/XInvocation2.hpp>
#include <com/sun/star/uno/Any.hxx>
#include <com/sun/star/uno/Reference.hxx>
#include <com/sun/star/uno/Sequence.hxx>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace ts::office {

namespace css = com::sun::star;
using css::uno::Any;

// A UNO value as UTF-8 text (strings), or empty.
std::string utf8(const Any& value);
std::string utf8(const rtl::OUString& text);
rtl::OUString ou(const std::string& utf8Text);
// The file URL of a path ("/a b" is "file:///a%20b").
std::string fileUrl(const std::string& path);
// An Any holding a string.
Any text(const std::string& utf8Text);
// A sequence of named values, as the office's methods take them.
css::uno::Sequence<css::beans::PropertyValue> properties(
    std::initializer_list<std::pair<const char*, Any>> values);
// The value named `name` in such a sequence, or an empty Any.
Any property(const css::uno::Sequence<css::beans::PropertyValue>& values, const char* name);
// The message of the exception being handled (UNO, standard or other), for reports.
std::string currentError();

class Office;

// The environment an office started here gets: the user's, with Debian's PATH and without the
// variables of another Python; `added` ("NAME=VALUE") on top.
std::vector<std::string> officeEnvironment(const std::vector<std::string>& added);

// An object of the office, reached by member names: methods are invoked and properties read
// and written through the Invocation service, as a script would.  Errors are UNO exceptions.
class Object {
 public:
  Object() = default;
  bool empty() const { return !inv_.is(); }
  const Any& value() const { return value_; }

  Any call(const char* method, std::initializer_list<Any> args = {}) const;
  Any get(const char* property) const;
  void set(const char* property, const Any& value) const;
  // The same, with the result as an object (empty for a null reference).
  Object callObject(const char* method, std::initializer_list<Any> args = {}) const;
  Object getObject(const char* property) const;
  // Whether the object has a method or property of that name.
  bool has(const char* name) const;

 private:
  friend class Office;

  // The environment an office started here gets: the user's, with Debian's PATH and without the
  // variables of another Python; `added` ("NAME=VALUE") on top.
  std::vector<std::string> officeEnvironment(const std::vector<std::string>& added);
  Any value_;
  css::uno::Reference<css::script::XInvocation2> inv_;
  Office* office_ = nullptr;
};

struct OfficeOptions {
  std::string pipe;              // the pipe our office listens on; empty: "tessaro-setup-<uid>"
  std::string program;           // the office program; empty: soffice (TESSARO_SOFFICE)
  std::string profile;           // a user profile folder of its own; empty: the user's
  bool headless = false;         // started without windows (tests, scripts)
  int startSeconds = 90;         // how long a started office may take to listen
  std::vector<std::string> env;  // NAME=VALUE added to a started office's environment
  bool closeUnsaved = false;     // quitting may close documents not saved, losing their changes
};

// One connection to the office.
class Office {
 public:
  // Attaches to the office listening on the pipe; when none does, starts the office with the
  // pipe accepted (an office the user runs takes that on itself) and attaches, retrying for
  // a bounded time.  Null, with the reason in `why`, when neither worked.
  static std::unique_ptr<Office> attachOrStart(const OfficeOptions& options, std::string* why);
  // Only attaches; null when nothing listens.
  static std::unique_ptr<Office> attach(const OfficeOptions& options);
  ~Office();

  Object desktop();
  Object service(const char* name, std::initializer_list<Any> args = {});
  Object singleton(const char* name);
  Object wrap(const Any& value);
  css::uno::Reference<css::uno::XComponentContext> context() const { return context_; }
  // A command environment for the extension manager that approves what it asks.
  static Any commandEnvironment();
  bool startedHere() const { return pid_ > 0; }

  // Quit: asks the office to end.  True when it agreed and has gone (its pipe closed, its
  // process and a process started here ended); false when it refused (unsaved documents) and
  // stays.  The connection is unusable after a true answer.
  bool quit(std::string* why = nullptr);

  // The pipe name the options give.
  static std::string pipeName(const OfficeOptions& options);
  // The program that listens on the pipe when it is not LibreOffice ("nc (pid 123)"), else
  // empty: such a pipe is never connected to, since it would not answer.
  static std::string foreignPipeHolder(const OfficeOptions& options);

 private:
  Office() = default;
  css::uno::Reference<css::lang::XComponent> bridge_;  // our connection, closed with us
  css::uno::Reference<css::uno::XComponentContext> context_;
  css::uno::Reference<css::uno::XInterface> invocationFactory_;
  int pid_ = -1;
  std::string pipe_;
};

}  // namespace ts::office
