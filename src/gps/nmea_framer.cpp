#include "gps/nmea_framer.h"

#include <climits>

namespace tm47 {

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
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

bool IsCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

} // namespace

unsigned long long ParseHexLikeStrtoul(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsCSpace(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // "0x" counts as a prefix only when a hex digit follows; "0xg" reads as 0.
    if (i + 2 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
        HexDigit(text[i + 2]) >= 0) {
        i += 2;
    }
    // strtoul works in unsigned long, 64 bits here.
    constexpr unsigned long long kMax = ULONG_MAX;
    unsigned long long value = 0;
    bool overflow = false;
    for (; i < text.size(); ++i) {
        int d = HexDigit(text[i]);
        if (d < 0) {
            break;
        }
        if (value > (kMax - static_cast<unsigned>(d)) / 16) {
            overflow = true;
        } else {
            value = value * 16 + static_cast<unsigned>(d);
        }
    }
    if (overflow) {
        return kMax;
    }
    return negative ? (kMax - value + 1) & kMax : value;
}

bool NmeaChecksumOk(std::string_view line) {
    if (line.empty() || line[0] != '$') {
        return false;
    }
    const std::size_t firstStar = line.find('*');
    if (firstStar == std::string_view::npos) {
        return false;
    }
    unsigned sum = 0;
    for (std::size_t i = 1; i < firstStar; ++i) {
        sum ^= static_cast<uint8_t>(line[i]);
    }
    const std::size_t lastStar = line.rfind('*');
    return ParseHexLikeStrtoul(line.substr(lastStar + 1)) == sum;
}

bool NmeaFramer::Push(uint8_t byte, NmeaLine& out) {
    if (byte == '$') {
        if (count_ > 0) {
            ++counters_.dollarRestarts;
        }
        buffer_[0] = '$';
        count_ = 1;
        return false;
    }
    if (byte == '\n') {
        if (count_ == 0) {
            // Nothing to end: there is no byte before the line feed to drop.
            ++counters_.emptyLineFeeds;
            return false;
        }
        // The byte before the line feed (the CR of a well-formed line) is not part of it.
        // Lines are C strings on the wire side: a NUL byte ends the text there.
        std::size_t length = count_ - 1;
        for (std::size_t i = 0; i < length; ++i) {
            if (buffer_[i] == '\0') {
                length = i;
                break;
            }
        }
        out.text.assign(buffer_, length);
        out.valid = NmeaChecksumOk(out.text);
        count_ = 0;
        ++counters_.lines;
        if (out.valid) {
            ++counters_.validLines;
        }
        return true;
    }
    if (count_ >= kNmeaLineBufferSize) {
        ++counters_.overflowRestarts;
        count_ = 0;
    }
    buffer_[count_++] = static_cast<char>(byte);
    return false;
}

bool ExtractField(std::string_view text, int n, char delimiter, std::string& out) {
    if (n < 1) {
        return false;
    }
    std::size_t start = 0;
    for (int skipped = 0; skipped < n - 1; ++skipped) {
        const std::size_t d = text.find(delimiter, start);
        if (d == std::string_view::npos) {
            return false;
        }
        start = d + 1;
    }
    std::size_t end = text.find(delimiter, start);
    if (end == std::string_view::npos) {
        end = text.size();
    }
    std::string_view field = text.substr(start, end - start);
    if (field.size() > kNmeaFieldMax) {
        field = field.substr(0, kNmeaFieldMax);
    }
    out.assign(field);
    return true;
}

} // namespace tm47
