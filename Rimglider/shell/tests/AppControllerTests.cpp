// The controller with the real services on test doubles of the outside world: settings in a
// temporary store, a stand-in input broker, an emulated /sys (the binary runs under
// umockdev-wrapper), no sound server.
#include <umockdev.h> // before Qt: its `signals` macro breaks GLib's declarations

#include "ActionDispatcher.h"
#include "AppController.h"
#include "BrightnessController.h"
#include "ClickGuard.h"
#include "CursorFreeze.h"
#include "EmulatedLaptopPanel.h"
#include "EventTap.h"
#include "GesturePipeline.h"
#include "ManualScheduler.h"
#include "Permissions.h"
#include "TestStore.h"
#include "TouchInput.h"
#include "TuningSettings.h"
#include "VolumeController.h"

#include "Eventually.h"
#include "FakeBroker.h"
#include "SocketFolder.h"

#include <QTest>

#include <gtest/gtest.h>

using namespace rimglider;
using namespace GestureEngineKit;
using rimglider::test::FakeBroker;
using rimglider::test::ManualScheduler;
using rimglider::test::SocketFolder;
using rimglider::test::TestStore;

namespace {

class Controller : public ::testing::Test {
  protected:
    Controller()
        : broker(socket.path()), settings(store.settings()), tuning(store.settings()),
          permissions([this] { return granted; }, QDBusConnection(QStringLiteral("no bus")), [](const QString&) {}),
          volume([](int, bool) {}, VolumeController::Options{QStringLiteral("unix:/nonexistent/native")}),
          brightness([](int, bool) {}, {.sessionPath = {}, .busAddress = {}}), freeze(clock.scheduler()),
          dispatcher(settings, tuning, freeze,
                     ActionDispatcher::Outputs{{}, {}, {}, {}, {}, {}, clock.scheduler(), {}, {}, {}, {}}),
          pipeline(clickGuard), eventTap(pipeline, clickGuard, EventTap::Options{socket.path()}),
          touchInput({.socketPath = socket.path()}),
          controller(AppController::Services{settings, tuning, permissions, volume, brightness, dispatcher, pipeline,
                                             clickGuard, eventTap, touchInput, freeze})
    {}

    void SetUp() override { ASSERT_TRUE(umockdev_in_mock_environment()) << "run this binary under umockdev-wrapper"; }
    void TearDown() override
    {
        touchInput.stop();
        g_object_unref(testbed);
    }

    GesturePipeline::Snapshot settled()
    {
        pipeline.waitUntilProcessed();
        return pipeline.snapshot();
    }

    SocketFolder socket;
    FakeBroker broker;
    bool granted = true;
    UMockdevTestbed* testbed = umockdev_testbed_new();
    TestStore store;
    AppSettings settings;
    TuningSettings tuning;
    Permissions permissions;
    VolumeController volume;
    BrightnessController brightness;
    ManualScheduler clock;
    CursorFreeze freeze;
    ActionDispatcher dispatcher;
    ClickGuard clickGuard;
    GesturePipeline pipeline;
    EventTap eventTap;
    TouchInput touchInput;
    AppController controller;
};

} // namespace

TEST_F(Controller, GesturesOffStillConfiguresButDisablesAndReleases)
{
    controller.start();
    EXPECT_TRUE(settled().isEnabled);
    freeze.freeze();
    Tuning longerGuard;
    longerGuard.clickGuardWindow = 0.5;
    tuning.setValues(longerGuard); // applies through its callback
    settings.setEnabled(false);
    const GesturePipeline::Snapshot snapshot = settled();
    EXPECT_FALSE(snapshot.isEnabled);
    EXPECT_FALSE(freeze.isFrozen());
    EXPECT_EQ(clickGuard.state().window, 0.5);
    EXPECT_EQ(snapshot.config, deriveGestureConfig(settings, tuning.values(), false));
    EXPECT_TRUE(test::eventually([&] { return eventTap.isRunning(); })); // still, on its own thread

    // Nothing changed: the same configuration again, nothing else.
    controller.apply();
    EXPECT_EQ(settled(), snapshot);
}

TEST_F(Controller, PermissionChangesAreNoticedByThePoll)
{
    granted = false;
    permissions.refresh(); // as if the broker had not been reachable at launch
    controller.start();
    EXPECT_FALSE(settled().isEnabled);
    EXPECT_FALSE(eventTap.isRunning());
    ASSERT_TRUE(permissions.timer() && permissions.timer()->isActive());

    granted = true;
    permissions.refresh(); // one poll tick
    EXPECT_TRUE(settled().isEnabled);
    EXPECT_TRUE(test::eventually([&] { return eventTap.isRunning(); })); // the tap connects on its own thread
    granted = false;
    permissions.refresh();
    EXPECT_FALSE(settled().isEnabled);
}

TEST_F(Controller, BrightnessEdgeFollowsTheBuiltInDisplay)
{
    controller.start();
    EXPECT_FALSE(settled().config.enabledZones.contains(Zone::left));

    GError* error = nullptr;
    ASSERT_TRUE(umockdev_testbed_add_from_string(testbed, rimglider::test::laptopPanel().c_str(), &error));
    umockdev_testbed_uevent(testbed, rimglider::test::panelBacklight, "add");
    ASSERT_TRUE(QTest::qWaitFor([&] { return brightness.hasBuiltInDisplay(); }));
    EXPECT_TRUE(settled().config.enabledZones.contains(Zone::left));
    settings.setSwapSides(true);
    EXPECT_TRUE(settled().config.enabledZones.contains(Zone::right));
}

TEST_F(Controller, TheTouchpadsOwnSizeShapesTheConfigurationAndItIsHeldExclusivelyWhileGesturesRun)
{
    broker.addTouchpad(test::touchpad(1, "handmade/Rimglider Test Touchpad.desc", true)); // 100 x 50 mm

    controller.start(); // attaches and starts the touch input last
    ASSERT_TRUE(QTest::qWaitFor([&] { return settled().config.surfaceWidthMM == 100.0; }));
    EXPECT_EQ(pipeline.snapshot().config.surfaceHeightMM, 50.0);
    settings.setEnabled(false);
    using broker::SetExclusive;
    ASSERT_TRUE(QTest::qWaitFor([&] { return broker.requestsOf<SetExclusive>().size() == 2; }));
    EXPECT_EQ(broker.requestsOf<SetExclusive>(), (std::vector<SetExclusive>{{1, true}, {1, false}}));
}
