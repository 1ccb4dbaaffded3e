#include "datafile/number_text.h"

#include <array>
#include <charconv>
#include <cmath>
#include <system_error>

namespace tm47 {

namespace {

std::string Pad(std::string body, int width) {
    const bool left = width < 0;
    const std::size_t w = static_cast<std::size_t>(left ? -static_cast<int64_t>(width) : width);
    if (body.size() >= w) {
        return body;
    }
    if (left) {
        body.append(w - body.size(), ' ');
        return body;
    }
    return std::string(w - body.size(), ' ') + body;
}

bool IsSpace(char32_t c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

} // namespace

std::string FormatFixed(double value, int width, int precision) {
    std::string body;
    if (std::isnan(value)) {
        body = std::signbit(value) ? "-nan" : "nan";
    } else if (std::isinf(value)) {
        body = value < 0 ? "-inf" : "inf";
    } else {
        // A double with 2 decimals needs at most 309 + 1 + 2 + sign characters.
        std::array<char, 400> buf{};
        auto res = std::to_chars(buf.data(), buf.data() + buf.size(), value,
                                 std::chars_format::fixed, precision);
        if (res.ec != std::errc()) {
            body = "0";
        } else {
            body.assign(buf.data(), res.ptr);
        }
    }
    return Pad(std::move(body), width);
}

std::string FormatInt(int64_t value, int width) {
    std::array<char, 24> buf{};
    auto res = std::to_chars(buf.data(), buf.data() + buf.size(), value);
    return Pad(std::string(buf.data(), res.ptr), width);
}

std::string FormatZeroPadded(int64_t value, int width) {
    std::array<char, 24> buf{};
    const bool negative = value < 0;
    const uint64_t magnitude =
        negative ? static_cast<uint64_t>(0) - static_cast<uint64_t>(value) : value;
    auto res = std::to_chars(buf.data(), buf.data() + buf.size(), magnitude);
    std::string digits(buf.data(), res.ptr);
    const int padTo = width - (negative ? 1 : 0);
    if (static_cast<int>(digits.size()) < padTo) {
        digits.insert(0, static_cast<std::size_t>(padTo) - digits.size(), '0');
    }
    return negative ? "-" + digits : digits;
}

double ParseLeadingNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsSpace(static_cast<unsigned char>(text[i]))) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // A second sign ("+-5") is not a number.
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        return 0.0;
    }
    double value = 0.0;
    auto res = std::from_chars(text.data() + i, text.data() + text.size(), value,
                               std::chars_format::general);
    if (res.ec == std::errc::result_out_of_range) {
        // Like strtod: overflow gives infinity, underflow gives 0.
        const std::string_view matched(text.data() + i,
                                       static_cast<std::size_t>(res.ptr - (text.data() + i)));
        const std::size_t e = matched.find_first_of("eE");
        const bool tiny =
            e != std::string_view::npos && e + 1 < matched.size() && matched[e + 1] == '-';
        value = tiny ? 0.0 : HUGE_VAL;
    } else if (res.ec != std::errc()) {
        return 0.0;
    }
    return negative ? -value : value;
}

double ParseLeadingNumber(std::u16string_view text) {
    // Only ASCII can belong to a number; the first other unit ends it.
    std::string narrow;
    narrow.reserve(text.size());
    for (char16_t c : text) {
        if (c > 0x7F) {
            break;
        }
        narrow.push_back(static_cast<char>(c));
    }
    return ParseLeadingNumber(std::string_view(narrow));
}

std::string ToEightBit(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char16_t c : text) {
        out.push_back(c <= 0xFF ? static_cast<char>(static_cast<unsigned char>(c)) : '?');
    }
    return out;
}

std::u16string FromEightBit(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (char c : text) {
        out.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
    }
    return out;
}

} // namespace tm47
