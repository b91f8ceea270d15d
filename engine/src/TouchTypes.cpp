#include "GestureEngineKit/TouchTypes.h"

#include "NameLookup.h"
#include "Overloaded.h"

namespace GestureEngineKit {

using detail::caseNamed;
using detail::Overloaded;

namespace {

std::string_view boolText(bool b)
{
    return b ? "true" : "false";
}

} // namespace

std::vector<Zone> ZoneSet::members() const
{
    std::vector<Zone> result;
    for (Zone z : allZones)
        if (contains(z)) result.push_back(z);
    return result;
}

double EngineInput::time() const
{
    return std::visit(Overloaded{
                          [](const TouchFrame& f) { return f.time; },
                          [](const KeyDown& k) { return k.time; },
                          [](const MouseDown& m) { return m.time; },
                          [](const Modifiers& m) { return m.time; },
                      },
                      payload);
}

std::string_view name(Zone zone)
{
    switch (zone) {
    case Zone::left:
        return "left";
    case Zone::right:
        return "right";
    case Zone::bottom:
        return "bottom";
    case Zone::topRightCorner:
        return "topRightCorner";
    }
    return "?";
}

std::string_view name(SliderDirection direction)
{
    switch (direction) {
    case SliderDirection::up:
        return "up";
    case SliderDirection::down:
        return "down";
    }
    return "?";
}

std::string_view name(SwipeDirection direction)
{
    switch (direction) {
    case SwipeDirection::left:
        return "left";
    case SwipeDirection::right:
        return "right";
    }
    return "?";
}

std::string_view name(CancelReason reason)
{
    switch (reason) {
    case CancelReason::wrongDirection:
        return "wrongDirection";
    case CancelReason::extraFinger:
        return "extraFinger";
    case CancelReason::fingerChanged:
        return "fingerChanged";
    case CancelReason::timeout:
        return "timeout";
    case CancelReason::physicalClick:
        return "physicalClick";
    case CancelReason::noGesture:
        return "noGesture";
    case CancelReason::reset:
        return "reset";
    }
    return "?";
}

std::string_view name(GestureEvent::Kind kind)
{
    switch (kind) {
    case GestureEvent::Kind::claimed:
        return "claimed";
    case GestureEvent::Kind::released:
        return "released";
    case GestureEvent::Kind::sliderBegan:
        return "sliderBegan";
    case GestureEvent::Kind::sliderStep:
        return "sliderStep";
    case GestureEvent::Kind::swipe:
        return "swipe";
    case GestureEvent::Kind::tap:
        return "tap";
    case GestureEvent::Kind::doubleTap:
        return "doubleTap";
    }
    return "?";
}

std::optional<Zone> zoneNamed(std::string_view text)
{
    return caseNamed(text, allZones);
}

std::optional<SliderDirection> sliderDirectionNamed(std::string_view text)
{
    return caseNamed(text, std::array{SliderDirection::up, SliderDirection::down});
}

std::optional<SwipeDirection> swipeDirectionNamed(std::string_view text)
{
    return caseNamed(text, std::array{SwipeDirection::left, SwipeDirection::right});
}

std::optional<CancelReason> cancelReasonNamed(std::string_view text)
{
    return caseNamed(text, std::array{CancelReason::wrongDirection, CancelReason::extraFinger,
                                      CancelReason::fingerChanged, CancelReason::timeout, CancelReason::physicalClick,
                                      CancelReason::noGesture, CancelReason::reset});
}

std::string describe(ZoneSet zones)
{
    std::string text = "[";
    for (Zone z : zones.members()) {
        if (text.size() > 1) text += ", ";
        text += name(z);
    }
    return text + "]";
}

std::string describe(GestureEvent::Outcome outcome)
{
    if (auto reason = outcome.cancelReason()) return "cancelled(" + std::string(name(*reason)) + ")";
    return "completed";
}

std::string describe(const GestureEvent& event)
{
    std::string payload = std::visit(Overloaded{
                                         [](const GestureEvent::Claimed& e) { return describe(e.zones); },
                                         [](const GestureEvent::Released& e) { return describe(e.outcome); },
                                         [](const GestureEvent::SliderBegan& e) { return std::string(name(e.zone)); },
                                         [](const GestureEvent::SliderStep& e) {
                                             return std::string(name(e.zone)) + ", " + std::string(name(e.direction)) +
                                                    ", fine: " + std::string(boolText(e.fine));
                                         },
                                         [](const GestureEvent::Swipe& e) {
                                             return std::string(name(e.zone)) + ", " + std::string(name(e.direction));
                                         },
                                         [](const GestureEvent::Tap& e) { return std::string(name(e.zone)); },
                                         [](const GestureEvent::DoubleTap& e) { return std::string(name(e.zone)); },
                                     },
                                     event.payload);
    return std::string(name(event.kind())) + "(" + payload + ")";
}

std::string describe(const std::vector<GestureEvent>& events)
{
    std::string text = "[";
    for (std::size_t i = 0; i < events.size(); ++i) {
        if (i > 0) text += ", ";
        text += describe(events[i]);
    }
    return text + "]";
}

} // namespace GestureEngineKit
