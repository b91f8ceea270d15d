// A protocol client for the broker's tests and benchmark: blocking sends, receives with a
// deadline, raw bytes available for byte-level checks.
#pragma once

#include "RimgliderInput/BrokerProtocol.h"

#include <chrono>
#include <cstring>
#include <optional>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace rimglider::inputd::test {

class TestClient {
  public:
    using Bytes = std::vector<std::uint8_t>;
    static constexpr std::chrono::milliseconds defaultWait{10000};

    explicit TestClient(const std::string& path)
    {
        fd_ = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
        if (connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            const std::string error = std::strerror(errno);
            ::close(fd_);
            throw std::runtime_error("connect " + path + ": " + error);
        }
    }
    ~TestClient() { ::close(fd_); }
    TestClient(const TestClient&) = delete;
    TestClient& operator=(const TestClient&) = delete;

    void sendRaw(const Bytes& bytes) const
    {
        if (::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL) != ssize_t(bytes.size()))
            throw std::runtime_error("send failed");
    }
    void send(broker::Request request, std::uint32_t serial = 1) const
    {
        sendRaw(broker::encode(broker::ClientMessage{serial, std::move(request)}));
    }

    // The next packet; absent when none came in time. An empty packet: the broker closed.
    std::optional<Bytes> receiveRaw(std::chrono::milliseconds wait = defaultWait) const
    {
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, int(wait.count())) <= 0) return std::nullopt;
        Bytes buffer(broker::maxBrokerMessageSize);
        const ssize_t n = recv(fd_, buffer.data(), buffer.size(), 0);
        if (n < 0) return std::nullopt;
        buffer.resize(std::size_t(n));
        return buffer;
    }
    std::optional<broker::BrokerMessage> receive(std::chrono::milliseconds wait = defaultWait) const
    {
        auto bytes = receiveRaw(wait);
        if (!bytes || bytes->empty()) return std::nullopt;
        auto message = broker::decodeBrokerMessage(*bytes);
        if (!message) throw std::runtime_error("undecodable broker message");
        return message;
    }
    template <class T>
    T expect(std::chrono::milliseconds wait = defaultWait) const
    {
        const auto message = receive(wait);
        if (!message) throw std::runtime_error("no message from the broker");
        if (const T* m = std::get_if<T>(&message->message)) return *m;
        throw std::runtime_error("unexpected message of kind " + std::to_string(message->message.index()));
    }
    broker::Welcome hello() const
    {
        send(broker::Hello{1}, 1);
        return expect<broker::Welcome>();
    }

  private:
    int fd_ = -1;
};

} // namespace rimglider::inputd::test
