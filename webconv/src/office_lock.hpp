// The lock files LibreOffice keeps beside a document it holds open (".~lock.NAME#"), and
// whether the office that wrote one is still running.
#pragma once

#include <string>

namespace ts::web {

struct OfficeLock {
  enum State { kNone, kHeld, kStale };
  State state = kNone;
  std::string path;  // the lock file
  std::string who;   // the name the office gives its user, else the login; "" when unknown
  std::string host;  // the machine the office runs on
  std::string since; // as the office wrote it ("10.12.2026 06:00")
};

// The lock of `document`: kHeld when an office on another machine wrote it (that office
// cannot be asked) or a LibreOffice process running here uses the profile it names; kStale
// when no running office here does; kNone when there is none.
OfficeLock officeLockOf(const std::string& document);

}  // namespace ts::web
