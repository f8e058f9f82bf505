// How the judgement of text fares on real lines: good text of any language must come out of
// the repair unchanged, and Vietnamese made into mojibake (UTF-8 encoded twice, with the bytes
// Windows-1252 leaves undefined as U+FFFD, with no-break spaces lost; TCVN3 and VNI carried in
// UTF-8) must come back exactly.  It also times the repair (of good text and of TCVN3 carried
// text) and detection.
//   judge_bench VIETNAMESE.txt [OTHER.txt...]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "ts/catalogue.hpp"
#include "ts/converter.hpp"
#include "ts/detect.hpp"
#include "ts/repair.hpp"
#include "ts/utf.hpp"

namespace {

std::vector<std::string> readLines(const char* path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::string> lines;
  for (std::string l; std::getline(in, l);)
    if (!l.empty()) lines.push_back(l);
  return lines;
}

// Windows-1252's characters for 0x80..0x9F (0 where undefined).
constexpr std::uint32_t kHigh[32] = {0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                     0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                     0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                     0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

enum class Undefined { kC1, kReplaced };

// Bytes read as Windows-1252 and written as UTF-8.
std::string carry(std::string_view bytes, Undefined undefined = Undefined::kC1) {
  std::string out;
  for (unsigned char b : bytes) {
    std::uint32_t cp = b;
    if (b >= 0x80 && b < 0xA0) cp = kHigh[b - 0x80] ? kHigh[b - 0x80] : (undefined == Undefined::kC1 ? b : 0xFFFD);
    std::uint8_t u[4];
    out.append(reinterpret_cast<char*>(u), static_cast<std::size_t>(ts::encodeUtf8(cp, u)));
  }
  return out;
}

std::string legacy(int code, const std::string& utf8) {
  ts::ConverterState st;
  ts::selectPair(st, ts::kUtf8, static_cast<std::uint32_t>(code));
  return ts::convert(st, utf8);
}

std::string repaired(ts::TextRepairer& r, const std::string& line) {
  std::string out;
  r.repair(line + "\n", out);
  out.pop_back();
  return out;
}

// Letters of the Vietnamese alphabet and ASCII only.
bool vietnameseOnly(const std::string& l) {
  const auto* s = reinterpret_cast<const std::uint8_t*>(l.data());
  bool ok = true;
  ts::walkUtf8(s, l.size(), true, [&](std::uint32_t cp) { return ok = ts::letterOfCodePoint(cp) != 0; },
               [&] { return ok = false; });
  return ok;
}

struct Count {
  int exact = 0, changedWrongly = 0, left = 0, all = 0, partly = 0;
};

std::vector<std::string> wordsOf(const std::string& l) {
  std::vector<std::string> w;
  std::istringstream in(l);
  for (std::string x; in >> x;) w.push_back(x);
  return w;
}

// Whether each word of the result is the word repaired or the word as it was.
bool onlyLeft(const std::string& result, const std::string& expected, const std::string& broken) {
  const auto r = wordsOf(result), e = wordsOf(expected), b = wordsOf(broken);
  if (r.size() != e.size() || r.size() != b.size()) return false;
  for (std::size_t i = 0; i < r.size(); ++i)
    if (r[i] != e[i] && r[i] != b[i]) return false;
  return true;
}

void report(const char* what, const Count& c) {
  std::printf("  %-34s %6d lines: %6d exact, %5d left as they were, %5d partly (words left), "
              "%5d changed wrongly\n",
              what, c.all, c.exact, c.left, c.partly, c.changedWrongly);
}

// Good lines through `repairer`: how many come out as they went in; the first `show` changed
// are shown.
Count goodThrough(ts::TextRepairer& repairer, const std::vector<std::string>& lines, int show) {
  Count c;
  for (const std::string& l : lines) {
    ++c.all;
    const std::string r = repaired(repairer, l);
    if (r == l) {
      ++c.exact;
    } else {
      ++c.changedWrongly;
      if (show-- > 0) std::printf("    GOOD CHANGED: %s\n               -> %s\n", l.c_str(), r.c_str());
    }
  }
  return c;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: judge_bench VIETNAMESE.txt [OTHER.txt...]\n");
    return 2;
  }
  const int kShow = std::getenv("JUDGE_SHOW") ? std::atoi(std::getenv("JUDGE_SHOW")) : 0;
  std::vector<std::string> vietnamese;
  for (int a = 1; a < argc; ++a) {
    const std::vector<std::string> lines = readLines(argv[a]);
    std::printf("%s\n", argv[a]);
    std::fflush(stdout);
    std::size_t bytes = 0;
    for (const std::string& l : lines) bytes += l.size() + 1;
    ts::TextRepairer goodText;
    const Count good = goodThrough(goodText, lines, kShow);
    // The speed of the repair as tsconv --fix runs it: the text whole, in one repairer.
    std::string whole, out;
    for (const std::string& l : lines) whole.append(l).push_back('\n');
    const auto t1 = std::chrono::steady_clock::now();
    ts::TextRepairer timed;
    timed.repair(whole, out);
    const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t1).count();
    report("good text unchanged", good);
    if (a != 1) {
      // After a text's clear lines read as a carried form, that form reads its unsure lines
      // too: good text after such lines must stay as it is all the same.
      for (const int code : {ts::kTcvn3, ts::kVniWin}) {
        ts::TextRepairer primed;
        for (const std::string& v : vietnamese)
          if (vietnameseOnly(v)) repaired(primed, carry(legacy(code, v)));
        const Count after = goodThrough(primed, lines, kShow);
        report(code == ts::kTcvn3 ? "good text after TCVN3 carried" : "good text after VNI carried",
               after);
      }
      continue;
    }
    // The first lines of the Vietnamese text, to prime a repairer with carried lines.
    vietnamese.assign(lines.begin(), lines.begin() + std::min<std::size_t>(lines.size(), 300));
    struct Shape {
      const char* name;
      std::string (*make)(const std::string&);
      int code = 0;  // the legacy charset the text went through, which may lose capitals
    };
    const Shape shapes[] = {
        {"UTF-8 encoded twice", [](const std::string& l) { return carry(l); }},
        {"encoded twice, U+FFFD", [](const std::string& l) { return carry(l, Undefined::kReplaced); }},
        {"encoded twice, no-break space lost",
         [](const std::string& l) {
           const std::string c = carry(l);
           std::string out;
           for (std::size_t i = 0; i < c.size(); ++i) {
             if (c.compare(i, 2, "\xC2\xA0") == 0) {
               out += ' ';
               ++i;
             } else {
               out += c[i];
             }
           }
           return out;
         }},
        {"encoded three times", [](const std::string& l) { return carry(carry(l)); }},
        {"TCVN3 carried", [](const std::string& l) { return carry(legacy(ts::kTcvn3, l)); }, ts::kTcvn3},
        {"VNI carried", [](const std::string& l) { return carry(legacy(ts::kVniWin, l)); }, ts::kVniWin},
    };
    // Each shape in a file of its own, its lines between good lines (a mixed file).
    for (const Shape& shape : shapes) {
      Count c, goodBeside;
      int shown = kShow;
      int shownLeft = std::getenv("JUDGE_SHOW_LEFT") ? std::atoi(std::getenv("JUDGE_SHOW_LEFT")) : 0;
      ts::TextRepairer file;
      std::size_t next = lines.size() / 2;
      for (const std::string& l : lines) {
        if (shape.code != 0 && !vietnameseOnly(l)) continue;  // what the charset cannot hold
        const std::string broken = shape.make(l);
        if (broken == l) continue;
        const std::string& goodLine = lines[next++ % lines.size()];
        ++goodBeside.all;
        if (const std::string r = repaired(file, goodLine); r == goodLine) {
          ++goodBeside.exact;
        } else {
          ++goodBeside.changedWrongly;
          if (shown-- > 0)
            std::printf("    GOOD BESIDE CHANGED: %s\n                      -> %s\n",
                        goodLine.c_str(), r.c_str());
        }
        ++c.all;
        const std::string r = repaired(file, broken);
        std::string expected = l;
        if (shape.code != 0) {
          ts::ConverterState back;
          ts::selectPair(back, static_cast<std::uint32_t>(shape.code), ts::kUtf8);
          expected = ts::convert(back, legacy(shape.code, l));
        }
        if (r == expected)
          ++c.exact;
        else if (r == broken) {
          ++c.left;
          if (shownLeft-- > 0) std::printf("    LEFT: %s\n       as %s\n", expected.c_str(), broken.c_str());
        }
        else if (onlyLeft(r, expected, broken)) {
          ++c.partly;
          if (shownLeft-- > 0) std::printf("    PARTLY: %s\n         -> %s\n", expected.c_str(), r.c_str());
        }
        else {
          ++c.changedWrongly;
          if (shown-- > 0) std::printf("    WRONG: %s\n        -> %s\n", expected.c_str(), r.c_str());
        }
      }
      report(shape.name, c);
      if (goodBeside.changedWrongly > 0) report("  good lines beside them", goodBeside);
    }
    std::printf("  repair of good text: %.1f MB/s\n", bytes / secs / 1e6);
    // And of the lines TCVN3 and VNI can hold carried in UTF-8, as one text, once (each word
    // read afresh) and twenty times (a long text, whose words repeat).
    for (const auto& [code, name] :
         {std::pair{ts::kTcvn3, "TCVN3"}, std::pair{ts::kVniWin, "VNI"}}) {
      std::string carried;
      for (const std::string& l : lines)
        if (vietnameseOnly(l)) carried.append(carry(legacy(code, l))).push_back('\n');
      for (const int times : {1, 20}) {
        std::string text;
        for (int i = 0; i < times; ++i) text += carried;
        const auto t2 = std::chrono::steady_clock::now();
        ts::TextRepairer carriedText;
        out.clear();
        carriedText.repair(text, out);
        const double carriedSecs =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - t2).count();
        std::printf("  repair of %s carried text, %d time%s (%.1f MB): %.1f MB/s\n", name, times,
                    times == 1 ? "" : "s", text.size() / 1e6, text.size() / carriedSecs / 1e6);
      }
    }
  }
  return 0;
}
