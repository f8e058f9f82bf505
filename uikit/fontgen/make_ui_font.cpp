// Builds the interface font "TS Sans Serif" from DejaVu Sans: two bitmap fonts in BDF (cells
// of 13 and 16 pixels) with the glyphs of ASCII, Latin-1 and every Vietnamese letter, and a C++
// source that embeds both.
//
//   make_ui_font DEJAVU_TTF OUT_DIR
//
// The glyphs are rasterised without antialiasing at the em size that gives the cell height
// (11 pixels for 8 points, 13 pixels for 10 points, at 96 dots per inch).  The output depends
// only on the input font, so every build writes the same bytes.
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "ts/catalogue.hpp"

namespace {

struct Size {
  int points;  // nominal size at 96 dpi
  int em;      // em size in pixels
  int cell;    // cell height in pixels
  int ascent;  // pixels above the baseline
  const char* file;
};

constexpr Size kSizes[] = {{8, 11, 13, 10, "tsnt8.bdf"}, {10, 13, 16, 12, "tsnt10.bdf"}};

std::vector<char32_t> characters() {
  std::set<char32_t> set;
  for (char32_t c = 32; c < 127; ++c) set.insert(c);
  for (char32_t c = 160; c < 256; ++c) set.insert(c);
  for (int n = 1; n <= ts::kLetterCount; ++n) set.insert(ts::letterCodePoint(n));
  return {set.begin(), set.end()};
}

struct Glyph {
  char32_t cp;
  int advance;
  int x0, y0, w, h;               // bounding box, y0 from the baseline upwards (BDF)
  std::vector<std::string> rows;  // hex rows
};

Glyph render(const QFont& font, int ascent, char32_t cp) {
  QFontMetrics fm(font);
  const QString s = QString::fromUcs4(&cp, 1);
  Glyph g{cp, fm.horizontalAdvance(s), 0, 0, 0, 0, {}};
  const int W = 64, H = 64, baseX = 16, baseY = 40;
  QImage img(W, H, QImage::Format_RGB32);
  img.fill(Qt::white);
  {
    QPainter p(&img);
    p.setFont(font);
    p.setPen(Qt::black);
    p.drawText(baseX, baseY, s);
  }
  int left = W, right = -1, top = H, bottom = -1;
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x)
      if (qGray(img.pixel(x, y)) < 128) {
        left = std::min(left, x), right = std::max(right, x);
        top = std::min(top, y), bottom = std::max(bottom, y);
      }
  (void)ascent;
  if (right < 0) return g;  // blank glyph (space, no-break space)
  g.x0 = left - baseX;
  g.w = right - left + 1;
  g.h = bottom - top + 1;
  g.y0 = baseY - 1 - bottom;
  for (int y = top; y <= bottom; ++y) {
    std::string row;
    const int bytes = (g.w + 7) / 8;
    for (int b = 0; b < bytes; ++b) {
      unsigned v = 0;
      for (int bit = 0; bit < 8; ++bit) {
        const int x = left + b * 8 + bit;
        if (x <= right && qGray(img.pixel(x, y)) < 128) v |= 0x80u >> bit;
      }
      char hex[3];
      std::snprintf(hex, sizeof hex, "%02X", v);
      row += hex;
    }
    g.rows.push_back(row);
  }
  return g;
}

std::string bdf(const QString& family, const Size& size) {
  QFont font(family);
  font.setPixelSize(size.em);
  font.setStyleStrategy(QFont::StyleStrategy(QFont::NoAntialias | QFont::NoFontMerging));
  font.setHintingPreference(QFont::PreferFullHinting);
  std::vector<Glyph> glyphs;
  for (char32_t cp : characters()) glyphs.push_back(render(font, size.ascent, cp));
  int maxW = 0, minX = 0, minY = 0, maxX = 0, maxY = 0;
  long sum = 0;
  for (const Glyph& g : glyphs) {
    maxW = std::max(maxW, g.advance);
    sum += g.advance;
    if (g.w) {
      minX = std::min(minX, g.x0), minY = std::min(minY, g.y0);
      maxX = std::max(maxX, g.x0 + g.w), maxY = std::max(maxY, g.y0 + g.h);
    }
  }
  const long avg10 = sum * 10 / static_cast<long>(glyphs.size());
  std::string out;
  char line[256];
  auto put = [&](const char* fmt, auto... args) {
    std::snprintf(line, sizeof line, fmt, args...);
    out += line;
  };
  put("STARTFONT 2.1\n");
  put("FONT -TS-TS Sans Serif-Medium-R-Normal--%d-%d-96-96-P-%ld-ISO10646-1\n", size.em,
      size.points * 10, avg10);
  put("SIZE %d 96 96\n", size.points);
  put("FONTBOUNDINGBOX %d %d %d %d\n", maxX - minX, maxY - minY, minX, minY);
  put("STARTPROPERTIES 20\n");
  put("FOUNDRY \"TS\"\nFAMILY_NAME \"TS Sans Serif\"\nWEIGHT_NAME \"Medium\"\nSLANT \"R\"\n");
  put("SETWIDTH_NAME \"Normal\"\nADD_STYLE_NAME \"\"\nPIXEL_SIZE %d\nPOINT_SIZE %d\n", size.em,
      size.points * 10);
  put("RESOLUTION_X 96\nRESOLUTION_Y 96\nSPACING \"P\"\nAVERAGE_WIDTH %ld\n", avg10);
  put("CHARSET_REGISTRY \"ISO10646\"\nCHARSET_ENCODING \"1\"\n");
  put("FONT_ASCENT %d\nFONT_DESCENT %d\nDEFAULT_CHAR 32\nWEIGHT 400\n", size.ascent,
      size.cell - size.ascent);
  put("COPYRIGHT \"Glyphs rasterised from DejaVu Sans. Copyright (c) 2003 by Bitstream, Inc. "
      "All Rights Reserved. DejaVu changes are in public domain.\"\n");
  put("NOTICE \"Bitstream Vera Fonts licence: this is a renamed derivative, not a Bitstream or "
      "DejaVu font.\"\n");
  put("ENDPROPERTIES\nCHARS %zu\n", glyphs.size());
  for (const Glyph& g : glyphs) {
    put("STARTCHAR uni%04X\nENCODING %u\n", static_cast<unsigned>(g.cp),
        static_cast<unsigned>(g.cp));
    put("SWIDTH %d 0\nDWIDTH %d 0\n", g.advance * 1000 / size.em, g.advance);
    put("BBX %d %d %d %d\nBITMAP\n", g.w, g.h, g.x0, g.y0);
    for (const std::string& r : g.rows) out += r + "\n";
    out += "ENDCHAR\n";
  }
  out += "ENDFONT\n";
  return out;
}

bool writeAll(const QString& path, const std::string& bytes) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  return f.write(bytes.data(), static_cast<qint64>(bytes.size())) ==
         static_cast<qint64>(bytes.size());
}

std::string cArray(const char* name, const std::string& bytes) {
  std::string out = "extern const unsigned char " + std::string(name) + "[];\n";
  out += "const unsigned char " + std::string(name) + "[] = {";
  char hex[8];
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(hex, sizeof hex, "%s%u,", i % 24 ? "" : "\n",
                  static_cast<unsigned char>(bytes[i]));
    out += hex;
  }
  out += "};\nextern const unsigned long " + std::string(name) + "Size;\n";
  out +=
      "const unsigned long " + std::string(name) + "Size = " + std::to_string(bytes.size()) + ";\n";
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_ui_font DEJAVU_TTF OUT_DIR\n");
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const int id = QFontDatabase::addApplicationFont(QString::fromLocal8Bit(argv[1]));
  const QStringList families = QFontDatabase::applicationFontFamilies(id);
  if (id < 0 || families.isEmpty()) {
    std::fprintf(stderr, "make_ui_font: cannot load %s\n", argv[1]);
    return 1;
  }
  const QString dir = QString::fromLocal8Bit(argv[2]);
  std::string source = "// Generated by make_ui_font from DejaVu Sans; do not edit.\n";
  const char* names[] = {"kUiFont8", "kUiFont10"};
  int i = 0;
  for (const Size& size : kSizes) {
    const std::string font = bdf(families.front(), size);
    if (!writeAll(dir + "/" + size.file, font)) {
      std::fprintf(stderr, "make_ui_font: cannot write %s/%s\n", argv[2], size.file);
      return 1;
    }
    source += cArray(names[i++], font);
  }
  if (!writeAll(dir + "/ui_font_data.cpp", source)) {
    std::fprintf(stderr, "make_ui_font: cannot write %s/ui_font_data.cpp\n", argv[2]);
    return 1;
  }
  return 0;
}
