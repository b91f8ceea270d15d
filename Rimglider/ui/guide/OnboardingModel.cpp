#include "OnboardingModel.h"

#include "AppSettings.h"
#include "BrightnessController.h"
#include "Permissions.h"
#include "SettingsStore.h"
#include "VolumeController.h"

#include <QPointer>

#include <algorithm>

namespace rimglider {

using GestureEngineKit::EdgeAction;
using GestureEngineKit::GestureEvent;

OnboardingModel& OnboardingModel::shared()
{
    static auto* model = [] {
        auto& brightness = BrightnessController::shared();
        auto& volume = VolumeController::shared();
        auto* created = new OnboardingModel(Services{
            .pipeline = GesturePipeline::shared(),
            .permissions = Permissions::shared(),
            .settings = AppSettings::shared(),
            .userDefaults = standardSettingsStore(),
            .hasBuiltInDisplay = [&brightness] { return brightness.hasBuiltInDisplay(); },
            .isVolumeAdjustable = [&volume] { return volume.isAdjustable(); },
            .scheduler = mainThreadScheduler(),
        });
        QObject::connect(&brightness, &BrightnessController::hasBuiltInDisplayChanged, created,
                         &OnboardingModel::notifyAvailabilityChanged);
        QObject::connect(&volume, &VolumeController::isAdjustableChanged, created,
                         &OnboardingModel::notifyAvailabilityChanged);
        return created;
    }();
    return *model; // never destroyed, like the pipeline it subscribes to
}

OnboardingModel::OnboardingModel(Services services, QObject* parent)
    : QObject(parent), services_(std::move(services)), self_(std::make_shared<OnboardingModel*>(this))
{
    // The pipeline keeps its sinks forever; the sink reaches the model only while it exists.
    services_.pipeline.addSink([self = std::weak_ptr(self_)](const std::vector<GestureEvent>& events) {
        if (const auto model = self.lock()) (*model)->handle(events);
    });
}

OnboardingModel::~OnboardingModel()
{
    stop();
}

std::vector<OnboardingStep> OnboardingModel::visibleSteps() const
{
    std::vector<OnboardingStep> steps;
    const bool withBrightness = services_.hasBuiltInDisplay && services_.hasBuiltInDisplay();
    for (const auto step : allOnboardingSteps) {
        if (step != OnboardingStep::brightness || withBrightness) steps.push_back(step);
    }
    return steps;
}

bool OnboardingModel::canContinue() const
{
    switch (step_) {
    case OnboardingStep::welcome:
    case OnboardingStep::extras:
    case OnboardingStep::done:
        return true;
    case OnboardingStep::permission:
        return services_.permissions.isAccessibilityGranted();
    case OnboardingStep::volume:
        return volumeSteps_ >= lessonSteps;
    case OnboardingStep::brightness:
        return brightnessSteps_ >= lessonSteps;
    }
    return false;
}

GestureEngineKit::ActionMapping OnboardingModel::mapping() const
{
    return GestureEngineKit::ActionMapping{.swapSides = services_.settings.swapSides()};
}

bool OnboardingModel::isVolumeAdjustable() const
{
    return !services_.isVolumeAdjustable || services_.isVolumeAdjustable();
}

void OnboardingModel::start(OnboardingStep step)
{
    const bool changed = volumeSteps_ != 0 || brightnessSteps_ != 0 || triedQuickMute_ || triedMediaStrip_;
    volumeSteps_ = 0;
    brightnessSteps_ = 0;
    triedQuickMute_ = false;
    triedMediaStrip_ = false;
    if (changed) emit progressChanged();

    services_.settings.setEnabled(true);
    isRunning_ = true;
    goTo(step);

    if (timer_) *timer_ = true;
    timer_ = std::make_shared<bool>(false);
    scheduleTick(timer_);
}

void OnboardingModel::stop()
{
    isRunning_ = false;
    if (timer_) *timer_ = true;
    timer_.reset();
    cancelAdvance();
}

void OnboardingModel::goTo(OnboardingStep step)
{
    cancelAdvance();
    const auto visible = visibleSteps();
    const auto shown = std::ranges::find(visible, step) != visible.end() ? step : OnboardingStep::done;
    if (shown == OnboardingStep::permission)
        permissionMissingOnEntry_ = !services_.permissions.isAccessibilityGranted();
    // Emitted even for the same step: a restart at the current step must still redraw.
    step_ = shown;
    emit stepChanged();
}

void OnboardingModel::next()
{
    const auto visible = visibleSteps();
    const auto at = std::ranges::find(visible, step_);
    if (at == visible.end() || std::next(at) == visible.end()) return;
    goTo(*std::next(at));
}

void OnboardingModel::back()
{
    const auto visible = visibleSteps();
    const auto at = std::ranges::find(visible, step_);
    if (at == visible.end() || at == visible.begin()) return;
    goTo(*std::prev(at));
}

void OnboardingModel::continueWithoutAccess()
{
    services_.userDefaults.setValue(accessPendingKey, true);
    services_.userDefaults.sync();
    next();
}

void OnboardingModel::markCompleted()
{
    services_.userDefaults.setValue(completedKey, true);
    if (services_.permissions.isAccessibilityGranted()) services_.userDefaults.remove(accessPendingKey);
    services_.userDefaults.sync();
}

std::optional<OnboardingStep> OnboardingModel::dueStep(const QSettings& userDefaults, bool accessGranted)
{
    if (!accessGranted && userDefaults.value(accessPendingKey).toBool()) return OnboardingStep::permission;
    if (!userDefaults.value(completedKey).toBool()) return OnboardingStep::welcome;
    return std::nullopt;
}

void OnboardingModel::windowWillClose()
{
    stop();
    if (services_.permissions.isAccessibilityGranted()) markCompleted();
}

void OnboardingModel::handle(const std::vector<GestureEvent>& events)
{
    if (!isRunning_) return;
    for (const auto& event : events) {
        if (event.as<GestureEvent::DoubleTap>() != nullptr) {
            if (!triedQuickMute_) {
                triedQuickMute_ = true;
                emit progressChanged();
            }
        } else if (event.as<GestureEvent::Swipe>() != nullptr) {
            if (!triedMediaStrip_) {
                triedMediaStrip_ = true;
                emit progressChanged();
            }
        } else if (const auto* slide = event.as<GestureEvent::SliderStep>()) {
            const auto action = mapping().action(slide->zone);
            if (step_ == OnboardingStep::volume && action == EdgeAction::volume) {
                ++volumeSteps_;
                emit progressChanged();
                if (volumeSteps_ == lessonSteps) scheduleAdvance(OnboardingStep::volume);
            } else if (step_ == OnboardingStep::brightness && action == EdgeAction::brightness) {
                ++brightnessSteps_;
                emit progressChanged();
                if (brightnessSteps_ == lessonSteps) scheduleAdvance(OnboardingStep::brightness);
            }
        }
    }
}

void OnboardingModel::scheduleAdvance(OnboardingStep from)
{
    if (step_ != from || (advance_ && !*advance_)) return;
    advance_ = std::make_shared<bool>(false);
    services_.scheduler(advanceDelay, [model = QPointer(this), token = advance_, from] {
        if (*token || !model || model->step_ != from) return;
        model->advance_.reset();
        model->next();
    });
}

void OnboardingModel::cancelAdvance()
{
    if (advance_) *advance_ = true;
    advance_.reset();
}

void OnboardingModel::scheduleTick(const Token& timer)
{
    services_.scheduler(pollInterval, [model = QPointer(this), timer] {
        if (*timer || !model) return;
        model->tick();
        if (!*timer) model->scheduleTick(timer);
    });
}

void OnboardingModel::tick()
{
    auto current = services_.pipeline.snapshot();
    if (!(current == snapshot_)) {
        snapshot_ = std::move(current);
        emit snapshotChanged();
    }
    ++ticks_;
    if (step_ == OnboardingStep::permission && ticks_ % permissionPollTicks == 0) {
        services_.permissions.refresh();
        if (permissionMissingOnEntry_ && services_.permissions.isAccessibilityGranted())
            scheduleAdvance(OnboardingStep::permission);
    }
}

} // namespace rimglider
