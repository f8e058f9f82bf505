// The programs speak one language, the user's: English by default and under C, Vietnamese
// under vi (the Vietnamese locale need not be installed), their reports and their errors alike.
#include <gtest/gtest.h>

#include <cstdlib>

#include "ts/platform/messages.hpp"
#include "ts/testing/process.hpp"
#include "ts/testing/scratch.hpp"

namespace {

class Messages : public ts::testing::ScratchTest {
 protected:
  // Runs a program with only LANG naming the locale.
  ts::testing::ProgramResult run(const char* lang, const std::string& program,
                                 const std::vector<std::string>& args) {
    unsetenv("LANGUAGE");
    unsetenv("LC_ALL");
    unsetenv("LC_MESSAGES");
    setenv("LANG", lang, 1);
    return ts::testing::runProgram(program, args, dir_);
  }
};

TEST_F(Messages, EachProgramsReportAndErrorInTheUsersLanguage) {
  struct Case {
    const char* lang;
    bool vietnamese;
  };
  for (const Case& c : {Case{"C", false}, Case{"en_US.UTF-8", false}, Case{"vi_VN.UTF-8", true}}) {
    SCOPED_TRACE(c.lang);
    const std::string page = (dir_ / (std::string("page-") + c.lang + ".txt")).string();
    ts::testing::writeFile(page, "Vi\xD6t Nam\n");  // TCVN3
    auto r = run(c.lang, TSWEB_PATH, {"-f", "tcvn3", "-t", "39", page});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, r.out.find('\n')),
              c.vietnamese ? "Đã chuyển mã xong 1 file." : "Converted 1 file.");
    EXPECT_NE(r.out.find(c.vietnamese ? "Thời gian chuyển mã: Giờ: 00" : "Time taken: 00:00:"),
              std::string::npos)
        << r.out;
    r = run(c.lang, TSWEB_PATH, {"-f", "tcvn3", "-t", "39", "/nowhere/page.htm"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, c.vietnamese ? "tsweb: không có file hay thư mục nào như vậy: "
                                    "'/nowhere/page.htm' (tsweb --help)\n"
                                  : "tsweb: no such file or folder: '/nowhere/page.htm' "
                                    "(tsweb --help)\n");
    r = run(c.lang, TSDATA_PATH, {"-f", "tcvn3", "-t", "utf8"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, c.vietnamese ? "tsdata: hãy chỉ ra một cơ sở dữ liệu (tsdata --help)\n"
                                  : "tsdata: name a database (tsdata --help)\n");
    // A database's refusal, said by its back end.
    const std::string notDb = (dir_ / "notes.txt").string();
    ts::testing::writeFile(notDb, std::string(64, 'x'));
    r = run(c.lang, TSDATA_PATH, {"--list", notDb});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "tsdata: " + notDb +
                         (c.vietnamese ? " không phải là cơ sở dữ liệu SQLite\n"
                                       : " is not a SQLite database\n"));
    // The usage, and an option no program knows.
    for (const char* program : {TSWEB_PATH, TSDATA_PATH, TSCONV_PATH}) {
      r = run(c.lang, program, {"--help"});
      EXPECT_EQ(r.out.rfind(c.vietnamese ? "Cách dùng: " : "Usage: ", 0), 0u) << program;
      r = run(c.lang, program, {"--bogus"});
      EXPECT_NE(r.err.find(c.vietnamese ? "tuỳ chọn '--bogus' không được biết"
                                        : "unknown option '--bogus'"),
                std::string::npos)
          << r.err;
    }
    r = run(c.lang, TSCONV_PATH, {"--upper", "--lower"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, c.vietnamese ? "tsconv: --upper và --lower không dùng cùng nhau được "
                                    "(tsconv --help liệt kê các tuỳ chọn)\n"
                                  : "tsconv: --upper and --lower exclude each other (tsconv "
                                    "--help lists the options)\n");
  }
  // LANGUAGE chooses among the languages of a locale that is no C locale; under C it does not.
  setenv("LANGUAGE", "vi", 1);
  setenv("LANG", "en_US.UTF-8", 1);
  EXPECT_NE(ts::testing::runProgram(TSDATA_PATH, {"-f", "1", "-t", "2"}, dir_).err.find("hãy chỉ ra"),
            std::string::npos);
  setenv("LANG", "C", 1);
  EXPECT_NE(ts::testing::runProgram(TSDATA_PATH, {"-f", "1", "-t", "2"}, dir_).err.find("name a database"),
            std::string::npos);
  unsetenv("LANGUAGE");
}

// Every message a program looks up has its Vietnamese translation: none falls back to
// English in a Vietnamese run.
TEST_F(Messages, EveryLookedUpMessageIsTranslated) {
  const auto r = ts::testing::runProgram(
      "/bin/sh", {SOURCE_DIR "/translations/check_catalogue.sh", SOURCE_DIR}, dir_);
  EXPECT_EQ(r.status, 0) << r.err;
}

}  // namespace
