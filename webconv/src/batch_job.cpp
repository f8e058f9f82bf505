#include "ts/web/batch_job.hpp"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <thread>

#include "office_lock.hpp"
#include "ts/detect.hpp"
#include "ts/forms.hpp"
#include "ts/platform/files.hpp"
#include "ts/platform/messages.hpp"
#include "ts/repair.hpp"
#include "ts/unicode.hpp"
#include "ts/utf.hpp"

namespace ts::web {
namespace {

using platform::tr;
using platform::trn;

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

namespace {

const char* const kOfficeExtensions[] = {
    "doc",  "docx", "docm", "dotx", "dotm", "odt",  "ott",  "fodt", "xls",  "xlsx", "xlsm",
    "xltx", "ods",  "ots",  "fods", "ppt",  "pptx", "pptm", "potx", "odp",  "otp",  "fodp"};

bool hasExtension(const std::string& name, const char* wanted) {
  std::string ext = lastExtension(baseName(name));
  if (ext.size() == baseName(name).size()) return false;
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext == wanted;
}

}  // namespace

bool isTextName(const std::string& name) { return hasExtension(name, "txt"); }
bool isRtfName(const std::string& name) { return hasExtension(name, "rtf"); }
bool isOfficeName(const std::string& name) {
  return std::any_of(std::begin(kOfficeExtensions), std::end(kOfficeExtensions),
                     [&](const char* e) { return hasExtension(name, e); });
}

std::string emptyListMessage() {
  return tr("No file has been chosen: double-click one\nor right-click to choose files.");
}

std::string reportMessage(std::uint64_t pages, std::uint64_t bytes, std::int64_t seconds) {
  const auto n = static_cast<unsigned long long>(pages);
  return platform::formatted(trn("Converted %llu file.", "Converted %llu files.", n), n) + "\n" +
         platform::formatted(tr("Total bytes: %llu."), static_cast<unsigned long long>(bytes)) + "\n" +
         platform::timeTaken(seconds);
}

std::string convertingCaption(const std::string& page, std::uint64_t size) {
  return platform::formatted(tr(" Converting: [%s - %llu bytes] ..."), baseName(page).c_str(),
                static_cast<unsigned long long>(size));
}

bool BatchJob::add(const std::string& path) {
  if (std::find(list_.begin(), list_.end(), path) != list_.end()) return false;
  list_.push_back(path);
  return true;
}

struct BatchJob::Run {
  Run(const ConvertSettings& s, JobObserver& o, bool namedText, const BatchJob& job)
      : settings(s),
        converter(s),
        text(s),
        rtf(s),
        observer(o),
        namedFilesAreText(namedText),
        documents(job.documents) {}

  // What a file is converted as: a page, a text file, an RTF document, an office document,
  // or nothing (0).
  enum Kind { kNone, kPage, kText, kRtf, kOffice };
  Kind kindOf(const std::string& path, bool listed) const {
    if (listed && namedFilesAreText) return kText;
    if (isPageName(path)) return kPage;
    if (isTextName(path)) return kText;
    if (isRtfName(path)) return kRtf;
    if (isOfficeName(path)) return kOffice;
    return kNone;
  }

  // With the source read from each file: the charset of `file` from its first bytes.  False
  // when it reads as none confidently.
  bool chooseSource(const std::string& page, const std::string& file) {
    if (settings.source != kAutoSource) {
      // A page in good Unicode is no page in the source named (the default included): it is
      // left, as tsdata leaves such values, unless told.
      if (settings.force) return true;
      std::string head(65536, '\0');
      std::ifstream in(file, std::ios::binary);
      in.read(head.data(), static_cast<std::streamsize>(head.size()));
      head.resize(static_cast<std::size_t>(in.gcount()));
      if (!readsAsGoodUnicode(wholeCharacters(head))) return true;
      skip(page, tr("UTF-8 already: left as it is (--force converts it)"));
      return false;
    }
    // UTF-8 is no source of the web converter, but a page in it is recognised and left.
    static const std::vector<int> candidates = [] {
      std::vector<int> c = detectionCandidates(kWebOptions.lastCode, 2);
      c.push_back(kUtf8);
      return c;
    }();
    std::string head(65536, '\0');
    std::ifstream in(file, std::ios::binary);
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(in.gcount()));
    const Detection d = detectCharset(head, candidates);
    std::string what;
    int source = kTcvn3;
    if (d.noVietnameseLetters) {
      what = platform::formatted(tr("no Vietnamese letters: converted as %s"), formName(kTcvn3, tr).c_str());
    } else if (d.guesses.empty() || d.guesses.front().confidence < kConfidentGuess) {
      std::string candidatesText;
      for (std::size_t i = 0; i < d.guesses.size() && i < 3; ++i)
        candidatesText +=
            (i == 0 ? "" : ", ") + formName(static_cast<CharsetForm>(d.guesses[i].codes.front()), tr) +
            " " + std::to_string(static_cast<int>(d.guesses[i].confidence * 100 + 0.5)) + "%";
      skip(page, platform::formatted(tr("reads as no charset confidently (%s): left as it is"),
                         candidatesText.empty() ? tr("none reads it as Vietnamese")
                                                : candidatesText.c_str()));
      return false;
    } else if (d.guesses.front().codes.front() == kUtf8) {
      skip(page, tr("UTF-8 already: left as it is"));
      return false;
    } else {
      source = d.guesses.front().codes.front();
      what = formName(static_cast<CharsetForm>(source), tr) + " (" +
             std::to_string(static_cast<int>(d.guesses.front().confidence * 100 + 0.5)) + "%)";
    }
    converter.setSource(source);
    text.setSource(source);
    report.readAs.push_back({page, what});
    observer.pageReadAs(page, what);
    return true;
  }

  void fail(const std::string& path, const std::string& why) {
    report.failures.push_back({path, why});
    observer.pageFailed(path, why);
  }
  void skip(const std::string& path, const std::string& why) {
    report.skipped.push_back({path, why});
    observer.pageSkipped(path, why);
  }

  // A page an interrupted run left as its backup alone: X is missing, X.bak is a file.
  bool leftAsBackup(const std::string& page, bool listed) const {
    struct stat st;
    return kindOf(page, listed) != kNone && lstat(page.c_str(), &st) != 0 && errno == ENOENT &&
           lstat((page + ".bak").c_str(), &st) == 0 && S_ISREG(st.st_mode);
  }

  // First pass, one page: X becomes X.bak, which converts into X.tshtm.  `listed` tells a
  // page named in the list from one found in a folder.
  void convertPage(const std::string& page, bool listed) {
    if (observer.stopRequested()) return;
    const Kind kind = kindOf(page, listed);
    if (kind != kNone) kinds[page] = kind;
    struct stat st;
    if (lstat(page.c_str(), &st) != 0) {
      if (leftAsBackup(page, listed)) recoverPage(page);
      return;
    }
    if (S_ISLNK(st.st_mode)) {
      if (kindOf(page, listed) != kNone || listed) skip(page, tr("a symbolic link: left as it is"));
      return;
    }
    if (!S_ISREG(st.st_mode)) return;
    if (kindOf(page, listed) == kNone) {
      if (listed)
        skip(page, tr("not a page (.htm, .html, .shtml), a text file (.txt) or an RTF document "
                      "(.rtf): left as it is"));
      return;
    }
    const std::string backup = page + ".bak", temporary = page + ".tshtm";
    if (kindOf(page, listed) == kOffice) {
      // Renamed, converted and given its name back one at a time, after the walk.
      handled.insert(page);
      queueDocument(page, backup, temporary, static_cast<std::uint64_t>(st.st_size), false);
      return;
    }
    bool renamed = platform::renameNoReplace(page, backup);
    if (!renamed && errno != EEXIST) {
      fail(page, platform::formatted(tr("cannot rename it to its backup: %s"), std::strerror(errno)));
      return;
    }
    convertBackup(page, renamed);
  }

  // A page found as its backup alone is converted from it; its name comes back at the end.
  // A page this run has renamed itself (listed again inside a listed folder) is not one.
  void recoverPage(const std::string& page) {
    if (handled.count(page) != 0) return;
    recovering = true;
    const bool done = convertBackup(page, true);
    recovering = false;
    if (done) ++report.recovered;
  }

  // Converts X.bak into X.tshtm.  `renamed`: the backup is the page's own, made by this run
  // or by an interrupted one, and X is free; otherwise X stays as it is.
  bool convertBackup(const std::string& page, bool renamed) {
    handled.insert(page);
    const std::string backup = page + ".bak", temporary = page + ".tshtm";
    struct stat st;
    // With a backup from before, the page keeps its name and that backup is converted; the
    // page is left as it is.
    std::uint64_t size = 0;
    if (stat(backup.c_str(), &st) == 0) size = static_cast<std::uint64_t>(st.st_size);
    // A temporary file an interrupted run left is never used: it goes, and the report says so.
    if (lstat(temporary.c_str(), &st) == 0 && S_ISREG(st.st_mode) && unlink(temporary.c_str()) == 0)
      ++report.leftovers;
    const auto kind = kinds.find(page);
    const Kind as = kind != kinds.end() ? kind->second : kindOf(page, false);
    if (as == kOffice) {
      queueDocument(page, backup, temporary, size, renamed);
      return false;  // counted when it is converted, after the walk
    }
    // An RTF document's runs say their charsets through their fonts: nothing to guess.
    if (as != kRtf && !chooseSource(page, backup)) {
      // Left as it was: a page this run (or an interrupted one) renamed gets its name back.
      if (renamed && !platform::renameNoReplace(backup, page))
        fail(page, platform::formatted(tr("cannot give the page its name back: %s; it is %s"),
                                       std::strerror(errno), backup.c_str()));
      return false;
    }
    observer.pageStarted(
        page, size,
        convertingCaption(page, size));
    const std::uint64_t interval = size * 2 / 100;
    const FileOutcome outcome = as == kText ? text.convert(backup, temporary, interval, observer)
                                : as == kRtf
                                    ? rtf.convert(backup, temporary, interval, observer)
                                    : converter.convert(backup, temporary, interval, observer);
    if (!outcome.ok()) {
      unlink(temporary.c_str());
      if (renamed && !platform::renameNoReplace(backup, page))
        fail(page, outcome.describe() + "; the page is kept as " + backup);
      else
        fail(page, outcome.describe());
      return false;
    }
    if (!renamed) {
      // The page may be that conversion already (a finished run, run again).
      if (sameContents(page, temporary)) {
        unlink(temporary.c_str());
        skip(page, platform::formatted(tr("converted already from its backup %s"), backup.c_str()));
      } else {
        fail(page, platform::formatted(tr("its backup %s exists already: the page is left as it is, %s holds "
                             "the conversion of that backup"),
                          backup.c_str(), temporary.c_str()));
      }
      return false;
    }
    completed.push_back(page);
    ++report.pages;
    report.bytes += size;
    return true;
  }

  struct PendingDocument {
    std::string page, backup, temporary;
    std::uint64_t size;
    bool recovered;  // left as its backup alone by an interrupted run
    bool renamed;    // found as its backup (recovered), or renamed by a run of this job
  };

  // An office document, through the program's office, after the walk, by as many offices
  // as the job has workers: each one in turn becomes X.bak, converts into X.tshtm in its own
  // format and takes its name back at once, so that a run killed half way leaves one
  // document at most as its backup.  One with no legacy text, or one the office cannot
  // convert, keeps its name and no backup is left.  `renamed`: found as its backup alone.
  void queueDocument(const std::string& page, const std::string& backup,
                     const std::string& temporary, std::uint64_t size, bool renamed) {
    struct stat st;
    if (!documents)
      giveBack(page, backup, temporary, renamed,
               tr("an office document: converted where LibreOffice and the office add-in are "
                  "installed"),
               false);
    else if (!renamed && lstat(backup.c_str(), &st) == 0)
      fail(page, platform::formatted(tr("its backup %s exists already: the document is left as it is"),
                        backup.c_str()));
    else
      pending.push_back({page, backup, temporary, size, recovering, renamed});
  }

  // Before a document is converted: false (said) when an office holds it open, since the
  // conversion and the user's next save would overwrite each other.  A lock whose office is
  // gone is reported and the document converted; one an office left on a backup this job
  // converts (killed while converting it) is removed.
  bool freeToConvert(const PendingDocument& d) {
    const OfficeLock lock = d.renamed ? OfficeLock{} : officeLockOf(d.page);
    if (lock.state == OfficeLock::kHeld) {
      skip(d.page, platform::formatted(tr("open in LibreOffice by %s%s%s: left as it is; close it there and "
                             "convert it again (its lock: %s)"),
                          lock.who.empty() ? tr("someone") : lock.who.c_str(),
                          lock.host.empty() ? "" : platform::formatted(tr(" on %s"), lock.host.c_str()).c_str(),
                          lock.since.empty() ? "" : platform::formatted(tr(" since %s"), lock.since.c_str()).c_str(),
                          lock.path.c_str()));
      return false;
    }
    if (lock.state == OfficeLock::kStale)
      report.notes.push_back(
          {d.page, platform::formatted(tr("its lock %s is left by an office that no longer runs (%s): "
                          "converted"),
                       lock.path.c_str(), lock.who.c_str())});
    const OfficeLock ours = officeLockOf(d.backup);
    if (ours.state == OfficeLock::kStale) unlink(ours.path.c_str());
    return true;
  }

  // The converted document takes the original's mode (and its owner and group, where this
  // user may give them).
  static void keepModeAndOwner(const std::string& original, const std::string& converted) {
    struct stat st;
    if (stat(original.c_str(), &st) != 0) return;
    if (chown(converted.c_str(), st.st_uid, st.st_gid) != 0 &&
        chown(converted.c_str(), static_cast<uid_t>(-1), st.st_gid) != 0) {
      // Another user's file: its owner cannot be given; the mode still is.
    }
    chmod(converted.c_str(), st.st_mode & 07777);
  }

  // A document converted (or not) by its worker: its name back, at once.
  void settleDocument(const PendingDocument& d, const DocumentResult& result) {
    switch (result.kind) {
      case DocumentResult::kNothingToConvert:
        giveBack(d.page, d.backup, d.temporary, true, tr("no legacy text: left as it is"), false);
        return;
      case DocumentResult::kFailed:
        giveBack(d.page, d.backup, d.temporary, true, result.why, true);
        return;
      case DocumentResult::kLeft:
        giveBack(d.page, d.backup, d.temporary, true, result.why, false);
        return;
      case DocumentResult::kConverted: break;
    }
    keepModeAndOwner(d.backup, d.temporary);
    if (!platform::renameNoReplace(d.temporary, d.page)) {
      fail(d.page, platform::formatted(tr("cannot give the converted document its name: %s; it is %s"),
                                       std::strerror(errno), d.temporary.c_str()));
      return;
    }
    ++report.pages;
    report.bytes += d.size;
    if (d.recovered) ++report.recovered;
    for (const std::string& note : result.notes) report.notes.push_back({d.page, note});
  }

  // A document left as it was: its name back, and why (a failure, or a skip).
  void giveBack(const std::string& page, const std::string& backup, const std::string& temporary,
                bool renamed, const std::string& why, bool failure) {
    unlink(temporary.c_str());
    if (renamed && !platform::renameNoReplace(backup, page)) {
      fail(page, why + "; the document is kept as " + backup);
      return;
    }
    failure ? fail(page, why) : skip(page, why);
  }

  // The office documents of the walk, `workers` at a time.  A stop leaves the ones not begun
  // as they were.
  void finishDocuments(unsigned workers) {
    if (pending.empty()) return;
    std::vector<char> begun(pending.size(), false);
    std::mutex talk;  // the observer hears one worker at a time
    std::atomic<std::size_t> next{0};
    auto work = [&] {
      for (;;) {
        {
          const std::lock_guard<std::mutex> lock(talk);
          if (observer.stopRequested()) return;
        }
        const std::size_t i = next++;
        if (i >= pending.size()) return;
        const PendingDocument& d = pending[i];
        {
          const std::lock_guard<std::mutex> lock(talk);
          begun[i] = true;
          if (!freeToConvert(d)) continue;
          if (!d.renamed && !platform::renameNoReplace(d.page, d.backup)) {
            fail(d.page, platform::formatted(tr("cannot rename it to its backup: %s"), std::strerror(errno)));
            continue;
          }
          observer.pageStarted(d.page, d.size,
                               convertingCaption(d.page, d.size));
        }
        DocumentResult result;
        try {
          result = documents(d.backup, d.temporary, settings);
        } catch (const std::exception& e) {
          result.kind = DocumentResult::kFailed;
          result.why = e.what();
        }
        const std::lock_guard<std::mutex> lock(talk);
        for (std::uint64_t t = 0; t < kMinimumTicks; ++t) observer.tick();
        settleDocument(d, result);
      }
    };
    if (workers <= 1) {
      work();
    } else {
      std::vector<std::thread> threads;
      for (unsigned w = 0; w < workers && w < pending.size(); ++w) threads.emplace_back(work);
      for (std::thread& t : threads) t.join();
    }
    // Stopped: a document not begun that an interrupted run had left as its backup gets its
    // name back; the others were never renamed.
    for (std::size_t i = 0; i < pending.size(); ++i) {
      const PendingDocument& d = pending[i];
      if (begun[i] || !d.renamed) continue;
      unlink(d.temporary.c_str());
      if (!platform::renameNoReplace(d.backup, d.page))
        fail(d.page, platform::formatted(tr("cannot give the document its name back: %s; it is %s"),
                                         std::strerror(errno), d.backup.c_str()));
    }
    pending.clear();
  }

  static bool sameContents(const std::string& a, const std::string& b) {
    std::ifstream fa(a, std::ios::binary), fb(b, std::ios::binary);
    if (!fa || !fb) return false;
    return std::equal(std::istreambuf_iterator<char>(fa), std::istreambuf_iterator<char>(),
                      std::istreambuf_iterator<char>(fb), std::istreambuf_iterator<char>());
  }

  // The files of the kinds converted in a folder tree (symbolic links not followed).
  std::uint64_t countTree(const std::string& folder) const {
    std::uint64_t n = 0;
    for (const std::string& name : entriesOf(folder)) {
      const std::string path = joined(folder, name);
      struct stat st;
      if (lstat(path.c_str(), &st) != 0) continue;
      if (S_ISDIR(st.st_mode))
        n += countTree(path);
      else if (S_ISREG(st.st_mode) && kindOf(path, false) != kNone)
        ++n;
    }
    return n;
  }

  void convertTree(const std::string& folder) {
    for (const std::string& name : entriesOf(folder)) {
      if (observer.stopRequested()) return;
      const std::string path = joined(folder, name);
      struct stat st;
      if (lstat(path.c_str(), &st) != 0) continue;
      if (S_ISDIR(st.st_mode)) convertTree(path);  // symbolic links are not followed
      // X.bak without X: a page an interrupted run had renamed.
      if (name.size() > 4 && name.ends_with(".bak") && S_ISREG(st.st_mode)) {
        const std::string page = path.substr(0, path.size() - 4);
        if (leftAsBackup(page, false)) recoverPage(page);
        continue;
      }
      convertPage(path, false);
    }
  }

  // Second pass: X.tshtm becomes X (never replacing a file), for the pages whose temporary
  // file this run wrote whole.  A temporary file left by an interrupted run is never used.
  void restorePages() {
    for (const std::string& page : completed) {
      if (!platform::renameNoReplace(page + ".tshtm", page))
        fail(page, platform::formatted(tr("cannot give the converted page its name: %s; it is %s"),
                                       std::strerror(errno), (page + ".tshtm").c_str()));
    }
  }

  ConvertSettings settings;
  FileConverter converter;
  TextFileConverter text;
  RtfFileConverter rtf;
  std::map<std::string, Kind> kinds;  // what each file is converted as
  std::vector<std::string> completed;
  std::set<std::string> handled;  // pages this run has converted or tried to
  std::vector<PendingDocument> pending;  // office documents, converted after the walk
  bool recovering = false;
  JobObserver& observer;
  bool namedFilesAreText;
  const std::function<DocumentResult(const std::string&, const std::string&,
                                     const ConvertSettings&)>& documents;
  JobReport report;
};

JobReport BatchJob::run(const ConvertSettings& settings, JobObserver& observer) {
  if (list_.empty()) {
    JobReport empty;
    empty.text = emptyListMessage();
    observer.message(empty.text);
    return empty;
  }
  Run r(settings, observer, namedFilesAreText, *this);
  r.report.ran = true;
  const std::time_t start = clock();
  std::uint64_t files = 0;
  for (const std::string& entry : list_) {
    struct stat st;
    if (lstat(entry.c_str(), &st) != 0) continue;
    files += S_ISDIR(st.st_mode) ? r.countTree(entry) : 1;
  }
  observer.jobStarted(files);
  for (const std::string& entry : list_) {
    struct stat st;
    const bool folder = lstat(entry.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    if (folder) r.convertTree(entry);
    r.convertPage(entry, !folder);
  }
  unsigned workers = std::max(1u, documentWorkers);
  if (needsNoOffice &&
      std::all_of(r.pending.begin(), r.pending.end(),
                  [&](const auto& d) { return needsNoOffice(d.page); }))
    workers = std::max(workers, std::thread::hardware_concurrency());
  r.finishDocuments(workers);
  if (!stopAfterFirstPass) r.restorePages();
  r.report.seconds = static_cast<std::int64_t>(clock() - start);
  std::string text = reportMessage(r.report.pages, r.report.bytes, r.report.seconds);
  if (r.report.recovered != 0)
    text += "\n\n" + platform::formatted(tr("Recovered %llu pages left as backups by an interrupted run."),
                            static_cast<unsigned long long>(r.report.recovered));
  if (r.report.leftovers != 0)
    text += "\n\n" + platform::formatted(tr("Removed %llu temporary files (.tshtm) an interrupted run had left."),
                            static_cast<unsigned long long>(r.report.leftovers));
  if (!r.report.readAs.empty()) {
    // How many pages each charset was read as.
    std::map<std::string, std::size_t> counts;
    for (const JobFailure& f : r.report.readAs) {
      const std::size_t cut = f.why.rfind(" (");
      ++counts[cut == std::string::npos ? f.why : f.why.substr(0, cut)];
    }
    text += "\n\n" + std::string(tr("Read as:"));
    for (const auto& [what, count] : counts)
      text += "\n" + what + ": " + platform::formatted(trn("%zu file", "%zu files", count), count);
  }
  if (!r.report.failures.empty()) {
    const std::size_t failed = r.report.failures.size();
    text += "\n\n" + platform::formatted(trn("%zu file was not converted:", "%zu files were not converted:",
                                 failed),
                             failed);
    for (const JobFailure& f : r.report.failures) text += "\n" + f.path + ": " + f.why;
  }
  if (!r.report.notes.empty()) {
    text += "\n\n" + std::string(tr("Noted:"));
    for (const JobFailure& f : r.report.notes) text += "\n" + f.path + ": " + f.why;
  }
  if (!r.report.skipped.empty()) {
    // Every failure is named; files left as they are (a rerun's "converted already") are
    // counted, the first few named: the report stays readable for twenty thousand.
    constexpr std::size_t kNamed = 10;
    text += "\n\n" + platform::formatted(tr("Left as they are: %zu"), r.report.skipped.size());
    for (std::size_t i = 0; i < r.report.skipped.size() && i < kNamed; ++i)
      text += "\n" + r.report.skipped[i].path + ": " + r.report.skipped[i].why;
    if (r.report.skipped.size() > kNamed)
      text += "\n" + platform::formatted(tr("... and %zu more"), r.report.skipped.size() - kNamed);
  }
  if (observer.stopRequested()) {
    r.report.stopped = true;
    const std::uint64_t done =
        r.report.pages + r.report.failures.size() + r.report.skipped.size();
    text += "\n\n" + platform::formatted(tr("Stopped after the file under way: %llu of the %llu files were "
                               "not converted; run it again to convert them."),
                            static_cast<unsigned long long>(files > done ? files - done : 0),
                            static_cast<unsigned long long>(files));
  }
  r.report.text = text;
  observer.titleRestored();
  observer.message(text);
  list_.clear();
  return r.report;
}

}  // namespace ts::web
