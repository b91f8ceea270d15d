// The settings window's content: the Gestures, General and About tabs.
#pragma once

#include "GeneralSettings.h"

#include <QTabWidget>

namespace rimglider {

class AppSettings;
class LoginItem;
class Permissions;
class Updates;

class SettingsView : public QTabWidget {
    Q_OBJECT

  public:
    static constexpr QSize fixedSize{540, 620};

    struct Services {
        AppSettings& settings;
        LoginItem& loginItem;
        Permissions& permissions;
        Updates& updates;
        bool updateFeedConfigured = false;
        GeneralSettings::Actions actions;
        QString version;
        QString build;
    };

    explicit SettingsView(Services services, QWidget* parent = nullptr);
};

} // namespace rimglider
