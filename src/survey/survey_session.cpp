#include "survey/survey_session.h"

#include "config/settings_file.h"
#include "instrument/frame_decoder.h"

namespace tm47 {

SurveySession::SurveySession(SurveySessionContext context, SurveyScreen screen)
    : ctx_(std::move(context)),
      readingView_(screen.readingView), records_{ctx_.settings,   dataFile_, ctx_.clock,   nullptr,
                                                 OutputMode::Off, true,      ctx_.portrait},
      qc_(ctx_.readings, ctx_.clock,
          CalibrationHooks{
              [this](char letter, const std::array<float, 4>& values) {
                  // Without a data file the records still reach the output port.
                  WriteOffsetRecords(records_, true, values, values, letter);
              },
              [&view = screen.view](bool enabled) { view.EnableMonitorButtons(enabled); },
              std::move(screen.calibrationClosed)}),
      live_(ctx_.settings, ctx_.session, ctx_.position, records_, &qc_, std::move(screen.live)),
      link_(ctx_.link, screen.timer, ctx_.clock), session_{ctx_.clock,         ctx_.settings,
                                                           ctx_.session,       ctx_.position,
                                                           records_,           ctx_.readings,
                                                           ctx_.previousPoint, link_,
                                                           screen.view,        SessionHooks{},
                                                           SessionShutdown{}},
      watch_(session_), controller_(session_, watch_) {
    SessionHooks& hooks = session_.hooks;
    hooks.saveSettings = [this] {
        if (ctx_.root) {
            SaveSettings(ctx_.settings, *ctx_.root);
        }
    };
    hooks.requestCalibration = [this](int32_t kind) { qc_.Request(kind); };
    hooks.calibrationLinkLost = [this] { qc_.LinkLost(); };
    hooks.resetCalibration = [this] { qc_.ResetForSession(); };
    hooks.resetGpsCount = ctx_.resetGpsCount;
    // GPS first: its threads may be writing GPS records into the data file.
    SessionShutdown& shutdown = session_.shutdown;
    shutdown.stopGps = ctx_.stopGps;
    shutdown.closeOutputPort = ctx_.closeOutputPort;
    shutdown.closeDataFiles = [this] { dataFile_.Close(); };
    ctx_.link.State().lastFrameTick.store(ctx_.clock.Tick());
}

void SurveySession::OnFrame(FrameBuffer& frame) {
    const int32_t linkMode = ctx_.link.State().linkMode.load();
    records_.polledLink = linkMode == kLinkPolled;
    records_.outputMode = ctx_.outputMode;
    const ReadingContext rc{ctx_.settings, ctx_.clock, linkMode, ctx_.portrait,
                            ctx_.session.beepDivider};
    ctx_.readings.HandleFrame(frame, rc, readingView_, live_);
}

HeaderOffsets SurveySession::CurrentHeaderOffsets() const {
    return HeaderOffsets{ctx_.readings.normalisation.nullOffsets, qc_.state.lastQcLetter,
                         qc_.state.lastQcValues};
}

} // namespace tm47
