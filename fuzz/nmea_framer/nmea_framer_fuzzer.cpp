// NMEA framing, the checksum check, the field extractor and the status texts on arbitrary
// bytes. The first bytes choose how the rest is split into reads; every split must give
// the same lines as feeding the bytes one by one, and every line must obey the framing
// limits.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "gps/gps_status.h"
#include "gps/nmea_framer.h"

#include "fuzz/fuzz_support.h"

namespace {

struct Framed {
    std::string text;
    bool valid;
    bool operator==(const Framed&) const = default;
};

using tm47::fuzz::Check;

// The field extractor and the status texts take any field of any text (the number readers
// behind them have their own fuzz target).
void CheckFields(const std::string& text, char separator) {
    std::string field;
    for (int n : {0, 1, 7, 8, 16, 20, 300}) {
        const bool found = tm47::ExtractField(text, n, separator, field);
        Check(!found || field.size() <= tm47::kNmeaFieldMax);
        (void)tm47::FixQualityText(found ? field : std::string());
        (void)tm47::SatellitesText(found, field);
        Check(!tm47::PdopText(found, field).empty());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) {
        return 0;
    }
    // Two bytes of split seed, the rest is the byte stream.
    tm47::fuzz::ReadSplitter splitter(data[0] | (static_cast<uint32_t>(data[1]) << 8), 64);
    const uint8_t* bytes = data + 2;
    const size_t n = size - 2;

    std::vector<Framed> oneByOne;
    tm47::NmeaFramer reference;
    tm47::NmeaLine line;
    for (size_t i = 0; i < n; ++i) {
        if (reference.Push(bytes[i], line)) {
            Check(line.text.size() < tm47::kNmeaLineBufferSize);
            Check(line.text.find('\0') == std::string::npos);
            Check(line.valid == tm47::NmeaChecksumOk(line.text));
            CheckFields(line.text, ',');
            oneByOne.push_back({line.text, line.valid});
        }
        Check(reference.Buffered() <= tm47::kNmeaLineBufferSize);
    }

    // The same bytes in reads of random length, with a framer reused across reads.
    std::vector<Framed> split;
    tm47::NmeaFramer framer;
    for (size_t at = 0, chunk; at < n; at += chunk) {
        chunk = splitter.Next(n - at);
        for (size_t i = at; i < at + chunk; ++i) {
            if (framer.Push(bytes[i], line)) {
                split.push_back({line.text, line.valid});
            }
        }
    }
    Check(split == oneByOne && framer.Buffered() == reference.Buffered());
    Check(framer.Stats().lines == oneByOne.size() && framer.Stats().validLines <= oneByOne.size());

    // The whole input as one text, with any separator.
    CheckFields(std::string(reinterpret_cast<const char*>(bytes), n), static_cast<char>(data[0]));
    return 0;
}
