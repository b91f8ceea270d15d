// The settings window's "General" tab: start at login, appearance, language, input access
// and the way to the welcome guide and diagnostics.
#pragma once

#include "DesktopSettings.h"

#include <QWidget>

#include <functional>

class QAbstractButton;
class QLabel;
class QPushButton;

namespace rimglider {

class AppSettings;
class LoginItem;
class Permissions;

class GeneralSettings : public QWidget {
    Q_OBJECT

  public:
    // What the buttons open. An empty openDebugWindow leaves its button disabled.
    struct Actions {
        std::function<void(DesktopPage)> openDesktopSettings;
        std::function<void()> showWelcomeGuide;
        std::function<void()> openDebugWindow;
    };

    GeneralSettings(AppSettings& settings, LoginItem& loginItem, Permissions& permissions, Actions actions,
                    QWidget* parent = nullptr);

  protected:
    // Picks up changes made to the autostart entry outside Rimglider.
    void showEvent(QShowEvent* event) override;
    // Status colours follow the palette (light or dark).
    void changeEvent(QEvent* event) override;

  private:
    void showLoginItem();
    void showPermission();
    void applyColours();

    LoginItem& loginItem_;
    Permissions& permissions_;
    Actions actions_;
    QAbstractButton* openAtLogin_ = nullptr;
    QWidget* approvalRow_ = nullptr;
    QLabel* loginError_ = nullptr;
    QWidget* granted_ = nullptr;
    QLabel* grantedIcon_ = nullptr;
    QLabel* grantedText_ = nullptr;
    QPushButton* grantAccess_ = nullptr;
};

} // namespace rimglider
