#include "data_file_support.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "config/settings.h"
#include "datafile/records.h"
#include "platform/clock.h"

namespace tm47::test {

namespace {
void Append(std::string& data, const Record& r) {
    data.append(r.data(), r.size());
}
const LocalTime kNoon{2024, 5, 17, 12, 0, 0, 0};
} // namespace

CraftedFile& CraftedFile::FileHeader() {
    Append(data_, FileHeaderRecord(Settings{}, true, true));
    Append(data_, FileNameRecord("TEST", 0.2f));
    for (int i = 0; i < 4; ++i) {
        Append(data_, HeaderOffsetRecord(0.0f, kQcNone, 0.0f));
    }
    return *this;
}

CraftedFile& CraftedFile::Line(std::u16string_view name, double startStation, float increment,
                               std::array<float, 4> offsets, char orderChar) {
    Append(data_, SurveyLineRecord(name));
    Append(data_, StartStationRecord(startStation));
    Append(data_, DirectionRecord(1, increment));
    Append(data_, DateTimeRecord(kNoon));
    for (float o : offsets) {
        Record r = NullingOffsetRecord(o, 0.0f);
        r[22] = orderChar;
        Append(data_, r);
    }
    return *this;
}

CraftedFile& CraftedFile::Reading(std::array<int16_t, 4> raw, int16_t meanWhole,
                                  int8_t meanHundredths, char letter) {
    std::array<uint8_t, kReadingFrameBytes> frame{};
    frame[0] = static_cast<uint8_t>(letter);
    for (std::size_t i = 0; i < 4; ++i) {
        frame[2 + 2 * i] = static_cast<uint8_t>(static_cast<uint16_t>(raw[i]) >> 8);
        frame[3 + 2 * i] = static_cast<uint8_t>(raw[i] & 0xFF);
    }
    frame[10] = static_cast<uint8_t>(static_cast<uint16_t>(meanWhole) >> 8);
    frame[11] = static_cast<uint8_t>(meanWhole & 0xFF);
    frame[12] = static_cast<uint8_t>(meanHundredths);
    Append(data_, ReadingRecord(frame, 123456));
    return *this;
}

CraftedFile& CraftedFile::Station(double station) {
    Append(data_, StationRecord(station, kNoon));
    Append(data_, TimeStampRecord(kNoon, 123457));
    return *this;
}

CraftedFile& CraftedFile::Marker(std::u16string_view text) {
    Append(data_, NoteRecord('X', text, 123458));
    return *this;
}

CraftedFile& CraftedFile::Comment(std::u16string_view text) {
    Append(data_, NoteRecord('C', text, 123459));
    return *this;
}

CraftedFile& CraftedFile::Offsets(std::array<float, 4> newOffsets) {
    for (float o : newOffsets) {
        Append(data_, NullingOffsetRecord(o, 0.0f));
    }
    return *this;
}

CraftedFile& CraftedFile::Bytes(std::string_view bytes) {
    data_.append(bytes);
    return *this;
}

TempRoot::TempRoot() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "tm47-viewer-XXXXXX").string();
    if (mkdtemp(tmpl.data()) == nullptr) {
        ADD_FAILURE() << "mkdtemp failed";
    }
    dir = tmpl;
}

TempRoot::~TempRoot() {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
}

std::FILE* WriteAndOpen(const std::filesystem::path& path, std::string_view bytes) {
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    return std::fopen(path.c_str(), "rb");
}

std::string FileBytes(const std::filesystem::path& path) {
    std::string out;
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        char buf[4096];
        for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) {
            out.append(buf, n);
        }
        std::fclose(f);
    }
    return out;
}

} // namespace tm47::test
