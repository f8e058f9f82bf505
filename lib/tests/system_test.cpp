// The exports that reach outside the process: interface fonts, the keyboard program, the
// clipboard guard; and the font, HTML and UTF exports through the C interface.
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "ts/testing/scratch.hpp"
#include "tslib.h"

namespace {

namespace fs = std::filesystem;

using ts::testing::readFile;

class System : public ts::testing::ScratchTest {
 protected:
  void SetUp() override {
    ScratchTest::SetUp();
    fs::create_directories(dir_ / "run");
    setenv("XDG_CONFIG_HOME", (dir_ / "config").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (dir_ / "run").c_str(), 1);
    setenv("TMPDIR", dir_.c_str(), 1);
    setenv("TESSARO_DESKTOP_FONTS", (dir_ / "desktop.ini").c_str(), 1);
  }
  void TearDown() override {
    quitKeyboard();
    ScratchTest::TearDown();
  }

  fs::path registry() const { return dir_ / "config" / "tessaro" / "registry.ini"; }
  fs::path log() const { return dir_ / "keyboard.log"; }

  void setPath() {
    fs::create_directories(registry().parent_path());
    std::ofstream(registry()) << "[Software\\Tessaro]\npath=" << FAKE_KEYBOARD << " "
                              << log().string() << "\n";
  }

  std::vector<std::string> logLines() const {
    std::vector<std::string> lines;
    std::istringstream in(readFile(log()));
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    return lines;
  }

  // Waits until the log has `n` lines (or two seconds pass), then a little more.
  std::vector<std::string> waitForLines(std::size_t n) const {
    for (int i = 0; i < 200 && logLines().size() < n; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    return logLines();
  }

  bool windowOpen() const { return fs::exists(dir_ / "run" / "TessaroKeyboard"); }

  void quitKeyboard() {
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s",
                  (dir_ / "run" / "TessaroKeyboard").c_str());
    if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
      (void)!write(fd, "QUIT\n", 5);
      for (int i = 0; i < 200 && windowOpen(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    close(fd);
  }
};

TEST_F(System, KeyboardProgramWithoutPath) {
  for (uint32_t mode : {0u, 1u, 2u, 3u}) EXPECT_EQ(TS_run(mode), 0) << mode;
  EXPECT_FALSE(fs::exists(log()));
}

TEST_F(System, KeyboardProgramStartedAndSignalled) {
  setPath();
  EXPECT_EQ(TS_run(3), 1);  // another mode: nothing started
  EXPECT_EQ(TS_run(0), 1);  // not running: started
  auto lines = waitForLines(1);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], "start");
  ASSERT_TRUE(windowOpen());
  EXPECT_EQ(TS_run(0), 1);      // running: nothing more
  EXPECT_EQ(TS_run(0x100), 1);  // the low byte is the mode
  EXPECT_EQ(TS_run(2), 1);      // running: brought up with command 3004
  lines = waitForLines(2);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1], "WM_COMMAND 3004");
  EXPECT_EQ(TS_run(1), 1);  // mode 1 starts it again with " F"
  lines = waitForLines(3);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[2], "start F (window already open)");
}

TEST_F(System, KeyboardProgramStartedTwiceInModeTwo) {
  setPath();
  EXPECT_EQ(TS_run(2), 1);
  const auto lines = waitForLines(2);
  ASSERT_EQ(lines.size(), 2u);  // two starts: one opens the window, the other finds it
  EXPECT_EQ((lines[0] == "start") + (lines[1] == "start"), 1);
}

TEST_F(System, KeyboardWindowWithoutPath) {
  setPath();
  ASSERT_EQ(TS_run(0), 1);
  waitForLines(1);
  ASSERT_TRUE(windowOpen());
  fs::remove(registry());
  EXPECT_EQ(TS_run(0), 1);
  EXPECT_EQ(TS_run(2), 1);
  EXPECT_EQ(TS_run(1), 0);  // needs the path
  EXPECT_EQ(waitForLines(2).back(), "WM_COMMAND 3004");
}

TEST_F(System, ClipboardGuardAcrossProcesses) {
  auto* first = static_cast<volatile uint32_t*>(TS_noClipboard(0));
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first[0], 1u);
  EXPECT_EQ(fs::file_size(dir_ / "tsclb.map"), 2048u);
  first[0] = 0;
  const pid_t child = fork();
  if (child == 0) {
    // Another process: a fresh load of the library would map the same file.
    auto* other = static_cast<volatile uint32_t*>(TS_noClipboard(12345));
    _exit(other != nullptr && other[0] == 1 ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(first[0], 1u);  // raised by the other process
  EXPECT_EQ(TS_noClipboard(0), first);
}

void writeDesktop(const fs::path& f, const std::string& face) {
  std::ofstream(f) << "CaptionFont=" << face << " Bold 11\nSmCaptionFont=" << face
                   << " 9\nMenuFont=" << face << " 10\nStatusFont=" << face
                   << " 9\nMessageFont=" << face << " 10\n";
}

TEST_F(System, InterfaceFonts) {
  const fs::path desktop = dir_ / "desktop.ini";
  EXPECT_NE(TS_sysFont(1), 0);  // no desktop fonts to read: nothing changes
  EXPECT_FALSE(fs::exists(registry()));
  EXPECT_EQ(TS_sysFont(0), 1);

  writeDesktop(desktop, "Cantarell");
  EXPECT_EQ(TS_sysFont(0), 0);  // nothing saved yet: nothing to restore
  EXPECT_EQ(readFile(desktop).find("TS Sans Serif"), std::string::npos);
  EXPECT_EQ(TS_sysFont(1), 0);
  EXPECT_NE(readFile(desktop).find("CaptionFont=TS Sans Serif Bold 11\n"), std::string::npos);
  EXPECT_NE(readFile(desktop).find("StatusFont=TS Sans Serif 9\n"), std::string::npos);
  EXPECT_EQ(readFile(registry()),
            "[Software\\Tessaro]\nCaptionFont=Cantarell\nMessageFont=Cantarell\n"
            "MenuFont=Cantarell\nStatusFont=Cantarell\nSmCaptionFont=Cantarell\n");
  // A second switch keeps the first saved fonts; one restore brings them back.
  EXPECT_EQ(TS_sysFont(0x201), 0);
  EXPECT_NE(readFile(registry()).find("CaptionFont=Cantarell\n"), std::string::npos);
  EXPECT_EQ(TS_sysFont(0), 0);
  EXPECT_EQ(readFile(desktop),
            "CaptionFont=Cantarell Bold 11\nSmCaptionFont=Cantarell 9\nMenuFont=Cantarell 10\n"
            "StatusFont=Cantarell 9\nMessageFont=Cantarell 10\n");
  EXPECT_NE(readFile(registry()).find("MenuFont=Cantarell"), std::string::npos);  // kept

  // The desktop refuses the change: the user's fonts and the saved faces stay.
  writeDesktop(desktop, "Ubuntu");
  const std::string saved = readFile(registry());
  fs::create_directories(dir_ / "ro");
  const fs::path roDesktop = dir_ / "ro" / "desktop.ini";
  writeDesktop(roDesktop, "Ubuntu");
  setenv("TESSARO_DESKTOP_FONTS", roDesktop.c_str(), 1);
  fs::permissions(dir_ / "ro", fs::perms::owner_read | fs::perms::owner_exec);
  if (getuid() != 0) {  // root writes anyway
    EXPECT_NE(TS_sysFont(1), 0);
    EXPECT_EQ(readFile(registry()), saved);
    EXPECT_EQ(readFile(roDesktop).find("TS Sans Serif"), std::string::npos);
  }
  fs::permissions(dir_ / "ro", fs::perms::owner_all);
}

TEST_F(System, InterfaceFontsWithSavedFacesUnwritable) {
  writeDesktop(dir_ / "desktop.ini", "Cantarell");
  std::ofstream(dir_ / "config") << "a file where the folder should be";
  EXPECT_NE(TS_sysFont(1), 0);  // the faces cannot be saved: no switch
  EXPECT_EQ(readFile(dir_ / "desktop.ini").find("TS Sans Serif"), std::string::npos);
}

TEST_F(System, FontsHtmlAndUtf) {
  ASSERT_EQ(TS_Code2Code(29, 15), 1);
  char name[32] = "untouched";
  EXPECT_EQ(TS_convertFont("VNI-Times", name), 7);
  EXPECT_STREQ(name, ".VnTime");
  std::strcpy(name, "untouched");
  EXPECT_EQ(TS_convertFont("vni-times", name), 0);
  EXPECT_STREQ(name, "untouched");
  EXPECT_EQ(TS_convertFont("", name), 7);
  EXPECT_EQ(TS_convertFont(nullptr, name), 0);

  ASSERT_EQ(TS_Code2Code(15, 29), 1);
  std::vector<char> out(256, '\x7F');
  const char* page = "<font face=\".VnTime\">\xB8 b</font><meta charset=\"x\"><i";
  EXPECT_EQ(TS_htmlConvert(page, out.data()),
            static_cast<int32_t>(std::strlen("<font face=\"VNI-Times\">a&#249; b</font>"
                                             "<meta charset=\"windows-1252\"><i")));
  EXPECT_STREQ(out.data(),
               "<font face=\"VNI-Times\">a&#249; b</font><meta charset=\"windows-1252\"><i");
  EXPECT_EQ(TS_htmlConvert(nullptr, out.data()), 0);

  char u8[4];
  EXPECT_EQ(TS_UTF16toUTF8(0x1EC7, u8), 3);
  EXPECT_STREQ(u8, "\xE1\xBB\x87");
  EXPECT_EQ(TS_UTF16toUTF8(0x10041, u8), 1);  // a 16-bit unit: the low 16 bits
  int32_t seq = 99;
  EXPECT_EQ(TS_UTF8toUTF16("\xE1\xBB\x87", &seq, 3), 0x1EC7);
  EXPECT_EQ(seq, 2);
  seq = 99;
  EXPECT_EQ(TS_UTF8toUTF16("\xE1\xBB\x87", &seq, 2), 0);
  EXPECT_EQ(seq, 99);
  EXPECT_EQ(TS_UTF8toUTF16("\xF0\x9F\x98\x80", &seq, 4), 0xFFFD);
  EXPECT_EQ(TS_UTF8toUTF16(nullptr, &seq, 4), 0);
  EXPECT_EQ(TS_UTF8toUTF16("a", nullptr, 1), 0);
}

}  // namespace
