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

namespace {

struct OptionsFixture {
    TempRoot temp;
    Settings settings;
};

// Rows of the middle column of the button drawn in `colour`.
int ColouredRows(const QImage& image, const QColor& colour) {
    int rows = 0;
    for (int y = 0; y < image.height(); ++y) {
        if (image.pixelColor(image.width() / 2, y).rgb() == colour.rgb()) {
            ++rows;
        }
    }
    return rows;
}

} // namespace

class DisplayOptionsDialogTest : public QObject {
    Q_OBJECT
private slots:
    void OpensWithStoredChoices();
    void ThicknessActsAtOnceAndCancelRestores_data();
    void ThicknessActsAtOnceAndCancelRestores();
    void ColourActsAtOnceAndCancelRestores();
    void ColourChooserCancelledKeepsColour();
    void OkStoresShownAmplitudeThicknessColourAndSaves();
    void AllFourUntickedLeavesCh3Shown();
    void CancelLeavesShownAndAmplitude();
    void ColourButtonDrawsSampleLineAtThickness_data();
    void ColourButtonDrawsSampleLineAtThickness();
    void ColourButtonEdgesSinkWhilePressed();
    void SystemChooserClearsCustomColoursAndStartsBlack();
};

void DisplayOptionsDialogTest::OpensWithStoredChoices() {
    OptionsFixture f;
    f.settings.channelShown = {1, 0, 1, 0};
    f.settings.amplitudeMode = 1;
    GetOptions dialog(f.settings, f.temp.root);
    QCOMPARE(dialog.windowTitle(), QString("Display Options"));
    const QStringList names{"Ch1", "Ch2", "Ch3", "Ch4/T"};
    const QList<bool> ticked{true, false, true, false};
    const QStringList thickness{"2 pixels", "3 pixels", "4 pixels", "1 pixel"};
    for (int ch = 0; ch < 4; ++ch) {
        QCOMPARE(dialog.ShownBox(ch)->text(), names[ch]);
        QCOMPARE(dialog.ShownBox(ch)->objectName(), QString::number(750 + ch));
        QCOMPARE(dialog.ShownBox(ch)->isChecked(), ticked[ch]);
        QCOMPARE(dialog.ColourButton(ch)->objectName(), QString::number(754 + ch));
        QCOMPARE(dialog.ThicknessList(ch)->objectName(), QString::number(760 + ch));
        QCOMPARE(dialog.ThicknessList(ch)->count(), 4);
        QCOMPARE(dialog.ThicknessList(ch)->itemText(0), QString("1 pixel"));
        QCOMPARE(dialog.ThicknessList(ch)->itemText(3), QString("4 pixels"));
        QCOMPARE(dialog.ThicknessList(ch)->currentText(), thickness[ch]);
    }
    QCOMPARE(dialog.AmplitudeList()->objectName(), QString("764"));
    QCOMPARE(dialog.AmplitudeList()->currentText(), QString("Compressed"));
    QCOMPARE(dialog.AmplitudeList()->itemText(0), QString("Linear"));
    QCOMPARE(dialog.findChild<QLabel*>("748")->text(), QString("Profile Amplitude"));
    QCOMPARE(dialog.findChild<QLabel*>("740")->text(),
             QString("Compressed Amplitude affects only"));
    QCOMPARE(dialog.findChild<QLabel*>("741")->text(),
             QString("scale of displayed profile curves"));
    QCOMPARE(dialog.findChild<QLabel*>("747")->text(), QString("#"));
    QCOMPARE(dialog.findChild<QLabel*>("744")->text(), QString("Display"));
    QCOMPARE(dialog.findChild<QLabel*>("745")->text(), QString("Color"));
    QCOMPARE(dialog.findChild<QLabel*>("746")->text(), QString("Thickness"));
}

void DisplayOptionsDialogTest::ThicknessActsAtOnceAndCancelRestores_data() {
    QTest::addColumn<int>("channel");
    QTest::addColumn<int>("stored");
    QTest::newRow("Ch2 from 1 pixel") << 1 << 1;
    QTest::newRow("Ch1 from the default 2 pixels") << 0 << 2;
    QTest::newRow("Ch4 from 4 pixels") << 3 << 4;
}

void DisplayOptionsDialogTest::ThicknessActsAtOnceAndCancelRestores() {
    QFETCH(int, channel);
    QFETCH(int, stored);
    OptionsFixture f;
    f.settings.channelThickness[static_cast<std::size_t>(channel)] = stored;
    int redraws = 0;
    GetOptions dialog(f.settings, f.temp.root);
    dialog.SetLiveChange([&] { ++redraws; });
    QComboBox* list = dialog.ThicknessList(channel);
    list->setCurrentIndex(list->findText("3 pixels"));
    QCOMPARE(f.settings.channelThickness[static_cast<std::size_t>(channel)], 3);
    QCOMPARE(redraws, 1);
    dialog.reject();
    QCOMPARE(f.settings.channelThickness[static_cast<std::size_t>(channel)], stored);
    QCOMPARE(redraws, 2); // the live profile shows the old thickness again
    QVERIFY(!f.temp.SettingsFileExists());
}

void DisplayOptionsDialogTest::ColourActsAtOnceAndCancelRestores() {
    OptionsFixture f;
    int redraws = 0;
    GetOptions dialog(f.settings, f.temp.root);
    dialog.SetColourChooser([](QWidget*) { return std::optional<int32_t>(0x123456); });
    dialog.SetLiveChange([&] { ++redraws; });
    dialog.ColourButton(2)->click();
    QCOMPARE(f.settings.channelColour[2], 0x123456);
    QCOMPARE(redraws, 1);
    dialog.reject();
    QCOMPARE(f.settings.channelColour[2], 255);
}

void DisplayOptionsDialogTest::ColourChooserCancelledKeepsColour() {
    OptionsFixture f;
    int redraws = 0;
    GetOptions dialog(f.settings, f.temp.root);
    dialog.SetColourChooser([](QWidget*) { return std::optional<int32_t>(); });
    dialog.SetLiveChange([&] { ++redraws; });
    dialog.ColourButton(0)->click();
    QCOMPARE(f.settings.channelColour[0], 16711680);
    QCOMPARE(redraws, 0);
}

void DisplayOptionsDialogTest::OkStoresShownAmplitudeThicknessColourAndSaves() {
    OptionsFixture f;
    GetOptions dialog(f.settings, f.temp.root);
    dialog.SetColourChooser([](QWidget*) { return std::optional<int32_t>(0x00FFFF); });
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTest::keyClick(dialog.ShownBox(1), Qt::Key_Space); // untick Ch2
    QTest::keyClick(dialog.ColourButton(3), Qt::Key_Space);
    QTest::keyClick(dialog.ThicknessList(3), Qt::Key_Down); // "2 pixels"
    QTest::keyClick(dialog.AmplitudeList(), Qt::Key_Down);  // "Compressed"
    QTest::keyClick(dialog.AmplitudeList(), Qt::Key_Return);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(f.settings.channelShown, (std::array<int32_t, 4>{1, 0, 1, 1}));
    QCOMPARE(f.settings.channelThickness[3], 2);
    QCOMPARE(f.settings.channelColour[3], 0x00FFFF);
    QCOMPARE(f.settings.amplitudeMode, 1);
    QCOMPARE(SettingsFileLines(f.temp.root),
             ExpectedFileLines({{9, "0"}, {15, "2"}, {19, "65535"}, {20, "1"}}));
}

void DisplayOptionsDialogTest::AllFourUntickedLeavesCh3Shown() {
    OptionsFixture f;
    GetOptions dialog(f.settings, f.temp.root);
    for (int ch = 0; ch < 4; ++ch) {
        dialog.ShownBox(ch)->setChecked(false);
    }
    dialog.accept();
    QCOMPARE(f.settings.channelShown, (std::array<int32_t, 4>{0, 0, 1, 0}));
    QCOMPARE(SettingsFileLines(f.temp.root),
             ExpectedFileLines({{8, "0"}, {9, "0"}, {10, "1"}, {11, "0"}}));
}

void DisplayOptionsDialogTest::CancelLeavesShownAndAmplitude() {
    OptionsFixture f;
    const Settings before = f.settings;
    GetOptions dialog(f.settings, f.temp.root);
    dialog.ShownBox(0)->setChecked(false);
    dialog.AmplitudeList()->setCurrentIndex(1);
    dialog.ThicknessList(0)->setCurrentIndex(0);
    dialog.reject();
    QVERIFY(f.settings == before);
}

void DisplayOptionsDialogTest::ColourButtonDrawsSampleLineAtThickness_data() {
    QTest::addColumn<int>("thickness");
    QTest::newRow("1 pixel") << 1;
    QTest::newRow("2 pixels") << 2;
    QTest::newRow("3 pixels") << 3;
    QTest::newRow("4 pixels") << 4;
}

void DisplayOptionsDialogTest::ColourButtonDrawsSampleLineAtThickness() {
    QFETCH(int, thickness);
    Settings settings;
    settings.channelColour[1] = 0x00FF00; // green
    settings.channelThickness[1] = thickness;
    ChannelColourButton button(settings, 1);
    button.resize(44, 20);
    const QImage image = button.grab().toImage();
    QCOMPARE(ColouredRows(image, QColor(0, 255, 0)), thickness);
    QCOMPARE(image.pixelColor(22, 4).rgb(), QColor(Qt::white).rgb()); // the face around the line
}

void DisplayOptionsDialogTest::ColourButtonEdgesSinkWhilePressed() {
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
        auto* chooser = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
        if (chooser != nullptr) {
            shownAtStart = chooser->currentColor();
            customAtStart = QColorDialog::customColor(3);
            chooser->reject();
        }
    });
    const std::optional<int32_t> chosen = ChooseColourFromSystem(nullptr);
    QVERIFY(!chosen.has_value());
    QCOMPARE(shownAtStart, QColor(Qt::black));
    QCOMPARE(customAtStart, QColor(Qt::black));
}

int RunDisplayOptionsDialogTests(int argc, char** argv) {
    DisplayOptionsDialogTest test;
    return QTest::qExec(&test, argc, argv);
}

} // namespace tm47

#include "display_options_dialog_test.moc"
