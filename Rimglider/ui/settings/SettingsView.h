// The settings window's content: the Gestures, General and About tabs.
#pragma once

#include "GeneralSettings.h"

#include <QTabWidget>

#include <vector>

class QScrollArea;

namespace rimglider {

class AppSettings;
class LoginItem;
class Permissions;
class Updates;

class SettingsView : public QTabWidget {
    Q_OBJECT

  public:
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

    // Every tab whole, at the current font, without scrolling; the window gets as much of it as
    // the screen has room for.
    [[nodiscard]] QSize sizeHint() const override;

  protected:
    void changeEvent(QEvent* event) override;

  private:
    // Symbolic icons in the text colour: legible in light and dark alike.
    void paintTabIcons();
    // A tab's page: the content scrolls, the footer (if any) stays below it.
    QWidget* page(QWidget* content, QWidget* footer = nullptr);

    std::vector<QScrollArea*> areas_;
    int footerHeight_ = 0;
};

} // namespace rimglider
