#pragma once
// Strict checks of the records' numeric text fields: right-aligned printf output, that is
// spaces, an optional "-", digits and, for fixed-point fields, a "." and digits. The logger
// itself reads these fields leniently (leading number, else 0); the check is where a damaged
// field is named.

#include <cstdint>
#include <string_view>

namespace r47 {

bool IsBlank(std::string_view field);
bool IsIntegerField(std::string_view field);
// `decimals` digits after the point.
bool IsFixedField(std::string_view field, int decimals);
// The leading integer of a field (0 when there is none), without overflow.
int64_t FieldInteger(std::string_view field);
// `n` decimal digits at the start of `text`, or -1.
int Digits(std::string_view text, std::size_t n);

} // namespace r47
