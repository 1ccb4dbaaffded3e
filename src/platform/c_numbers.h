#pragma once
// Every number the logger writes or reads as text: files, ports, dialogs and screen texts.
// Qt sets the process locale from the environment, and under a German locale the C library
// would write "0,200000" and stop reading "0.2" at the point. Nothing here looks at the
// process locale: each function gives what the C library call it is named after gives in the
// C locale, and the fuzz target c_numbers_fuzzer holds them to that.
//
// The readers share the C library's leading-number rule: white space skipped, an optional
// sign, then the longest number that fits; the rest of the text is ignored, and a text that
// does not begin with a number reads as 0. An embedded NUL ends the text, as it would a C
// string. The UTF-16 overloads read the ASCII prefix of the text.

#include <cstdint>
#include <string>
#include <string_view>

namespace tm47 {

// atoi: strtol (64-bit long, saturating) narrowed to int by dropping the high bits, so
// "4294967297" reads as 1.
int32_t AtoiLike(std::string_view text);
// strtol(text, nullptr, 10), clamped to the 32-bit range: "99999999999" reads as INT32_MAX.
int32_t StrtolSaturatingInt32(std::string_view text);
// strtod: decimal, hexadecimal ("0x1F" is 31), "inf", "infinity" and "nan"; overflow gives an
// infinity, underflow 0.
double StrtodLike(std::string_view text);
double StrtodLike(std::u16string_view text);
// strtod without hexadecimal numbers: "0x1F" reads as 0, as the data files and the survey
// dialogs have always read it. Everything else as StrtodLike.
double StrtodDecimalLike(std::string_view text);
double StrtodDecimalLike(std::u16string_view text);
// strtoul(text, nullptr, 16) with 64-bit unsigned long: an optional "0x" before the digits, a
// minus sign negates modulo 2^64, overflow gives the largest value.
unsigned long long StrtoulHexLike(std::string_view text);

// A double narrowed to single precision; values beyond the float range become infinities.
float NarrowToFloat(double value);

// printf("%*.*f", width, precision, value); a negative width left-aligns. Wider values are
// not cut.
std::string PrintfFixed(double value, int width, int precision);
// printf("%*lld", width, value); a negative width left-aligns.
std::string PrintfInt(int64_t value, int width);
// printf("%0*lld", width, value) for width >= 0: zero-padded to `width` characters, the sign
// included.
std::string PrintfZeroPadded(int64_t value, int width);
// snprintf into a string of whatever length it needs, in the C locale. For screen texts whose
// format string is chosen at run time; the fixed conversions above are preferred elsewhere.
std::string PrintfLike(const char* format, ...) __attribute__((format(printf, 1, 2)));

} // namespace tm47
