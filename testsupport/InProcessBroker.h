// A Broker run in the test's own thread on a temporary socket: the test turns the loop itself,
// so nothing waits on timers.
#pragma once

#include "Broker.h"
#include "TempSocket.h"
#include "TestClient.h"

#include <memory>
#include <optional>
#include <utility>

namespace rimglider::inputd::test {

class InProcessBroker {
  public:
    // The broker runs as the test's user, on the socket made here; logind and signals are left
    // out, devices unless asked for (the emulated ones, under umockdev), and the virtual keyboard
    // unless a sink is given.
    explicit InProcessBroker(BrokerConfig config, bool devices = false)
    {
        config.listenFd = socket_.fd();
        config.brokerUid = geteuid();
        if (!config.keySinkFactory) config.keySinkFactory = [] { return std::unique_ptr<KeySink>(); };
        config.watchDevices = devices;
        config.followSessions = false;
        config.handleSignals = false;
        broker_ = std::make_unique<Broker>(std::move(config));
    }

    Broker& broker() { return *broker_; }
    [[nodiscard]] const std::string& socketPath() const { return socket_.path(); }

    // A connection whose SO_PEERCRED says `uid` (credentials are taken at connect).
    std::unique_ptr<TestClient> connectAs(uid_t uid) const
    {
        const uid_t self = geteuid();
        if (uid != self && seteuid(uid) != 0) throw std::runtime_error("seteuid failed");
        auto client = std::make_unique<TestClient>(socket_.path());
        if (uid != self && seteuid(self) != 0) throw std::runtime_error("seteuid back failed");
        return client;
    }

    // A connection of `uid` that said HELLO and was welcomed.
    std::unique_ptr<TestClient> greeted(uid_t uid = geteuid(), std::uint32_t version = 1)
    {
        auto client = connectAs(uid);
        client->send(broker::Hello{version}, 1);
        expect<broker::Welcome>(*client);
        return client;
    }

    // Turns the loop until the client has a message waiting (bounded), then takes it.
    std::optional<broker::BrokerMessage> next(const TestClient& client)
    {
        for (int round = 0; round < 200; ++round) {
            if (auto message = client.receive(std::chrono::milliseconds(0))) return message;
            broker_->dispatch(10);
        }
        return std::nullopt;
    }
    // The next message, which must be a T.
    template <class T>
    T expect(const TestClient& client)
    {
        const auto message = next(client);
        if (!message) throw std::runtime_error("no message from the broker");
        if (const T* m = std::get_if<T>(&message->message)) return *m;
        throw std::runtime_error("unexpected message of kind " + std::to_string(message->message.index()));
    }
    bool closed(const TestClient& client)
    {
        for (int round = 0; round < 200; ++round) {
            const auto bytes = client.receiveRaw(std::chrono::milliseconds(0));
            if (bytes && bytes->empty()) return true;
            broker_->dispatch(10);
        }
        return false;
    }
    // The serial and error a refused connection is answered with, before the broker closes it.
    std::pair<std::uint32_t, broker::ErrorCode> refusal(const TestClient& client)
    {
        const auto message = next(client);
        if (!message || !closed(client)) throw std::runtime_error("no answer, or the connection stayed open");
        return {message->serial, std::get<broker::Error>(message->message).code};
    }
    // Lets the broker handle whatever is pending.
    void settle()
    {
        for (int round = 0; round < 20; ++round)
            broker_->dispatch(0);
    }

  private:
    TempSocket socket_;
    std::unique_ptr<Broker> broker_;
};

} // namespace rimglider::inputd::test
