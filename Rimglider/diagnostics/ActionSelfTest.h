// Checks on the real machine that the keys Rimglider posts move the output volume and the
// backlight by one normal and one fine step: measures each level before and 0.6 s after a step,
// restores the levels it found and writes a JSON report. The desktop, not Rimglider, chooses
// the step size; where its settings tell the size the check expects exactly that step on its
// grid, elsewhere only a plausible move in the right direction. Then one fine step each way
// through the direct path (what a gesture made with a modifier held does, no key posted): a
// quarter of the desktop's step, to within one unit of the device's resolution.
#pragma once

#include "TaskScheduler.h"

#include "GestureEngineKit/TouchTypes.h"

#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <chrono>
#include <functional>
#include <optional>

namespace rimglider {

class BrightnessController;
class VolumeController;

class ActionSelfTest {
  public:
    static constexpr std::chrono::milliseconds settleTime{600};
    // Largest move an unknown step may make.
    static constexpr float unknownStepLimit = 0.2F;

    enum class Target { volume, brightness };
    // The desktop's step sizes (0…1) for a normal key press and one with Shift; absent where
    // its settings do not say.
    struct StepSizes {
        std::optional<float> normal;
        std::optional<float> fine;
    };
    using StepSizeSource = std::function<std::optional<StepSizes>(Target)>;

    struct Check {
        QString name;
        std::optional<float> before;
        std::optional<float> after;
        float step = 0; // the expected step; 0 when the desktop's step is unknown
        bool passed = false;
        friend bool operator==(const Check&, const Check&) = default;
    };

    struct Report {
        QDateTime ranAt;
        bool accessibilityGranted = false;
        QString outputDevice;
        bool volumeAdjustable = false;
        bool hasBuiltInDisplay = false;
        QList<Check> checks;

        [[nodiscard]] QString summary() const;
        [[nodiscard]] QJsonObject toJson() const;
        // 0 when every check that ran passed (also when none ran), else 1.
        [[nodiscard]] int exitStatus() const;
    };

    struct Services {
        VolumeController& volume;
        BrightnessController& brightness;
        std::function<bool()> accessibilityGranted;
        TaskScheduler scheduler;        // the 0.6 s waits
        StepSizeSource stepSizes;       // empty: desktopStepSizes
        std::function<QDateTime()> now; // empty: the system clock
        QString reportPath;             // empty: defaultReportPath()
        // The direct path's fine step (0…1) for a target; empty: DesktopSteps::shared()'s.
        std::function<float(Target)> directFineStep;
    };

    // The process's controllers, permission and main-thread scheduler.
    static Services sharedServices();

    // Runs on the main thread without blocking it; `done` receives the report after the levels
    // are restored and the report file is written.
    static void run(Services services, std::function<void(const Report&)> done);

    // The pass rule for one step. A known step must be met in size and land on its grid; an
    // unknown one must move the right way by at most unknownStepLimit, and a fine one by less
    // than `normalMove`, the normal step's move.
    static bool passes(std::optional<float> before, std::optional<float> after,
                       GestureEngineKit::SliderDirection direction, std::optional<float> expectedStep, bool fine,
                       std::optional<float> normalMove = std::nullopt);
    // The pass rule for a direct step: the right way, `expectedStep` in size to within `unit`,
    // the device's resolution.
    static bool passesDirect(std::optional<float> before, std::optional<float> after,
                             GestureEngineKit::SliderDirection direction, float expectedStep, float unit);
    // Up from a low level, down from anywhere else, so the step has room.
    static GestureEngineKit::SliderDirection directionFrom(float startLevel);

    // $XDG_STATE_HOME/Rimglider/selftest.json ($HOME/.local/state when unset).
    static QString defaultReportPath();
    // Writes `report` atomically; false when the folder or the file cannot be written.
    static bool writeReport(const Report& report, const QString& path);

    // What the running desktop's own settings say (DesktopSteps): GNOME's volume step (its fine
    // step is not a setting), KDE Plasma's volume step and its fixed 1 % fine step; nothing for
    // brightness or other desktops.
    static std::optional<StepSizes> desktopStepSizes(Target target);
};

} // namespace rimglider
