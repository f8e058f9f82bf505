// Text as it arrives today: legacy text carried in UTF-8, UTF-8 encoded twice, Windows-1258 as
// iconv reads and writes it, VIQR round trips, and their detection and repair.
#include "ts/forms.hpp"

#include <gtest/gtest.h>

#include <unistd.h>
#include <cstdio>

#include <fstream>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "test_util.hpp"
#include "ts/converter.hpp"
#include "ts/detect.hpp"
#include "ts/repair.hpp"
#include "ts/stream.hpp"
#include "ts/unicode.hpp"

namespace ts {
namespace {

using test::hex;

const std::string kText =
    "Ngày mai trời sẽ có mưa rào và dông ở nhiều nơi, nhiệt độ giảm mạnh. NGƯỜI DÂN cần theo "
    "dõi thông tin dự báo thời tiết – “Ủy ban” – và chuẩn bị áo ấm khi ra đường.\n"
    "Đỗ Văn Khánh, Lê Thị Hằng: 12 ý kiến?\n";

// The same without the punctuation legacy charsets have no code for.
const std::string kLegacyText =
    "Ngày mai trời sẽ có mưa rào và dông ở nhiều nơi, nhiệt độ giảm mạnh. NGƯỜI DÂN cần theo "
    "dõi thông tin dự báo thời tiết - \"Ủy ban\" - và chuẩn bị áo ấm khi ra đường.\n"
    "Đỗ Văn Khánh, Lê Thị Hằng: 12 ý kiến?\n";

// Bytes read as a code page and saved as UTF-8: Windows-1252 (its undefined bytes as C1
// controls), or Latin-1.
std::string carry(const std::string& bytes, bool latin1 = false) {
  std::string out;
  for (char c : bytes) {
    const auto b = static_cast<std::uint8_t>(c);
    out += test::utf8(latin1 ? b : windows1252CodePoint(b));
  }
  return out;
}

std::string convertForm(CharsetForm from, CharsetForm to, const std::string& text) {
  ConverterState st;
  EXPECT_TRUE(selectForms(st, from, to)) << from << " " << to;
  return convert(st, text);
}

std::string streamForm(CharsetForm from, CharsetForm to, const std::string& text, std::size_t cut) {
  ConverterState st;
  selectForms(st, from, to);
  StreamConverter stream(st);
  ByteBuffer out;
  for (std::size_t at = 0; at < text.size(); at += cut)
    stream.feed(std::string_view(text).substr(at, cut), out);
  stream.finish(out);
  return out.str();
}

TEST(Forms, NamesAndParsing) {
  EXPECT_EQ(charsetFormByName("tcvn3+utf8"), carriedForm(kTcvn3, 1));
  EXPECT_EQ(charsetFormByName("VNI - WIN + UTF-8"), carriedForm(kVniWin, 1));
  EXPECT_EQ(charsetFormByName("utf8+utf8+utf8"), carriedForm(kUtf8, 2));
  EXPECT_EQ(charsetFormByName("15+utf8+utf8+utf8+utf8"), 0u);  // four layers
  EXPECT_EQ(charsetFormByName("tcvn3+latin1"), 0u);
  EXPECT_EQ(charsetFormByName("cp1258"), kWindows1258);
  EXPECT_EQ(charsetFormByName("27"), 27u);
  EXPECT_EQ(charsetFormByName("tcvn3+utf8", 10), 0u);
  EXPECT_EQ(formName(carriedForm(kTcvn3, 1)), "TCVN3 - ABC, carried in UTF-8");
  EXPECT_EQ(formName(carriedForm(27, 1)), "VN Win 95, carried in UTF-8");
  EXPECT_EQ(formName(carriedForm(kUtf8, 1)), "Ucode1 UTF-8, encoded twice");
  EXPECT_EQ(formName(kWindows1258), "Windows-1258");
  for (CharsetForm f : {carriedForm(kTcvn3, 2), carriedForm(3, 1), kWindows1258})
    EXPECT_EQ(charsetFormByName(formShortName(f)), f) << formShortName(f);
  // A plain code selects as it always did; the Windows-1258 flag goes with 27 alone.
  ConverterState st;
  EXPECT_FALSE(selectForms(st, kWindows1258Flag | kTcvn3, kUtf8));
  EXPECT_FALSE(selectForms(st, kTcvn3, carriedForm(kUtf8, 1)));
  EXPECT_FALSE(selectPair(st, carriedForm(kTcvn3, 1), kUtf8));  // selectPair: plain codes only
}

// A legacy text carried in UTF-8 reads as the text itself, for every charset with a letter
// table, through Windows-1252 or Latin-1, once or twice over; whole and in pieces alike.
TEST(Forms, CarriedLegacyTextReadsAsItsText) {
  for (int code = 1; code <= 38; ++code) {
    if (!hasLetterTable(code)) continue;
    const std::string legacy = test::conv(kUtf8, code, kLegacyText);
    const std::string plain = test::conv(code, kUtf8, legacy);
    for (bool latin1 : {false, true}) {
      const std::string once = carry(legacy, latin1);
      EXPECT_EQ(convertForm(carriedForm(code, 1), kUtf8, once), plain) << code;
      EXPECT_EQ(convertForm(carriedForm(code, 2), kUtf8, carry(once, latin1)), plain) << code;
      for (std::size_t cut : {1u, 2u, 7u})
        EXPECT_EQ(streamForm(carriedForm(code, 1), kUtf8, once, cut), plain) << code << " " << cut;
    }
    // To another legacy charset, and to its own bytes.
    EXPECT_EQ(convertForm(carriedForm(code, 1), kTcvn3, carry(legacy)),
              test::conv(code, kTcvn3, legacy))
        << code;
    EXPECT_EQ(convertForm(carriedForm(code, 1), static_cast<CharsetForm>(code), carry(legacy)),
              legacy)
        << code;
  }
}

// Unwrapping one layer, in blocks where it can, equals the rule applied character by
// character: on random mixes of ASCII, U+0080..U+00FF, Windows-1252's characters, characters
// that stand for no byte and bytes that are no UTF-8, whole and cut anywhere.
TEST(Forms, UnwrapEqualsTheCharacterByCharacterRule) {
  const std::vector<std::string> tokens = {"a",
                                           "Z",
                                           " ",
                                           "\n",
                                           "\xC3\xB6",
                                           "\xC2\xB5",
                                           "\xC2\x81",
                                           "\xC3\xBF",
                                           "\xE2\x80\x93",
                                           "\xE2\x82\xAC",
                                           "\xC5\xA0",
                                           "\xE1\xBB\x87",
                                           "\xE4\xB8\xAD",
                                           "\xF0\x9F\x98\x80",
                                           "\xC3",
                                           "\x80",
                                           "\xFF",
                                           "\xC2\xC2\xB5",
                                           "\xE2\x80"};
  // The rule: each well-formed character as the byte it stands for, or kept; other bytes kept.
  auto rule = [](const std::string& t) {
    std::string out;
    const auto* s = reinterpret_cast<const std::uint8_t*>(t.data());
    for (std::size_t i = 0; i < t.size();) {
      std::uint32_t cp = 0;
      const int len = s[i] < 0x80 ? 1 : wellFormedUtf8(s + i, t.size() - i, cp);
      if (s[i] < 0x80) cp = s[i];
      if (len == 0) {
        out += t[i++];
        continue;
      }
      const int b = carriedByte(cp);
      out += b >= 0 ? std::string(1, static_cast<char>(b))
                    : t.substr(i, static_cast<std::size_t>(len));
      i += static_cast<std::size_t>(len);
    }
    return out;
  };
  std::mt19937 rng(7);
  for (int round = 0; round < 3000; ++round) {
    std::string t;
    const int count = static_cast<int>(rng() % 120);
    // A third of the texts hold ASCII and U+0080..U+00FF alone, a third every character that
    // stands for a byte (as UTF-8 encoded twice does): whole blocks of either kind.
    const std::size_t kinds[] = {6, 11, tokens.size()};
    for (int k = 0; k < count; ++k) t += tokens[rng() % kinds[round % 3]];
    ByteBuffer whole;
    ASSERT_EQ(unwrapLayer(reinterpret_cast<const std::uint8_t*>(t.data()), t.size(), true, whole),
              t.size());
    ASSERT_EQ(hex(whole.str()), hex(rule(t))) << hex(t);
    // In pieces, each call leaving a cut sequence for the next.
    ByteBuffer pieces;
    std::string held;
    for (std::size_t at = 0; at < t.size();) {
      const std::size_t step = 1 + rng() % 40;
      held += t.substr(at, step);
      at += step;
      const std::size_t used = unwrapLayer(reinterpret_cast<const std::uint8_t*>(held.data()),
                                           held.size(), at >= t.size(), pieces);
      held.erase(0, used);
    }
    ASSERT_EQ(hex(pieces.str()), hex(rule(t))) << hex(t);
  }
}

TEST(Forms, Utf8EncodedTwiceAndThreeTimes) {
  const std::string twice = carry(kText), thrice = carry(twice);
  EXPECT_EQ(convertForm(carriedForm(kUtf8, 1), kUtf8, twice), kText);
  EXPECT_EQ(convertForm(carriedForm(kUtf8, 2), kUtf8, thrice), kText);
  EXPECT_EQ(convertForm(carriedForm(kUtf8, 1), kTcvn3, twice), test::conv(kUtf8, kTcvn3, kText));
  for (std::size_t cut : {1u, 3u, 5u})
    EXPECT_EQ(streamForm(carriedForm(kUtf8, 2), kUtf8, thrice, cut), kText) << cut;
}

// A character that stands for no byte is read as the character it is; a byte that is no UTF-8
// as itself.
TEST(Forms, CharactersThatStandForNoByte) {
  const std::string legacy = test::conv(kUtf8, kTcvn3, "Việt Nam");
  const std::string text = carry(legacy) + " \xE4\xB8\xAD \xE1\xBB\x87 " + "\xFF";
  const std::string expected = "Việt Nam \xE4\xB8\xAD \xE1\xBB\x87 \xC3\xBF";
  EXPECT_EQ(convertForm(carriedForm(kTcvn3, 1), kUtf8, text), expected);
  for (std::size_t cut : {1u, 2u, 3u})
    EXPECT_EQ(streamForm(carriedForm(kTcvn3, 1), kUtf8, text, cut), expected) << cut;
  // To a legacy destination: the letter ệ has its code; the Chinese character has none.
  EXPECT_EQ(convertForm(carriedForm(kTcvn3, 1), kTcvn3, text),
            legacy + " \xE4\xB8\xAD " + test::conv(kUtf8, kTcvn3, "ệ") + " \xFF");
}

// Runs iconv on `input`; false where it is not there or refuses.
bool iconv(const std::string& from, const std::string& to, const std::string& input,
           std::string& output) {
  char in[] = "/tmp/ts-forms-iconv-XXXXXX";
  const int fd = mkstemp(in);
  if (fd < 0) return false;
  close(fd);
  std::ofstream(in, std::ios::binary) << input;
  const std::string command = "iconv -f " + from + " -t " + to + " " + in + " 2>/dev/null";
  FILE* p = popen(command.c_str(), "r");
  output.clear();
  char buf[4096];
  for (std::size_t n; p != nullptr && (n = fread(buf, 1, sizeof buf, p)) > 0;)
    output.append(buf, n);
  const int status = p != nullptr ? pclose(p) : -1;
  std::remove(in);
  return status == 0;
}

TEST(Forms, Windows1258AsIconvReadsAndWritesIt) {
  std::string out;
  if (!iconv("UTF-8", "CP1258", "a", out)) GTEST_SKIP() << "no iconv with CP1258";
  // Every byte iconv reads, alone and after a vowel.
  for (int b = 0x20; b < 0x100; ++b) {
    const std::string alone(1, static_cast<char>(b));
    std::string afterVowel = "o";
    afterVowel += alone;
    afterVowel += 'x';
    for (const std::string& text : {alone, afterVowel}) {
      if (!iconv("CP1258", "UTF-8", text, out)) continue;  // undefined
      std::string ours = convertForm(kWindows1258, kUtf8, text);
      // iconv composes a base and its mark; the letters are the same.
      EXPECT_EQ(test::conv(kUtf8, kDecimalEsc, ours), test::conv(kUtf8, kDecimalEsc, out))
          << hex(text) << ": " << ours << " / " << out;
    }
  }
  // Writing: every letter, and the code page's symbols.
  std::string letters;
  for (int n = 1; n <= kLetterCount; ++n) letters += test::utf8(letterCodePoint(n)) + " ";
  letters += "– “ ” ‘ ’ € ₫ … † ‰ ™ œ Ÿ ç ñ ß";
  ASSERT_TRUE(iconv("UTF-8", "CP1258", letters, out));
  EXPECT_EQ(hex(convertForm(kUtf8, kWindows1258, letters)), hex(out));
  // 27 itself stays as it was: its letters decomposed, 0xFE read as þ.
  EXPECT_EQ(test::conv(27, kUtf8, "\xFE"), "þ");
  EXPECT_EQ(convertForm(kWindows1258, kUtf8, "\xFE \x80 \x96"), "₫ € –");
}

TEST(Forms, ViqrRoundTrips) {
  const std::string texts[] = {
      "Ba. Đâu? Ơ, ư. Thế à! Anh đi đâu (về)? Hà Nội.",
      "Xem ~ba?q=a.b&x=o^ tại http://vd.vn/a.(b)?c+d và C:\\dir\\x. \\\\",
      "The added cost? Deed, odd, I'd go... e.g. 'quoted' `ticks` ^caret^ +plus+ dd DD Dd",
      "Ủy ban, ĐÀ NẴNG; ỐC? Ư+ Ơ. a\\.b",
  };
  for (const std::string& text : texts) {
    const std::string viqr = test::conv(kUtf8, kViqr, text);
    EXPECT_EQ(test::conv(kViqr, kUtf8, viqr), text) << viqr;
    // From a legacy charset too, and in pieces.
    const std::string vni = test::conv(kUtf8, kVniWin, text);
    EXPECT_EQ(test::conv(kVniWin, kViqr, vni), viqr);
    for (std::size_t cut : {1u, 2u, 3u}) {
      EXPECT_EQ(streamForm(kVniWin, kViqr, vni, cut), viqr) << cut;
      EXPECT_EQ(streamForm(kViqr, kUtf8, viqr, cut), text) << cut;
    }
  }
  EXPECT_EQ(test::conv(kUtf8, kViqr, "Ba. đâu?"), "Ba\\. dda^u\\?");
  // Unescaped VIQR reads as before.
  EXPECT_EQ(test::conv(kViqr, kUtf8, "Vie^.t Nam, dda^u?"), "Việt Nam, đâủ");
}

// Detection names the carried forms; good Unicode is never taken for one.
TEST(Forms, DetectionOfCarriedText) {
  for (int code : {kTcvn3, kVniWin, kViscii, kVpsWin}) {
    const Detection d = detectCharset(carry(test::conv(kUtf8, code, kLegacyText)));
    ASSERT_FALSE(d.guesses.empty());
    EXPECT_EQ(d.guesses.front().codes.front(), static_cast<int>(carriedForm(code, 1))) << code;
    EXPECT_GE(d.guesses.front().confidence, kConfidentGuess) << code;
  }
  Detection d = detectCharset(carry(kText));
  EXPECT_EQ(d.guesses.front().codes.front(), static_cast<int>(carriedForm(kUtf8, 1)));
  d = detectCharset(carry(carry(kText), true));
  EXPECT_EQ(d.guesses.front().codes.front(), static_cast<int>(carriedForm(kUtf8, 2)));
  for (const std::string& good :
       {kText, std::string("Tôi là ai? Có phải là tôi?"), std::string("café “naïve” à la crème")}) {
    d = detectCharset(good);
    ASSERT_FALSE(d.guesses.empty());
    EXPECT_EQ(formLayers(static_cast<CharsetForm>(d.guesses.front().codes.front())), 0) << good;
  }
  // Legacy bytes are no UTF-8: no carried reading is even tried.
  for (const CharsetGuess& g : detectCharset(test::conv(kUtf8, kTcvn3, kLegacyText)).guesses)
    for (int f : g.codes) EXPECT_EQ(formLayers(static_cast<CharsetForm>(f)), 0);
}

TEST(Forms, RepairOfMixedText) {
  const std::string good =
      "Good line: Việt Nam, “quotes”, café, naïve – 中文.\nTôi là ai? Có phải là tôi.\n"
      "Plain English with Café and résumé.\n";
  const std::string tcvn3 = "Ngày mai trời sẽ có mưa rào và dông ở nhiều nơi.";
  const std::string vni = "Các trường học vẫn mở cửa bình thường, nhiệt độ giảm.";
  const std::string text = good + carry(test::conv(kUtf8, kTcvn3, tcvn3)) + "\n" +
                           carry(test::conv(kUtf8, kVniWin, vni)) + "\r\n" + carry(kText) +
                           "Hà Nội: " + carry(test::conv(kUtf8, kTcvn3, tcvn3)) + "\n";
  TextRepairer r;
  std::string out;
  r.repair(text, out);
  EXPECT_EQ(out, good + tcvn3 + "\n" + vni + "\r\n" + kText + "Hà Nội: " + tcvn3 + "\n");
  // Counted by the words repaired: the TCVN3 sentence twice, the VNI one once.
  EXPECT_EQ(r.repaired().at(carriedForm(kTcvn3, 1)), 2u * 11u);
  EXPECT_EQ(r.repaired().at(carriedForm(kVniWin, 1)), 10u);
  // Good text alone passes unchanged, byte for byte.
  TextRepairer clean;
  std::string same;
  clean.repair(good + kText + "\xFF broken \xC3 bytes\n", same);
  EXPECT_EQ(same, good + kText + "\xFF broken \xC3 bytes\n");
  EXPECT_TRUE(clean.repaired().empty());
}

// The judgement of the repair, by what it must catch: good text of any language is never
// changed; each shape of mojibake comes back exactly; what is not sure is left and counted.
TEST(Forms, RepairJudgesEachWord) {
  auto fix = [](const std::string& text, std::span<const int> charsets = {}) {
    TextRepairer r(charsets);
    std::string out;
    r.repair(text, out);
    return out;
  };
  auto twice = [](const std::string& utf8) { return carry(utf8); };
  // Good text, Vietnamese and others, with the signs that legacy charsets use for letters.
  for (const std::string good :
       {"Có phải ý bạn là dùng: -a|-r [x] _y_ \\z @w ~v", "“Tôi là sinh viên” «Lê» cà phê Bá Tùng",
        "Soll das Paket »%s« installiert werden?", "n° de ligne: %d n° de fichier: %d",
        "verrouillé dû aux %u connexions échouées", "os valores são invertidos e são trocadas",
        "Ağcabədi — Москва — 中文", "• không rõ • — %lx", "©", "ánh xạ MÃ SỐ NHÓM",
        "  --to-code=MÃ  bộ ký tự"}) {
    EXPECT_EQ(fix(good + "\n"), good + "\n") << good;
  }
  // UTF-8 encoded twice and three times, with C1 controls, lost no-break spaces and U+FFFD.
  const std::string line = "Người Việt Nam là dùng đường “ngoặc” khởi tạo";
  EXPECT_EQ(fix(twice(line)), line);
  EXPECT_EQ(fix(twice(twice(line))), line);
  EXPECT_EQ(fix("l\xC3\x83  d\xC3\x83\xC2\xB9ng"), "là dùng");           // lÃ  dÃ¹ng
  EXPECT_EQ(fix("t\xC3\x83 n"), "tàn");                                      // tÃ n
  // The syllable that goes on is the one after the last capital, up to the next capital.
  for (const std::string camel : {"BàiKế", "GiảmSángBànPhím"}) {
    std::string broken = twice(camel);
    broken.replace(broken.find("\xC3\x83\xC2\xA0"), 4, "\xC3\x83 ");  // Ã and a lost no-break space
    EXPECT_EQ(fix(broken), camel);
  }
  // A word whose bytes make nothing at a line's end, and then before a blank: there its
  // no-break space was lost.
  const std::string after = fix("l\xC3\x83\nl\xC3\x83  d\xC3\x83\xC2\xB9ng");
  EXPECT_EQ(after.substr(after.find('\n') + 1), "là dùng");
  EXPECT_EQ(fix("M\xC3\x83 u"), "Màu");  // MÃ u: a syllable as it stood (MÃ), whose letters go on
  EXPECT_EQ(fix("C\xC3\xA1\xC2\xBA NH B\xC3\x83\xC5\xA0N"), "CẠNH BÊN");  // Cáº NH: Ạ's last byte
  EXPECT_EQ(fix("c\xC3\x83\xC2\xA2y-l\xC3\x83 m-vi\xC3\xA1\xC2\xBB\xE2\x80\xA1" "c"),
            "cây-làm-việc");  // the syllable that goes on is the joined word's last
  EXPECT_EQ(fix("ng\xC3\x86\xC2\xB0\xC3\xA1\xC2\xBB\xEF\xBF\xBDi"), "người");  // ngÆ°á»�i
  EXPECT_EQ(fix("\xC3\x84\xEF\xBF\xBD\xC3\x86\xC2\xB0\xC3\xA1\xC2\xBB\xEF\xBF\xBDng"),
            "Đường");                                                              // Ä�Æ°á»�ng
  // A name that becomes no syllable whichever byte was lost (č? Đ? ā?) is left.
  EXPECT_EQ(fix("Peh\xC3\x84\xEF\xBF\xBD" "evo"), "Peh\xC3\x84\xEF\xBF\xBD" "evo");
  EXPECT_EQ(fix("H\xC3\x84\xEF\xBF\xBDH"), "HĐH");                   // HÄ�H: the capital
  // The syllable alone would say bỏ (far commoner); beside rộng it is bề.
  EXPECT_EQ(fix("b\xC3\xA1\xC2\xBA\xC2\xB1ng b\xC3\xA1\xC2\xBB\xEF\xBF\xBD r\xC3\xA1\xC2\xBB\xE2\x84\xA2ng"),
            "bằng bề rộng");
  EXPECT_EQ(fix("x \xC3\xA2\xE2\x82\xAC\xC5\x93" "A\xC3\xA2\xE2\x82\xAC\xEF\xBF\xBD y"),
            "x “A” y");  // â€œAâ€�: the closing quote, around a word that is a syllable
  // The closing quote after an opening one in the same word, where the syllable is the same
  // whichever byte was lost; else a hyphen after letters at the line's end, as groff breaks
  // words (even after a quote closed before it); an open quote at a line's end says neither.
  auto replaced = [&](const std::string& l) {
    std::string b = twice(l);
    for (const std::string lost : {"\xC2\x90", "\xC2\x9D"})  // C1 controls a decoder replaced
      for (std::size_t at; (at = b.find(lost)) != std::string::npos;) b.replace(at, 2, "\uFFFD");
    return b;
  };
  for (const std::string l : {"Lệnh biên dịch “%s” bị lỗi.", "thành “được cài đặt”.",
                              "GNU coreutils: <https://www.gnu.org/software/core‐",
                              "Hậu tố là “~”, trừ khi đặt SIMPLE_BACKUP_SUF‐"})
    EXPECT_EQ(fix(replaced(l) + "\n"), l + "\n") << l;
  // A no-break space lost before a slash and letters, or at a line's end, was the word's own.
  EXPECT_EQ(fix("v\xC3\x83 /ho\xC3\xA1\xC2\xBA\xC2\xB7"
                "c\nph\xC3\xA1\xC2\xBA\xC2\xA3i l\xC3\x83 \n"),
            "và/hoặc\nphải là\n");
  EXPECT_EQ(fix(twice("xem ⟨https://www.gnu.org/licenses/gpl-3.0.html⟩")),
            "xem ⟨https://www.gnu.org/licenses/gpl-3.0.html⟩");  // groff's angle brackets
  EXPECT_EQ(fix(twice("Việt")), "Việt");  // a single word
  EXPECT_EQ(fix(twice("Phong bì 8×10, A4×5")), "Phong bì 8×10, A4×5");  // Ã— between digits
  // Never invalid UTF-8: a sequence that cannot be completed stays as its characters were.
  for (const std::string broken : {"l\xC3\x83 ", "\xC3\x84\xEF\xBF\xBD", "x \xC3\x83\xC3\x82"}) {
    const std::string out = fix(broken);
    bool valid = true;
    walkUtf8(reinterpret_cast<const std::uint8_t*>(out.data()), out.size(), true,
             [](std::uint32_t) { return true; }, [&] { return valid = false; });
    EXPECT_TRUE(valid) << out;
  }
  // U+FFFD where two syllables could stand: left, and counted.
  TextRepairer r;
  std::string out;
  r.repair("s\xC3\xA1\xC2\xBB\xEF\xBF\xBDnh\n", out);  // sá»�nh: sềnh, sọnh, sỏnh...
  EXPECT_EQ(out, "s\xC3\xA1\xC2\xBB\xEF\xBF\xBDnh\n");
  // Legacy text carried: a line of it, and a good line beside it untouched; the forms tried
  // can be limited.
  const std::string tcvn3 = "Đã hết số lần thử lại tối đa cho dịch vụ";
  const std::string carried = carry(test::conv(kUtf8, kTcvn3, tcvn3));
  EXPECT_EQ(fix(carried + "\nlà dùng\n"), tcvn3 + "\nlà dùng\n");
  const int onlyUtf8[] = {kUtf8};
  EXPECT_EQ(fix(carried, onlyUtf8), carried);
  EXPECT_EQ(fix(twice(line), onlyUtf8), line);
  // Carried twice: the second layer read as UTF-8 would leave TCVN3 carried once; the line
  // is read as TCVN3 carried twice instead.  UTF-8 encoded twice whose letters are all of
  // Latin-1 keeps its UTF-8 reading (trên, not trờn).
  EXPECT_EQ(fix(carry(carried)), tcvn3);
  EXPECT_EQ(fix(twice(" trên %.*s") + "\n" + twice("Vai trò:")), " trên %.*s\nVai trò:");
  // A lone word that could be another language's is left.
  EXPECT_EQ(fix(carry(test::conv(kUtf8, kVniWin, "Tên"))), carry(test::conv(kUtf8, kVniWin, "Tên")));
  // Syllables joined by signs (mô-đun, tiền_tố, đường/dẫn) are read syllable by syllable,
  // carried or good; good compounds of loanwords and other languages stay.
  for (const std::string joined : {"Lỗi trong mô-đun dịch vụ", "git write-tree [--prefix=<tiền-tố>/] <đường/dẫn>",
                                   "[bộ nhớ=chế độ khối]"}) {
    EXPECT_EQ(fix(carry(test::conv(kUtf8, kTcvn3, joined))), joined);
    EXPECT_EQ(fix(carry(test::conv(kUtf8, kVniWin, joined))), joined);
  }
  for (const std::string good : {"phép lô-gíc exclusive or", "Tiếng Xôa-thi", "Thaï-Lao taï-le",
                                 "sí|si", "lepcza (Róng-Ríng)", "Tên_thành_viên đường/dẫn"})
    EXPECT_EQ(fix(good), good);
  // A file is one text: after lines that read clearly as VNI carried, a short line reads as
  // it too; good lines of other languages between them stay, and a repairer judging values
  // alone leaves the short line.
  std::string vniFile, expected;
  for (const std::string line : {"Đã hết số lần thử lại tối đa cho dịch vụ", "Không thể mở tập tin cấu hình",
                                 "Uma chave só pode ser usada uma vez.", "Lỗi khi đọc dữ liệu từ máy chủ",
                                 "Đang tải về các gói cần thiết", "»Zone %s«-Zeile", "từ %.*s",
                                 "Thành phố Hồ Chí Minh", "ngôn ngữ"}) {
    const bool vietnamese = line.find("Zone") == std::string::npos && line.find("Uma") == std::string::npos;
    vniFile += (vietnamese ? carry(test::conv(kUtf8, kVniWin, line)) : line) + "\n";
    expected += line + "\n";
  }
  EXPECT_EQ(fix(vniFile), expected);
  TextRepairer alone;
  alone.oneText(false);
  std::string each;
  alone.repair(vniFile, each);
  EXPECT_NE(each.find(carry(test::conv(kUtf8, kVniWin, "từ %.*s"))), std::string::npos) << each;
  // In a TCVN3 file, words that are rare syllables as they stand and far commoner ones in the
  // file's form read as that (Giê th× sao: Giờ thì sao), and a word beside capitals of no
  // language (ABI) as well; so do names of other languages that could be no words as they
  // stand (Hu¸nuco, Cear¸), words whose signs become letters (§«ng), capitals of letters
  // without a tone beside small toned ones (TCVN3 has no capital Ộ: XUNG ĐộT, MÉu), a single
  // syllable among other words that could be none as it stands (¢m, §«ng Lothian),
  // syllables a menu's mnemonic cuts (Kh«_ng), and a word of signs and letters beyond ASCII
  // alone (§é cao), signs alone (®· xoay: đã xoay), ï after a consonant (Vïng clip), and a
  // lone syllable that is very rare as it stands and a common one in the form (Thu nhá: Thu
  // nhỏ), syllables that make a common pair in the form and none as they stand (Bé nhí, Diff
  // néi dung: Bộ nhớ, Diff nội dung), syllables written together from capitals (Gi¶m¢mL­îng:
  // GiảmÂmLượng), a name whose last letter is a sign against letters (Mant¬: Mantơ), a
  // syllable as it stands that makes a common pair with the word beside (Dù ¸n: Dự án), a
  // name the form leaves as it is beside a word that could be no word (MiÒn Banskobystrický),
  // a name with an eth first (Ðquateur: équateur), names whose signs become letters, in a
  // clear run too (§¾k, TiÕng §oc-ric: Đắk, Tiếng Đoc-ric), a syllable beside capitalised
  // names after a line read as TCVN3 (Ireland Míi: Ireland Mới), a c cedilla after
  // consonants alone (Lçi do GnuTLS: Lỗi; not Turkish GÇ, I/O), common syllables written
  // together in small letters (kiÓucon: kiểucon), ã before a (xãa: xóa), a syllable beside
  // capitals joined by underscores (OPR_ADD), syllables as they stand that make a common pair
  // in the form (Gì _Bá: Gỡ _Bỏ), a sharp s after a consonant (Lßria: Lòria), a program's
  // option's value beside its short form (-o, --output=TËP_TIN; not MB=1000×1000).
  // Good
  // lines of other languages between them stay, signs
  // against letters and guillemets as they are.
  std::string tcvnFile, tcvnExpected;
  for (const std::string line : {"Không thể mở tập tin cấu hình",
                                 "Lỗi khi đọc dữ liệu từ máy chủ",
                                 "Đang tải về các gói cần thiết",
                                 "Đã hết số lần thử lại tối đa",
                                 "Giờ thì sao",
                                 " [ABI mới]",
                                 "Huánuco",
                                 "Đông",
                                 "Ceará",
                                 "XUNG ĐỘT (%s/xóa)",
                                 "Âm thanh Windows Media",
                                 "Ta-tă",
                                 "Đông Lothian",
                                 "Mẫu Word",
                                 "Khô_ng",
                                 "Th_uộc tính",
                                 "OPR_NEG (âm)",
                                 "ảnh thô Sony SRF",
                                 "Ciego de ávila",
                                 "Độ cao",
                                 "Thu nhỏ",
                                 "Số trang",
                                 "Vùng clip",
                                 "đã xoay",
                                 "Bộ nhớ",
                                 "Diff nội dung",
                                 "GiảmÂmLượng",
                                 "TăngSángMànHình",
                                 "Tiếng Mantơ",
                                 "Dự án",
                                 "Miền Banskobystrický",
                                 "équateur",
                                 "Đắk Nông",
                                 "Tiếng Đoc-ric",
                                 "Ireland Mới",
                                 "Lỗi do GnuTLS.",
                                 ", kiểucon: %u (%s)",
                                 " --delete    xóa",
                                 "OPR_ADD (cộng)",
                                 "Gỡ _Bỏ",
                                 "Sant Julià de Lòria",
                                 "-o, --output=TậP_TIN"}) {
    const std::string legacy = test::conv(kUtf8, kTcvn3, line);
    tcvnFile += carry(legacy) + "\n";
    tcvnExpected += test::conv(kTcvn3, kUtf8, legacy) + "\n";
  }
  for (const std::string good :
       {"signÉcriture, signWriting", "ÄnderungsAnsicht", "o arquivo não tem sí\u00ADmbolos",
        "v« или «zve64x»", "указать «-o файл»", "5 µm, Cear\u00B8"}) {
    tcvnFile += good + "\n";
    tcvnExpected += good + "\n";
  }
  EXPECT_EQ(fix(tcvnFile), tcvnExpected);
  // A line of another form in it reads as that form all the same.
  const std::string vniLine = "Không thể mở tập tin cấu hình của máy chủ\n";
  EXPECT_EQ(fix(tcvnFile + carry(test::conv(kUtf8, kVniWin, vniLine))), tcvnExpected + vniLine);
  // Good lines of other languages in such a file stay even where one word reads as a common
  // syllable in its form: Catalan, Galician, Hungarian words beside a few ASCII words that are
  // syllables too (no, se, non, nem), a CamelCase name before quotes, Catalan's middle dot,
  // a middle dot for a visible space, words in guillemets, a quote that lacks its space.
  std::string others;
  for (const std::string good :
       {"<no sím>",
        "Só crear se non existe",
        "A gép nem működik",
        "StartServiceByName(„%s“)",
        "S'ha cancel·lat el canvi",
        "%s,·%s,·i d'altres.",
        "%s,·and·%s.",
        "«funció», «ordre interna», «fitxer», o bé «», depenent de si",
        "Hvis «in ORD …;» er angitt, brukes«in \"$@\"».",
        "0    si tot va bé.",
        "Sóc Trăng",
        "Lén:",
        "Pakketten herïnstalleren toestaan",
        "Haïti, naïve",
        "Það er með",
        "Installera inte dessa paket såvida inte du vet att det är säkert att göra så.",
        "Acil GÇ koşulu",
        "Die Straße ist weiß und groß.",
        "mostra el número de lí\u00ADnia",
        "LÖytyi ainakin yksi kelvoton allekirjoitus.",
        "kB=1000, MB=1000×1000, M=1024×1024"})
    others += good + "\n";
  EXPECT_EQ(fix(tcvnFile + others), tcvnExpected + others);
  EXPECT_EQ(fix(others), others);
  // In a VNI file: a word whose letters follow each other as VNI writes marks (caàn, xoùa,
  // Tieáng, ruxôï) reads as VNI among words of other languages, a rare syllable the form makes a
  // common one beside one it leaves (Vò trí: Vị trí); names of other languages that VNI
  // writes so read as names (Amapaù: Amapá), and so do names spelt in Vietnamese letters beside
  // such a word, though they could be Latin-1 words as they stand (Tieáng Baxcô), and names
  // whose letters Nordic languages or French write too but other Latin languages write far
  // likelier as VNI reads them (Ardeøche: Ardèche; Tacuaremboù: Tacuarembó), after a line
  // read as VNI; not after a line of Danish (Essequiboøerne).  Names that have
  // such letters of their own stay (Laâyoune, Jomfruøer).
  std::string vni, vniExpected;
  for (const std::string line : {"Không thể mở tập tin cấu hình",
                                 "Lỗi khi đọc dữ liệu từ máy chủ",
                                 "Đang tải về các gói cần thiết",
                                 "Đã hết số lần thử lại tối đa",
                                 "xóa URLs",
                                 "Tiếng Bantu (Tanzania)",
                                 "Amapá",
                                 "Hajdú-Bihar",
                                 "Tiếng Et-tô-ni-a (Dvorak)",
                                 "Perth và Kinross",
                                 "Bắc Abaco",
                                 "Drôme",
                                 "Chương trình JavaScript",
                                 "Vị trí X",
                                 "Vịnh Milne",
                                 "Tiếng Be-la-ruxợ",
                                 "Tiếng Baxcơ",
                                 "Tiếng Gil-bơt",
                                 "Ardèche",
                                 "Sant Julià de Lòria",
                                 "Tacuarembó"}) {
    vni += carry(test::conv(kUtf8, kVniWin, line)) + "\n";
    vniExpected += line + "\n";
  }
  // (Syllables as they stand beside good Unicode syllables are good text: siêu bò, not bị.)
  const std::string names =
      "D'où vient-il ?\nLaâyoune (EH)\nBritiske Jomfruøer, De\nJuleøen\nFærøerne og Grønland\n"
      "Essequiboøerne-Vestdemerara\n¡Tamaño de .bss %d < 0!\nGaélico "
      "escocés\nTrình APT này có năng lực của siêu bò.\n";
  EXPECT_EQ(fix(vni + names), vniExpected + names);
}

// A text of more words than the repairer keeps readings of (8192), 9,000 in one line (all
// kept while it is read), and the same text again after (read over the old ones): each word as
// in a short text.
TEST(Forms, RepairOfManyWords) {
  std::string text;
  for (int i = 0; i < 12000; ++i)
    text += "tiếng" + std::to_string(i) + (i == 8999 || i == 11999 ? "\n" : " Việt ");
  text += text;
  const std::string carried = carry(test::conv(kUtf8, kTcvn3, text));
  TextRepairer r;
  std::string out;
  r.repair(carried, out);
  EXPECT_EQ(out, text);
}

// The guards judge each value alone (a database column's, an extension's argument): good
// values of other languages are no carried form and the repair leaves them, whatever their
// letters; those with letters no legacy text carried holds are converted already.
TEST(Forms, TheGuardsLeaveGoodValuesOfOtherLanguages) {
  for (const std::string good :
       {"Neočekávaná odpověď %d od metody StartServiceByName(„%s“)", "A gép nem működik",
        "S'ha cancel·lat el canvi", "düşündünüz mü?", "Sóc Trăng"}) {
    EXPECT_EQ(readsAsGoodUnicode(good), good.find("cancel") == std::string::npos) << good;
    for (const int source : {0, int{kTcvn3}, int{kVniWin}})
      EXPECT_TRUE(repairLeaves(good, source)) << good;
    EXPECT_FALSE(readsAsCarried(good, kTcvn3)) << good;
  }
  const std::string carried = carry(test::conv(kUtf8, kVniWin, "Tiếng Việt có dấu"));
  EXPECT_TRUE(readsAsCarried(carried, kVniWin));
  EXPECT_FALSE(repairLeaves(carried, kVniWin));
}

// Decomposed letters (NFD) are composed before they are written in a legacy charset.
TEST(Forms, DecomposedLettersComposed) {
  const std::string nfd = "Tie\xCC\x82\xCC\x81ng Vie\xCC\xA3\xCC\x82t \xC4\x90U\xCC\x9BO\xCC\x9B\xCC\x80NG a\xCC\x86\xCC\x89";
  const std::string nfc = "Tiếng Việt ĐƯỜNG ẳ";
  for (int code : {kTcvn3, kVniWin, kViscii, kViqr, kHtmlRefs})
    EXPECT_EQ(convertForm(code, kUtf8, convertForm(kUtf8, code, nfd)),
              convertForm(code, kUtf8, convertForm(kUtf8, code, nfc)))
        << code;
  // The same through a stream cut anywhere after its first mark (from there a piece's last
  // letter waits for the marks of the next), marks in the next piece included.
  ConverterState st;
  selectPair(st, kUtf8, kVniWin);
  const std::string whole = convert(st, nfd);
  for (std::size_t cut = nfd.find('\xCC') + 2; cut < nfd.size(); ++cut) {
    StreamConverter sc(st);
    ByteBuffer out;
    sc.feed(std::string_view(nfd).substr(0, cut), out);
    sc.feed(std::string_view(nfd).substr(cut), out);
    sc.finish(out);
    EXPECT_EQ(out.str(), whole) << cut;
  }
  // A mark on no Vietnamese letter stays as it is; UTF-8 to UTF-8 copies.
  EXPECT_EQ(convertForm(kUtf8, kUtf8, nfd), nfd);
  std::string composed;
  EXPECT_TRUE(composeVietnamese("q\xCC\x81 e\xCC\x81", composed));
  EXPECT_EQ(composed, "q\xCC\x81 é");
}

}  // namespace
}  // namespace ts
