// Helpers of the web converter's tests: a scratch folder and small file functions.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

namespace ts::web::test {

namespace fs = std::filesystem;

inline std::string readFile(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

inline void writeFile(const fs::path& p, const std::string& s) {
  fs::create_directories(p.parent_path());
  std::ofstream f(p, std::ios::binary);
  f << s;
}

// A fresh folder per test.
class Scratch : public ::testing::Test {
 protected:
  void SetUp() override {
    static const fs::path base = fs::temp_directory_path();
    dir_ = base / ("tsweb-test-" + std::to_string(getpid()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ec;
    fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(dir_, ec);
  }
  fs::path dir_;
};

// Whether a text is valid UTF-8 (no overlong forms, no surrogates, at most U+10FFFF).
inline bool validUtf8(const std::string& s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const auto b = static_cast<unsigned char>(s[i]);
    if (b < 0x80) {
      ++i;
      continue;
    }
    const std::size_t len = (b >= 0xC2 && b <= 0xDF)   ? 2
                            : (b >= 0xE0 && b <= 0xEF) ? 3
                            : (b >= 0xF0 && b <= 0xF4) ? 4
                                                       : 0;
    if (len == 0 || i + len > s.size()) return false;
    unsigned cp = b & (0xFFu >> (len + 1));
    for (std::size_t k = 1; k < len; ++k) {
      const auto c = static_cast<unsigned char>(s[i + k]);
      if ((c & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (c & 0x3F);
    }
    if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF))
      return false;
    i += len;
  }
  return true;
}

}  // namespace ts::web::test
