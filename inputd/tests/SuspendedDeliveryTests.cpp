// Session following with input flowing: an in-process root broker on an emulated touchpad.
#include "EmulatedInput.h"
#include "InProcessBroker.h"
#include "TestData.h"

#include <gtest/gtest.h>

#include <set>

using namespace rimglider;
using namespace rimglider::broker;
using namespace rimglider::inputd;
using namespace rimglider::inputd::test;
using namespace rimglider::test;

namespace {

input_event frame(std::int32_t x, std::uint16_t type = EV_ABS, std::uint16_t code = ABS_X)
{
    input_event e{};
    e.input_event_sec = 600;
    e.input_event_usec = 600000;
    e.type = type;
    e.code = code;
    e.value = x;
    return e;
}

} // namespace

TEST(SuspendedDelivery, InactiveUserGetsNoInputUntilResumedWithAFreshState)
{
    EmulatedInput emulation;
    const auto node = emulation.add(alpsDescription(), 14, {"ID_INPUT=1", "ID_INPUT_TOUCHPAD=1"});
    const uid_t user = geteuid() == 0 ? 65534 : geteuid();
    std::set<uid_t> active = {user};
    BrokerConfig config;
    config.brokerIsRoot = true;
    config.activeOnSeat = [&active](uid_t uid) { return active.contains(uid); };
    InProcessBroker broker(config, true);

    const auto client = broker.connectAs(user);
    client->send(Hello{1}, 1);
    ASSERT_TRUE(broker.next(*client));
    client->send(ListTouchpads{}, 2);
    const auto listed = broker.next(*client);
    ASSERT_TRUE(listed);
    const std::uint32_t id = std::get<Touchpad>(listed->message).info.deviceId;
    ASSERT_TRUE(broker.next(*client)); // LIST_END
    client->send(SubscribeTouchpad{id}, 3);
    ASSERT_TRUE(std::get<Events>(broker.next(*client)->message).isState);
    // Root is never suspended: what reaches it shows what the broker has read.
    std::unique_ptr<TestClient> witness;
    if (geteuid() == 0) {
        witness = broker.connectAs(0);
        for (const Request& r : std::vector<Request>{Hello{1}, SubscribeTouchpad{id}}) {
            witness->send(r, 9);
            ASSERT_TRUE(broker.next(*witness));
        }
    }

    active.clear();
    broker.broker().sessionsChanged();
    ASSERT_TRUE(std::holds_alternative<Suspended>(broker.next(*client)->message));
    emulation.write(node, {frame(11), frame(0, EV_SYN, SYN_REPORT)});
    if (witness) {
        ASSERT_EQ(std::get<Events>(broker.next(*witness)->message).events.front().value, 11);
        broker.settle();
        EXPECT_FALSE(client->receive(std::chrono::milliseconds(0))); // read by the broker, not delivered
    } else {
        EXPECT_FALSE(broker.next(*client));
    }

    active = {user};
    broker.broker().sessionsChanged();
    ASSERT_TRUE(std::holds_alternative<Resumed>(broker.next(*client)->message));
    const Events state = std::get<Events>(broker.next(*client)->message);
    EXPECT_TRUE(state.isState);
    EXPECT_TRUE(std::any_of(state.events.begin(), state.events.end(),
                            [](const WireEvent& e) { return e.code == ABS_X && e.value == 11; }));
    emulation.write(node, {frame(12), frame(0, EV_SYN, SYN_REPORT)});
    const Events live = std::get<Events>(broker.next(*client)->message);
    EXPECT_FALSE(live.isState);
    EXPECT_EQ(live.events.front().value, 12);
}
