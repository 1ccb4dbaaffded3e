// NMEA framing, the checksum check, the field extractor and the status texts on arbitrary
// bytes: every line obeys the framing limits and its verdict is the checksum check's, and the
// field extractor and status texts take any field of any text (the number readers behind them
// have their own fuzz target).

#include <cstddef>
#include <cstdint>
#include <string>

#include "gps/gps_status.h"
#include "gps/nmea_framer.h"

#include "fuzz/fuzz_support.h"

namespace {

using tm47::fuzz::Check;

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
    tm47::NmeaFramer framer;
    tm47::NmeaLine line;
    uint64_t lines = 0, valid = 0;
    for (size_t i = 0; i < size; ++i) {
        if (framer.Push(data[i], line)) {
            Check(line.text.size() < tm47::kNmeaLineBufferSize);
            Check(line.text.find('\0') == std::string::npos);
            Check(line.valid == tm47::NmeaChecksumOk(line.text));
            CheckFields(line.text, ',');
            ++lines;
            valid += line.valid ? 1 : 0;
        }
        Check(framer.Buffered() <= tm47::kNmeaLineBufferSize);
    }
    Check(framer.Stats().lines == lines && framer.Stats().validLines == valid);
    // The whole input as one text, with any separator.
    CheckFields(std::string(reinterpret_cast<const char*>(data), size), size ? data[0] : ',');
    return 0;
}
