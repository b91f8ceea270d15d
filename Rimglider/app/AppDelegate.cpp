#include "AppDelegate.h"

#include "AppController.h"
#include "CursorFreeze.h"
#include "DebugModel.h"
#include "SessionWatcher.h"
#include "Updates.h"

#include <QDBusConnection>

namespace rimglider {

std::vector<AppDelegate::LaunchAction> AppDelegate::launchActions(const QStringList& arguments,
                                                                  std::optional<OnboardingStep> guideDue)
{
    using Kind = LaunchAction::Kind;
    std::vector<LaunchAction> actions;
    if (arguments.contains(QLatin1String("--debug"))) actions.push_back({Kind::debugWindow});
    if (arguments.contains(QLatin1String("--settings"))) actions.push_back({Kind::settingsWindow});
    if (arguments.contains(QLatin1String("--preview-menu"))) actions.push_back({Kind::previewMenu});

    std::optional<OnboardingStep> step;
    const qsizetype stepOption = arguments.indexOf(QLatin1String("--onboarding-step"));
    if (stepOption >= 0 && stepOption + 1 < arguments.size()) step = onboardingStepNamed(arguments[stepOption + 1]);
    if (step)
        actions.push_back({Kind::welcomeGuide, *step});
    else if (arguments.contains(QLatin1String("--onboarding")))
        actions.push_back({Kind::welcomeGuide, OnboardingStep::welcome});
    else if (guideDue)
        actions.push_back({Kind::welcomeGuide, *guideDue});

    const bool exitAfterSelfTest = arguments.contains(QLatin1String("--exit-after-selftest"));
    if (arguments.contains(QLatin1String("--selftest")) || exitAfterSelfTest)
        actions.push_back({Kind::selfTest, OnboardingStep::welcome, exitAfterSelfTest});
    return actions;
}

AppDelegate::AppDelegate(Windows windows) : windows_(std::move(windows)) {}

AppDelegate::~AppDelegate() = default;

void AppDelegate::startServices()
{
    // The debug model first: it subscribes to the pipeline before the dispatcher does, so it
    // logs every event batch before the dispatcher acts on it.
    DebugModel::shared();
    AppController::shared().start();
    Updates::shared().start();
    sessionWatcher_ = std::make_unique<SessionWatcher>(QDBusConnection::systemBus());
    sessionWatcher_->start([] { AppController::shared().restartTouchInput(); });
}

std::vector<AppDelegate::LaunchAction> AppDelegate::perform(const QStringList& arguments)
{
    const std::optional<OnboardingStep> due = windows_.guideDue ? windows_.guideDue() : std::nullopt;
    const auto run = [](const std::function<void()>& window) {
        if (window) window();
    };
    const std::vector<LaunchAction> actions = launchActions(arguments, due);
    for (const LaunchAction& action : actions) {
        switch (action.kind) {
        case LaunchAction::Kind::debugWindow:
            run(windows_.debugWindow);
            break;
        case LaunchAction::Kind::settingsWindow:
            run(windows_.settingsWindow);
            break;
        case LaunchAction::Kind::previewMenu:
            run(windows_.previewMenu);
            break;
        case LaunchAction::Kind::welcomeGuide:
            if (windows_.welcomeGuide) windows_.welcomeGuide(action.step);
            break;
        case LaunchAction::Kind::selfTest:
            if (windows_.selfTest) windows_.selfTest(action.exitAfter);
            break;
        }
    }
    return actions;
}

void AppDelegate::applicationWillTerminate()
{
    CursorFreeze::shared().release();
}

} // namespace rimglider
