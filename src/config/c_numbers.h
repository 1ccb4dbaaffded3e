#pragma once
// Numbers in files and on ports are written and read in the C locale, whatever locale the
// process runs under (Qt sets it from the environment, and a German locale would turn
// "0.200000" into "0,200000"). Reading follows the C library rule: leading white space is
// skipped, an optional sign, then the longest number that fits; no number reads as 0.

#include <cstdint>
#include <string>
#include <string_view>

namespace tm47 {

// "%d" / "%ld".
std::string CFormatInt(int32_t value);
// "%f": six decimals, as printf writes them in the C locale ("500.000000", "-0.250000").
std::string CFormatFixed(double value);

// The leading decimal integer of `text` (as strtol, base 10), clamped to the 32-bit range.
int32_t CLeadingInt(std::string_view text);
// The leading floating-point number of `text` (as strtod: decimal, hexadecimal, "inf", "nan";
// overflow gives an infinity).
double CLeadingDouble(std::string_view text);
// A double narrowed to single precision; values beyond the float range become infinities.
float NarrowToFloat(double value);

} // namespace tm47
