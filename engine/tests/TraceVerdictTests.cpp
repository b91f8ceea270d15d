#include "GestureEngineKit/GestureScript.h"
#include "GestureEngineKit/Trace.h"

#include <gtest/gtest.h>

using namespace GestureEngineKit;
using Events = std::vector<GestureEvent>;
using Problems = std::vector<std::string>;

namespace {

const GestureEvent claimed = GestureEvent::claimed({Zone::right});
const GestureEvent completed = GestureEvent::released(GestureEvent::Outcome::completed());
const GestureEvent noGesture = GestureEvent::released(GestureEvent::Outcome::cancelled(CancelReason::noGesture));
const GestureEvent rightBegan = GestureEvent::sliderBegan(Zone::right);
GestureEvent step(Zone z, SliderDirection d, bool fine = false)
{
    return GestureEvent::sliderStep(z, d, fine);
}
const GestureEvent doubleTap = GestureEvent::doubleTap(Zone::topRightCorner);
const GestureEvent swipeRight = GestureEvent::swipe(Zone::bottom, SwipeDirection::right);

Problems judge(const Events& events, TraceLabel label)
{
    return TraceVerdict(events, label).problems;
}

} // namespace

TEST(TraceVerdict, NormalWorkCountsFalseActivations)
{
    EXPECT_EQ(judge({claimed, noGesture}, TraceLabel::normalWork), Problems{});
    EXPECT_TRUE(TraceVerdict({}, TraceLabel::normalWork).passed());
    EXPECT_EQ(judge({claimed, rightBegan, step(Zone::right, SliderDirection::up), completed, swipeRight},
                    TraceLabel::normalWork),
              Problems{"3 false activation(s): [sliderBegan(right), sliderStep(right, up, fine: false), "
                       "swipe(bottom, right)]"});
}

TEST(TraceVerdict, SlideRule)
{
    const Events good{claimed, rightBegan, step(Zone::right, SliderDirection::up),
                      step(Zone::right, SliderDirection::up, true), completed};
    EXPECT_EQ(judge(good, TraceLabel::rightSlideUp), Problems{});
    EXPECT_EQ(judge({claimed, rightBegan, completed}, TraceLabel::rightSlideUp), Problems{}); // steps not required
    EXPECT_EQ(judge({claimed, noGesture}, TraceLabel::rightSlideUp), Problems{"slider never began"});

    // Wandered back down far enough for one down step.
    EXPECT_EQ(judge({claimed, rightBegan, step(Zone::right, SliderDirection::up),
                     step(Zone::right, SliderDirection::down), completed},
                    TraceLabel::rightSlideUp),
              Problems{"unexpected: [sliderStep(right, down, fine: false)]"});
    EXPECT_EQ(judge(good, TraceLabel::leftSlideUp),
              (Problems{"slider never began", "unexpected: [sliderBegan(right), sliderStep(right, up, fine: false), "
                                              "sliderStep(right, up, fine: true)]"}));
    EXPECT_EQ(judge({GestureEvent::sliderBegan(Zone::left), step(Zone::left, SliderDirection::down)},
                    TraceLabel::leftSlideDown),
              Problems{});
}

TEST(TraceVerdict, SingleEventRule)
{
    EXPECT_EQ(judge({doubleTap, completed, doubleTap}, TraceLabel::cornerDoubleTap), Problems{});
    EXPECT_EQ(judge({noGesture, noGesture}, TraceLabel::cornerDoubleTap),
              Problems{"doubleTap(topRightCorner) never fired"});
    EXPECT_EQ(judge({swipeRight, GestureEvent::tap(Zone::bottom)}, TraceLabel::bottomSwipeRight),
              Problems{"unexpected: [tap(bottom)]"});
    EXPECT_EQ(judge({swipeRight}, TraceLabel::bottomSwipeLeft),
              (Problems{"swipe(bottom, left) never fired", "unexpected: [swipe(bottom, right)]"}));
}

TEST(ScriptedExamples, EveryLabelsExamplePassesItsOwnJudgement)
{
    for (TraceLabel label : allTraceLabels) {
        const Trace trace = scriptedExample(label);
        EXPECT_EQ(trace.header.label, label);
        EXPECT_EQ(TraceVerdict(trace.replay({}), label).problems, Problems{}) << name(label);
    }
}
