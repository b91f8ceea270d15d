#include "ClientConnection.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

using namespace rimglider::inputd;
using Kind = ClientConnection::Kind;
using Bytes = std::vector<std::uint8_t>;

namespace {

struct Pair {
    Pair()
    {
        int fds[2];
        EXPECT_EQ(socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, fds), 0);
        broker = fds[0];
        client = fds[1];
    }
    ~Pair()
    {
        if (client >= 0) close(client);
    }
    // Reads every packet waiting, keeping its tag (first byte).
    void drain()
    {
        std::uint8_t buffer[70000];
        for (ssize_t n; (n = recv(client, buffer, sizeof buffer, MSG_DONTWAIT)) > 0;)
            tags.push_back(buffer[0]);
    }
    std::vector<std::uint8_t> tags;
    int broker = -1; // owned by the ClientConnection
    int client = -1;
};

Bytes packet(std::uint8_t tag, std::size_t size = 1000)
{
    Bytes b(size, 0);
    b[0] = tag;
    return b;
}

} // namespace

TEST(ClientConnection, QueuedPacketsGoOutInOrderAndASlowClientLosesInputButNeverRepliesAndIsToldWhatWasCut)
{
    Pair p;
    ClientConnection c(p.broker, 1000, 1);
    for (int i = 0; c.queuedBytes() == 0; ++i) // fills the socket until the connection starts queueing
        ASSERT_TRUE(c.send(packet(1), Kind::input, 1)) << i;
    ASSERT_TRUE(c.send(packet(7, 100), Kind::input, 7));
    c.discardInput(7);                 // unsubscribed: what is queued of it is forgotten
    EXPECT_EQ(c.queuedBytes(), 1000u); // what filled the socket stays
    // Queue up to the cap with stream 1, one reply and one message of stream 2 in between.
    ASSERT_TRUE(c.send(packet(2), Kind::reply));
    ASSERT_TRUE(c.send(packet(3), Kind::input, 2));
    while (c.queuedBytes() + 1000 <= ClientConnection::queueCap)
        ASSERT_TRUE(c.send(packet(1), Kind::input, 1));
    EXPECT_FALSE(c.overloaded());
    ASSERT_TRUE(c.send(packet(1), Kind::input, 1)); // over the cap: input is cut
    EXPECT_EQ(c.queuedBytes(), 1000u);              // only the reply is left
    ASSERT_TRUE(c.send(packet(4), Kind::input, 1)); // a cut stream stays quiet until recovered
    ASSERT_TRUE(c.send(packet(5), Kind::notice));

    // Replies are never cut, even past the cap; the broker then stops reading requests.
    for (std::size_t i = 0; i <= ClientConnection::queueCap / 1000; ++i)
        ASSERT_TRUE(c.send(packet(6), Kind::reply));
    EXPECT_TRUE(c.overloaded());

    while (c.wantsWrite()) {
        p.drain();
        ASSERT_TRUE(c.flush());
        const auto recovered = c.takeRecoveredStreams();
        if (!recovered.empty()) {
            EXPECT_EQ(recovered, (std::set<std::uint32_t>{1, 2}));
            EXPECT_LE(c.queuedBytes(), ClientConnection::queueCap / 2);
            break;
        }
    }
    p.drain();
    // What filled the socket, then what was queued, in order, without the cut or forgotten input.
    const auto queued = std::find_if(p.tags.begin(), p.tags.end(), [](std::uint8_t tag) { return tag != 1; });
    ASSERT_GE(p.tags.end() - queued, 3);
    EXPECT_EQ(std::vector<std::uint8_t>(queued, queued + 2), (std::vector<std::uint8_t>{2, 5}));
    EXPECT_EQ(std::count(queued + 2, p.tags.end(), 6), p.tags.end() - queued - 2);

    ASSERT_TRUE(c.wantsWrite());
    close(p.client);
    p.client = -1;
    EXPECT_FALSE(c.flush()); // the peer vanished
}
