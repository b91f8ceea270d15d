// What the kernel holds for a multitouch touchpad at one moment: every slot's ABS_MT_* values
// (empty slots keep the values of their last contact, and the kernel resends only changes), the
// other axes, the keys down and the current slot.
#pragma once

#include <linux/input-event-codes.h>

#include <array>
#include <bitset>
#include <cstdint>
#include <map>
#include <vector>

namespace rimglider::inputd {

struct TouchpadState {
    static constexpr std::uint16_t firstSlotCode = ABS_MT_TOUCH_MAJOR; // ABS_MT_SLOT + 1
    static constexpr std::uint16_t lastSlotCode = ABS_MT_TOOL_Y;
    using Slot = std::array<std::int32_t, lastSlotCode - firstSlotCode + 1>;

    static constexpr bool isSlotCode(std::uint16_t code) { return code >= firstSlotCode && code <= lastSlotCode; }

    std::vector<Slot> slots;
    std::map<std::uint16_t, std::int32_t> abs; // the axes that are not per slot
    std::bitset<KEY_CNT> keys;
    int currentSlot = 0;

    [[nodiscard]] std::int32_t& at(std::size_t slot, std::uint16_t code) { return slots[slot][code - firstSlotCode]; }
    [[nodiscard]] std::int32_t at(std::size_t slot, std::uint16_t code) const
    {
        return slots[slot][code - firstSlotCode];
    }
    [[nodiscard]] std::int32_t trackingId(std::size_t slot) const { return at(slot, ABS_MT_TRACKING_ID); }
};

} // namespace rimglider::inputd
