// The calibration window: geometry and buttons in both layouts, the texts of each step,
// the keys, and timer 2 driving the check.
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <atomic>
#include <vector>

#include "instrument/calibrate_wnd.h"

namespace tm47 {

class CalibrateWndTest : public QObject {
    Q_OBJECT

    struct Rig {
        NormalisationState normalisation;
        NullingState nulling;
        int32_t readingState{kReadingNormal};
        ManualClock clock{5000};
        int records = 0;
        QWidget parent;
        QcCheck check{normalisation, nulling, readingState, clock,
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
            nulling.qcSavedOffsets = {1, 2, 3, 4};
            normalisation.nullOffsets = {10, 20, 30, 40};
            readingState = kReadingQcEvaluation;
            check.AveragingDone();
        }
        Reading At(std::array<float, 4> ch) {
            Reading r;
            r.letter = 'T';
            r.channel = ch;
            return r;
        }
        QStringList Texts() const {
            QStringList out;
            const CalibrationScreen s = wnd->Screen();
            out << QString::fromStdString(s.title);
            for (const auto& l : s.lines) {
                out << QString::fromStdString(l);
            }
            return out;
        }
    };

private slots:
    void GeometryAndButtons_data() {
        QTest::addColumn<bool>("portrait");
        QTest::addColumn<QRect>("window");
        QTest::addColumn<QRect>("ok");
        QTest::addColumn<QRect>("cancel");
        QTest::newRow("portrait") << true << QRect(6, 60, 226, 148) << QRect(41, 124, 70, 20)
                                  << QRect(115, 124, 70, 20);
        QTest::newRow("landscape") << false << QRect(30, 35, 260, 148) << QRect(58, 124, 70, 20)
                                   << QRect(132, 124, 70, 20);
    }
    void GeometryAndButtons() {
        QFETCH(bool, portrait);
        QFETCH(QRect, window);
        QFETCH(QRect, ok);
        QFETCH(QRect, cancel);
        Rig rig(portrait);
        QCOMPARE(rig.wnd->windowTitle(), QStringLiteral("Calibration"));
        QVERIFY(rig.wnd->isHidden());
        QCOMPARE(rig.wnd->geometry(), window);
        QCOMPARE(rig.wnd->OkButton()->text(), QStringLiteral("&OK"));
        QCOMPARE(rig.wnd->CancelButton()->text(), QStringLiteral("&Cancel"));
        QCOMPARE(rig.wnd->OkButton()->property("controlId").toInt(), 350);
        QCOMPARE(rig.wnd->CancelButton()->property("controlId").toInt(), 351);
        QCOMPARE(rig.wnd->OkButton()->geometry(), ok);
        QCOMPARE(rig.wnd->CancelButton()->geometry(), cancel);
    }

    void PassThroughButtonsAndKeys() {
        Rig rig(true);
        rig.Start(kQcKindInternal);
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

        QTest::keyClick(rig.wnd, Qt::Key_Tab);
        QVERIFY(rig.wnd->OkButton()->isDefault());
        QTest::keyClick(rig.wnd, Qt::Key_Tab);
        QVERIFY(rig.wnd->CancelButton()->isDefault());

        rig.check.Evaluate(rig.At({-4608, -3574, -2096, -784}));
        rig.check.Evaluate(rig.At({-4608, -3574, -2096, -784}));
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
        QCOMPARE(rig.readingState, kReadingNormal);
        QCOMPARE(rig.normalisation.nullOffsets, (std::array<float, 4>{1, 2, 3, 4}));
    }

    void TimeOutOnTimer2() {
        Rig rig(false);
        rig.Start(kQcKindExternal);
        QCOMPARE(rig.Texts().at(0), QStringLiteral("External QC Coil Calibration"));
        QTest::keyClick(rig.wnd, Qt::Key_Return); // Enter on the focused OK
        QVERIFY(rig.wnd->Timer2Active());
        rig.clock.Advance(60000);
        QTRY_VERIFY_WITH_TIMEOUT(!rig.wnd->Timer2Active(), 3000);
        QCOMPARE(rig.Texts().mid(1),
                 (QStringList{"CALIBRATION TIME OUT", "tap any button or press <enter>"}));
        QCOMPARE(rig.records, 0);
        QTest::keyClick(rig.wnd, Qt::Key_C);
        QVERIFY(rig.wnd->isHidden());
    }
};

} // namespace tm47

QTEST_MAIN(tm47::CalibrateWndTest)
#include "calibrate_wnd_gui_test.moc"
