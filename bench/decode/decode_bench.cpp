// Frame assembly and decoding throughput, in frames per second, and how many times faster
// than the instrument's streaming rate (one frame per kFramePeriodMs) that is. The ratio is a
// rate counter, so the console prints it with a "/s" suffix; it is a plain factor.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "instrument/frame_assembler.h"
#include "instrument/frame_decoder.h"

namespace {

using namespace tm47;

constexpr double kInstrumentFramesPerSecond = 1000.0 / kFramePeriodMs; // about 18.16

// A stream of `frames` frames with varied letters, ranges and values, and a little noise
// between some of them, as a real line carries.
std::vector<uint8_t> RecordedStream(int frames) {
    static constexpr char kLetters[] = "TDEFMNPQJKjk";
    std::vector<uint8_t> bytes;
    uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<uint16_t>(seed >> 16);
    };
    for (int i = 0; i < frames; ++i) {
        if (i % 10 == 0)
            bytes.insert(bytes.end(), {0x00, 0x55, 0x7F});
        bytes.push_back(static_cast<uint8_t>(kLetters[i % 12]));
        bytes.push_back(static_cast<uint8_t>(next() & 0xFF));
        for (int k = 0; k < 4; ++k) {
            const uint16_t raw = next() & 0x3F3F; // no 0x7F pairs inside the payload
            bytes.push_back(static_cast<uint8_t>(raw >> 8));
            bytes.push_back(static_cast<uint8_t>(raw & 0xFF));
        }
        const uint16_t reference = 1700 + next() % 200;
        bytes.push_back(static_cast<uint8_t>(reference >> 8));
        bytes.push_back(static_cast<uint8_t>(reference & 0xFF));
        bytes.push_back(80);
        bytes.push_back(0x7F);
        bytes.push_back(0x7F);
    }
    return bytes;
}

void ReportRates(benchmark::State& state, int64_t frames) {
    state.SetItemsProcessed(frames);
    state.counters["times_instrument_rate"] = benchmark::Counter(
        static_cast<double>(frames) / kInstrumentFramesPerSecond, benchmark::Counter::kIsRate);
}

void BM_AssembleAndDecode(benchmark::State& state) {
    const std::vector<uint8_t> stream = RecordedStream(1000);
    Settings settings;
    settings.instrumentVariant = static_cast<int>(state.range(0));
    FrameAssembler assembler;
    NormalisationState normalisation;
    normalisation.referenceRing.fill(1800.0f);
    normalisation.referenceSum = 1800.0f * kNormalisationWindow;
    Reading reading;
    FrameBuffer frame{};
    int64_t frames = 0;
    for (auto _ : state) {
        for (uint8_t byte : stream) {
            if (assembler.Push(byte, frame) != FrameAssembler::Event::Frame)
                continue;
            DecodeFrame(frame, settings, kLinkStreaming, ReadingState::Normal, normalisation,
                        reading);
            ++frames;
        }
        benchmark::DoNotOptimize(reading);
    }
    ReportRates(state, frames);
}
BENCHMARK(BM_AssembleAndDecode)->Arg(0)->Arg(1)->ArgName("variant");

void BM_AssembleOnly(benchmark::State& state) {
    const std::vector<uint8_t> stream = RecordedStream(1000);
    FrameAssembler assembler;
    FrameBuffer frame{};
    int64_t frames = 0;
    for (auto _ : state) {
        for (uint8_t byte : stream)
            frames += assembler.Push(byte, frame) == FrameAssembler::Event::Frame;
        benchmark::DoNotOptimize(frame);
    }
    ReportRates(state, frames);
}
BENCHMARK(BM_AssembleOnly);

} // namespace

BENCHMARK_MAIN();
