#pragma once
// The GPS reader's record sink bound to the session's data file: each line becomes GPS
// sentence records and a GPS time record (WriteGpsSentence). Runs on the GPS reader thread.

#include "datafile/record_writers.h"
#include "gps/gps_input.h"

namespace tm47 {

// `ctx` must outlive the GPS input that uses the sink.
GpsInput::RecordSink GpsRecordSink(RecordContext& ctx);

} // namespace tm47
