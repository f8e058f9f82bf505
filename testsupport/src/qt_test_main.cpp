// The main of the programs' window tests: the messages' catalogue, one QApplication, offscreen
// unless a platform is named (a real X server for screenshots).  TS_TEST_ENV ("NAME=value|NAME=value", given at
// build time) sets the tests' own environment where it is not set already: test discovery
// cannot hand a list of variables to each test.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>
#include <string>

#include "ts/platform/messages.hpp"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  setenv("QT_QPA_PLATFORM", "offscreen", 0);  // unless told otherwise
#ifdef TS_TEST_ENV
  const std::string env = TS_TEST_ENV;
  for (std::size_t i = 0; i < env.size();) {
    std::size_t end = env.find('|', i);
    if (end == std::string::npos) end = env.size();
    const std::string pair = env.substr(i, end - i);
    const std::size_t eq = pair.find('=');
    if (eq != std::string::npos) setenv(pair.substr(0, eq).c_str(), pair.substr(eq + 1).c_str(), 0);
    i = end + 1;
  }
#endif
  ts::platform::initMessages();  // as the programs do: their messages in the tests' language
  QApplication app(argc, argv);
  QApplication::setApplicationName("tessaro-tests");
  return RUN_ALL_TESTS();
}
