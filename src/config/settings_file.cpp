#include "config/settings_file.h"

#include "platform/c_numbers.h"
#include "platform/file_handle.h"

#include <array>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <string>
#include <system_error>
#include <variant>

namespace tm47 {
namespace {

namespace fs = std::filesystem;

// One reading cycle of the instrument in milliseconds, as the single-precision constant
// the instrument's timing is given in (55.078213).
constexpr float kCycleMs = std::bit_cast<float>(0x425C5017u);

// The value lines of the file, in file order (lines 2..47). Colours ("%ld") are ints here:
// both are 32 bits and print alike.
template <class S> auto FieldsOf(S& s) {
    using Field = std::variant<decltype(&s.units), decltype(&s.profileScaleMin),
                               decltype(&s.startStation), decltype(&s.surveyLine)>;
    return std::array<Field, 46>{
        &s.instrumentVariant,
        &s.antenna,
        &s.units,
        &s.instrumentPort,
        &s.audio,
        &s.pauseKey,
        &s.channelShown[0],
        &s.channelShown[1],
        &s.channelShown[2],
        &s.channelShown[3],
        &s.channelThickness[0],
        &s.channelThickness[1],
        &s.channelThickness[2],
        &s.channelThickness[3],
        &s.channelColour[0],
        &s.channelColour[1],
        &s.channelColour[2],
        &s.channelColour[3],
        &s.amplitudeMode,
        &s.profileScaleMin,
        &s.profileScaleMax,
        &s.gpsEnabled,
        &s.gpsPort,
        &s.gpsBaud,
        &s.gpsDataBits,
        &s.gpsParity,
        &s.gpsStopBits,
        &s.surveyMode,
        &s.autoStationIncrement,
        &s.wheelStationIncrement,
        &s.manualStationIncrement,
        &s.readingInterval,
        &s.surveyLine,
        &s.lineIncrement,
        &s.lineSequence,
        &s.lineDirection,
        &s.startStation,
        &s.dataStorage,
        &s.outputEnabled,
        &s.outputFormat,
        &s.outputPort,
        &s.outputBaud,
        &s.outputDataBits,
        &s.outputParity,
        &s.outputStopBits,
        &s.writeTestFile,
    };
}

// The survey line as 8-bit text. The text ends at a NUL like a C string; an LF would split
// the file's lines, so it is written as '?' like any character the 8-bit set lacks.
std::string SurveyLineBytes(const std::u16string& text) {
    std::string out;
    for (char16_t c : text) {
        if (c == u'\0') {
            break;
        }
        out += (c > 0xFF || c == u'\n') ? '?' : static_cast<char>(c);
    }
    return out;
}

std::u16string SurveyLineFromBytes(std::string_view bytes) {
    std::u16string out;
    for (char c : bytes) {
        if (c == '\0' || out.size() == kSurveyLineMax) {
            break;
        }
        out += static_cast<char16_t>(static_cast<unsigned char>(c));
    }
    return out;
}

struct LineWriter {
    std::string& out;
    void operator()(const int32_t* v) const { out += PrintfInt(*v, 0); }
    void operator()(const float* v) const { out += PrintfFixed(static_cast<double>(*v), 0, 6); }
    void operator()(const double* v) const { out += PrintfFixed(*v, 0, 6); }
    void operator()(const std::u16string* v) const { out += SurveyLineBytes(*v); }
};

struct LineReader {
    std::string_view line;
    void operator()(int32_t* v) const { *v = StrtolSaturatingInt32(line); }
    void operator()(float* v) const { *v = NarrowToFloat(StrtodLike(line)); }
    void operator()(double* v) const { *v = StrtodLike(line); }
    void operator()(std::u16string* v) const { *v = SurveyLineFromBytes(line); }
};

std::string SettingsLinesText(const Settings& settings) {
    std::string out;
    for (const auto& field : FieldsOf(settings)) {
        std::visit(LineWriter{out}, field);
        out += "\r\n";
    }
    return out;
}

// Truncates toward zero, saturating at the 32-bit range; NaN gives `nanValue`.
int32_t TruncateToInt(double v, int32_t nanValue) {
    if (std::isnan(v)) {
        return nanValue;
    }
    if (v >= 2147483647.0) {
        return std::numeric_limits<int32_t>::max();
    }
    if (v <= -2147483648.0) {
        return std::numeric_limits<int32_t>::min();
    }
    return static_cast<int32_t>(v);
}

// Steps shared by load and save: refresh the card flag and make sure the folder exists.
fs::path PrepareSettingsFile(Settings& settings, const DeviceRoot& root) {
    RefreshStorageCardPresent(settings, root);
    std::error_code ec;
    fs::create_directories(root.Map(kSettingsFolder), ec); // failures show when writing
    return root.Map(kSettingsFileName);
}

// Writes tag and fields to `path` through a new file renamed over the old one.
bool WriteSettingsFile(const Settings& settings, const fs::path& path) {
    fs::path temp = path;
    temp += ".new";
    FileHandle f = OpenFile(temp.c_str(), "wb");
    if (!f) {
        std::fprintf(stderr, "config: cannot create %s: %s\n", temp.c_str(), std::strerror(errno));
        return false;
    }
    const std::string tag = std::string(kSettingsTag) + "\r\n";
    errno = 0;
    bool ok = std::fwrite(tag.data(), 1, tag.size(), f.get()) == tag.size();
    ok = WriteSettingsLines(f.get(), settings) && ok;
    ok = std::fflush(f.get()) == 0 && ok;
    const int writeErrno = errno;
    ok = CloseFile(f) && ok;
    if (!ok) {
        const int err = writeErrno ? writeErrno : errno;
        std::fprintf(stderr, "config: cannot write %s: %s\n", temp.c_str(),
                     err ? std::strerror(err) : "short write");
        std::error_code ec;
        fs::remove(temp, ec);
        return false;
    }
    std::error_code ec;
    fs::rename(temp, path, ec);
    if (ec) {
        std::fprintf(stderr, "config: cannot replace %s: %s\n", path.c_str(), ec.message().c_str());
        fs::remove(temp, ec);
        return false;
    }
    return true;
}

} // namespace

void RefreshStorageCardPresent(Settings& settings, const DeviceRoot& root) {
    std::error_code ec;
    settings.storageCardPresent = fs::exists(root.Map(kStorageCard), ec) ? 1 : 0;
}

void UpdateCyclesPerReading(Settings& settings) {
    const double cycles =
        static_cast<double>(settings.readingInterval) * 1000.0 / static_cast<double>(kCycleMs) +
        0.5;
    const int32_t n = TruncateToInt(cycles, 1);
    settings.cyclesPerReading = n < 1 ? 1 : n;
}

void UpdateReadingIntervalMs(Settings& settings) {
    const float ms = settings.readingInterval * 1000.0f; // single precision: 0.2 gives 200
    settings.readingIntervalMs = TruncateToInt(ms, 0);
}

void UpdateActiveStationIncrement(Settings& settings) {
    switch (settings.surveyMode) {
    case 0:
        settings.activeStationIncrement = settings.autoStationIncrement;
        break;
    case 1:
        settings.activeStationIncrement = settings.wheelStationIncrement;
        break;
    case 2:
        settings.activeStationIncrement = settings.manualStationIncrement;
        break;
    default:
        break; // an unknown mode keeps the increment it had
    }
}

void UpdateProfilePixelsPerUnit(Settings& settings) {
    // The scale dialog keeps the maximum above the minimum, but a file may not: such a scale
    // is drawn as minimum .. minimum + 100 (the stored values stay as they are).
    const float height = static_cast<float>(settings.profilePlotHeight);
    const float min = settings.profileScaleMin;
    float range = settings.profileScaleMax - min;
    if (!(range > 0.0f)) {
        range = (min + 100.0f) - min;
    }
    float ppu = height / range;
    if (!std::isfinite(ppu)) {
        ppu = height / 100.0f; // a minimum so large (or a range so small) that floats fail
    }
    settings.profilePixelsPerUnit = ppu;
}

void UpdateDerivedSettings(Settings& settings) {
    UpdateProfilePixelsPerUnit(settings);
    UpdateReadingIntervalMs(settings);
    UpdateCyclesPerReading(settings);
    UpdateActiveStationIncrement(settings);
}

long ReadTextLine(std::FILE* file, char* buffer, std::size_t size) {
    if (size == 0) {
        return -1; // no room even for the terminator; nothing sensible to read into
    }
    const std::size_t room = size - 1;
    std::size_t length = 0; // bytes of the line before LF, kept or not
    bool lastWasCr = false;
    int c = std::fgetc(file);
    if (c == EOF) {
        buffer[0] = '\0';
        return -1;
    }
    while (c != EOF && c != '\n') {
        if (length < room) {
            buffer[length] = static_cast<char>(c);
        }
        ++length;
        lastWasCr = c == '\r';
        c = std::fgetc(file);
    }
    std::size_t kept = length < room ? length : room;
    if (lastWasCr && length <= room) {
        --kept; // the CR of CR LF (or of a last line without LF)
    }
    buffer[kept] = '\0';
    return static_cast<long>(kept);
}

bool WriteSettingsLines(std::FILE* file, const Settings& settings) {
    const std::string text = SettingsLinesText(settings);
    return std::fwrite(text.data(), 1, text.size(), file) == text.size();
}

int ReadSettingsLines(std::FILE* file, Settings& settings) {
    char line[kSettingsLineSize];
    int read = 0;
    for (const auto& field : FieldsOf(settings)) {
        const long n = ReadTextLine(file, line, sizeof line);
        if (n < 0) {
            break; // a short file: the fields it lacks keep their values
        }
        std::visit(LineReader{std::string_view(line, static_cast<std::size_t>(n))}, field);
        ++read;
    }
    if (settings.dataStorage == 1 && settings.storageCardPresent == 0) {
        settings.dataStorage = 0;
    }
    UpdateDerivedSettings(settings);
    return read;
}

SettingsLoad LoadSettings(Settings& settings, const DeviceRoot& root) {
    const fs::path path = PrepareSettingsFile(settings, root);
    FileHandle f = OpenFile(path.c_str(), "rb");
    if (!f) {
        if (errno != ENOENT) {
            std::fprintf(stderr, "config: cannot open %s: %s; writing it anew\n", path.c_str(),
                         std::strerror(errno));
        }
        UpdateDerivedSettings(settings);
        WriteSettingsFile(settings, path);
        return SettingsLoad::Missing;
    }
    char line[kSettingsLineSize];
    const long n = ReadTextLine(f.get(), line, sizeof line);
    if (n < 0 || std::string_view(line, static_cast<std::size_t>(n)) != kSettingsTag) {
        f.reset();
        std::error_code ec;
        fs::remove(path, ec);
        UpdateDerivedSettings(settings);
        WriteSettingsFile(settings, path);
        return SettingsLoad::Foreign;
    }
    ReadSettingsLines(f.get(), settings);
    return SettingsLoad::Loaded;
}

bool SaveSettings(Settings& settings, const DeviceRoot& root) {
    return WriteSettingsFile(settings, PrepareSettingsFile(settings, root));
}

} // namespace tm47
