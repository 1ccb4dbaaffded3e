// The setup dialogs on a fresh Settings record and a temporary device root whose settings file
// is read back (the file's lines themselves are the settings file tests'): Logger Setup and Set
// Output Port (the list positions are what the settings file stores), Survey Setup (the per-mode
// working copies, the increment field's 0 rule, the rate), Display Options (live pens, Cancel, the
// Ch3 rule, the chooser).

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
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

    void InsertStorageCard() const { QDir(dir.path()).mkpath(QStringLiteral("Storage Card")); }
    bool SettingsFileExists() const {
        return std::filesystem::exists(root.Map("Storage\\TALINI\\TM47KVB.INI"));
    }
};

// The settings file read back: what the dialog saved.
Settings Saved(const DeviceRoot& root) {
    Settings saved;
    LoadSettings(saved, root);
    return saved;
}

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

class SetupDialogsTest : public QObject {
    Q_OBJECT
private slots:
    void LoggerCancelLeavesEveryFieldAndOkStoresAndSaves() {
        TempRoot temp;
        Settings settings;
        const Settings before = settings;
        {
            GetLoggerSetup dialog(settings, temp.root, false);
            for (int id = 821; id <= 826; ++id) {
                dialog.List(id)->setCurrentIndex(1);
            }
            dialog.reject();
        }
        QVERIFY(settings == before);
        QVERIFY(!temp.SettingsFileExists());

        GetLoggerSetup dialog(settings, temp.root, false);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::keyClick(dialog.List(821), Qt::Key_Down); // "High Power"
        dialog.List(822)->setCurrentIndex(2);
        dialog.List(823)->setCurrentIndex(11);
        QTest::keyClick(dialog.List(824), Qt::Key_Down); // "feet"
        dialog.List(825)->setCurrentIndex(1);
        dialog.List(826)->setCurrentIndex(3);
        QTest::keyClick(dialog.List(824), Qt::Key_Return);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(settings.dataStorage, 0);
        QCOMPARE(settings.units, 1);
        QCOMPARE(Saved(temp.root).units, 1);
    }

    void PortraitPauseKeyListHoldsOnlyAnyKeyAndKeepsStoredValue() {
        TempRoot temp;
        Settings settings;
        settings.pauseKey = 2;
        GetLoggerSetup dialog(settings, temp.root, true);
        QCOMPARE(dialog.List(826)->currentIndex(), -1); // "<Enter>" has no item here
        dialog.accept();
        QCOMPARE(settings.pauseKey, 2);
    }

    void StorageCardFallsBackWithoutACard() {
        for (bool cardPresent : {false, true}) {
            TempRoot temp;
            if (cardPresent) {
                temp.InsertStorageCard();
            }
            Settings settings;
            settings.dataStorage = 1;        // "Storage Card", chosen while a card was there
            settings.storageCardPresent = 1; // as the last load saw it
            GetLoggerSetup dialog(settings, temp.root, false);
            QCOMPARE(dialog.List(827)->currentIndex(), -1);
            dialog.accept();
            QCOMPARE(settings.dataStorage, cardPresent ? 1 : 0);
        }
    }

    void OutputCancelLeavesEveryFieldAndOkStoresEveryList() {
        Settings settings;
        settings.outputParity = 9; // from a foreign file: no item, kept
        const Settings before = settings;
        {
            GetOutputPortSetup dialog(settings);
            for (int id : {910, 911, 912, 914, 915, 916, 917}) {
                dialog.List(id)->setCurrentIndex(dialog.List(id)->count() - 1);
            }
            dialog.reject();
        }
        QVERIFY(settings == before);
        GetOutputPortSetup dialog(settings);
        QCOMPARE(dialog.List(915)->currentIndex(), -1);
        const std::pair<int, int> choices[] = {{910, 1}, {911, 1}, {912, 4},
                                               {914, 5}, {916, 0}, {917, 1}};
        for (const auto& [id, index] : choices) {
            dialog.List(id)->setCurrentIndex(index);
        }
        dialog.accept();
        QCOMPARE(settings.outputEnabled, 1);
        QCOMPARE(settings.outputParity, 9);
    }

    void OutputMenuCommandSavesWhateverTheButton() {
        TempRoot temp;
        Settings settings;
        QTimer::singleShot(0, [] {
            auto* dialog = qobject_cast<GetOutputPortSetup*>(QApplication::activeModalWidget());
            QVERIFY(dialog != nullptr);
            dialog->List(910)->setCurrentIndex(1);
            dialog->reject();
        });
        RunOutputPortSetup(settings, temp.root, nullptr);
        QCOMPARE(settings.outputEnabled, 0);
        QVERIFY(temp.SettingsFileExists());
    }

    void ModeSwitchesKeepAWorkingCopyPerMode() {
        SurveyFixture f;
        GetSurveySetup47 dialog(f.settings, f.position, f.session, f.temp.root);
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

    void WheelIncrementChangedThenAutoConfirmedKeepsStoredWheelIncrement() {
        SurveyFixture f;
        GetSurveySetup47 dialog(f.settings, f.position, f.session, f.temp.root);
        dialog.ModeList()->setCurrentIndex(1);
        EditWheelIncrementTo025(dialog.IncrementField());
        QCOMPARE(dialog.IncrementField()->text(), QString("0.25"));
        dialog.ModeList()->setCurrentIndex(0);
        dialog.accept();
        QCOMPARE(f.settings.wheelStationIncrement, 0.2f);
        QCOMPARE(f.settings.activeStationIncrement, 1.0f);
    }

    void IncrementFieldTurnsZeroIntoOne() {
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

    void CancelAfterChangesStoresNothing() {
        SurveyFixture f;
        f.position.station = 42.0;
        f.position.advanceArmed = true;
        f.session.StartWatching();
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
        QVERIFY(f.session.Watch() == WatchMode::On);
        QVERIFY(!f.temp.SettingsFileExists());
    }

    void OkStoresEveryFieldAndSaves() {
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
        QVERIFY(f.session.Watch() == WatchMode::Wheel);
        QCOMPARE(f.settings.readingInterval, 0.2f); // Wheel keeps the stored rate
        QCOMPARE(f.position.station, -12.75);
        QCOMPARE(f.settings.activeStationIncrement, 0.25f);
        QVERIFY(f.settings.surveyLine == u"A1234567890");
        QCOMPARE(Saved(f.temp.root).startStation, -12.75);
    }

    void OkRate_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("intervalMs");
        QTest::addColumn<int>("cycles");
        QTest::newRow("10 per second") << "10" << 100 << 2;
        QTest::newRow("2.5 per second") << "2.5" << 400 << 7;
        for (const char* typed : {"0", "fast", "1e999"}) {
            QTest::addRow("'%s': 1 per second", typed) << typed << 1000 << 18;
        }
    }

    void OkRate() {
        QFETCH(QString, typed);
        QFETCH(int, intervalMs);
        QFETCH(int, cycles);
        SurveyFixture f;
        GetSurveySetup47 dialog(f.settings, f.position, f.session, f.temp.root);
        TypeInto(dialog.RateField(), typed);
        dialog.accept();
        QCOMPARE(f.settings.readingIntervalMs, intervalMs);
        QCOMPARE(f.settings.cyclesPerReading, cycles);
    }

    void OkStationIsStartStationAndListsWithoutSelectionKeepTheirValues() {
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

    void NumbersAreCLocaleUnderAGermanLocale() {
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

    void LiveChangesActAtOnceAndCancelRestoresEverything() {
        TempRoot temp;
        Settings settings;
        settings.channelThickness[1] = 1;
        const Settings before = settings;
        int redraws = 0;
        std::optional<int32_t> chosen; // the chooser cancelled first
        GetOptions dialog(settings, temp.root);
        dialog.SetColourChooser([&](QWidget*) { return chosen; });
        dialog.SetLiveChange([&] { ++redraws; });
        dialog.ColourButton(0)->click();
        QCOMPARE(settings.channelColour[0], 16711680);
        QCOMPARE(redraws, 0);
        chosen = 0x123456;
        dialog.ColourButton(2)->click();
        QCOMPARE(settings.channelColour[2], 0x123456);
        QCOMPARE(redraws, 1);
        dialog.ThicknessList(1)->setCurrentIndex(dialog.ThicknessList(1)->findText("3 pixels"));
        QCOMPARE(settings.channelThickness[1], 3);
        QCOMPARE(redraws, 2);
        // Shown flags and amplitude wait for OK.
        dialog.ShownBox(0)->setChecked(false);
        dialog.AmplitudeList()->setCurrentIndex(1);
        QCOMPARE(settings.channelShown[0], 1);
        dialog.reject();
        QVERIFY(settings == before);
        QCOMPARE(redraws, 3); // the live profile shows the old pens again
        QVERIFY(!temp.SettingsFileExists());
    }

    void OkStoresShownAmplitudeThicknessColourAndSaves() {
        TempRoot temp;
        Settings settings;
        GetOptions dialog(settings, temp.root);
        dialog.SetColourChooser([](QWidget*) { return std::optional<int32_t>(0x00FFFF); });
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::keyClick(dialog.ShownBox(1), Qt::Key_Space); // untick Ch2
        QTest::keyClick(dialog.ColourButton(3), Qt::Key_Space);
        QTest::keyClick(dialog.ThicknessList(3), Qt::Key_Down); // "2 pixels"
        QTest::keyClick(dialog.AmplitudeList(), Qt::Key_Down);  // "Compressed"
        QTest::keyClick(dialog.AmplitudeList(), Qt::Key_Return);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(settings.channelShown, (std::array<int32_t, 4>{1, 0, 1, 1}));
        QCOMPARE(settings.channelColour[3], 65535);
        QCOMPARE(settings.amplitudeMode, 1);
        QCOMPARE(Saved(temp.root).channelThickness[3], 2);
    }

    void AllFourUntickedLeavesCh3Shown() {
        TempRoot temp;
        Settings settings;
        GetOptions dialog(settings, temp.root);
        for (int ch = 0; ch < 4; ++ch) {
            dialog.ShownBox(ch)->setChecked(false);
        }
        dialog.accept();
        QCOMPARE(settings.channelShown, (std::array<int32_t, 4>{0, 0, 1, 0}));
    }

    void ColourButtonDrawsTheSampleLineAtItsThickness() {
        for (int thickness = 1; thickness <= 4; ++thickness) {
            Settings settings;
            settings.channelColour[1] = 0x00FF00; // green
            settings.channelThickness[1] = thickness;
            ChannelColourButton button(settings, 1);
            button.resize(44, 20);
            const QImage image = button.grab().toImage();
            int rows = 0; // of the middle column
            for (int y = 0; y < image.height(); ++y) {
                rows += image.pixelColor(22, y).rgb() == QColor(0, 255, 0).rgb() ? 1 : 0;
            }
            QCOMPARE(rows, thickness);
            QCOMPARE(image.pixelColor(22, 4).rgb(), QColor(Qt::white).rgb()); // the face
        }
    }

    void SystemChooserClearsCustomColoursAndStartsBlack() {
        QColorDialog::setCustomColor(3, QColor(Qt::red));
        QColor shownAtStart;
        QColor customAtStart;
        QTimer::singleShot(0, [&] {
            if (auto* chooser = qobject_cast<QColorDialog*>(QApplication::activeModalWidget())) {
                shownAtStart = chooser->currentColor();
                customAtStart = QColorDialog::customColor(3);
                chooser->reject();
            }
        });
        QVERIFY(!ChooseColourFromSystem(nullptr).has_value());
        QCOMPARE(shownAtStart, QColor(Qt::black));
        QCOMPARE(customAtStart, QColor(Qt::black));
    }
};

} // namespace tm47

QTEST_MAIN(tm47::SetupDialogsTest)
#include "setup_dialogs_test.moc"
