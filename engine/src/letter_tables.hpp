// Letter tables of the byte charsets, as constant data.
//
// Each table lists the codes of letters 1..80 (80-letter kinds 1, 2, 4) or 1..152 (kinds 3, 5)
// as hexadecimal bytes, a multi-byte code with its bytes run together, "-" where the charset
// has no code.  Groups of six follow the letter order: a ă o e â ô ơ ư u i y ê, each with no
// tone, grave, acute, hook above, tilde, dot below; then Ă Â Ê Ô Ơ Ư đ Đ; then the capitals.
#pragma once

#include "ts/catalogue.hpp"

namespace ts::tables {

consteval int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  throw "bad hexadecimal digit in a letter table";
}

consteval LetterTable makeTable(int kind, const char* text) {
  LetterTable t{};
  t.kind = static_cast<std::uint8_t>(kind);
  t.count = (kind == 3 || kind == 5) ? 152 : 80;
  int n = 0;
  const char* p = text;
  for (;;) {
    while (*p == ' ') ++p;
    if (*p == 0) break;
    if (++n > t.count) throw "too many entries in a letter table";
    LetterCode& c = t.code[n];
    if (*p == '-') {
      ++p;
    } else {
      while (*p != ' ' && *p != 0) {
        if (p[1] == 0 || p[1] == ' ') throw "odd number of digits in a letter table";
        if (c.len == kMaxCodeLength) throw "letter code too long";
        c.bytes[c.len++] = static_cast<std::uint8_t>(hexDigit(p[0]) * 16 + hexDigit(p[1]));
        p += 2;
      }
    }
  }
  if (n != t.count) throw "wrong number of entries in a letter table";
  return t;
}

// clang-format off
// 3C 2.5 (1): kind 2, 80 letters
inline constexpr LetterTable k3C_2_5 = makeTable(2,
    "61 61E0 61E3 61E1 61E2 61E4 "  // a
    "F0 F0F8 F0FB F0F9 F0FA F0E4 "  // ă
    "6F 6FE0 6FE3 6FE1 6FE2 6FE4 "  // o
    "65 65E0 65E3 65E1 65E2 65E4 "  // e
    "F1 F1F8 F1FB F1F9 F1FA F1E4 "  // â
    "F3 F3F8 F3FB F3F9 F3FA F3E4 "  // ô
    "F4 F4E0 F4E3 F4E1 F4E2 F4E4 "  // ơ
    "F5 F5E0 F5E3 F5E1 F5E2 F5E4 "  // ư
    "75 75E0 75E3 75E1 75E2 75E4 "  // u
    "69 69F8 69FB 69F9 69FA 69FC "  // i
    "79 79E0 79E3 79E1 79E2 79E4 "  // y
    "EA EAF8 EAFB EAF9 EAFA EAE4 "  // ê
    "D0 D1 CA D3 D4 D5 F6 D6");  // Ă Â Ê Ô Ơ Ư đ Đ

// 3C 3.0 (2): kind 1, 80 letters
inline constexpr LetterTable k3C_3_0 = makeTable(1,
    "61 A1 A4 A2 A3 A5 "  // a
    "AF B1 BA B2 B3 BB "  // ă
    "6F D8 DC DA DB DF "  // o
    "65 C6 C9 C7 C8 CA "  // e
    "BF C0 C3 C1 C2 C4 "  // â
    "E0 E1 E4 E2 E3 E5 "  // ô
    "E6 E7 EA E8 E9 EB "  // ơ
    "F2 F3 F6 F4 F5 F8 "  // ư
    "75 EC EF ED EE F1 "  // u
    "69 D2 D5 D3 D4 D6 "  // i
    "79 F9 FC FA FB FF "  // y
    "CB CC CF CD CE D1 "  // ê
    "83 86 CB 8B 9A 9B C5 8A");  // Ă Â Ê Ô Ơ Ư đ Đ

// AcadWin (3): kind 3, 152 letters.  Ứ is A0, between Ừ A1 and the other Ư capitals; the
// blank (20) is no letter.
inline constexpr LetterTable kAcadWin = makeTable(3,
    "61 E3 E2 E4 E5 E6 "  // a
    "3F A6 A5 A7 A8 A9 "  // ă
    "6F F2 F1 F3 F4 F5 "  // o
    "65 E8 E7 E9 EA EB "  // e
    "27 88 87 89 8A 8B "  // â
    "2F 92 91 93 94 95 "  // ô
    "40 AB AA AC AD AE "  // ơ
    "5B B0 AF B1 B2 B3 "  // ư
    "75 F7 F6 F8 F9 FA "  // u
    "69 ED EC EE EF F0 "  // i
    "79 FC FB FD FE FF "  // y
    "2A 8D 8C 8E 8F 90 "  // ê
    "3B 21 23 24 3C 3E 5C 5D "  // Ă Â Ê Ô Ơ Ư đ Đ
    "41 B5 B4 B6 B7 B8 "  // A
    "3B 97 96 98 99 9A "  // Ă
    "4F D4 D3 D5 D6 D7 "  // O
    "45 C6 C5 CA CC CE "  // E
    "21 5F 5E 60 7B 7C "  // Â
    "24 83 82 84 85 86 "  // Ô
    "3C 9C 9B 9D 9E 9F "  // Ơ
    "3E A1 A0 A2 A3 A4 "  // Ư
    "55 D9 D8 DA DB DC "  // U
    "49 BA B9 BC BD BE "  // I
    "59 DE DD DF E0 E1 "  // Y
    "23 7E 7D 7F 80 81");  // Ê

// B.K HCM 1 (4): kind 3, 152 letters
inline constexpr LetterTable kB_K_HCM_1 = makeTable(3,
    "61 BF BE C0 C1 C2 "  // a
    "D7 D9 D8 DA DB DC "  // ă
    "6F CE CD CF D0 D1 "  // o
    "65 C4 C3 C5 C6 C7 "  // e
    "DD DF DE E0 E1 E2 "  // â
    "E9 EB EA EC ED EE "  // ô
    "EF F1 F0 F2 F3 F4 "  // ơ
    "F5 F7 F6 F8 F9 FA "  // ư
    "75 D3 D2 D4 D5 D6 "  // u
    "69 C9 C8 CA CB CC "  // i
    "79 FC FB FD FE FF "  // y
    "E3 E5 E4 E6 E7 E8 "  // ê
    "99 9F A5 AB B1 B7 BD 7D "  // Ă Â Ê Ô Ơ Ư đ Đ
    "41 81 80 82 83 84 "  // A
    "99 9B 9A 9C 9D 9E "  // Ă
    "4F 90 8F 91 92 93 "  // O
    "45 86 85 87 88 89 "  // E
    "9F A1 7E A2 A3 A4 "  // Â
    "AB AD AC AE AF B0 "  // Ô
    "B1 B3 B2 B4 B5 B6 "  // Ơ
    "B7 B9 B8 BA BB BC "  // Ư
    "55 95 94 96 97 98 "  // U
    "49 8B 8A 8C 8D 8E "  // I
    "59 5E 7B 60 7C - "  // Y
    "A5 A7 A6 A8 A9 AA");  // Ê

// B.K HCM 2 (5): kind 2, 80 letters
inline constexpr LetterTable kB_K_HCM_2 = makeTable(2,
    "61 61E2 61E1 61E3 61E4 61E5 "  // a
    "F9 F9E7 F9E6 F9E8 F9E9 F9E5 "  // ă
    "6F 6FE2 6FE1 6FE3 6FE4 6FE5 "  // o
    "65 65E2 65E1 65E3 65E4 65E5 "  // e
    "EA EAEC EAEB EAED EAEE EAE5 "  // â
    "F6 F6EC F6EB F6ED F6EE F6E5 "  // ô
    "FA FAE2 FAE1 FAE3 FAE4 FAE5 "  // ơ
    "FB FBE2 FBE1 FBE3 FBE4 FBE5 "  // ư
    "75 75E2 75E1 75E3 75E4 75E5 "  // u
    "69 F2 F1 F3 F4 F5 "  // i
    "79 79E2 79E1 79E3 79E4 79E5 "  // y
    "EF EFEC EFEB EFED EFEE EFE5 "  // ê
    "D9 CA CF D6 DA DB E0 C0");  // Ă Â Ê Ô Ơ Ư đ Đ

// DAISY (8): kind 3, 152 letters
inline constexpr LetterTable kDAISY = makeTable(3,
    "61 A1 9F A8 AC AD "  // a
    "AF B1 B0 B2 B3 B4 "  // ă
    "6F DD DC DE DF E0 "  // o
    "65 BF BE C0 C1 C2 "  // e
    "B5 BC B6 B8 B9 BA "  // â
    "E1 E3 E2 E4 E5 E6 "  // ô
    "E7 E9 E8 EA EB EC "  // ơ
    "F5 F7 F6 F8 F9 FA "  // ư
    "75 EF EE F0 F1 F2 "  // u
    "69 D6 CF D7 D8 D9 "  // i
    "79 FC FB FD FE FF "  // y
    "C5 CB C6 CC CD CE "  // ê
    "83 84 89 91 95 9B BD 87 "  // Ă Â Ê Ô Ơ Ư đ Đ
    "41 88 86 82 AC AD "  // A
    "83 B1 B0 B2 B3 B4 "  // Ă
    "4F DD 8C DE DF E0 "  // O
    "45 BF DA C0 C1 C2 "  // E
    "84 8A 85 B8 B9 BA "  // Â
    "91 E3 E2 E4 E5 E6 "  // Ô
    "95 E9 E8 96 EB EC "  // Ơ
    "9B F7 9C CA F9 FA "  // Ư
    "55 98 97 99 F1 9A "  // U
    "49 D6 CF D7 D8 D9 "  // I
    "59 FC F3 F4 FE FF "  // Y
    "89 CB DB CC CD CE");  // Ê

// FreeCode (9): kind 3, 152 letters
inline constexpr LetterTable kFreeCode = makeTable(3,
    "61 B8 BC B9 BA BD "  // a
    "BE BF C2 C0 C1 C3 "  // ă
    "6F DC E0 DD DF E1 "  // o
    "65 CB CE CC CD CF "  // e
    "C4 C5 C8 C6 C7 C9 "  // â
    "E2 E3 E6 E4 E5 E7 "  // ô
    "E8 E9 EC EA EB ED "  // ơ
    "F3 F4 F8 F5 F6 F9 "  // ư
    "75 EE F1 EF F0 F2 "  // u
    "69 D6 DA D8 D9 DB "  // i
    "79 FA FD FB FC FF "  // y
    "D0 D1 D4 D2 D3 D5 "  // ê
    "88 89 B3 9A A2 B2 CA A3 "  // Ă Â Ê Ô Ơ Ư đ Đ
    "41 82 84 83 BA BD "  // A
    "88 BF C2 C0 C1 C3 "  // Ă
    "4F DC 98 DD DF E1 "  // O
    "45 CB CE CC CD CF "  // E
    "89 8A 8C 9C C7 C9 "  // Â
    "9A E3 A1 9F E5 E7 "  // Ô
    "A2 E9 EC A5 EB ED "  // Ơ
    "B2 F4 B4 F5 F6 F9 "  // Ư
    "55 A8 AF AA F0 F2 "  // U
    "49 D6 DA D8 D9 DB "  // I
    "59 FA B5 FB FC FF "  // Y
    "B3 D1 D4 D2 D3 D5");  // Ê

// IBM 01129 (10), VN Win 95 (27): kind 5, 152 letters
inline constexpr LetterTable kIBM_01129 = makeTable(5,
    "61 61CC 61EC 61D2 61DE 61F2 "  // a
    "E3 E3CC E3EC E3D2 E3DE E3F2 "  // ă
    "6F 6FCC 6FEC 6FD2 6FDE 6FF2 "  // o
    "65 65CC 65EC 65D2 65DE 65F2 "  // e
    "E2 E2CC E2EC E2D2 E2DE E2F2 "  // â
    "F4 F4CC F4EC F4D2 F4DE F4F2 "  // ô
    "F5 F5CC F5EC F5D2 F5DE F5F2 "  // ơ
    "FD FDCC FDEC FDD2 FDDE FDF2 "  // ư
    "75 75CC 75EC 75D2 75DE 75F2 "  // u
    "69 69CC 69EC 69D2 69DE 69F2 "  // i
    "79 79CC 79EC 79D2 79DE 79F2 "  // y
    "EA EACC EAEC EAD2 EADE EAF2 "  // ê
    "C3 C2 CA D4 D5 DD F0 D0 "  // Ă Â Ê Ô Ơ Ư đ Đ
    "41 41CC 41EC 41D2 41DE 41F2 "  // A
    "C3 C3CC C3EC C3D2 C3DE C3F2 "  // Ă
    "4F 4FCC 4FEC 4FD2 4FDE 4FF2 "  // O
    "45 45CC 45EC 45D2 45DE 45F2 "  // E
    "C2 C2CC C2EC C2D2 C2DE C2F2 "  // Â
    "D4 D4CC D4EC D4D2 D4DE D4F2 "  // Ô
    "D5 D5CC D5EC D5D2 D5DE D5F2 "  // Ơ
    "DD DDCC DDEC DDD2 DDDE DDF2 "  // Ư
    "55 55CC 55EC 55D2 55DE 55F2 "  // U
    "49 49CC 49EC 49D2 49DE 49F2 "  // I
    "59 59CC 59EC 59D2 59DE 59F2 "  // Y
    "CA CACC CAEC CAD2 CADE CAF2");  // Ê

// Son Telex (11): kind 1, 80 letters
inline constexpr LetterTable kSon_Telex = makeTable(1,
    "61 A1 9F A8 AC AD "  // a
    "AF B1 B0 B2 B3 B4 "  // ă
    "6F DD DC DE DF E0 "  // o
    "65 BF BE C0 C1 C2 "  // e
    "B5 B7 B6 B8 B9 BA "  // â
    "E1 E3 E2 E4 E5 E6 "  // ô
    "E7 E9 E8 EA EB EC "  // ơ
    "F5 F7 F6 F8 F9 FA "  // ư
    "75 EF EE F0 F1 F2 "  // u
    "69 D6 CF D7 D8 D9 "  // i
    "79 FC FB FD FE FF "  // y
    "C5 CB C6 CC CD CE "  // ê
    "83 84 89 8D 8E 9C BD 87");  // Ă Â Ê Ô Ơ Ư đ Đ

// TCVN1 (13): kind 3, 152 letters.  Đ is A7 and the capital half starts with A = 41; the
// capital codes are those of VS1, which gives entry 87 = entry 73 as in every 152-letter table.
inline constexpr LetterTable kTCVN1 = makeTable(3,
    "61 B5 B8 B6 B7 B9 "  // a
    "A8 BB BE BC BD C6 "  // ă
    "6F DF E3 E1 E2 E4 "  // o
    "65 CC D0 CE CF D1 "  // e
    "A9 C7 CA C8 C9 CB "  // â
    "AB E5 E8 E6 E7 E9 "  // ô
    "AC EA ED EB EC EE "  // ơ
    "AD F5 F8 F6 F7 F9 "  // ư
    "75 EF F3 F1 F2 F4 "  // u
    "69 D7 DD D8 DC DE "  // i
    "79 FA FD FB FC FE "  // y
    "AA D2 D5 D3 D4 D6 "  // ê
    "A1 A2 A3 A4 A5 A6 AE A7 "  // Ă Â Ê Ô Ơ Ư đ Đ
    "41 80 83 81 82 84 "  // A
    "A1 AF C0 BA BF 85 "  // Ă
    "4F 92 95 93 94 96 "  // O
    "45 87 8A 88 89 8B "  // E
    "A2 C1 C4 C2 C3 86 "  // Â
    "A4 DB FF E0 F0 97 "  // Ô
    "A5 98 9B 99 9A 9C "  // Ơ
    "A6 40 5D 5B 5C 5E "  // Ư
    "55 9D 7E 9E 9F 60 "  // U
    "49 8D 90 8E 8F 91 "  // I
    "59 7B A0 7D 7C 5F "  // Y
    "A3 C5 DA CD D9 8C");  // Ê

// TCVN2 (14): kind 3, 152 letters.  Capital I is the plain ASCII 49 (8D is Ì).
inline constexpr LetterTable kTCVN2 = makeTable(3,
    "61 B5 B8 B6 B7 B9 "  // a
    "A8 BB BE BC BD C6 "  // ă
    "6F DF E3 E1 E2 E4 "  // o
    "65 CC D0 CE CF D1 "  // e
    "A9 C7 CA C8 C9 CB "  // â
    "AB E5 E8 E6 E7 E9 "  // ô
    "AC EA ED EB EC EE "  // ơ
    "AD F5 F8 F6 F7 F9 "  // ư
    "75 EF F3 F1 F2 F4 "  // u
    "69 D7 DD D8 DC DE "  // i
    "79 FA FD FB FC FE "  // y
    "AA D2 D5 D3 D4 D6 "  // ê
    "A1 A2 A3 A4 A5 A6 AE A7 "  // Ă Â Ê Ô Ơ Ư đ Đ
    "41 41B0 41B3 41B1 41B2 41B4 "  // A
    "A1 AF C0 BA BF A1B4 "  // Ă
    "4F 4FB0 4FB3 4FB1 4FB2 4FB4 "  // O
    "45 45B0 45B3 45B1 45B2 8B "  // E
    "A2 C1 C4 C2 C3 A2B4 "  // Â
    "A4 DB FF E0 F0 A4B4 "  // Ô
    "A5 A5B0 A5B3 A5B1 A5B2 A5B4 "  // Ơ
    "A6 A6B0 A6B3 A6B1 A6B2 A6B4 "  // Ư
    "55 55B0 55B3 55B1 55B2 55B4 "  // U
    "49 8D 90 8E 8F 91 "  // I
    "59 59B0 59B3 59B1 59B2 59B4 "  // Y
    "A3 C5 DA CD D9 8C");  // Ê

// TVNICP (16): kind 1, 80 letters
inline constexpr LetterTable kTVNICP = makeTable(1,
    "61 85 A0 87 FD E2 "  // a
    "E8 EA FB EB EC FC "  // ă
    "6F 95 A2 91 92 94 "  // o
    "65 8A 82 81 84 86 "  // e
    "83 E4 E3 E5 E6 E7 "  // â
    "93 FE 96 99 9A 9B "  // ô
    "F3 F5 F4 F6 F7 F8 "  // ơ
    "9F A5 A4 A6 A7 A8 "  // ư
    "75 97 A3 9C 9D 9E "  // u
    "69 8C A1 A9 AA AB "  // i
    "79 EF EE AF F1 F2 "  // y
    "88 8B 89 8E 8F AC "  // ê
    "E8 83 88 93 F3 9F AD AE");  // Ă Â Ê Ô Ơ Ư đ Đ

// VietChar (17), VNLab (31), VNU (32): kind 1, 80 letters
inline constexpr LetterTable kVietChar = makeTable(1,
    "61 A1 9F A8 AC AD "  // a
    "AF B1 B0 B2 B3 B4 "  // ă
    "6F DD DC DE DF E0 "  // o
    "65 BF BE C0 C1 C2 "  // e
    "B5 B7 B6 B8 B9 BA "  // â
    "E1 E3 E2 E4 E5 E6 "  // ô
    "E7 E9 E8 EA EB EC "  // ơ
    "F5 F7 F6 F8 F9 FA "  // ư
    "75 EF EE F0 F1 F2 "  // u
    "69 D6 CF D7 D8 D9 "  // i
    "79 FC FB FD FE FF "  // y
    "C5 CB C6 CC CD CE "  // ê
    "83 84 89 8D 8E 9C BD 87");  // Ă Â Ê Ô Ơ Ư đ Đ

// Tessaro (18), Tessaro 2.x (19): kind 1, 80 letters
inline constexpr LetterTable kTessaro = makeTable(1,
    "61 A1 9F A2 A3 8A "  // a
    "A5 A7 B0 AB BB C3 "  // ă
    "6F D4 DC D5 DF DA "  // o
    "65 BF D2 C0 C1 C2 "  // e
    "C4 C8 C7 C9 CA BA "  // â
    "E1 E3 E2 E4 E5 E6 "  // ô
    "E7 E9 E8 EA EB EC "  // ơ
    "F5 ED F6 F8 F9 FA "  // ư
    "75 EF EE DB F1 F2 "  // u
    "69 D6 CF 7E D8 D9 "  // i
    "79 FC FB F3 F4 FF "  // y
    "C5 CB C6 CC CD CE "  // ê
    "86 8C 89 9A 9B 9C D1 A4");  // Ă Â Ê Ô Ơ Ư đ Đ

// VietSea (20): kind 1, 80 letters
inline constexpr LetterTable kVietSea = makeTable(1,
    "61 A7 AA A8 A9 AB "  // a
    "A0 AC AF AD AE B5 "  // ă
    "6F DF E3 E1 E2 E4 "  // o
    "65 C6 D0 C7 CF D1 "  // e
    "A1 B6 BD B7 B8 BE "  // â
    "A3 E5 E8 E6 E7 E9 "  // ô
    "A4 EA ED EB EC EE "  // ơ
    "A5 F5 F8 F6 F7 F9 "  // ư
    "75 EF F3 F1 F2 F4 "  // u
    "69 D7 DD D8 DC DE "  // i
    "79 FA FD FB FC FE "  // y
    "A2 D2 D5 D3 D4 D6 "  // ê
    "99 9A 9B 9C 9D 9E A6 9F");  // Ă Â Ê Ô Ơ Ư đ Đ

// VietStar (21): kind 1, 80 letters
inline constexpr LetterTable kVietStar = makeTable(1,
    "61 D3 D4 84 85 D2 "  // a
    "D7 98 99 9A 9B D8 "  // ă
    "6F E5 E6 B6 B7 E4 "  // o
    "65 DB DC A0 A1 DA "  // e
    "D5 8E 8F 90 91 D6 "  // â
    "E7 BE BF C0 C1 E8 "  // ô
    "EB ED EE C6 C7 EC "  // ơ
    "F5 F7 F8 - - F6 "  // ư
    "75 F1 F2 CC CD F0 "  // u
    "69 E1 E2 B0 B1 E0 "  // i
    "79 FB FC - - FA "  // y
    "DD A8 A9 AA AB DE "  // ê
    "92 86 A2 B8 E9 F3 FE FD");  // Ă Â Ê Ô Ơ Ư đ Đ

// Vietware_F (22): kind 1, 80 letters
inline constexpr LetterTable kVietware_F = makeTable(1,
    "61 AA C0 B6 BA C1 "  // a
    "9F C2 C5 C3 C4 C6 "  // ă
    "6F DF E2 E0 E1 E3 "  // o
    "65 CC CF CD CE D1 "  // e
    "A1 C7 CA C8 C9 CB "  // â
    "A4 E4 E7 E5 E6 E8 "  // ô
    "A5 E9 EC EA EB ED "  // ơ
    "A7 F4 F7 F5 F6 F8 "  // ư
    "75 EE F2 EF F1 F3 "  // u
    "69 D8 DB D9 DA DC "  // i
    "79 F9 FC FA FB FF "  // y
    "A3 D2 D5 D3 D4 D6 "  // ê
    "96 97 99 9A 9B 9C A2 98");  // Ă Â Ê Ô Ơ Ư đ Đ

// Vietware_X (23): kind 2, 80 letters
inline constexpr LetterTable kVietware_X = makeTable(2,
    "61 61EC 61EF 61ED 61EE 61FB "  // a
    "E0 E0F2 E0F5 E0F3 E0F4 E0FB "  // ă
    "6F 6FEC 6FEF 6FED 6FEE 6FFC "  // o
    "65 65EC 65EF 65ED 65EE 65FB "  // e
    "E1 E1F6 E1FA E1F8 E1F9 E1FB "  // â
    "E4 E4F6 E4FA E4F8 E4F9 E4FC "  // ô
    "E5 E5EC E5EF E5ED E5EE E5FC "  // ơ
    "E6 E6EC E6EF E6ED E6EE E6FB "  // ư
    "75 75EC 75EF 75ED 75EE 75FB "  // u
    "69 E7 EA E8 E9 EB "  // i
    "79 79EC 79EF 79ED 79EE 79F1 "  // y
    "E3 E3F6 E3FA E3F8 E3F9 E3FB "  // ê
    "C0 C1 C3 C4 C5 C6 E2 C2");  // Ă Â Ê Ô Ơ Ư đ Đ

// VIQR (24): kind 4, 80 letters
inline constexpr LetterTable kVIQR = makeTable(4,
    "61 6160 6127 613F 617E 612E "  // a
    "6128 612860 612827 61283F 61287E 61282E "  // ă
    "6F 6F60 6F27 6F3F 6F7E 6F2E "  // o
    "65 6560 6527 653F 657E 652E "  // e
    "615E 615E60 615E27 615E3F 615E7E 615E2E "  // â
    "6F5E 6F5E60 6F5E27 6F5E3F 6F5E7E 6F5E2E "  // ô
    "6F2B 6F2B60 6F2B27 6F2B3F 6F2B7E 6F2B2E "  // ơ
    "752B 752B60 752B27 752B3F 752B7E 752B2E "  // ư
    "75 7560 7527 753F 757E 752E "  // u
    "69 6960 6927 693F 697E 692E "  // i
    "79 7960 7927 793F 797E 792E "  // y
    "655E 655E60 655E27 655E3F 655E7E 655E2E "  // ê
    "4128 415E 455E 4F5E 4F2B 552B 6464 4444");  // Ă Â Ê Ô Ơ Ư đ Đ

// VISCII (25): kind 3, 152 letters
inline constexpr LetterTable kVISCII = makeTable(3,
    "61 E0 E1 E4 E3 D5 "  // a
    "E5 A2 A1 C6 C7 A3 "  // ă
    "6F F2 F3 F6 F5 F7 "  // o
    "65 E8 E9 EB A8 A9 "  // e
    "E2 A5 A4 A6 E7 A7 "  // â
    "F4 B0 AF B1 B2 B5 "  // ô
    "BD B6 BE B7 DE FE "  // ơ
    "DF D7 D1 D8 E6 F1 "  // ư
    "75 F9 FA FC FB F8 "  // u
    "69 EC ED EF EE B8 "  // i
    "79 CF FD D6 DB DC "  // y
    "EA AB AA AC AD AE "  // ê
    "C5 C2 CA D4 B4 BF F0 D0 "  // Ă Â Ê Ô Ơ Ư đ Đ
    "41 C0 C1 C4 C3 80 "  // A
    "C5 82 81 C6 C7 83 "  // Ă
    "4F D2 D3 99 F5 9A "  // O
    "45 C8 C9 CB 88 89 "  // E
    "C2 85 84 86 E7 87 "  // Â
    "D4 90 8F 91 92 93 "  // Ô
    "B4 96 95 97 B3 94 "  // Ơ
    "BF BB BA BC FF B9 "  // Ư
    "55 D9 DA 9C 9D 9E "  // U
    "49 CC CD 9B CE 98 "  // I
    "59 9F DD D6 DB DC "  // Y
    "CA 8B 8A 8C 8D 8E");  // Ê

// VN AutoCad (26): kind 1, 80 letters
inline constexpr LetterTable kVN_AutoCad = makeTable(1,
    "61 A1 9F A2 A3 8A "  // a
    "A5 A7EA B0 AB A0 A6 "  // ă
    "6F D4 DC D5 DF DA "  // o
    "65 BF A8 AC AD AE "  // e
    "AF B1 B2 B3 CA BA "  // â
    "E1 E3 E2 E4 E5 E6 "  // ô
    "E7 E9 E8 EA EB EC "  // ơ
    "F5 ED F6 F8 F9 FA "  // ư
    "75 EF EE DB F1 F2 "  // u
    "69 D6 B9 BC D8 D9 "  // i
    "79 FC FB F3 F4 FF "  // y
    "C5 BD C6 CC BE CE "  // ê
    "A5 AF C5 E1 E7 F5 D3 A4");  // Ă Â Ê Ô Ơ Ư đ Đ

// VNI - DOS (28): kind 3, 152 letters
inline constexpr LetterTable kVNI_DOS = makeTable(3,
    "61 85 A0 E0 E1 E2 "  // a
    "E8 EA E9 EB EC ED "  // ă
    "6F 95 A2 91 92 94 "  // o
    "65 8A 82 81 84 86 "  // e
    "83 E4 E3 E5 E6 E7 "  // â
    "93 98 96 99 9A 9B "  // ô
    "F3 F5 F4 F6 F7 F8 "  // ơ
    "9F A5 A4 A6 A7 A8 "  // ư
    "75 97 A3 9C 9D 9E "  // u
    "69 8D A1 A9 AA AB "  // i
    "79 EF EE F0 F1 F2 "  // y
    "88 8B 89 8E 8F AC "  // ê
    "FC FD FE F9 FA FB AD AE "  // Ă Â Ê Ô Ơ Ư đ Đ
    "41 60 5E 7C 7D 7E "  // A
    "FC B1 B0 B2 B3 7B "  // Ă
    "4F C4 C3 C5 C6 C7 "  // O
    "45 B5 B4 B6 B7 B8 "  // E
    "FD 87 80 8C 90 AF "  // Â
    "F9 C9 C8 CA CB CC "  // Ô
    "FA CE CD CF D0 D1 "  // Ơ
    "FB D8 D7 D9 DA DB "  // Ư
    "55 D3 D2 D4 D5 D6 "  // U
    "49 BF BE C0 C1 C2 "  // I
    "59 DD DC DE DF 40 "  // Y
    "FE BA B9 BB BC BD");  // Ê

// VNI - WIN (29): kind 2, 80 letters
inline constexpr LetterTable kVNI_WIN = makeTable(2,
    "61 61F8 61F9 61FB 61F5 61EF "  // a
    "61EA 61E8 61E9 61FA 61FC 61EB "  // ă
    "6F 6FF8 6FF9 6FFB 6FF5 6FEF "  // o
    "65 65F8 65F9 65FB 65F5 65EF "  // e
    "61E2 61E0 61E1 61E5 61E3 61E4 "  // â
    "6FE2 6FE0 6FE1 6FE5 6FE3 6FE4 "  // ô
    "F4 F4F8 F4F9 F4FB F4F5 F4EF "  // ơ
    "F6 F6F8 F6F9 F6FB F6F5 F6EF "  // ư
    "75 75F8 75F9 75FB 75F5 75EF "  // u
    "69 EC ED E6 F3 F2 "  // i
    "79 79F8 79F9 79FB 79F5 EE "  // y
    "65E2 65E0 65E1 65E5 65E3 65E4 "  // ê
    "41CA 41C2 45C2 4FC2 D4 D6 F1 D1");  // Ă Â Ê Ô Ơ Ư đ Đ

// VNij (30): kind 2, 80 letters
inline constexpr LetterTable kVNij = makeTable(2,
    "61 61E5 61EB 61E7 61E9 61ED "  // a
    "E4 F4 F6 F5 E4F1 E4ED "  // ă
    "6F 6FE5 6FEB 6FE7 6FE9 6FED "  // o
    "65 F8 FB F9 FA 65FC "  // e
    "E2 E2EF E2F2 E2F0 E2F1 E2ED "  // â
    "FE FEEF FEF2 FEF0 FEF1 FEED "  // ô
    "F3 F3E5 F3EB F3E7 F3E9 F3ED "  // ơ
    "E1 E1E5 E1EB E1E7 E1E9 E1ED "  // ư
    "75 75E5 75EB 75E7 75E9 75ED "  // u
    "69 E6 EC E8 EA EE "  // i
    "79 79E5 79EB 79E7 79E9 79FD "  // y
    "E3 E3EF E3F2 E3F0 E3F1 E3FC "  // ê
    "C4 C2 C3 DE D3 C1 E0 C0");  // Ă Â Ê Ô Ơ Ư đ Đ

// Vres (33): kind 1, 80 letters.  ă is the single byte A0 and ỳ is FA, as in VietSea.
inline constexpr LetterTable kVres = makeTable(1,
    "61 A7 AA A8 A9 AB "  // a
    "A0 AC AF AD AE B5 "  // ă
    "6F DF E3 E1 E2 E4 "  // o
    "65 C6 D0 C7 CF D1 "  // e
    "A1 B6 BD B7 B8 BE "  // â
    "A3 E5 E8 E6 E7 E9 "  // ô
    "A4 EA ED EB EC EE "  // ơ
    "A5 F5 F8 F6 F7 F9 "  // ư
    "75 EF F3 F1 F2 F4 "  // u
    "69 D7 DD D8 DC DE "  // i
    "79 FA FD FB FC FE "  // y
    "A2 D2 D5 D3 D4 D6 "  // ê
    "99 9A 9B 9C 9D 9E A6 9F");  // Ă Â Ê Ô Ơ Ư đ Đ

// VS1 (34): kind 3, 152 letters
inline constexpr LetterTable kVS1 = makeTable(3,
    "61 B5 B8 B6 B7 B9 "  // a
    "A8 BB BE BC BD C6 "  // ă
    "6F DF E3 E1 E2 E4 "  // o
    "65 CC D0 CE CF D1 "  // e
    "A9 C7 CA C8 C9 CB "  // â
    "AB E5 E8 E6 E7 E9 "  // ô
    "AC EA ED EB EC EE "  // ơ
    "AD F5 F8 F6 F7 F9 "  // ư
    "75 EF F3 F1 F2 F4 "  // u
    "69 D7 DD D8 DC DE "  // i
    "79 FA FD FB FC FE "  // y
    "AA D2 D5 D3 D4 D6 "  // ê
    "A1 A2 A3 A4 A5 A6 AE A7 "  // Ă Â Ê Ô Ơ Ư đ Đ
    "41 80 83 81 82 84 "  // A
    "A1 AF C0 BA BF 85 "  // Ă
    "4F 92 95 93 94 96 "  // O
    "45 87 8A 88 89 8B "  // E
    "A2 C1 C4 C2 C3 86 "  // Â
    "A4 DB FF E0 F0 97 "  // Ô
    "A5 98 9B 99 9A 9C "  // Ơ
    "A6 40 5D 5B 5C 5E "  // Ư
    "55 9D 7E 9E 9F 60 "  // U
    "49 8D 90 8E 8F 91 "  // I
    "59 7B A0 7D 7C 5F "  // Y
    "A3 C5 DA CD D9 8C");  // Ê

// VS2 (35): kind 2, 80 letters
inline constexpr LetterTable kVS2 = makeTable(2,
    "61 61CC 61EC 61D2 61DE 61F2 "  // a
    "E3 E3CC E3EC E3D2 E3DE E3F2 "  // ă
    "6F 6FCC 6FEC 6FD2 6FDE 6FF2 "  // o
    "65 65CC 65EC 65D2 65DE 65F2 "  // e
    "E2 E2CC E2EC E2D2 E2DE E2F2 "  // â
    "F4 F4CC F4EC F4D2 F4DE F4F2 "  // ô
    "F5 F5CC F5EC F5D2 F5DE F5F2 "  // ơ
    "FD FDCC FDEC FDD2 FDDE FDF2 "  // ư
    "75 75CC 75EC 75D2 75DE 75F2 "  // u
    "69 69CC 69EC 69D2 69DE 69F2 "  // i
    "79 79CC 79EC 79D2 79DE 79F2 "  // y
    "EA EACC EAEC EAD2 EADE EAF2 "  // ê
    "C3 C2 CA D4 D5 DD F0 D0");  // Ă Â Ê Ô Ơ Ư đ Đ

// VPSWIN (36): kind 3, 152 letters.  The charset has no codes of its own for Ạ Ặ Ọ Ẹ Ậ Ộ Ợ Ữ
// Ự Ụ Ị Ệ: they are written with their lower-case codes, and the full stop stays a full stop.
inline constexpr LetterTable kVPSWIN = makeTable(3,
    "61 E0 E1 E4 E3 E5 "  // a
    "E6 A2 A1 A3 A4 A5 "  // ă
    "6F F2 F3 D5 F5 86 "  // o
    "65 E8 E9 C8 EB CB "  // e
    "E2 C0 C3 C4 C5 C6 "  // â
    "F4 D2 D3 B0 87 B6 "  // ô
    "D6 A9 A7 AA AB AE "  // ơ
    "DC D8 D9 BA BB BF "  // ư
    "75 F9 FA FB DB F8 "  // u
    "69 EC ED CC EF CE "  // i
    "79 FF 9A 9B CF 9C "  // y
    "EA 8A 89 8B CD 8C "  // ê
    "88 C2 CA D4 F7 D0 C7 F1 "  // Ă Â Ê Ô Ơ Ư đ Đ
    "41 80 C1 81 82 E5 "  // A
    "88 8E 8D A3 A4 A5 "  // Ă
    "4F BC B9 BD F5 86 "  // O
    "45 D7 C9 DE FE CB "  // E
    "C2 84 83 85 C5 C6 "  // Â
    "D4 97 96 98 99 B6 "  // Ô
    "F7 9E 9D 9F A6 AE "  // Ơ
    "D0 AF AD B1 BB BF "  // Ư
    "55 A8 DA D1 AC F8 "  // U
    "49 B5 B4 B7 B8 CE "  // I
    "59 B2 DD 9B CF 9C "  // Y
    "CA 93 90 94 95 8C");  // Ê

// ThinART-PC (37): kind 3, 152 letters
inline constexpr LetterTable kThinART_PC = makeTable(3,
    "61 E0 E1 C3 E3 D5 "  // a
    "87 A2 A1 C6 C7 A3 "  // ă
    "6F F2 F3 CC F5 F7 "  // o
    "65 E8 E9 CB A8 A9 "  // e
    "E2 A5 A4 A6 88 9A "  // â
    "F4 B0 AF B1 B2 B5 "  // ô
    "BD B6 BE 83 DE FE "  // ơ
    "9F D7 D1 D8 89 BC "  // ư
    "75 F9 FA 98 B9 82 "  // u
    "69 EC ED CE 9B B8 "  // i
    "79 CF FD D6 DB DC "  // y
    "EA AB AA AC AD AE "  // ê
    "C5 C2 CA D4 B4 BF F0 D0 "  // Ă Â Ê Ô Ơ Ư đ Đ
    "41 C0 C1 C4 E3 D5 "  // A
    "C5 A2 A1 C6 C7 A3 "  // Ă
    "4F D2 D3 99 F5 F7 "  // O
    "45 C8 C9 CB A8 A9 "  // E
    "C2 85 84 86 88 9A "  // Â
    "D4 B3 92 91 B2 B5 "  // Ô
    "B4 96 95 97 DE FE "  // Ơ
    "BF BB BA D8 89 BC "  // Ư
    "55 D9 DA 98 B9 82 "  // U
    "49 EC CD CE 9B B8 "  // I
    "59 CF DD D6 DB DC "  // Y
    "CA AB 8A 8C AD AE");  // Ê

// Viet Toan (38): kind 3, 152 letters
inline constexpr LetterTable kViet_Toan = makeTable(3,
    "61 81 80 82 83 84 "  // a
    "85 87 86 88 89 8A "  // ă
    "6F A2 A1 A3 A4 A5 "  // o
    "65 92 91 93 94 95 "  // e
    "8B 8D 8C 8E 8F 90 "  // â
    "AC AE AD AF E0 E1 "  // ô
    "A6 A8 A7 A9 AA AB "  // ơ
    "E7 E9 E8 EA EB EC "  // ư
    "75 E3 E2 E4 E5 E6 "  // u
    "69 9D 9C 9E 9F A0 "  // i
    "79 EE ED EF F0 F1 "  // y
    "96 98 97 99 9A 9B "  // ê
    "7D B4 BF D5 CF F3 F2 FD "  // Ă Â Ê Ô Ơ Ư đ Đ
    "41 5E 40 60 7B 7C "  // A
    "7D B0 7E 88 89 B3 "  // Ă
    "4F CB CA CC A4 CE "  // O
    "45 BB BA BC BD BE "  // E
    "B4 B6 B5 B7 8F B9 "  // Â
    "D5 D7 D6 D8 D9 DA "  // Ô
    "CF D1 D0 D2 D3 D4 "  // Ơ
    "F3 F5 F4 F6 F7 F8 "  // Ư
    "55 DC DB DD DE DF "  // U
    "49 C6 C5 C7 C8 C9 "  // I
    "59 FA F9 EF F0 F1 "  // Y
    "BF C1 C0 C2 C3 C4");  // Ê

// clang-format on

}  // namespace ts::tables
