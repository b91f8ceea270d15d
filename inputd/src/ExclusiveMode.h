// Exclusive mode of one touchpad: which client holds it, the grab, the clone and what the clone
// shows. States:
//   off        nothing grabbed, no clone;
//   arming     a client holds it and the clone exists; the grab waits for a moment with no
//              finger and no button down;
//   exclusive  grabbed: every frame goes to the clone as soon as its SYN_REPORT is read, without
//              what the client hides or its click guard swallows;
//   releasing  still grabbed, nobody holds it (left, gone, silent, suspended): plain pass-through
//              until the next moment nothing is down, then the grab and the clone end.
// Each state has its handler and every transition happens in one of them; time is passed in.
// What clients are to be told comes out as notices, taken by the broker.
#pragma once

#include "ContactFilter.h"
#include "GrabWatchdog.h"
#include "InputDevice.h"
#include "TouchpadClone.h"

#include "RimgliderInput/BrokerProtocol.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace rimglider::inputd {

class ExclusiveMode {
  public:
    using TimePoint = std::chrono::steady_clock::time_point;
    using Client = std::uint64_t; // the broker's token of a connection
    // While a contact is down on a grabbed touchpad, its holder is pinged this often and must
    // answer within pongTimeout, or it has stopped answering.
    static constexpr std::chrono::milliseconds pingInterval{250};
    static constexpr std::chrono::milliseconds pongTimeout{500};

    struct Notice {
        enum class Kind : std::uint8_t { status, swallowed, ping } kind;
        Client client;
        broker::ExclusiveState state = broker::ExclusiveState::off;
        broker::ExclusiveReason reason = broker::ExclusiveReason::none;
        std::uint32_t count = 0; // swallowed: presses; ping: its token
    };

    // `key`: the device's name for the watchdog.
    ExclusiveMode(InputDevice& device, const broker::TouchpadInfo& info, GrabWatchdog& watchdog, std::uint64_t key);
    ~ExclusiveMode();
    ExclusiveMode(const ExclusiveMode&) = delete;
    ExclusiveMode& operator=(const ExclusiveMode&) = delete;

    // SET_EXCLUSIVE; the answer for `client`.
    broker::Exclusive request(Client client, bool on, TimePoint now);
    // The client left exclusive mode without asking: gone, suspended, unsubscribed.
    void leave(Client client, broker::ExclusiveReason reason, TimePoint now);
    // HIDE_CONTACT and SET_CLICK_GUARD; false unless `client` holds the grabbed touchpad.
    bool hide(Client client, std::int32_t trackingId, bool hide, TimePoint now);
    bool guard(Client client, const broker::SetClickGuard& guard, TimePoint now);
    void pong(Client client, std::uint32_t token);

    // Every event read from the touchpad that the touchpad filter lets through.
    void event(const input_event& event, TimePoint now);
    void removed(TimePoint now);
    void watchdogTripped(TimePoint now);
    [[nodiscard]] std::optional<TimePoint> deadline() const;
    void expire(TimePoint now);

    [[nodiscard]] bool grabbed() const { return state_ == State::exclusive || state_ == State::releasing; }
    std::vector<Notice> takeNotices() { return std::exchange(notices_, {}); }

  private:
    enum class State : std::uint8_t { off, arming, exclusive, releasing };
    enum class Event : std::uint8_t {
        asked,   // the client wants exclusive mode
        left,    // the client gave it up, or lost it (reason)
        idle,    // nothing is down on the real touchpad
        stalled, // the watchdog let go of the grab
        failed,  // the clone did not take a frame
        removed, // the touchpad went away
    };
    struct Input {
        Event event;
        Client client = 0;
        broker::ExclusiveReason reason = broker::ExclusiveReason::none;
    };

    void handle(const Input& input, TimePoint now);
    void handleOff(const Input& input, TimePoint now);
    void handleArming(const Input& input, TimePoint now);
    void handleExclusive(const Input& input, TimePoint now);
    void handleReleasing(const Input& input, TimePoint now);

    bool makeClone();
    bool startGrab(TimePoint now);
    void endGrab(bool letGo, TimePoint now); // ungrabs, lifts what the clone holds (when asked), removes it
    void write(const ContactFilter::Frames& frames);
    void afterWrites(TimePoint now);
    void tell(Client client, broker::ExclusiveState state, broker::ExclusiveReason reason);

    InputDevice& device_;
    broker::TouchpadInfo info_;
    GrabWatchdog& watchdog_;
    std::uint64_t key_;
    State state_ = State::off;
    std::optional<Client> holder_;
    broker::ExclusiveReason refusal_ = broker::ExclusiveReason::none; // of the last refused ask
    std::optional<Client> answering_; // whose request is being answered: its answer tells it
    DeviceDescription cloneDescription_;
    std::unique_ptr<TouchpadClone> clone_;
    std::optional<ContactFilter> filter_;
    bool writeFailed_ = false;
    struct Ping {
        std::uint32_t token;
        TimePoint sent;
    };
    std::optional<Ping> ping_;
    TimePoint lastPing_{};
    std::vector<Notice> notices_;
};

} // namespace rimglider::inputd
