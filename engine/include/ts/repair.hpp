// Repair of legacy text carried in UTF-8 and of UTF-8 encoded twice, stretch by stretch, in
// text that is otherwise good UTF-8.
//
// A line is cut into stretches at the words that hold a character standing for no byte (no
// carried text has one: good Unicode Vietnamese nearly always does); each stretch whose
// characters stand for bytes of 128 or more is read as plain UTF-8 and as every carried form,
// and repaired only when a carried reading is confident and reads it as Vietnamese better than
// the plain one.  Everything else is copied byte for byte.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "ts/converter.hpp"
#include "ts/forms.hpp"

namespace ts {

class TextRepairer {
 public:
  TextRepairer();

  // Appends `text` repaired to `out`.  Lines (cut at LF) are repaired on their own, so a text
  // may be given in pieces that end at line ends.
  void repair(std::string_view text, std::string& out);

  // The stretches repaired so far, by the form they were read as.
  const std::map<CharsetForm, std::uint64_t>& repaired() const { return repaired_; }

 private:
  void repairLine(std::string_view line, std::string& out);
  void repairStretch(std::string_view stretch, std::string& out);

  std::vector<int> candidates_;
  ConverterState state_;
  std::map<CharsetForm, std::uint64_t> repaired_;
};

}  // namespace ts
