// Gesture pipeline figures with a Qt main event loop running, as in the application:
//  - latency from submit() on an input thread to the subscriber call on the main thread,
//    median and 99th percentile, for inputs that produce events;
//  - throughput of silent frames (no events: no main-thread work at all).
#include "GesturePipeline.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

using namespace rimglider;
using namespace GestureEngineKit;
using Clock = std::chrono::steady_clock;

namespace {

TouchFrame frameAt(double t, float x, float y)
{
    return TouchFrame{t, {TouchSample{.id = 1, .state = 4, .x = x, .y = y, .majorAxis = 9}}};
}

void measureLatency(GesturePipeline& pipeline)
{
    constexpr int samples = 20000;
    std::vector<double> latencies;
    latencies.reserve(samples);
    std::atomic<Clock::rep> submittedAt{0};
    std::atomic<int> received{0};
    pipeline.addSink([&](const std::vector<GestureEvent>&) {
        const auto now = Clock::now().time_since_epoch().count();
        latencies.push_back(double(now - submittedAt.load()) / 1e3); // microseconds
        received.fetch_add(1);
    });
    double t = 1000;
    for (int i = 0; i < samples; ++i) {
        // Alternately a finger landing on the right edge (claimed) and lifting (released).
        const TouchFrame frame = i % 2 == 0 ? frameAt(t, 0.95f, 0.5f) : TouchFrame{t, {}};
        t += 0.5;
        submittedAt = Clock::now().time_since_epoch().count();
        pipeline.submitFrame(frame);
        while (received.load() <= i)
            std::this_thread::yield(); // one at a time: pure latency
    }
    std::sort(latencies.begin(), latencies.end());
    std::printf("submit -> sink latency over %d inputs: median %.1f us, p99 %.1f us, max %.1f us\n", samples,
                latencies[latencies.size() / 2], latencies[latencies.size() * 99 / 100], latencies.back());
}

void measureThroughput(GesturePipeline& pipeline)
{
    constexpr int frames = 2'000'000;
    // A finger resting in the middle of the pad: the engine ignores it, nothing is delivered.
    const TouchFrame resting = frameAt(5000, 0.5f, 0.5f);
    pipeline.submitFrame(resting);
    pipeline.waitUntilProcessed();
    const auto start = Clock::now();
    for (int i = 0; i < frames; ++i)
        pipeline.submitFrame(resting);
    pipeline.waitUntilProcessed();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("silent frames: %d in %.3f s, %.2f million frames per second\n", frames, seconds,
                frames / seconds / 1e6);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ClickGuard guard;
    GesturePipeline pipeline(guard);
    std::thread input([&] {
        measureLatency(pipeline);
        measureThroughput(pipeline);
        QMetaObject::invokeMethod(&app, "quit", Qt::QueuedConnection);
    });
    app.exec();
    input.join();
    return 0;
}
