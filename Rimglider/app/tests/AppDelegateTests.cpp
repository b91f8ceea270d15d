#include "AppDelegate.h"
#include "OnboardingModel.h"

#include <gtest/gtest.h>

namespace rimglider {
namespace {

using Action = AppDelegate::LaunchAction;
using Kind = Action::Kind;

constexpr std::optional<OnboardingStep> notDue;

TEST(LaunchArguments, WindowsInTheirFixedOrderFromExactArgumentsOnly)
{
    const Action guide{Kind::welcomeGuide, OnboardingStep::welcome};
    const Action exiting{Kind::selfTest, OnboardingStep::welcome, true};
    const struct {
        QStringList arguments;
        std::optional<OnboardingStep> due;
        std::vector<Action> expected;
    } cases[] = {
        {{"--selftest", "--settings", "--debug", "--preview-menu", "--onboarding"},
         notDue,
         {{Kind::debugWindow}, {Kind::settingsWindow}, {Kind::previewMenu}, guide, {Kind::selfTest}}},
        {{}, notDue, {}},
        {{"--settings=1", "--Settings", "-settings", "--unknown", "settings"}, notDue, {}},
        {{}, OnboardingStep::welcome, {guide}}, // never completed: the guide opens by itself
        {{}, OnboardingStep::permission, {{Kind::welcomeGuide, OnboardingStep::permission}}},
        {{"--onboarding"}, OnboardingStep::permission, {guide}},
        {{"--onboarding-step", "brightness"}, notDue, {{Kind::welcomeGuide, OnboardingStep::brightness}}},
        {{"--onboarding", "--onboarding-step", "done"}, notDue, {{Kind::welcomeGuide, OnboardingStep::done}}},
        {{"--onboarding-step", "Volume"}, notDue, {}}, // an unknown name: as if absent
        {{"--onboarding-step", "nope"}, OnboardingStep::welcome, {guide}},
        {{"--settings", "--onboarding-step"}, notDue, {{Kind::settingsWindow}}}, // nothing follows it
        {{"--onboarding-step", "--settings"}, notDue, {{Kind::settingsWindow}}}, // not a value, an option
        {{"--exit-after-selftest", "--selftest"}, notDue, {exiting}},
        {{"--exit-after-selftest"}, notDue, {exiting}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AppDelegate::launchActions(QStringList{"rimglider"} + c.arguments, c.due), c.expected)
            << c.arguments.join(' ').toStdString();
}

} // namespace
} // namespace rimglider
