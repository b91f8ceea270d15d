// postSystemKey's requests as the input broker sees them: one per key with its fine flag, sent
// once the broker welcomes us, nothing for codes outside the table, a broken connection
// reopened, no broker no harm.
#include "SystemKeys.h"

#include "CaughtLog.h"
#include "Eventually.h"
#include "FakeBroker.h"
#include "SocketFolder.h"

#include <QTest>

#include <gtest/gtest.h>

using namespace rimglider;
using namespace rimglider::test;
using broker::PostSystemKey;
using broker::SystemKey;
using namespace std::chrono_literals;

TEST(SystemKeys, OneRequestPerKeyAfterTheWelcomeNoneForOtherCodesTheOldestDroppedBeyondTheQueue)
{
    SocketFolder folder;
    FakeBroker broker(folder.path());
    broker.holdAnswers(); // connected, no WELCOME yet
    CaughtLog log;
    SystemKeys keys(folder.path());
    for (int code : {0, 1, 2, 3, 4, 5, 6, 7, 8, 15, 16, 17, 18, 19, -1, 256, 255})
        keys.post(code, code % 2 == 1);
    std::vector<PostSystemKey> expected{
        {SystemKey::soundUp, false},       {SystemKey::soundDown, true},      {SystemKey::brightnessUp, false},
        {SystemKey::brightnessDown, true}, {SystemKey::mute, true},           {SystemKey::playPause, false},
        {SystemKey::nextTrack, true},      {SystemKey::previousTrack, false},
    };
    for (std::size_t i = expected.size(); i < SystemKeys::maxQueuedKeys + 2; ++i) {
        keys.post(7, false);
        expected.push_back({SystemKey::mute, false});
    }
    expected.erase(expected.begin(), expected.begin() + 2); // the oldest two, with one line
    EXPECT_EQ(log.messages().size(), 1u);
    ASSERT_TRUE(eventually([&] { return broker.clientCount() == 1; }));
    broker.holdAnswers(false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return broker.requestsOf<PostSystemKey>().size() >= expected.size(); }));
    EXPECT_EQ(broker.requestsOf<PostSystemKey>(), expected);
    EXPECT_EQ(broker.requestsOf<broker::Hello>().size(), 1u); // one connection for all
}

TEST(SystemKeys, ReopensABrokenConnectionAndLosesKeysWithoutBroker)
{
    SocketFolder folder;
    CaughtLog log;
    SystemKeys keys(folder.path());
    keys.post(0, false); // no broker: lost, with a line
    EXPECT_EQ(log.messages().size(), 1u);

    std::optional<FakeBroker> broker(std::in_place, folder.path());
    keys.post(7, false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return broker->requestsOf<PostSystemKey>().size() == 1; }));
    broker->broadcast(broker::Error{broker::ErrorCode::unavailable, "no uinput"}); // answers are not awaited

    broker.emplace(folder.path()); // the broker restarted
    ASSERT_TRUE(QTest::qWaitFor([&] { return keys.post(16, true), !broker->requestsOf<PostSystemKey>().empty(); }));
    EXPECT_EQ(broker->requestsOf<PostSystemKey>().front(), (PostSystemKey{SystemKey::playPause, true}));
}
