// Wires the running system: starts the long-lived services, connects their change callbacks to
// one apply(), and apply() turns the current settings, tuning values, permission and display
// state into the engine configuration, the click-guard window, the event tap and the
// pipeline's enabled state. Main thread.
#pragma once

#include "AppSettings.h"

#include <functional>
#include <memory>

namespace rimglider {

class ActionDispatcher;
class BrightnessController;
class ClickGuard;
class ContactHider;
class CursorFreeze;
class EventTap;
class GesturePipeline;
class Permissions;
class TouchInput;
class TuningSettings;
class VolumeController;

class AppController {
  public:
    struct Services {
        AppSettings& settings;
        TuningSettings& tuning;
        Permissions& permissions;
        VolumeController& volume;
        BrightnessController& brightness;
        ActionDispatcher& dispatcher;
        GesturePipeline& pipeline;
        ClickGuard& clickGuard;
        EventTap& eventTap;
        TouchInput& touchInput;
        CursorFreeze& cursorFreeze;
    };
    // Sets the application's palette: the system's, or a forced light or dark one. The user
    // interface installs it; without one the appearance setting has no effect.
    using AppearanceHook = std::function<void(AppSettings::AppearanceMode)>;

    static AppController& shared();

    explicit AppController(Services services);
    ~AppController();
    AppController(const AppController&) = delete;
    AppController& operator=(const AppController&) = delete;

    // Once: dispatcher, volume, brightness, the permission poll, the change callbacks, one
    // apply(), then the touch input. The pointer freeze, the gesture events and the click guard
    // drive exclusive mode through the touch input's connection.
    void start();
    void apply();

    // Gestures run only while switched on and the input service serves this user.
    [[nodiscard]] bool shouldRunGestures() const;

    // Stops the touch input and starts it again: after the machine wakes and when the user's
    // session becomes active again, the touchpad may be a new device.
    void restartTouchInput();

    void setAppearanceHook(AppearanceHook hook) { applyAppearance_ = std::move(hook); }

  private:
    std::function<void()> applyLater() const;

    Services services_;
    std::shared_ptr<ContactHider> contactHider_; // held weakly by the callbacks that drive it
    AppearanceHook applyAppearance_;
    std::shared_ptr<AppController*> self_; // what the change callbacks hold weakly
};

} // namespace rimglider
