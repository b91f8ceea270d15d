#include "RimgliderInput/BrokerConnection.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <utility>

namespace rimglider::broker {

namespace {

using SteadyClock = std::chrono::steady_clock;

int remainingMilliseconds(SteadyClock::time_point deadline)
{
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - SteadyClock::now()).count();
    return left < 0 ? 0 : int(left);
}

// Waits for `events` on `fd` until `deadline`; false on timeout, on a readable `stopFd`
// (ECANCELED) or on error (errno tells).
bool waitFor(int fd, short events, SteadyClock::time_point deadline, int stopFd = -1)
{
    for (;;) {
        std::array<pollfd, 2> p{pollfd{fd, events, 0}, pollfd{stopFd, POLLIN, 0}};
        const int ready = ::poll(p.data(), stopFd >= 0 ? 2 : 1, remainingMilliseconds(deadline));
        if (ready > 0 && p[1].revents != 0 && stopFd >= 0) {
            errno = ECANCELED;
            return false;
        }
        if (ready > 0) return true;
        if (ready == 0) {
            errno = ETIMEDOUT;
            return false;
        }
        if (errno != EINTR) return false;
    }
}

BrokerConnection::Failure failure(BrokerConnection::Failure::Kind kind, const std::string& path,
                                  const std::string& what)
{
    return {kind, "input broker at " + path + ": " + what};
}

std::string errnoText(int error)
{
    return std::strerror(error);
}

} // namespace

std::variant<BrokerConnection, BrokerConnection::Failure>
BrokerConnection::open(const std::string& path, std::chrono::milliseconds timeout, int stopFd)
{
    const auto deadline = SteadyClock::now() + timeout;
    // The newest version first; a broker that does not speak it says so, and the next older one
    // is tried on a new connection (the broker closes after refusing a version).
    for (std::uint32_t version = protocolVersion;; --version) {
        auto opened = attempt(path, timeout, deadline, version, stopFd);
        const auto* failure = std::get_if<Failure>(&opened);
        if (!failure || !failure->olderVersionMayDo || version == oldestProtocolVersion) return opened;
    }
}

std::variant<BrokerConnection, BrokerConnection::Failure> BrokerConnection::attempt(const std::string& path,
                                                                                    std::chrono::milliseconds timeout,
                                                                                    SteadyClock::time_point deadline,
                                                                                    std::uint32_t version, int stopFd)
{
    using Kind = Failure::Kind;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof(address.sun_path))
        return failure(Kind::unreachable, path, "not a usable socket path");
    std::memcpy(address.sun_path, path.data(), path.size());

    // Non-blocking while connecting, so a broker whose backlog is full cannot hold us past
    // the timeout; the connection itself blocks on its own waits (poll) afterwards.
    const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return failure(Kind::unreachable, path, "socket: " + errnoText(errno));
    BrokerConnection connection(fd);

    // NOLINTNEXTLINE: sockaddr_un is passed as the generic sockaddr, as the API wants.
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
        if (errno != EINPROGRESS && errno != EAGAIN) return failure(Kind::unreachable, path, errnoText(errno));
        if (!waitFor(fd, POLLOUT, deadline, stopFd))
            return failure(Kind::unreachable, path, "connect: " + errnoText(errno));
        int error = 0;
        socklen_t size = sizeof(error);
        if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0 || error != 0)
            return failure(Kind::unreachable, path, errnoText(error ? error : errno));
    }

    // A broker that turns a peer away at once writes its ERROR and closes: the HELLO may then fail
    // (EPIPE), but the ERROR is still there to read.
    const bool sent = connection.send(Hello{version}, 0);
    const std::string sendError = sent ? std::string() : "HELLO: " + errnoText(errno);
    BrokerMessage reply;
    Received received = Received::timeout;
    do {
        if (stopFd >= 0 && !waitFor(fd, POLLIN, deadline, stopFd)) {
            if (errno == ECANCELED) return failure(Kind::unreachable, path, "stopped while waiting for WELCOME");
            continue; // the deadline: the loop ends
        }
        const int wait = stopFd >= 0 ? 0 : remainingMilliseconds(deadline);
        received = connection.receive(reply, std::chrono::milliseconds(wait));
    } while (received == Received::timeout && SteadyClock::now() < deadline);
    switch (received) {
    case Received::message:
        break;
    case Received::timeout:
        return failure(Kind::unreachable, path,
                       sent ? "no answer to HELLO within " + std::to_string(timeout.count()) + " ms" : sendError);
    case Received::closed:
        return failure(Kind::unreachable, path, sent ? "closed the connection during HELLO" : sendError);
    }
    if (const auto* welcome = std::get_if<Welcome>(&reply.message)) {
        if (welcome->version != version)
            return failure(Kind::protocol, path, "speaks version " + std::to_string(welcome->version));
        connection.welcome_ = *welcome;
        return connection;
    }
    if (const auto* error = std::get_if<Error>(&reply.message)) {
        if (error->code == ErrorCode::refused) return failure(Kind::refused, path, "refused: " + error->text);
        if (error->code == ErrorCode::tooManyClients) return failure(Kind::busy, path, "busy: " + error->text);
        Failure f = failure(Kind::protocol, path,
                            "answered HELLO with error " + std::to_string(int(error->code)) + ": " + error->text);
        f.olderVersionMayDo = error->code == ErrorCode::unsupportedVersion;
        return f;
    }
    return failure(Kind::protocol, path, "answered HELLO with an unexpected message");
}

BrokerConnection::BrokerConnection(BrokerConnection&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), welcome_(other.welcome_)
{}

BrokerConnection& BrokerConnection::operator=(BrokerConnection&& other) noexcept
{
    if (this != &other) {
        close();
        fd_ = std::exchange(other.fd_, -1);
        welcome_ = other.welcome_;
    }
    return *this;
}

BrokerConnection::~BrokerConnection()
{
    close();
}

void BrokerConnection::close()
{
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool BrokerConnection::send(const Request& request, std::uint32_t serial)
{
    return fd_ >= 0 && sendRequest(fd_, request, serial);
}

bool sendRequest(int fd, const Request& request, std::uint32_t serial)
{
    const std::vector<std::uint8_t> packet = encode(ClientMessage{serial, request});
    for (;;) {
        const ssize_t sent = ::send(fd, packet.data(), packet.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
        if (sent == ssize_t(packet.size())) return true;
        if (sent < 0 && errno == EINTR) continue;
        return false;
    }
}

BrokerConnection::Received BrokerConnection::receive(BrokerMessage& out, std::chrono::milliseconds timeout)
{
    if (fd_ < 0) return Received::closed;
    // One buffer per thread: a receive is as big as the largest broker message, and the
    // reader threads receive constantly.
    thread_local std::array<std::uint8_t, maxBrokerMessageSize> buffer;
    const bool forever = timeout.count() < 0;
    const auto deadline = SteadyClock::now() + (forever ? std::chrono::milliseconds(0) : timeout);
    for (;;) {
        pollfd p{fd_, POLLIN, 0};
        const int ready = ::poll(&p, 1, forever ? -1 : remainingMilliseconds(deadline));
        if (ready < 0) {
            if (errno == EINTR) continue;
            return Received::closed;
        }
        if (ready == 0) return Received::timeout;
        const ssize_t size = ::recv(fd_, buffer.data(), buffer.size(), MSG_DONTWAIT);
        if (size < 0) {
            // ECONNRESET: the broker closed while our last packet was unread; what it sent before
            // closing (an ERROR) still follows.
            if (errno == EINTR || errno == EAGAIN || errno == ECONNRESET) continue;
            return Received::closed;
        }
        if (size == 0) return Received::closed; // end of stream: closed, or shut down by interrupt()
        if (auto message = decodeBrokerMessage(std::span(buffer.data(), std::size_t(size)))) {
            // The broker's keep-alive in exclusive mode: answered here, by the reading thread.
            if (const auto* ping = std::get_if<Ping>(&message->message)) {
                send(Pong{ping->token});
                continue;
            }
            out = std::move(*message);
            return Received::message;
        }
        // A type of a later protocol version (or a packet we cannot read): skipped.
    }
}

void BrokerConnection::interrupt()
{
    if (fd_ >= 0) ::shutdown(fd_, SHUT_RDWR);
}

} // namespace rimglider::broker
