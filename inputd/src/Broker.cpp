#include "Broker.h"

#include "Log.h"
#include "TouchpadFilter.h"
#include "UinputKeySink.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <limits>
#include <stdexcept>
#include <sys/epoll.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

namespace rimglider::inputd {

namespace bp = rimglider::broker;
using Kind = ClientConnection::Kind;

namespace {

timeval monotonicNow()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return {ts.tv_sec, ts.tv_nsec / 1000};
}

bp::Time wireTime(const input_event& e)
{
    return {std::int64_t(e.input_event_sec), std::uint32_t(e.input_event_usec)};
}

bp::Time wireTime(const timeval& t)
{
    return {std::int64_t(t.tv_sec), std::uint32_t(t.tv_usec)};
}

input_event kernelEvent(const timeval& t, std::uint16_t type, std::uint16_t code, std::int32_t value)
{
    input_event e{};
    e.input_event_sec = t.tv_sec;
    e.input_event_usec = t.tv_usec;
    e.type = type;
    e.code = code;
    e.value = value;
    return e;
}

std::chrono::nanoseconds sleptSinceBoot()
{
    timespec boot{}, monotonic{};
    clock_gettime(CLOCK_BOOTTIME, &boot);
    clock_gettime(CLOCK_MONOTONIC, &monotonic);
    return std::chrono::seconds(boot.tv_sec - monotonic.tv_sec) +
           std::chrono::nanoseconds(boot.tv_nsec - monotonic.tv_nsec);
}

VirtualKeyboard::SinkFactory uinputFactory()
{
    return []() -> std::unique_ptr<KeySink> {
        std::string error;
        auto sink = UinputKeySink::create(error);
        if (!sink) Log::warning("cannot make the virtual keyboard: " + error);
        return sink;
    };
}

} // namespace

Broker::Broker(BrokerConfig config)
    : config_(std::move(config)), keyboard_(config_.keySinkFactory ? config_.keySinkFactory : uinputFactory()),
      watchdog_(config_.watchdogThread)
{
    if (!config_.clock) config_.clock = [] { return std::chrono::steady_clock::now(); };
    if (!config_.sleptTime) config_.sleptTime = sleptSinceBoot;
    slept_ = config_.sleptTime();
    epoll_ = epoll_create1(EPOLL_CLOEXEC);
    if (epoll_ < 0) throw std::runtime_error(std::string("epoll: ") + std::strerror(errno));
    listenerToken_ = watch(Source::listener, config_.listenFd, EPOLLIN);

    if (config_.handleSignals) {
        sigset_t signals;
        sigemptyset(&signals);
        sigaddset(&signals, SIGTERM);
        sigaddset(&signals, SIGINT);
        sigprocmask(SIG_BLOCK, &signals, nullptr);
        signalFd_ = signalfd(-1, &signals, SFD_CLOEXEC | SFD_NONBLOCK);
        if (signalFd_ < 0) throw std::runtime_error(std::string("signalfd: ") + std::strerror(errno));
        watch(Source::signal, signalFd_, EPOLLIN);
    }
    if (!config_.activeOnSeat) config_.activeOnSeat = SessionMonitor::isActiveOnSeat;
    if (config_.followSessions && config_.brokerIsRoot) {
        sessionMonitor_ = std::make_unique<SessionMonitor>();
        if (sessionMonitor_->fd() >= 0) watch(Source::sessions, sessionMonitor_->fd(), EPOLLIN);
    }
    if (config_.watchDevices) {
        try {
            deviceMonitor_ = std::make_unique<DeviceMonitor>();
            watch(Source::udev, deviceMonitor_->fd(), EPOLLIN);
            for (const DeviceNode& node : deviceMonitor_->enumerate())
                addDevice(node);
        } catch (const std::runtime_error& e) {
            Log::error(std::string("no input devices: ") + e.what());
        }
    }
    idleSince_ = now();
    Log::info(std::string("started") +
              (config_.brokerIsRoot ? " as root" : " as uid " + std::to_string(config_.brokerUid)));
}

Broker::~Broker()
{
    clients_.clear();
    devices_.clear();
    if (signalFd_ >= 0) ::close(signalFd_);
    ::close(config_.listenFd);
    ::close(epoll_);
}

std::uint64_t Broker::watch(Source source, int fd, std::uint32_t events)
{
    const std::uint64_t token = nextToken_++;
    epoll_event e{};
    e.events = events;
    e.data.u64 = token;
    if (epoll_ctl(epoll_, EPOLL_CTL_ADD, fd, &e) < 0)
        throw std::runtime_error(std::string("epoll_ctl: ") + std::strerror(errno));
    watches_[token] = {source, fd};
    return token;
}

void Broker::unwatch(std::uint64_t token, int fd)
{
    epoll_ctl(epoll_, EPOLL_CTL_DEL, fd, nullptr);
    watches_.erase(token);
}

int Broker::run()
{
    while (dispatch(-1)) {
    }
    return 0;
}

bool Broker::dispatch(int timeoutMs)
{
    int timeout = timeoutMs;
    if (const auto next = nextDeadline()) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(*next - now()).count();
        const int leftMs = int(std::clamp<std::int64_t>(left, 0, std::numeric_limits<int>::max()));
        timeout = timeout < 0 ? leftMs : std::min(timeout, leftMs);
    }
    epoll_event events[32];
    const int count = epoll_wait(epoll_, events, 32, timeout);
    if (count < 0 && errno != EINTR) throw std::runtime_error(std::string("epoll_wait: ") + std::strerror(errno));
    checkSleep();
    for (int i = 0; i < count; ++i) {
        const std::uint64_t token = events[i].data.u64;
        const auto it = watches_.find(token);
        if (it == watches_.end()) continue; // closed earlier in this round
        const std::uint32_t what = events[i].events;
        switch (it->second.source) {
        case Source::listener:
            acceptClients();
            break;
        case Source::signal: {
            signalfd_siginfo info{};
            while (::read(signalFd_, &info, sizeof info) == ssize_t(sizeof info))
                Log::info(std::string("stopping on ") + strsignal(int(info.ssi_signo)));
            stop_ = true;
            break;
        }
        case Source::udev:
            while (auto change = deviceMonitor_->receive()) {
                if (change->added)
                    addDevice(change->node);
                else
                    removeDevice(change->node.syspath);
            }
            break;
        case Source::sessions:
            sessionMonitor_->acknowledge();
            sessionsChanged();
            break;
        case Source::device:
            readDevice(token);
            break;
        case Source::client:
            if (what & (EPOLLERR | EPOLLHUP)) {
                closeClient(token, "hung up");
                break;
            }
            if (what & EPOLLOUT) writeClient(token);
            if (what & EPOLLIN) readClient(token);
            break;
        }
    }
    // After the round's events, so a HELLO or a connection waiting at its deadline is still served.
    runDeadlines();
    for (const std::uint64_t token : watchdog_.takeTripped()) {
        const auto it = devices_.find(token);
        if (it == devices_.end() || !it->second.exclusive) continue;
        it->second.exclusive->watchdogTripped(now());
        deliverNotices(it->second);
    }
    watchdog_.progress();
    for (std::uint64_t token : closing_) {
        const auto it = clients_.find(token);
        if (it == clients_.end()) continue;
        unwatch(token, it->second.connection->fd());
        clients_.erase(it);
        pauseAccepting(false); // a descriptor is free again
        if (clients_.empty()) idleSince_ = now();
    }
    closing_.clear();
    if (config_.idleExit && clients_.empty() && now() >= idleSince_ + *config_.idleExit) {
        Log::info("exiting: no clients");
        return false;
    }
    return !stop_;
}

std::optional<Broker::TimePoint> Broker::nextDeadline() const
{
    std::optional<TimePoint> next = keyboard_.deadline();
    const auto consider = [&next](TimePoint t) {
        if (!next || t < *next) next = t;
    };
    if (config_.idleExit && clients_.empty()) consider(idleSince_ + *config_.idleExit);
    if (unreportedRefusals_ > 0 && lastRefusalReport_) consider(*lastRefusalReport_ + refusalReportInterval);
    for (const auto& [token, client] : clients_)
        if (!client.connection->greeted && !client.closing) consider(client.helloBy);
    for (const auto& [token, device] : devices_)
        if (device.exclusive)
            if (const auto deadline = device.exclusive->deadline()) consider(*deadline);
    return next;
}

void Broker::runDeadlines()
{
    const TimePoint t = now();
    for (auto& [token, client] : clients_)
        if (!client.connection->greeted && t >= client.helloBy) closeClient(token, "no HELLO in time");
    keyboard_.expire(t);
    for (auto& [token, device] : devices_)
        if (device.exclusive) {
            device.exclusive->expire(t);
            deliverNotices(device);
        }
    if (unreportedRefusals_ > 0 && lastRefusalReport_ && t >= *lastRefusalReport_ + refusalReportInterval)
        reportRefusals();
}

bool Broker::allowed(uid_t uid) const
{
    return AccessPolicy::allows(config_.brokerIsRoot, config_.brokerUid, uid, config_.activeOnSeat);
}

bool Broker::serving(const Client& client) const
{
    return client.connection->greeted && !client.connection->suspended && !client.closing;
}

// ---- Clients ----

// Out of descriptors, a pending connection keeps the listener readable: stop watching it
// until a client leaves, instead of waking for it in a loop.
void Broker::pauseAccepting(bool pause)
{
    if (pause == acceptPaused_) return;
    acceptPaused_ = pause;
    epoll_event e{};
    e.events = pause ? 0u : std::uint32_t(EPOLLIN);
    e.data.u64 = listenerToken_;
    epoll_ctl(epoll_, EPOLL_CTL_MOD, config_.listenFd, &e);
}

void Broker::acceptClients()
{
    // A bounded number per round, so a stream of connections cannot starve input and clients.
    for (int accepted = 0; accepted < 64; ++accepted) {
        const int fd = accept4(config_.listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED) continue;
            if (errno == EMFILE || errno == ENFILE) pauseAccepting(true); // else the listener spins
            if (errno != EAGAIN && errno != EWOULDBLOCK) Log::warning(std::string("accept: ") + std::strerror(errno));
            return;
        }
        ucred peer{};
        socklen_t length = sizeof peer;
        if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &length) < 0) {
            ::close(fd);
            continue;
        }
        // Decided here, so nobody who may not be served ever holds a connection.
        if (!allowed(peer.uid)) {
            turnAway(fd, peer.uid, bp::ErrorCode::refused, "not allowed: neither root nor the active session's user");
            continue;
        }
        // A connection beyond the user's limit stays until its HELLO is answered, so the peer can
        // read why; as many again are turned away at once.
        std::size_t held = 0, beyond = 0;
        for (const auto& [token, other] : clients_) {
            if (other.closing || other.connection->uid() != peer.uid) continue;
            if (other.overLimit)
                ++beyond;
            else
                ++held;
        }
        if (beyond >= config_.maxClientsPerUser) {
            turnAway(fd, peer.uid, bp::ErrorCode::tooManyClients, "too many connections of this user");
            continue;
        }
        const std::uint64_t token = watch(Source::client, fd, EPOLLIN);
        Client& client = clients_[token];
        client.connection = std::make_unique<ClientConnection>(fd, peer.uid, peer.pid);
        client.token = token;
        client.interest = EPOLLIN;
        client.overLimit = held >= config_.maxClientsPerUser;
        client.helloBy = now() + helloTimeout;
        Log::debug("connection (uid " + std::to_string(peer.uid) + ", pid " + std::to_string(peer.pid) + ")");
    }
}

// The ERROR is written and the connection closed at once. What the peer already sent is read
// first: closing over unread data would fail its next read (ECONNRESET) before the ERROR.
void Broker::turnAway(int fd, uid_t uid, bp::ErrorCode code, const char* why)
{
    const auto bytes = bp::encode(bp::BrokerMessage{0, bp::Error{code, why}});
    ::send(fd, bytes.data(), bytes.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
    std::uint8_t discarded[bp::maxRequestSize];
    for (int packets = 0; packets < 4 && ::recv(fd, discarded, sizeof discarded, MSG_DONTWAIT) > 0; ++packets) {
    }
    ::close(fd);
    noteRefusal(uid, why);
}

// Each refusal at debug level; at info a count, at most once per interval, so a stream of
// refused connections cannot bury the service's other messages.
void Broker::noteRefusal(uid_t uid, const char* why)
{
    Log::debug("connection refused (uid " + std::to_string(uid) + "): " + why);
    ++unreportedRefusals_;
    if (!lastRefusalReport_ || now() >= *lastRefusalReport_ + refusalReportInterval) reportRefusals();
}

void Broker::reportRefusals()
{
    Log::info("refused " + std::to_string(unreportedRefusals_) +
              (unreportedRefusals_ == 1 ? " connection" : " connections") + " (details at debug level)");
    unreportedRefusals_ = 0;
    lastRefusalReport_ = now();
}

void Broker::readClient(std::uint64_t token)
{
    // A few packets per round, so one chatty client cannot starve the others.
    for (int packets = 0; packets < 16; ++packets) {
        const auto it = clients_.find(token);
        if (it == clients_.end() || it->second.closing || it->second.connection->overloaded()) return;
        Client& client = it->second;
        std::uint8_t buffer[bp::maxRequestSize + 1];
        iovec io{buffer, sizeof buffer};
        msghdr message{};
        message.msg_iov = &io;
        message.msg_iovlen = 1;
        const ssize_t size = recvmsg(client.connection->fd(), &message, MSG_DONTWAIT);
        if (size < 0) {
            if (errno == EINTR) continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK) closeClient(token, "read failed");
            return;
        }
        if (size == 0) {
            closeClient(token, "disconnected");
            return;
        }
        if (message.msg_flags & MSG_TRUNC) {
            closeClient(token, "malformed request");
            return;
        }
        const bp::RequestDecoding decoded = bp::decodeRequest(std::span(buffer, std::size_t(size)));
        using Outcome = bp::RequestDecoding::Outcome;
        if (decoded.outcome == Outcome::malformed ||
            (!client.connection->greeted &&
             (decoded.outcome != Outcome::request || !std::holds_alternative<bp::Hello>(decoded.message->request)))) {
            closeClient(token, "malformed request");
            return;
        }
        switch (decoded.outcome) {
        case Outcome::request:
            handleRequest(client, *decoded.message);
            break;
        case Outcome::unknown:
            send(client, bp::Error{bp::ErrorCode::unknownRequest, "unknown request"}, decoded.serial, Kind::reply);
            break;
        case Outcome::badArgument:
            send(client, bp::Error{bp::ErrorCode::badArgument, "no such system key"}, decoded.serial, Kind::reply);
            break;
        case Outcome::malformed:
            break;
        }
        updateInterest(client);
    }
}

void Broker::writeClient(std::uint64_t token)
{
    const auto it = clients_.find(token);
    if (it == clients_.end() || it->second.closing) return;
    Client& client = it->second;
    if (!client.connection->flush()) {
        closeClient(token, "disconnected");
        return;
    }
    for (std::uint32_t stream : client.connection->takeRecoveredStreams()) {
        send(client, bp::Dropped{stream}, 0, Kind::notice);
        if (stream == bp::keyStreamId) {
            if (client.connection->wantsKeys && serving(client)) sendModifiers(client, std::nullopt);
        } else if (client.connection->touchpads.contains(stream) && serving(client)) {
            sendState(client, stream, std::nullopt);
        }
    }
    updateInterest(client);
}

void Broker::updateInterest(Client& client)
{
    if (client.closing) return;
    const std::uint32_t wanted = (client.connection->overloaded() ? 0u : std::uint32_t(EPOLLIN)) |
                                 (client.connection->wantsWrite() ? std::uint32_t(EPOLLOUT) : 0u);
    if (wanted == client.interest) return;
    epoll_event e{};
    e.events = wanted;
    e.data.u64 = client.token;
    epoll_ctl(epoll_, EPOLL_CTL_MOD, client.connection->fd(), &e);
    client.interest = wanted;
}

void Broker::send(Client& client, bp::Message message, std::uint32_t serial, Kind kind, std::uint32_t stream)
{
    if (client.closing) return;
    if (!client.connection->send(bp::encode(bp::BrokerMessage{serial, std::move(message)}), kind, stream))
        closeClient(client.token, "disconnected");
    else
        updateInterest(client);
}

void Broker::closeClient(std::uint64_t token, const char* why)
{
    const auto it = clients_.find(token);
    if (it == clients_.end() || it->second.closing) return;
    it->second.closing = true;
    closing_.push_back(token);
    Log::debug(std::string(it->second.connection->greeted ? "client" : "connection") + " closed (uid " +
               std::to_string(it->second.connection->uid()) + "): " + why);
    leaveExclusive(token, bp::ExclusiveReason::none);
}

void Broker::handleRequest(Client& client, const bp::ClientMessage& message)
{
    ClientConnection& c = *client.connection;
    const std::uint32_t serial = message.serial;
    const std::uint64_t token = client.token;

    if (const auto* hello = std::get_if<bp::Hello>(&message.request)) {
        if (c.greeted) {
            send(client, bp::Error{bp::ErrorCode::badArgument, "HELLO was already answered"}, serial, Kind::reply);
        } else if (hello->version < bp::oldestProtocolVersion || hello->version > bp::protocolVersion) {
            send(client, bp::Error{bp::ErrorCode::unsupportedVersion, "this broker speaks versions 1 and 2"}, serial,
                 Kind::reply);
            closeClient(token, "unsupported version");
        } else if (!allowed(c.uid())) { // its session stopped being active since it connected
            send(client, bp::Error{bp::ErrorCode::refused, "not allowed: no active session on seat0"}, serial,
                 Kind::reply);
            noteRefusal(c.uid(), "no active session");
            closeClient(token, "refused");
        } else if (client.overLimit) {
            send(client, bp::Error{bp::ErrorCode::tooManyClients, "too many connections of this user"}, serial,
                 Kind::reply);
            noteRefusal(c.uid(), "too many connections");
            closeClient(token, "too many connections");
        } else {
            c.greeted = true;
            c.version = hello->version;
            send(client, bp::Welcome{c.version, std::uint32_t(c.uid()), config_.brokerIsRoot}, serial, Kind::reply);
            Log::debug("client accepted (uid " + std::to_string(c.uid()) + ")");
            // Made with the first client, so udev has announced it by the time a key comes.
            if (!std::exchange(keyboardPrepared_, true)) keyboard_.prepare(now());
        }
        return;
    }

    std::visit(
        [&](const auto& r) {
            using T = std::decay_t<decltype(r)>;
            if constexpr (std::is_same_v<T, bp::ListTouchpads>) {
                for (const auto& [deviceToken, device] : devices_)
                    if (device.touchpad) send(client, bp::Touchpad{*device.touchpad}, serial, Kind::reply);
                send(client, bp::ListEnd{}, serial, Kind::reply);
                c.wantsHotplug = true;
            } else if constexpr (std::is_same_v<T, bp::SubscribeTouchpad>) {
                if (!touchpad(r.deviceId)) {
                    send(client, bp::Error{bp::ErrorCode::noSuchDevice, "no such touchpad"}, serial, Kind::reply);
                    return;
                }
                c.touchpads.insert(r.deviceId);
                sendState(client, r.deviceId, serial);
            } else if constexpr (std::is_same_v<T, bp::UnsubscribeTouchpad>) {
                c.touchpads.erase(r.deviceId);
                c.discardInput(r.deviceId);
                if (Device* device = touchpad(r.deviceId)) {
                    device->exclusive->leave(token, bp::ExclusiveReason::none, now());
                    deliverNotices(*device);
                }
            } else if constexpr (std::is_same_v<T, bp::SubscribeKeys>) {
                c.wantsKeys = true;
                sendModifiers(client, serial);
            } else if constexpr (std::is_same_v<T, bp::UnsubscribeKeys>) {
                c.wantsKeys = false;
                c.discardInput(bp::keyStreamId);
            } else if constexpr (std::is_same_v<T, bp::PostSystemKey>) {
                if (c.suspended)
                    send(client, bp::Error{bp::ErrorCode::refused, "suspended"}, serial, Kind::reply);
                else if (!keyboard_.post(r.key, r.fine, now()))
                    send(client, bp::Error{bp::ErrorCode::unavailable, "no virtual keyboard"}, serial, Kind::reply);
            } else if constexpr (std::is_same_v<T, bp::PlayEffect>) {
                if (c.suspended) {
                    send(client, bp::Error{bp::ErrorCode::refused, "suspended"}, serial, Kind::reply);
                    return;
                }
                Device* device = touchpad(r.deviceId);
                const int status = device ? device->forceFeedback->play(r.actuationId) : ENODEV;
                send(client, bp::EffectResult{status}, serial, Kind::reply);
            } else if constexpr (std::is_same_v<T, bp::SetExclusive> || std::is_same_v<T, bp::HideContact> ||
                                 std::is_same_v<T, bp::SetClickGuard> || std::is_same_v<T, bp::Pong>) {
                handleExclusive(client, message);
            } else {
                static_assert(std::is_same_v<T, bp::Hello>);
            }
        },
        message.request);
}

void Broker::sendState(Client& client, std::uint32_t deviceId, std::optional<std::uint32_t> answering)
{
    Device* device = touchpad(deviceId);
    if (!device) return;
    const timeval taken = monotonicNow();
    // A suspended client learns nothing of another user's touches: its answer is an empty state.
    std::vector<input_event> state = serving(client) ? device->input->state(taken) : std::vector<input_event>{};
    std::erase_if(state, [](const input_event& e) { return !TouchpadFilter::passes(e.type, e.code); });
    if (state.empty()) state.push_back(kernelEvent(taken, EV_SYN, SYN_REPORT, 0));
    // A state longer than one batch continues in plain batches after the first.
    for (std::size_t at = 0; at < state.size(); at += bp::maxEventsPerBatch) {
        bp::Events batch{deviceId, at == 0, {}};
        for (std::size_t i = at; i < std::min(state.size(), at + bp::maxEventsPerBatch); ++i)
            batch.events.push_back({wireTime(state[i]), state[i].type, state[i].code, state[i].value});
        send(client, std::move(batch), answering.value_or(0), answering ? Kind::reply : Kind::input, deviceId);
    }
}

void Broker::sendModifiers(Client& client, std::optional<std::uint32_t> answering)
{
    const auto held = serving(client) ? context_.modifiers() : GestureEngineKit::ModifierState{};
    send(client, bp::Modifiers{wireTime(monotonicNow()), held}, answering.value_or(0),
         answering ? Kind::reply : Kind::input, bp::keyStreamId);
}

void Broker::sessionsChanged()
{
    for (auto& [token, client] : clients_) {
        ClientConnection& c = *client.connection;
        if (!c.greeted || client.closing) continue;
        const bool active = allowed(c.uid());
        if (active && c.suspended) {
            c.suspended = false;
            send(client, bp::Resumed{}, 0, Kind::notice);
            for (std::uint32_t deviceId : c.touchpads)
                sendState(client, deviceId, std::nullopt);
            if (c.wantsKeys) sendModifiers(client, std::nullopt);
            Log::info("client resumed (uid " + std::to_string(c.uid()) + ")");
        } else if (!active && !c.suspended) {
            c.suspended = true;
            c.discardInput(std::nullopt);
            leaveExclusive(token, bp::ExclusiveReason::sessionInactive);
            send(client, bp::Suspended{}, 0, Kind::notice);
            Log::info("client suspended (uid " + std::to_string(c.uid()) + "): session not active");
        }
        updateInterest(client);
    }
}

// ---- Devices ----

Broker::Device* Broker::touchpad(std::uint32_t deviceId)
{
    for (auto& [token, device] : devices_)
        if (device.touchpad && device.touchpad->deviceId == deviceId) return &device;
    return nullptr;
}

void Broker::addDevice(const DeviceNode& node)
{
    if (!node.virtualKeyboard.empty()) {
        keyboard_.announced(node.virtualKeyboard, now());
        return;
    }
    for (const auto& [token, device] : devices_)
        if (device.node.syspath == node.syspath) return; // enumerated and announced both
    std::string error;
    auto input = InputDevice::open(node.devnode, node.touchpad, error);
    if (!input) {
        Log::warning("device " + node.devnode + " not used: " + error);
        return;
    }
    const bool context = node.keyboard || (node.pointer && input->hasPointerButtons());
    if (!node.touchpad && !context) return;
    const int fd = input->fd();
    const std::uint64_t token = watch(Source::device, fd, EPOLLIN);
    Device& device = devices_[token];
    device.node = node;
    device.token = token;
    device.input = std::move(input);
    const DeviceDescription description = device.input->description();
    std::string kind = node.touchpad ? "touchpad" : node.keyboard ? "keyboard" : "pointing device";
    if (node.touchpad) {
        bp::TouchpadInfo info;
        info.deviceId = nextDeviceId_++;
        info.description = description;
        info.description.udevProperties = node.properties;
        TouchpadFilter::restrict(info.description);
        info.builtIn = DeviceMonitor::isBuiltIn(node.properties, description.id.bustype);
        info.forceFeedback = device.input->hasForceFeedback() && device.input->writable();
        info.seat = node.seat;
        device.forceFeedback = std::make_unique<ForceFeedback>(fd, info.forceFeedback);
        device.touchpad = info;
        device.exclusive = std::make_unique<ExclusiveMode>(*device.input, info, watchdog_, token);
        kind.append(" ").append(std::to_string(info.deviceId));
        for (auto& [clientToken, client] : clients_)
            if (client.connection->greeted && client.connection->wantsHotplug)
                send(client, bp::Touchpad{info}, 0, Kind::notice);
    }
    Log::info("device added: " + kind + " \"" + description.name + "\"");
}

void Broker::removeDevice(const std::string& syspath)
{
    for (auto it = devices_.begin(); it != devices_.end(); ++it) {
        if (it->second.node.syspath != syspath) continue;
        Device& device = it->second;
        if (device.exclusive) {
            device.exclusive->removed(now());
            deliverNotices(device);
        }
        if (device.touchpad) {
            const std::uint32_t id = device.touchpad->deviceId;
            for (auto& [token, client] : clients_) {
                ClientConnection& c = *client.connection;
                c.touchpads.erase(id);
                c.discardInput(id);
                if (c.greeted && c.wantsHotplug) send(client, bp::TouchpadRemoved{id}, 0, Kind::notice);
            }
        }
        // Modifiers held on a keyboard that goes away are released, or the held set would stick.
        if (device.node.keyboard) {
            const timeval now = monotonicNow();
            for (std::uint16_t code : {KEY_LEFTSHIFT, KEY_RIGHTSHIFT, KEY_LEFTCTRL, KEY_RIGHTCTRL, KEY_LEFTALT,
                                       KEY_RIGHTALT, KEY_LEFTMETA, KEY_RIGHTMETA, KEY_FN}) {
                if (!device.input->isDown(code)) continue;
                input_event release{};
                release.input_event_sec = now.tv_sec;
                release.input_event_usec = now.tv_usec;
                release.type = EV_KEY;
                release.code = code;
                forwardContext(release);
            }
        }
        Log::info("device removed: \"" + device.input->description().name + "\"");
        unwatch(it->first, device.input->fd());
        devices_.erase(it);
        return;
    }
}

void Broker::readDevice(std::uint64_t token)
{
    const auto it = devices_.find(token);
    if (it == devices_.end()) return;
    Device& device = it->second;
    const bool context = device.node.keyboard || device.node.pointer;
    const TimePoint t = now();
    const auto result = device.input->read([&](const input_event& e) {
        if (context && e.type == EV_KEY) forwardContext(e);
        if (!device.touchpad || !TouchpadFilter::passes(e.type, e.code)) return;
        device.exclusive->event(e, t); // the desktop first: a grabbed touchpad's frame goes to its clone
        const bool report = e.type == EV_SYN && e.code == SYN_REPORT;
        // The kernel sends no empty frame: one the filter emptied (a key of a keyboard sharing
        // the node) is not sent at all, or its SYN_REPORT would time key releases and repeats.
        if (report && device.pending.empty() && !device.frameStarted) return;
        device.pending.push_back({wireTime(e), e.type, e.code, e.value});
        if (report || device.pending.size() == bp::maxEventsPerBatch) {
            forwardFrame(device);
            device.frameStarted = !report;
        }
    });
    if (device.exclusive) deliverNotices(device);
    if (result == InputDevice::ReadResult::gone) removeDevice(device.node.syspath);
}

void Broker::handleExclusive(Client& client, const bp::ClientMessage& message)
{
    ClientConnection& c = *client.connection;
    const std::uint32_t serial = message.serial;
    if (c.version < 2) { // as a version 1 broker answers
        send(client, bp::Error{bp::ErrorCode::unknownRequest, "a request of protocol version 2"}, serial, Kind::reply);
        return;
    }
    if (const auto* pong = std::get_if<bp::Pong>(&message.request)) {
        for (auto& [token, device] : devices_)
            if (device.exclusive) device.exclusive->pong(client.token, pong->token);
        return;
    }
    const std::uint32_t deviceId = std::visit(
        [](const auto& r) -> std::uint32_t {
            if constexpr (requires { r.deviceId; })
                return r.deviceId;
            else
                return 0;
        },
        message.request);
    Device* device = touchpad(deviceId);
    if (!device) {
        send(client, bp::Error{bp::ErrorCode::noSuchDevice, "no such touchpad"}, serial, Kind::reply);
        return;
    }
    ExclusiveMode& exclusive = *device->exclusive;
    if (const auto* set = std::get_if<bp::SetExclusive>(&message.request)) {
        bp::Exclusive answer{deviceId, bp::ExclusiveState::off, bp::ExclusiveReason::none, 0};
        if (set->on && !c.touchpads.contains(deviceId))
            answer.reason = bp::ExclusiveReason::notSubscribed;
        else if (set->on && c.suspended)
            answer.reason = bp::ExclusiveReason::sessionInactive;
        else
            answer = exclusive.request(client.token, set->on, now());
        answer.swallowedPresses = client.swallowedPresses;
        send(client, answer, serial, Kind::reply);
    } else {
        bool held = false;
        if (const auto* hide = std::get_if<bp::HideContact>(&message.request))
            held = exclusive.hide(client.token, hide->trackingId, hide->hide, now());
        else if (const auto* guard = std::get_if<bp::SetClickGuard>(&message.request))
            held = exclusive.guard(client.token, *guard, now());
        if (!held)
            send(client, bp::Error{bp::ErrorCode::unavailable, "this connection holds no grabbed touchpad by that id"},
                 serial, Kind::reply);
    }
    deliverNotices(*device);
}

void Broker::deliverNotices(Device& device)
{
    for (const ExclusiveMode::Notice& n : device.exclusive->takeNotices()) {
        const auto it = clients_.find(n.client);
        if (it == clients_.end() || it->second.closing) continue;
        Client& client = it->second;
        const std::uint32_t id = device.touchpad->deviceId;
        switch (n.kind) {
        case ExclusiveMode::Notice::Kind::swallowed:
            client.swallowedPresses += n.count;
            [[fallthrough]];
        case ExclusiveMode::Notice::Kind::status:
            send(client, bp::Exclusive{id, n.state, n.reason, client.swallowedPresses}, 0, Kind::notice);
            break;
        case ExclusiveMode::Notice::Kind::ping:
            send(client, bp::Ping{n.count}, 0, Kind::notice);
            break;
        }
    }
}

void Broker::leaveExclusive(std::uint64_t token, bp::ExclusiveReason reason)
{
    for (auto& [deviceToken, device] : devices_)
        if (device.exclusive) {
            device.exclusive->leave(token, reason, now());
            deliverNotices(device);
        }
}

// A system that slept may have changed the touchpads' state without events: grabbed ones are
// read afresh, so their clones show what is really down.
void Broker::checkSleep()
{
    const std::chrono::nanoseconds slept = config_.sleptTime();
    if (slept - std::exchange(slept_, slept) < std::chrono::seconds(1)) return;
    std::vector<std::uint64_t> grabbed;
    for (auto& [token, device] : devices_)
        if (device.exclusive && device.exclusive->grabbed()) {
            device.input->resyncOnNextRead();
            grabbed.push_back(token);
        }
    if (!grabbed.empty()) Log::info("the system slept: grabbed touchpads read afresh");
    for (const std::uint64_t token : grabbed)
        readDevice(token); // may remove the device
}

void Broker::forwardFrame(Device& device)
{
    const std::uint32_t id = device.touchpad->deviceId;
    bp::Events batch{id, false, std::move(device.pending)};
    device.pending.clear();
    std::optional<std::vector<std::uint8_t>> bytes;
    for (auto& [token, client] : clients_) {
        if (!serving(client) || !client.connection->touchpads.contains(id)) continue;
        if (!bytes) bytes = bp::encode(bp::BrokerMessage{0, batch});
        if (!client.connection->send(*bytes, Kind::input, id))
            closeClient(token, "disconnected");
        else
            updateInterest(client);
    }
}

void Broker::forwardContext(const input_event& event)
{
    const auto context = context_.handle(InputEvent{0, event.type, event.code, event.value});
    if (!context) return;
    const bp::Time time = wireTime(event);
    bp::Message message;
    switch (context->kind) {
    case ContextEvent::Kind::keyDown:
        message = bp::KeyDown{time};
        break;
    case ContextEvent::Kind::modifiersChanged:
        message = bp::Modifiers{time, context->modifiers};
        break;
    case ContextEvent::Kind::buttonDown:
    case ContextEvent::Kind::buttonUp:
        message = bp::Button{time, std::uint16_t(context->button), context->kind == ContextEvent::Kind::buttonDown};
        break;
    }
    std::optional<std::vector<std::uint8_t>> bytes;
    for (auto& [token, client] : clients_) {
        if (!serving(client) || !client.connection->wantsKeys) continue;
        if (!bytes) bytes = bp::encode(bp::BrokerMessage{0, message});
        if (!client.connection->send(*bytes, Kind::input, bp::keyStreamId))
            closeClient(token, "disconnected");
        else
            updateInterest(client);
    }
}

} // namespace rimglider::inputd
