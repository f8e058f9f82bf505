#include "ts/platform/progress_bar.hpp"

#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace ts::platform {

ProgressBar::ProgressBar() : shown_(isatty(2) != 0) {}

void ProgressBar::draw(int percent, const std::string& label) {
  if (!shown_) return;
  percent = std::clamp(percent, 0, 100);
  constexpr int kCells = 40;
  std::string cells(kCells, ' ');
  std::fill_n(cells.begin(), percent * kCells / 100, '#');
  std::fprintf(stderr, "\r[%s] %3d%% %s", cells.c_str(), percent, label.c_str());
  std::fflush(stderr);
  drawn_ = true;
}

void ProgressBar::end() {
  if (drawn_) std::fputc('\n', stderr);
  drawn_ = false;
}

}  // namespace ts::platform
