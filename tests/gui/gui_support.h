#pragma once
// Shared pieces of the screen tests: the one limit every wait shares, a message sink that
// records instead of blocking, a clock that stands near any tick while still running, the
// settings file read back, and a logger with its main window on a fresh device root.

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFontMetrics>
#include <QStringList>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <string>
#include <vector>

#include "app/logger.h"
#include "app/main_wnd.h"
#include "platform/clock.h"
#include "platform/device_root.h"
#include "platform/message_sink.h"
#include "platform/screen_geometry.h"

namespace tm47::testing {

// How long any test waits for an awaited state (QTRY_*_WITH_TIMEOUT, WaitFor) before it
// fails: far above what a loaded sanitizer build needs, so only a fault reaches it.
inline constexpr int kWaitMs = 30000;

// Waits, with the events running, until `done` holds or kWaitMs has passed.
template <class Done> bool WaitFor(Done done) {
    QElapsedTimer waited;
    waited.start();
    while (!done() && waited.elapsed() < kWaitMs) {
        QTest::qWait(10);
    }
    return done();
}

// Where screenshots go: $TM47_ARTIFACTS when the test script names a folder, else one in the
// build tree. They are kept for a person to look at, not compared.
inline QString ArtifactsDir() {
    QString dir = qEnvironmentVariable("TM47_ARTIFACTS");
    if (dir.isEmpty()) {
        dir = QStringLiteral(TM47_ARTIFACTS_DIR);
    }
    QDir().mkpath(dir);
    return dir;
}

// The settings file's lines without their CR LF endings (empty when there is no file).
inline QStringList SettingsFileLines(const DeviceRoot& root) {
    QFile file(QString::fromStdString(root.Map("Storage\\TALINI\\TM47KVB.INI").string()));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    QStringList lines = QString::fromLatin1(file.readAll()).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.back().isEmpty()) {
        lines.removeLast(); // after the last CR LF
    }
    return lines;
}

struct ShownMessage {
    std::string caption;
    std::string text;
    MessageIcon icon;
    MessageButtons buttons;
};

class RecordingSink final : public MessageSink {
public:
    MessageAnswer Show(std::string_view caption, std::string_view text, MessageIcon icon,
                       MessageButtons buttons) override {
        shown.push_back({std::string(caption), std::string(text), icon, buttons});
        return buttons == MessageButtons::Ok ? MessageAnswer::Ok : answer;
    }
    std::vector<ShownMessage> shown;
    MessageAnswer answer = MessageAnswer::Ok; // to a question
};

// The system tick moved by `offset`, so waits still pass while the tick stands near 20 days.
class OffsetClock final : public Clock {
public:
    explicit OffsetClock(uint32_t offset) : offset_(offset) {}
    uint32_t Tick() const override { return system_.Tick() + offset_.load(); }
    LocalTime Local() const override { return system_.Local(); }
    void SetOffset(uint32_t offset) { offset_.store(offset); }

private:
    SystemClock system_;
    std::atomic<uint32_t> offset_;
};

// `options` with COM`com` mapped to `path`.
inline LoggerOptions OnCom(int com, const std::string& path, LoggerOptions options = {}) {
    options.comMap.Set(com, path);
    return options;
}

// One logger and its main window on a temporary root. COM ports point at paths that do not
// exist unless the test maps them.
struct Shell {
    explicit Shell(bool portrait = true, const Clock* clock = nullptr, LoggerOptions extra = {}) {
        options = std::move(extra);
        options.root = root.path().toStdString();
        options.portrait = portrait;
        for (int n = 1; n <= ComMap::kPorts; ++n) {
            if (options.comMap.PathForIndex(n - 1).rfind("/dev/ttyUSB", 0) == 0) {
                options.comMap.Set(
                    n, (root.path() + "/no-such-port" + QString::number(n)).toStdString());
            }
        }
        clock_ = clock ? clock : &systemClock;
        Start();
    }

    // The program ends and starts again on the same root (its settings file as saved).
    void Restart() {
        window.reset();
        logger.reset();
        Start();
    }

    void Start() {
        logger = std::make_unique<Logger>(options, *clock_);
        window = std::make_unique<MainWnd>(*logger, messages);
        window->SetCommandObserver([this](int c) { commands.push_back(c); });
        window->SetQuit([this](int status) { quitStatus.push_back(status); });
        // Menu dialogs are answered with Cancel; their titles tell which one opened.
        window->SetDialogRunner([this](QDialog& dialog) {
            dialogTitles.push_back(dialog.windowTitle());
            return int(QDialog::Rejected);
        });
    }

    void Show() {
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }

    // A key as the operator types it: to the widget that has the keyboard.
    QWidget* KeyTarget() const {
        return QApplication::focusWidget() ? QApplication::focusWidget() : window.get();
    }
    void Key(Qt::Key key) { QTest::keyClick(KeyTarget(), key); }
    void Key(char c) { QTest::keyClick(KeyTarget(), c); }

    QTemporaryDir root;
    SystemClock systemClock;
    const Clock* clock_ = nullptr;
    LoggerOptions options;
    std::vector<QString> dialogTitles;
    RecordingSink messages;
    std::unique_ptr<Logger> logger;
    std::unique_ptr<MainWnd> window; // after the logger: it goes first
    std::vector<int> commands;
    std::vector<int> quitStatus;
};

// The screen laid out as the program does it, in a sans serif 14 pixels high (the handheld's
// font), which the screens' parent widget gets too.
inline QFont ProgramFont() {
    QFont font(QStringLiteral("Sans Serif"));
    font.setPixelSize(14);
    return font;
}
inline ScreenGeometry ProgramGeometry(bool portrait) {
    return ComputeScreenGeometry(portrait, QFontMetrics(ProgramFont()).height());
}

inline void UseProgramStyle() {
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
}

} // namespace tm47::testing
