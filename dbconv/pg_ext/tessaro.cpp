// The engine inside PostgreSQL: CREATE EXTENSION tessaro gives ts_convert(text|bytea, from,
// to) (charsets by name or code, or text(text, integer, integer)) and ts_detect(text),
// immutable and parallel safe, so that an UPDATE converts a column
// where the data is, in parallel workers and on every node of a distributed database alike.
//
// The server reports errors by jumping out of the function: no C++ object with a destructor
// may be alive then.  All the C++ work happens in `work`, which catches everything and
// returns a message; the server is called only after it has returned.
extern "C" {
#include "postgres.h"
// after postgres.h
#include "fmgr.h"
#include "mb/pg_wchar.h"
#include "utils/builtins.h"
}

#include <string>

#include "ts/byte_buffer.hpp"
#include "ts/db/conversion.hpp"
#include "ts/db/wide.hpp"

// Built with default visibility: the server looks these up by name.
extern "C" {
PG_MODULE_MAGIC;
PG_FUNCTION_INFO_V1(ts_convert_text);
PG_FUNCTION_INFO_V1(ts_convert_bytea);
PG_FUNCTION_INFO_V1(ts_convert_codes);
PG_FUNCTION_INFO_V1(ts_detect_text);
}

namespace {

// One converter per backend process, kept for the pair last asked for.
struct Work {
  ts::db::ValueConverter converter{ts::kTcvn3, ts::kUtf8};
  ts::db::WideValues carrier{ts::kTcvn3, ts::kUtf8};
  ts::ByteBuffer out;
  std::string bytes, text;
  std::string error;  // why the last call failed; empty when it did not
};
Work* work() {
  static Work* w = new Work;  // never freed: lives as long as the process
  return w;
}

std::string textOf(const text* t) { return std::string(VARDATA_ANY(t), VARSIZE_ANY_EXHDR(t)); }

// Converts `value`; false with work()->error set on failure.  true with *changed false when
// the value stays as it is.  `carried`: text of a UTF8 database, whose legacy bytes are held
// as the Windows-1252 characters they are, and whose Unicode text is itself (as tsdata reads
// and writes such columns).
bool convertValue(const char* value, std::size_t size, const std::string& from,
                  const std::string& to, bool carried, bool* changed) noexcept {
  Work* w = work();
  try {
    w->error.clear();
    const int source = ts::db::conversionCharset(from, true, w->error);
    if (source < 0) return false;
    const int destination = ts::db::conversionCharset(to, false, w->error);
    if (destination < 0) return false;
    ts::db::ValueConverter& c = w->converter;
    if (source != c.from() || ts::db::ValueConverter::storedDestination(destination) != c.to()) {
      c.setPair(source, destination);
      w->carrier = ts::db::WideValues(c.from(), c.to());
    }
    if (!carried) {
      *changed = c.convert({value, size}, w->out) == ts::db::ValueConverter::Outcome::kConverted;
      return true;
    }
    *changed = false;
    // Good Unicode is in the destination already: a second UPDATE changes nothing.
    if (c.alreadyUnicode({value, size})) return true;
    if (!w->carrier.utf8ToBytes({value, size}, w->bytes)) return true;  // not legacy text
    if (c.convert(w->bytes, w->out) != ts::db::ValueConverter::Outcome::kConverted) return true;
    w->carrier.bytesToUtf8(w->out.view(), w->text);
    w->out.clear();
    w->out.append(w->text.data(), w->text.size());
    *changed = std::string_view(value, size) != w->out.view();
    return true;
  } catch (const std::exception& e) {
    w->error = e.what();
    return false;
  }
}

}  // namespace

template <typename T>
static Datum convertDatum(FunctionCallInfo fcinfo, bool isText, bool codes = false) {
  T* value = PG_GETARG_VARLENA_PP(0);
  bool changed = false;
  bool ok;
  {
    const std::string f = codes ? std::to_string(PG_GETARG_INT32(1)) : textOf(PG_GETARG_TEXT_PP(1));
    const std::string t = codes ? std::to_string(PG_GETARG_INT32(2)) : textOf(PG_GETARG_TEXT_PP(2));
    ok = convertValue(VARDATA_ANY(value), VARSIZE_ANY_EXHDR(value), f, t,
                      isText && GetDatabaseEncoding() == PG_UTF8, &changed);
  }
  if (!ok)
    ereport(ERROR, (errcode(ERRCODE_INVALID_PARAMETER_VALUE),
                    errmsg("ts_convert: %s", work()->error.c_str())));
  if (!changed) PG_RETURN_POINTER(value);
  const ts::ByteBuffer& out = work()->out;
  const char* data = reinterpret_cast<const char*>(out.data());
  const int size = static_cast<int>(out.size());
  if (isText && !pg_verifymbstr(data, size, true))
    ereport(ERROR, (errcode(ERRCODE_CHARACTER_NOT_IN_REPERTOIRE),
                    errmsg("ts_convert: the converted text is not valid in the database's "
                           "encoding %s",
                           GetDatabaseEncodingName()),
                    errhint("Convert the value as bytea: ts_convert(convert_to(...), ...).")));
  bytea* result = static_cast<bytea*>(palloc(VARHDRSZ + size));
  SET_VARSIZE(result, VARHDRSZ + size);
  memcpy(VARDATA(result), data, size);
  PG_RETURN_POINTER(result);
}

Datum ts_convert_text(PG_FUNCTION_ARGS) { return convertDatum<text>(fcinfo, true); }

Datum ts_convert_bytea(PG_FUNCTION_ARGS) { return convertDatum<bytea>(fcinfo, false); }

Datum ts_convert_codes(PG_FUNCTION_ARGS) { return convertDatum<text>(fcinfo, true, true); }

namespace {

// The name of the charset a text is confidently in (empty: none); false when out of memory.
// `carried`: text of a UTF8 database, read as ts_convert reads it: the legacy bytes its
// characters stand for, where they stand for bytes.
bool detectValue(const char* value, std::size_t size, bool carried,
                 std::string_view* name) noexcept {
  try {
    Work* w = work();
    if (carried && w->carrier.utf8ToBytes({value, size}, w->bytes)) {
      *name = ts::db::confidentCharsetName(w->bytes);
      return true;
    }
    *name = ts::db::confidentCharsetName({value, size});
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace

Datum ts_detect_text(PG_FUNCTION_ARGS) {
  text* value = PG_GETARG_TEXT_PP(0);
  std::string_view name;
  if (!detectValue(VARDATA_ANY(value), VARSIZE_ANY_EXHDR(value),
                   GetDatabaseEncoding() == PG_UTF8, &name))
    ereport(ERROR, (errcode(ERRCODE_OUT_OF_MEMORY), errmsg("ts_detect: out of memory")));
  if (name.empty()) PG_RETURN_NULL();
  PG_RETURN_TEXT_P(cstring_to_text_with_len(name.data(), static_cast<int>(name.size())));
}
