// A touchpad driven step by step by the test: an emulated pad that answers grabs (FakeEvdev), the
// emulated /dev/uinput that records its clone (FakeUinput), and a broker run in the test's thread
// on the test's clock, with its grab watchdog checked by hand. Clients speak protocol version 2.
#pragma once

#include "EmulatedInput.h"
#include "FakeEvdev.h"
#include "FakeUinput.h"
#include "InProcessBroker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace rimglider::inputd::test {

// Events at time 0: ExclusiveRig::write gives them their seconds.
inline input_event ev(std::uint16_t type, std::uint16_t code, std::int32_t value)
{
    return {{}, type, code, value};
}
inline const input_event syn = ev(EV_SYN, SYN_REPORT, 0);

inline std::vector<input_event> finger(int slot, int id, int x = 3000)
{
    return std::vector<input_event>({ev(EV_ABS, ABS_MT_SLOT, slot), ev(EV_ABS, ABS_MT_TRACKING_ID, id),
                                     ev(EV_ABS, ABS_MT_POSITION_X, x), ev(EV_ABS, ABS_MT_POSITION_Y, 3000),
                                     ev(EV_KEY, BTN_TOUCH, 1), ev(EV_KEY, BTN_TOOL_FINGER, 1), syn});
}
inline std::vector<input_event> lift(int slot)
{
    return {ev(EV_ABS, ABS_MT_SLOT, slot), ev(EV_ABS, ABS_MT_TRACKING_ID, -1), ev(EV_KEY, BTN_TOUCH, 0),
            ev(EV_KEY, BTN_TOOL_FINGER, 0), syn};
}
inline std::vector<input_event> button(bool down)
{
    return {ev(EV_KEY, BTN_LEFT, down ? 1 : 0), syn};
}
inline bool has(const std::vector<input_event>& frame, std::uint16_t type, std::uint16_t code, int value)
{
    return std::any_of(frame.begin(), frame.end(),
                       [&](const input_event& e) { return e.type == type && e.code == code && e.value == value; });
}

class ExclusiveRig {
  public:
    using Frames = std::vector<std::vector<input_event>>;

    explicit ExclusiveRig(const DeviceDescription& description, std::vector<std::string> udev = builtInTouchpad,
                          BrokerConfig config = {})
        : pad(emulation, description, 30, udev), broker(withClock(std::move(config)), true)
    {}

    // A connection that listed and subscribed to the pad (and asked for exclusive mode).
    std::unique_ptr<TestClient> connect(bool exclusive = true, uid_t uid = geteuid())
    {
        auto client = broker.greeted(uid, 2);
        client->send(broker::ListTouchpads{}, 2);
        deviceId = expect<broker::Touchpad>(*client).info.deviceId;
        expect<broker::ListEnd>(*client);
        client->send(broker::SubscribeTouchpad{deviceId}, 3);
        expect<broker::Events>(*client);
        if (exclusive) {
            EXPECT_EQ(ask(*client).state, broker::ExclusiveState::active);
        }
        return client;
    }
    broker::Exclusive ask(TestClient& client)
    {
        client.send(broker::SetExclusive{deviceId, true}, 4);
        return expect<broker::Exclusive>(client);
    }

    // The next message of kind T for `client`, turning the loop; others on the way are skipped.
    template <class T>
    T expect(TestClient& client)
    {
        for (;;) {
            auto message = broker.next(client);
            if (!message) throw std::runtime_error("no message from the broker");
            if (const T* m = std::get_if<T>(&message->message)) return *m;
        }
    }
    // Writes into the pad, every event stamped with a time of its own, and turns the loop until the
    // broker has read it: a client of the test's own user that never holds exclusive mode sees that
    // time come by. (A SYN_DROPPED's resync drains what is queued behind it: nothing may follow one.)
    void write(std::vector<input_event> events)
    {
        if (!witness_) witness_ = connect(false);
        const broker::Time stamp{1000 + ++writes_, 0};
        for (input_event& e : events)
            e.input_event_sec = stamp.seconds;
        emulation.write(pad.node(), events);
        for (;;)
            for (const broker::WireEvent& e : expect<broker::Events>(*witness_).events)
                if (e.time == stamp) return;
    }
    // The frames written to the pad's (latest) clone, each checked to end with SYN_REPORT.
    Frames cloneFrames() const
    {
        Frames frames(1);
        for (const input_event& e : clone().written) {
            frames.back().push_back(e);
            if (e.type == EV_SYN && e.code == SYN_REPORT) frames.emplace_back();
        }
        EXPECT_TRUE(frames.back().empty()) << "a frame written to the clone did not end with SYN_REPORT";
        frames.pop_back();
        return frames;
    }
    FakeUinput::Device clone() const { return uinput.device(pad.name()); }

    // The contacts and keys the clone holds after everything written to it.
    std::pair<int, int> heldDown() const
    {
        std::map<int, int> tracking;
        std::set<int> keys;
        int slot = 0;
        for (const input_event& e : clone().written) {
            if (e.type == EV_ABS && e.code == ABS_MT_SLOT) slot = e.value;
            if (e.type == EV_ABS && e.code == ABS_MT_TRACKING_ID) tracking[slot] = e.value;
            if (e.type == EV_KEY && e.value) keys.insert(e.code);
            if (e.type == EV_KEY && !e.value) keys.erase(e.code);
        }
        return {int(std::count_if(tracking.begin(), tracking.end(), [](const auto& t) { return t.second >= 0; })),
                int(keys.size())};
    }

    EmulatedInput emulation;
    FakeUinput uinput{emulation};
    FakeEvdev pad;
    std::chrono::steady_clock::time_point now = std::chrono::steady_clock::now();
    std::chrono::nanoseconds slept{};
    InProcessBroker broker;
    std::uint32_t deviceId = 0;

  private:
    BrokerConfig withClock(BrokerConfig config)
    {
        config.clock = [this] { return now; };
        config.sleptTime = [this] { return slept; };
        config.watchdogThread = false;
        return config;
    }

    std::unique_ptr<TestClient> witness_;
    long writes_ = 0;
};

} // namespace rimglider::inputd::test
