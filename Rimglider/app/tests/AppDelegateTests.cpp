#include "AppDelegate.h"

#include <gtest/gtest.h>

namespace rimglider {
namespace {

using Action = AppDelegate::LaunchAction;
using Kind = Action::Kind;

std::vector<Action> actions(QStringList arguments, bool completed = true)
{
    arguments.prepend(QStringLiteral("rimglider"));
    return AppDelegate::launchActions(arguments, completed);
}

TEST(LaunchArguments, WindowsInTheirFixedOrderFromExactArgumentsOnly)
{
    const Action guide{Kind::welcomeGuide, OnboardingStep::welcome};
    const Action exiting{Kind::selfTest, OnboardingStep::welcome, true};
    const struct {
        QStringList arguments;
        bool completed;
        std::vector<Action> expected;
    } cases[] = {
        {{"--selftest", "--settings", "--debug", "--preview-menu", "--onboarding"},
         true,
         {{Kind::debugWindow}, {Kind::settingsWindow}, {Kind::previewMenu}, guide, {Kind::selfTest}}},
        {{}, true, {}},
        {{"--settings=1", "--Settings", "-settings", "--unknown", "settings"}, true, {}},
        {{}, false, {guide}}, // never completed: the guide opens by itself
        {{"--onboarding-step", "brightness"}, true, {{Kind::welcomeGuide, OnboardingStep::brightness}}},
        {{"--onboarding", "--onboarding-step", "done"}, true, {{Kind::welcomeGuide, OnboardingStep::done}}},
        {{"--onboarding-step", "Volume"}, true, {}}, // an unknown name: as if absent
        {{"--onboarding-step", "nope", "--onboarding"}, true, {guide}},
        {{"--onboarding-step", "nope"}, false, {guide}},
        {{"--settings", "--onboarding-step"}, true, {{Kind::settingsWindow}}}, // nothing follows it
        {{"--onboarding-step", "--settings"}, true, {{Kind::settingsWindow}}}, // not a value, an option
        {{"--exit-after-selftest", "--selftest"}, true, {exiting}},
        {{"--exit-after-selftest"}, true, {exiting}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(actions(c.arguments, c.completed), c.expected) << c.arguments.join(' ').toStdString();
}

TEST(LaunchArguments, PerformCallsTheWindowsInOrderSkipsMissingOnesAndPassesTheExitRequest)
{
    std::vector<QString> calls;
    bool completed = false;
    AppDelegate delegate({
        .debugWindow = {},
        .settingsWindow = [&] { calls.emplace_back(QStringLiteral("settings")); },
        .previewMenu = [&] { calls.emplace_back(QStringLiteral("preview")); },
        .welcomeGuide = [&](OnboardingStep step) { calls.emplace_back(onboardingStepName(step)); },
        .selfTest = [&](bool exitAfter) { calls.emplace_back(exitAfter ? "selftest, exit" : "selftest"); },
        .onboardingCompleted = [&] { return completed; },
    });
    delegate.perform({QStringLiteral("rimglider"), QStringLiteral("--selftest"), QStringLiteral("--debug"),
                      QStringLiteral("--preview-menu"), QStringLiteral("--settings")});
    completed = true;
    delegate.perform({QStringLiteral("rimglider"), QStringLiteral("--exit-after-selftest")});
    EXPECT_EQ(calls, (std::vector<QString>{"settings", "preview", "welcome", "selftest", "selftest, exit"}));
}

} // namespace
} // namespace rimglider
