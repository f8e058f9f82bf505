// TS_replace against the byte-by-byte rule.  Input: text, pattern and replacement
// separated by NUL bytes.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "fuzz_input.hpp"
#include "reference.hpp"
#include "tslib.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto parts = ts::fuzz::splitAtNul(data, size, 3);
  for (auto& p : parts) p.resize(std::strlen(p.c_str()));  // C strings end at a NUL
  const char* got = TS_replace(parts[0].c_str(), parts[1].c_str(), parts[2].c_str());
  const std::string want = ts::reference::replaceAll(parts[0], parts[1], parts[2]);
  if (got == nullptr || want != got) {
    std::fprintf(stderr, "TS_replace differs from the rule\n");
    std::abort();
  }
  // Its own result passed back in.
  const std::string again = ts::reference::replaceAll(want, parts[1], want);
  if (again != TS_replace(got, parts[1].c_str(), got)) std::abort();
  return 0;
}
