#include "datafile/records.h"

#include <algorithm>
#include <cstring>

#include "datafile/eight_bit_text.h"
#include "platform/c_numbers.h"

namespace tm47 {

namespace {

std::string Tick10(uint32_t tick) {
    return PrintfInt(SignedTick(tick), 10);
}

std::string Cut(std::string text, std::size_t max) {
    if (text.size() > max) {
        text.resize(max);
    }
    return text;
}

std::string LeftPadded(std::string text, std::size_t width) {
    text = Cut(std::move(text), width);
    text.append(width - text.size(), ' ');
    return text;
}

std::string Two(int v) {
    return PrintfZeroPadded(v, 2);
}

constexpr std::string_view kCrLf = "\r\n";

void Place(std::string& line, std::size_t column, const std::string& text) {
    for (std::size_t i = 0; i < text.size() && column + i < line.size(); ++i) {
        line[column + i] = text[i];
    }
}

} // namespace

bool IsReadingKind(char kind) {
    return kind != '\0' && std::string_view("DEFJKMNPQTjk").find(kind) != std::string_view::npos;
}

Record MakeRecord(std::string_view fields) {
    Record r;
    r.fill(' ');
    std::memcpy(r.data(), fields.data(), std::min(fields.size(), kRecordLength - 1));
    r[kRecordLength - 1] = '\n';
    return r;
}

Record FileHeaderRecord(const Settings& s, bool polledLink, bool portrait) {
    std::string f = s.instrumentVariant == 1 ? "TM47HXB W" : "TM47KVB W";
    f += "231";
    f += s.gpsEnabled == 1 ? "GPS" : "GRD";
    f += PrintfInt(s.units, 1);
    f += PrintfInt(s.antenna, 1);
    f += PrintfInt(s.surveyMode, 1);
    f += "   ";
    f += polledLink ? ' ' : '1';
    f += portrait ? '3' : '2';
    return MakeRecord(f);
}

Record FileNameRecord(std::string_view name8, float readingInterval) {
    std::string f = "H ";
    f += LeftPadded(std::string(name8), 9);
    f += PrintfFixed(readingInterval, 7, 3);
    return MakeRecord(f);
}

Record HeaderOffsetRecord(float offset, char qcKind, float qcValue) {
    std::string f = "O";
    f += PrintfFixed(offset, 9, 2);
    f += qcKind;
    f += PrintfFixed(qcValue, 9, 2);
    return MakeRecord(f);
}

Record NullingOffsetRecord(float newOffset, float previousOffset) {
    std::string f = "O";
    f += PrintfFixed(newOffset, 9, 2);
    f += ' ';
    f += PrintfFixed(previousOffset, 9, 2);
    f += "  1";
    return MakeRecord(f);
}

Record QcCalibrationRecord(char qcKind, float value) {
    std::string f = "I";
    f += qcKind;
    f += PrintfFixed(value, 9, 2);
    f += std::string(11, ' ');
    f += '1';
    return MakeRecord(f);
}

Record SurveyLineRecord(std::u16string_view surveyLine) {
    return MakeRecord("L" + Cut(ToEightBit(surveyLine), 8));
}

Record StartStationRecord(double startStation) {
    return MakeRecord("B" + PrintfFixed(startStation, 11, 2));
}

char DirectionLetter(int32_t lineDirection) {
    static constexpr std::string_view kLetters = "WSNE";
    return lineDirection >= 0 && lineDirection < 4
               ? kLetters[static_cast<std::size_t>(lineDirection)]
               : '?';
}

Record DirectionRecord(int32_t lineDirection, float activeStationIncrement) {
    std::string f = "A";
    f += DirectionLetter(lineDirection);
    f += std::string(6, ' ');
    f += PrintfFixed(activeStationIncrement, 11, 3);
    return MakeRecord(f);
}

Record DateTimeRecord(const LocalTime& t) {
    return MakeRecord("Z" + Two(t.day) + Two(t.month) + PrintfZeroPadded(t.year, 4) + " " +
                      Two(t.hour) + ":" + Two(t.minute) + ":" + Two(t.second));
}

Record StationRecord(double station, const LocalTime& t) {
    return MakeRecord("S" + PrintfFixed(station, 11, 2) + " " + Two(t.hour) + Two(t.minute) +
                      Two(t.second) + Two(t.millisecond / 10));
}

Record TimeStampRecord(const LocalTime& t, uint32_t tick) {
    return MakeRecord("*" + Two(t.hour) + ":" + Two(t.minute) + ":" + Two(t.second) + "." +
                      PrintfZeroPadded(t.millisecond, 3) + Tick10(tick));
}

Record ReadingRecord(std::span<const uint8_t> frame, uint32_t tick) {
    Record r;
    r.fill(' ');
    const std::size_t n = std::min(frame.size(), kReadingFrameBytes);
    for (std::size_t i = 0; i < n; ++i) {
        r[i] = static_cast<char>(frame[i]);
    }
    for (std::size_t i = n; i < kReadingFrameBytes; ++i) {
        r[i] = 0; // a short frame cannot happen; its missing bytes read back as 0
    }
    const std::string t = Tick10(tick);
    std::memcpy(r.data() + kReadingFrameBytes, t.data(),
                std::min(t.size(), kRecordLength - 1 - kReadingFrameBytes));
    r[kRecordLength - 1] = '\n';
    return r;
}

Record NoteRecord(char letter, std::u16string_view text, uint32_t tick) {
    std::string f(1, letter);
    f += LeftPadded(ToEightBit(text), 11);
    f += ' ';
    f += Tick10(tick);
    return MakeRecord(f);
}

std::vector<Record> GpsSentenceRecords(std::string_view text, char firstTag, char continuationTag) {
    constexpr std::size_t kPiece = kRecordLength - 2;
    std::vector<Record> out;
    std::size_t pos = 0;
    do {
        const char tag = out.empty() ? firstTag : continuationTag;
        out.push_back(MakeRecord(std::string(1, tag) + std::string(text.substr(pos, kPiece))));
        pos += kPiece;
    } while (pos < text.size());
    if (text.size() >= kPiece && text.size() % kPiece == 0) {
        out.push_back(MakeRecord(std::string(1, continuationTag)));
    }
    return out;
}

Record GpsTimeRecord(uint32_t tick) {
    return MakeRecord("!" + std::string(12, ' ') + Tick10(tick));
}

std::string ConvertedFileName(std::string_view name8) {
    return std::string(name8) + "\r\n";
}

std::string ConvertedFirst23(const Record& r) {
    return std::string(r.data(), kRecordLength - 1) + std::string(kCrLf);
}

std::string ConvertedDateTime(const Record& r) {
    return std::string(r.data(), kRecordLength - 1) + " " + std::string(kCrLf);
}

std::string ConvertedDirection(const Record& r) {
    return std::string{'A', r[1]} + std::string(kCrLf);
}

std::string ConvertedStation(const Record& r, const LocalTime& t) {
    return "S" + std::string(r.data() + 1, 11) + " " + Two(t.hour) + ":" + Two(t.minute) + ":" +
           Two(t.second) + "." + Two(t.millisecond / 10) + "0" + std::string(kCrLf);
}

std::string ConvertedGpsTime(std::string_view text, uint32_t tick) {
    return std::string(text) + " " + Tick10(tick) + std::string(kCrLf);
}

std::string ConvertedReadingLine(char letter, double station, const float (&channel)[4],
                                 int32_t tick) {
    std::string line(67, ' ');
    line[0] = letter;
    Place(line, 2, PrintfFixed(station, 12, 2));
    for (std::size_t c = 0; c < 4; ++c) {
        Place(line, 14 + 10 * c, PrintfFixed(channel[c], 10, 2));
    }
    line[54] = ' ';
    Place(line, 55, PrintfInt(tick, 10));
    line[65] = '\r';
    line[66] = '\n';
    return line;
}

} // namespace tm47
