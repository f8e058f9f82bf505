// The desktop's five interface fonts (caption, small caption, menu, status, message).
//
// Each font is a description "Face [Style...] Size" as the desktop writes it; switching
// changes the face and keeps style and size.  Where gsettings and the GNOME schemas exist,
// menu, status and message are org.gnome.desktop.interface font-name, caption and small
// caption org.gnome.desktop.wm.preferences titlebar-font.  Elsewhere, and whenever
// TESSARO_DESKTOP_FONTS names a file, a file holds the five (CaptionFont=..., one a line).
#pragma once

#include <array>
#include <memory>
#include <string>
#include <string_view>

namespace ts::platform {

enum FontKind { kCaption, kSmallCaption, kMenu, kStatus, kMessage, kFontKinds };

// The registry value names of the five kinds.
const char* fontValueName(FontKind kind);

struct InterfaceFonts {
  std::array<std::string, kFontKinds> description;
};

// The face of a description ("Cantarell Bold 11" -> "Cantarell") and the same description
// with another face ("TS Sans Serif Bold 11").
std::string faceOf(std::string_view description);
std::string withFace(std::string_view description, std::string_view face);

class DesktopFonts {
 public:
  virtual ~DesktopFonts() = default;
  // False when the fonts cannot be read (no settings service, no file).
  virtual bool read(InterfaceFonts& fonts) = 0;
  // Applies the fonts and tells the desktop; false when refused.
  virtual bool apply(const InterfaceFonts& fonts) = 0;
};

// The layer for this session, chosen as described above.
std::unique_ptr<DesktopFonts> desktopFonts();

}  // namespace ts::platform
