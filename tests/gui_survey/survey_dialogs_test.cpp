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

// A data file to write into, opened without the opening records so only the dialog's own
// records are in it.
std::string OpenEmptyDataFile(Bench& b) {
    const std::string path = b.HostPath("LINE1.R47");
    b.dataFile.Create(path, false);
    return path;
}

struct NewLineShown {
    QString currentLine, lastStation, newLine, lineIncrement, startStation, stationIncrement;
    int sequence = -1;
    int direction = -1;
    QStringList sequenceItems, directionItems;
    QString title;
};

NewLineShown Read(GetNewLine* d) {
    NewLineShown s;
    s.title = d->windowTitle();
    s.currentLine = d->CurrentLineText()->text();
    s.lastStation = d->LastStationText()->text();
    s.newLine = d->NewLineField()->text();
    s.lineIncrement = d->LineIncrementField()->text();
    s.startStation = d->StartStationField()->text();
    s.stationIncrement = d->StationIncrementField()->text();
    s.sequence = d->SequenceList()->currentIndex();
    s.direction = d->DirectionList()->currentIndex();
    for (int i = 0; i < d->SequenceList()->count(); ++i) {
        s.sequenceItems << d->SequenceList()->itemText(i);
    }
    for (int i = 0; i < d->DirectionList()->count(); ++i) {
        s.directionItems << d->DirectionList()->itemText(i);
    }
    return s;
}

const std::array<float, 4> kNewOffsets{1.5f, -2.25f, 0.0f, 10.0f};
const std::array<float, 4> kOldOffsets{0.0f, 0.0f, 0.0f, 0.0f};

} // namespace

class SurveyDialogsTest : public QObject {
    Q_OBJECT
private slots:
    void newLineAlternateWalksBackThenForth();
    void newLineOneWayAndSequenceChangedInTheDialog();
    void newLineCancelChangesNothing();
    void newStationRestartsTheCountAndWritesItsRecords();
    void newStationCancelAndNonNumericText();
    void commentRecordsByteForByte_data();
    void commentRecordsByteForByte();
    void commentCancelWritesNothing();
};

void SurveyDialogsTest::newLineAlternateWalksBackThenForth() {
    Bench b;
    const std::string path = OpenEmptyDataFile(b);
    b.settings.lineSequence = 0;  // Alternate
    b.settings.lineDirection = 1; // South
    b.settings.activeStationIncrement = 1.0f;
    b.settings.surveyLine = u"12";
    b.position.station = 25.0;
    b.position.advanceArmed = true;

    NewLineShown first;
    OnNextModal<GetNewLine>([&](GetNewLine* d) {
        first = Read(d);
        d->accept();
    });
    QVERIFY(RunNewLine(b.ctx, kNewOffsets, kOldOffsets, nullptr));
    QCOMPARE(first.title, QStringLiteral("New Line"));
    QCOMPARE(first.currentLine, QStringLiteral("12"));
    QCOMPARE(first.lastStation, QStringLiteral("25.000"));
    QCOMPARE(first.newLine, QStringLiteral("13.00"));
    QCOMPARE(first.lineIncrement, QStringLiteral("1.00"));
    QCOMPARE(first.sequenceItems, (QStringList{"Alternate", "One Way"}));
    QCOMPARE(first.directionItems, (QStringList{"West", "South", "North", "East"}));
    QCOMPARE(first.sequence, 0);
    QCOMPARE(first.direction, 2); // North
    QCOMPARE(first.startStation, QStringLiteral("25.000"));
    QCOMPARE(first.stationIncrement, QStringLiteral("-1.000"));

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
    const std::vector<std::string> expected{
        "L"
        "13.00   "
        "              "
        "\n",
        "B"
        "      25.00"
        "           "
        "\n",
        "A"
        "N"
        "      "
        "     -1.000"
        "    "
        "\n",
        "Z"
        "14"
        "05"
        "2026"
        " "
        "12:00:00"
        "     "
        "\n",
        "O"
        "     1.50"
        " "
        "     0.00"
        "  "
        "1"
        "\n",
        "O"
        "    -2.25"
        " "
        "     0.00"
        "  "
        "1"
        "\n",
        "O"
        "     0.00"
        " "
        "     0.00"
        "  "
        "1"
        "\n",
        "O"
        "    10.00"
        " "
        "     0.00"
        "  "
        "1"
        "\n",
        "*"
        "12:00:00.000"
        "        77"
        "\n",
    };
    b.dataFile.Close();
    QCOMPARE(ReadRecords(path), expected);

    // Five stations on, the next line comes back South from 20 with +1; the 15 characters
    // typed as its name are kept as 11.
    b.position.station = 20.0;
    NewLineShown second;
    OnNextModal<GetNewLine>([&](GetNewLine* d) {
        second = Read(d);
        d->NewLineField()->setText(QStringLiteral("ABCDEFGHIJKLMNO"));
        d->accept();
    });
    QVERIFY(RunNewLine(b.ctx, kNewOffsets, kOldOffsets, nullptr));
    QCOMPARE(second.newLine, QStringLiteral("14.00"));
    QCOMPARE(second.startStation, QStringLiteral("20.000"));
    QCOMPARE(second.stationIncrement, QStringLiteral("1.000"));
    QCOMPARE(second.direction, 1); // South
    QVERIFY(b.settings.surveyLine == u"ABCDEFGHIJK");
    QCOMPARE(SettingsLines(b.root)[33], QStringLiteral("ABCDEFGHIJK"));
}

void SurveyDialogsTest::newLineOneWayAndSequenceChangedInTheDialog() {
    Bench b;
    OpenEmptyDataFile(b);
    b.settings.lineSequence = 1; // One Way
    b.settings.lineDirection = 3;
    b.settings.startStation = 5.0;
    b.settings.activeStationIncrement = 0.25f;
    b.settings.surveyLine = u"L5";
    b.position.station = 42.0;

    NewLineShown shown;
    NewLineShown afterSwitch;
    OnNextModal<GetNewLine>([&](GetNewLine* d) {
        shown = Read(d);
        d->SequenceList()->setCurrentIndex(0); // to Alternate: the proposals stay
        afterSwitch = Read(d);
        d->accept();
    });
    QVERIFY(RunNewLine(b.ctx, kNewOffsets, kOldOffsets, nullptr));
    QCOMPARE(shown.newLine, QStringLiteral("1.00")); // "L5" does not start with a number
    QCOMPARE(shown.sequence, 1);
    QCOMPARE(shown.direction, 3);
    QCOMPARE(shown.startStation, QStringLiteral("5.000"));
    QCOMPARE(shown.stationIncrement, QStringLiteral("0.250"));
    QCOMPARE(afterSwitch.startStation, QStringLiteral("5.000"));
    QCOMPARE(afterSwitch.stationIncrement, QStringLiteral("0.250"));
    QCOMPARE(afterSwitch.direction, 3);
    QCOMPARE(b.settings.lineSequence, 0); // stored on OK
    QCOMPARE(b.position.station, 5.0);
}

void SurveyDialogsTest::newLineCancelChangesNothing() {
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
    QVERIFY(b.settings == before);
    QCOMPARE(b.position.station, 25.0);
    QVERIFY(b.position.advanceArmed);
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

    QString title, start, last, field;
    OnNextModal<GetNewStation>([&](GetNewStation* d) {
        title = d->windowTitle();
        start = d->StartStationText()->text();
        last = d->LastStationText()->text();
        field = d->NewStationField()->text();
        d->NewStationField()->setText(QStringLiteral("100"));
        d->accept();
    });
    QVERIFY(RunNewStation(b.ctx, nullptr));
    QCOMPARE(title, QStringLiteral("New Station"));
    QCOMPARE(start, QStringLiteral("3.000"));
    QCOMPARE(last, QStringLiteral("37.500"));
    QCOMPARE(field, QString());
    QCOMPARE(b.settings.startStation, 3.0); // unchanged
    QCOMPARE(b.previousPoint, (std::array<int32_t, 4>{0, 0, 0, 0}));
    QVERIFY(SettingsLines(b.root).isEmpty()); // New Station saves nothing

    // Three recorded readings lie at 100.00, 100.50 and 101.00.
    QStringList stations;
    for (int i = 0; i < 3; ++i) {
        AdvanceStation(b.position, b.settings, 'T');
        stations << QString::fromStdString(StationFieldText(b.position.station));
    }
    QCOMPARE(stations, (QStringList{"100.00     ", "100.50     ", "101.00     "}));

    const std::vector<std::string> expected{
        "S"
        "     100.00"
        " "
        "09080765"
        "  "
        "\n",
        "*"
        "09:08:07.654"
        "        77"
        "\n",
    };
    b.dataFile.Close();
    QCOMPARE(ReadRecords(path), expected);
}

void SurveyDialogsTest::newStationCancelAndNonNumericText() {
    Bench b;
    const std::string path = OpenEmptyDataFile(b);
    b.position.station = 12.0;
    b.position.advanceArmed = true;
    OnNextModal<GetNewStation>([](GetNewStation* d) {
        d->NewStationField()->setText(QStringLiteral("50"));
        d->reject();
    });
    QVERIFY(!RunNewStation(b.ctx, nullptr));
    QCOMPARE(b.position.station, 12.0);
    QVERIFY(b.position.advanceArmed);
    QCOMPARE(b.previousPoint, (std::array<int32_t, 4>{1, 1, 1, 1}));
    QCOMPARE(ReadFileBytes(path), std::string());

    // Text that does not begin with a number is station 0.
    OnNextModal<GetNewStation>([](GetNewStation* d) {
        d->NewStationField()->setText(QStringLiteral("stake 40"));
        d->accept();
    });
    QVERIFY(RunNewStation(b.ctx, nullptr));
    QCOMPARE(b.position.station, 0.0);
    b.dataFile.Close();
    QCOMPARE(ReadRecords(path).front(), std::string("S"
                                                    "       0.00"
                                                    " "
                                                    "12000000"
                                                    "  "
                                                    "\n"));
}

void SurveyDialogsTest::commentRecordsByteForByte_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<uint32_t>("tick");
    QTest::addColumn<QByteArray>("record");
    QTest::newRow("empty") << QString() << 77u
                           << QByteArray("C"
                                         "           "
                                         " "
                                         "        77"
                                         "\n");
    QTest::newRow("short, padded") << QStringLiteral("ROCK") << 77u
                                   << QByteArray("C"
                                                 "ROCK       "
                                                 " "
                                                 "        77"
                                                 "\n");
    QTest::newRow("exactly 11") << QStringLiteral("FENCE POST1") << 123456u
                                << QByteArray("C"
                                              "FENCE POST1"
                                              " "
                                              "    123456"
                                              "\n");
    QTest::newRow("longer, first 11") << QStringLiteral("BURIED PIPE UNDER THE ROAD") << 77u
                                      << QByteArray("C"
                                                    "BURIED PIPE"
                                                    " "
                                                    "        77"
                                                    "\n");
    QTest::newRow("tick printed signed") << QStringLiteral("X") << 0xFFFFFFFFu
                                         << QByteArray("C"
                                                       "X          "
                                                       " "
                                                       "        -1"
                                                       "\n");
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

void SurveyDialogsTest::commentCancelWritesNothing() {
    Bench b;
    const std::string path = OpenEmptyDataFile(b);
    OnNextModal<GetComment>([](GetComment* d) {
        d->CommentField()->setText(QStringLiteral("ROCK"));
        d->reject();
    });
    QVERIFY(!RunComment(b.ctx, nullptr));
    b.dataFile.Close();
    QCOMPARE(ReadFileBytes(path), std::string());
}

int RunSurveyDialogsTests(int argc, char** argv) {
    SurveyDialogsTest test;
    return QTest::qExec(&test, argc, argv);
}

} // namespace tm47

#include "survey_dialogs_test.moc"
