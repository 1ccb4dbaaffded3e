#include "config/c_numbers.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <locale.h>
#include <stdlib.h>

namespace tm47 {
namespace {

// The C locale, made once and never changed. If it cannot be made (it always exists), the
// conversions fall back to the thread's current locale.
locale_t CLocale() {
    static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t{});
    return c;
}

// Runs `convert` with the calling thread switched to the C locale.
template <class F> auto InCLocale(F convert) {
    const locale_t c = CLocale();
    const locale_t previous = c ? uselocale(c) : locale_t{};
    auto result = convert();
    if (c) {
        uselocale(previous);
    }
    return result;
}

} // namespace

std::string CFormatInt(int32_t value) {
    char buf[16];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, end);
}

std::string CFormatFixed(double value) {
    // Widest case: -DBL_MAX is 309 digits, the point and six decimals.
    char buf[352];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, 6);
    if (ec != std::errc{}) {
        return "0.000000"; // cannot happen with this buffer; write a readable number
    }
    return std::string(buf, end);
}

int32_t CLeadingInt(std::string_view text) {
    const std::string s(text); // NUL-terminated; an embedded NUL ends the number
    const long long v = InCLocale([&] { return std::strtoll(s.c_str(), nullptr, 10); });
    if (v > std::numeric_limits<int32_t>::max()) {
        return std::numeric_limits<int32_t>::max();
    }
    if (v < std::numeric_limits<int32_t>::min()) {
        return std::numeric_limits<int32_t>::min();
    }
    return static_cast<int32_t>(v);
}

double CLeadingDouble(std::string_view text) {
    const std::string s(text);
    return InCLocale([&] { return std::strtod(s.c_str(), nullptr); });
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

} // namespace tm47
