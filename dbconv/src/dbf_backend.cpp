#include "dbf_backend.hpp"

#include <fcntl.h>
#include <shapefil.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "file_copies.hpp"
#include "ts/db/conversion.hpp"
#include "ts/platform/files.hpp"
#include "ts/platform/messages.hpp"

namespace ts::db {

using ts::platform::formatted;
using ts::platform::tr;

namespace {

namespace fs = std::filesystem;

// An open table that closes itself.
class Dbf {
 public:
  Dbf(const std::string& path, const char* access) {
    // The file itself first: the library's own errors leave errno as a look for other files
    // (its .cpg) left it.
    const int fd = ::open(path.c_str(), (access[1] == '+' ? O_RDWR : O_RDONLY) | O_CLOEXEC);
    if (fd < 0) throw DbError(formatted(tr("cannot open %s: %s"), path.c_str(), std::strerror(errno)));
    ::close(fd);
    h_ = DBFOpen(path.c_str(), access);
    if (h_ == nullptr)
      throw DbError(formatted(tr("cannot open %s as a dBASE table: its header is no dBASE header "
                                 "(a damaged table, or another kind of file)"),
                              path.c_str()));
    // A table cut short (a copy that did not end) holds fewer records than its header says.
    struct stat st {};
    const long long wanted = static_cast<long long>(h_->nHeaderLength) +
                             static_cast<long long>(h_->nRecords) * h_->nRecordLength;
    if (stat(path.c_str(), &st) == 0 && st.st_size < wanted) {
      const long long stated = h_->nRecords;
      const long long held = h_->nRecordLength > 0 && st.st_size > h_->nHeaderLength
                                 ? (st.st_size - h_->nHeaderLength) / h_->nRecordLength
                                 : 0;
      DBFClose(h_);
      h_ = nullptr;
      throw DbError(formatted(tr("%s is cut short: its header says %lld records, the file holds "
                                 "%lld (a damaged table, or a copy that did not end)"),
                              path.c_str(), static_cast<long long>(stated),
                              static_cast<long long>(held)));
    }
  }
  ~Dbf() {
    if (h_ != nullptr) DBFClose(h_);
  }
  Dbf(const Dbf&) = delete;
  Dbf& operator=(const Dbf&) = delete;
  DBFHandle get() const { return h_; }
  // The raw bytes of record r, its deletion flag first.
  std::string_view record(int r, const std::string& path) const {
    const char* tuple = DBFReadTuple(h_, r);
    if (tuple == nullptr)
      throw DbError(formatted(tr("%s: cannot read record %d"), path.c_str(), r + 1));
    return {tuple, static_cast<std::size_t>(h_->nRecordLength)};
  }
  // Closes it, writing what is pending; false when that fails.
  void close() {
    DBFClose(h_);
    h_ = nullptr;
  }

 private:
  DBFHandle h_ = nullptr;
};

// A character field's value: its bytes without the blanks that pad it to the field's width.
std::string_view fieldValue(std::string_view record, const DbfBackend::Field& f) {
  std::string_view v =
      record.substr(static_cast<std::size_t>(f.offset), static_cast<std::size_t>(f.width));
  while (!v.empty() && (v.back() == ' ' || v.back() == '\0')) v.remove_suffix(1);
  return v;
}

std::string typeText(const DbfBackend::Field& f) {
  char text[32];
  if (f.decimals != 0)
    std::snprintf(text, sizeof text, "%c(%d,%d)", f.type, f.width, f.decimals);
  else
    std::snprintf(text, sizeof text, "%c(%d)", f.type, f.width);
  return text;
}

const char* typeName(char type) {
  switch (type) {
    case 'C': return "Text";
    case 'N':
    case 'F': return "Number";
    case 'D': return "Date";
    case 'L': return "Yes/No";
    case 'M': return "Memo";
    default: return "Other";
  }
}

// Why a field is not converted, where that is not plain from its type.
std::string fieldNote(const DbfBackend::Field& f) {
  if (f.type == 'M') return "memo: its text is in the memo file, which this program does not write";
  return {};
}

}  // namespace

namespace {

// Makes a rename in the folder of `path` last through a crash.
void syncFolderOf(const std::string& path) {
  fs::path folder = fs::path(path).parent_path();
  if (folder.empty()) folder = ".";
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    fsync(fd);
    ::close(fd);
  }
}

}  // namespace

DbfBackend::DbfBackend(std::string path, bool readOnly)
    : path_(std::move(path)), readOnly_(readOnly) {}

std::unique_ptr<DbfBackend> DbfBackend::open(const std::string& path, bool readOnly) {
  std::error_code ec;
  if (!fs::exists(path, ec)) throw DbError(path + ": " + std::strerror(ENOENT));
  if (!fs::is_regular_file(path, ec)) throw DbError(formatted(tr("%s is not a file"), path.c_str()));
  std::unique_ptr<DbfBackend> b(new DbfBackend(path, readOnly));
  // A run killed while writing a converted table into itself left the whole copy: it is
  // written first, before anything reads the table.
  const std::string target = linkTarget(path);
  if (fs::exists(writeBackName(target), ec)) {
    if (readOnly)
      throw DbError(formatted(tr("%s waits for a converted copy a stopped run left (%s): open it "
                                 "for writing to finish that run"),
                              target.c_str(), writeBackName(target).c_str()));
    if (finishWriteBack(target))
      b->opened_.push_back(
          formatted(tr("wrote the converted table a stopped run left into %s"), target.c_str()));
  }
  b->load();
  return b;
}

void DbfBackend::load() {
  errno = 0;
  Dbf dbf(path_, "rb");
  fields_.clear();
  for (int i = 0; i < DBFGetFieldCount(dbf.get()); ++i) {
    char name[XBASE_FLDNAME_LEN_READ + 1] = {};
    Field f;
    DBFGetFieldInfo(dbf.get(), i, name, &f.width, &f.decimals);
    f.name = name;
    f.type = DBFGetNativeFieldType(dbf.get(), i);
    f.offset = dbf.get()->panFieldOffset[i];
    fields_.push_back(std::move(f));
  }
  records_ = DBFGetRecordCount(dbf.get());
  const char* cp = DBFGetCodePage(dbf.get());
  codePage_ = cp != nullptr ? cp : "";
}

std::string DbfBackend::name() const { return fs::path(path_).filename().string(); }
std::string DbfBackend::table() const { return fs::path(path_).stem().string(); }

std::vector<std::string> DbfBackend::indexFiles() const {
  std::vector<std::string> found;
  const fs::path p(path_);
  for (const char* ext : {".mdx", ".MDX", ".cdx", ".CDX", ".ndx", ".NDX", ".idx", ".IDX"}) {
    fs::path index = p;
    index.replace_extension(ext);
    std::error_code ec;
    if (fs::exists(index, ec)) found.push_back(index.filename().string());
  }
  return found;
}

const DbfBackend::Field& DbfBackend::field(const ColumnRef& ref) const {
  if (ref.table != table()) throw said::noTable(ref.table);
  for (const Field& f : fields_)
    if (f.name == ref.column) return f;
  throw said::noColumn(ref);
}

void DbfBackend::fillSchema(SchemaTree& tree) {
  tree.clear();
  const int root = tree.add(kNoItem, ItemKind::kDatabase, name());
  const int tables = tree.add(root, ItemKind::kTables, "Tables");
  tree.add(root, ItemKind::kRelations, "Relations");
  tree.add(root, ItemKind::kQueries, "QueryDefs");
  const int t = tree.add(tables, ItemKind::kTable, table());
  const int fields = tree.add(t, ItemKind::kFields, "Fields");
  const int indexes = tree.add(t, ItemKind::kIndexes, "Indexes");
  for (const Field& f : fields_) tree.add(fields, ItemKind::kColumn, f.name);
  for (const std::string& i : indexFiles()) tree.add(indexes, ItemKind::kIndex, i);
}

std::vector<TableInfo> DbfBackend::tables(bool countRows) {
  TableInfo info;
  info.name = table();
  for (const Field& f : fields_)
    info.columns.push_back({f.name, typeText(f), f.type == 'C', fieldNote(f)});
  if (countRows) info.rows = records_;
  return {info};
}

bool DbfBackend::convertible(const ColumnRef& ref) {
  try {
    return field(ref).type == 'C';
  } catch (const DbError&) {
    return false;
  }
}

void DbfBackend::readColumn(const ColumnRef& ref,
                            const std::function<bool(const StoredValue&)>& visit) {
  const Field f = field(ref);
  errno = 0;
  Dbf dbf(path_, "rb");
  for (int r = 0; r < records_; ++r) {
    StoredValue v;
    v.key = formatted(tr("record %d"), r + 1);
    if (f.type == 'C') {
      v.type = StoredValue::Type::kText;
      v.bytes = fieldValue(dbf.record(r, path_), f);
    } else {
      v.type = StoredValue::Type::kOther;
    }
    if (!visit(v)) return;
  }
}

void DbfBackend::rewrite(const std::string& temp, const Field& f, ValueConverter& converter,
                         RunObserver& observer, ColumnReport& report) {
  errno = 0;
  Dbf out(temp, "r+b");
  ColumnPass pass(converter, observer, report, static_cast<std::uint64_t>(records_),
                  ColumnPass::Storage::kBytes);
  std::string record;
  for (int r = 0; r < records_; ++r) {
    if (!pass.next()) break;  // stopped: the copy is removed
    record.assign(out.record(r, path_));
    const std::string* converted = pass.convert(fieldValue(record, f));
    if (converted == nullptr) continue;
    if (converted->size() > static_cast<std::size_t>(f.width)) {
      report.row = formatted(tr("record %d"), r + 1);
      throw DbError(formatted(tr("the converted value takes %zu bytes; the field '%s' holds %d"),
                              converted->size(), f.name.c_str(), static_cast<int>(f.width)));
    }
    // The new value, padded with blanks to the field's width again.
    char* at = record.data() + f.offset;
    std::memset(at, ' ', static_cast<std::size_t>(f.width));
    std::memcpy(at, converted->data(), converted->size());
    if (!DBFWriteTuple(out.get(), r, record.data()))
      throw DbError(formatted(tr("cannot write record %d of %s"), r + 1, temp.c_str()));
  }
  out.close();
}

void DbfBackend::place(const std::string& temp, const std::string& target,
                       const struct stat& original, const std::function<void()>& placed,
                       ColumnReport& report) {
  // The library does not say whether its last writes reached the disk: the copy must be as
  // long as the table (a record count never changes here) before it takes its place.
  std::error_code ec;
  if (fs::file_size(temp, ec) < static_cast<std::uintmax_t>(original.st_size) || ec)
    throw DbError(formatted(tr("cannot write the converted table beside %s (is the disk full?)"),
                            target.c_str()));
  const int fd = ::open(temp.c_str(), O_RDONLY | O_CLOEXEC);
  const bool synced = fd >= 0 && fsync(fd) == 0;
  if (fd >= 0) ::close(fd);
  if (!synced)
    throw DbError(formatted(tr("cannot write %s: %s"), temp.c_str(), std::strerror(errno)));
  if (original.st_nlink <= 1) {
    if (rename(temp.c_str(), target.c_str()) != 0)
      throw DbError(formatted(tr("cannot put the converted table in place of %s: %s"),
                              target.c_str(), std::strerror(errno)));
    placed();
    return;
  }
  // Written into the table itself, so that its other names show it too.  The whole copy
  // waits beside it under a name of its own until that is done: a run killed while writing
  // leaves it, and the next run writes it first (the table is never truncated meanwhile).
  const std::string pending = writeBackName(target);
  if (rename(temp.c_str(), pending.c_str()) != 0)
    throw DbError(formatted(tr("cannot keep the converted table beside %s: %s"), target.c_str(),
                            std::strerror(errno)));
  placed();
  syncFolderOf(target);
  if (!writeInPlace(pending, target))
    throw DbError(formatted(tr("cannot write the converted table into %s: %s; the whole "
                               "converted table is kept as %s and the next run writes it"),
                            target.c_str(), std::strerror(errno), pending.c_str()));
  unlink(pending.c_str());
  report.notes.push_back(formatted(tr("%s has %lu other hard link(s): it was written in place, "
                                      "and they show the converted table too"),
                                   target.c_str(),
                                   static_cast<unsigned long>(original.st_nlink - 1)));
}

void DbfBackend::noteCodePage(int destination, ColumnReport& report) const {
  // A shapefile's table says its code page in a .cpg file beside it.
  std::error_code ec;
  fs::path cpg(path_);
  cpg.replace_extension(".cpg");
  fs::path shp(path_);
  shp.replace_extension(".shp");
  const bool hasCpg = fs::exists(cpg, ec), isShapefile = fs::exists(shp, ec);
  const std::string file = cpg.filename().string();
  if (destination == kUtf8 && (hasCpg || isShapefile)) {
    if (!platform::writeFileAtomically(cpg.string(), "UTF-8", 0644))
      report.notes.push_back(formatted(tr("cannot write %s: %s"), file.c_str(), std::strerror(errno)));
    else
      report.notes.push_back(formatted(hasCpg ? tr("%s changed: it says UTF-8")
                                              : tr("%s made: it says UTF-8"),
                                       file.c_str()));
  } else if (hasCpg) {
    report.notes.push_back(
        formatted(tr("%s left as it is: it names the table's old code page"), file.c_str()));
  } else if (destination == kUtf8) {
    // dBASE has no code page byte for UTF-8: the header keeps its own, and says so.
    report.notes.push_back(tr("the table's header keeps its code page byte: dBASE has none for "
                              "UTF-8 (a .cpg file saying UTF-8 beside it tells the programs "
                              "that read one)"));
  }
}

ColumnReport DbfBackend::convertColumn(const ColumnRef& ref, ValueConverter& converter,
                                       RunObserver& observer) {
  ColumnReport report;
  report.column = ref;
  std::unique_ptr<ScratchBeside> scratch;
  try {
    if (readOnly_) throw DbError(formatted(tr("%s is open read-only"), name().c_str()));
    const Field f = field(ref);
    if (f.type != 'C')
      throw DbError(formatted(tr("'%s' is not a character field"), f.name.c_str()) +
                    (f.type == 'M' ? " (" + fieldNote(f) + ")" : std::string()));
    // A table behind a symbolic link is converted where it is; the link stays.
    const std::string target = linkTarget(path_);
    struct stat original {};
    if (stat(target.c_str(), &original) != 0) throw DbError(target + ": " + std::strerror(errno));
    for (const std::string& done : opened_) report.notes.push_back(done);
    opened_.clear();
    for (const std::string& gone : removeLeftovers(target))
      report.notes.push_back(
          formatted(tr("removed %s, left by a run that did not end"), gone.c_str()));
    // The new table is written beside the old one and takes its place when it is whole; a
    // table with other hard links is written back into its own file, so that they see it.
    scratch = std::make_unique<ScratchBeside>(target, ".dbf");  // the library wants .dbf
    const std::string& temp = scratch->path();
    if (!copyBytes(target, temp))
      throw DbError(formatted(tr("cannot copy %s: %s"), target.c_str(), std::strerror(errno)));
    chmod(temp.c_str(), original.st_mode & 07777);
    if (chown(temp.c_str(), original.st_uid, original.st_gid) != 0) {
      // another owner's file: the copy stays ours
    }
    rewrite(temp, f, converter, observer, report);
    if (!report.stopped) {
      place(temp, target, original, [&] { scratch->placed(); }, report);
      for (const std::string& index : indexFiles())
        report.notes.push_back(formatted(
            tr("the index %s may no longer match the table: rebuild it in dBASE or FoxPro"),
            index.c_str()));
      noteCodePage(converter.to(), report);
      load();
    }
  } catch (const DbError& e) {
    report.fail(e);
  }
  scratch.reset();  // the copy, where it did not take the table's place
  if (report.failed || report.stopped) report.converted = 0;
  return report;
}

TableData DbfBackend::tableData(const std::string& t, std::size_t maxRows) {
  if (t != table()) throw said::noTable(t);
  TableData d;
  d.total = static_cast<std::uint64_t>(records_);
  for (const Field& f : fields_) d.headers.push_back(f.name);
  errno = 0;
  Dbf dbf(path_, "rb");
  for (int r = 0; r < records_ && d.rows.size() < maxRows; ++r) {
    const std::string_view record = dbf.record(r, path_);
    std::vector<std::string> row;
    for (const Field& f : fields_) {
      std::string_view v = fieldValue(record, f);
      if (f.type != 'C')
        while (!v.empty() && v.front() == ' ') v.remove_prefix(1);  // numbers stand right
      row.emplace_back(v);
    }
    d.rows.push_back(std::move(row));
  }
  return d;
}

PropertyTable DbfBackend::properties(const SchemaTree& tree, int item) {
  const SchemaItem& it = tree.item(item);
  switch (it.kind) {
    case ItemKind::kDatabase:
    case ItemKind::kTable:
      return PropertyTable::ofProperties(
          {"Name", "Updatable", "Record Count", "Code Page", "Connect"},
          {it.kind == ItemKind::kTable ? table() : path_, readOnly_ ? "FALSE" : "TRUE",
           std::to_string(records_), codePage_, "dBASE"});
    case ItemKind::kFields: {
      PropertyTable p = PropertyTable::ofObjects("Name,Type,Size,Decimals,Note");
      for (const Field& f : fields_)
        p.rows.push_back({f.name, typeName(f.type), std::to_string(f.width),
                          std::to_string(f.decimals), fieldNote(f)});
      return p;
    }
    case ItemKind::kColumn: {
      const Field& f = field({table(), it.text});
      return PropertyTable::ofProperties({"Name", "Type", "Size", "Decimals", "Note"},
                                         {f.name, typeName(f.type), std::to_string(f.width),
                                          std::to_string(f.decimals), fieldNote(f)});
    }
    default: return {};
  }
}

Backend::ValueLimit DbfBackend::valueLimit(const ColumnRef& ref) {
  const Field f = field(ref);
  return {f.type == 'C' ? f.width : -1, false};
}

std::string DbfBackend::backup() {
  removeLeftovers(linkTarget(path_));
  ScratchBeside scratch(path_);
  if (!copyBytes(path_, scratch.path()))
    throw DbError(formatted(tr("cannot copy %s: %s"), path_.c_str(), std::strerror(errno)));
  const std::string kept = keepAsBackup(path_, scratch.path());
  scratch.placed();
  return kept;
}

}  // namespace ts::db
