// Key presses, modifier changes and button presses of the whole system, for the gesture
// engine and the click guard. The input broker observes the keyboards and pointing devices;
// the tap is a second broker connection, subscribed to its key stream and read on the thread
// "com.kelpo.rimglider.eventTap". The tap only observes: every event it hears of has reached the
// desktop already, unless the input service swallowed it (a press of a touchpad held in
// exclusive mode, decided by the service from the guard state TouchInput sends ahead). The guard
// counts the presses it judges part of a gesture; the debug window tells which really were.
//
// Losing the broker (stopped, or no longer serving this user) is the tap being disabled: the
// reader connects again when the broker is back.
#pragma once

#include "ClickGuard.h"
#include "GesturePipeline.h"

#include "RimgliderInput/BrokerConnection.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace rimglider {

class EventTap {
  public:
    static inline const std::string threadLabel = "com.kelpo.rimglider.eventTap";

    struct Options {
        std::string socketPath = broker::socketPath();
        // Between connection attempts while the broker is away, and after it refused this
        // user (it logs every refusal).
        std::chrono::milliseconds reconnectInterval{2000};
        std::chrono::milliseconds refusedInterval{30000};
        // For connecting.
        std::chrono::milliseconds answerTimeout{1000};
    };

    static EventTap& shared();

    EventTap(GesturePipeline& pipeline, ClickGuard& clickGuard, Options options);
    ~EventTap();
    EventTap(const EventTap&) = delete;
    EventTap& operator=(const EventTap&) = delete;

    // Main thread, never waits for the broker: starts the reader thread, which connects and
    // subscribes (isRunning() tells when it has), and connects again whenever the broker is
    // away. Nothing while a reader runs already.
    void start();
    // Connected and subscribed, and the broker delivers (not suspended).
    [[nodiscard]] bool isRunning() const;

    // The modifiers physically held now, as the broker last reported them; empty while the tap
    // is not running (nothing known is nothing held). Any thread.
    [[nodiscard]] GestureEngineKit::ModifierState heldModifiers() const
    {
        return GestureEngineKit::ModifierState(held_.load(std::memory_order_relaxed));
    }

    // What the tap would do with an event; observe-only mode does not act on it yet.
    enum class Verdict { pass, drop };

  private:
    struct Reader;
    static std::optional<broker::BrokerConnection> connect(const Options& options, int stopSignal, bool* refused);
    void run(Reader& reader);
    Verdict handle(const broker::Message& message, const Reader& reader);
    void setRunning(const Reader& reader, bool running);
    void stopReader();

    GesturePipeline& pipeline_;
    ClickGuard& clickGuard_;
    const Options options_;

    mutable std::mutex lock_; // running_ and the reader
    bool running_ = false;
    std::unique_ptr<Reader> reader_;
    std::atomic<std::uint8_t> held_{0}; // written by the reader, read by the dispatcher
};

} // namespace rimglider
