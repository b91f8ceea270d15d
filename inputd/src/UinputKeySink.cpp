#include "UinputKeySink.h"

#include "DeviceMonitor.h"

#include "RimgliderInput/BrokerProtocol.h"

#include <libevdev/libevdev-uinput.h>
#include <libevdev/libevdev.h>

#include <cstring>
#include <string_view>

namespace rimglider::inputd {

std::unique_ptr<UinputKeySink> UinputKeySink::create(std::string& error)
{
    libevdev* prototype = libevdev_new();
    libevdev_set_name(prototype, virtualKeyboardName);
    libevdev_set_phys(prototype, "rimglider-inputd/virtual-keys");
    libevdev_set_id_bustype(prototype, BUS_VIRTUAL);
    libevdev_enable_event_type(prototype, EV_SYN);
    libevdev_enable_event_type(prototype, EV_KEY);
    libevdev_enable_event_code(prototype, EV_KEY, KEY_LEFTSHIFT, nullptr);
    for (std::uint8_t code = 0; code < 32; ++code)
        if (const auto key = broker::systemKeyFromCode(code))
            libevdev_enable_event_code(prototype, EV_KEY, broker::linuxKeyCode(*key), nullptr);
    libevdev_uinput* device = nullptr;
    // Managed: libevdev opens /dev/uinput itself, close-on-exec.
    const int rc = libevdev_uinput_create_from_device(prototype, LIBEVDEV_UINPUT_OPEN_MANAGED, &device);
    libevdev_free(prototype);
    if (rc < 0) {
        error = std::strerror(-rc);
        return nullptr;
    }
    return std::unique_ptr<UinputKeySink>(new UinputKeySink(device));
}

UinputKeySink::~UinputKeySink()
{
    libevdev_uinput_destroy(device_);
}

bool UinputKeySink::emit(std::uint16_t type, std::uint16_t code, std::int32_t value)
{
    return libevdev_uinput_write_event(device_, type, code, value) == 0;
}

std::string UinputKeySink::sysname() const
{
    const char* path = libevdev_uinput_get_syspath(device_);
    const std::string_view syspath = path ? path : "";
    return std::string(syspath.substr(syspath.rfind('/') + 1));
}

} // namespace rimglider::inputd
