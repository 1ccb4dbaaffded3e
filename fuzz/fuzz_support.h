#pragma once
// What the fuzzers share: a failed check aborts (libFuzzer then keeps the input), a private
// directory for the files a run writes, whole-file reads and writes.

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

} // namespace tm47::fuzz
