// The database converter's own 16-pixel icons: one per schema item kind, and the buttons'.
#pragma once

#include <QIcon>

#include "ts/db/schema.hpp"

namespace ts::db::window {

QIcon kindIcon(ItemKind kind);

enum class ButtonIcon {
  kConvert,
  kGuess,
  kSevenBit,
  kUpper,
  kLower,
  kExit,
  kData,
  kStructure,
  kAbout,
  kBrowse,
  kOdbc
};
QIcon buttonIcon(ButtonIcon which);

// The program's icon (a database with a "V"), also for the window.
QIcon programIcon();

}  // namespace ts::db::window
