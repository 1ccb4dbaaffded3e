#pragma once
// One owner for each C stdio stream: the stream closes when its owner goes, on every path out.
// A close whose result matters (a file just written) goes through CloseFile, which reports it.

#include <cstdio>
#include <memory>

namespace tm47 {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// fopen; empty (errno set) when the file cannot be opened.
inline FileHandle OpenFile(const char* path, const char* mode) {
    return FileHandle(std::fopen(path, mode));
}

// Closes `file` now and leaves it empty. True when fclose succeeded (an empty handle is).
inline bool CloseFile(FileHandle& file) {
    std::FILE* f = file.release();
    return f == nullptr || std::fclose(f) == 0;
}

} // namespace tm47
