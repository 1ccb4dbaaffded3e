// The C-numbers module against the C library itself, in the C locale, on arbitrary text and
// arbitrary values. The module runs under the German locale where it is installed, so a
// conversion that looked at the process locale would differ here.

#include <algorithm>
#include <climits>
#include <clocale>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <locale.h>
#include <string>

#include "platform/c_numbers.h"

#include "fuzz/fuzz_support.h"

namespace {

using tm47::fuzz::Check;

// Runs `call` in the C locale on this thread.
template <class F> auto InCLocale(F call) {
    static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t{});
    const locale_t previous = uselocale(c);
    auto result = call();
    uselocale(previous);
    return result;
}

bool SameDouble(double a, double b) {
    return std::isnan(a) || std::isnan(b) ? std::isnan(a) && std::isnan(b)
                                          : a == b && std::signbit(a) == std::signbit(b);
}

void CheckReaders(const std::string& text) {
    // The C library reads up to the first NUL; the module gets the whole text.
    const char* s = text.c_str();
    Check(tm47::AtoiLike(text) == InCLocale([&] { return std::atoi(s); }));
    const long wide = InCLocale([&] { return std::strtol(s, nullptr, 10); });
    Check(tm47::StrtolSaturatingInt32(text) == std::clamp<long>(wide, INT32_MIN, INT32_MAX));
    Check(SameDouble(tm47::StrtodLike(text), InCLocale([&] { return std::strtod(s, nullptr); })));
    // Without the "x" strtod cannot see a hexadecimal number; nothing else uses the letter.
    std::string noHex(s);
    for (char& c : noHex)
        c = (c == 'x' || c == 'X') ? 'z' : c;
    Check(SameDouble(tm47::StrtodDecimalLike(text),
                     InCLocale([&] { return std::strtod(noHex.c_str(), nullptr); })));
    Check(tm47::StrtoulHexLike(text) == InCLocale([&] { return std::strtoul(s, nullptr, 16); }));
}

// snprintf in the C locale.
template <class... Args> std::string CFormat(const char* format, Args... args) {
    return InCLocale([&] {
        char buf[2048];
        const int n = std::snprintf(buf, sizeof buf, format, args...);
        return std::string(buf, n < 0 ? 0 : static_cast<std::size_t>(n));
    });
}

// A value, a width and a precision from the first ten bytes.
void CheckFormatters(const uint8_t* data) {
    double value = 0.0;
    long long integer = 0;
    std::memcpy(&value, data, sizeof value);
    std::memcpy(&integer, data, sizeof integer);
    const int width = static_cast<int8_t>(data[8]) % 48;
    const int precision = data[9] % 24;
    const std::string fixed = CFormat("%*.*f", width, precision, value);
    Check(tm47::PrintfFixed(value, width, precision) == fixed);
    Check(tm47::PrintfLike("%*.*f", width, precision, value) == fixed);
    Check(tm47::PrintfInt(integer, width) == CFormat("%*lld", width, integer));
    Check(tm47::PrintfZeroPadded(integer, std::abs(width)) ==
          CFormat("%0*lld", std::abs(width), integer));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) {
        std::setlocale(LC_ALL, "de_DE.utf8");
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    CheckReaders(std::string(reinterpret_cast<const char*>(data), size));
    if (size >= 10) {
        CheckFormatters(data);
    }
    return 0;
}
