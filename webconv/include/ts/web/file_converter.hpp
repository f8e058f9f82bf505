// The conversion of one web page file into another, in pieces and with constant memory:
// words through the word converter, tags through the tag rewriter, with progress ticks.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ts/byte_buffer.hpp"
#include "ts/converter.hpp"
#include "ts/fonts.hpp"
#include "ts/html.hpp"
#include "ts/web/convert_settings.hpp"

namespace ts::web {

// Told of each progress tick.
struct ProgressObserver {
  virtual ~ProgressObserver() = default;
  virtual void tick() {}
};

// Every file yields at least this many ticks.
inline constexpr std::uint64_t kMinimumTicks = 50;

struct FileOutcome {
  enum Result {
    kOk = 0,
    kCannotCreateOutput = -1,
    kCannotOpenInput = -2,
    kReadError = -3,
    kWriteError = -4
  };
  Result result = kOk;
  int error = 0;  // errno of the failure
  std::uint64_t ticks = 0;
  bool ok() const { return result == kOk; }
  std::string describe() const;  // why it failed, for people
};

class FileConverter {
 public:
  explicit FileConverter(const ConvertSettings& settings);

  // Converts the file `input` into `output` (created or truncated; it takes the input's
  // permissions).  One tick goes out for every tickInterval + 1 bytes read outside tags,
  // and missing ticks up to kMinimumTicks at the end.  On failure the output may hold part
  // of the result; the caller removes it.
  FileOutcome convert(const std::string& input, const std::string& output,
                      std::uint64_t tickInterval, ProgressObserver& progress);

  // The same over text in memory, without ticks (for tests and callers that hold the page).
  std::string convertText(std::string_view page);

  const ConvertSettings& settings() const { return settings_; }
  // Reads the next files as `source` (a form: carried pages are read too).
  void setSource(int source);

 private:
  struct Scan;
  void convertWord(std::string_view word, ByteBuffer& out);
  void convertPiece(std::string_view text, ByteBuffer& out);
  void finishPiece(const ByteBuffer& converted, ByteBuffer& out);
  void writeMarkup(std::string_view markup, ByteBuffer& out);
  void decodeUnicodeSource(std::string_view word, ByteBuffer& out);

  ConvertSettings settings_;
  ConverterState conv_;
  FontMapState fonts_;
  HtmlSettings tagSettings_;
  std::string decoded_, work_;
  ByteBuffer converted_;
  ByteBuffer output_;
  std::vector<char> input_;
};

// The conversion of one text file: the whole text from the source charset (or form) to the
// destination, in pieces and with constant memory; a Unicode destination (39, 40) writes
// UTF-8, a legacy one never holds UTF-8 (characters it has no code for get a close form).
// Line ends stay as they are; a byte-order mark stays where the text is UTF-8 on both sides.
class TextFileConverter {
 public:
  explicit TextFileConverter(const ConvertSettings& settings);

  // As FileConverter::convert: one tick for every tickInterval + 1 bytes read.
  FileOutcome convert(const std::string& input, const std::string& output,
                      std::uint64_t tickInterval, ProgressObserver& progress);

  void setSource(int source);
  bool writesUtf8() const;

 private:
  ConvertSettings settings_;
  ConverterState conv_;
  ForeignCharacters foreign_;
  ByteBuffer output_;
  std::vector<char> input_;
};

// The conversion of one RTF document, read as RTF (rtf.hpp): each run by its font; runs
// whose font says nothing from the source charset, or left as they are when the source is
// read from each file.  A Unicode destination (39, 40) writes \uN escapes.
class RtfFileConverter {
 public:
  explicit RtfFileConverter(const ConvertSettings& settings);

  FileOutcome convert(const std::string& input, const std::string& output,
                      std::uint64_t tickInterval, ProgressObserver& progress);

 private:
  ConvertSettings settings_;
  ByteBuffer output_;
  std::vector<char> input_;
};

}  // namespace ts::web
