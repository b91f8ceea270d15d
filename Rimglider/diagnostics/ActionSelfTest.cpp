#include "ActionSelfTest.h"

#include "BrightnessController.h"
#include "Permissions.h"
#include "VolumeController.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>

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
    measurePair(run, QStringLiteral("brightness"), read, step,
                run->services.stepSizes(ActionSelfTest::Target::brightness), ActionSelfTest::directionFrom(*start),
                [run, start] {
                    BrightnessController& controller = run->services.brightness;
                    const auto display = controller.builtInDisplay();
                    if (!display) {
                        finish(run);
                        return;
                    }
                    controller.setLevel(*display, clamped(*start), [run](bool) { finish(run); });
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
    measurePair(run, QStringLiteral("volume"), read, step, run->services.stepSizes(ActionSelfTest::Target::volume),
                ActionSelfTest::directionFrom(*start), [run, start] {
                    // The brightness checks wait for the restore, so the two never overlap.
                    auto next = std::make_shared<bool>(false);
                    const auto proceed = [run, next](bool) {
                        if (std::exchange(*next, true)) return;
                        brightnessChecks(run);
                    };
                    if (!run->services.volume.setLevel(clamped(*start), proceed)) proceed(false);
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
                    {}};
}

void ActionSelfTest::run(Services services, std::function<void(const Report&)> done)
{
    if (!services.stepSizes) services.stepSizes = desktopStepSizes;
    if (!services.now) services.now = [] { return QDateTime::currentDateTimeUtc(); };
    if (services.reportPath.isEmpty()) services.reportPath = defaultReportPath();
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

std::optional<ActionSelfTest::StepSizes> ActionSelfTest::volumeStepSizes(const QString& desktop, const QString& setting)
{
    bool ok = false;
    // gsettings answers "6" or "uint32 6"; KDE stores a plain number.
    const int percent = setting.trimmed().section(u' ', -1).toInt(&ok);
    if (!ok || percent <= 0 || percent > 100) return std::nullopt;
    const float normal = float(percent) / 100;
    const QStringList names = desktop.toUpper().split(u':', Qt::SkipEmptyParts);
    if (names.contains(QStringLiteral("KDE"))) return StepSizes{normal, 0.01F};
    if (names.contains(QStringLiteral("GNOME"))) return StepSizes{normal, std::nullopt};
    return std::nullopt;
}

std::optional<ActionSelfTest::StepSizes> ActionSelfTest::desktopStepSizes(Target target)
{
    if (target != Target::volume) return std::nullopt;
    const QString desktop = qEnvironmentVariable("XDG_CURRENT_DESKTOP");
    const QString upper = desktop.toUpper();
    if (upper.contains(QStringLiteral("KDE"))) {
        const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
        for (const QString& file : {QStringLiteral("/plasmashellrc"), QStringLiteral("/kmixrc")}) {
            const QSettings settings(config + file, QSettings::IniFormat);
            for (const QString& key : settings.allKeys())
                if (key.endsWith(QStringLiteral("VolumeStep")))
                    return volumeStepSizes(desktop, settings.value(key).toString());
        }
        return volumeStepSizes(desktop, QStringLiteral("5")); // Plasma's default
    }
    if (upper.contains(QStringLiteral("GNOME"))) {
        QProcess gsettings;
        gsettings.start(QStringLiteral("gsettings"),
                        {QStringLiteral("get"), QStringLiteral("org.gnome.settings-daemon.plugins.media-keys"),
                         QStringLiteral("volume-step")});
        // Answers in milliseconds; once per self-test run.
        if (!gsettings.waitForFinished(2000) || gsettings.exitCode() != 0) return std::nullopt;
        return volumeStepSizes(desktop, QString::fromUtf8(gsettings.readAllStandardOutput()));
    }
    return std::nullopt;
}

} // namespace rimglider
