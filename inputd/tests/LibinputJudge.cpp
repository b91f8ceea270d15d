#include "LibinputJudge.h"

#include "EmulatedInput.h"
#include "Eventually.h"

#include <umockdev.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utility>

extern char** environ;

namespace rimglider::inputd::test {

namespace {

namespace fs = std::filesystem;

constexpr int nodeNumber = 40;

void relink(const fs::path& link, const std::string& target)
{
    fs::remove(link);
    fs::create_symlink(target, link);
}

// Gives the emulated node its pty's device number wherever umockdev and udev look it up.
std::string fixDeviceNumber(UMockdevTestbed* testbed, const EmulatedInput::Node& node)
{
    const int master = umockdev_testbed_get_dev_fd(testbed, node.devnode.c_str());
    struct stat pty {};
    if (master < 0 || stat(ptsname(master), &pty) != 0) throw std::runtime_error("the emulated node has no pty");
    const std::string number = std::to_string(major(pty.st_rdev)) + ":" + std::to_string(minor(pty.st_rdev));
    gchar* rootDir = umockdev_testbed_get_root_dir(testbed);
    const fs::path root = rootDir;
    g_free(rootDir);
    const fs::path device = root / node.syspath.substr(1);
    relink(root / "dev/.node" / ("input_event" + std::to_string(nodeNumber)), number);
    for (const auto& entry : fs::directory_iterator(root / "dev/.ptymap"))
        relink(entry.path(), number);
    relink(root / "sys/dev/char" / number, fs::relative(device, root / "sys/dev/char").string());
    std::ofstream(device / "dev") << number << "\n";
    std::ifstream in(device / "uevent");
    std::string uevent, line;
    while (std::getline(in, line))
        if (!line.starts_with("MAJOR=") && !line.starts_with("MINOR=")) uevent += line + "\n";
    std::ofstream(device / "uevent") << uevent << "MAJOR=" << major(pty.st_rdev) << "\nMINOR=" << minor(pty.st_rdev)
                                     << "\n";
    return number;
}

} // namespace

std::vector<std::string> judgeByLibinput(const DeviceDescription& device, const std::vector<input_event>& stream)
{
    // As libinput's own udev rule leaves a touchpad: its fuzz moved from the kernel to udev.
    DeviceDescription pad = device;
    std::vector<std::string> properties = builtInTouchpad;
    for (auto& [code, info] : pad.absInfo)
        if (char name[32]; info.fuzz > 0 && std::snprintf(name, sizeof name, "LIBINPUT_FUZZ_%02x=", code) > 0) {
            properties.push_back(name + std::to_string(std::exchange(info.fuzz, 0)));
        }
    EmulatedInput emulation;
    const EmulatedInput::Node node = emulation.add(pad, nodeNumber, properties);
    const std::string number = fixDeviceNumber(emulation.testbed(), node);

    std::string database = "I:" + std::to_string(std::time(nullptr)) + "000000\n";
    for (const std::string& p : properties)
        database += "E:" + p + "\n";
    database += "G:seat\nQ:seat\n";
    const std::string output = emulation.directory() + "/libinput.out";
    const std::string script = "mount -t tmpfs tmpfs /run && mkdir -p /run/udev/data && printf '%s' \"$JUDGE_DB\" > "
                               "/run/udev/data/c" +
                               number + " && exec libinput debug-events --enable-tap --device " + node.devnode + " >" +
                               output + " 2>&1";
    setenv("JUDGE_DB", database.c_str(), 1);
    const char* argv[] = {"unshare", "-m", "--propagation", "private", "/bin/sh", "-c", script.c_str(), nullptr};
    pid_t pid = -1;
    if (posix_spawnp(&pid, "unshare", nullptr, nullptr, const_cast<char**>(argv), environ) != 0)
        throw std::runtime_error("cannot run unshare");
    const auto printed = [&] {
        std::ifstream file(output);
        std::ostringstream text;
        text << file.rdbuf();
        return text.str();
    };
    const auto added = [&] { return printed().find("DEVICE_ADDED") != std::string::npos; };

    // Bounded wait for the external program to take the device.
    bool exited = false;
    rimglider::test::eventually([&] { return added() || (exited = waitpid(pid, nullptr, WNOHANG) == pid); },
                                std::chrono::seconds(10));
    if (!added()) {
        if (!exited) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
        throw std::runtime_error("libinput did not take the emulated device:\n" + printed());
    }

    // Frame by frame with the recorded gaps, stamped with the times they are due at (not when
    // they happen to be written: the verdict must not depend on the machine's load).
    const auto start = std::chrono::steady_clock::now();
    timespec origin{};
    clock_gettime(CLOCK_MONOTONIC, &origin);
    const std::int64_t originUs = std::int64_t(origin.tv_sec) * 1'000'000 + origin.tv_nsec / 1000;
    std::vector<input_event> frame;
    for (const input_event& e : stream) {
        frame.push_back(e);
        if (e.type != EV_SYN || e.code != SYN_REPORT) continue;
        const std::int64_t due = (e.input_event_sec - stream.front().input_event_sec) * 1'000'000 +
                                 (e.input_event_usec - stream.front().input_event_usec);
        std::this_thread::sleep_until(start + std::chrono::microseconds(due));
        for (input_event& f : frame) {
            f.input_event_sec = (originUs + due) / 1'000'000;
            f.input_event_usec = (originUs + due) % 1'000'000;
        }
        emulation.write(node, frame);
        frame.clear();
    }
    std::this_thread::sleep_for(std::chrono::seconds(1)); // libinput's tap and scroll timers run out
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);

    std::vector<std::string> events;
    std::istringstream lines(printed());
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::string device_, type, time, rest;
        fields >> device_ >> type >> time;
        if (device_.find("event") == std::string::npos || !time.starts_with("+")) continue;
        std::getline(fields, rest);
        events.push_back(type + rest);
    }
    return events;
}

} // namespace rimglider::inputd::test
