// Word's parts (WordprocessingML), each read once and given back changed or not.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "runs.hpp"

namespace ts::office {

class WordDocument {
 public:
  explicit WordDocument(RunConverter& runs);
  ~WordDocument();
  // In this order: the theme and the styles first (a run's font comes through them), then
  // the font table and each part holding text.  Each gives the part changed, or nothing.
  std::optional<std::string> theme(std::string part);
  std::optional<std::string> styles(std::string part);
  std::optional<std::string> fontTable(std::string part);
  std::optional<std::string> content(std::string part);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
  RunConverter& runs_;
};

}  // namespace ts::office
