// Linked into the sanitized tests that load ODBC drivers: the leak check leaves alone the
// memory that the drivers keep for good (they are not ours to mend; our own handles are all
// freed).  The runtime finds these functions in the dynamic symbol table.
#define TS_SANITIZER_HOOK extern "C" __attribute__((visibility("default"))) const char*

TS_SANITIZER_HOOK __lsan_default_suppressions() {
  return "leak:psqlodbca.so\n"
         "leak:psqlodbcw.so\n"
         "leak:libsqlite3odbc.so\n"
         "leak:libodbcinst.so\n";
}

#ifdef TS_SLOW_UNWIND
// A driver that the driver manager has unloaded by the end leaves frames the fast unwinder
// cannot follow, and so no module name to match: the allocations' stacks are taken the slow way.
TS_SANITIZER_HOOK __asan_default_options() { return "fast_unwind_on_malloc=0"; }
#endif
