// SPDX-License-Identifier: MIT
#pragma once
// Numbers read out of reply text the way the projector's pressure answer has always been read: BASIC's Val.

#include <optional>
#include <string_view>

namespace q7 {

// Reads the number at the start of text as BASIC's Val does. Blanks are ignored wherever they stand. A number
// is an optional sign, digits, an optional point with digits, an optional exponent (E or D, either case,
// optional sign, digits); reading stops at the first character that cannot continue it, and a text that does
// not begin with a number reads 0. "&H" (hexadecimal) and "&O" (octal), either case and unsigned, read as
// BASIC's literals do: up to FFFF a 16-bit value, so "&HFFFF" is -1; up to FFFFFFFF a 32-bit one.
// Nothing when the value is too large for a double or a radix value exceeds 32 bits, where Val would stop
// the program with an overflow; a value too small for a double reads 0.
std::optional<double> readNumber(std::string_view text);

// Nearest integer, halves to the even neighbour, whatever rounding mode the floating-point unit is in.
double roundHalfEven(double value);

} // namespace q7
