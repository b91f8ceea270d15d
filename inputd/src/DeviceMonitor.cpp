#include "DeviceMonitor.h"

#include <libudev.h>
#include <linux/input.h>

#include <algorithm>
#include <stdexcept>
#include <string_view>

namespace rimglider::inputd {

namespace {

bool property(udev_device* device, const char* key)
{
    const char* value = udev_device_get_property_value(device, key);
    return value && std::string_view(value) == "1";
}

std::string attribute(udev_device* parent, const char* name)
{
    const char* value = parent ? udev_device_get_sysattr_value(parent, name) : nullptr;
    std::string result = value ? value : "";
    while (!result.empty() && result.back() == '\n')
        result.pop_back();
    return result;
}

} // namespace

DeviceMonitor::DeviceMonitor()
{
    udev_ = udev_new();
    if (!udev_) throw std::runtime_error("udev is not available");
    monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
    if (!monitor_ || udev_monitor_filter_add_match_subsystem_devtype(monitor_, "input", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor_) < 0) {
        if (monitor_) udev_monitor_unref(monitor_);
        udev_unref(udev_);
        throw std::runtime_error("cannot follow udev's input devices");
    }
}

DeviceMonitor::~DeviceMonitor()
{
    udev_monitor_unref(monitor_);
    udev_unref(udev_);
}

int DeviceMonitor::fd() const
{
    return udev_monitor_get_fd(monitor_);
}

std::optional<DeviceNode> DeviceMonitor::describe(udev_device* device, bool forRemoval)
{
    const char* devnode = udev_device_get_devnode(device);
    const char* syspath = udev_device_get_syspath(device);
    if (!devnode || !syspath || !std::string_view(devnode).starts_with("/dev/input/event")) return std::nullopt;
    DeviceNode node;
    node.syspath = syspath;
    node.devnode = devnode;
    if (forRemoval) return node; // the broker matches removals by syspath only
    // The broker's own keyboard is never read (posted keys must not reach the key stream); its
    // arrival is what posting waits for.
    udev_device* parent = udev_device_get_parent_with_subsystem_devtype(device, "input", nullptr);
    if (parent && attribute(parent, "name") == virtualKeyboardName) {
        const char* sysname = udev_device_get_sysname(parent);
        node.virtualKeyboard = sysname ? sysname : "?";
        return node;
    }
    if (attribute(parent, "phys").starts_with(clonePhysMarker)) return std::nullopt;
    node.touchpad = property(device, "ID_INPUT_TOUCHPAD");
    node.keyboard = property(device, "ID_INPUT_KEYBOARD");
    node.pointer = node.touchpad || property(device, "ID_INPUT_MOUSE") || property(device, "ID_INPUT_POINTINGSTICK") ||
                   property(device, "ID_INPUT_TRACKBALL");
    if (!node.touchpad && !node.keyboard && !node.pointer) return std::nullopt;
    for (udev_list_entry* e = udev_device_get_properties_list_entry(device); e; e = udev_list_entry_get_next(e)) {
        const std::string_view key = udev_list_entry_get_name(e);
        if (key.starts_with("ID_") || key.starts_with("LIBINPUT_")) {
            const char* value = udev_list_entry_get_value(e);
            node.properties.push_back(std::string(key) + "=" + (value ? value : ""));
        }
    }
    if (const char* seat = udev_device_get_property_value(device, "ID_SEAT"); seat && *seat) node.seat = seat;
    return node;
}

std::vector<DeviceNode> DeviceMonitor::enumerate() const
{
    std::vector<DeviceNode> nodes;
    udev_enumerate* e = udev_enumerate_new(udev_);
    if (!e) return nodes;
    udev_enumerate_add_match_subsystem(e, "input");
    udev_enumerate_scan_devices(e);
    for (udev_list_entry* entry = udev_enumerate_get_list_entry(e); entry; entry = udev_list_entry_get_next(entry)) {
        udev_device* device = udev_device_new_from_syspath(udev_, udev_list_entry_get_name(entry));
        if (!device) continue;
        if (auto node = describe(device, false)) nodes.push_back(std::move(*node));
        udev_device_unref(device);
    }
    udev_enumerate_unref(e);
    return nodes;
}

std::optional<DeviceMonitor::Change> DeviceMonitor::receive()
{
    while (udev_device* device = udev_monitor_receive_device(monitor_)) {
        const char* action = udev_device_get_action(device);
        const std::string_view what = action ? action : "";
        std::optional<Change> change;
        if (what == "add" || what == "remove") {
            if (auto node = describe(device, what == "remove")) change = Change{what == "add", std::move(*node)};
        }
        udev_device_unref(device);
        if (change) return change;
    }
    return std::nullopt;
}

bool DeviceMonitor::isBuiltIn(const std::vector<std::string>& properties, std::uint16_t bustype)
{
    // Either verdict saying internal is enough: udev tags a keyboard dock's ID_INTEGRATION
    // external while its touchpad rule knows the pad is built in.
    bool judged = false;
    for (const std::string_view key : {"ID_INTEGRATION=", "ID_INPUT_TOUCHPAD_INTEGRATION="}) {
        const auto it = std::find_if(properties.begin(), properties.end(),
                                     [key](const std::string& p) { return p.starts_with(key); });
        if (it == properties.end()) continue;
        if (std::string_view(*it).substr(key.size()) == "internal") return true;
        judged = true;
    }
    if (judged) return false;
    switch (bustype) {
    case BUS_I8042:
    case BUS_I2C:
    case BUS_SPI:
    case BUS_RMI:
    case BUS_HOST:
        return true;
    default:
        return false;
    }
}

} // namespace rimglider::inputd
