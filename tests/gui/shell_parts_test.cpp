// The shell's pieces without windows: the command line other tools rely on, and the
// keep-awake thread.

#include <QElapsedTimer>
#include <QtTest>

#include <cstdlib>

#include "app/command_line.h"
#include "app/keep_awake.h"

using namespace tm47;

Q_DECLARE_METATYPE(std::vector<std::string>)

class ShellPartsTest : public QObject {
    Q_OBJECT
private slots:
    void acceptedCommandLines_data() {
        QTest::addColumn<std::vector<std::string>>("args");
        QTest::addColumn<QString>("root");
        QTest::addColumn<bool>("portrait");
        QTest::addColumn<int>("zoom");
        QTest::addColumn<bool>("simulate");
        QTest::addColumn<QString>("com3");
        using V = std::vector<std::string>;
        QTest::newRow("defaults") << V{} << "" << true << 1 << false << "/dev/env3";
        QTest::newRow("landscape") << V{"--landscape"} << "" << false << 1 << false << "/dev/env3";
        QTest::newRow("portrait twice")
            << V{"--portrait", "--portrait"} << "" << true << 1 << false << "/dev/env3";
        QTest::newRow("root") << V{"--root", "/srv/hh"} << "/srv/hh" << true << 1 << false
                              << "/dev/env3";
        QTest::newRow("root=") << V{"--root=/srv/hh"} << "/srv/hh" << true << 1 << false
                               << "/dev/env3";
        QTest::newRow("port") << V{"--port", "COM3=/dev/pts/7"} << "" << true << 1 << false
                              << "/dev/pts/7";
        QTest::newRow("port=") << V{"--port=COM3=/tmp/a=b"} << "" << true << 1 << false
                               << "/tmp/a=b";
        QTest::newRow("zoom") << V{"--zoom", "3"} << "" << true << 3 << false << "/dev/env3";
        QTest::newRow("all") << V{"--simulate", "--landscape", "--zoom=2", "--root", "/r",
                                  "--port",     "COM1=/a",     "--port",   "COM3=/c"}
                             << "/r" << false << 2 << true << "/c";
        QTest::newRow("Qt's own options left to Qt")
            << V{"-platform", "offscreen", "--zoom", "2", "-reverse"} << "" << true << 2 << false
            << "/dev/env3";
    }
    void acceptedCommandLines() {
        QFETCH(std::vector<std::string>, args);
        QFETCH(QString, root);
        QFETCH(bool, portrait);
        QFETCH(int, zoom);
        QFETCH(bool, simulate);
        QFETCH(QString, com3);
        setenv("TM47_COM3", "/dev/env3", 1); // a --port flag wins over it
        setenv("TM47_ROOT", "/from/environment", 1);
        CommandLine cmd;
        std::string error;
        QVERIFY2(ParseCommandLine(args, cmd, error), error.c_str());
        QCOMPARE(QString::fromStdString(cmd.root.string()),
                 root.isEmpty() ? QStringLiteral("/from/environment") : root);
        QCOMPARE(cmd.portrait, portrait);
        QCOMPARE(cmd.zoom, zoom);
        QCOMPARE(cmd.simulate, simulate);
        QCOMPARE(QString::fromStdString(cmd.comMap.PathForIndex(2)), com3);
    }

    void rejectedCommandLines_data() {
        QTest::addColumn<std::vector<std::string>>("args");
        using V = std::vector<std::string>;
        QTest::newRow("unknown") << V{"--bogus"};
        QTest::newRow("root without folder") << V{"--root"};
        QTest::newRow("empty root") << V{"--root="};
        QTest::newRow("port without value") << V{"--port"};
        QTest::newRow("port 13") << V{"--port", "COM13=/dev/x"};
        QTest::newRow("port 0") << V{"--port", "COM0=/dev/x"};
        QTest::newRow("port without path") << V{"--port", "COM2="};
        QTest::newRow("port not COM") << V{"--port", "LPT1=/dev/x"};
        QTest::newRow("zoom 0") << V{"--zoom", "0"};
        QTest::newRow("zoom 9") << V{"--zoom", "9"};
        QTest::newRow("zoom text") << V{"--zoom", "two"};
        QTest::newRow("zoom without value") << V{"--zoom"};
        QTest::newRow("both orientations") << V{"--portrait", "--landscape"};
        QTest::newRow("Qt option without its value") << V{"-platform"};
    }
    void rejectedCommandLines() {
        QFETCH(std::vector<std::string>, args);
        CommandLine cmd;
        std::string error;
        QVERIFY(!ParseCommandLine(args, cmd, error));
        QVERIFY(!error.empty());
    }

    void keepAwakeResetsAtOnceAndStopsWithoutWaitingItsPeriod() {
        int resets = 0;
        KeepAwake keepAwake([&resets] { ++resets; }); // the 59 s period
        QCOMPARE(keepAwake.RunFlag(), 0);
        keepAwake.Start();
        QCOMPARE(keepAwake.RunFlag(), 1);
        QTRY_COMPARE(keepAwake.Resets(), uint64_t{1});
        QElapsedTimer timer;
        timer.start();
        keepAwake.Stop();
        QVERIFY(timer.elapsed() < 1000);
        QVERIFY(!keepAwake.Running());
        QCOMPARE(keepAwake.RunFlag(), 0);
        QCOMPARE(resets, 1);
        // A short period resets every period until the run flag is cleared (Exit).
        KeepAwake fast({}, 20);
        fast.Start();
        QTRY_VERIFY(fast.Resets() >= 3);
        fast.ClearRunFlag();
        QTest::qWait(50);
        const uint64_t after = fast.Resets();
        QTest::qWait(100);
        QCOMPARE(fast.Resets(), after);
        fast.Stop();
    }
};

QTEST_GUILESS_MAIN(ShellPartsTest)
#include "shell_parts_test.moc"
