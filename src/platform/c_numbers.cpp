#include "platform/c_numbers.h"

#include <array>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <limits>
#include <locale.h>
#include <stdlib.h>
#include <system_error>

namespace tm47 {

namespace {

// The C locale, made once and never changed; null only if the C library cannot make it.
locale_t CLocale() {
    static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t{});
    return c;
}

bool IsCSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

int HexDigit(char c) {
    if (IsDigit(c)) {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// Leading white space and an optional sign: the text after them, and whether it was '-'.
std::string_view SkipSpaceAndSign(std::string_view text, bool& negative) {
    std::size_t i = 0;
    while (i < text.size() && IsCSpace(text[i])) {
        ++i;
    }
    negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    return text.substr(i);
}

// strtoll(text, nullptr, 10): 64 bits, saturating.
long long StrtollSaturating(std::string_view text) {
    bool negative = false;
    const std::string_view digits = SkipSpaceAndSign(text, negative);
    unsigned long long magnitude = 0;
    const unsigned long long limit =
        negative ? static_cast<unsigned long long>(LLONG_MAX) + 1 : LLONG_MAX;
    bool overflow = false;
    for (std::size_t i = 0; i < digits.size() && IsDigit(digits[i]); ++i) {
        const unsigned d = static_cast<unsigned>(digits[i] - '0');
        if (magnitude > (limit - d) / 10) {
            overflow = true;
        } else {
            magnitude = magnitude * 10 + d;
        }
    }
    if (overflow) {
        return negative ? LLONG_MIN : LLONG_MAX;
    }
    return negative ? static_cast<long long>(0 - magnitude) : static_cast<long long>(magnitude);
}

// The C library itself, in the C locale; for the rare texts std::from_chars finds out of
// range, where strtod's overflow and underflow rules (infinity, subnormal, 0) decide.
double StrtodInCLocale(std::string_view text) {
    const std::string s(text);
    const locale_t c = CLocale();
    return c ? strtod_l(s.c_str(), nullptr, c) : std::strtod(s.c_str(), nullptr);
}

// The length of the hexadecimal number (after "0x") that strtod reads. The exponent is
// checked here because std::from_chars in libstdc++ 12 takes "1p+-98" as 1p-98, where strtod
// stops after the "1".
std::size_t HexNumberLength(std::string_view rest) {
    std::size_t i = 0;
    while (i < rest.size() && HexDigit(rest[i]) >= 0) {
        ++i;
    }
    if (i < rest.size() && rest[i] == '.') {
        ++i;
        while (i < rest.size() && HexDigit(rest[i]) >= 0) {
            ++i;
        }
    }
    if (i < rest.size() && (rest[i] == 'p' || rest[i] == 'P')) {
        std::size_t j = i + 1;
        if (j < rest.size() && (rest[j] == '+' || rest[j] == '-')) {
            ++j;
        }
        if (j < rest.size() && IsDigit(rest[j])) {
            while (j < rest.size() && IsDigit(rest[j])) {
                ++j;
            }
            return j;
        }
    }
    return i;
}

double ReadDouble(std::string_view text, bool hexAllowed) {
    bool negative = false;
    std::string_view rest = SkipSpaceAndSign(text, negative);
    auto format = std::chars_format::general;
    if (hexAllowed && rest.size() > 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X')) {
        // "0x" is a prefix only when a hexadecimal digit follows it, or a point and more.
        const char c = rest[2];
        if (HexDigit(c) >= 0 || (c == '.' && rest.size() > 3)) {
            rest.remove_prefix(2);
            format = std::chars_format::hex;
        }
    }
    // std::from_chars would take a '-' of its own; strtod does not read a second sign.
    if (!rest.empty() && (rest[0] == '-' || rest[0] == '+')) {
        return 0.0;
    }
    if (format == std::chars_format::hex) {
        rest = rest.substr(0, HexNumberLength(rest));
    }
    double value = 0.0;
    const auto r = std::from_chars(rest.data(), rest.data() + rest.size(), value, format);
    if (r.ec == std::errc::invalid_argument) {
        // No number at all, except after "0x.": strtod then reads the "0" with its sign.
        return format == std::chars_format::hex && negative ? -0.0 : 0.0;
    }
    if (r.ec == std::errc::result_out_of_range) {
        const std::string_view number(rest.data(), static_cast<std::size_t>(r.ptr - rest.data()));
        value = StrtodInCLocale(format == std::chars_format::hex ? "0x" + std::string(number)
                                                                 : std::string(number));
    }
    return negative ? -value : value;
}

// Only ASCII can belong to a number; the first other unit ends it.
std::string AsciiPrefix(std::u16string_view text) {
    std::string narrow;
    narrow.reserve(text.size());
    for (char16_t c : text) {
        if (c > 0x7F) {
            break;
        }
        narrow.push_back(static_cast<char>(c));
    }
    return narrow;
}

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

std::string Digits(uint64_t magnitude) {
    std::array<char, 24> buf{};
    const auto r = std::to_chars(buf.data(), buf.data() + buf.size(), magnitude);
    return std::string(buf.data(), r.ptr);
}

uint64_t Magnitude(int64_t value) {
    return value < 0 ? uint64_t{0} - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
}

} // namespace

int32_t AtoiLike(std::string_view text) {
    const long long v = StrtollSaturating(text);
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<unsigned long long>(v)));
}

int32_t StrtolSaturatingInt32(std::string_view text) {
    const long long v = StrtollSaturating(text);
    if (v > std::numeric_limits<int32_t>::max()) {
        return std::numeric_limits<int32_t>::max();
    }
    if (v < std::numeric_limits<int32_t>::min()) {
        return std::numeric_limits<int32_t>::min();
    }
    return static_cast<int32_t>(v);
}

double StrtodLike(std::string_view text) {
    return ReadDouble(text, true);
}

double StrtodLike(std::u16string_view text) {
    return ReadDouble(AsciiPrefix(text), true);
}

double StrtodDecimalLike(std::string_view text) {
    return ReadDouble(text, false);
}

double StrtodDecimalLike(std::u16string_view text) {
    return ReadDouble(AsciiPrefix(text), false);
}

unsigned long long StrtoulHexLike(std::string_view text) {
    bool negative = false;
    std::string_view digits = SkipSpaceAndSign(text, negative);
    // "0x" counts as a prefix only when a hexadecimal digit follows; "0xg" reads as 0.
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X') &&
        HexDigit(digits[2]) >= 0) {
        digits.remove_prefix(2);
    }
    constexpr unsigned long long kMax = ULLONG_MAX;
    unsigned long long value = 0;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        const int d = HexDigit(digits[i]);
        if (d < 0) {
            break;
        }
        if (value > (kMax - static_cast<unsigned>(d)) / 16) {
            return kMax; // strtoul saturates before it looks at the sign
        }
        value = value * 16 + static_cast<unsigned>(d);
    }
    return negative ? 0 - value : value;
}

float NarrowToFloat(double value) {
    if (value > std::numeric_limits<float>::max()) {
        return std::numeric_limits<float>::infinity();
    }
    if (value < -std::numeric_limits<float>::max()) {
        return -std::numeric_limits<float>::infinity();
    }
    return static_cast<float>(value);
}

std::string PrintfFixed(double value, int width, int precision) {
    std::string body;
    if (std::isnan(value)) {
        body = std::signbit(value) ? "-nan" : "nan";
    } else if (std::isinf(value)) {
        body = value < 0 ? "-inf" : "inf";
    } else {
        // -DBL_MAX is 309 digits and a sign; the point and the decimals come on top.
        std::string buf(312 + static_cast<std::size_t>(precision < 0 ? 6 : precision), '\0');
        const auto r = std::to_chars(buf.data(), buf.data() + buf.size(), value,
                                     std::chars_format::fixed, precision < 0 ? 6 : precision);
        body = r.ec == std::errc() ? std::string(buf.data(), r.ptr) : std::string("0");
    }
    return Pad(std::move(body), width);
}

std::string PrintfInt(int64_t value, int width) {
    std::string text = Digits(Magnitude(value));
    if (value < 0) {
        text.insert(text.begin(), '-');
    }
    return Pad(std::move(text), width);
}

std::string PrintfZeroPadded(int64_t value, int width) {
    std::string digits = Digits(Magnitude(value));
    const int padTo = width - (value < 0 ? 1 : 0);
    if (static_cast<int>(digits.size()) < padTo) {
        digits.insert(0, static_cast<std::size_t>(padTo) - digits.size(), '0');
    }
    if (value < 0) {
        digits.insert(digits.begin(), '-');
    }
    return digits;
}

std::string PrintfLike(const char* format, ...) {
    // The calling thread alone switches to the C locale, and only for the two calls.
    const locale_t c = CLocale();
    const locale_t previous = c ? uselocale(c) : locale_t{};
    std::va_list args;
    va_start(args, format);
    std::va_list again;
    va_copy(again, args);
    const int n = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string text;
    if (n > 0) {
        text.resize(static_cast<std::size_t>(n) + 1);
        std::vsnprintf(text.data(), text.size(), format, again);
        text.resize(static_cast<std::size_t>(n));
    }
    va_end(again);
    if (c) {
        uselocale(previous);
    }
    return text;
}

} // namespace tm47
