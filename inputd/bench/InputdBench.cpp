// Measures the real broker on an emulated touchpad:
//  - forwarding latency: each frame is stamped with CLOCK_MONOTONIC as it is written into the
//    emulated node; a client reader thread takes the difference when the frame arrives. This
//    includes the emulation's hop (umockdev relays the reads of an emulated node through the
//    test process), measured on its own as well, so it bounds the broker's own share;
//  - the broker's CPU time per forwarded frame (the emulation's relay included);
//  - resident memory of the broker (VmRSS) after the run;
//  - wake-ups per second with a subscribed client and no input (context switches over 5 s);
//  - exclusive mode: each frame from the moment it is written into the grabbed pad's node to the
//    moment its clone's frame reaches the emulated /dev/uinput. The emulation adds its own hops
//    on both sides (umockdev relays the pad's reads and the clone's writes through this process);
//    the delay exclusive mode adds is that minus the emulation alone, measured above; and the
//    broker's own share alone: a recorded two-finger scroll through the clone's filter and one
//    write() per frame, frame by frame.
// Usage: umockdev-wrapper rimglider-inputd-bench [frames]
#include "BrokerProcess.h"
#include "ContactFilter.h"
#include "EmulatedInput.h"
#include "FakeEvdev.h"
#include "FakeUinput.h"
#include "TestClient.h"
#include "TestData.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

using namespace rimglider;
using namespace rimglider::broker;
using namespace rimglider::inputd::test;
using namespace rimglider::test;

namespace {

double monotonicSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

long statusField(pid_t pid, const std::string& field)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(field + ":", 0) == 0) return std::stol(line.substr(field.size() + 1));
    return -1;
}

input_event stamped(std::uint16_t type, std::uint16_t code, std::int32_t value)
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    input_event e{};
    e.input_event_sec = now.tv_sec;
    e.input_event_usec = now.tv_nsec / 1000;
    e.type = type;
    e.code = code;
    e.value = value;
    return e;
}

// Writes `frames` frames stamped with the time of writing, a little apart.
void writeFrames(EmulatedInput& emulation, const EmulatedInput::Node& node, int frames)
{
    for (int i = 0; i < frames; ++i) {
        const input_event x = stamped(EV_ABS, ABS_X, i % 1000);
        input_event report = x;
        report.type = EV_SYN;
        report.code = SYN_REPORT;
        report.value = 0;
        emulation.write(node, {x, report});
        std::this_thread::sleep_for(std::chrono::microseconds(500)); // a fast pad reports every few ms
    }
}

void printLatencies(const char* what, std::vector<double> latencies, int frames)
{
    if (latencies.empty()) throw std::runtime_error("no frames arrived");
    std::sort(latencies.begin(), latencies.end());
    const auto at = [&](double q) { return latencies[std::size_t(q * double(latencies.size() - 1))] * 1e6; };
    std::printf("%s: %zu of %d frames; median %.1f us, p90 %.1f us, p99 %.1f us, max %.1f us\n", what, latencies.size(),
                frames, at(0.5), at(0.9), at(0.99), latencies.back() * 1e6);
}

// User plus system CPU time of a process, in seconds.
double cpuSeconds(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    std::istringstream fields(text.substr(text.rfind(')') + 2)); // the name may hold spaces
    std::string field;
    long user = 0, system = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14) user = std::stol(field);
        if (i == 15) system = std::stol(field);
    }
    return double(user + system) / double(sysconf(_SC_CLK_TCK));
}

// Frames through a grabbed pad and its clone, the real broker in a process of its own.
void exclusiveMode(int frames)
{
    EmulatedInput emulation;
    FakeUinput uinput(emulation);
    const DeviceDescription synaptics =
        *readEvemu(readData("evemu-devices/SynPS2 Synaptics TouchPad.desc")).description;
    FakeEvdev pad(emulation, synaptics, 6, {"ID_INPUT=1", "ID_INPUT_TOUCHPAD=1"});
    BrokerProcess broker(INPUTD_PATH, emulation.directory());
    TestClient client(broker.socket());
    client.send(Hello{2}, 1);
    client.expect<Welcome>();
    client.send(ListTouchpads{}, 2);
    const std::uint32_t id = client.expect<Touchpad>().info.deviceId;
    client.expect<ListEnd>();
    client.send(SubscribeTouchpad{id}, 3);
    client.expect<Events>();
    client.send(SetExclusive{id, true}, 4);
    if (client.expect<Exclusive>().state != ExclusiveState::active) throw std::runtime_error("no exclusive mode");

    std::atomic<bool> done{false};
    std::thread reader([&] { // takes the client's copy of the events, as the application would
        while (!done)
            client.receive(std::chrono::milliseconds(100));
    });
    writeFrames(emulation, pad.node(), frames);
    std::vector<double> latencies;
    for (int wait = 0; wait < 500 && latencies.size() < std::size_t(frames); ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const auto clone = uinput.device(synaptics.name);
        latencies.clear();
        for (std::size_t i = 0; i < clone.written.size(); ++i)
            if (clone.written[i].type == EV_SYN)
                latencies.push_back(clone.arrived[i] - (double(clone.written[i].input_event_sec) +
                                                        double(clone.written[i].input_event_usec) / 1e6));
    }
    done = true;
    reader.join();
    printLatencies("written -> the grabbed pad's clone (exclusive mode)", latencies, frames);
    std::printf("broker exit status    %d\n", broker.stop());

    const EvemuFile scroll =
        readEvemu(readData("evemu-devices/SynPS2 Synaptics TouchPad.two-finger-vert-scroll.events"));
    rimglider::inputd::ContactFilter filter(synaptics);
    const int sink = open("/dev/null", O_WRONLY | O_CLOEXEC);
    std::vector<double> own;
    rimglider::inputd::ContactFilter::Frames out;
    for (int round = 0; round < 200; ++round) {
        double started = monotonicSeconds();
        for (const InputEvent& e : scroll.events) {
            input_event k{};
            k.type = e.type;
            k.code = e.code;
            k.value = e.value;
            filter.push(k, out);
            for (const auto& frame : out)
                if (write(sink, frame.data(), frame.size() * sizeof(input_event)) < 0)
                    throw std::runtime_error("write");
            if (e.type != EV_SYN) continue;
            own.push_back(monotonicSeconds() - started);
            out.clear();
            started = monotonicSeconds();
        }
    }
    close(sink);
    printLatencies("the clone's share: a frame's events read -> its frame written", own, int(own.size()));
}

} // namespace

int main(int argc, char** argv)
{
    const int frames = argc > 1 ? std::atoi(argv[1]) : 5000;
    try {
        EmulatedInput emulation;
        const auto node = emulation.add(alpsDescription(), 4, {"ID_INPUT=1", "ID_INPUT_TOUCHPAD=1"});
        BrokerProcess broker(INPUTD_PATH, emulation.directory());
        TestClient client(broker.socket());
        client.hello();
        client.send(ListTouchpads{}, 2);
        const std::uint32_t id = client.expect<Touchpad>().info.deviceId;
        client.expect<ListEnd>();
        client.send(SubscribeTouchpad{id}, 3);
        client.send(SubscribeKeys{}, 4);
        client.expect<Events>();
        client.expect<Modifiers>();

        std::vector<double> latencies;
        latencies.reserve(std::size_t(frames));
        std::thread reader([&] {
            while (int(latencies.size()) < frames) {
                const auto message = client.receive(std::chrono::seconds(5));
                if (!message) break;
                const auto* batch = std::get_if<Events>(&message->message);
                if (!batch || batch->events.empty()) continue;
                latencies.push_back(monotonicSeconds() - batch->events.back().time.toSeconds());
            }
        });
        const double cpuBefore = cpuSeconds(broker.pid());
        writeFrames(emulation, node, frames);
        reader.join();
        const double cpu = cpuSeconds(broker.pid()) - cpuBefore;
        printLatencies("written -> client (through the broker)", latencies, frames);
        std::printf("broker CPU time       %.0f us per frame (%.2f s for %d frames)\n", cpu / frames * 1e6, cpu,
                    frames);
        std::printf("broker VmRSS          %ld kB\n", statusField(broker.pid(), "VmRSS"));

        std::this_thread::sleep_for(std::chrono::seconds(1)); // the last frames are through
        const long voluntary = statusField(broker.pid(), "voluntary_ctxt_switches");
        const long involuntary = statusField(broker.pid(), "nonvoluntary_ctxt_switches");
        std::this_thread::sleep_for(std::chrono::seconds(5));
        const long wakeups = statusField(broker.pid(), "voluntary_ctxt_switches") - voluntary +
                             statusField(broker.pid(), "nonvoluntary_ctxt_switches") - involuntary;
        std::printf("idle wake-ups         %.2f per second (%ld in 5 s, client subscribed)\n", double(wakeups) / 5.0,
                    wakeups);
        std::printf("broker exit status    %d\n", broker.stop());

        // The emulation's own share: the same frames read straight from the node by another
        // process, as the broker would, but doing nothing else.
        int results[2];
        if (pipe2(results, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
        const pid_t reader2 = fork();
        if (reader2 == 0) {
            const int fd = open(node.devnode.c_str(), O_RDONLY | O_CLOEXEC);
            double latency = 0; // the first value says "ready"
            if (fd < 0 || write(results[1], &latency, sizeof latency) != ssize_t(sizeof latency)) _exit(1);
            input_event e{};
            for (int got = 0; got < frames && read(fd, &e, sizeof e) == ssize_t(sizeof e);) {
                if (e.type != EV_SYN) continue;
                latency = monotonicSeconds() - (double(e.input_event_sec) + double(e.input_event_usec) / 1e6);
                if (write(results[1], &latency, sizeof latency) != ssize_t(sizeof latency)) _exit(1);
                ++got;
            }
            _exit(0);
        }
        close(results[1]);
        double value = 0;
        if (read(results[0], &value, sizeof value) != ssize_t(sizeof value)) throw std::runtime_error("no reader");
        std::vector<double> direct;
        std::thread collector([&] {
            while (int(direct.size()) < frames && read(results[0], &value, sizeof value) == ssize_t(sizeof value))
                direct.push_back(value);
        });
        writeFrames(emulation, node, frames);
        collector.join();
        close(results[0]);
        waitpid(reader2, nullptr, 0);
        printLatencies("written -> another process reading the node (emulation alone)", direct, frames);
        exclusiveMode(frames);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "benchmark failed: %s\n", e.what());
        return 1;
    }
    return 0;
}
