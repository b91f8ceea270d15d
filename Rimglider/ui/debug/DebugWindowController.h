// The debug window: created on first use and kept for the process. Every show() starts the
// debug model's polling and brings the window to the front; closing it saves its frame and
// stops the polling until the next show().
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class QSettings;
class QWidget;

namespace rimglider {

class AppSettings;
class DebugModel;
class DebugView;
class Permissions;
class TuningSettings;

class DebugWindowController : public QObject {
  public:
    // Makes the window's content; called once, on the first show().
    using ViewFactory = std::function<QWidget*()>;
    // Switches the model's polling on or off.
    using Polling = std::function<void(bool)>;

    // The key in the settings store under which the window's frame is kept.
    static inline const QString frameKey = QStringLiteral("RimgliderDebugWindow");

    // The one instance: the shared debug model, tuning values, settings and store.
    static DebugWindowController& shared();

    DebugWindowController(QSettings& store, ViewFactory makeView, Polling setPolling);

    void show();

    // The window, or null before the first show().
    [[nodiscard]] QWidget* window() const { return window_; }

    // A debug view that shows `model` and follows it, the tuning values and the settings.
    static DebugView* makeView(DebugModel& model, TuningSettings& tuning, AppSettings& settings,
                               Permissions& permissions);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QSettings& store_;
    ViewFactory makeView_;
    Polling setPolling_;
    QPointer<QWidget> window_;
};

} // namespace rimglider
