// Input devices emulated with umockdev for the broker's tests: sysfs and udev data, the evdev
// ioctls libevdev asks on open (generated from a DeviceDescription), hot-plug uevents and event
// playback. The test program must run under umockdev-wrapper; without it construction fails
// the test rather than skipping it.
#pragma once

#include "RimgliderInput/EvdevDevice.h"

#include <linux/input.h>

#include <memory>
#include <string>
#include <vector>

typedef struct _UMockdevTestbed UMockdevTestbed;

namespace rimglider::inputd::test {

class FakeEvdev;

// udev's properties of a built-in touchpad.
inline const std::vector<std::string> builtInTouchpad = {"ID_INPUT=1", "ID_INPUT_TOUCHPAD=1",
                                                         "ID_INPUT_TOUCHPAD_INTEGRATION=internal"};

class EmulatedInput {
  public:
    EmulatedInput();
    ~EmulatedInput();
    EmulatedInput(const EmulatedInput&) = delete;
    EmulatedInput& operator=(const EmulatedInput&) = delete;

    struct Node {
        std::string syspath;
        std::string devnode;
    };
    // Adds /dev/input/event<number> (with its inputN parent) answering libevdev's ioctls as a
    // FakeEvdev the emulation keeps; udev sees it at once (an "add" uevent reaches monitors).
    Node add(const DeviceDescription& device, int number, const std::vector<std::string>& udevProperties);
    // Only the node and its sysfs data (`phys` too, when given), no ioctls: for tests attaching
    // their own handler.
    Node addBare(const std::string& name, int number, const std::vector<std::string>& udevProperties,
                 const std::string& phys = {});
    // /dev/uinput, answering nothing until a handler is attached: the host's own never shows.
    void addUinput();
    void remove(const Node& node);
    // Plays evemu "E: sec.usec type code value" lines into the node, with their timing.
    void play(const Node& node, const std::string& events);
    // Writes events into the node at once, with the times they carry.
    void write(const Node& node, const std::vector<input_event>& events);

    [[nodiscard]] UMockdevTestbed* testbed() const { return testbed_; }
    [[nodiscard]] const std::string& directory() const { return directory_; }

  private:
    UMockdevTestbed* testbed_ = nullptr;
    std::string directory_; // generated files
    int files_ = 0;
    std::vector<std::unique_ptr<FakeEvdev>> devices_;
};

} // namespace rimglider::inputd::test
