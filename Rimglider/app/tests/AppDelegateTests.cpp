#include "AboutSettings.h"
#include "AppDelegate.h"
#include "OnboardingModel.h"
#include "RimgliderApp.h"

#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace rimglider {
namespace {

using Action = AppDelegate::LaunchAction;
using Kind = Action::Kind;

constexpr std::optional<OnboardingStep> notDue;

std::vector<Action> actions(QStringList arguments, std::optional<OnboardingStep> due = notDue)
{
    arguments.prepend(QStringLiteral("rimglider"));
    return AppDelegate::launchActions(arguments, due);
}

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
        {{"--onboarding-step", "nope", "--onboarding"}, notDue, {guide}},
        {{"--onboarding-step", "nope"}, OnboardingStep::welcome, {guide}},
        {{"--settings", "--onboarding-step"}, notDue, {{Kind::settingsWindow}}}, // nothing follows it
        {{"--onboarding-step", "--settings"}, notDue, {{Kind::settingsWindow}}}, // not a value, an option
        {{"--exit-after-selftest", "--selftest"}, notDue, {exiting}},
        {{"--exit-after-selftest"}, notDue, {exiting}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(actions(c.arguments, c.due), c.expected) << c.arguments.join(' ').toStdString();
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
        .guideDue = [&] { return completed ? notDue : std::optional(OnboardingStep::welcome); },
    });
    delegate.perform({QStringLiteral("rimglider"), QStringLiteral("--selftest"), QStringLiteral("--debug"),
                      QStringLiteral("--preview-menu"), QStringLiteral("--settings")});
    completed = true;
    delegate.perform({QStringLiteral("rimglider"), QStringLiteral("--exit-after-selftest")});
    EXPECT_EQ(calls, (std::vector<QString>{"settings", "preview", "welcome", "selftest", "selftest, exit"}));
}

TEST(LaunchArguments, TheGuideReturnsToTheAccessStepUntilAccessIsGranted)
{
    QTemporaryDir dir;
    QSettings store(dir.filePath(QStringLiteral("Rimglider.conf")), QSettings::IniFormat);
    const struct {
        bool completed;
        bool accessPending;
        bool granted;
        std::optional<OnboardingStep> due;
    } cases[] = {
        {false, false, false, OnboardingStep::welcome},
        {true, false, false, notDue},
        {true, true, false, OnboardingStep::permission},
        {false, true, false, OnboardingStep::permission},
        {true, true, true, notDue},
        {false, true, true, OnboardingStep::welcome},
    };
    for (const auto& c : cases) {
        store.setValue(OnboardingModel::completedKey, c.completed);
        store.setValue(OnboardingModel::accessPendingKey, c.accessPending);
        EXPECT_EQ(OnboardingModel::dueStep(store, c.granted), c.due) << c.completed << c.accessPending << c.granted;
    }
}

TEST(Identity, TheVersionLineNamesTheBuildOnce)
{
    RimgliderApp::setIdentity();
    const QString line = AboutSettings::versionLine(AboutSettings::version(), AboutSettings::build());
    EXPECT_EQ(line, RimgliderApp::versionText());
    EXPECT_EQ(line.count(u'('), 1) << line.toStdString();
}

} // namespace
} // namespace rimglider
