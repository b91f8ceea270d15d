#include "InputDevice.h"

#include "Log.h"
#include "TouchpadFilter.h"

#include <libevdev/libevdev.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>
#include <utility>

namespace rimglider::inputd {

std::unique_ptr<InputDevice> InputDevice::open(const std::string& devnode, bool forWriting, std::string& error)
{
    bool writable = forWriting;
    int fd = ::open(devnode.c_str(), (forWriting ? O_RDWR : O_RDONLY) | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0 && forWriting && (errno == EACCES || errno == EPERM || errno == EROFS)) {
        writable = false;
        fd = ::open(devnode.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    }
    if (fd < 0) {
        error = std::string("cannot open: ") + std::strerror(errno);
        return nullptr;
    }
    libevdev* device = nullptr;
    const int rc = libevdev_new_from_fd(fd, &device);
    if (rc < 0) {
        error = std::string("libevdev cannot read it: ") + std::strerror(-rc);
        ::close(fd);
        return nullptr;
    }
    std::unique_ptr<InputDevice> result(new InputDevice(fd, writable, device));
    const int clock = libevdev_set_clock_id(device, CLOCK_MONOTONIC);
    result->monotonicClock_ = clock == 0;
    if (clock != 0)
        Log::warning(std::string("device \"") + libevdev_get_name(device) +
                     "\" keeps the kernel's clock (EVIOCSCLOCKID: " + std::strerror(-clock) + ")");
    return result;
}

InputDevice::InputDevice(int fd, bool writable, libevdev* device) : fd_(fd), writable_(writable), device_(device) {}

InputDevice::~InputDevice()
{
    libevdev_free(device_);
    ::close(fd_);
}

DeviceDescription InputDevice::description() const
{
    DeviceDescription d;
    d.name = libevdev_get_name(device_) ? libevdev_get_name(device_) : "";
    d.id = {std::uint16_t(libevdev_get_id_bustype(device_)), std::uint16_t(libevdev_get_id_vendor(device_)),
            std::uint16_t(libevdev_get_id_product(device_)), std::uint16_t(libevdev_get_id_version(device_))};
    for (unsigned p = 0; p <= INPUT_PROP_MAX; ++p)
        if (libevdev_has_property(device_, p)) d.properties.insert(std::uint16_t(p));
    for (unsigned type = 0; type <= EV_MAX; ++type) {
        if (!libevdev_has_event_type(device_, type)) continue;
        const int max = libevdev_event_type_get_max(type);
        auto& codes = d.codes[std::uint16_t(type)];
        for (int code = 0; code <= max; ++code)
            if (libevdev_has_event_code(device_, type, unsigned(code))) codes.insert(std::uint16_t(code));
    }
    for (unsigned code = 0; code <= ABS_MAX; ++code) {
        const input_absinfo* a = libevdev_get_abs_info(device_, code);
        if (a && libevdev_has_event_code(device_, EV_ABS, code))
            d.absInfo[std::uint16_t(code)] = {a->value, a->minimum, a->maximum, a->fuzz, a->flat, a->resolution};
    }
    return d;
}

std::string InputDevice::phys() const
{
    const char* phys = libevdev_get_phys(device_);
    return phys ? phys : "";
}

int InputDevice::grab(bool on) const
{
    return ::ioctl(fd_, EVIOCGRAB, on ? 1 : 0) == 0 ? 0 : errno;
}

bool InputDevice::idle() const
{
    for (int slot = 0; slot < libevdev_get_num_slots(device_); ++slot)
        if (libevdev_get_slot_value(device_, unsigned(slot), ABS_MT_TRACKING_ID) >= 0) return false;
    for (unsigned code = BTN_MISC; code <= KEY_MAX; ++code)
        if (TouchpadFilter::passes(EV_KEY, std::uint16_t(code)) && libevdev_get_event_value(device_, EV_KEY, code))
            return false;
    return true;
}

TouchpadState InputDevice::touchpadState() const
{
    TouchpadState state;
    const int slots = libevdev_get_num_slots(device_);
    state.slots.resize(std::size_t(std::max(slots, 0)));
    for (int slot = 0; slot < slots; ++slot)
        for (std::uint16_t code = TouchpadState::firstSlotCode; code <= TouchpadState::lastSlotCode; ++code)
            state.at(std::size_t(slot), code) = libevdev_has_event_code(device_, EV_ABS, code)
                                                    ? libevdev_get_slot_value(device_, unsigned(slot), code)
                                                    : (code == ABS_MT_TRACKING_ID ? -1 : 0);
    for (unsigned code = 0; code <= ABS_MAX; ++code)
        if (code != ABS_MT_SLOT && !TouchpadState::isSlotCode(std::uint16_t(code)) &&
            libevdev_has_event_code(device_, EV_ABS, code))
            state.abs[std::uint16_t(code)] = libevdev_get_event_value(device_, EV_ABS, code);
    for (unsigned code = 0; code <= KEY_MAX; ++code)
        if (TouchpadFilter::passes(EV_KEY, std::uint16_t(code)) && libevdev_get_event_value(device_, EV_KEY, code))
            state.keys.set(code);
    state.currentSlot = slots > 0 ? libevdev_get_current_slot(device_) : 0;
    return state;
}

bool InputDevice::hasForceFeedback() const
{
    return libevdev_has_event_type(device_, EV_FF);
}

bool InputDevice::hasPointerButtons() const
{
    for (unsigned code = BTN_LEFT; code <= BTN_TASK; ++code)
        if (libevdev_has_event_code(device_, EV_KEY, code)) return true;
    return false;
}

bool InputDevice::isDown(std::uint16_t keyCode) const
{
    return libevdev_get_event_value(device_, EV_KEY, keyCode) != 0;
}

InputDevice::ReadResult InputDevice::read(const Sink& sink)
{
    for (;;) {
        input_event event{};
        unsigned flags = syncing_ ? LIBEVDEV_READ_FLAG_SYNC : LIBEVDEV_READ_FLAG_NORMAL;
        if (std::exchange(forceResync_, false)) flags |= LIBEVDEV_READ_FLAG_FORCE_SYNC;
        const int rc = libevdev_next_event(device_, flags, &event);
        if (rc == LIBEVDEV_READ_STATUS_SUCCESS) {
            sink(event);
        } else if (rc == LIBEVDEV_READ_STATUS_SYNC) {
            // The first SYNC status carries the SYN_DROPPED itself; the ones after it the resync.
            if (syncing_) sink(event);
            syncing_ = true;
        } else if (rc == -EAGAIN) {
            if (!syncing_) return ReadResult::ok;
            syncing_ = false; // resync complete; go on with what the kernel queued since
        } else if (rc == -EINTR) {
            continue;
        } else {
            if (rc != -ENODEV) Log::warning(std::string("reading a device failed: ") + std::strerror(-rc));
            return ReadResult::gone;
        }
    }
}

std::vector<input_event> InputDevice::state(const timeval& now) const
{
    std::vector<input_event> out;
    auto add = [&](unsigned type, unsigned code, int value) {
        input_event e{};
        e.input_event_sec = now.tv_sec;
        e.input_event_usec = now.tv_usec;
        e.type = std::uint16_t(type);
        e.code = std::uint16_t(code);
        e.value = value;
        out.push_back(e);
    };
    const bool multitouch = libevdev_has_event_code(device_, EV_ABS, ABS_MT_SLOT);
    if (multitouch) {
        const int slots = libevdev_get_num_slots(device_);
        for (int slot = 0; slot < slots; ++slot) {
            add(EV_ABS, ABS_MT_SLOT, slot);
            const int tracking = libevdev_get_slot_value(device_, unsigned(slot), ABS_MT_TRACKING_ID);
            add(EV_ABS, ABS_MT_TRACKING_ID, tracking);
            if (tracking == -1) continue;
            for (unsigned code = ABS_MT_SLOT + 1; code <= ABS_MT_TOOL_Y; ++code)
                if (code != ABS_MT_TRACKING_ID && libevdev_has_event_code(device_, EV_ABS, code))
                    add(EV_ABS, code, libevdev_get_slot_value(device_, unsigned(slot), code));
        }
        add(EV_ABS, ABS_MT_SLOT, libevdev_get_current_slot(device_));
    }
    for (unsigned code = 0; code <= ABS_MAX; ++code) {
        if (code >= ABS_MT_SLOT && code <= ABS_MT_TOOL_Y) continue;
        if (libevdev_has_event_code(device_, EV_ABS, code))
            add(EV_ABS, code, libevdev_get_event_value(device_, EV_ABS, code));
    }
    for (unsigned code = 0; code <= KEY_MAX; ++code)
        if (libevdev_has_event_code(device_, EV_KEY, code) && libevdev_get_event_value(device_, EV_KEY, code))
            add(EV_KEY, code, 1);
    add(EV_SYN, SYN_REPORT, 0);
    return out;
}

} // namespace rimglider::inputd
