#include "GestureSettings.h"

#include "AppSettings.h"
#include "SettingsBinding.h"
#include "SettingsForm.h"
#include "SliderRow.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace rimglider {

using Modifier = AppSettings::RequiredModifier;
using Haptic = AppSettings::HapticStrength;

GestureSettings::GestureSettings(AppSettings& settings, QWidget* parent) : QWidget(parent), settings_(settings)
{
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(12, 10, 12, 10);
    page->setSpacing(8);

    auto* edges = form::addSection(page, tr("Edges"));
    auto* brightness = form::addToggle(edges, tr("Brightness"), brightnessSide(false));
    auto* volume = form::addToggle(edges, tr("Volume"), volumeSide(false));
    brightness_ = brightness;
    volume_ = volume;
    brightnessSubtitle_ = brightness->parentWidget()->findChildren<QLabel*>(QStringLiteral("subtitle")).value(0);
    volumeSubtitle_ = brightness->parentWidget()->findChildren<QLabel*>(QStringLiteral("subtitle")).value(1);
    bind::toggle(brightness, settings, &AppSettings::brightnessEdge, &AppSettings::setBrightnessEdge,
                 &AppSettings::brightnessEdgeChanged);
    bind::toggle(volume, settings, &AppSettings::volumeEdge, &AppSettings::setVolumeEdge,
                 &AppSettings::volumeEdgeChanged);
    bind::toggle(form::addToggle(edges, tr("Swap Sides"), tr("Brightness on the right, volume on the left")), settings,
                 &AppSettings::swapSides, &AppSettings::setSwapSides, &AppSettings::swapSidesChanged);
    bind::toggle(form::addToggle(edges, tr("Bottom Quarter Only"),
                                 tr("Edge slides start only in the lower quarter of the trackpad")),
                 settings, &AppSettings::bottomOnly, &AppSettings::setBottomOnly, &AppSettings::bottomOnlyChanged);
    bind::picker(form::addPicker(edges, tr("Require a Key"), {tr("None"), tr("Fn"), tr("Alt")},
                                 tr("Gestures start only while this key is held")),
                 settings, std::array{Modifier::none, Modifier::function, Modifier::option},
                 &AppSettings::requiredModifier, &AppSettings::setRequiredModifier,
                 &AppSettings::requiredModifierChanged);

    auto* corner = form::addSection(page, tr("Corner and Bottom Edge"));
    bind::toggle(form::addToggle(corner, tr("Quick Mute"), tr("Double-tap the top-right corner")), settings,
                 &AppSettings::quickMute, &AppSettings::setQuickMute, &AppSettings::quickMuteChanged);
    bind::toggle(form::addToggle(corner, tr("Media Strip"), tr("Swipe the bottom edge to skip tracks")), settings,
                 &AppSettings::mediaStrip, &AppSettings::setMediaStrip, &AppSettings::mediaStripChanged);
    bind::toggle(form::addToggle(corner, tr("Tap to Play or Pause"),
                                 tr("Tap the bottom edge. Off by default, so clicks near the edge don't pause "
                                    "your music.")),
                 settings, &AppSettings::tapToPlay, &AppSettings::setTapToPlay, &AppSettings::tapToPlayChanged);

    auto* sliding = form::addSection(page, tr("While Sliding"));
    bind::toggle(form::addToggle(sliding, tr("Freeze Cursor"), tr("The pointer stays put while you slide")), settings,
                 &AppSettings::freezeCursor, &AppSettings::setFreezeCursor, &AppSettings::freezeCursorChanged);
    bind::toggle(form::addToggle(sliding, tr("Fine Control"), tr("Hold Shift+Alt while sliding for quarter steps")),
                 settings, &AppSettings::fineControl, &AppSettings::setFineControl, &AppSettings::fineControlChanged);
    bind::picker(form::addPicker(sliding, tr("Haptic Feedback"), {tr("Off"), tr("Soft"), tr("Medium"), tr("Strong")}),
                 settings, std::array{Haptic::off, Haptic::light, Haptic::medium, Haptic::strong},
                 &AppSettings::hapticStrength, &AppSettings::setHapticStrength, &AppSettings::hapticStrengthChanged);

    auto* sensitivity = new SliderRow(tr("Sensitivity"), 0.5, 3.0,
                                      [](double value) { return SliderRow::sensitivityText(value, QLocale()); });
    auto* edgeWidth = new SliderRow(tr("Edge Width"), 0.03, 0.15, &SliderRow::edgeWidthText);
    form::addRow(sliding, sensitivity);
    form::addRow(sliding, edgeWidth);
    bind::slider(sensitivity, settings, &AppSettings::sensitivity, &AppSettings::setSensitivity,
                 &AppSettings::sensitivityChanged);
    bind::slider(edgeWidth, settings, &AppSettings::edgeWidth, &AppSettings::setEdgeWidth,
                 &AppSettings::edgeWidthChanged);

    page->addStretch();
    footer_ = new QWidget(this);
    footer_->hide();
    auto* restore = new QPushButton(tr("Restore Defaults"));
    connect(restore, &QPushButton::clicked, this, [this] { settings_.resetToDefaults(); });
    auto* restoreRow = new QHBoxLayout(footer_);
    restoreRow->setContentsMargins(12, 6, 12, 10);
    restoreRow->addStretch();
    restoreRow->addWidget(restore);

    connect(&settings, &AppSettings::swapSidesChanged, this, &GestureSettings::showSides);
    showSides();
}

QString GestureSettings::brightnessSide(bool swapSides)
{
    return swapSides ? tr("Right edge") : tr("Left edge");
}

QString GestureSettings::volumeSide(bool swapSides)
{
    return swapSides ? tr("Left edge") : tr("Right edge");
}

void GestureSettings::showSides()
{
    brightnessSubtitle_->setText(brightnessSide(settings_.swapSides()));
    volumeSubtitle_->setText(volumeSide(settings_.swapSides()));
    brightness_->setAccessibleDescription(brightnessSubtitle_->text());
    volume_->setAccessibleDescription(volumeSubtitle_->text());
}

} // namespace rimglider
