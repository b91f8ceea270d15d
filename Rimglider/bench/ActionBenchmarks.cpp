// Action figures, as the application runs them on its main thread:
//  - latency from a slider-step event handed to the dispatcher to the input broker receiving
//    the key request, median and 99th percentile (a stand-in broker on its own thread
//    timestamps each request as it reads it);
//  - the main thread's cost per slider step: the dispatcher, the step decision, one key request
//    on the socket and the haptic choice;
//  - the longest the main thread's event loop stands still while every client of the input
//    service keeps calling a service that accepts connections and never answers.
#include "ActionDispatcher.h"
#include "Actuator.h"
#include "AppSettings.h"
#include "CursorFreeze.h"
#include "EventTap.h"
#include "Haptics.h"
#include "Permissions.h"
#include "SystemKeys.h"
#include "TouchInput.h"
#include "TuningSettings.h"

#include "RimgliderInput/BrokerProtocol.h"

#include <QCoreApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace rimglider;
using namespace GestureEngineKit;
using Clock = std::chrono::steady_clock;

namespace {

// A listening service socket at `path`; the benchmark cannot run without one.
int listenAt(const std::string& path, int backlog)
{
    const int listener = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof(address.sun_path) - 1);
    if (::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        ::listen(listener, backlog) != 0) {
        std::perror(path.c_str());
        std::exit(2);
    }
    return listener;
}

// Accepts one client, welcomes it and timestamps every request it reads.
class TimestampingBroker {
  public:
    explicit TimestampingBroker(const std::string& path) : listener_(listenAt(path, 1))
    {
        thread_ = std::thread([this] { serve(); });
    }
    ~TimestampingBroker()
    {
        ::shutdown(client_.load(), SHUT_RDWR);
        thread_.join();
        ::close(listener_);
    }

    std::size_t count() const
    {
        std::lock_guard guard(lock_);
        return received_.size();
    }
    Clock::time_point at(std::size_t i) const
    {
        std::lock_guard guard(lock_);
        return received_[i];
    }

  private:
    void serve()
    {
        const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        client_ = fd;
        std::array<std::uint8_t, broker::maxRequestSize> buffer{};
        for (;;) {
            const ssize_t size = ::recv(fd, buffer.data(), buffer.size(), 0);
            const auto now = Clock::now();
            if (size <= 0) break;
            const auto decoded = broker::decodeRequest(std::span(buffer.data(), std::size_t(size)));
            if (!decoded.message) break;
            if (std::holds_alternative<broker::Hello>(decoded.message->request)) {
                const auto welcome = broker::encode(broker::BrokerMessage{decoded.serial, broker::Welcome{}});
                ::send(fd, welcome.data(), welcome.size(), MSG_NOSIGNAL);
                continue;
            }
            std::lock_guard guard(lock_);
            received_.push_back(now);
        }
        ::close(fd);
    }

    int listener_ = -1;
    std::atomic<int> client_{-1};
    std::thread thread_;
    mutable std::mutex lock_;
    std::vector<Clock::time_point> received_;
};

double percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    return values[std::size_t(p * double(values.size() - 1))];
}

struct HungServiceFigures {
    double worstCall = 0; // ms, the longest public call of a client
    std::string worstCallName;
    std::vector<double> gaps; // ms between turns of the event loop
};

// Every public call of the main thread's service clients, over and over, against a listener
// that never accepts: how long each call takes, and the gaps between turns of the event loop
// (which also hold the clients' own event handlers, and any preemption by a busy machine).
HungServiceFigures withHungService(const std::string& path, QCoreApplication& app, AppSettings& settings,
                                   TuningSettings& tuning)
{
    const int listener = listenAt(path, 4096);
    ClickGuard guard;
    GesturePipeline pipeline(guard, [] { return 0.0; });
    TouchInput input({.socketPath = path});
    EventTap tap(pipeline, guard, EventTap::Options{.socketPath = path});
    SystemKeys keys(path);
    Actuator actuator(path);
    Haptics haptics(settings, tuning, actuator);
    Permissions permissions(Permissions::brokerQuery(path), QDBusConnection(QString()), {});
    permissions.startPolling();

    HungServiceFigures figures;
    const std::vector<std::pair<const char*, std::function<void()>>> calls{
        {"TouchInput::stop", [&] { input.stop(); }}, // as on every wake and session switch
        {"TouchInput::start", [&] { input.start(); }},
        {"EventTap::start", [&] { tap.start(); }},
        {"SystemKeys::post", [&] { keys.post(0, false); }},
        {"Haptics::play", [&] { haptics.play(HapticPattern::generic); }},
        {"Actuator::actuate", [&] { actuator.actuate(1); }},
        {"Permissions::refresh", [&] { permissions.refresh(); }},
    };
    QTimer caller;
    caller.callOnTimeout([&] {
        for (const auto& [name, call] : calls) {
            const auto start = Clock::now();
            call();
            const double took = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
            if (took > figures.worstCall) figures = {took, name, std::move(figures.gaps)};
        }
    });
    caller.start(20);
    auto last = Clock::now();
    QTimer probe; // every turn of the loop
    probe.callOnTimeout([&] {
        const auto now = Clock::now();
        figures.gaps.push_back(std::chrono::duration<double, std::milli>(now - last).count());
        last = now;
    });
    probe.start(0);
    QTimer::singleShot(3000, &app, &QCoreApplication::quit);
    app.exec();
    input.stop();
    ::close(listener);
    return figures;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const std::string socketPath = dir.filePath(QStringLiteral("inputd.sock")).toStdString();
    TimestampingBroker broker(socketPath);
    SystemKeys keys(socketPath);

    QSettings store(dir.filePath(QStringLiteral("Rimglider.conf")), QSettings::IniFormat);
    AppSettings settings(store);
    TuningSettings tuning(store);
    CursorFreeze freeze([](std::chrono::milliseconds, std::function<void()>) {});
    // The volume step as the controller makes it: a level already known, one key posted.
    float level = 0.5f;
    std::atomic<std::uint8_t> held{0};
    ActionDispatcher dispatcher(settings, tuning, freeze,
                                ActionDispatcher::Outputs{[&](SliderDirection direction, bool fine) {
                                                              keys.post(direction == SliderDirection::up ? 0 : 1, fine);
                                                              return level >= 0.999f ? StepResult::atLimit
                                                                                     : StepResult::stepped;
                                                          },
                                                          {},
                                                          [] { return true; },
                                                          [] { return true; },
                                                          [&](int code, bool fine) { keys.post(code, fine); },
                                                          [](HapticPattern) {},
                                                          [](std::chrono::milliseconds, std::function<void()>) {},
                                                          // nothing held, read as the tap's atomic is
                                                          [&] { return ModifierState(held.load()); },
                                                          {},
                                                          {},
                                                          {}});

    constexpr int samples = 20000;
    std::vector<double> latencies, costs;
    latencies.reserve(samples);
    costs.reserve(samples);
    const GestureEvent step = GestureEvent::sliderStep(Zone::right, SliderDirection::up, false);
    dispatcher.handle(step); // connects; the key goes out once the WELCOME is read on the event loop
    while (broker.count() < 1)
        QCoreApplication::processEvents();
    for (int i = 0; i < samples; ++i) {
        const std::size_t before = broker.count();
        const auto start = Clock::now();
        dispatcher.handle(step);
        const auto handled = Clock::now();
        while (broker.count() == before)
            std::this_thread::yield();
        costs.push_back(std::chrono::duration<double, std::micro>(handled - start).count());
        latencies.push_back(std::chrono::duration<double, std::micro>(broker.at(before) - start).count());
    }
    std::printf("slider step -> broker receives the key request: median %.1f us, p99 %.1f us (target p99 <= 1000 us)\n",
                percentile(latencies, 0.5), percentile(latencies, 0.99));
    std::printf("main-thread cost per slider step: median %.1f us, p99 %.1f us\n", percentile(costs, 0.5),
                percentile(costs, 0.99));

    const std::string hungPath = dir.filePath(QStringLiteral("hung.sock")).toStdString();
    const HungServiceFigures hung = withHungService(hungPath, app, settings, tuning);
    std::printf("service that never answers: worst main-thread call %.2f ms (%s), event loop gaps p99.9 %.2f ms, "
                "worst %.2f ms, over 3 s (target <= 5 ms)\n",
                hung.worstCall, hung.worstCallName.c_str(), percentile(hung.gaps, 0.999),
                *std::max_element(hung.gaps.begin(), hung.gaps.end()));
    return 0;
}
