#include "ContactHider.h"

#include "ManualScheduler.h"

#include <gtest/gtest.h>

using namespace rimglider;
using namespace rimglider::test;
using namespace GestureEngineKit;

namespace {

using Outcome = GestureEvent::Outcome;
const GestureEvent side = GestureEvent::claimed({Zone::right});
const GestureEvent corner = GestureEvent::claimed({Zone::right, Zone::topRightCorner});
const GestureEvent bottom = GestureEvent::claimed({Zone::bottom});
const GestureEvent completed = GestureEvent::released(Outcome::completed());
const GestureEvent movedInward = GestureEvent::released(Outcome::cancelled(CancelReason::wrongDirection));

// One input's events with the contact claimed by then, or a change of the freeze, or a turn of
// the event loop.
struct Step {
    std::vector<GestureEvent> events;
    std::optional<std::int32_t> claimed;
    std::optional<bool> frozen;
};
Step events(std::vector<GestureEvent> e, std::optional<std::int32_t> claimed = std::nullopt)
{
    return {std::move(e), claimed, std::nullopt};
}
Step freeze(bool frozen)
{
    return {{}, std::nullopt, frozen};
}
const Step loopTurns{};

} // namespace

TEST(ContactHider, HidesWhatTheFreezeAndTheTapZonesAskAndShowsOnlyWhatACancelOrTheSafetyReleaseGivesBack)
{
    using Calls = std::vector<std::pair<std::int32_t, bool>>;
    struct Case {
        const char* name;
        bool bottomTap;
        std::vector<Step> steps; // the dispatcher, first to see each input, freezes and releases
        Calls calls;
    };
    const std::vector<Case> cases = {
        {"a side slide frozen from the claim stays hidden until it lifts",
         false,
         {freeze(true), events({side}, 7), events({GestureEvent::sliderBegan(Zone::right)}, 7), freeze(false),
          events({completed}), loopTurns},
         {{7, true}}},
        {"a claim cancelled as the finger moves inward shows the finger again",
         false,
         {freeze(true), events({side}, 7), freeze(false), events({movedInward}), loopTurns},
         {{7, true}, {7, false}}},
        {"frozen from the gesture: hidden when the slide begins",
         false,
         {events({side}, 7), freeze(true), events({GestureEvent::sliderBegan(Zone::right)}, 7)},
         {{7, true}}},
        {"freezeCursor off: a side slide and the bottom edge without its tap stay visible; the corner double tap is "
         "hidden anyway, and stays so",
         false,
         {events({side}, 7), events({GestureEvent::sliderBegan(Zone::right)}, 7), events({completed}),
          events({bottom}, 4), events({completed}), events({corner}, 9),
          events({GestureEvent::doubleTap(Zone::topRightCorner), completed})},
         {{9, true}}},
        {"the bottom tap hides",
         true,
         {events({bottom}, 4), events({GestureEvent::tap(Zone::bottom), completed})},
         {{4, true}}},
        {"the safety release shows a side contact still down",
         false,
         {freeze(true), events({side}, 7), freeze(false), loopTurns},
         {{7, true}, {7, false}}},
        {"the safety release leaves a tap-zone contact hidden",
         false,
         {freeze(true), events({corner}, 9), freeze(false), loopTurns},
         {{9, true}}},
        {"a claim already over when delivered names no contact: nothing hides",
         false,
         {freeze(true), events({corner, GestureEvent::released(Outcome::cancelled(CancelReason::noGesture))})},
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ManualScheduler loop;
        Calls calls;
        ContactHider hider([&](std::int32_t touch, bool hide) { calls.emplace_back(touch, hide); }, loop.scheduler());
        GestureConfig config;
        config.bottomTapEnabled = c.bottomTap;
        for (const Step& step : c.steps) {
            if (step.frozen)
                hider.frozenChanged(*step.frozen);
            else if (step.events.empty())
                loop.advance(std::chrono::milliseconds(0));
            else
                hider.handle(step.events, step.claimed, config);
        }
        EXPECT_EQ(calls, c.calls);
    }
}
