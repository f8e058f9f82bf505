#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
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

#include "ts/platform/desktop_fonts.hpp"
#include "ts/platform/files.hpp"
#include "ts/platform/options.hpp"
#include "ts/platform/paths.hpp"
#include "ts/platform/process.hpp"
#include "ts/platform/registry.hpp"
#include "ts/platform/shared_flag.hpp"
#include "ts/platform/window_channel.hpp"
#include "ts/testing/scratch.hpp"

namespace ts::platform {
namespace {

namespace fs = std::filesystem;

using ts::testing::readFile;

class Platform : public ts::testing::ScratchTest {
 protected:
  void SetUp() override {
    ScratchTest::SetUp();
    setenv("XDG_CONFIG_HOME", (dir_ / "config").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
    setenv("TMPDIR", dir_.c_str(), 1);
  }
  void TearDown() override {
    ScratchTest::TearDown();
    unsetenv("TMPDIR");
  }
};

TEST_F(Platform, Registry) {
  EXPECT_EQ(configFolder(), (dir_ / "config" / "tessaro").string());
  Registry fresh;
  EXPECT_EQ(fresh.path(), (dir_ / "config" / "tessaro" / "registry.ini").string());
  EXPECT_FALSE(fresh.keyExists());
  EXPECT_FALSE(fresh.get("path").has_value());
  EXPECT_TRUE(fresh.set("path", "/opt/kb/run --x"));
  EXPECT_TRUE(fresh.set("MenuFont", "Cantarell"));
  EXPECT_TRUE(fresh.set("path", "/opt/kb/run"));  // replaced, not added
  EXPECT_FALSE(fresh.set("bad", "two\nlines"));
  ASSERT_TRUE(fresh.save());
  EXPECT_EQ(readFile(fresh.path()), "[Software\\Tessaro]\npath=/opt/kb/run\nMenuFont=Cantarell\n");
  EXPECT_EQ(fs::status(fresh.path()).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);

  // Other sections and lines are kept; values are found in our section only.
  std::ofstream(fresh.path()) << "; a comment\n[Other]\npath=elsewhere\n\n[Software\\Tessaro]\n"
                                 "path = /bin/kb \n\n[Last]\nx=1\n";
  Registry again;
  EXPECT_TRUE(again.keyExists());
  EXPECT_EQ(again.get("path").value_or(""), "/bin/kb");
  EXPECT_TRUE(again.set("StatusFont", "Sans"));
  ASSERT_TRUE(again.save());
  EXPECT_EQ(readFile(again.path()),
            "; a comment\n[Other]\npath=elsewhere\n\n[Software\\Tessaro]\npath = /bin/kb \n"
            "StatusFont=Sans\n\n[Last]\nx=1\n");

  // A folder that cannot be made: the save fails and nothing is left behind.
  std::ofstream(dir_ / "blocker") << "x";
  Registry blocked((dir_ / "blocker" / "registry.ini").string());
  blocked.set("a", "b");
  EXPECT_FALSE(blocked.save());
}

TEST_F(Platform, AtomicWriteKeepsTheModeOfAnExistingFile) {
  const fs::path f = dir_ / "f.txt";
  ASSERT_TRUE(writeFileAtomically(f.string(), "one", 0640));
  EXPECT_EQ(fs::status(f).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  fs::permissions(f, fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);
  ASSERT_TRUE(writeFileAtomically(f.string(), "two", 0600));
  EXPECT_EQ(readFile(f), "two");
  EXPECT_EQ(fs::status(f).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);
  int files = 0;
  for (auto& e : fs::directory_iterator(dir_)) files += e.is_regular_file();
  EXPECT_EQ(files, 1);
}

TEST_F(Platform, RenameNeverReplaces) {
  std::ofstream(dir_ / "a") << "A";
  std::ofstream(dir_ / "b") << "B";
  errno = 0;
  EXPECT_FALSE(renameNoReplace((dir_ / "a").string(), (dir_ / "b").string()));
  EXPECT_EQ(errno, EEXIST);
  EXPECT_EQ(readFile(dir_ / "a"), "A");
  EXPECT_EQ(readFile(dir_ / "b"), "B");
  EXPECT_TRUE(renameNoReplace((dir_ / "a").string(), (dir_ / "c").string()));
  EXPECT_FALSE(fs::exists(dir_ / "a"));
  EXPECT_EQ(readFile(dir_ / "c"), "A");
  EXPECT_FALSE(renameNoReplace((dir_ / "missing").string(), (dir_ / "d").string()));
  EXPECT_EQ(errno, ENOENT);
}

TEST_F(Platform, WholeStreams) {
  // A pipe takes the bytes in pieces; writeAll goes on until all are written.
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  std::string big(1 << 20, 'x');
  for (std::size_t i = 0; i < big.size(); i += 4099) big[i] = static_cast<char>(i);
  std::string got;
  std::thread reader([&] {
    EXPECT_TRUE(readInPieces(fds[0], 1000, [&](std::string_view piece) {
      EXPECT_LE(piece.size(), 1000u);
      got.append(piece);
      return true;
    }));
  });
  EXPECT_TRUE(writeAll(fds[1], big.data(), big.size()));
  close(fds[1]);
  reader.join();
  close(fds[0]);
  EXPECT_TRUE(got == big);
  // The reader may stop early; a full device and a closed descriptor are errors.
  const int in = open("/dev/zero", O_RDONLY);
  int pieces = 0;
  EXPECT_TRUE(readInPieces(in, 10, [&](std::string_view) { return ++pieces < 3; }));
  EXPECT_EQ(pieces, 3);
  close(in);
  const int full = open("/dev/full", O_WRONLY);
  EXPECT_FALSE(writeAll(full, "x", 1));
  EXPECT_EQ(errno, ENOSPC);
  close(full);
  EXPECT_FALSE(readInPieces(-1, 10, [](std::string_view) { return true; }));
}

TEST_F(Platform, Folders) {
  const char* home = std::getenv("HOME");
  const std::string savedHome = home != nullptr ? home : "";
  setenv("HOME", "/home/someone", 1);
  unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(configFolder(), "/home/someone/.config/tessaro");
  setenv("XDG_CONFIG_HOME", "relative/not/used", 1);
  EXPECT_EQ(configFolder(), "/home/someone/.config/tessaro");
  unsetenv("XDG_DATA_HOME");
  unsetenv("XDG_DATA_DIRS");
  EXPECT_EQ(dataFolders(), (std::vector<std::string>{"/home/someone/.local/share",
                                                     "/usr/local/share", "/usr/share"}));
  setenv("XDG_DATA_HOME", "/d/home", 1);
  setenv("XDG_DATA_DIRS", "/a::relative:/b", 1);
  EXPECT_EQ(dataFolders(), (std::vector<std::string>{"/d/home", "/a", "/b"}));
  unsetenv("XDG_DATA_HOME");
  unsetenv("XDG_DATA_DIRS");
  unsetenv("XDG_RUNTIME_DIR");
  EXPECT_EQ(runtimeFolder(), "");
  setenv("HOME", savedHome.c_str(), 1);
}

TEST_F(Platform, FontDescriptions) {
  EXPECT_EQ(faceOf("Cantarell 11"), "Cantarell");
  EXPECT_EQ(faceOf("Cantarell Bold 11"), "Cantarell");
  EXPECT_EQ(faceOf("DejaVu Sans Mono Bold Italic 10"), "DejaVu Sans Mono");
  EXPECT_EQ(faceOf("Sans"), "Sans");
  EXPECT_EQ(faceOf(""), "");
  EXPECT_EQ(withFace("Cantarell Bold 11", "TS Sans Serif"), "TS Sans Serif Bold 11");
  EXPECT_EQ(withFace("Sans 9", "DejaVu Sans"), "DejaVu Sans 9");
  EXPECT_EQ(withFace("Sans", "X"), "X");
  EXPECT_EQ(withFace("TS Sans Serif 11", "Ubuntu"), "Ubuntu 11");
}

TEST_F(Platform, DesktopFontsFile) {
  const fs::path f = dir_ / "fonts.ini";
  setenv("TESSARO_DESKTOP_FONTS", f.c_str(), 1);
  auto desktop = desktopFonts();
  InterfaceFonts fonts;
  EXPECT_FALSE(desktop->read(fonts));  // no file: no fonts
  std::ofstream(f) << "CaptionFont=Cantarell Bold 11\nSmCaptionFont=Cantarell 9\nMenuFont=Sans 10\n"
                      "StatusFont=Sans 9\nMessageFont=Sans 10\n";
  ASSERT_TRUE(desktop->read(fonts));
  EXPECT_EQ(fonts.description[kCaption], "Cantarell Bold 11");
  EXPECT_EQ(fonts.description[kMessage], "Sans 10");
  fonts.description[kMenu] = "Ubuntu 10";
  ASSERT_TRUE(desktop->apply(fonts));
  InterfaceFonts back;
  ASSERT_TRUE(desktop->read(back));
  EXPECT_EQ(back.description, fonts.description);
  std::ofstream(f) << "CaptionFont=Cantarell 11\n";  // incomplete: cannot be read
  EXPECT_FALSE(desktop->read(back));
  unsetenv("TESSARO_DESKTOP_FONTS");
}

TEST_F(Platform, WindowChannel) {
  EXPECT_EQ(windowSocketPath("Kb"), (dir_ / "Kb").string());
  EXPECT_FALSE(windowExists("Kb"));
  EXPECT_FALSE(postCommand("Kb", 3004));
  const int srv = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::strcpy(addr.sun_path, windowSocketPath("Kb").c_str());
  ASSERT_EQ(bind(srv, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  ASSERT_EQ(listen(srv, 4), 0);
  std::string got;
  std::thread reader([&] {
    for (int i = 0; i < 2; ++i) {
      const int c = accept(srv, nullptr, nullptr);
      char buf[64];
      ssize_t n;
      while ((n = read(c, buf, sizeof buf)) > 0) got.append(buf, static_cast<std::size_t>(n));
      close(c);
    }
  });
  EXPECT_TRUE(windowExists("Kb"));
  EXPECT_TRUE(postCommand("Kb", 3004));
  reader.join();
  close(srv);
  EXPECT_EQ(got, "WM_COMMAND 3004\n");
  unsetenv("XDG_RUNTIME_DIR");
  EXPECT_EQ(windowSocketPath("Kb"), "/tmp/Kb-" + std::to_string(getuid()));
}

TEST_F(Platform, Processes) {
  const fs::path marker = dir_ / "started";
  ASSERT_TRUE(startCommandLine("echo started > '" + marker.string() + "'"));
  for (int i = 0; i < 200 && readFile(marker).empty(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(readFile(marker), "started\n");
  std::string out, err;
  EXPECT_TRUE(runProgram({"sh", "-c", "echo out; echo err >&2"}, out, err));
  EXPECT_EQ(out, "out\n");
  EXPECT_EQ(err, "err\n");
  EXPECT_FALSE(runProgram({"sh", "-c", "exit 3"}, out, err));
  EXPECT_FALSE(runProgram({"no-such-program-here"}, out, err));
  const auto t0 = std::chrono::steady_clock::now();
  EXPECT_FALSE(runProgram({"sleep", "5"}, out, err, 200));  // killed at the time limit
  EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(3));
  EXPECT_FALSE(findOnPath("sh").empty());

  // Watched starts: the status once ended, -1 while running; a missing program is ENOENT.
  StartedProgram p = startProgram({"sh", "-c", "exit 4"});
  ASSERT_EQ(p.error, 0);
  int status = -1;
  for (int i = 0; i < 300 && (status = programStatus(p.pid)) < 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(status, 4);
  EXPECT_EQ(startProgram({"no-such-program-here", "x"}).error, ENOENT);
  EXPECT_EQ(startProgram({}).error, ENOENT);
  p = startProgram({"sleep", "5"});
  ASSERT_EQ(p.error, 0);
  EXPECT_EQ(programStatus(p.pid), -1);
  EXPECT_TRUE(processRunning(p.pid));
  kill(p.pid, SIGTERM);
  // Ended but not collected yet: no longer running.
  for (int i = 0; i < 300 && processRunning(p.pid); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_FALSE(processRunning(p.pid));
  for (int i = 0; i < 300 && (status = programStatus(p.pid)) < 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(status, 128 + SIGTERM);
  EXPECT_FALSE(processRunning(p.pid));
  EXPECT_TRUE(processRunning(getpid()));
  EXPECT_FALSE(processRunning(-1));

  // Ending: SIGTERM, and SIGKILL for a process that ignores it.
  p = startProgram({"sleep", "30"});
  EXPECT_TRUE(endProcess(p.pid, 2000));
  EXPECT_EQ(programStatus(p.pid), 128 + SIGTERM);
  p = startProgram({"sh", "-c", "trap '' TERM; exec sleep 30"});
  std::this_thread::sleep_for(std::chrono::milliseconds(200));  // the trap is set
  EXPECT_TRUE(endProcess(p.pid, 300));
  EXPECT_EQ(programStatus(p.pid), 128 + SIGKILL);
}

TEST_F(Platform, ProfileSectionsAreStoresOfTheirOwn) {
  const std::string path = (dir_ / "tsweb.ini").string();
  std::ofstream(path) << "[Software\\Tessaro]\nControl=keep\n";
  Registry settings(path, "Settings");
  EXPECT_FALSE(settings.keyExists());
  EXPECT_FALSE(settings.get("Control").has_value()) << "another section's value";
  EXPECT_TRUE(settings.set("Control", "100,50,"));
  ASSERT_TRUE(settings.save());
  EXPECT_EQ(readFile(path), "[Software\\Tessaro]\nControl=keep\n[Settings]\nControl=100,50,\n");
  EXPECT_EQ(Registry(path).get("Control").value_or(""), "keep");
  EXPECT_EQ(Registry(path, "Settings").get("Control").value_or(""), "100,50,");
}

TEST_F(Platform, SharedBlock) {
  auto* block = static_cast<volatile std::uint32_t*>(mapSharedBlock("flag.map", 2048));
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(fs::file_size(dir_ / "flag.map"), 2048u);
  EXPECT_EQ(mapSharedBlock("flag.map", 2048), block);  // one mapping per process
  // Another process sees what this one stores, and this one what it stores.
  block[0] = 7;
  const pid_t child = fork();
  if (child == 0) {
    auto* other = static_cast<volatile std::uint32_t*>(mapSharedBlock("flag.map", 2048));
    const bool ok = other != nullptr && other[0] == 7;
    if (other != nullptr) other[1] = 9;
    _exit(ok ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(block[1], 9u);
  // A short file is made anew with the size; a symbolic link is refused.
  std::ofstream(dir_ / "short.map") << "abc";
  EXPECT_NE(mapSharedBlock("short.map", 2048), nullptr);
  EXPECT_EQ(fs::file_size(dir_ / "short.map"), 2048u);
  std::ofstream(dir_ / "victim") << "keep me";
  fs::create_symlink(dir_ / "victim", dir_ / "link.map");
  EXPECT_EQ(mapSharedBlock("link.map", 2048), nullptr);
  EXPECT_EQ(readFile(dir_ / "victim"), "keep me");
  EXPECT_EQ(temporaryFolder(), dir_.string());
}

// What a refused command line is told, as the user typed it.
TEST(OptionError, SaysWhatWasTypedAndWhy) {
  static const option kLong[] = {{"from", required_argument, nullptr, 'f'},
                                 {"upper", no_argument, nullptr, 'u'},
                                 {"table", required_argument, nullptr, 1000},
                                 {nullptr, 0, nullptr, 0}};
  const auto refused = [](std::vector<std::string> words) {
    words.insert(words.begin(), "prog");
    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    opterr = 0;
    optind = 0;  // a fresh scan
    int c;
    while ((c = getopt_long(static_cast<int>(words.size()), argv.data(), "f:u", kLong, nullptr)) !=
           -1)
      if (c == '?') return optionError(argv.data(), "f:u", kLong);
    return std::string("accepted");
  };
  EXPECT_EQ(refused({"-x"}), "unknown option '-x'");
  EXPECT_EQ(refused({"-ux"}), "unknown option '-x'");
  EXPECT_EQ(refused({"--upper", "-ux"}), "unknown option '-x'");  // not the word before
  EXPECT_EQ(refused({"-f"}), "missing argument of '-f'");
  EXPECT_EQ(refused({"--from"}), "missing argument of '--from'");
  EXPECT_EQ(refused({"--fr"}), "missing argument of '--fr'");
  EXPECT_EQ(refused({"--table"}), "missing argument of '--table'");  // no letter of its own
  EXPECT_EQ(refused({"--bogus=3"}), "unknown option '--bogus'");
  EXPECT_EQ(refused({"--upper=yes"}), "option '--upper' takes no argument");
  EXPECT_EQ(refused({"-f", "x", "--upper"}), "accepted");
}

}  // namespace
}  // namespace ts::platform
