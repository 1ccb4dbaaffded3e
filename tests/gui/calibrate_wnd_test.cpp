// The calibration window: the texts of each step, the keys, and timer 2 driving the check.
#include <QPushButton>
#include <QTest>

#include <atomic>
#include <vector>

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
    void PassThroughButtonsAndKeys() {
        Rig rig(true);
        QVERIFY(rig.wnd->isHidden());
        rig.Start(kQcKindInternal);
        QCOMPARE(rig.wnd->windowTitle(), QStringLiteral("Calibration"));
        QVERIFY(rig.wnd->isVisible());
        QVERIFY(rig.wnd->hasFocus());
        QCOMPARE(rig.Texts(),
                 (QStringList{"Internal QC Coil Calibration", "Please tap OK button and",
                              "then press QC Coil button", "and hold for 5 seconds"}));
        QVERIFY(rig.wnd->OkButton()->isDefault());
        QVERIFY(rig.wnd->OkButton()->isEnabled());

        QTest::mouseClick(rig.wnd->OkButton(), Qt::LeftButton);
        QCOMPARE(rig.Texts().at(3), QStringLiteral(" 0 of 60"));
        QVERIFY(!rig.wnd->OkButton()->isEnabled());
        QVERIFY(rig.wnd->CancelButton()->isDefault());
        QVERIFY(rig.wnd->Timer2Active());

        rig.Evaluate({-4608, -3574, -2096, -784});
        rig.Evaluate({-4608, -3574, -2096, -784});
        QCOMPARE(rig.Texts().mid(1),
                 (QStringList{"Calibration values", "Channel 1:  -4608.0", "Channel 2:  -3574.0",
                              "Channel 3:  -2096.0", "Channel 4:   -784.0", "CALIBRATION OK",
                              "tap any button or press <enter>"}));
        QVERIFY(rig.wnd->OkButton()->isEnabled());
        QVERIFY(!rig.wnd->Timer2Active());
        rig.wnd->repaint(); // drawing again writes no second record
        QCOMPARE(rig.records, 1);

        QTest::keyClick(rig.wnd, Qt::Key_O);
        QVERIFY(rig.wnd->isHidden());
        QVERIFY(rig.readings.State() == ReadingState::Normal);
        QCOMPARE(rig.readings.normalisation.nullOffsets, (std::array<float, 4>{1, 2, 3, 4}));
    }

    void TimeOutOnTimer2() {
        Rig rig(false);
        rig.Start(kQcKindExternal);
        QCOMPARE(rig.Texts().at(0), QStringLiteral("External QC Coil Calibration"));
        QTest::keyClick(rig.wnd, Qt::Key_Return); // Enter on the focused OK
        QVERIFY(rig.wnd->Timer2Active());
        rig.clock.Advance(60000);
        QTRY_VERIFY_WITH_TIMEOUT(!rig.wnd->Timer2Active(), testing::kWaitMs);
        QCOMPARE(rig.Texts().mid(1),
                 (QStringList{"CALIBRATION TIME OUT", "tap any button or press <enter>"}));
        QCOMPARE(rig.records, 0);
        QTest::keyClick(rig.wnd, Qt::Key_C);
        QVERIFY(rig.wnd->isHidden());
    }
};

} // namespace tm47

QTEST_MAIN(tm47::CalibrateWndTest)
#include "calibrate_wnd_test.moc"
