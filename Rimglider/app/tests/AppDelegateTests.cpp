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

TEST(LaunchArguments, WindowsOpenInTheirFixedOrderWhateverTheArgumentOrder)
{
    EXPECT_EQ(actions({QStringLiteral("--selftest"), QStringLiteral("--settings"), QStringLiteral("--debug"),
                       QStringLiteral("--preview-menu"), QStringLiteral("--onboarding")}),
              (std::vector<Action>{{Kind::debugWindow},
                                   {Kind::settingsWindow},
                                   {Kind::previewMenu},
                                   {Kind::welcomeGuide, OnboardingStep::welcome},
                                   {Kind::selfTest}}));
    EXPECT_EQ(actions({QStringLiteral("--settings"), QStringLiteral("--debug")}),
              (std::vector<Action>{{Kind::debugWindow}, {Kind::settingsWindow}}));
    EXPECT_TRUE(actions({}).empty());
}

TEST(LaunchArguments, OnlyExactWholeArgumentsCount)
{
    EXPECT_TRUE(actions({QStringLiteral("--settings=1"), QStringLiteral("--Settings"), QStringLiteral("-settings"),
                         QStringLiteral("--unknown"), QStringLiteral("settings")})
                    .empty());
}

TEST(LaunchArguments, GuideOpensAtANamedStepOnRequestOrWhenNeverCompleted)
{
    EXPECT_EQ(actions({QStringLiteral("--onboarding-step"), QStringLiteral("brightness")}),
              (std::vector<Action>{{Kind::welcomeGuide, OnboardingStep::brightness}}));
    // A named step wins over "--onboarding".
    EXPECT_EQ(actions({QStringLiteral("--onboarding"), QStringLiteral("--onboarding-step"), QStringLiteral("done")}),
              (std::vector<Action>{{Kind::welcomeGuide, OnboardingStep::done}}));
    // Never completed: the guide opens at its first step without being asked.
    EXPECT_EQ(actions({}, false), (std::vector<Action>{{Kind::welcomeGuide, OnboardingStep::welcome}}));
}

TEST(LaunchArguments, AStepOptionWithoutAValidNameIsIgnored)
{
    // Unknown name: as if absent.
    EXPECT_TRUE(actions({QStringLiteral("--onboarding-step"), QStringLiteral("Volume")}).empty());
    EXPECT_EQ(actions({QStringLiteral("--onboarding-step"), QStringLiteral("nope"), QStringLiteral("--onboarding")}),
              (std::vector<Action>{{Kind::welcomeGuide, OnboardingStep::welcome}}));
    EXPECT_EQ(actions({QStringLiteral("--onboarding-step"), QStringLiteral("nope")}, false),
              (std::vector<Action>{{Kind::welcomeGuide, OnboardingStep::welcome}}));
    // Last argument: nothing follows it.
    EXPECT_TRUE(actions({QStringLiteral("--onboarding-step")}).empty());
    EXPECT_EQ(actions({QStringLiteral("--settings"), QStringLiteral("--onboarding-step")}),
              (std::vector<Action>{{Kind::settingsWindow}}));
    // The step's value is not read as an option of its own.
    EXPECT_EQ(actions({QStringLiteral("--onboarding-step"), QStringLiteral("--settings")}),
              (std::vector<Action>{{Kind::settingsWindow}}));
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
