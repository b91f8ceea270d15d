#include "InProcessBroker.h"

#include <gtest/gtest.h>

using namespace rimglider::broker;
using namespace rimglider::inputd;

TEST(BrokerLifecycle, SocketActivatedBrokerStaysWhileServingAndLeavesWhenIdle)
{
    BrokerConfig config;
    config.brokerUid = geteuid();
    config.idleExit = std::chrono::milliseconds(0); // the deadline has always passed
    test::InProcessBroker broker(config);
    {
        const auto client = broker.connectAs(geteuid());
        client->send(Hello{1}, 1);
        EXPECT_TRUE(broker.broker().dispatch(0)); // a connection waiting at the deadline is served
        ASSERT_TRUE(broker.next(*client));
        for (int round = 0; round < 5; ++round)
            EXPECT_TRUE(broker.broker().dispatch(0)); // an idle client keeps it
    }
    bool running = true;
    for (int round = 0; round < 5 && running; ++round)
        running = broker.broker().dispatch(0);
    EXPECT_FALSE(running);
    EXPECT_EQ(broker.broker().clientCount(), 0u);
}

TEST(BrokerLifecycle, ClientsBeyondTheLimitAreRefused)
{
    BrokerConfig config;
    config.brokerUid = geteuid();
    config.maxClients = 1;
    test::InProcessBroker broker(config);
    const auto first = broker.connectAs(geteuid());
    first->send(Hello{1}, 1);
    ASSERT_TRUE(broker.next(*first));

    const auto second = broker.connectAs(geteuid());
    const auto refused = broker.next(*second);
    ASSERT_TRUE(refused);
    EXPECT_EQ(std::get<Error>(refused->message).code, ErrorCode::refused);
    EXPECT_TRUE(broker.closed(*second));

    first->send(ListTouchpads{}, 2); // the first is still served
    const auto answer = broker.next(*first);
    ASSERT_TRUE(answer);
    EXPECT_TRUE(std::holds_alternative<ListEnd>(answer->message));
}

TEST(BrokerLifecycle, UnprivilegedBrokerRefusesOtherUsers)
{
    if (geteuid() != 0) GTEST_FAIL() << "connecting as another user needs root (CI runs as root)";
    BrokerConfig config;
    config.brokerIsRoot = false;
    config.brokerUid = 1000; // a development broker of user 1000
    test::InProcessBroker broker(config);
    const auto own = broker.connectAs(1000);
    own->send(Hello{1}, 1);
    const auto welcome = broker.next(*own);
    ASSERT_TRUE(welcome);
    EXPECT_FALSE(std::get<Welcome>(welcome->message).brokerIsRoot);
    const auto root = broker.connectAs(0);
    root->send(Hello{1}, 2);
    const auto refused = broker.next(*root);
    ASSERT_TRUE(refused);
    EXPECT_EQ(std::get<Error>(refused->message).code, ErrorCode::refused);
}
