#include "ts/web/batch_job.hpp"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "texts.hpp"
#include "ts/platform/files.hpp"
#include "ts/unicode.hpp"

namespace ts::web {
namespace {

std::string shown(const std::string& tcvn3) { return tcvn3ToUtf8(tcvn3); }

template <class... Args>
std::string format(const char* fmt, Args... args) {
  char buf[512];
  std::snprintf(buf, sizeof buf, fmt, args...);
  return buf;
}

std::string baseName(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string lastExtension(const std::string& name) {
  const std::size_t dot = name.find_last_of('.');
  return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

std::string joined(const std::string& folder, const std::string& name) {
  return (!folder.empty() && folder.back() == '/') ? folder + name : folder + "/" + name;
}

// The entries of a folder in the order the file system gives them, read at once so that
// the renames of the job do not disturb the listing.
std::vector<std::string> entriesOf(const std::string& folder) {
  std::vector<std::string> names;
  DIR* d = opendir(folder.c_str());
  if (d == nullptr) return names;
  while (const dirent* e = readdir(d)) {
    if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
    names.emplace_back(e->d_name);
  }
  closedir(d);
  return names;
}

}  // namespace

int progressPosition(std::uint64_t ticks) {
  return ticks < kMinimumTicks ? 1 + 2 * static_cast<int>(ticks) : 99;
}

bool isPageName(const std::string& name) {
  std::string ext = lastExtension(baseName(name));
  if (ext.size() == baseName(name).size()) return false;
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext == "htm" || ext == "html" || ext == "shtml";
}

std::string emptyListMessage() {
  return shown(std::string(texts::kEmptyList1) + "\n" + texts::kEmptyList2);
}

std::string reportMessage(std::uint64_t pages, std::uint64_t bytes, std::int64_t seconds) {
  const std::int64_t s = seconds < 0 ? 0 : seconds;
  const int h = static_cast<int>((s / 3600) % 24), m = static_cast<int>((s / 60) % 60),
            sec = static_cast<int>(s % 60);
  return shown(format(texts::kDone, static_cast<unsigned long long>(pages)) + "\n" +
               format(texts::kBytes, static_cast<unsigned long long>(bytes)) + "\n" +
               format(texts::kTime, h, m, sec));
}

bool BatchJob::add(const std::string& path) {
  if (std::find(list_.begin(), list_.end(), path) != list_.end()) return false;
  list_.push_back(path);
  return true;
}

struct BatchJob::Run {
  Run(const ConvertSettings& s, JobObserver& o) : converter(s), observer(o) {}

  void fail(const std::string& path, const std::string& why) {
    report.failures.push_back({path, why});
    observer.pageFailed(path, why);
  }

  // First pass, one page: X becomes X.bak, which converts into X.tshtm.
  void convertPage(const std::string& page) {
    struct stat st;
    if (lstat(page.c_str(), &st) != 0) return;
    if (S_ISLNK(st.st_mode)) {
      if (isPageName(page)) fail(page, "a symbolic link: left as it is");
      return;
    }
    if (!S_ISREG(st.st_mode) || !isPageName(page)) return;
    const std::string backup = page + ".bak", temporary = page + ".tshtm";
    bool renamed = platform::renameNoReplace(page, backup);
    if (!renamed && errno != EEXIST) {
      fail(page, std::string("cannot rename it to its backup: ") + std::strerror(errno));
      return;
    }
    // With a backup from before, the page keeps its name and that backup is converted; the
    // page is left as it is.
    std::uint64_t size = 0;
    if (stat(backup.c_str(), &st) == 0) size = static_cast<std::uint64_t>(st.st_size);
    observer.pageStarted(
        page, size,
        format(texts::kConverting, baseName(page).c_str(), static_cast<unsigned long long>(size)));
    const FileOutcome outcome = converter.convert(backup, temporary, size * 2 / 100, observer);
    if (!outcome.ok()) {
      unlink(temporary.c_str());
      if (renamed && !platform::renameNoReplace(backup, page))
        fail(page, outcome.describe() + "; the page is kept as " + backup);
      else
        fail(page, outcome.describe());
      return;
    }
    if (!renamed) {
      fail(page, "its backup " + backup + " exists already: the page is left as it is, " +
                     temporary + " holds the conversion of that backup");
      return;
    }
    ++report.pages;
    report.bytes += size;
  }

  void convertTree(const std::string& folder) {
    for (const std::string& name : entriesOf(folder)) {
      const std::string path = joined(folder, name);
      struct stat st;
      if (lstat(path.c_str(), &st) != 0) continue;
      if (S_ISDIR(st.st_mode)) convertTree(path);  // symbolic links are not followed
      convertPage(path);
    }
  }

  // Second pass: X.tshtm becomes X (never replacing a file).
  void restoreFile(const std::string& temporary) {
    const std::string page = temporary.substr(0, temporary.size() - 6);
    platform::renameNoReplace(temporary, page);
  }

  void restoreTree(const std::string& folder) {
    for (const std::string& name : entriesOf(folder)) {
      const std::string path = joined(folder, name);
      struct stat st;
      if (lstat(path.c_str(), &st) != 0) continue;
      if (S_ISDIR(st.st_mode)) {
        restoreTree(path);
      } else if (S_ISREG(st.st_mode) && lastExtension(name) == "tshtm" && name.size() > 6) {
        restoreFile(path);
      }
    }
  }

  FileConverter converter;
  JobObserver& observer;
  JobReport report;
};

JobReport BatchJob::run(const ConvertSettings& settings, JobObserver& observer) {
  if (list_.empty()) {
    JobReport empty;
    empty.text = emptyListMessage();
    observer.message(empty.text);
    return empty;
  }
  Run r(settings, observer);
  r.report.ran = true;
  const std::time_t start = clock();
  for (const std::string& entry : list_) {
    struct stat st;
    if (lstat(entry.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) r.convertTree(entry);
    r.convertPage(entry);
  }
  if (!stopAfterFirstPass) {
    for (const std::string& entry : list_) {
      struct stat st;
      if (lstat(entry.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        r.restoreTree(entry);
      else
        r.restoreFile(entry + ".tshtm");
    }
  }
  r.report.seconds = static_cast<std::int64_t>(clock() - start);
  std::string text = reportMessage(r.report.pages, r.report.bytes, r.report.seconds);
  if (!r.report.failures.empty()) {
    text += "\n\n" + shown(format(texts::kFailed, r.report.failures.size()));
    for (const JobFailure& f : r.report.failures) text += "\n" + f.path + ": " + f.why;
  }
  r.report.text = text;
  observer.titleRestored();
  observer.message(text);
  list_.clear();
  return r.report;
}

}  // namespace ts::web
