#include "instrument/reading_processor.h"

#include "instrument/frame_decoder.h"
#include "platform/c_numbers.h"

namespace tm47 {

bool IsFourChannelLetter(uint8_t l) {
    return l == 'T' || l == 'E' || l == 'M' || l == 'P' || l == 'j' || l == 'k';
}

bool IsTriggeredLetter(uint8_t l) {
    return l == 'M' || l == 'N' || l == 'P' || l == 'Q' || l == 'K' || l == 'k';
}

void ReadingProcessor::ResetForSession(uint32_t now) {
    beepCounter = 0;
    normalisation.ringIndex = 0;
    powerCheckTick = now;
}

void ReadingProcessor::HandleFrame(FrameBuffer& frame, const ReadingContext& ctx, ReadingView& view,
                                   ReadingSession& session) {
    switch (state_) {
    case ReadingState::Normalising: {
        const int p = PrimeNormalisation(frame, normalisation);
        if (p == 100) {
            NormalisationDone();
        }
        view.ShowMessageLine(PrintfLike("Normalization: %3d %c", p, '%'));
        if (p > 90) {
            view.EnableMonitorButtons();
        }
        break;
    }
    case ReadingState::Nulling:
    case ReadingState::QcAveraging:
        DecodeFrame(frame, ctx.settings, ctx.linkMode, state_, normalisation, reading);
        Accumulate(ctx, view, session);
        break;
    case ReadingState::QcEvaluation: {
        // The screen keeps showing the instrument while the operator waits for the response.
        DecodeFrame(frame, ctx.settings, ctx.linkMode, state_, normalisation, reading);
        const uint8_t l = reading.letter;
        const bool fourChannel = l == 'T' || l == 'E' || l == 'M' || l == 'P';
        view.ShowMode(PrintfLike("Mode:%c", fourChannel ? '4' : 'D'));
        ShowBatteryAndChannels(ctx, view);
        session.QcEvaluate(reading);
        break;
    }
    case ReadingState::Normal:
        Normal(frame, ctx, view, session);
        break;
    }
    frame[0] = 0;
}

// Nulling and QC-coil averaging: the first frame after the command only starts the
// accumulator; the next 50 are averaged, so the 51st frame completes it.
void ReadingProcessor::Accumulate(const ReadingContext& ctx, ReadingView& view,
                                  ReadingSession& session) {
    if (nulling.count == 0) {
        if (state_ == ReadingState::Nulling) {
            // The offsets in force until now: the nulling record and the line headers carry
            // them, and a backward reader applies them to the readings before this nulling.
            nulling.previousOffsets = normalisation.nullOffsets;
            normalisation.nullOffsets = {};
        } else {
            nulling.qcSavedOffsets = normalisation.nullOffsets;
            session.QcAveragingStarted();
        }
        nulling.sums = {};
        nulling.count = 1;
    } else {
        for (int i = 0; i < 4; ++i) {
            nulling.sums[i] += reading.channel[i];
        }
        if (nulling.count < kNullingReadings) {
            nulling.count += 1;
        } else {
            if (state_ == ReadingState::QcAveraging) {
                nulling.previousOffsets = normalisation.nullOffsets; // not zeroed at the start
            }
            for (int i = 0; i < 4; ++i) {
                normalisation.nullOffsets[i] = nulling.sums[i] / kNullingReadings;
            }
            if (state_ == ReadingState::Nulling) {
                NullingDone();
                if (session.StandBy()) {
                    session.WriteNullingRecord(normalisation.nullOffsets, nulling.previousOffsets);
                }
            } else {
                QcAveragingDone();
                session.QcAveragingDone();
            }
        }
    }
    view.ShowMessageLine(PrintfLike("     Nulling:  %2d of %2d", nulling.count, kNullingReadings));
}

void ReadingProcessor::Normal(FrameBuffer& frame, const ReadingContext& ctx, ReadingView& view,
                              ReadingSession& session) {
    // DecodeFrame rewrites bytes 10-13; the test file keeps them as received.
    const FrameBuffer received = frame;
    DecodeFrame(frame, ctx.settings, ctx.linkMode, state_, normalisation, reading);
    const uint8_t letter = reading.letter;
    const bool fourChannel = IsFourChannelLetter(letter);
    view.ShowMode(PrintfLike("Mode:%c", fourChannel ? '4' : 'D'));

    const bool logging = session.Logging();
    const bool record = session.DecideRecord(letter);
    if (logging && record) {
        uint32_t tick = session.WriteReading(frame, received);
        if (ctx.settings.audio == 1) {
            beepCounter += 1;
            if (beepCounter == ctx.beepDivider) {
                session.Beep();
                beepCounter = 0;
            }
        }
        session.AdvanceStation(letter);
        session.RecordedReadingShown(reading, tick);
    }

    const bool manualLogging = logging && ctx.settings.surveyMode == 2;
    view.ShowMarker(PrintfLike("%c", IsTriggeredLetter(letter) && !manualLogging ? 'M' : ' '));
    ShowBatteryAndChannels(ctx, view);

    const uint32_t now = ctx.clock.Tick();
    if (TickPassed(now, powerCheckTick, kPowerCheckMs)) {
        view.ShowHandheldBattery(PrintfLike("%3d%c", session.HandheldBatteryPercent(), '%'));
        powerCheckTick = now;
    }
}

void ReadingProcessor::ShowBatteryAndChannels(const ReadingContext& ctx, ReadingView& view) {
    const bool fourChannel = IsFourChannelLetter(reading.letter);
    view.ShowInstrumentBattery(PrintfLike("B:%5.2fV", reading.battery / 6.66757));
    std::array<std::string, 4> texts;
    for (int i = 0; i < 4; ++i) {
        if (ctx.portrait) {
            const char* fmt = i == 3 && !fourChannel ? "ChT:%8.1f" : nullptr;
            static constexpr const char* kLabels[] = {"Ch1:%8.1f", "Ch2:%8.1f", "Ch3:%8.1f",
                                                      "Ch4:%8.1f"};
            texts[i] = PrintfLike(fmt ? fmt : kLabels[i], static_cast<double>(reading.channel[i]));
        } else {
            texts[i] = PrintfLike("%8.1f", static_cast<double>(reading.channel[i]));
        }
    }
    view.ShowChannels(texts);
}

} // namespace tm47
