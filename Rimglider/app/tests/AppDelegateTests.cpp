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
    };
    for (const auto& c : cases)
        EXPECT_EQ(actions(c.arguments, c.completed), c.expected) << c.arguments.join(' ').toStdString();
}

TEST(LaunchArguments, ExitAfterSelfTestRunsTheSelfTestAndAsksForTheExit)
{
    const Action exiting{Kind::selfTest, OnboardingStep::welcome, true};
    EXPECT_EQ(actions({QStringLiteral("--selftest")}), (std::vector<Action>{{Kind::selfTest}}));
    EXPECT_EQ(actions({QStringLiteral("--exit-after-selftest"), QStringLiteral("--selftest")}),
              (std::vector<Action>{exiting}));
    EXPECT_EQ(actions({QStringLiteral("--exit-after-selftest")}), (std::vector<Action>{exiting}));

    std::vector<bool> runs;
    AppDelegate delegate({
        .debugWindow = {},
        .settingsWindow = {},
        .previewMenu = {},
        .welcomeGuide = {},
        .selfTest = [&](bool exitAfter) { runs.push_back(exitAfter); },
        .onboardingCompleted = [] { return true; },
    });
    delegate.perform({QStringLiteral("rimglider"), QStringLiteral("--exit-after-selftest")});
    delegate.perform({QStringLiteral("rimglider"), QStringLiteral("--selftest")});
    EXPECT_EQ(runs, (std::vector<bool>{true, false}));
}

TEST(LaunchArguments, PerformCallsTheWindowsInOrderAndSkipsMissingOnes)
{
    std::vector<QString> calls;
    AppDelegate delegate({
        .debugWindow = {},
        .settingsWindow = [&] { calls.emplace_back(QStringLiteral("settings")); },
        .previewMenu = [&] { calls.emplace_back(QStringLiteral("preview")); },
        .welcomeGuide = [&](OnboardingStep step) { calls.emplace_back(onboardingStepName(step)); },
        .selfTest = {},
        .onboardingCompleted = [] { return false; },
    });
    delegate.perform({QStringLiteral("rimglider"), QStringLiteral("--selftest"), QStringLiteral("--debug"),
                      QStringLiteral("--preview-menu"), QStringLiteral("--settings")});
    EXPECT_EQ(calls,
              (std::vector<QString>{QStringLiteral("settings"), QStringLiteral("preview"), QStringLiteral("welcome")}));
}

} // namespace
} // namespace rimglider
