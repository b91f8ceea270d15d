#include "ActionDispatcher.h"

#include "AppSettings.h"
#include "BrightnessController.h"
#include "CursorFreeze.h"
#include "DesktopSteps.h"
#include "EventTap.h"
#include "GesturePipeline.h"
#include "MediaPlayers.h"
#include "TuningSettings.h"
#include "VolumeController.h"

#include "GestureEngineKit/ActionMapping.h"

namespace rimglider {

using namespace GestureEngineKit;

namespace {

constexpr int keyMute = 7, keyPlayPause = 16, keyNextTrack = 17, keyPreviousTrack = 18;

// A key performed without the desktop: mute through the sound server, media through MPRIS.
void performDirectly(int code)
{
    switch (code) {
    case keyMute: {
        VolumeController& volume = VolumeController::shared();
        volume.setMuted(!volume.isMuted());
        return;
    }
    case keyPlayPause:
        MediaPlayers::shared().send(MediaPlayers::Command::playPause);
        return;
    case keyNextTrack:
        MediaPlayers::shared().send(MediaPlayers::Command::next);
        return;
    case keyPreviousTrack:
        MediaPlayers::shared().send(MediaPlayers::Command::previous);
        return;
    default:
        return;
    }
}

StepResult adjustVolume(SliderDirection direction, bool fine)
{
    VolumeController& volume = VolumeController::shared();
    const StepResult result = volume.adjust(direction, DesktopSteps::shared().volumeStep(fine));
    if (result == StepResult::stepped && volume.target()) DesktopSteps::shared().showVolume(*volume.target());
    return result;
}

StepResult adjustBrightness(SliderDirection direction, bool fine)
{
    BrightnessController& brightness = BrightnessController::shared();
    const StepResult result = brightness.adjust(direction, DesktopSteps::shared().brightnessStep(fine));
    if (result == StepResult::stepped && brightness.target())
        DesktopSteps::shared().showBrightness(*brightness.target());
    return result;
}

} // namespace

ActionDispatcher& ActionDispatcher::shared()
{
    // Players are followed from launch on, so a command finds its player without asking.
    MediaPlayers::shared().start();
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
            [] { return EventTap::shared().heldModifiers(); },
            adjustVolume,
            adjustBrightness,
            performDirectly,
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
    const bool direct = performsDirectly();
    const bool brightness = targetOf(slide.zone) == Target::brightness;
    const auto& step = brightness ? (direct ? outputs_.adjustBrightness : outputs_.stepBrightness)
                                  : (direct ? outputs_.adjustVolume : outputs_.stepVolume);
    const StepResult result = step(slide.direction, fine);
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

bool ActionDispatcher::performsDirectly() const
{
    // Fn never reaches the desktop's bindings: a key posted with it held is still bare.
    return outputs_.heldModifiers && !(outputs_.heldModifiers() - ModifierState::function).isEmpty();
}

void ActionDispatcher::postAndConfirm(int code)
{
    if (performsDirectly())
        outputs_.performKey(code);
    else
        outputs_.postKey(code, false);
    outputs_.playHaptic(HapticPattern::generic);
}

} // namespace rimglider
