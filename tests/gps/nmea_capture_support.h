#pragma once
// Real receiver captures and what an independent reading of each line says
// (tests/data/nmea/<capture>.expected, described in tests/data/nmea/README.md).

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace tm47::testing {

struct ExpectedLine {
    bool checksumOk = false;
    std::string text;
};

inline std::string ReadCapture(const std::string& name) {
    std::ifstream in(std::string(TM47_TEST_DATA) + "/nmea/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The first column (checksum correct) and the last (the line text, which holds no tab) of
// each line.
inline std::vector<ExpectedLine> ReadExpected(const std::string& name) {
    std::istringstream in(ReadCapture(name));
    std::vector<ExpectedLine> lines;
    for (std::string row; std::getline(in, row);) {
        if (row.empty() || row[0] == '#') {
            continue;
        }
        lines.push_back({row[0] == '1', row.substr(row.rfind('\t') + 1)});
    }
    return lines;
}

} // namespace tm47::testing
