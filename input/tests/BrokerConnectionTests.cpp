// The client side of the broker connection: a peer that never answers, receiving with a
// timeout, skipping what a later protocol adds. (The HELLO exchange, its refusals and
// interrupting a reader: through every client's tests.)
#include "RimgliderInput/BrokerConnection.h"

#include "FakeBroker.h"
#include "SocketFolder.h"
#include "TempSocket.h"

#include <gtest/gtest.h>

using namespace rimglider;
using namespace rimglider::broker;
using rimglider::test::FakeBroker;
using rimglider::test::SocketFolder;
using Kind = BrokerConnection::Failure::Kind;
using namespace std::chrono_literals;

namespace {

BrokerConnection::Failure failureOf(std::variant<BrokerConnection, BrokerConnection::Failure> opened)
{
    EXPECT_TRUE(std::holds_alternative<BrokerConnection::Failure>(opened));
    return std::holds_alternative<BrokerConnection::Failure>(opened) ? std::get<BrokerConnection::Failure>(opened)
                                                                     : BrokerConnection::Failure{};
}

} // namespace

TEST(BrokerConnection, OpensWithHelloInTheBrokersVersionAndSaysWhyItCouldNot)
{
    SocketFolder folder;
    {
        const auto failure = failureOf(BrokerConnection::open(folder.path(), 500ms));
        EXPECT_EQ(failure.kind, Kind::unreachable);
        EXPECT_NE(failure.message.find(folder.path()), std::string::npos) << failure.message;
    }
    EXPECT_EQ(failureOf(BrokerConnection::open(std::string(200, 'x'), 500ms)).kind, Kind::unreachable);

    FakeBroker broker(folder.path());
    auto opened = BrokerConnection::open(folder.path(), 2s);
    ASSERT_TRUE(std::holds_alternative<BrokerConnection>(opened));
    EXPECT_EQ(std::get<BrokerConnection>(opened).welcome().uid, ::getuid());
    EXPECT_EQ(broker.requestsOf<Hello>(), std::vector<Hello>{Hello{protocolVersion}});

    // Refused at once on connecting (the HELLO may meet a closed socket) or beyond the user's
    // limit: either way the broker's ERROR is read.
    for (const auto& [code, kind] :
         {std::pair{ErrorCode::refused, Kind::refused}, {ErrorCode::tooManyClients, Kind::busy}}) {
        broker.refuseClients(true, code);
        for (int attempt = 0; attempt < 20; ++attempt) {
            const auto refused = failureOf(BrokerConnection::open(folder.path(), 2s));
            ASSERT_EQ(refused.kind, kind) << refused.message;
            EXPECT_NE(refused.message.find("uid"), std::string::npos) << refused.message; // the broker's explanation
        }
    }

    broker.refuseClients(false);
    broker.speakUpTo(1); // an older broker is spoken to in its own version
    opened = BrokerConnection::open(folder.path(), 2s);
    ASSERT_TRUE(std::holds_alternative<BrokerConnection>(opened));
    EXPECT_EQ(std::get<BrokerConnection>(opened).welcome().version, 1u);
    EXPECT_EQ(broker.requestsOf<Hello>().back(), Hello{1});
    broker.speakUpTo(0); // speaks nothing this client knows
    EXPECT_EQ(failureOf(BrokerConnection::open(folder.path(), 2s)).kind, Kind::protocol);
}

TEST(BrokerConnection, SilentPeerTimesOutInsteadOfHanging)
{
    // Listens but never accepts nor answers: the HELLO exchange must give up on its own.
    const rimglider::inputd::test::TempSocket silent;
    const auto failure = failureOf(BrokerConnection::open(silent.path(), 50ms));
    EXPECT_EQ(failure.kind, Kind::unreachable);
    EXPECT_NE(failure.message.find("no answer to HELLO"), std::string::npos) << failure.message;
    ::close(silent.fd());
}

TEST(BrokerConnection, ReceivesInOrderSkipsUnknownTypesAndEndsOnClose)
{
    SocketFolder folder;
    FakeBroker broker(folder.path());
    auto connection = std::get<BrokerConnection>(BrokerConnection::open(folder.path(), 2s));
    BrokerMessage message;
    EXPECT_EQ(connection.receive(message, 0ms), BrokerConnection::Received::timeout);

    ASSERT_TRUE(connection.send(SubscribeKeys{}, 7));
    ASSERT_EQ(connection.receive(message, 2s), BrokerConnection::Received::message);
    EXPECT_EQ(message.serial, 7u);
    EXPECT_TRUE(std::holds_alternative<Modifiers>(message.message));

    broker.broadcastRaw({0x7f, 0x80, 0, 0, 0, 0, 0, 0, 1, 2, 3}); // a type of a later version
    broker.broadcast(Ping{41});                                   // answered by the reader itself
    broker.sendKeys(KeyDown{{12, 500000}});
    ASSERT_EQ(connection.receive(message, 2s), BrokerConnection::Received::message);
    EXPECT_EQ(message.message, Message(KeyDown{{12, 500000}}));
    ASSERT_TRUE(connection.send(SubscribeKeys{}, 8)); // answered after the PONG, which is then recorded
    ASSERT_EQ(connection.receive(message, 2s), BrokerConnection::Received::message);
    EXPECT_EQ(broker.requestsOf<Pong>(), std::vector<Pong>{Pong{41}});

    broker.disconnectAll();
    EXPECT_EQ(connection.receive(message, 2s), BrokerConnection::Received::closed);
    EXPECT_FALSE(connection.send(ListTouchpads{}));
}
