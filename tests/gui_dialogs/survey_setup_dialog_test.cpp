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

// Increment, its label, the rate and whether the rate is read-only.
QStringList ModeFields(GetSurveySetup47& d) {
    return {d.IncrementField()->text(), d.IncrementLabel()->text(), d.RateField()->text(),
            d.RateField()->isReadOnly() ? "read-only" : "editable"};
}

} // namespace

class SurveySetupDialogTest : public QObject {
    Q_OBJECT
private slots:
    void DefaultsAndModeSwitches();
    void WheelIncrementChangedThenAutoConfirmedKeepsStoredWheelIncrement();
    void IncrementFieldTurnsZeroIntoOne();
    void CancelAfterChangesStoresNothing();
    void OkStoresEveryFieldAndSaves();
    void OkRate_data();
    void OkRate();
    void OkStationIsStartStationAndListsWithoutSelectionKeepTheirValues();
    void NumbersAreCLocaleUnderAGermanLocale();
};

void SurveySetupDialogTest::DefaultsAndModeSwitches() {
    SurveyFixture f;
    GetSurveySetup47 dialog(f.settings, f.position, f.session, f.temp.root);
    QCOMPARE(dialog.windowTitle(), QString("Survey Setup"));
    QCOMPARE(dialog.ModeList()->objectName(), QString("620"));
    QCOMPARE(dialog.IncrementLabel()->objectName(), QString("609"));
    QCOMPARE(dialog.ModeList()->currentText(), QString("Auto"));
    QCOMPARE(dialog.LineField()->text(), QString("0"));
    QCOMPARE(dialog.LineIncrementField()->text(), QString("1.00"));
    QCOMPARE(dialog.SequenceList()->currentText(), QString("Alternate"));
    QCOMPARE(dialog.DirectionList()->currentText(), QString("South"));
    QCOMPARE(dialog.StartStationField()->text(), QString("0.000"));
    const QStringList autoFields{"1.000", "Stn Increment", "5.00", "editable"};
    QCOMPARE(ModeFields(dialog), autoFields);
    QTest::keyClick(dialog.ModeList(), Qt::Key_Down); // Wheel
    QCOMPARE(ModeFields(dialog),
             (QStringList{"0.200", "Wheel Inc.", "Not Available", "read-only"}));
    QTest::keyClick(dialog.ModeList(), Qt::Key_Down); // Manual
    QCOMPARE(ModeFields(dialog),
             (QStringList{"2.000", "Stn Increment", "Not Available", "read-only"}));
    dialog.ModeList()->setCurrentIndex(0);
    QCOMPARE(ModeFields(dialog), autoFields);
    // What was typed for Auto comes back with Auto; the rate shown is the stored one.
    TypeInto(dialog.IncrementField(), "2.5");
    TypeInto(dialog.RateField(), "10");
    dialog.ModeList()->setCurrentIndex(1);
    dialog.ModeList()->setCurrentIndex(0);
    QCOMPARE(ModeFields(dialog), (QStringList{"2.500", "Stn Increment", "5.00", "editable"}));
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
    QCOMPARE(f.settings.activeStationIncrement, 1.0f);
    QCOMPARE(SettingsFileLines(f.temp.root), ExpectedFileLines({}));
}

void SurveySetupDialogTest::IncrementFieldTurnsZeroIntoOne() {
    for (const QString& typed : {QString(), QString("0"), QString("x")}) {
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
}

void SurveySetupDialogTest::CancelAfterChangesStoresNothing() {
    SurveyFixture f;
    f.position.station = 42.0;
    f.position.advanceArmed = true;
    f.session.watchMode = 0;
    const Settings before = f.settings;
    GetSurveySetup47 dialog(f.settings, f.position, f.session, f.temp.root);
    TypeInto(dialog.RateField(), "10");
    for (QLineEdit* field : {dialog.IncrementField(), dialog.LineField(),
                             dialog.LineIncrementField(), dialog.StartStationField()}) {
        TypeInto(field, "7");
    }
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
    QCOMPARE(f.session.watchMode, 1);
    QCOMPARE(f.settings.readingInterval, 0.2f); // Wheel keeps the stored rate
    QCOMPARE(f.position.station, -12.75);
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
    QTest::addColumn<int>("intervalMs");
    QTest::addColumn<int>("cycles");
    QTest::addColumn<QString>("line33");
    QTest::newRow("10 per second") << "10" << 100 << 2 << "0.100000";
    QTest::newRow("2.5 per second") << "2.5" << 400 << 7 << "0.400000";
    for (const char* typed : {"1", "0", "-5", "fast", "", "1e999"}) {
        QTest::addRow("'%s': 1 per second", typed) << typed << 1000 << 18 << "1.000000";
    }
}

void SurveySetupDialogTest::OkRate() {
    QFETCH(QString, typed);
    QFETCH(int, intervalMs);
    QFETCH(int, cycles);
    QFETCH(QString, line33);
    SurveyFixture f;
    GetSurveySetup47 dialog(f.settings, f.position, f.session, f.temp.root);
    TypeInto(dialog.RateField(), typed);
    dialog.accept();
    QCOMPARE(f.settings.readingIntervalMs, intervalMs);
    QCOMPARE(f.settings.cyclesPerReading, cycles);
    QCOMPARE(SettingsFileLines(f.temp.root).at(32), line33);
}

void SurveySetupDialogTest::OkStationIsStartStationAndListsWithoutSelectionKeepTheirValues() {
    SurveyFixture f;
    f.position.station = 57.0;
    f.position.advanceArmed = true;
    f.settings.lineDirection = 7;
    f.settings.lineSequence = -1;
    GetSurveySetup47 dialog(f.settings, f.position, f.session, f.temp.root);
    QCOMPARE(dialog.DirectionList()->currentIndex(), -1);
    QCOMPARE(dialog.SequenceList()->currentIndex(), -1);
    TypeInto(dialog.StartStationField(), "10.5");
    dialog.accept();
    QCOMPARE(f.settings.lineDirection, 7);
    QCOMPARE(f.settings.lineSequence, -1);
    QCOMPARE(f.position.station, 10.5);
    QVERIFY(!f.position.advanceArmed); // the next recorded reading lies at 10.5
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
    QCOMPARE(SettingsFileLines(f.temp.root), ExpectedFileLines({{38, "3.250000"}}));
}

int RunSurveySetupDialogTests(int argc, char** argv) {
    SurveySetupDialogTest test;
    return QTest::qExec(&test, argc, argv);
}

} // namespace tm47

#include "survey_setup_dialog_test.moc"
