#include "MenuBarLabel.h"

#include "AppSettings.h"
#include "Icons.h"
#include "Permissions.h"

#include <QSystemTrayIcon>

#include <algorithm>

namespace rimglider {

MenuBarLabel::MenuBarLabel(AppSettings& settings, Permissions& permissions, std::function<bool()> shouldRunGestures,
                           QObject* parent)
    : QObject(parent), shouldRun_(std::move(shouldRunGestures)), tray_(new QSystemTrayIcon(this))
{
    tray_->setToolTip(QStringLiteral("Rimglider"));
    connect(&settings, &AppSettings::isEnabledChanged, this, &MenuBarLabel::update);
    connect(&permissions, &Permissions::isAccessibilityGrantedChanged, this, &MenuBarLabel::update);
    connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        // Trigger is a left click; a double click arrives as one too, then as DoubleClick.
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::MiddleClick) emit clicked();
    });
    on_ = shouldRun_ && shouldRun_();
    tray_->setIcon(Icons::menuBar(on_));
}

MenuBarLabel::~MenuBarLabel() = default;

QString MenuBarLabel::iconName() const
{
    return Icons::menuBarName(on_);
}

void MenuBarLabel::setContextMenu(QMenu* menu)
{
    tray_->setContextMenu(menu);
}

void MenuBarLabel::show()
{
    tray_->show();
}

void MenuBarLabel::update()
{
    const bool on = shouldRun_ && shouldRun_();
    if (on == on_) return;
    on_ = on;
    tray_->setIcon(Icons::menuBar(on_));
}

QPoint MenuBarLabel::panelPosition(QRect iconGeometry, QPoint cursor, QSize size, QRect screen)
{
    constexpr int gap = 4;
    const int screenBottom = screen.y() + screen.height(); // exclusive, as is every edge below
    QPoint at;
    if (iconGeometry.isValid()) {
        // Centred under the icon; above it when the tray sits at the bottom of the screen.
        at.setX(iconGeometry.x() + iconGeometry.width() / 2 - size.width() / 2);
        const int below = iconGeometry.y() + iconGeometry.height() + gap;
        at.setY(below + size.height() <= screenBottom ? below : iconGeometry.y() - gap - size.height());
    } else {
        at = QPoint(cursor.x() - size.width() / 2, cursor.y() + 3 * gap);
        if (at.y() + size.height() > screenBottom) at.setY(cursor.y() - 3 * gap - size.height());
    }
    at.setX(std::clamp(at.x(), screen.x(), std::max(screen.x(), screen.x() + screen.width() - size.width())));
    at.setY(std::clamp(at.y(), screen.y(), std::max(screen.y(), screenBottom - size.height())));
    return at;
}

} // namespace rimglider
