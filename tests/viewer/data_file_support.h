#pragma once
// Data files for the viewer tests, crafted record by record with the record builders, and a
// private device root per test.

#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace tm47::test {

class CraftedFile {
public:
    // File header, file name record and the four header-form offset records.
    CraftedFile& FileHeader();
    // L, B, A, Z and four nulling-form O records; `orderChar` goes to position 22 of all four
    // ('1' = offsets subtracted before normalising).
    CraftedFile& Line(std::u16string_view name, double startStation, float increment,
                      std::array<float, 4> offsets = {}, char orderChar = '1');
    // A reading record: letter, range code 0, four raw channel values, the stored reference
    // mean (whole part and hundredths).
    CraftedFile& Reading(std::array<int16_t, 4> raw = {}, int16_t meanWhole = 3000,
                         int8_t meanHundredths = 0, char letter = 'M');
    CraftedFile& Station(double station);
    CraftedFile& Marker(std::u16string_view text = u"$PAUSED");
    CraftedFile& Comment(std::u16string_view text);
    CraftedFile& Offsets(std::array<float, 4> newOffsets);
    CraftedFile& Bytes(std::string_view bytes);

    const std::string& Data() const { return data_; }

private:
    std::string data_;
};

// A fresh folder for one test, removed afterwards.
struct TempRoot {
    TempRoot();
    ~TempRoot();
    TempRoot(const TempRoot&) = delete;
    TempRoot& operator=(const TempRoot&) = delete;
    std::filesystem::path dir;
};

// Writes `bytes` to `path` and opens it for reading; the caller closes it.
std::FILE* WriteAndOpen(const std::filesystem::path& path, std::string_view bytes);
std::string FileBytes(const std::filesystem::path& path);

} // namespace tm47::test
