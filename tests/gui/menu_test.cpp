// The main menu with its real widgets: the commands behind the letters, Enter and taps, and
// the keep-awake thread and task bar around Exit. The key decoding itself is tests/app's.

#include <QPushButton>
#include <QtTest>

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

    // Enter runs the highlighted button (its moves are tests/app's); a tap
    // runs its button's command without moving the highlight, and the keyboard stays with the
    // menu.
    void highlightEnterAndTap() {
        Shell shell;
        shell.Show();
        shell.Key(Qt::Key_Down);
        QVERIFY(shell.commands.empty()); // moving the highlight runs nothing
        shell.Key(Qt::Key_Enter);
        QTest::mouseClick(shell.window->MenuButton(4), Qt::LeftButton);
        QCOMPARE(shell.logger->highlightedButton, 2);
        shell.Key('s');
        QCOMPARE(shell.commands, (std::vector<int>{2, 4, 1}));
    }
};

QTEST_MAIN(MenuTest)
#include "menu_test.moc"
