#pragma once
// A data file (and its test file) in a fresh folder, with an output port whose receiver keeps
// every byte it is given.
#include <mutex>
#include <string>

#include <gtest/gtest.h>

#include "datafile/record_writers.h"
#include "platform/output_forwarder.h"
#include "temp_dir_support.h"

namespace tm47 {

struct RecordWriterFixture {
    TempDir dir;
    Settings settings;
    DataFile file;
    ManualClock clock{1234, {2026, 5, 14, 14, 5, 9, 127}};
    OutputForwarder output;
    std::mutex mutex;
    std::string received; // everything the output port was given
    RecordContext ctx{settings, file, clock, &output};

    explicit RecordWriterFixture(OutputMode outputMode, bool testFile = false) {
        settings.writeTestFile = testFile ? 1 : 0;
        EXPECT_EQ(file.Create(dir.Path() / "LINE1.R47", testFile), DataFile::CreateResult::Created);
        ctx.outputMode = outputMode;
        output.Start(
            [this](const uint8_t* d, std::size_t n) {
                std::lock_guard lock(mutex);
                received.append(reinterpret_cast<const char*>(d), n);
                return n;
            },
            {});
    }
    std::string Data(const char* ext = "R47") {
        file.Close();
        return ReadAll(dir.Path() / (std::string("LINE1.") + ext));
    }
    std::string Output() {
        EXPECT_TRUE(output.WaitDrained(5000));
        std::lock_guard lock(mutex);
        return received;
    }
};

} // namespace tm47
