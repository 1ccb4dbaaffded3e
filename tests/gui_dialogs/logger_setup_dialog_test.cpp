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

QStringList Items(const QComboBox* list) {
    QStringList items;
    for (int i = 0; i < list->count(); ++i) {
        items << list->itemText(i);
    }
    return items;
}

// The label whose buddy is `list`.
QString LabelOf(const QDialog& dialog, const QComboBox* list) {
    for (const QLabel* label : dialog.findChildren<QLabel*>()) {
        if (label->buddy() == list) {
            return label->text();
        }
    }
    return {};
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
    void LoggerCancelAfterListChangesLeavesEveryField();
    void LoggerOkStoresEveryListAndSaves();
    void LoggerOkByKeyboard();
    void PortraitPauseKeyListHoldsOnlyAnyKeyAndKeepsStoredValue();
    void StorageCardFallsBackWithoutACard_data();
    void StorageCardFallsBackWithoutACard();
    void OutputCancelLeavesEveryField();
    void OutputOkStoresEveryList();
    void OutputMenuCommandSavesWhateverTheButton();
};

void LoggerSetupDialogTest::LoggerListsHoldTheirItemsInOrder_data() {
    QTest::addColumn<bool>("portrait");
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QStringList>("items");
    for (bool portrait : {false, true}) {
        const char* layout = portrait ? "portrait " : "landscape ";
        auto row = [&](const char* name) {
            return &QTest::newRow((QByteArray(layout) + name).constData());
        };
        *row("variant") << portrait << 821 << "TM47-KVB" << QStringList{"Standard", "High Power"};
        *row("antenna") << portrait << 822 << "Antenna"
                        << QStringList{"1 x 0.5 m", "1 x 1 m", "0.5 x 0.5 m"};
        *row("port") << portrait << 823 << "TM47-KVB Port" << kComPorts;
        *row("units") << portrait << 824 << "Units" << QStringList{"meters", "feet"};
        *row("audio") << portrait << 825 << "Audio" << QStringList{"No", "Yes"};
        *row("pause key") << portrait << 826 << "Pause Key"
                          << (portrait ? QStringList{"any key"}
                                       : QStringList{"any key", "<Space Bar>", "<Enter>", "<P>"});
        *row("storage") << portrait << 827 << "Data Storage" << QStringList{"Storage"};
    }
}

void LoggerSetupDialogTest::LoggerListsHoldTheirItemsInOrder() {
    QFETCH(bool, portrait);
    QFETCH(int, id);
    QFETCH(QString, label);
    QFETCH(QStringList, items);
    TempRoot temp;
    Settings settings;
    GetLoggerSetup dialog(settings, temp.root, portrait);
    QCOMPARE(dialog.windowTitle(), QString("Logger Setup"));
    QComboBox* list = dialog.findChild<QComboBox*>(QString::number(id));
    QVERIFY(list != nullptr);
    QCOMPARE(list->property("controlId").toInt(), id);
    QCOMPARE(LabelOf(dialog, list), label);
    QCOMPARE(Items(list), items);
    QCOMPARE(list->currentIndex(), 0); // every default is the first item
}

void LoggerSetupDialogTest::OutputListsHoldTheirItemsInOrder_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<int>("selected"); // the default
    QTest::newRow("output") << 910 << "Output" << QStringList{"Disabled", "Enabled"} << 0;
    QTest::newRow("format") << 911 << "Data Format" << QStringList{"Raw Data", "Converted"} << 0;
    QTest::newRow("port") << 912 << "Serial Port" << kComPorts << 1;
    QTest::newRow("baud") << 914 << "Baud Rate"
                          << QStringList{"4800", "9600", "19200", "38400", "57600", "115200"} << 3;
    QTest::newRow("parity") << 915 << "Parity" << QStringList{"No", "Even", "Odd"} << 0;
    QTest::newRow("data bits") << 916 << "Data Bits" << QStringList{"7", "8"} << 1;
    QTest::newRow("stop bits") << 917 << "Stop Bits" << QStringList{"1", "2"} << 0;
}

void LoggerSetupDialogTest::OutputListsHoldTheirItemsInOrder() {
    QFETCH(int, id);
    QFETCH(QString, label);
    QFETCH(QStringList, items);
    QFETCH(int, selected);
    Settings settings;
    GetOutputPortSetup dialog(settings);
    QCOMPARE(dialog.windowTitle(), QString("Set Output Port"));
    QComboBox* list = dialog.List(id);
    QVERIFY(list != nullptr);
    QCOMPARE(list->objectName(), QString::number(id));
    QCOMPARE(LabelOf(dialog, list), label);
    QCOMPARE(Items(list), items);
    QCOMPARE(list->currentIndex(), selected);
}

void LoggerSetupDialogTest::LoggerCancelAfterListChangesLeavesEveryField() {
    TempRoot temp;
    Settings settings;
    const Settings before = settings;
    GetLoggerSetup dialog(settings, temp.root, false);
    for (int id = 821; id <= 826; ++id) {
        dialog.List(id)->setCurrentIndex(1);
    }
    dialog.reject();
    QVERIFY(settings == before);
    QVERIFY(!temp.SettingsFileExists());
}

void LoggerSetupDialogTest::LoggerOkStoresEveryListAndSaves() {
    TempRoot temp;
    Settings settings;
    GetLoggerSetup dialog(settings, temp.root, false);
    dialog.List(821)->setCurrentIndex(1);
    dialog.List(822)->setCurrentIndex(2);
    dialog.List(823)->setCurrentIndex(11);
    dialog.List(824)->setCurrentIndex(1);
    dialog.List(825)->setCurrentIndex(1);
    dialog.List(826)->setCurrentIndex(3);
    dialog.accept();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(settings.instrumentVariant, 1);
    QCOMPARE(settings.antenna, 2);
    QCOMPARE(settings.instrumentPort, 11);
    QCOMPARE(settings.units, 1);
    QCOMPARE(settings.audio, 1);
    QCOMPARE(settings.pauseKey, 3);
    QCOMPARE(settings.dataStorage, 0);
    QCOMPARE(SettingsFileLines(temp.root),
             ExpectedFileLines({{2, "1"}, {3, "2"}, {4, "1"}, {5, "11"}, {6, "1"}, {7, "3"}}));
}

void LoggerSetupDialogTest::LoggerOkByKeyboard() {
    TempRoot temp;
    Settings settings;
    GetLoggerSetup dialog(settings, temp.root, false);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTest::keyClick(dialog.List(821), Qt::Key_Down); // "High Power"
    QTest::keyClick(dialog.List(824), Qt::Key_Down); // "feet"
    QTest::keyClick(dialog.List(824), Qt::Key_Return);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(settings.instrumentVariant, 1);
    QCOMPARE(settings.units, 1);
    QCOMPARE(SettingsFileLines(temp.root), ExpectedFileLines({{2, "1"}, {4, "1"}}));
}

void LoggerSetupDialogTest::PortraitPauseKeyListHoldsOnlyAnyKeyAndKeepsStoredValue() {
    TempRoot temp;
    Settings settings;
    settings.pauseKey = 2;
    GetLoggerSetup dialog(settings, temp.root, true);
    QComboBox* list = dialog.List(826);
    QCOMPARE(Items(list), QStringList{"any key"});
    QCOMPARE(list->currentIndex(), -1); // "<Enter>" has no item here
    dialog.accept();
    QCOMPARE(settings.pauseKey, 2);
    QCOMPARE(SettingsFileLines(temp.root).at(6), QString("2"));
}

void LoggerSetupDialogTest::StorageCardFallsBackWithoutACard_data() {
    QTest::addColumn<bool>("cardPresent");
    QTest::addColumn<int>("expected");
    QTest::addColumn<QString>("line39");
    QTest::newRow("no card: internal storage") << false << 0 << "0";
    QTest::newRow("card present: stays on the card") << true << 1 << "1";
}

void LoggerSetupDialogTest::StorageCardFallsBackWithoutACard() {
    QFETCH(bool, cardPresent);
    QFETCH(int, expected);
    QFETCH(QString, line39);
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
    QCOMPARE(settings.dataStorage, expected);
    QCOMPARE(SettingsFileLines(temp.root).at(38), line39);
}

void LoggerSetupDialogTest::OutputCancelLeavesEveryField() {
    Settings settings;
    const Settings before = settings;
    GetOutputPortSetup dialog(settings);
    for (int id : {910, 911, 912, 914, 915, 916, 917}) {
        QComboBox* list = dialog.List(id);
        list->setCurrentIndex(list->count() - 1);
    }
    dialog.reject();
    QVERIFY(settings == before);
}

void LoggerSetupDialogTest::OutputOkStoresEveryList() {
    TempRoot temp;
    Settings settings;
    settings.outputParity = 9; // from a foreign file: no item, kept
    GetOutputPortSetup dialog(settings);
    QCOMPARE(dialog.List(915)->currentIndex(), -1);
    dialog.List(910)->setCurrentIndex(1);
    dialog.List(911)->setCurrentIndex(1);
    dialog.List(912)->setCurrentIndex(4);
    dialog.List(914)->setCurrentIndex(5);
    dialog.List(916)->setCurrentIndex(0);
    dialog.List(917)->setCurrentIndex(1);
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
