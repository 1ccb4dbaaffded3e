// Survey Setup: the working copies of the per-mode increments, the mode-list notifications,
// the increment field's 0 rule, OK's steps and Cancel.

#include "config/settings.h"
#include "dialog_test_support.h"
#include "survey/log_session.h"
#include "survey/survey_position.h"
#include "survey/survey_setup_dialog.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>

#include <clocale>
#include <string>

namespace tm47 {

namespace {

struct SurveyFixture {
    TempRoot temp;
    Settings settings;
    SurveyPosition position;
    LogSession session;
};

// Replaces the field's text as an operator would: select all, then type.
void TypeInto(QLineEdit* field, const QString& text) {
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    if (text.isEmpty()) {
        QTest::keyClick(field, Qt::Key_Delete);
    } else {
        QTest::keyClicks(field, text);
    }
}

// "0.200" becomes "0.25" without ever reading 0 (which the field would turn into 1.000).
void EditWheelIncrementTo025(QLineEdit* field) {
    QTest::keyClick(field, Qt::Key_End);
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClicks(field, "5");
}

} // namespace

class SurveySetupDialogTest : public QObject {
    Q_OBJECT
private slots:
    void DefaultSetupShowsStoredValues();
    void ModeSwitchShowsEachModesIncrement();
    void ModeSwitchBackShowsWhatWasTypedForAuto();
    void WheelIncrementChangedThenAutoConfirmedKeepsStoredWheelIncrement();
    void IncrementFieldTurnsZeroIntoOne_data();
    void IncrementFieldTurnsZeroIntoOne();
    void CancelAfterChangesStoresNothing();
    void OkStoresEveryFieldAndSaves();
    void OkRate_data();
    void OkRate();
    void OkStationIsStartStationAndNextReadingKeepsIt();
    void OkListWithoutSelectionKeepsStoredValue();
    void NumbersAreCLocaleUnderAGermanLocale();
};

void SurveySetupDialogTest::DefaultSetupShowsStoredValues() {
    SurveyFixture f;
    GetSurveySetup47 dialog(f.settings, f.position, f.session, f.temp.root);
    QCOMPARE(dialog.windowTitle(), QString("Survey Setup"));
    QCOMPARE(dialog.ModeList()->objectName(), QString("620"));
    QCOMPARE(dialog.ModeList()->currentText(), QString("Auto"));
    QCOMPARE(dialog.RateField()->text(), QString("5.00"));
    QVERIFY(!dialog.RateField()->isReadOnly());
    QCOMPARE(dialog.LineField()->text(), QString("0"));
    QCOMPARE(dialog.LineIncrementField()->text(), QString("1.00"));
    QCOMPARE(dialog.SequenceList()->currentText(), QString("Alternate"));
    QCOMPARE(dialog.DirectionList()->currentText(), QString("South"));
    QCOMPARE(dialog.StartStationField()->text(), QString("0.000"));
    QCOMPARE(dialog.IncrementField()->text(), QString("1.000"));
    QCOMPARE(dialog.IncrementLabel()->text(), QString("Stn Increment"));
    QCOMPARE(dialog.IncrementLabel()->objectName(), QString("609"));
}

void SurveySetupDialogTest::ModeSwitchShowsEachModesIncrement() {
    SurveyFixture f;
    GetSurveySetup47 dialog(f.settings, f.position, f.session, f.temp.root);
    QTest::keyClick(dialog.ModeList(), Qt::Key_Down); // Wheel
    QCOMPARE(dialog.IncrementField()->text(), QString("0.200"));
    QCOMPARE(dialog.IncrementLabel()->text(), QString("Wheel Inc."));
    QCOMPARE(dialog.RateField()->text(), QString("Not Available"));
    QVERIFY(dialog.RateField()->isReadOnly());

    QTest::keyClick(dialog.ModeList(), Qt::Key_Down); // Manual
    QCOMPARE(dialog.IncrementField()->text(), QString("2.000"));
    QCOMPARE(dialog.IncrementLabel()->text(), QString("Stn Increment"));
    QCOMPARE(dialog.RateField()->text(), QString("Not Available"));
    QVERIFY(dialog.RateField()->isReadOnly());

    dialog.ModeList()->setCurrentIndex(0); // Auto
    QCOMPARE(dialog.IncrementField()->text(), QString("1.000"));
    QCOMPARE(dialog.IncrementLabel()->text(), QString("Stn Increment"));
    QCOMPARE(dialog.RateField()->text(), QString("5.00"));
    QVERIFY(!dialog.RateField()->isReadOnly());
}

void SurveySetupDialogTest::ModeSwitchBackShowsWhatWasTypedForAuto() {
    SurveyFixture f;
    GetSurveySetup47 dialog(f.settings, f.position, f.session, f.temp.root);
    TypeInto(dialog.IncrementField(), "2.5");
    TypeInto(dialog.RateField(), "10");
    dialog.ModeList()->setCurrentIndex(1);
    QCOMPARE(dialog.IncrementField()->text(), QString("0.200"));
    dialog.ModeList()->setCurrentIndex(0);
    QCOMPARE(dialog.IncrementField()->text(), QString("2.500"));
    QCOMPARE(dialog.RateField()->text(), QString("5.00")); // the stored rate, not the typed one
}

void SurveySetupDialogTest::WheelIncrementChangedThenAutoConfirmedKeepsStoredWheelIncrement() {
    SurveyFixture f;
    GetSurveySetup47 dialog(f.settings, f.position, f.session, f.temp.root);
    dialog.ModeList()->setCurrentIndex(1);
    EditWheelIncrementTo025(dialog.IncrementField());
    QCOMPARE(dialog.IncrementField()->text(), QString("0.25"));
    dialog.ModeList()->setCurrentIndex(0);
    dialog.accept();
    QCOMPARE(f.settings.wheelStationIncrement, 0.2f);
    QCOMPARE(f.settings.autoStationIncrement, 1.0f);
    QCOMPARE(f.settings.activeStationIncrement, 1.0f);
    QCOMPARE(SettingsFileLines(f.temp.root), ExpectedFileLines({}));
}

void SurveySetupDialogTest::IncrementFieldTurnsZeroIntoOne_data() {
    QTest::addColumn<QString>("typed");
    QTest::newRow("cleared") << "";
    QTest::newRow("zero") << "0";
    QTest::newRow("not a number") << "x";
}

void SurveySetupDialogTest::IncrementFieldTurnsZeroIntoOne() {
    QFETCH(QString, typed);
    SurveyFixture f;
    f.settings.surveyMode = kModeManual;
    f.settings.activeStationIncrement = 2.0f;
    GetSurveySetup47 dialog(f.settings, f.position, f.session, f.temp.root);
    TypeInto(dialog.IncrementField(), typed);
    QCOMPARE(dialog.IncrementField()->text(), QString("1.000"));
    dialog.accept();
    QCOMPARE(f.settings.manualStationIncrement, 1.0f);
    QCOMPARE(f.settings.activeStationIncrement, 1.0f);
}

void SurveySetupDialogTest::CancelAfterChangesStoresNothing() {
    SurveyFixture f;
    f.position.station = 42.0;
    f.position.advanceArmed = true;
    f.session.watchMode = 0;
    const Settings before = f.settings;
    GetSurveySetup47 dialog(f.settings, f.position, f.session, f.temp.root);
    TypeInto(dialog.RateField(), "10");
    TypeInto(dialog.IncrementField(), "3");
    TypeInto(dialog.LineField(), "7");
    TypeInto(dialog.LineIncrementField(), "2");
    TypeInto(dialog.StartStationField(), "100");
    dialog.SequenceList()->setCurrentIndex(1);
    dialog.DirectionList()->setCurrentIndex(3);
    dialog.ModeList()->setCurrentIndex(2);
    TypeInto(dialog.IncrementField(), "9");
    dialog.reject();
    QVERIFY(f.settings == before);
    QCOMPARE(f.position.station, 42.0);
    QVERIFY(f.position.advanceArmed);
    QCOMPARE(f.session.watchMode, 0);
    QVERIFY(!f.temp.SettingsFileExists());
}

void SurveySetupDialogTest::OkStoresEveryFieldAndSaves() {
    SurveyFixture f;
    GetSurveySetup47 dialog(f.settings, f.position, f.session, f.temp.root);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTest::keyClick(dialog.ModeList(), Qt::Key_Down); // Wheel
    EditWheelIncrementTo025(dialog.IncrementField());
    TypeInto(dialog.LineField(), "A123456789012"); // 13 characters; 11 are kept
    TypeInto(dialog.LineIncrementField(), "2.5");
    QTest::keyClick(dialog.SequenceList(), Qt::Key_Down);  // One Way
    QTest::keyClick(dialog.DirectionList(), Qt::Key_Down); // North
    TypeInto(dialog.StartStationField(), "-12.75");
    QTest::keyClick(dialog.StartStationField(), Qt::Key_Return);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));

    QCOMPARE(f.settings.surveyMode, 1);
    QCOMPARE(f.session.watchMode, 1);
    QCOMPARE(f.settings.readingInterval, 0.2f); // Wheel keeps the stored rate
    QCOMPARE(f.settings.surveyLine, std::u16string(u"A1234567890"));
    QCOMPARE(f.settings.lineIncrement, 2.5f);
    QCOMPARE(f.settings.lineSequence, 1);
    QCOMPARE(f.settings.lineDirection, 2);
    QCOMPARE(f.settings.startStation, -12.75);
    QCOMPARE(f.position.station, -12.75);
    QCOMPARE(f.settings.wheelStationIncrement, 0.25f);
    QCOMPARE(f.settings.activeStationIncrement, 0.25f);
    QCOMPARE(SettingsFileLines(f.temp.root), ExpectedFileLines({{29, "1"},
                                                                {31, "0.250000"},
                                                                {34, "A1234567890"},
                                                                {35, "2.500000"},
                                                                {36, "1"},
                                                                {37, "2"},
                                                                {38, "-12.750000"}}));
}

void SurveySetupDialogTest::OkRate_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<float>("interval");
    QTest::addColumn<int>("intervalMs");
    QTest::addColumn<int>("cycles");
    QTest::addColumn<QString>("line33");
    QTest::newRow("10 per second") << "10" << 0.1f << 100 << 2 << "0.100000";
    QTest::newRow("2.5 per second") << "2.5" << 0.4f << 400 << 7 << "0.400000";
    QTest::newRow("1 per second") << "1" << 1.0f << 1000 << 18 << "1.000000";
    QTest::newRow("zero: 1 per second") << "0" << 1.0f << 1000 << 18 << "1.000000";
    QTest::newRow("negative: 1 per second") << "-5" << 1.0f << 1000 << 18 << "1.000000";
    QTest::newRow("not a number: 1 per second") << "fast" << 1.0f << 1000 << 18 << "1.000000";
    QTest::newRow("empty: 1 per second") << "" << 1.0f << 1000 << 18 << "1.000000";
    QTest::newRow("overflow: 1 per second") << "1e999" << 1.0f << 1000 << 18 << "1.000000";
}

void SurveySetupDialogTest::OkRate() {
    QFETCH(QString, typed);
    QFETCH(float, interval);
    QFETCH(int, intervalMs);
    QFETCH(int, cycles);
    QFETCH(QString, line33);
    SurveyFixture f;
    GetSurveySetup47 dialog(f.settings, f.position, f.session, f.temp.root);
    TypeInto(dialog.RateField(), typed);
    dialog.accept();
    QCOMPARE(f.settings.readingInterval, interval);
    QCOMPARE(f.settings.readingIntervalMs, intervalMs);
    QCOMPARE(f.settings.cyclesPerReading, cycles);
    QCOMPARE(SettingsFileLines(f.temp.root).at(32), line33);
}

void SurveySetupDialogTest::OkStationIsStartStationAndNextReadingKeepsIt() {
    SurveyFixture f;
    f.position.station = 57.0;
    f.position.advanceArmed = true;
    GetSurveySetup47 dialog(f.settings, f.position, f.session, f.temp.root);
    TypeInto(dialog.StartStationField(), "10.5");
    dialog.accept();
    QCOMPARE(f.position.station, 10.5);
    QVERIFY(!f.position.advanceArmed);
    AdvanceStation(f.position, f.settings, 'T'); // the first recorded reading
    QCOMPARE(f.position.station, 10.5);
    AdvanceStation(f.position, f.settings, 'T');
    QCOMPARE(f.position.station, 11.5);
}

void SurveySetupDialogTest::OkListWithoutSelectionKeepsStoredValue() {
    SurveyFixture f;
    f.settings.lineDirection = 7;
    f.settings.lineSequence = -1;
    GetSurveySetup47 dialog(f.settings, f.position, f.session, f.temp.root);
    QCOMPARE(dialog.DirectionList()->currentIndex(), -1);
    QCOMPARE(dialog.SequenceList()->currentIndex(), -1);
    dialog.accept();
    QCOMPARE(f.settings.lineDirection, 7);
    QCOMPARE(f.settings.lineSequence, -1);
}

void SurveySetupDialogTest::NumbersAreCLocaleUnderAGermanLocale() {
    const std::string old = std::setlocale(LC_NUMERIC, nullptr);
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr) {
        QSKIP("de_DE.UTF-8 is not installed");
    }
    SurveyFixture f;
    {
        GetSurveySetup47 dialog(f.settings, f.position, f.session, f.temp.root);
        const QString rate = dialog.RateField()->text();
        TypeInto(dialog.StartStationField(), "3.25");
        dialog.accept();
        std::setlocale(LC_NUMERIC, old.c_str());
        QCOMPARE(rate, QString("5.00"));
    }
    QCOMPARE(f.settings.startStation, 3.25);
    QCOMPARE(SettingsFileLines(f.temp.root), ExpectedFileLines({{38, "3.250000"}}));
}

int RunSurveySetupDialogTests(int argc, char** argv) {
    SurveySetupDialogTest test;
    return QTest::qExec(&test, argc, argv);
}

} // namespace tm47

#include "survey_setup_dialog_test.moc"
