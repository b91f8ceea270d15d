#include "GestureEngineKit/GestureEngine.h"

#include "Overloaded.h"

#include <cmath>

namespace GestureEngineKit {

using detail::Overloaded;
using PhaseKind = GestureEngine::Phase::Kind;

namespace {

GestureEvent releasedCompleted()
{
    return GestureEvent::released(GestureEvent::Outcome::completed());
}

GestureEvent releasedCancelled(CancelReason reason)
{
    return GestureEvent::released(GestureEvent::Outcome::cancelled(reason));
}

} // namespace

std::vector<GestureEvent> GestureEngine::handle(const EngineInput& input)
{
    Events events;
    handle(input, events);
    return events;
}

void GestureEngine::handle(const EngineInput& input, Events& events)
{
    std::visit(Overloaded{
                   [&](const TouchFrame& frame) { handleFrame(frame, events); },
                   [&](const EngineInput::KeyDown& key) { lastKeyDown_ = key.time; },
                   [&](const EngineInput::MouseDown&) { handleMouseDown(events); },
                   [&](const EngineInput::Modifiers& change) { modifiers_ = change.state; },
               },
               input.payload);
}

std::vector<GestureEvent> GestureEngine::reset()
{
    Events events;
    if (claim_) events.push_back(releasedCancelled(CancelReason::reset));
    endClaim(phase_.kind() == PhaseKind::idle ? Phase::idle() : Phase::ignored());
    return events;
}

std::optional<ZoneSet> GestureEngine::claimedZones() const
{
    if (!claim_) return std::nullopt;
    return claim_->zones;
}

void GestureEngine::handleMouseDown(Events& events)
{
    switch (phase_.kind()) {
    case PhaseKind::idle:
    case PhaseKind::finishing:
    case PhaseKind::ignored:
        return;
    case PhaseKind::pending:
        // Judged when the finger moves: a click during the candidate phase rules out slides
        // and swipes, but a click-and-lift in place is still a tap.
        if (claim_) claim_->clicked = true;
        return;
    case PhaseKind::slider:
        cancel(CancelReason::physicalClick, events);
        return;
    }
}

void GestureEngine::handleFrame(const TouchFrame& frame, Events& events)
{
    // Only touching samples count; when there is exactly one, `first` is it.
    std::size_t count = 0;
    const TouchSample* first = nullptr;
    for (const TouchSample& sample : frame.touches) {
        if (!sample.isTouching()) continue;
        if (count++ == 0) first = &sample;
    }
    const Fingers fingers = count == 0 ? Fingers::none : count == 1 ? Fingers::one : Fingers::several;

    switch (phase_.kind()) {
    case PhaseKind::idle:
        return idleFrame(fingers, first, frame.time, events);
    case PhaseKind::pending:
        return pendingFrame(fingers, first, frame.time, events);
    case PhaseKind::slider:
        return sliderFrame(fingers, first, events);
    case PhaseKind::finishing:
        return finishingFrame(fingers, first, events);
    case PhaseKind::ignored:
        return ignoredFrame(fingers);
    }
}

void GestureEngine::idleFrame(Fingers fingers, const TouchSample* sample, double time, Events& events)
{
    switch (fingers) {
    case Fingers::none:
        return endClaim(Phase::idle());
    case Fingers::one:
        return attemptClaim(*sample, time, events);
    case Fingers::several:
        phase_ = Phase::ignored();
        return;
    }
}

void GestureEngine::pendingFrame(Fingers fingers, const TouchSample* sample, double time, Events& events)
{
    switch (fingers) {
    case Fingers::none:
        evaluateLift(time, events);
        return endClaim(Phase::idle());
    case Fingers::one:
        return candidateStep(*sample, time, events);
    case Fingers::several:
        return cancel(CancelReason::extraFinger, events);
    }
}

void GestureEngine::sliderFrame(Fingers fingers, const TouchSample* sample, Events& events)
{
    switch (fingers) {
    case Fingers::none:
        events.push_back(releasedCompleted());
        return endClaim(Phase::idle());
    case Fingers::one:
        return sliderStep(*sample, events);
    case Fingers::several:
        return cancel(CancelReason::extraFinger, events);
    }
}

void GestureEngine::finishingFrame(Fingers fingers, const TouchSample* sample, Events& events)
{
    switch (fingers) {
    case Fingers::none:
        events.push_back(releasedCompleted());
        return endClaim(Phase::idle());
    case Fingers::one:
        // The swiping finger may keep moving; anything else ends the finished gesture.
        if (claim_ && sample->id == claim_->touchID) return;
        events.push_back(releasedCompleted());
        return endClaim(Phase::ignored());
    case Fingers::several:
        events.push_back(releasedCompleted());
        return endClaim(Phase::ignored());
    }
}

void GestureEngine::ignoredFrame(Fingers fingers)
{
    switch (fingers) {
    case Fingers::none:
        return endClaim(Phase::idle());
    case Fingers::one:
    case Fingers::several:
        return;
    }
}

void GestureEngine::attemptClaim(const TouchSample& sample, double time, Events& events)
{
    const double x = sample.x;
    const double y = sample.y;
    const ZoneSet zones = config_.zones(x, y);
    // The first failing check decides; a rejected finger is not tried again until all lift.
    if (zones.isEmpty() || double(sample.majorAxis) > config_.palmMajorAxisMax ||
        time - lastKeyDown_ < config_.typingGuard ||
        (config_.requiredModifier && !modifiers_.contains(*config_.requiredModifier))) {
        phase_ = Phase::ignored();
        return;
    }
    claim_ = Claim{.touchID = sample.id,
                   .zones = zones,
                   .startTime = time,
                   .startX = x,
                   .startY = y,
                   .lastY = y,
                   .accumulatedMM = 0,
                   .maxDistanceMM = 0,
                   .clicked = false};
    phase_ = Phase::pending();
    events.push_back(GestureEvent::claimed(zones));
}

void GestureEngine::candidateStep(const TouchSample& sample, double time, Events& events)
{
    if (!claim_ || sample.id != claim_->touchID) return cancel(CancelReason::fingerChanged, events);
    Claim& claim = *claim_;

    const double dx = config_.surfaceWidthMM * (double(sample.x) - claim.startX);
    const double dy = config_.surfaceHeightMM * (double(sample.y) - claim.startY);
    claim.maxDistanceMM = std::max(claim.maxDistanceMM, std::sqrt(dx * dx + dy * dy));

    if (std::max(std::abs(dx), std::abs(dy)) < config_.activationDistanceMM) {
        if (time - claim.startTime > config_.candidateTimeout) cancel(CancelReason::timeout, events);
        return;
    }

    const bool vertical = std::abs(dx) * config_.activationAngleRatio <= std::abs(dy);
    const bool horizontal = std::abs(dy) * config_.activationAngleRatio <= std::abs(dx);
    std::optional<Zone> sideZone;
    if (claim.zones.contains(Zone::left))
        sideZone = Zone::left;
    else if (claim.zones.contains(Zone::right))
        sideZone = Zone::right;

    const auto beginSlider = [&](Zone zone) {
        if (claim.clicked) return cancel(CancelReason::wrongDirection, events);
        // The travel that led to activation does not count towards steps.
        claim.lastY = sample.y;
        phase_ = Phase::slider(zone);
        events.push_back(GestureEvent::sliderBegan(zone));
    };
    if (!claim.zones.contains(Zone::bottom)) {
        // A corner-only claim has no side zone: it never slides or swipes.
        if (!vertical || !sideZone) return cancel(CancelReason::wrongDirection, events);
        return beginSlider(*sideZone);
    }
    // A bottom claim in a lower corner slides when the movement is vertical; otherwise it may
    // be a swipe.
    if (vertical && sideZone) return beginSlider(*sideZone);

    // Swipe test. No timeout applies while the finger stays beyond the activation distance.
    if (!horizontal || !config_.bottomSwipeEnabled || claim.clicked)
        return cancel(CancelReason::wrongDirection, events);
    if (std::abs(dx) >= config_.swipeMinDistanceMM) {
        phase_ = Phase::finishing();
        events.push_back(GestureEvent::swipe(Zone::bottom, dx > 0 ? SwipeDirection::right : SwipeDirection::left));
    }
}

void GestureEngine::sliderStep(const TouchSample& sample, Events& events)
{
    if (!claim_ || sample.id != claim_->touchID) return cancel(CancelReason::fingerChanged, events);
    Claim& claim = *claim_;
    const Zone zone = phase_.sliderZone();
    const double step = config_.stepDistanceMM;
    const double y = sample.y;

    // A step distance that is not positive would never finish stepping: such a slide
    // accounts no travel and emits no steps.
    if (!(step > 0)) {
        claim.lastY = y;
        return;
    }

    double acc = claim.accumulatedMM + config_.surfaceHeightMM * (y - claim.lastY) * config_.sensitivity;
    int emitted = 0;
    while (std::abs(acc) >= step) {
        if (emitted++ == maxStepsPerInput) {
            acc = std::fmod(acc, step); // drop the flood, keep the remainder and its sign
            break;
        }
        const bool fine = modifiers_.contains({ModifierState::shift, ModifierState::option});
        if (acc > 0) {
            events.push_back(GestureEvent::sliderStep(zone, SliderDirection::up, fine));
            acc -= step;
        } else {
            events.push_back(GestureEvent::sliderStep(zone, SliderDirection::down, fine));
            acc += step;
        }
    }
    claim.lastY = y;
    claim.accumulatedMM = acc;
}

void GestureEngine::evaluateLift(double time, Events& events)
{
    if (!claim_) return;
    const Claim& claim = *claim_;
    const bool isTap =
        time - claim.startTime <= config_.tapMaxDuration && claim.maxDistanceMM <= config_.tapMaxMovementMM;

    bool fired = false;
    if (isTap && claim.zones.contains(Zone::topRightCorner)) {
        if (lastCornerTapEnd_ && claim.startTime - *lastCornerTapEnd_ <= config_.doubleTapInterval) {
            events.push_back(GestureEvent::doubleTap(Zone::topRightCorner));
            lastCornerTapEnd_.reset();
            fired = true;
        } else {
            lastCornerTapEnd_ = time; // waits for a second tap
        }
    } else if (isTap && claim.zones.contains(Zone::bottom) && config_.bottomTapEnabled) {
        events.push_back(GestureEvent::tap(Zone::bottom));
        fired = true;
    }
    events.push_back(fired ? releasedCompleted() : releasedCancelled(CancelReason::noGesture));
}

void GestureEngine::endClaim(Phase next)
{
    claim_.reset();
    phase_ = next;
}

void GestureEngine::cancel(CancelReason reason, Events& events)
{
    events.push_back(releasedCancelled(reason));
    endClaim(Phase::ignored());
}

} // namespace GestureEngineKit
