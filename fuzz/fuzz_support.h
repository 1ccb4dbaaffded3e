#pragma once
// What the fuzzers share: a failed check aborts (libFuzzer then keeps the input), a private
// directory for the files a run writes, whole-file reads and writes, and a reproducible split
// of the input into reads of varying length.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

namespace tm47::fuzz {

inline void Check(bool ok) {
    if (!ok) {
        std::abort();
    }
}

// A directory of its own for the whole run, NAME-XXXXXX under the temporary directory, made on
// first use and removed when the fuzzer exits.
inline const std::filesystem::path& RunDirectory(const char* name) {
    struct Dir {
        std::filesystem::path path;
        explicit Dir(const char* name) {
            std::string tmpl = (std::filesystem::temp_directory_path() / name).string() + "-XXXXXX";
            Check(mkdtemp(tmpl.data()) != nullptr);
            path = tmpl;
        }
        ~Dir() {
            std::error_code ec;
            std::filesystem::remove_all(path, ec);
        }
    };
    static const Dir dir(name);
    return dir.path;
}

// The file's bytes; empty when it cannot be read.
inline std::string FileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Replaces the file with the bytes; a file that cannot be written ends the run.
inline void WriteFileBytes(const std::filesystem::path& path, const uint8_t* data,
                           std::size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    Check(static_cast<bool>(out.flush()));
}

// Lengths of successive reads, 1 to maxChunk bytes, from a seed taken from the input, so a
// finding reproduces from its input alone.
class ReadSplitter {
public:
    ReadSplitter(uint32_t seed, std::size_t maxChunk) : state_(seed), maxChunk_(maxChunk) {}
    // The next read's length, at most `left`.
    std::size_t Next(std::size_t left) {
        state_ = state_ * 1664525u + 1013904223u;
        return std::min(1 + (state_ >> 16) % maxChunk_, left);
    }

private:
    uint32_t state_;
    std::size_t maxChunk_;
};

} // namespace tm47::fuzz
