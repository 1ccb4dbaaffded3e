#include "viewer/line_index.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <system_error>

#include "datafile/records.h"
#include "platform/c_numbers.h"
#include "platform/file_handle.h"
#include "viewer/line_walk.h"
#include "viewer/record_reader.h"

namespace tm47 {

namespace {

// Writes `value` right-aligned into a 12-character field: "%12.2f" when that fits, else
// "%12.4e", which always fits (sign, 1 digit, point, 4 digits, "e", sign, 3 digits).
void PutFieldExact(char* field, double value) {
    char text[400];
    auto res = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 2);
    if (res.ec != std::errc() || res.ptr - text > static_cast<std::ptrdiff_t>(kIndexFieldWidth)) {
        res = std::to_chars(text, text + sizeof text, value, std::chars_format::scientific, 4);
    }
    std::size_t n = res.ec == std::errc() ? static_cast<std::size_t>(res.ptr - text) : 0;
    if (n == 0 || n > kIndexFieldWidth) {
        text[0] = '0';
        n = 1;
    }
    std::memset(field, ' ', kIndexFieldWidth - n);
    std::memcpy(field + (kIndexFieldWidth - n), text, n);
}

// The same, without the general conversion for the usual magnitudes (a million-reading line
// has five million fields). value x 100 rounded to the nearest integer, ties to even, is what
// printf writes as two decimals, unless the product's own rounding error could have moved it
// across a half: then (and for exact ties, which need the exact value) the general conversion
// decides. A float's value x 100 is exact in double precision, so channel values only fall
// back on true ties.
void PutField(char* field, double value) {
    if (!(std::fabs(value) < 1e9)) {
        PutFieldExact(field, value);
        return;
    }
    const double scaled = value * 100.0;
    const double fraction = std::fabs(scaled - std::trunc(scaled));
    if (std::fabs(fraction - 0.5) <= std::fabs(scaled) * 4e-16) {
        PutFieldExact(field, value);
        return;
    }
    const long long hundredths = std::llround(scaled);
    unsigned long long magnitude =
        static_cast<unsigned long long>(hundredths < 0 ? -hundredths : hundredths);
    char text[16];
    char* p = text + sizeof text;
    *--p = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
    *--p = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
    *--p = '.';
    do {
        *--p = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (std::signbit(value)) {
        *--p = '-'; // also for a value that rounds to 0, as printf writes "-0.00"
    }
    const std::size_t n = static_cast<std::size_t>(text + sizeof text - p);
    if (n > kIndexFieldWidth) {
        PutFieldExact(field, value);
        return;
    }
    std::memset(field, ' ', kIndexFieldWidth - n);
    std::memcpy(field + (kIndexFieldWidth - n), p, n);
}

void PutPointRow(char* row, double station, const std::array<float, 4>& channel) {
    PutField(row, station);
    for (std::size_t i = 0; i < 4; ++i) {
        PutField(row + kIndexFieldWidth * (i + 1), static_cast<double>(channel[i]));
    }
    row[kIndexRowLength - 1] = '\n';
}

// "%12d" of -1, then of -9999 four times.
constexpr std::string_view kGapRow =
    "          -1       -9999       -9999       -9999       -9999\n";
static_assert(kGapRow.size() == kIndexRowLength);

// The index file's rows go out in large writes.
class RowWriter {
public:
    explicit RowWriter(std::FILE* file) : file_(file) { buffer_.reserve(kCapacity); }
    ~RowWriter() { Flush(); }
    RowWriter(const RowWriter&) = delete;
    RowWriter& operator=(const RowWriter&) = delete;

    void Point(double station, const std::array<float, 4>& channel) {
        const std::size_t at = buffer_.size();
        buffer_.resize(at + kIndexRowLength);
        PutPointRow(buffer_.data() + at, station, channel);
        ++rows_;
        if (buffer_.size() >= kCapacity) {
            Flush();
        }
    }
    void Gap() {
        buffer_.append(kGapRow);
        ++rows_;
        if (buffer_.size() >= kCapacity) {
            Flush();
        }
    }
    void Flush() {
        if (!buffer_.empty() &&
            std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size() && !failed_) {
            failed_ = true;
            std::fprintf(stderr, "viewer: writing the line index failed: %s\n",
                         std::strerror(errno));
        }
        buffer_.clear();
    }
    int64_t Rows() const { return rows_; }

private:
    static constexpr std::size_t kCapacity = kIndexRowLength * 4096;
    std::FILE* file_;
    std::string buffer_;
    int64_t rows_ = 0;
    bool failed_ = false;
};

// Walks one survey line from its "L" record; see BuildLineIndex and LineWalk.
void IndexLine(std::FILE* dataFile, int64_t lineStart, const Settings& settings,
               OffsetOrder& offsetOrder, RowWriter& out) {
    if (fseeko(dataFile, static_cast<off_t>(lineStart), SEEK_SET) != 0) {
        return;
    }
    RecordReader reader(dataFile);
    LineWalk walk(settings);
    walk.Begin();
    Record r{};
    while (reader.Next(r)) {
        switch (walk.Feed(r)) {
        case LineWalk::Step::Header:
            if (walk.OrderRead()) {
                offsetOrder = walk.Order();
            }
            break;
        case LineWalk::Step::Point:
            out.Point(walk.Station(), walk.Reading().channel);
            break;
        case LineWalk::Step::Gaps:
            for (int i = 0; i < walk.GapCount(); ++i) {
                out.Gap();
            }
            break;
        case LineWalk::Step::LineEnd:
            return;
        default:
            break;
        }
    }
}

} // namespace

std::u16string LineNameOf(const char* record) {
    std::u16string name;
    for (std::size_t i = 1; i <= kLineNameMax; ++i) {
        const auto c = static_cast<unsigned char>(record[i]);
        if (c == ' ' || c < 0x20 || c == 0x7F) {
            break;
        }
        name.push_back(static_cast<char16_t>(c));
    }
    return name;
}

LineTable BuildLineList(std::FILE* dataFile) {
    LineTable table;
    if (dataFile == nullptr || fseeko(dataFile, 0, SEEK_SET) != 0) {
        return table;
    }
    RecordReader reader(dataFile);
    Record r{};
    while (reader.Next(r)) {
        if (r[0] == 'L') {
            table.lineStart.push_back(reader.LastRecordOffset());
            table.lineName.push_back(LineNameOf(r.data()));
        }
    }
    return table;
}

int64_t BuildLineIndex(std::FILE* dataFile, const LineTable& lines, int32_t line,
                       const Settings& settings, OffsetOrder& offsetOrder,
                       const std::filesystem::path& indexPath, std::string* error) {
    FileHandle index = OpenFile(indexPath.c_str(), "wb");
    if (!index) {
        const char* reason = std::strerror(errno);
        std::fprintf(stderr, "viewer: cannot create %s: %s\n", indexPath.c_str(), reason);
        if (error != nullptr) {
            *error = reason;
        }
        return 0;
    }
    int64_t rows = 0;
    {
        RowWriter out(index.get());
        if (dataFile != nullptr && line >= 1 && line <= lines.LineCount()) {
            IndexLine(dataFile, lines.lineStart[static_cast<std::size_t>(line - 1)], settings,
                      offsetOrder, out);
        }
        out.Flush();
        rows = out.Rows();
    }
    if (!CloseFile(index)) {
        std::fprintf(stderr, "viewer: closing %s failed: %s\n", indexPath.c_str(),
                     std::strerror(errno));
    }
    return rows;
}

int64_t BuildLineIndex(std::FILE* dataFile, const LineTable& lines, int32_t line,
                       const Settings& settings, OffsetOrder& offsetOrder, const DeviceRoot& root,
                       std::string* error) {
    const std::filesystem::path path = root.Map(kLineIndexFile);
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    return BuildLineIndex(dataFile, lines, line, settings, offsetOrder, path, error);
}

std::string PointRow(double station, const std::array<float, 4>& channel) {
    std::string row(kIndexRowLength, ' ');
    PutPointRow(row.data(), station, channel);
    return row;
}

std::string GapRow() {
    return std::string(kGapRow);
}

IndexPoint ParseIndexRow(std::string_view row) {
    IndexPoint p;
    if (row.size() != kIndexRowLength || row.find('.') == std::string_view::npos) {
        return p;
    }
    p.valid = true;
    p.station = NarrowToFloat(StrtodDecimalLike(row.substr(0, kIndexFieldWidth)));
    for (std::size_t i = 0; i < 4; ++i) {
        p.channel[i] = NarrowToFloat(
            StrtodDecimalLike(row.substr(kIndexFieldWidth * (i + 1), kIndexFieldWidth)));
    }
    return p;
}

bool LoadIndexWindow(PointWindow& window, int32_t first, int32_t last, int64_t firstRow,
                     const std::filesystem::path& indexPath) {
    // Only the slots the window has; a slot left of 0 would have taken a row of its own.
    if (first < 0) {
        firstRow += -static_cast<int64_t>(first);
        first = 0;
    }
    last = std::min(last, kPointWindowSlots - 1);
    auto invalidate = [&](int32_t from) {
        for (int32_t s = from; s <= last; ++s) {
            window.pointValid[static_cast<std::size_t>(s)] = 0;
        }
    };

    const FileHandle index = OpenFile(indexPath.c_str(), "rb");
    if (!index) {
        invalidate(first);
        return false;
    }
    // Rows before row 1 do not exist.
    int32_t slot = first;
    for (; slot <= last && firstRow + (slot - first) < 1; ++slot) {
        window.pointValid[static_cast<std::size_t>(slot)] = 0;
    }
    const int64_t startRow = firstRow + (slot - first);
    constexpr int64_t kLastSeekableRow = INT64_MAX / static_cast<int64_t>(kIndexRowLength);
    bool readable =
        slot <= last && startRow <= kLastSeekableRow &&
        fseeko(index.get(),
               static_cast<off_t>((startRow - 1) * static_cast<int64_t>(kIndexRowLength)),
               SEEK_SET) == 0;
    char row[kIndexRowLength];
    for (; slot <= last; ++slot) {
        const auto s = static_cast<std::size_t>(slot);
        const std::size_t n = readable ? std::fread(row, 1, kIndexRowLength, index.get()) : 0;
        if (n < kIndexRowLength) {
            readable = false;
            window.pointValid[s] = 0;
            continue;
        }
        const IndexPoint p = ParseIndexRow(std::string_view(row, n));
        window.pointValid[s] = p.valid ? 1 : 0;
        if (p.valid) {
            window.pointStation[s] = p.station;
            for (std::size_t c = 0; c < 4; ++c) {
                window.pointChannel[c][s] = p.channel[c];
            }
        }
    }
    return true;
}

bool LoadIndexWindow(PointWindow& window, int32_t first, int32_t last, int64_t firstRow,
                     const DeviceRoot& root) {
    return LoadIndexWindow(window, first, last, firstRow, root.Map(kLineIndexFile));
}

} // namespace tm47
