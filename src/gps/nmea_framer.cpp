#include "gps/nmea_framer.h"

#include "platform/c_numbers.h"

namespace tm47 {

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
    return StrtoulHexLike(line.substr(lastStar + 1)) == sum;
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
