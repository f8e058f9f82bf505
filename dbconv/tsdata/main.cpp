// tsdata: the database converter.  With arguments it works without a window:
//   tsdata --list SOURCE
//   tsdata -f FROM -t TO [OPTIONS] SOURCE TABLE[.COLUMN]...
//   tsdata --detect SOURCE TABLE[.COLUMN]...
#include <getopt.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ts/catalogue.hpp"
#include "ts/converter.hpp"
#include "ts/db/backend.hpp"
#include "ts/db/conversion.hpp"
#include "ts/platform/messages.hpp"
#include "ts/platform/progress_bar.hpp"
#include "ts/platform/options.hpp"
#include "ts/text_utils.hpp"
#include "ts/unicode.hpp"
#include "ts/utf.hpp"
#ifdef TS_WITH_WINDOW
#include "db_window.hpp"
#endif

namespace {

using ts::db::ColumnRef;

[[noreturn]] void usageError(const std::string& message) {
  std::fprintf(stderr, "tsdata: %s (tsdata --help)\n", message.c_str());
  std::exit(2);
}

void usage() {
  std::fputs(
      ts::platform::tr(
          "Usage: tsdata --list SOURCE\n"
          "       tsdata -f FROM -t TO [OPTIONS] SOURCE TABLE[.COLUMN]...\n"
          "       tsdata --detect SOURCE TABLE[.COLUMN]...\n"
          "Converts the Vietnamese text of database columns between charsets, each column in one\n"
          "transaction: wholly or not at all.  A table named alone stands for its text columns.\n"
          "SOURCE is a SQLite database file, a dBASE or FoxPro table (FILE.dbf), a PostgreSQL\n"
          "URI (postgresql://user@host/db) or \"pg:\" and libpq keywords (pg:dbname=shop), a\n"
          "MariaDB or MySQL URI (mysql://user@host/db), or \"odbc:\" and an ODBC connection\n"
          "string (odbc:DSN=sales;UID=ann;PWD=secret).\n"
          "\n"
          "  -f, --from=CHARSET   charset the column holds; 'auto': each value's own, guessed\n"
          "  -t, --to=CHARSET     charset to convert to\n"
          "      --table=TABLE    a table by its whole name (names with dots)\n"
          "      --column=COLUMN  a column of the last --table (repeatable)\n"
          "      --dry-run[=N]    write nothing: count what would change and show N values\n"
          "                       as stored (bytes that are no UTF-8 as \\xNN) and as they\n"
          "                       would be (default 10); exit status 1 when a value would not\n"
          "                       fit its column\n"
          "      --force          convert even a column whose text does not read as FROM,\n"
          "                       and values in TO already (UTF-8 text with Vietnamese letters)\n"
          "      --backup         copy the database file beside itself first (FILE.bak);\n"
          "                       on MariaDB/MySQL, dump each table without transactions\n"
          "                       (MyISAM, Aria) into the current folder before converting it\n"
          "      --collation=NAME the utf8mb4 collation of MariaDB/MySQL columns changed to\n"
          "                       Unicode (the table's own by default)\n"
          "      --lock-timeout=S wait at most S seconds for a lock another session holds\n"
          "                       (default 10; then the column fails, busy or locked)\n"
          "      --allow-partition-move  convert a partition key too (rows move to the\n"
          "                       partitions their new values belong to; refused otherwise)\n"
          "      --json-keys      convert the keys of JSON objects too (their string values\n"
          "                       always)\n"
          "      --refresh-views  refresh the materialized views over converted tables\n"
          "      --list           list tables, views and columns: type, convertible, rows\n"
          "      --detect         guess each column's charset from its values\n"
          "      --list-charsets  list the charsets\n"
          "\n"
          "CHARSET is a code or a name as tsconv takes it; 39 and 40 store Unicode text as the\n"
          "column holds it.  Before converting, a sample of each column is read: a column whose\n"
          "text reads as another charset (text converted once already) is refused unless --force,\n"
          "and looked at again just before it is converted (a trigger, or a partitioned table\n"
          "named with its partitions, may have converted it in the same run).  Values in the\n"
          "destination already are left and counted.  Exit status: 0 done, 1 a column failed (it\n"
          "is left as it was) or the database is busy or locked, 2 bad arguments or a refused\n"
          "column.\n"),
      stdout);
}

int charset(const char* name, bool source) {
  std::string why;
  const int code = ts::db::conversionCharset(name, source, why);
  if (code < 0) usageError(why);
  return code;
}

// A text as one line of UTF-8 for the terminal: bytes that are no UTF-8 as U+FFFD, controls
// escaped.  `message`: a message of lines (a server's, which may quote a value's legacy bytes): its line
// ends kept, bytes that are no UTF-8 as \xNN.
std::string printable(std::string_view s, bool message = false) {
  std::string out;
  const auto* p = reinterpret_cast<const std::uint8_t*>(s.data());
  for (std::size_t i = 0; i < s.size();) {
    std::uint32_t cp = 0;
    const int n = p[i] < 0x80 ? 1 : ts::wellFormedUtf8(p + i, s.size() - i, cp);
    if (n == 1) cp = p[i];
    if (n == 0) {
      if (message) {
        char esc[8];
        std::snprintf(esc, sizeof esc, "\\x%02X", p[i]);
        out += esc;
      } else {
        out += "\xEF\xBF\xBD";
      }
      ++i;
    } else if (message && cp == '\n') {
      out += '\n';
      ++i;
    } else if (cp < 0x20 || cp == 0x7F) {
      char esc[8];
      std::snprintf(esc, sizeof esc, cp == '\n' ? "\\n" : cp == '\t' ? "\\t" : "\\x%02X", cp);
      out += esc;
      ++i;
    } else {
      out.append(s.substr(i, static_cast<std::size_t>(n)));
      i += static_cast<std::size_t>(n);
    }
  }
  return out;
}

// A value in charset `code` as UTF-8 (code 0: the charset it is guessed to be in).
std::string asUtf8(std::string_view value, int code) {
  if (code == ts::db::kAutomatic) {
    const ts::Detection d = ts::detectCharset(value);
    code =
        !d.noVietnameseLetters && !d.guesses.empty() ? d.guesses.front().codes.front() : ts::kUtf8;
  }
  if (code == ts::kUtf8) return printable(value);
  ts::ConverterState state;
  ts::selectPair(state, static_cast<std::uint32_t>(code), ts::kUtf8);
  return printable(ts::convert(state, value));
}

std::string confidenceText(const ts::Detection& d) {
  if (d.noVietnameseLetters) return "no Vietnamese letters with marks";
  if (d.guesses.empty()) return "no guess";
  const auto& g = d.guesses.front();
  std::string names;
  for (const int c : g.codes)
    names += (names.empty() ? "" : ", ") + std::to_string(c) + " \"" +
             std::string(ts::charsetName(c)) + "\"";
  char pct[32];
  std::snprintf(pct, sizeof pct, " (confidence %.0f%%)", g.confidence * 100);
  return names + pct;
}

// A message with the source in it as it is shown: without its password.
std::string withoutPassword(std::string message, const std::string& source,
                            const std::string& shown) {
  if (source == shown || source.empty()) return message;
  for (std::size_t at = message.find(source); at != std::string::npos;
       at = message.find(source, at + shown.size()))
    message.replace(at, source.size(), shown);
  return message;
}

volatile std::sig_atomic_t stopSignal = 0;
// The column under way is rolled back at once: a statement waiting for a lock is cancelled.
void onSignal(int sig) {
  stopSignal = sig;
  ts::db::interruptStatements();
}

// A progress bar per column on a terminal, and a summary line per column.
class Terminal : public ts::db::RunObserver {
 public:
  // " Converting [column] ..." names the column on the bar.
  void caption(const std::string& text) override { label_ = text.substr(1); }
  void position(int pos) override {
    if (pos == 1) draw(0);
  }
  void step(std::uint64_t done, std::uint64_t records) override {
    draw(records == 0 ? 100 : static_cast<int>(done * 100 / records));
  }
  void columnDone(const ts::db::ColumnReport& r) override {
    end();
    // A server's message may hold the legacy bytes of a value: shown escaped, never raw.
    std::printf("%s\n", printable(ts::db::columnSummary(r), true).c_str());
    for (const std::string& note : r.notes) std::printf("  %s\n", note.c_str());
    std::fflush(stdout);
  }
  bool stopRequested() override { return stopSignal != 0; }
  void end() { bar_.end(); }

 private:
  void draw(int percent) { bar_.draw(percent, label_); }
  ts::platform::ProgressBar bar_;
  std::string label_;
};

struct Named {
  std::string table;
  std::vector<std::string> columns;  // empty: the table's text columns
};

bool sameName(std::string a, std::string b) {
  auto lower = [](std::string& s) {
    for (char& c : s) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  };
  lower(a);
  lower(b);
  return a == b;
}

// The one of `items` a name names: the one spelt exactly so, else the only one spelt so but
// for case; nullptr when none.  Two that differ only in case are refused unless one is exact.
template <typename T>
const T* byName(const std::vector<T>& items, const std::string& name, const char* what) {
  const T* folded = nullptr;
  int count = 0;
  for (const T& item : items) {
    if (item.name == name) return &item;
    if (sameName(item.name, name)) {
      folded = &item;
      ++count;
    }
  }
  if (count > 1)
    usageError(ts::platform::formatted(
        ts::platform::tr("'%s' names more than one %s but for case: spell it exactly"),
        ts::db::shownName(name).c_str(), ts::platform::tr(what)));
  return folded;
}

// The columns the arguments name, as the database spells them.
std::vector<ColumnRef> resolve(const std::vector<ts::db::TableInfo>& tables,
                               const std::vector<Named>& named, const std::string& source) {
  std::vector<ColumnRef> refs;
  auto add = [&](const ColumnRef& r) {
    if (std::find(refs.begin(), refs.end(), r) == refs.end()) refs.push_back(r);
  };
  for (const Named& n : named) {
    const ts::db::TableInfo* t = byName(tables, n.table, "table");
    if (t == nullptr) usageError(ts::platform::formatted(ts::platform::tr("no table '%s' in %s"), ts::db::shownName(n.table).c_str(),
                                        source.c_str()));
    const std::string shown = ts::db::shownName(t->name);
    if (t->view) usageError(ts::platform::formatted(ts::platform::tr("'%s' is a view: name the tables it shows"), shown.c_str()));
    if (n.columns.empty()) {
      bool any = false;
      for (const auto& c : t->columns)
        if (c.convertible) {
          add({t->name, c.name});
          any = true;
        }
      if (!any) {
        std::string unicode;  // columns converted only when named
        for (const auto& c : t->columns)
          if (c.unicode)
            unicode += (unicode.empty() ? "" : ", ") + ts::db::shownName(t->name + "." + c.name);
        if (unicode.empty())
          std::fprintf(stderr, ts::platform::tr("tsdata: table '%s' has no text columns\n"), shown.c_str());
        else
          std::fprintf(stderr,
                       "tsdata: table '%s' has only Unicode text columns: name them to repair "
                       "legacy bytes held as Windows-1252 text (%s)\n",
                       shown.c_str(), unicode.c_str());
      }
    }
    for (const auto& name : n.columns) {
      const ts::db::ColumnInfo* c = byName(t->columns, name, "column");
      if (c == nullptr)
        usageError(ts::platform::formatted(ts::platform::tr("no column '%s' in table '%s'"), ts::db::shownName(name).c_str(),
                             shown.c_str()));
      add({t->name, c->name});
    }
  }
  return refs;
}

// TABLE or TABLE.COLUMN: the whole argument as a table, or split at a dot into a table and
// one of its columns; an argument that reads both ways is refused.
Named parseOperand(const std::vector<ts::db::TableInfo>& tables, const std::string& arg) {
  // Readings spelt exactly win over readings that differ in case.
  for (const bool exact : {true, false}) {
    auto same = [&](const std::string& a, const std::string& b) {
      return exact ? a == b : sameName(a, b);
    };
    std::vector<Named> readings;
    for (const auto& t : tables) {
      if (same(t.name, arg)) readings.push_back({t.name, {}});
      if (arg.size() > t.name.size() + 1 && arg[t.name.size()] == '.' &&
          same(arg.substr(0, t.name.size()), t.name))
        for (const auto& c : t.columns)
          if (same(c.name, arg.substr(t.name.size() + 1))) readings.push_back({t.name, {c.name}});
    }
    if (readings.size() == 1) return readings.front();
    if (readings.size() > 1)
      usageError(ts::platform::formatted(
          exact ? ts::platform::tr("'%s' names both a table and a column; use --table and --column")
                : ts::platform::tr("'%s' names more than one table or column but for case: spell "
                                   "it exactly"),
          ts::db::shownName(arg).c_str()));
  }
  const auto dot = arg.find('.');
  if (dot != std::string::npos) return {arg.substr(0, dot), {arg.substr(dot + 1)}};
  return {arg, {}};
}

// `s` followed by blanks up to `width` characters (UTF-8 counted by characters).
std::string padded(const std::string& s, std::size_t width) {
  const auto chars = static_cast<std::size_t>(
      std::count_if(s.begin(), s.end(), [](char c) { return (c & 0xC0) != 0x80; }));
  return s + std::string(chars < width ? width - chars : 1, ' ');
}

int list(ts::db::Backend& db) {
  // Names as one line each: control characters escaped.
  for (const auto& t : db.tables(true)) {
    const std::string name = ts::db::shownName(t.name);
    if (!t.problem.empty()) {
      std::printf(t.view ? ts::platform::tr("view %s (cannot be read: %s)\n")
                         : ts::platform::tr("table %s (cannot be read: %s)\n"),
                  name.c_str(), printable(t.problem).c_str());
      continue;
    }
    std::printf(t.view ? ts::platform::tr("view %s (%lld rows)\n") : ts::platform::tr("table %s (%lld rows)\n"),
                name.c_str(), static_cast<long long>(t.rows));
    for (const auto& c : t.columns)
      std::printf("  %s%s%s%s%s\n", padded(ts::db::shownName(c.name), 24).c_str(),
                  padded(c.type.empty() ? ts::platform::tr("(no type)") : c.type, 16).c_str(),
                  c.convertible ? ts::platform::tr("text") : ts::platform::tr("not converted"),
                  c.note.empty() ? "" : ", ",
                  c.note.c_str());
  }
  return 0;
}

// What the command line asks.
struct Options {
  int from = -1, to = -1;
  bool listMode = false, detectMode = false, force = false, backup = false;
  long dryRun = -1;          // values shown by a dry run; -1: none
  bool dryRunBare = false;   // --dry-run without "=N"
  std::vector<Named> named;  // by --table and --column
  double lockTimeout = 10;
  bool partitionMoves = false, jsonKeys = false, refreshViews = false;
  std::string collation;      // of the columns changed to Unicode on a server
  std::string source, shown;  // the database, and as it is shown (no password)
  std::vector<std::string> operands;  // the tables and columns after it
  bool converting() const { return !listMode && !detectMode; }
};

long dryRunCount(const char* text) {
  char* end = nullptr;
  const long n = std::strtol(text, &end, 10);
  if (*text == '\0' || *end != '\0' || n < 0)
    usageError(ts::platform::formatted(ts::platform::tr("--dry-run takes a count of values, not '%s'"), text));
  return n;
}

double lockSeconds(const char* text) {
  char* end = nullptr;
  const double seconds = std::strtod(text, &end);
  if (*text == '\0' || *end != '\0' || !(seconds > 0) || seconds > 86400)
    usageError(ts::platform::formatted(
        ts::platform::tr("--lock-timeout takes seconds (more than 0), not '%s'"), text));
  return seconds;
}

// Reads the options into `o`; an exit status where they were all there is to do.
std::optional<int> parseOptions(int argc, char** argv, Options& o) {
  enum { kList = 1000, kDetect, kDryRun, kForce, kBackup, kTable, kColumn, kListCharsets,
         kLockTimeout, kPartitionMove, kJsonKeys, kRefreshViews, kCollation };
  static const ts::platform::CommandLine kCommandLine(
      "ft", "",
      {{"list", no_argument, nullptr, kList},
       {"detect", no_argument, nullptr, kDetect},
       {"dry-run", optional_argument, nullptr, kDryRun},
       {"force", no_argument, nullptr, kForce},
       {"backup", no_argument, nullptr, kBackup},
       {"lock-timeout", required_argument, nullptr, kLockTimeout},
       {"allow-partition-move", no_argument, nullptr, kPartitionMove},
       {"json-keys", no_argument, nullptr, kJsonKeys},
       {"refresh-views", no_argument, nullptr, kRefreshViews},
       {"collation", required_argument, nullptr, kCollation},
       {"table", required_argument, nullptr, kTable},
       {"column", required_argument, nullptr, kColumn},
       {"list-charsets", no_argument, nullptr, kListCharsets}});
  bool listCharsets = false;
  ts::platform::SharedOptions shared;
  const int first = kCommandLine.read(
      argc, argv, shared,
      [&](int c, const char* argument) {
        switch (c) {
          case kList: o.listMode = true; break;
          case kDetect: o.detectMode = true; break;
          case kDryRun:
            o.dryRunBare = argument == nullptr;
            o.dryRun = argument == nullptr ? 10 : dryRunCount(argument);
            break;
          case kForce: o.force = true; break;
          case kBackup: o.backup = true; break;
          case kPartitionMove: o.partitionMoves = true; break;
          case kJsonKeys: o.jsonKeys = true; break;
          case kRefreshViews: o.refreshViews = true; break;
          case kCollation: o.collation = argument; break;
          case kLockTimeout: o.lockTimeout = lockSeconds(argument); break;
          case kTable: o.named.push_back({argument, {}}); break;
          case kColumn:
            if (o.named.empty())
              usageError(ts::platform::formatted(ts::platform::tr("--column %s follows no --table"),
                                                 argument));
            o.named.back().columns.emplace_back(argument);
            break;
          case kListCharsets: listCharsets = true; break;
        }
      },
      [](const std::string& why) { usageError(why); });
  if (shared.help) {
    usage();
    return 0;
  }
  if (listCharsets) {
    for (int code = 1; code <= ts::kCatalogueSize; ++code)
      std::printf("%s\n", ts::nameLine(code).c_str());
    return 0;
  }
  if (shared.from) o.from = charset(shared.from, true);
  if (shared.to) o.to = charset(shared.to, false);
  optind = first;
  if (optind == argc) usageError(ts::platform::tr("name a database"));
  o.source = argv[optind++];
  o.shown = ts::db::sourceForDisplay(o.source);
  o.operands.assign(argv + optind, argv + argc);
  return std::nullopt;
}

void checkOptions(const Options& o) {
  if (o.listMode + o.detectMode > 1) usageError(ts::platform::tr("--list and --detect go alone"));
  if (o.converting() && (o.from < 0 || o.to < 0))
    usageError(ts::platform::tr("name the charsets with -f and -t"));
  // "--dry-run 3 DB": the count went to SOURCE.
  if (o.dryRunBare && !o.source.empty() &&
      o.source.find_first_not_of("0123456789") == std::string::npos &&
      access(o.source.c_str(), F_OK) != 0)
    usageError(ts::platform::formatted(
        ts::platform::tr("'%s' is not a database: give --dry-run its count as --dry-run=%s"),
        o.source.c_str(), o.source.c_str()));
}

int detectColumns(ts::db::Backend& db, const std::vector<ColumnRef>& columns) {
  for (const auto& col : columns) {
    std::uint64_t sampled = 0;
    const ts::Detection d = ts::db::detectColumn(db, col, 1 << 20, &sampled);
    std::printf(ts::platform::tr("%s: %s, from %llu values\n"), col.label().c_str(), confidenceText(d).c_str(),
                static_cast<unsigned long long>(sampled));
  }
  return 0;
}

// Text converted once already does not read as FROM: it is refused unless told.  The run
// looks again just before each column (a trigger or a table named before it may have
// converted it); the columns forced here are converted whatever it finds.  True when a
// column was refused.
bool guardColumns(ts::db::Backend& db, const std::vector<ColumnRef>& columns, const Options& o,
                  ts::db::ValueConverter& converter, ts::db::RunOptions& run) {
  if (o.from == ts::db::kAutomatic || o.from == o.to) return false;
  run.checkedBefore = true;  // read just now: once is enough until something changes
  bool refused = false;
  for (const auto& col : columns) {
    const ts::db::CharsetCheck check =
        ts::db::checkCharset(db, col, o.from, 64 * 1024, o.force ? nullptr : &converter);
    if (check.readsAs) continue;
    run.forced.push_back(col);
    std::fprintf(stderr, ts::platform::tr("tsdata: %s does not read as %d \"%s\": it reads as %s%s\n"),
                 col.label().c_str(), o.from, std::string(ts::charsetName(o.from)).c_str(),
                 confidenceText(check.detection).c_str(),
                 o.force          ? ts::platform::tr("; converting it anyway (--force)")
                 : o.dryRun >= 0 ? ""
                                  : ts::platform::tr("; not converted (--force converts it)"));
    refused = true;
  }
  return refused;
}

// Counts what would change and shows it, by the code the run uses; 1 when the run would fail.
int dryRunColumns(ts::db::Backend& db, const std::vector<ColumnRef>& columns, const Options& o,
                  ts::db::ValueConverter& converter) {
  bool wouldFail = false;  // a value the column cannot hold: the run would fail there
  for (const auto& col : columns) {
    const ts::db::DryRun r = ts::db::dryRun(db, col, converter, static_cast<std::size_t>(o.dryRun));
    const auto& n = r.counts;
    std::printf(ts::platform::tr("%s: %llu of %llu values would change (%s)\n"), col.label().c_str(),
                static_cast<unsigned long long>(n.converted),
                static_cast<unsigned long long>(n.records), ts::db::otherCounts(n, true).c_str());
    for (const auto& s : r.samples)
      // The value as it reads today (bytes that are no UTF-8 escaped), and what it becomes.
      std::printf("  %s: %s\n    -> %s\n", s.key.c_str(), printable(s.stored).c_str(),
                  asUtf8(s.after, converter.to()).c_str());
    if (r.tooLong > 0) {
      wouldFail = true;
      std::printf(
          ts::platform::tr("  %llu value(s) would not fit the column (it holds %lld); the run would "
              "fail at the first and change nothing:\n"),
          static_cast<unsigned long long>(r.tooLong), static_cast<long long>(r.limit));
      for (const auto& s : r.overLimit)
        std::printf("  %s: %s\n", s.key.c_str(), asUtf8(s.after, converter.to()).c_str());
    }
    for (const auto& s : r.already)
      std::printf(ts::platform::tr("  %s: %s\n    (already converted: left)\n"), s.key.c_str(),
                  asUtf8(s.before, converter.to()).c_str());
  }
  return wouldFail ? 1 : 0;  // as the run would end
}

// The run's end: its time, the columns left, and what stdout could not take.
int reportRun(const ts::db::RunReport& report) {
  // An ODBC failure ends the run without the timing report.
  const bool endedByFailure =
      report.ended && !report.columns.empty() && report.columns.back().failed;
  if (endedByFailure)
    std::printf("%s\n", ts::platform::tr("tsdata: the failure ended the run; the columns after it were not "
                           "converted"));
  else
    std::printf("%s\n", ts::db::timingReport(report.seconds).c_str());
  if (!report.unconverted.empty()) {
    std::string names;
    for (const ColumnRef& c : report.unconverted)
      names += (names.empty() ? "" : ", ") + ts::db::shownName(c.label());
    std::printf(ts::platform::tr("tsdata: left unconverted: %s\n"), names.c_str());
  }
  for (const auto& c : report.columns)
    if (c.left)
      std::printf(ts::platform::tr("tsdata: left as converted already: %s\n"),
                  ts::db::shownName(c.column.label()).c_str());
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    std::fprintf(stderr, "%s\n",
                 ts::platform::tr("tsdata: standard output was closed; the run went on to its end:"));
    for (const auto& c : report.columns)
      std::fprintf(stderr, "tsdata: %s\n", printable(ts::db::columnSummary(c), true).c_str());
  }
  return report.anyFailed() ? 1 : 0;
}

// Opens the database and does what the options ask of it.
int run(Options& o, std::unique_ptr<ts::db::Backend>& db) {
  db = ts::db::openSource(o.source, !o.converting() || o.dryRun >= 0);
  db->setLockTimeout(static_cast<int>(o.lockTimeout * 1000 + 0.5));
  db->allowPartitionMoves(o.partitionMoves);
  db->convertJsonKeys(o.jsonKeys);
  db->refreshViews(o.refreshViews);
  bool collationTaken = true;
  try {
    collationTaken = o.collation.empty() || db->useCollation(o.collation);
  } catch (const ts::db::DbError& e) {
    usageError(e.what());
  }
  if (!collationTaken)
    usageError(ts::platform::formatted(
        ts::platform::tr("--collation names the collation of MariaDB/MySQL columns changed to "
                         "Unicode; %s changes no column's character set"),
        o.shown.c_str()));
  if (o.listMode) return list(*db);
  if (o.backup && !db->capabilities().file && !db->dumpBeforeConverting("."))
    usageError(ts::platform::formatted(
        ts::platform::tr("--backup copies database files; %s is a server: back it up with its "
                         "own tools"),
        o.shown.c_str()));
  const auto tables = db->tables(false);
  for (const std::string& operand : o.operands) o.named.push_back(parseOperand(tables, operand));
  if (o.named.empty())
    usageError(o.detectMode ? ts::platform::tr("name the tables or columns to look at")
                            : ts::platform::tr("name the tables or columns to convert"));
  const std::vector<ColumnRef> columns = resolve(tables, o.named, o.shown);
  if (o.detectMode) return detectColumns(*db, columns);

  ts::db::ValueConverter converter(o.from, o.to);
  converter.setKeepConverted(!o.force);  // values in the destination already stay
  ts::db::RunOptions options;
  if (guardColumns(*db, columns, o, converter, options) && !o.force && o.dryRun < 0) return 2;
  if (o.dryRun >= 0) return dryRunColumns(*db, columns, o, converter);
  if (o.backup && db->capabilities().file)
    std::printf(ts::platform::tr("tsdata: copied %s to %s\n"), o.source.c_str(), db->backup().c_str());
  Terminal terminal;
  const ts::db::RunReport report = ts::db::convertColumns(*db, columns, converter, terminal, options);
  terminal.end();
  return reportRun(report);
}

}  // namespace

int main(int argc, char** argv) {
  ts::platform::initMessages();
#ifdef TS_WITH_WINDOW
  if (argc == 1) return ts::db::window::runWindow(argc, argv);
#endif
  // Ctrl-C, a hang-up or a termination stops a run between two records; the column it was
  // converting is rolled back.
  struct sigaction sa {};
  sa.sa_handler = onSignal;
  for (const int sig : {SIGINT, SIGTERM, SIGHUP}) sigaction(sig, &sa, nullptr);
  // A reader that stops reading (tsdata ... | head) does not stop a conversion: what stdout
  // cannot take is said on standard error at the end.
  signal(SIGPIPE, SIG_IGN);
  Options o;
  if (const std::optional<int> done = parseOptions(argc, argv, o)) return *done;
  checkOptions(o);
  std::unique_ptr<ts::db::Backend> db;
  try {
    return run(o, db);
  } catch (const ts::db::DbError& e) {
    std::fprintf(stderr, "tsdata: %s\n", withoutPassword(e.what(), o.source, o.shown).c_str());
    // A source that cannot be opened is a bad argument (a refused login too, through any
    // library), unless it is busy or locked.
    return db || e.busy() ? 1 : 2;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tsdata: %s\n", withoutPassword(e.what(), o.source, o.shown).c_str());
    return 1;
  }
}
