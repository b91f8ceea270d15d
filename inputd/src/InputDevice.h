// One evdev node read through libevdev: its description, its events in kernel order with
// SYN_DROPPED replaced by libevdev's resync, and a snapshot of its current state. Reading hands
// each event to a callback, so a filter can later sit between reading and re-emitting.
#pragma once

#include "TouchpadState.h"

#include "RimgliderInput/EvdevDevice.h"

#include <linux/input.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

struct libevdev;

namespace rimglider::inputd {

class InputDevice {
  public:
    // Opens the node; `forWriting` (touchpads: force feedback is written to them) asks for
    // read-write and falls back to read-only. Absent, with `error` set, when the node cannot be
    // opened or read by libevdev.
    static std::unique_ptr<InputDevice> open(const std::string& devnode, bool forWriting, std::string& error);
    ~InputDevice();
    InputDevice(const InputDevice&) = delete;
    InputDevice& operator=(const InputDevice&) = delete;

    [[nodiscard]] int fd() const { return fd_; }
    [[nodiscard]] bool writable() const { return writable_; }
    // False when the device refused EVIOCSCLOCKID: its times are then on the kernel's clock.
    [[nodiscard]] bool monotonicClock() const { return monotonicClock_; }
    [[nodiscard]] DeviceDescription description() const;
    [[nodiscard]] std::string phys() const;
    [[nodiscard]] bool hasForceFeedback() const;
    // Any button BTN_LEFT..BTN_TASK: a pointing device whose presses the key stream reports.
    [[nodiscard]] bool hasPointerButtons() const;
    // Whether the key is down, as far as the events read so far say.
    [[nodiscard]] bool isDown(std::uint16_t keyCode) const;

    // EVIOCGRAB on (true) or off: 0 or the errno. Straight on the descriptor, so a grab the
    // watchdog dropped from its thread is never taken for one still held.
    int grab(bool on) const;
    // No contact and no touchpad button, touch or tool down, as far as the events read so far say.
    [[nodiscard]] bool idle() const;
    // Every slot's values (empty ones too), the other axes, the touchpad keys down.
    [[nodiscard]] TouchpadState touchpadState() const;

    enum class ReadResult : std::uint8_t { ok, gone };
    using Sink = std::function<void(const input_event&)>;
    // Everything pending, in order; the SYN_DROPPED itself is never handed on, the resync events
    // (ending in SYN_REPORT) are.
    ReadResult read(const Sink& sink);
    // The next read() starts with a resync, as after SYN_DROPPED (after the system slept).
    void resyncOnNextRead() { forceResync_ = true; }

    // The whole current state as events for a fresh view, stamped `now`: per slot its slot
    // number, tracking id and (for a contact) the other ABS_MT_* values, then the current slot,
    // the single-touch axes, the held keys and buttons, then SYN_REPORT.
    [[nodiscard]] std::vector<input_event> state(const timeval& now) const;

  private:
    InputDevice(int fd, bool writable, libevdev* device);

    int fd_ = -1;
    bool writable_ = false;
    bool monotonicClock_ = false;
    bool syncing_ = false;
    bool forceResync_ = false;
    libevdev* device_ = nullptr;
};

} // namespace rimglider::inputd
