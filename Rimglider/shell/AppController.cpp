#include "AppController.h"

#include "ActionDispatcher.h"
#include "BrightnessController.h"
#include "ClickGuard.h"
#include "ContactHider.h"
#include "CursorFreeze.h"
#include "EventTap.h"
#include "GesturePipeline.h"
#include "Permissions.h"
#include "TouchInput.h"
#include "TuningSettings.h"
#include "VolumeController.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace rimglider {

AppController& AppController::shared()
{
    static AppController* instance = new AppController(
        Services{// never destroyed
                 AppSettings::shared(), TuningSettings::shared(), Permissions::shared(), VolumeController::shared(),
                 BrightnessController::shared(), ActionDispatcher::shared(), GesturePipeline::shared(),
                 ClickGuard::shared(), EventTap::shared(), TouchInput::shared(), CursorFreeze::shared()});
    return *instance;
}

AppController::AppController(Services services) : services_(services), self_(std::make_shared<AppController*>(this)) {}

AppController::~AppController() = default;

std::function<void()> AppController::applyLater() const
{
    return [weak = std::weak_ptr<AppController*>(self_)] {
        if (const auto self = weak.lock()) (*self)->apply();
    };
}

void AppController::start()
{
    TouchInput& touch = services_.touchInput;
    contactHider_ = std::make_shared<ContactHider>(
        [&touch](std::int32_t touchId, bool hide) { touch.hideContact(touchId, hide); }, mainThreadScheduler());
    const std::weak_ptr<ContactHider> hider = contactHider_;
    services_.cursorFreeze.onFrozenChange = [hider](bool frozen) {
        if (const auto h = hider.lock()) h->frozenChanged(frozen);
    };
    // Set before any input flows: the pipeline's queue calls it.
    services_.clickGuard.onAhead = [hider, &touch](const ClickGuard::Ahead& ahead) {
        if (hider.lock()) touch.setClickGuard(ahead.guarding, ahead.claimed, ahead.guardUntil, ahead.window);
    };
    services_.dispatcher.start(services_.pipeline);
    services_.pipeline.addSink(
        [hider, &pipeline = services_.pipeline](const std::vector<GestureEngineKit::GestureEvent>& events) {
            if (const auto h = hider.lock())
                h->handle(events, pipeline.claimedTouchOfDelivery(), pipeline.snapshot().config);
        });
    services_.volume.start();
    services_.brightness.start();
    services_.permissions.startPolling();

    services_.settings.onChange = applyLater();
    services_.tuning.onChange = applyLater();
    services_.permissions.onChange = applyLater();
    services_.brightness.onAvailabilityChange = applyLater();
    // A different touchpad may have another size. Its reader thread reports the change; the
    // configuration is applied on the main thread like every other change.
    services_.touchInput.setOnChange([apply = applyLater()] {
        if (auto* app = QCoreApplication::instance()) QMetaObject::invokeMethod(app, apply, Qt::QueuedConnection);
    });

    apply();
    services_.pipeline.attachTouchInput(services_.touchInput);
}

bool AppController::shouldRunGestures() const
{
    return services_.settings.isEnabled() && services_.permissions.isAccessibilityGranted();
}

void AppController::apply()
{
    const Tuning& tuning = services_.tuning.values();
    if (applyAppearance_) applyAppearance_(services_.settings.appearance());
    const GestureEngineKit::GestureConfig config = deriveGestureConfig(
        services_.settings, tuning, services_.brightness.hasBuiltInDisplay(), services_.touchInput.surfaceSize());
    services_.clickGuard.setWindow(tuning.clickGuardWindow);
    services_.pipeline.updateConfig(config);
    if (services_.permissions.isAccessibilityGranted()) services_.eventTap.start();
    const bool run = shouldRunGestures();
    services_.pipeline.setEnabled(run);
    if (!run) services_.cursorFreeze.release();
    services_.touchInput.setExclusiveWanted(run && services_.settings.exclusiveMode());
}

void AppController::restartTouchInput()
{
    services_.touchInput.stop();
    services_.touchInput.start();
}

} // namespace rimglider
