// OpenDocument's parts (content.xml, styles.xml), each read for its styles first, then given
// back changed or not.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "runs.hpp"

namespace ts::office {

class OdfDocument {
 public:
  explicit OdfDocument(RunConverter& runs);
  ~OdfDocument();
  // The font faces and styles of a part (styles.xml, then content.xml's automatic ones).
  void collect(const std::string& part);
  // A part with its text converted and its legacy font faces mapped, or nothing.
  std::optional<std::string> convert(std::string part);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
  RunConverter& runs_;
};

}  // namespace ts::office
