// Writes the seed corpora: for every charset pair a text of that source's letters with
// bytes and escape pieces around them; for TS_replace texts with overlapping patterns.
// Run once by hand: make_seeds DIR
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "ts/catalogue.hpp"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_seeds DIR\n");
    return 2;
  }
  namespace fs = std::filesystem;
  const fs::path dir = argv[1];
  fs::create_directories(dir / "convert");
  fs::create_directories(dir / "replace");
  fs::create_directories(dir / "text");
  std::mt19937 rng(11);
  const char* extra[] = {"\\u", "\\u0224",   "\\u02", "&#",   "&#7843;",  "&#224",
                         "\\x", "\\xE0\"\"", "\xC3",  "\xA0", "\xE1\xBB", " ",
                         ".",   "\r\n",      "(",     "^",    "+",        "`"};
  int written = 0;
  for (int src = 1; src <= 45; ++src) {
    ts::CharsetSelection s;
    const bool has = ts::selectCharset(static_cast<std::uint32_t>(src), ts::kCatalogueSize, s);
    for (int dst : {15, 41, src % 44 + 1, 24, 43, 7}) {
      std::string in;
      in += static_cast<char>(src);
      in += static_cast<char>(dst);
      in += static_cast<char>(std::uniform_int_distribution<int>(0, 255)(rng));
      for (int i = 0; i < 40; ++i) {
        const int what = std::uniform_int_distribution<int>(0, 4)(rng);
        if (what == 0 || !has)
          in += extra[std::uniform_int_distribution<int>(0, 17)(rng)];
        else
          in += ts::writeLetter(s, std::uniform_int_distribution<int>(1, 152)(rng)).view();
      }
      std::ofstream(dir / "convert" / ("pair-" + std::to_string(src) + "-" + std::to_string(dst)),
                    std::ios::binary)
          << in;
      ++written;
    }
  }
  const char* replaces[][3] = {{"aaa", "aa", "b"},     {"x-x-x", "x", "xx"},
                               {"abc", "", "X"},       {"", "a", "b"},
                               {"abab", "ab", "abab"}, {"\xC3\xA0", "\xA0", ""}};
  for (const auto& r : replaces) {
    std::string in = std::string(r[0]) + '\0' + r[1] + '\0' + r[2];
    std::ofstream(dir / "replace" / ("case-" + std::to_string(written++)), std::ios::binary) << in;
  }
  const char* texts[] = {"Vie^.t Nam",           "Nguye^~n Va(n An", "dda(ng",
                         "\xF7\xF7 \xF7",        "\\u0224\\u02",     "a\xA8\xAE\xB5",
                         "\xC3\xA0\xE1\xBB\x86", "x(` a(` ++ ^^",    ""};
  int t = 0;
  for (int def : {15, 24, 29, 39, 25, 14, 0, 40}) {
    for (const char* text : texts) {
      std::string in;
      in += static_cast<char>(def);
      in += static_cast<char>(t % 3 == 0 ? def : 15);
      in += static_cast<char>(t % 2 ? 39 : 43);
      in += static_cast<char>(t % 4);
      in += text;
      std::ofstream(dir / "text" / ("text-" + std::to_string(t++)), std::ios::binary) << in;
    }
  }
  fs::create_directories(dir / "html");
  const char* pages[] = {
      "<font face=\".VnTime\">Vi\xD6t</font>",
      "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=x-user-defined\">",
      "<meta charset=\"utf-8\"><p style=\"FONT-FAMILY: &quot;VNI-Times&quot;\">a&#249;</p>",
      "<span style=\"font-family: .VnArial; color: red\">\xB8 &copy; &amp; &#128;</span> <b",
      "<!-- \xB8 --> <script>x='\xB5';</script> a-b.c,d\r\n<i>e</i>",
      "<font face=Arial charset=x>&#7879;&#224;\\u0224</font>",
      "<p title=\"charset\">FONT FACE=\"VNI-Couri\"</p><CHARSET=VNI>"};
  int h = 0;
  for (const char* page : pages) {
    for (int pair = 0; pair < 4; ++pair) {
      const int pairs[4][2] = {{15, 29}, {29, 15}, {15, 41}, {25, 39}};
      std::string in;
      in += static_cast<char>(pairs[pair][0]);
      in += static_cast<char>(pairs[pair][1]);
      in += static_cast<char>(h * 7);
      in += page;
      std::ofstream(dir / "html" / ("page-" + std::to_string(h++)), std::ios::binary) << in;
    }
  }
  std::printf("%d seeds\n", written + t + h);
  return 0;
}
