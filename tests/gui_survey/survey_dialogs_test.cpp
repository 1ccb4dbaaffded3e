// New Line, New Station and Enter Comment through the real dialogs: what they propose, what
// they store and the records they leave in the data file.

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>

#include "survey/comment_dialog.h"
#include "survey/new_line_dialog.h"
#include "survey/new_station_dialog.h"
#include "survey_test_support.h"

namespace tm47 {

namespace {

// A data file opened without the opening records, so only the dialog's own records are in it.
std::string OpenEmptyDataFile(Bench& b) {
    const std::string path = b.HostPath("LINE1.R47");
    b.dataFile.Create(path, false);
    return path;
}

// Title, the two fixed texts, the five fields, the two lists' selection and items.
QStringList Shown(GetNewLine* d) {
    QStringList s{d->windowTitle(),
                  d->CurrentLineText()->text(),
                  d->LastStationText()->text(),
                  d->NewLineField()->text(),
                  d->LineIncrementField()->text(),
                  d->StartStationField()->text(),
                  d->StationIncrementField()->text(),
                  QString::number(d->SequenceList()->currentIndex()),
                  QString::number(d->DirectionList()->currentIndex())};
    for (const QComboBox* list : {d->SequenceList(), d->DirectionList()}) {
        for (int i = 0; i < list->count(); ++i) {
            s << list->itemText(i);
        }
    }
    return s;
}

const std::array<float, 4> kNewOffsets{1.5f, -2.25f, 0.0f, 10.0f};
const std::array<float, 4> kOldOffsets{0.0f, 0.0f, 0.0f, 0.0f};

} // namespace

class SurveyDialogsTest : public QObject {
    Q_OBJECT
private slots:
    void newLineAlternateStoresSavesAndWritesTheLineHeader();
    void newLineSequenceChangedInTheDialogKeepsTheProposals();
    void cancelLeavesEverything();
    void newStationRestartsTheCountAndWritesItsRecords();
    void commentRecordsByteForByte_data();
    void commentRecordsByteForByte();
};

void SurveyDialogsTest::newLineAlternateStoresSavesAndWritesTheLineHeader() {
    Bench b;
    const std::string path = OpenEmptyDataFile(b);
    b.settings.lineSequence = 0;  // Alternate
    b.settings.lineDirection = 1; // South
    b.settings.activeStationIncrement = 1.0f;
    b.settings.surveyLine = u"12";
    b.position.station = 25.0;
    b.position.advanceArmed = true;
    QStringList shown;
    OnNextModal<GetNewLine>([&](GetNewLine* d) {
        shown = Shown(d);
        d->accept();
    });
    QVERIFY(RunNewLine(b.ctx, kNewOffsets, kOldOffsets, nullptr));
    QCOMPARE(shown, (QStringList{"New Line", "12", "25.000", "13.00", "1.00", "25.000", "-1.000",
                                 "0", "2", "Alternate", "One Way", "West", "South", "North",
                                 "East"}));
    QVERIFY(b.settings.surveyLine == u"13.00");
    QCOMPARE(b.settings.lineDirection, 2);
    QCOMPARE(b.settings.startStation, 25.0);
    QCOMPARE(b.position.station, 25.0);
    QCOMPARE(b.settings.activeStationIncrement, -1.0f);
    QVERIFY(!b.position.advanceArmed);
    QCOMPARE(b.inputPanelCalls, (std::vector<bool>{true, false}));
    // Saved: line 34 the line name, 37 the direction, 38 the start station.
    const QStringList ini = SettingsLines(b.root);
    QCOMPARE(ini.size(), 47);
    QCOMPARE(ini[33], QStringLiteral("13.00"));
    QCOMPARE(ini[36], QStringLiteral("2"));
    QCOMPARE(ini[37], QStringLiteral("25.000000"));
    // The line header and a time stamp, nothing else.
    b.dataFile.Close();
    QCOMPARE(ReadRecords(path),
             (std::vector<std::string>{
                 "L13.00                 \n", "B      25.00           \n",
                 "AN           -1.000    \n", "Z14052026 12:00:00     \n",
                 "O     1.50      0.00  1\n", "O    -2.25      0.00  1\n",
                 "O     0.00      0.00  1\n", "O    10.00      0.00  1\n",
                 "*12:00:00.000        77\n"}));
}

void SurveyDialogsTest::newLineSequenceChangedInTheDialogKeepsTheProposals() {
    Bench b;
    OpenEmptyDataFile(b);
    b.settings.lineSequence = 1; // One Way
    b.settings.lineDirection = 3;
    b.settings.startStation = 5.0;
    b.settings.activeStationIncrement = 0.25f;
    b.settings.surveyLine = u"L5";
    b.position.station = 42.0;
    QStringList shown;
    QStringList afterSwitch;
    OnNextModal<GetNewLine>([&](GetNewLine* d) {
        shown = Shown(d).mid(3, 6);
        d->SequenceList()->setCurrentIndex(0); // to Alternate
        afterSwitch = Shown(d).mid(3, 6);
        d->accept();
    });
    QVERIFY(RunNewLine(b.ctx, kNewOffsets, kOldOffsets, nullptr));
    // "L5" does not start with a number: the proposal is 1.
    QCOMPARE(shown, (QStringList{"1.00", "1.00", "5.000", "0.250", "1", "3"}));
    QCOMPARE(afterSwitch, (QStringList{"1.00", "1.00", "5.000", "0.250", "0", "3"}));
    QCOMPARE(b.settings.lineSequence, 0); // stored on OK
    QCOMPARE(b.position.station, 5.0);
}

void SurveyDialogsTest::cancelLeavesEverything() {
    Bench b;
    const std::string path = OpenEmptyDataFile(b);
    b.position.station = 25.0;
    b.position.advanceArmed = true;
    const Settings before = b.settings;
    OnNextModal<GetNewLine>([](GetNewLine* d) {
        d->NewLineField()->setText(QStringLiteral("99"));
        d->reject();
    });
    QVERIFY(!RunNewLine(b.ctx, kNewOffsets, kOldOffsets, nullptr));
    OnNextModal<GetNewStation>([](GetNewStation* d) {
        d->NewStationField()->setText(QStringLiteral("50"));
        d->reject();
    });
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
    QVERIFY(SettingsLines(b.root).isEmpty()); // not saved
    b.dataFile.Close();
    QCOMPARE(ReadFileBytes(path), std::string());
}

void SurveyDialogsTest::newStationRestartsTheCountAndWritesItsRecords() {
    Bench b;
    const std::string path = OpenEmptyDataFile(b);
    b.settings.startStation = 3.0;
    b.settings.activeStationIncrement = 0.5f;
    b.position.station = 37.5;
    b.position.advanceArmed = true;
    b.clock.SetLocal({2026, 5, 14, 9, 8, 7, 654});
    QStringList shown;
    OnNextModal<GetNewStation>([&](GetNewStation* d) {
        shown = QStringList{d->windowTitle(), d->StartStationText()->text(),
                            d->LastStationText()->text(), d->NewStationField()->text()};
        d->NewStationField()->setText(QStringLiteral("100"));
        d->accept();
    });
    QVERIFY(RunNewStation(b.ctx, nullptr));
    QCOMPARE(shown, (QStringList{"New Station", "3.000", "37.500", ""}));
    QCOMPARE(b.settings.startStation, 3.0); // unchanged
    QCOMPARE(b.position.station, 100.0);
    QCOMPARE(b.previousPoint, (std::array<int32_t, 4>{0, 0, 0, 0}));
    QVERIFY(SettingsLines(b.root).isEmpty()); // New Station saves nothing
    b.dataFile.Close();
    QCOMPARE(ReadRecords(path), (std::vector<std::string>{"S     100.00 09080765  \n",
                                                          "*09:08:07.654        77\n"}));
}

void SurveyDialogsTest::commentRecordsByteForByte_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<uint32_t>("tick");
    QTest::addColumn<QByteArray>("record");
    QTest::newRow("empty") << QString() << 77u << QByteArray("C                    77\n");
    QTest::newRow("short, padded") << "ROCK" << 77u << QByteArray("CROCK                77\n");
    QTest::newRow("exactly 11") << "FENCE POST1" << 123456u
                                << QByteArray("CFENCE POST1     123456\n");
    QTest::newRow("longer, first 11")
        << "BURIED PIPE UNDER THE ROAD" << 77u << QByteArray("CBURIED PIPE         77\n");
    QTest::newRow("tick printed signed")
        << "X" << 0xFFFFFFFFu << QByteArray("CX                   -1\n");
}

void SurveyDialogsTest::commentRecordsByteForByte() {
    QFETCH(QString, typed);
    QFETCH(uint32_t, tick);
    QFETCH(QByteArray, record);
    Bench b;
    const std::string path = OpenEmptyDataFile(b);
    b.clock.SetTick(tick);
    QString title, hint;
    OnNextModal<GetComment>([&](GetComment* d) {
        title = d->windowTitle();
        for (auto* label : d->findChildren<QLabel*>()) {
            hint += label->text();
        }
        QCOMPARE(d->CommentField()->text(), QString());
        QTest::keyClicks(d->CommentField(), typed);
        d->accept();
    });
    QVERIFY(RunComment(b.ctx, nullptr));
    QCOMPARE(title, QStringLiteral("Enter Comment"));
    QCOMPARE(hint, QStringLiteral("Maximum 11 characters"));
    b.dataFile.Close();
    QCOMPARE(QByteArray::fromStdString(ReadFileBytes(path)), record);
}

int RunSurveyDialogsTests(int argc, char** argv) {
    SurveyDialogsTest test;
    return QTest::qExec(&test, argc, argv);
}

} // namespace tm47

#include "survey_dialogs_test.moc"
