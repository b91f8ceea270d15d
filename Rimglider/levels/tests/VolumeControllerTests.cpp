// VolumeController against a real private PulseAudio server per test: what the controller shows
// must follow what pactl changes on the server, and steps must judge the level the server has.
#include "PulseServer.h"
#include "VolumeController.h"

#include <QAbstractEventDispatcher>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

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

    std::unique_ptr<VolumeController> makeController()
    {
        VolumeController::Options options;
        options.server = server.address();
        options.firstRetry = std::chrono::milliseconds(20);
        options.longestRetry = std::chrono::milliseconds(80);
        return std::make_unique<VolumeController>([this](int code, bool fine) { keys.emplace_back(code, fine); },
                                                  options);
    }

    // A started controller that shows the default sink.
    std::unique_ptr<VolumeController> startedController()
    {
        auto controller = makeController();
        controller->start();
        EXPECT_TRUE(QTest::qWaitFor([&] { return controller->deviceName() == QLatin1String("Speakers"); }));
        return controller;
    }

    bool pactl(std::initializer_list<const char*> arguments)
    {
        QStringList list;
        for (const char* argument : arguments)
            list << QString::fromLatin1(argument);
        return server.pactl(list);
    }

    PulseServer server;
    std::vector<Key> keys;
};

TEST_F(VolumeControllerTest, ShowsTheDefaultSinkAndFollowsItsReplacement)
{
    auto controller = startedController();
    EXPECT_EQ(controller->device(), std::uint32_t(server.sinkIndex(QStringLiteral("speakers")) + 1));
    EXPECT_TRUE(controller->isAdjustable());
    EXPECT_EQ(controller->volume(), 1.0f);
    EXPECT_FALSE(controller->isMuted());
    EXPECT_FALSE(controller->isRetryPending()) << "no timer may run while connected";
    const bool glib = QAbstractEventDispatcher::instance()->inherits("QEventDispatcherGlib");
    EXPECT_EQ(controller->loopInUse(), glib ? VolumeController::Loop::glib : VolumeController::Loop::qt);

    QSignalSpy names(controller.get(), &VolumeController::deviceNameChanged);
    QSignalSpy devices(controller.get(), &VolumeController::deviceChanged);
    QSignalSpy volumes(controller.get(), &VolumeController::volumeChanged);
    ASSERT_TRUE(pactl({"set-sink-volume", "headphones", "40%"}));
    ASSERT_TRUE(pactl({"set-default-sink", "headphones"}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller->deviceName() == QLatin1String("Headphones"); }));
    EXPECT_EQ(controller->device(), std::uint32_t(server.sinkIndex(QStringLiteral("headphones")) + 1));
    EXPECT_NEAR(controller->volume().value_or(-1), 0.4f, 0.001f);
    EXPECT_EQ(names.count(), 1);
    EXPECT_EQ(devices.count(), 1);
    EXPECT_EQ(volumes.count(), 1);

    // The old sink is no longer followed: its changes must not show.
    ASSERT_TRUE(pactl({"set-sink-volume", "speakers", "10%"}));
    ASSERT_TRUE(pactl({"set-sink-mute", "speakers", "1"}));
    ASSERT_TRUE(pactl({"set-sink-volume", "headphones", "30%"})); // a change that must show, after those
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller->volume() && *controller->volume() < 0.35f; }));
    EXPECT_NEAR(*controller->volume(), 0.3f, 0.001f);
    EXPECT_FALSE(controller->isMuted());
}

TEST_F(VolumeControllerTest, StepsJudgeTheEndsAndAlwaysPostTheKey)
{
    auto controller = startedController();

    // Full volume, not muted: nowhere to go up.
    EXPECT_EQ(controller->step(SliderDirection::up, false), StepResult::atLimit);
    EXPECT_EQ(controller->step(SliderDirection::down, true), StepResult::stepped);

    // Full volume but muted: the key unmutes, so it does something.
    ASSERT_TRUE(pactl({"set-sink-mute", "speakers", "1"}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller->isMuted(); }));
    EXPECT_EQ(controller->step(SliderDirection::up, true), StepResult::stepped);

    // 33 / 65536 ≈ 0.0005: at the bottom, and the key still goes out.
    ASSERT_TRUE(pactl({"set-sink-mute", "speakers", "0"}));
    ASSERT_TRUE(pactl({"set-sink-volume", "speakers", "33"}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller->volume() < 0.01f && !controller->isMuted(); }));
    EXPECT_EQ(controller->step(SliderDirection::down, false), StepResult::atLimit);
    EXPECT_EQ(controller->step(SliderDirection::up, false), StepResult::stepped);

    // Over-amplified counts as the top.
    ASSERT_TRUE(pactl({"set-sink-volume", "speakers", "120%"}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller->volume() == 1.0f; }));
    EXPECT_EQ(controller->step(SliderDirection::up, false), StepResult::atLimit);

    const std::vector<Key> expected{{0, false}, {1, true}, {0, true}, {1, false}, {0, false}, {0, false}};
    EXPECT_EQ(keys, expected);
}

TEST_F(VolumeControllerTest, AnOffCentreBalanceReadsAsTheLouderChannel)
{
    auto controller = startedController();
    ASSERT_TRUE(pactl({"set-sink-volume", "speakers", "50%"}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller->volume() == 0.5f; }));
    ASSERT_TRUE(pactl({"set-sink-volume", "speakers", "100%", "60%"}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller->volume() != 0.5f; }));
    EXPECT_EQ(controller->volume(), 1.0f); // not the average, 0.8
    EXPECT_EQ(controller->step(SliderDirection::up, false), StepResult::atLimit);
}

TEST_F(VolumeControllerTest, PassthroughOnlySinkIsNotAdjustable)
{
    ASSERT_TRUE(pactl({"load-module", "module-null-sink", "sink_name=spdif", "formats=ac3-iec61937",
                       "sink_properties=device.description=Receiver"}));
    ASSERT_TRUE(pactl({"set-default-sink", "spdif"}));
    auto controller = makeController();
    controller->start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller->deviceName() == QLatin1String("Receiver"); }));
    EXPECT_NE(controller->device(), 0u);
    EXPECT_FALSE(controller->isAdjustable());
    EXPECT_EQ(controller->volume(), std::nullopt);
    EXPECT_EQ(controller->step(SliderDirection::up, false), StepResult::unavailable);
    EXPECT_EQ(controller->step(SliderDirection::down, false), StepResult::unavailable);
    EXPECT_TRUE(keys.empty());
    EXPECT_FALSE(controller->setLevel(0.5f));
}

TEST_F(VolumeControllerTest, ServerRestartShowsNoDeviceThenReconnects)
{
    auto controller = startedController();
    ASSERT_TRUE(pactl({"set-sink-mute", "speakers", "1"}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller->isMuted(); }));

    ASSERT_TRUE(server.kill());
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

TEST_F(VolumeControllerTest, SetLevelReachesEveryChannel)
{
    auto controller = startedController();
    std::optional<bool> answer;
    ASSERT_TRUE(controller->setLevel(0.25f, [&](bool ok) { answer = ok; }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return answer.has_value(); }));
    EXPECT_TRUE(*answer);
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller->volume() != 1.0f; }));
    EXPECT_NEAR(*controller->volume(), 0.25f, 0.001f);
    QString text;
    ASSERT_TRUE(server.pactl({QStringLiteral("get-sink-volume"), QStringLiteral("speakers")}, &text));
    EXPECT_EQ(text.count(QStringLiteral("25%")), 2) << text.toStdString(); // front-left and front-right

    // A request still in flight when the server dies is answered with a failure.
    answer.reset();
    ASSERT_TRUE(controller->setLevel(0.5f, [&](bool ok) { answer = ok; }));
    ASSERT_TRUE(server.kill());
    ASSERT_TRUE(QTest::qWaitFor([&] { return answer.has_value(); }));
    EXPECT_FALSE(*answer);
}

} // namespace
