// What a touchpad's clone shows in exclusive mode: the real touchpad's frames without the
// contacts the client hid and without the presses its click guard swallowed, with the
// touchpad-wide state (BTN_TOUCH, the one BTN_TOOL_* for the finger count, the single-touch axes)
// recomputed for what stays visible. It keeps two models, the real touchpad as its events left
// it and the clone as the frames written to it left it; each frame it writes is the difference
// between what the clone should show and what it shows, so a pass-through frame is the real one
// and a contact shown again starts where the finger is now. Pure: events and times in, frames out.
#pragma once

#include "TouchpadState.h"

#include "RimgliderInput/EvdevDevice.h"

#include <linux/input.h>

#include <bitset>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace rimglider::inputd {

class ContactFilter {
  public:
    using Frame = std::vector<input_event>; // each ends with SYN_REPORT
    using Frames = std::vector<Frame>;
    using Microseconds = std::int64_t; // CLOCK_MONOTONIC, as the touchpad's events are stamped

    // The click guard's state as the client last sent it (SET_CLICK_GUARD).
    struct Guard {
        bool guarding = false;
        Microseconds until = 0;
        Microseconds grace = 0;
        std::vector<std::int32_t> claimed; // tracking ids
    };
    static constexpr Microseconds longestGuard = 2'000'000; // past its arrival, whatever `until` says

    // `clone`: the clone as it was made (its codes, slot count and axis values).
    explicit ContactFilter(const DeviceDescription& clone);

    // Takes the real touchpad's state, as the grab begins.
    void start(const TouchpadState& real);
    // One event of the real touchpad; at its SYN_REPORT the frames for the clone are appended.
    void push(const input_event& event, Frames& out);
    // Hides the contact the real touchpad names `trackingId`: a frame marking it a palm, then one
    // lifting it. Nothing when no such contact is down or it is hidden already.
    void hide(std::int32_t trackingId, Microseconds now, Frames& out);
    // Shows a hidden contact again, at its current position with a new tracking id.
    void show(std::int32_t trackingId, Microseconds now, Frames& out);
    void setGuard(Guard guard, Microseconds now);
    // Plain pass-through: every hidden contact shown, no press swallowed any more (the release of
    // a press already swallowed still is).
    void passThrough(Microseconds now, Frames& out);
    // Lets go of everything the clone holds down: before the clone goes while a finger is down.
    void letGo(Microseconds now, Frames& out);

    // Presses swallowed since the last call.
    [[nodiscard]] std::uint32_t takeSwallowed() { return std::exchange(swallowed_, 0); }

  private:
    [[nodiscard]] bool guarded(Microseconds time) const;
    // Completes `frame` (events already written into the clone model) with the difference
    // between the clone and what it should show, the real state with the contacts of `unshown`
    // slots left out, and emits it unless that leaves it empty.
    void emit(const std::vector<bool>& unshown, Microseconds time, Frame frame, Frames& out);
    // The real slot `s` gets tracking id `id` (another contact, or none).
    void track(std::size_t s, std::int32_t id, Microseconds time, Frame& frame);
    void land(Frame& frame, std::size_t s, Microseconds time);
    void select(Frame& frame, std::size_t s, Microseconds time);
    // A real event into the frame and the clone model; `slot`: its slot, for ABS_MT_* events.
    void forward(Frame& frame, const input_event& e, std::optional<std::size_t> slot = std::nullopt);
    void add(Frame& frame, Microseconds time, std::uint16_t type, std::uint16_t code, std::int32_t value) const;
    std::int32_t newTrackingId();

    std::size_t slots_;
    std::bitset<ABS_CNT> absCodes_; // the clone's axes
    std::bitset<KEY_CNT> keyCodes_; // the clone's keys
    std::vector<std::uint16_t> keyList_;
    std::int32_t maxTrackingId_;
    TouchpadState real_;
    TouchpadState clone_;
    std::vector<bool> hidden_;            // per slot: its real contact is hidden
    std::vector<std::uint64_t> landedAt_; // per slot: when its clone contact landed, to find the oldest
    std::uint64_t landings_ = 0;
    std::bitset<KEY_CNT> swallowedButtons_;
    std::uint32_t swallowed_ = 0;
    Guard guard_;
    Microseconds claimedGoneAt_ = 0; // when the last claimed contact lifted
    std::int32_t nextTrackingId_ = 0;
    Frame pending_; // the real frame being read
};

} // namespace rimglider::inputd
