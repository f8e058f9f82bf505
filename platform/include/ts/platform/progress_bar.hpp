// The command lines' progress bar on standard error, where it is a terminal:
// "\r[#####      ]  12% name", ended by a line break before anything else is written.
#pragma once

#include <string>

namespace ts::platform {

class ProgressBar {
 public:
  ProgressBar();  // drawn only when standard error is a terminal
  // Draws the bar at `percent` (0 to 100) with `label` after it.
  void draw(int percent, const std::string& label);
  // Ends the bar's line, when one is drawn.
  void end();

 private:
  bool shown_;
  bool drawn_ = false;
};

}  // namespace ts::platform
