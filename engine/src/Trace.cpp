#include "GestureEngineKit/Trace.h"

#include "GestureEngineKit/GestureEngine.h"

#include "NameLookup.h"

#include <algorithm>

namespace GestureEngineKit {

std::string_view name(TraceLabel label)
{
    switch (label) {
    case TraceLabel::normalWork:
        return "normalWork";
    case TraceLabel::rightSlideUp:
        return "rightSlideUp";
    case TraceLabel::rightSlideDown:
        return "rightSlideDown";
    case TraceLabel::leftSlideUp:
        return "leftSlideUp";
    case TraceLabel::leftSlideDown:
        return "leftSlideDown";
    case TraceLabel::cornerDoubleTap:
        return "cornerDoubleTap";
    case TraceLabel::bottomSwipeRight:
        return "bottomSwipeRight";
    case TraceLabel::bottomSwipeLeft:
        return "bottomSwipeLeft";
    }
    return "?";
}

std::optional<TraceLabel> traceLabelNamed(std::string_view text)
{
    return detail::caseNamed(text, allTraceLabels);
}

TraceHeader::TraceHeader(TraceLabel label_, TraceDate recordedAt_, std::string hardwareModel_, std::string osVersion_,
                         bool hasContextEvents_, std::string note_)
    : version(1), label(label_), recordedAt(recordedAt_), hardwareModel(std::move(hardwareModel_)),
      osVersion(std::move(osVersion_)), hasContextEvents(hasContextEvents_), note(std::move(note_))
{}

double Trace::duration() const
{
    if (inputs.empty()) return 0;
    return inputs.back().time() - inputs.front().time();
}

std::vector<GestureEvent> Trace::replay(const GestureConfig& config) const
{
    GestureEngine engine(config);
    std::vector<GestureEvent> events;
    for (const EngineInput& input : inputs)
        engine.handle(input, events);
    return events;
}

namespace {

// What a label expects: a slide in a side zone, or one particular event.
struct Expectation {
    std::optional<Zone> slideZone;
    SliderDirection slideDirection = SliderDirection::up;
    std::optional<GestureEvent> event;
};

Expectation expectationFor(TraceLabel label)
{
    const auto slide = [](Zone z, SliderDirection d) { return Expectation{z, d, std::nullopt}; };
    const auto single = [](GestureEvent e) { return Expectation{std::nullopt, SliderDirection::up, e}; };
    switch (label) {
    case TraceLabel::normalWork:
        return {};
    case TraceLabel::rightSlideUp:
        return slide(Zone::right, SliderDirection::up);
    case TraceLabel::rightSlideDown:
        return slide(Zone::right, SliderDirection::down);
    case TraceLabel::leftSlideUp:
        return slide(Zone::left, SliderDirection::up);
    case TraceLabel::leftSlideDown:
        return slide(Zone::left, SliderDirection::down);
    case TraceLabel::cornerDoubleTap:
        return single(GestureEvent::doubleTap(Zone::topRightCorner));
    case TraceLabel::bottomSwipeRight:
        return single(GestureEvent::swipe(Zone::bottom, SwipeDirection::right));
    case TraceLabel::bottomSwipeLeft:
        return single(GestureEvent::swipe(Zone::bottom, SwipeDirection::left));
    }
    return {};
}

} // namespace

TraceVerdict::TraceVerdict(const std::vector<GestureEvent>& events, TraceLabel label)
{
    std::vector<GestureEvent> actions;
    std::copy_if(events.begin(), events.end(), std::back_inserter(actions),
                 [](const GestureEvent& e) { return e.isAction(); });

    const Expectation expected = expectationFor(label);
    std::vector<GestureEvent> unexpected;
    if (expected.slideZone) {
        const GestureEvent began = GestureEvent::sliderBegan(*expected.slideZone);
        if (std::find(actions.begin(), actions.end(), began) == actions.end()) problems.push_back("slider never began");
        for (const GestureEvent& action : actions) {
            const auto* step = action.as<GestureEvent::SliderStep>();
            const bool expectedStep =
                step && step->zone == *expected.slideZone && step->direction == expected.slideDirection;
            if (action != began && !expectedStep) unexpected.push_back(action);
        }
    } else if (expected.event) {
        if (std::find(actions.begin(), actions.end(), *expected.event) == actions.end())
            problems.push_back(describe(*expected.event) + " never fired");
        std::copy_if(actions.begin(), actions.end(), std::back_inserter(unexpected),
                     [&](const GestureEvent& e) { return e != *expected.event; });
    } else if (!actions.empty()) {
        problems.push_back(std::to_string(actions.size()) + " false activation(s): " + describe(actions));
    }
    if (!unexpected.empty()) problems.push_back("unexpected: " + describe(unexpected));
}

} // namespace GestureEngineKit
