// The main thread's connection to the input broker, which never waits on it: connecting and the
// HELLO exchange run as a state machine on the event loop, requests wait in a small queue until
// the broker welcomes us, and answers come back by callback, matched by serial, or as "none"
// once their deadline has passed on a timer. A broker that accepts and never answers costs the
// main thread a few system calls, not a wait.
//
// Callbacks never run inside a call of this class: always later, from the event loop, so a
// caller may send again or destroy what it likes from within them.
#pragma once

#include "RimgliderInput/BrokerProtocol.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>

namespace rimglider {

class BrokerClient {
  public:
    enum class State : std::uint8_t {
        idle,       // no connection and nothing to send
        connecting, // the socket waits for the listener's backlog
        greeting,   // HELLO sent, waiting for WELCOME
        ready,      // welcomed: requests go out at once
        retrying,   // the last attempt failed; the next waits for its back-off (or, with nothing to
                    // send and no need to stay connected, none follows)
    };
    // Why the last attempt or connection ended.
    enum class Failure : std::uint8_t { none, unreachable, refused, busy, protocol, noAnswer };

    struct Options {
        std::string socketPath = broker::socketPath();
        std::string logName = "broker"; // for log lines
        // For WELCOME and for each answer.
        std::chrono::milliseconds answerTimeout{500};
        // Back-off between attempts: doubles from the first to the longest, reset by a WELCOME.
        std::chrono::milliseconds firstRetry{250};
        std::chrono::milliseconds longestRetry{8000};
        // Requests waiting for a connection; beyond it the oldest is dropped.
        std::size_t maxQueued = 16;
        // Stay connected (and reconnect when lost) even with nothing to send. While nobody
        // listens at the path, the next attempt waits for the socket's folder to change.
        bool keepConnected = false;
    };

    // One answer to a request (its serial), or nullptr when none came in time or the
    // connection ended first. Returning true waits for further answers with the same serial
    // (a touchpad list), until the request's deadline.
    using AnswerHandler = std::function<bool(const broker::BrokerMessage* answer)>;

    explicit BrokerClient(Options options);
    ~BrokerClient();
    BrokerClient(const BrokerClient&) = delete;
    BrokerClient& operator=(const BrokerClient&) = delete;

    // Sends at once when welcomed; otherwise queues and connects. Without a handler the
    // broker's answer (an ERROR at most) is not awaited. A failed attempt drops what waited
    // (with a log line), so a request never goes to a broker found much later.
    void send(broker::Request request, AnswerHandler onAnswer = {});

    // Starts connecting now when idle (keepConnected clients connect on their own).
    void connectNow();

    [[nodiscard]] State state() const { return state_; }
    [[nodiscard]] bool isWelcomed() const { return state_ == State::ready; }
    [[nodiscard]] Failure lastFailure() const { return failure_; }
    [[nodiscard]] const broker::Welcome& welcome() const { return welcome_; }

    // Called, later, after every change of state().
    void setOnStateChange(std::function<void()> handler) { onStateChange_ = std::move(handler); }

  private:
    struct Outgoing {
        std::uint32_t serial = 0;
        broker::Request request;
        AnswerHandler onAnswer;
    };
    struct Awaited {
        AnswerHandler onAnswer;
        std::chrono::steady_clock::time_point deadline;
    };

    void beginAttempt();
    void onWritable();
    void onReadable();
    void onDeadline();
    void handle(const broker::BrokerMessage& message);
    void handleGreeting(const broker::BrokerMessage& message);
    void handleReady(const broker::BrokerMessage& message);
    void sendHello();
    void flush();
    bool transmit(const broker::Request& request, std::uint32_t serial);
    void fail(Failure failure, const std::string& why);
    void closeSocket();
    bool watchForSocket();
    static void retire(QSocketNotifier*& notifier);
    void setState(State state);
    void armDeadline();
    void later(std::function<void()> call);

    const Options options_;
    std::unique_ptr<QObject> context_; // owns the notifiers and timers; its end cancels `later` calls
    QTimer* deadlineTimer_ = nullptr;
    QTimer* retryTimer_ = nullptr;
    QFileSystemWatcher* socketWatcher_ = nullptr; // made when first needed
    bool nobodyListens_ = false;                  // the last attempt found no listener
    QSocketNotifier* readable_ = nullptr;         // children of context_
    QSocketNotifier* writable_ = nullptr;
    int fd_ = -1;
    State state_ = State::idle;
    Failure failure_ = Failure::none;
    std::string lastLogged_; // the last failure logged: a repeat is not
    bool overflowLogged_ = false;
    std::uint32_t version_ = broker::protocolVersion;
    std::chrono::steady_clock::time_point helloDeadline_;
    std::chrono::milliseconds retryDelay_;
    broker::Welcome welcome_;
    std::uint32_t nextSerial_ = 1;
    std::deque<Outgoing> queue_;
    std::map<std::uint32_t, Awaited> awaited_;
    std::function<void()> onStateChange_;
};

} // namespace rimglider
