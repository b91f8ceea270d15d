#include "EmulatedInput.h"

#include <umockdev.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <unistd.h>

namespace rimglider::inputd::test {

namespace {

std::string hex(const std::vector<std::uint8_t>& bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (std::uint8_t b : bytes) {
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

std::vector<std::uint8_t> bitmap(const std::set<std::uint16_t>& bits, std::size_t size)
{
    std::vector<std::uint8_t> out(size, 0);
    for (std::uint16_t bit : bits)
        if (bit / 8u < size) out[bit / 8u] = std::uint8_t(out[bit / 8u] | (1u << (bit % 8u)));
    return out;
}

void putInt(std::vector<std::uint8_t>& out, std::int32_t value)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(std::uint8_t(std::uint32_t(value) >> (8 * i)));
}

void check(gboolean ok, GError* error, const char* what)
{
    if (ok) return;
    const std::string message = std::string(what) + ": " + (error ? error->message : "failed");
    if (error) g_error_free(error);
    throw std::runtime_error(message);
}

} // namespace

std::string evdevIoctls(const DeviceDescription& device, const std::string& devnode)
{
    auto codes = [&](std::uint16_t type) {
        const auto it = device.codes.find(type);
        return it == device.codes.end() ? std::set<std::uint16_t>{} : it->second;
    };
    std::set<std::uint16_t> types;
    for (const auto& [type, set] : device.codes)
        types.insert(type);
    types.insert(EV_SYN);

    std::string text = "@DEV " + devnode + "\n";
    auto line = [&](const std::string& request, long result, const std::vector<std::uint8_t>& data) {
        text += request + " " + std::to_string(result) + " " + hex(data) + "\n";
    };
    line("EVIOCGBIT(0)", 8, bitmap(types, 8));
    std::vector<std::uint8_t> name(device.name.begin(), device.name.end());
    name.resize(255, 0);
    line("EVIOCGNAME(0)", long(device.name.size() + 1), name);
    std::vector<std::uint8_t> id;
    for (std::uint16_t v : {device.id.bustype, device.id.vendor, device.id.product, device.id.version})
        id.insert(id.end(), {std::uint8_t(v), std::uint8_t(v >> 8)});
    line("EVIOCGID", 0, id);
    std::vector<std::uint8_t> version;
    putInt(version, 0x010001);
    line("EVIOCGVERSION", 0, version);
    line("EVIOCGPROP(0)", 8, bitmap(device.properties, 8));
    for (std::uint16_t type : {EV_REL, EV_ABS, EV_LED, EV_KEY, EV_SW, EV_MSC, EV_FF, EV_SND}) {
        const std::size_t size = type == EV_KEY ? 96 : type == EV_FF ? 16 : 8;
        line("EVIOCGBIT(" + std::to_string(type) + ")", long(size), bitmap(codes(type), size));
    }
    line("EVIOCGKEY(0)", 96, std::vector<std::uint8_t>(96, 0));
    line("EVIOCGLED(0)", 8, std::vector<std::uint8_t>(8, 0));
    line("EVIOCGSW(0)", 8, std::vector<std::uint8_t>(8, 0));
    for (std::uint16_t code : codes(EV_ABS)) {
        const auto it = device.absInfo.find(code);
        const AbsInfo a = it == device.absInfo.end() ? AbsInfo{} : it->second;
        std::vector<std::uint8_t> data;
        for (std::int32_t v : {a.value, a.minimum, a.maximum, a.fuzz, a.flat, a.resolution})
            putInt(data, v);
        line("EVIOCGABS(" + std::to_string(code) + ")", 0, data);
    }
    // Slot values per multitouch code: every slot empty (tracking id -1), everything else 0.
    if (codes(EV_ABS).contains(ABS_MT_SLOT)) {
        for (std::size_t slots : {std::size_t(256), std::size_t(device.absInfo.at(ABS_MT_SLOT).maximum + 1)}) {
            for (std::uint16_t code : codes(EV_ABS)) {
                if (code <= ABS_MT_SLOT || code > ABS_MT_TOOL_Y) continue;
                std::vector<std::uint8_t> data;
                putInt(data, code);
                for (std::size_t s = 0; s < slots; ++s)
                    putInt(data, code == ABS_MT_TRACKING_ID ? -1 : 0);
                line("EVIOCGMTSLOTS(0)", 0, data);
            }
        }
    }
    return text;
}

EmulatedInput::EmulatedInput()
{
    testbed_ = umockdev_testbed_new();
    if (!umockdev_in_mock_environment())
        throw std::runtime_error("not running under umockdev-wrapper: the device emulation is unreachable");
    char pattern[] = "/tmp/rimglider-inputd-test-XXXXXX";
    if (!mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
    directory_ = pattern;
}

EmulatedInput::~EmulatedInput()
{
    g_object_unref(testbed_);
    std::string command = "rm -rf '" + directory_ + "'";
    if (std::system(command.c_str()) != 0) std::fprintf(stderr, "cannot remove %s\n", directory_.c_str());
}

EmulatedInput::Node EmulatedInput::addNode(const std::string& name, int number,
                                           const std::vector<std::string>& udevProperties, const std::string& phys)
{
    const std::string n = std::to_string(number);
    const std::string parent = "/devices/virtual/rimglider-test/input/input" + n;
    std::string text = "P: " + parent + "/event" + n + "\nN: input/event" + n + "\nE: DEVNAME=/dev/input/event" + n +
                       "\nE: SUBSYSTEM=input\nE: MAJOR=13\nE: MINOR=" + std::to_string(64 + number) + "\n";
    for (const std::string& p : udevProperties)
        text += "E: " + p + "\n";
    text += "A: dev=13:" + std::to_string(64 + number) + "\\n\n\n";
    text += "P: " + parent + "\nE: NAME=\"" + name + "\"\nE: SUBSYSTEM=input\nA: name=" + name + "\\n\n";
    if (!phys.empty()) text += "A: phys=" + phys + "\\n\n";
    GError* error = nullptr;
    check(umockdev_testbed_add_from_string(testbed_, text.c_str(), &error), error, "add device");
    return {"/sys" + parent + "/event" + n, "/dev/input/event" + n};
}

EmulatedInput::Node EmulatedInput::add(const DeviceDescription& device, int number,
                                       const std::vector<std::string>& udevProperties)
{
    const std::string devnode = "/dev/input/event" + std::to_string(number);
    const std::string file = directory_ + "/" + std::to_string(files_++) + ".ioctl";
    std::ofstream(file) << evdevIoctls(device, devnode);
    GError* error = nullptr;
    // Before the device appears: a broker that hears of it opens it at once.
    check(umockdev_testbed_load_ioctl(testbed_, devnode.c_str(), file.c_str(), &error), error, "load ioctl");
    return addNode(device.name, number, udevProperties);
}

EmulatedInput::Node EmulatedInput::addBare(const std::string& name, int number,
                                           const std::vector<std::string>& udevProperties, const std::string& phys)
{
    return addNode(name, number, udevProperties, phys);
}

void EmulatedInput::addUinput()
{
    GError* error = nullptr;
    check(umockdev_testbed_add_from_string(testbed_,
                                           "P: /devices/virtual/misc/uinput\nN: uinput\nE: DEVNAME=/dev/uinput\n"
                                           "E: SUBSYSTEM=misc\nA: dev=10:223\n",
                                           &error),
          error, "add uinput");
}

void EmulatedInput::remove(const Node& node)
{
    umockdev_testbed_uevent(testbed_, node.syspath.c_str(), "remove");
    umockdev_testbed_remove_device(testbed_, node.syspath.c_str());
}

void EmulatedInput::play(const Node& node, const std::string& events)
{
    const std::string file = directory_ + "/" + std::to_string(files_++) + ".events";
    std::ofstream(file) << events;
    GError* error = nullptr;
    check(umockdev_testbed_load_evemu_events(testbed_, node.devnode.c_str(), file.c_str(), &error), error,
          "load events");
}

void EmulatedInput::write(const Node& node, const std::vector<input_event>& events)
{
    const int fd = umockdev_testbed_get_dev_fd(testbed_, node.devnode.c_str());
    if (fd < 0) throw std::runtime_error("no emulated node " + node.devnode);
    const auto* bytes = reinterpret_cast<const char*>(events.data());
    std::size_t left = events.size() * sizeof(input_event);
    while (left > 0) {
        const ssize_t n = ::write(fd, bytes, left);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw std::runtime_error(std::string("writing events: ") + std::strerror(errno));
        bytes += n;
        left -= std::size_t(n);
    }
}

} // namespace rimglider::inputd::test
