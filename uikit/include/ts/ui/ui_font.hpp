// The interface font "TS Sans Serif": two bitmap fonts (8 points in a 13-pixel cell, 10 points
// in a 16-pixel cell) with ASCII, Latin-1 and every Vietnamese letter, built from DejaVu Sans
// and carried inside the kit.
#pragma once

#include <QByteArray>
#include <QString>

namespace ts::ui {

inline constexpr const char* kUiFontFamily = "TS Sans Serif";

// Makes the font available to the application, before any window exists: when no font of
// that face is known, writes the two font files to the temporary folder (tsnt8.bdf and
// tsnt10.bdf, with the fixed time stamps) and registers the fonts for the application.  Nothing is
// reported when that fails; the dialogs then show their text in a substitute font.  True when the
// face is available afterwards.
bool InstallUiFont();

// The face the windows draw their text in: the bitmap face where the screen draws one of its
// pixels a pixel, DejaVu Sans where it scales (at 2x the bitmap would be drawn at its own size
// inside a window twice as large: small letters with wide gaps).
QString uiFontFamily();

// The size of the windows' font: 8 points, or 10 where the desktop's font is 12 points or
// more (the windows, laid out in units of their font, grow with it).
int uiPointSize();

// The font files as embedded.
QByteArray uiFontFile(int points);  // 8 or 10

namespace detail {

struct UiFontResult {
  bool found = false;    // the face was known already: nothing written
  bool written = false;  // both files written to the folder
  bool registered = false;
};
// One installation into `folder`, without remembering an earlier one (for tests).
UiFontResult installUiFontInto(const QString& folder);
// Writes one font file at `path` from its start: a symbolic link or a file of another user is
// refused (the temporary folder is shared), an existing file is overwritten and cut to size,
// and its access and modification times are set to the fixed stamp.
bool writeUiFontFile(const QString& path, const QByteArray& bytes);
// The fixed time stamp of the files: 18 January 1997 08:30:00 UTC.
qint64 uiFontTimeStamp();

}  // namespace detail
}  // namespace ts::ui
