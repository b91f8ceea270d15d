// The input broker: one thread, one epoll loop over the listening socket, the clients, the
// input devices, udev's hot-plug messages, logind's session changes and the stop signals.
// Nothing in it waits: a wake-up comes only from input, a client, a device change or one of its
// deadlines (a connection's HELLO, the virtual keyboard's announcement, the refusal summary and,
// when socket-activated and without clients, the idle exit).
#pragma once

#include "AccessPolicy.h"
#include "ClientConnection.h"
#include "DeviceMonitor.h"
#include "ExclusiveMode.h"
#include "ForceFeedback.h"
#include "GrabWatchdog.h"
#include "InputDevice.h"
#include "SessionMonitor.h"
#include "VirtualKeyboard.h"

#include "RimgliderInput/BrokerProtocol.h"
#include "RimgliderInput/ContextTracker.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace rimglider::inputd {

struct BrokerConfig {
    int listenFd = -1; // a listening SOCK_SEQPACKET socket; the broker owns it
    // Exit after this long without clients; absent: never.
    std::optional<std::chrono::milliseconds> idleExit;
    bool brokerIsRoot = false;
    uid_t brokerUid = 0;
    AccessPolicy::ActiveOnSeat activeOnSeat;
    bool watchDevices = true;   // udev enumeration and hot-plug
    bool followSessions = true; // logind's monitor (only meaningful for a root broker)
    bool handleSignals = true;  // SIGTERM and SIGINT end the loop
    // Open connections one user may hold; one more is answered tooManyClients.
    std::size_t maxClientsPerUser = 256;
    VirtualKeyboard::SinkFactory keySinkFactory;
    // The broker's time for its deadlines (steady_clock when empty); tests move it themselves.
    std::function<std::chrono::steady_clock::time_point()> clock;
    // How long the system has slept since it started (CLOCK_BOOTTIME − CLOCK_MONOTONIC when
    // empty): when it grows, grabbed touchpads are resynced.
    std::function<std::chrono::nanoseconds()> sleptTime;
    // The grab watchdog on a thread of its own; without, tests call checkWatchdog().
    bool watchdogThread = true;
};

class Broker {
  public:
    using TimePoint = std::chrono::steady_clock::time_point;
    static constexpr std::chrono::seconds helloTimeout{2};
    static constexpr std::chrono::seconds refusalReportInterval{10};

    explicit Broker(BrokerConfig config); // throws std::runtime_error when it cannot start
    ~Broker();
    Broker(const Broker&) = delete;
    Broker& operator=(const Broker&) = delete;

    // Runs until a stop signal or the idle deadline. Returns the process exit code.
    int run();
    // One round of the loop, waiting at most `timeoutMs` (−1: until something happens, or the
    // idle deadline). False once the broker should stop.
    bool dispatch(int timeoutMs);
    // Re-checks every client's access, as after a logind change.
    void sessionsChanged();
    // One look of the grab watchdog (when it has no thread of its own).
    void checkWatchdog(TimePoint now) { watchdog_.check(now); }

    [[nodiscard]] std::size_t clientCount() const { return clients_.size(); }

  private:
    enum class Source : std::uint8_t { listener, signal, udev, sessions, device, client };
    struct Watch {
        Source source;
        int fd;
    };
    struct Device {
        DeviceNode node;
        std::unique_ptr<InputDevice> input;
        std::optional<broker::TouchpadInfo> touchpad; // set for touchpads
        std::unique_ptr<ForceFeedback> forceFeedback;
        std::unique_ptr<ExclusiveMode> exclusive; // for touchpads; goes before `input`
        std::vector<broker::WireEvent> pending;   // the touchpad's frame being read
        bool frameStarted = false;                // part of that frame went out already
        std::uint64_t token = 0;
    };
    struct Client {
        std::unique_ptr<ClientConnection> connection;
        std::uint64_t token = 0;
        std::uint32_t interest = 0;
        bool closing = false;
        bool overLimit = false; // its HELLO is answered tooManyClients
        std::uint32_t swallowedPresses = 0;
        TimePoint helloBy{}; // closed unless greeted by then
    };

    std::uint64_t watch(Source source, int fd, std::uint32_t events);
    void unwatch(std::uint64_t token, int fd);

    TimePoint now() const { return config_.clock(); }
    std::optional<TimePoint> nextDeadline() const;
    void runDeadlines();

    void acceptClients();
    void turnAway(int fd, uid_t uid, broker::ErrorCode code, const char* why);
    void noteRefusal(uid_t uid, const char* why);
    void reportRefusals();
    void pauseAccepting(bool pause);
    void readClient(std::uint64_t token);
    void writeClient(std::uint64_t token);
    void handleRequest(Client& client, const broker::ClientMessage& message);
    void send(Client& client, broker::Message message, std::uint32_t serial, ClientConnection::Kind kind,
              std::uint32_t stream = 0);
    // The whole state of a touchpad or of the held modifiers: the answer to the subscription
    // with serial `answering`, or (absent) a stream's restart.
    void sendState(Client& client, std::uint32_t deviceId, std::optional<std::uint32_t> answering);
    void sendModifiers(Client& client, std::optional<std::uint32_t> answering);
    void closeClient(std::uint64_t token, const char* why);
    void updateInterest(Client& client);
    bool serving(const Client& client) const;
    bool allowed(uid_t uid) const;

    void addDevice(const DeviceNode& node);
    void removeDevice(const std::string& syspath);
    void readDevice(std::uint64_t token);
    void forwardFrame(Device& device);
    void handleExclusive(Client& client, const broker::ClientMessage& message);
    // What the touchpad's exclusive mode has to tell clients.
    void deliverNotices(Device& device);
    // Clients leaving exclusive mode without asking: gone, suspended.
    void leaveExclusive(std::uint64_t token, broker::ExclusiveReason reason);
    void checkSleep();
    void forwardContext(const input_event& event);
    Device* touchpad(std::uint32_t deviceId);

    BrokerConfig config_;
    int epoll_ = -1;
    int signalFd_ = -1;
    std::unique_ptr<DeviceMonitor> deviceMonitor_;
    std::unique_ptr<SessionMonitor> sessionMonitor_;
    VirtualKeyboard keyboard_;
    ContextTracker context_; // one tracker over every keyboard: the held set is global
    GrabWatchdog watchdog_;
    std::chrono::nanoseconds slept_{};

    std::uint64_t nextToken_ = 1;
    std::uint64_t listenerToken_ = 0;
    bool acceptPaused_ = false; // out of descriptors: the listener is not watched
    bool keyboardPrepared_ = false;
    std::size_t unreportedRefusals_ = 0;
    std::optional<TimePoint> lastRefusalReport_;
    std::map<std::uint64_t, Watch> watches_;
    std::map<std::uint64_t, Client> clients_;
    std::map<std::uint64_t, Device> devices_;
    std::uint32_t nextDeviceId_ = 1;
    std::vector<std::uint64_t> closing_;
    bool stop_ = false;
    TimePoint idleSince_;
};

} // namespace rimglider::inputd
