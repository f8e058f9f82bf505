// Writes generated Vietnamese text in UTF-8: syllables of real shape (initial consonant,
// vowel with its diacritics and tone, final consonant) in sentences and lines.
//   gen_text MEGABYTES [SEED] > text.utf8
// The capitals Ẳ Ẵ Ẫ Ỵ Ỹ Ỷ and Õ, which standard VISCII keeps among the control codes and at
// A0 and our VISCII writes with their lower-case codes, are never made, so the text reads
// the same through either VISCII.
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

const char* kInitials[] = {"",   "b",  "c", "ch", "d",  "đ",  "g",  "gi", "h",
                           "k",  "kh", "l", "m",  "n",  "ng", "nh", "p",  "ph",
                           "qu", "r",  "s", "t",  "th", "tr", "v",  "x",  "ngh"};
// Vowel nuclei without tone, and the finals they take.
const char* kNuclei[] = {"a",  "ă",  "â",  "e",  "ê",  "i",  "o",  "ô",  "ơ",  "u",  "ư",
                         "y",  "ai", "ao", "au", "ay", "âu", "ây", "eo", "êu", "ia", "iê",
                         "iu", "oa", "oă", "oe", "oi", "ôi", "ơi", "ua", "uâ", "uê", "ui",
                         "uô", "uơ", "uy", "ưa", "ưi", "ươ", "ưu", "yê"};
const char* kFinals[] = {"", "", "", "c", "ch", "m", "n", "ng", "nh", "p", "t"};

// Tone marks as combining characters, composed below by table.
const char* kToned[][6] = {
    {"a", "à", "á", "ả", "ã", "ạ"}, {"ă", "ằ", "ắ", "ẳ", "ẵ", "ặ"}, {"â", "ầ", "ấ", "ẩ", "ẫ", "ậ"},
    {"e", "è", "é", "ẻ", "ẽ", "ẹ"}, {"ê", "ề", "ế", "ể", "ễ", "ệ"}, {"i", "ì", "í", "ỉ", "ĩ", "ị"},
    {"o", "ò", "ó", "ỏ", "õ", "ọ"}, {"ô", "ồ", "ố", "ổ", "ỗ", "ộ"}, {"ơ", "ờ", "ớ", "ở", "ỡ", "ợ"},
    {"u", "ù", "ú", "ủ", "ũ", "ụ"}, {"ư", "ừ", "ứ", "ử", "ữ", "ự"}, {"y", "ỳ", "ý", "ỷ", "ỹ", "ỵ"}};
const char* kCapital[][6] = {
    {"A", "À", "Á", "Ả", "Ã", "Ạ"}, {"Ă", "Ằ", "Ắ", "", "", "Ặ"},   {"Â", "Ầ", "Ấ", "Ẩ", "", "Ậ"},
    {"E", "È", "É", "Ẻ", "Ẽ", "Ẹ"}, {"Ê", "Ề", "Ế", "Ể", "Ễ", "Ệ"}, {"I", "Ì", "Í", "Ỉ", "Ĩ", "Ị"},
    {"O", "Ò", "Ó", "Ỏ", "", "Ọ"},  {"Ô", "Ồ", "Ố", "Ổ", "Ỗ", "Ộ"}, {"Ơ", "Ờ", "Ớ", "Ở", "Ỡ", "Ợ"},
    {"U", "Ù", "Ú", "Ủ", "Ũ", "Ụ"}, {"Ư", "Ừ", "Ứ", "Ử", "Ữ", "Ự"}, {"Y", "Ỳ", "Ý", "", "", ""}};
const char* kBase[] = {"a", "ă", "â", "e", "ê", "i", "o", "ô", "ơ", "u", "ư", "y"};

int baseIndex(const std::string& v) {
  for (int i = 0; i < 12; ++i)
    if (v == kBase[i]) return i;
  return -1;
}

// Splits a nucleus into its vowels (one or two letters of one or two bytes each).
std::string vowelAt(const std::string& s, std::size_t& at) {
  const unsigned char c = static_cast<unsigned char>(s[at]);
  const std::size_t len = c < 0x80 ? 1 : c < 0xE0 ? 2 : 3;
  std::string v = s.substr(at, len);
  at += len;
  return v;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: gen_text MEGABYTES [SEED]\n");
    return 2;
  }
  const double mb = std::atof(argv[1]);
  std::mt19937 rng(argc > 2 ? static_cast<unsigned>(std::atoi(argv[2])) : 1u);
  auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
  const auto target = static_cast<std::size_t>(mb * 1024 * 1024);
  std::string out, line;
  bool sentenceStart = true;
  int words = 0;
  while (out.size() < target) {
    const std::string nucleus = kNuclei[pick(sizeof kNuclei / sizeof *kNuclei)];
    std::string initial = kInitials[pick(sizeof kInitials / sizeof *kInitials)];
    const int tone = pick(6);
    // The tone goes on the last vowel of the nucleus when a final follows, else the first.
    std::string finalC = kFinals[pick(sizeof kFinals / sizeof *kFinals)];
    std::vector<std::string> vowels;
    for (std::size_t at = 0; at < nucleus.size();) vowels.push_back(vowelAt(nucleus, at));
    const std::size_t toned = (!finalC.empty() || vowels.size() == 1) ? vowels.size() - 1 : 0;
    std::string word;
    bool capital = sentenceStart;
    if (capital && !initial.empty()) {
      if (initial == "đ")
        word += "Đ";
      else
        word += static_cast<char>(initial[0] - 32), word += initial.substr(1);
      capital = false;
    } else {
      word += initial;
    }
    for (std::size_t i = 0; i < vowels.size(); ++i) {
      const int b = baseIndex(vowels[i]);
      const int t = i == toned ? tone : 0;
      const char* letter = capital ? kCapital[b][t] : kToned[b][t];
      if (*letter == 0) letter = kToned[b][t];  // a capital VISCII keeps elsewhere
      word += letter;
      capital = false;
    }
    word += finalC;
    line += word;
    sentenceStart = false;
    ++words;
    if (pick(12) == 0) {
      line += pick(4) == 0 ? "?" : ".";
      sentenceStart = true;
    } else if (pick(15) == 0) {
      line += ",";
    }
    if (line.size() > 70) {
      out += line;
      out += '\n';
      line.clear();
    } else {
      line += ' ';
    }
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
  return 0;
}
