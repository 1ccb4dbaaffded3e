// Creating data files: the proposals, the switches typed into the name, refused names, a file
// that cannot be created, and the test-file announcement. Most cases answer the save dialog
// through a scripted chooser; the switches go through Qt's own dialog, typed as the operator
// would.

#include <QFileDialog>
#include <QLineEdit>
#include <QtTest>

#include <deque>
#include <filesystem>

#include "survey/create_data_file_dialog.h"
#include "survey_test_support.h"

namespace tm47 {

namespace {

namespace fs = std::filesystem;

const LocalTime kDec5At14{2025, 12, 5, 14, 37, 2, 0};

// Answers the save dialog from a script; each answer sees the request. An answer of "" is
// Cancel; "=" takes the proposal as the dialog would (folder, name, default extension).
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
            if (answer == "=") {
                const std::string preset = r.presetName.toStdString();
                return preset.find('/') != std::string::npos
                           ? preset
                           : r.folder.toStdString() + "/" + preset + ".R47";
            }
            return answer;
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
            *offered = QStringList{d->windowTitle(), d->directory().absolutePath(), edit->text(),
                                   d->nameFilters().join('|'), d->defaultSuffix(),
                                   d->testOption(QFileDialog::DontUseNativeDialog) ? "1" : "0"};
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

class CreateDataFileTest : public QObject {
    Q_OBJECT
private slots:
    void twoFilesWithinOneHourAreAThenB_data();
    void twoFilesWithinOneHourAreAThenB();
    void allTwentySixTakenLeadsStraightToTheWarning();
    void switchesTypedIntoQtsDialog();
    void fileThatCannotBeCreatedIsToldAndStaysMonitor();
    void cancelCreatesNothing();
};

void CreateDataFileTest::twoFilesWithinOneHourAreAThenB_data() {
    QTest::addColumn<int>("dataStorage");
    QTest::addColumn<QString>("folder");
    QTest::newRow("internal store") << 0 << QStringLiteral("Storage/DATA47KVB");
    QTest::newRow("storage card") << 1 << QStringLiteral("Storage Card/DATA47KVB");
}

void CreateDataFileTest::twoFilesWithinOneHourAreAThenB() {
    QFETCH(int, dataStorage);
    QFETCH(QString, folder);
    Bench b;
    b.settings.dataStorage = dataStorage;
    b.clock.SetLocal(kDec5At14);
    ScriptedChooser chooser{{"=", "="}, {}};
    const QString dataFolder = QString::fromStdString(b.HostPath(folder.toStdString()));
    QVERIFY(Create(b, chooser));
    QCOMPARE(b.session.state, SessionState::StandBy);
    const SaveFileRequest& r = chooser.requests.at(0);
    QCOMPARE(r.title, QStringLiteral("Create Data File"));
    QCOMPARE(r.presetName, QStringLiteral("120514A"));
    QCOMPARE(r.folder, dataFolder);
    QCOMPARE(r.filter, QStringLiteral("TM47KVB Files (*.R47)"));
    QCOMPARE(r.defaultSuffix, QStringLiteral("R47"));
    QVERIFY(b.dataFile.name == u"120514A");
    QCOMPARE(b.inputPanelCalls, (std::vector<bool>{true, false}));
    b.dataFile.Close();
    // The three opening groups: file header and name, line header, time stamp.
    const auto recs = ReadRecords((dataFolder + "/120514A.R47").toStdString());
    QCOMPARE(recs.size(), std::size_t{15});
    QCOMPARE(recs[9], std::string("Z05122025 14:37:02     \n"));
    QVERIFY(!fs::exists((dataFolder + "/120514A.R4D").toStdString()));

    b.session.state = SessionState::Monitor;
    QVERIFY(Create(b, chooser));
    QCOMPARE(chooser.requests.at(1).presetName, QStringLiteral("120514B"));
    QVERIFY(fs::exists((dataFolder + "/120514B.R47").toStdString()));
}

void CreateDataFileTest::allTwentySixTakenLeadsStraightToTheWarning() {
    Bench b;
    b.clock.SetLocal(kDec5At14);
    const fs::path folder = b.HostPath("Storage/DATA47KVB");
    fs::create_directories(folder);
    for (char c = 'A'; c <= 'Z'; ++c) {
        std::ofstream(folder / (std::string("120514") + c + ".R47")).put('x');
    }
    ScriptedChooser chooser{{"=", ""}, {}};
    QVERIFY(!Create(b, chooser));
    QCOMPARE(b.session.state, SessionState::Monitor);
    QCOMPARE(b.messages.shown.size(), std::size_t{1});
    QCOMPARE(b.messages.shown[0].caption, std::string("WARNING"));
    QCOMPARE(b.messages.shown[0].text,
             std::string("The file already exisits. Please enter another name"));
    QVERIFY(b.messages.shown[0].icon == MessageIcon::Exclamation);
    // Both rounds offered the full path of the Z file; the file stayed as it was.
    const QString zPath = QString::fromStdString((folder / "120514Z.R47").string());
    QCOMPARE(chooser.requests.size(), std::size_t{2});
    QCOMPARE(chooser.requests[0].presetName, zPath);
    QCOMPARE(chooser.requests[1].presetName, zPath);
    QCOMPARE(ReadFileBytes(zPath.toStdString()), std::string("x"));
    QVERIFY(!b.dataFile.IsOpen());
}

void CreateDataFileTest::switchesTypedIntoQtsDialog() {
    Bench b;
    b.clock.SetLocal(kDec5At14);
    const std::string folder = b.HostPath("Storage/DATA47KVB");

    // "$$$": the test file comes with it, saved, and announced.
    QStringList offered;
    QVERIFY(CreateTyped(b, QStringLiteral("120514A$$$"), &offered));
    QCOMPARE(offered, (QStringList{"Create Data File", QString::fromStdString(folder), "120514A",
                                   "TM47KVB Files (*.R47)", "R47", "1"}));
    QCOMPARE(b.settings.writeTestFile, 1);
    QCOMPARE(SettingsLines(b.root).value(46), QStringLiteral("1"));
    const std::string data = ReadFileBytes(folder + "/120514A.R47");
    QCOMPARE(data.size(), std::size_t{15 * 24});
    QCOMPARE(ReadFileBytes(folder + "/120514A.R4D"), data);
    QVERIFY(AnnounceTestFile(b.session, b.settings, b.messages));

    // "!!!": the data file alone, and the test file off.
    QVERIFY(CreateTyped(b, QStringLiteral("X!!!")));
    QCOMPARE(b.settings.writeTestFile, 0);
    QCOMPARE(SettingsLines(b.root).value(46), QStringLiteral("0"));
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
    QVERIFY(b.messages.shown[0].icon == MessageIcon::Information);
    QCOMPARE(b.messages.shown[1].text, std::string("R4D file disabled"));
    QCOMPARE(b.messages.shown[2].caption, std::string("WARNING"));
}

void CreateDataFileTest::fileThatCannotBeCreatedIsToldAndStaysMonitor() {
    Bench b;
    ScriptedChooser chooser{{b.HostPath("Storage Card/DATA47KVB/X$$$.R47")}, {}};
    QVERIFY(!Create(b, chooser));
    QCOMPARE(b.session.state, SessionState::Monitor);
    QVERIFY(!b.dataFile.IsOpen());
    QCOMPARE(b.messages.shown.size(), std::size_t{1});
    QCOMPARE(b.messages.shown[0].caption, std::string("Create Data File"));
    QCOMPARE(b.messages.shown[0].text,
             std::string("Cannot create data file\nNo such file or directory"));
    // The switch typed with it was taken and saved all the same.
    QCOMPARE(b.settings.writeTestFile, 1);
    QCOMPARE(SettingsLines(b.root).value(46), QStringLiteral("1"));
}

void CreateDataFileTest::cancelCreatesNothing() {
    Bench b;
    ScriptedChooser chooser{{""}, {}};
    QVERIFY(!Create(b, chooser));
    QCOMPARE(b.session.state, SessionState::Monitor);
    QVERIFY(b.messages.shown.empty());
    QVERIFY(SettingsLines(b.root).isEmpty());
    QVERIFY(fs::is_empty(b.HostPath("Storage/DATA47KVB")));
    // Cancel in Qt's own dialog too.
    OnNextModal<QFileDialog>([](QFileDialog* d) { d->reject(); });
    QVERIFY(!RunCreateDataFile(b.ctx, b.session, HeaderOffsets{}, {}, nullptr));
    QVERIFY(!b.dataFile.IsOpen());
}

int RunCreateDataFileTests(int argc, char** argv) {
    CreateDataFileTest test;
    return QTest::qExec(&test, argc, argv);
}

} // namespace tm47

#include "create_data_file_test.moc"
