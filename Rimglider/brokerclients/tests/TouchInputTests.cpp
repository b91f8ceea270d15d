// TouchInput against a stand-in input broker: its statuses, which touchpad it
// reads, keep-alive frames, hot-plug, and a broker that goes away and comes back. (Frames equal
// to an import of the same events: TouchInputEndToEndTests, with the real broker.)
#include "TouchInput.h"

#include "GesturePipeline.h"

#include "CaughtFrames.h"
#include "CaughtLog.h"
#include "Eventually.h"
#include "FakeBroker.h"
#include "SocketFolder.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <atomic>
#include <functional>
#include <optional>

using namespace rimglider;
using namespace rimglider::test;
using namespace GestureEngineKit;
using namespace std::chrono_literals;
using Status = TouchInput::Status;

namespace {

const std::string testPad = "handmade/Rimglider Test Touchpad.desc";

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
        ASSERT_TRUE(eventually([&] { return caught.frames().size() >= count; })) << caught.frames().size() << " frames";
    }
};

// A finger in slot 0 of the test touchpad (1000 x 500 units, 10 per mm), then SYN_REPORT.
std::vector<broker::WireEvent> finger(double t, int x, int y, int id = 7)
{
    const broker::Time at = wireTime(t);
    return {{at, EV_ABS, ABS_MT_SLOT, 0},         {at, EV_ABS, ABS_MT_TRACKING_ID, id},
            {at, EV_ABS, ABS_MT_POSITION_X, x},   {at, EV_ABS, ABS_MT_POSITION_Y, y},
            {at, EV_ABS, ABS_MT_TOUCH_MAJOR, 90}, {at, EV_SYN, SYN_REPORT, 0}};
}

std::vector<broker::WireEvent> lift(double t)
{
    const broker::Time at = wireTime(t);
    return {{at, EV_ABS, ABS_MT_SLOT, 0}, {at, EV_ABS, ABS_MT_TRACKING_ID, -1}, {at, EV_SYN, SYN_REPORT, 0}};
}

} // namespace

TEST(TouchInput, StatusNamesEachWayTheBrokerFailsAndLogsItOnce)
{
    Fixture f;
    const std::vector<std::pair<std::function<void()>, std::string>> cases{
        {[] {}, "MultitouchSupport is not available"}, // nothing listens
        {[&] { f.serve().failListing(); }, "No multitouch devices"},
        {[&] { f.broker->failListing(false); }, "No trackpad found"},
    };
    for (const auto& [arrange, message] : cases) {
        arrange();
        f.input.start();
        f.waitForStatus(Status::unavailable(message));
        f.input.stop();
        EXPECT_EQ(f.input.status(), Status::stopped());
        EXPECT_TRUE(eventually([&] { return f.log.messages().back() == "Touch input unavailable: " + message; }));
    }
    EXPECT_EQ(f.log.messages().size(), 3u);
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
        EXPECT_EQ(frames[k].touches.at(0).state, TouchSample::stateTouching);
    }
    // A report passed on late, stamped before the last keep-alive, comes after it, not before.
    broker.sendEvents(1, finger(10.15, 510, 250));
    f.waitForFrames(8);
    EXPECT_EQ(f.caught.frames()[7].time, frames[6].time);
    EXPECT_GT(f.caught.frames()[7].touches.at(0).x, frames[6].touches.at(0).x);
    // The lift's own time fills the one frame still due before it; then nothing rests.
    broker.sendEvents(1, lift(10.21));
    f.now = 20.0;
    broker.sendEvents(1, {wireEvent({20.0, EV_SYN, SYN_REPORT, 0})});
    f.waitForFrames(11);
    frames = f.caught.frames();
    ASSERT_EQ(frames.size(), 11u);
    EXPECT_EQ(frames[9], (TouchFrame{10.21, {}}));
    EXPECT_EQ(frames[10], (TouchFrame{20.0, {}}));

    // Events stamped on another clock (a pad that refused CLOCK_MONOTONIC) must not make the
    // clock repeat a minute of frames after every report; their own times still fill gaps.
    f.now = 1e6;
    broker.sendEvents(1, finger(30.0, 500, 250));
    broker.sendEvents(1, finger(30.09, 500, 250));
    f.waitForFrames(15);
    frames = f.caught.frames();
    ASSERT_EQ(frames.size(), 15u); // a flood would have come before the last report
    EXPECT_NEAR(frames[13].time, 30.0 + 2.0 / 30, 1e-9);
    EXPECT_EQ(frames[14].time, 30.09);
}

TEST(TouchInput, TakesUpAHotPluggedBuiltInPadAndWhenItVanishesMidSlideReleasesTheGestureThenFallsBack)
{
    Fixture f;
    ClickGuard guard;
    GesturePipeline pipeline(guard, [] { return 0.0; });
    std::vector<std::vector<GestureEvent>> delivered;
    pipeline.addSink([&](const std::vector<GestureEvent>& events) { delivered.push_back(events); });
    FakeBroker& broker = f.serve({touchpad(1, testPad, false)});
    f.input.setOnFrame(nullptr);
    pipeline.attachTouchInput(f.input);
    ASSERT_TRUE(eventually([&] { return broker.touchpadSubscribers(1) == 1; }));
    broker.addTouchpad(touchpad(2, testPad, true)); // built in: preferred
    ASSERT_TRUE(eventually([&] { return broker.touchpadSubscribers(2) == 1 && broker.touchpadSubscribers(1) == 0; }));

    // A slide up the right edge: claimed, then the slider begins.
    for (const auto& [t, y] : {std::pair{10.00, 250}, {10.02, 220}, {10.04, 190}})
        broker.sendEvents(2, finger(t, 960, y));
    ASSERT_TRUE(eventually([&] {
        pipeline.waitUntilProcessed();
        const auto snapshot = pipeline.snapshot();
        return snapshot.touches.size() == 1 && snapshot.touches[0].absoluteY == 190;
    }));
    ASSERT_EQ(pipeline.snapshot().claimedZones, std::optional(ZoneSet{Zone::right}));

    // The other pad has a finger of its own on it: taken for the vanished finger, it would
    // cancel the gesture instead of completing it.
    broker.setState(1, finger(10.05, 100, 100, 3));
    broker.removeTouchpad(2);
    f.waitForStatus(Status::running(1));
    EXPECT_EQ(f.input.device()->deviceId, 1u); // the other pad takes over
    pipeline.waitUntilProcessed();
    QCoreApplication::processEvents();
    EXPECT_EQ(pipeline.snapshot().claimedZones, std::nullopt); // no claim left behind
    ASSERT_FALSE(delivered.empty());
    EXPECT_EQ(delivered.back().back(), GestureEvent::released(GestureEvent::Outcome::completed()));
    broker.removeTouchpad(1);
    f.waitForStatus(Status::unavailable("No trackpad found"));
}

TEST(TouchInput, TheFingerEndsWhenTheBrokerGoesSuspendsOrDropsEvents)
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
    EXPECT_TRUE(f.caught.frames().back().touches.empty());

    FakeBroker& back = f.serve({touchpad(9, testPad, true)}); // back without a restart
    f.waitForStatus(Status::running(1));
    ASSERT_TRUE(eventually([&] { return back.touchpadSubscribers(9) == 1; }));
    back.sendEvents(9, finger(20.0, 500, 250));
    f.waitForFrames(5);
    // Another user takes the seat: the finger ends for us; back, the state starts afresh.
    back.broadcast(broker::Suspended{});
    f.waitForFrames(6);
    EXPECT_EQ(f.caught.frames()[5], (TouchFrame{20.0, {}}));
    back.broadcast(broker::Resumed{});
    back.sendEvents(9, finger(21.0, 500, 250), true);
    f.waitForFrames(7);
    EXPECT_EQ(f.caught.frames()[6].touches.at(0).state, TouchSample::stateTouchBegan);
    // Events were dropped: what follows before the state is no view of the pad.
    back.broadcast(broker::Dropped{9});
    back.sendEvents(9, finger(21.5, 600, 250));
    back.sendEvents(9, finger(22.0, 700, 250), true);
    f.waitForFrames(8);
    EXPECT_EQ(f.caught.frames()[7].touches.at(0).absoluteX, 700);

    f.input.stop();
    EXPECT_TRUE(eventually([&] { return back.clientCount() == 0; }));
}

TEST(TouchInput, AsksForExclusiveModeOnItsTouchpadAndSendsHidesAndTheGuardOnlyWhileItHoldsIt)
{
    using namespace broker;
    for (const std::uint32_t version : {1u, 2u}) {
        SCOPED_TRACE(version);
        Fixture f;
        FakeBroker& broker = f.serve({touchpad(1, testPad, true)});
        broker.speakUpTo(version);
        f.input.setExclusiveWanted(true);
        f.input.setClickGuard(true, {7}, 0, 0.25); // known before the grab: sent once it holds
        f.input.start();
        ASSERT_TRUE(eventually([&] { return broker.touchpadSubscribers(1) == 1; }));
        f.input.hideContact(7, true); // not held yet: nothing goes
        if (version == 1) {           // an older service only observes
            broker.sendEvents(1, finger(1.0, 500, 250));
            f.waitForFrames(2);
            EXPECT_TRUE(broker.requestsOf<SetExclusive>().empty());
            continue;
        }
        ASSERT_TRUE(eventually([&] { return broker.requestsOf<SetExclusive>().size() == 1; }));
        EXPECT_EQ(broker.requestsOf<SetExclusive>()[0], (SetExclusive{1, true}));
        broker.broadcast(Exclusive{1, ExclusiveState::active, ExclusiveReason::none, 0});
        ASSERT_TRUE(eventually([&] { return f.input.exclusive().state == ExclusiveState::active; }));
        f.input.hideContact(7, true);
        f.input.setClickGuard(false, {}, 12.5, 0.25);
        broker.broadcast(Exclusive{1, ExclusiveState::active, ExclusiveReason::none, 1}); // a press swallowed
        const Exclusive watchdog{1, ExclusiveState::off, ExclusiveReason::watchdog, 1};
        broker.broadcast(watchdog);
        ASSERT_TRUE(eventually([&] { return f.input.exclusive() == watchdog; }));
        f.input.hideContact(8, true); // let go of: nothing goes
        f.input.setExclusiveWanted(false);
        ASSERT_TRUE(eventually([&] { return broker.requestsOf<SetExclusive>().size() == 2; }));
        EXPECT_EQ(broker.requestsOf<HideContact>(), (std::vector<HideContact>{{1, 7, true}}));
        EXPECT_EQ(broker.requestsOf<SetClickGuard>(),
                  (std::vector<SetClickGuard>{{1, true, {}, 250, {7}}, {1, false, {12, 500000}, 250, {}}}));
    }
}
