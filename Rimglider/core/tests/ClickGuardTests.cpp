#include "ClickGuard.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace rimglider;
using namespace GestureEngineKit;
using Decision = ClickGuard::Decision;

namespace {

const GestureEvent cornerClaim = GestureEvent::claimed({Zone::right, Zone::topRightCorner});
const GestureEvent bottomClaim = GestureEvent::claimed({Zone::bottom});
const GestureEvent rightClaim = GestureEvent::claimed({Zone::right});
const GestureEvent released = GestureEvent::released(GestureEvent::Outcome::completed());

} // namespace

TEST(ClickGuard, CornerClaimGuardsUntilTheWindowAfterTheRelease)
{
    ClickGuard guard;
    guard.observe({rightClaim, released}, {}, 5.0); // nothing guarded: no window after it
    EXPECT_EQ(guard.state().guardUntil, 0);
    guard.observe({cornerClaim}, {}, 10.0);
    EXPECT_EQ(guard.press(1, 10.05), Decision::swallow);
    guard.observe({GestureEvent::doubleTap(Zone::topRightCorner), released}, {}, 10.1);
    EXPECT_EQ(guard.state().guardUntil, 10.35); // a window of 0.25 s
    EXPECT_EQ(guard.press(2, 10.3), Decision::swallow);
    EXPECT_EQ(guard.press(3, 10.35), Decision::pass); // not earlier than guardUntil
    EXPECT_EQ(guard.swallowedCount(), 2);
    guard.setWindow(1.0);
    guard.observe({cornerClaim, released}, {}, 11.0);
    guard.observe({rightClaim, released}, {}, 11.5);
    EXPECT_EQ(guard.state().guardUntil, 12.0);
}

TEST(ClickGuard, SideAndBottomClaimsGuardOnlyOnceAGestureBeginsUnlessTheBottomTaps)
{
    GestureConfig taps;
    taps.bottomTapEnabled = true;
    const std::tuple<GestureEvent, GestureEvent, GestureConfig, Decision> cases[] = {
        {rightClaim, GestureEvent::sliderBegan(Zone::right), {}, Decision::pass},
        {bottomClaim, GestureEvent::swipe(Zone::bottom, SwipeDirection::left), {}, Decision::pass},
        {bottomClaim, GestureEvent::tap(Zone::bottom), taps, Decision::swallow},
    };
    for (const auto& [claim, begun, config, atClaim] : cases) {
        ClickGuard guard;
        guard.observe({claim}, config, 1.0);
        EXPECT_EQ(guard.press(0, 1.01), atClaim);
        guard.observe({begun}, config, 1.02);
        EXPECT_EQ(guard.press(1, 1.03), Decision::swallow);
    }
}

TEST(ClickGuard, SwallowedPressesHaveTheirReleasesSwallowedOnce)
{
    ClickGuard guard;
    guard.observe({cornerClaim}, {}, 1.0);
    EXPECT_EQ(guard.press(0, 1.1), Decision::swallow);
    EXPECT_EQ(guard.press(1, 1.1), Decision::swallow);
    guard.observe({released}, {}, 1.2);
    EXPECT_EQ(guard.release(0), Decision::swallow); // long after the window
    EXPECT_EQ(guard.release(0), Decision::pass);
    EXPECT_EQ(guard.release(2), Decision::pass); // its press was passed

    // Reset ends the grace period at once but remembers button 1.
    guard.observe({cornerClaim, released}, {}, 2.0);
    guard.reset();
    EXPECT_EQ(guard.press(3, 2.01), Decision::pass);
    EXPECT_EQ(guard.release(1), Decision::swallow);
    EXPECT_EQ(guard.swallowedCount(), 2);
}

TEST(ClickGuard, ThreeThreadsAgreeOnEveryDecision)
{
    // The queue observes, the input reader decides, the main thread sets the window and
    // reads the count, all at once: every press is counted exactly once.
    ClickGuard guard;
    std::atomic<bool> done{false};
    std::thread queue([&] {
        for (int i = 0; i < 20000; ++i)
            guard.observe({cornerClaim, released}, {}, double(i));
        done = true;
    });
    std::thread reader([&] {
        std::int64_t swallowed = 0;
        for (int i = 0; !done || i < 20000; ++i) {
            if (guard.press(i % 5, double(i)) == Decision::swallow) {
                ++swallowed;
                EXPECT_EQ(guard.release(i % 5), Decision::swallow);
            }
        }
        EXPECT_EQ(guard.swallowedCount(), swallowed);
    });
    for (int i = 0; i < 2000; ++i) {
        guard.setWindow(0.5);
        (void)guard.swallowedCount();
    }
    queue.join();
    reader.join();
    EXPECT_TRUE(guard.state().swallowedButtons.empty());
}

TEST(ClickGuard, StateGoesAheadToTheServiceOnlyWhenItChanges)
{
    ClickGuard guard;
    std::vector<ClickGuard::Ahead> sent;
    guard.onAhead = [&](const ClickGuard::Ahead& ahead) { sent.push_back(ahead); };
    guard.observe({rightClaim}, {}, 1.0, 7); // a side claim guards nothing yet
    guard.observe({GestureEvent::sliderBegan(Zone::right)}, {}, 1.1, 7);
    guard.observe({GestureEvent::sliderStep(Zone::right, SliderDirection::up, false)}, {}, 1.2, 7);
    guard.observe({released}, {}, 2.0);
    guard.observe({cornerClaim}, {}, 3.0); // the contact unknown: the service falls back on the time
    guard.reset();
    const std::vector<ClickGuard::Ahead> expected = {
        {true, {7}, 0, 0.25}, {false, {}, 2.25, 0.25}, {true, {}, 2.25, 0.25}, {false, {}, 0, 0.25}};
    EXPECT_EQ(sent, expected);
}
