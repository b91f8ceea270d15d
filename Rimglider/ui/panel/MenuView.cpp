#include "MenuView.h"

#include "Appearance.h"
#include "BrightnessController.h"
#include "Icons.h"
#include "OptionRow.h"
#include "Permissions.h"
#include "SliderRow.h"
#include "ToggleSwitch.h"
#include "Updates.h"
#include "VolumeController.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>

#include <array>

namespace rimglider {

namespace {

using Haptic = AppSettings::HapticStrength;
constexpr std::array hapticChoices{Haptic::off, Haptic::light, Haptic::medium, Haptic::strong};

QFont headline(QFont font)
{
    font.setWeight(QFont::DemiBold);
    return font;
}

QFont scaled(QFont font, qreal factor)
{
    font.setPointSizeF(font.pointSizeF() * factor);
    return font;
}

QPixmap dot(QColor color, qreal devicePixelRatio)
{
    QPixmap pixmap(QSize(8, 8) * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawEllipse(QRectF(0, 0, 8, 8));
    return pixmap;
}

QToolButton* borderlessButton(QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::StrongFocus);
    button->setIconSize(QSize(16, 16));
    return button;
}

void call(const std::function<void()>& action)
{
    if (action) action();
}

} // namespace

MenuView::Status MenuView::status(const TouchInput::Status& touch, bool accessGranted, bool enabled)
{
    // The touchpads are listed by the input service: without it their number is unknown, and
    // the missing access is what the user can act on.
    const bool unreachable =
        touch.kind == TouchInput::Status::Kind::unavailable && touch.message == TouchInput::notAvailableMessage;
    if (!accessGranted || unreachable) return Status::needsAccess;
    if (touch.kind == TouchInput::Status::Kind::unavailable) return Status::noTrackpad;
    return enabled ? Status::ready : Status::off;
}

QString MenuView::statusText(Status status)
{
    switch (status) {
    case Status::noTrackpad:
        return tr("No trackpad");
    case Status::needsAccess:
        return tr("Needs access");
    case Status::ready:
        return tr("Ready");
    case Status::off:
        break;
    }
    return tr("Off");
}

QColor MenuView::statusColor(Status status, const QPalette& palette)
{
    switch (status) {
    case Status::noTrackpad:
        return Appearance::red(palette);
    case Status::needsAccess:
        return Appearance::orange(palette);
    case Status::ready:
        return Appearance::green(palette);
    case Status::off:
        break;
    }
    return palette.color(QPalette::PlaceholderText);
}

ValueTile::Content MenuView::volumeTile(bool muted, bool adjustable, std::optional<float> volume,
                                        const QString& deviceName)
{
    return {muted ? tr("Volume (muted)") : tr("Volume"),
            muted ? QStringLiteral("speaker.slash.fill") : QStringLiteral("speaker.wave.2.fill"),
            adjustable ? volume : std::nullopt, tr("Not adjustable"), deviceName};
}

ValueTile::Content MenuView::brightnessTile(bool hasBuiltInDisplay, std::optional<float> brightness)
{
    return {tr("Brightness"), QStringLiteral("sun.max.fill"), hasBuiltInDisplay ? brightness : std::nullopt,
            tr("No built-in display"), QString()};
}

MenuView::MenuView(Sources sources, Actions actions, QWidget* parent)
    : QWidget(parent), sources_(std::move(sources)), actions_(std::move(actions))
{
    setFixedWidth(panelWidth);
    setAccessibleName(QStringLiteral("Rimglider"));

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(14, 14, 14, 14);
    column->setSpacing(12);
    column->addWidget(buildHeader());
    column->addWidget(buildBanner());

    tiles_ = new QWidget(this);
    auto* tileRow = new QHBoxLayout(tiles_);
    tileRow->setContentsMargins(0, 0, 0, 0);
    tileRow->setSpacing(10);
    volumeTile_ = new ValueTile(tiles_);
    brightnessTile_ = new ValueTile(tiles_);
    column->addWidget(tiles_);

    auto* masterRow = new QHBoxLayout;
    masterRow->setContentsMargins(0, 0, 0, 0);
    auto* masterLabel = new QLabel(tr("Edge gestures"), this);
    masterLabel->setFont(headline(font()));
    masterSwitch_ = new ToggleSwitch(ToggleSwitch::Size::regular, this);
    masterSwitch_->setAccessibleName(masterLabel->text());
    masterLabel->setBuddy(masterSwitch_);
    masterRow->addWidget(masterLabel, 1);
    masterRow->addWidget(masterSwitch_);
    column->addLayout(masterRow);

    column->addWidget(buildOptions());
    divider_ = new QFrame(this);
    divider_->setFixedHeight(1);
    divider_->setAutoFillBackground(true);
    column->addWidget(divider_);
    column->addWidget(buildFooter());

    AppSettings& settings = sources_.settings;
    masterSwitch_->setChecked(settings.isEnabled());
    connect(masterSwitch_, &ToggleSwitch::toggled, &settings, &AppSettings::setEnabled);
    connect(&settings, &AppSettings::isEnabledChanged, this, &MenuView::updateEnabled);
    connect(&settings, &AppSettings::swapSidesChanged, this, &MenuView::updateTileOrder);
    connect(&sources_.permissions, &Permissions::isAccessibilityGrantedChanged, this, &MenuView::updateStatus);
    for (auto signal : {&VolumeController::volumeChanged, &VolumeController::isMutedChanged,
                        &VolumeController::deviceNameChanged, &VolumeController::isAdjustableChanged})
        connect(&sources_.volume, signal, this, &MenuView::updateVolume);
    for (auto signal : {&BrightnessController::brightnessChanged, &BrightnessController::hasBuiltInDisplayChanged})
        connect(&sources_.brightness, signal, this, &MenuView::updateBrightness);

    // Ctrl+comma and Ctrl+Q, as the desktop's applications use them.
    auto* settingsKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma), this);
    settingsKey->setContext(Qt::WidgetWithChildrenShortcut);
    connect(settingsKey, &QShortcut::activated, this, [this] { call(actions_.settingsWindow); });
    auto* quitKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), this);
    quitKey->setContext(Qt::WidgetWithChildrenShortcut);
    connect(quitKey, &QShortcut::activated, this, [this] { call(actions_.quit); });

    updateTileOrder();
    updateVolume();
    updateBrightness();
    updateEnabled();
    refresh();
    paintSymbols();
}

QWidget* MenuView::buildHeader()
{
    auto* header = new QWidget(this);
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    appIcon_ = new QLabel(header);
    appIcon_->setFixedSize(22, 22);
    auto* name = new QLabel(QStringLiteral("Rimglider"), header);
    name->setFont(headline(font()));
    statusDot_ = new QLabel(header);
    statusDot_->setFixedSize(8, 8);
    statusText_ = new QLabel(header);
    statusText_->setFont(scaled(font(), 0.85));
    statusText_->setForegroundRole(QPalette::PlaceholderText);
    row->addWidget(appIcon_);
    row->addWidget(name);
    row->addStretch(1);
    row->addWidget(statusDot_, 0, Qt::AlignVCenter);
    row->addWidget(statusText_);
    return header;
}

QWidget* MenuView::buildBanner()
{
    banner_ = new QFrame(this);
    banner_->setObjectName(QStringLiteral("accessBanner"));
    auto* column = new QVBoxLayout(banner_);
    column->setContentsMargins(12, 10, 12, 10);
    column->setSpacing(8);
    bannerText_ = new QLabel(tr("Rimglider needs Input access to change volume and brightness."), banner_);
    bannerText_->setWordWrap(true);
    bannerText_->setFont(scaled(font(), 0.95));
    grantButton_ = new QPushButton(tr("Grant Access…"), banner_);
    grantButton_->setAccessibleName(tr("Grant Access…"));
    connect(grantButton_, &QPushButton::clicked, &sources_.permissions, &Permissions::requestAccess);
    column->addWidget(bannerText_);
    column->addWidget(grantButton_, 0, Qt::AlignLeft);
    return banner_;
}

QWidget* MenuView::buildOptions()
{
    options_ = new QWidget(this);
    auto* column = new QVBoxLayout(options_);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(10);
    AppSettings& settings = sources_.settings;

    quickMute_ = new OptionRow(QStringLiteral("speaker.slash"), tr("Quick Mute"), tr("Double-tap the top-right corner"),
                               options_);
    quickMute_->bind(settings, &AppSettings::quickMute, &AppSettings::setQuickMute, &AppSettings::quickMuteChanged);
    mediaStrip_ = new OptionRow(QStringLiteral("forward"), tr("Media Strip"),
                                tr("Swipe the bottom edge to skip tracks"), options_);
    mediaStrip_->bind(settings, &AppSettings::mediaStrip, &AppSettings::setMediaStrip, &AppSettings::mediaStripChanged);
    tapToPlay_ =
        new OptionRow(QStringLiteral("playpause"), tr("Tap to Play or Pause"), tr("Tap the bottom edge"), options_);
    tapToPlay_->bind(settings, &AppSettings::tapToPlay, &AppSettings::setTapToPlay, &AppSettings::tapToPlayChanged);

    auto* hapticRow = new QHBoxLayout;
    hapticRow->setContentsMargins(0, 0, 0, 0);
    hapticRow->setSpacing(8);
    hapticIcon_ = new QLabel(options_);
    hapticIcon_->setFixedWidth(20);
    hapticIcon_->setAlignment(Qt::AlignCenter);
    auto* hapticTitle = new QLabel(tr("Haptic Feedback"), options_);
    haptic_ = new QComboBox(options_);
    haptic_->addItems({tr("Off"), tr("Soft"), tr("Medium"), tr("Strong")});
    haptic_->setAccessibleName(hapticTitle->text());
    hapticTitle->setBuddy(haptic_);
    hapticRow->addWidget(hapticIcon_);
    hapticRow->addWidget(hapticTitle, 1);
    hapticRow->addWidget(haptic_);
    const auto showHaptic = [this, &settings] {
        const QSignalBlocker quiet(haptic_);
        for (std::size_t i = 0; i < hapticChoices.size(); ++i)
            if (hapticChoices[i] == settings.hapticStrength()) haptic_->setCurrentIndex(static_cast<int>(i));
    };
    showHaptic();
    connect(&settings, &AppSettings::hapticStrengthChanged, haptic_, showHaptic);
    connect(haptic_, &QComboBox::currentIndexChanged, &settings, [&settings](int index) {
        if (index >= 0 && index < static_cast<int>(hapticChoices.size()))
            settings.setHapticStrength(hapticChoices[static_cast<std::size_t>(index)]);
    });

    sensitivity_ = new SliderRow(
        tr("Sensitivity"), 0.5, 3.0, [](double value) { return SliderRow::sensitivityText(value); }, options_);
    sensitivity_->bind(settings, &AppSettings::sensitivity, &AppSettings::setSensitivity,
                       &AppSettings::sensitivityChanged);
    edgeWidth_ = new SliderRow(tr("Edge Width"), 0.03, 0.15, &SliderRow::edgeWidthText, options_);
    edgeWidth_->bind(settings, &AppSettings::edgeWidth, &AppSettings::setEdgeWidth, &AppSettings::edgeWidthChanged);

    column->addWidget(quickMute_);
    column->addWidget(mediaStrip_);
    column->addWidget(tapToPlay_);
    column->addLayout(hapticRow);
    column->addWidget(sensitivity_);
    column->addWidget(edgeWidth_);
    return options_;
}

QWidget* MenuView::buildFooter()
{
    auto* footer = new QWidget(this);
    auto* row = new QHBoxLayout(footer);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);

    settingsButton_ = borderlessButton(footer);
    settingsButton_->setText(tr("Settings…"));
    settingsButton_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    settingsButton_->setAccessibleName(tr("Settings…"));
    settingsButton_->setToolTip(tr("Settings… (Ctrl+,)"));
    connect(settingsButton_, &QToolButton::clicked, this, [this] { call(actions_.settingsWindow); });

    moreMenu_ = new QMenu(footer);
    moreMenu_->setToolTipsVisible(true);
    connect(moreMenu_->addAction(tr("About Rimglider")), &QAction::triggered, this, [this] { call(actions_.about); });
    checkForUpdates_ = moreMenu_->addAction(tr("Check for Updates…"));
    connect(checkForUpdates_, &QAction::triggered, this, [this] {
        if (QWidget* top = window()) top->activateWindow();
        sources_.updates.checkNow();
    });
    connect(moreMenu_->addAction(tr("Welcome Guide…")), &QAction::triggered, this,
            [this] { call(actions_.welcomeGuide); });
    debugWindow_ = moreMenu_->addAction(tr("Debug Window…"));
    debugWindow_->setEnabled(static_cast<bool>(actions_.debugWindow));
    if (!actions_.debugWindow) debugWindow_->setToolTip(tr(debugUnavailableTip));
    connect(debugWindow_, &QAction::triggered, this, [this] { call(actions_.debugWindow); });
    moreMenu_->addSeparator();
    connect(moreMenu_->addAction(tr("Quit Rimglider")), &QAction::triggered, this, [this] { call(actions_.quit); });
    connect(moreMenu_, &QMenu::aboutToShow, this, &MenuView::updateUpdateFeed);

    moreButton_ = borderlessButton(footer);
    moreButton_->setMenu(moreMenu_);
    moreButton_->setPopupMode(QToolButton::InstantPopup);
    moreButton_->setAccessibleName(tr("More"));
    moreButton_->setToolTip(tr("More"));
    // The menu's own arrow would add nothing to the ellipsis symbol.
    moreButton_->setStyleSheet(QStringLiteral("QToolButton::menu-indicator { image: none; width: 0; }"));

    quitButton_ = borderlessButton(footer);
    quitButton_->setAccessibleName(tr("Quit Rimglider"));
    quitButton_->setToolTip(tr("Quit Rimglider (Ctrl+Q)"));
    connect(quitButton_, &QToolButton::clicked, this, [this] { call(actions_.quit); });

    row->addWidget(settingsButton_);
    row->addStretch(1);
    row->addWidget(moreButton_);
    row->addWidget(quitButton_);
    return footer;
}

void MenuView::refresh()
{
    updateStatus();
    updateUpdateFeed();
}

void MenuView::showEvent(QShowEvent* event)
{
    // Brightness keys change the level without every driver announcing it: read it afresh.
    sources_.brightness.refresh();
    refresh();
    QWidget::showEvent(event);
}

void MenuView::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::PaletteChange) {
        paintSymbols();
        updateStatus();
    }
    QWidget::changeEvent(event);
}

void MenuView::updateStatus()
{
    const TouchInput::Status touch = sources_.touchStatus ? sources_.touchStatus() : TouchInput::Status::stopped();
    const bool granted = sources_.permissions.isAccessibilityGranted();
    status_ = status(touch, granted, sources_.settings.isEnabled());
    statusText_->setText(statusText(status_));
    statusDot_->setPixmap(dot(statusColor(status_, palette()), devicePixelRatioF()));
    setAccessibleDescription(statusText(status_));
    banner_->setVisible(!granted);
}

void MenuView::updateVolume()
{
    const VolumeController& volume = sources_.volume;
    volumeTile_->setContent(volumeTile(volume.isMuted(), volume.isAdjustable(), volume.volume(), volume.deviceName()));
}

void MenuView::updateBrightness()
{
    const BrightnessController& brightness = sources_.brightness;
    brightnessTile_->setContent(brightnessTile(brightness.hasBuiltInDisplay(), brightness.brightness()));
}

void MenuView::updateEnabled()
{
    const bool enabled = sources_.settings.isEnabled();
    const QSignalBlocker quiet(masterSwitch_);
    masterSwitch_->setChecked(enabled);
    masterSwitch_->update();
    options_->setEnabled(enabled);
    paintSymbols(); // the haptic row's symbol greys out with its row
    updateStatus();
}

void MenuView::updateTileOrder()
{
    // The tiles sit in the order of the edges: brightness left unless the sides are swapped.
    auto* row = static_cast<QHBoxLayout*>(tiles_->layout());
    row->removeWidget(volumeTile_);
    row->removeWidget(brightnessTile_);
    const bool swapped = sources_.settings.swapSides();
    row->addWidget(swapped ? volumeTile_ : brightnessTile_, 1);
    row->addWidget(swapped ? brightnessTile_ : volumeTile_, 1);
    setTabOrder(leftTile(), rightTile());
}

void MenuView::updateUpdateFeed()
{
    checkForUpdates_->setEnabled(sources_.hasUpdateFeed && sources_.hasUpdateFeed());
}

ValueTile* MenuView::leftTile() const
{
    return sources_.settings.swapSides() ? volumeTile_ : brightnessTile_;
}

ValueTile* MenuView::rightTile() const
{
    return sources_.settings.swapSides() ? brightnessTile_ : volumeTile_;
}

QString MenuView::statusLineText() const
{
    return statusText_->text();
}

QColor MenuView::statusLineColor() const
{
    return statusColor(status_, palette());
}

bool MenuView::bannerShown() const
{
    return banner_->isVisibleTo(this);
}

void MenuView::paintSymbols()
{
    const QPalette& colors = palette();
    const qreal ratio = devicePixelRatioF();
    appIcon_->setPixmap(Icons::application().pixmap(QSize(22, 22), ratio));
    const QColor text = colors.color(QPalette::ButtonText);
    settingsButton_->setIcon(Icons::tinted(Icons::symbol(QStringLiteral("gearshape")), text, QSize(16, 16), ratio));
    moreButton_->setIcon(Icons::tinted(Icons::symbol(QStringLiteral("ellipsis.circle")), text, QSize(16, 16), ratio));
    quitButton_->setIcon(Icons::tinted(Icons::symbol(QStringLiteral("power")), text, QSize(16, 16), ratio));
    const QPalette::ColorGroup group = options_->isEnabled() ? QPalette::Active : QPalette::Disabled;
    hapticIcon_->setPixmap(Icons::tinted(Icons::symbol(QStringLiteral("hand.tap")),
                                         colors.color(group, QPalette::PlaceholderText), QSize(16, 16), ratio));
    QColor line = colors.color(QPalette::WindowText);
    line.setAlphaF(0.14f);
    QPalette dividerColors = divider_->palette();
    dividerColors.setColor(QPalette::Window, line);
    divider_->setPalette(dividerColors);
    QColor bannerFill = Appearance::orange(colors);
    bannerFill.setAlphaF(0.15f);
    banner_->setStyleSheet(
        QStringLiteral("#accessBanner { background: %1; border-radius: 10px; }").arg(bannerFill.name(QColor::HexArgb)));
}

} // namespace rimglider
