// Who a root broker following logind lets in, driven in-process: the session answer is a seam the
// test flips, the peer's uid is the real SO_PEERCRED one (refusals are read before any request, with
// serial 0). Suspension: SuspendedDeliveryTests.
#include "InProcessBroker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

using namespace rimglider::broker;
using namespace rimglider::inputd;
using rimglider::inputd::test::TestClient;

TEST(SessionFollowing, OnlyTheSessionUserAndRootAreServedAndOtherUsersNeverCrowdThemOut)
{
    if (geteuid() != 0) GTEST_FAIL() << "connecting as another user needs root (CI runs as root)";
    constexpr int many = 300; // beyond any per-user limit
    const uid_t user = 1000;
    bool userActive = true;
    BrokerConfig config;
    config.brokerIsRoot = true;
    config.activeOnSeat = [&](uid_t uid) { return userActive && uid == user; };
    test::InProcessBroker broker(config);
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
                held.push_back(std::make_unique<TestClient>(broker.socketPath()));
            for (const auto& c : held) {
                const auto m = c->receive();
                count += m && m->serial == 0 && std::get<Error>(m->message).code == ErrorCode::refused ? 1 : 0;
            }
        } catch (const std::exception&) {
        }
        refused = count;
    });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (refused < 0 && std::chrono::steady_clock::now() < deadline)
        broker.broker().dispatch(10);
    nobody.join();
    EXPECT_EQ(refused, many);
    EXPECT_EQ(broker.broker().clientCount(), 0u);

    const auto own = broker.greeted(user);

    const auto root = broker.greeted(0);
    userActive = false;
    broker.broker().sessionsChanged(); // nobody's session is active: root is not affected
    broker.expect<Suspended>(*own);
    EXPECT_FALSE(root->receive(std::chrono::milliseconds(0)));
}
