#include "ActionDispatcher.h"

#include "AppSettings.h"
#include "BrightnessController.h"
#include "CursorFreeze.h"
#include "GesturePipeline.h"
#include "TuningSettings.h"
#include "VolumeController.h"

#include "GestureEngineKit/ActionMapping.h"

namespace rimglider {

using namespace GestureEngineKit;

namespace {

constexpr int keyMute = 7, keyPlayPause = 16, keyNextTrack = 17, keyPreviousTrack = 18;

} // namespace

ActionDispatcher& ActionDispatcher::shared()
{
    static ActionDispatcher* instance = new ActionDispatcher( // never destroyed
        AppSettings::shared(), TuningSettings::shared(), CursorFreeze::shared(),
        Outputs{
            [](SliderDirection d, bool fine) { return VolumeController::shared().step(d, fine); },
            [](SliderDirection d, bool fine) { return BrightnessController::shared().step(d, fine); },
            [] { return VolumeController::shared().isAdjustable(); },
            [] { return BrightnessController::shared().hasBuiltInDisplay(); },
            postSystemKey,
            [](HapticPattern pattern) { Haptics::shared().play(pattern); },
            mainThreadScheduler(),
        });
    return *instance;
}

ActionDispatcher::ActionDispatcher(const AppSettings& settings, const TuningSettings& tuning, CursorFreeze& freeze,
                                   Outputs outputs)
    : settings_(settings), tuning_(tuning), freeze_(freeze), outputs_(std::move(outputs)),
      self_(std::make_shared<ActionDispatcher*>(this))
{}

ActionDispatcher::~ActionDispatcher() = default;

void ActionDispatcher::start(GesturePipeline& pipeline)
{
    pipeline.addSink([weak = std::weak_ptr<ActionDispatcher*>(self_)](const std::vector<GestureEvent>& events) {
        const auto self = weak.lock();
        if (!self) return;
        for (const GestureEvent& event : events)
            (*self)->handle(event);
    });
}

ActionDispatcher::Target ActionDispatcher::targetOf(Zone sideZone) const
{
    return ActionMapping{settings_.swapSides()}.action(sideZone) == EdgeAction::brightness ? Target::brightness
                                                                                           : Target::volume;
}

void ActionDispatcher::handle(const GestureEvent& event)
{
    switch (event.kind()) {
    case GestureEvent::Kind::claimed:
        if (CursorFreeze::shouldFreeze(Tuning::FreezeFrom::claim, settings_, tuning_.values())) freeze_.freeze();
        break;
    case GestureEvent::Kind::released:
        freeze_.release();
        break;
    case GestureEvent::Kind::sliderBegan:
        beginSlider(event.as<GestureEvent::SliderBegan>()->zone);
        break;
    case GestureEvent::Kind::sliderStep:
        step(*event.as<GestureEvent::SliderStep>());
        break;
    case GestureEvent::Kind::swipe:
        postAndConfirm(event.as<GestureEvent::Swipe>()->direction == SwipeDirection::right ? keyNextTrack
                                                                                           : keyPreviousTrack);
        break;
    case GestureEvent::Kind::tap:
        postAndConfirm(keyPlayPause);
        break;
    case GestureEvent::Kind::doubleTap:
        postAndConfirm(keyMute);
        break;
    }
}

void ActionDispatcher::beginSlider(Zone zone)
{
    if (CursorFreeze::shouldFreeze(Tuning::FreezeFrom::gesture, settings_, tuning_.values())) freeze_.freeze();
    lastStepHitLimit_ = false;
    if (zone == Zone::bottom || zone == Zone::topRightCorner) return;
    const bool available =
        targetOf(zone) == Target::brightness ? outputs_.hasBuiltInDisplay() : outputs_.isVolumeAdjustable();
    if (available) return;
    // Two pulses say "nothing to adjust here". The second plays even if this dispatcher is
    // gone by then: it only needs the haptics, which live for the whole process.
    outputs_.playHaptic(HapticPattern::generic);
    outputs_.schedule(unavailablePulseGap, [play = outputs_.playHaptic] { play(HapticPattern::generic); });
}

void ActionDispatcher::step(const GestureEvent::SliderStep& slide)
{
    if (slide.zone == Zone::bottom || slide.zone == Zone::topRightCorner) {
        lastStepHitLimit_ = false;
        return;
    }
    const bool fine = slide.fine && settings_.fineControl();
    const StepResult result = targetOf(slide.zone) == Target::brightness
                                  ? outputs_.stepBrightness(slide.direction, fine)
                                  : outputs_.stepVolume(slide.direction, fine);
    switch (result) {
    case StepResult::stepped:
        switch (settings_.hapticStrength()) {
        case AppSettings::HapticStrength::strong:
            outputs_.playHaptic(HapticPattern::generic);
            break;
        case AppSettings::HapticStrength::medium:
            outputs_.playHaptic(HapticPattern::levelChange);
            break;
        case AppSettings::HapticStrength::light:
            outputs_.playHaptic(HapticPattern::alignment);
            break;
        case AppSettings::HapticStrength::off:
            break;
        }
        lastStepHitLimit_ = false;
        break;
    case StepResult::atLimit:
        if (!lastStepHitLimit_) outputs_.playHaptic(HapticPattern::alignment);
        lastStepHitLimit_ = true;
        break;
    case StepResult::unavailable:
        lastStepHitLimit_ = false;
        break;
    }
}

void ActionDispatcher::postAndConfirm(int code)
{
    outputs_.postKey(code, false);
    outputs_.playHaptic(HapticPattern::generic);
}

} // namespace rimglider
