#include "profile/profile_history.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <unistd.h>

#include "profile/profile_scale.h"

namespace tm47 {

FileRecordSource::FileRecordSource(const std::filesystem::path& path, int64_t endBytes) {
    do {
        fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    } while (fd_ < 0 && errno == EINTR);
    if (fd_ < 0) {
        std::cerr << "profile: open(" << path.string() << ") failed: " << std::strerror(errno)
                  << "\n";
        return;
    }
    records_ = std::max<int64_t>(endBytes, 0) / static_cast<int64_t>(kRecordLength);
}

FileRecordSource::~FileRecordSource() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

bool FileRecordSource::ReadRecord(int64_t index, Record& out) {
    if (fd_ < 0 || index < 0 || index >= records_) {
        return false;
    }
    const off_t at = static_cast<off_t>(index * static_cast<int64_t>(kRecordLength));
    std::size_t done = 0;
    while (done < kRecordLength) {
        const ssize_t n =
            ::pread(fd_, out.data() + done, kRecordLength - done, at + static_cast<off_t>(done));
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            bytesRead_ += n;
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            return false; // the file became shorter: the walk ends like at a "Z"
        }
    }
    ++recordsRead_;
    return true;
}

std::vector<HistoryRun> WalkHistory(RecordSource& source, const HistoryRequest& request) {
    const Settings& s = request.settings;
    std::vector<HistoryRun> runs; // newest run first while walking
    HistoryRun current;           // newest step first while walking
    BackwardOffsets offsets(request.offsets);
    auto flush = [&] {
        if (!current.empty()) {
            std::reverse(current.begin(), current.end());
            runs.push_back(std::move(current));
            current = {};
        }
    };

    int32_t x = request.scrollWidth;
    Record r{};
    // Index 0 is the file header; the walk never reads it as a reading.
    for (int64_t i = source.RecordCount() - 1; i >= 1; --i) {
        if (!source.ReadRecord(i, r)) {
            break;
        }
        const char kind = r[0];
        if (IsReadingKind(kind)) {
            const ParsedReading p = ParseReadingRecord(r, offsets.Offsets(), request.order, s);
            const auto rows = ValuesToRows(CompressValues(p.channel, s.amplitudeMode),
                                           s.profileScaleMax, s.profilePixelsPerUnit);
            current.push_back(HistoryStep{x, rows});
            x -= 2;
            if (x < 0) {
                break;
            }
        } else if (kind == 'S') {
            x -= 2;
            flush();
            if (x < 0) {
                break;
            }
        } else if (kind == 'Z') {
            break;
        }
        offsets.Feed(r);
    }
    flush();
    std::reverse(runs.begin(), runs.end());
    return runs;
}

} // namespace tm47
