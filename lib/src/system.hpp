// The library's functions that reach outside the process: the desktop's interface fonts,
// the keyboard program and the clipboard guard it shares.
#pragma once

namespace tslib {

// The name under which the keyboard program's window (its socket) is found.
inline constexpr const char* kKeyboardWindowClass = "TessaroKeyboard";
inline constexpr const char* kUiFontFace = "TS Sans Serif";

// true: the five interface fonts take the UI font's face, the user's own faces being saved
// in the registry first; false: the saved faces come back.  0 on success; 1 when the
// desktop's fonts cannot be read or changed, or the saved faces cannot be written, and then
// nothing has changed.
int switchInterfaceFonts(bool toUiFont);

// Modes 0 (make sure it runs), 1 (start it with " F"), 2 (bring it up and open its window).
bool runKeyboardProgram(unsigned mode);

// Raises the flag (the first 32-bit word of the shared block) and returns the block.
void* raiseClipboardGuard();

}  // namespace tslib
