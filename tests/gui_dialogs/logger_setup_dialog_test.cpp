// Logger Setup and Set Output Port: the lists and their order (part of the settings file
// format), OK, Cancel, the storage rule and lists that open without a selection.

#include "config/settings.h"
#include "config/settings_file.h"
#include "dialog_test_support.h"
#include "instrument/logger_setup_dialog.h"
#include "instrument/output_port_setup_dialog.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QTimer>
#include <QtTest>

namespace tm47 {

namespace {

// The text of the label whose buddy is `list`, then the list's items.
QStringList LabelAndItems(const QDialog& dialog, const QComboBox* list) {
    QStringList out{QString()};
    for (const QLabel* label : dialog.findChildren<QLabel*>()) {
        if (label->buddy() == list) {
            out[0] = label->text();
        }
    }
    for (int i = 0; i < list->count(); ++i) {
        out << list->itemText(i);
    }
    return out;
}

const QStringList kComPorts{"COM1:", "COM2:", "COM3:", "COM4:",  "COM5:",  "COM6:",
                            "COM7:", "COM8:", "COM9:", "COM10:", "COM11:", "COM12:"};

} // namespace

class LoggerSetupDialogTest : public QObject {
    Q_OBJECT
private slots:
    void LoggerListsHoldTheirItemsInOrder_data();
    void LoggerListsHoldTheirItemsInOrder();
    void OutputListsHoldTheirItemsInOrder_data();
    void OutputListsHoldTheirItemsInOrder();
    void LoggerCancelLeavesEveryFieldAndOkStoresAndSaves();
    void PortraitPauseKeyListHoldsOnlyAnyKeyAndKeepsStoredValue();
    void StorageCardFallsBackWithoutACard();
    void OutputCancelLeavesEveryFieldAndOkStoresEveryList();
    void OutputMenuCommandSavesWhateverTheButton();
};

void LoggerSetupDialogTest::LoggerListsHoldTheirItemsInOrder_data() {
    QTest::addColumn<bool>("portrait");
    QTest::addColumn<int>("id");
    QTest::addColumn<QStringList>("items"); // the label first
    for (bool portrait : {false, true}) {
        const QByteArray layout = portrait ? "portrait " : "landscape ";
        const auto row = [&](const char* name, int id, const QStringList& items) {
            QTest::newRow((layout + name).constData()) << portrait << id << items;
        };
        row("variant", 821, {"TM47-KVB", "Standard", "High Power"});
        row("antenna", 822, {"Antenna", "1 x 0.5 m", "1 x 1 m", "0.5 x 0.5 m"});
        row("port", 823, QStringList{"TM47-KVB Port"} + kComPorts);
        row("units", 824, {"Units", "meters", "feet"});
        row("audio", 825, {"Audio", "No", "Yes"});
        row("pause key", 826,
            portrait ? QStringList{"Pause Key", "any key"}
                     : QStringList{"Pause Key", "any key", "<Space Bar>", "<Enter>", "<P>"});
        row("storage", 827, {"Data Storage", "Storage"});
    }
}

void LoggerSetupDialogTest::LoggerListsHoldTheirItemsInOrder() {
    QFETCH(bool, portrait);
    QFETCH(int, id);
    QFETCH(QStringList, items);
    TempRoot temp;
    Settings settings;
    GetLoggerSetup dialog(settings, temp.root, portrait);
    QCOMPARE(dialog.windowTitle(), QString("Logger Setup"));
    QComboBox* list = dialog.findChild<QComboBox*>(QString::number(id));
    QVERIFY(list != nullptr);
    QCOMPARE(list->property("controlId").toInt(), id);
    QCOMPARE(LabelAndItems(dialog, list), items);
    QCOMPARE(list->currentIndex(), 0); // every default is the first item
}

void LoggerSetupDialogTest::OutputListsHoldTheirItemsInOrder_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<QStringList>("items"); // the label first
    QTest::addColumn<int>("selected");      // the default
    QTest::newRow("output") << 910 << QStringList{"Output", "Disabled", "Enabled"} << 0;
    QTest::newRow("format") << 911 << QStringList{"Data Format", "Raw Data", "Converted"} << 0;
    QTest::newRow("port") << 912 << QStringList{"Serial Port"} + kComPorts << 1;
    QTest::newRow("baud") << 914 << QStringList{"Baud Rate", "4800",  "9600",  "19200",
                                                "38400",     "57600", "115200"}
                          << 3;
    QTest::newRow("parity") << 915 << QStringList{"Parity", "No", "Even", "Odd"} << 0;
    QTest::newRow("data bits") << 916 << QStringList{"Data Bits", "7", "8"} << 1;
    QTest::newRow("stop bits") << 917 << QStringList{"Stop Bits", "1", "2"} << 0;
}

void LoggerSetupDialogTest::OutputListsHoldTheirItemsInOrder() {
    QFETCH(int, id);
    QFETCH(QStringList, items);
    QFETCH(int, selected);
    Settings settings;
    GetOutputPortSetup dialog(settings);
    QCOMPARE(dialog.windowTitle(), QString("Set Output Port"));
    QComboBox* list = dialog.List(id);
    QVERIFY(list != nullptr);
    QCOMPARE(list->objectName(), QString::number(id));
    QCOMPARE(LabelAndItems(dialog, list), items);
    QCOMPARE(list->currentIndex(), selected);
}

void LoggerSetupDialogTest::LoggerCancelLeavesEveryFieldAndOkStoresAndSaves() {
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
    QCOMPARE(SettingsFileLines(temp.root),
             ExpectedFileLines({{2, "1"}, {3, "2"}, {4, "1"}, {5, "11"}, {6, "1"}, {7, "3"}}));
}

void LoggerSetupDialogTest::PortraitPauseKeyListHoldsOnlyAnyKeyAndKeepsStoredValue() {
    TempRoot temp;
    Settings settings;
    settings.pauseKey = 2;
    GetLoggerSetup dialog(settings, temp.root, true);
    QCOMPARE(dialog.List(826)->currentIndex(), -1); // "<Enter>" has no item here
    dialog.accept();
    QCOMPARE(settings.pauseKey, 2);
    QCOMPARE(SettingsFileLines(temp.root).at(6), QString("2"));
}

void LoggerSetupDialogTest::StorageCardFallsBackWithoutACard() {
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
        QCOMPARE(SettingsFileLines(temp.root).at(38), QString(cardPresent ? "1" : "0"));
    }
}

void LoggerSetupDialogTest::OutputCancelLeavesEveryFieldAndOkStoresEveryList() {
    TempRoot temp;
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
    SaveSettings(settings, temp.root); // as the menu command does
    QCOMPARE(SettingsFileLines(temp.root),
             ExpectedFileLines(
                 {{40, "1"}, {41, "1"}, {42, "4"}, {43, "5"}, {44, "0"}, {45, "9"}, {46, "1"}}));
}

void LoggerSetupDialogTest::OutputMenuCommandSavesWhateverTheButton() {
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
    QCOMPARE(SettingsFileLines(temp.root), ExpectedFileLines({}));
}

int RunLoggerSetupDialogTests(int argc, char** argv) {
    LoggerSetupDialogTest test;
    return QTest::qExec(&test, argc, argv);
}

} // namespace tm47

#include "logger_setup_dialog_test.moc"
