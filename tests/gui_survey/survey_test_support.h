#pragma once
// Shared by the survey dialog tests: a fresh logger state on a throw-away device root, a
// message sink that records what the operator would have seen, the data file as records, and
// a way to act on the next modal dialog once it is shown.

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "app/message_sink.h"
#include "datafile/data_file.h"
#include "datafile/record_writers.h"
#include "datafile/records.h"
#include "platform/clock.h"
#include "platform/device_root.h"
#include "survey/log_session.h"
#include "survey/survey_dialog_context.h"

namespace tm47 {

struct ShownMessage {
    std::string caption;
    std::string text;
    MessageIcon icon;
};

class RecordingSink final : public MessageSink {
public:
    MessageAnswer Show(std::string_view caption, std::string_view text, MessageIcon icon,
                       MessageButtons buttons) override {
        shown.push_back({std::string(caption), std::string(text), icon});
        return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::Yes;
    }
    std::vector<ShownMessage> shown;
};

// 14 May 2026, 12:00:00.000, tick 77, unless a test moves it.
struct Bench {
    Bench() : root(dir.path().toStdString()) {
        ctx.inputPanel = [this](bool before) { inputPanelCalls.push_back(before); };
    }

    QTemporaryDir dir;
    DeviceRoot root;
    ManualClock clock{77, {2026, 5, 14, 12, 0, 0, 0}};
    Settings settings;
    SurveyPosition position;
    LogSession session;
    DataFile dataFile;
    RecordContext records{settings, dataFile, clock};
    RecordingSink messages;
    std::array<int32_t, 4> previousPoint{1, 1, 1, 1};
    std::vector<bool> inputPanelCalls;
    SurveyDialogContext ctx{settings, position, records, root, messages, &previousPoint, {}};

    std::string HostPath(const std::string& relative) const {
        return (root.Root() / relative).string();
    }
};

inline std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The file cut into 24-byte records (a short tail becomes its own item).
inline std::vector<std::string> ReadRecords(const std::string& path) {
    const std::string bytes = ReadFileBytes(path);
    std::vector<std::string> out;
    for (std::size_t at = 0; at < bytes.size(); at += kRecordLength) {
        out.push_back(bytes.substr(at, kRecordLength));
    }
    return out;
}

// The settings file's lines without CR LF (empty when there is none).
inline QStringList SettingsLines(const DeviceRoot& root) {
    QFile file(QString::fromStdString(root.Map("Storage\\TALINI\\TM47KVB.INI").string()));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    QStringList lines = QString::fromLatin1(file.readAll()).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.back().isEmpty()) {
        lines.removeLast();
    }
    return lines;
}

// Calls `act` with the next modal dialog of type T once it is on the screen. When none has
// come after about five seconds, the test fails and every modal window still open is closed
// in turn, so a dialog flow that went wrong ends instead of hanging.
template <class T> void OnNextModal(std::function<void(T*)> act) {
    constexpr int kModalTries = 500; // 10 ms apart
    auto* timer = new QTimer;
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, tries, act] {
        QWidget* modal = QApplication::activeModalWidget();
        if (*tries <= kModalTries) {
            if (T* wanted = qobject_cast<T*>(modal)) {
                timer->stop();
                timer->deleteLater();
                act(wanted);
            } else if (++*tries > kModalTries) {
                QTest::qFail("no modal dialog of the expected kind came up", __FILE__, __LINE__);
            }
            return;
        }
        if (modal == nullptr) {
            timer->stop();
            timer->deleteLater();
        } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
            dialog->reject();
        } else {
            modal->close();
        }
    });
    timer->start(10);
}

} // namespace tm47
