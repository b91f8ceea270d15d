#include "GesturePipeline.h"

#include "GestureEngineKit/GestureScript.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>

#include <atomic>
#include <future>
#include <thread>

using namespace rimglider;
using namespace GestureEngineKit;
using Events = std::vector<GestureEvent>;
using Phase = GestureEngine::Phase;

namespace {

TouchSample finger(float x, float y, std::int32_t id = 1)
{
    return TouchSample{.id = id, .state = 4, .x = x, .y = y, .majorAxis = 9};
}

// A pipeline with its own click guard and a clock the test sets, and a subscriber that
// keeps every delivery it gets on the main thread.
struct Fixture {
    ClickGuard guard;
    std::atomic<double> now{100.0};
    GesturePipeline pipeline{guard, [this] { return now.load(); }};
    std::vector<Events> delivered;
    bool offMainThread = false;

    Fixture()
    {
        pipeline.addSink([this](const Events& events) {
            offMainThread |= QThread::currentThread() != QCoreApplication::instance()->thread();
            delivered.push_back(events);
        });
    }

    // Everything submitted so far has been processed and delivered.
    void settle()
    {
        pipeline.waitUntilProcessed();
        QCoreApplication::processEvents();
    }

    std::vector<EngineInput> stopRecording()
    {
        std::promise<std::vector<EngineInput>> recorded;
        pipeline.stopRecording([&](std::vector<EngineInput> inputs) { recorded.set_value(std::move(inputs)); });
        return recorded.get_future().get();
    }
};

} // namespace

TEST(GesturePipeline, ClickGuardSeesEventsBeforeSubscribersWithTheEnginesConfigAndClock)
{
    Fixture f;
    GestureConfig taps;
    taps.bottomTapEnabled = true;
    f.pipeline.updateConfig(taps);
    f.pipeline.submitFrame(TouchFrame{1.0, {finger(0.5f, 0.03f)}}); // bottom claim guards when taps are on
    f.pipeline.waitUntilProcessed();
    EXPECT_TRUE(f.guard.state().guarding); // before any main-thread delivery
    EXPECT_TRUE(f.delivered.empty());
    f.now = 200.0;
    f.pipeline.submitFrame(TouchFrame{1.05, {}});
    f.settle();
    EXPECT_FALSE(f.guard.state().guarding);
    EXPECT_EQ(f.guard.state().guardUntil, 200.25);
    EXPECT_EQ(f.delivered.size(), 2u);
}

TEST(GesturePipeline, ConcurrentSubmittersAreSerialisedInArrivalOrderAndEverySinkHearsEachOnTheMainThread)
{
    // Four threads submit interleaved streams; the recording shows the order the queue took
    // them in, and the subscribers' events must be exactly a fresh engine's replay of it, one
    // list per input that had any.
    Fixture f;
    std::size_t secondSink = 0;
    f.pipeline.addSink([&](const Events&) { ++secondSink; });
    f.pipeline.startRecording();
    std::vector<std::thread> submitters;
    for (int t = 0; t < 4; ++t) {
        submitters.emplace_back([&f, t] {
            GestureScript hand(10.0 * t);
            for (int i = 0; i < 25; ++i)
                hand.down(t, t % 2 ? 0.95f : 0.05f, 0.3f).glide(0.1, 0, 0.2f).upAll().keyDown().wait(0.05);
            for (EngineInput& input : hand.take())
                f.pipeline.submit(std::move(input));
        });
    }
    for (auto& s : submitters)
        s.join();
    const std::vector<EngineInput> recorded = f.stopRecording();
    f.settle();

    std::size_t perThread[4] = {};
    double lastTime[4] = {-1, -1, -1, -1};
    for (const EngineInput& input : recorded) {
        const int t = int(input.time() / 10.0);
        ASSERT_GE(input.time(), lastTime[t]); // each thread's inputs keep their order
        lastTime[t] = input.time();
        ++perThread[t];
    }
    for (std::size_t count : perThread)
        EXPECT_EQ(count, recorded.size() / 4);

    GestureEngine replay;
    std::vector<Events> expected;
    for (const EngineInput& input : recorded)
        if (auto events = replay.handle(input); !events.empty()) expected.push_back(events);
    EXPECT_EQ(f.delivered, expected);
    EXPECT_FALSE(expected.empty());
    EXPECT_EQ(secondSink, expected.size());
    EXPECT_FALSE(f.offMainThread);
}

TEST(GesturePipeline, DisablingCancelsTheClaimAndResetsTheGuardThenTheEngineRestsWhileInputsAreRecordedAndShown)
{
    Fixture f;
    EXPECT_TRUE(f.stopRecording().empty());                          // never started
    f.pipeline.submitFrame(TouchFrame{1.0, {finger(0.95f, 0.95f)}}); // corner claim guards at once
    f.pipeline.waitUntilProcessed();
    ASSERT_TRUE(f.guard.state().guarding);
    f.pipeline.setEnabled(false);
    f.settle();
    ASSERT_EQ(f.delivered.size(), 2u);
    EXPECT_EQ(f.delivered[1], Events{GestureEvent::released(GestureEvent::Outcome::cancelled(CancelReason::reset))});
    EXPECT_FALSE(f.guard.state().guarding);
    EXPECT_EQ(f.guard.state().guardUntil, 0);
    EXPECT_FALSE(f.pipeline.snapshot().claimedZones);

    f.pipeline.submitFrame(TouchFrame{1.1, {}}); // lifted: a resting engine stays where the reset left it
    f.pipeline.startRecording();
    f.pipeline.submitFrame(TouchFrame{2.0, {finger(0.95f, 0.5f)}});
    f.pipeline.submit(EngineInput::mouseDown(2.01));
    f.settle();
    EXPECT_EQ(f.delivered.size(), 2u);
    const auto snapshot = f.pipeline.snapshot();
    EXPECT_FALSE(snapshot.isEnabled);
    ASSERT_EQ(snapshot.touches.size(), 1u); // the click left the touches as they were
    EXPECT_EQ(snapshot.touches[0].x, 0.95f);
    EXPECT_EQ(snapshot.phase, Phase::ignored());
    EXPECT_EQ(f.stopRecording().size(), 2u);

    // Enabling again (and enabling when enabled) delivers nothing by itself.
    f.pipeline.setEnabled(true);
    f.pipeline.setEnabled(true);
    f.settle();
    EXPECT_EQ(f.delivered.size(), 2u);
    EXPECT_TRUE(f.pipeline.snapshot().isEnabled);
}
