#include "system.hpp"

#include <unistd.h>
#include <atomic>
#include <cstdint>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "ts/platform/desktop_fonts.hpp"
#include "ts/platform/files.hpp"
#include "ts/platform/process.hpp"
#include "ts/platform/registry.hpp"
#include "ts/platform/shared_flag.hpp"
#include "ts/platform/window_channel.hpp"

namespace tslib {
namespace {

using ts::platform::FontKind;

std::optional<std::string> readWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// The registry writer: a face is saved unless it is the UI font's own.
void saveFace(ts::platform::Registry& reg, FontKind kind, const std::string& face) {
  if (face != kUiFontFace) reg.set(ts::platform::fontValueName(kind), face);
}

}  // namespace

int switchInterfaceFonts(bool toUiFont) {
  auto desktop = ts::platform::desktopFonts();
  ts::platform::InterfaceFonts fonts;
  if (!desktop->read(fonts)) return 1;
  ts::platform::Registry reg;
  using ts::platform::faceOf;
  using ts::platform::withFace;
  if (toUiFont) {
    const std::optional<std::string> before = readWhole(reg.path());
    for (FontKind k : {ts::platform::kCaption, ts::platform::kMessage, ts::platform::kMenu,
                       ts::platform::kStatus, ts::platform::kSmallCaption})
      saveFace(reg, k, faceOf(fonts.description[k]));
    if (!reg.save()) return 1;  // without the saved faces there would be no way back
    for (auto& d : fonts.description) d = withFace(d, kUiFontFace);
    if (!desktop->apply(fonts)) {
      // The desktop refused: the saved faces go back to what they were.
      if (before)
        ts::platform::writeFileAtomically(reg.path(), *before, 0600);
      else
        unlink(reg.path().c_str());
      return 1;
    }
    return 0;
  }
  if (!reg.keyExists()) return 0;  // nothing was ever saved: nothing changes
  bool stored = false;
  for (FontKind k : {ts::platform::kCaption, ts::platform::kSmallCaption, ts::platform::kMessage,
                     ts::platform::kMenu, ts::platform::kStatus}) {
    if (const auto saved = reg.get(ts::platform::fontValueName(k))) {
      fonts.description[k] = withFace(fonts.description[k], *saved);
    } else {
      saveFace(reg, k, faceOf(fonts.description[k]));
      stored = true;
    }
  }
  if (stored) reg.save();
  return desktop->apply(fonts) ? 0 : 1;
}

bool runKeyboardProgram(unsigned mode) {
  if (ts::platform::windowExists(kKeyboardWindowClass)) {
    if (mode == 2) return ts::platform::postCommand(kKeyboardWindowClass, 3004);
    if (mode == 0) return true;
  }
  const ts::platform::Registry reg;
  const std::optional<std::string> path = reg.get("path");
  if (!path || path->empty()) return false;
  switch (mode) {
    case 0: return ts::platform::startCommandLine(*path);
    case 1: return ts::platform::startCommandLine(*path + " F");
    case 2: {
      const bool first = ts::platform::startCommandLine(*path);
      const bool second = ts::platform::startCommandLine(*path);
      return first && second;
    }
    default: return true;
  }
}

void* raiseClipboardGuard() {
  void* block = ts::platform::mapSharedBlock("tsclb.map", 2048);
  if (block != nullptr)
    std::atomic_ref<std::uint32_t>(*static_cast<std::uint32_t*>(block)).store(1);
  return block;
}

}  // namespace tslib
