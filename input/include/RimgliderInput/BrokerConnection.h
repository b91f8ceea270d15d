// A client's connection to the input broker (inputd/PROTOCOL.md): connect, the HELLO
// exchange, then requests out and broker messages in. One connection is read by one thread;
// send() and interrupt() may be called from others.
#pragma once

#include "RimgliderInput/BrokerProtocol.h"

#include <chrono>
#include <string>
#include <variant>

namespace rimglider::broker {

class BrokerConnection {
  public:
    struct Failure {
        enum class Kind : std::uint8_t {
            unreachable, // no broker listens at the path, or it vanished during the exchange
            refused,     // the broker does not serve this user (ERROR refused)
            busy,        // this user holds as many connections as the broker allows (ERROR tooManyClients)
            protocol,    // the broker answered something unexpected (another version, garbage)
        };
        Kind kind = Kind::unreachable;
        std::string message;            // for logs: what happened, with the path
        bool olderVersionMayDo = false; // the broker does not speak the version asked for
    };

    // Connects to `path` and completes the HELLO exchange, waiting at most `timeout`: with the
    // newest protocol version, else the newest the broker speaks (welcome().version tells;
    // exclusive mode needs version 2). A readable `stopFd` (an eventfd another thread writes)
    // ends the wait at once as `unreachable`, so a reader thread can be stopped mid-connect.
    static std::variant<BrokerConnection, Failure> open(const std::string& path = socketPath(),
                                                        std::chrono::milliseconds timeout = std::chrono::seconds(2),
                                                        int stopFd = -1);

    BrokerConnection(BrokerConnection&&) noexcept;
    BrokerConnection& operator=(BrokerConnection&&) noexcept;
    BrokerConnection(const BrokerConnection&) = delete;
    BrokerConnection& operator=(const BrokerConnection&) = delete;
    ~BrokerConnection();

    [[nodiscard]] const Welcome& welcome() const { return welcome_; }

    // Sends one request without waiting; false when the connection is gone or the broker's
    // receive queue is full.
    bool send(const Request& request, std::uint32_t serial = 0);

    enum class Received : std::uint8_t {
        message, // `out` holds the next message
        timeout, // nothing arrived within the timeout
        closed,  // the broker closed the connection, or interrupt() was called
    };
    // Waits up to `timeout` for the next message (negative: without limit). Messages of types
    // this client does not know are skipped; a PING is answered with its PONG and not returned.
    Received receive(BrokerMessage& out, std::chrono::milliseconds timeout = std::chrono::milliseconds(-1));

    // Makes a receive() blocked on another thread return `closed` at once, and every later one.
    void interrupt();

    [[nodiscard]] int fd() const { return fd_; }

  private:
    explicit BrokerConnection(int fd) : fd_(fd) {}
    static std::variant<BrokerConnection, Failure> attempt(const std::string& path, std::chrono::milliseconds timeout,
                                                           std::chrono::steady_clock::time_point deadline,
                                                           std::uint32_t version, int stopFd);
    void close();

    int fd_ = -1;
    Welcome welcome_;
};

// Writes one request as one packet on a connected socket without blocking: false when the
// socket refuses it (full, or the broker gone).
bool sendRequest(int fd, const Request& request, std::uint32_t serial);

} // namespace rimglider::broker
