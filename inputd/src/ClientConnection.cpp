#include "ClientConnection.h"

#include <cerrno>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

namespace rimglider::inputd {

ClientConnection::ClientConnection(int fd, uid_t uid, pid_t pid) : fd_(fd), uid_(uid), pid_(pid) {}

ClientConnection::~ClientConnection()
{
    ::close(fd_);
}

ClientConnection::SendResult ClientConnection::sendNow(const std::vector<std::uint8_t>& bytes) const
{
    for (;;) {
        if (::send(fd_, bytes.data(), bytes.size(), MSG_DONTWAIT | MSG_NOSIGNAL) >= 0) return SendResult::sent;
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == ENOBUFS) return SendResult::full;
        return SendResult::gone;
    }
}

bool ClientConnection::send(std::vector<std::uint8_t> packet, Kind kind, std::uint32_t stream)
{
    if (kind == Kind::input && cutStreams_.contains(stream)) return true; // its state follows the DROPPED
    if (queue_.empty()) {
        switch (sendNow(packet)) {
        case SendResult::sent:
            return true;
        case SendResult::gone:
            return false;
        case SendResult::full:
            break;
        }
    }
    if (kind == Kind::input && queuedBytes_ + packet.size() > queueCap) {
        cut(stream);
        return true;
    }
    queuedBytes_ += packet.size();
    queue_.push_back({std::move(packet), kind, stream});
    return true;
}

void ClientConnection::cut(std::uint32_t stream)
{
    cutStreams_.insert(stream);
    for (const Packet& p : queue_)
        if (p.kind == Kind::input) cutStreams_.insert(p.stream);
    discardInput(std::nullopt);
}

void ClientConnection::discardInput(std::optional<std::uint32_t> stream)
{
    std::erase_if(queue_, [&](const Packet& p) {
        const bool discard = p.kind == Kind::input && (!stream || p.stream == *stream);
        if (discard) queuedBytes_ -= p.bytes.size();
        return discard;
    });
    if (stream) cutStreams_.erase(*stream);
}

bool ClientConnection::flush()
{
    while (!queue_.empty()) {
        switch (sendNow(queue_.front().bytes)) {
        case SendResult::sent:
            queuedBytes_ -= queue_.front().bytes.size();
            queue_.pop_front();
            break;
        case SendResult::full:
            return true;
        case SendResult::gone:
            return false;
        }
    }
    return true;
}

std::set<std::uint32_t> ClientConnection::takeRecoveredStreams()
{
    if (cutStreams_.empty() || queuedBytes_ > queueCap / 2) return {};
    return std::exchange(cutStreams_, {});
}

} // namespace rimglider::inputd
