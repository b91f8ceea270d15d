// BrightnessController against an emulated /sys (umockdev): the binary runs under
// umockdev-wrapper, and each test builds its backlights and display connectors in a fresh
// testbed. Changes come as the kernel would send them: a new attribute value plus a "change"
// uevent, which the controller's udev monitor must pick up by itself.
// GLib's headers first: Qt's `signals` macro breaks their declarations.
#include <umockdev.h>

#include "BrightnessController.h"
#include "EmulatedLaptopPanel.h"
#include "FakeLogind.h"

#include <QFile>
#include <QTest>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

using namespace rimglider;
using GestureEngineKit::SliderDirection;
using namespace rimglider::test;

namespace {

using Key = std::pair<int, bool>;

class BrightnessControllerTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        testbed = umockdev_testbed_new();
        // Asked only after the testbed exists: the answer is cached.
        ASSERT_TRUE(umockdev_in_mock_environment()) << "run this binary under umockdev-wrapper";
    }
    void TearDown() override { g_object_unref(testbed); }

    void add(const std::string& description)
    {
        GError* error = nullptr;
        const bool added = umockdev_testbed_add_from_string(testbed, description.c_str(), &error);
        ASSERT_TRUE(added) << (error ? error->message : "?");
    }

    // What the kernel does when something changes: the new value, then a uevent.
    void change(const char* devpath, const char* attribute, const char* value)
    {
        umockdev_testbed_set_attribute(testbed, devpath, attribute, value);
        umockdev_testbed_uevent(testbed, devpath, "change");
    }

    // The emulated file's content, read behind the controller's back.
    QByteArray fileContent(const char* devpath, const char* attribute) const
    {
        g_autofree gchar* sysDir = umockdev_testbed_get_sys_dir(testbed);
        QFile file(QString::fromUtf8(sysDir) + QString::fromUtf8(devpath + 4) + QLatin1Char('/') +
                   QString::fromUtf8(attribute));
        return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed() : QByteArray("<unreadable>");
    }

    std::unique_ptr<BrightnessController> startedController(BrightnessController::Options options = {})
    {
        options.busTimeout = std::chrono::milliseconds(500);
        auto controller = std::make_unique<BrightnessController>(
            [this](int code, bool fine) { keys.emplace_back(code, fine); }, options);
        controller->onAvailabilityChange = [this] { ++availabilityChanges; };
        controller->start();
        return controller;
    }

    UMockdevTestbed* testbed = nullptr;
    std::vector<Key> keys;
    int availabilityChanges = 0;
};

TEST_F(BrightnessControllerTest, ReadsThePanelFollowsItsLevelAndStepsJudgeTheLevelReadNow)
{
    add(laptopPanel());
    auto controller = startedController();
    ASSERT_TRUE(controller->isMonitoring());
    EXPECT_EQ(availabilityChanges, 1);
    EXPECT_EQ(controller->brightness(), 0.25f);
    ASSERT_TRUE(controller->builtInDisplay());
    EXPECT_EQ(controller->builtInDisplay()->syspath, QLatin1String(panelBacklight));
    change(panelBacklight, "actual_brightness", "600\n");
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller->brightness() == 0.6f; }));
    EXPECT_EQ(availabilityChanges, 1) << "a level change is no availability change";

    // A step reads sysfs afresh, without waiting for a uevent, and leaves the shown level alone.
    umockdev_testbed_set_attribute(testbed, panelBacklight, "actual_brightness", "1000\n");
    EXPECT_EQ(controller->step(SliderDirection::up, true), StepResult::atLimit);
    EXPECT_EQ(controller->step(SliderDirection::down, false), StepResult::stepped);
    umockdev_testbed_set_attribute(testbed, panelBacklight, "actual_brightness", "0\n");
    EXPECT_EQ(controller->step(SliderDirection::down, true), StepResult::atLimit);
    EXPECT_EQ(controller->step(SliderDirection::up, false), StepResult::stepped);
    EXPECT_EQ(controller->brightness(), 0.6f);
    EXPECT_EQ(keys, (std::vector<Key>{{2, true}, {3, false}, {3, true}, {2, false}}));
}

TEST_F(BrightnessControllerTest, ClosedLidPowerOffOrBacklightOffMakesThePanelUnavailable)
{
    add(laptopPanel());
    auto controller = startedController();
    ASSERT_TRUE(controller->hasBuiltInDisplay());
    availabilityChanges = 0;
    const std::tuple<const char*, const char*, const char*, const char*> asleep[] = {
        {panel, "enabled", "disabled\n", "enabled\n"}, // the lid
        {panel, "dpms", "Off\n", "On\n"},              // powered down by the desktop
        {panelBacklight, "bl_power", "4\n", "0\n"},
    };
    for (const auto& [devpath, attribute, off, on] : asleep) {
        change(devpath, attribute, off);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !controller->hasBuiltInDisplay(); })) << attribute;
        EXPECT_EQ(controller->brightness(), std::nullopt);
        EXPECT_EQ(controller->step(SliderDirection::up, false), StepResult::unavailable);
        change(devpath, attribute, on);
        ASSERT_TRUE(QTest::qWaitFor([&] { return controller->hasBuiltInDisplay(); })) << attribute;
    }
    EXPECT_EQ(availabilityChanges, 6);
    EXPECT_TRUE(keys.empty());
}

TEST_F(BrightnessControllerTest, LevelFallsBackToBrightnessAndToHalfWhenUnreadable)
{
    const std::string actual = "A: actual_brightness=250\\n\n";
    std::string display = laptopPanel();
    add(display.erase(display.find(actual), actual.size()));
    auto controller = startedController();
    ASSERT_TRUE(controller->hasBuiltInDisplay());
    EXPECT_EQ(controller->brightness(), 0.25f) << "brightness stands in for a missing actual_brightness";

    // A driver that reports no usable maximum: no level, but steps still go out, from 0.5.
    change(panelBacklight, "max_brightness", "0\n");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !controller->brightness(); }));
    EXPECT_TRUE(controller->hasBuiltInDisplay());
    EXPECT_EQ(BrightnessController::readLevel(*controller->builtInDisplay()), std::nullopt);
    EXPECT_EQ(controller->step(SliderDirection::up, false), StepResult::stepped);
    EXPECT_EQ(controller->step(SliderDirection::down, false), StepResult::stepped);
    change(panelBacklight, "max_brightness", "garbage\n");
    EXPECT_EQ(controller->step(SliderDirection::down, false), StepResult::stepped);
    EXPECT_EQ(keys, (std::vector<Key>{{2, false}, {3, false}, {3, false}}));
}

TEST_F(BrightnessControllerTest, SetLevelGoesThroughLogindAndFallsBackWhenRefused)
{
    rimglider::testing::FakeLogind logind;
    ASSERT_TRUE(logind.start()) << "no private D-Bus daemon";
    add(laptopPanel());
    BrightnessController::Options options;
    options.busAddress = logind.address();
    auto controller = startedController(options);
    const auto display = controller->builtInDisplay();
    ASSERT_TRUE(display);

    const auto set = [&](const BrightnessController::Display& to, float level) {
        std::optional<bool> answer;
        controller->setLevel(to, level, [&](bool ok) { answer = ok; });
        EXPECT_TRUE(QTest::qWaitFor([&] { return answer.has_value(); }));
        return answer.value_or(false);
    };
    EXPECT_TRUE(set(*display, 0.5f));
    using Call = rimglider::testing::FakeLogindSession::Call;
    EXPECT_EQ(logind.session.calls, (std::vector<Call>{{"backlight", "intel_backlight", 500}}));
    EXPECT_EQ(fileContent(panelBacklight, "brightness"), "250") << "logind did it; sysfs is left alone";

    logind.session.refuse = true;
    EXPECT_TRUE(set(*display, 0.1f));
    EXPECT_EQ(logind.session.calls.size(), 2u);
    EXPECT_EQ(fileContent(panelBacklight, "brightness"), "100");
    EXPECT_TRUE(set(*display, 7.0f));
    EXPECT_EQ(fileContent(panelBacklight, "brightness"), "1000") << "levels are clamped";
    // A backlight that vanished cannot be set.
    EXPECT_FALSE(set({QStringLiteral("gone"), QString::fromLatin1(pciGpu) + QStringLiteral("/gone")}, 0.5f));
}

} // namespace
