#include "gps/gps_records.h"

namespace tm47 {

GpsInput::RecordSink GpsRecordSink(RecordContext& ctx) {
    return [&ctx](std::string_view text, uint32_t tick, char firstTag, char continuationTag) {
        WriteGpsSentence(ctx, text, tick, firstTag, continuationTag);
    };
}

} // namespace tm47
