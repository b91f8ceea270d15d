// The settings window: created on first use, kept for the process and reused after closing.
#pragma once

#include <QPointer>

#include <functional>

class QWidget;

namespace rimglider {

class SettingsWindowController {
  public:
    // Makes the window's content; called once, on the first show().
    using ViewFactory = std::function<QWidget*()>;

    // The one instance, showing the settings of the shared services.
    static SettingsWindowController& shared();

    explicit SettingsWindowController(ViewFactory makeView);

    // Creates and centres the window the first time; every call raises and activates it.
    void show();

    // The window, or null before the first show().
    [[nodiscard]] QWidget* window() const { return window_; }

  private:
    ViewFactory makeView_;
    QPointer<QWidget> window_;
};

} // namespace rimglider
