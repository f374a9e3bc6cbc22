#pragma once
// The Shift_JIS character rules the core lays out and matches text by: which byte pairs
// are one character, and the upper-casing that leaves those pairs alone.
#include <cstdint>

// The pair (lead, next) is one two-byte character, two cells wide, when lead is a lead
// byte (0x81-0x9F, 0xE0-0xFC) and next a trail byte (0x40-0x7E, 0x80-0xFC). Half-width
// katakana (0xA1-0xDF) are single bytes.
inline bool isDoubleByte(uint8_t lead, uint8_t next) {
    const bool leadByte = (lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC);
    const bool trailByte = next >= 0x40 && next <= 0xFC && next != 0x7F;
    return leadByte && trailByte;
}

// Upper-cases the single-byte letters a-z of zero-terminated Shift_JIS text in place,
// never the second byte of a double-byte character.
void upperCaseAscii(char* text);
