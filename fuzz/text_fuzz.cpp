// The text utilities and the Unicode bridge with buffers of exactly the documented sizes.
// Input: default charset, converter source, converter destination, mode, then the text.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_input.hpp"
#include "tslib.h"

namespace {

constexpr char kGuard = '\x5A';

using ts::fuzz::check;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  TS_defaultCode(data[0] % 42);
  TS_Code2Code(data[1] % 46, data[2] % 46);
  const std::uint32_t mode = data[3] % 2 ? 0x65 : data[3] % 4;
  std::string text(reinterpret_cast<const char*>(data) + 4, size - 4);
  text.resize(std::strlen(text.c_str()));
  const std::size_t n = text.size();

  std::vector<char> key(3 * n + 2 + 1, kGuard);
  const int32_t k = TS_vn2str7bit(mode, text.c_str(), key.data());
  check(k >= 0 && static_cast<std::size_t>(k) <= 3 * n + 1, "key within 3n + 1");
  check(key[3 * n + 2] == kGuard, "nothing written past the key buffer");
  check(TS_strcmp(text.c_str(), text.c_str()) == 0, "a text equals itself");

  std::vector<char> cased(text.begin(), text.end());
  cased.push_back(0);
  cased.push_back(kGuard);
  const int32_t up = TS_upperStr(cased.data());
  check(up == 0 || static_cast<std::size_t>(up) == n, "length of the text");
  check(std::strlen(cased.data()) == n && cased[n + 1] == kGuard, "case in place");
  TS_lowerStr(cased.data());

  std::vector<uint16_t> units(n + 1 + 1, 0x5A5A);
  const int32_t u = TS_VN2Unicode(text.c_str(), units.data());
  check(u >= 0 && static_cast<std::size_t>(u) <= n && units[n + 1] == 0x5A5A, "units within n");
  check(units[static_cast<std::size_t>(u)] == 0, "units terminated");
  std::vector<char> back(8 * static_cast<std::size_t>(u) + 1 + 1, kGuard);
  const int32_t b = TS_Unicode2VN(units.data(), back.data());
  check(b >= 0 && static_cast<std::size_t>(b) <= 8 * static_cast<std::size_t>(u),
        "bytes within 8 per unit");
  check(back.back() == kGuard, "nothing written past the byte buffer");
  return 0;
}
