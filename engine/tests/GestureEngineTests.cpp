#include "GestureEngineKit/GestureConfig.h"
#include "GestureEngineKit/GestureEngine.h"

#include <gtest/gtest.h>

using namespace GestureEngineKit;
using Events = std::vector<GestureEvent>;
using Phase = GestureEngine::Phase;

namespace {

TouchSample finger(float x, float y, std::int32_t id = 1, float majorAxis = 9, std::int32_t state = 4)
{
    return TouchSample{.id = id, .state = state, .x = x, .y = y, .majorAxis = majorAxis, .minorAxis = 7};
}

EngineInput frame(double t, std::vector<TouchSample> touches = {})
{
    return EngineInput::frame(TouchFrame{t, std::move(touches)});
}

const GestureEvent completed = GestureEvent::released(GestureEvent::Outcome::completed());
const auto cancelled = [](CancelReason r) { return GestureEvent::released(GestureEvent::Outcome::cancelled(r)); };
const auto step = [](Zone z, SliderDirection d, bool fine = false) { return GestureEvent::sliderStep(z, d, fine); };

// The default configuration but for one value.
template <class T>
GestureConfig with(T GestureConfig::*field, std::type_identity_t<T> value)
{
    GestureConfig config;
    config.*field = value;
    return config;
}

// A finger in the right zone that has begun a slide at y = 0.53.
GestureEngine slidingRight(GestureConfig config = {})
{
    GestureEngine engine(config);
    engine.handle(frame(1.00, {finger(0.95f, 0.5f)}));
    engine.handle(frame(1.01, {finger(0.95f, 0.53f)}));
    return engine;
}

} // namespace

TEST(GestureEngine, SlideStepsByTravelAndKeepsTheRemainder)
{
    GestureEngine engine;
    EXPECT_EQ(engine.handle(frame(1.00, {finger(0.95f, 0.5f)})), Events{GestureEvent::claimed({Zone::right})});
    EXPECT_EQ(engine.handle(frame(1.01, {finger(0.95f, 0.53f)})), Events{GestureEvent::sliderBegan(Zone::right)});
    // The travel that led to activation does not count; 2.5 mm per step on the 78 mm pad.
    EXPECT_EQ(engine.handle(frame(1.02, {finger(0.95f, 0.5925f)})), Events{step(Zone::right, SliderDirection::up)});
    EXPECT_EQ(engine.handle(frame(1.03, {finger(0.95f, 0.655f)})),
              (Events{step(Zone::right, SliderDirection::up), step(Zone::right, SliderDirection::up)}));
    EXPECT_EQ(engine.handle(frame(1.04, {finger(0.95f, 0.62375f)})), Events{}); // 2.44 mm down: the remainder
    EXPECT_EQ(engine.handle(frame(1.05, {finger(0.95f, 0.5925f)})), Events{step(Zone::right, SliderDirection::down)});
    EXPECT_EQ(engine.handle(frame(1.06)), Events{completed});
    EXPECT_EQ(engine.phase(), Phase::idle());

    // 2.6 mm of travel counts as 5.2 mm at twice the sensitivity: two steps; x wanders freely.
    GestureEngine sensitive = slidingRight(with(&GestureConfig::sensitivity, 2.0));
    EXPECT_EQ(sensitive.handle(frame(1.02, {finger(0.5f, 0.53f + 2.6f / 78)})),
              (Events{step(Zone::right, SliderDirection::up), step(Zone::right, SliderDirection::up)}));
    // Fine steps need Shift and Alt together.
    for (const auto& [held, fine] : {std::pair{ModifierState{ModifierState::shift, ModifierState::option}, true},
                                     std::pair{ModifierState{ModifierState::shift}, false}}) {
        GestureEngine sliding = slidingRight();
        sliding.handle(EngineInput::modifiers(held, 1.02));
        EXPECT_EQ(sliding.handle(frame(1.03, {finger(0.95f, 0.53f + 3.0f / 78)})),
                  Events{step(Zone::right, SliderDirection::up, fine)});
    }
}

TEST(GestureEngine, DegenerateStepDistanceNeverHangsOrFloods)
{
    GestureEngine stalled = slidingRight(with(&GestureConfig::stepDistanceMM, 0));
    EXPECT_EQ(stalled.handle(frame(1.02, {finger(0.95f, 0.9f)})), Events{});
    GestureEngine flooding = slidingRight(with(&GestureConfig::stepDistanceMM, 1e-9));
    EXPECT_EQ(flooding.handle(frame(1.02, {finger(0.95f, 0.9f)})).size(), std::size_t(GestureEngine::maxStepsPerInput));
    EXPECT_LT(std::abs(flooding.claim()->accumulatedMM), 1e-9);
}

TEST(GestureEngine, RejectedFingersAreNotTriedAgainUntilAllLift)
{
    GestureEngine keyPressed, modifierMissing;
    keyPressed.handle(EngineInput::keyDown(0.61)); // 0.39 s before: within the typing guard
    modifierMissing.setConfig(with(&GestureConfig::requiredModifier, ModifierState::function));
    const std::pair<GestureEngine, TouchSample> rejected[] = {
        {GestureEngine{}, finger(0.5f, 0.5f)},            // outside every zone
        {GestureEngine{}, finger(0.95f, 0.5f, 1, 24.5f)}, // a palm
        {keyPressed, finger(0.95f, 0.5f)},
        {modifierMissing, finger(0.95f, 0.5f)},
    };
    for (auto [engine, sample] : rejected) {
        EXPECT_EQ(engine.handle(frame(1.0, {sample})), Events{});
        EXPECT_EQ(engine.handle(frame(1.1, {finger(0.95f, 0.5f, sample.id)})), Events{}); // moving in does not help
        engine.handle(frame(1.2));
        engine.handle(EngineInput::modifiers(ModifierState::function, 1.2));
        EXPECT_EQ(engine.handle(frame(1.3, {finger(0.95f, 0.5f)})).size(), 1u);
    }
    GestureEngine bounds; // the palm and typing-guard bounds are inclusive
    EXPECT_EQ(bounds.handle(frame(1.0, {finger(0.95f, 0.5f, 1, 24.0f)})).size(), 1u);
    GestureEngine typed(with(&GestureConfig::typingGuard, 0.25)); // exactly representable
    typed.handle(EngineInput::keyDown(10.0));
    EXPECT_EQ(typed.handle(frame(10.25, {finger(0.05f, 0.5f)})), Events{GestureEvent::claimed({Zone::left})});
    // Hovering (state 1) and lifting (state 5) contacts do not count.
    GestureEngine hover;
    EXPECT_EQ(hover.handle(
                  frame(1.0, {finger(0.5f, 0.5f, 7, 9, 1), finger(0.95f, 0.5f, 2, 9, 3), finger(0.5f, 0.2f, 8, 9, 5)})),
              Events{GestureEvent::claimed({Zone::right})});
}

TEST(GestureEngine, AnotherFingerEndsTheClaim)
{
    GestureEngine together; // two fingers landing at once: ignored without any event
    EXPECT_EQ(together.handle(frame(1.0, {finger(0.05f, 0.5f, 1), finger(0.95f, 0.5f, 2)})), Events{});
    GestureEngine pending;
    pending.handle(frame(1.0, {finger(0.05f, 0.5f)}));
    EXPECT_EQ(pending.handle(frame(1.1, {finger(0.05f, 0.5f), finger(0.5f, 0.5f, 2)})),
              Events{cancelled(CancelReason::extraFinger)});
    GestureEngine sliding = slidingRight();
    EXPECT_EQ(sliding.handle(frame(1.1, {finger(0.95f, 0.6f, 9)})), Events{cancelled(CancelReason::fingerChanged)});
    EXPECT_EQ(sliding.handle(frame(1.2, {finger(0.95f, 0.9f, 9)})), Events{}); // ignored until all lift
    GestureEngine swiped; // after a swipe, a second finger completes the gesture
    swiped.handle(frame(1.0, {finger(0.5f, 0.03f)}));
    swiped.handle(frame(1.1, {finger(0.6f, 0.03f)}));
    EXPECT_EQ(swiped.handle(frame(1.2, {finger(0.6f, 0.03f), finger(0.3f, 0.3f, 5)})), Events{completed});
}

TEST(GestureEngine, DirectionAndTimeDecideBetweenSlideSwipeAndCancel)
{
    // One finger down at (x0, y0), then at (x1, y1) `dt` seconds later: that frame's events.
    const struct {
        float x0, y0, x1, y1;
        double dt;
        Events expected;
    } moves[] = {
        {0.05f, 0.5f, 0.05f + 3.0f / 125, 0.5f, 0.1, {cancelled(CancelReason::wrongDirection)}}, // left, horizontal
        {0.95f, 0.5f, 0.95f - 3.0f / 125, 0.5f + 3.0f / 78, 0.1, {cancelled(CancelReason::wrongDirection)}},
        {0.89f, 0.9f, 0.89f, 0.85f, 0.1, {cancelled(CancelReason::wrongDirection)}}, // a corner-only claim never slides
        {0.05f, 0.5f, 0.05f, 0.5f, 0.8, {}},
        {0.05f, 0.5f, 0.05f, 0.5f, 0.81, {cancelled(CancelReason::timeout)}},
        // The lower-left corner: vertical starts the left slider, horizontal is a swipe candidate.
        {0.05f, 0.03f, 0.05f, 0.07f, 0.1, {GestureEvent::sliderBegan(Zone::left)}},
        {0.05f, 0.03f, 0.04f - 12.5f / 125, 0.03f, 0.2, {GestureEvent::swipe(Zone::bottom, SwipeDirection::left)}},
    };
    for (const auto& m : moves) {
        GestureEngine engine;
        engine.handle(frame(1.0, {finger(m.x0, m.y0)}));
        EXPECT_EQ(engine.handle(frame(1.0 + m.dt, {finger(m.x1, m.y1)})), m.expected) << m.x1 << ", " << m.y1;
    }
    // The swipe judges the total displacement, with no timeout beyond the activation distance.
    GestureEngine turned;
    turned.handle(frame(1.0, {finger(0.5f, 0.03f)}));
    EXPECT_EQ(turned.handle(frame(1.1, {finger(0.54f, 0.03f)})), Events{});  // 5 mm right
    EXPECT_EQ(turned.handle(frame(1.2, {finger(0.54f, 0.03f + 3.0f / 78)})), // then 3 mm up: 3 × 2 > 5
              Events{cancelled(CancelReason::wrongDirection)});
    GestureEngine slow;
    slow.handle(frame(1.0, {finger(0.5f, 0.03f)}));
    EXPECT_EQ(slow.handle(frame(1.5, {finger(0.53f, 0.03f)})), Events{});
    EXPECT_EQ(slow.handle(frame(4.0, {finger(0.6f, 0.03f)})),
              Events{GestureEvent::swipe(Zone::bottom, SwipeDirection::right)});
    EXPECT_EQ(slow.handle(frame(4.1, {finger(0.7f, 0.03f)})), Events{}); // fired once; the finger may go on
    EXPECT_EQ(slow.handle(frame(4.2)), Events{completed});
}

TEST(GestureEngine, AClickCancelsASlideAndRulesOutSlidesAndSwipesButNotTaps)
{
    GestureEngine sliding = slidingRight();
    EXPECT_EQ(sliding.handle(EngineInput::mouseDown(1.05)), Events{cancelled(CancelReason::physicalClick)});
    GestureEngine slide;
    slide.handle(frame(1.0, {finger(0.95f, 0.5f)}));
    EXPECT_EQ(slide.handle(EngineInput::mouseDown(1.01)), Events{});
    EXPECT_EQ(slide.handle(frame(1.1, {finger(0.95f, 0.6f)})), Events{cancelled(CancelReason::wrongDirection)});
    GestureEngine tap(with(&GestureConfig::bottomTapEnabled, true));
    tap.handle(frame(1.0, {finger(0.5f, 0.03f)}));
    tap.handle(EngineInput::mouseDown(1.01));
    EXPECT_EQ(tap.handle(frame(1.1)), (Events{GestureEvent::tap(Zone::bottom), completed}));
}

TEST(GestureEngine, TapsAreShortAndStillAndCornerTapsPairUpWithAnInclusiveInterval)
{
    const auto lift = [](GestureConfig config, double liftTime, float wander) {
        GestureEngine engine(config);
        engine.handle(frame(1.0, {finger(0.5f, 0.03f)}));
        engine.handle(frame(1.05, {finger(0.5f + wander, 0.03f)}));
        engine.handle(frame(1.08, {finger(0.5f, 0.03f)}));
        return engine.handle(frame(liftTime));
    };
    const GestureConfig taps = with(&GestureConfig::bottomTapEnabled, true);
    EXPECT_EQ(lift(taps, 1.1, 0), (Events{GestureEvent::tap(Zone::bottom), completed}));
    EXPECT_EQ(lift(taps, 1.25, 0), Events{cancelled(CancelReason::noGesture)});
    EXPECT_EQ(lift(taps, 1.1, 1.6f / 125), Events{cancelled(CancelReason::noGesture)}); // moved 1.6 mm and back
    EXPECT_EQ(lift(GestureConfig{}, 1.1, 0), Events{cancelled(CancelReason::noGesture)});

    const auto tapAt = [](GestureEngine& engine, double start) {
        engine.handle(frame(start, {finger(0.95f, 0.95f)}));
        return engine.handle(frame(start + 0.125));
    };
    GestureEngine engine;
    EXPECT_EQ(tapAt(engine, 1.0), Events{cancelled(CancelReason::noGesture)});
    EXPECT_EQ(tapAt(engine, 1.3), (Events{GestureEvent::doubleTap(Zone::topRightCorner), completed}));
    EXPECT_EQ(tapAt(engine, 1.6), Events{cancelled(CancelReason::noGesture)}); // the third waits for a fourth
    EXPECT_EQ(tapAt(engine, 5.0), Events{cancelled(CancelReason::noGesture)}); // 3.3 s later: too late
    GestureEngine bound(with(&GestureConfig::doubleTapInterval, 0.25));
    tapAt(bound, 2.0); // lifted at 2.125, down again 0.25 s later
    EXPECT_EQ(tapAt(bound, 2.375), (Events{GestureEvent::doubleTap(Zone::topRightCorner), completed}));
}

TEST(GestureConfigZones, StartPointsFallInTheirZonesWithStrictBounds)
{
    const GestureConfig plain, bottomQuarter = with(&GestureConfig::sliderStartLimit, 0.25);
    // Taps are off by default: without swipes, no bottom zone.
    const GestureConfig noSwipes = with(&GestureConfig::bottomSwipeEnabled, false);
    GestureConfig tapsOnly = noSwipes;
    tapsOnly.bottomTapEnabled = true;
    const struct {
        const GestureConfig& config;
        double x, y;
        ZoneSet expected;
    } cases[] = {
        {plain, 0.05, 0.5, {Zone::left}},
        {plain, 0.1, 0.5, {}},
        {plain, 0.95, 0.5, {Zone::right}},
        {plain, 0.5, 0.03, {Zone::bottom}},
        {plain, 0.5, 0.06, {}},
        {plain, 0.91, 0.9, {Zone::right, Zone::topRightCorner}},
        {plain, 0.89, 0.9, {Zone::topRightCorner}},
        {plain, 0.05, 0.03, {Zone::left, Zone::bottom}},
        {bottomQuarter, 0.05, 0.2, {Zone::left}},
        {bottomQuarter, 0.05, 0.25, {}},
        {bottomQuarter, 0.95, 0.9, {Zone::topRightCorner}}, // only the sides are limited
        {bottomQuarter, 0.95, 0.03, {Zone::right, Zone::bottom}},
        {noSwipes, 0.5, 0.03, {}},
        {tapsOnly, 0.5, 0.03, {Zone::bottom}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.config.zones(c.x, c.y), c.expected) << c.x << ", " << c.y;

    for (Zone off : allZones) {
        GestureConfig without;
        without.enabledZones.erase(off);
        for (double x : {0.01, 0.5, 0.95, 0.99})
            for (double y : {0.01, 0.5, 0.95, 0.99})
                EXPECT_FALSE(without.zones(x, y).contains(off));
    }
}
