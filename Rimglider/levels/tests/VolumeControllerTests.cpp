// VolumeController against a real private PulseAudio server per test: what the controller shows
// must follow what pactl changes on the server, and steps must judge the level the server has.
#include "PulseServer.h"
#include "VolumeController.h"

#include <QAbstractEventDispatcher>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

using namespace rimglider;
using GestureEngineKit::SliderDirection;
using rimglider::testing::PulseServer;

namespace {

using Key = std::pair<int, bool>;

class VolumeControllerTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(server.start()) << "no private PulseAudio server could be started"; }

    // A started controller that shows the default sink, described `name`.
    std::unique_ptr<VolumeController> startedController(const QString& name = QStringLiteral("Speakers"))
    {
        auto controller = std::make_unique<VolumeController>(
            [this](int code, bool fine) { keys.emplace_back(code, fine); },
            VolumeController::Options{.server = server.address(),
                                      .firstRetry = std::chrono::milliseconds(20),
                                      .longestRetry = std::chrono::milliseconds(80)});
        controller->start();
        EXPECT_TRUE(QTest::qWaitFor([&] { return controller->deviceName() == name; }));
        return controller;
    }

    PulseServer server;
    std::vector<Key> keys;
};

TEST_F(VolumeControllerTest, StepsJudgeTheEndsAndAlwaysPostTheKey)
{
    auto controller = startedController();
    EXPECT_FALSE(controller->isRetryPending()) << "no timer may run while connected";
    const bool glib = QAbstractEventDispatcher::instance()->inherits("QEventDispatcherGlib");
    EXPECT_EQ(controller->loopInUse(), glib ? VolumeController::Loop::glib : VolumeController::Loop::qt);

    // Full volume, not muted: nowhere to go up.
    EXPECT_EQ(controller->step(SliderDirection::up, false), StepResult::atLimit);
    EXPECT_EQ(controller->step(SliderDirection::down, true), StepResult::stepped);

    // Full volume but muted: the key unmutes, so it does something.
    ASSERT_TRUE(server.pactl({"set-sink-mute", "speakers", "1"}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller->isMuted(); }));
    EXPECT_EQ(controller->step(SliderDirection::up, true), StepResult::stepped);

    // 33 / 65536 ≈ 0.0005: at the bottom, and the key still goes out.
    ASSERT_TRUE(server.pactl({"set-sink-mute", "speakers", "0"}));
    ASSERT_TRUE(server.pactl({"set-sink-volume", "speakers", "33"}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller->volume() < 0.01f && !controller->isMuted(); }));
    EXPECT_EQ(controller->step(SliderDirection::down, false), StepResult::atLimit);
    EXPECT_EQ(controller->step(SliderDirection::up, false), StepResult::stepped);

    // Over-amplified counts as the top; off-centre, the louder channel counts (not the average, 0.9).
    ASSERT_TRUE(server.pactl({"set-sink-volume", "speakers", "120%", "60%"}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller->volume() > 0.5f; }));
    EXPECT_EQ(controller->volume(), 1.0f);
    EXPECT_EQ(controller->step(SliderDirection::up, false), StepResult::atLimit);

    const std::vector<Key> expected{{0, false}, {1, true}, {0, true}, {1, false}, {0, false}, {0, false}};
    EXPECT_EQ(keys, expected);
}

TEST_F(VolumeControllerTest, SetLevelReachesEveryChannelAndDirectStepsInQuickSuccessionAddUp)
{
    auto controller = startedController();
    ASSERT_TRUE(server.pactl({"set-sink-mute", "speakers", "1"}));
    std::optional<bool> answer;
    ASSERT_TRUE(controller->setLevel(0.5f, [&](bool ok) { answer = ok; }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return answer == true; }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller->volume() == 0.5f && controller->isMuted(); }));
    QString text;
    ASSERT_TRUE(server.pactl({"get-sink-volume", "speakers"}, &text));
    EXPECT_EQ(text.count(QStringLiteral("50%")), 2) << text.toStdString(); // front-left and front-right

    // Direct steps (a gesture made with a modifier held) come faster than the server answers:
    // each builds on the one before, and none posts a key.
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(controller->adjust(SliderDirection::up, 0.015f), StepResult::stepped);
    ASSERT_TRUE(QTest::qWaitFor([&] { return std::abs(controller->volume().value_or(0) - 0.62f) < 0.002f; }));
    EXPECT_FALSE(controller->isMuted());
    for (int i = 0; i < 2; ++i)
        controller->adjust(SliderDirection::down, 0.06f);
    ASSERT_TRUE(QTest::qWaitFor([&] { return std::abs(controller->volume().value_or(0) - 0.5f) < 0.002f; }));
    EXPECT_TRUE(keys.empty());
}

TEST_F(VolumeControllerTest, PassthroughOnlySinkIsNotAdjustable)
{
    ASSERT_TRUE(server.pactl({"load-module", "module-null-sink", "sink_name=spdif", "formats=ac3-iec61937",
                              "sink_properties=device.description=Receiver"}));
    ASSERT_TRUE(server.pactl({"set-default-sink", "spdif"}));
    auto controller = startedController(QStringLiteral("Receiver"));
    EXPECT_NE(controller->device(), 0u);
    EXPECT_FALSE(controller->isAdjustable());
    EXPECT_EQ(controller->volume(), std::nullopt);
    EXPECT_EQ(controller->step(SliderDirection::up, false), StepResult::unavailable);
    EXPECT_TRUE(keys.empty());
    EXPECT_FALSE(controller->setLevel(0.5f));
}

TEST_F(VolumeControllerTest, ServerRestartShowsNoDeviceThenReconnects)
{
    auto controller = startedController();
    ASSERT_TRUE(server.pactl({"set-sink-mute", "speakers", "1"}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller->isMuted(); }));

    // A request still in flight when the server dies is answered with a failure.
    std::optional<bool> answer;
    ASSERT_TRUE(controller->setLevel(0.5f, [&](bool ok) { answer = ok; }));
    ASSERT_TRUE(server.kill());
    ASSERT_TRUE(QTest::qWaitFor([&] { return answer == false; }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller->device() == 0; }));
    EXPECT_EQ(controller->deviceName(), QString());
    EXPECT_EQ(controller->volume(), std::nullopt);
    EXPECT_FALSE(controller->isAdjustable() || controller->isMuted());
    EXPECT_EQ(controller->step(SliderDirection::down, false), StepResult::unavailable);
    EXPECT_TRUE(keys.empty());
    EXPECT_FALSE(controller->setLevel(0.5f));
    // Backing off while the server stays away.
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller->nextRetryDelay() == std::chrono::milliseconds(80); }));
    EXPECT_TRUE(controller->isRetryPending());

    ASSERT_TRUE(server.start());
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller->deviceName() == QLatin1String("Speakers"); }));
    EXPECT_FALSE(controller->isMuted()); // a fresh server
    EXPECT_FALSE(controller->isRetryPending());
    EXPECT_EQ(controller->nextRetryDelay(), std::chrono::milliseconds(20));
    EXPECT_EQ(controller->step(SliderDirection::down, false), StepResult::stepped);
}

} // namespace
