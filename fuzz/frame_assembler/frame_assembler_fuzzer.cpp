// Feeds the input to the frame assembler byte by byte and decodes every frame.
//
// The first byte chooses the settings, link mode and reading state, so a crash reproduces
// from its input alone. Checks:
// - the assembler agrees with a plain model of the assembly rules, byte by byte;
// - every frame starts with a leading letter and ends 0x7F, 0;
// - decoding never leaves a non-finite channel and the mean written into the frame reads back
//   within a hundredth;
// - every byte is accounted for by the counters.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "instrument/frame_assembler.h"
#include "instrument/frame_decoder.h"

#include "fuzz/fuzz_support.h"

namespace {

using namespace tm47;
using fuzz::Check;
using Event = FrameAssembler::Event;

// The assembly rules, written as plainly as possible: at most 181 bytes are held; two 0x7F
// after at least 13 more bytes end a frame, taken when its first byte is a leading letter.
Event ModelPush(std::vector<uint8_t>& bytes, uint8_t byte, FrameBuffer& out) {
    bytes.push_back(byte);
    const size_t n = bytes.size();
    if (n > 181) {
        bytes.clear();
        return Event::None;
    }
    if (n < 15 || bytes[n - 1] != 0x7F || bytes[n - 2] != 0x7F)
        return Event::None;
    if (!IsLeadingLetter(bytes[n - 15]))
        return Event::RejectedEnd;
    out = {};
    std::copy(bytes.end() - 15, bytes.end() - 1, out.begin());
    bytes.clear();
    return Event::Frame;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    Settings settings;
    settings.instrumentVariant = data[0] & 1;
    settings.antenna = (data[0] >> 1) % 5; // one past the list, too
    const int linkMode = (data[0] >> 4) & 1 ? kLinkPolled : kLinkStreaming;
    auto readingState = static_cast<ReadingState>((data[0] >> 5) % 5 - 3); // -3 to 1

    FrameAssembler assembler;
    std::vector<uint8_t> model;
    NormalisationState normalisation;
    Reading reading;
    FrameBuffer frame{}, modelFrame{};
    for (size_t i = 1; i < size; ++i) {
        const Event event = assembler.Push(data[i], frame);
        Check(event == ModelPush(model, data[i], modelFrame));
        Check(assembler.PendingBytes() == static_cast<int>(model.size()));
        if (event != Event::Frame)
            continue;
        Check(frame == modelFrame);
        Check(IsLeadingLetter(frame[0]) && frame[13] == 0x7F && frame[14] == 0);
        if (readingState == ReadingState::Normalising) {
            const int percent = PrimeNormalisation(frame, normalisation);
            Check(percent >= 0 && percent <= 100);
            if (percent == 100)
                readingState = ReadingState::Normal;
            continue;
        }
        DecodeFrame(frame, settings, linkMode, readingState, normalisation, reading);
        for (float channel : reading.channel)
            Check(std::isfinite(channel));
        Check(std::isfinite(normalisation.normalisationGain));
        if (readingState != ReadingState::Nulling && readingState != ReadingState::QcAveraging) {
            const double stored = FrameInt16(frame, 10) + static_cast<int8_t>(frame[12]) / 100.0;
            Check(std::fabs(stored - normalisation.referenceMean) < 0.0101 ||
                  std::fabs(normalisation.referenceMean) > 32767);
        }
    }
    const AssemblyCounters& counters = assembler.Counters();
    // Every byte went into a frame (15 on the wire), was discarded, or is still pending.
    Check(counters.frames * kWireFrameLength + counters.discardedBytes +
              static_cast<uint64_t>(assembler.PendingBytes()) ==
          size - 1);
    return 0;
}
