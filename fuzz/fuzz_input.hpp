// How the fuzz targets read their input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace ts::fuzz {

// The input split at its first `parts - 1` NUL bytes (missing parts are empty).
inline std::vector<std::string> splitAtNul(const std::uint8_t* data, std::size_t size,
                                           std::size_t parts) {
  std::vector<std::string> out(parts);
  std::size_t k = 0;
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0 && k + 1 < parts) {
      ++k;
      continue;
    }
    out[k].push_back(static_cast<char>(data[i]));
  }
  return out;
}

// Stops the run with a message when a property does not hold.
inline void check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "check failed: %s\n", what);
    std::abort();
  }
}

}  // namespace ts::fuzz
