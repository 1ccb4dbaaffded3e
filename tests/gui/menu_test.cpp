// The main menu with its real widgets: the key table, the highlight, the gating while a
// screen window is open, the layout in both orientations and the paint.

#include <QDir>
#include <QPushButton>
#include <QtTest>

#include "app/shell_helpers.h"
#include "survey/logging_wnd.h"
#include "tests/gui/gui_support.h"

using namespace tm47;
using tm47::testing::Shell;

Q_DECLARE_METATYPE(Qt::Key)

class MenuTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { tm47::testing::UseProgramStyle(); }

    // Each letter in either case runs its command; the setup commands open their dialog and
    // the menu keeps the keyboard after it closes; View Files hands the keyboard to the viewer;
    // Exit ends with 0.
    void lettersRunTheirCommand_data() {
        QTest::addColumn<char>("key");
        QTest::addColumn<int>("command");
        QTest::addColumn<QString>("dialog");
        const struct {
            char upper;
            int command;
            const char* dialog;
        } rows[] = {{'L', 0, ""},
                    {'S', 1, "Survey Setup"},
                    {'O', 2, "Logger Setup"},
                    {'G', 3, "Set GPS Port"},
                    {'P', 4, "Set Output Port"},
                    {'D', 5, "Display Options"},
                    {'V', 6, ""},
                    {'X', 7, ""},
                    {'E', 7, ""}};
        for (const auto& row : rows) {
            for (char c : {row.upper, static_cast<char>(row.upper + 32)}) {
                QTest::addRow("%c", c) << c << row.command << QString::fromLatin1(row.dialog);
            }
        }
    }
    void lettersRunTheirCommand() {
        QFETCH(char, key);
        QFETCH(int, command);
        QFETCH(QString, dialog);
        Shell shell;
        shell.Show();
        QVERIFY(shell.logger->keepAwake.Running());
        QVERIFY(!shell.logger->shell.taskBarShown); // hidden by the menu's paint
        shell.Key(key);
        QCOMPARE(shell.commands, std::vector<int>{command});
        if (command == 7) { // Exit: the keep-awake thread stopped, the task bar back
            QCOMPARE(shell.quitStatus, std::vector<int>{0});
            QVERIFY(!shell.logger->keepAwake.Running());
            QCOMPARE(shell.logger->keepAwake.RunFlag(), 0);
            QVERIFY(shell.logger->shell.taskBarShown);
            QVERIFY(!shell.window->isVisible());
        } else if (!dialog.isEmpty()) {
            QCOMPARE(shell.dialogTitles, std::vector<QString>{dialog});
            shell.Key('x');
            QCOMPARE(shell.quitStatus, std::vector<int>{0});
        } else if (command == 6) {
            QWidget* viewer = shell.window->ViewFiles();
            QVERIFY(viewer->isVisible());
            QVERIFY(viewer->isAncestorOf(QApplication::focusWidget()) ||
                    QApplication::focusWidget() == viewer);
        }
    }

    void highlightMovesAndWraps_data() {
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<int>("highlighted");
        QTest::newRow("Tab") << QList<int>{Qt::Key_Tab} << 2;
        QTest::newRow("Right") << QList<int>{Qt::Key_Right} << 2;
        QTest::newRow("Down") << QList<int>{Qt::Key_Down} << 2;
        QTest::newRow("Left") << QList<int>{Qt::Key_Left} << 0;
        QTest::newRow("Up") << QList<int>{Qt::Key_Up} << 0;
        QTest::newRow("Tab from E&xit to Monitor/&Log")
            << QList<int>{Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Tab,
                          Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Tab}
            << 0;
        QTest::newRow("Up from Monitor/&Log to E&xit") << QList<int>{Qt::Key_Up, Qt::Key_Up} << 7;
        QTest::newRow("Down then Up") << QList<int>{Qt::Key_Down, Qt::Key_Up} << 1;
        QTest::newRow("Enter right after start") << QList<int>{} << 1;
    }
    void highlightMovesAndWraps() {
        QFETCH(QList<int>, keys);
        QFETCH(int, highlighted);
        Shell shell;
        shell.Show();
        for (int key : keys) {
            shell.Key(static_cast<Qt::Key>(key));
        }
        QVERIFY(shell.commands.empty()); // moving the highlight runs nothing
        QCOMPARE(shell.logger->highlightedButton, highlighted);
        for (int i = 0; i < kMenuButtonCount; ++i) {
            QCOMPARE(shell.window->MenuButton(i)->isDefault(), i == highlighted);
        }
        shell.Key(Qt::Key_Enter);
        QCOMPARE(shell.commands, std::vector<int>{highlighted});
    }

    void tapRunsTheButtonsCommand() {
        Shell shell;
        shell.Show();
        QTest::mouseClick(shell.window->MenuButton(4), Qt::LeftButton);
        QTest::mouseClick(shell.window->MenuButton(2), Qt::LeftButton);
        QCOMPARE(shell.commands, (std::vector<int>{4, 2}));
        QCOMPARE(shell.logger->highlightedButton, 1); // a tap does not move the highlight
        // The keyboard stays with the menu after a tap.
        shell.Key('s');
        QCOMPARE(shell.commands, (std::vector<int>{4, 2, 1}));
    }

    void otherKeysAndKeysWhileAScreenIsActiveDoNothing() {
        Shell shell;
        shell.Show();
        for (char c : {'A', 'b', 'Q', 'z', '1', ' '}) {
            shell.Key(c);
        }
        shell.Key(Qt::Key_Escape);
        shell.logger->session.screenActive = true;
        for (char c : {'L', 's', 'x', 'E', 'v'}) {
            QTest::keyClick(shell.window.get(), c);
        }
        QTest::keyClick(shell.window.get(), Qt::Key_Tab);
        QTest::keyClick(shell.window.get(), Qt::Key_Return);
        QVERIFY(shell.commands.empty());
        QCOMPARE(shell.logger->highlightedButton, 1);
    }

    void surveySetupKeepsTheInputPanelButtonHidden_data() {
        QTest::addColumn<bool>("portrait");
        QTest::addColumn<int>("preferenceCalls");
        QTest::addColumn<int>("preference");
        QTest::newRow("portrait") << true << 1 << 2;
        QTest::newRow("landscape") << false << 0 << -1;
    }
    void surveySetupKeepsTheInputPanelButtonHidden() {
        QFETCH(bool, portrait);
        QFETCH(int, preferenceCalls);
        QFETCH(int, preference);
        Shell shell(portrait);
        shell.Show();
        QVERIFY(!shell.logger->shell.inputPanelButtonShown);
        shell.Key('s');
        QVERIFY(!shell.logger->shell.inputPanelButtonShown);
        QCOMPARE(shell.logger->shell.inputPanelPreferenceCalls, preferenceCalls);
        QCOMPARE(shell.logger->shell.inputPanelPreference, preference);
        // Showing the button is refused in landscape.
        ShowInputPanelButton(shell.logger->shell, true);
        QCOMPARE(shell.logger->shell.inputPanelButtonShown, portrait);
    }

    void layout_data() {
        QTest::addColumn<bool>("portrait");
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<QRect>("firstButton");
        QTest::addColumn<QRect>("lastButton");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("profileWidth");
        QTest::newRow("portrait") << true << QSize(240, 320) << QRect(100, 82, 120, 24)
                                  << QRect(100, 264, 120, 24) << 3 << 232;
        QTest::newRow("landscape") << false << QSize(320, 240) << QRect(180, 18, 120, 24)
                                   << QRect(180, 200, 120, 24) << 2 << 312;
    }
    void layout() {
        QFETCH(bool, portrait);
        QFETCH(QSize, screen);
        QFETCH(QRect, firstButton);
        QFETCH(QRect, lastButton);
        QFETCH(int, rows);
        QFETCH(int, profileWidth);
        Shell shell(portrait);
        shell.Show();
        MainWnd& w = *shell.window;
        QCOMPARE(w.windowTitle(), QStringLiteral("TM47KVB"));
        QCOMPARE(w.size(), screen);
        QCOMPARE(w.MenuButton(0)->geometry(), firstButton);
        QCOMPARE(w.MenuButton(7)->geometry(), lastButton);
        const char* labels[] = {
            "Monitor/&Log",     "&Survey Setup",    "L&ogger Setup", "Set &GPS Port",
            "Set Output &Port", "&Display Options", "&View Files",   "E&xit"};
        for (int i = 0; i < kMenuButtonCount; ++i) {
            QCOMPARE(w.MenuButton(i)->text(), QString::fromLatin1(labels[i]));
            QCOMPARE(w.MenuButton(i)->property("controlId").toInt(), 420 + i);
        }
        // Fonts: sans serif, normal and bold, 14 pixels high; the line height is the font's.
        const int h = QFontMetrics(w.NormalFont()).height();
        QCOMPARE(h, 14);
        QCOMPARE(w.BoldFont().pixelSize(), w.NormalFont().pixelSize());
        QVERIFY(w.BoldFont().bold() && !w.NormalFont().bold());
        const ScreenGeometry& g = shell.logger->screen;
        QCOMPARE(g.lineHeight, h);
        QCOMPARE(g.profileLeft, 4);
        QCOMPARE(g.profileTop, h * rows + 2);
        QCOMPARE(g.profileWidth, profileWidth);
        QCOMPARE(g.profileHeight, screen.height() - 22 - h * rows - (h * rows + 2) - 2);
        QCOMPARE(shell.logger->settings.profilePlotHeight, g.profileHeight);
        // The three screen windows: hidden, full screen, with their titles.
        const std::pair<QWidget*, const char*> screens[] = {{w.Logging(), "Logging"},
                                                            {w.MonitorGps(), "Monitor GPS"},
                                                            {w.ViewFiles(), "View Files"}};
        for (const auto& [window, title] : screens) {
            QCOMPARE(window->windowTitle(), QString::fromLatin1(title));
            QVERIFY(!window->isVisible());
            QCOMPARE(window->geometry(), QRect(QPoint(0, 0), screen));
        }
    }

    void menuPaint_data() {
        QTest::addColumn<bool>("portrait");
        QTest::addColumn<QPoint>("blackLine");
        QTest::addColumn<QPoint>("greyArea");
        QTest::addColumn<QString>("file");
        QTest::newRow("portrait") << true << QPoint(48, 296) << QPoint(236, 316)
                                  << QStringLiteral("menu_portrait.png");
        QTest::newRow("landscape")
            << false << QPoint(36, 236) << QPoint(316, 236) << QStringLiteral("menu_landscape.png");
    }
    void menuPaint() {
        QFETCH(bool, portrait);
        QFETCH(QPoint, blackLine);
        QFETCH(QPoint, greyArea);
        QFETCH(QString, file);
        Shell shell(portrait);
        shell.Show();
        const QImage image = shell.window->grab().toImage();
        QCOMPARE(image.pixelColor(blackLine), QColor(Qt::black));
        QCOMPARE(image.pixelColor(greyArea), QColor(0xC0, 0xC0, 0xC0));
        // The side bar bitmap is drawn at (0, 0): not the grey of the menu.
        QVERIFY(image.pixelColor(10, 100) != QColor(0xC0, 0xC0, 0xC0));
        // $TM47_ARTIFACTS when the test script names a folder, else one in the build tree.
        QString artifacts = qEnvironmentVariable("TM47_ARTIFACTS");
        if (artifacts.isEmpty()) {
            artifacts = QStringLiteral(TM47_ARTIFACTS_DIR);
        }
        QVERIFY(QDir().mkpath(artifacts));
        QVERIFY(image.save(artifacts + QStringLiteral("/") + file));
    }

    void testFileSwitchShowsInTheVersion() {
        // "Version 2.31" is followed by " (M)" with the test file on, else four blanks; the
        // two differ in the pixels right of the number.
        Shell plain;
        plain.Show();
        const QImage without = plain.window->grab().toImage();
        Shell marked;
        marked.logger->settings.writeTestFile = 1;
        marked.Show();
        const QImage with = marked.window->grab().toImage();
        const int numberEnds =
            105 + QFontMetrics(plain.window->NormalFont()).horizontalAdvance("Version 2.31");
        const QRect afterNumber(numberEnds, 56, 240 - numberEnds, 18);
        QVERIFY(without.copy(afterNumber) != with.copy(afterNumber));
        QVERIFY(without.copy(0, 0, 240, 50) == with.copy(0, 0, 240, 50));
    }
};

QTEST_MAIN(MenuTest)
#include "menu_test.moc"
