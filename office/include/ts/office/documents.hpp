// Office documents converted in a LibreOffice of their own: started once (headless, with a
// scratch profile, never the user's), given the add-in, and asked to convert each document
// run by run through the add-in's own macro, then to store it in its own format.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "ts/office/office.hpp"

namespace ts::office {

struct DocumentOutcome {
  enum Kind {
    kConverted,         // the target holds the converted document
    kNothingToConvert,  // no run of legacy text: nothing was stored
    kCannotOpen,        // the office could not open it (damaged, a password, no office)
    kFailed,            // opened, but converting or storing failed
  };
  Kind kind = kFailed;
  std::uint64_t runs = 0;  // runs converted
  std::string why;         // kCannotOpen, kFailed: the reason
  std::vector<std::string> notes;  // what the user should know (legacy sheet names, left)
};

class DocumentConverter {
 public:
  // `addinFolder`: where Tessaro_O21.oxt is; `from`: the charset of runs whose font names
  // none; `to`: the destination (39 to 43: Unicode text); `env`: NAME=VALUE given to the
  // office (the tests point the macros at the built libtslib).
  DocumentConverter(std::string addinFolder, int from, int to, std::vector<std::string> env = {});
  ~DocumentConverter();
  DocumentConverter(const DocumentConverter&) = delete;
  DocumentConverter& operator=(const DocumentConverter&) = delete;

  // The charsets of the documents converted from now on; `fontless`: whether runs whose
  // font names no charset are read as `from` too (a source named by the user) or left.
  void setCharsets(int from, int to, bool fontless = false);
  // Converts `source` into `target` (a new file), in the format the source was read as.  The
  // office starts at the first document; one that could not start is said for every document.
  // One that stopped (a document it failed on, a kill) is started again for the next; a
  // document it stopped on is tried once more in the new office, without a view.
  DocumentOutcome convert(const std::string& source, const std::string& target);

 private:
  DocumentOutcome convertIn(const std::string& source, const std::string& target, bool view);
  bool start();
  bool answers();  // whether the office still answers
  void drop();     // the office quit and its profile removed
  std::string addin_;
  int from_, to_;
  bool fontless_ = false;
  OfficeOptions options_;
  std::string folder_;  // the scratch profile's folder, removed at the end
  std::unique_ptr<Office> office_;
  Object convertScript_;  // the add-in's tsConvertDocument, looked up at the start
  bool tried_ = false;
  std::string startError_;
};

// Converters for documents converted side by side, one for each worker of a job: each office
// is started at its first document, kept for the next one, and quit when the pool ends.
class DocumentPool {
 public:
  explicit DocumentPool(std::string addinFolder);
  ~DocumentPool();
  DocumentPool(const DocumentPool&) = delete;
  DocumentPool& operator=(const DocumentPool&) = delete;
  // As DocumentConverter::convert, in an office no other worker is using.
  DocumentOutcome convert(const std::string& source, const std::string& target, int from, int to,
                          bool fontless);

 private:
  std::string addin_;
  std::mutex m_;
  std::vector<std::unique_ptr<DocumentConverter>> idle_;  // offices not in use
};

}  // namespace ts::office
