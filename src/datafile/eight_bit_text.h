#pragma once
// Text fields of records are 8-bit characters; the screens and the dialogs hold UTF-16.

#include <string>
#include <string_view>

namespace tm47 {

// UTF-16 text as the 8-bit characters files and ports carry: each unit up to 0xFF is taken as
// is (Latin-1), anything else becomes '?'.
std::string ToEightBit(std::u16string_view text);

} // namespace tm47
