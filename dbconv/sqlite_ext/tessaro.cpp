// The engine as a SQLite loadable extension:
//   .load /usr/local/lib/tessaro/tessaro
//   SELECT ts_convert(name, 'tcvn3', 'utf8') FROM people;
//   UPDATE people SET name = ts_convert(name, 'vni', 'utf8');
//   SELECT ts_detect(name) FROM people;
// ts_convert(value, from, to): a text converted between two charsets named by code or name
// ('auto' as from: each value from the charset it is guessed to be in); NULL and values that
// are not text come back as they are.  ts_detect(value): the catalogue name of the charset a
// text is confidently guessed to be in, else NULL.
#include <sqlite3ext.h>

#include <new>
#include <string>

#include "ts/byte_buffer.hpp"
#include "ts/catalogue.hpp"
#include "ts/db/conversion.hpp"
#include "ts/detect.hpp"

SQLITE_EXTENSION_INIT1

namespace {

struct Connection {
  ts::db::ValueConverter converter{ts::kTcvn3, ts::kUtf8};
  ts::ByteBuffer out;
};

// The charset an argument names; -1 (with an error set) when none.
int charsetArgument(sqlite3_context* ctx, sqlite3_value* v, bool source) {
  const unsigned char* t = sqlite3_value_text(v);
  std::string why;
  const int code = ts::db::conversionCharset(
      t == nullptr ? std::string_view() : reinterpret_cast<const char*>(t), source, why);
  if (code < 0) sqlite3_result_error(ctx, ("ts_convert: " + why).c_str(), -1);
  return code;
}

void tsConvert(sqlite3_context* ctx, int, sqlite3_value** argv) {
  auto* c = static_cast<Connection*>(sqlite3_user_data(ctx));
  const int from = charsetArgument(ctx, argv[1], true);
  if (from < 0) return;
  const int to = charsetArgument(ctx, argv[2], false);
  if (to < 0) return;
  if (sqlite3_value_type(argv[0]) != SQLITE_TEXT) {
    sqlite3_result_value(ctx, argv[0]);
    return;
  }
  try {
    if (from != c->converter.from() || to != c->converter.to()) c->converter.setPair(from, to);
    const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    const auto n = static_cast<std::size_t>(sqlite3_value_bytes(argv[0]));
    if (c->converter.convert({p, n}, c->out) == ts::db::ValueConverter::Outcome::kConverted)
      sqlite3_result_text64(ctx, reinterpret_cast<const char*>(c->out.data()), c->out.size(),
                            SQLITE_TRANSIENT, SQLITE_UTF8);
    else
      sqlite3_result_value(ctx, argv[0]);
  } catch (const std::bad_alloc&) {
    sqlite3_result_error_nomem(ctx);
  }
}

void tsDetect(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) != SQLITE_TEXT) {
    sqlite3_result_null(ctx);
    return;
  }
  try {
    const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    const auto n = static_cast<std::size_t>(sqlite3_value_bytes(argv[0]));
    const std::string_view name = ts::db::confidentCharsetName({p, n});
    if (name.empty()) {
      sqlite3_result_null(ctx);
      return;
    }
    sqlite3_result_text(ctx, name.data(), static_cast<int>(name.size()), SQLITE_STATIC);
  } catch (const std::bad_alloc&) {
    sqlite3_result_error_nomem(ctx);
  }
}

void release(void* p) { delete static_cast<Connection*>(p); }

}  // namespace

extern "C" __attribute__((visibility("default"))) int sqlite3_tessaro_init(
    sqlite3* db, char** error, const sqlite3_api_routines* api) {
  SQLITE_EXTENSION_INIT2(api);
  auto* c = new (std::nothrow) Connection;
  if (c == nullptr) return SQLITE_NOMEM;
  int rc = sqlite3_create_function_v2(db, "ts_convert", 3,
                                      SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS, c,
                                      tsConvert, nullptr, nullptr, release);
  if (rc == SQLITE_OK)
    rc = sqlite3_create_function_v2(db, "ts_detect", 1,
                                    SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS, nullptr,
                                    tsDetect, nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK && error != nullptr)
    *error = sqlite3_mprintf("tessaro: cannot register its functions");
  return rc;
}
