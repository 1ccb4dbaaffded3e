#include "r47_file_support.h"

#include <array>
#include <cstdio>
#include <fstream>

#include "config/settings.h"
#include "gps/nmea_framer.h"
#include "platform/clock.h"

namespace r47test {

FileBytes& FileBytes::Add(const tm47::Record& r) {
    bytes_.append(r.data(), r.size());
    return *this;
}

FileBytes& FileBytes::Add(std::string_view fields) {
    return Add(tm47::MakeRecord(fields));
}

FileBytes& FileBytes::Header(bool gps) {
    tm47::Settings s;
    s.gpsEnabled = gps ? 1 : 0;
    Add(tm47::FileHeaderRecord(s, false, true));
    Add(tm47::FileNameRecord("TEST", 0.2f));
    for (int i = 0; i < 4; ++i) {
        Add(tm47::HeaderOffsetRecord(0.0f, tm47::kQcNone, 0.0f));
    }
    return *this;
}

FileBytes& FileBytes::Line(std::u16string_view name, double start, float increment, int hour,
                           int minute, int second, uint32_t stampTick) {
    const tm47::LocalTime t{2024, 5, 17, hour, minute, second, 0};
    Add(tm47::SurveyLineRecord(name));
    Add(tm47::StartStationRecord(start));
    Add(tm47::DirectionRecord(1, increment));
    Add(tm47::DateTimeRecord(t));
    for (int i = 0; i < 4; ++i) {
        Add(tm47::NullingOffsetRecord(0.0f, 0.0f));
    }
    return Add(tm47::TimeStampRecord(t, stampTick));
}

FileBytes& FileBytes::Reading(int16_t raw, uint32_t tick, char letter) {
    std::array<uint8_t, tm47::kReadingFrameBytes> frame{};
    frame[0] = static_cast<uint8_t>(letter);
    for (std::size_t c = 0; c < 4; ++c) {
        frame[2 + 2 * c] = static_cast<uint8_t>(static_cast<uint16_t>(raw) >> 8);
        frame[3 + 2 * c] = static_cast<uint8_t>(raw & 0xFF);
    }
    return Add(tm47::ReadingRecord(frame, tick));
}

FileBytes& FileBytes::Sentence(std::string_view text, uint32_t tick) {
    const bool ok = tm47::NmeaChecksumOk(text);
    for (const tm47::Record& r :
         tm47::GpsSentenceRecords(text, ok ? tm47::kGpsFirstTag : tm47::kGpsBadFirstTag,
                                  ok ? tm47::kGpsContinuationTag : tm47::kGpsBadContinuationTag)) {
        Add(r);
    }
    return Add(tm47::GpsTimeRecord(tick));
}

std::string FileBytes::WriteTo(const std::filesystem::path& path) const {
    std::ofstream(path, std::ios::binary) << bytes_;
    return path.string();
}

std::string WithChecksum(std::string_view body) {
    unsigned sum = 0;
    for (char c : body) {
        sum ^= static_cast<unsigned char>(c);
    }
    char tail[4];
    std::snprintf(tail, sizeof tail, "*%02X", sum);
    return "$" + std::string(body) + tail;
}

} // namespace r47test
