// The main menu with its real widgets: the commands behind the letters and taps, the
// highlight as the default button, the keep-awake thread and task bar around Exit, and the
// version line's test-file mark. The key decoding itself is tests/app's.

#include <QPushButton>
#include <QtTest>

#include "app/shell_helpers.h"
#include "tests/gui/gui_support.h"

using namespace tm47;
using tm47::testing::Shell;

class MenuTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { tm47::testing::UseProgramStyle(); }

    // The setup commands open their dialog and the menu keeps the keyboard after it closes;
    // View Files hands the keyboard to the viewer; Exit ends with 0, the keep-awake thread
    // stopped and the task bar back.
    void lettersRunTheirCommand() {
        const struct {
            char key;
            int command;
            const char* dialog;
        } rows[] = {
            {'S', 1, "Survey Setup"}, {'D', 5, "Display Options"}, {'v', 6, ""}, {'e', 7, ""}};
        for (const auto& row : rows) {
            Shell shell;
            shell.Show();
            QVERIFY(shell.logger->keepAwake.Running());
            QVERIFY(!shell.logger->shell.taskBarShown); // hidden by the menu's paint
            shell.Key(row.key);
            QCOMPARE(shell.commands, std::vector<int>{row.command});
            if (row.command == 7) {
                QCOMPARE(shell.quitStatus, std::vector<int>{0});
                QVERIFY(!shell.logger->keepAwake.Running());
                QCOMPARE(shell.logger->keepAwake.RunFlag(), 0);
                QVERIFY(shell.logger->shell.taskBarShown);
                QVERIFY(!shell.window->isVisible());
            } else if (row.command == 6) {
                QWidget* viewer = shell.window->ViewFiles();
                QVERIFY(viewer->isVisible());
                QVERIFY(viewer->isAncestorOf(QApplication::focusWidget()) ||
                        QApplication::focusWidget() == viewer);
            } else {
                QCOMPARE(shell.dialogTitles, std::vector<QString>{row.dialog});
                shell.Key('x');
                QCOMPARE(shell.quitStatus, std::vector<int>{0});
            }
        }
    }

    // The highlight is the default button, and Enter runs it (its moves are tests/app's).
    void highlightIsTheDefaultButtonAndEnterRunsIt() {
        Shell shell;
        shell.Show();
        shell.Key(Qt::Key_Down);
        QVERIFY(shell.commands.empty()); // moving the highlight runs nothing
        for (int i = 0; i < kMenuButtonCount; ++i) {
            QCOMPARE(shell.window->MenuButton(i)->isDefault(), i == 2);
        }
        shell.Key(Qt::Key_Enter);
        QCOMPARE(shell.commands, std::vector<int>{2});
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

    // Survey Setup keeps the input panel's button hidden; in landscape it may not be shown.
    void surveySetupKeepsTheInputPanelButtonHidden() {
        for (bool portrait : {true, false}) {
            Shell shell(portrait);
            shell.Show();
            shell.Key('s');
            QVERIFY(!shell.logger->shell.inputPanelButtonShown);
            QCOMPARE(shell.logger->shell.inputPanelPreferenceCalls, portrait ? 1 : 0);
            QCOMPARE(shell.logger->shell.inputPanelPreference, portrait ? 2 : -1);
            ShowInputPanelButton(shell.logger->shell, true);
            QCOMPARE(shell.logger->shell.inputPanelButtonShown, portrait);
        }
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
        QVERIFY(without.save(tm47::testing::ArtifactsDir() + "/menu_portrait.png"));
    }
};

QTEST_MAIN(MenuTest)
#include "menu_test.moc"
