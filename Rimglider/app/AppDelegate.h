// Launch and termination: brings the services up in their fixed order, restarts the touch input
// after a wake-up or a return to this session, acts on the launch arguments (also those a later
// launch hands over), and releases a frozen pointer when the application ends.
#pragma once

#include "OnboardingStep.h"

#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace rimglider {

class SessionWatcher;

class AppDelegate {
  public:
    struct LaunchAction {
        enum class Kind { debugWindow, settingsWindow, previewMenu, welcomeGuide, selfTest };
        Kind kind;
        OnboardingStep step = OnboardingStep::welcome; // welcomeGuide only
        bool exitAfter = false;                        // selfTest only: print the summary and exit
        friend bool operator==(const LaunchAction&, const LaunchAction&) = default;
    };

    // What the arguments ask for, in the order it is done. Each option is an exact, whole
    // argument anywhere in the list; the guide opens at a named step, else on "--onboarding",
    // else at `guideDue` (where it opens by itself, if it does).
    // "--exit-after-selftest" runs the self-test too, and ends the process with its outcome.
    static std::vector<LaunchAction> launchActions(const QStringList& arguments,
                                                   std::optional<OnboardingStep> guideDue);

    // Where the actions go; the application fills these with its windows.
    struct Windows {
        std::function<void()> debugWindow; // empty: not in this build
        std::function<void()> settingsWindow;
        std::function<void()> previewMenu;
        std::function<void(OnboardingStep)> welcomeGuide;
        std::function<void(bool exitAfter)> selfTest;            // empty: not in this build
        std::function<std::optional<OnboardingStep>()> guideDue; // OnboardingModel::dueStep
    };

    explicit AppDelegate(Windows windows);
    ~AppDelegate();
    AppDelegate(const AppDelegate&) = delete;
    AppDelegate& operator=(const AppDelegate&) = delete;

    // Starts the controller, the updates and the session watch.
    void startServices();
    // Acts on `arguments` (program name first), at launch or when a later launch hands them over.
    // Returns what it did.
    std::vector<LaunchAction> perform(const QStringList& arguments);
    void applicationWillTerminate();

  private:
    Windows windows_;
    std::unique_ptr<SessionWatcher> sessionWatcher_;
};

} // namespace rimglider
