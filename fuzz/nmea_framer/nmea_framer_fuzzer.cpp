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

void CheckLine(const tm47::NmeaLine& line) {
    Check(line.text.size() < tm47::kNmeaLineBufferSize);
    Check(line.text.find('\0') == std::string::npos);
    Check(line.valid == tm47::NmeaChecksumOk(line.text));
    std::string field;
    for (int n : {0, 1, 7, 8, 16, 300}) {
        if (tm47::ExtractField(line.text, n, ',', field)) {
            Check(field.size() <= tm47::kNmeaFieldMax);
        }
    }
    const bool f7 = tm47::ExtractField(line.text, 7, ',', field);
    (void)tm47::FixQualityText(f7 ? field : std::string());
    const bool f8 = tm47::ExtractField(line.text, 8, ',', field);
    (void)tm47::SatellitesText(f8, field);
    const bool f16 = tm47::ExtractField(line.text, 16, ',', field);
    const std::string pdop = tm47::PdopText(f16, field);
    Check(!pdop.empty());
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
            CheckLine(line);
            oneByOne.push_back({line.text, line.valid});
        }
        Check(reference.Buffered() <= tm47::kNmeaLineBufferSize);
    }

    // The same bytes in reads of random length, with a framer reused across reads.
    std::vector<Framed> split;
    tm47::NmeaFramer framer;
    size_t at = 0;
    while (at < n) {
        const size_t chunk = splitter.Next(n - at);
        std::vector<uint8_t> read(bytes + at, bytes + at + chunk);
        for (uint8_t b : read) {
            if (framer.Push(b, line)) {
                split.push_back({line.text, line.valid});
            }
        }
        at += chunk;
    }
    Check(split == oneByOne);
    Check(framer.Buffered() == reference.Buffered());
    const auto& s = framer.Stats();
    Check(s.lines == oneByOne.size());
    Check(s.validLines <= s.lines);

    // The whole input as one text for the field extractor and the status texts (the number
    // readers behind them have their own fuzz target).
    const std::string text(reinterpret_cast<const char*>(bytes), n);
    std::string field;
    for (int k = 1; k <= 20; ++k) {
        if (tm47::ExtractField(text, k, static_cast<char>(data[0]), field)) {
            Check(field.size() <= tm47::kNmeaFieldMax);
            (void)tm47::SatellitesText(true, field);
            (void)tm47::PdopText(true, field);
        }
    }
    return 0;
}
