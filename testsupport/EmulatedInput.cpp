#include "EmulatedInput.h"

#include "FakeEvdev.h"

#include <umockdev.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <unistd.h>

namespace rimglider::inputd::test {

namespace {

void check(gboolean ok, GError* error, const char* what)
{
    if (ok) return;
    const std::string message = std::string(what) + ": " + (error ? error->message : "failed");
    if (error) g_error_free(error);
    throw std::runtime_error(message);
}

} // namespace

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
    devices_.clear(); // their handlers detach from the testbed
    g_object_unref(testbed_);
    std::error_code ignored; // a leftover temporary folder fails no test
    std::filesystem::remove_all(directory_, ignored);
}

EmulatedInput::Node EmulatedInput::addBare(const std::string& name, int number,
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
    return devices_.emplace_back(std::make_unique<FakeEvdev>(*this, device, number, udevProperties))->node();
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
