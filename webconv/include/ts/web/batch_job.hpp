// The batch job: every page, text file and folder tree of the conversion list converted in
// place, each file kept as a ".bak" backup, with progress, the window title and a final report.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "ts/web/convert_settings.hpp"
#include "ts/web/file_converter.hpp"

namespace ts::web {

// What a window (or the command line) is told while a job runs.  Texts are UTF-8.
struct JobObserver : ProgressObserver {
  // The job starts: about how many files it will convert (the files of the kinds it converts
  // in the list and its folders, counted before the first).
  virtual void jobStarted(std::uint64_t /*files*/) {}
  // A page starts: the title to show, and the progress bar starts again (range 1 to 100,
  // step 2, position 1).
  virtual void pageStarted(const std::string& /*path*/, std::uint64_t /*bytes*/,
                           const std::string& /*title*/) {}
  virtual void pageFailed(const std::string& /*path*/, const std::string& /*why*/) {}
  // A listed file that is no page, a symbolic link, or a page converted already: left alone.
  virtual void pageSkipped(const std::string& /*path*/, const std::string& /*why*/) {}
  // With the source read from each page: what this one is read as.
  virtual void pageReadAs(const std::string& /*path*/, const std::string& /*what*/) {}
  // The job is over: the normal title comes back.
  virtual void titleRestored() {}
  // A message for the message box.
  virtual void message(const std::string& /*text*/) {}
  // Asked before each page: true ends the first pass there (the page under way is finished);
  // the pages converted so far still get their names back.
  virtual bool stopRequested() { return false; }
};

// The progress bar's position after `ticks` ticks of one page: 1 + 2 per tick below 50,
// then 99.
int progressPosition(std::uint64_t ticks);

// Pages: files whose lower-cased name ends in ".htm", ".html" or ".shtml".
bool isPageName(const std::string& name);
// Text files: ".txt"; RTF documents: ".rtf".
bool isTextName(const std::string& name);
bool isRtfName(const std::string& name);
// Office documents (each renamed, converted and given its name back in turn, none that an
// office holds open): their templates and macro-enabled kin, the flat OpenDocument files
// (".fodt"), and ".doc", ".docx", ".odt", ".xls", ".xlsx", ".ods", ".ppt", ".pptx", ".odp".
bool isOfficeName(const std::string& name);

// What converting an office document gave.
struct DocumentResult {
  enum Kind { kConverted, kNothingToConvert, kFailed, kLeft };
  Kind kind = kFailed;
  std::string why;  // kFailed, kLeft (not converted here, and why): the reason
  std::vector<std::string> notes;  // kConverted: what the report should say of it
};

struct JobFailure {
  std::string path;
  std::string why;
};

struct JobReport {
  bool ran = false;         // false for an empty list
  bool stopped = false;     // the run was stopped before its end
  std::uint64_t pages = 0;  // converted
  std::uint64_t bytes = 0;  // their sizes
  std::int64_t seconds = 0;
  std::uint64_t recovered = 0;  // pages an interrupted run had left as backups only
  std::uint64_t leftovers = 0;  // temporary files an interrupted run had left, removed
  std::vector<JobFailure> failures;
  std::vector<JobFailure> skipped;
  std::vector<JobFailure> notes;   // converted, with something to say (a stale office lock)
  std::vector<JobFailure> readAs;  // with the source read from each page: path, what it was read as
  std::string text;                // the message shown at the end
};

class BatchJob {
 public:
  // Adds a path (absolute, of a file or a folder); false when it is listed already.
  bool add(const std::string& path);
  const std::vector<std::string>& list() const { return list_; }
  void clear() { list_.clear(); }

  // Runs the job over the list and empties it.
  JobReport run(const ConvertSettings& settings, JobObserver& observer);

  // For tests: the clock, and a stop between the two passes (as if the run were killed).
  // A run after an interrupted one completes its work: a page found as its backup alone is
  // converted from that backup, and only temporary files this run wrote whole get a page's
  // name.
  std::function<std::time_t()> clock = [] { return std::time(nullptr); };
  bool stopAfterFirstPass = false;

  // The files of the list (not those found in its folders) are text files, whatever their
  // names.
  bool namedFilesAreText = false;

  // Converts an office document into a new file in its own format, with the run's charsets
  // (the program's office, where it has one).  Unset: office documents are listed as left.
  std::function<DocumentResult(const std::string& from, const std::string& to,
                               const ConvertSettings& settings)>
      documents;
  // How many office documents are converted at a time (each worker its own office): the
  // hook is then called from that many threads at once.
  unsigned documentWorkers = 1;
  // Documents the hook converts without an office (their own XML): when every document of a
  // run is one, they are converted by as many threads as the machine has cores.
  std::function<bool(const std::string& page)> needsNoOffice;

 private:
  struct Run;
  std::vector<std::string> list_;
};

// The job's messages, stored as TCVN3 bytes and shown as UTF-8.
std::string emptyListMessage();
std::string reportMessage(std::uint64_t pages, std::uint64_t bytes, std::int64_t seconds);

}  // namespace ts::web
