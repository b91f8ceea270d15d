// Live touch input figures, with a fake input broker on a socket and a Qt main event loop
// running, as in the application:
//  - frames per second the chain broker socket -> BrokerConnection -> TouchInput (frame
//    assembler) -> GesturePipeline (engine) sustains, for a finger moving in the middle of
//    the pad (no gesture: nothing reaches the main thread);
//  - latency of one frame from the broker's send to the engine's snapshot, median and p99;
//  - the in-process cost of one frame on the reader thread without the socket: decoding the
//    EVENTS message and assembling the frame.
#include "GesturePipeline.h"
#include "SystemClock.h"
#include "TouchInput.h"

#include "RimgliderInput/FrameAssembler.h"
#include "RimgliderInput/Recording.h"

#include "FakeBroker.h"
#include "SocketFolder.h"
#include "TestData.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

using namespace rimglider;
using namespace rimglider::test;
using namespace GestureEngineKit;
using Clock = std::chrono::steady_clock;

namespace {

constexpr std::uint32_t padId = 1;

// A finger in slot 0 of the test touchpad (1000 x 500 units), as the broker batches it.
std::vector<broker::WireEvent> fingerFrame(double t, int x, int y)
{
    const broker::Time time = wireTime(t);
    return {{time, EV_ABS, ABS_MT_SLOT, 0},         {time, EV_ABS, ABS_MT_TRACKING_ID, 1},
            {time, EV_ABS, ABS_MT_POSITION_X, x},   {time, EV_ABS, ABS_MT_POSITION_Y, y},
            {time, EV_ABS, ABS_MT_TOUCH_MAJOR, 90}, {time, EV_SYN, SYN_REPORT, 0}};
}

// Waits until the engine has seen a frame whose contact stands at raw x `x`.
void waitForEngine(GesturePipeline& pipeline, int x)
{
    for (;;) {
        const auto snapshot = pipeline.snapshot();
        if (!snapshot.touches.empty() && snapshot.touches[0].absoluteX == float(x)) return;
        std::this_thread::yield();
    }
}

void measureThroughput(FakeBroker& broker, GesturePipeline& pipeline)
{
    constexpr int frames = 200'000;
    double t = systemUptime();
    broker.sendEvents(padId, fingerFrame(t, 400, 250));
    waitForEngine(pipeline, 400);
    const auto start = Clock::now();
    for (int i = 0; i < frames; ++i) {
        t += 0.001; // reports closer than the keep-alive interval: no repeated frames
        broker.sendEvents(padId, fingerFrame(t, 401 + i % 200, 250 + i % 3));
    }
    broker.sendEvents(padId, fingerFrame(t + 0.001, 700, 250));
    waitForEngine(pipeline, 700);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("broker -> TouchInput -> pipeline: %d frames in %.3f s, %.0f frames per second (%.2f us per frame)\n",
                frames, seconds, frames / seconds, seconds / frames * 1e6);
}

void measureLatency(FakeBroker& broker, GesturePipeline& pipeline)
{
    constexpr int samples = 20'000;
    std::vector<double> latencies;
    latencies.reserve(samples);
    for (int i = 0; i < samples; ++i) {
        const double t = systemUptime();
        const int x = 300 + i % 2; // alternate, so each frame is told from the one before
        const auto sent = Clock::now();
        broker.sendEvents(padId, fingerFrame(t, x, 250));
        waitForEngine(pipeline, x);
        latencies.push_back(std::chrono::duration<double, std::micro>(Clock::now() - sent).count());
    }
    std::sort(latencies.begin(), latencies.end());
    std::printf("broker send -> engine snapshot latency over %d frames: median %.1f us, p99 %.1f us, max %.1f us\n",
                samples, latencies[latencies.size() / 2], latencies[latencies.size() * 99 / 100], latencies.back());
}

void measureReaderCost()
{
    constexpr int frames = 1'000'000;
    const DeviceDescription pad = describedIn("handmade/Rimglider Test Touchpad.desc");
    std::vector<std::vector<std::uint8_t>> packets;
    for (int i = 0; i < 64; ++i)
        packets.push_back(broker::encode(
            broker::BrokerMessage{0, broker::Events{padId, false, fingerFrame(1 + i * 0.01, 400 + i, 250)}}));
    FrameAssembler assembler(pad);
    std::size_t touches = 0;
    const auto start = Clock::now();
    for (int i = 0; i < frames; ++i) {
        const auto message = broker::decodeBrokerMessage(packets[std::size_t(i % 64)]);
        for (const broker::WireEvent& e : std::get<broker::Events>(message->message).events)
            if (auto frame = assembler.push(e.toInputEvent())) touches += frame->touches.size();
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("reader thread without the socket (decode + assemble): %.0f ns per frame (%zu contacts)\n",
                seconds / frames * 1e9, touches);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    SocketFolder folder;
    FakeBroker broker(folder.path());
    broker::TouchpadInfo pad;
    pad.deviceId = padId;
    pad.description = describedIn("handmade/Rimglider Test Touchpad.desc");
    pad.builtIn = true;
    broker.addTouchpad(pad);

    ClickGuard guard;
    GesturePipeline pipeline(guard);
    TouchInput touchInput(TouchInput::Options{.socketPath = folder.path()});
    pipeline.attachTouchInput(touchInput);
    // start() returns at once; the reader thread connects and settles the status.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (touchInput.status() != TouchInput::Status::running(1) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (touchInput.status() != TouchInput::Status::running(1)) {
        std::fprintf(stderr, "touch input not running\n");
        return 1;
    }
    while (broker.touchpadSubscribers(padId) == 0)
        std::this_thread::yield();

    std::thread driver([&] {
        measureLatency(broker, pipeline);
        measureThroughput(broker, pipeline);
        measureReaderCost();
        QMetaObject::invokeMethod(&app, "quit", Qt::QueuedConnection);
    });
    app.exec();
    driver.join();
    touchInput.stop();
    return 0;
}
