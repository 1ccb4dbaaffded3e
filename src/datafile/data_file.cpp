#include "datafile/data_file.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "datafile/eight_bit_text.h"

namespace tm47 {

namespace {

// A write beyond the file size limit raises SIGXFSZ, which would end the program; the write
// then fails with EFBIG and is reported like a full medium.
void IgnoreFileSizeSignal() {
    std::signal(SIGXFSZ, SIG_IGN);
}

int OpenFile(const std::filesystem::path& p, int flags) {
    int fd;
    do {
        fd = ::open(p.c_str(), flags | O_RDWR | O_CLOEXEC, 0644);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

void SyncAndClose(int fd) {
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

int64_t SeekEnd(int fd) {
    const off_t end = ::lseek(fd, 0, SEEK_END);
    return end < 0 ? 0 : static_cast<int64_t>(end);
}

} // namespace

std::u16string DataFileNameFromPath(const std::filesystem::path& path) {
    const std::string s = path.string();
    const std::size_t slash = s.find_last_of("/\\");
    std::string file = slash == std::string::npos ? s : s.substr(slash + 1);
    const std::size_t dot = file.find('.');
    if (dot != std::string::npos) {
        file.resize(dot);
    }
    // Host paths are UTF-8; the name is kept as UTF-16 for the screen.
    std::u16string out;
    for (std::size_t i = 0; i < file.size();) {
        const unsigned char c = static_cast<unsigned char>(file[i]);
        char32_t cp = c;
        std::size_t len = 1;
        if (c >= 0xF0 && i + 3 < file.size() + 0) {
            cp = ((c & 0x07u) << 18) | ((file[i + 1] & 0x3Fu) << 12) |
                 ((file[i + 2] & 0x3Fu) << 6) | (file[i + 3] & 0x3Fu);
            len = 4;
        } else if (c >= 0xE0 && i + 2 < file.size()) {
            cp = ((c & 0x0Fu) << 12) | ((file[i + 1] & 0x3Fu) << 6) | (file[i + 2] & 0x3Fu);
            len = 3;
        } else if (c >= 0xC0 && i + 1 < file.size()) {
            cp = ((c & 0x1Fu) << 6) | (file[i + 1] & 0x3Fu);
            len = 2;
        }
        if (cp > 0xFFFF) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
        i += len;
    }
    return out;
}

std::filesystem::path TestPathFor(const std::filesystem::path& path) {
    std::string s = path.string();
    if (!s.empty()) {
        s.back() = 'D';
    }
    return s;
}

DataFile::~DataFile() {
    Close();
}

void DataFile::SetNames(const std::filesystem::path& p) {
    path = p;
    testPath = TestPathFor(p);
    name = DataFileNameFromPath(p);
    name8 = ToEightBit(name);
}

DataFile::CreateResult DataFile::Create(const std::filesystem::path& p, bool withTestFile,
                                        std::string* error) {
    IgnoreFileSizeSignal();
    std::lock_guard lock(mutex_);
    CloseLocked();
    const int fd = OpenFile(p, O_CREAT | O_EXCL);
    if (fd < 0) {
        const int err = errno;
        if (error) {
            *error = std::strerror(err);
        }
        return err == EEXIST ? CreateResult::Exists : CreateResult::Failed;
    }
    SetNames(p);
    data_ = Handle{fd, 0};
    if (withTestFile) {
        const int tfd = OpenFile(testPath, O_CREAT | O_EXCL);
        test_ = Handle{tfd, 0};
    }
    warned_ = false;
    pendingWarning_.reset();
    return CreateResult::Created;
}

bool DataFile::OpenAlways(const std::filesystem::path& p, bool withTestFile, std::string* error) {
    IgnoreFileSizeSignal();
    std::lock_guard lock(mutex_);
    CloseLocked();
    const int fd = OpenFile(p, O_CREAT);
    if (fd < 0) {
        if (error) {
            *error = std::strerror(errno);
        }
        return false;
    }
    SetNames(p);
    data_ = Handle{fd, SeekEnd(fd)};
    if (withTestFile) {
        const int tfd = OpenFile(testPath, O_CREAT);
        test_ = Handle{tfd, tfd >= 0 ? SeekEnd(tfd) : 0};
    }
    warned_ = false;
    pendingWarning_.reset();
    return true;
}

bool DataFile::IsOpen() const {
    std::lock_guard lock(mutex_);
    return data_.fd >= 0;
}

int64_t DataFile::DataFileSize() const {
    std::lock_guard lock(mutex_);
    return data_.end;
}

int DataFile::WriteWhole(Handle& h, const char* data, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(h.fd, data + done, size - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        const int err = n < 0 ? errno : ENOSPC;
        if (done > 0) {
            // Cut the partial record off so the next record starts on its boundary.
            if (::ftruncate(h.fd, static_cast<off_t>(h.end)) != 0) {
                // Not a regular file (a device): nothing was kept there anyway.
            }
        }
        ::lseek(h.fd, static_cast<off_t>(h.end), SEEK_SET);
        return err;
    }
    h.end += static_cast<int64_t>(size);
    return 0;
}

void DataFile::NoteFailure(int err, std::optional<std::string>& toReport) {
    if (warned_) {
        return;
    }
    warned_ = true;
    std::string text = std::string(kWriteWarningText) + "\n" + std::strerror(err);
    pendingWarning_ = text;
    toReport = std::move(text);
}

void DataFile::Append(std::span<const Record> records, std::span<const Record> testRecords,
                      const std::function<void()>& alsoUnderLock) {
    std::optional<std::string> toReport;
    std::function<void(const std::string&)> handler;
    {
        std::lock_guard lock(mutex_);
        if (data_.fd >= 0) {
            for (const Record& r : records) {
                if (int err = WriteWhole(data_, r.data(), r.size()); err != 0) {
                    NoteFailure(err, toReport);
                }
            }
        }
        if (test_.fd >= 0) {
            for (const Record& r : testRecords) {
                if (int err = WriteWhole(test_, r.data(), r.size()); err != 0) {
                    NoteFailure(err, toReport);
                }
            }
        }
        if (alsoUnderLock) {
            alsoUnderLock();
        }
        if (toReport) {
            handler = onFailure_;
        }
    }
    if (toReport && handler) {
        handler(*toReport);
    }
}

bool DataFile::SyncAndReopen() {
    std::optional<std::string> toReport;
    std::function<void(const std::string&)> handler;
    bool ok = true;
    {
        std::lock_guard lock(mutex_);
        auto reopen = [&](Handle& h, const std::filesystem::path& p) {
            if (h.fd < 0) {
                return;
            }
            if (::fsync(h.fd) != 0 && errno != EINVAL && errno != EROFS) {
                NoteFailure(errno, toReport);
            }
            ::close(h.fd);
            h.fd = OpenFile(p, O_CREAT);
            if (h.fd < 0) {
                ok = false;
                NoteFailure(errno, toReport);
                return;
            }
            h.end = SeekEnd(h.fd);
        };
        reopen(data_, path);
        reopen(test_, testPath);
        if (toReport) {
            handler = onFailure_;
        }
    }
    if (toReport && handler) {
        handler(*toReport);
    }
    return ok;
}

void DataFile::CloseLocked() {
    SyncAndClose(data_.fd);
    SyncAndClose(test_.fd);
    data_ = Handle{};
    test_ = Handle{};
}

void DataFile::Close() {
    std::lock_guard lock(mutex_);
    CloseLocked();
}

std::optional<std::string> DataFile::TakeWriteWarning() {
    std::lock_guard lock(mutex_);
    std::optional<std::string> out;
    out.swap(pendingWarning_);
    return out;
}

bool DataFile::WriteFailed() const {
    std::lock_guard lock(mutex_);
    return warned_;
}

void DataFile::SetWriteFailureHandler(std::function<void(const std::string&)> handler) {
    std::lock_guard lock(mutex_);
    onFailure_ = std::move(handler);
}

} // namespace tm47
