#include "ClickGuard.h"

namespace rimglider {

using namespace GestureEngineKit;
using Kind = GestureEvent::Kind;

ClickGuard& ClickGuard::shared()
{
    static ClickGuard* instance = new ClickGuard; // never destroyed: the input reader may outlive main
    return *instance;
}

void ClickGuard::observe(const std::vector<GestureEvent>& events, const GestureConfig& config, double now,
                         std::optional<std::int32_t> claimedTouch)
{
    std::unique_lock guard(lock_);
    const Ahead before = aheadLocked();
    for (const GestureEvent& event : events) {
        switch (event.kind()) {
        case Kind::claimed: {
            // The corner and a tappable bottom edge guard at once; side edges only once sliding.
            const ZoneSet zones = event.as<GestureEvent::Claimed>()->zones;
            if (zones.contains(Zone::topRightCorner) || (zones.contains(Zone::bottom) && config.bottomTapEnabled))
                state_.guarding = true;
            guardedTouch_ = claimedTouch;
            break;
        }
        case Kind::sliderBegan:
        case Kind::swipe:
            state_.guarding = true;
            break;
        case Kind::released:
            if (state_.guarding) state_.guardUntil = now + state_.window;
            state_.guarding = false;
            guardedTouch_.reset();
            break;
        case Kind::sliderStep:
        case Kind::tap:
        case Kind::doubleTap:
            break;
        }
    }
    const Ahead after = aheadLocked();
    guard.unlock();
    if (after != before && onAhead) onAhead(after);
}

ClickGuard::Ahead ClickGuard::aheadLocked() const
{
    Ahead ahead;
    ahead.guarding = state_.guarding;
    if (state_.guarding && guardedTouch_) ahead.claimed = {*guardedTouch_};
    ahead.guardUntil = state_.guardUntil;
    ahead.window = state_.window;
    return ahead;
}

ClickGuard::Decision ClickGuard::press(std::int64_t button, double now)
{
    std::lock_guard guard(lock_);
    if (!state_.guarding && !(now < state_.guardUntil)) return Decision::pass;
    state_.swallowedButtons.insert(button);
    ++state_.swallowedCount;
    return Decision::swallow;
}

ClickGuard::Decision ClickGuard::release(std::int64_t button)
{
    std::lock_guard guard(lock_);
    return state_.swallowedButtons.erase(button) > 0 ? Decision::swallow : Decision::pass;
}

void ClickGuard::setWindow(double seconds)
{
    std::lock_guard guard(lock_);
    state_.window = seconds;
}

void ClickGuard::reset()
{
    std::unique_lock guard(lock_);
    state_.guarding = false;
    state_.guardUntil = 0;
    guardedTouch_.reset();
    const Ahead after = aheadLocked();
    guard.unlock();
    if (onAhead) onAhead(after);
}

ClickGuard::State ClickGuard::state() const
{
    std::lock_guard guard(lock_);
    return state_;
}

std::int64_t ClickGuard::swallowedCount() const
{
    std::lock_guard guard(lock_);
    return state_.swallowedCount;
}

} // namespace rimglider
