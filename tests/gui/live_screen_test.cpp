// The live profile on its backing image, the Monitor/Log screen's texts, the reading handler
// through the real widget, the pace of the screen's redraws, and the scale dialog.

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "datafile/record_writers.h"
#include "instrument/calibrate_wnd.h"
#include "instrument/link.h"
#include "platform/device_root.h"
#include "platform/screen_geometry.h"
#include "profile/curve_wnd.h"
#include "profile/profile_scale.h"
#include "profile/profile_scale_dialog.h"
#include "survey/live_redraw_pacer_qt.h"
#include "survey/logging_wnd.h"
#include "tests/gui/gui_support.h"

namespace tm47 {

namespace {

const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kRed = qRgb(255, 0, 0);

struct NoTimer : LinkTimer {
    void StartTimer1(int) override {}
    void KillTimer1() override {}
};

// A frame with raw counts per channel, reference 3000 and battery 80.
FrameBuffer Frame(uint8_t letter, std::array<int16_t, 4> raw) {
    FrameBuffer f{letter, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x0B, 0xB8, 80, 0x7F};
    for (int i = 0; i < 4; ++i) {
        f[2 + 2 * i] = static_cast<uint8_t>(static_cast<uint16_t>(raw[i]) >> 8);
        f[3 + 2 * i] = static_cast<uint8_t>(raw[i] & 0xFF);
    }
    return f;
}

// One screen with everything it works on.
struct Screen {
    explicit Screen(bool portrait) {
        geometry = testing::ProgramGeometry(portrait);
        settings.profilePlotHeight = geometry.profileHeight;
        settings.profilePixelsPerUnit = ProfilePixelsPerUnit(
            geometry.profileHeight, settings.profileScaleMin, settings.profileScaleMax);
        link = std::make_unique<InstrumentLink>(clock, timer, readings);
        wnd = std::make_unique<LoggingWnd>(
            LoggingContext{settings, session, geometry, readings, position, previousPoint},
            nullptr);
        SurveySessionContext context{
            clock,    settings, session,    position,          previousPoint,
            readings, *link,    outputMode, geometry.portrait, nullptr,
            {},       {},       {}};
        survey = std::make_unique<SurveySession>(context, wnd->ScreenForSession());
        wnd->Attach(*survey);
        wnd->SetBatteryReader([] { return 87; });
        wnd->SetBeeper([this] { beeps++; });
        session.screenActive = true;
        wnd->ShowMonitorState();
    }
    void Feed(FrameBuffer f) { survey->OnFrame(f); }
    // Opens a data file in `dir` with its header and line header: Stand By.
    void OpenFile(const QString& dir, const char* name = "LINE1.R47") {
        DataFile& file = survey->Data();
        QVERIFY(file.Create(QDir(dir).filePath(QString::fromLatin1(name)).toStdString(), false) ==
                DataFile::CreateResult::Created);
        WriteFileHeader(survey->Records(), HeaderOffsets{});
        WriteLineHeader(survey->Records(), readings.normalisation.nullOffsets, {});
        WriteTimeStamp(survey->Records());
        session.state = SessionState::StandBy;
    }

    ManualClock clock{1000};
    Settings settings;
    LogSession session;
    SurveyPosition position;
    ScreenGeometry geometry;
    ReadingProcessor readings;
    NoTimer timer;
    std::array<int32_t, 4> previousPoint{};
    OutputMode outputMode = OutputMode::Off;
    int beeps = 0;
    std::unique_ptr<InstrumentLink> link;
    std::unique_ptr<SurveySession> survey; // outlives the screen that draws it
    std::unique_ptr<LoggingWnd> wnd;
};

int CountColour(const QImage& image, int column, QRgb colour) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        n += image.pixel(column, y) == colour ? 1 : 0;
    }
    return n;
}

} // namespace

class LiveGuiTest : public QObject {
    Q_OBJECT

    // A plot 312 x 180 (landscape) with channel 1 red and 1 pixel wide.
    struct Plot {
        Settings settings;
        std::array<int32_t, 4> flags{};
        CurveWnd curve{settings, false, 312, 180, flags, nullptr};
        Plot() {
            settings.channelShown = {1, 0, 0, 0};
            settings.channelColour = {0x0000FF, 0x00FF00, 0xFF0000, 0xFF00FF};
            settings.channelThickness = {1, 1, 1, 1};
            settings.profilePlotHeight = 180;
            settings.profilePixelsPerUnit = ProfilePixelsPerUnit(180, 0.0f, 500.0f);
            curve.Repaint(false);
        }
    };

private slots:
    void FirstReadingIsAPointTheSecondASegmentAndTheFirstLeavesWithThe137th() {
        Plot plot;
        const QImage& img = plot.curve.Image();
        plot.curve.ScrollImage({40, 0, 0, 0});
        QCOMPARE(img.pixel(270, 40), kRed);
        QCOMPARE(CountColour(img, 270, kRed), 1);
        QCOMPARE(CountColour(img, 269, kRed), 0);
        QCOMPARE(plot.flags[0], 1);
        plot.curve.ScrollImage({60, 0, 0, 0});
        QCOMPARE(img.pixel(268, 40), kRed); // the first point, moved 2 columns left
        QCOMPARE(img.pixel(270, 60), kRed);
        QVERIFY(CountColour(img, 269, kRed) >= 9); // the segment between them
        QCOMPARE(CountColour(img, 267, kRed), 0);
        QCOMPARE(CountColour(img, 271, kRed), 0);
        // The first reading stays for a window of 136 and leaves with the 137th.
        for (int i = 2; i < 136; ++i) {
            plot.curve.ScrollImage({100, 0, 0, 0});
        }
        QCOMPARE(img.pixel(0, 40), kRed);
        plot.curve.ScrollImage({100, 0, 0, 0});
        QCOMPARE(img.pixel(0, 40), kWhite);
    }

    // The reading handler through the widget: the normalisation count, then in Stand By and
    // Logging the state, file, station, marker and channel fields, one record per reading, the
    // beep divider, and the GPS row (screenshots kept for a person, not compared).
    void HandlerTextsAreReadFromTheWidget() {
        QTemporaryDir dir;
        Screen s(true);
        const QString shot = testing::ArtifactsDir() + "/logging_wnd_portrait";
        s.settings.audio = 1;
        s.session.beepDivider = 5;
        s.Feed(Frame('T', {0, 0, 0, 0}));
        QCOMPARE(s.wnd->MessageLine(), QStringLiteral("Normalization:   1 %"));
        QVERIFY(!s.wnd->MonitorButton(0)->isEnabled());
        for (int i = 1; i < kNormalisationWindow; ++i) {
            s.Feed(Frame('T', {0, 0, 0, 0}));
        }
        QCOMPARE(s.wnd->MessageLine(), QStringLiteral("Normalization: 100 %"));
        QVERIFY(s.wnd->MonitorButton(0)->isEnabled());
        s.OpenFile(dir.path());
        s.wnd->grab(); // the fields are drawn at the paint
        QCOMPARE(s.wnd->FieldText(LogField::StateWord), QStringLiteral("Stand By"));
        QCOMPARE(s.wnd->FieldText(LogField::FileName), QStringLiteral("File:LINE1"));
        s.position.station = 12.5;
        s.session.state = SessionState::Logging;
        const int64_t before = s.survey->Data().DataFileSize();
        for (int i = 0; i < 10; ++i) {
            s.Feed(Frame('M', {static_cast<int16_t>(100 + 10 * i), 80, 60, 40}));
        }
        QVERIFY(s.wnd->grab().save(shot + "_logging.png"));
        QCOMPARE(s.survey->Data().DataFileSize() - before, int64_t{10 * 24});
        QCOMPARE(s.beeps, 2);
        QCOMPARE(s.wnd->FieldText(LogField::StateWord), QStringLiteral("Logging"));
        QCOMPARE(s.wnd->FieldText(LogField::Marker), QStringLiteral("M"));
        QVERIFY(s.wnd->FieldText(LogField::Ch4).startsWith(QStringLiteral("Ch4:")));
        // The first reading lies at the station, the next nine one increment each further.
        QCOMPARE(s.wnd->FieldText(LogField::Station), QStringLiteral("21.50      "));
        s.Feed(Frame('D', {0, 0, 0, 0}));
        QVERIFY(s.wnd->FieldText(LogField::Ch4).startsWith(QStringLiteral("ChT:")));
        QCOMPARE(s.wnd->FieldText(LogField::Marker), QStringLiteral(" "));
        QCOMPARE(s.wnd->FieldText(LogField::GpsDisabled), QStringLiteral("GPS  Input  disabled"));
        s.settings.gpsEnabled = 1;
        QVERIFY(s.wnd->grab().save(shot + "_gps.png"));
        QCOMPARE(s.wnd->FieldText(LogField::GpsFix), QStringLiteral("NO FIX"));
    }

    // The entry rules themselves are the scale's; here OK stores, saves and clears the
    // "previous point" flags, and Cancel leaves all three.
    void ScaleDialogStoresSavesAndClearsTheFlags() {
        QTemporaryDir dir;
        DeviceRoot root(dir.path().toStdString());
        for (bool ok : {false, true}) {
            Settings settings;
            settings.profilePlotHeight = 180;
            std::array<int32_t, 4> flags{1, 1, 1, 1};
            GetNewProfileScale dialog(settings, root, &flags);
            QCOMPARE(dialog.MinimumEdit()->text(), QStringLiteral("0"));
            dialog.MinimumEdit()->setText(QStringLiteral("100"));
            dialog.MaximumEdit()->setText(QStringLiteral("50")); // not above: minimum + 100
            ok ? dialog.accept() : dialog.reject();
            QCOMPARE(settings.profileScaleMax, ok ? 200.0f : 500.0f);
            QCOMPARE(flags, (std::array<int32_t, 4>{!ok, !ok, !ok, !ok}));
            QCOMPARE(testing::SettingsFileLines(root).isEmpty(), !ok);
        }
    }

    // Readings close together are drawn together; what the last one changed is drawn once
    // readings stop, even when another widget it touched is gone; a reading after a pause and
    // a change outside a reading are drawn at once.
    void ReadingsRedrawAtAPaceAndNothingIsLeftUndrawn() {
        struct Counted : QWidget {
            int paints = 0;
            void paintEvent(QPaintEvent*) override { ++paints; }
        };
        Counted w;
        w.resize(40, 40);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QTRY_VERIFY(w.paints > 0);
        const int shown = w.paints;
        LiveRedrawPacer pacer;
        const auto reading = [&](QWidget* target) {
            pacer.BeginReading();
            pacer.Update(target, QRect(0, 0, 10, 10));
            pacer.EndReading();
        };
        reading(&w);
        QTRY_COMPARE(w.paints, shown + 1);
        reading(&w);
        auto* gone = new Counted;
        reading(gone);
        delete gone;
        QCoreApplication::processEvents();
        QCOMPARE(w.paints, shown + 1);
        QTRY_COMPARE_WITH_TIMEOUT(w.paints, shown + 2, testing::kWaitMs);
        pacer.Update(&w, QRect(0, 0, 10, 10));
        QTRY_COMPARE(w.paints, shown + 3);
    }
};

} // namespace tm47

QTEST_MAIN(tm47::LiveGuiTest)
#include "live_screen_test.moc"
