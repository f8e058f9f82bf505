// The engine against the mappings other converters give: charmaps made once from glibc iconv
// and GNU recode (scripts/make_charmaps.py), each line a letter and its bytes, with the
// engine's deliberate differences flagged and explained in the file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "test_util.hpp"
#include "ts/converter.hpp"

namespace ts {
namespace {

struct CharmapLine {
  std::string bytes;
  std::uint32_t codePoint = 0;
  std::string flags;
  int lineNumber = 0;
};

std::string fromHex(const std::string& h) {
  std::string out;
  for (std::size_t i = 0; i + 1 < h.size(); i += 2)
    out += static_cast<char>(std::stoi(h.substr(i, 2), nullptr, 16));
  return out;
}

// The lines of a charmap file and the charset it is tested against.
std::vector<CharmapLine> readCharmap(const std::filesystem::path& file, int& charset) {
  std::ifstream in(file);
  std::vector<CharmapLine> lines;
  std::string text;
  int number = 0;
  charset = 0;
  while (std::getline(in, text)) {
    ++number;
    if (text.starts_with("#")) {
      const std::size_t at = text.find("tested against charset ");
      if (at != std::string::npos) charset = std::stoi(text.substr(at + 23));
      continue;
    }
    std::istringstream fields(text);
    CharmapLine line;
    std::string cp;
    std::getline(fields, line.bytes, '\t');
    std::getline(fields, cp, '\t');
    std::getline(fields, line.flags, '\t');
    line.bytes = fromHex(line.bytes);
    line.codePoint = static_cast<std::uint32_t>(std::stoul(cp.substr(2), nullptr, 16));
    line.lineNumber = number;
    lines.push_back(line);
  }
  return lines;
}

TEST(Charmaps, LettersAgreeWithOtherConvertersBothWays) {
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(TS_CHARMAP_DIR)) {
    int charset = 0;
    const std::vector<CharmapLine> lines = readCharmap(entry.path(), charset);
    ASSERT_TRUE(hasLetterTable(charset)) << entry.path();
    ASSERT_GE(lines.size(), 140u) << entry.path();
    ++files;
    ConverterState write, read;
    ASSERT_TRUE(selectPair(write, kUtf8, static_cast<std::uint32_t>(charset)));
    ASSERT_TRUE(selectPair(read, static_cast<std::uint32_t>(charset), kUtf8));
    for (const CharmapLine& line : lines) {
      const std::string letter = test::utf8(line.codePoint);
      const std::string where =
          entry.path().filename().string() + ":" + std::to_string(line.lineNumber);
      // A flagged difference must still be one, so the file says what the engine does.
      const bool writesSame = convert(write, letter) == line.bytes;
      const bool readsSame = convert(read, line.bytes) == letter;
      EXPECT_EQ(writesSame, line.flags.find('w') == std::string::npos)
          << where << " writes " << test::hex(convert(write, letter));
      EXPECT_EQ(readsSame, line.flags.find('r') == std::string::npos)
          << where << " reads " << test::hex(convert(read, line.bytes));
    }
  }
  EXPECT_EQ(files, 6);
}

}  // namespace
}  // namespace ts
