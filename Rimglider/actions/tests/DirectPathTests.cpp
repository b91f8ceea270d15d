// Gestures made while modifiers are held, end to end: the held set comes from the event tap's
// key stream (a stand-in broker), volume steps land on a private PulseAudio server, posted keys
// on a stand-in GNOME desktop. A posted key would arrive with the held modifiers and match no
// binding, so the dispatcher must change the level itself and post nothing.
#include "ActionDispatcher.h"
#include "AppSettings.h"
#include "CursorFreeze.h"
#include "DesktopSteps.h"
#include "EventTap.h"
#include "Eventually.h"
#include "FakeBroker.h"
#include "ManualScheduler.h"
#include "PulseServer.h"
#include "SocketFolder.h"
#include "StandInDesktop.h"
#include "TestStore.h"
#include "TuningSettings.h"
#include "VolumeController.h"

#include <QTest>

#include <gtest/gtest.h>

#include <cmath>

using namespace rimglider;
using namespace rimglider::test;
using namespace GestureEngineKit;
using rimglider::testing::PulseServer;

namespace {

using Mods = ModifierState;

class DirectPath : public ::testing::Test {
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.start()) << "no private PulseAudio server could be started";
        ASSERT_TRUE(server.pactl({"set-sink-volume", "speakers", "50%"}));
        volume.start();
        ASSERT_TRUE(QTest::qWaitFor([&] { return volume.volume() == 0.5f; }));
        tap.start();
        ASSERT_TRUE(eventually([&] { return broker.keySubscribers() == 1 && tap.isRunning(); }));
    }

    // Holds `mods` on the user's keyboard, as the broker reports it to the tap.
    void hold(Mods mods)
    {
        broker.sendKeys(broker::Modifiers{{1, 0}, mods});
        ASSERT_TRUE(eventually([&] { return tap.heldModifiers() == mods; }));
    }

    void slide(SliderDirection direction, bool fine, int count)
    {
        for (int i = 0; i < count; ++i) // as fast as events come: no answer awaited between them
            dispatcher.handle(GestureEvent::sliderStep(Zone::right, direction, fine));
    }

    PulseServer server;
    SocketFolder folder;
    FakeBroker broker{folder.path()};
    ClickGuard guard;
    GesturePipeline pipeline{guard, [] { return 0.0; }};
    EventTap tap{pipeline, guard, EventTap::Options{.socketPath = folder.path()}};
    StandInDesktop desktop;
    VolumeController volume{[this](int code, bool fine) {
                                // GNOME's 6 % for the bare key; no other binding is reached here.
                                if (desktop.post(code, fine, tap.heldModifiers()) == "volume up")
                                    server.pactl({"set-sink-volume", "speakers", "+6%"});
                            },
                            VolumeController::Options{.server = server.address()}};
    DesktopSteps steps{DesktopSteps::Options{QStringLiteral("ubuntu:GNOME"), {}}};
    TestStore store;
    AppSettings settings{store.settings()};
    TuningSettings tuning{store.settings()};
    ManualScheduler clock;
    CursorFreeze freeze{clock.scheduler()};
    ActionDispatcher dispatcher{
        settings,
        tuning,
        freeze,
        {[this](SliderDirection d, bool fine) { return volume.step(d, fine); },
         {},
         [this] { return volume.isAdjustable(); },
         {},
         [this](int code, bool fine) { desktop.post(code, fine, tap.heldModifiers()); },
         [](HapticPattern) {},
         clock.scheduler(),
         [this] { return tap.heldModifiers(); },
         [this](SliderDirection d, bool fine) { return volume.adjust(d, steps.volumeStep(fine)); },
         {},
         [this](int code) {
             if (code == 7) volume.setMuted(!volume.isMuted());
         }}};
};

} // namespace

TEST_F(DirectPath, FineSlideWithShiftAltHeldMovesTheLevelByFineStepsAndPostsNoKey)
{
    hold(Mods{Mods::shift, Mods::option});
    ASSERT_EQ(StandInDesktop::actionFor(0, true, tap.heldModifiers()), "") << "a posted key would do nothing";
    slide(SliderDirection::up, true, 8); // GNOME's 6 % a quarter at a time
    ASSERT_TRUE(QTest::qWaitFor([&] { return volume.volume() && std::abs(*volume.volume() - 0.62f) < 0.002f; }));
    slide(SliderDirection::down, false, 2);
    ASSERT_TRUE(QTest::qWaitFor([&] { return volume.volume() && std::abs(*volume.volume() - 0.50f) < 0.002f; }));
    dispatcher.handle(GestureEvent::doubleTap(Zone::bottom));
    ASSERT_TRUE(QTest::qWaitFor([&] { return volume.isMuted(); }));
    EXPECT_EQ(desktop.applied, std::vector<std::string>{});
    EXPECT_EQ(desktop.leaked, std::vector<std::string>{});
}

TEST_F(DirectPath, WithNothingHeldKeysArePostedAndTheDesktopAppliesThem)
{
    hold(Mods::function); // Fn never reaches a binding
    slide(SliderDirection::up, false, 2);
    dispatcher.handle(GestureEvent::doubleTap(Zone::bottom));
    EXPECT_EQ(desktop.applied, (std::vector<std::string>{"volume up", "volume up", "mute"}));
    EXPECT_EQ(desktop.leaked, std::vector<std::string>{});
    ASSERT_TRUE(QTest::qWaitFor([&] { return volume.volume() && std::abs(*volume.volume() - 0.62f) < 0.002f; }));
}
