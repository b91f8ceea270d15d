// Turns gesture events into what they stand for: volume and brightness steps, mute, next and
// previous track, play/pause, each confirmed by a haptic pulse; and holds the pointer still
// while a gesture owns the finger. A subscriber of the gesture pipeline, on the main thread.
//
// Normally the action is a posted key, so the desktop applies its own step and shows its own
// level. While the user holds a modifier (other than Fn) a posted key would arrive with that
// modifier, which the desktop's exact-match bindings ignore: then the action is performed
// here, through the sound server, the backlight and the media players, and no key is posted.
#pragma once

#include "Haptics.h"
#include "SystemKeys.h"
#include "TaskScheduler.h"

#include "GestureEngineKit/TouchTypes.h"

#include <chrono>
#include <functional>
#include <memory>

namespace rimglider {

class AppSettings;
class CursorFreeze;
class GesturePipeline;
class TuningSettings;

class ActionDispatcher {
  public:
    // The gap between the two pulses that say a slide's target cannot be adjusted.
    static constexpr std::chrono::milliseconds unavailablePulseGap{90};

    // What the dispatcher acts on; the shared instance wires the real services.
    struct Outputs {
        std::function<StepResult(GestureEngineKit::SliderDirection, bool fine)> stepVolume;
        std::function<StepResult(GestureEngineKit::SliderDirection, bool fine)> stepBrightness;
        std::function<bool()> isVolumeAdjustable;
        std::function<bool()> hasBuiltInDisplay;
        std::function<void(int code, bool fine)> postKey;
        std::function<void(HapticPattern)> playHaptic;
        TaskScheduler schedule;
        // The modifiers physically held now; none when empty.
        std::function<GestureEngineKit::ModifierState()> heldModifiers;
        // The same steps and keys performed here instead of posted.
        std::function<StepResult(GestureEngineKit::SliderDirection, bool fine)> adjustVolume;
        std::function<StepResult(GestureEngineKit::SliderDirection, bool fine)> adjustBrightness;
        std::function<void(int code)> performKey;
    };

    static ActionDispatcher& shared();

    ActionDispatcher(const AppSettings& settings, const TuningSettings& tuning, CursorFreeze& freeze, Outputs outputs);
    ~ActionDispatcher();
    ActionDispatcher(const ActionDispatcher&) = delete;
    ActionDispatcher& operator=(const ActionDispatcher&) = delete;

    // Subscribes to the pipeline; the subscription does nothing once this dispatcher is gone.
    void start(GesturePipeline& pipeline);

    void handle(const GestureEngineKit::GestureEvent& event);

    // A step found its target at the end of its range: later limit hits stay silent until
    // a step moves the level again or a new slide begins.
    [[nodiscard]] bool lastStepHitLimit() const { return lastStepHitLimit_; }

  private:
    enum class Target : std::uint8_t { volume, brightness };
    [[nodiscard]] Target targetOf(GestureEngineKit::Zone sideZone) const;
    void beginSlider(GestureEngineKit::Zone zone);
    void step(const GestureEngineKit::GestureEvent::SliderStep& step);
    void postAndConfirm(int code);
    [[nodiscard]] bool performsDirectly() const;

    const AppSettings& settings_;
    const TuningSettings& tuning_;
    CursorFreeze& freeze_;
    Outputs outputs_;
    bool lastStepHitLimit_ = false;
    std::shared_ptr<ActionDispatcher*> self_; // what subscriptions and pending tasks hold weakly
};

} // namespace rimglider
