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

GestureEvent completed()
{
    return GestureEvent::released(GestureEvent::Outcome::completed());
}
GestureEvent cancelled(CancelReason r)
{
    return GestureEvent::released(GestureEvent::Outcome::cancelled(r));
}
GestureEvent step(Zone z, SliderDirection d, bool fine = false)
{
    return GestureEvent::sliderStep(z, d, fine);
}

// A finger in the right zone that has begun a slide at y = 0.53.
GestureEngine slidingRight(GestureConfig config = {})
{
    GestureEngine engine(config);
    engine.handle(frame(1.00, {finger(0.95f, 0.5f)}));
    engine.handle(frame(1.01, {finger(0.95f, 0.53f)}));
    EXPECT_EQ(engine.phase(), Phase::slider(Zone::right));
    return engine;
}

} // namespace

TEST(GestureEngineWorkedExamples, SlideStepsByTravelAndKeepsTheRemainder)
{
    GestureEngine engine;
    EXPECT_EQ(engine.handle(frame(1.00, {finger(0.95f, 0.5f)})), Events{GestureEvent::claimed({Zone::right})});
    EXPECT_EQ(engine.handle(frame(1.01, {finger(0.95f, 0.53f)})), Events{GestureEvent::sliderBegan(Zone::right)});
    EXPECT_DOUBLE_EQ(engine.claim()->lastY, double(0.53f));
    EXPECT_EQ(engine.claim()->accumulatedMM, 0);

    EXPECT_EQ(engine.handle(frame(1.02, {finger(0.95f, 0.5925f)})), Events{step(Zone::right, SliderDirection::up)});
    EXPECT_NEAR(engine.claim()->accumulatedMM, 2.375, 1e-5);
    EXPECT_EQ(engine.handle(frame(1.03, {finger(0.95f, 0.655f)})),
              (Events{step(Zone::right, SliderDirection::up), step(Zone::right, SliderDirection::up)}));
    EXPECT_NEAR(engine.claim()->accumulatedMM, 2.25, 1e-5);

    // 2.4375 mm down is 0.03125 of the height.
    EXPECT_EQ(engine.handle(frame(1.04, {finger(0.95f, 0.62375f)})), Events{});
    EXPECT_NEAR(engine.claim()->accumulatedMM, -0.1875, 1e-5);
    EXPECT_EQ(engine.handle(frame(1.05, {finger(0.95f, 0.5925f)})), Events{step(Zone::right, SliderDirection::down)});
    EXPECT_NEAR(engine.claim()->accumulatedMM, -0.125, 1e-5);

    EXPECT_EQ(engine.handle(frame(1.06)), Events{completed()});
    EXPECT_EQ(engine.phase(), Phase::idle());
    EXPECT_FALSE(engine.claim());
}

TEST(GestureEngineClaim, RejectedFingerIsNotTriedAgainUntilAllLift)
{
    const auto rejects = [](GestureEngine engine, TouchSample sample) {
        EXPECT_EQ(engine.handle(frame(1.0, {sample})), Events{});
        EXPECT_EQ(engine.phase(), Phase::ignored());
        // Moving into a zone does not help while the touch is ignored.
        EXPECT_EQ(engine.handle(frame(1.1, {finger(0.95f, 0.5f, sample.id)})), Events{});
        engine.handle(frame(1.2));
        EXPECT_EQ(engine.handle(frame(1.3, {finger(0.95f, 0.5f)})).size(), 1u);
    };
    rejects(GestureEngine{}, finger(0.5f, 0.5f));            // outside every zone
    rejects(GestureEngine{}, finger(0.95f, 0.5f, 1, 24.5f)); // palm
    GestureEngine palmBound;
    EXPECT_EQ(palmBound.handle(frame(1.0, {finger(0.95f, 0.5f, 1, 24.0f)})).size(), 1u);
    // A hovering contact (state 1) and a lifting one (state 5) beside a touching finger do not count.
    GestureEngine engine;
    EXPECT_EQ(engine.handle(
                  frame(1.0, {finger(0.5f, 0.5f, 7, 9, 1), finger(0.95f, 0.5f, 2, 9, 3), finger(0.5f, 0.2f, 8, 9, 5)})),
              Events{GestureEvent::claimed({Zone::right})});
    EXPECT_EQ(engine.handle(frame(1.1, {finger(0.95f, 0.5f, 2, 9, 6)})), Events{cancelled(CancelReason::noGesture)});
}

TEST(GestureEngineClaim, TypingGuardAndRequiredModifier)
{
    const auto landingAfterKey = [](double gap, GestureConfig config = {}) {
        GestureEngine engine(config);
        engine.handle(EngineInput::keyDown(10.0));
        return engine.handle(frame(10.0 + gap, {finger(0.05f, 0.5f)}));
    };
    EXPECT_EQ(GestureEngine{}.handle(frame(0.0, {finger(0.05f, 0.5f)})).size(), 1u); // no key yet
    EXPECT_EQ(landingAfterKey(0.39), Events{});
    EXPECT_EQ(landingAfterKey(0.41), Events{GestureEvent::claimed({Zone::left})});
    GestureConfig exact;
    exact.typingGuard = 0.25; // exactly representable: the bound is inclusive
    EXPECT_EQ(landingAfterKey(0.25, exact), Events{GestureEvent::claimed({Zone::left})});

    GestureConfig config;
    config.requiredModifier = ModifierState{ModifierState::control, ModifierState::option};
    GestureEngine engine(config);
    engine.handle(EngineInput::modifiers(ModifierState::control, 0.5));
    EXPECT_EQ(engine.handle(frame(1.0, {finger(0.05f, 0.5f)})), Events{});
    engine.handle(frame(1.1));
    engine.handle(EngineInput::modifiers({ModifierState::control, ModifierState::option, ModifierState::shift}, 1.2));
    EXPECT_EQ(engine.handle(frame(1.3, {finger(0.05f, 0.5f)})), Events{GestureEvent::claimed({Zone::left})});
}

TEST(GestureEngineMultiFinger, AnotherFingerEndsTheClaim)
{
    GestureEngine together; // two fingers landing at once: ignored without any event
    EXPECT_EQ(together.handle(frame(1.0, {finger(0.05f, 0.5f, 1), finger(0.95f, 0.5f, 2)})), Events{});
    EXPECT_EQ(together.handle(frame(1.1)), Events{});
    EXPECT_EQ(together.phase(), Phase::idle());

    GestureEngine pending;
    pending.handle(frame(1.0, {finger(0.05f, 0.5f)}));
    EXPECT_EQ(pending.handle(frame(1.1, {finger(0.05f, 0.5f), finger(0.5f, 0.5f, 2)})),
              Events{cancelled(CancelReason::extraFinger)});
    GestureEngine changed;
    changed.handle(frame(1.0, {finger(0.05f, 0.5f, 1)}));
    EXPECT_EQ(changed.handle(frame(1.1, {finger(0.05f, 0.5f, 2)})), Events{cancelled(CancelReason::fingerChanged)});

    GestureEngine sliding = slidingRight();
    EXPECT_EQ(sliding.handle(frame(1.1, {finger(0.95f, 0.6f), finger(0.5f, 0.5f, 2)})),
              Events{cancelled(CancelReason::extraFinger)});
    EXPECT_EQ(sliding.handle(frame(1.2, {finger(0.95f, 0.9f)})), Events{}); // back to one finger: no steps
    GestureEngine slidingChanged = slidingRight();
    EXPECT_EQ(slidingChanged.handle(frame(1.1, {finger(0.95f, 0.6f, 9)})),
              Events{cancelled(CancelReason::fingerChanged)});

    // After a swipe, another finger or a second finger completes the gesture.
    for (const auto& next :
         {std::vector{finger(0.3f, 0.3f, 5)}, std::vector{finger(0.6f, 0.03f), finger(0.3f, 0.3f, 5)}}) {
        GestureEngine swiped;
        swiped.handle(frame(1.0, {finger(0.5f, 0.03f)}));
        swiped.handle(frame(1.1, {finger(0.6f, 0.03f)}));
        EXPECT_EQ(swiped.handle(frame(1.2, next)), Events{completed()});
        EXPECT_EQ(swiped.phase(), Phase::ignored());
    }
}

TEST(GestureEngineCandidate, TimesOutOnlyAfterTheTimeoutHasPassed)
{
    GestureEngine engine;
    engine.handle(frame(1.0, {finger(0.05f, 0.5f)}));
    EXPECT_EQ(engine.handle(frame(1.8, {finger(0.05f, 0.5f)})), Events{});
    EXPECT_EQ(engine.phase(), Phase::pending());
    EXPECT_EQ(engine.handle(frame(1.81, {finger(0.05f, 0.5f)})), Events{cancelled(CancelReason::timeout)});
    EXPECT_EQ(engine.phase(), Phase::ignored());
}

TEST(GestureEngineCandidate, DirectionDecidesBetweenSlideSwipeAndCancel)
{
    // Left zone, 3 mm horizontal: wrong direction.
    GestureEngine left;
    left.handle(frame(1.0, {finger(0.05f, 0.5f)}));
    EXPECT_EQ(left.handle(frame(1.1, {finger(0.05f + 3.0f / 125, 0.5f)})),
              Events{cancelled(CancelReason::wrongDirection)});

    // Lower-left corner: vertical starts the left slider, horizontal is a swipe candidate.
    GestureEngine upward;
    EXPECT_EQ(upward.handle(frame(1.0, {finger(0.05f, 0.03f)})),
              Events{GestureEvent::claimed({Zone::left, Zone::bottom})});
    EXPECT_EQ(upward.handle(frame(1.1, {finger(0.05f, 0.07f)})), Events{GestureEvent::sliderBegan(Zone::left)});
    GestureEngine sideways;
    sideways.handle(frame(1.0, {finger(0.05f, 0.03f)}));
    EXPECT_EQ(sideways.handle(frame(1.1, {finger(0.02f, 0.03f)})), Events{});
    EXPECT_EQ(sideways.handle(frame(1.2, {finger(0.04f - 12.5f / 125, 0.03f)})),
              Events{GestureEvent::swipe(Zone::bottom, SwipeDirection::left)});

    // Diagonal movement from a side zone is neither vertical nor horizontal.
    GestureEngine diagonal;
    diagonal.handle(frame(1.0, {finger(0.95f, 0.5f)}));
    EXPECT_EQ(diagonal.handle(frame(1.1, {finger(0.95f - 3.0f / 125, 0.5f + 3.0f / 78)})),
              Events{cancelled(CancelReason::wrongDirection)});

    // A corner-only claim never slides.
    GestureEngine corner;
    EXPECT_EQ(corner.handle(frame(1.0, {finger(0.89f, 0.9f)})), Events{GestureEvent::claimed({Zone::topRightCorner})});
    EXPECT_EQ(corner.handle(frame(1.1, {finger(0.89f, 0.85f)})), Events{cancelled(CancelReason::wrongDirection)});
}

TEST(GestureEngineCandidate, SwipeJudgesTheTotalDisplacementWithoutATimeout)
{
    GestureEngine engine;
    engine.handle(frame(1.0, {finger(0.5f, 0.03f)}));
    EXPECT_EQ(engine.handle(frame(1.1, {finger(0.54f, 0.03f)})), Events{}); // 5 mm right
    // Then 3 mm straight up: 3 × 2 > 5, no longer horizontal.
    EXPECT_EQ(engine.handle(frame(1.2, {finger(0.54f, 0.03f + 3.0f / 78)})),
              Events{cancelled(CancelReason::wrongDirection)});

    GestureEngine slow;
    slow.handle(frame(1.0, {finger(0.5f, 0.03f)}));
    EXPECT_EQ(slow.handle(frame(1.5, {finger(0.53f, 0.03f)})), Events{});
    EXPECT_EQ(slow.handle(frame(3.0, {finger(0.56f, 0.03f)})), Events{});
    EXPECT_EQ(slow.handle(frame(4.0, {finger(0.6f, 0.03f)})),
              Events{GestureEvent::swipe(Zone::bottom, SwipeDirection::right)});
    EXPECT_EQ(slow.phase(), Phase::finishing());
    EXPECT_EQ(slow.handle(frame(4.1, {finger(0.7f, 0.03f)})), Events{}); // fired once; the finger may go on
    EXPECT_EQ(slow.handle(frame(4.2)), Events{completed()});
}

TEST(GestureEngineClicks, ClickCancelsASlideAndBlocksSlidesAndSwipesButNotTaps)
{
    GestureEngine sliding = slidingRight();
    EXPECT_EQ(sliding.handle(EngineInput::mouseDown(1.05)), Events{cancelled(CancelReason::physicalClick)});
    EXPECT_EQ(sliding.handle(frame(1.1, {finger(0.95f, 0.9f)})), Events{});

    GestureEngine slide;
    slide.handle(frame(1.0, {finger(0.95f, 0.5f)}));
    EXPECT_EQ(slide.handle(EngineInput::mouseDown(1.01)), Events{});
    EXPECT_EQ(slide.handle(frame(1.1, {finger(0.95f, 0.6f)})), Events{cancelled(CancelReason::wrongDirection)});

    GestureEngine swipe;
    swipe.handle(frame(1.0, {finger(0.5f, 0.03f)}));
    swipe.handle(EngineInput::mouseDown(1.01));
    EXPECT_EQ(swipe.handle(frame(1.1, {finger(0.6f, 0.03f)})), Events{cancelled(CancelReason::wrongDirection)});

    GestureConfig taps;
    taps.bottomTapEnabled = true;
    GestureEngine tap(taps);
    tap.handle(frame(1.0, {finger(0.5f, 0.03f)}));
    tap.handle(EngineInput::mouseDown(1.01));
    EXPECT_EQ(tap.handle(frame(1.1)), (Events{GestureEvent::tap(Zone::bottom), completed()}));

    GestureEngine idle;
    EXPECT_EQ(idle.handle(EngineInput::mouseDown(1.0)), Events{});
    EXPECT_EQ(idle.phase(), Phase::idle());
}

TEST(GestureEngineTaps, TapNeedsShortAndStill)
{
    const auto lift = [](GestureConfig config, double liftTime, float wander) {
        GestureEngine engine(config);
        engine.handle(frame(1.0, {finger(0.5f, 0.03f)}));
        engine.handle(frame(1.05, {finger(0.5f + wander, 0.03f)}));
        engine.handle(frame(1.08, {finger(0.5f, 0.03f)}));
        return engine.handle(frame(liftTime));
    };
    GestureConfig taps;
    taps.bottomTapEnabled = true;
    EXPECT_EQ(lift(taps, 1.1, 0), (Events{GestureEvent::tap(Zone::bottom), completed()}));
    EXPECT_EQ(lift(taps, 1.25, 0), Events{cancelled(CancelReason::noGesture)});
    // Moved 1.6 mm and came back: the farthest distance counts.
    EXPECT_EQ(lift(taps, 1.1, 1.6f / 125), Events{cancelled(CancelReason::noGesture)});
    EXPECT_EQ(lift(GestureConfig{}, 1.1, 0), Events{cancelled(CancelReason::noGesture)});

    GestureConfig neither;
    neither.bottomSwipeEnabled = false;
    EXPECT_EQ(lift(neither, 1.1, 0), Events{});
}

TEST(GestureEngineTaps, CornerTapsPairUpAndTheIntervalBoundIsInclusive)
{
    GestureEngine engine;
    const auto tapAt = [&](double start) {
        engine.handle(frame(start, {finger(0.95f, 0.95f)}));
        Events events = engine.handle(frame(start + 0.1));
        std::erase_if(events, [](const GestureEvent& e) { return !e.isAction(); });
        return events;
    };
    EXPECT_EQ(engine.handle(frame(1.0, {finger(0.95f, 0.95f)})),
              Events{GestureEvent::claimed({Zone::right, Zone::topRightCorner})});
    EXPECT_EQ(engine.handle(frame(1.1)), Events{cancelled(CancelReason::noGesture)});
    engine.handle(frame(1.3, {finger(0.95f, 0.95f)}));
    EXPECT_EQ(engine.handle(frame(1.4)), (Events{GestureEvent::doubleTap(Zone::topRightCorner), completed()}));
    EXPECT_EQ(tapAt(1.6), Events{}); // the third waits for a fourth
    EXPECT_EQ(tapAt(1.9), Events{GestureEvent::doubleTap(Zone::topRightCorner)});
    EXPECT_EQ(tapAt(5.0), Events{});
    EXPECT_EQ(tapAt(5.5), Events{}); // 0.4 s gap: too late; this one waits in turn

    GestureConfig exact;
    exact.doubleTapInterval = 0.25;
    GestureEngine bound(exact);
    bound.handle(frame(2.0, {finger(0.95f, 0.95f)}));
    bound.handle(frame(2.125));
    bound.handle(frame(2.375, {finger(0.95f, 0.95f)}));
    EXPECT_EQ(bound.handle(frame(2.5)), (Events{GestureEvent::doubleTap(Zone::topRightCorner), completed()}));
}

TEST(GestureEngineSlider, FineStepsNeedShiftAndOptionTogether)
{
    const auto stepAfter = [](ModifierState held) {
        GestureEngine engine = slidingRight();
        engine.handle(EngineInput::modifiers(held, 1.02));
        return engine.handle(frame(1.03, {finger(0.95f, 0.53f + 3.0f / 78)}));
    };
    EXPECT_EQ(stepAfter({ModifierState::shift, ModifierState::option}),
              Events{step(Zone::right, SliderDirection::up, true)});
    EXPECT_EQ(stepAfter({ModifierState::shift, ModifierState::option, ModifierState::command}),
              Events{step(Zone::right, SliderDirection::up, true)});
    EXPECT_EQ(stepAfter(ModifierState::shift), Events{step(Zone::right, SliderDirection::up, false)});
}

TEST(GestureEngineSlider, SensitivityScalesTravelAndHorizontalMovementIsIgnored)
{
    GestureConfig config;
    config.sensitivity = 2.0;
    GestureEngine engine = slidingRight(config);
    // 2.6 mm of travel counts as 5.2 mm: two steps. x wanders freely.
    EXPECT_EQ(engine.handle(frame(1.02, {finger(0.5f, 0.53f + 2.6f / 78)})),
              (Events{step(Zone::right, SliderDirection::up), step(Zone::right, SliderDirection::up)}));
}

TEST(GestureEngineSlider, DegenerateStepDistanceNeverHangsOrFloods)
{
    GestureConfig zero;
    zero.stepDistanceMM = 0;
    GestureEngine stalled = slidingRight(zero);
    EXPECT_EQ(stalled.handle(frame(1.02, {finger(0.95f, 0.9f)})), Events{});
    EXPECT_EQ(stalled.handle(frame(1.03)), Events{completed()});

    GestureConfig tiny;
    tiny.stepDistanceMM = 1e-9;
    GestureEngine flooding = slidingRight(tiny);
    const Events steps = flooding.handle(frame(1.02, {finger(0.95f, 0.9f)}));
    EXPECT_EQ(steps.size(), std::size_t(GestureEngine::maxStepsPerInput));
    EXPECT_LT(std::abs(flooding.claim()->accumulatedMM), 1e-9);
}

TEST(GestureEngineReset, EndsTheClaimAndIgnoresRestingFingers)
{
    GestureEngine engine = slidingRight();
    engine.handle(EngineInput::keyDown(0.5));
    EXPECT_EQ(engine.reset(), Events{cancelled(CancelReason::reset)});
    EXPECT_EQ(engine.phase(), Phase::ignored());
    EXPECT_EQ(engine.handle(frame(1.1, {finger(0.95f, 0.9f)})), Events{});
    EXPECT_EQ(engine.handle(frame(1.2)), Events{});
    EXPECT_EQ(engine.handle(frame(1.3, {finger(0.95f, 0.5f)})).size(), 1u);
    EXPECT_EQ(engine.lastKeyDown(), 0.5);

    GestureEngine idle;
    EXPECT_EQ(idle.reset(), Events{});
    EXPECT_EQ(idle.phase(), Phase::idle());
}
