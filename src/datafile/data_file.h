#pragma once
// The open data file of a session and its test-file copy.
//
// Writes are checked. A failed or short write (medium full, card removed, file size limit) is
// cut back to the last whole record, so the file never holds a partial record and every later
// record stays on its 24-byte boundary; later records are still attempted. The first failure
// of a data file is told to the operator once: the GUI takes the warning with
// TakeWriteWarning() (or gets the handler call) and shows it with the caption
// kWriteWarningCaption.
//
// Threads: the GUI thread creates, pauses and closes the file and writes most records; the
// GPS reader writes its sentence groups. Every operation takes the one mutex, so a group of
// records is written whole before another starts, in the data file and in the test file.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <string>

#include "datafile/records.h"

namespace tm47 {

inline constexpr const char* kWriteWarningCaption = "WARNING";
inline constexpr const char* kWriteWarningText = "Data file write failed";

// The file name without folder and extension: the characters after the last '/' (or '\') up
// to the first '.' of the file name.
std::u16string DataFileNameFromPath(const std::filesystem::path& path);
// `path` with its last character replaced by 'D' (.R47 becomes .R4D).
std::filesystem::path TestPathFor(const std::filesystem::path& path);

class DataFile {
public:
    enum class CreateResult { Created, Exists, Failed };

    DataFile() = default;
    ~DataFile();
    DataFile(const DataFile&) = delete;
    DataFile& operator=(const DataFile&) = delete;

    // Creates `path` new (O_EXCL: an existing file is never touched) for reading and writing,
    // and with `withTestFile` also its test file. A test file that cannot be created is left
    // out (no test copies). Sets path, testPath, name and name8. `error` gets the reason when
    // the data file could not be created.
    CreateResult Create(const std::filesystem::path& path, bool withTestFile,
                        std::string* error = nullptr);
    // Opens an existing file (or creates it) positioned at its end, as the pause does; used
    // for files that already exist. Resets the write warning like Create.
    bool OpenAlways(const std::filesystem::path& path, bool withTestFile,
                    std::string* error = nullptr);

    bool IsOpen() const;

    // Writes `records` to the data file and `testRecords` to the test file (when open), one
    // record per write, then runs `alsoUnderLock` (the output port hand-off) before anything
    // else can write, so every target sees the groups in the same order.
    void Append(std::span<const Record> records, std::span<const Record> testRecords,
                const std::function<void()>& alsoUnderLock = {});

    // Pause: flushes both files to the medium, closes them and opens them again positioned
    // at their end. False (and the write warning) when a file could not be opened again.
    bool SyncAndReopen();
    // End of session: flushes and closes both files.
    void Close();

    // The warning text ("Data file write failed\n<reason>") once per data file, then nothing.
    std::optional<std::string> TakeWriteWarning();
    bool WriteFailed() const;
    // Called once per data file with the warning text, on the thread whose write failed,
    // outside the lock.
    void SetWriteFailureHandler(std::function<void(const std::string&)> handler);

    // Bytes committed to the data file (always a multiple of 24 for files this class created).
    int64_t DataFileSize() const;

    std::filesystem::path path;
    std::filesystem::path testPath;
    std::u16string name;
    std::string name8;

private:
    struct Handle {
        int fd = -1;
        int64_t end = 0; // length of the whole records written so far
    };
    int WriteWhole(Handle& h, const char* data, std::size_t size);
    void NoteFailure(int err, std::optional<std::string>& toReport);
    void CloseLocked();
    void SetNames(const std::filesystem::path& p);

    mutable std::mutex mutex_;
    Handle data_;
    Handle test_;
    bool warned_ = false;
    std::optional<std::string> pendingWarning_;
    std::function<void(const std::string&)> onFailure_;
};

} // namespace tm47
