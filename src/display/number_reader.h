// SPDX-License-Identifier: MIT
#pragma once
// The number at the start of a reply text, as the pressure answer is read.

#include <optional>
#include <string_view>

namespace q7 {

// Blanks are ignored wherever they stand. A number is an optional sign, digits, an optional point with
// digits, an optional exponent (E or D, either case, optional sign, digits); reading stops at the first
// character that cannot continue it, and a text that does not begin with a number reads 0. "&H" (hexadecimal)
// and "&O" (octal), either case and unsigned, are read as 16-bit values up to FFFF, so "&HFFFF" is -1, and as
// 32-bit ones up to FFFFFFFF. Nothing when the value is too large for a double or a radix value exceeds 32
// bits; a value too small for a double reads 0.
std::optional<double> readNumber(std::string_view text);

// Nearest integer, halves to the even neighbour, whatever rounding mode the floating-point unit is in.
double roundHalfEven(double value);

} // namespace q7
