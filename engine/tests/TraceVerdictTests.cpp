#include "GestureEngineKit/GestureScript.h"
#include "GestureEngineKit/Trace.h"

#include <gtest/gtest.h>

using namespace GestureEngineKit;
using Events = std::vector<GestureEvent>;
using Problems = std::vector<std::string>;
using enum TraceLabel;

namespace {

const GestureEvent claimed = GestureEvent::claimed({Zone::right});
const GestureEvent completed = GestureEvent::released(GestureEvent::Outcome::completed());
const GestureEvent noGesture = GestureEvent::released(GestureEvent::Outcome::cancelled(CancelReason::noGesture));
const GestureEvent rightBegan = GestureEvent::sliderBegan(Zone::right);
const GestureEvent up = GestureEvent::sliderStep(Zone::right, SliderDirection::up, false);
const GestureEvent fineUp = GestureEvent::sliderStep(Zone::right, SliderDirection::up, true);
const GestureEvent doubleTap = GestureEvent::doubleTap(Zone::topRightCorner);
const GestureEvent swipeRight = GestureEvent::swipe(Zone::bottom, SwipeDirection::right);

} // namespace

// (The judge command's tests show a missing gesture and one in the wrong direction.)
TEST(TraceVerdict, EachLabelWantsItsGestureAndNothingElse)
{
    const struct {
        Events events;
        TraceLabel label;
        Problems problems;
    } cases[] = {
        {{claimed, noGesture}, normalWork, {}},
        {{claimed, rightBegan, up, completed, swipeRight},
         normalWork,
         {"3 false activation(s): [sliderBegan(right), sliderStep(right, up, fine: false), swipe(bottom, right)]"}},
        {{claimed, rightBegan, up, fineUp, completed}, rightSlideUp, {}},
        {{claimed, rightBegan, completed}, rightSlideUp, {}}, // steps are not required
        // Wandered back down far enough for one down step.
        {{claimed, rightBegan, up, GestureEvent::sliderStep(Zone::right, SliderDirection::down, false), completed},
         rightSlideUp,
         {"unexpected: [sliderStep(right, down, fine: false)]"}},
        {{claimed, rightBegan, up, fineUp, completed},
         leftSlideUp,
         {"slider never began",
          "unexpected: [sliderBegan(right), sliderStep(right, up, fine: false), sliderStep(right, up, fine: true)]"}},
        {{GestureEvent::sliderBegan(Zone::left), GestureEvent::sliderStep(Zone::left, SliderDirection::down, false)},
         leftSlideDown,
         {}},
        {{doubleTap, completed, doubleTap}, cornerDoubleTap, {}},
        {{noGesture, noGesture}, cornerDoubleTap, {"doubleTap(topRightCorner) never fired"}},
        {{swipeRight, GestureEvent::tap(Zone::bottom)}, bottomSwipeRight, {"unexpected: [tap(bottom)]"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TraceVerdict(c.events, c.label).problems, c.problems) << name(c.label);
}

TEST(ScriptedExamples, EveryLabelsExamplePassesItsOwnJudgement)
{
    for (TraceLabel label : allTraceLabels) {
        const Trace trace = scriptedExample(label);
        EXPECT_EQ(trace.header.label, label);
        EXPECT_EQ(TraceVerdict(trace.replay({}), label).problems, Problems{}) << name(label);
    }
}
