// Whole logging sessions through the program: the logger and its main window, the instrument
// simulator on a pseudo-terminal, keys as the operator types them, and the data file read back
// record by record at the end.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QtTest>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "datafile/record_parser.h"
#include "datafile/records.h"
#include "gps/gps_status_wnd.h"
#include "instrument/calibrate_wnd.h"
#include "instrument/reading.h"
#include "sim/gps_simulator.h"
#include "sim/instrument_simulator.h"
#include "survey/logging_wnd.h"
#include "tests/gui/gui_support.h"
#include "tests/support/pty_peer.h"

using namespace tm47;
using tm47::testing::Shell;

namespace {

// Frames come faster than the instrument's 55 ms so that sessions stay short.
constexpr double kFastFramePeriodMs = 20.0;

std::unique_ptr<InstrumentSimulator> StartInstrument(Delivery delivery) {
    InstrumentConfig config;
    config.delivery = delivery;
    config.framePeriodMs = kFastFramePeriodMs;
    auto sim = std::make_unique<InstrumentSimulator>(config);
    std::string error;
    if (!sim->Start(&error)) {
        qWarning("simulator: %s", error.c_str());
        return nullptr;
    }
    return sim;
}

std::unique_ptr<Shell> MakeShell(const InstrumentSimulator& sim) {
    LoggerOptions options;
    options.comMap.Set(1, sim.DevicePath());
    auto shell = std::make_unique<Shell>(true, nullptr, options);
    shell->logger->settings.instrumentPort = 0;
    return shell;
}

// Menu → Monitor/Log, then the readings normalised.
bool OpenMonitor(Shell& shell) {
    shell.Show();
    shell.Key('l');
    if (!shell.window->Logging()->isVisible()) {
        return false;
    }
    QElapsedTimer waited;
    waited.start();
    while (shell.logger->readingState != kReadingNormal && waited.elapsed() < 15000) {
        QTest::qWait(20);
    }
    return shell.logger->readingState == kReadingNormal;
}

QString DataPath(const Shell& shell, const char* name) {
    return shell.root.path() + "/" + name;
}

// "&Cr.File" with the save dialog answered by `path`.
bool CreateDataFile(Shell& shell, const QString& path) {
    shell.window->Logging()->SetSaveFileChooser(
        [path](const SaveFileRequest&, QWidget*) { return path.toStdString(); });
    shell.Key('c');
    return shell.logger->session.state == SessionState::StandBy;
}

std::vector<Record> ReadRecords(const QString& path) {
    QFile file(path);
    std::vector<Record> out;
    if (!file.open(QIODevice::ReadOnly)) {
        return out;
    }
    const QByteArray bytes = file.readAll();
    for (qsizetype at = 0; at + qsizetype(kRecordLength) <= bytes.size(); at += kRecordLength) {
        Record r{};
        std::copy_n(bytes.constData() + at, kRecordLength, r.begin());
        out.push_back(r);
    }
    return out;
}

// The eleven characters of a marker ('X') or comment ('C') record.
std::string NoteText(const Record& r) {
    return std::string(r.begin() + 1, r.begin() + 12);
}

bool IsMarker(const Record& r, const std::string& text) {
    return r[0] == 'X' && NoteText(r).substr(0, text.size()) == text &&
           NoteText(r).find_first_not_of(' ', text.size()) == std::string::npos;
}

std::vector<Record> Readings(const std::vector<Record>& recs, std::size_t from, std::size_t to) {
    std::vector<Record> out;
    for (std::size_t i = from; i < to && i < recs.size(); ++i) {
        if (IsReadingKind(recs[i][0])) {
            out.push_back(recs[i]);
        }
    }
    return out;
}

std::size_t FindMarker(const std::vector<Record>& recs, const std::string& text,
                       std::size_t from = 0) {
    for (std::size_t i = from; i < recs.size(); ++i) {
        if (IsMarker(recs[i], text)) {
            return i;
        }
    }
    return recs.size();
}

int CountMarkers(const std::vector<Record>& recs, const std::string& text) {
    return static_cast<int>(std::count_if(recs.begin(), recs.end(),
                                          [&](const Record& r) { return IsMarker(r, text); }));
}

// Record bytes 1..9 (range code and the four raw channels) as the frame had them.
bool SamePayload(const Record& r, const WireFrame& frame) {
    for (int i = 1; i <= 9; ++i) {
        if (static_cast<uint8_t>(r[i]) != frame[i]) {
            return false;
        }
    }
    return true;
}

bool SessionEnded(const Shell& shell) {
    return !shell.window->Logging()->isVisible() && !shell.logger->session.screenActive;
}

// Exit with the confirmation answered Yes.
void ExitSession(Shell& shell) {
    shell.messages.answer = MessageAnswer::Yes;
    shell.Key('x');
}

// The names of this process's threads, sorted: what is left when a session has ended.
QStringList ThreadNames() {
    QStringList names;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString& id : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(id + QStringLiteral("/comm")));
        if (comm.open(QIODevice::ReadOnly)) {
            names << QString::fromLatin1(comm.readAll()).trimmed();
        }
    }
    names.sort();
    return names;
}

bool Shown(const Shell& shell, const char* caption, const char* text) {
    return std::any_of(shell.messages.shown.begin(), shell.messages.shown.end(),
                       [&](const tm47::testing::ShownMessage& m) {
                           return m.caption == caption && m.text == text;
                       });
}

} // namespace

class SessionE2ETest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { tm47::testing::UseProgramStyle(); }

    // Auto on a streaming link: every fourth frame sent while logging is recorded, between
    // "$STARTED" and "$PAUSED".
    void autoStreamingRecordsEveryFourthFrame() {
        auto sim = StartInstrument(Delivery::Streaming);
        QVERIFY(sim);
        auto shell = MakeShell(*sim);
        shell->logger->settings.pauseKey = 2;
        QVERIFY(OpenMonitor(*shell));
        const QString path = DataPath(*shell, "AUTO.R47");
        QVERIFY(CreateDataFile(*shell, path));
        shell->Key('g');
        QCOMPARE(shell->logger->session.state, SessionState::Logging);
        QTest::qWait(1500);
        shell->Key(Qt::Key_Return);
        QCOMPARE(shell->logger->session.state, SessionState::StandBy);
        ExitSession(*shell);
        QVERIFY(SessionEnded(*shell));

        const std::vector<Record> recs = ReadRecords(path);
        const std::size_t started = FindMarker(recs, "$STARTED");
        const std::size_t paused = FindMarker(recs, "$PAUSED", started);
        QVERIFY(started < recs.size());
        QVERIFY(paused < recs.size());
        // Nothing recorded before Go (record 0 is the file header, "TM47KVB...").
        QVERIFY(Readings(recs, 1, started).empty());
        QVERIFY(Readings(recs, paused, recs.size()).empty());
        const std::vector<Record> readings = Readings(recs, started, paused);
        QVERIFY2(readings.size() >= 10, std::to_string(readings.size()).c_str());

        // The frame the first reading came from, then exactly every fourth one after it.
        const std::vector<SentFrame> log = sim->FrameLog();
        bool found = false;
        for (std::size_t first = 0; first + 4 * (readings.size() - 1) < log.size(); ++first) {
            bool all = true;
            for (std::size_t k = 0; k < readings.size() && all; ++k) {
                all = SamePayload(readings[k], log[first + 4 * k].bytes);
            }
            if (all) {
                found = true;
                break;
            }
        }
        QVERIFY2(found, "the readings are not every fourth frame of the simulator's log");
        sim->Stop();
    }

    // Auto on a polled link: one reading per 200 ms poll.
    void autoPolledRecordsOneReadingPerPoll() {
        auto sim = StartInstrument(Delivery::Polled);
        QVERIFY(sim);
        auto shell = MakeShell(*sim);
        QVERIFY(OpenMonitor(*shell));
        const QString path = DataPath(*shell, "POLL.R47");
        QVERIFY(CreateDataFile(*shell, path));
        shell->Key('g');
        QTest::qWait(2000);
        shell->Key('q'); // any key pauses (the default)
        QCOMPARE(shell->logger->session.state, SessionState::StandBy);
        ExitSession(*shell);
        const std::vector<Record> recs = ReadRecords(path);
        const std::size_t started = FindMarker(recs, "$STARTED");
        const std::size_t paused = FindMarker(recs, "$PAUSED", started);
        QVERIFY(paused < recs.size());
        const std::size_t n = Readings(recs, started, paused).size();
        QVERIFY2(n >= 5 && n <= 13, std::to_string(n).c_str());
        sim->Stop();
    }

    // Wheel: one record per trigger; backwards triggers lower the station.
    void wheelRecordsOnePerTrigger() {
        auto sim = StartInstrument(Delivery::Streaming);
        QVERIFY(sim);
        auto shell = MakeShell(*sim);
        shell->logger->settings.surveyMode = kModeWheel;
        QVERIFY(OpenMonitor(*shell));
        const QString path = DataPath(*shell, "WHEEL.R47");
        QVERIFY(CreateDataFile(*shell, path));
        shell->Key('g');
        QCOMPARE(shell->logger->session.state, SessionState::Logging);
        QTRY_COMPARE_WITH_TIMEOUT(sim->Mode(), InstrumentMode::Wheel, 3000);
        // Standing still: no frames for far longer than the watch would allow a streaming
        // link, and the watch must not take that for a break.
        QTest::qWait(1500);
        QCOMPARE(shell->logger->session.state, SessionState::Logging);
        const std::vector<SentFrame> sentBefore = sim->FrameLog();
        const uint64_t beforeTriggers = sentBefore.empty() ? 0 : sentBefore.back().sequence;
        const double start = shell->logger->position.station;
        for (int i = 0; i < 5; ++i) {
            sim->WheelTrigger();
            QTest::qWait(60);
        }
        QTRY_VERIFY_WITH_TIMEOUT(shell->logger->position.station > start, 2000);
        QTest::qWait(200);
        const double forward = shell->logger->position.station;
        for (int i = 0; i < 2; ++i) {
            sim->WheelTrigger(true);
            QTest::qWait(60);
        }
        QTRY_VERIFY_WITH_TIMEOUT(shell->logger->position.station < forward, 2000);
        QTest::qWait(200);
        const double back = shell->logger->position.station;
        shell->Key('q');
        QTRY_COMPARE_WITH_TIMEOUT(shell->logger->session.state, SessionState::StandBy, 10000);
        ExitSession(*shell);
        QVERIFY(SessionEnded(*shell));
        // The station moves by the same step each way.
        const double step = (forward - start) / 5.0;
        QVERIFY(step > 0.0);
        QVERIFY(std::abs(back - (forward - 2.0 * step)) < 0.5 * step);
        const std::vector<Record> recs = ReadRecords(path);
        const std::size_t started = FindMarker(recs, "$STARTED");
        const std::size_t paused = FindMarker(recs, "$PAUSED", started);
        QVERIFY(paused < recs.size());
        // The seven trigger frames, in order, are the last seven readings of the run.
        const std::vector<SentFrame> triggered = sim->FramesAfter(beforeTriggers);
        QVERIFY(triggered.size() >= 7);
        const std::vector<Record> readings = Readings(recs, started, paused);
        QVERIFY(readings.size() >= 7);
        for (std::size_t k = 0; k < 7; ++k) {
            QVERIFY(SamePayload(readings[readings.size() - 7 + k], triggered[k].bytes));
        }
        // Nothing else: a streaming frame still in the hand-over when Go switched the
        // instrument to wheel mode is not recorded as a wheel reading.
        QVERIFY2(readings.size() == 7, std::to_string(readings.size()).c_str());
        QCOMPARE(CountMarkers(recs, "$CONN BREAK"), 0);
        sim->Stop();
    }

    // Manual: one record per run of the trigger button.
    void manualRecordsOnePerTriggerRun() {
        auto sim = StartInstrument(Delivery::Streaming);
        QVERIFY(sim);
        auto shell = MakeShell(*sim);
        shell->logger->settings.surveyMode = kModeManual;
        QVERIFY(OpenMonitor(*shell));
        const QString path = DataPath(*shell, "MANUAL.R47");
        QVERIFY(CreateDataFile(*shell, path));
        shell->Key('g');
        QCOMPARE(shell->logger->session.state, SessionState::Logging);
        for (int i = 0; i < 3; ++i) {
            sim->SetTrigger(true);
            QTest::qWait(300);
            sim->SetTrigger(false);
            QTest::qWait(300);
        }
        shell->Key('q');
        QCOMPARE(shell->logger->session.state, SessionState::StandBy);
        ExitSession(*shell);
        const std::vector<Record> recs = ReadRecords(path);
        const std::size_t started = FindMarker(recs, "$STARTED");
        const std::size_t paused = FindMarker(recs, "$PAUSED", started);
        QVERIFY(paused < recs.size());
        QCOMPARE(Readings(recs, started, paused).size(), std::size_t{3});
        sim->Stop();
    }

    // Which keys pause, by the pause key setting; a tap on the pause button always does.
    void pauseKeys_data() {
        QTest::addColumn<int>("pauseKey");
        QTest::addColumn<int>("ignored"); // a key that must not pause, 0 none
        QTest::addColumn<int>("pausing"); // the key that pauses, 0 the tap
        QTest::newRow("Enter: Space ignored") << 2 << int(Qt::Key_Space) << int(Qt::Key_Return);
        QTest::newRow("any key") << 0 << 0 << int(Qt::Key_Q);
        QTest::newRow("P: Enter ignored") << 3 << int(Qt::Key_Return) << int(Qt::Key_P);
        QTest::newRow("Space, tapped") << 1 << int(Qt::Key_Return) << 0;
    }
    void pauseKeys() {
        QFETCH(int, pauseKey);
        QFETCH(int, ignored);
        QFETCH(int, pausing);
        auto sim = StartInstrument(Delivery::Streaming);
        QVERIFY(sim);
        auto shell = MakeShell(*sim);
        shell->logger->settings.pauseKey = pauseKey;
        QVERIFY(OpenMonitor(*shell));
        LoggingWnd* logging = shell->window->Logging();
        // In Monitor the Stand By letters do nothing.
        for (char c : {'g', 'l', 'n', 'm', 's', 'G', 'L', 'N', 'M', 'S'}) {
            shell->Key(c);
        }
        QCOMPARE(shell->logger->session.state, SessionState::Monitor);
        QVERIFY(shell->dialogTitles.empty());
        QVERIFY(shell->messages.shown.empty());
        QVERIFY(logging->isVisible());

        QVERIFY(CreateDataFile(*shell, DataPath(*shell, "PAUSE.R47")));
        shell->Key('g');
        QCOMPARE(shell->logger->session.state, SessionState::Logging);
        QVERIFY(logging->PauseButton(pauseKey)->isVisible());
        if (ignored != 0) {
            shell->Key(static_cast<Qt::Key>(ignored));
            QCOMPARE(shell->logger->session.state, SessionState::Logging);
        }
        if (pausing != 0) {
            shell->Key(static_cast<Qt::Key>(pausing));
        } else {
            QTest::mouseClick(logging->PauseButton(pauseKey), Qt::LeftButton);
        }
        QCOMPARE(shell->logger->session.state, SessionState::StandBy);
        QVERIFY(logging->StandByButton(0)->isVisible());
        ExitSession(*shell);
        QVERIFY(SessionEnded(*shell));
        sim->Stop();
    }

    // Exit in Monitor ends at once; in Stand By it asks, and a No keeps logging possible.
    void exitConfirmation() {
        auto sim = StartInstrument(Delivery::Streaming);
        QVERIFY(sim);
        auto shell = MakeShell(*sim);
        QVERIFY(OpenMonitor(*shell));
        shell->Key('x');
        QVERIFY(SessionEnded(*shell));
        QVERIFY(shell->messages.shown.empty());
        QVERIFY(!shell->logger->link.IsPortOpen());

        QVERIFY(OpenMonitor(*shell));
        const QString path = DataPath(*shell, "EXIT.R47");
        QVERIFY(CreateDataFile(*shell, path));
        shell->messages.answer = MessageAnswer::No;
        shell->Key('x');
        QVERIFY(Shown(*shell, "Confirm Exit", "Exit Logging?"));
        QVERIFY(shell->window->Logging()->isVisible());
        QCOMPARE(shell->logger->session.state, SessionState::StandBy);
        shell->Key('g');
        QCOMPARE(shell->logger->session.state, SessionState::Logging);
        QTest::qWait(500);
        shell->Key('q');
        ExitSession(*shell);
        QVERIFY(SessionEnded(*shell));
        QVERIFY(!shell->logger->link.IsPortOpen());
        const std::vector<Record> recs = ReadRecords(path);
        const std::size_t started = FindMarker(recs, "$STARTED");
        QVERIFY(!Readings(recs, started, recs.size()).empty());
        sim->Stop();
    }

    // Int.Cal from the Stand By menu with the instrument's QC button: the result on the
    // calibration window and one group of internal calibration records in the file.
    void qcCheck_data() {
        QTest::addColumn<int>("response");
        QTest::addColumn<QString>("result");
        QTest::newRow("pass") << int(QcResponse::Pass) << QStringLiteral("CALIBRATION OK");
        QTest::newRow("fail") << int(QcResponse::Fail) << QStringLiteral("CALIBRATION FAILED");
    }
    void qcCheck() {
        QFETCH(int, response);
        QFETCH(QString, result);
        auto sim = StartInstrument(Delivery::Streaming);
        QVERIFY(sim);
        auto shell = MakeShell(*sim);
        QVERIFY(OpenMonitor(*shell));
        const QString path = DataPath(*shell, "QC.R47");
        QVERIFY(CreateDataFile(*shell, path));
        LoggingWnd* logging = shell->window->Logging();
        logging->SetMenuRunner([](QMenu&) { return 1104; }); // "Int. Cal"
        shell->Key('m');
        CalibrateWnd* cal = logging->Calibrate();
        QTRY_VERIFY_WITH_TIMEOUT(cal->isVisible(), 10000);
        QVERIFY(!logging->MonitorButtonEnabled(2));
        QTest::mouseClick(cal->OkButton(), Qt::LeftButton); // instructions read: now waiting
        sim->PressQcButton(static_cast<QcResponse>(response));
        auto resultShown = [&] {
            const CalibrationScreen screen = cal->Screen();
            return std::find(screen.lines.begin(), screen.lines.end(), result.toStdString()) !=
                   screen.lines.end();
        };
        QTRY_VERIFY_WITH_TIMEOUT(resultShown(), 20000);
        QTRY_VERIFY_WITH_TIMEOUT(cal->OkButton()->isEnabled(), 5000);
        QTest::mouseClick(cal->OkButton(), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!cal->isVisible(), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(shell->logger->readingState, kReadingNormal, 5000);
        ExitSession(*shell);
        QVERIFY(SessionEnded(*shell));
        const std::vector<Record> recs = ReadRecords(path);
        const auto internal = std::count_if(
            recs.begin(), recs.end(), [](const Record& r) { return r[0] == 'I' && r[1] == 'I'; });
        QCOMPARE(internal, 4); // one group: the four channels
        sim->Stop();
    }

    // GPS while logging: the receiver's sentences become "@"/"#" records, each followed by
    // its "!" time record; the GPS row is the screen's own child.
    void gpsRecordsWhileLogging() {
        auto sim = StartInstrument(Delivery::Streaming);
        QVERIFY(sim);
        GpsConfig gpsConfig;
        gpsConfig.intervalMs = 200;
        GpsSimulator gps(gpsConfig);
        QVERIFY(gps.Start());
        LoggerOptions options;
        options.comMap.Set(1, sim->DevicePath());
        options.comMap.Set(2, gps.DevicePath());
        Shell shell(true, nullptr, options);
        shell.logger->settings.gpsEnabled = 1;
        shell.logger->settings.gpsPort = 1;
        QVERIFY(OpenMonitor(shell));
        LoggingWnd* logging = shell.window->Logging();
        QVERIFY(logging->GpsRow() != nullptr);
        QVERIFY(logging->GpsRow()->isVisible());
        QVERIFY(logging->GpsRow()->GpsEnabled());
        const QString path = DataPath(shell, "GPS.R47");
        QVERIFY(CreateDataFile(shell, path));
        shell.Key('g');
        QTest::qWait(1500);
        shell.Key('q');
        QCOMPARE(shell.logger->session.state, SessionState::StandBy);
        ExitSession(shell);
        QVERIFY(SessionEnded(shell));
        QVERIFY(!shell.logger->gps.input.Running());
        const std::vector<Record> recs = ReadRecords(path);
        const auto count = [&](char tag) {
            return std::count_if(recs.begin(), recs.end(),
                                 [tag](const Record& r) { return r[0] == tag; });
        };
        QVERIFY2(count('@') >= 3, std::to_string(count('@')).c_str());
        QVERIFY(count('#') >= 1);
        QVERIFY(count('!') >= 3);
        // Every sentence ends with its time record.
        for (std::size_t i = 0; i + 1 < recs.size(); ++i) {
            if (recs[i][0] == '@' || recs[i][0] == '#') {
                QVERIFY(recs[i + 1][0] == '#' || recs[i + 1][0] == '!');
            }
        }
        gps.Stop();
        sim->Stop();
    }

    // Unplugged in Stand By: three recoveries on a streaming link, two on a polled one, then the
    // end marker and the link's own message.
    void unplugInStandByGivesTheLinkUp_data() {
        QTest::addColumn<int>("delivery");
        QTest::addColumn<int>("breaks");
        QTest::addColumn<QString>("text");
        QTest::newRow("streaming") << int(Delivery::Streaming) << 3
                                   << QStringLiteral("Tap OK or press <ENTER> to Exit Log Mode");
        QTest::newRow("polled") << int(Delivery::Polled) << 2
                                << QStringLiteral("NO CONNECTION Press <ENTER> to STOP");
    }
    void unplugInStandByGivesTheLinkUp() {
        QFETCH(int, delivery);
        QFETCH(int, breaks);
        QFETCH(QString, text);
        auto sim = StartInstrument(static_cast<Delivery>(delivery));
        QVERIFY(sim);
        auto shell = MakeShell(*sim);
        QVERIFY(OpenMonitor(*shell));
        const QString path = DataPath(*shell, "UNPLUG.R47");
        QVERIFY(CreateDataFile(*shell, path));
        sim->Unplug();
        QTRY_VERIFY_WITH_TIMEOUT(SessionEnded(*shell), 30000);
        QVERIFY(Shown(*shell, "NO CONNECTION", text.toLatin1().constData()));
        QVERIFY(!shell->logger->link.IsPortOpen());
        QVERIFY(!shell->logger->link.ReaderRunning(ReaderKind::Streaming));
        QVERIFY(!shell->logger->link.ReaderRunning(ReaderKind::Polled));
        const std::vector<Record> recs = ReadRecords(path);
        QCOMPARE(CountMarkers(recs, "$CONN BREAK"), breaks);
        QVERIFY(!recs.empty());
        QCOMPARE(NoteText(recs.back()), std::string("$CONN END  "));
        sim->Stop();
    }

    // Short breaks while logging, each mended by the recovery before the next (fifty on a
    // streaming link; a polled recovery takes 1.5 s, so fewer there): a good frame between
    // breaks resets the count, so the session never gives up, the file holds whole records
    // only, and the screen still pauses, logs and exits.
    void unplugCyclesKeepTheSession_data() {
        QTest::addColumn<int>("delivery");
        QTest::addColumn<int>("cycles");
        QTest::newRow("streaming") << int(Delivery::Streaming) << 50;
        QTest::newRow("polled") << int(Delivery::Polled) << 5;
    }
    void unplugCyclesKeepTheSession() {
        QFETCH(int, delivery);
        QFETCH(int, cycles);
        const int kCycles = cycles;
        auto sim = StartInstrument(static_cast<Delivery>(delivery));
        QVERIFY(sim);
        auto shell = MakeShell(*sim);
        QVERIFY(OpenMonitor(*shell));
        const QString path = DataPath(*shell, "CYCLES.R47");
        QVERIFY(CreateDataFile(*shell, path));
        shell->Key('g');
        QCOMPARE(shell->logger->session.state, SessionState::Logging);

        // The GUI thread is blocked inside the recovery while it waits for the handshake, so
        // the cable goes back in from another thread as soon as the break is counted.
        LinkState& link = shell->logger->link.State();
        std::atomic<int> done{0};
        std::atomic<bool> quit{false};
        auto waitFor = [&](auto done) {
            while (!done() && !quit.load()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        };
        std::thread operatorHand([&] {
            for (int i = 0; i < kCycles && !quit.load(); ++i) {
                sim->Unplug();
                waitFor([&] { return link.breakCounter.load() > 0; });
                sim->Replug();
                waitFor([&] { return link.breakCounter.load() == 0; }); // frames again
                std::this_thread::sleep_for(std::chrono::milliseconds(150));
                done.fetch_add(1);
            }
        });
        QTRY_VERIFY_WITH_TIMEOUT(done.load() == kCycles || SessionEnded(*shell), 240000);
        quit.store(true);
        operatorHand.join();
        QCOMPARE(done.load(), kCycles);
        QCOMPARE(shell->logger->session.state, SessionState::Logging);
        QVERIFY(shell->window->Logging()->isVisible());

        shell->Key('q');
        QCOMPARE(shell->logger->session.state, SessionState::StandBy);
        shell->Key('g');
        QCOMPARE(shell->logger->session.state, SessionState::Logging);
        QTest::qWait(500);
        shell->Key('q');
        ExitSession(*shell);
        QVERIFY(SessionEnded(*shell));

        QFile file(path);
        QVERIFY(file.size() > 0);
        QCOMPARE(file.size() % qint64(kRecordLength), qint64(0));
        const std::vector<Record> recs = ReadRecords(path);
        QCOMPARE(CountMarkers(recs, "$CONN BREAK"), kCycles);
        QCOMPARE(CountMarkers(recs, "$CONN END"), 0);
        for (const Record& r : recs) {
            QCOMPARE(r[kRecordLength - 1], '\n');
        }
        const std::size_t started = FindMarker(recs, "$STARTED");
        const std::size_t paused = FindMarker(recs, "$PAUSED", started);
        QVERIFY(paused < recs.size());
        for (std::size_t i = started; i < paused; ++i) {
            QVERIFY2(IsReadingKind(recs[i][0]) || recs[i][0] == 'X', std::to_string(i).c_str());
        }
        // Readings were logged between the breaks and after the second Go.
        std::size_t gapsWithReadings = 0;
        std::size_t at = FindMarker(recs, "$CONN BREAK");
        while (at < recs.size()) {
            const std::size_t next = FindMarker(recs, "$CONN BREAK", at + 1);
            gapsWithReadings += Readings(recs, at, next).empty() ? 0 : 1;
            at = next;
        }
        QVERIFY2(gapsWithReadings >= std::size_t(kCycles * 9 / 10),
                 std::to_string(gapsWithReadings).c_str());
        const std::size_t restarted = FindMarker(recs, "$STARTED", paused);
        QVERIFY(!Readings(recs, restarted, recs.size()).empty());
        sim->Stop();
    }

    // Every thread a session starts (instrument readers, GPS reader and watchdog, output
    // writer) has ended once the session has, however it ended.
    void noThreadOutlivesASession_data() {
        QTest::addColumn<bool>("giveUp");
        QTest::newRow("exit") << false;
        QTest::newRow("link given up") << true;
    }
    void noThreadOutlivesASession() {
        QFETCH(bool, giveUp);
        auto sim = StartInstrument(Delivery::Streaming);
        QVERIFY(sim);
        GpsConfig gpsConfig;
        gpsConfig.intervalMs = 200;
        GpsSimulator gps(gpsConfig);
        QVERIFY(gps.Start());
        tm47::testing::PtyPeer outputPeer;
        LoggerOptions options;
        options.comMap.Set(1, sim->DevicePath());
        options.comMap.Set(2, gps.DevicePath());
        options.comMap.Set(3, outputPeer.SlavePath());
        Shell shell(true, nullptr, options);
        shell.logger->settings.gpsEnabled = 1;
        shell.logger->settings.gpsPort = 1;
        shell.logger->settings.outputEnabled = 1;
        shell.logger->settings.outputPort = 2;
        shell.Show();
        QTest::qWait(200);
        const QStringList before = ThreadNames();

        QVERIFY(OpenMonitor(shell));
        QVERIFY(ThreadNames().size() > before.size());
        QVERIFY(CreateDataFile(shell, DataPath(shell, "THREADS.R47")));
        shell.Key('g');
        QTest::qWait(800);
        QVERIFY(!outputPeer.Read(200, 1).empty()); // the output writer is running
        if (giveUp) {
            sim->Unplug();
            QTRY_VERIFY_WITH_TIMEOUT(SessionEnded(shell), 30000);
        } else {
            shell.Key('q');
            ExitSession(shell);
            QVERIFY(SessionEnded(shell));
        }
        QTRY_COMPARE_WITH_TIMEOUT(ThreadNames(), before, 3000);
        gps.Stop();
        sim->Stop();
    }

    // A lost link while a dialog of the session is open takes the dialog down.
    void lostLinkClosesTheOpenDialog() {
        auto sim = StartInstrument(Delivery::Streaming);
        QVERIFY(sim);
        auto shell = MakeShell(*sim);
        QVERIFY(OpenMonitor(*shell));
        const QString path = DataPath(*shell, "DIALOG.R47");
        QVERIFY(CreateDataFile(*shell, path));
        QStringList titles;
        QElapsedTimer open;
        qint64 openMs = -1;
        shell->window->SetDialogRunner([&](QDialog& dialog) {
            titles << dialog.windowTitle();
            // Safety net only: the give-up must close it long before.
            QTimer::singleShot(30000, &dialog, &QDialog::reject);
            sim->Unplug();
            open.start();
            const int result = dialog.exec();
            openMs = open.elapsed();
            return result;
        });
        shell->Key('c'); // Stand By: "&Cmnt"
        QCOMPARE(titles, QStringList{QStringLiteral("Enter Comment")});
        QVERIFY2(openMs >= 0 && openMs < 20000, std::to_string(openMs).c_str());
        QVERIFY(SessionEnded(*shell));
        const std::vector<Record> recs = ReadRecords(path);
        QVERIFY(
            std::none_of(recs.begin(), recs.end(), [](const Record& r) { return r[0] == 'C'; }));
        QVERIFY(IsMarker(recs.back(), "$CONN END"));
        sim->Stop();
    }
};

QTEST_MAIN(SessionE2ETest)
#include "session_e2e_test.moc"
