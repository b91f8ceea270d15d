// TouchInput against a fake input broker: its statuses and log lines, which touchpad it reads,
// frames equal to an import of the same events, keep-alive frames, hot-plug, and a broker
// that goes away and comes back.
#include "TouchInput.h"

#include "GesturePipeline.h"

#include "CaughtFrames.h"
#include "CaughtLog.h"
#include "Eventually.h"
#include "FakeBroker.h"
#include "SocketFolder.h"

#include "RimgliderInput/Recording.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <atomic>
#include <optional>

using namespace rimglider;
using namespace rimglider::test;
using namespace GestureEngineKit;
using namespace std::chrono_literals;
using Status = TouchInput::Status;

namespace {

const std::string testPad = "handmade/Rimglider Test Touchpad.desc";
const std::string synaptics = "evemu-devices/SynPS2 Synaptics TouchPad.desc";

struct Fixture {
    SocketFolder folder;
    std::atomic<double> now{0};
    CaughtLog log;
    CaughtFrames caught;
    std::optional<FakeBroker> broker; // declared before the input, so the input goes first
    TouchInput input{TouchInput::Options{
        .socketPath = folder.path(), .clock = [this] { return now.load(); }, .reconnectInterval = 20ms}};

    Fixture() { input.setOnFrame(caught.handler()); }

    FakeBroker& serve(std::vector<broker::TouchpadInfo> touchpads = {})
    {
        broker.emplace(folder.path());
        for (const auto& t : touchpads)
            broker->addTouchpad(t);
        return *broker;
    }
    void waitForStatus(const Status& status)
    {
        ASSERT_TRUE(eventually([&] { return input.status() == status; }))
            << "status " << int(input.status().kind) << " " << input.status().message;
    }
    void waitForFrames(std::size_t count)
    {
        ASSERT_TRUE(eventually([&] { return caught.count() >= count; })) << caught.count() << " frames";
    }
};

// A finger in slot 0 of the test touchpad (1000 x 500 units, 10 per mm), then SYN_REPORT.
std::vector<broker::WireEvent> finger(double t, int x, int y, int id = 7)
{
    std::vector<broker::WireEvent> events;
    for (const InputEvent& e : std::vector<InputEvent>{{t, EV_ABS, ABS_MT_SLOT, 0},
                                                       {t, EV_ABS, ABS_MT_TRACKING_ID, id},
                                                       {t, EV_ABS, ABS_MT_POSITION_X, x},
                                                       {t, EV_ABS, ABS_MT_POSITION_Y, y},
                                                       {t, EV_ABS, ABS_MT_TOUCH_MAJOR, 90},
                                                       {t, EV_SYN, SYN_REPORT, 0}})
        events.push_back(wireEvent(e));
    return events;
}

std::vector<broker::WireEvent> lift(double t)
{
    return {wireEvent({t, EV_ABS, ABS_MT_SLOT, 0}), wireEvent({t, EV_ABS, ABS_MT_TRACKING_ID, -1}),
            wireEvent({t, EV_SYN, SYN_REPORT, 0})};
}

} // namespace

TEST(TouchInput, StatusNamesEachWayTheBrokerFailsAndLogsIt)
{
    Fixture f;
    f.input.start(); // nothing listens
    EXPECT_EQ(f.input.status(), Status::unavailable("MultitouchSupport is not available"));
    f.input.stop();
    EXPECT_EQ(f.input.status(), Status::stopped());

    f.serve().refuseClients();
    f.input.start();
    EXPECT_EQ(f.input.status(), Status::unavailable("MultitouchSupport is not available"));
    f.input.stop();

    f.broker->refuseClients(false);
    f.broker->failListing();
    f.input.start();
    EXPECT_EQ(f.input.status(), Status::unavailable("No multitouch devices"));
    f.input.stop();

    f.broker->failListing(false);
    f.input.start();
    EXPECT_EQ(f.input.status(), Status::unavailable("No trackpad found"));
    EXPECT_FALSE(f.input.surfaceSize());
    f.input.stop();

    const std::vector<Log::Line> expected{
        {"touch", Log::Level::error, "Touch input unavailable: MultitouchSupport is not available"},
        {"touch", Log::Level::error, "Touch input unavailable: MultitouchSupport is not available"},
        {"touch", Log::Level::error, "Touch input unavailable: No multitouch devices"},
        {"touch", Log::Level::error, "Touch input unavailable: No trackpad found"},
    };
    EXPECT_EQ(f.log.lines(), expected); // retries while unavailable repeat nothing
}

TEST(TouchInput, ReadsTheFirstBuiltInTouchpadAndCountsThemAll)
{
    Fixture f;
    FakeBroker& broker =
        f.serve({touchpad(1, synaptics, false), touchpad(2, testPad, true), touchpad(3, testPad, true)});
    f.input.start();
    EXPECT_EQ(f.input.status(), Status::running(3));
    EXPECT_EQ(f.log.lines(),
              (std::vector<Log::Line>{{"touch", Log::Level::info, "Touch input running (3 multitouch device(s))"}}));
    EXPECT_EQ(f.input.device()->deviceId, 2u);
    EXPECT_EQ(f.input.surfaceSize(), (SurfaceSize{100, 50}));

    // Events of a touchpad not in use are dropped, whoever sends them.
    f.waitForFrames(1); // the state the subscription starts with
    EXPECT_EQ(broker.requestsOf<broker::SubscribeTouchpad>(), std::vector<broker::SubscribeTouchpad>{{2}});
    broker.broadcast(broker::Events{1, false, finger(5.0, 500, 250)});
    broker.sendEvents(2, finger(6.0, 500, 250));
    f.waitForFrames(2);
    const auto frames = f.caught.frames();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[1].time, 6.0);
    EXPECT_EQ(frames[1].touches.size(), 1u);

    // Without a built-in one, the first.
    Fixture g;
    g.serve({touchpad(4, testPad, false), touchpad(5, synaptics, false)});
    g.input.start();
    EXPECT_EQ(g.input.status(), Status::running(2));
    EXPECT_EQ(g.input.device()->deviceId, 4u);
}

TEST(TouchInput, FramesAreWhatImportingTheSameEventsGives)
{
    struct Case {
        std::string events, description;
    };
    for (const Case& c : {Case{"SynPS2 Synaptics TouchPad.two-finger-vert-scroll", "SynPS2 Synaptics TouchPad"},
                          Case{"AlpsPS2 ALPS GlidePoint.right-edge-scroll", "AlpsPS2 ALPS GlidePoint"},
                          Case{"AlpsPS2-ALPS-DualPoint-TouchPad-non-MT.doubletap", ""}}) {
        EvemuFile file = readEvemu(readData("evemu-devices/" + c.events + ".events"));
        if (!c.description.empty()) file.description = describedIn("evemu-devices/" + c.description + ".desc");
        const Recording recording{Recording::Format::evemu, {{*file.description, file.events}}, ""};
        std::vector<TouchFrame> expected{TouchFrame{0, {}}}; // the subscription's state: nothing touches
        for (const EngineInput& input : importRecording(recording, {}).inputs)
            if (const auto* frame = input.as<TouchFrame>()) expected.push_back(*frame);

        // The clock stands still before the recording: only the events' own times fill gaps.
        Fixture f;
        FakeBroker& broker = f.serve({broker::TouchpadInfo{1, *file.description, true, false, "seat0"}});
        f.input.start();
        ASSERT_EQ(f.input.status(), Status::running(1)) << c.events;
        f.waitForFrames(1);
        broker.sendRecorded(1, file.events);
        f.waitForFrames(expected.size());
        EXPECT_EQ(f.caught.frames(), expected) << c.events;
    }
}

TEST(TouchInput, ClockFillsTheGapsUnderARestingFinger)
{
    Fixture f;
    FakeBroker& broker = f.serve({touchpad(1, testPad, true)});
    f.input.start();
    f.waitForFrames(1);
    f.now = 10.0;
    broker.sendEvents(1, finger(10.0, 500, 250));
    f.waitForFrames(2);

    f.now = 10.2; // 0.2 s without a report: a frame every 1/30 s, each as soon as it is due
    f.waitForFrames(7);
    auto frames = f.caught.frames();
    ASSERT_EQ(frames.size(), 7u);
    for (std::size_t k = 2; k < 7; ++k) {
        EXPECT_NEAR(frames[k].time, 10.0 + double(k - 1) / 30, 1e-9);
        ASSERT_EQ(frames[k].touches.size(), 1u);
        EXPECT_EQ(frames[k].touches[0].state, TouchSample::stateTouching);
        EXPECT_EQ(frames[k].touches[0].x, frames[1].touches[0].x);
    }

    // The lift's own time fills the one frame still due before it; then nothing rests.
    broker.sendEvents(1, lift(10.21));
    f.now = 20.0;
    broker.sendEvents(1, {wireEvent({20.0, EV_SYN, SYN_REPORT, 0})});
    f.waitForFrames(10);
    frames = f.caught.frames();
    ASSERT_EQ(frames.size(), 10u);
    EXPECT_NEAR(frames[7].time, 10.2, 1e-9);
    EXPECT_EQ(frames[8], (TouchFrame{10.21, {}}));
    EXPECT_EQ(frames[9], (TouchFrame{20.0, {}}));

    // Events stamped on another clock (a pad that refused CLOCK_MONOTONIC) must not make the
    // clock repeat a minute of frames after every report; their own times still fill gaps.
    f.now = 1e6;
    broker.sendEvents(1, finger(30.0, 500, 250));
    broker.sendEvents(1, finger(30.09, 500, 250));
    broker.sendEvents(1, finger(30.11, 500, 250));
    f.waitForFrames(15);
    frames = f.caught.frames();
    ASSERT_EQ(frames.size(), 15u); // a flood would have come before the last report
    EXPECT_EQ(frames[10].time, 30.0);
    EXPECT_NEAR(frames[11].time, 30.0 + 1.0 / 30, 1e-9);
    EXPECT_NEAR(frames[12].time, 30.0 + 2.0 / 30, 1e-9);
    EXPECT_EQ(frames[13].time, 30.09);
    EXPECT_EQ(frames[14].time, 30.11);
}

TEST(TouchInput, TakesUpANewBuiltInTouchpadButNoOtherNewOne)
{
    Fixture f;
    FakeBroker& broker = f.serve({touchpad(1, synaptics, false)});
    f.input.start();
    EXPECT_EQ(f.input.status(), Status::running(1));

    broker.addTouchpad(touchpad(3, synaptics, false));
    f.waitForStatus(Status::running(2));
    EXPECT_EQ(f.input.device()->deviceId, 1u);

    broker.addTouchpad(touchpad(2, testPad, true));
    f.waitForStatus(Status::running(3));
    ASSERT_TRUE(eventually([&] { return broker.touchpadSubscribers(2) == 1; }));
    EXPECT_EQ(f.input.device()->deviceId, 2u);
    EXPECT_EQ(f.input.surfaceSize(), (SurfaceSize{100, 50}));
    EXPECT_EQ(broker.touchpadSubscribers(1), 0u);

    broker.addTouchpad(touchpad(4, testPad, true)); // built in too, but one is in use already
    f.waitForStatus(Status::running(4));
    EXPECT_EQ(f.input.device()->deviceId, 2u);
    EXPECT_EQ(f.log.messages(), (std::vector<std::string>{"Touch input running (1 multitouch device(s))",
                                                          "Touch input running (2 multitouch device(s))",
                                                          "Touch input running (3 multitouch device(s))",
                                                          "Touch input running (4 multitouch device(s))"}));
}

TEST(TouchInput, VanishingMidSlideReleasesTheGestureThenFallsBack)
{
    Fixture f;
    ClickGuard guard;
    GesturePipeline pipeline(guard, [] { return 0.0; });
    std::vector<std::vector<GestureEvent>> delivered;
    pipeline.addSink([&](const std::vector<GestureEvent>& events) { delivered.push_back(events); });
    FakeBroker& broker = f.serve({touchpad(1, testPad, false), touchpad(2, testPad, true)});
    f.input.setOnFrame(nullptr);
    pipeline.attachTouchInput(f.input);
    ASSERT_EQ(f.input.status(), Status::running(2));
    ASSERT_TRUE(eventually([&] { return broker.touchpadSubscribers(2) == 1; }));

    // A slide up the right edge: claimed, then the slider begins.
    broker.sendEvents(2, finger(10.00, 960, 250));
    broker.sendEvents(2, finger(10.02, 960, 220));
    broker.sendEvents(2, finger(10.04, 960, 190));
    ASSERT_TRUE(eventually([&] {
        pipeline.waitUntilProcessed();
        return pipeline.snapshot().phase != GestureEngine::Phase::idle() && pipeline.snapshot().touches.size() == 1 &&
               pipeline.snapshot().touches[0].absoluteY == 190;
    }));
    ASSERT_EQ(pipeline.snapshot().claimedZones, std::optional(ZoneSet{Zone::right}));

    broker.removeTouchpad(2);
    f.waitForStatus(Status::running(1));
    EXPECT_EQ(f.input.device()->deviceId, 1u); // the other pad takes over
    pipeline.waitUntilProcessed();
    QCoreApplication::processEvents();
    EXPECT_EQ(pipeline.snapshot().claimedZones, std::nullopt); // no claim left behind
    EXPECT_TRUE(pipeline.snapshot().touches.empty());
    ASSERT_FALSE(delivered.empty());
    EXPECT_EQ(delivered.back().back(), GestureEvent::released(GestureEvent::Outcome::completed()));

    broker.removeTouchpad(1);
    f.waitForStatus(Status::unavailable("No trackpad found"));
    EXPECT_EQ(f.log.messages().back(), "Touch input unavailable: No trackpad found");
}

TEST(TouchInput, FollowsTheBrokerAwayAndBackWithoutARestart)
{
    Fixture f;
    f.serve({touchpad(1, testPad, true)});
    f.input.start();
    ASSERT_TRUE(eventually([&] { return f.broker->touchpadSubscribers(1) == 1; }));
    f.broker->sendEvents(1, finger(10.0, 500, 250));
    f.waitForFrames(2);

    f.broker.reset(); // the broker stops
    f.waitForStatus(Status::unavailable("MultitouchSupport is not available"));
    f.waitForFrames(3);
    EXPECT_TRUE(f.caught.frames().back().touches.empty()); // the finger ends with the broker

    FakeBroker& back = f.serve({touchpad(9, testPad, true)});
    f.waitForStatus(Status::running(1));
    ASSERT_TRUE(eventually([&] { return back.touchpadSubscribers(9) == 1; }));
    back.sendEvents(9, finger(30.0, 500, 250));
    ASSERT_TRUE(eventually([&] { return f.caught.frames().back().time == 30.0; }));
    EXPECT_EQ(f.log.messages(), (std::vector<std::string>{"Touch input running (1 multitouch device(s))",
                                                          "Touch input unavailable: MultitouchSupport is not available",
                                                          "Touch input running (1 multitouch device(s))"}));

    f.input.stop();
    EXPECT_EQ(f.input.status(), Status::stopped());
    EXPECT_TRUE(eventually([&] { return back.clientCount() == 0; }));
}

TEST(TouchInput, SuspensionEndsTheContactsAndLostEventsWaitForTheState)
{
    Fixture f;
    FakeBroker& broker = f.serve({touchpad(1, testPad, true)});
    f.input.start();
    f.waitForFrames(1);
    broker.sendEvents(1, finger(10.0, 500, 250));
    f.waitForFrames(2);

    // Another user takes the seat: the finger ends for us; back, the state starts afresh.
    broker.broadcast(broker::Suspended{});
    f.waitForFrames(3);
    EXPECT_EQ(f.caught.frames()[2], (TouchFrame{10.0, {}}));
    broker.broadcast(broker::Resumed{});
    broker.sendEvents(1, finger(20.0, 500, 250), true);
    f.waitForFrames(4);
    EXPECT_EQ(f.caught.frames()[3].touches.at(0).state, TouchSample::stateTouchBegan);

    // Events were dropped: what follows before the state is no view of the pad.
    broker.broadcast(broker::Dropped{1});
    broker.sendEvents(1, finger(20.5, 600, 250));
    broker.sendEvents(1, finger(21.0, 700, 250), true);
    f.waitForFrames(5);
    const auto frames = f.caught.frames();
    ASSERT_EQ(frames.size(), 5u);
    EXPECT_EQ(frames[4].time, 21.0);
    EXPECT_EQ(frames[4].touches.at(0).absoluteX, 700);
}
