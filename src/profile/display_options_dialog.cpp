#include "profile/display_options_dialog.h"

#include "config/settings.h"
#include "config/settings_file.h"
#include "platform/dialog_frame_qt.h"

#include <QCheckBox>
#include <QColor>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace tm47 {

namespace {

QLabel* MakeLabel(QWidget* parent, int id, const char* text) {
    auto* label = new QLabel(QString::fromLatin1(text), parent);
    TagControl(label, id);
    return label;
}

} // namespace

QColor ColourFromSetting(int32_t colour) {
    const auto v = static_cast<uint32_t>(colour);
    return QColor(static_cast<int>(v & 0xFFu), static_cast<int>((v >> 8) & 0xFFu),
                  static_cast<int>((v >> 16) & 0xFFu));
}

int32_t SettingFromColour(const QColor& colour) {
    return static_cast<int32_t>(static_cast<uint32_t>(colour.red()) |
                                (static_cast<uint32_t>(colour.green()) << 8) |
                                (static_cast<uint32_t>(colour.blue()) << 16));
}

std::optional<int32_t> ChooseColourFromSystem(QWidget* owner) {
    // The custom colours start black at every call, and the chooser does not start at the
    // channel's colour.
    for (int i = 0; i < QColorDialog::customCount(); ++i) {
        QColorDialog::setCustomColor(i, QColor(Qt::black));
    }
    QColorDialog dialog(owner);
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    dialog.setCurrentColor(QColor(Qt::black));
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return SettingFromColour(dialog.selectedColor());
}

ChannelColourButton::ChannelColourButton(const Settings& settings, int channel, QWidget* parent)
    : QAbstractButton(parent), settings_(settings), channel_(channel) {
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(32, 20);
}

QSize ChannelColourButton::sizeHint() const {
    return {44, 20};
}

void ChannelColourButton::paintEvent(QPaintEvent*) {
    // Edges in the manner of the handheld: right and bottom are one past the last pixel.
    const int left = 0;
    const int top = 0;
    const int right = width();
    const int bottom = height();
    const bool pressed = isDown();
    const QPalette& pal = palette();

    QPainter p(this);
    // White face with a 3-pixel border in the button-shadow colour.
    p.setPen(QPen(pal.color(QPalette::Dark), 3));
    p.setBrush(Qt::white);
    p.drawRect(QRect(left, top, right - left - 1, bottom - top - 1));

    // The 3-D edge just inside: light top and left, dark shadow bottom and right when
    // raised; swapped while pressed.
    const QColor light = pal.color(QPalette::Light);
    const QColor shadow = pal.color(QPalette::Shadow);
    const QColor topLeft = pressed ? shadow : light;
    const QColor bottomRight = pressed ? light : shadow;
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(topLeft, 1));
    p.drawLine(left + 1, bottom - 2, left + 1, top + 1);
    p.drawLine(left + 1, top + 1, right - 2, top + 1);
    p.setPen(QPen(bottomRight, 1));
    p.drawLine(left + 1, bottom - 2, right - 2, bottom - 2);
    p.drawLine(right - 2, bottom - 2, right - 2, top + 1);

    // The sample line in the channel's colour and thickness.
    const auto ch = static_cast<std::size_t>(channel_);
    QPen line(ColourFromSetting(settings_.channelColour[ch]), settings_.channelThickness[ch],
              Qt::SolidLine, Qt::RoundCap);
    p.setPen(line);
    if (pressed) {
        p.drawLine(left + 3, top + 6, right - 5, top + 14);
    } else {
        p.drawLine(left + 3, top + 10, right - 5, top + 10);
    }

    // The focus rectangle, inset 3 pixels at left and top, 4 at right and bottom.
    if (hasFocus()) {
        p.setPen(QPen(Qt::black, 1, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRect(QPoint(left + 3, top + 3), QPoint(right - 5, bottom - 5)));
    }
}

GetOptions::GetOptions(Settings& settings, const DeviceRoot& root, QWidget* parent)
    : QDialog(parent), settings_(settings), root_(root), chooser_(ChooseColourFromSystem) {
    setWindowTitle(QStringLiteral("Display Options"));
    setObjectName(QStringLiteral("GetOptions"));
    savedThickness_ = settings_.channelThickness;
    savedColour_ = settings_.channelColour;

    auto* grid = new QGridLayout;
    grid->addWidget(MakeLabel(this, 747, "#"), 0, 0);
    grid->addWidget(MakeLabel(this, 744, "Display"), 0, 1);
    grid->addWidget(MakeLabel(this, 745, "Color"), 0, 2);
    grid->addWidget(MakeLabel(this, 746, "Thickness"), 0, 3);

    const char* const names[4] = {"Ch1", "Ch2", "Ch3", "Ch4/T"};
    const QStringList thicknessItems{"1 pixel", "2 pixels", "3 pixels", "4 pixels"};
    for (int ch = 0; ch < 4; ++ch) {
        const auto i = static_cast<std::size_t>(ch);
        auto* box = new QCheckBox(QString::fromLatin1(names[ch]), this);
        TagControl(box, kIdShownBoxFirst + ch);
        box->setChecked(settings_.channelShown[i] != 0);
        shown_[i] = box;

        auto* button = new ChannelColourButton(settings_, ch, this);
        TagControl(button, kIdColourButtonFirst + ch);
        button->setAccessibleName(QStringLiteral("%1 colour").arg(QString::fromLatin1(names[ch])));
        colourButtons_[i] = button;
        connect(button, &QAbstractButton::clicked, this, [this, ch] { OnColourButton(ch); });

        auto* list = new QComboBox(this);
        TagControl(list, kIdThicknessListFirst + ch);
        list->addItems(thicknessItems);
        const int32_t t = settings_.channelThickness[i];
        list->setCurrentIndex(t >= 1 && t <= 4 ? t - 1 : -1);
        thickness_[i] = list;
        connect(list, &QComboBox::currentIndexChanged, this,
                [this, ch](int selected) { OnThicknessChosen(ch, selected); });

        grid->addWidget(box, ch + 1, 0, 1, 2);
        grid->addWidget(button, ch + 1, 2);
        grid->addWidget(list, ch + 1, 3);
    }

    auto* amplitudeRow = new QHBoxLayout;
    auto* amplitudeLabel = MakeLabel(this, 748, "Profile Amplitude");
    amplitude_ = new QComboBox(this);
    TagControl(amplitude_, kIdAmplitudeList);
    amplitude_->addItems({"Linear", "Compressed"});
    const int32_t mode = settings_.amplitudeMode;
    amplitude_->setCurrentIndex(mode >= 0 && mode <= 1 ? mode : -1);
    amplitudeLabel->setBuddy(amplitude_);
    amplitudeRow->addWidget(amplitudeLabel);
    amplitudeRow->addWidget(amplitude_);

    QDialogButtonBox* buttons = OkCancelButtons(this);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(amplitudeRow);
    layout->addWidget(MakeLabel(this, 740, "Compressed Amplitude affects only"));
    layout->addWidget(MakeLabel(this, 741, "scale of displayed profile curves"));
    layout->addWidget(buttons);
    shown_[0]->setFocus();
}

void GetOptions::OnThicknessChosen(int channel, int selected) {
    if (selected < 0) {
        return;
    }
    settings_.channelThickness[static_cast<std::size_t>(channel)] = selected + 1;
    colourButtons_[static_cast<std::size_t>(channel)]->update();
    if (liveChange_) {
        liveChange_();
    }
}

void GetOptions::OnColourButton(int channel) {
    if (!chooser_) {
        return;
    }
    const std::optional<int32_t> colour = chooser_(this);
    if (!colour) {
        return; // cancelled: the colour stays
    }
    settings_.channelColour[static_cast<std::size_t>(channel)] = *colour;
    colourButtons_[static_cast<std::size_t>(channel)]->update();
    if (liveChange_) {
        liveChange_();
    }
}

void GetOptions::accept() {
    if (amplitude_->currentIndex() >= 0) {
        settings_.amplitudeMode = amplitude_->currentIndex();
    }
    bool any = false;
    for (std::size_t i = 0; i < 4; ++i) {
        settings_.channelShown[i] = shown_[i]->isChecked() ? 1 : 0;
        any = any || shown_[i]->isChecked();
    }
    QDialog::accept();
    if (!any) {
        settings_.channelShown[2] = 1; // at least one curve is drawn
    }
    SaveSettings(settings_, root_);
}

void GetOptions::reject() {
    const bool changed =
        settings_.channelThickness != savedThickness_ || settings_.channelColour != savedColour_;
    settings_.channelThickness = savedThickness_;
    settings_.channelColour = savedColour_;
    QDialog::reject();
    if (changed && liveChange_) {
        liveChange_();
    }
}

} // namespace tm47
