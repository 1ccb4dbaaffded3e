#pragma once
// The line index's walk along one survey line, record by record: the line header is taken by
// position (L, B start station, A increment, Z, four O offsets; the first O says how offsets
// combine with normalising), then every reading lands one increment after the one before, an
// "S" record moves the next reading onto its station after four gap rows, a marker ("X") takes
// one increment and one gap row, and an "O" record with the next three records gives new
// offsets. The viewer's LINE.TMP and the r47 export both follow this walk, so they agree.

#include <array>
#include <cstdint>

#include "config/settings.h"
#include "datafile/record_parser.h"
#include "datafile/records.h"

namespace tm47 {

class LineWalk {
public:
    enum class Step {
        Header,  // the record was taken as part of the line header
        Point,   // a reading: Station() and Reading() describe it
        Gaps,    // GapCount() gap rows ("S" gives 4, "X" 1)
        Offset,  // an offset of a body group of four O records
        LineEnd, // an "L" record after the header: the next line begins
        Skipped, // any other kind
    };

    explicit LineWalk(const Settings& settings) : settings_(&settings) {}

    // Begins a line; the next record fed must be its "L" record.
    void Begin();
    Step Feed(const Record& r);

    bool HeaderComplete() const { return headerIndex_ >= kHeaderRecords; }
    // True once the first O record of the header, which sets Order(), has been taken.
    bool OrderRead() const { return headerIndex_ >= 5; }
    double StartStation() const { return startStation_; }
    double Increment() const { return increment_; }
    double Station() const { return station_; }
    const ParsedReading& Reading() const { return reading_; }
    int GapCount() const { return gaps_; }
    OffsetOrder Order() const { return order_; }
    const std::array<float, 4>& Offsets() const { return offsets_; }

private:
    static constexpr int kHeaderRecords = 8; // L, B, A, Z and four O

    const Settings* settings_;
    int headerIndex_ = 0;
    int offsetGroupLeft_ = 0; // records still to take as offsets of a body O group
    double startStation_ = 0.0;
    double increment_ = 0.0;
    double station_ = 0.0;
    OffsetOrder order_ = OffsetOrder::BeforeNormalising;
    std::array<float, 4> offsets_{};
    ParsedReading reading_;
    int gaps_ = 0;
};

} // namespace tm47
