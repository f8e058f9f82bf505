// Where tsconv writes: standard output, or the file of -o.
//
// A regular file (a new one, or an existing one the user may write, also through a symbolic
// link) is replaced only when the whole output was written: the text goes into a temporary
// file beside it, which takes the old file's mode and, where permitted, its owner, and is
// renamed onto it at the end.  Anything else that exists (a device, a FIFO, a socket) is
// written directly, as iconv does.  Nothing partial is left behind by a failure or by a
// signal that ends the program.
#pragma once

#include <string>

#include "ts/byte_buffer.hpp"

namespace tsconv {

class Output {
 public:
  // Opens the output; on failure `error` says why and the object writes nothing.
  explicit Output(const char* path);
  ~Output();
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;

  bool ok() const { return error_.empty(); }
  const std::string& error() const { return error_; }

  // Writes all bytes; false (with error()) on failure.
  bool write(const ts::ByteBuffer& b);
  // Ends the output: the temporary file takes the place of the file.
  bool commit();
  // Leaves no partial file behind.
  void abandon();

  // Signals that end the program remove the temporary file first.
  static void installSignalHandlers();

 private:
  std::string name() const;
  // Keeps the first error: `format` (of the catalogue) with the output's name and the
  // system's reason.
  bool failed(const char* format, int err);

  std::string path_;    // as given
  std::string target_;  // the file replaced (the target of a symbolic link)
  std::string tmp_;     // the temporary file, or "" when writing directly
  int fd_ = 1;
  std::string error_;
};

}  // namespace tsconv
