// The GPS screens with their real widgets: the GPS row's watchdog "GPS!" warning and its end,
// the GPS monitor over a pseudo-terminal (listing, "NO DATA", sending while paused), the Set
// GPS Port dialog's results and the menu command that opens the monitor.

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>

#include <memory>
#include <string>

#include "gps/gps_handover_qt.h"
#include "gps/gps_input.h"
#include "gps/gps_message_dialog.h"
#include "gps/gps_monitor_reader.h"
#include "gps/gps_port_setup_dialog.h"
#include "gps/gps_status.h"
#include "gps/gps_status_wnd.h"
#include "gps/monitor_gps_wnd.h"
#include "sim/gps_simulator.h"
#include "tests/gui/gui_support.h"
#include "tests/support/pty_peer.h"

using namespace tm47;
using namespace tm47::testing;

namespace {

constexpr const char* kGoodGga =
    "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47";
constexpr const char* kPreset = "$PASHS,NME,SAT,A,ON";

std::string Text(const std::vector<uint8_t>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

QStringList Items(const QListWidget* list) {
    QStringList items;
    for (int i = 0; i < list->count(); ++i) {
        items << list->item(i)->text();
    }
    return items;
}

// A GPS monitor on a pseudo-terminal, with its own reader and GPS state.
struct MonitorRig {
    explicit MonitorRig(bool portrait = true, uint32_t noDataMs = 60000)
        : screen(ComputeScreenGeometry(portrait, 16)),
          reader(fix, clock, GpsMonitorTimings{50, noDataMs, 1000, 5000}) {
        settings.gpsEnabled = 1;
        QVERIFY(port.Open(peer.SlavePath(), SerialUse::Gps, {}));
        wnd = std::make_unique<MonitorGPSWnd>(
            MonitorGpsContext{clock, settings, screen, fix, reader, port}, nullptr);
        wnd->SetDialogRunner([this](QDialog& dialog) {
            auto& message = static_cast<GetGPSMessage&>(dialog);
            ++dialogs;
            if (!typed.isEmpty()) {
                message.Edit()->setText(typed);
            }
            accept ? message.accept() : message.reject();
            return message.result();
        });
        reader.Start(port);
        wnd->Open();
    }
    ~MonitorRig() {
        wnd.reset();
        port.Close();
    }
    void Char(int ch) { wnd->HandleChar(ch); }

    PtyPeer peer;
    SystemClock clock;
    Settings settings;
    ScreenGeometry screen;
    GpsFix fix;
    GpsMonitorReader reader;
    SerialPort port;
    std::unique_ptr<MonitorGPSWnd> wnd;
    bool accept = true;
    QString typed;
    int dialogs = 0;
};

} // namespace

class GpsScreensTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { UseProgramStyle(); }

    // ---- The watchdog: "GPS!" after 6 s of silence (shortened), gone with a valid GGA. ----

    void watchdogWarnsAfterSilenceAndAValidGgaReplacesIt() {
        PtyPeer peer;
        SerialPort port;
        QVERIFY(port.Open(peer.SlavePath(), SerialUse::Gps, {}));
        SystemClock clock;
        GpsFix fix;
        GpsStatusWnd row(false);
        row.resize(320, 16);
        row.Reset(true);
        const GpsTimings timings{.byteWaitMs = 50, .silenceMs = 400, .watchdogPeriodMs = 100};
        const auto inputs = [] { return GpsStatusInputs{true, false, false}; };
        GpsInput input(fix, clock, row, inputs, timings);
        DrainOnGuiThread(input.Handover(), &row);
        input.Start(port);
        QTRY_VERIFY_WITH_TIMEOUT(row.WarningShown(), kWaitMs);
        QVERIFY(row.CellRed(GpsCell::Spinner));
        QVERIFY(row.CellRed(GpsCell::Satellites));
        row.grab();
        peer.Write(std::string(kGoodGga) + "\r\n");
        QTRY_COMPARE_WITH_TIMEOUT(row.CellText(GpsCell::FixQuality), QString("AGPS"), kWaitMs);
        QVERIFY(!row.WarningShown());
        QVERIFY(!row.CellRed(GpsCell::Satellites));
        QCOMPARE(row.CellText(GpsCell::Satellites), QString(" 8"));
        QVERIFY(input.Stop());
        input.Handover().SetWake({});
    }

    // ---- The GPS monitor. ----

    // The preset command in the edit line; lines as they come, then "NO DATA" after the silence.
    void listingAndNoData() {
        MonitorRig rig(true, 400);
        rig.peer.Write("$GPGGA,1*00\r\n$GPRMC,2*00\r\n");
        QCOMPARE(rig.wnd->Edit()->text(), QString(kPreset));
        QTRY_COMPARE_WITH_TIMEOUT(Items(rig.wnd->List()),
                                  QStringList({"$GPGGA,1*00", "$GPRMC,2*00", "NO DATA"}), kWaitMs);
    }

    // Cancel sends nothing; OK sends the line with CR LF, runs the listing again when paused
    // and keeps the typed line as the next proposal; at most 49 characters go. Exit while
    // paused ends the reader.
    void sendWhilePausedAndExit() {
        MonitorRig rig;
        rig.accept = false;
        rig.typed = "$PASHQ,PRT";
        rig.Char('S');
        QVERIFY(rig.peer.Read(300).empty());
        QCOMPARE(rig.wnd->Edit()->text(), QString(kPreset));
        rig.accept = true;
        rig.typed.clear();
        rig.Char('s');
        QCOMPARE(Text(rig.peer.Read(kWaitMs, 21)), std::string("$PASHS,NME,SAT,A,ON\r\n"));
        rig.Char('p');
        rig.typed = "$PASHQ,PRT";
        rig.Char('s');
        QCOMPARE(rig.dialogs, 3);
        QCOMPARE(Text(rig.peer.Read(kWaitMs, 12)), std::string("$PASHQ,PRT\r\n"));
        QVERIFY(rig.wnd->RunningFlag() && !rig.wnd->PausedFlag());
        QCOMPARE(rig.wnd->Edit()->text(), QString("$PASHQ,PRT"));
        rig.typed = QString(60, QChar('A'));
        rig.Char('s');
        QCOMPARE(Text(rig.peer.Read(kWaitMs, 51)), std::string(49, 'A') + "\r\n");
        rig.Char('p');
        rig.Char('x');
        QVERIFY(!rig.wnd->isVisible());
        QVERIFY(!rig.reader.Running());
        QCOMPARE(rig.reader.Stragglers(), std::size_t(0));
        QVERIFY(!rig.port.IsOpen());
    }

    // Cancel stores nothing, OK stores and answers 0 ("Monitor GPS Output" is the menu
    // command's).
    void portSetupStoresOnOkOnly() {
        Settings settings;
        for (bool ok : {false, true}) {
            GetGPSPortSetup dialog(settings);
            dialog.List(720)->setCurrentIndex(1);
            dialog.List(723)->setCurrentIndex(1);
            ok ? dialog.accept() : dialog.reject();
            QCOMPARE(dialog.result(), 0);
            QCOMPARE(settings.gpsEnabled, ok ? 1 : 0);
            QCOMPARE(settings.gpsParity, ok ? 1 : 0);
        }
    }

    // The menu command enables the GPS on the simulated receiver and opens the monitor.
    void menuCommandOpensTheMonitor() {
        GpsConfig config;
        config.intervalMs = 100;
        GpsSimulator gps(config);
        QVERIFY(gps.Start());
        Shell shell(true, nullptr, OnCom(3, gps.DevicePath()));
        shell.window->SetDialogRunner([&](QDialog& dialog) {
            shell.dialogTitles.push_back(dialog.windowTitle());
            if (auto* setup = qobject_cast<GetGPSPortSetup*>(&dialog)) {
                setup->List(720)->setCurrentIndex(1); // "Enabled"
                setup->List(721)->setCurrentIndex(2); // "COM3:"
                setup->List(722)->setCurrentIndex(0); // "4800"
                setup->MonitorGpsOutput();
            } else if (auto* message = qobject_cast<GetGPSMessage*>(&dialog)) {
                message->accept();
            }
            return dialog.result();
        });
        shell.Show();
        MonitorGPSWnd* monitor = shell.window->MonitorGps();
        shell.Key('g');
        QCOMPARE(shell.dialogTitles, std::vector<QString>{"Set GPS Port"});
        QCOMPARE(shell.logger->settings.gpsPort, 2);
        QCOMPARE(shell.logger->settings.gpsBaud, 0);
        QVERIFY(QFile::exists(shell.root.path() + "/Storage/TALINI/TM47KVB.INI"));
        QVERIFY(monitor->isVisible());
        QVERIFY(shell.logger->gpsPort.IsOpen());
        QTRY_VERIFY_WITH_TIMEOUT(monitor->List()->count() >= 3, kWaitMs);
        QVERIFY(monitor->List()->item(0)->text().startsWith("$GP"));
        // Keys go to the monitor, not the menu: "s" sends.
        shell.Key('s');
        QTRY_COMPARE_WITH_TIMEOUT(gps.Received(), std::string("$PASHS,NME,SAT,A,ON\r\n"), kWaitMs);
        shell.Key('x');
        QVERIFY(!monitor->isVisible());
        QVERIFY(!shell.logger->gpsPort.IsOpen());
        QVERIFY(!shell.logger->gps.monitor.Running());
        QVERIFY(shell.messages.shown.empty());
        gps.Stop();
    }
};

QTEST_MAIN(GpsScreensTest)
#include "gps_screens_test.moc"
