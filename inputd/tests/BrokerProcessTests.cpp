// The real broker as a child process, on devices emulated by umockdev, seen through its socket.
#include "BrokerProcess.h"
#include "EmulatedInput.h"
#include "TestClient.h"
#include "TestData.h"

#include <gtest/gtest.h>

#include <array>

using namespace rimglider;
using namespace rimglider::broker;
using namespace rimglider::inputd::test;
using namespace rimglider::test;

namespace {

using Triple = std::array<int, 3>; // type, code, value
const auto key = [](int code, int value) { return Triple{EV_KEY, code, value}; };
const auto axis = [](int code, int value) { return Triple{EV_ABS, code, value}; };
const auto other = [](int type, int code, int value) { return Triple{type, code, value}; };
const Triple syn{EV_SYN, SYN_REPORT, 0};

// Kernel events at time t, and the same as the broker sends them.
std::vector<input_event> at(Time t, const std::vector<Triple>& events)
{
    std::vector<input_event> out;
    for (const auto& [type, code, value] : events)
        out.push_back({{t.seconds, t.microseconds}, std::uint16_t(type), std::uint16_t(code), value});
    return out;
}
std::vector<WireEvent> wire(Time t, const std::vector<Triple>& events)
{
    std::vector<WireEvent> out;
    for (const auto& [type, code, value] : events)
        out.push_back({t, std::uint16_t(type), std::uint16_t(code), value});
    return out;
}

const DeviceDescription keyboard{
    "Rimglider Test Keyboard",
    {BUS_USB, 0x1234, 0x5678, 1},
    {},
    {{EV_SYN, {SYN_REPORT}},
     {EV_KEY, {KEY_ESC, KEY_A, KEY_B, KEY_Z, KEY_SPACE, KEY_LEFTSHIFT, KEY_RIGHTALT, KEY_LEFTCTRL}}},
    {},
    {}};
const DeviceDescription mouse{
    "Rimglider Test Mouse",
    {BUS_USB, 0x1234, 0x9999, 1},
    {},
    {{EV_SYN, {SYN_REPORT}}, {EV_KEY, {BTN_LEFT, BTN_RIGHT, BTN_MIDDLE}}, {EV_REL, {REL_X, REL_Y}}},
    {},
    {}};

class BrokerOnEmulatedDevices : public ::testing::Test {
  protected:
    void start() { broker = std::make_unique<BrokerProcess>(INPUTD_PATH, emulation.directory()); }
    void TearDown() override
    {
        if (!broker) return;
        EXPECT_EQ(broker->stop(), 0);
        if (HasFailure()) std::cerr << "broker log:\n" << broker->log();
    }

    std::unique_ptr<TestClient> connect() const
    {
        auto client = std::make_unique<TestClient>(broker->socket());
        client->hello();
        return client;
    }

    // The touchpads LIST_TOUCHPADS reports.
    static std::vector<TouchpadInfo> list(const TestClient& client, std::uint32_t serial = 2)
    {
        client.send(ListTouchpads{}, serial);
        std::vector<TouchpadInfo> pads;
        for (;;) {
            const auto message = client.receive();
            if (!message) throw std::runtime_error("no LIST_END");
            EXPECT_EQ(message->serial, serial);
            if (std::holds_alternative<ListEnd>(message->message)) return pads;
            pads.push_back(std::get<Touchpad>(message->message).info);
        }
    }

    // Events of `deviceId` until `count` have come (state batches excluded).
    static std::vector<WireEvent> collect(const TestClient& client, std::uint32_t deviceId, std::size_t count)
    {
        std::vector<WireEvent> events;
        while (events.size() < count) {
            const auto message = client.receive();
            if (!message) break;
            const auto* batch = std::get_if<Events>(&message->message);
            if (!batch || batch->deviceId != deviceId || batch->isState) continue;
            events.insert(events.end(), batch->events.begin(), batch->events.end());
        }
        return events;
    }

    EmulatedInput emulation;
    std::unique_ptr<BrokerProcess> broker;
};

} // namespace

TEST_F(BrokerOnEmulatedDevices, KeyStreamTellsOnlyThatAKeyWentDownAndWhichModifiersAreHeld)
{
    const auto keys = emulation.add(keyboard, 6, {"ID_INPUT=1", "ID_INPUT_KEY=1", "ID_INPUT_KEYBOARD=1"});
    const auto pointer = emulation.add(mouse, 7, {"ID_INPUT=1", "ID_INPUT_MOUSE=1"});
    start();
    const auto client = connect();
    client->send(SubscribeKeys{}, 4);
    EXPECT_TRUE(client->expect<Modifiers>().modifiers.isEmpty());

    const Time t1{200, 200000}, t2{201, 300000}, t3{201, 400000};
    emulation.write(
        keys, at(t1, {key(KEY_A, 1), syn, key(KEY_Z, 1), syn, key(KEY_Z, 2), syn})); // autorepeat: not a new press
    emulation.write(keys, at(t2, {key(KEY_A, 0), key(KEY_Z, 0), key(KEY_LEFTSHIFT, 1), key(KEY_RIGHTALT, 1), syn}));
    emulation.write(keys, at(t3, {key(KEY_SPACE, 1), key(KEY_LEFTSHIFT, 0), key(KEY_RIGHTALT, 0), syn}));
    using GestureEngineKit::ModifierState;
    // Another key at the same time gives the same bytes: no key code.
    const std::vector<Message> expected({KeyDown{t1}, KeyDown{t1}, Modifiers{t2, ModifierState::shift},
                                         Modifiers{t2, {ModifierState::shift, ModifierState::option}}, KeyDown{t3},
                                         Modifiers{t3, ModifierState::option}, Modifiers{t3, {}}});
    for (const Message& message : expected) {
        const auto bytes = client->receiveRaw();
        ASSERT_TRUE(bytes);
        EXPECT_EQ(*bytes, encode(BrokerMessage{0, message}));
    }

    const Time t4{202, 500000};
    emulation.write(pointer, at(t4, {other(EV_REL, REL_X, 5), key(BTN_RIGHT, 1), syn, key(BTN_RIGHT, 0), syn}));
    EXPECT_EQ(client->expect<Button>(), (Button{t4, 1, true}));
    EXPECT_EQ(client->expect<Button>(), (Button{t4, 1, false}));
    EXPECT_FALSE(client->receive(std::chrono::milliseconds(50))); // relative motion is never sent

    // A keyboard unplugged with Ctrl held does not leave Ctrl held.
    emulation.write(keys, at(t4, {key(KEY_LEFTCTRL, 1), syn}));
    EXPECT_EQ(client->expect<Modifiers>().modifiers, ModifierState::control);
    emulation.remove(keys);
    EXPECT_TRUE(client->expect<Modifiers>().modifiers.isEmpty());
}

TEST_F(BrokerOnEmulatedDevices, KeyboardSharingATouchpadsNodeSendsNoKeyAndALateSubscriberGetsTheHeldContact)
{
    DeviceDescription cover = alpsDescription();
    cover.name = "Rimglider Test Keyboard Cover";
    cover.codes[EV_KEY].insert({KEY_A, KEY_ENTER});
    cover.codes[EV_MSC] = {MSC_SCAN, MSC_TIMESTAMP};
    cover.codes[EV_LED] = {LED_CAPSL};
    const auto node =
        emulation.add(cover, 15, {"ID_INPUT=1", "ID_INPUT_TOUCHPAD=1", "ID_INPUT_KEY=1", "ID_INPUT_KEYBOARD=1"});
    start();
    const auto client = connect();
    const TouchpadInfo pad = list(*client).at(0);
    EXPECT_FALSE(pad.description.has(EV_KEY, KEY_A)); // not even which keys it has
    EXPECT_TRUE(pad.description.has(EV_KEY, BTN_TOUCH));
    EXPECT_EQ(pad.description.codes.at(EV_MSC), std::set<std::uint16_t>{MSC_TIMESTAMP});
    EXPECT_FALSE(pad.description.codes.contains(EV_LED));
    client->send(SubscribeKeys{}, 3);
    EXPECT_EQ(client->receive()->serial, 3u);
    client->send(SubscribeTouchpad{pad.deviceId}, 4);
    EXPECT_EQ(client->receive()->serial, 4u);

    const Time t{700, 100000}, u{700, 200000};
    emulation.write(node, at(t, {other(EV_MSC, MSC_SCAN, 0x1e), key(KEY_A, 1), syn}));
    const std::vector<Triple> touch({axis(ABS_MT_SLOT, 0), axis(ABS_MT_TRACKING_ID, 7), axis(ABS_MT_POSITION_X, 500),
                                     axis(ABS_MT_POSITION_Y, 300), axis(ABS_X, 500), axis(ABS_Y, 300),
                                     axis(ABS_PRESSURE, 40), other(EV_MSC, MSC_SCAN, 0x1c), key(KEY_ENTER, 1),
                                     key(BTN_TOUCH, 1), key(BTN_TOOL_FINGER, 1), other(EV_MSC, MSC_TIMESTAMP, 8000),
                                     other(EV_LED, LED_CAPSL, 1), syn});
    emulation.write(node, at(u, touch));
    // The keys reach the key stream as keys do; the touchpad stream has no frame for the first, and
    // the second without its scan code, key and LED.
    EXPECT_EQ(client->expect<KeyDown>().time, t);
    EXPECT_EQ(client->expect<KeyDown>().time, u);
    std::vector<Triple> forwarded;
    std::copy_if(touch.begin(), touch.end(), std::back_inserter(forwarded), [](const Triple& e) {
        return e != other(EV_MSC, MSC_SCAN, 0x1c) && e != key(KEY_ENTER, 1) && e[0] != EV_LED;
    });
    EXPECT_EQ(client->expect<Events>().events, wire(u, forwarded));
    EXPECT_FALSE(client->receive(std::chrono::milliseconds(50)));

    // A late subscriber learns the held contact, stamped with the time the state was taken; A and
    // Enter are held too, and left out all the same.
    const auto late = connect();
    late->send(SubscribeTouchpad{pad.deviceId}, 5);
    const Events state = late->expect<Events>();
    ASSERT_TRUE(state.isState);
    ASSERT_FALSE(state.events.empty());
    EXPECT_EQ(state.events, wire(state.events.front().time,
                                 {axis(ABS_MT_SLOT, 0), axis(ABS_MT_TRACKING_ID, 7), axis(ABS_MT_POSITION_X, 500),
                                  axis(ABS_MT_POSITION_Y, 300), axis(ABS_MT_SLOT, 1), axis(ABS_MT_TRACKING_ID, -1),
                                  axis(ABS_MT_SLOT, 0), axis(ABS_X, 500), axis(ABS_Y, 300), axis(ABS_PRESSURE, 40),
                                  key(BTN_TOOL_FINGER, 1), key(BTN_TOUCH, 1), syn}));
}

TEST_F(BrokerOnEmulatedDevices, TouchpadsComingAndGoingAreAnnouncedAsTheyAre)
{
    start();
    const auto client = connect();
    EXPECT_TRUE(list(*client).empty()); // a client that listed is told of touchpads coming and going
    const DeviceDescription recorded = alpsDescription();
    const auto node = emulation.add(recorded, 8, builtInTouchpad);
    const auto message = client->receive();
    ASSERT_TRUE(message);
    EXPECT_EQ(message->serial, 0u);
    const TouchpadInfo added = std::get<Touchpad>(message->message).info;
    EXPECT_TRUE(added.description.hasUdevProperty("ID_INPUT_TOUCHPAD=1"));
    EXPECT_FALSE(added.description.hasUdevProperty("SUBSYSTEM=input")); // only ID_* and LIBINPUT_*
    EXPECT_TRUE(added.builtIn);
    EXPECT_FALSE(added.forceFeedback);
    EXPECT_EQ(added.seat, "seat0");
    EXPECT_EQ(list(*client).size(), 1u);

    emulation.remove(node);
    EXPECT_EQ(client->expect<TouchpadRemoved>().deviceId, added.deviceId);
    EXPECT_TRUE(list(*client).empty()); // requests for it are answered as for no such touchpad

    // A pad coming back is a new device with a new id.
    emulation.add(recorded, 9, builtInTouchpad);
    EXPECT_GT(std::get<Touchpad>(client->receive()->message).info.deviceId, added.deviceId);
}

TEST_F(BrokerOnEmulatedDevices, SlowClientBlocksNobodyAndIsToldWhatItMissed)
{
    const auto node = emulation.add(alpsDescription(), 10, builtInTouchpad);
    start();
    const auto slow = connect();
    const auto fast = connect();
    const std::uint32_t id = list(*fast).at(0).deviceId;
    for (const auto* c : {slow.get(), fast.get()}) {
        c->send(SubscribeTouchpad{id}, 3);
        ASSERT_TRUE(c->expect<Events>().isState);
    }

    // Far more than the slow client's socket and its 1 MiB queue hold. Written in small steps
    // paced by the fast client: the emulated node is a pty, which splits large writes mid-event.
    constexpr int frames = 20000, framesPerWrite = 13;
    for (int first = 0; first < frames; first += framesPerWrite) {
        std::vector<input_event> events;
        for (int i = first; i < std::min(frames, first + framesPerWrite); ++i) {
            const auto frame = at({300 + i / 1000, std::uint32_t(100000 + (i % 1000) * 100)},
                                  {axis(ABS_X, i % 1000), axis(ABS_Y, i % 600), syn});
            events.insert(events.end(), frame.begin(), frame.end());
        }
        emulation.write(node, events);
        const auto got = collect(*fast, id, events.size());
        ASSERT_EQ(got.size(), events.size()) << "frame " << first;
        EXPECT_EQ(got.front().value, first % 1000);
    }

    // The broker still answers everyone while the slow client's data waits.
    const auto third = connect();
    EXPECT_EQ(list(*third).size(), 1u);

    std::size_t before = 0;
    for (;;) {
        const auto message = slow->receive();
        ASSERT_TRUE(message) << "no DROPPED after " << before << " batches";
        if (const auto* dropped = std::get_if<Dropped>(&message->message)) {
            EXPECT_EQ(dropped->deviceId, id);
            break;
        }
        ++before;
    }
    EXPECT_GT(before, 0u);
    EXPECT_LT(before, std::size_t(frames));
    const Events state = slow->expect<Events>();
    EXPECT_TRUE(state.isState);
    EXPECT_EQ(state.deviceId, id);
}

TEST_F(BrokerOnEmulatedDevices, LostEventsAreResyncedNotForwarded)
{
    const auto node = emulation.add(alpsDescription(), 11, builtInTouchpad);
    start();
    const auto client = connect();
    const std::uint32_t id = list(*client).at(0).deviceId;
    client->send(SubscribeTouchpad{id}, 3);
    ASSERT_TRUE(client->expect<Events>().isState);

    const Time t{400, 100000};
    emulation.write(node, at(t, {axis(ABS_MT_SLOT, 0), axis(ABS_MT_TRACKING_ID, 7), axis(ABS_MT_POSITION_X, 500),
                                 key(BTN_TOUCH, 1), syn, other(EV_SYN, SYN_DROPPED, 0)}));
    ASSERT_EQ(collect(*client, id, 5).size(), 5u);
    // Then libevdev's resync towards the device's real state (the emulation's: no contact, no
    // key), in frames, without the SYN_DROPPED. It ends with the keys.
    std::vector<WireEvent> resync;
    auto has = [&](std::uint16_t type, std::uint16_t code, std::int32_t value) {
        return std::any_of(resync.begin(), resync.end(),
                           [&](const WireEvent& e) { return e.type == type && e.code == code && e.value == value; });
    };
    while (!has(EV_KEY, BTN_TOUCH, 0)) {
        const Events batch = client->expect<Events>();
        EXPECT_FALSE(batch.isState);
        ASSERT_FALSE(batch.events.empty());
        EXPECT_EQ(batch.events.back().code, SYN_REPORT);
        resync.insert(resync.end(), batch.events.begin(), batch.events.end());
    }
    EXPECT_FALSE(has(EV_SYN, SYN_DROPPED, 0));
    EXPECT_TRUE(has(EV_ABS, ABS_MT_TRACKING_ID, -1));
    EXPECT_FALSE(has(EV_ABS, ABS_MT_TRACKING_ID, 7));

    // Reading goes on normally afterwards (written only now: a resync discards what was queued).
    const Time later{400, 300000};
    emulation.write(node, at(later, {axis(ABS_X, 9), syn}));
    EXPECT_EQ(client->expect<Events>().events, wire(later, {axis(ABS_X, 9), syn}));
}
