// How well and how fast the charset guess works: Vietnamese prose of several styles
// (bench/detect/*.txt, written for this purpose) encoded in every charset with a letter
// table (the lines it can write), cut into windows of 64 and 256 bytes; texts in other languages must not be taken for
// a legacy Vietnamese charset.
//   detect_bench [DIR]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "ts/catalogue.hpp"
#include "ts/converter.hpp"
#include "ts/detect.hpp"
#include "ts/forms.hpp"
#include "ts/utf.hpp"

namespace {

std::string readFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string encode(int code, const std::string& utf8) {
  ts::ConverterState st;
  ts::selectPair(st, ts::kUtf8, static_cast<std::uint32_t>(code));
  return ts::convert(st, utf8);
}

std::u32string codePoints(const std::string& utf8) {
  std::u32string out;
  ts::walkUtf8(reinterpret_cast<const std::uint8_t*>(utf8.data()), utf8.size(), true,
               [&](std::uint32_t cp) { return out.push_back(cp), true; },
               [&] { return out.push_back(0xFFFD), true; });
  return out;
}

// The lines of a text the charset can write: its ASCII signs read back as themselves (TCVN1
// writes capitals with the bytes of _ [ ] |, so a text holding those is no TCVN1 text).
std::string writable(int code, const std::string& text) {
  ts::ConverterState there, back;
  ts::selectPair(there, ts::kUtf8, static_cast<std::uint32_t>(code));
  ts::selectPair(back, static_cast<std::uint32_t>(code), ts::kUtf8);
  std::string out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    const std::u32string a = codePoints(line), b = codePoints(ts::convert(back, ts::convert(there, line)));
    bool same = a.size() == b.size();
    for (std::size_t i = 0; same && i < a.size(); ++i) same = a[i] >= 0x80 || a[i] == b[i];
    if (same) out += line + "\n";
  }
  return out;
}

std::string encodeBack(int code, const std::string& bytes) {
  ts::ConverterState st;
  ts::selectPair(st, static_cast<std::uint32_t>(code), ts::kUtf8);
  std::string out = ts::convert(st, bytes);
  for (char& c : out)
    if (c == '\n') c = ' ';
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  const std::filesystem::path dir = argc > 1 ? argv[1] : TS_DETECT_TEXTS;
  const std::vector<std::string> styles = {"news", "literature", "names", "headings"};
  const std::vector<std::string> others = {"english", "french", "german", "chinese"};
  std::vector<int> codes;
  for (int c = 1; c <= 43; ++c)
    if (c != ts::kVnUnicode2 && ts::hasLetterTable(c)) codes.push_back(c);

  std::printf("Right charset (or one that reads the same letters) ranked first\n");
  std::printf("%4s  %-16s %8s %8s\n", "code", "charset", "64 B", "256 B");
  std::map<int, std::pair<int, int>> total;  // length -> right, all
  const int show = std::getenv("DETECT_SHOW") ? std::atoi(std::getenv("DETECT_SHOW")) : 0;
  // DETECT_SHOW_LENGTH=256 shows the windows of that length only.
  const std::size_t showLength = std::getenv("DETECT_SHOW_LENGTH")
                                     ? std::strtoul(std::getenv("DETECT_SHOW_LENGTH"), nullptr, 10)
                                     : 0;
  int shown = 0;
  for (int code : codes) {
    std::printf("%4d  %-16s", code, std::string(ts::charsetName(code)).c_str());
    for (std::size_t length : {64u, 256u}) {
      int right = 0, all = 0;
      for (const std::string& style : styles) {
        const std::string text = encode(code, writable(code, readFile(dir / (style + ".txt"))));
        for (std::size_t at = 0; at + length <= text.size(); at += 16) {
          const ts::Detection d = ts::detectCharset(std::string_view(text).substr(at, length));
          ++all;
          if (!d.guesses.empty()) {
            const auto& best = d.guesses.front().codes;
            const bool ok = std::find(best.begin(), best.end(), code) != best.end();
            right += ok;
            // DETECT_SHOW=CODE shows that charset's windows read wrongly (as UTF-8); -CODE its
            // carried form's.
            if (!ok && show == code && (showLength == 0 || showLength == length) && shown++ < 12)
              std::printf("\n    as %d (%.2f): %s", best.front(), d.guesses.front().confidence,
                          encodeBack(code, text.substr(at, length)).c_str());
          }
        }
      }
      std::printf(" %7.1f%%", all ? 100.0 * right / all : 0.0);
      total[static_cast<int>(length)].first += right;
      total[static_cast<int>(length)].second += all;
    }
    std::printf("\n");
  }
  std::printf("%4s  %-16s", "", "all");
  for (auto& [length, t] : total) std::printf(" %7.2f%%", 100.0 * t.first / t.second);
  std::printf("   (%d and %d windows)\n", total[64].second, total[256].second);

  std::printf("\nOther languages (UTF-8) taken for a legacy charset with confidence >= %.1f\n",
              ts::kConfidentGuess);
  for (const std::string& lang : others) {
    const std::string text = readFile(dir / (lang + ".txt"));
    int wrong = 0, all = 0;
    for (std::size_t length : {64u, 256u}) {
      for (std::size_t at = 0; at + length <= text.size(); at += 8) {
        const ts::Detection d = ts::detectCharset(std::string_view(text).substr(at, length));
        ++all;
        if (!d.guesses.empty() && d.guesses.front().confidence >= ts::kConfidentGuess &&
            d.guesses.front().codes.front() < ts::kDecimalEsc)
          ++wrong;
      }
    }
    std::printf("  %-8s %d of %d windows\n", lang.c_str(), wrong, all);
  }

  // Carried forms: the legacy bytes read as Windows-1252 and saved as UTF-8.
  auto carry = [](const std::string& bytes) {
    std::string out;
    for (char c : bytes) out.append(ts::windows1252Utf8(static_cast<std::uint8_t>(c)).view());
    return out;
  };
  std::printf("\nCarried in UTF-8: the right form ranked first\n");
  for (int code : {15, 29, 25, 36, 41}) {
    std::printf("%4s  %-28s", ts::formShortName(ts::carriedForm(code, 1)).c_str(),
                ts::formName(ts::carriedForm(code, 1)).c_str());
    for (std::size_t length : {64u, 256u}) {
      int right = 0, all = 0;
      for (const std::string& style : styles) {
        const std::string text = carry(encode(code, readFile(dir / (style + ".txt"))));
        for (std::size_t at = 0; at + length <= text.size(); at += 16) {
          // Windows end at a blank, as a line or a file does.
          const std::size_t start =
              text.rfind(' ', at) == std::string::npos ? 0 : text.rfind(' ', at) + 1;
          const ts::Detection d = ts::detectCharset(std::string_view(text).substr(start, length));
          ++all;
          if (!d.guesses.empty()) {
            const auto& best = d.guesses.front().codes;
            const bool ok = std::find(best.begin(), best.end(),
                                      static_cast<int>(ts::carriedForm(code, 1))) != best.end();
            right += ok;
            if (!ok && show == -code && shown++ < 12)
              std::printf("\n    as %s (%.2f): %s", ts::formShortName(static_cast<ts::CharsetForm>(best.front())).c_str(),
                          d.guesses.front().confidence, std::string(std::string_view(text).substr(start, length)).c_str());
          }
        }
      }
      std::printf(" %7.1f%%", all ? 100.0 * right / all : 0.0);
    }
    std::printf("\n");
  }
  std::printf("\nGood UTF-8 taken for a carried form (first guess):\n");
  for (const std::string& name :
       {std::string("news"), std::string("literature"), std::string("names"),
        std::string("headings"), std::string("english"), std::string("french"),
        std::string("german"), std::string("chinese")}) {
    const std::string text = readFile(dir / (name + ".txt"));
    int wrong = 0, confident = 0, all = 0;
    for (std::size_t length : {64u, 256u}) {
      for (std::size_t at = 0; at + length <= text.size(); at += 8) {
        std::size_t start = at;
        while (start > 0 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80) --start;
        const ts::Detection d = ts::detectCharset(std::string_view(text).substr(start, length));
        ++all;
        const bool carried =
            !d.guesses.empty() &&
            ts::formLayers(static_cast<ts::CharsetForm>(d.guesses.front().codes.front())) != 0;
        wrong += carried;
        confident += carried && d.guesses.front().confidence >= ts::kConfidentGuess;
      }
    }
    std::printf("  %-10s %d of %d windows (%d of them with confidence >= %.1f)\n", name.c_str(),
                wrong, all, confident, ts::kConfidentGuess);
  }

  // Speed: every candidate scored over 64 KiB of text.
  std::string big;
  const std::string news = readFile(dir / "news.txt") + readFile(dir / "literature.txt");
  if (news.empty()) {
    std::fprintf(stderr, "detect_bench: no text in %s\n", dir.c_str());
    return 2;
  }
  while (big.size() < 64 * 1024) big += news;
  big.resize(64 * 1024);
  std::printf("\nSpeed, all candidates scored over 64 KiB:\n");
  for (int form : {15, 29, 41, 15 + 64, 41 + 64}) {
    const int code = form & 63;
    const std::string text =
        (form > 63 ? carry(encode(code, big)) : encode(code, big)).substr(0, 64 * 1024);
    const int rounds = 20;
    const auto t0 = std::chrono::steady_clock::now();
    std::size_t guesses = 0;
    for (int r = 0; r < rounds; ++r) guesses += ts::detectCharset(text).guesses.size();
    const double s =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count() / rounds;
    std::printf("  %-30s %6.2f ms, %6.1f MB/s of input (%zu answers)\n",
                ts::formName(static_cast<ts::CharsetForm>(form)).c_str(), s * 1000,
                text.size() / s / 1e6, guesses / rounds);
  }
  return 0;
}
