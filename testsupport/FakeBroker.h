// A stand-in for rimglider-inputd in tests and benchmarks: a SOCK_SEQPACKET server on its own
// thread that speaks the broker protocol through the real codec. The test decides what it
// serves (touchpads, their events, the key stream) and sees every request a client made.
#pragma once

#include "RimgliderInput/BrokerProtocol.h"

#include "TestData.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace rimglider::test {

inline broker::Time wireTime(double seconds)
{
    const auto micros = std::llround(seconds * 1e6);
    return {micros / 1'000'000, std::uint32_t(micros % 1'000'000)};
}

inline broker::WireEvent wireEvent(const InputEvent& e)
{
    return {wireTime(e.time), e.type, e.code, e.value};
}

// A touchpad as the broker lists it, described by a recording's .desc file.
inline broker::TouchpadInfo touchpad(std::uint32_t deviceId, const std::string& descFile, bool builtIn,
                                     bool forceFeedback = false)
{
    return {deviceId, describedIn(descFile), builtIn, forceFeedback};
}

class FakeBroker {
  public:
    explicit FakeBroker(std::string path) : path_(std::move(path))
    {
        listener_ = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path_.c_str(), sizeof(address.sun_path) - 1);
        ::unlink(path_.c_str());
        if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
            ::listen(listener_, 16) != 0)
            throw std::runtime_error("fake broker cannot listen at " + path_ + ": " + std::strerror(errno));
        wake_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        thread_ = std::thread([this] { serve(); });
    }

    ~FakeBroker()
    {
        const std::uint64_t one = 1;
        [[maybe_unused]] auto written = ::write(wake_, &one, sizeof(one));
        thread_.join();
        for (auto& [fd, client] : clients_)
            ::close(fd);
        ::close(listener_);
        ::close(wake_);
        ::unlink(path_.c_str());
    }

    [[nodiscard]] const std::string& path() const { return path_; }

    // ---- What it serves ----
    // As the broker does: `refused` at once on connecting, any other code as the answer to HELLO.
    void refuseClients(bool refuse = true, broker::ErrorCode code = broker::ErrorCode::refused)
    {
        set(refuse_, refuse);
        set(refuseWith_, code);
    }
    // The newest protocol version it speaks (it speaks every one down to the oldest).
    void speakUpTo(std::uint32_t version) { set(newestVersion_, version); }
    void failListing(bool fail = true) { set(listFails_, fail); }
    void refuseKeys(bool refuse = true) { set(keysRefused_, refuse); }
    // The state batch a subscription starts with (default: a bare SYN_REPORT at time 0).
    void setState(std::uint32_t deviceId, std::vector<broker::WireEvent> state)
    {
        std::lock_guard guard(lock_);
        states_[deviceId] = std::move(state);
    }
    void setModifiers(broker::Modifiers modifiers) { set(modifiers_, modifiers); }
    // A hung broker: connections are accepted and requests read, but nothing is answered until
    // released; then the held requests are served in order.
    void holdAnswers(bool hold = true)
    {
        std::lock_guard guard(lock_);
        hold_ = hold;
        for (auto& [fd, packet] : std::exchange(held_, {}))
            if (clients_.contains(fd)) request(fd, packet);
    }
    // What PLAY_EFFECT answers (0: played).
    void setEffectStatus(std::int32_t status) { set(effectStatus_, status); }

    // A touchpad; clients that listed touchpads hear of it (hot-plug).
    void addTouchpad(const broker::TouchpadInfo& info)
    {
        std::lock_guard guard(lock_);
        touchpads_.push_back(info);
        for (auto& [fd, client] : clients_)
            if (client.listed) sendLocked(fd, 0, broker::Touchpad{info});
    }
    void removeTouchpad(std::uint32_t deviceId)
    {
        std::lock_guard guard(lock_);
        std::erase_if(touchpads_, [&](const broker::TouchpadInfo& t) { return t.deviceId == deviceId; });
        for (auto& [fd, client] : clients_) {
            client.touchpads.erase(deviceId);
            if (client.listed) sendLocked(fd, 0, broker::TouchpadRemoved{deviceId});
        }
    }

    // Events to the subscribers of a touchpad, as one batch.
    void sendEvents(std::uint32_t deviceId, std::vector<broker::WireEvent> events, bool isState = false)
    {
        sendTo([&](const Client& c) { return c.touchpads.contains(deviceId); },
               broker::Events{deviceId, isState, std::move(events)});
    }
    // A message to every client subscribed to the key stream.
    void sendKeys(const broker::Message& message)
    {
        sendTo([](const Client& c) { return c.keys; }, message);
    }
    // A message to every connected client (SUSPENDED, RESUMED).
    void broadcast(const broker::Message& message)
    {
        sendTo([](const Client& c) { return c.welcomed; }, message);
    }
    // A packet as it is, to every connected client (message types of later versions).
    void broadcastRaw(const std::vector<std::uint8_t>& packet)
    {
        std::lock_guard guard(lock_);
        for (auto& [fd, client] : clients_)
            if (client.welcomed) [[maybe_unused]]
                auto sent = ::send(fd, packet.data(), packet.size(), MSG_NOSIGNAL);
    }
    // Ends every connection, as a broker that stops serving this user.
    void disconnectAll()
    {
        std::lock_guard guard(lock_);
        for (auto& [fd, client] : clients_)
            ::shutdown(fd, SHUT_RDWR);
    }

    // ---- What it saw ----
    template <class R>
    std::vector<R> requestsOf() const
    {
        std::lock_guard guard(lock_);
        std::vector<R> found;
        for (const broker::ClientMessage& m : requests_)
            if (const auto* r = std::get_if<R>(&m.request)) found.push_back(*r);
        return found;
    }
    std::size_t clientCount() const
    {
        return count([](const Client&) { return true; });
    }
    std::size_t touchpadSubscribers(std::uint32_t id) const
    {
        return count([&](const Client& c) { return c.touchpads.contains(id); });
    }
    std::size_t keySubscribers() const
    {
        return count([](const Client& c) { return c.keys; });
    }

  private:
    struct Client {
        bool welcomed = false;
        bool listed = false;
        bool keys = false;
        std::set<std::uint32_t> touchpads;
    };

    template <class T, class V>
    void set(T& field, V&& value)
    {
        std::lock_guard guard(lock_);
        field = std::forward<V>(value);
    }
    // Sends `message` unsolicited to every client `to` chooses.
    template <class To>
    void sendTo(To to, const broker::Message& message)
    {
        std::lock_guard guard(lock_);
        for (auto& [fd, client] : clients_)
            if (to(client)) sendLocked(fd, 0, message);
    }
    template <class Which>
    std::size_t count(Which which) const
    {
        std::lock_guard guard(lock_);
        return std::size_t(
            std::count_if(clients_.begin(), clients_.end(), [&](const auto& c) { return which(c.second); }));
    }

    void sendLocked(int fd, std::uint32_t serial, broker::Message message)
    {
        const auto bytes = broker::encode(broker::BrokerMessage{serial, std::move(message)});
        [[maybe_unused]] auto sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    }

    void closeLocked(int fd)
    {
        clients_.erase(fd);
        ::close(fd);
    }

    void serve()
    {
        std::vector<std::uint8_t> buffer(broker::maxRequestSize + 1);
        for (;;) {
            std::vector<pollfd> fds{{wake_, POLLIN, 0}, {listener_, POLLIN, 0}};
            {
                std::lock_guard guard(lock_);
                for (const auto& [fd, client] : clients_)
                    fds.push_back({fd, POLLIN, 0});
            }
            if (::poll(fds.data(), fds.size(), -1) < 0) continue;
            if (fds[0].revents) return;
            if (fds[1].revents & POLLIN) {
                const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
                std::lock_guard guard(lock_);
                if (fd >= 0 && refuse_ && refuseWith_ == broker::ErrorCode::refused) {
                    sendLocked(fd, 0, broker::Error{refuseWith_, "uid " + std::to_string(::getuid())});
                    ::close(fd);
                } else if (fd >= 0) {
                    clients_[fd] = Client{};
                }
            }
            for (std::size_t i = 2; i < fds.size(); ++i) {
                if (!fds[i].revents) continue;
                const ssize_t size = ::recv(fds[i].fd, buffer.data(), buffer.size(), MSG_DONTWAIT);
                std::lock_guard guard(lock_);
                if (!clients_.contains(fds[i].fd)) continue;
                if (size <= 0) {
                    if (size == 0 || errno != EAGAIN) closeLocked(fds[i].fd);
                    continue;
                }
                if (hold_)
                    held_.emplace_back(fds[i].fd, std::vector<std::uint8_t>(buffer.begin(), buffer.begin() + size));
                else
                    request(fds[i].fd, std::span(buffer.data(), std::size_t(size)));
            }
        }
    }

    void request(int fd, std::span<const std::uint8_t> packet)
    {
        using namespace broker;
        const RequestDecoding decoded = decodeRequest(packet);
        Client& client = clients_[fd];
        // As the broker does: anything it cannot read, or anything but HELLO first, ends the connection.
        if (decoded.outcome != RequestDecoding::Outcome::request ||
            (!client.welcomed && !std::holds_alternative<Hello>(decoded.message->request))) {
            closeLocked(fd);
            return;
        }
        const ClientMessage& message = *decoded.message;
        requests_.push_back(message);
        const std::uint32_t serial = message.serial;
        if (const auto* hello = std::get_if<Hello>(&message.request)) {
            if (refuse_ || hello->version > newestVersion_ || hello->version < oldestProtocolVersion) {
                sendLocked(fd, serial,
                           refuse_ ? Error{refuseWith_, "uid " + std::to_string(::getuid())}
                                   : Error{ErrorCode::unsupportedVersion, "unknown version"});
                closeLocked(fd);
                return;
            }
            client.welcomed = true;
            sendLocked(fd, serial, Welcome{hello->version, std::uint32_t(::getuid()), false});
        } else if (std::holds_alternative<ListTouchpads>(message.request)) {
            if (listFails_) {
                sendLocked(fd, serial, Error{ErrorCode::unavailable, "udev enumeration failed"});
                return;
            }
            for (const TouchpadInfo& t : touchpads_)
                sendLocked(fd, serial, Touchpad{t});
            sendLocked(fd, serial, ListEnd{});
            client.listed = true;
        } else if (const auto* subscribe = std::get_if<SubscribeTouchpad>(&message.request)) {
            const bool known = std::any_of(touchpads_.begin(), touchpads_.end(),
                                           [&](const TouchpadInfo& t) { return t.deviceId == subscribe->deviceId; });
            if (!known) {
                sendLocked(fd, serial, Error{ErrorCode::noSuchDevice, "no such touchpad"});
                return;
            }
            client.touchpads.insert(subscribe->deviceId);
            const auto state = states_.find(subscribe->deviceId);
            sendLocked(
                fd, serial,
                Events{subscribe->deviceId, true,
                       state != states_.end() ? state->second : std::vector<WireEvent>{{{}, EV_SYN, SYN_REPORT, 0}}});
        } else if (const auto* unsubscribe = std::get_if<UnsubscribeTouchpad>(&message.request)) {
            client.touchpads.erase(unsubscribe->deviceId);
        } else if (std::holds_alternative<SubscribeKeys>(message.request)) {
            if (keysRefused_) {
                sendLocked(fd, serial, Error{ErrorCode::unavailable, "no keyboards"});
                return;
            }
            client.keys = true;
            sendLocked(fd, serial, modifiers_);
        } else if (std::holds_alternative<UnsubscribeKeys>(message.request)) {
            client.keys = false;
        } else if (std::holds_alternative<PlayEffect>(message.request)) {
            sendLocked(fd, serial, EffectResult{effectStatus_});
        }
    }

    std::string path_;
    int listener_ = -1;
    int wake_ = -1;
    mutable std::mutex lock_;
    std::map<int, Client> clients_;
    std::vector<broker::TouchpadInfo> touchpads_;
    std::map<std::uint32_t, std::vector<broker::WireEvent>> states_;
    broker::Modifiers modifiers_;
    std::vector<broker::ClientMessage> requests_;
    bool refuse_ = false;
    bool hold_ = false;
    std::vector<std::pair<int, std::vector<std::uint8_t>>> held_;
    broker::ErrorCode refuseWith_ = broker::ErrorCode::refused;
    std::uint32_t newestVersion_ = broker::protocolVersion;
    bool listFails_ = false;
    bool keysRefused_ = false;
    std::int32_t effectStatus_ = 0;
    std::thread thread_;
};

} // namespace rimglider::test
