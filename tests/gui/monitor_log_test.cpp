// The Monitor/Log start from the menu when it cannot reach the Monitor state: a port conflict,
// unreachable or silent ports on pseudo-terminals, and the 20-day stop. Messages are recorded
// with their captions. Whole sessions are the session tests'.

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "app/monitor_log_start.h"
#include "survey/logging_wnd.h"
#include "tests/gui/gui_support.h"
#include "tests/support/pty_peer.h"

using namespace tm47;
using tm47::testing::OffsetClock;
using tm47::testing::OnCom;
using tm47::testing::PtyPeer;
using tm47::testing::Shell;

namespace {

constexpr const char* kProgramStop = "Windows has run for more than 20 days.\r\n"
                                     "To assure accurate clock operation\r\n"
                                     "please restart the system.\r\n"
                                     "Press and hold On/Off key till blue screen\r\n"
                                     "and \"Warm Reset Detected\" is displayed.";

void ExpectMessage(const Shell& shell, const char* caption, const char* text) {
    QCOMPARE(shell.messages.shown.size(), std::size_t{1});
    QCOMPARE(QString::fromStdString(shell.messages.shown[0].caption), QString(caption));
    QCOMPARE(QString::fromStdString(shell.messages.shown[0].text), QString(text));
}

void ExpectMenuUsable(Shell& shell) {
    QVERIFY(!shell.logger->session.screenActive);
    QVERIFY(!shell.window->Logging()->isVisible());
    shell.commands.clear();
    shell.Key('s');
    QCOMPARE(shell.commands, std::vector<int>{1});
}

} // namespace

class MonitorLogTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { tm47::testing::UseProgramStyle(); }

    // A conflict (here two COM numbers behind one device: a link and the device it leads to)
    // is reported before any port is opened. The rules are tests/app's port check.
    void twoComNumbersOnOneDeviceAreOnePort() {
        PtyPeer instrument;
        QTemporaryDir dir;
        const QString link = dir.filePath("gps");
        QVERIFY(QFile::link(QString::fromStdString(instrument.SlavePath()), link));
        Shell shell(true, nullptr, OnCom(2, link.toStdString(), OnCom(1, instrument.SlavePath())));
        shell.logger->settings.instrumentPort = 0;
        shell.logger->settings.gpsEnabled = 1;
        shell.logger->settings.gpsPort = 1;
        shell.Show();
        QCOMPARE(StartMonitorLog(*shell.logger, shell.messages, *shell.window),
                 MonitorLogResult::PortConflict);
        ExpectMessage(shell, "Serial Port", "Same Port Assigned");
        QVERIFY(instrument.Read(200).empty()); // the instrument port was never opened
        QVERIFY(!shell.logger->link.IsPortOpen());
        QVERIFY(!shell.logger->gpsPort.IsOpen());
        ExpectMenuUsable(shell);
    }

    // A port another program holds (its lock is enough, also for root) is reported with the
    // device, "busy" and the holder on the second line.
    void aPortHeldByAnotherProgramIsReportedAsBusy() {
        PtyPeer instrument;
        const QString path = QString::fromStdString(instrument.SlavePath());
        QProcess holder;
        holder.start("flock", {"--nonblock", "--close", path, "sleep", "30"});
        QVERIFY(holder.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(!SerialPort().Open(path.toStdString(), SerialUse::Gps, {}),
                                 tm47::testing::kWaitMs);
        Shell shell(true, nullptr, OnCom(1, instrument.SlavePath()));
        shell.logger->settings.instrumentPort = 0;
        shell.Show();
        shell.Key('l');
        ExpectMessage(shell, "Serial Port",
                      (QStringLiteral("Cannot open TM47-KVB port\n") + path +
                       QStringLiteral(": busy, held by flock (pid ") +
                       QString::number(holder.processId()) + QStringLiteral(")"))
                          .toLatin1()
                          .constData());
        ExpectMenuUsable(shell);
        holder.kill();
        holder.waitForFinished();
    }

    void unreachablePortsAreReported() {
        Shell shell; // COM1 points at a path that does not exist
        const std::string com1 = shell.logger->PortPath(0, SerialUse::Instrument);
        const std::string com4 = shell.logger->PortPath(3, SerialUse::Output);
        shell.Show();
        shell.Key('L');
        ExpectMessage(shell, "Serial Port",
                      ("Cannot open TM47-KVB port\n" + com1 + ": not found").c_str());
        QVERIFY(!shell.logger->link.IsPortOpen());
        ExpectMenuUsable(shell);
        // Forwarding on an unreachable port: reported, then the instrument is tried.
        shell.messages.shown.clear();
        shell.logger->settings.outputEnabled = 1;
        shell.logger->settings.outputPort = 3;
        shell.Key('l');
        QCOMPARE(shell.messages.shown.size(), std::size_t{2});
        QCOMPARE(shell.messages.shown[0].text, "Cannot open MODEM port\n" + com4 + ": not found");
        QCOMPARE(shell.messages.shown[1].text,
                 "Cannot open TM47-KVB port\n" + com1 + ": not found");
        ExpectMenuUsable(shell);
    }

    void silentInstrumentIsReportedAndTheMenuStaysUsable() {
        PtyPeer instrument;
        PtyPeer output;
        Shell shell(true, nullptr, OnCom(3, output.SlavePath(), OnCom(1, instrument.SlavePath())));
        shell.logger->settings.outputEnabled = 1;
        shell.logger->settings.outputPort = 2;
        shell.Show();
        shell.Key('l');
        ExpectMessage(shell, "Connection", "Instrument OFF or Disconnected");
        // The mode command went out (each round purges what the line still held).
        const std::vector<uint8_t> sent = instrument.Read(100);
        QVERIFY(sent.size() >= 2);
        QCOMPARE(sent[sent.size() - 2], uint8_t{'H'});
        QCOMPARE(sent[sent.size() - 1], uint8_t{'X'});
        QVERIFY(!shell.logger->link.IsPortOpen());
        QVERIFY(!shell.logger->outputPort.IsOpen());
        ExpectMenuUsable(shell);
    }

    void twentyDaysAtCreationStopsTheProgram() {
        OffsetClock clock(1728000001u);
        Shell shell(true, &clock);
        shell.Show();
        QTRY_COMPARE(shell.quitStatus, std::vector<int>{0});
        ExpectMessage(shell, "PROGRAM STOP", kProgramStop);
        QCOMPARE(shell.messages.shown[0].icon, MessageIcon::Exclamation);
        QVERIFY(!shell.logger->keepAwake.Running());
    }

    void twentyDaysAtMonitorLogStopsBeforeAnyPort() {
        PtyPeer instrument;
        OffsetClock clock(1728000000u - 60000u); // one minute left at start-up
        Shell shell(true, &clock, OnCom(1, instrument.SlavePath()));
        shell.Show();
        QTest::qWait(50);
        QVERIFY(shell.messages.shown.empty());
        clock.SetOffset(1728000000u);
        shell.Key('l');
        ExpectMessage(shell, "PROGRAM STOP", kProgramStop);
        QCOMPARE(shell.quitStatus, std::vector<int>{0});
        QVERIFY(instrument.Read(200).empty());
        QVERIFY(!shell.logger->link.IsPortOpen());
        // The marker file is made before the check.
        QVERIFY(QFile::exists(shell.root.path() + "/Storage/TALINI/WYNIKBAD.TXT"));
    }
};

QTEST_MAIN(MonitorLogTest)
#include "monitor_log_test.moc"
