// The Monitor/Log screen's own dialogs through the real widgets on a temporary device root:
// New Line, New Station and Enter Comment (what they store and write), and creating
// data files (proposals, switches typed into the name, refused names, a file that cannot be
// created, the test-file announcement). The data files are read back record by record.

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "datafile/data_file.h"
#include "datafile/records.h"
#include "survey/comment_dialog.h"
#include "survey/create_data_file_dialog.h"
#include "survey/log_session.h"
#include "survey/new_line_dialog.h"
#include "survey/new_station_dialog.h"
#include "survey/survey_dialog_context.h"
#include "tests/gui/gui_support.h"

namespace tm47 {

namespace {

// 14 May 2026, 12:00:00.000, tick 77, unless a test moves it.
struct Bench {
    Bench() : root(dir.path().toStdString()) {
        ctx.inputPanel = [this](bool before) { inputPanelCalls.push_back(before); };
        messages.answer = MessageAnswer::Yes;
    }

    QTemporaryDir dir;
    DeviceRoot root;
    ManualClock clock{77, {2026, 5, 14, 12, 0, 0, 0}};
    Settings settings;
    SurveyPosition position;
    LogSession session;
    DataFile dataFile;
    RecordContext records{settings, dataFile, clock};
    testing::RecordingSink messages;
    std::array<int32_t, 4> previousPoint{1, 1, 1, 1};
    std::vector<bool> inputPanelCalls;
    SurveyDialogContext ctx{settings, position, records, root, messages, &previousPoint, {}};

    std::string HostPath(const std::string& relative) const {
        return (root.Root() / relative).string();
    }
};

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Calls `act` with the next modal dialog of type T once it is on the screen. Any other modal
// window fails the test and is closed, so a dialog flow that went wrong ends instead of hanging.
template <class T> void OnNextModal(std::function<void(T*)> act) {
    QTimer::singleShot(0, [act] {
        QWidget* modal = QApplication::activeModalWidget();
        if (T* wanted = qobject_cast<T*>(modal)) {
            act(wanted);
            return;
        }
        QTest::qFail("no modal dialog of the expected kind came up", __FILE__, __LINE__);
        if (modal != nullptr) {
            modal->close();
        }
    });
}

// A data file opened without the opening records, so only the dialog's own records are in it.
std::string OpenEmptyDataFile(Bench& b) {
    const std::string path = b.HostPath("LINE1.R47");
    b.dataFile.Create(path, false);
    return path;
}

const std::array<float, 4> kNewOffsets{1.5f, -2.25f, 0.0f, 10.0f};
const std::array<float, 4> kOldOffsets{0.0f, 0.0f, 0.0f, 0.0f};

namespace fs = std::filesystem;

const LocalTime kDec5At14{2025, 12, 5, 14, 37, 2, 0};

// Answers the save dialog from a script; each answer sees the request. An answer of "" is
// Cancel; "=" takes the proposal when it is a whole path.
struct ScriptedChooser {
    std::deque<std::string> answers;
    std::vector<SaveFileRequest> requests;

    SaveFileChooser Chooser() {
        return [this](const SaveFileRequest& r, QWidget*) -> std::string {
            requests.push_back(r);
            if (answers.empty()) {
                return {};
            }
            std::string answer = answers.front();
            answers.pop_front();
            return answer == "=" ? r.presetName.toStdString() : answer;
        };
    }
};

bool Create(Bench& b, ScriptedChooser& chooser) {
    return RunCreateDataFile(b.ctx, b.session, HeaderOffsets{}, {}, nullptr, chooser.Chooser());
}

// Through Qt's own save dialog: types `name` when it shows and returns what it offered
// (title, folder, preset name, filters, default suffix, whether the native dialog is off).
bool CreateTyped(Bench& b, const QString& name, QStringList* offered = nullptr) {
    b.session.state = SessionState::Monitor;
    OnNextModal<QFileDialog>([name, offered](QFileDialog* d) {
        auto* edit = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        QVERIFY(edit);
        if (offered != nullptr) {
            *offered = QStringList{
                d->windowTitle(),   d->directory().absolutePath(),
                edit->text(),       d->nameFilters().join('|'),
                d->defaultSuffix(), d->testOption(QFileDialog::DontUseNativeDialog) ? "1" : "0"};
        }
        edit->clear();
        QTest::keyClicks(edit, name);
        QTest::keyClick(edit, Qt::Key_Return);
    });
    const bool created = RunCreateDataFile(b.ctx, b.session, HeaderOffsets{}, {}, nullptr);
    b.dataFile.Close();
    return created;
}

} // namespace

class SurveyDialogsTest : public QObject {
    Q_OBJECT
private slots:
    // New Line takes the proposal (the next line, the other direction for Alternate lines),
    // stores and saves it and writes the line header and a time stamp, nothing else; New Station
    // restarts the count without saving; the comment goes as typed (the record's padding and cut
    // are the record tests').
    void newLineNewStationAndCommentWriteTheirRecords() {
        Bench b;
        const std::string path = OpenEmptyDataFile(b);
        b.settings.lineSequence = 0;  // Alternate
        b.settings.lineDirection = 1; // South
        b.settings.surveyLine = u"12";
        b.position.station = 25.0;
        b.position.advanceArmed = true;
        OnNextModal<GetNewLine>([&](GetNewLine* d) { d->accept(); });
        QVERIFY(RunNewLine(b.ctx, kNewOffsets, kOldOffsets, nullptr));
        QVERIFY(b.settings.surveyLine == u"13.00");
        QCOMPARE(b.settings.lineDirection, 2);
        QCOMPARE(b.settings.startStation, 25.0);
        QCOMPARE(b.settings.activeStationIncrement, -1.0f);
        QVERIFY(!b.position.advanceArmed);
        QCOMPARE(b.inputPanelCalls, (std::vector<bool>{true, false}));
        QCOMPARE(testing::SettingsFileLines(b.root).value(33), QStringLiteral("13.00")); // saved
        b.settings.activeStationIncrement = 0.5f;
        b.clock.SetLocal({2026, 5, 14, 9, 8, 7, 654});
        OnNextModal<GetNewStation>([&](GetNewStation* d) {
            d->NewStationField()->setText(QStringLiteral("100"));
            d->accept();
        });
        QVERIFY(RunNewStation(b.ctx, nullptr));
        QCOMPARE(b.settings.startStation, 25.0); // unchanged
        QCOMPARE(b.position.station, 100.0);
        QCOMPARE(b.previousPoint, (std::array<int32_t, 4>{0, 0, 0, 0}));
        b.clock.SetTick(0xFFFFFFFFu); // printed signed
        QString hint;
        OnNextModal<GetComment>([&](GetComment* d) {
            for (auto* label : d->findChildren<QLabel*>()) {
                hint += label->text();
            }
            QTest::keyClicks(d->CommentField(), QStringLiteral("BURIED PIPE UNDER THE ROAD"));
            d->accept();
        });
        QVERIFY(RunComment(b.ctx, nullptr));
        QCOMPARE(hint, QStringLiteral("Maximum 11 characters"));
        b.dataFile.Close();
        QCOMPARE(ReadFileBytes(path), std::string("L13.00                 \n"
                                                  "B      25.00           \n"
                                                  "AN           -1.000    \n"
                                                  "Z14052026 12:00:00     \n"
                                                  "O     1.50      0.00  1\n"
                                                  "O    -2.25      0.00  1\n"
                                                  "O     0.00      0.00  1\n"
                                                  "O    10.00      0.00  1\n"
                                                  "*12:00:00.000        77\n"
                                                  "S     100.00 09080765  \n"
                                                  "*09:08:07.654        77\n"
                                                  "CBURIED PIPE         -1\n"));
    }

    void cancelLeavesEverything() {
        Bench b;
        const std::string path = OpenEmptyDataFile(b);
        b.position.station = 25.0;
        b.position.advanceArmed = true;
        const Settings before = b.settings;
        OnNextModal<GetNewLine>([](GetNewLine* d) { d->reject(); }); // on the proposal
        QVERIFY(!RunNewLine(b.ctx, kNewOffsets, kOldOffsets, nullptr));
        OnNextModal<GetNewStation>([](GetNewStation* d) { d->reject(); });
        QVERIFY(!RunNewStation(b.ctx, nullptr));
        OnNextModal<GetComment>([](GetComment* d) {
            d->CommentField()->setText(QStringLiteral("ROCK"));
            d->reject();
        });
        QVERIFY(!RunComment(b.ctx, nullptr));
        QVERIFY(b.settings == before);
        QCOMPARE(b.position.station, 25.0);
        QVERIFY(b.position.advanceArmed);
        QCOMPARE(b.previousPoint, (std::array<int32_t, 4>{1, 1, 1, 1}));
        QVERIFY(testing::SettingsFileLines(b.root).isEmpty()); // not saved
        b.dataFile.Close();
        QCOMPARE(ReadFileBytes(path), std::string());
    }

    // On the storage card, with all 26 names of the hour taken: the Z name is offered, refused
    // with the warning, offered again, and the file stays as it was.
    void allTwentySixTakenLeadsStraightToTheWarning() {
        Bench b;
        b.clock.SetLocal(kDec5At14);
        b.settings.dataStorage = 1;
        const fs::path folder = b.HostPath("Storage Card/DATA47KVB");
        fs::create_directories(folder);
        for (char c = 'A'; c <= 'Z'; ++c) {
            std::ofstream(folder / (std::string("120514") + c + ".R47")).put('x');
        }
        ScriptedChooser chooser{{"=", ""}, {}};
        QVERIFY(!Create(b, chooser));
        QCOMPARE(b.session.state, SessionState::Monitor);
        QCOMPARE(b.messages.shown.size(), std::size_t{1});
        QCOMPARE(b.messages.shown[0].text,
                 std::string("The file already exisits. Please enter another name"));
        const QString zPath = QString::fromStdString((folder / "120514Z.R47").string());
        QCOMPARE(chooser.requests.size(), std::size_t{2});
        QCOMPARE(chooser.requests[0].presetName, zPath);
        QCOMPARE(chooser.requests[1].presetName, zPath);
        QCOMPARE(ReadFileBytes(zPath.toStdString()), std::string("x"));
        QVERIFY(!b.dataFile.IsOpen());
    }

    void switchesTypedIntoQtsDialog() {
        Bench b;
        b.clock.SetLocal(kDec5At14);
        const std::string folder = b.HostPath("Storage/DATA47KVB");

        // "$$$": the test file comes with it, saved, and announced.
        QStringList offered;
        QVERIFY(CreateTyped(b, QStringLiteral("120514A$$$"), &offered));
        QCOMPARE(offered, (QStringList{"Create Data File", QString::fromStdString(folder),
                                       "120514A", "TM47KVB Files (*.R47)", "R47", "1"}));
        QCOMPARE(b.settings.writeTestFile, 1);
        QCOMPARE(testing::SettingsFileLines(b.root).value(46), QStringLiteral("1"));
        const std::string data = ReadFileBytes(folder + "/120514A.R47");
        QCOMPARE(data.size(), std::size_t{15 * 24});
        QCOMPARE(ReadFileBytes(folder + "/120514A.R4D"), data);
        QVERIFY(AnnounceTestFile(b.session, b.settings, b.messages));

        // "!!!": the data file alone, and the test file off.
        QVERIFY(CreateTyped(b, QStringLiteral("X!!!")));
        QVERIFY(fs::exists(folder + "/X.R47"));
        QVERIFY(!fs::exists(folder + "/X.R4D"));
        QVERIFY(b.dataFile.name == u"X");
        QVERIFY(AnnounceTestFile(b.session, b.settings, b.messages));
        QVERIFY(!AnnounceTestFile(b.session, b.settings, b.messages)); // told once per change

        // A name typed with its own extension keeps it; the test file takes it with a last "D".
        QVERIFY(CreateTyped(b, QStringLiteral("Y$$$.ABC")));
        QVERIFY(fs::exists(folder + "/Y.ABC"));
        QVERIFY(fs::exists(folder + "/Y.ABD"));
        QVERIFY(!fs::exists(folder + "/Y.ABC.R47"));
        b.settings.writeTestFile = 0;

        // An existing name typed into Qt's dialog: no question from the dialog itself, the
        // warning, and the dialog again with the next automatic name; then Cancel.
        b.session.state = SessionState::Monitor;
        QString secondPreset;
        OnNextModal<QFileDialog>([&](QFileDialog* d) {
            OnNextModal<QFileDialog>([&](QFileDialog* again) {
                secondPreset = again->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->text();
                again->reject();
            });
            auto* edit = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            edit->setText(QStringLiteral("X.R47"));
            QTest::keyClick(edit, Qt::Key_Return);
        });
        QVERIFY(!RunCreateDataFile(b.ctx, b.session, HeaderOffsets{}, {}, nullptr));
        QCOMPARE(secondPreset, QStringLiteral("120514B")); // X and Y took no letter
        QCOMPARE(b.messages.shown.size(), std::size_t{3});
        QCOMPARE(b.messages.shown[0].caption, std::string("Test File"));
        QCOMPARE(b.messages.shown[0].text, std::string("R4D file enabled"));
        QCOMPARE(b.messages.shown[1].text, std::string("R4D file disabled"));
        QCOMPARE(b.messages.shown[2].caption, std::string("WARNING"));
    }

    // Cancel, in the chooser or in Qt's own dialog, creates and saves nothing. A file that
    // cannot be created is told and the screen stays in Monitor; the switch typed with its name
    // was taken and saved all the same.
    void cancelOrAFileThatCannotBeCreatedStaysMonitor() {
        Bench b;
        ScriptedChooser chooser{{"", b.HostPath("Storage Card/DATA47KVB/X$$$.R47")}, {}};
        QVERIFY(!Create(b, chooser));
        OnNextModal<QFileDialog>([](QFileDialog* d) { d->reject(); });
        QVERIFY(!RunCreateDataFile(b.ctx, b.session, HeaderOffsets{}, {}, nullptr));
        QVERIFY(b.messages.shown.empty());
        QVERIFY(testing::SettingsFileLines(b.root).isEmpty());
        QVERIFY(fs::is_empty(b.HostPath("Storage/DATA47KVB")));

        QVERIFY(!Create(b, chooser));
        QCOMPARE(b.session.state, SessionState::Monitor);
        QVERIFY(!b.dataFile.IsOpen());
        QCOMPARE(b.messages.shown.size(), std::size_t{1});
        QCOMPARE(b.messages.shown[0].caption, std::string("Create Data File"));
        QCOMPARE(b.messages.shown[0].text,
                 std::string("Cannot create data file\nNo such file or directory"));
        QCOMPARE(b.settings.writeTestFile, 1);
        QCOMPARE(testing::SettingsFileLines(b.root).value(46), QStringLiteral("1"));
    }
};

} // namespace tm47

QTEST_MAIN(tm47::SurveyDialogsTest)
#include "survey_dialogs_test.moc"
