#include "number_fields.h"

namespace r47 {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Skips the right-alignment spaces and the sign; returns the position of the first digit.
std::size_t NumberStart(std::string_view f) {
    std::size_t i = 0;
    while (i < f.size() && f[i] == ' ') {
        ++i;
    }
    if (i < f.size() && f[i] == '-') {
        ++i;
    }
    return i;
}

} // namespace

bool IsBlank(std::string_view field) {
    return field.find_first_not_of(' ') == std::string_view::npos;
}

bool IsIntegerField(std::string_view f) {
    std::size_t i = NumberStart(f);
    const std::size_t digits = i;
    while (i < f.size() && IsDigit(f[i])) {
        ++i;
    }
    return i > digits && i == f.size();
}

bool IsFixedField(std::string_view f, int decimals) {
    std::size_t i = NumberStart(f);
    const std::size_t digits = i;
    while (i < f.size() && IsDigit(f[i])) {
        ++i;
    }
    if (i == digits || i >= f.size() || f[i] != '.') {
        return false;
    }
    ++i;
    for (int d = 0; d < decimals; ++d, ++i) {
        if (i >= f.size() || !IsDigit(f[i])) {
            return false;
        }
    }
    return i == f.size();
}

int64_t FieldInteger(std::string_view f) {
    std::size_t i = 0;
    while (i < f.size() && f[i] == ' ') {
        ++i;
    }
    const bool negative = i < f.size() && f[i] == '-';
    if (negative || (i < f.size() && f[i] == '+')) {
        ++i;
    }
    int64_t v = 0;
    for (; i < f.size() && IsDigit(f[i]) && v < 100000000000000LL; ++i) {
        v = v * 10 + (f[i] - '0');
    }
    return negative ? -v : v;
}

int Digits(std::string_view text, std::size_t n) {
    if (text.size() < n) {
        return -1;
    }
    int v = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (!IsDigit(text[i])) {
            return -1;
        }
        v = v * 10 + (text[i] - '0');
    }
    return v;
}

} // namespace r47
