#pragma once
// The "View Files" screen (`ViewFilesWnd`): opens a stored data file, lists its survey lines
// in the line combo box and shows one line at a time as profiles, a window of consecutive
// points with a vertical bar whose point's station and values are shown as numbers.
//
// The main window creates it once, hidden and full-screen, with id 8; "&View Files" shows it
// and Exit hides it. Commands 0-10 come from the buttons 480-489, the keys and the combo box
// (220); the navigation rules are in viewer_state.h, the line index in line_index.h, the
// profile in view_curve_wnd.h.
//
// GUI thread only.

#include <QComboBox>
#include <QDialog>
#include <QPushButton>
#include <QWidget>

#include <array>
#include <functional>

#include "config/settings.h"
#include "datafile/record_parser.h"
#include "platform/device_root.h"
#include "platform/message_sink.h"
#include "platform/screen_geometry.h"
#include "viewer/view_curve_wnd.h"
#include "viewer/viewer_state.h"

namespace tm47 {

inline constexpr int kViewFilesWndId = 8;
inline constexpr int kViewFirstButtonId = 480;
inline constexpr int kViewButtonCount = 10;
inline constexpr int kViewLineComboId = 220;
inline constexpr const char* kViewFileFilter = "TM47KVB Files (*.R47)";

// What the viewer works on; all owned by the running logger.
struct ViewerContext {
    Settings& settings;
    const DeviceRoot& root;
    const ScreenGeometry& screen;
    ViewerState& viewer;
    // The program-wide offset order of stored readings; Exit puts it back to its default.
    OffsetOrder& offsetOrder;
    MessageSink& messages;
};

// The line combo box; tells when its list has closed, after the choice (if any) is handled.
class LineComboBox final : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;
    void hidePopup() override;
signals:
    void closedUp();
};

class ViewFilesWnd final : public QWidget {
    Q_OBJECT
public:
    ViewFilesWnd(ViewerContext context, QWidget* parent);
    ~ViewFilesWnd() override;

    // The open-file dialog: owner, initial folder, filter; returns the chosen path or empty.
    using OpenFileDialog =
        std::function<QString(QWidget* owner, const QString& folder, const QString& filter)>;
    void SetOpenFileDialog(OpenFileDialog dialog) { openFileDialog_ = std::move(dialog); }
    // How the viewer's own modal dialogs run; by default QDialog::exec().
    void SetDialogRunner(std::function<int(QDialog&)> runner) { runDialog_ = std::move(runner); }

    // One command 0-10, as the buttons, keys and the combo box give them.
    void RunCommand(int command);
    // The line combo box's notifications.
    void OnLineChosen(int index); // the operator chose an entry (CBN_SELENDOK)
    void OnLineListClosed();      // the list closed (CBN_CLOSEUP)

    // Writes the values of point slot `column` into the status fields.
    void ShowCursorValues(int column);

    QPushButton* Button(int index) const { return buttons_.at(static_cast<std::size_t>(index)); }
    LineComboBox* LineCombo() const { return combo_; }
    ViewCurveWnd* Curve() const { return curve_; }
    // The status texts as shown: station, then channels 1 to 4 (empty on a gap slot).
    const std::array<QString, 5>& CursorTexts() const { return cursorTexts_; }
    QString FileLabel() const;
    QString ScaleLabel() const;
    QString ScaleNumbers() const;
    bool LineLabelBold() const { return viewer_.focusIndex == kViewCmdLine; }
    QRect LineLabelRect() const;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void CreateControls();
    void HandleKey(QKeyEvent& key);
    void MoveFocusRing();
    void OpenFile();
    // Rebuilds the index file for `line` (1-based); a failure is reported and shows no points.
    void IndexLine(int32_t line);
    void LoadWindow();
    void MoveWindowTo(int64_t row);
    void MoveBar(int newColumn);
    void RunScale();
    void Exit();
    void RefillLineCombo();
    void TakeFocus();
    void DefaultScaleDialog(QWidget* owner);
    void ComputeCursorTexts(int column);
    QRect StationField() const;
    QRect ChannelField(int channel) const;

    Settings& settings_;
    const DeviceRoot& root_;
    const ScreenGeometry& screen_;
    ViewerState& viewer_;
    OffsetOrder& offsetOrder_;
    MessageSink& messages_;
    QFont normalFont_;
    QFont boldFont_;
    std::array<QPushButton*, kViewButtonCount> buttons_{};
    LineComboBox* combo_ = nullptr;
    ViewCurveWnd* curve_ = nullptr;
    std::array<QString, 5> cursorTexts_;
    OpenFileDialog openFileDialog_;
    std::function<void(QWidget*)> scaleDialog_;
    std::function<int(QDialog&)> runDialog_ = [](QDialog& dialog) { return dialog.exec(); };
};

} // namespace tm47
