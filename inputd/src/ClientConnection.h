// One client's end of the broker socket: who it is, what it asked for, and what the broker
// still has to send it. Sending never blocks: what the socket does not take is queued, up to
// a cap past which the client's input messages are discarded and it is told so later.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <set>
#include <sys/types.h>
#include <vector>

namespace rimglider::inputd {

class ClientConnection {
  public:
    static constexpr std::size_t queueCap = 1 << 20;

    enum class Kind : std::uint8_t {
        reply,  // an answer to a request: never discarded
        notice, // hot-plug, SUSPENDED/RESUMED, DROPPED: never discarded
        input,  // touchpad events and the key stream: discarded for a slow client
    };

    ClientConnection(int fd, uid_t uid, pid_t pid);
    ~ClientConnection();
    ClientConnection(const ClientConnection&) = delete;
    ClientConnection& operator=(const ClientConnection&) = delete;

    [[nodiscard]] int fd() const { return fd_; }
    [[nodiscard]] uid_t uid() const { return uid_; }
    [[nodiscard]] pid_t pid() const { return pid_; }

    // Sends at once when nothing is queued; else queues. `stream` names an input message's
    // stream (a deviceId or broker::keyStreamId). False when the peer is gone.
    bool send(std::vector<std::uint8_t> packet, Kind kind, std::uint32_t stream = 0);
    // Sends what the socket takes. False when the peer is gone.
    bool flush();
    // The streams cut for slowness, once the client has read enough that they may restart
    // (each then gets DROPPED and its current state); empty otherwise.
    std::set<std::uint32_t> takeRecoveredStreams();
    // Forgets queued input of one stream (unsubscribed) or of all (suspended).
    void discardInput(std::optional<std::uint32_t> stream);

    // Whether the broker should wait for the socket to take more.
    [[nodiscard]] bool wantsWrite() const { return !queue_.empty() || !cutStreams_.empty(); }
    // Requests are not read while this much waits: replies are never dropped, so a client that
    // sends without reading is slowed down instead.
    [[nodiscard]] bool overloaded() const { return queuedBytes_ > queueCap; }
    [[nodiscard]] std::size_t queuedBytes() const { return queuedBytes_; }

    // What the client asked for; owned by the broker's request handling.
    bool greeted = false;
    std::uint32_t version = 0; // of the protocol, from HELLO
    bool suspended = false;
    bool wantsHotplug = false;
    bool wantsKeys = false;
    std::set<std::uint32_t> touchpads;

  private:
    struct Packet {
        std::vector<std::uint8_t> bytes;
        Kind kind;
        std::uint32_t stream;
    };
    enum class SendResult : std::uint8_t { sent, full, gone };
    SendResult sendNow(const std::vector<std::uint8_t>& bytes) const;
    void cut(std::uint32_t stream);

    int fd_;
    uid_t uid_;
    pid_t pid_;
    std::deque<Packet> queue_;
    std::size_t queuedBytes_ = 0;
    std::set<std::uint32_t> cutStreams_;
};

} // namespace rimglider::inputd
