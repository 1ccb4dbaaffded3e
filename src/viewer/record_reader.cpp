#include "viewer/record_reader.h"

#include <cstring>

namespace tm47 {

namespace {
// 2730 records per fill.
constexpr std::size_t kBufferBytes = kRecordLength * 2730;
} // namespace

RecordReader::RecordReader(std::FILE* file) : file_(file), buffer_(kBufferBytes) {}

bool RecordReader::Fill() {
    const std::size_t left = end_ - begin_;
    if (left > 0 && begin_ > 0) {
        std::memmove(buffer_.data(), buffer_.data() + begin_, left);
    }
    begin_ = 0;
    end_ = left;
    while (!ended_ && end_ < buffer_.size()) {
        const std::size_t n = std::fread(buffer_.data() + end_, 1, buffer_.size() - end_, file_);
        end_ += n;
        if (n == 0) {
            ended_ = true; // end of file or a read error: either way nothing more comes
        }
    }
    return end_ - begin_ >= kRecordLength;
}

bool RecordReader::Next(Record& out) {
    if (file_ == nullptr) {
        return false;
    }
    if (end_ - begin_ < kRecordLength && !Fill()) {
        return false;
    }
    std::memcpy(out.data(), buffer_.data() + begin_, kRecordLength);
    begin_ += kRecordLength;
    consumed_ += static_cast<int64_t>(kRecordLength);
    return true;
}

} // namespace tm47
