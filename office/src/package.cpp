// The package: a zip read with libzip (Debian's, well kept, reads and writes entries without
// recompressing them), its XML parts with expat.  The new package has the entries of the old
// in their order, with their names, times and compression; an entry whose part did not change
// is copied as it was stored (its compressed bytes), a changed one compressed anew.
#include <fcntl.h>
#include <unistd.h>
#include <zip.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>

#include "odf.hpp"
#include "runs.hpp"
#include "pptx.hpp"
#include "ts/office/packages.hpp"
#include "ts/platform/files.hpp"
#include "ts/platform/messages.hpp"
#include "word.hpp"
#include "xlsx.hpp"
#include "xml_edit.hpp"

namespace ts::office {

namespace {

// Limits beyond any document: a package past them is a zip bomb, or no document.
constexpr zip_int64_t kMostEntries = 20000;
constexpr zip_uint64_t kLargestPart = 512ull << 20;
constexpr zip_uint64_t kMostRatio = 200;  // uncompressed to compressed, for parts over 1 MB

std::string lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::string extensionOf(std::string_view name) {
  const std::size_t slash = name.rfind('/');
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return {};
  return lower(name.substr(dot + 1));
}

// The package's properties people read (docProps/core.xml: title, subject, author, keywords,
// description, category, last author; docProps/app.xml: company, manager), in no font: each
// converted only where it reads as legacy text of the source and not as good Unicode.
std::optional<std::string> documentProperties(RunConverter& runs, std::string part,
                                              std::size_t depth = 2) {
  static constexpr std::string_view kShown[] = {
      "title",    "subject", "creator", "keywords", "description",    "category",
      "lastModifiedBy", "Company", "Manager", "keyword", "initial-creator"};
  auto shown = [](std::string_view name) {
    const std::size_t bar = name.rfind('|');
    const std::string_view local = bar == std::string_view::npos ? name : name.substr(bar + 1);
    return std::find(std::begin(kShown), std::end(kShown), local) != std::end(kShown);
  };
  XmlEditor editor(std::move(part));
  editor.read({[&](const std::vector<XmlEditor::Element>& open, bool& collect) {
                 collect = open.size() == depth && shown(open.back().name);
               },
               [&](const std::vector<XmlEditor::Element>& open) {
                 const XmlEditor::Element& e = open.back();
                 if (open.size() != depth || !shown(e.name) || e.text.empty()) return;
                 if (const std::optional<std::string> out = runs.convert({}, e.text);
                     out && *out != e.text)
                   editor.replaceContent(e, *out);
               },
               nullptr});
  if (!editor.changed()) return std::nullopt;
  return editor.result();
}

struct Refused : std::runtime_error {
  using std::runtime_error::runtime_error;
};

using ts::platform::formatted;
using ts::platform::tr;

// Why a document is left, in the user's language.
template <class... Args>
Refused refused(const char* english, Args... args) {
  return Refused(formatted(tr(english), args...));
}

struct ZipCloser {
  void operator()(zip_t* z) const { zip_discard(z); }
};
using Zip = std::unique_ptr<zip_t, ZipCloser>;

std::string zipError(int code) {
  zip_error_t e;
  zip_error_init_with_code(&e, code);
  std::string text = zip_error_strerror(&e);
  zip_error_fini(&e);
  return text;
}

std::string readPart(zip_t* z, zip_uint64_t index, const std::string& name) {
  zip_stat_t st;
  zip_stat_init(&st);
  if (zip_stat_index(z, index, 0, &st) != 0) throw refused("cannot read %s", name.c_str());
  if (st.size > kLargestPart ||
      (st.size > (1u << 20) && st.comp_size > 0 && st.size / st.comp_size > kMostRatio))
    throw refused("its part %s unpacks to %llu bytes: refused as a zip bomb", name.c_str(),
                  static_cast<unsigned long long>(st.size));
  std::unique_ptr<zip_file_t, int (*)(zip_file_t*)> f(zip_fopen_index(z, index, 0), zip_fclose);
  if (!f) throw refused("cannot read %s: %s", name.c_str(), zip_strerror(z));
  std::string data(st.size, '\0');
  zip_uint64_t got = 0;
  while (got < st.size) {
    const zip_int64_t n = zip_fread(f.get(), data.data() + got, st.size - got);
    if (n <= 0) throw refused("cannot read %s: the package is damaged", name.c_str());
    got += static_cast<zip_uint64_t>(n);
  }
  return data;
}

bool startsWith(std::string_view s, std::string_view p) { return s.substr(0, p.size()) == p; }

}  // namespace

bool convertsDirectly(std::string_view name) {
  const std::string ext = extensionOf(name);
  return ext == "docx" || ext == "docm" || ext == "dotx" || ext == "dotm" || ext == "odt" ||
         ext == "ods" || ext == "odp" || ext == "ott" || ext == "ots" || ext == "otp" ||
         ext == "xlsx" || ext == "xlsm" || ext == "xltx" || ext == "pptx" || ext == "pptm" ||
         ext == "potx" || ext == "fodt" || ext == "fods" || ext == "fodp";
}

namespace {

// A whole file, refused where it cannot be read or is larger than a part may be;
// `cannotOpen`: the reason (English, of the catalogue) when it cannot be opened.
std::string readWholeFile(const std::string& path, const char* cannotOpen) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw refused(cannotOpen, path.c_str());
  std::string data;
  bool tooLarge = false;
  const bool read = ts::platform::readInPieces(fd, 1 << 16, [&](std::string_view piece) {
    data.append(piece);
    tooLarge = data.size() > kLargestPart;
    return !tooLarge;
  });
  close(fd);
  if (tooLarge)
    throw refused("larger than %llu bytes: refused", static_cast<unsigned long long>(kLargestPart));
  if (!read) throw refused("cannot read %s: %s", path.c_str(), std::strerror(errno));
  return data;
}

// A flat OpenDocument file: one XML document holding what content.xml and styles.xml hold.
PackageOutcome convertFlat(const std::string& from, const std::string& to, int source,
                           int destination) {
  PackageOutcome outcome;
  const std::string data = readWholeFile(from, "cannot open it");
  RunConverter runs(source, destination);
  OdfDocument document(runs);
  std::optional<std::string> result;
  try {
    document.collect(data);
    result = document.convert(data);
  } catch (const XmlError& e) {
    throw refused("no XML that can be read: %s", e.what());
  }
  outcome.runs = runs.converted();
  outcome.left = runs.left();
  if (!result) {
    outcome.kind = PackageOutcome::kNothingToConvert;
    return outcome;
  }
  const int fd = open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) throw refused("cannot make %s", to.c_str());
  bool ok = true;
  for (std::size_t at = 0; ok && at < result->size();) {
    const ssize_t n = write(fd, result->data() + at, result->size() - at);
    ok = n > 0;
    if (ok) at += static_cast<std::size_t>(n);
  }
  ok = fsync(fd) == 0 && ok;
  ok = close(fd) == 0 && ok;
  if (!ok) {
    unlink(to.c_str());
    throw refused("cannot write %s", to.c_str());
  }
  outcome.kind = PackageOutcome::kConverted;
  return outcome;
}

}  // namespace

namespace {

// A package opened for reading, its entries by name, and what kind of document it is.
struct Package {
  enum class Kind { kWord, kExcel, kSlides, kOdf };
  Zip in;
  zip_int64_t count = 0;
  std::map<std::string, zip_uint64_t> index;
  Kind kind = Kind::kWord;
  bool has(const std::string& part) const { return index.count(part) != 0; }
};

// Word's encrypted documents are no zip but a compound file.
void refuseCompoundFile(const std::string& from) {
  char head[8] = {};
  const int fd = open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw refused("cannot open it");
  const ssize_t n = read(fd, head, sizeof head);
  close(fd);
  if (n == 8 && std::string_view(head, 8) == "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1")
    throw refused("protected by a password (an encrypted package): left as it is");
}

// The package, refused where it is damaged, too large, encrypted, signed (unless `force`) or
// no document of the four kinds.
Package openPackage(const std::string& from, bool force) {
  refuseCompoundFile(from);
  Package p;
  int error = 0;
  p.in.reset(zip_open(from.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &error));
  if (!p.in) throw refused("not a package that can be read: %s", zipError(error).c_str());
  p.count = zip_get_num_entries(p.in.get(), 0);
  if (p.count > kMostEntries)
    throw refused("%lld entries: refused as no document", static_cast<long long>(p.count));
  for (zip_int64_t i = 0; i < p.count; ++i) {
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(p.in.get(), static_cast<zip_uint64_t>(i), 0, &st) != 0)
      throw refused("its entry %lld cannot be read", static_cast<long long>(i));
    if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE)
      throw refused("protected by a password (an encrypted entry): left as it is");
    p.index[st.name] = static_cast<zip_uint64_t>(i);
  }
  const bool ooxml = p.has("[Content_Types].xml");
  if (p.has("mimetype") && p.has("content.xml"))
    p.kind = Package::Kind::kOdf;
  else if (ooxml && p.has("xl/workbook.xml"))
    p.kind = Package::Kind::kExcel;
  else if (ooxml && p.has("ppt/presentation.xml"))
    p.kind = Package::Kind::kSlides;
  else if (!ooxml || !p.has("word/document.xml"))
    throw refused("not a Word, Excel, PowerPoint or OpenDocument package (no "
                  "word/document.xml, xl/workbook.xml, ppt/presentation.xml or content.xml)");
  for (const auto& [part, i] : p.index)
    if ((startsWith(part, "_xmlsignatures/") || part == "META-INF/documentsignatures.xml") &&
        !force)
      throw refused("digitally signed: converting it would invalidate the signature "
                    "(--force converts it anyway)");
  if (p.kind == Package::Kind::kOdf && p.has("META-INF/manifest.xml") &&
      readPart(p.in.get(), p.index["META-INF/manifest.xml"], "META-INF/manifest.xml")
              .find("encryption-data") != std::string::npos)
    throw refused("protected by a password (an encrypted package): left as it is");
  return p;
}

// The parts of a package being converted: each read, changed by a function (which gives it
// back changed, or nothing) and kept.
class Parts {
 public:
  explicit Parts(Package& p) : p_(p) {}
  template <class Convert>
  void take(const std::string& part, Convert&& convert) {
    const auto at = p_.index.find(part);
    if (at == p_.index.end()) return;
    try {
      if (auto result = convert(readPart(p_.in.get(), at->second, part)))
        changed_[part] = std::move(*result);
    } catch (const XmlError& e) {
      throw refused("its part %s is no XML that can be read: %s", part.c_str(), e.what());
    }
  }
  // The parts of one folder's files, as named, no deeper.
  template <class Convert>
  void each(std::string_view folder, std::string_view stem, Convert&& convert) {
    for (const auto& [part, i] : p_.index)
      if (startsWith(part, std::string(folder) + std::string(stem)) &&
          extensionOf(part) == "xml" && part.find('/', folder.size()) == std::string::npos)
        take(part, convert);
  }
  Package& package() { return p_; }
  const std::map<std::string, std::string>& changed() const { return changed_; }
  void keep(const std::string& part, std::string data) { changed_[part] = std::move(data); }

 private:
  Package& p_;
  std::map<std::string, std::string> changed_;
};

// The DrawingML text of the charts (titles, axis titles, text boxes) and of SmartArt (its data
// and the drawing made of it) under `folder`: each run by its own typeface, else the theme's
// body font.  The charts' cached values stay as the data they repeat.
void convertDrawingText(Parts& parts, RunConverter& runs, const std::string& folder,
                        const std::string& theme) {
  PptxDocument drawing(runs);
  parts.take(theme, [&](std::string xml) -> std::optional<std::string> {
    drawing.theme(std::move(xml));  // its fonts only: the theme part is its document's
    return std::nullopt;
  });
  auto text = [&](std::string xml) { return drawing.slide(std::move(xml)); };
  parts.each(folder + "charts/", "chart", text);
  parts.each(folder + "diagrams/", "data", text);
  parts.each(folder + "diagrams/", "drawing", text);
}

void convertOdf(Parts& parts, RunConverter& runs) {
  // meta.xml: office:document-meta, office:meta, then the properties.
  parts.take("meta.xml", [&](std::string xml) { return documentProperties(runs, std::move(xml), 3); });
  OdfDocument document(runs);
  for (const char* part : {"styles.xml", "content.xml"})
    parts.take(part, [&](std::string xml) -> std::optional<std::string> {
      document.collect(xml);
      return std::nullopt;
    });
  for (const char* part : {"styles.xml", "content.xml"})
    parts.take(part, [&](std::string xml) { return document.convert(std::move(xml)); });
}

}  // namespace

std::string legacySheetNameNote(const std::string& name) {
  return formatted(tr("the sheet name '%s' reads as legacy text; it is left as it is: formulas "
                      "and links refer to it"),
                   name.c_str());
}

namespace {

void convertExcel(Parts& parts, RunConverter& runs, PackageOutcome& outcome) {
  XlsxDocument book(runs);
  parts.take("xl/styles.xml", [&](std::string xml) { return book.styles(std::move(xml)); });
  parts.each("xl/worksheets/", "", [&](std::string xml) { return book.sheet(std::move(xml)); });
  parts.take("xl/sharedStrings.xml",
             [&](std::string xml) { return book.sharedStrings(std::move(xml)); });
  convertDrawingText(parts, runs, "xl/", "xl/theme/theme1.xml");
  // Sheet names are what formulas and links refer to: left, and said where legacy.
  parts.take("xl/workbook.xml", [&](std::string xml) -> std::optional<std::string> {
    XmlEditor editor(std::move(xml));
    editor.read({[&](const std::vector<XmlEditor::Element>& open, bool&) {
                   const XmlEditor::Element& e = open.back();
                   const std::string* name = e.attribute("name");
                   if (name != nullptr && e.name.ends_with("|sheet") && runs.readsAsLegacy(*name))
                     outcome.notes.push_back(legacySheetNameNote(*name));
                 },
                 nullptr, nullptr});
    return std::nullopt;
  });
}

void convertSlides(Parts& parts, RunConverter& runs) {
  PptxDocument deck(runs);
  Package& p = parts.package();
  std::vector<std::string> names;
  for (const auto& [part, i] : p.index) names.push_back(part);
  deck.convertDeck(
      names,
      [&](const std::string& part) {
        const auto at = p.index.find(part);
        return at == p.index.end() ? std::string() : readPart(p.in.get(), at->second, part);
      },
      [&](const std::string& part, const PptxDocument::Convert& convert) {
        parts.take(part, convert);
      });
}

void convertWord(Parts& parts, RunConverter& runs) {
  WordDocument word(runs);
  auto content = [&](std::string xml) { return word.content(std::move(xml)); };
  parts.take("word/theme/theme1.xml", [&](std::string xml) { return word.theme(std::move(xml)); });
  parts.take("word/styles.xml", [&](std::string xml) { return word.styles(std::move(xml)); });
  parts.take("word/fontTable.xml", [&](std::string xml) { return word.fontTable(std::move(xml)); });
  for (const char* part : {"word/document.xml", "word/footnotes.xml", "word/endnotes.xml",
                           "word/comments.xml", "word/glossary/document.xml"})
    parts.take(part, content);
  parts.each("word/", "header", content);
  parts.each("word/", "footer", content);
  convertDrawingText(parts, runs, "word/", "word/theme/theme1.xml");
}

// The workbooks embedded in the package (a chart's data: its cached labels are converted
// with the chart, so its data is too), each converted as a package of its own; one that is
// left is said in the report.
void convertEmbedded(Parts& parts, int source, int destination, PackageOutcome& outcome) {
  // Packages within packages, two deep at most (a package could hold itself).
  thread_local int depth = 0;
  if (depth >= 2) return;
  ++depth;
  struct Leave {
    ~Leave() { --depth; }
  } leave;
  Package& p = parts.package();
  for (const auto& [part, i] : p.index) {
    if (part.find("/embeddings/") == std::string::npos || extensionOf(part) != "xlsx") continue;
    // In the temporary folder: a run stopped here leaves nothing in the user's.
    std::error_code ec;
    std::string in = (std::filesystem::temp_directory_path(ec) / "tessaro-embedded-XXXXXX").string();
    const int fd = mkstemp(in.data());
    if (fd < 0) throw refused("cannot make %s", in.c_str());
    const std::string data = readPart(p.in.get(), i, part);
    const bool written = ts::platform::writeAll(fd, data.data(), data.size());
    close(fd);
    const std::string out = in + ".converted";
    PackageOutcome nested;
    if (written) {
      nested = convertPackage(in, out, "embedded.xlsx", source, destination, false);
    } else {
      nested.kind = PackageOutcome::kFailed;
      nested.why = formatted(tr("cannot write %s"), in.c_str());
    }
    unlink(in.c_str());
    try {
      if (nested.kind == PackageOutcome::kConverted)
        parts.keep(part, readWholeFile(out, "cannot read %s"));
    } catch (const Refused&) {
      unlink(out.c_str());
      throw;
    }
    unlink(out.c_str());
    outcome.runs += nested.runs;
    outcome.left += nested.left;
    if (nested.kind == PackageOutcome::kFailed)
      outcome.notes.push_back(formatted(tr("the embedded workbook %s was left as it is: %s"),
                                        part.c_str(), nested.why.c_str()));
  }
}

// The package written to `to`: the changed parts compressed anew, every other entry copied as
// it was stored, in the same order, names and times.
void writePackage(Package& p, const std::map<std::string, std::string>& changed,
                  const std::string& to) {
  int error = 0;
  Zip out(zip_open(to.c_str(), ZIP_CREATE | ZIP_EXCL, &error));
  if (!out) throw refused("cannot make %s: %s", to.c_str(), zipError(error).c_str());
  for (zip_int64_t i = 0; i < p.count; ++i) {
    const auto at = static_cast<zip_uint64_t>(i);
    zip_stat_t st;
    zip_stat_init(&st);
    zip_stat_index(p.in.get(), at, 0, &st);
    const std::string part = st.name;
    zip_int64_t added = -1;
    const auto c = changed.find(part);
    if (!part.empty() && part.back() == '/') {
      added = zip_dir_add(out.get(), part.c_str(), ZIP_FL_ENC_GUESS);
    } else {
      zip_source_t* s = c != changed.end()
                            ? zip_source_buffer(out.get(), c->second.data(), c->second.size(), 0)
                            : zip_source_zip(out.get(), p.in.get(), at, ZIP_FL_COMPRESSED, 0, -1);
      if (s == nullptr) throw refused("cannot copy %s: %s", part.c_str(), zip_strerror(out.get()));
      added = zip_file_add(out.get(), part.c_str(), s, ZIP_FL_ENC_GUESS);
      if (added < 0) {
        zip_source_free(s);
      } else {
        // A changed part is compressed anew, quickly (libzip's default, the smallest, costs
        // three quarters of a conversion).
        zip_set_file_compression(out.get(), static_cast<zip_uint64_t>(added),
                                 static_cast<zip_int32_t>(st.comp_method),
                                 c != changed.end() ? 1 : 0);
      }
    }
    if (added < 0) throw refused("cannot write %s: %s", part.c_str(), zip_strerror(out.get()));
    if (st.valid & ZIP_STAT_MTIME)
      zip_file_set_mtime(out.get(), static_cast<zip_uint64_t>(added), st.mtime, 0);
  }
  zip_t* done = out.release();
  if (zip_close(done) != 0) {
    const std::string why = zip_strerror(done);
    zip_discard(done);
    unlink(to.c_str());
    throw refused("cannot write %s: %s", to.c_str(), why.c_str());
  }
}

}  // namespace

PackageOutcome convertPackage(const std::string& from, const std::string& to,
                              std::string_view name, int source, int destination, bool force) {
  PackageOutcome outcome;
  try {
    const std::string ext = extensionOf(name);
    if (ext == "fodt" || ext == "fods" || ext == "fodp") return convertFlat(from, to, source, destination);
    Package package = openPackage(from, force);
    RunConverter runs(source, destination);
    Parts parts(package);
    if (package.kind != Package::Kind::kOdf)
      for (const char* part : {"docProps/core.xml", "docProps/app.xml"})
        parts.take(part, [&](std::string xml) { return documentProperties(runs, std::move(xml)); });
    switch (package.kind) {
      case Package::Kind::kOdf: convertOdf(parts, runs); break;
      case Package::Kind::kExcel: convertExcel(parts, runs, outcome); break;
      case Package::Kind::kSlides: convertSlides(parts, runs); break;
      case Package::Kind::kWord: convertWord(parts, runs); break;
    }
    outcome.runs = runs.converted();
    outcome.left = runs.left();
    if (package.kind != Package::Kind::kOdf)
      convertEmbedded(parts, source, destination, outcome);
    if (parts.changed().empty()) {
      outcome.kind = PackageOutcome::kNothingToConvert;
      return outcome;
    }
    writePackage(package, parts.changed(), to);
    outcome.kind = PackageOutcome::kConverted;
    for (const auto& [part, data] : parts.changed()) outcome.parts.push_back(part);
  } catch (const std::exception& e) {  // Refused, and what else stopped it
    outcome.kind = PackageOutcome::kFailed;
    outcome.why = e.what();
  }
  return outcome;
}

}  // namespace ts::office
