// The tray icon: "MenuBarIcon" while the edge gestures run, "MenuBarIconOff" otherwise, named
// "Rimglider". A left click asks for the panel; a right click shows the small context menu.
#pragma once

#include <QObject>
#include <QPoint>
#include <QRect>
#include <QString>

#include <functional>

class QMenu;
class QSystemTrayIcon;

namespace rimglider {

class AppSettings;
class Permissions;

class MenuBarLabel : public QObject {
    Q_OBJECT

  public:
    // `shouldRunGestures` is read again whenever the switch or the permission changes.
    MenuBarLabel(AppSettings& settings, Permissions& permissions, std::function<bool()> shouldRunGestures,
                 QObject* parent = nullptr);
    ~MenuBarLabel() override;

    // The image asset the icon shows now.
    [[nodiscard]] QString iconName() const;
    [[nodiscard]] QSystemTrayIcon* trayIcon() const { return tray_; }
    void setContextMenu(QMenu* menu);
    void show();

    // Where a panel opened from the icon should sit: `size` below (or above) the icon when
    // the tray reports its place, else next to `cursor`; always inside `screen`.
    static QPoint panelPosition(QRect iconGeometry, QPoint cursor, QSize size, QRect screen);

  signals:
    void clicked();

  private:
    void update();

    std::function<bool()> shouldRun_;
    QSystemTrayIcon* tray_;
    bool on_ = false;
};

} // namespace rimglider
