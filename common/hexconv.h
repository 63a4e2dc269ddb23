// Hex text conversion shared by both tools.
//
// Each routine reads hex digits from a caller's buffer, writes the upper-case
// form of the characters it names back into that buffer, and returns the value
// as a signed 32-bit integer (two's-complement wrap-around). A character that
// is not a hex digit takes the value of the digit processed just before it, or
// 0 when it is the first digit processed.
#pragma once

#include <cstdint>

// Characters 0 and 1; character 0 is the high digit. Result 0 to 255.
std::int32_t ConvertHexToDecLen2(char *text);

// Characters 0 to 7 as one hex number, character 0 the most significant.
std::int32_t ConvertHexToDecBigEndianLen8(char *text);

// Characters 0 to 7 as four bytes (0-1, 2-3, 4-5, 6-7), the first byte the
// least significant.
std::int32_t ConvertHexToDecLittleEndianLen8(char *text);

// The first n characters as one hex number, character 0 the most significant.
// Always upper-cases characters 0 to 7, whatever n is; n is clamped to 0..8.
std::int32_t ConvertHexToDec(char *text, int n);
