// The setup dialogs on a fresh Settings record and a temporary device root whose settings file
// is read back (the file's lines themselves are the settings file tests'): Logger Setup and Set
// Output Port (the list positions are what the settings file stores), Survey Setup (the increment
// field's 0 rule, the rate), Display Options (live pens, Cancel, the Ch3 rule).

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

#include <clocale>
#include <filesystem>
#include <string>

#include "config/settings.h"
#include "config/settings_file.h"
#include "instrument/logger_setup_dialog.h"
#include "instrument/output_port_setup_dialog.h"
#include "platform/device_root.h"
#include "profile/display_options_dialog.h"
#include "survey/log_session.h"
#include "survey/survey_position.h"
#include "survey/survey_setup_dialog.h"
#include "tests/gui/gui_support.h"
#include "tests/support/german_locale.h"

namespace tm47 {

namespace {

struct TempRoot {
    QTemporaryDir dir;
    DeviceRoot root{dir.path().toStdString()};

    bool SettingsFileExists() const {
        return std::filesystem::exists(root.Map("Storage\\TALINI\\TM47KVB.INI"));
    }
    // The settings file read back: what the dialog saved.
    Settings Saved() const {
        Settings saved;
        LoadSettings(saved, root);
        return saved;
    }
};

struct SurveyFixture {
    TempRoot temp;
    Settings settings;
    SurveyPosition position;
    LogSession session;
};

// Replaces the field's text as an operator would: select all, then type.
void TypeInto(QLineEdit* field, const QString& text) {
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(field, text);
}

} // namespace

class SetupDialogsTest : public QObject {
    Q_OBJECT
private slots:
    // OK stores the lists and saves. A stored value the list has no item for stands: "<Enter>"
    // is not offered in portrait, a foreign parity; the Storage Card chosen while a card was
    // there falls back to the main storage without one.
    void OkStoresTheListsAndKeepsValuesWithoutAnItem() {
        TempRoot temp;
        Settings settings;
        settings.pauseKey = 2;
        settings.outputParity = 9;
        GetLoggerSetup portrait(settings, temp.root, true);
        portrait.show();
        QVERIFY(QTest::qWaitForWindowExposed(&portrait));
        QCOMPARE(portrait.List(826)->currentIndex(), -1);
        QTest::keyClick(portrait.List(824), Qt::Key_Down); // "feet"
        QTest::keyClick(portrait.List(824), Qt::Key_Return);
        QCOMPARE(portrait.result(), int(QDialog::Accepted));
        QCOMPARE(settings.units, 1);
        QCOMPARE(settings.pauseKey, 2);
        QCOMPARE(temp.Saved().units, 1);
        GetOutputPortSetup output(settings);
        QCOMPARE(output.List(915)->currentIndex(), -1);
        output.List(910)->setCurrentIndex(1);
        output.List(914)->setCurrentIndex(5);
        output.accept();
        QCOMPARE(settings.outputEnabled, 1);
        QCOMPARE(settings.outputBaud, 5);
        QCOMPARE(settings.outputParity, 9);
        for (bool cardPresent : {false, true}) {
            if (cardPresent) {
                QDir(temp.dir.path()).mkpath(QStringLiteral("Storage Card"));
            }
            settings.dataStorage = 1;        // "Storage Card"
            settings.storageCardPresent = 1; // as the last load saw it
            GetLoggerSetup dialog(settings, temp.root, false);
            QCOMPARE(dialog.List(827)->currentIndex(), -1);
            dialog.accept();
            QCOMPARE(settings.dataStorage, cardPresent ? 1 : 0);
        }
    }

    // OK in each mode: the mode's increment becomes the active one (a zero field turns into
    // 1.000 at once), the rate counts in Auto only (one that gives no
    // finite positive interval is one per second), and the watch follows the mode.
    void SurveyOkStoresTheModesIncrementAndRate() {
        const struct {
            int mode;
            const char* increment; // typed; nullptr: left as it is
            const char* shown;     // the field after typing
            const char* rate;      // typed; nullptr: left as it is
            float Settings::*stored;
            float active;
            int intervalMs, cycles;
        } rows[] = {
            {kModeAuto, "2.5", "2.5", "10", &Settings::autoStationIncrement, 2.5f, 100, 2},
            {kModeAuto, nullptr, "1.000", "0", &Settings::autoStationIncrement, 1.0f, 1000, 18},
            {kModeAuto, nullptr, "1.000", "1e999", &Settings::autoStationIncrement, 1, 1000, 18},
            {kModeWheel, nullptr, "0.200", nullptr, &Settings::wheelStationIncrement, .2f, 200, 4},
            {kModeManual, "0", "1.000", nullptr, &Settings::manualStationIncrement, 1, 200, 4},
        };
        for (const auto& row : rows) {
            SurveyFixture f;
            GetSurveySetup47 dialog(f.settings, f.position, f.session, f.temp.root);
            dialog.ModeList()->setCurrentIndex(row.mode);
            if (row.increment != nullptr) {
                TypeInto(dialog.IncrementField(), row.increment);
            }
            QCOMPARE(dialog.IncrementField()->text(), QString(row.shown));
            if (row.rate != nullptr) {
                TypeInto(dialog.RateField(), row.rate);
            }
            dialog.accept();
            QCOMPARE(f.settings.surveyMode, row.mode);
            QCOMPARE(f.settings.*row.stored, row.active);
            QCOMPARE(f.settings.activeStationIncrement, row.active);
            QCOMPARE(f.settings.readingIntervalMs, row.intervalMs);
            QCOMPARE(f.settings.cyclesPerReading, row.cycles);
            QCOMPARE(f.session.Watch() == WatchMode::Wheel, row.mode == kModeWheel);
        }
    }

    // Cancel after changes in every setup dialog: the settings, the station and the watch stay
    // as they were and nothing is saved; the pens the display options showed live go back.
    void CancelAfterChangesStoresNothing() {
        SurveyFixture f;
        f.position.station = 42.0;
        f.position.advanceArmed = true;
        f.session.StartWatching();
        const Settings before = f.settings;
        GetLoggerSetup logger(f.settings, f.temp.root, false);
        for (int id = 821; id <= 826; ++id) {
            logger.List(id)->setCurrentIndex(1);
        }
        logger.reject();
        GetOutputPortSetup output(f.settings);
        output.List(910)->setCurrentIndex(1);
        output.reject();
        GetSurveySetup47 survey(f.settings, f.position, f.session, f.temp.root);
        TypeInto(survey.RateField(), "10");
        for (QLineEdit* field : {survey.IncrementField(), survey.LineField(),
                                 survey.LineIncrementField(), survey.StartStationField()}) {
            TypeInto(field, "7");
        }
        survey.ModeList()->setCurrentIndex(2);
        survey.reject();
        int redraws = 0;
        GetOptions options(f.settings, f.temp.root);
        options.SetColourChooser([&](QWidget*) { return std::optional<int32_t>(0x123456); });
        options.SetLiveChange([&] { ++redraws; });
        options.ColourButton(2)->click();
        QCOMPARE(f.settings.channelColour[2], 0x123456);
        QCOMPARE(redraws, 1);
        options.ShownBox(0)->setChecked(false); // waits for OK
        QCOMPARE(f.settings.channelShown[0], 1);
        options.reject();
        QCOMPARE(redraws, 2); // the live profile shows the old pens again
        QVERIFY(f.settings == before);
        QCOMPARE(f.position.station, 42.0);
        QVERIFY(f.position.advanceArmed);
        QVERIFY(f.session.Watch() == WatchMode::On);
        QVERIFY(!f.temp.SettingsFileExists());
    }

    // The line fields by keyboard, the start station where the position now stands (the next
    // reading lies there), lists without a selection keep their foreign values, and the save.
    void SurveyOkStoresTheLineAndStartStationAndSaves() {
        SurveyFixture f;
        f.position.station = 57.0;
        f.position.advanceArmed = true;
        f.settings.lineDirection = 7;
        GetSurveySetup47 dialog(f.settings, f.position, f.session, f.temp.root);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(dialog.DirectionList()->currentIndex(), -1);
        TypeInto(dialog.LineField(), "A123456789012"); // 13 characters; 11 are kept
        TypeInto(dialog.LineIncrementField(), "2.5");
        QTest::keyClick(dialog.SequenceList(), Qt::Key_Down); // One Way
        TypeInto(dialog.StartStationField(), "-12.75");
        QTest::keyClick(dialog.StartStationField(), Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(f.settings.surveyLine == u"A1234567890");
        QCOMPARE(f.settings.lineIncrement, 2.5f);
        QCOMPARE(f.settings.lineSequence, 1);
        QCOMPARE(f.settings.lineDirection, 7);
        QCOMPARE(f.position.station, -12.75);
        QVERIFY(!f.position.advanceArmed);
        QCOMPARE(f.temp.Saved().startStation, -12.75);
    }

    void SurveyNumbersAreCLocaleUnderAGermanLocale() {
        const std::string old = std::setlocale(LC_NUMERIC, nullptr);
        TM47_QT_GERMAN_LOCALE_OR_SKIP(LC_NUMERIC);
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
    }

    // OK by keyboard stores the lists and saves; all four unticked leaves Ch3 shown.
    void DisplayOptionsOkStoresAndSaves() {
        TempRoot temp;
        Settings settings;
        GetOptions dialog(settings, temp.root);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::keyClick(dialog.ShownBox(1), Qt::Key_Space);     // untick Ch2
        QTest::keyClick(dialog.ThicknessList(3), Qt::Key_Down); // "2 pixels"
        QTest::keyClick(dialog.AmplitudeList(), Qt::Key_Down);  // "Compressed"
        QTest::keyClick(dialog.AmplitudeList(), Qt::Key_Return);
        QCOMPARE(settings.channelShown, (std::array<int32_t, 4>{1, 0, 1, 1}));
        QCOMPARE(settings.amplitudeMode, 1);
        QCOMPARE(temp.Saved().channelThickness[3], 2);
        GetOptions none(settings, temp.root);
        for (int ch = 0; ch < 4; ++ch) {
            none.ShownBox(ch)->setChecked(false);
        }
        none.accept();
        QCOMPARE(settings.channelShown, (std::array<int32_t, 4>{0, 0, 1, 0}));
    }
};

} // namespace tm47

QTEST_MAIN(tm47::SetupDialogsTest)
#include "setup_dialogs_test.moc"
