#include "EventTap.h"

#include "Log.h"

#include <pthread.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace rimglider {

using namespace broker;
using GestureEngineKit::EngineInput;

namespace {

const Log& tapLog()
{
    static const Log* instance = new Log("eventTap");
    return *instance;
}

} // namespace

// One reader thread with its connection. It connects on its own, and again after the broker
// went away, until stopped.
struct EventTap::Reader {
    std::mutex lock; // connection (replaced, interrupted) and stopping
    std::optional<BrokerConnection> connection;
    bool stopping = false;
    std::condition_variable wake;
    const int stopSignal = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK); // ends a connection attempt
    std::thread thread;

    ~Reader() { ::close(stopSignal); }

    void stop()
    {
        {
            std::lock_guard guard(lock);
            stopping = true;
            if (connection) connection->interrupt();
        }
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto written = ::write(stopSignal, &one, sizeof(one));
        wake.notify_all();
        if (thread.joinable()) thread.join();
    }
};

EventTap& EventTap::shared()
{
    static EventTap* instance = new EventTap(GesturePipeline::shared(), ClickGuard::shared(), Options{});
    return *instance;
}

EventTap::EventTap(GesturePipeline& pipeline, ClickGuard& clickGuard, Options options)
    : pipeline_(pipeline), clickGuard_(clickGuard), options_(std::move(options))
{}

EventTap::~EventTap()
{
    stopReader();
}

std::optional<BrokerConnection> EventTap::connect(const Options& options, int stopSignal, bool* refused)
{
    auto opened = BrokerConnection::open(options.socketPath, options.answerTimeout, stopSignal);
    if (const auto* failure = std::get_if<BrokerConnection::Failure>(&opened)) {
        *refused = failure->kind == BrokerConnection::Failure::Kind::refused;
        return std::nullopt;
    }
    auto& connection = std::get<BrokerConnection>(opened);
    if (!connection.send(SubscribeKeys{})) return std::nullopt;
    return std::move(connection);
}

void EventTap::start()
{
    std::lock_guard guard(lock_);
    if (reader_) return; // running, or connecting on its own
    reader_ = std::make_unique<Reader>();
    reader_->thread = std::thread([this, &reader = *reader_] { run(reader); });
}

void EventTap::stopReader()
{
    std::unique_ptr<Reader> reader;
    {
        std::lock_guard guard(lock_);
        reader = std::move(reader_);
        running_ = false;
    }
    held_.store(0, std::memory_order_relaxed);
    if (reader) reader->stop();
}

bool EventTap::isRunning() const
{
    std::lock_guard guard(lock_);
    return running_;
}

void EventTap::setRunning(const Reader& reader, bool running)
{
    std::lock_guard guard(lock_);
    if (reader_.get() != &reader) return; // a replaced reader no longer speaks for the tap
    running_ = running;
    // A disabled tap hears no release: a modifier let go meanwhile must not stay held.
    if (!running) held_.store(0, std::memory_order_relaxed);
}

void EventTap::run(Reader& reader)
{
    pthread_setname_np(pthread_self(), threadLabel.substr(0, 15).c_str());
    for (bool first = true, refused = false;; first = false) {
        auto connection = connect(options_, reader.stopSignal, &refused);
        if (connection) {
            {
                std::lock_guard guard(reader.lock);
                if (reader.stopping) return;
                reader.connection = std::move(connection);
            }
            tapLog().info("Event tap running");
            setRunning(reader, true);
            BrokerMessage message;
            while (reader.connection->receive(message) == BrokerConnection::Received::message) {
                const Verdict verdict = handle(message.message, reader);
                // The broker has passed the event on already, or swallowed it itself in exclusive
                // mode: the verdict only keeps the guard's own count and press/release pairing.
                (void)verdict;
            }
            // The broker went away: the tap is disabled until it is back.
            setRunning(reader, false);
            std::lock_guard guard(reader.lock);
            reader.connection.reset();
        } else if (first) {
            tapLog().error("Event tap could not be created (Input access not granted?)");
        }
        std::unique_lock guard(reader.lock);
        const auto interval = refused ? options_.refusedInterval : options_.reconnectInterval;
        if (reader.wake.wait_for(guard, interval, [&] { return reader.stopping; })) return;
    }
}

EventTap::Verdict EventTap::handle(const Message& message, const Reader& reader)
{
    if (const auto* key = std::get_if<KeyDown>(&message)) {
        pipeline_.submit(EngineInput::keyDown(key->time.toSeconds())); // which key is never known
    } else if (const auto* modifiers = std::get_if<Modifiers>(&message)) {
        held_.store(modifiers->modifiers.rawValue(), std::memory_order_relaxed);
        pipeline_.submit(EngineInput::modifiers(modifiers->modifiers, modifiers->time.toSeconds()));
    } else if (const auto* button = std::get_if<Button>(&message)) {
        const double time = button->time.toSeconds();
        if (button->down) {
            pipeline_.submit(EngineInput::mouseDown(time)); // every click, swallowed or not
            return clickGuard_.press(button->button, time) == ClickGuard::Decision::swallow ? Verdict::drop
                                                                                            : Verdict::pass;
        }
        return clickGuard_.release(button->button) == ClickGuard::Decision::swallow ? Verdict::drop : Verdict::pass;
    } else if (std::holds_alternative<Suspended>(message)) {
        setRunning(reader, false); // another user has the seat: nothing arrives until RESUMED
    } else if (std::holds_alternative<Resumed>(message)) {
        setRunning(reader, true);
    }
    return Verdict::pass;
}

} // namespace rimglider
