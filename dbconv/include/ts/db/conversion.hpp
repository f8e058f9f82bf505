// Converting values and columns: the value converter every back end calls, the progress
// rule, the run over the marked columns of a schema tree, the check that a column is in the
// charset it is said to be in, and the dry run.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ts/byte_buffer.hpp"
#include "ts/db/composite.hpp"
#include "ts/db/wide.hpp"
#include "ts/converter.hpp"
#include "ts/db/backend.hpp"
#include "ts/db/schema.hpp"
#include "ts/detect.hpp"

namespace ts::db {

// The source charset that is guessed for every value by itself.
inline constexpr int kAutomatic = 0;

// Converts values from one charset to another with the engine; with an automatic source,
// each value is converted from the charset the detector is confident it is in.
class ValueConverter {
 public:
  enum class Outcome {
    kConverted,  // `out` holds the new value
    kUnchanged,  // the value converts to itself (or is already in the destination)
    kUndecided,  // automatic source and no confident guess: left as it is
    kAlready,    // the value is in the destination already (good Unicode in a column
                 // converted to UTF-8): left as it is
  };

  // What is done to each value: converted to the destination, or changed within the source
  // charset (letter case, the marks taken off the letters: "Việt" "Viet", "đ" "d").
  enum class Operation { kConvert, kUpper, kLower, kStripMarks };

  // In a database the Unicode destinations that write escapes (39, 40) store the text itself,
  // as UTF-8 (41): to() says so.
  ValueConverter(int from, int to, Operation op = Operation::kConvert);
  // false when a charset has no letter table (values are then left as they are).
  bool setPair(int from, int to);
  // The charset a destination stores in a database: escapes (39, 40) store the text (41).
  static int storedDestination(int to);
  // Whether a value already in the destination is converted again (true: it is left).
  void setKeepConverted(bool keep) { keepConverted_ = keep; }
  int from() const { return from_; }
  int to() const { return to_; }
  Operation operation() const { return op_; }

  // `out` is cleared and, for kConverted, holds the converted bytes.
  Outcome convert(std::string_view value, ByteBuffer& out);

  // Whether a value a database holds as Unicode text (its UTF-8) is in the destination
  // already: good Unicode that does not read as the source carried in it.  Such a value is
  // left, whatever its letters ("Lê" is no TCVN3 "Lờ"), for every source, automatic too.
  bool alreadyUnicode(std::string_view utf8) const;

 private:
  // The other operations: through UTF-8 and back, for values that go there and back exactly;
  // the others are left as they are (kUndecided).
  Outcome change(std::string_view value, ByteBuffer& out);

  ConverterState state_;
  int from_ = 0, to_ = 0;
  int selectedFrom_ = -1;
  Operation op_ = Operation::kConvert;
  bool keepConverted_ = true;
  ConverterState back_;  // UTF-8 to the source, for the other operations
  ByteBuffer utf8_, again_;
};

// How a back end that reads and writes a column's values itself converts them, record by
// record: the counts of the report, the progress bar, the stop, and for Unicode values the
// carrier code page (ts/db/wide.hpp).
class ColumnPass {
 public:
  // How values are stored: bytes, UTF-8 text or UTF-16 units (as raw bytes).
  enum class Storage { kBytes, kUtf8, kUtf16 };
  // `shape`: values hold their texts inside (arrays, JSON), converted one by one.
  ColumnPass(ValueConverter& converter, RunObserver& observer, ColumnReport& report,
             std::uint64_t expected, Storage storage, ValueShape shape = ValueShape::kScalar);
  ~ColumnPass();
  ColumnPass(const ColumnPass&) = delete;
  ColumnPass& operator=(const ColumnPass&) = delete;

  // Counts a record and steps the bar when due; false (report.stopped set) when the user
  // stopped the run.
  bool next();
  void null() { ++report_.nulls; }
  // The value to store in the place of `stored` (in its storage), or nullptr when it stays:
  // unchanged, undecided, or Unicode text the carrier cannot carry.  Counts either way.
  const std::string* convert(std::string_view stored);

 private:
  struct State;
  RunObserver& observer_;
  ColumnReport& report_;
  std::uint64_t expected_;
  State* state_;
};

// How a run judges one stored value, and the dry run as the run does: Unicode text that is
// good Unicode is left, Unicode the carrier cannot carry is left, the rest is converted; the
// texts inside an array or a JSON document one by one.
class ValueJudge {
 public:
  ValueJudge(ValueConverter& converter, ColumnPass::Storage storage, ValueShape shape);
  ~ValueJudge();
  ValueJudge(const ValueJudge&) = delete;
  ValueJudge& operator=(const ValueJudge&) = delete;
  // `out` holds the value to store when the verdict is kConverted.
  Verdict judge(std::string_view stored, std::string& out);

 private:
  Verdict judgeText(std::string_view stored, std::string& out);
  struct Scratch;
  ValueConverter& converter_;
  ColumnPass::Storage storage_;
  ValueShape shape_;
  WideValues carrier_;
  std::unique_ptr<Scratch> s_;
};

// The progress rule of a column of n records: the bar steps when a record finds the counter
// at n / 100 or more (so at every record below 100 records).
class ProgressRule {
 public:
  explicit ProgressRule(std::uint64_t records) : interval_(records / 100) {}
  // Counts one record; true when the bar steps.
  bool record() {
    const bool steps = counter_ >= interval_;
    if (steps) counter_ = 0;
    ++counter_;
    return steps;
  }

 private:
  std::uint64_t interval_;
  std::uint64_t counter_ = 0;
};

// The charset a conversion's argument names (a code or a name as tsconv takes it; for the
// source, "auto" gives kAutomatic): its code, or -1 with `why` saying what is wrong.
int conversionCharset(std::string_view name, bool source, std::string& why);
// The catalogue name of the charset a text is confidently guessed to be in; empty when none.
std::string_view confidentCharsetName(std::string_view text);

// " Converting [column] ..."
std::string columnCaption(const std::string& column);
// "Time taken: 01:02:03." in the messages' language.
std::string timingReport(std::int64_t seconds);

struct RunReport {
  std::vector<ColumnReport> columns;
  std::int64_t seconds = 0;
  bool ended = false;  // a failure (ODBC) or a stop ended the run before the last column
  bool anyFailed() const;
  // The columns that did not change: failed, stopped, or not reached after the run ended.
  std::vector<ColumnRef> unconverted;
};

// What a run is told besides its columns.
struct RunOptions {
  // Columns converted even where their text does not read as the source (the user said so).
  std::vector<ColumnRef> forced;
  std::size_t guardSample = 64 * 1024;  // bytes of each column the guard reads
  // The caller has read each column's charset just before the run (checkCharset): the guard
  // reads a column again only once a column of this run has changed something (a trigger, a
  // partitioned table named before its partition).
  bool checkedBefore = false;
};

// Converts `columns` in order, each in one transaction.  Just before each column a guard
// reads a sample of it: a column whose text no longer reads as the source (converted earlier
// in this run, by a trigger or through a table named before it) is left and reported so,
// unless forced.  A partition whose partitioned table is in the list is converted through
// that table once.  After a failed column the run goes on as the back end's capabilities
// say; a stop ends the run.  Exceptions are reported as the column's failure.  The
// observer's caption is left for the caller to restore.
RunReport convertColumns(Backend& backend, const std::vector<ColumnRef>& columns,
                         ValueConverter& converter, RunObserver& observer,
                         const RunOptions& options = {});

// A name as it is shown on one line: control characters escaped ("\n", "\x1B").
std::string shownName(std::string_view name);
// One column's outcome as a line: "t.c: 5 converted, 2 unchanged, 1 NULL, 0 skipped (not
// text)", "t.c: failed at id = 5: ...; nothing in this column was changed", "t.c: stopped;
// ...", "t.c: left as it is" (its notes say why).  The CLI and the window show the same.
std::string columnSummary(const ColumnReport& r);
// The counts other than the converted ones, in the tense of a run ("were") or a dry run
// ("are").
std::string otherCounts(const ColumnReport& r, bool dryRun);

// The item of a column in a schema tree (under its table, at any depth), or kNoItem.
int findColumnItem(const SchemaTree& tree, const ColumnRef& column);

// The marked columns of `tree`, children before parents, in tree order.
std::vector<ColumnRef> markedColumns(const SchemaTree& tree);
// convertColumns over the marked columns of `tree`.
RunReport runConversion(Backend& backend, const SchemaTree& tree, ValueConverter& converter,
                        RunObserver& observer, const RunOptions& options = {});

// Whether a column's text reads as the charset it is said to be in: a sample of its values
// drawn from the whole column (up to `sampleBytes`) is given to the detector; with a
// converter, values it leaves as in the destination already are not part of it (they stay
// whatever the column reads as).  A column refuses when the detector is confident of another
// charset that does not read its letters the same.
struct CharsetCheck {
  Detection detection;
  std::uint64_t sampled = 0;  // text values read
  bool readsAs = true;
  int apparent = 0;  // the guessed charset when it does not read as asked
};
CharsetCheck checkCharset(Backend& backend, const ColumnRef& column, int from,
                          std::size_t sampleBytes = 64 * 1024,
                          const ValueConverter* converter = nullptr);
// The detection over a sample of the column (for tsdata --detect).
Detection detectColumn(Backend& backend, const ColumnRef& column, std::size_t sampleBytes,
                       std::uint64_t* sampled = nullptr,
                       const ValueConverter* converter = nullptr);

// What a conversion would do, without writing.
struct DryRun {
  struct Sample {
    std::string key;
    std::string before;  // the stored bytes
    std::string after;   // the converted bytes
    std::string stored;  // the value as it reads today: a Unicode column's text, or the
                         // stored bytes with those that are no UTF-8 escaped ("Vi\xD6t")
  };
  ColumnReport counts;
  std::vector<Sample> samples;  // the first values that would change
  std::vector<Sample> already;  // the first values left as in the destination already
  // Values whose conversion the column cannot hold: the run would fail at the first.
  std::uint64_t tooLong = 0;
  std::int64_t limit = -1;
  std::vector<Sample> overLimit;  // the first of them
};
DryRun dryRun(Backend& backend, const ColumnRef& column, ValueConverter& converter,
              std::size_t shown);

}  // namespace ts::db
