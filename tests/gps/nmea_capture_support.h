#pragma once
// Real receiver captures and what an independent reading of each line says
// (tests/data/nmea/<capture>.expected).

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace tm47::testing {

struct ExpectedLine {
    bool checksumOk = false;
    bool hasGga = false;
    std::string ggaField7First; // "-" not applicable, "!" missing
    std::string ggaField8Atoi;
    bool hasGsa = false;
    std::string gsaField16Strtod;
    std::string text;
};

inline std::string CapturePath(const std::string& name) {
    return std::string(TM47_TEST_DATA) + "/nmea/" + name;
}

inline std::string ReadCapture(const std::string& name) {
    std::ifstream in(CapturePath(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline std::vector<ExpectedLine> ReadExpected(const std::string& name) {
    std::ifstream in(CapturePath(name));
    std::vector<ExpectedLine> lines;
    std::string row;
    while (std::getline(in, row)) {
        if (row.empty() || row[0] == '#') {
            continue;
        }
        std::vector<std::string> cols;
        std::size_t start = 0;
        for (int i = 0; i < 6; ++i) {
            const std::size_t tab = row.find('\t', start);
            cols.push_back(row.substr(start, tab - start));
            start = tab + 1;
        }
        cols.push_back(row.substr(start));
        lines.push_back(
            {cols[0] == "1", cols[1] == "1", cols[2], cols[3], cols[4] == "1", cols[5], cols[6]});
    }
    return lines;
}

} // namespace tm47::testing
