// UTF-8 for single 16-bit units, after the Unicode Consortium's reference converter.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ts {

// Writes the UTF-8 bytes of a 16-bit unit (1 to 3; surrogates like any value) and a NUL;
// returns the number of bytes before the NUL.
int utf16ToUtf8(std::uint16_t unit, char out[4]);

// Decodes the sequence whose lead byte is s[0], reading at most `available` bytes.  The lead
// byte gives the number of continuation bytes (0 for 00-BF, so a stray continuation byte is
// a character of its own, 1 for C0-DF, 2 for E0-EF, 3 for F0-F7, 4 for F8-FB, 5 for FC-FF),
// which are taken whatever they hold.  Returns the value, U+FFFD for values above U+FFFF,
// and sets `continuation`; returns 0 and leaves `continuation` when too few bytes remain.
std::uint32_t utf8ToUtf16(const std::uint8_t* s, long available, int& continuation);

}  // namespace ts
