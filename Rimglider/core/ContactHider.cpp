#include "ContactHider.h"

namespace rimglider {

using namespace GestureEngineKit;
using Kind = GestureEvent::Kind;

ContactHider::ContactHider(Hide hide, TaskScheduler scheduler)
    : hide_(std::move(hide)), scheduler_(std::move(scheduler))
{}

void ContactHider::hide(Claim& claim)
{
    if (claim.hidden) return;
    claim.hidden = true;
    hide_(claim.touch, true);
}

void ContactHider::handle(const std::vector<GestureEvent>& events, std::optional<std::int32_t> claimedTouch,
                          const GestureConfig& config)
{
    for (const GestureEvent& event : events) {
        switch (event.kind()) {
        case Kind::claimed: {
            claim_.reset();
            if (!claimedTouch) break; // the claim is over already; its `released` follows
            const ZoneSet zones = event.as<GestureEvent::Claimed>()->zones;
            const bool tapZone =
                zones.contains(Zone::topRightCorner) || (zones.contains(Zone::bottom) && config.bottomTapEnabled);
            claim_ = Claim{*claimedTouch, tapZone, false, ++serial_};
            if (tapZone || frozen_) hide(*claim_);
            break;
        }
        case Kind::released: {
            const bool cancelled = !event.as<GestureEvent::Released>()->outcome.isCompleted();
            // A completed gesture's contact stays hidden until it lifts: its last moves would
            // otherwise nudge the pointer or make a tap.
            if (claim_ && claim_->hidden && cancelled) hide_(claim_->touch, false);
            claim_.reset();
            break;
        }
        case Kind::sliderBegan:
        case Kind::sliderStep:
        case Kind::swipe:
        case Kind::tap:
        case Kind::doubleTap:
            break;
        }
    }
}

void ContactHider::frozenChanged(bool frozen)
{
    frozen_ = frozen;
    if (frozen) {
        if (claim_) hide(*claim_);
        return;
    }
    if (!claim_) return;
    scheduler_(std::chrono::milliseconds(0), [this, alive = std::weak_ptr(alive_), serial = claim_->serial] {
        if (alive.expired() || frozen_ || !claim_ || claim_->serial != serial) return;
        if (claim_->hidden && !claim_->tapZone) {
            claim_->hidden = false;
            hide_(claim_->touch, false);
        }
    });
}

} // namespace rimglider
