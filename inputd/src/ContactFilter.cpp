#include "ContactFilter.h"

#include <algorithm>
#include <array>
#include <limits>
#include <utility>

namespace rimglider::inputd {

namespace {

using Microseconds = ContactFilter::Microseconds;

constexpr std::array<std::uint16_t, 5> fingerTools = {BTN_TOOL_FINGER, BTN_TOOL_DOUBLETAP, BTN_TOOL_TRIPLETAP,
                                                      BTN_TOOL_QUADTAP, BTN_TOOL_QUINTTAP};
// The single-touch axes and the per-contact axes they follow.
constexpr std::array<std::pair<std::uint16_t, std::uint16_t>, 3> pointerAxes = {
    {{ABS_X, ABS_MT_POSITION_X}, {ABS_Y, ABS_MT_POSITION_Y}, {ABS_PRESSURE, ABS_MT_PRESSURE}}};

constexpr bool isClickButton(std::uint16_t code)
{
    return code >= BTN_MOUSE && code <= BTN_TASK;
}

// The touchpad-wide state that follows the contacts shown.
bool isTouchKey(std::uint16_t code)
{
    return code == BTN_TOUCH || std::ranges::find(fingerTools, code) != fingerTools.end();
}

bool isPointerAxis(std::uint16_t code)
{
    return std::ranges::find_if(pointerAxes, [code](const auto& axis) { return axis.first == code; }) !=
           pointerAxes.end();
}

Microseconds timeOf(const input_event& e)
{
    return Microseconds(e.input_event_sec) * 1'000'000 + Microseconds(e.input_event_usec);
}

TouchpadState::Slot emptySlot()
{
    TouchpadState::Slot slot{};
    slot[ABS_MT_TRACKING_ID - TouchpadState::firstSlotCode] = -1;
    return slot;
}

} // namespace

ContactFilter::ContactFilter(const DeviceDescription& clone)
{
    const AbsInfo* slots = clone.abs(ABS_MT_SLOT);
    slots_ = slots ? std::size_t(std::max(0, slots->maximum + 1)) : 0;
    const AbsInfo* tracking = clone.abs(ABS_MT_TRACKING_ID);
    maxTrackingId_ = tracking && tracking->maximum > 0 ? tracking->maximum : 65535;
    if (const auto it = clone.codes.find(EV_ABS); it != clone.codes.end())
        for (std::uint16_t code : it->second)
            if (code < ABS_CNT) absCodes_.set(code);
    if (const auto it = clone.codes.find(EV_KEY); it != clone.codes.end())
        for (std::uint16_t code : it->second)
            if (code < KEY_CNT) {
                keyCodes_.set(code);
                keyList_.push_back(code);
            }
    // As uinput makes it: every slot empty, the other axes at the values it was given.
    clone_.slots.assign(slots_, emptySlot());
    for (const auto& [code, info] : clone.absInfo)
        if (code != ABS_MT_SLOT && !TouchpadState::isSlotCode(code)) clone_.abs[code] = info.value;
    clone_.currentSlot = -1; // the first contact names its slot
    real_ = clone_;
    hidden_.assign(slots_, false);
    landedAt_.assign(slots_, 0);
}

void ContactFilter::start(const TouchpadState& real)
{
    real_ = real;
    real_.slots.resize(slots_, emptySlot());
    std::fill(hidden_.begin(), hidden_.end(), false);
    guard_ = {};
    pending_.clear();
}

void ContactFilter::push(const input_event& event, Frames& out)
{
    if (event.type != EV_SYN) {
        pending_.push_back(event);
        return;
    }
    if (event.code != SYN_REPORT) return;
    const Microseconds time = timeOf(event);

    // First the slots that get another contact in this frame, and so the contacts still hidden
    // after it. A contact replaced without a lift in between (a resync, some drivers) lifts in
    // a frame of its own first: a tracking id never changes in place.
    std::vector<bool> replaced(slots_, false), unshown = hidden_;
    bool anyRestarted = false;
    std::vector<std::int32_t> ids(slots_);
    for (std::size_t s = 0; s < slots_; ++s)
        ids[s] = real_.trackingId(s);
    int slot = real_.currentSlot;
    for (const input_event& e : pending_) {
        if (e.type == EV_ABS && e.code == ABS_MT_SLOT) slot = e.value;
        if (e.type != EV_ABS || e.code != ABS_MT_TRACKING_ID || slot < 0 || std::size_t(slot) >= slots_ ||
            e.value == ids[std::size_t(slot)])
            continue;
        const auto s = std::size_t(slot);
        replaced[s] = true;
        if (ids[s] >= 0 && e.value >= 0 && clone_.trackingId(s) >= 0) unshown[s] = anyRestarted = true;
        ids[s] = e.value;
    }
    if (anyRestarted) emit(unshown, time, {}, out);
    bool hiddenAfter = false;
    for (std::size_t s = 0; s < slots_; ++s)
        hiddenAfter = hiddenAfter || (hidden_[s] && !replaced[s]);

    // Then every event as it came, but those of hidden contacts and swallowed clicks, and the
    // touchpad-wide state while contacts are hidden (recomputed below instead).
    Frame frame;
    for (const input_event& e : pending_) {
        switch (e.type) {
        case EV_ABS:
            if (e.code == ABS_MT_SLOT) {
                real_.currentSlot = e.value;
            } else if (TouchpadState::isSlotCode(e.code)) {
                if (real_.currentSlot < 0 || std::size_t(real_.currentSlot) >= slots_) break;
                const auto s = std::size_t(real_.currentSlot);
                if (e.code == ABS_MT_TRACKING_ID)
                    track(s, e.value, time, frame);
                else if (real_.at(s, e.code) = e.value; !hidden_[s])
                    forward(frame, e, s);
            } else {
                real_.abs[e.code] = e.value;
                if (!(hiddenAfter && isPointerAxis(e.code))) forward(frame, e);
            }
            break;
        case EV_KEY: {
            if (e.code >= KEY_CNT) break;
            const bool was = real_.keys[e.code];
            real_.keys.set(e.code, e.value != 0);
            if (isClickButton(e.code)) {
                // Decided at the press; the release follows its press, swallowed or not.
                if (e.value == 1 && !was && guarded(time)) {
                    swallowedButtons_.set(e.code);
                    ++swallowed_;
                }
                const bool swallowed = swallowedButtons_[e.code];
                if (e.value == 0) swallowedButtons_.reset(e.code);
                if (swallowed) break;
            } else if (hiddenAfter && isTouchKey(e.code)) {
                break;
            }
            forward(frame, e);
            break;
        }
        default:
            forward(frame, e);
            break;
        }
    }
    pending_.clear();
    emit(hidden_, time, std::move(frame), out);
}

void ContactFilter::track(std::size_t s, std::int32_t id, Microseconds time, Frame& frame)
{
    const std::int32_t old = real_.trackingId(s);
    if (id == old) return;
    if (old >= 0 && std::ranges::find(guard_.claimed, old) != guard_.claimed.end()) claimedGoneAt_ = time;
    real_.at(s, ABS_MT_TRACKING_ID) = id;
    hidden_[s] = false; // whatever comes next in the slot is another contact
    if (id < 0 && clone_.trackingId(s) < 0) return;
    select(frame, s, time);
    if (id >= 0)
        land(frame, s, time);
    else {
        add(frame, time, EV_ABS, ABS_MT_TRACKING_ID, -1);
        clone_.at(s, ABS_MT_TRACKING_ID) = -1;
    }
}

void ContactFilter::land(Frame& frame, std::size_t s, Microseconds time)
{
    // Its tool first (a slot last used by a hidden contact is marked palm), then an id of the clone's own.
    if (clone_.at(s, ABS_MT_TOOL_TYPE) != real_.at(s, ABS_MT_TOOL_TYPE)) {
        add(frame, time, EV_ABS, ABS_MT_TOOL_TYPE, real_.at(s, ABS_MT_TOOL_TYPE));
        clone_.at(s, ABS_MT_TOOL_TYPE) = real_.at(s, ABS_MT_TOOL_TYPE);
    }
    const std::int32_t id = newTrackingId();
    add(frame, time, EV_ABS, ABS_MT_TRACKING_ID, id);
    clone_.at(s, ABS_MT_TRACKING_ID) = id;
    landedAt_[s] = ++landings_;
}

void ContactFilter::select(Frame& frame, std::size_t s, Microseconds time)
{
    if (clone_.currentSlot == int(s)) return;
    add(frame, time, EV_ABS, ABS_MT_SLOT, int(s));
    clone_.currentSlot = int(s);
}

void ContactFilter::forward(Frame& frame, const input_event& e, std::optional<std::size_t> slot)
{
    if (slot) {
        select(frame, *slot, timeOf(e));
        clone_.at(*slot, e.code) = e.value;
    } else if (e.type == EV_ABS) {
        clone_.abs[e.code] = e.value;
    } else if (e.type == EV_KEY) {
        clone_.keys.set(e.code, e.value != 0);
    }
    frame.push_back(e);
}

void ContactFilter::hide(std::int32_t trackingId, Microseconds now, Frames& out)
{
    for (std::size_t s = 0; s < slots_; ++s) {
        if (real_.trackingId(s) != trackingId || hidden_[s]) continue;
        // Marked a palm first: a contact that simply vanished soon after landing would be a tap.
        if (clone_.trackingId(s) >= 0 && absCodes_[ABS_MT_TOOL_TYPE] &&
            clone_.at(s, ABS_MT_TOOL_TYPE) != MT_TOOL_PALM) {
            Frame palm;
            if (clone_.currentSlot != int(s)) add(palm, now, EV_ABS, ABS_MT_SLOT, int(s));
            clone_.currentSlot = int(s);
            add(palm, now, EV_ABS, ABS_MT_TOOL_TYPE, MT_TOOL_PALM);
            clone_.at(s, ABS_MT_TOOL_TYPE) = MT_TOOL_PALM;
            add(palm, now, EV_SYN, SYN_REPORT, 0);
            out.push_back(std::move(palm));
        }
        hidden_[s] = true;
        emit(hidden_, now, {}, out);
        return;
    }
}

void ContactFilter::show(std::int32_t trackingId, Microseconds now, Frames& out)
{
    for (std::size_t s = 0; s < slots_; ++s) {
        if (real_.trackingId(s) != trackingId || !hidden_[s]) continue;
        hidden_[s] = false;
        emit(hidden_, now, {}, out);
        return;
    }
}

void ContactFilter::setGuard(Guard guard, Microseconds now)
{
    guard.until = std::min(guard.until, now + longestGuard);
    guard.grace = std::clamp<Microseconds>(guard.grace, 0, longestGuard);
    guard_ = std::move(guard);
    claimedGoneAt_ = now; // until a claimed contact is seen down, guarding runs from now
}

void ContactFilter::passThrough(Microseconds now, Frames& out)
{
    guard_ = {};
    std::fill(hidden_.begin(), hidden_.end(), false);
    emit(hidden_, now, {}, out);
}

void ContactFilter::letGo(Microseconds now, Frames& out)
{
    Frame frame;
    for (std::size_t s = 0; s < slots_; ++s) {
        if (clone_.trackingId(s) < 0) continue;
        add(frame, now, EV_ABS, ABS_MT_SLOT, int(s));
        add(frame, now, EV_ABS, ABS_MT_TRACKING_ID, -1);
        clone_.currentSlot = int(s);
        clone_.at(s, ABS_MT_TRACKING_ID) = -1;
    }
    for (std::size_t code = 0; code < KEY_CNT; ++code) {
        if (!clone_.keys[code]) continue;
        add(frame, now, EV_KEY, std::uint16_t(code), 0);
        clone_.keys.reset(code);
    }
    std::fill(hidden_.begin(), hidden_.end(), false);
    if (frame.empty()) return;
    add(frame, now, EV_SYN, SYN_REPORT, 0);
    out.push_back(std::move(frame));
}

bool ContactFilter::guarded(Microseconds time) const
{
    if (time < guard_.until) return true;
    if (!guard_.guarding) return false;
    for (std::size_t s = 0; s < slots_; ++s)
        if (real_.trackingId(s) >= 0 && std::ranges::find(guard_.claimed, real_.trackingId(s)) != guard_.claimed.end())
            return true;
    return time < claimedGoneAt_ + guard_.grace;
}

void ContactFilter::emit(const std::vector<bool>& unshown, Microseconds time, Frame frame, Frames& out)
{
    const auto select = [&](std::size_t s) { ContactFilter::select(frame, s, time); };
    std::size_t unshownContacts = 0, realContacts = 0;
    std::size_t oldest = slots_;
    for (std::size_t s = 0; s < slots_; ++s) {
        if (real_.trackingId(s) < 0) continue;
        ++realContacts;
        if (unshown[s]) {
            ++unshownContacts;
            if (clone_.trackingId(s) >= 0) {
                select(s);
                add(frame, time, EV_ABS, ABS_MT_TRACKING_ID, -1);
                clone_.at(s, ABS_MT_TRACKING_ID) = -1;
            }
            continue;
        }
        if (clone_.trackingId(s) < 0) {
            select(s);
            land(frame, s, time);
        }
        for (std::uint16_t code = TouchpadState::firstSlotCode; code <= TouchpadState::lastSlotCode; ++code) {
            if (code == ABS_MT_TRACKING_ID || !absCodes_[code] || clone_.at(s, code) == real_.at(s, code)) continue;
            select(s);
            add(frame, time, EV_ABS, code, real_.at(s, code));
            clone_.at(s, code) = real_.at(s, code);
        }
        if (oldest == slots_ || landedAt_[s] < landedAt_[oldest]) oldest = s;
    }
    for (std::size_t s = 0; s < slots_; ++s) // lifted on the real touchpad
        if (real_.trackingId(s) < 0 && clone_.trackingId(s) >= 0) {
            select(s);
            add(frame, time, EV_ABS, ABS_MT_TRACKING_ID, -1);
            clone_.at(s, ABS_MT_TRACKING_ID) = -1;
        }

    // The touchpad-wide state: the real one, unless contacts are left out; then the one
    // BTN_TOOL_* for the fingers still shown, and the single-touch axes of the oldest of them.
    std::bitset<KEY_CNT> keys = real_.keys & keyCodes_ & ~swallowedButtons_;
    std::map<std::uint16_t, std::int32_t> abs = real_.abs;
    if (unshownContacts > 0) {
        std::size_t fingers = realContacts; // the tool says more where the pad tracks fewer than it senses
        for (std::size_t i = 0; i < fingerTools.size(); ++i)
            if (real_.keys[fingerTools[i]]) fingers = std::max(fingers, i + 1);
        const std::size_t shown = fingers - std::min(fingers, unshownContacts);
        for (std::uint16_t tool : fingerTools)
            keys.reset(tool);
        if (shown > 0 && shown <= fingerTools.size())
            keys.set(fingerTools[shown - 1], keyCodes_[fingerTools[shown - 1]]);
        if (shown == 0) keys.reset(BTN_TOUCH);
        for (const auto& [single, perContact] : pointerAxes) {
            if (!abs.contains(single)) continue;
            if (oldest < slots_ && absCodes_[perContact])
                abs[single] = real_.at(oldest, perContact);
            else if (oldest == slots_) // nothing shown: no pressure, the position where it was
                abs[single] = single == ABS_PRESSURE ? 0 : clone_.abs[single];
        }
    }
    for (const std::uint16_t code : keyList_)
        if (keys[code] != clone_.keys[code]) {
            add(frame, time, EV_KEY, code, keys[code] ? 1 : 0);
            clone_.keys.set(code, keys[code]);
        }
    for (const auto& [code, value] : abs) {
        if (code >= ABS_CNT || !absCodes_[code]) continue;
        auto& current = clone_.abs[code];
        if (current == value) continue;
        add(frame, time, EV_ABS, code, value);
        current = value;
    }
    if (frame.empty()) return;
    add(frame, time, EV_SYN, SYN_REPORT, 0);
    out.push_back(std::move(frame));
}

void ContactFilter::add(Frame& frame, Microseconds time, std::uint16_t type, std::uint16_t code,
                        std::int32_t value) const
{
    input_event e{};
    e.input_event_sec = time / 1'000'000;
    e.input_event_usec = time % 1'000'000;
    e.type = type;
    e.code = code;
    e.value = value;
    frame.push_back(e);
}

std::int32_t ContactFilter::newTrackingId()
{
    for (;;) {
        const std::int32_t id = nextTrackingId_;
        nextTrackingId_ = id >= maxTrackingId_ ? 0 : id + 1;
        bool used = false;
        for (std::size_t s = 0; s < slots_; ++s)
            used = used || clone_.trackingId(s) == id;
        if (!used) return id;
    }
}

} // namespace rimglider::inputd
