#include "BrokerClient.h"

#include "Log.h"

#include "RimgliderInput/BrokerConnection.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QFileSystemWatcher>

#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>

namespace rimglider {

using namespace broker;
using SteadyClock = std::chrono::steady_clock;

BrokerClient::BrokerClient(Options options)
    : options_(std::move(options)), context_(std::make_unique<QObject>()), retryDelay_(options_.firstRetry)
{
    deadlineTimer_ = new QTimer(context_.get());
    deadlineTimer_->setSingleShot(true);
    QObject::connect(deadlineTimer_, &QTimer::timeout, context_.get(), [this] { onDeadline(); });
    retryTimer_ = new QTimer(context_.get());
    retryTimer_->setSingleShot(true);
    QObject::connect(retryTimer_, &QTimer::timeout, context_.get(), [this] {
        // A client that only sends goes quiet once nothing waits to be sent.
        if (options_.keepConnected || !queue_.empty()) return beginAttempt();
        setState(State::idle);
    });
    if (options_.keepConnected) later([this] { connectNow(); });
}

BrokerClient::~BrokerClient()
{
    context_.reset(); // the notifiers first, then their socket
    if (fd_ >= 0) ::close(fd_);
}

void BrokerClient::later(std::function<void()> call)
{
    QTimer::singleShot(0, context_.get(), std::move(call));
}

void BrokerClient::setState(State state)
{
    if (state == state_) return;
    state_ = state;
    if (onStateChange_)
        later([this] {
            if (onStateChange_) onStateChange_();
        });
}

void BrokerClient::send(Request request, AnswerHandler onAnswer)
{
    const std::uint32_t serial = nextSerial_++;
    if (state_ == State::ready) {
        if (transmit(request, serial)) {
            if (onAnswer) awaited_[serial] = {std::move(onAnswer), SteadyClock::now() + options_.answerTimeout};
            armDeadline();
            return;
        }
        // The broker went away since the last message: queue it for the next connection.
        fail(Failure::unreachable, "connection lost");
    }
    if (queue_.size() >= options_.maxQueued) {
        // One line per attempt: a slide against a hung service would post a flood of them.
        if (!overflowLogged_) Log(options_.logName).error("Input service not answering: queued requests dropped");
        overflowLogged_ = true;
        if (auto dropped = std::move(queue_.front().onAnswer)) later([dropped] { dropped(nullptr); });
        queue_.pop_front();
    }
    queue_.push_back({serial, std::move(request), std::move(onAnswer)});
    if (state_ == State::idle) beginAttempt();
}

void BrokerClient::connectNow()
{
    if (state_ == State::idle || state_ == State::retrying) beginAttempt();
}

// ---- Connecting ----

void BrokerClient::beginAttempt()
{
    retryTimer_->stop();
    nobodyListens_ = false;
    // A folder watched while nobody listened (perhaps all of /run) would wake us for nothing now.
    if (socketWatcher_ && !socketWatcher_->directories().isEmpty())
        socketWatcher_->removePaths(socketWatcher_->directories());
    closeSocket();
    overflowLogged_ = false;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string& path = options_.socketPath;
    if (path.empty() || path.size() >= sizeof(address.sun_path))
        return fail(Failure::unreachable, "not a usable socket path: " + path);
    std::memcpy(address.sun_path, path.data(), path.size());
    fd_ = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd_ < 0) return fail(Failure::unreachable, std::string("socket: ") + std::strerror(errno));
    readable_ = new QSocketNotifier(fd_, QSocketNotifier::Read, context_.get());
    QObject::connect(readable_, &QSocketNotifier::activated, context_.get(), [this] { onReadable(); });
    readable_->setEnabled(false);
    helloDeadline_ = SteadyClock::now() + options_.answerTimeout;
    // NOLINTNEXTLINE: sockaddr_un is passed as the generic sockaddr, as the API wants.
    if (::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0) return sendHello();
    if (errno != EAGAIN && errno != EINPROGRESS) {
        // Nobody listens there (no socket, or one left behind): a service that starts binds its
        // socket anew, which changes the folder.
        nobodyListens_ = errno == ENOENT || errno == ECONNREFUSED;
        return fail(Failure::unreachable, path + ": " + std::strerror(errno));
    }
    // The listener's backlog is full: writable once there is room (or the deadline ends it).
    setState(State::connecting);
    armDeadline();
    writable_ = new QSocketNotifier(fd_, QSocketNotifier::Write, context_.get());
    QObject::connect(writable_, &QSocketNotifier::activated, context_.get(), [this] { onWritable(); });
}

void BrokerClient::onWritable()
{
    retire(writable_);
    int error = 0;
    socklen_t size = sizeof(error);
    if (::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &size) != 0 || error != 0)
        return fail(Failure::unreachable, options_.socketPath + ": " + std::strerror(error ? error : errno));
    sendHello();
}

void BrokerClient::sendHello()
{
    // A broker that turns us away writes its ERROR and closes: the HELLO may fail (EPIPE), but
    // the ERROR is still there to read, so the answer is awaited either way.
    transmit(Hello{version_}, 0);
    setState(State::greeting);
    armDeadline();
    readable_->setEnabled(true);
}

// ---- Receiving ----

void BrokerClient::onReadable()
{
    static std::array<std::uint8_t, maxBrokerMessageSize> buffer; // the main thread's only
    // A bounded number per wake-up, so a flood cannot hold the event loop.
    for (int i = 0; i < 64 && fd_ >= 0; ++i) {
        const ssize_t size = ::recv(fd_, buffer.data(), buffer.size(), MSG_DONTWAIT);
        if (size < 0) {
            // ECONNRESET: the broker closed while our packet was unread; its ERROR follows.
            if (errno == EINTR || errno == ECONNRESET) continue;
            if (errno == EAGAIN) return;
            return fail(state_ == State::ready ? Failure::unreachable : Failure::protocol, std::strerror(errno));
        }
        if (size == 0) return fail(Failure::unreachable, "the input service closed the connection");
        if (auto message = decodeBrokerMessage(std::span(buffer.data(), std::size_t(size)))) handle(*message);
        // Anything else is of a later protocol version: skipped.
    }
}

void BrokerClient::handle(const BrokerMessage& message)
{
    switch (state_) {
    case State::greeting:
        return handleGreeting(message);
    case State::ready:
        return handleReady(message);
    case State::idle:
    case State::connecting:
    case State::retrying:
        return; // no connection of ours speaks in these states
    }
}

void BrokerClient::handleGreeting(const BrokerMessage& message)
{
    if (const auto* welcome = std::get_if<Welcome>(&message.message)) {
        if (welcome->version != version_)
            return fail(Failure::protocol, "speaks version " + std::to_string(welcome->version));
        welcome_ = *welcome;
        retryDelay_ = options_.firstRetry;
        failure_ = Failure::none;
        lastLogged_.clear();
        setState(State::ready);
        return flush();
    }
    const auto* error = std::get_if<Error>(&message.message);
    if (!error) return fail(Failure::protocol, "answered HELLO with an unexpected message");
    switch (error->code) {
    case ErrorCode::unsupportedVersion:
        if (version_ > oldestProtocolVersion) {
            --version_; // the broker closes after refusing a version: a new connection asks again
            return beginAttempt();
        }
        return fail(Failure::protocol, "speaks none of our versions");
    case ErrorCode::refused:
        return fail(Failure::refused, "refused: " + error->text);
    case ErrorCode::tooManyClients:
        return fail(Failure::busy, "busy: " + error->text);
    case ErrorCode::unknownRequest:
    case ErrorCode::badArgument:
    case ErrorCode::noSuchDevice:
    case ErrorCode::unavailable:
        break;
    }
    fail(Failure::protocol, "answered HELLO with error " + std::to_string(int(error->code)) + ": " + error->text);
}

void BrokerClient::handleReady(const BrokerMessage& message)
{
    if (const auto* ping = std::get_if<Ping>(&message.message)) {
        transmit(Pong{ping->token}, 0);
        return;
    }
    if (message.serial == 0) return; // unsolicited: hot-plug, suspension notices
    const auto awaited = awaited_.find(message.serial);
    if (awaited == awaited_.end()) return; // not awaited, or too late
    AnswerHandler handler = awaited->second.onAnswer;
    if (!handler(&message)) awaited_.erase(message.serial);
}

// ---- Sending ----

bool BrokerClient::transmit(const Request& request, std::uint32_t serial)
{
    return fd_ >= 0 && sendRequest(fd_, request, serial);
}

void BrokerClient::flush()
{
    while (state_ == State::ready && !queue_.empty()) {
        Outgoing next = std::move(queue_.front());
        queue_.pop_front();
        if (!transmit(next.request, next.serial)) {
            queue_.push_front(std::move(next)); // dropped by fail() like everything that waited
            return fail(Failure::unreachable, "connection lost");
        }
        if (next.onAnswer)
            awaited_[next.serial] = {std::move(next.onAnswer), SteadyClock::now() + options_.answerTimeout};
    }
    armDeadline();
}

// ---- Deadlines and failures ----

void BrokerClient::armDeadline()
{
    std::optional<SteadyClock::time_point> first;
    if (state_ == State::connecting || state_ == State::greeting) first = helloDeadline_;
    for (const auto& [serial, awaited] : awaited_)
        if (!first || awaited.deadline < *first) first = awaited.deadline;
    if (!first) return deadlineTimer_->stop();
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(*first - SteadyClock::now());
    deadlineTimer_->start(std::max(left, std::chrono::milliseconds(0)));
}

void BrokerClient::onDeadline()
{
    const auto now = SteadyClock::now();
    if ((state_ == State::connecting || state_ == State::greeting) && now >= helloDeadline_)
        return fail(Failure::noAnswer,
                    "no answer to HELLO within " + std::to_string(options_.answerTimeout.count()) + " ms");
    std::vector<AnswerHandler> expired;
    for (auto it = awaited_.begin(); it != awaited_.end();) {
        if (it->second.deadline <= now) {
            expired.push_back(std::move(it->second.onAnswer));
            it = awaited_.erase(it);
        } else {
            ++it;
        }
    }
    armDeadline();
    for (const AnswerHandler& handler : expired)
        handler(nullptr);
}

// Often called from the notifier's own signal: it goes once control is back in the loop.
void BrokerClient::retire(QSocketNotifier*& notifier)
{
    if (!notifier) return;
    notifier->setEnabled(false);
    notifier->deleteLater();
    notifier = nullptr;
}

void BrokerClient::closeSocket()
{
    retire(readable_);
    retire(writable_);
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

// A client that stays connected waits for the socket's folder (or, while that does not exist,
// its nearest existing parent) to change instead of trying again on a timer: with no service
// installed or running, it never wakes. False when the folder cannot be watched.
bool BrokerClient::watchForSocket()
{
    if (!socketWatcher_) {
        socketWatcher_ = new QFileSystemWatcher(context_.get());
        QObject::connect(socketWatcher_, &QFileSystemWatcher::directoryChanged, context_.get(), [this] {
            if (state_ != State::retrying) return;
            beginAttempt();
        });
    }
    std::filesystem::path folder = std::filesystem::path(options_.socketPath).parent_path();
    std::error_code error;
    while (!folder.empty() && !std::filesystem::is_directory(folder, error) && folder != folder.root_path())
        folder = folder.parent_path();
    return !folder.empty() && socketWatcher_->addPath(QString::fromStdString(folder.string()));
}

void BrokerClient::fail(Failure failure, const std::string& why)
{
    closeSocket();
    failure_ = failure;
    version_ = protocolVersion;
    std::vector<AnswerHandler> unanswered;
    for (auto& [serial, awaited] : awaited_)
        unanswered.push_back(std::move(awaited.onAnswer));
    awaited_.clear();
    std::size_t dropped = 0;
    for (Outgoing& outgoing : queue_) {
        ++dropped;
        if (outgoing.onAnswer) unanswered.push_back(std::move(outgoing.onAnswer));
    }
    queue_.clear();
    // One line per new kind of trouble, not one per attempt.
    std::string line = "Input service at " + options_.socketPath + ": " + why;
    if (dropped) line += " (" + std::to_string(dropped) + " request(s) dropped)";
    if (why != lastLogged_) Log(options_.logName).error(line);
    lastLogged_ = why;

    setState(State::retrying);
    if (!(options_.keepConnected && nobodyListens_ && watchForSocket())) {
        retryTimer_->start(retryDelay_);
        retryDelay_ = std::min(retryDelay_ * 2, options_.longestRetry);
    }
    armDeadline();
    if (!unanswered.empty())
        later([unanswered = std::move(unanswered)] {
            for (const AnswerHandler& handler : unanswered)
                handler(nullptr);
        });
}

} // namespace rimglider
