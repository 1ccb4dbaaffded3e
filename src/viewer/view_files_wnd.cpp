#include "viewer/view_files_wnd.h"

#include <QAbstractItemView>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QPainter>
#include <QTimer>

#include <cerrno>
#include <cstring>

#include "config/settings_file.h"
#include "profile/profile_scale.h"
#include "profile/profile_scale_dialog.h"

namespace tm47 {

namespace {

constexpr const char* kButtonLabels[kViewButtonCount] = {"<<--", "<--",   "|<--",   "-->|",  "-->",
                                                         "-->>", "&File", "&Scale", "E&xit", "?"};

const QColor kLightGrey(0xC0, 0xC0, 0xC0);

// The chosen name between its folder and its extension, as 8-bit text.
std::string FileNameOf(const QString& path) {
    const QString name = QFileInfo(path).completeBaseName();
    std::string out;
    for (QChar c : name) {
        out.push_back(c.unicode() < 0x100 ? static_cast<char>(c.unicode()) : '?');
    }
    return out;
}

QRect ButtonRect(const ScreenGeometry& screen, int i) {
    const int w = (screen.width - 2) / 6;
    if (i < 6) {
        return QRect(i * w + 2, screen.height - 18, w - 1, 17);
    }
    const int y = screen.height - 37;
    if (screen.portrait) {
        return QRect(2 * w + 2 + (i - 6) * w, y, w - 1, 18);
    }
    const int v = (screen.width - 154) / 4;
    return QRect(154 + (i - 6) * v, y, v - 1, 18);
}

} // namespace

void LineComboBox::hidePopup() {
    QComboBox::hidePopup();
    // The choice made in the list is handled first, as the list's closing follows it.
    QMetaObject::invokeMethod(
        this, [this] { emit closedUp(); }, Qt::QueuedConnection);
}

ViewFilesWnd::ViewFilesWnd(ViewerContext context, QWidget* parent)
    : QWidget(parent), settings_(context.settings), root_(context.root), screen_(context.screen),
      viewer_(context.viewer), offsetOrder_(context.offsetOrder), messages_(context.messages) {
    setObjectName(QStringLiteral("ViewFilesWnd"));
    setWindowTitle(QStringLiteral("View Files"));
    setProperty("controlId", kViewFilesWndId);
    setFocusPolicy(Qt::StrongFocus);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, kLightGrey);
    setPalette(pal);
    setGeometry(0, 0, screen_.width, screen_.height);

    normalFont_ = font();
    boldFont_ = normalFont_;
    boldFont_.setWeight(QFont::Bold);

    openFileDialog_ = [this](QWidget* owner, const QString& folder, const QString& filter) {
        QFileDialog dialog(owner, QStringLiteral("Open"), folder, filter);
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setDefaultSuffix(QStringLiteral("R47"));
        if (runDialog_(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
            return QString();
        }
        return dialog.selectedFiles().first();
    };
    scaleDialog_ = [this](QWidget* owner) { DefaultScaleDialog(owner); };

    viewer_.plotColumns = screen_.profileWidth - 2;
    CreateControls();
    hide();
}

ViewFilesWnd::~ViewFilesWnd() {
    viewer_.viewFile.reset();
}

void ViewFilesWnd::CreateControls() {
    for (int i = 0; i < kViewButtonCount; ++i) {
        auto* button = new QPushButton(QString::fromLatin1(kButtonLabels[i]), this);
        button->setObjectName(QStringLiteral("button%1").arg(kViewFirstButtonId + i));
        button->setProperty("controlId", kViewFirstButtonId + i);
        button->setFocusPolicy(Qt::NoFocus);
        button->setAutoDefault(false);
        button->setGeometry(ButtonRect(screen_, i));
        connect(button, &QPushButton::clicked, this, [this, i] { RunCommand(i); });
        buttons_[static_cast<std::size_t>(i)] = button;
    }
    buttons_[static_cast<std::size_t>(viewer_.focusIndex)]->setDefault(true);

    combo_ = new LineComboBox(this);
    combo_->setObjectName(QStringLiteral("combo220"));
    combo_->setProperty("controlId", kViewLineComboId);
    combo_->setFocusPolicy(Qt::ClickFocus);
    const int comboHeight = std::min(screen_.lineHeight + 6, 24);
    combo_->setGeometry(screen_.profileLeft + screen_.profileWidth - 82, screen_.profileTop - 28,
                        80, comboHeight);
    // About 220 pixels when dropped down.
    combo_->setMaxVisibleItems(std::max(1, (220 - comboHeight) / std::max(comboHeight, 1)));
    combo_->view()->installEventFilter(this);
    connect(combo_, &QComboBox::activated, this, &ViewFilesWnd::OnLineChosen);
    connect(combo_, &LineComboBox::closedUp, this, &ViewFilesWnd::OnLineListClosed);

    curve_ = new ViewCurveWnd(viewer_, settings_, screen_, this);
    curve_->PaintViewCurve();
}

void ViewFilesWnd::TakeFocus() {
    if (isVisible()) {
        activateWindow();
    }
    setFocus(Qt::OtherFocusReason);
}

void ViewFilesWnd::RunCommand(int command) {
    viewer_.plotColumns = screen_.profileWidth - 2;
    const int32_t n = viewer_.plotColumns;
    const int64_t r = viewer_.indexRowCount;
    switch (command) {
    case kViewCmdStart:
        MoveWindowTo(1);
        break;
    case kViewCmdPageBack:
        MoveWindowTo(PageBackRow(viewer_.firstRow));
        break;
    case kViewCmdBarLeft:
        MoveBar(viewer_.cursorColumn > 1 ? viewer_.cursorColumn - 1 : viewer_.cursorColumn);
        break;
    case kViewCmdBarRight:
        MoveBar(BarCanMoveRight(viewer_.cursorColumn, n, r) ? viewer_.cursorColumn + 1
                                                            : viewer_.cursorColumn);
        break;
    case kViewCmdPageForward:
        if (const auto row = PageForwardRow(viewer_.firstRow, r, n)) {
            MoveWindowTo(*row);
        }
        break;
    case kViewCmdEnd:
        if (const auto row = EndRow(r, n)) {
            MoveWindowTo(*row);
        }
        break;
    case kViewCmdFile:
        OpenFile();
        break;
    case kViewCmdScale:
        RunScale();
        break;
    case kViewCmdExit:
        Exit();
        return; // the viewer is hidden; the menu takes the keys
    case kViewCmdHelp:
        messages_.Show(kViewFilesHelpCaption, ViewFilesHelpText());
        break;
    case kViewCmdLine:
        combo_->setFocus(Qt::OtherFocusReason);
        combo_->showPopup();
        return; // the combo box keeps the focus
    default:
        return;
    }
    TakeFocus();
}

void ViewFilesWnd::IndexLine(int32_t line) {
    std::string reason;
    viewer_.indexRowCount = BuildLineIndex(viewer_.viewFile.get(), viewer_.lines, line, settings_,
                                           offsetOrder_, root_, &reason);
    viewer_.indexBuilt = reason.empty();
    if (!viewer_.indexBuilt) {
        // The old index file may still hold another line (or file): it must not be drawn.
        messages_.Show(kIndexCreateFailedCaption,
                       std::string(kIndexCreateFailedText) + "\n" + reason);
    }
}

void ViewFilesWnd::LoadWindow() {
    if (!viewer_.indexBuilt) {
        viewer_.points = PointWindow{};
        return;
    }
    if (!LoadIndexWindow(viewer_.points, 1, viewer_.plotColumns, viewer_.firstRow, root_)) {
        messages_.Show(kIndexOpenFailedCaption, kIndexOpenFailedText);
    }
}

void ViewFilesWnd::MoveWindowTo(int64_t row) {
    viewer_.firstRow = row;
    LoadWindow();
    viewer_.previousCursorColumn = viewer_.cursorColumn;
    curve_->PaintViewCurve();
    ShowCursorValues(viewer_.cursorColumn);
}

void ViewFilesWnd::MoveBar(int newColumn) {
    if (newColumn != viewer_.cursorColumn) {
        // The bar is only on the profile while a line is drawn.
        if (viewer_.viewState == ViewState::Line) {
            curve_->MoveViewBar(viewer_.cursorColumn, newColumn);
        }
        viewer_.cursorColumn = newColumn;
        viewer_.previousCursorColumn = newColumn;
    }
    ShowCursorValues(viewer_.cursorColumn);
}

void ViewFilesWnd::OpenFile() {
    update();
    const QString folder = QString::fromStdString(
        root_.Map(settings_.dataStorage == 1 ? "Storage Card\\DATA47KVB\\" : "Storage\\DATA47KVB\\")
            .string());
    const QString chosen =
        openFileDialog_ ? openFileDialog_(curve_, folder, QString::fromLatin1(kViewFileFilter))
                        : QString();
    update();

    if (!chosen.isEmpty()) {
        viewer_.viewFileName = FileNameOf(chosen);
        viewer_.viewFile.reset();
        const QByteArray path = QFile::encodeName(chosen);
        viewer_.viewFile = tm47::OpenFile(path.constData(), "rb");
        if (!viewer_.viewFile) {
            // Shown as a file without lines.
            std::fprintf(stderr, "viewer: cannot open %s: %s\n", path.constData(),
                         std::strerror(errno));
        }
        viewer_.viewState = ViewState::Line;
    } else if (viewer_.viewState == ViewState::Line) {
        viewer_.viewState = ViewState::Cancelled;
        curve_->PaintViewCurve();
        return;
    } else {
        return;
    }

    viewer_.cursorColumn = kViewCursorStart;
    viewer_.lines = BuildLineList(viewer_.viewFile.get());
    RefillLineCombo();
    viewer_.currentLine = 0;
    IndexLine(1);
    viewer_.cursorColumn = OpenedCursorColumn(viewer_.indexRowCount);
    viewer_.previousCursorColumn = viewer_.cursorColumn;
    viewer_.firstRow = 1;
    LoadWindow();
    curve_->PaintViewCurve();
    update();
}

void ViewFilesWnd::RefillLineCombo() {
    const QSignalBlocker block(combo_);
    combo_->clear();
    for (const std::u16string& name : viewer_.lines.lineName) {
        combo_->addItem(QString::fromUtf16(name.data(), static_cast<qsizetype>(name.size())));
    }
    combo_->setCurrentIndex(combo_->count() > 0 ? 0 : -1);
}

void ViewFilesWnd::OnLineChosen(int index) {
    if (index >= 0 && index != viewer_.currentLine) {
        viewer_.firstRow = 1;
        viewer_.cursorColumn = kViewCursorStart;
        viewer_.previousCursorColumn = kViewCursorStart;
        viewer_.currentLine = index;
        IndexLine(index + 1);
        LoadWindow();
    }
    curve_->PaintViewCurveAs(ViewState::Nothing);
    viewer_.viewState = ViewState::Line;
    {
        const QSignalBlocker block(combo_);
        combo_->setCurrentIndex(viewer_.currentLine);
    }
    // The list's closing draws the line again; a choice made with the list closed has no
    // closing, so the line is drawn here as well.
    curve_->PaintViewCurve();
    update();
    TakeFocus();
}

void ViewFilesWnd::OnLineListClosed() {
    {
        const QSignalBlocker block(combo_);
        if (viewer_.currentLine < combo_->count()) {
            combo_->setCurrentIndex(viewer_.currentLine);
        }
    }
    curve_->PaintViewCurveAs(ViewState::Nothing);
    // Closing the list shows the line again, when there is a file to show it from.
    if (viewer_.viewFile) {
        viewer_.viewState = ViewState::Line;
    }
    curve_->PaintViewCurve();
    update();
    if (isVisible()) {
        TakeFocus();
    }
}

void ViewFilesWnd::RunScale() {
    if (scaleDialog_) {
        scaleDialog_(this);
    }
    UpdateProfilePixelsPerUnit(settings_);
    SaveSettings(settings_, root_);
    update();
    curve_->PaintViewCurve();
}

void ViewFilesWnd::DefaultScaleDialog(QWidget* owner) {
    // The same "Enter Scale" dialog as the live profile's; OK applies and saves the scale.
    GetNewProfileScale dialog(settings_, root_, nullptr, owner);
    runDialog_(dialog);
}

void ViewFilesWnd::Exit() {
    offsetOrder_ = OffsetOrder::BeforeNormalising;
    viewer_.viewState = ViewState::Nothing;
    viewer_.viewFile.reset();
    curve_->PaintViewCurve();
    update();
    {
        const QSignalBlocker block(combo_);
        combo_->clear();
    }
    hide();
    if (QWidget* menu = parentWidget()) {
        menu->setFocus(Qt::OtherFocusReason);
    }
}

void ViewFilesWnd::MoveFocusRing() {
    if (viewer_.focusIndex >= 0 && viewer_.focusIndex < kViewButtonCount) {
        buttons_[static_cast<std::size_t>(viewer_.focusIndex)]->setDefault(false);
    }
    viewer_.focusIndex = NextFocusIndex(viewer_.focusIndex);
    update(LineLabelRect());
    if (viewer_.focusIndex == kViewCmdLine) {
        combo_->setFocus(Qt::TabFocusReason);
        combo_->showPopup();
    } else {
        buttons_[static_cast<std::size_t>(viewer_.focusIndex)]->setDefault(true);
    }
}

void ViewFilesWnd::HandleKey(QKeyEvent& key) {
    uint32_t code = 0;
    switch (key.key()) {
    case Qt::Key_Home:
        code = kKeyHome;
        break;
    case Qt::Key_End:
        code = kKeyEnd;
        break;
    case Qt::Key_PageUp:
        code = kKeyPageUp;
        break;
    case Qt::Key_PageDown:
        code = kKeyPageDown;
        break;
    case Qt::Key_Left:
        code = kKeyLeft;
        break;
    case Qt::Key_Up:
        code = kKeyUp;
        break;
    case Qt::Key_Right:
        code = kKeyRight;
        break;
    case Qt::Key_Down:
        code = kKeyDown;
        break;
    default:
        break;
    }
    if (code != 0) {
        const int32_t command = ViewCommandForKey(code);
        if (command >= 0) {
            RunCommand(command);
        }
        return;
    }
    char16_t c = 0;
    if (key.key() == Qt::Key_Tab || key.key() == Qt::Key_Backtab) {
        c = u'\t';
    } else if (key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter) {
        c = u'\r';
    } else if (key.text().size() == 1) {
        c = key.text().at(0).unicode();
    }
    const ViewCharAction action = ViewActionForChar(c, viewer_.focusIndex);
    if (action.tab) {
        MoveFocusRing();
    } else if (action.command >= 0) {
        RunCommand(action.command);
    }
}

bool ViewFilesWnd::event(QEvent* event) {
    // Tab belongs to the viewer's focus ring, not to Qt's focus chain.
    if (event->type() == QEvent::KeyPress) {
        HandleKey(*static_cast<QKeyEvent*>(event));
        event->accept();
        return true;
    }
    return QWidget::event(event);
}

bool ViewFilesWnd::eventFilter(QObject* watched, QEvent* event) {
    // Tab in the dropped-down line list closes it and goes on around the ring.
    if (watched == combo_->view() && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
            combo_->hidePopup();
            MoveFocusRing();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

QRect ViewFilesWnd::LineLabelRect() const {
    const QString text = screen_.portrait ? QStringLiteral("Line") : QStringLiteral("Ln");
    const int w = QFontMetrics(boldFont_).horizontalAdvance(text) + 4;
    return screen_.portrait ? QRect(screen_.width - 82, 2, w, screen_.lineHeight + 2)
                            : QRect(screen_.width - 100, 3, w, screen_.lineHeight + 2);
}

QRect ViewFilesWnd::StationField() const {
    const int y = 1 + screen_.lineHeight;
    const int x = screen_.profileLeft +
                  QFontMetrics(normalFont_).horizontalAdvance(QStringLiteral("Stn :")) + 1;
    return QRect(QPoint(x, y), QPoint(screen_.width - 122, y + screen_.lineHeight + 1));
}

QRect ViewFilesWnd::ChannelField(int channel) const {
    static constexpr int kPortraitX[5] = {1, 60, 120, 180, 0};
    static constexpr int kLandscapeX[5] = {5, 85, 165, 245, 0};
    const int* xs = screen_.portrait ? kPortraitX : kLandscapeX;
    const int left = xs[channel];
    const int right = channel == 3 ? screen_.width : xs[channel + 1] - 1;
    const int y = screen_.profileTop + screen_.profileHeight - (channel >= 2 ? 2 : 0);
    return QRect(QPoint(left, y), QPoint(right, y + screen_.lineHeight + 1));
}

void ViewFilesWnd::ShowCursorValues(int column) {
    ComputeCursorTexts(column);
    update(StationField());
    for (int c = 0; c < 4; ++c) {
        update(ChannelField(c));
    }
}

void ViewFilesWnd::ComputeCursorTexts(int column) {
    for (QString& text : cursorTexts_) {
        text.clear();
    }
    if (column >= 0 && column < kPointWindowSlots &&
        viewer_.points.pointValid[static_cast<std::size_t>(column)] == 1) {
        const auto s = static_cast<std::size_t>(column);
        cursorTexts_[0] = QString::fromStdString(CursorValueText(viewer_.points.pointStation[s]));
        for (std::size_t c = 0; c < 4; ++c) {
            cursorTexts_[c + 1] =
                QString::fromStdString(CursorValueText(viewer_.points.pointChannel[c][s]));
        }
    }
}

QString ViewFilesWnd::FileLabel() const {
    return QString::fromLatin1(FileLabelText(viewer_.viewState, viewer_.viewFileName));
}

QString ViewFilesWnd::ScaleLabel() const {
    return QString::fromLatin1(ScaleLabelText(settings_.amplitudeMode));
}

QString ViewFilesWnd::ScaleNumbers() const {
    return QString::fromLatin1(
        ScaleNumbersText(settings_.profileScaleMin, settings_.profileScaleMax));
}

void ViewFilesWnd::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setPen(Qt::black);
    const int lh = screen_.lineHeight;
    const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip;

    // Row 1: the combo box's label, bold while the combo box holds the ring; the file.
    p.setFont(LineLabelBold() ? boldFont_ : normalFont_);
    p.setClipRect(LineLabelRect());
    p.drawText(LineLabelRect(), Qt::AlignLeft | Qt::AlignTop,
               screen_.portrait ? QStringLiteral("Line") : QStringLiteral("Ln"));
    p.setClipping(false);
    p.setFont(normalFont_);
    p.drawText(QRect(5, 1, screen_.width, lh + 2), flags, FileLabel());

    // Row 2: the bar's station.
    p.drawText(QRect(screen_.profileLeft, 1 + lh, 60, lh + 2), flags, QStringLiteral("Stn :"));

    // The bar's values (bold, on light grey).
    const bool showValues = viewer_.viewState == ViewState::Line;
    if (showValues) {
        ComputeCursorTexts(viewer_.cursorColumn);
    }
    p.setFont(boldFont_);
    p.fillRect(StationField(), kLightGrey);
    for (int c = 0; c < 4; ++c) {
        p.fillRect(ChannelField(c), kLightGrey);
    }
    if (showValues) {
        p.drawText(StationField(), flags, cursorTexts_[0]);
        for (int c = 0; c < 4; ++c) {
            p.drawText(ChannelField(c), flags, cursorTexts_[static_cast<std::size_t>(c) + 1]);
        }
    }

    // The scale row.
    p.setFont(normalFont_);
    const int y = screen_.profileTop + screen_.profileHeight + lh + 1;
    const QString label = ScaleLabel();
    p.drawText(QRect(screen_.profileLeft, y - 1, 80, lh + 2), flags, label);
    const int fieldLeft = screen_.profileLeft + QFontMetrics(normalFont_).horizontalAdvance(label);
    const int fieldRight = screen_.profileLeft + screen_.profileWidth - 152;
    if (fieldRight > fieldLeft) {
        p.fillRect(QRect(QPoint(fieldLeft, y), QPoint(fieldRight, y + lh)), kLightGrey);
    }
    p.drawText(QRect(fieldLeft + 2, y, screen_.width, lh + 2), flags, ScaleNumbers());
}

} // namespace tm47
