// Raw finger contacts of the touchpad, as touch frames for one installed handler.
//
// The input broker owns the devices; TouchInput is its client. Its reader thread (the
// "callback thread") holds the broker connection, subscribes to the chosen touchpad, turns
// its kernel events into frames with the frame assembler, fills the gaps a resting finger
// leaves, follows hot-plug, and reconnects when the broker comes back. Frames carry the
// kernel's event times (CLOCK_MONOTONIC, the clock of every input).
//
// Exclusive mode (inputd/PROTOCOL.md) rides on the same connection: the service grabs the chosen
// touchpad and shows the desktop a clone without the contacts hidden here, and swallows the
// presses the click guard state sent ahead says belong to a gesture. Requests go out without
// waiting for an answer; the service's PINGs are answered on the reader thread.
#pragma once

#include "TouchFrameSource.h"

#include "RimgliderInput/BrokerConnection.h"
#include "RimgliderInput/EvdevDevice.h"
#include "RimgliderInput/FrameAssembler.h"

#include "GestureEngineKit/TouchTypes.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace rimglider {

class TouchInput : public TouchFrameSource {
  public:
    struct Status {
        enum class Kind : std::uint8_t { running, unavailable, stopped };
        Kind kind = Kind::stopped;
        long deviceCount = 0; // running: the number of touchpads
        std::string message;  // unavailable: why

        static Status running(long deviceCount) { return {Kind::running, deviceCount, {}}; }
        static Status unavailable(std::string message) { return {Kind::unavailable, 0, std::move(message)}; }
        static Status stopped() { return {}; }
        friend bool operator==(const Status&, const Status&) = default;
    };
    // The broker cannot be reached or does not serve this user.
    static inline const std::string notAvailableMessage = "MultitouchSupport is not available";
    // The broker cannot list its devices.
    static inline const std::string noDevicesMessage = "No multitouch devices";
    // No touchpad is present.
    static inline const std::string noTrackpadMessage = "No trackpad found";

    using Clock = std::function<double()>;

    struct Options {
        std::string socketPath = broker::socketPath();
        Clock clock{}; // system uptime when empty; decides when keep-alive frames are due
        // Between connection attempts while the broker is away, and after it refused this
        // user (it logs every refusal; the session's return restarts us anyway).
        std::chrono::milliseconds reconnectInterval{2000};
        std::chrono::milliseconds refusedInterval{30000};
        // For the connection and for the device list.
        std::chrono::milliseconds answerTimeout{1000};
    };

    // A keep-alive frame is sent this long after it is due, so that events the broker has
    // read but not yet delivered are not overtaken by a repeated frame.
    static constexpr double keepAliveSlack = 0.005;
    // The clock fills gaps only while the frames are at most this far behind it.
    static constexpr double maxClockLag = 1.0;

    static TouchInput& shared();

    explicit TouchInput(Options options);
    ~TouchInput() override;
    TouchInput(const TouchInput&) = delete;
    TouchInput& operator=(const TouchInput&) = delete;

    // Main thread, never waits for the broker: start() returns at once and the reader thread
    // connects, settles the status and reports it through the change handler; while started,
    // a lost broker is looked for again every reconnectInterval. stop() ends a connection
    // attempt in progress at once.
    void start() override;
    void stop();

    // Replaces the frame handler; it is called on the reader thread, outside the lock, and
    // stays installed across stop() and start().
    void setOnFrame(FrameHandler handler) override;
    // Called after the status or the chosen touchpad changed (its size may have), on the
    // reader thread or in start()/stop().
    void setOnChange(std::function<void()> handler);

    [[nodiscard]] Status status() const;
    // The chosen touchpad, and its surface when it reports a resolution.
    [[nodiscard]] std::optional<broker::TouchpadInfo> device() const;
    [[nodiscard]] std::optional<SurfaceSize> surfaceSize() const;

    // Any thread, never waits. Asked for on every touchpad chosen while wanted (a service of
    // protocol version 1 only observes).
    void setExclusiveWanted(bool wanted);
    // Hides a contact of the chosen touchpad, by its touch id (the touchpad's tracking id), from
    // the desktop until it lifts; hide = false shows it again. Nothing while not exclusive.
    void hideContact(std::int32_t touchId, bool hide);
    // The click guard's state, for the service to decide presses itself. Times are seconds of
    // the input clock.
    void setClickGuard(bool guarding, const std::vector<std::int32_t>& claimed, double guardUntil, double window);
    // What the service last said of exclusive mode on the chosen touchpad.
    [[nodiscard]] broker::Exclusive exclusive() const;

  private:
    void run();
    bool connect();
    bool isStopping();
    bool waitBeforeReconnect();
    void handle(broker::BrokerMessage& message);
    void handleEvents(const broker::Events& events);
    void touchpadAdded(broker::TouchpadInfo info);
    void touchpadGone(std::uint32_t deviceId);
    void choose(std::optional<std::uint32_t> preferred = std::nullopt);
    void subscribe(const broker::TouchpadInfo& touchpad);
    void brokerLost();
    void endContacts();
    void fillKeepAlive();
    std::optional<double> clockKeepAliveDue() const;
    std::chrono::milliseconds receiveTimeout() const;
    void deliver(GestureEngineKit::TouchFrame frame);
    void setStatus(Status status);
    void changed();
    void dropConnection();
    void handleExclusive(const broker::Exclusive& told);
    bool sendWhileExclusive(const broker::Request& request); // under lock_

    const Options options_;
    const Clock clock_;

    mutable std::mutex lock_; // every field below but the reader's own
    std::shared_ptr<const FrameHandler> onFrame_;
    std::shared_ptr<const std::function<void()>> onChange_;
    Status status_;
    std::vector<broker::TouchpadInfo> devices_;
    std::optional<std::uint32_t> chosen_;
    std::optional<broker::BrokerConnection> connection_; // used by the reader; replaced under lock_
    bool stopping_ = false;
    bool exclusiveWanted_ = false;
    broker::Exclusive exclusive_;                     // of the chosen touchpad
    std::optional<broker::SetClickGuard> clickGuard_; // last sent ahead; again on a new grab
    std::condition_variable wake_;                    // stop(), for the wait before reconnecting
    const int stopSignal_;                            // an eventfd stop() writes: ends a connection attempt's wait
    std::thread reader_;

    // The reader's own.
    std::optional<FrameAssembler> assembler_; // from the touchpad's state batch on
    double lastFrameTime_ = 0;
    std::optional<double> lastKeepAlive_; // the clock's latest keep-alive since the last report
    bool lastFrameTouched_ = false;
    std::uint32_t nextSerial_ = 1;
    bool refused_ = false; // the last attempt was refused
};

} // namespace rimglider
