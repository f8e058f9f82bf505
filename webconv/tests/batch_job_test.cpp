#include "ts/web/batch_job.hpp"

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <thread>

#include "web_test_util.hpp"

namespace ts::web {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::writeFile;

struct Recorder : JobObserver {
  void pageStarted(const std::string& path, std::uint64_t bytes,
                   const std::string& title) override {
    pages.push_back(path);
    titles.push_back(title);
    (void)bytes;
  }
  void tick() override { ++ticks; }
  void pageFailed(const std::string& path, const std::string& why) override {
    failed.push_back(path + ": " + why);
  }
  void titleRestored() override { ++restored; }
  void message(const std::string& text) override { messages.push_back(text); }
  std::vector<std::string> pages, titles, failed, messages;
  std::uint64_t ticks = 0;
  int restored = 0;
};

const std::string kPage = "<font face=\".VnTime\">Vi\xD6t</font>";
const std::string kConverted = "<font face=\"Times New Roman\">Vi\xE1\xBB\x87t</font>";

ConvertSettings utf8Settings() { return ConvertSettings{EntityForm::kNumeric, true, 15, 39}; }

class Job : public test::Scratch {
 protected:
  // Every file below the scratch folder, relative, sorted.
  std::vector<std::string> files() const {
    std::vector<std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(dir_))
      if (!e.is_directory()) out.push_back(fs::relative(e.path(), dir_).string());
    std::sort(out.begin(), out.end());
    return out;
  }
};

TEST_F(Job, EmptyList) {
  BatchJob job;
  Recorder r;
  const JobReport report = job.run(utf8Settings(), r);
  EXPECT_FALSE(report.ran);
  ASSERT_EQ(r.messages.size(), 1u);
  EXPECT_EQ(r.messages[0],
            "No file has been chosen: double-click one\nor right-click to choose files.");
  EXPECT_EQ(r.restored, 0);
}

TEST_F(Job, NestedFoldersAndPageNames) {
  writeFile(dir_ / "a.htm", kPage);
  writeFile(dir_ / "sub" / "B.HTM", kPage);
  writeFile(dir_ / "sub" / "deep" / "c.shtml", kPage);
  writeFile(dir_ / "sub" / "deep" / "d.html", kPage);
  writeFile(dir_ / "sub" / "note.txt", kPage);
  writeFile(dir_ / "sub" / "doc.rtf", kPage);
  writeFile(dir_ / "sub" / "htm", kPage);  // no extension
  writeFile(dir_ / "sub" / "x.htmx", kPage);
  fs::create_directories(dir_ / "folder.htm");  // a folder is no page
  BatchJob job;
  EXPECT_TRUE(job.add(dir_.string()));
  EXPECT_FALSE(job.add(dir_.string()));
  Recorder r;
  const JobReport report = job.run(utf8Settings(), r);
  EXPECT_EQ(report.pages, 6u);  // four pages, the text file and the RTF document
  EXPECT_EQ(report.bytes, 6 * kPage.size());
  EXPECT_TRUE(report.failures.empty());
  EXPECT_EQ(files(),
            (std::vector<std::string>{
                "a.htm", "a.htm.bak", "sub/B.HTM", "sub/B.HTM.bak", "sub/deep/c.shtml",
                "sub/deep/c.shtml.bak", "sub/deep/d.html", "sub/deep/d.html.bak", "sub/doc.rtf",
                "sub/doc.rtf.bak", "sub/htm", "sub/note.txt", "sub/note.txt.bak", "sub/x.htmx"}));
  EXPECT_EQ(readFile(dir_ / "sub" / "B.HTM"), kConverted);
  EXPECT_EQ(readFile(dir_ / "sub" / "B.HTM.bak"), kPage);
  // A text file is text through and through: its markup is converted as text too.
  EXPECT_EQ(readFile(dir_ / "sub" / "note.txt"), "<font face=\".VnTime\">Vi\xE1\xBB\x87t</font>");
  EXPECT_TRUE(job.list().empty());  // the list is emptied
  EXPECT_EQ(r.restored, 1);
  EXPECT_EQ(r.ticks, 6 * kMinimumTicks);
  ASSERT_EQ(r.titles.size(), 6u);
  EXPECT_NE(std::find(r.titles.begin(), r.titles.end(),
                      " Converting: [B.HTM - " + std::to_string(kPage.size()) + " bytes] ..."),
            r.titles.end());
}

TEST_F(Job, ListedFilesAndReport) {
  writeFile(dir_ / "one.htm", std::string(1000, 'a'));
  writeFile(dir_ / "two.HTML", std::string(2500, 'b'));
  writeFile(dir_ / "three.txt", "x");
  writeFile(dir_ / "four.pdf", "%PDF-1.4");
  BatchJob job;
  job.add((dir_ / "one.htm").string());
  job.add((dir_ / "two.HTML").string());
  job.add((dir_ / "three.txt").string());
  job.add((dir_ / "four.pdf").string());
  job.add((dir_ / "one.htm").string());
  EXPECT_EQ(job.list().size(), 4u);
  std::time_t now = 0;
  job.clock = [&now] {
    const std::time_t t = now;
    now += 3725;
    return t;
  };
  Recorder r;
  const JobReport report = job.run(utf8Settings(), r);
  EXPECT_EQ(report.pages, 3u);  // the text file too
  EXPECT_EQ(report.bytes, 3501u);
  EXPECT_EQ(report.seconds, 3725);
  ASSERT_EQ(r.messages.size(), 1u);
  // The report names what was left, and why.
  EXPECT_EQ(r.messages[0],
            "Converted 3 files.\nTotal bytes: 3501.\n"
            "Time taken: 01:02:05.\n\nLeft as they are: 1\n" +
                (dir_ / "four.pdf").string() +
                ": not a page (.htm, .html, .shtml), a text file (.txt) or an RTF document "
                "(.rtf): left as it is");
  EXPECT_EQ(readFile(dir_ / "two.HTML.bak"), std::string(2500, 'b'));
  EXPECT_EQ(readFile(dir_ / "three.txt.bak"), "x");
  EXPECT_FALSE(fs::exists(dir_ / "four.pdf.bak"));
  ASSERT_EQ(report.skipped.size(), 1u);
  EXPECT_EQ(report.skipped[0].path, (dir_ / "four.pdf").string());

  // Only files that are neither pages, text files nor RTF documents: 0 files.
  job.add((dir_ / "four.pdf").string());
  EXPECT_EQ(job.run(utf8Settings(), r).pages, 0u);
  EXPECT_EQ(r.messages.back().substr(0, r.messages.back().find('\n')), "Converted 0 files.");
}

TEST_F(Job, OfficeDocumentsGoThroughTheProgramsOffice) {
  for (const char* name : {"a.docx", "b.ODT", "c.xls", "d.pptx"}) writeFile(dir_ / name, name);
  // Without an office: left, and said so.
  {
    BatchJob job;
    job.add(dir_.string());
    Recorder r;
    const JobReport report = job.run(utf8Settings(), r);
    EXPECT_EQ(report.pages, 0u);
    ASSERT_EQ(report.skipped.size(), 4u);
    EXPECT_NE(report.skipped[0].why.find("where LibreOffice and the office add-in are installed"),
              std::string::npos);
    EXPECT_FALSE(fs::exists(dir_ / "a.docx.bak"));
  }
  // With one: converted into a temporary file that takes the name; nothing to convert, or a
  // failure, gives the document its name back, without a backup.
  BatchJob job;
  job.add(dir_.string());
  std::vector<std::string> asked;
  job.documents = [&](const std::string& from, const std::string& to, const ConvertSettings& s) {
    asked.push_back(fs::path(from).filename().string());
    EXPECT_EQ(s.source, kTcvn3);
    DocumentResult r;
    const std::string name = fs::path(from).filename().string();
    if (name == "a.docx.bak") {
      writeFile(to, "converted");
      r.kind = DocumentResult::kConverted;
    } else if (name == "b.ODT.bak") {
      r.kind = DocumentResult::kNothingToConvert;
    } else if (name == "c.xls.bak") {
      r.why = "LibreOffice cannot open it";
    } else {
      throw std::runtime_error("the office went away");
    }
    return r;
  };
  Recorder r;
  const JobReport report = job.run(utf8Settings(), r);
  EXPECT_EQ(asked.size(), 4u);
  EXPECT_EQ(report.pages, 1u);
  EXPECT_EQ(readFile(dir_ / "a.docx"), "converted");
  EXPECT_EQ(readFile(dir_ / "a.docx.bak"), "a.docx");
  for (const char* name : {"b.ODT", "c.xls", "d.pptx"}) {
    EXPECT_EQ(readFile(dir_ / name), name);
    EXPECT_FALSE(fs::exists(dir_ / (std::string(name) + ".bak"))) << name;
  }
  ASSERT_EQ(report.failures.size(), 2u);
  std::vector<std::string> whys;
  for (const auto& f : report.failures)
    whys.push_back(fs::path(f.path).filename().string() + ": " + f.why);
  std::sort(whys.begin(), whys.end());
  EXPECT_EQ(whys, (std::vector<std::string>{"c.xls: LibreOffice cannot open it",
                                            "d.pptx: the office went away"}));
  EXPECT_EQ(report.skipped.size(), 1u);
}

TEST_F(Job, OfficeDocumentsSeveralAtATime) {
  auto name = [](int i) { return std::string("d").append(std::to_string(i)).append(".docx"); };
  for (int i = 0; i < 9; ++i) writeFile(dir_ / name(i), "x");
  BatchJob job;
  job.add(dir_.string());
  job.documentWorkers = 3;
  std::atomic<int> now{0}, most{0};
  job.documents = [&](const std::string&, const std::string& to, const ConvertSettings&) {
    const int n = ++now;
    int seen = most.load();
    while (n > seen && !most.compare_exchange_weak(seen, n)) {
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    writeFile(to, "converted");
    --now;
    DocumentResult r;
    r.kind = DocumentResult::kConverted;
    return r;
  };
  Recorder r;
  const JobReport report = job.run(utf8Settings(), r);
  EXPECT_EQ(report.pages, 9u);
  EXPECT_GT(most.load(), 1);
  EXPECT_LE(most.load(), 3);
  EXPECT_EQ(r.pages.size(), 9u);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(readFile(dir_ / name(i)), "converted") << i;
}

// Each document is renamed, converted and given its name back before the next, so a kill
// leaves one backup at most; a document an office holds open here is left (one whose office
// is gone is converted, and said); a read-only document stays read-only.
TEST_F(Job, OfficeDocumentsInTurnNoneHeldOpen) {
  for (const char* name : {"a.docx", "b.odt", "c.xlsx", "d.pptx"}) writeFile(dir_ / name, name);
  chmod((dir_ / "c.xlsx").c_str(), 0444);
  char host[256] = {};
  gethostname(host, sizeof host - 1);
  // A LibreOffice running here on its own profile holds b.odt; d.pptx's office has gone.
  const std::string profile = "file://" + (dir_ / "user profile").string();
  const pid_t office = fork();
  if (office == 0) {
    setpgid(0, 0);
    execl("/bin/sh", "soffice.bin", "-c", "sleep 60; true", "soffice.bin",
          ("-env:UserInstallation=" + profile).c_str(), nullptr);
    _exit(127);
  }
  auto lock = [&](const std::string& doc, const std::string& url) {
    writeFile(dir_ / (".~lock." + doc + "#"),
              "Ann Nguyen," + std::string(host) + ",ann,10.12.2026 06:00," + url + ";");
    const auto old = std::chrono::file_clock::now() - std::chrono::minutes(5);
    fs::last_write_time(dir_ / (".~lock." + doc + "#"), old);
  };
  lock("b.odt", profile);
  lock("d.pptx", "file://" + (dir_ / "gone").string());
  std::this_thread::sleep_for(std::chrono::milliseconds(200));  // the office has started

  BatchJob job;
  job.add(dir_.string());
  std::vector<std::string> seen;
  job.documents = [&](const std::string& from, const std::string& to, const ConvertSettings&) {
    // Only the document under way is without its name.
    for (const char* name : {"a.docx", "b.odt", "c.xlsx", "d.pptx"})
      EXPECT_EQ(fs::exists(dir_ / name), fs::path(from).filename() != std::string(name) + ".bak")
          << name;
    seen.push_back(fs::path(from).filename().string());
    writeFile(to, "converted");
    DocumentResult r;
    r.kind = DocumentResult::kConverted;
    return r;
  };
  Recorder r;
  const JobReport report = job.run(utf8Settings(), r);
  kill(-office, SIGKILL);
  waitpid(office, nullptr, 0);
  std::sort(seen.begin(), seen.end());
  EXPECT_EQ(seen, (std::vector<std::string>{"a.docx.bak", "c.xlsx.bak", "d.pptx.bak"}));
  EXPECT_EQ(report.pages, 3u);
  EXPECT_EQ(readFile(dir_ / "b.odt"), "b.odt");
  EXPECT_FALSE(fs::exists(dir_ / "b.odt.bak"));
  ASSERT_EQ(report.skipped.size(), 1u);
  EXPECT_NE(report.skipped[0].why.find("open in LibreOffice by Ann Nguyen on "), std::string::npos)
      << report.skipped[0].why;
  ASSERT_EQ(report.notes.size(), 1u);
  EXPECT_EQ(fs::path(report.notes[0].path).filename(), "d.pptx");
  EXPECT_EQ(readFile(dir_ / "d.pptx"), "converted");
  struct stat st;
  ASSERT_EQ(stat((dir_ / "c.xlsx").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0444u);
  EXPECT_EQ(readFile(dir_ / "c.xlsx"), "converted");
}

// A rerun's report counts the files left as they are and names the first few only; a stopped
// run's report says it stopped and how many files it did not reach.
TEST_F(Job, ReportsOfAReranAndOfAStoppedRun) {
  auto named = [](const char* stem, int i) {
    std::string name = stem;
    name += std::to_string(i);
    name += ".htm";
    return name;
  };
  for (int i = 0; i < 15; ++i) writeFile(dir_ / named("p", i), kPage);
  {
    BatchJob job;
    job.add(dir_.string());
    Recorder r;
    job.run(utf8Settings(), r);
  }
  BatchJob again;
  again.add(dir_.string());
  Recorder r;
  const JobReport report = again.run(utf8Settings(), r);
  EXPECT_EQ(report.skipped.size(), 15u);
  EXPECT_NE(report.text.find("Left as they are: 15"), std::string::npos) << report.text;
  EXPECT_NE(report.text.find("... and 5 more"), std::string::npos) << report.text;
  EXPECT_FALSE(report.stopped);

  for (int i = 0; i < 6; ++i) writeFile(dir_ / "new" / named("n", i), kPage);
  struct StopAfterTwo : Recorder {
    bool stopRequested() override { return pages.size() >= 2; }
  } stop;
  BatchJob stopped;
  stopped.add((dir_ / "new").string());
  const JobReport halted = stopped.run(utf8Settings(), stop);
  EXPECT_TRUE(halted.stopped);
  EXPECT_EQ(halted.pages, 2u);
  EXPECT_NE(halted.text.find("Stopped after the file under way: 4 of the 6 files were not "
                             "converted"),
            std::string::npos)
      << halted.text;
}

TEST(JobReport, Time) {
  EXPECT_NE(reportMessage(1, 2, 25 * 3600).find("Time taken: 25:00:00."), std::string::npos);
  EXPECT_NE(reportMessage(1, 2, 59).find("Time taken: 00:00:59."), std::string::npos);
  // Totals beyond 32 bits.
  EXPECT_NE(reportMessage(3, 5000000000ull, 0).find("Total bytes: 5000000000."),
            std::string::npos);
  EXPECT_EQ(progressPosition(0), 1);
  EXPECT_EQ(progressPosition(49), 99);
  EXPECT_EQ(progressPosition(50), 99);
  EXPECT_EQ(progressPosition(10), 21);
  EXPECT_TRUE(isPageName("/a/b.HtMl"));
  EXPECT_FALSE(isPageName("/a.htm/b"));
  EXPECT_FALSE(isPageName("/a/.htm.bak"));
  EXPECT_TRUE(isPageName("/a/.htm"));
}

TEST_F(Job, ExistingBackupLeavesThePage) {
  writeFile(dir_ / "p.htm", kPage);
  writeFile(dir_ / "p.htm.bak", "old backup");
  BatchJob job;
  job.add(dir_.string());
  Recorder r;
  const JobReport report = job.run(utf8Settings(), r);
  EXPECT_EQ(report.pages, 0u);
  EXPECT_EQ(readFile(dir_ / "p.htm"), kPage);
  EXPECT_EQ(readFile(dir_ / "p.htm.bak"), "old backup");  // never overwritten
  EXPECT_EQ(readFile(dir_ / "p.htm.tshtm"), "old backup");
  ASSERT_EQ(report.failures.size(), 1u);
  EXPECT_NE(report.failures[0].why.find("exists already"), std::string::npos);
  EXPECT_NE(r.messages[0].find("1 file was not converted:"), std::string::npos);
}

// A temporary file an interrupted run left is removed, and the report says so.
TEST_F(Job, LeftoverTemporaryFilesAreRemovedAndSaid) {
  writeFile(dir_ / "p.htm", kPage);
  writeFile(dir_ / "p.htm.tshtm", "half a page from a killed run");
  BatchJob job;
  job.add(dir_.string());
  Recorder r;
  const JobReport report = job.run(utf8Settings(), r);
  EXPECT_EQ(report.pages, 1u);
  EXPECT_EQ(report.leftovers, 1u);
  EXPECT_FALSE(fs::exists(dir_ / "p.htm.tshtm"));
  ASSERT_EQ(r.messages.size(), 1u);
  EXPECT_NE(r.messages[0].find("Removed 1 temporary files (.tshtm) an interrupted run had left."),
            std::string::npos)
      << r.messages[0];
}

// A page listed by itself and inside a listed folder converts once, with no failure.
TEST_F(Job, PageListedTwiceConvertsOnce) {
  writeFile(dir_ / "p.htm", kPage);
  BatchJob job;
  job.add(dir_.string());
  job.add((dir_ / "p.htm").string());
  Recorder r;
  const JobReport report = job.run(utf8Settings(), r);
  EXPECT_EQ(report.pages, 1u);
  EXPECT_EQ(report.recovered, 0u);
  EXPECT_TRUE(report.failures.empty()) << report.failures[0].why;
  EXPECT_EQ(readFile(dir_ / "p.htm"), kConverted);
  EXPECT_EQ(readFile(dir_ / "p.htm.bak"), kPage);
}

TEST_F(Job, SymbolicLinks) {
  writeFile(dir_ / "real" / "p.htm", kPage);
  fs::create_directory_symlink(dir_ / "real", dir_ / "loop");      // a folder link: not followed
  fs::create_directory_symlink(dir_, dir_ / "real" / "up");        // a loop
  fs::create_symlink(dir_ / "real" / "p.htm", dir_ / "link.htm");  // a page link: reported
  BatchJob job;
  job.add(dir_.string());
  Recorder r;
  const JobReport report = job.run(utf8Settings(), r);
  EXPECT_EQ(report.pages, 1u);
  EXPECT_TRUE(report.failures.empty());
  ASSERT_EQ(report.skipped.size(), 1u);  // reported as skipped, not failed
  EXPECT_EQ(report.skipped[0].path, (dir_ / "link.htm").string());
  EXPECT_TRUE(fs::is_symlink(dir_ / "link.htm"));
  EXPECT_EQ(readFile(dir_ / "real" / "p.htm"), kConverted);
}

// The failure paths: no page's content is ever lost.
TEST_F(Job, TemporaryFileNotCreatable) {
  writeFile(dir_ / "p.htm", kPage);
  fs::create_directories(dir_ / "p.htm.tshtm");  // in the way of the temporary file
  BatchJob job;
  job.add((dir_ / "p.htm").string());
  Recorder r;
  const JobReport report = job.run(utf8Settings(), r);
  EXPECT_EQ(report.pages, 0u);
  EXPECT_EQ(readFile(dir_ / "p.htm"), kPage);  // back under its own name
  EXPECT_FALSE(fs::exists(dir_ / "p.htm.bak"));
  ASSERT_EQ(report.failures.size(), 1u);
  EXPECT_NE(report.failures[0].why.find("cannot create the temporary file"), std::string::npos);
}

TEST_F(Job, FullFileSystem) {
  std::string big;
  while (big.size() < 200000) big += kPage;
  writeFile(dir_ / "small.htm", kPage);
  writeFile(dir_ / "big.htm", big);
  // The job runs in a process whose files may not grow past 64 KiB, as on a full disk.
  const pid_t child = fork();
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);
    rlimit lim{65536, 65536};
    setrlimit(RLIMIT_FSIZE, &lim);
    BatchJob job;
    job.add(dir_.string());
    Recorder r;
    const JobReport report = job.run(utf8Settings(), r);
    _exit(report.pages == 1 && report.failures.size() == 1 ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(readFile(dir_ / "big.htm"), big);  // unconverted but whole
  EXPECT_FALSE(fs::exists(dir_ / "big.htm.bak"));
  EXPECT_FALSE(fs::exists(dir_ / "big.htm.tshtm"));
  EXPECT_EQ(readFile(dir_ / "small.htm"), kConverted);
}

// Permissions do not stop root: as root the job runs in a child that becomes "nobody".
TEST_F(Job, UnreadablePageAndReadOnlyFolder) {
  writeFile(dir_ / "locked.htm", kPage);
  writeFile(dir_ / "ro" / "p.htm", kPage);
  const bool root = geteuid() == 0;
  constexpr uid_t kNobody = 65534;
  if (root) {
    for (const auto& e : fs::recursive_directory_iterator(dir_))
      ASSERT_EQ(lchown(e.path().c_str(), kNobody, kNobody), 0);
    ASSERT_EQ(chown(dir_.c_str(), kNobody, kNobody), 0);
  }
  fs::permissions(dir_ / "locked.htm", fs::perms::none);
  fs::permissions(dir_ / "ro", fs::perms::owner_read | fs::perms::owner_exec);
  const pid_t child = fork();
  if (child == 0) {
    if (root && (setgid(kNobody) != 0 || setuid(kNobody) != 0)) _exit(3);
    if (access(dir_.c_str(), W_OK | X_OK) != 0) _exit(3);  // the scratch folder is out of reach
    BatchJob job;
    job.add(dir_.string());
    Recorder r;
    const JobReport report = job.run(utf8Settings(), r);
    _exit(report.pages == 0 && report.failures.size() == 2 ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  fs::permissions(dir_ / "locked.htm", fs::perms::owner_read | fs::perms::owner_write);
  fs::permissions(dir_ / "ro", fs::perms::owner_all);
  if (WEXITSTATUS(status) == 3) GTEST_SKIP() << "no unprivileged user can reach " << dir_;
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(readFile(dir_ / "locked.htm"), kPage);  // back under its own name, whole
  EXPECT_FALSE(fs::exists(dir_ / "locked.htm.bak"));
  EXPECT_FALSE(fs::exists(dir_ / "locked.htm.tshtm"));
  EXPECT_EQ(readFile(dir_ / "ro" / "p.htm"), kPage);
  EXPECT_FALSE(fs::exists(dir_ / "ro" / "p.htm.bak"));
}

TEST_F(Job, StoppedBetweenThePasses) {
  writeFile(dir_ / "a.htm", kPage);
  writeFile(dir_ / "sub" / "b.htm", kPage);
  BatchJob job;
  job.add(dir_.string());
  job.stopAfterFirstPass = true;
  Recorder r;
  job.run(utf8Settings(), r);
  // Each page exists as its backup (the original) and its converted temporary file.
  EXPECT_EQ(files(), (std::vector<std::string>{"a.htm.bak", "a.htm.tshtm", "sub/b.htm.bak",
                                               "sub/b.htm.tshtm"}));
  EXPECT_EQ(readFile(dir_ / "a.htm.bak"), kPage);
  EXPECT_EQ(readFile(dir_ / "sub" / "b.htm.tshtm"), kConverted);
}

// A window closed during a run: the page under way is finished, no other page is started, and
// the converted pages get their names back.
TEST_F(Job, AStopEndsTheFirstPassAfterThePageUnderWay) {
  writeFile(dir_ / "a.htm", kPage);
  writeFile(dir_ / "b.htm", kPage);
  writeFile(dir_ / "c.htm", kPage);
  BatchJob job;
  job.add(dir_.string());
  struct StopAfterOne : Recorder {
    bool stopRequested() override { return !pages.empty(); }
  } r;
  const JobReport report = job.run(utf8Settings(), r);
  EXPECT_EQ(report.pages, 1u);
  ASSERT_EQ(r.pages.size(), 1u);
  const std::string done = fs::path(r.pages[0]).filename().string();
  std::vector<std::string> expected{"a.htm", "b.htm", "c.htm", done + ".bak"};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(files(), expected);
  EXPECT_EQ(readFile(dir_ / done), kConverted);
  EXPECT_EQ(r.restored, 1);
}

}  // namespace
}  // namespace ts::web
