// The input devices udev knows: evdev nodes of touchpads, keyboards and pointing devices,
// enumerated at start and followed as they come and go. The broker's own virtual keyboard is
// reported as such, never as a keyboard, so posted keys never reach the key stream; its touchpad
// clones are not reported at all.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct udev;
struct udev_device;
struct udev_monitor;

namespace rimglider::inputd {

inline constexpr const char* virtualKeyboardName = "Rimglider virtual keys";
// The start of a touchpad clone's phys (exclusive mode): never a device the broker reads.
inline constexpr const char* clonePhysMarker = "rimglider-clone/";

struct DeviceNode {
    std::string syspath;
    std::string devnode;
    std::vector<std::string> properties; // ID_* and LIBINPUT_* as KEY=value
    std::string seat = "seat0";
    bool touchpad = false;
    bool keyboard = false;
    bool pointer = false; // mice, pointing sticks, trackballs, touchpads: their buttons count
    // Set only for the broker's own virtual keyboard: its input node's sysname ("input42").
    std::string virtualKeyboard;
};

class DeviceMonitor {
  public:
    DeviceMonitor(); // throws std::runtime_error when udev cannot be used
    ~DeviceMonitor();
    DeviceMonitor(const DeviceMonitor&) = delete;
    DeviceMonitor& operator=(const DeviceMonitor&) = delete;

    [[nodiscard]] int fd() const;
    [[nodiscard]] std::vector<DeviceNode> enumerate() const;

    struct Change {
        bool added = false; // else removed
        DeviceNode node;
    };
    // The next pending relevant change; absent when none is left.
    std::optional<Change> receive();

    // Built in when ID_INTEGRATION or ID_INPUT_TOUCHPAD_INTEGRATION says internal; external when
    // they say otherwise; with neither, the bus decides.
    static bool isBuiltIn(const std::vector<std::string>& properties, std::uint16_t bustype);

  private:
    static std::optional<DeviceNode> describe(udev_device* device, bool forRemoval);

    udev* udev_ = nullptr;
    udev_monitor* monitor_ = nullptr;
};

} // namespace rimglider::inputd
