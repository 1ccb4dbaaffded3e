#include "datafile/eight_bit_text.h"

namespace tm47 {

std::string ToEightBit(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char16_t c : text) {
        out.push_back(c <= 0xFF ? static_cast<char>(static_cast<unsigned char>(c)) : '?');
    }
    return out;
}

} // namespace tm47
