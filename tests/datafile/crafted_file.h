#pragma once
// Data files crafted record by record with the logger's own record builders, for the tests of
// the code that reads them back (viewer, profile history, r47).
#include <array>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "config/settings.h"
#include "datafile/records.h"
#include "temp_dir_support.h"

namespace tm47 {

// A reading record: `raw` on the four channels and the stored reference mean `meanWhole` +
// `meanHundredths` / 100, words high byte first.
inline Record TestReading(char letter, std::array<int16_t, 4> raw, int16_t meanWhole = 0,
                          int8_t meanHundredths = 0, uint8_t rangeCode = 0, uint32_t tick = 0) {
    std::array<uint8_t, kReadingFrameBytes> frame{static_cast<uint8_t>(letter), rangeCode};
    const int16_t words[] = {raw[0], raw[1], raw[2], raw[3], meanWhole};
    for (std::size_t i = 0; i < 5; ++i) {
        frame[2 + 2 * i] = static_cast<uint8_t>(static_cast<uint16_t>(words[i]) >> 8);
        frame[3 + 2 * i] = static_cast<uint8_t>(words[i] & 0xFF);
    }
    frame[12] = static_cast<uint8_t>(meanHundredths);
    return ReadingRecord(frame, tick);
}

// "$" + body + "*HH" with the body's checksum.
inline std::string WithChecksum(std::string_view body) {
    unsigned sum = 0;
    for (char c : body) {
        sum ^= static_cast<unsigned char>(c);
    }
    char tail[4];
    std::snprintf(tail, sizeof tail, "*%02X", sum);
    return std::string("$").append(body).append(tail);
}

struct CraftedFile {
    std::string bytes;

    CraftedFile& Add(const Record& r) {
        bytes.append(r.data(), r.size());
        return *this;
    }
    // File header and name records and four header-form offsets, as data file creation writes.
    CraftedFile& Header(bool gps) {
        Settings s;
        s.gpsEnabled = gps ? 1 : 0;
        Add(FileHeaderRecord(s, false, true)).Add(FileNameRecord("TEST", 0.2f));
        for (int i = 0; i < 4; ++i) {
            Add(HeaderOffsetRecord(0.0f, kQcNone, 0.0f));
        }
        return *this;
    }
    // L, B, A, Z (17 May 2024 at `hms`), the four nulling-form O records of `offsets` with
    // `order` at position 22 ('1': subtracted before normalising), then a "*" stamp if given.
    CraftedFile& Line(std::u16string_view name, double start, float increment,
                      std::array<int, 3> hms = {12, 0, 0}, std::optional<uint32_t> stamp = {},
                      std::array<float, 4> offsets = {}, char order = '1') {
        const LocalTime t{2024, 5, 17, hms[0], hms[1], hms[2], 0};
        Add(SurveyLineRecord(name)).Add(StartStationRecord(start));
        Add(DirectionRecord(1, increment)).Add(DateTimeRecord(t));
        for (float o : offsets) {
            Record r = NullingOffsetRecord(o, 0.0f);
            r[22] = order;
            Add(r);
        }
        return stamp ? Add(TimeStampRecord(t, *stamp)) : *this;
    }
    // A nulling group in the line: four O records.
    CraftedFile& Offsets(std::array<float, 4> offsets) {
        for (float o : offsets) {
            Add(NullingOffsetRecord(o, 0.0f));
        }
        return *this;
    }
    // `raw` on every channel, range code 0, reference mean 0 (gain 1).
    CraftedFile& Reading(int16_t raw = 0, uint32_t tick = 0, char letter = 'T') {
        return Add(TestReading(letter, {raw, raw, raw, raw}, 0, 0, 0, tick));
    }
    // A sentence with a right checksum (text without CR LF) as the GPS reader writes it, then
    // its "!" record.
    CraftedFile& Sentence(std::string_view text, uint32_t tick) {
        for (const Record& r : GpsSentenceRecords(text, kGpsFirstTag, kGpsContinuationTag)) {
            Add(r);
        }
        return Add(GpsTimeRecord(tick));
    }
    // Writes the bytes to `path` and returns it.
    std::string WriteTo(const std::filesystem::path& path) const {
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }
};

} // namespace tm47
