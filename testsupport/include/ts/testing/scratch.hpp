// Shared by the tests that work with files: reading and writing whole files, and a fixture
// that gives each test a fresh folder of its own.
#pragma once

#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace ts::testing {

namespace fs = std::filesystem;

inline std::string readFile(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

// Writes a whole file, making its folders.
inline void writeFile(const fs::path& p, const std::string& s) {
  if (p.has_parent_path()) fs::create_directories(p.parent_path());
  std::ofstream f(p, std::ios::binary);
  f << s;
}

// Text as XML character data: "&", "<" and ">" escaped.
inline std::string xmlText(const std::string& s) {
  std::string out;
  for (const char c : s) {
    if (c == '&')
      out += "&amp;";
    else if (c == '<')
      out += "&lt;";
    else if (c == '>')
      out += "&gt;";
    else
      out += c;
  }
  return out;
}

// A folder for each test, below the temporary folder the tests started with (tests may
// change TMPDIR), removed afterwards whatever its permissions.
class ScratchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static const fs::path base = fs::temp_directory_path();
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    // One folder, also for parameterised tests ("Drivers/Odbc", "Case/0").
    std::string name =
        "ts-test-" + std::to_string(getpid()) + "-" + info->test_suite_name() + "-" + info->name();
    for (char& c : name)
      if (c == '/') c = '_';
    dir_ = base / name;
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

}  // namespace ts::testing
