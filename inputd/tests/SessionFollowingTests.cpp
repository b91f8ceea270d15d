// Who a root broker following logind lets in, driven in-process: the session answer is a seam the
// test flips, the peer's uid is the real SO_PEERCRED one. Suspension: SuspendedDeliveryTests.
#include "InProcessBroker.h"

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
        return c;
    }

    std::set<uid_t> active_;
    test::InProcessBroker broker_{config()};
};

} // namespace

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
