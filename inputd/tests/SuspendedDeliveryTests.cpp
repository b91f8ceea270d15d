// Session following with input flowing: a root broker on an emulated touchpad that a keyboard
// shares, its session answer a seam the test flips, the peer's uid the real SO_PEERCRED one.
#include "ExclusiveRig.h"
#include "RecordingKeys.h"
#include "TestData.h"

#include <gtest/gtest.h>

using namespace rimglider;
using namespace rimglider::broker;
using namespace rimglider::inputd;
using namespace rimglider::inputd::test;
using namespace rimglider::test;

TEST(SuspendedDelivery, InactiveUserGetsNoInputNorKeysAndPostsNothingUntilResumedWithAFreshState)
{
    if (geteuid() != 0) GTEST_FAIL() << "connecting as another user needs root (CI runs as root)";
    bool active = true;
    RecordingKeys keys;
    BrokerConfig config;
    config.brokerIsRoot = true;
    config.activeOnSeat = [&active](uid_t) { return active; };
    config.keySinkFactory = keys.factory();
    DeviceDescription cover = alpsDescription(); // a keyboard shares the node: keys are input too
    cover.codes[EV_KEY].insert(KEY_A);
    ExclusiveRig rig(cover, {"ID_INPUT=1", "ID_INPUT_TOUCHPAD=1", "ID_INPUT_KEY=1", "ID_INPUT_KEYBOARD=1"}, config);
    const auto client = rig.connect(false, 65534);
    client->send(SubscribeKeys{}, 5);
    rig.expect<Modifiers>(*client);
    rig.now += VirtualKeyboard::announceTimeout; // udev never announces the recording keyboard
    client->send(PostSystemKey{SystemKey::mute, false}, 6);
    rig.broker.settle();
    EXPECT_EQ(keys.events.size(), 4u);

    active = false; // switched away: another user's session is active now
    rig.broker.broker().sessionsChanged();
    ASSERT_TRUE(std::holds_alternative<Suspended>(rig.broker.next(*client)->message));
    rig.broker.broker().sessionsChanged(); // still inactive: no second notice
    for (const Request& refused : std::vector<Request>{PostSystemKey{SystemKey::mute, false}, PlayEffect{1, 1}}) {
        client->send(refused, 7);
        EXPECT_EQ(rig.broker.expect<Error>(*client).code, ErrorCode::refused);
    }
    rig.write({ev(EV_ABS, ABS_X, 11), ev(EV_KEY, KEY_A, 1), syn}); // read: root's own connection sees it
    rig.broker.settle();
    EXPECT_FALSE(client->receive(std::chrono::milliseconds(0)));
    EXPECT_EQ(keys.events.size(), 4u);

    active = true;
    rig.broker.broker().sessionsChanged();
    ASSERT_TRUE(std::holds_alternative<Resumed>(rig.broker.next(*client)->message));
    const Events state = rig.expect<Events>(*client); // the key stream restarts too
    EXPECT_TRUE(state.isState);
    EXPECT_TRUE(std::any_of(state.events.begin(), state.events.end(),
                            [](const WireEvent& e) { return e.code == ABS_X && e.value == 11; }));
    rig.write({ev(EV_ABS, ABS_X, 12), syn});
    const Events live = rig.expect<Events>(*client);
    EXPECT_FALSE(live.isState);
    EXPECT_EQ(live.events.front().value, 12);
}
