// The welcome guide's state: which step shows, what the user has tried on the real touchpad,
// and the moves it makes on its own. Events come from the gesture pipeline; a 1/30 s poll
// copies the pipeline's snapshot and, on the permission step, re-reads the input access.
// All timing goes through an injected scheduler so tests drive it.
#pragma once

#include "GesturePipeline.h"
#include "OnboardingStep.h"
#include "TaskScheduler.h"

#include "GestureEngineKit/ActionMapping.h"

#include <QObject>
#include <QSettings>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace rimglider {

class AppSettings;
class Permissions;

class OnboardingModel : public QObject {
    Q_OBJECT

  public:
    static constexpr std::chrono::milliseconds pollInterval{33}; // 1/30 s, rounded down
    static constexpr int permissionPollTicks = 15;
    static constexpr std::chrono::milliseconds advanceDelay{1400};
    static constexpr int lessonSteps = 3;
    static inline const QString completedKey = QStringLiteral("onboardingCompleted");
    // Set while the user went on without input access: the guide returns to that step.
    static inline const QString accessPendingKey = QStringLiteral("onboardingAccessPending");

    struct Services {
        GesturePipeline& pipeline;
        Permissions& permissions;
        AppSettings& settings;
        QSettings& userDefaults;                  // where "onboardingCompleted" goes
        std::function<bool()> hasBuiltInDisplay;  // BrightnessController::hasBuiltInDisplay
        std::function<bool()> isVolumeAdjustable; // VolumeController::isAdjustable
        TaskScheduler scheduler;
    };

    // Where the guide opens by itself at launch, if it does: at the start until completed, at
    // the access step while the user went on without access and it is still missing.
    static std::optional<OnboardingStep> dueStep(const QSettings& userDefaults, bool accessGranted);

    // The one instance, on the shared services and the Qt main loop.
    static OnboardingModel& shared();

    // Subscribes to `services.pipeline` for as long as this model exists.
    explicit OnboardingModel(Services services, QObject* parent = nullptr);
    ~OnboardingModel() override;

    [[nodiscard]] OnboardingStep step() const { return step_; }
    [[nodiscard]] const GesturePipeline::Snapshot& snapshot() const { return snapshot_; }
    [[nodiscard]] int volumeSteps() const { return volumeSteps_; }
    [[nodiscard]] int brightnessSteps() const { return brightnessSteps_; }
    [[nodiscard]] bool triedQuickMute() const { return triedQuickMute_; }
    [[nodiscard]] bool triedMediaStrip() const { return triedMediaStrip_; }
    [[nodiscard]] bool isRunning() const { return isRunning_; }
    [[nodiscard]] bool permissionMissingOnEntry() const { return permissionMissingOnEntry_; }
    [[nodiscard]] int ticks() const { return ticks_; }
    [[nodiscard]] bool isAdvancePending() const { return advance_ != nullptr; }

    [[nodiscard]] std::vector<OnboardingStep> visibleSteps() const;
    [[nodiscard]] bool canContinue() const;
    [[nodiscard]] GestureEngineKit::ActionMapping mapping() const;

    // Resets what was tried, turns gestures on, shows `step` and starts the poll.
    void start(OnboardingStep step);
    // Stops the poll and any pending automatic move.
    void stop();
    // Shows `step`, or `done` when `step` is not visible.
    void goTo(OnboardingStep step);
    void next();
    void back();
    // Leaves the access step without access, to come back to it at the next launch.
    void continueWithoutAccess();
    // The done button: records completion.
    void markCompleted();
    // The window is closing: stop, and count the guide as completed once access is granted.
    void windowWillClose();

    // One delivered event batch (the pipeline subscription calls this).
    void handle(const std::vector<GestureEngineKit::GestureEvent>& events);

    // The services the views read.
    [[nodiscard]] Permissions& permissions() const { return services_.permissions; }
    [[nodiscard]] AppSettings& settings() const { return services_.settings; }
    [[nodiscard]] bool isVolumeAdjustable() const;

  signals:
    void stepChanged();
    void snapshotChanged();
    void progressChanged();     // counters or tried flags
    void availabilityChanged(); // built-in display or volume control came or went

  public:
    // For shared(): forwards a change of the display or audio output to the views.
    void notifyAvailabilityChanged() { emit availabilityChanged(); }

  private:
    // A scheduled task checks its token, so stopping or moving on cancels it.
    using Token = std::shared_ptr<bool>;

    void scheduleAdvance(OnboardingStep from);
    void cancelAdvance();
    void scheduleTick(const Token& timer);
    void tick();

    Services services_;
    OnboardingStep step_ = OnboardingStep::welcome;
    GesturePipeline::Snapshot snapshot_;
    int volumeSteps_ = 0;
    int brightnessSteps_ = 0;
    bool triedQuickMute_ = false;
    bool triedMediaStrip_ = false;
    Token timer_;
    int ticks_ = 0;
    Token advance_;
    bool isRunning_ = false;
    bool permissionMissingOnEntry_ = false;
    std::shared_ptr<OnboardingModel*> self_; // what the pipeline's sink holds instead of `this`
};

} // namespace rimglider
