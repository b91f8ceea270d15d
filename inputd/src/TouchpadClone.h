// The uinput twin of a grabbed touchpad, which the desktop reads in its place. libinput must not
// tell it from the real one: it has the touchpad's name, bus, vendor, product and version, every
// INPUT_PROP_*, every code the touchpad filter lets out, every axis with its resolution and slot
// count, and the fuzz libinput's udev rule took from the real one (LIBINPUT_FUZZ_*), which the
// same rule takes again from the clone. It adds ABS_MT_TOOL_TYPE, to mark hidden contacts as
// palms. Its phys is clonePhysMarker, the real touchpad's integration and its phys, on which the
// service's udev rule gives the clone the real ID_INPUT_TOUCHPAD_INTEGRATION (palm detection and
// disable-while-typing pair only internal touchpads with internal keyboards).
#pragma once

#include "RimgliderInput/EvdevDevice.h"

#include <linux/input.h>

#include <memory>
#include <string>
#include <vector>

struct libevdev_uinput;

namespace rimglider::inputd {

class TouchpadClone {
  public:
    // What the clone of `touchpad` (its udevProperties included) is made of.
    static DeviceDescription describe(const DeviceDescription& touchpad);
    // "rimglider-clone/internal/isa0060/serio1/input0".
    static std::string phys(const std::string& realPhys, bool builtIn);

    // Absent, with `error` set, when /dev/uinput cannot make it.
    static std::unique_ptr<TouchpadClone> create(const DeviceDescription& clone, const std::string& phys,
                                                 std::string& error);
    ~TouchpadClone(); // the device goes away with it
    TouchpadClone(const TouchpadClone&) = delete;
    TouchpadClone& operator=(const TouchpadClone&) = delete;

    // One whole frame in one write. False when the kernel did not take it.
    bool write(const std::vector<input_event>& frame) const;
    [[nodiscard]] int fd() const { return fd_; }

  private:
    TouchpadClone(libevdev_uinput* device, int fd) : device_(device), fd_(fd) {}
    libevdev_uinput* device_;
    int fd_;
};

} // namespace rimglider::inputd
