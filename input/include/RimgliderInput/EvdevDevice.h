// What the kernel's evdev interface says about an input device and the events it sends,
// as plain values: the live reader fills them from the device node, the recording readers
// from files.
#pragma once

#include <linux/input-event-codes.h>

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace rimglider {

// One kernel input event; `time` is in seconds on the clock the device was switched to.
struct InputEvent {
    double time = 0;
    std::uint16_t type = 0;
    std::uint16_t code = 0;
    std::int32_t value = 0;

    friend bool operator==(const InputEvent&, const InputEvent&) = default;
};

// struct input_absinfo: the range of one absolute axis. `resolution` is in units per
// millimetre (0: unknown).
struct AbsInfo {
    std::int32_t value = 0;
    std::int32_t minimum = 0;
    std::int32_t maximum = 0;
    std::int32_t fuzz = 0;
    std::int32_t flat = 0;
    std::int32_t resolution = 0;

    friend bool operator==(const AbsInfo&, const AbsInfo&) = default;
};

struct InputId {
    std::uint16_t bustype = 0;
    std::uint16_t vendor = 0;
    std::uint16_t product = 0;
    std::uint16_t version = 0;

    friend bool operator==(const InputId&, const InputId&) = default;
};

// A touchpad's surface in millimetres.
struct SurfaceSize {
    double widthMM = 0;
    double heightMM = 0;

    friend bool operator==(const SurfaceSize&, const SurfaceSize&) = default;
};

struct DeviceDescription {
    std::string name;
    InputId id;
    std::set<std::uint16_t> properties;                     // INPUT_PROP_* bits set
    std::map<std::uint16_t, std::set<std::uint16_t>> codes; // event type -> codes it sends
    std::map<std::uint16_t, AbsInfo> absInfo;               // ABS_* code -> range
    std::vector<std::string> udevProperties;                // "KEY=value", when known

    [[nodiscard]] bool has(std::uint16_t type, std::uint16_t code) const;
    [[nodiscard]] const AbsInfo* abs(std::uint16_t code) const;
    [[nodiscard]] bool hasUdevProperty(const std::string& keyEqualsValue) const;

    // (maximum - minimum) / resolution of the position axes (multitouch ones first); absent
    // when the device reports no resolution for them.
    [[nodiscard]] std::optional<SurfaceSize> surfaceSize() const;

    // udev's own verdicts where the description carries them, else the kernel capabilities:
    // a touchpad reports finger positions indirectly (not a touchscreen) with a finger tool.
    [[nodiscard]] bool isTouchpad() const;
    [[nodiscard]] bool isKeyboard() const;

    friend bool operator==(const DeviceDescription&, const DeviceDescription&) = default;
};

} // namespace rimglider
