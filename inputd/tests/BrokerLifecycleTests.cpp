#include "InProcessBroker.h"

#include <gtest/gtest.h>

using namespace rimglider::broker;
using namespace rimglider::inputd;

TEST(BrokerLifecycle, SocketActivatedBrokerStaysWhileServingAndLeavesWhenIdle)
{
    BrokerConfig config;
    config.idleExit = std::chrono::milliseconds(0); // the deadline has always passed
    test::InProcessBroker broker(config);
    {
        const auto client = broker.connectAs(geteuid());
        client->send(Hello{1}, 1);
        EXPECT_TRUE(broker.broker().dispatch(0)); // a connection waiting at the deadline is served
        broker.expect<Welcome>(*client);
        for (int round = 0; round < 5; ++round)
            EXPECT_TRUE(broker.broker().dispatch(0)); // an idle client keeps it
    }
    bool running = true;
    for (int round = 0; round < 5 && running; ++round)
        running = broker.broker().dispatch(0);
    EXPECT_FALSE(running);
    EXPECT_EQ(broker.broker().clientCount(), 0u);
}

TEST(BrokerLifecycle, ConnectionsBeyondTheUsersLimitAreToldSoReadably)
{
    BrokerConfig config;
    config.maxClientsPerUser = 2;
    test::InProcessBroker broker(config);
    const auto first = broker.greeted();
    const auto second = broker.greeted();

    // One more: its HELLO is answered, then it is closed.
    const auto third = broker.connectAs(geteuid());
    third->send(Hello{1}, 9);
    EXPECT_EQ(broker.refusal(*third), std::pair(9u, ErrorCode::tooManyClients));

    // Beyond as many again waiting for their answer, a connection is told at once.
    const auto waiting1 = broker.connectAs(geteuid());
    const auto waiting2 = broker.connectAs(geteuid());
    broker.settle();
    const auto sixth = broker.connectAs(geteuid());
    EXPECT_EQ(broker.refusal(*sixth), std::pair(0u, ErrorCode::tooManyClients));

    first->send(ListTouchpads{}, 3); // the first are still served
    broker.expect<ListEnd>(*first);
}

TEST(BrokerLifecycle, ConnectionWithoutHelloIsClosedAfterTwoSeconds)
{
    auto now = std::chrono::steady_clock::now();
    BrokerConfig config;
    config.clock = [&now] { return now; };
    test::InProcessBroker broker(config);
    const auto silent = broker.connectAs(geteuid());
    const auto greeted = broker.greeted();

    now += Broker::helloTimeout - std::chrono::milliseconds(1);
    broker.settle();
    EXPECT_EQ(broker.broker().clientCount(), 2u);
    now += std::chrono::milliseconds(1);
    EXPECT_TRUE(broker.closed(*silent));
    EXPECT_EQ(broker.broker().clientCount(), 1u);
}

TEST(BrokerLifecycle, EveryReplyCarriesItsRequestsSerialAndBadInputCostsOnlyItsOwnConnection)
{
    test::InProcessBroker broker({}); // no devices, no virtual keyboard
    const auto client = broker.connectAs(geteuid());
    using Bytes = std::vector<std::uint8_t>;
    const std::vector<std::pair<std::variant<Request, Bytes>, Message>> exchanges = {
        {Hello{1}, Welcome{}},
        {ListTouchpads{}, ListEnd{}},
        {SubscribeKeys{}, Modifiers{}},
        {SubscribeTouchpad{99}, Error{ErrorCode::noSuchDevice, {}}},
        {PostSystemKey{SystemKey::mute, false}, Error{ErrorCode::unavailable, {}}},
        {PlayEffect{99, 1}, EffectResult{ENODEV}},
        {SetExclusive{99, true}, Error{ErrorCode::unknownRequest, {}}}, // not in version 1
        {Hello{1}, Error{ErrorCode::badArgument, {}}},
        {Bytes{0x99, 0, 0, 0, 0x09, 0, 1, 0}, Error{ErrorCode::unknownRequest, {}}},
        {Bytes{0x07, 0, 0, 0, 0x0a, 0, 1, 0, 4, 0}, Error{ErrorCode::badArgument, {}}}, // system key 4: none such
    };
    std::uint32_t serial = 0x10000;
    for (const auto& [request, answer] : exchanges) {
        ++serial; // the raw requests carry theirs (their place in the table) in their header
        if (const auto* bytes = std::get_if<Bytes>(&request))
            client->sendRaw(*bytes);
        else
            client->send(std::get<Request>(request), serial);
        const auto reply = broker.next(*client);
        ASSERT_TRUE(reply) << serial;
        EXPECT_EQ(reply->serial, serial);
        EXPECT_EQ(reply->message.index(), answer.index()) << serial;
        if (const auto* error = std::get_if<Error>(&answer)) {
            EXPECT_EQ(std::get<Error>(reply->message).code, error->code) << serial;
        }
        if (const auto* effect = std::get_if<EffectResult>(&answer)) {
            EXPECT_EQ(std::get<EffectResult>(reply->message), *effect);
        }
    }

    // A request before HELLO, a newer version, malformed packets: each closes its own connection.
    const auto future = broker.connectAs(geteuid());
    future->send(Hello{protocolVersion + 1}, 9);
    EXPECT_EQ(broker.refusal(*future), std::pair(9u, ErrorCode::unsupportedVersion));
    const auto early = broker.connectAs(geteuid());
    early->send(ListTouchpads{}, 1);
    EXPECT_TRUE(broker.closed(*early));
    const std::vector<Bytes> garbage = {
        {1, 2, 3},
        {0x02, 0x00, 0x00, 0x00, 1, 0, 0, 0, 0}, // payload where none belongs
        Bytes(300, 0x41),                        // longer than any request
        {0x02, 0x00, 0x01, 0x00, 0, 0, 0, 0},    // flags set
    };
    for (const Bytes& bytes : garbage) {
        const auto bad = broker.greeted();
        bad->sendRaw(bytes);
        EXPECT_TRUE(broker.closed(*bad)) << bytes.size();
    }
    broker.settle();
    EXPECT_FALSE(client->receive(std::chrono::milliseconds(0))); // one answer each, nothing unsolicited
    client->send(ListTouchpads{}, 2);
    broker.expect<ListEnd>(*client);
}
