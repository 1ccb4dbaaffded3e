// Feeds the input to the frame assembler in random splits and decodes every frame.
//
// The first bytes of the input choose the settings, link mode, reading state and the split
// points, so a crash reproduces from its input alone. Checks:
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

// The assembly rules, written as plainly as possible: at most 181 bytes are held; two 0x7F
// after at least 13 more bytes end a frame, taken when its first byte is a leading letter.
struct ModelAssembler {
    std::vector<uint8_t> bytes;

    FrameAssembler::Event Push(uint8_t byte, FrameBuffer& out) {
        bytes.push_back(byte);
        const size_t n = bytes.size();
        if (n > 181) {
            bytes.clear();
            return FrameAssembler::Event::None;
        }
        if (n < 15 || bytes[n - 1] != 0x7F || bytes[n - 2] != 0x7F)
            return FrameAssembler::Event::None;
        if (!IsLeadingLetter(bytes[n - 15]))
            return FrameAssembler::Event::RejectedEnd;
        out = {};
        std::copy(bytes.end() - 15, bytes.end() - 1, out.begin());
        bytes.clear();
        return FrameAssembler::Event::Frame;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4)
        return 0;
    Settings settings;
    settings.instrumentVariant = data[0] & 1;
    settings.antenna = (data[0] >> 1) % 5; // one past the list, too
    const int linkMode = (data[0] >> 4) & 1 ? kLinkPolled : kLinkStreaming;
    auto readingState = static_cast<ReadingState>((data[0] >> 5) % 5 - 3); // -3 to 1
    fuzz::ReadSplitter splitter(static_cast<uint32_t>(data[1] | data[2] << 8 | data[3] << 16), 40);
    data += 4;
    size -= 4;

    FrameAssembler assembler;
    ModelAssembler model;
    NormalisationState normalisation;
    Reading reading;
    FrameBuffer frame{};
    FrameBuffer modelFrame{};
    for (size_t at = 0; at < size;) {
        const size_t chunk = splitter.Next(size - at);
        for (size_t i = at; i < at + chunk; ++i) {
            const auto event = assembler.Push(data[i], frame);
            Check(event == model.Push(data[i], modelFrame));
            Check(assembler.PendingBytes() == static_cast<int>(model.bytes.size()));
            if (event != FrameAssembler::Event::Frame)
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
            if (readingState != ReadingState::Nulling &&
                readingState != ReadingState::QcAveraging) {
                const double stored =
                    FrameInt16(frame, 10) + static_cast<int8_t>(frame[12]) / 100.0;
                Check(std::fabs(stored - normalisation.referenceMean) < 0.0101 ||
                      std::fabs(normalisation.referenceMean) > 32767);
            }
        }
        at += chunk;
    }
    const AssemblyCounters& counters = assembler.Counters();
    // Every byte went into a frame (15 on the wire), was discarded, or is still pending.
    Check(counters.frames * kWireFrameLength + counters.discardedBytes +
              static_cast<uint64_t>(assembler.PendingBytes()) ==
          size);
    return 0;
}
