#include "TouchpadClone.h"

#include "DeviceMonitor.h"
#include "TouchpadFilter.h"

#include <libevdev/libevdev-uinput.h>
#include <libevdev/libevdev.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fcntl.h>
#include <linux/uinput.h>
#include <string_view>
#include <sys/ioctl.h>
#include <unistd.h>

namespace rimglider::inputd {

namespace {

// LIBINPUT_FUZZ_35=8: the fuzz libinput's udev rule moved out of the kernel for axis 0x35.
std::optional<std::int32_t> udevFuzz(const DeviceDescription& touchpad, std::uint16_t code)
{
    for (const std::string& property : touchpad.udevProperties) {
        const std::string_view p = property;
        constexpr std::string_view prefix = "LIBINPUT_FUZZ_";
        const auto equals = p.find('=');
        if (!p.starts_with(prefix) || equals == std::string_view::npos) continue;
        unsigned axis = 0;
        std::int32_t fuzz = 0;
        const std::string_view hex = p.substr(prefix.size(), equals - prefix.size());
        const std::string_view value = p.substr(equals + 1);
        if (std::from_chars(hex.data(), hex.data() + hex.size(), axis, 16).ptr != hex.data() + hex.size() ||
            std::from_chars(value.data(), value.data() + value.size(), fuzz).ptr != value.data() + value.size())
            continue;
        if (axis == code) return fuzz;
    }
    return std::nullopt;
}

} // namespace

DeviceDescription TouchpadClone::describe(const DeviceDescription& touchpad)
{
    DeviceDescription clone = touchpad;
    clone.udevProperties.clear();
    TouchpadFilter::restrict(clone);
    for (auto& [code, info] : clone.absInfo)
        if (const auto fuzz = udevFuzz(touchpad, code)) info.fuzz = *fuzz;
    clone.codes[EV_ABS].insert(ABS_MT_TOOL_TYPE);
    AbsInfo& tool = clone.absInfo[ABS_MT_TOOL_TYPE];
    tool.maximum = std::max(tool.maximum, std::int32_t(MT_TOOL_PALM));
    return clone;
}

std::string TouchpadClone::phys(const std::string& realPhys, bool builtIn)
{
    return std::string(clonePhysMarker) + (builtIn ? "internal/" : "external/") + realPhys;
}

std::unique_ptr<TouchpadClone> TouchpadClone::create(const DeviceDescription& clone, const std::string& phys,
                                                     std::string& error)
{
    libevdev* prototype = libevdev_new();
    libevdev_set_name(prototype, clone.name.c_str());
    libevdev_set_phys(prototype, phys.c_str());
    libevdev_set_id_bustype(prototype, clone.id.bustype);
    libevdev_set_id_vendor(prototype, clone.id.vendor);
    libevdev_set_id_product(prototype, clone.id.product);
    libevdev_set_id_version(prototype, clone.id.version);
    for (std::uint16_t property : clone.properties)
        libevdev_enable_property(prototype, property);
    for (const auto& [type, codes] : clone.codes) {
        libevdev_enable_event_type(prototype, type);
        for (std::uint16_t code : codes) {
            input_absinfo abs{};
            if (const AbsInfo* a = type == EV_ABS ? clone.abs(code) : nullptr)
                abs = {a->value, a->minimum, a->maximum, a->fuzz, a->flat, a->resolution};
            libevdev_enable_event_code(prototype, type, code, type == EV_ABS ? &abs : nullptr);
        }
    }
    // Our own descriptor: libevdev sets no phys, so it is set before libevdev makes the device
    // (with UI_DEV_SETUP, and UI_ABS_SETUP for the axes, resolution included).
    const int fd = ::open("/dev/uinput", O_RDWR | O_CLOEXEC);
    libevdev_uinput* device = nullptr;
    int rc = fd < 0 ? -errno : 0;
    if (rc == 0 && ::ioctl(fd, UI_SET_PHYS, phys.c_str()) != 0) rc = -errno;
    if (rc == 0) rc = libevdev_uinput_create_from_device(prototype, fd, &device);
    libevdev_free(prototype);
    if (rc < 0) {
        error = std::strerror(-rc);
        if (fd >= 0) ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<TouchpadClone>(new TouchpadClone(device, fd));
}

TouchpadClone::~TouchpadClone()
{
    libevdev_uinput_destroy(device_);
    ::close(fd_);
}

bool TouchpadClone::write(const std::vector<input_event>& frame) const
{
    const auto* bytes = reinterpret_cast<const char*>(frame.data());
    std::size_t left = frame.size() * sizeof(input_event);
    while (left > 0) {
        const ssize_t n = ::write(fd_, bytes, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes += n;
        left -= std::size_t(n);
    }
    return true;
}

} // namespace rimglider::inputd
