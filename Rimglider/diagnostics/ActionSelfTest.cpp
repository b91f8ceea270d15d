#include "ActionSelfTest.h"

#include "BrightnessController.h"
#include "DesktopSteps.h"
#include "Permissions.h"
#include "VolumeController.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <memory>

namespace rimglider {

using GestureEngineKit::SliderDirection;

namespace {

// The shortest text that reads back as the same float, so 0.44 is stored as 0.44.
double jsonNumber(float value)
{
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return QByteArray(text, end - text).toDouble();
}

float clamped(float level)
{
    return std::clamp(level, 0.0F, 1.0F);
}

struct Run {
    ActionSelfTest::Services services;
    std::function<void(const ActionSelfTest::Report&)> done;
    ActionSelfTest::Report report;
};

using Reader = std::function<std::optional<float>()>;
using Stepper = std::function<void(SliderDirection, bool fine)>;

// A normal step, then a fine one, each read back after the settle time; `then` follows once
// both checks are in the report.
void measurePair(const std::shared_ptr<Run>& run, const QString& what, Reader read, Stepper step,
                 std::optional<ActionSelfTest::StepSizes> sizes, SliderDirection direction, std::function<void()> then)
{
    ActionSelfTest::Check normal{what + QStringLiteral(" step"), read(), std::nullopt, 0, false};
    step(direction, false);
    run->services.scheduler(ActionSelfTest::settleTime, [=]() mutable {
        normal.after = read();
        ActionSelfTest::Check fine{what + QStringLiteral(" fine step"), read(), std::nullopt, 0, false};
        step(direction, true);
        run->services.scheduler(ActionSelfTest::settleTime, [=]() mutable {
            fine.after = read();
            const std::optional<float> normalStep = sizes ? sizes->normal : std::nullopt;
            const std::optional<float> fineStep = sizes ? sizes->fine : std::nullopt;
            normal.step = normalStep.value_or(0);
            fine.step = fineStep.value_or(0);
            normal.passed = ActionSelfTest::passes(normal.before, normal.after, direction, normalStep, false);
            std::optional<float> normalMove;
            if (normal.before && normal.after) normalMove = *normal.after - *normal.before;
            fine.passed = ActionSelfTest::passes(fine.before, fine.after, direction, fineStep, true, normalMove);
            run->report.checks.append(normal);
            run->report.checks.append(fine);
            then();
        });
    });
}

using Adjuster = std::function<void(SliderDirection, float amount)>;

SliderDirection opposite(SliderDirection direction)
{
    return direction == SliderDirection::up ? SliderDirection::down : SliderDirection::up;
}

// One direct fine step in `direction` and one back, each read back after the settle time.
void measureDirect(const std::shared_ptr<Run>& run, ActionSelfTest::Target target, Reader read, Adjuster adjust,
                   float unit, SliderDirection direction, std::function<void()> then)
{
    const QString what =
        target == ActionSelfTest::Target::volume ? QStringLiteral("volume") : QStringLiteral("brightness");
    const float step = run->services.directFineStep(target);
    for (const SliderDirection way : {opposite(direction), direction}) { // wrapped last first
        const QString name = what + QStringLiteral(" direct fine step ") +
                             (way == SliderDirection::up ? QStringLiteral("up") : QStringLiteral("down"));
        then = [=, next = std::move(then)] {
            ActionSelfTest::Check check{name, read(), std::nullopt, step, false};
            adjust(way, step);
            run->services.scheduler(ActionSelfTest::settleTime, [=]() mutable {
                check.after = read();
                check.passed = ActionSelfTest::passesDirect(check.before, check.after, way, step, unit);
                run->report.checks.append(check);
                next();
            });
        };
    }
    then();
}

void finish(const std::shared_ptr<Run>& run)
{
    ActionSelfTest::writeReport(run->report, run->services.reportPath); // a failure only loses the file
    run->done(run->report);
}

void brightnessChecks(const std::shared_ptr<Run>& run)
{
    BrightnessController& brightness = run->services.brightness;
    const Reader read = [&brightness]() -> std::optional<float> {
        const auto display = brightness.builtInDisplay();
        return display ? BrightnessController::readLevel(*display) : std::nullopt;
    };
    const std::optional<float> start = brightness.hasBuiltInDisplay() ? read() : std::nullopt;
    if (!start) {
        finish(run);
        return;
    }
    const Stepper step = [&brightness](SliderDirection direction, bool fine) { brightness.step(direction, fine); };
    const auto restore = [run, start] {
        BrightnessController& controller = run->services.brightness;
        const auto display = controller.builtInDisplay();
        if (!display) {
            finish(run);
            return;
        }
        controller.setLevel(*display, clamped(*start), [run](bool) { finish(run); });
    };
    const auto display = brightness.builtInDisplay();
    const float unit = (display ? BrightnessController::levelUnit(*display) : std::nullopt).value_or(0.0F);
    const SliderDirection direction = ActionSelfTest::directionFrom(*start);
    measurePair(run, QStringLiteral("brightness"), read, step,
                run->services.stepSizes(ActionSelfTest::Target::brightness), direction,
                [run, read, unit, direction, restore] {
                    BrightnessController& controller = run->services.brightness;
                    measureDirect(
                        run, ActionSelfTest::Target::brightness, read,
                        [&controller](SliderDirection way, float amount) { controller.adjust(way, amount); }, unit,
                        direction, restore);
                });
}

void volumeChecks(const std::shared_ptr<Run>& run)
{
    VolumeController& volume = run->services.volume;
    // The controller's level follows the server's change events, so 0.6 s after a step it
    // holds what the desktop made of the key.
    const Reader read = [&volume]() -> std::optional<float> {
        return volume.device() != 0 ? volume.volume() : std::nullopt;
    };
    const std::optional<float> start =
        volume.isAdjustable() && volume.device() != 0 ? volume.volume() : std::optional<float>();
    if (!start) {
        brightnessChecks(run);
        return;
    }
    const Stepper step = [&volume](SliderDirection direction, bool fine) { volume.step(direction, fine); };
    const auto restore = [run, start] {
        // The brightness checks wait for the restore, so the two never overlap.
        auto next = std::make_shared<bool>(false);
        const auto proceed = [run, next](bool) {
            if (std::exchange(*next, true)) return;
            brightnessChecks(run);
        };
        if (!run->services.volume.setLevel(clamped(*start), proceed)) proceed(false);
    };
    const SliderDirection direction = ActionSelfTest::directionFrom(*start);
    measurePair(run, QStringLiteral("volume"), read, step, run->services.stepSizes(ActionSelfTest::Target::volume),
                direction, [run, read, direction, restore] {
                    VolumeController& controller = run->services.volume;
                    measureDirect(
                        run, ActionSelfTest::Target::volume, read,
                        [&controller](SliderDirection way, float amount) { controller.adjust(way, amount); },
                        VolumeController::levelUnit, direction, restore);
                });
}

} // namespace

QString ActionSelfTest::Report::summary() const
{
    const auto passed = std::count_if(checks.begin(), checks.end(), [](const Check& c) { return c.passed; });
    QString text = QStringLiteral("%1/%2 checks passed").arg(passed).arg(checks.size());
    if (!accessibilityGranted) text += QStringLiteral("; Input access not granted, keys cannot be sent");
    return text;
}

int ActionSelfTest::Report::exitStatus() const
{
    return std::all_of(checks.begin(), checks.end(), [](const Check& c) { return c.passed; }) ? 0 : 1;
}

QJsonObject ActionSelfTest::Report::toJson() const
{
    QJsonArray checkArray;
    for (const Check& check : checks) {
        QJsonObject object{{QStringLiteral("name"), check.name},
                           {QStringLiteral("step"), jsonNumber(check.step)},
                           {QStringLiteral("passed"), check.passed}};
        if (check.before) object.insert(QStringLiteral("before"), jsonNumber(*check.before));
        if (check.after) object.insert(QStringLiteral("after"), jsonNumber(*check.after));
        checkArray.append(object);
    }
    // Whole seconds in UTC, as "2025-03-03T14:05:09Z".
    QDateTime utc = ranAt.toUTC();
    utc.setTime(QTime(utc.time().hour(), utc.time().minute(), utc.time().second()));
    // QJsonObject keeps its keys sorted, so the document comes out with sorted keys.
    return QJsonObject{{QStringLiteral("ranAt"), utc.toString(Qt::ISODate)},
                       {QStringLiteral("accessibilityGranted"), accessibilityGranted},
                       {QStringLiteral("outputDevice"), outputDevice},
                       {QStringLiteral("volumeAdjustable"), volumeAdjustable},
                       {QStringLiteral("hasBuiltInDisplay"), hasBuiltInDisplay},
                       {QStringLiteral("checks"), checkArray}};
}

bool ActionSelfTest::passes(std::optional<float> before, std::optional<float> after, SliderDirection direction,
                            std::optional<float> expectedStep, bool fine, std::optional<float> normalMove)
{
    if (!before || !after) return false;
    const float move = *after - *before;
    if (direction == SliderDirection::up ? !(move > 0) : !(move < 0)) return false;
    if (expectedStep) {
        const float step = *expectedStep;
        if (!(step > 0)) return false;
        if (std::fabs(move) > step + step / 20) return false;
        const float onGrid = *after / step;
        return std::fabs(onGrid - std::round(onGrid)) < 0.05F;
    }
    if (std::fabs(move) > unknownStepLimit) return false;
    if (!fine) return true;
    return normalMove && std::fabs(move) < std::fabs(*normalMove);
}

bool ActionSelfTest::passesDirect(std::optional<float> before, std::optional<float> after, SliderDirection direction,
                                  float expectedStep, float unit)
{
    if (!before || !after) return false;
    const float move = direction == SliderDirection::up ? *after - *before : *before - *after;
    // A float's own rounding of levels near 1 is far below any device's unit.
    return move > 0 && std::fabs(move - expectedStep) <= unit + 1e-6F;
}

SliderDirection ActionSelfTest::directionFrom(float startLevel)
{
    return startLevel < 0.3F ? SliderDirection::up : SliderDirection::down;
}

ActionSelfTest::Services ActionSelfTest::sharedServices()
{
    return Services{VolumeController::shared(),
                    BrightnessController::shared(),
                    [] { return Permissions::shared().isAccessibilityGranted(); },
                    mainThreadScheduler(),
                    {},
                    {},
                    {},
                    {}};
}

void ActionSelfTest::run(Services services, std::function<void(const Report&)> done)
{
    if (!services.stepSizes) services.stepSizes = desktopStepSizes;
    if (!services.now) services.now = [] { return QDateTime::currentDateTimeUtc(); };
    if (services.reportPath.isEmpty()) services.reportPath = defaultReportPath();
    if (!services.directFineStep)
        services.directFineStep = [](Target target) {
            return target == Target::volume ? DesktopSteps::shared().volumeStep(true)
                                            : DesktopSteps::shared().brightnessStep(true);
        };
    auto run = std::make_shared<Run>(Run{std::move(services), std::move(done), {}});
    Report& report = run->report;
    report.ranAt = run->services.now();
    report.accessibilityGranted = run->services.accessibilityGranted && run->services.accessibilityGranted();
    report.outputDevice = run->services.volume.deviceName();
    report.volumeAdjustable = run->services.volume.isAdjustable();
    report.hasBuiltInDisplay = run->services.brightness.hasBuiltInDisplay();
    volumeChecks(run);
}

QString ActionSelfTest::defaultReportPath()
{
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty() || QDir::isRelativePath(state)) state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/Rimglider/selftest.json");
}

bool ActionSelfTest::writeReport(const Report& report, const QString& path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    file.write(QJsonDocument(report.toJson()).toJson(QJsonDocument::Indented));
    return file.commit();
}

std::optional<ActionSelfTest::StepSizes> ActionSelfTest::desktopStepSizes(Target target)
{
    if (target != Target::volume) return std::nullopt;
    const DesktopSteps& steps = DesktopSteps::shared();
    switch (steps.desktop()) {
    case DesktopSteps::Desktop::gnome:
        return StepSizes{steps.volumeStep(false), std::nullopt}; // its Shift step is not a setting
    case DesktopSteps::Desktop::kde:
        return StepSizes{steps.volumeStep(false), 0.01F}; // plasma-pa's fixed fine step
    case DesktopSteps::Desktop::other:
        return std::nullopt;
    }
    return std::nullopt;
}

} // namespace rimglider
