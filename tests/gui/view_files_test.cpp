// The "View Files" screen with the real widgets: files opened through the injected open-file
// dialog, the line combo box, keys reaching the window and bar moves, the status texts, an index
// that cannot be written, and the bar on the profile.
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "config/settings_file.h"
#include "tests/datafile/crafted_file.h"
#include "tests/gui/gui_support.h"
#include "viewer/view_files_wnd.h"

namespace tm47 {

namespace {

// A data file with the default header; readings are M readings without a normalising gain.
struct Crafted : CraftedFile {
    Crafted() { Header(false); }
    Crafted& Line(std::u16string_view name, double start, float increment) {
        CraftedFile::Line(name, start, increment);
        return *this;
    }
    Crafted& Reading(std::array<int16_t, 4> raw = {}, int count = 1) {
        for (int i = 0; i < count; ++i) {
            Add(TestReading('M', raw));
        }
        return *this;
    }
};

// One viewer on a fresh device root, as the main window creates it.
struct Rig {
    QTemporaryDir dir;
    DeviceRoot root{dir.path().toStdString()};
    Settings settings;
    ScreenGeometry screen;
    ViewerState viewer;
    OffsetOrder offsetOrder = OffsetOrder::BeforeNormalising;
    testing::RecordingSink messages;
    QWidget parent;
    ViewFilesWnd* wnd = nullptr;
    QString nextFile; // what the open-file dialog answers; empty = Cancel
    QStringList dialogFolders;
    QStringList dialogFilters;

    explicit Rig(bool portrait = true) {
        parent.setFont(testing::ProgramFont());
        screen = testing::ProgramGeometry(portrait);
        settings.profilePlotHeight = screen.profileHeight;
        UpdateDerivedSettings(settings);
        parent.resize(screen.width, screen.height);
        wnd = new ViewFilesWnd({settings, root, screen, viewer, offsetOrder, messages}, &parent);
        wnd->SetOpenFileDialog([this](QWidget*, const QString& folder, const QString& filter) {
            dialogFolders << folder;
            dialogFilters << filter;
            return nextFile;
        });
        parent.show();
        wnd->show();
        parent.activateWindow();
        (void)QTest::qWaitForWindowActive(&parent); // the key tests fail anyway without it
        wnd->setFocus();
    }

    // The data file written into the data folder and opened with F.
    void Open(const QString& name, const std::string& bytes) {
        const QString folder = dir.path() + "/Storage/DATA47KVB";
        std::filesystem::create_directories(folder.toStdString());
        nextFile = folder + "/" + name;
        std::ofstream(nextFile.toStdString(), std::ios::binary) << bytes;
        QTest::keyClick(wnd, Qt::Key_F);
    }
    void Key(Qt::Key key) { QTest::keyClick(wnd, key); }
    void ChooseLine(int index) {
        wnd->LineCombo()->setCurrentIndex(index);
        emit wnd->LineCombo()->activated(index);
        wnd->LineCombo()->hidePopup();
        QCoreApplication::processEvents();
    }
    float StationAt(int slot) const { return viewer.points.pointStation[slot]; }
};

// Sets or clears the immutable flag (root only, and only where the file system has it).
bool SetImmutable(const std::string& path, bool on) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) {
        return false;
    }
    int flags = 0;
    bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (done) {
        flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
        done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return done;
}

bool IsCurveColour(QRgb c) {
    const auto end = std::end(kViewCurveColour);
    return std::find(std::begin(kViewCurveColour), end, c | 0xFF000000) != end;
}

} // namespace

class ViewFilesWndTest : public QObject {
    Q_OBJECT

private slots:
    void ShortLineOpenedPutsTheBarMidwayAndChosenLaterAt50() {
        Rig rig;
        Crafted two;
        two.Line(u"AB", 0, 1).Reading({}, 30).Line(u"12 A", 0, 1).Reading({}, 30);
        rig.Open("TWO.R47", two.bytes);
        QVERIFY(rig.viewer.viewState == ViewState::Line);
        QCOMPARE(rig.wnd->LineCombo()->count(), 2);
        QCOMPARE(rig.wnd->LineCombo()->itemText(0), QStringLiteral("AB"));
        QCOMPARE(rig.viewer.indexRowCount, 30);
        QCOMPARE(rig.viewer.cursorColumn, 15);

        rig.ChooseLine(1);
        QCOMPARE(rig.viewer.currentLine, 1);
        QCOMPARE(rig.viewer.cursorColumn, 50);
        QVERIFY(rig.viewer.viewState == ViewState::Line);
        QVERIFY(rig.wnd->CursorTexts()[0].isEmpty()); // the bar is beyond the last point
        QCOMPARE(rig.wnd->LineCombo()->currentIndex(), 1);

        // The next file opens at its own first line.
        rig.Open("NEXT.R47",
                 Crafted().Line(u"C", 500, 1).Reading().Line(u"D", 9, 1).Reading().bytes);
        QCOMPARE(rig.viewer.currentLine, 0);
        QCOMPARE(rig.wnd->LineCombo()->currentIndex(), 0);
        QCOMPARE(rig.wnd->LineCombo()->itemText(0), QStringLiteral("C"));
        QCOMPARE(rig.StationAt(1), 500.0f);
        QCOMPARE(rig.viewer.viewFileName, std::string("NEXT"));
    }

    // The keys reach the window moves (their rules are the viewer tests'): End, back, start.
    void KeysMoveTheWindowAlongTheLine() {
        Rig rig(false); // landscape: 310 columns
        rig.Open("LONG.R47", Crafted().Line(u"L1", 0, 1).Reading({}, 1000).bytes);
        QCOMPARE(rig.viewer.plotColumns, 310);
        const std::pair<Qt::Key, int> moves[] = {
            {Qt::Key_End, 691}, {Qt::Key_PageUp, 611}, {Qt::Key_Home, 1}};
        for (const auto& [key, row] : moves) {
            rig.Key(key);
            QCOMPARE(rig.viewer.firstRow, int64_t(row));
            QCOMPARE(rig.StationAt(1), float(row - 1)); // column 1 shows that row
            QCOMPARE(rig.viewer.cursorColumn, 50);
        }
        rig.Key(Qt::Key_End); // the bar of the End window stands at station 739
        QCOMPARE(rig.wnd->CursorTexts()[0], QStringLiteral("739.0   "));
    }

    void BarShowsValuesAndGapsAndStopsAtColumnOne() {
        Rig rig;
        Crafted gap;
        gap.Line(u"G", 100, 0.5f).Reading({100, -200, 0, 1}).Add(NoteRecord('X', u"$PAUSED", 1001));
        gap.Reading();
        rig.Open("GAP.R47", gap.bytes);
        QCOMPARE(rig.viewer.indexRowCount, 3);
        QCOMPARE(rig.viewer.cursorColumn, 1);
        const std::array<QString, 5> first{"100.0   ", "966.7   ", "-1933.3 ", "0.0     ",
                                           "9.7     "};
        rig.Key(Qt::Key_Left); // at column 1: stays, values shown again
        QCOMPARE(rig.viewer.cursorColumn, 1);
        QCOMPARE(rig.wnd->CursorTexts(), first);
        rig.Key(Qt::Key_Right); // the marker's gap row: empty fields
        QCOMPARE(rig.viewer.cursorColumn, 2);
        for (const QString& t : rig.wnd->CursorTexts()) {
            QVERIFY(t.isEmpty());
        }
        rig.Key(Qt::Key_Down);
        QCOMPARE(rig.viewer.cursorColumn, 3);
        QCOMPARE(rig.wnd->CursorTexts()[0], QStringLiteral("101.0   ")); // two increments on
        // The bar stands in column 3 of the profile; column 1 is clear of it again.
        const QImage& canvas = rig.wnd->Curve()->Canvas();
        QCOMPARE(canvas.pixel(3, 5) | 0xFF000000, kViewBarColour);
        QVERIFY((canvas.pixel(1, 5) | 0xFF000000) != kViewBarColour);
    }

    void StatusTexts() {
        Rig rig;
        rig.settings.profileScaleMin = -12.7f;
        rig.settings.profileScaleMax = 500.9f;
        QCOMPARE(rig.wnd->ScaleLabel(), QStringLiteral("L Scale:"));
        QCOMPARE(rig.wnd->ScaleNumbers(), QStringLiteral(" -12 / 500"));
        rig.settings.amplitudeMode = 1;
        QCOMPARE(rig.wnd->ScaleLabel(), QStringLiteral("C Scale:"));
        rig.Open("LONGFILENAME.R47", Crafted().Line(u"A", 0, 1).Reading().bytes);
        QCOMPARE(rig.wnd->FileLabel(), QStringLiteral("File:LONGFILE"));
        // Cancel with a file open: the profile is not drawn, the status loses the name. The
        // dialog starts in the data folder of the storage chosen.
        rig.nextFile.clear();
        rig.settings.dataStorage = 1;
        rig.Key(Qt::Key_F);
        QVERIFY(rig.viewer.viewState == ViewState::Cancelled);
        QCOMPARE(rig.wnd->FileLabel(), QStringLiteral("File:"));
        QVERIFY(rig.dialogFolders[0].endsWith("/Storage/DATA47KVB"));
        QVERIFY(rig.dialogFolders[1].endsWith("/Storage Card/DATA47KVB"));
        QCOMPARE(rig.dialogFilters[1], QStringLiteral("TM47KVB Files (*.R47)"));
        rig.wnd->grab(); // paints without a file name or values
    }

    // An index file that cannot be created is reported with the system's reason, and the old
    // one (another file's line) is never drawn under the new file's name.
    void IndexThatCannotBeCreatedIsReportedAndNotDrawn_data() {
        QTest::addColumn<bool>("folderIsAFile");
        QTest::newRow("settings folder is a file") << true;
        QTest::newRow("old index cannot be rewritten") << false;
    }
    void IndexThatCannotBeCreatedIsReportedAndNotDrawn() {
        QFETCH(bool, folderIsAFile);
        Rig rig;
        const std::string index = rig.root.Map(kLineIndexFile).string();
        std::string reason = "Not a directory";
        bool immutable = false;
        if (folderIsAFile) {
            std::filesystem::create_directories(rig.dir.path().toStdString() + "/Storage");
            std::fclose(std::fopen((rig.dir.path() + "/Storage/TALINI").toLocal8Bit(), "wb"));
        } else {
            // A line with a curve, then its index made impossible to rewrite: read-only for a
            // user, immutable for root where the file system allows it, else a folder.
            rig.Open("A.R47", Crafted().Line(u"A", 0, 1).Reading({40, 40, 40, 40}, 80).bytes);
            QVERIFY(rig.viewer.points.pointValid[1] != 0);
            std::filesystem::permissions(index, std::filesystem::perms::owner_read);
            reason = "Permission denied";
            if (std::FILE* probe = std::fopen(index.c_str(), "ab")) {
                std::fclose(probe);
                immutable = SetImmutable(index, true);
                reason = "Operation not permitted";
                if (!immutable) {
                    std::filesystem::remove(index);
                    std::filesystem::create_directory(index);
                    reason = "Is a directory";
                }
            }
        }
        rig.Open("B.R47", Crafted().Line(u"B", 0, 1).Reading({-40, -40, -40, -40}, 80).bytes);
        if (immutable) {
            SetImmutable(index, false);
        }
        QCOMPARE(rig.messages.shown.size(), std::size_t(1));
        QCOMPARE(rig.messages.shown[0].caption, std::string("View Files"));
        QCOMPARE(rig.messages.shown[0].text, "Cannot create LINE.TMP\n" + reason);
        QCOMPARE(rig.wnd->FileLabel(), QStringLiteral("File:B"));
        rig.Key(Qt::Key_Right); // moving along the line reads no points either
        const QImage& canvas = rig.wnd->Curve()->Canvas();
        for (int x = 0; x < canvas.width(); ++x) {
            for (int y = 0; y < canvas.height(); ++y) {
                QVERIFY2(!IsCurveColour(canvas.pixel(x, y)), qPrintable(QString::number(x)));
            }
        }
        for (int slot = 0; slot < kPointWindowSlots; ++slot) {
            QCOMPARE(rig.viewer.points.pointValid[slot], 0);
        }
    }

    void HelpAndExit() {
        Rig rig;
        rig.Key(Qt::Key_Question);
        QCOMPARE(rig.messages.shown.size(), std::size_t(1));
        QCOMPARE(rig.messages.shown[0].caption, std::string("View Files Help"));
        QCOMPARE(rig.messages.shown[0].text,
                 std::string("Select Line in box (L)ine.\r\n  \r\nTo move along line:\r\n"
                             " to Start- tap <<-- /Home\r\n to End  - tap -->> /End \r\n"
                             " 80 left  - tap <--- /PgUp\r\n 80 right- tap ---> /PgDn\r\n"
                             "  \r\nTo move vertical bar:\r\n 1 left   - tap |<-- /Left \r\n"
                             " 1 right - tap -->| /Right"));

        rig.Open("A.R47", Crafted().Line(u"A", 0, 1).Reading({}, 3).bytes);
        rig.offsetOrder = OffsetOrder::AfterNormalising;
        rig.Key(Qt::Key_X);
        QVERIFY(!rig.wnd->isVisible());
        QVERIFY(rig.viewer.viewState == ViewState::Nothing);
        QVERIFY(rig.viewer.viewFile == nullptr);
        QCOMPARE(rig.wnd->LineCombo()->count(), 0);
        QVERIFY(rig.offsetOrder == OffsetOrder::BeforeNormalising);
    }
};

} // namespace tm47

QTEST_MAIN(tm47::ViewFilesWndTest)
#include "view_files_test.moc"
