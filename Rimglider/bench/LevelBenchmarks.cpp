// Main-thread cost of one step() for each level controller, as the dispatcher calls it:
//  - VolumeController against a private PulseAudio server (a step reads only held state);
//  - BrightnessController against an emulated backlight (a step reads sysfs: two small files).
// and of one direct step (adjust(), a gesture made with a modifier held), with, for volume, the
// time until the server reports the new level back.
// Run under umockdev-wrapper, which the brightness half needs:
//   umockdev-wrapper build/Rimglider/bench/level-benchmarks
// and with QT_NO_GLIB=1 for the volume figures on the plain Qt loop.
// GLib's headers first: Qt's `signals` macro breaks their declarations.
#include <umockdev.h>

#include "BrightnessController.h"
#include "EmulatedLaptopPanel.h"
#include "PulseServer.h"
#include "VolumeController.h"

#include <QCoreApplication>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

using namespace rimglider;
using GestureEngineKit::SliderDirection;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int samples = 20000;

void report(const char* what, const std::function<StepResult()>& step)
{
    std::vector<double> nanoseconds;
    nanoseconds.reserve(samples);
    for (int i = 0; i < samples; ++i) {
        const auto start = Clock::now();
        step();
        nanoseconds.push_back(
            double(std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start).count()));
    }
    std::sort(nanoseconds.begin(), nanoseconds.end());
    std::printf("%s step(): median %.2f us, p99 %.2f us over %d calls\n", what, nanoseconds[samples / 2] / 1e3,
                nanoseconds[samples * 99 / 100] / 1e3, samples);
}

// CPU time of this process over one second of running the event loop.
double idleCpuMilliseconds()
{
    timespec before{}, after{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &before);
    QTest::qWait(1000);
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &after);
    return double(after.tv_sec - before.tv_sec) * 1e3 + double(after.tv_nsec - before.tv_nsec) / 1e6;
}

int volume()
{
    const double baseline = idleCpuMilliseconds();
    testing::PulseServer server;
    if (!server.start()) {
        std::fprintf(stderr, "no PulseAudio server\n");
        return 1;
    }
    VolumeController::Options options;
    options.server = server.address();
    VolumeController controller([](int, bool) {}, options);
    controller.start();
    if (!QTest::qWaitFor([&] { return controller.isAdjustable(); })) return 1;
    report("VolumeController", [&] { return controller.step(SliderDirection::up, false); });

    // Direct fine steps, alternating down and up from full: the call itself, then until the
    // level the server reports is the one asked for.
    std::vector<double> call, change;
    for (int i = 0; i < 1000; ++i) {
        const auto direction = i % 2 == 0 ? SliderDirection::down : SliderDirection::up;
        const auto start = Clock::now();
        controller.adjust(direction, 0.015f);
        call.push_back(double(std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start).count()));
        const float want = controller.target().value_or(-1);
        // Woken by the server's answers themselves (qWaitFor would add its own 10 ms naps).
        const auto deadline = start + std::chrono::seconds(2);
        QTimer::singleShot(2100, [] {}); // wakes the wait below if no answer ever comes
        const auto reached = [&] {
            return !controller.target() &&
                   std::abs(controller.volume().value_or(-1) - want) <= VolumeController::levelUnit;
        };
        while (!reached()) {
            if (Clock::now() > deadline) return 1;
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        change.push_back(double(std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start).count()));
    }
    std::sort(call.begin(), call.end());
    std::sort(change.begin(), change.end());
    std::printf("VolumeController adjust(): median %.2f us, p99 %.2f us; step to level reported: median %.2f ms, "
                "p99 %.2f ms over %zu steps\n",
                call[call.size() / 2] / 1e3, call[call.size() * 99 / 100] / 1e3, change[change.size() / 2] / 1e6,
                change[change.size() * 99 / 100] / 1e6, change.size());

    // Connected and idle, libpulse must not keep the loop busy (QT_NO_GLIB=1 measures our adapter).
    std::printf("VolumeController idle on the %s loop: %.2f ms CPU in 1 s (the waiting loop alone: %.2f ms)\n",
                controller.loopInUse() == VolumeController::Loop::glib ? "GLib" : "Qt", idleCpuMilliseconds(),
                baseline);
    return 0;
}

int brightness()
{
    UMockdevTestbed* testbed = umockdev_testbed_new();
    if (!umockdev_in_mock_environment()) {
        std::fprintf(stderr, "run under umockdev-wrapper\n");
        return 1;
    }
    GError* error = nullptr;
    umockdev_testbed_add_from_string(testbed, rimglider::test::laptopPanel().c_str(), &error);
    BrightnessController controller([](int, bool) {});
    controller.start();
    if (!controller.hasBuiltInDisplay()) return 1;
    report("BrightnessController (emulated sysfs)", [&] { return controller.step(SliderDirection::up, false); });
    // Without logind (no system bus here) the level is written to sysfs at once.
    int calls = 0;
    report("BrightnessController adjust() (sysfs write)",
           [&] { return controller.adjust(++calls % 2 ? SliderDirection::up : SliderDirection::down, 1.0f / 64); });
    const auto start = Clock::now();
    for (int i = 0; i < 1000; ++i)
        controller.refresh();
    std::printf("BrightnessController refresh(): mean %.1f us (udev enumeration; not on the step path)\n",
                double(std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count()) / 1000);
    g_object_unref(testbed);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int volumeStatus = volume();
    return brightness() | volumeStatus;
}
