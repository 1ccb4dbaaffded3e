#pragma once
// "Display Options" (template `GetOptions`): per channel whether its profile curve is drawn,
// its colour and line thickness, and linear or compressed amplitude for all profiles.
//
// Thickness and colour act at once, while the dialog is open, so the live profile can show
// them (the live-change callback runs after each one); Cancel puts both back. The shown flags
// and the amplitude mode change only on OK, which also saves the settings; unticking every
// channel is corrected to channel 3 shown. After the dialog the Monitor/Log caller saves once
// more and redraws the profile from the data file; the main menu only repaints itself.
//
// The colour chooser is injectable so tests need no modal colour dialog; the system one is
// Qt's own QColorDialog with its 16 custom colours cleared to black before every call and
// without the channel's colour as the starting colour.
//
// Controls carry their template ids as object names ("750", "760", ...) and as the property
// "controlId". GUI thread only.

#include <QAbstractButton>
#include <QDialog>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QColor;

namespace tm47 {

struct Settings;
class DeviceRoot;

inline constexpr int kIdShownBoxFirst = 750;      // 750..753 "Ch1", "Ch2", "Ch3", "Ch4/T"
inline constexpr int kIdColourButtonFirst = 754;  // 754..757
inline constexpr int kIdThicknessListFirst = 760; // 760..763
inline constexpr int kIdAmplitudeList = 764;

// Colours are kept as 0x00BBGGRR (red in the low byte).
QColor ColourFromSetting(int32_t colour);
int32_t SettingFromColour(const QColor& colour);

// Runs a colour chooser owned by `owner`; the chosen colour as 0x00BBGGRR, or nothing when
// the operator cancelled.
using ColourChooser = std::function<std::optional<int32_t>(QWidget* owner)>;
std::optional<int32_t> ChooseColourFromSystem(QWidget* owner);

// The owner-drawn colour button of one channel: a white face with a sample line in the
// channel's colour and thickness, raised or sunken edges, and a focus rectangle.
class ChannelColourButton : public QAbstractButton {
    Q_OBJECT
public:
    ChannelColourButton(const Settings& settings, int channel, QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const Settings& settings_;
    int channel_;
};

class GetOptions : public QDialog {
    Q_OBJECT
public:
    GetOptions(Settings& settings, const DeviceRoot& root, QWidget* parent = nullptr);

    void SetColourChooser(ColourChooser chooser) { chooser_ = std::move(chooser); }
    // Runs after each thickness or colour change and after Cancel has put them back.
    void SetLiveChange(std::function<void()> liveChange) { liveChange_ = std::move(liveChange); }

    QCheckBox* ShownBox(int channel) const { return shown_[static_cast<std::size_t>(channel)]; }
    QAbstractButton* ColourButton(int channel) const {
        return colourButtons_[static_cast<std::size_t>(channel)];
    }
    QComboBox* ThicknessList(int channel) const {
        return thickness_[static_cast<std::size_t>(channel)];
    }
    QComboBox* AmplitudeList() const { return amplitude_; }

    void accept() override;
    void reject() override;

private:
    void OnThicknessChosen(int channel, int selected);
    void OnColourButton(int channel);

    Settings& settings_;
    const DeviceRoot& root_;
    ColourChooser chooser_;
    std::function<void()> liveChange_;
    // Taken when the dialog opens, for Cancel.
    std::array<int32_t, 4> savedThickness_{};
    std::array<int32_t, 4> savedColour_{};

    std::array<QCheckBox*, 4> shown_{};
    std::array<ChannelColourButton*, 4> colourButtons_{};
    std::array<QComboBox*, 4> thickness_{};
    QComboBox* amplitude_ = nullptr;
};

} // namespace tm47
