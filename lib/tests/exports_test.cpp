// The library as an outside program sees it: loaded by path, functions found by plain name.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>

namespace {

std::vector<std::string> exportList() {
  std::vector<std::string> names;
  std::stringstream ss(TSLIB_EXPORT_LIST);
  for (std::string name; std::getline(ss, name, ',');) names.push_back(name);
  return names;
}

TEST(Exports, FoundByPlainNameAfterDlopen) {
  void* lib = dlopen(TSLIB_PATH, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(lib, nullptr) << dlerror();
  for (const std::string& name : exportList()) EXPECT_NE(dlsym(lib, name.c_str()), nullptr) << name;
  // No C++ names and no engine internals.
  EXPECT_EQ(dlsym(lib, "_ZN2ts10selectPairERNS_14ConverterStateEjj"), nullptr);
  EXPECT_EQ(dlsym(lib, "g_state"), nullptr);
  dlclose(lib);
}

// A fresh load starts from the initial state, and unloading after a selection releases the
// tree (a leak checker sees the release; the next load starts anew).
TEST(Exports, LoadSelectConvertUnload) {
  for (int round = 0; round < 2; ++round) {
    void* lib = dlopen(TSLIB_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(lib, nullptr) << dlerror();
    using Select = unsigned char (*)(uint32_t, uint32_t);
    using Convert = int32_t (*)(const char*, char*);
    auto select = reinterpret_cast<Select>(dlsym(lib, "TS_Code2Code"));
    auto convert = reinterpret_cast<Convert>(dlsym(lib, "TS_Convert"));
    ASSERT_NE(select, nullptr);
    ASSERT_NE(convert, nullptr);
    char out[32];
    if (round == 0) {
      EXPECT_EQ(convert("\xB8", out), 1);
      EXPECT_STREQ(out, "\xB8");  // nothing selected yet: copied
      EXPECT_EQ(select(15, 29), 1);
      EXPECT_EQ(convert("\xB8", out), 2);
      EXPECT_STREQ(out, "a\xF9");
    }
    dlclose(lib);
  }
}

}  // namespace
