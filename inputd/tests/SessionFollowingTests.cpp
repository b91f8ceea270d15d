// A root broker following logind, driven in-process: the session answer is a seam the test
// flips, the peer's uid is the real SO_PEERCRED one.
#include "InProcessBroker.h"
#include "RecordingKeys.h"

#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

using namespace rimglider::broker;
using namespace rimglider::inputd;
using rimglider::inputd::test::TestClient;

namespace {

// The uid the test's connections carry: an ordinary user. As root the test connects as nobody.
uid_t ordinaryUid()
{
    return geteuid() == 0 ? 65534 : geteuid();
}

class SessionFollowing : public ::testing::Test {
  protected:
    BrokerConfig config()
    {
        BrokerConfig c;
        c.brokerIsRoot = true;
        c.brokerUid = 0;
        c.activeOnSeat = [this](uid_t uid) { return active_.contains(uid); };
        c.keySinkFactory = keys_.factory();
        c.clock = [this] { return now_; };
        return c;
    }

    std::chrono::steady_clock::time_point now_ = std::chrono::steady_clock::now();
    std::set<uid_t> active_;
    test::RecordingKeys keys_;
    test::InProcessBroker broker_{config()};
};

} // namespace

TEST_F(SessionFollowing, UserIsSuspendedWhileItsSessionIsInactiveAndResumedAfter)
{
    const uid_t user = ordinaryUid();
    active_ = {user};
    const auto client = broker_.connectAs(user);
    client->send(Hello{1}, 1);
    const Welcome welcome = broker_.expect<Welcome>(*client);
    EXPECT_EQ(welcome.uid, user);
    EXPECT_TRUE(welcome.brokerIsRoot);
    client->send(SubscribeKeys{}, 2);
    EXPECT_TRUE(broker_.expect<Modifiers>(*client).modifiers.isEmpty());
    now_ += VirtualKeyboard::announceTimeout; // udev never announces the recording keyboard
    client->send(PostSystemKey{SystemKey::mute, false}, 3);
    broker_.settle();
    EXPECT_EQ(keys_.events.size(), 4u);

    active_.clear(); // switched away: another user's session is active now
    broker_.broker().sessionsChanged();
    broker_.expect<Suspended>(*client);
    broker_.broker().sessionsChanged(); // still inactive: no second notice
    for (const Request& refused : std::vector<Request>{PostSystemKey{SystemKey::mute, false}, PlayEffect{1, 1}}) {
        client->send(refused, 4);
        const auto message = broker_.next(*client);
        ASSERT_TRUE(message);
        EXPECT_EQ(message->serial, 4u);
        EXPECT_EQ(std::get<Error>(message->message).code, ErrorCode::refused);
    }
    EXPECT_EQ(keys_.events.size(), 4u);
    client->send(SubscribeKeys{}, 6); // answered, with nothing held as far as it may know
    EXPECT_TRUE(broker_.expect<Modifiers>(*client).modifiers.isEmpty());
    broker_.settle();
    EXPECT_FALSE(client->receive(std::chrono::milliseconds(0)));

    active_ = {user};
    broker_.broker().sessionsChanged();
    broker_.expect<Resumed>(*client);
    broker_.expect<Modifiers>(*client); // the key stream restarts with the held set
}

TEST_F(SessionFollowing, UserWithoutActiveSessionIsRefusedOnConnectingAndRootIsAlwaysServed)
{
    const auto stranger = broker_.connectAs(ordinaryUid());
    stranger->send(Hello{1}, 7);
    const auto refused = broker_.next(*stranger);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->serial, 0u); // before any request was read
    EXPECT_EQ(std::get<Error>(refused->message).code, ErrorCode::refused);
    EXPECT_TRUE(broker_.closed(*stranger));
    EXPECT_EQ(broker_.broker().clientCount(), 0u);

    if (geteuid() != 0) return; // only a root test process can connect as root
    const auto root = broker_.connectAs(0);
    root->send(Hello{1}, 8);
    broker_.expect<Welcome>(*root);
    broker_.broker().sessionsChanged(); // nobody's session is active: root is not affected
    broker_.settle();
    EXPECT_FALSE(root->receive(std::chrono::milliseconds(0)));
}

TEST_F(SessionFollowing, AnotherUsersSilentConnectionsNeverCrowdOutTheSessionUser)
{
    if (geteuid() != 0) GTEST_FAIL() << "connecting as another user needs root (CI runs as root)";
    constexpr int many = 300; // beyond any per-user limit
    const uid_t user = 1000;
    active_ = {user};
    // User nobody, without a session: one thread takes nobody's credentials (the raw system call
    // changes only the calling thread's, and a connection carries its connecting thread's),
    // connects many times, counts the refusals it can read and leaves every connection open.
    // A thread rather than a forked child: nothing can be left holding a lock at a fork.
    std::atomic<int> refused = -1;
    std::vector<std::unique_ptr<TestClient>> held;
    std::thread nobody([&] {
        int count = 0;
        try {
            if (syscall(SYS_setresuid, 65534, 65534, 65534) != 0) throw std::runtime_error("setresuid");
            for (int i = 0; i < many; ++i)
                held.push_back(std::make_unique<TestClient>(broker_.socketPath()));
            for (const auto& c : held) {
                const auto m = c->receive();
                count += m && std::get<Error>(m->message).code == ErrorCode::refused ? 1 : 0;
            }
        } catch (const std::exception&) {
        }
        refused = count;
    });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (refused < 0 && std::chrono::steady_clock::now() < deadline)
        broker_.broker().dispatch(10);
    nobody.join();
    EXPECT_EQ(refused, many);
    EXPECT_EQ(broker_.broker().clientCount(), 0u);

    const auto own = broker_.connectAs(user);
    own->send(Hello{1}, 1);
    broker_.expect<Welcome>(*own);
}
