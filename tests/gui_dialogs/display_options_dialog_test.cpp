// Display Options: thickness and colour act at once and Cancel puts them back; shown flags
// and amplitude change on OK only; unticking every channel leaves Ch3 shown; the colour
// buttons draw the channel's sample line; the system colour chooser starts clean.

#include "config/settings.h"
#include "dialog_test_support.h"
#include "profile/display_options_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QTimer>
#include <QtTest>

namespace tm47 {

class DisplayOptionsDialogTest : public QObject {
    Q_OBJECT
private slots:
    void OpensWithStoredChoices();
    void LiveChangesActAtOnceAndCancelRestoresEverything();
    void OkStoresShownAmplitudeThicknessColourAndSaves();
    void AllFourUntickedLeavesCh3Shown();
    void ColourButtonDrawsSampleLineAtThicknessAndSinksWhilePressed();
    void SystemChooserClearsCustomColoursAndStartsBlack();
};

void DisplayOptionsDialogTest::OpensWithStoredChoices() {
    TempRoot temp;
    Settings settings;
    settings.channelShown = {1, 0, 1, 0};
    settings.amplitudeMode = 1;
    GetOptions dialog(settings, temp.root);
    QCOMPARE(dialog.windowTitle(), QString("Display Options"));
    const QStringList names{"Ch1", "Ch2", "Ch3", "Ch4/T"};
    const QStringList thickness{"2 pixels", "3 pixels", "4 pixels", "1 pixel"};
    for (int ch = 0; ch < 4; ++ch) {
        QCOMPARE(dialog.ShownBox(ch)->text(), names[ch]);
        QCOMPARE(dialog.ShownBox(ch)->objectName(), QString::number(750 + ch));
        QCOMPARE(dialog.ShownBox(ch)->isChecked(), ch % 2 == 0);
        QCOMPARE(dialog.ColourButton(ch)->objectName(), QString::number(754 + ch));
        QComboBox* list = dialog.ThicknessList(ch);
        QCOMPARE(list->objectName(), QString::number(760 + ch));
        QCOMPARE(list->count(), 4);
        QCOMPARE(list->itemText(0), QString("1 pixel"));
        QCOMPARE(list->itemText(3), QString("4 pixels"));
        QCOMPARE(list->currentText(), thickness[ch]);
    }
    QCOMPARE(dialog.AmplitudeList()->objectName(), QString("764"));
    QCOMPARE(dialog.AmplitudeList()->currentText(), QString("Compressed"));
    QCOMPARE(dialog.AmplitudeList()->itemText(0), QString("Linear"));
    const std::pair<const char*, const char*> labels[] = {
        {"748", "Profile Amplitude"},
        {"740", "Compressed Amplitude affects only"},
        {"741", "scale of displayed profile curves"},
        {"747", "#"},
        {"744", "Display"},
        {"745", "Color"},
        {"746", "Thickness"}};
    for (const auto& [id, text] : labels) {
        QCOMPARE(dialog.findChild<QLabel*>(id)->text(), QString(text));
    }
}

void DisplayOptionsDialogTest::LiveChangesActAtOnceAndCancelRestoresEverything() {
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

void DisplayOptionsDialogTest::OkStoresShownAmplitudeThicknessColourAndSaves() {
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
    QCOMPARE(SettingsFileLines(temp.root),
             ExpectedFileLines({{9, "0"}, {15, "2"}, {19, "65535"}, {20, "1"}}));
}

void DisplayOptionsDialogTest::AllFourUntickedLeavesCh3Shown() {
    TempRoot temp;
    Settings settings;
    GetOptions dialog(settings, temp.root);
    for (int ch = 0; ch < 4; ++ch) {
        dialog.ShownBox(ch)->setChecked(false);
    }
    dialog.accept();
    QCOMPARE(settings.channelShown, (std::array<int32_t, 4>{0, 0, 1, 0}));
    QCOMPARE(SettingsFileLines(temp.root),
             ExpectedFileLines({{8, "0"}, {9, "0"}, {10, "1"}, {11, "0"}}));
}

void DisplayOptionsDialogTest::ColourButtonDrawsSampleLineAtThicknessAndSinksWhilePressed() {
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
    Settings settings;
    ChannelColourButton button(settings, 0);
    button.resize(44, 20);
    const QRgb light = button.palette().color(QPalette::Light).rgb();
    const QRgb shadow = button.palette().color(QPalette::Shadow).rgb();
    QVERIFY(light != shadow);
    QImage image = button.grab().toImage();
    QCOMPARE(image.pixelColor(1, 10).rgb(), light);   // left edge, raised
    QCOMPARE(image.pixelColor(42, 10).rgb(), shadow); // right edge
    button.setDown(true);
    image = button.grab().toImage();
    QCOMPARE(image.pixelColor(1, 10).rgb(), shadow); // sunken
    QCOMPARE(image.pixelColor(42, 10).rgb(), light);
}

void DisplayOptionsDialogTest::SystemChooserClearsCustomColoursAndStartsBlack() {
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

int RunDisplayOptionsDialogTests(int argc, char** argv) {
    DisplayOptionsDialogTest test;
    return QTest::qExec(&test, argc, argv);
}

} // namespace tm47

#include "display_options_dialog_test.moc"
