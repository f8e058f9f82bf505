#include "ts/db/conversion.hpp"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>

#include "ts/catalogue.hpp"
#include "ts/db/wide.hpp"
#include "ts/forms.hpp"
#include "ts/platform/messages.hpp"
#include "ts/repair.hpp"
#include "ts/utf.hpp"
#include "ts/text_utils.hpp"
#include "ts/unicode.hpp"
#include "ts/utf.hpp"

namespace ts::db {

using platform::tr;

using platform::formatted;

int ValueConverter::storedDestination(int to) {
  return to == kDecimalEsc || to == kVnUnicode2 ? kUtf8 : to;
}

ValueConverter::ValueConverter(int from, int to, Operation op) : op_(op) {
  if (op != Operation::kConvert) {
    to = kUtf8;  // the way there; back_ returns
    selectPair(back_, kUtf8, static_cast<std::uint32_t>(from));
  }
  setPair(from, to);
}

bool ValueConverter::setPair(int from, int to) {
  if (op_ == Operation::kConvert) to = storedDestination(to);
  from_ = from;
  to_ = to;
  selectedFrom_ = -1;
  if (op_ != Operation::kConvert) selectPair(back_, kUtf8, static_cast<std::uint32_t>(from));
  if (from == kAutomatic) return hasLetterTable(to);
  selectedFrom_ = from;
  return selectPair(state_, static_cast<std::uint32_t>(from), static_cast<std::uint32_t>(to));
}

ValueConverter::Outcome ValueConverter::convert(std::string_view value, ByteBuffer& out) {
  out.clear();
  if (op_ != Operation::kConvert) return change(value, out);
  if (alreadyUnicode(value)) return Outcome::kAlready;
  if (from_ == kAutomatic) {
    const Detection d = detectCharset(value);
    if (d.noVietnameseLetters) return Outcome::kUnchanged;
    if (d.guesses.empty() || d.guesses.front().confidence < kConfidentGuess)
      return Outcome::kUndecided;
    const std::vector<int>& codes = d.guesses.front().codes;
    if (std::find(codes.begin(), codes.end(), to_) != codes.end()) return Outcome::kUnchanged;
    if (codes.front() != selectedFrom_) {
      selectedFrom_ = codes.front();
      selectPair(state_, static_cast<std::uint32_t>(selectedFrom_),
                 static_cast<std::uint32_t>(to_));
    }
  }
  if (!state_.converts()) return Outcome::kUnchanged;
  ts::convert(state_, value, out);
  if (out.view() == value) {
    out.clear();
    return Outcome::kUnchanged;
  }
  return Outcome::kConverted;
}

bool ValueConverter::alreadyUnicode(std::string_view utf8) const {
  if (!keepConverted_ || to_ != kUtf8 || op_ != Operation::kConvert) return false;
  const int source = from_ == kAutomatic ? 0 : formCharset(static_cast<CharsetForm>(from_));
  // UTF-8 read as UTF-8 encoded again: the repair of that form decides.
  return readsAsGoodUnicode(utf8, source);
}

namespace {

// The unmarked ASCII letter of a Vietnamese letter: the first byte of its VIQR code.
char baseLetter(int n) {
  static const CharsetSelection viqr = [] {
    CharsetSelection cs;
    selectCharset(kViqr, kCatalogueSize, cs);
    return cs;
  }();
  return static_cast<char>(writeLetter(viqr, n).bytes[0]);
}

}  // namespace

ValueConverter::Outcome ValueConverter::change(std::string_view value, ByteBuffer& out) {
  std::string_view text = value;
  if (from_ != kUtf8) {
    utf8_.clear();
    ts::convert(state_, value, utf8_);
    again_.clear();
    ts::convert(back_, utf8_.view(), again_);
    if (again_.view() != value) return Outcome::kUndecided;
    text = utf8_.view();
  }
  std::string changed;
  changed.reserve(text.size());
  const auto* p = reinterpret_cast<const std::uint8_t*>(text.data());
  for (std::size_t i = 0; i < text.size();) {
    std::uint32_t cp = 0;
    const int n = wellFormedUtf8(p + i, text.size() - i, cp);
    if (n == 0) {
      changed.push_back(text[i++]);
      continue;
    }
    std::uint32_t to = cp;
    switch (op_) {
      case Operation::kUpper: to = upperChar(cp); break;
      case Operation::kLower: to = lowerChar(cp); break;
      default:
        if (const int letter = cp >= 0x80 ? letterOfCodePoint(cp) : 0) {
          changed.push_back(baseLetter(letter));
          i += static_cast<std::size_t>(n);
          continue;
        }
    }
    std::uint8_t bytes[4];
    changed.append(reinterpret_cast<const char*>(bytes),
                   static_cast<std::size_t>(encodeUtf8(to, bytes)));
    i += static_cast<std::size_t>(n);
  }
  if (from_ == kUtf8)
    out.append(changed.data(), changed.size());
  else
    ts::convert(back_, changed, out);
  if (out.view() == value) {
    out.clear();
    return Outcome::kUnchanged;
  }
  return Outcome::kConverted;
}

struct ValueJudge::Scratch {
  std::string bytes, text, inside;
  std::u16string units;
  ByteBuffer out;
};

ValueJudge::ValueJudge(ValueConverter& converter, ColumnPass::Storage storage, ValueShape shape)
    : converter_(converter),
      storage_(storage),
      shape_(shape),
      carrier_(converter.from(), converter.to()),
      s_(std::make_unique<Scratch>()) {}

ValueJudge::~ValueJudge() = default;

Verdict ValueJudge::judge(std::string_view stored, std::string& out) {
  if (shape_ == ValueShape::kScalar) return judgeText(stored, out);
  return convertInside(
      shape_, stored, storage_ != ColumnPass::Storage::kBytes,
      [this](std::string_view text, std::string& changed) { return judgeText(text, changed); },
      out);
}

Verdict ValueJudge::judgeText(std::string_view stored, std::string& out) {
  Scratch& s = *s_;
  using Storage = ColumnPass::Storage;
  // Unicode text that is good Unicode stays: it is no legacy text carried in Unicode.
  const bool unicode = storage_ != Storage::kBytes;
  if (unicode && storage_ == Storage::kUtf16) {
    s.units.assign(stored.size() / 2, u'\0');
    std::memcpy(s.units.data(), stored.data(), s.units.size() * 2);
    if (!WideValues(kUtf8, kUtf8).toBytes(s.units, s.text)) s.text.clear();
  }
  if (unicode && converter_.alreadyUnicode(storage_ == Storage::kUtf8 ? stored : s.text))
    return Verdict::kAlready;
  if (storage_ == Storage::kUtf8 && converter_.from() == kUtf8 && converter_.to() == kUtf8 &&
      converter_.operation() == ValueConverter::Operation::kConvert) {
    // UTF-8 read as Windows-1252 and stored as text again: the bytes its characters carry
    // are the text.
    static const WideValues windows1252(0, 0);
    if (!windows1252.utf8ToBytes(stored, s.bytes) || !validUtf8(s.bytes) || s.bytes == stored)
      return Verdict::kUnchanged;
    out = s.bytes;
    return Verdict::kConverted;
  }
  bool carried = true;
  switch (storage_) {
    case Storage::kBytes: s.bytes.assign(stored); break;
    case Storage::kUtf8: carried = carrier_.utf8ToBytes(stored, s.bytes); break;
    case Storage::kUtf16:
      s.units.assign(stored.size() / 2, u'\0');
      std::memcpy(s.units.data(), stored.data(), s.units.size() * 2);
      carried = carrier_.toBytes(s.units, s.bytes);
      break;
  }
  if (!carried) return Verdict::kUncarried;  // characters the carrier code page cannot carry
  switch (converter_.convert(s.bytes, s.out)) {
    case ValueConverter::Outcome::kUnchanged: return Verdict::kUnchanged;
    case ValueConverter::Outcome::kUndecided: return Verdict::kUndecided;
    case ValueConverter::Outcome::kAlready: return Verdict::kAlready;
    case ValueConverter::Outcome::kConverted: break;
  }
  switch (storage_) {
    case Storage::kBytes: out.assign(s.out.view()); break;
    case Storage::kUtf8: carrier_.bytesToUtf8(s.out.view(), out); break;
    case Storage::kUtf16:
      carrier_.fromBytes(s.out.view(), s.units);
      out.assign(reinterpret_cast<const char*>(s.units.data()), s.units.size() * 2);
      break;
  }
  return Verdict::kConverted;
}

struct ColumnPass::State {
  State(std::uint64_t expected, ValueConverter& converter, Storage storage, ValueShape shape)
      : rule(expected), judge(converter, storage, shape) {}
  ProgressRule rule;
  ValueJudge judge;
  std::string stored;
};

ColumnPass::ColumnPass(ValueConverter& converter, RunObserver& observer, ColumnReport& report,
                       std::uint64_t expected, Storage storage, ValueShape shape)
    : observer_(observer),
      report_(report),
      expected_(expected),
      state_(new State(expected, converter, storage, shape)) {}

ColumnPass::~ColumnPass() { delete state_; }

bool ColumnPass::next() {
  ++report_.records;
  if (state_->rule.record()) observer_.step(report_.records, expected_);
  if (!observer_.stopRequested()) return true;
  report_.stopped = true;
  return false;
}

const std::string* ColumnPass::convert(std::string_view stored) {
  switch (state_->judge.judge(stored, state_->stored)) {
    case Verdict::kConverted: ++report_.converted; return &state_->stored;
    case Verdict::kUncarried: ++report_.uncarried; break;
    case Verdict::kUndecided: ++report_.undecided; break;
    case Verdict::kAlready: ++report_.already; break;
    case Verdict::kUnchanged: ++report_.unchanged; break;
  }
  return nullptr;
}

int conversionCharset(std::string_view name, bool source, std::string& why) {
  const std::string text(name);
  if (source && normalizedName(text) == "auto") return kAutomatic;
  const int code = charsetByName(text);
  if (code == 0) {
    why = "unknown charset '" + text + "'";
    return -1;
  }
  // A source of 40 reads as 39; a destination of 39 or 40 stores Unicode text as the column
  // holds it (storedDestination), so both have what they need.
  if (!hasLetterTable(source ? readableSource(code) : ValueConverter::storedDestination(code))) {
    why = "charset " + std::to_string(code) + " \"" + std::string(charsetName(code)) +
          "\" has no letter table";
    return -1;
  }
  return code;
}

std::string_view confidentCharsetName(std::string_view text) {
  const Detection d = detectCharset(text);
  if (d.noVietnameseLetters || d.guesses.empty() || d.guesses.front().confidence < kConfidentGuess)
    return {};
  return charsetName(d.guesses.front().codes.front());
}

std::string columnCaption(const std::string& column) {
  return formatted(tr(" Converting [%s] ..."), column.c_str());
}

std::string timingReport(std::int64_t seconds) { return platform::timeTaken(seconds); }

std::string otherCounts(const ColumnReport& r, bool dryRun) {
  auto n = [](std::uint64_t v) { return static_cast<unsigned long long>(v); };
  std::string text = formatted(tr("%llu unchanged, %llu NULL, %llu skipped (not text)"),
                             n(r.unchanged), n(r.nulls), n(r.skipped));
  if (r.already != 0)
    text += formatted(dryRun ? tr(", %llu already converted (left as they are)")
                           : tr(", %llu already converted (left as they were)"),
                    n(r.already));
  if (r.undecided != 0)
    text += formatted(dryRun ? tr(", %llu left as they are (no confident guess)")
                           : tr(", %llu left as they were (no confident guess)"),
                    n(r.undecided));
  if (r.uncarried != 0)
    text += formatted(dryRun ? tr(", %llu left as they are (Unicode text Windows-1252 cannot carry)")
                           : tr(", %llu left as they were (Unicode text Windows-1252 cannot carry)"),
                    n(r.uncarried));
  return text;
}

std::string shownName(std::string_view name) {
  std::string out;
  for (const char c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 0x20 && u != 0x7F) {
      out.push_back(c);
      continue;
    }
    char esc[8];
    std::snprintf(esc, sizeof esc, c == '\n' ? "\\n" : c == '\t' ? "\\t" : "\\x%02X", u);
    out += esc;
  }
  return out;
}

std::string columnSummary(const ColumnReport& r) {
  const std::string label = shownName(r.column.label());
  if (r.stopped) return label + ": " + tr("stopped; nothing in this column was changed");
  if (r.failed)
    return label + ": " +
           (r.row.empty() ? formatted(tr("failed: %s; nothing in this column was changed"),
                                    r.error.c_str())
                          : formatted(tr("failed at %s: %s; nothing in this column was changed"),
                                    r.row.c_str(), r.error.c_str()));
  if (r.left) return label + ": " + tr("left as it is");
  return label + ": " +
         formatted(tr("%llu converted, "), static_cast<unsigned long long>(r.converted)) +
         otherCounts(r, false);
}

bool RunReport::anyFailed() const {
  return std::any_of(columns.begin(), columns.end(),
                     [](const ColumnReport& c) { return c.failed || c.stopped; });
}

int findColumnItem(const SchemaTree& tree, const ColumnRef& column) {
  int found = kNoItem;
  tree.walk(tree.root(), [&](int it) {
    const SchemaItem& item = tree.item(it);
    if (item.kind != ItemKind::kColumn || item.text != column.column)
      return SchemaTree::Next::kGoOn;
    const int table = tree.tableOf(it);
    if (table == kNoItem || tree.item(table).text != column.table) return SchemaTree::Next::kGoOn;
    found = it;
    return SchemaTree::Next::kEndWalk;
  });
  return found;
}

std::vector<ColumnRef> markedColumns(const SchemaTree& tree) {
  std::vector<ColumnRef> refs;
  tree.walk(tree.root(), [&](int it) {
    const SchemaItem& item = tree.item(it);
    if (item.kind != ItemKind::kColumn || !tree.marked(it)) return SchemaTree::Next::kGoOn;
    const int table = tree.tableOf(it);
    if (table != kNoItem) refs.push_back({tree.item(table).text, item.text});
    return SchemaTree::Next::kGoOn;
  });
  return refs;
}

RunReport runConversion(Backend& backend, const SchemaTree& tree, ValueConverter& converter,
                        RunObserver& observer, const RunOptions& options) {
  return convertColumns(backend, markedColumns(tree), converter, observer, options);
}

namespace {

bool listed(const std::vector<ColumnRef>& list, const ColumnRef& c) {
  return std::find(list.begin(), list.end(), c) != list.end();
}

// Whether the guard looks at a column before converting it: plain conversions between two
// charsets, of a column not forced.
bool guarded(const ValueConverter& converter, const RunOptions& options, const ColumnRef& c) {
  return converter.operation() == ValueConverter::Operation::kConvert &&
         converter.from() != kAutomatic && converter.from() != converter.to() &&
         !listed(options.forced, c);
}

}  // namespace

RunReport convertColumns(Backend& backend, const std::vector<ColumnRef>& columns,
                         ValueConverter& converter, RunObserver& observer,
                         const RunOptions& options) {
  const auto started = std::chrono::steady_clock::now();
  const Capabilities caps = backend.capabilities();
  RunReport report;
  // A partition whose partitioned table is listed too: converted through that table.
  std::vector<std::pair<ColumnRef, std::string>> through;
  for (const ColumnRef& c : columns) {
    std::vector<std::string> parts;
    try {
      parts = backend.partsOf(c.table);
    } catch (const std::exception&) {
      continue;  // the column's own conversion says what is wrong
    }
    for (const std::string& part : parts)
      if (listed(columns, {part, c.column})) through.push_back({{part, c.column}, c.table});
  }
  std::string failedTable;  // kSkipTable: the table whose other columns are skipped
  for (std::size_t i = 0; i < columns.size(); ++i) {
    const ColumnRef& ref = columns[i];
    if (report.ended) {
      report.unconverted.push_back(ref);
      continue;
    }
    if (!failedTable.empty() && ref.table == failedTable) {
      report.unconverted.push_back(ref);
      continue;
    }
    observer.caption(columnCaption(ref.column));
    observer.position(1);
    ColumnReport done;
    done.column = ref;
    const auto parent =
        std::find_if(through.begin(), through.end(), [&](const auto& t) { return t.first == ref; });
    try {
      if (parent != through.end()) {
        done.left = true;
        done.notes.push_back("converted through its partitioned table '" + parent->second +
                             "', once");
      } else if (guarded(converter, options, ref) &&
                 (!options.checkedBefore ||
                  std::any_of(report.columns.begin(), report.columns.end(),
                              [](const ColumnReport& c) { return c.converted > 0; }))) {
        const CharsetCheck check =
            checkCharset(backend, ref, converter.from(), options.guardSample, &converter);
        if (!check.readsAs) {
          done.left = true;
          done.notes.push_back("left as it is: its text reads as " +
                               std::string(charsetName(check.apparent)) +
                               " already (converted earlier in this run)");
        }
      }
      if (!done.left) done = backend.convertColumn(ref, converter, observer);
    } catch (const DbError& e) {
      done = ColumnReport{};
      done.column = ref;
      done.fail(e);
    } catch (const std::exception& e) {  // out of memory, a broken driver: the column fails
      done = ColumnReport{};
      done.column = ref;
      done.fail(DbError(e.what()));
    }
    if (done.failed && observer.stopRequested()) {
      // A statement the stop interrupted (interruptStatements): the column was stopped.
      done.failed = false;
      done.stopped = true;
      done.error.clear();
      done.row.clear();
    }
    if (done.stopped) done.converted = 0;  // rolled back: the other counts say what was read
    if (!done.failed && !done.stopped) observer.position(100);
    observer.columnDone(done);
    report.columns.push_back(done);
    if (done.failed || done.stopped) report.unconverted.push_back(ref);
    if (done.stopped) {
      report.ended = true;
      continue;
    }
    if (!done.failed) continue;
    switch (caps.afterFailure) {
      case Capabilities::AfterFailure::kEndRun: report.ended = true; break;
      case Capabilities::AfterFailure::kSkipTable: failedTable = ref.table; break;
      case Capabilities::AfterFailure::kGoOn: break;
    }
  }
  report.seconds =
      std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - started)
          .count();
  return report;
}

namespace {

// The text values of a column, joined by line breaks, up to about `limit` bytes: values drawn
// evenly from the whole column (a reservoir of them, the same for the same column), those a
// conversion leaves as in the destination already apart.
std::string sampleText(Backend& backend, const ColumnRef& column, std::size_t limit,
                       std::uint64_t& count, const ValueConverter* converter) {
  constexpr std::size_t kValues = 4096, kLongest = 512;
  std::vector<std::string> kept;
  std::mt19937_64 draw(1);
  std::string inside, unused;
  count = 0;
  backend.readColumn(column, [&](const StoredValue& v) {
    if (v.type != StoredValue::Type::kText || v.uncarried || v.bytes.empty()) return true;
    if (converter != nullptr && converter->alreadyUnicode(v.unicode.empty() ? v.bytes : v.unicode))
      return true;
    ++count;
    std::string_view value = v.bytes.substr(0, kLongest);
    if (v.shape != ValueShape::kScalar) {
      // An array or JSON: the texts inside it, one to a line.
      inside.clear();
      convertInside(
          v.shape, v.bytes, false,
          [&](std::string_view text, std::string&) {
            inside.append(text).push_back('\n');
            return Verdict::kUnchanged;
          },
          unused);
      value = std::string_view(inside).substr(0, kLongest);
    }
    if (kept.size() < kValues) {
      kept.emplace_back(value);
    } else if (const std::uint64_t at = draw() % count; at < kValues) {
      kept[at].assign(value);
    }
    return true;
  });
  std::string text;
  for (const std::string& value : kept) {
    if (text.size() >= limit) break;
    text.append(value.substr(0, limit - text.size()));
    text.push_back('\n');
  }
  return text;
}

}  // namespace

Detection detectColumn(Backend& backend, const ColumnRef& column, std::size_t sampleBytes,
                       std::uint64_t* sampled, const ValueConverter* converter) {
  std::uint64_t count = 0;
  const std::string text = sampleText(backend, column, sampleBytes, count, converter);
  if (sampled != nullptr) *sampled = count;
  return detectCharset(text);
}

CharsetCheck checkCharset(Backend& backend, const ColumnRef& column, int from,
                          std::size_t sampleBytes, const ValueConverter* converter) {
  CharsetCheck check;
  check.detection = detectColumn(backend, column, sampleBytes, &check.sampled, converter);
  const Detection& d = check.detection;
  if (d.noVietnameseLetters || d.guesses.empty()) return check;
  const CharsetGuess& best = d.guesses.front();
  if (best.confidence < kConfidentGuess) return check;
  const int asked = readableSource(from);
  if (std::find(best.codes.begin(), best.codes.end(), asked) != best.codes.end()) return check;
  check.readsAs = false;
  check.apparent = best.codes.front();
  return check;
}

namespace {

// A value as it reads today: a Unicode column's text; stored bytes as UTF-8 where they are,
// the others escaped.
std::string storedText(const StoredValue& v) {
  if (!v.unicode.empty()) return std::string(v.unicode);
  std::string out;
  const auto* s = reinterpret_cast<const std::uint8_t*>(v.bytes.data());
  for (std::size_t i = 0; i < v.bytes.size();) {
    std::uint32_t cp = 0;
    const int len = s[i] < 0x80 ? 1 : wellFormedUtf8(s + i, v.bytes.size() - i, cp);
    if (len > 0) {
      out.append(v.bytes.substr(i, static_cast<std::size_t>(len)));
      i += static_cast<std::size_t>(len);
      continue;
    }
    char hex[8];
    std::snprintf(hex, sizeof hex, "\\x%02X", s[i++]);
    out += hex;
  }
  return out;
}

}  // namespace

DryRun dryRun(Backend& backend, const ColumnRef& column, ValueConverter& converter,
              std::size_t shown) {
  DryRun run;
  run.counts.column = column;
  ByteBuffer out;
  const Backend::ValueLimit limit = backend.valueLimit(column);
  run.limit = limit.most;
  auto length = [&](std::string_view v) {
    if (limit.padded)
      while (!v.empty() && v.back() == ' ') v.remove_suffix(1);
    if (!limit.characters || converter.to() != kUtf8) return static_cast<std::int64_t>(v.size());
    return static_cast<std::int64_t>(
        std::count_if(v.begin(), v.end(), [](char c) { return (c & 0xC0) != 0x80; }));
  };
  std::unique_ptr<ValueJudge> inside;
  std::string changed;
  backend.readColumn(column, [&](const StoredValue& v) {
    ++run.counts.records;
    switch (v.type) {
      case StoredValue::Type::kNull: ++run.counts.nulls; return true;
      case StoredValue::Type::kOther: ++run.counts.skipped; return true;
      case StoredValue::Type::kText: break;
    }
    if (v.shape != ValueShape::kScalar) {
      // An array or a JSON document: the texts inside, judged one by one as the run does.
      const bool unicode = !v.unicode.empty();
      if (!inside)
        inside = std::make_unique<ValueJudge>(
            converter, unicode ? ColumnPass::Storage::kUtf8 : ColumnPass::Storage::kBytes,
            v.shape);
      const std::string_view stored = unicode ? v.unicode : v.bytes;
      switch (inside->judge(stored, changed)) {
        case Verdict::kConverted:
          ++run.counts.converted;
          if (run.samples.size() < shown) {
            // A sample's after is in the destination charset: a legacy destination's bytes
            // are what the carrier's characters stand for.
            std::string after = changed, bytes;
            if (unicode && converter.to() != kUtf8 && WideValues(0, 0).utf8ToBytes(changed, bytes))
              after = bytes;
            run.samples.push_back({v.key, std::string(stored), after, storedText(v)});
          }
          break;
        case Verdict::kUncarried: ++run.counts.uncarried; break;
        case Verdict::kUndecided: ++run.counts.undecided; break;
        case Verdict::kAlready: ++run.counts.already; break;
        case Verdict::kUnchanged: ++run.counts.unchanged; break;
      }
      return true;
    }
    // As a run judges a value (ColumnPass::convert): good Unicode first, then what Windows-1252
    // cannot carry, then the value itself.
    if (!v.unicode.empty() && converter.alreadyUnicode(v.unicode)) {
      ++run.counts.already;
      if (run.already.size() < shown) run.already.push_back({v.key, std::string(v.unicode), {}, storedText(v)});
      return true;
    }
    if (v.uncarried) {
      ++run.counts.uncarried;
      return true;
    }
    switch (converter.convert(v.bytes, out)) {
      case ValueConverter::Outcome::kUnchanged: ++run.counts.unchanged; break;
      case ValueConverter::Outcome::kUndecided: ++run.counts.undecided; break;
      case ValueConverter::Outcome::kAlready:
        ++run.counts.already;
        if (run.already.size() < shown) run.already.push_back({v.key, std::string(v.bytes), {}, storedText(v)});
        break;
      case ValueConverter::Outcome::kConverted:
        ++run.counts.converted;
        if (run.samples.size() < shown)
          run.samples.push_back({v.key, std::string(v.bytes), out.str(), storedText(v)});
        if (limit.most >= 0 && length(out.view()) > limit.most) {
          ++run.tooLong;
          if (run.overLimit.size() < std::max<std::size_t>(shown, 1))
            run.overLimit.push_back({v.key, std::string(v.bytes), out.str(), storedText(v)});
        }
        break;
    }
    return true;
  });
  return run;
}

}  // namespace ts::db
