// The calibration window: the texts of each step, and timer 2 timing the check out.
#include <QPushButton>
#include <QTest>

#include "instrument/calibrate_wnd.h"
#include "tests/gui/gui_support.h"

namespace tm47 {

class CalibrateWndTest : public QObject {
    Q_OBJECT

    struct Rig {
        ReadingProcessor readings;
        ManualClock clock{5000};
        int records = 0;
        QWidget parent;
        QcCheck check{readings, clock,
                      CalibrationHooks{[this](char, const std::array<float, 4>&) { records++; },
                                       nullptr, nullptr}};
        CalibrateWnd* wnd = nullptr;

        explicit Rig(bool portrait) {
            parent.resize(portrait ? 240 : 320, portrait ? 320 : 240);
            wnd = new CalibrateWnd(check, portrait, &parent);
            parent.show();
            parent.activateWindow();
            QTest::qWaitForWindowActive(&parent);
        }
        // The command and the 50-reading average as the reading processing drives them.
        void Start(int32_t kind) {
            check.Request(kind);
            check.AveragingStarted(0);
            readings.nulling.qcSavedOffsets = {1, 2, 3, 4};
            readings.normalisation.nullOffsets = {10, 20, 30, 40};
            readings.QcAveragingDone();
            check.AveragingDone();
        }
        void Evaluate(std::array<float, 4> ch) {
            Reading r;
            r.letter = 'T';
            r.channel = ch;
            check.Evaluate(r);
        }
        QStringList Texts() const {
            const CalibrationScreen s = wnd->Screen();
            QStringList out{QString::fromStdString(s.title)};
            std::transform(s.lines.begin(), s.lines.end(), std::back_inserter(out),
                           [](const std::string& l) { return QString::fromStdString(l); });
            return out;
        }
    };

private slots:
    // The texts of each step as the operator reads them, through OK, two readings and a key.
    void StepTexts() {
        Rig rig(true);
        rig.Start(kQcKindInternal);
        QVERIFY(rig.wnd->isVisible());
        QCOMPARE(rig.Texts(),
                 (QStringList{"Internal QC Coil Calibration", "Please tap OK button and",
                              "then press QC Coil button", "and hold for 5 seconds"}));
        QTest::mouseClick(rig.wnd->OkButton(), Qt::LeftButton);
        QCOMPARE(rig.Texts().at(3), QStringLiteral(" 0 of 60"));
        rig.Evaluate({-4608, -3574, -2096, -784});
        rig.Evaluate({-4608, -3574, -2096, -784});
        QCOMPARE(rig.Texts().mid(1),
                 (QStringList{"Calibration values", "Channel 1:  -4608.0", "Channel 2:  -3574.0",
                              "Channel 3:  -2096.0", "Channel 4:   -784.0", "CALIBRATION OK",
                              "tap any button or press <enter>"}));
        rig.wnd->repaint(); // drawing again writes no second record
        QCOMPARE(rig.records, 1);
        QTest::keyClick(rig.wnd, Qt::Key_O);
        QVERIFY(rig.wnd->isHidden());
    }

    void TimeOutOnTimer2() {
        Rig rig(false);
        rig.Start(kQcKindExternal);
        QCOMPARE(rig.Texts().at(0), QStringLiteral("External QC Coil Calibration"));
        QTest::keyClick(rig.wnd, Qt::Key_Return); // Enter on the focused OK
        rig.clock.Advance(60000);
        QTRY_VERIFY_WITH_TIMEOUT(!rig.wnd->Timer2Active(), testing::kWaitMs);
        QCOMPARE(rig.Texts().mid(1),
                 (QStringList{"CALIBRATION TIME OUT", "tap any button or press <enter>"}));
        QCOMPARE(rig.records, 0);
    }
};

} // namespace tm47

QTEST_MAIN(tm47::CalibrateWndTest)
#include "calibrate_wnd_test.moc"
