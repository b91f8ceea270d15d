#include "GeneralSettings.h"

#include "AppSettings.h"
#include "Appearance.h"
#include "Icons.h"
#include "LoginItem.h"
#include "Permissions.h"
#include "SettingsBinding.h"
#include "SettingsForm.h"

#include <QAbstractButton>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace rimglider {

namespace {

QWidget* row(std::initializer_list<QWidget*> widgets, bool stretchFirst = false)
{
    auto* container = new QWidget;
    auto* layout = new QHBoxLayout(container);
    layout->setContentsMargins(0, 0, 0, 0);
    if (!stretchFirst) layout->addStretch();
    for (auto* widget : widgets)
        layout->addWidget(widget, stretchFirst && widget == *widgets.begin() ? 1 : 0);
    return container;
}

} // namespace

GeneralSettings::GeneralSettings(AppSettings& settings, LoginItem& loginItem, Permissions& permissions, Actions actions,
                                 QWidget* parent)
    : QWidget(parent), loginItem_(loginItem), permissions_(permissions), actions_(std::move(actions))
{
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(12, 10, 12, 10);
    page->setSpacing(8);

    auto* startup = form::addSection(page, {});
    openAtLogin_ = form::addToggle(startup, tr("Open at Login"));
    connect(openAtLogin_, &QAbstractButton::toggled, this, [this](bool on) { loginItem_.setEnabled(on); });

    auto* openStartup = new QPushButton(tr("Open Startup Applications…"));
    connect(openStartup, &QPushButton::clicked, this, [this] {
        if (actions_.openDesktopSettings) actions_.openDesktopSettings(DesktopPage::startupApplications);
    });
    approvalRow_ =
        row({form::secondaryLabel(tr("Allow Rimglider in Startup Applications to finish.")), openStartup}, true);
    approvalRow_->setObjectName(QStringLiteral("approvalRow"));
    form::addRow(startup, approvalRow_);
    loginError_ = new QLabel;
    loginError_->setObjectName(QStringLiteral("loginError"));
    loginError_->setWordWrap(true);
    form::addRow(startup, loginError_);

    bind::picker(form::addPicker(startup, tr("Appearance"), {tr("System"), tr("Light"), tr("Dark")}), settings,
                 std::array{AppSettings::AppearanceMode::system, AppSettings::AppearanceMode::light,
                            AppSettings::AppearanceMode::dark},
                 &AppSettings::appearance, &AppSettings::setAppearance, &AppSettings::appearanceChanged);

    auto* language = form::addSection(page, {});
    auto* regionButton = new QPushButton(tr("Region && Language…"));
    connect(regionButton, &QPushButton::clicked, this, [this] {
        if (actions_.openDesktopSettings) actions_.openDesktopSettings(DesktopPage::regionAndLanguage);
    });
    form::addRow(language,
                 form::rowLabel(tr("Language"), tr("Rimglider follows your system language, which your "
                                                   "desktop's Region & Language settings change.")),
                 regionButton);

    auto* access = form::addSection(page, tr("Permissions"));
    grantedIcon_ = new QLabel;
    grantedText_ = new QLabel(tr("Granted"));
    granted_ = row({grantedIcon_, grantedText_});
    granted_->setAccessibleName(tr("Granted"));
    grantAccess_ = new QPushButton(tr("Grant Access…"));
    connect(grantAccess_, &QPushButton::clicked, this, [this] { permissions_.requestAccess(); });
    auto* accessState = new QWidget;
    auto* stateLayout = new QHBoxLayout(accessState);
    stateLayout->setContentsMargins(0, 0, 0, 0);
    stateLayout->addWidget(granted_);
    stateLayout->addWidget(grantAccess_);
    form::addRow(access,
                 form::rowLabel(tr("Input"), tr("Needed to change volume and brightness and to keep stray "
                                                "clicks out of your apps.")),
                 accessState);

    auto* advanced = form::addSection(page, tr("Advanced"));
    auto* guide = new QPushButton(tr("Show Welcome Guide…"));
    connect(guide, &QPushButton::clicked, this, [this] {
        if (actions_.showWelcomeGuide) actions_.showWelcomeGuide();
    });
    auto* debug = new QPushButton(tr("Open Debug Window…"));
    if (actions_.openDebugWindow) {
        connect(debug, &QPushButton::clicked, this, [this] { actions_.openDebugWindow(); });
    } else {
        debug->setEnabled(false);
        debug->setToolTip(tr("The debug window is not part of this build yet."));
    }
    auto* buttons = new QWidget;
    auto* buttonRow = new QHBoxLayout(buttons);
    buttonRow->setContentsMargins(0, 0, 0, 0);
    buttonRow->addWidget(guide);
    buttonRow->addWidget(debug);
    buttonRow->addStretch();
    form::addRow(advanced, buttons);

    page->addStretch();

    connect(&loginItem, &LoginItem::statusChanged, this, &GeneralSettings::showLoginItem);
    connect(&loginItem, &LoginItem::lastErrorChanged, this, &GeneralSettings::showLoginItem);
    connect(&permissions, &Permissions::isAccessibilityGrantedChanged, this, &GeneralSettings::showPermission);
    showLoginItem();
    showPermission();
    applyColours();
}

void GeneralSettings::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::PaletteChange) applyColours();
    QWidget::changeEvent(event);
}

void GeneralSettings::applyColours()
{
    const QPalette& current = palette();
    QPalette error = loginError_->palette();
    error.setColor(QPalette::WindowText, Appearance::red(current));
    loginError_->setPalette(error);
    const QColor green = Appearance::green(current);
    QPalette granted = grantedText_->palette();
    granted.setColor(QPalette::WindowText, green);
    grantedText_->setPalette(granted);
    grantedIcon_->setPixmap(Icons::tinted(Icons::symbol(QStringLiteral("checkmark.circle.fill")), green, QSize(16, 16),
                                          devicePixelRatioF()));
}

void GeneralSettings::showEvent(QShowEvent* event)
{
    loginItem_.setStatus(loginItem_.readStatus());
    QWidget::showEvent(event);
}

void GeneralSettings::showLoginItem()
{
    const auto status = loginItem_.status();
    {
        const QSignalBlocker quiet(openAtLogin_);
        openAtLogin_->setChecked(status == LoginItem::Status::enabled || status == LoginItem::Status::requiresApproval);
    }
    approvalRow_->setVisible(status == LoginItem::Status::requiresApproval);
    loginError_->setText(loginItem_.lastError());
    loginError_->setVisible(!loginItem_.lastError().isEmpty());
}

void GeneralSettings::showPermission()
{
    const bool granted = permissions_.isAccessibilityGranted();
    granted_->setVisible(granted);
    grantAccess_->setVisible(!granted);
}

} // namespace rimglider
