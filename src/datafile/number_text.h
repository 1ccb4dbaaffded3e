#pragma once
// Numbers as records, ports and dialogs write and read them. Every conversion here is
// locale-proof: the process locale (which Qt takes from the environment) never turns a
// decimal point into a comma in a data file.
//
// Formatting follows the printf conversions the file format names ("%9.2f", "%10ld", ...):
// right-aligned in the width, wider values are not cut here (the record builder decides).
// Reading follows the C library's leading-number rule: white space skipped, then an optional
// sign, digits, a decimal point and an exponent; the rest of the text is ignored and a text
// that does not begin with a number gives 0.

#include <cstdint>
#include <string>
#include <string_view>

namespace tm47 {

// printf("%<width>.<precision>f", value) in the C locale; a negative width left-aligns
// ("%-11.2f").
std::string FormatFixed(double value, int width, int precision);
// printf("%<width>d", value) in the C locale; a negative width left-aligns.
std::string FormatInt(int64_t value, int width);
// printf("%0<width>d", value): zero-padded to `width` digits.
std::string FormatZeroPadded(int64_t value, int width);

// The number at the start of `text` (after leading white space), else 0.
double ParseLeadingNumber(std::string_view text);
double ParseLeadingNumber(std::u16string_view text);

// UTF-16 text as the 8-bit characters files and ports carry: each unit up to 0xFF is taken as
// is (Latin-1), anything else becomes '?'.
std::string ToEightBit(std::u16string_view text);
// The reverse of ToEightBit (Latin-1 to UTF-16).
std::u16string FromEightBit(std::string_view text);

} // namespace tm47
