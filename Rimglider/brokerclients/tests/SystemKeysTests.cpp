// postSystemKey's requests as the input broker sees them: one per key with its fine flag,
// nothing for codes outside the table, a broken connection reopened, no broker no harm.
#include "SystemKeys.h"

#include "Eventually.h"
#include "FakeBroker.h"
#include "SocketFolder.h"

#include <gtest/gtest.h>

using namespace rimglider;
using namespace rimglider::test;
using broker::PostSystemKey;
using broker::SystemKey;
using namespace std::chrono_literals;

TEST(SystemKeys, OneRequestPerKeyWithItsFineFlagAndNoneForOtherCodes)
{
    SocketFolder folder;
    FakeBroker broker(folder.path());
    SystemKeys keys(folder.path());
    for (int code : {0, 1, 2, 3, 4, 5, 6, 7, 8, 15, 16, 17, 18, 19, -1, 256, 255})
        keys.post(code, code % 2 == 1);
    const std::vector<PostSystemKey> expected{
        {SystemKey::soundUp, false},       {SystemKey::soundDown, true},      {SystemKey::brightnessUp, false},
        {SystemKey::brightnessDown, true}, {SystemKey::mute, true},           {SystemKey::playPause, false},
        {SystemKey::nextTrack, true},      {SystemKey::previousTrack, false},
    };
    ASSERT_TRUE(eventually([&] { return broker.requestsOf<PostSystemKey>().size() >= expected.size(); }));
    EXPECT_EQ(broker.requestsOf<PostSystemKey>(), expected);
    EXPECT_EQ(broker.requestsOf<broker::Hello>().size(), 1u); // one connection for all
}

TEST(SystemKeys, ReopensABrokenConnectionAndLosesKeysSilentlyWithoutBroker)
{
    SocketFolder folder;
    SystemKeys keys(folder.path());
    keys.post(0, false); // no broker: lost, quietly

    std::optional<FakeBroker> broker(std::in_place, folder.path());
    keys.post(7, false);
    ASSERT_TRUE(eventually([&] { return broker->requestsOf<PostSystemKey>().size() == 1; }));
    broker->broadcast(broker::Error{broker::ErrorCode::unavailable, "no uinput"}); // answers are not awaited

    broker.emplace(folder.path()); // the broker restarted
    keys.post(16, true);
    ASSERT_TRUE(eventually([&] { return broker->requestsOf<PostSystemKey>().size() == 1; }));
    EXPECT_EQ(broker->requestsOf<PostSystemKey>(), (std::vector<PostSystemKey>{{SystemKey::playPause, true}}));
}
